#include "klv_inet/support/gen_encrypter.h"

#include "platform/bytes/le_reader.h"
#include "platform/sysinfo/random_bytes.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kHeader = 8;

// Two records in a row never share a key, so equal data never gives equal records.
std::atomic<uint32_t> g_lastKey{0x10000};

uint16_t freshKey()
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        uint16_t k = 0;
        if (!platform::sysinfo::randomBytes(&k, sizeof k))
            k = static_cast<uint16_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^ attempt);
        if (g_lastKey.exchange(k) != k)
            return k;
    }
    const uint16_t k = static_cast<uint16_t>(g_lastKey.load() + 1);
    g_lastKey.store(k);
    return k;
}

void scramble(unsigned char* record, size_t from, size_t to, uint16_t key)
{
    const unsigned char kb[2] = {static_cast<unsigned char>(key & 0xFF),
                                 static_cast<unsigned char>(key >> 8)};
    for (size_t i = from; i < to; ++i)
        record[i] ^= kb[i & 1];
}

} // namespace

unsigned char* CGenEncrypter::SimpleEncrypt(const void* data, uint32_t* length)
{
    return SimpleEncrypt(data, length, freshKey());
}

unsigned char* CGenEncrypter::SimpleEncrypt(const void* data, uint32_t* length, uint16_t key)
{
    if (!data || !length || *length == 0 || *length > kMaxRecord - kHeader)
        return nullptr;
    const uint32_t n = *length;
    auto* rec = static_cast<unsigned char*>(std::calloc(n + kHeader, 1));
    if (!rec)
        return nullptr;
    rec[0] = static_cast<unsigned char>(key & 0xFF);
    rec[1] = static_cast<unsigned char>(key >> 8);
    for (int i = 0; i < 4; ++i)
        rec[4 + i] = static_cast<unsigned char>(n >> (8 * i));
    std::memcpy(rec + kHeader, data, n);
    scramble(rec, 4, n + kHeader, key);
    *length = n + static_cast<uint32_t>(kHeader);
    return rec;
}

unsigned char* CGenEncrypter::SimpleDecrypt(const void* record, size_t recordSize, uint32_t* length)
{
    if (length)
        *length = 0;
    if (!record || recordSize < kHeader || recordSize > kMaxRecord)
        return nullptr;
    unsigned char head[kHeader];
    std::memcpy(head, record, kHeader);
    const uint16_t key = platform::bytes::LeReader(head, kHeader).u16();
    scramble(head, 4, kHeader, key);
    platform::bytes::LeReader fields(head, kHeader);
    fields.seek(4);
    const uint32_t n = fields.u32();
    if (n == 0 || n > recordSize - kHeader)
        return nullptr;
    auto* out = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(n) + 1, 1));
    if (!out)
        return nullptr;
    std::memcpy(out, static_cast<const unsigned char*>(record) + kHeader, n);
    // The data sits at offset 8 of the record, so the key byte of out[i] is that of offset i + 8.
    const unsigned char kb[2] = {static_cast<unsigned char>(key & 0xFF),
                                 static_cast<unsigned char>(key >> 8)};
    for (uint32_t i = 0; i < n; ++i)
        out[i] ^= kb[(i + kHeader) & 1];
    if (length)
        *length = n;
    return out;
}
