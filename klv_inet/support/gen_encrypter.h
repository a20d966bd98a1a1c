#pragma once
// A small obfuscation of short data (shared-printer passwords) into a self-contained record:
//   offset 0: 16-bit key (plain), 2: reserved 0 (plain), 4: 32-bit data length, 8: the data;
// little-endian, every byte from offset 4 on XORed with key byte (offset & 1). It keeps data
// from being read at a glance, nothing more. Records stay below 65536 bytes.

#include "klv_inet/support/klv_export.h"

#include <cstddef>
#include <cstdint>

class KLV_EXPORT CGenEncrypter
{
public:
    // Largest record (and so data of kMaxRecord - 8 bytes) the cipher accepts.
    static constexpr size_t kMaxRecord = 65535;

    // A new record (free it with free()) for `*length` bytes of data, with a fresh random key;
    // `*length` becomes the record's length. Null for null arguments, length 0, data too long
    // for a record, or no memory.
    static unsigned char* SimpleEncrypt(const void* data, uint32_t* length);

    // The same with a given key (stored records stay readable whatever the key source).
    static unsigned char* SimpleEncrypt(const void* data, uint32_t* length, uint16_t key);

    // The data of a record of `recordSize` bytes, in a new zero-terminated buffer (free it with
    // free()); `*length` (when given) receives the data length. The record is not changed. Null
    // with length 0 for a null record, a record shorter than its header or of 65536 bytes or
    // more, a length field that does not fit the record or is 0, or no memory.
    static unsigned char* SimpleDecrypt(const void* record, size_t recordSize, uint32_t* length);
};
