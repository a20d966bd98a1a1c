#pragma once
// The growable byte buffers of the host link: a heap block (C allocator), its size and the
// bytes in use.

#include <cstddef>
#include <cstdint>

namespace typestone {

// Makes *buffer hold at least `need` bytes with nothing in use. A need of 0, a buffer smaller
// than the need or no size slot frees the old block first, and a new block is zeroed; a block
// that is large enough is kept as it is. *size becomes at least the need and *used 0. False without a buffer
// slot or when memory runs out (*buffer null, size 0).
bool EnsureBuffer(uint8_t** buffer, size_t* size, size_t* used, size_t need);
// EnsureBuffer with need 0.
void FreeBuffer(uint8_t** buffer, size_t* size, size_t* used);
// Grows *buffer to `need` bytes keeping its contents (the new bytes are zero); a buffer of at
// least `need` bytes is left alone, and so are the old block and size when memory runs out.
// Returns *buffer.
uint8_t* GrowBuffer(uint8_t** buffer, size_t* size, size_t need);

} // namespace typestone
