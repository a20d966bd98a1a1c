// The barcode encoders over a face name and data from a host. Input: the face name up to the
// first NUL (at most 31 bytes, as the command's field holds), the data after it. Properties:
// the result is one of the three, the buffer is written only for an encoded result, the
// encoded string ends inside the buffer and carries the start and stop characters of its face.

#include "tests/fuzz/fuzz_target.h"

#include "typestone/engine/barcode_encoders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

FUZZ_TARGET(barcode)
{
    const auto* begin = reinterpret_cast<const char*>(data);
    const auto* end = begin + size;
    const char* nul = std::find(begin, end, '\0');
    const std::string face(begin, std::min<size_t>(static_cast<size_t>(nul - begin), 31));
    const std::string text(nul == end ? end : nul + 1, end);

    std::array<char, typestone::kBarcodeOutSize + 1> out{};
    bool ean = false;
    const int r = typestone::Typst_Encode(face.c_str(), text.c_str(), out.data(), &ean);
    FUZZ_CHECK(r == typestone::kBarcodeEncoded || r == typestone::kBarcodeAsIs ||
               r == typestone::kBarcodeNotEncoded);
    FUZZ_CHECK(out[typestone::kBarcodeOutSize - 1] == '\0' && out[typestone::kBarcodeOutSize] == '\0');
    const size_t n = std::strlen(out.data());
    if (r != typestone::kBarcodeEncoded) {
        FUZZ_CHECK(n == 0);
        return 0;
    }
    FUZZ_CHECK(n >= 3);
    const auto first = static_cast<unsigned char>(out[0]);
    const auto last = static_cast<unsigned char>(out[n - 1]);
    if (ean)
        FUZZ_CHECK(n == 15 && out[7] == '*' && last == '+');
    else if (first >= 153 && first <= 155)
        FUZZ_CHECK(last == 156);
    else
        FUZZ_CHECK((first == '*' || first == '@') && last == first);
    return 0;
}
