// What the host sends back on the data connection, as the answer framing reads it: the first
// byte picks the command awaited, the buffer's size and the size of the reads, the rest is the
// byte stream. Properties: the framer never takes more than it wants, never reads a byte past
// the answer it completes, keeps at most the buffer's size, and finds the same answer whatever
// the sizes of the reads.

#include "tests/fuzz/fuzz_target.h"

#include "typestone/server/answer_framer.h"
#include "typestone/server/packet_codes.h"

#include <algorithm>
#include <vector>

using namespace typestone;

namespace {

struct Result
{
    bool complete = false;
    size_t consumed = 0;
    size_t skipped = 0;
    uint16_t length = 0;
    std::vector<uint8_t> data;
};

Result run(uint16_t command, size_t capacity, const uint8_t* stream, size_t size, size_t read)
{
    AnswerFramer framer(command, kPacketId, capacity);
    Result r;
    while (r.consumed < size && !framer.complete()) {
        const size_t want = framer.wanted();
        FUZZ_CHECK(want > 0);
        const size_t n = std::min({want, read, size - r.consumed});
        const size_t took = framer.feed(stream + r.consumed, n);
        FUZZ_CHECK(took == n);
        r.consumed += took;
    }
    r.complete = framer.complete();
    r.skipped = framer.skipped();
    r.length = framer.declaredLength();
    r.data = framer.data();
    return r;
}

} // namespace

FUZZ_TARGET(host_answer)
{
    if (size < 1)
        return 0;
    static constexpr uint16_t kCommands[] = {CMD_TYP_READ,      CMD_TYP_WRITE, CMD_TYP_XFER_NOTIFY,
                                             CMD_TYP_FILEEXIST, CMD_TYP_OPEN,  CMD_TYP_CLOSE};
    const uint16_t command = kCommands[data[0] % 6];
    const size_t capacity = size_t(data[0] >> 3) % 20;
    const size_t read = 1 + size_t(data[0] >> 5) * 97;
    const uint8_t* stream = data + 1;
    const size_t length = size - 1;

    const Result whole = run(command, capacity, stream, length, read);
    const Result bytewise = run(command, capacity, stream, length, 1);
    FUZZ_CHECK(whole.complete == bytewise.complete);
    FUZZ_CHECK(whole.consumed == bytewise.consumed);
    FUZZ_CHECK(whole.data == bytewise.data);
    FUZZ_CHECK(whole.consumed <= length);
    if (whole.complete) {
        FUZZ_CHECK(whole.consumed == whole.skipped + kPacketHeaderSize + whole.length);
        FUZZ_CHECK(whole.data.size() == std::min<size_t>(whole.length, capacity));
        const uint8_t* head = stream + whole.skipped;
        FUZZ_CHECK(uint16_t(head[0] | (head[1] << 8)) == command);
        FUZZ_CHECK(uint16_t(head[2] | (head[3] << 8)) == kPacketId);
    } else {
        FUZZ_CHECK(whole.consumed == length);
    }
    return 0;
}
