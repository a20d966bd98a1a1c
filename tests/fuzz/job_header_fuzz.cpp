// The 807-byte job header a host sends first: magic and checksum verdict, the job record's
// fields and their bounded texts. Property: what the host simulator encodes from the decoded
// record decodes to the same record (texts that filled their field lose their last byte, as
// the host cuts them).

#include "tests/fuzz/fuzz_target.h"

#include "tests/support/host/job_request.h"
#include "typestone/server/job_header.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

using namespace typestone;

namespace {

template <size_t N> std::string boundedText(const char (&field)[N])
{
    const std::string text = FieldText(field);
    FUZZ_CHECK(text.size() <= N);
    FUZZ_CHECK(text.find('\0') == std::string::npos);
    return text;
}

// A text as the host simulator stores it: cut to its field's width less one.
std::string asEncoded(const std::string& text, size_t width)
{
    return text.substr(0, std::min(text.size(), width - 1));
}

} // namespace

FUZZ_TARGET(job_header)
{
    // The worker looks at a header only once all of its bytes are in.
    std::array<uint8_t, kJobHeaderSize> header{};
    std::memcpy(header.data(), data, std::min(size, header.size()));

    uint16_t computed = 0;
    const HeaderVerdict verdict = CheckJobHeader(header.data(), &computed);
    FUZZ_CHECK(computed == JobHeaderChecksum(header.data()));
    const uint16_t stored =
        static_cast<uint16_t>(header[kJobChecksumOffset] | (header[kJobChecksumOffset + 1] << 8));
    FUZZ_CHECK(verdict != HeaderVerdict::Ok || computed == stored);

    const INIT_DATA record = DecodeInitData(header.data());
    valdor::JobRequest request;
    request.printer = boundedText(record.printer);
    request.password = boundedText(record.password);
    request.docName = boundedText(record.docname);
    request.output = boundedText(record.output);
    request.cols = record.cols;
    request.rows = record.rows;
    request.options = record.options;
    request.colour = record.snd_color;
    request.version = JobHeaderVersion(header.data());

    const std::vector<uint8_t> encoded = valdor::buildHeader(request);
    FUZZ_CHECK(encoded.size() == kJobHeaderSize);
    FUZZ_CHECK(CheckJobHeader(encoded.data()) == HeaderVerdict::Ok);
    FUZZ_CHECK(JobHeaderVersion(encoded.data()) == request.version);
    const INIT_DATA again = DecodeInitData(encoded.data());
    FUZZ_CHECK(FieldText(again.printer) == asEncoded(request.printer, sizeof again.printer));
    FUZZ_CHECK(FieldText(again.password) == asEncoded(request.password, sizeof again.password));
    FUZZ_CHECK(FieldText(again.docname) == asEncoded(request.docName, sizeof again.docname));
    FUZZ_CHECK(FieldText(again.output) == asEncoded(request.output, sizeof again.output));
    FUZZ_CHECK(again.cols == record.cols && again.rows == record.rows);
    FUZZ_CHECK(again.options == record.options && again.snd_color == record.snd_color);
    return 0;
}
