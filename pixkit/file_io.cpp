#include "pixkit/file_io.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

namespace pixkit {

namespace {

std::FILE* asFile(void* f)
{
    return static_cast<std::FILE*>(f);
}

} // namespace

InputFile::InputFile(const char* path)
{
    if (path == nullptr || *path == '\0')
        return;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr)
        return;
    const long end = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1L;
    if (end < 0) {
        std::fclose(f);
        return;
    }
    m_file = f;
    m_length = static_cast<std::uint64_t>(end);
}

InputFile::~InputFile()
{
    if (m_file != nullptr)
        std::fclose(asFile(m_file));
}

bool InputFile::readAt(std::uint64_t offset, void* out, std::size_t count)
{
    if (m_file == nullptr || offset > m_length || count > m_length - offset)
        return false;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max()) ||
        std::fseek(asFile(m_file), static_cast<long>(offset), SEEK_SET) != 0)
        return false;
    return std::fread(out, 1, count, asFile(m_file)) == count;
}

std::optional<std::vector<unsigned char>> readWholeFile(const char* path, std::uint64_t maxBytes)
{
    InputFile file(path);
    if (!file.isOpen() || file.length() > maxBytes)
        return std::nullopt;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(file.length()));
    if (!bytes.empty() && !file.readAt(0, bytes.data(), bytes.size()))
        return std::nullopt;
    return bytes;
}

bool writeWholeFile(const char* path, std::initializer_list<Chunk> chunks)
{
    if (path == nullptr || *path == '\0')
        return false;
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return false;
    bool written = true;
    for (const Chunk& chunk : chunks)
        written = written && (chunk.count == 0 || std::fwrite(chunk.data, 1, chunk.count, f) == chunk.count);
    const bool closed = std::fclose(f) == 0;
    if (written && closed)
        return true;
    std::remove(path);
    return false;
}

} // namespace pixkit
