// The password record decipher. Property: the data of a record that deciphers, enciphered
// again with the record's own key, gives the record's bytes back (its key, length and data;
// the reserved word and any bytes after the data are not part of it).

#include "tests/fuzz/fuzz_target.h"

#include "klv_inet/support/gen_encrypter.h"

#include <cstdlib>
#include <cstring>

FUZZ_TARGET(cipher)
{
    uint32_t length = 12345;
    unsigned char* plain = CGenEncrypter::SimpleDecrypt(data, size, &length);
    if (plain == nullptr) {
        FUZZ_CHECK(length == 0);
        return 0;
    }
    FUZZ_CHECK(length > 0 && size >= 8 && length <= size - 8);
    FUZZ_CHECK(plain[length] == 0);

    const uint16_t key = static_cast<uint16_t>(data[0] | (data[1] << 8));
    uint32_t recordLength = length;
    unsigned char* record = CGenEncrypter::SimpleEncrypt(plain, &recordLength, key);
    FUZZ_CHECK(record != nullptr);
    if (record != nullptr) {
        FUZZ_CHECK(recordLength == length + 8);
        FUZZ_CHECK(std::memcmp(record, data, 2) == 0);
        FUZZ_CHECK(std::memcmp(record + 4, data + 4, length + 4) == 0);
        std::free(record);
    }
    std::free(plain);
    return 0;
}
