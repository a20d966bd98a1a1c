#include "typestone/engine/spool_record.h"
#include "platform/text/hex_digit.h"

#include "platform/fileio/file_ops.h"

#include <charconv>
#include <cstring>

namespace typestone {
namespace {

constexpr std::string_view kFirstLine = "typestone-spool-record 1";

std::string toHex(const void* data, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    const auto* p = static_cast<const uint8_t*>(data);
    std::string out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

bool fromHex(std::string_view text, void* out, size_t size)
{
    if (text.size() != size * 2)
        return false;
    auto* p = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < size; ++i) {
        const int hi = platform::text::hexDigit(text[2 * i]);
        const int lo = platform::text::hexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        p[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

bool printable(std::string_view text)
{
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return false;
    }
    return true;
}

} // namespace

std::string SpoolRecordPath(const std::string& spoolFile)
{
    return spoolFile + ".job";
}

std::string FormatSpoolRecord(const SpoolRecord& record)
{
    INIT_DATA stored = record.record;
    std::memset(stored.password, 0, sizeof stored.password);
    std::string name = record.jobName.substr(0, kMaxSpoolJobName);
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '_';
    std::string printer = FieldText(stored.printer);
    for (char& c : printer)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '_';
    std::string out(kFirstLine);
    out += "\njob=" + name;
    // For whoever looks at the folder; the printer that counts is the record's.
    out += "\nprinter=" + printer;
    out += "\nversion=" + std::to_string(record.version);
    out += "\nrecord=" + toHex(&stored, sizeof stored);
    out += "\n";
    return out;
}

std::optional<SpoolRecord> ParseSpoolRecord(std::string_view text, std::string* error)
{
    auto fail = [error](std::string why) -> std::optional<SpoolRecord> {
        if (error)
            *error = std::move(why);
        return std::nullopt;
    };
    if (text.size() > kMaxSpoolRecordSize)
        return fail("the record is larger than " + std::to_string(kMaxSpoolRecordSize) + " bytes");
    if (text.substr(0, kFirstLine.size()) != kFirstLine ||
        (text.size() > kFirstLine.size() && text[kFirstLine.size()] != '\n'))
        return fail("not a spool record");
    text.remove_prefix(std::min(text.size(), kFirstLine.size() + 1));

    SpoolRecord result;
    bool haveJob = false, haveVersion = false, haveRecord = false, havePrinter = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return fail("the last line is cut short");
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return fail("a line without '='");
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (key == "job") {
            if (haveJob || value.empty() || value.size() > kMaxSpoolJobName || !printable(value))
                return fail("a bad job name");
            result.jobName.assign(value);
            haveJob = true;
        } else if (key == "printer") {
            if (havePrinter)
                return fail("the printer twice");
            havePrinter = true;
        } else if (key == "version") {
            unsigned v = 0;
            const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
            if (haveVersion || value.empty() || ec != std::errc() || ptr != value.data() + value.size() ||
                v > 0xFFFF)
                return fail("a bad version");
            result.version = static_cast<uint16_t>(v);
            haveVersion = true;
        } else if (key == "record") {
            if (haveRecord || !fromHex(value, &result.record, sizeof result.record))
                return fail("a bad job record");
            haveRecord = true;
        } else {
            return fail("an unknown key");
        }
    }
    if (!haveJob || !haveVersion || !haveRecord)
        return fail("a key is missing");
    if (FieldText(result.record.printer).empty())
        return fail("the record names no printer");
    return result;
}

bool WriteSpoolRecord(const std::string& path, const SpoolRecord& record, std::string* error)
{
    return platform::fileio::replaceFile(path, FormatSpoolRecord(record), error);
}

std::optional<SpoolRecord> ReadSpoolRecord(const std::string& path, std::string* error)
{
    std::string text;
    std::string why;
    if (!platform::fileio::readSmallFile(path, kMaxSpoolRecordSize, &text, &why)) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    return ParseSpoolRecord(text, error);
}

} // namespace typestone
