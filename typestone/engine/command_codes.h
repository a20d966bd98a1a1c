#pragma once
// The command codes of the escape blocks (slots 3, 4, 13, 14 and 28 to 39 are empty).

#include <cstdint>

namespace typestone {

inline constexpr uint16_t kCmdPrintBitmap = 0;
inline constexpr uint16_t kCmdChangeFont = 1;
inline constexpr uint16_t kCmdSetDCA = 2;
inline constexpr uint16_t kCmdPrtWindow = 5;
inline constexpr uint16_t kCmdSetFontName = 6;
inline constexpr uint16_t kCmdSetFontSize = 7;
inline constexpr uint16_t kCmdSetFontStyle = 8;
inline constexpr uint16_t kCmdSetFontColor = 9;
inline constexpr uint16_t kCmdSetFontAlign = 10;
inline constexpr uint16_t kCmdSetPrtMode = 11;
inline constexpr uint16_t kCmdPrtImage = 12;
inline constexpr uint16_t kCmdPrtSelectArea = 15;
inline constexpr uint16_t kCmdPrtChangeArea = 16;
inline constexpr uint16_t kCmdSetRotation = 17;
inline constexpr uint16_t kCmdSetDfltUnits = 18;
inline constexpr uint16_t kCmdSetPos = 19;
inline constexpr uint16_t kCmdPrintFile = 20;
inline constexpr uint16_t kCmdRecPage = 21;
inline constexpr uint16_t kCmdInsertField = 22;
inline constexpr uint16_t kCmdPrtRecord = 23;
inline constexpr uint16_t kCmdPrtFileRecords = 24;
inline constexpr uint16_t kCmdPrtLog = 25;
inline constexpr uint16_t kCmdBarCodes = 26;
inline constexpr uint16_t kCmdQRCode = 27;
inline constexpr uint16_t kCmdSetFontEffect = 40;
inline constexpr uint16_t kCmdPDFDocument = 41;
inline constexpr uint16_t kCmdPrtDocname = 42;
inline constexpr uint16_t kCmdPrtOutput = 43;

} // namespace typestone
