#pragma once
// The barcode encoders: a barcode's data turned into the character string that a barcode face
// draws as a valid symbol, with its start, stop and check characters. The byte values are the
// character codes of the barcode faces (barcode_face.h draws them); they are printed unmapped.
//
// Every encoder takes a NUL-terminated data string and a caller's buffer of kBarcodeOutSize
// bytes, zero-filled by the caller, and returns kBarcodeEncoded (the buffer holds the encoded
// string), kBarcodeAsIs (nothing written: the data is printed as it is) or kBarcodeNotEncoded
// (nothing written: the data cannot make a sound symbol, nothing is to be printed).

#include <cstddef>

namespace typestone {

inline constexpr std::size_t kBarcodeOutSize = 512;
// The longest data an encoder takes: start, check and stop characters and the terminating
// zero must fit the buffer beside it.
inline constexpr std::size_t kBarcodeMaxData = 508;

inline constexpr int kBarcodeEncoded = 0;
inline constexpr int kBarcodeAsIs = 1;
inline constexpr int kBarcodeNotEncoded = -1;

// Code 39 ("*" delimits; upper case). Data in the Code 39 set only (digits, letters, space and
// - . $ / + %); data that already begins and ends with the delimiter is printed as it is.
int Typst_Code39(const char* data, char* out);
// Code 39 for the wide faces ("@" delimits), otherwise as Typst_Code39.
int Typst_wide39(const char* data, char* out);
// Code 128 in set A or B: start 153 (A) or 154 (B), the data (a space as 194), the check
// character and the stop 156. Data bytes are 32..126 and the specials 195..202.
int Typst_Code128a(const char* data, char* out);
int Typst_Code128b(const char* data, char* out);
// Code 128 in set C: the data's digits in pairs (a leading 0 when their count is odd), start
// 155, check and stop 156. Data without a digit is not encoded.
int Typst_Code128c(const char* data, char* out);
// EAN-13: the first digit, six left-hand characters in the parities of the first digit, the
// centre guard "*", five right-hand characters, the computed check character and the end guard
// "+". A non-digit or missing position counts as 0; a 13th digit is ignored.
int Typst_EAN13(const char* data, char* out);

// The encoder chosen by the face name (compared in lower case, by substring): wide39 /
// wide 39, 3 of 9, 3of9 / code39 / 39, code128a, code128b, code128c, ean with 13. No encoder:
// kBarcodeAsIs. Data longer than kBarcodeMaxData is not encoded. `*ean` (when given) is set for
// the EAN-13 face, cleared otherwise.
int Typst_Encode(const char* faceName, const char* data, char* out, bool* ean = nullptr);

} // namespace typestone
