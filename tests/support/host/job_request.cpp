#include "tests/support/host/job_request.h"

#include <algorithm>
#include <cstring>

namespace valdor {

namespace {

void putU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void putText(std::vector<uint8_t>& bytes, size_t offset, size_t width, const std::string& text)
{
    const size_t n = std::min(text.size(), width - 1);
    std::memcpy(bytes.data() + offset, text.data(), n);
    std::fill(bytes.begin() + static_cast<long>(offset + n),
              bytes.begin() + static_cast<long>(offset + width), 0);
}

} // namespace

std::vector<uint8_t> buildHeader(const JobRequest& request)
{
    std::vector<uint8_t> header(kHeaderSize, 0);
    static constexpr uint8_t kMagic[kMagicSize] = {0xFF, 0xFE, 'T', 'y', 'p', 'e', 's', 't', 'o', 'n', 'e'};
    std::memcpy(header.data() + kMagicOffset, kMagic, kMagicSize);
    putU16(header, kVersionOffset, request.version);

    const size_t r = kJobRecordOffset;
    putText(header, r + kPrinterOffset, kPrinterSize, request.printer);
    putText(header, r + kPasswordOffset, kPasswordSize, request.password);
    putU16(header, r + kColsOffset, request.cols);
    putU16(header, r + kRowsOffset, request.rows);
    putU16(header, r + kOptionsOffset, request.options);
    header[r + kColourOffset] = request.colour;
    putText(header, r + kDocNameOffset, kDocNameSize, request.docName);
    putText(header, r + kOutputOffset, kOutputSize, request.output);

    fixChecksum(header);
    return header;
}

uint16_t headerChecksum(const std::vector<uint8_t>& header)
{
    if (header.size() < kChecksumOffset)
        return 0;
    uint16_t sum = 0;
    for (size_t offset = 2; offset <= 20; offset += 2)
        sum ^= static_cast<uint16_t>(header[offset] | (header[offset + 1] << 8));
    return sum;
}

void fixChecksum(std::vector<uint8_t>& header)
{
    if (header.size() < kJobRecordOffset)
        return;
    putU16(header, kChecksumOffset, headerChecksum(header));
}

std::vector<std::string> cutFields(const JobRequest& request)
{
    std::vector<std::string> cut;
    if (request.printer.size() >= kPrinterSize)
        cut.emplace_back("printer");
    if (request.password.size() >= kPasswordSize)
        cut.emplace_back("password");
    if (request.docName.size() >= kDocNameSize)
        cut.emplace_back("docname");
    if (request.output.size() >= kOutputSize)
        cut.emplace_back("output");
    return cut;
}

const char* replyCodeText(uint16_t code)
{
    switch (code) {
    case ReplyAccepted:
        return "accepted";
    case ReplyNoMemory:
        return "no memory for the request";
    case ReplyReceiveFailed:
        return "request not received";
    case ReplyBadMagic:
        return "bad header";
    case ReplyBadChecksum:
        return "header checksum mismatch";
    case ReplyDataPortFailed:
        return "data port not available";
    case ReplyPrinterFailed:
        return "printer failed to start";
    case ReplyNotShared:
        return "printer not shared";
    case ReplyWrongPassword:
        return "wrong password";
    default:
        return "unknown reply code";
    }
}

} // namespace valdor
