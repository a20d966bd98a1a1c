#pragma once
// Whole-file reading and writing for pixkit, in binary mode.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

namespace pixkit {

// A file open for reading, closed on destruction.
class InputFile
{
public:
    explicit InputFile(const char* path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    // The file's length in bytes (0 when it is not open or not a regular file).
    std::uint64_t length() const { return m_length; }
    // Reads exactly `count` bytes from `offset`; false on a short read.
    bool readAt(std::uint64_t offset, void* out, std::size_t count);

private:
    void* m_file = nullptr; // std::FILE*
    std::uint64_t m_length = 0;
};

// The whole file when it opens and holds at most `maxBytes` bytes.
std::optional<std::vector<unsigned char>> readWholeFile(const char* path, std::uint64_t maxBytes);

// Creates or truncates the file and writes the chunks in order; false unless all were written and the
// file closed cleanly. A file left half written is removed.
struct Chunk
{
    const void* data = nullptr;
    std::size_t count = 0;
};
bool writeWholeFile(const char* path, std::initializer_list<Chunk> chunks);

} // namespace pixkit
