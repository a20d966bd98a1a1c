#include "tests/fuzz/sfnt_tables.h"

namespace fuzz {

namespace {

uint32_t be32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

} // namespace

std::map<std::string, QByteArray> sfntTables(const uint8_t* data, size_t size)
{
    std::map<std::string, QByteArray> tables;
    if (size < 12) {
        return tables;
    }
    const size_t count = (size_t{data[4]} << 8) | data[5];
    for (size_t i = 0; i < count && 12 + 16 * (i + 1) <= size; ++i) {
        const uint8_t* entry = data + 12 + 16 * i;
        const size_t offset = be32(entry + 8);
        const size_t length = be32(entry + 12);
        if (offset > size || length > size - offset) {
            continue;
        }
        tables.emplace(
            std::string(reinterpret_cast<const char*>(entry), 4),
            QByteArray(reinterpret_cast<const char*>(data) + offset, static_cast<qsizetype>(length)));
    }
    return tables;
}

} // namespace fuzz
