// The UUIDs of CWork4WTS that the machine identity reads its node from.
#include "klv_inet/support/work4wts.h"

#include "klv_inet/support/node_adapters.h"

#include "platform/sysinfo/random_bytes.h"

#include <chrono>
#include <cstring>

namespace {

// 100-nanosecond intervals between 1582-10-15 and 1970-01-01.
constexpr uint64_t kGregorianOffset = 0x01B21DD213814000ull;

} // namespace

int CWork4WTS::UuidCreateSequential(klv::Uuid* uuid, int* status)
{
    klv::Uuid u;
    const auto node = klv::pickNodeAddress(klv::nodeAdapters());
    int st = klv::kUuidOk;
    if (node) {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const uint64_t t =
            static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100) +
            kGregorianOffset;
        uint16_t clockSeq = 0;
        platform::sysinfo::randomBytes(&clockSeq, sizeof clockSeq);
        u.data1 = static_cast<uint32_t>(t);
        u.data2 = static_cast<uint16_t>(t >> 32);
        u.data3 = static_cast<uint16_t>(((t >> 48) & 0x0FFF) | 0x1000);
        u.data4[0] = static_cast<uint8_t>(((clockSeq >> 8) & 0x3F) | 0x80);
        u.data4[1] = static_cast<uint8_t>(clockSeq);
        std::memcpy(u.data4 + 2, node->data(), 6);
    } else {
        unsigned char r[16] = {};
        platform::sysinfo::randomBytes(r, sizeof r);
        std::memcpy(&u.data1, r, 4);
        std::memcpy(&u.data2, r + 4, 2);
        std::memcpy(&u.data3, r + 6, 2);
        std::memcpy(u.data4, r + 8, 8);
        u.data3 = static_cast<uint16_t>((u.data3 & 0x0FFF) | 0x4000);
        u.data4[0] = static_cast<uint8_t>((u.data4[0] & 0x3F) | 0x80);
        st = klv::kUuidLocalOnly;
    }
    if (uuid)
        *uuid = u;
    if (status)
        *status = st;
    return 1;
}

int CWork4WTS::UuidCreate(klv::Uuid* uuid)
{
    int status = klv::kUuidOk;
    UuidCreateSequential(uuid, &status);
    return status;
}
