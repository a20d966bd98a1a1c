#pragma once
// Small BMP images and files for the pixkit tests.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace pixkit_test {

using Bytes = std::vector<unsigned char>;

inline std::uint32_t u32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t i32(const unsigned char* p)
{
    return static_cast<std::int32_t>(u32(p));
}
inline std::uint16_t u16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline void put32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void put16(unsigned char* p, std::uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline std::size_t stride(int width, int bits)
{
    return static_cast<std::size_t>((width * bits + 31) / 32 * 4);
}

// A BMP image (whole file) of `bits` 24 or 8, rows bottom-up; pixel(x, y) with y from the top
// gives {blue, green, red} (8 bits: the first is the grey level).
using PixelFn = std::function<std::array<unsigned char, 3>(int x, int y)>;
inline Bytes makeBmp(int width, int height, int bits, const PixelFn& pixel)
{
    const std::size_t offset = bits == 8 ? 1078 : 54;
    const std::size_t rowBytes = stride(width, bits);
    Bytes b(offset + rowBytes * static_cast<std::size_t>(height), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(&b[2], static_cast<std::uint32_t>(b.size()));
    put32(&b[10], static_cast<std::uint32_t>(offset));
    put32(&b[14], 40);
    put32(&b[18], static_cast<std::uint32_t>(width));
    put32(&b[22], static_cast<std::uint32_t>(height));
    put16(&b[26], 1);
    put16(&b[28], static_cast<std::uint16_t>(bits));
    put32(&b[34], static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(height)));
    if (bits == 8)
        for (int i = 0; i < 256; ++i)
            b[54 + 4 * i] = b[55 + 4 * i] = b[56 + 4 * i] = static_cast<unsigned char>(i);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = &b[offset + rowBytes * static_cast<std::size_t>(height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            const auto px = pixel(x, y);
            if (bits == 8)
                row[x] = px[0];
            else
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = px[c];
        }
    }
    return b;
}

// A smooth picture that JPEG keeps well.
inline std::array<unsigned char, 3> gradient(int x, int y)
{
    return {static_cast<unsigned char>(40 + 3 * x), static_cast<unsigned char>(60 + 2 * y),
            static_cast<unsigned char>(200 - x - y)};
}

// A private folder, removed with its contents.
class ScratchDir
{
public:
    ScratchDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "pixkit-test-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_path = tmpl;
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(m_path))
            names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::filesystem::path m_path;
};

inline void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace pixkit_test
