#pragma once
// The computation of the font size test: fits a face to the cell of a columns x rows grid on
// the screen with the font mapper's fitting and reports how the neighbouring sizes would fit.

#include "platform/draw/font_engine.h"

#include <cstdint>
#include <string>

namespace typestone {

struct FSizeResult
{
    platform::draw::LogFont logFont{}; // the fitted record, the chosen face in it
    std::string chosenFace;            // the face really used
    int dx = 0;                        // the fitted font's cell
    int dy = 0;
    int targetWidth = 0; // the grid's cell
    int targetHeight = 0;
    bool fixed = false;
    std::string report; // the text of the message box
};

// `columns` and `rows` are from 1 to the screen's width and height, so that the grid's cell
// is at least one pixel. `printerFitting` chooses the fitting a printer gets, else the
// screen's.
FSizeResult RunFontSizeTest(platform::draw::FontEngine& engine, const std::string& face, unsigned columns,
                            unsigned rows, int screenWidth, int screenHeight, bool printerFitting);

} // namespace typestone
