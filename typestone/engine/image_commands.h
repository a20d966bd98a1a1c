#pragma once
// What the image, barcode and QR-code commands share: the current print area and rotation,
// and the printing of an image placement record.

#include "typestone/engine/esc_block.h"
#include "typestone/engine/prt_bmp_data.h"

#include "platform/draw/dc.h"

#include <string>

namespace typestone {

class CWinPrt;

// The formatter's current area in pixels; without a formatter the drawing area (the mapper's
// clip rectangle), or the whole page when none is set.
platform::draw::Rect CurrentPrintArea(const CWinPrt& prt);
// The formatter's rotation in degrees; 0 without one.
int CurrentRotation(const CWinPrt& prt);

// Prints an image placement record on the current page (started when none is): a host file
// is fetched through the job's host link first, a local one (kBmpLocalFile) is read only
// inside the drive map's folders, inline bytes are taken no further than the record carries.
// The area is converted from its unit to pixels. False, traced, when nothing was drawn.
bool PrintBmpData(CWinPrt& prt, PRT_BMP_DATA data);

// The barcode command (barcode_command.cpp) and the description of its block.
bool BarCodesCommand(CWinPrt& prt, const EscBlock& block);
std::string DescribeBarCodes(const EscBlock& block);

} // namespace typestone
