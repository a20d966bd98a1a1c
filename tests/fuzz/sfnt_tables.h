#pragma once
// The tables of a TrueType file by tag, for the font subset target and its seeds. Lenient as
// a face loader is: an entry pointing outside the file is skipped, so the subset sees the face
// without that table.

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace fuzz {

std::map<std::string, QByteArray> sfntTables(const uint8_t* data, size_t size);

} // namespace fuzz
