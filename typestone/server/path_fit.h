#pragma once
// Fitting a long file name into a line of a dialog: the start of the name, "...", and as much of
// its end as the line holds ("C:\...\DIR3\FILE.TXT"), measured in the device's selected font.

#include "platform/draw/dc.h"

#include <string>

namespace typestone {

// The text when it fits `rect`'s width in the font `dc` has selected, or when no separator is
// given (0) or the text holds none. Otherwise the text up to its first separator, "...", and the
// rest from the first later separator from which it fits; when even the last part does not fit,
// characters go from the front of that part until it does (at the end only "..." stays).
std::string FitPath(const platform::draw::Dc& dc, const platform::draw::Rect& rect, const std::string& text,
                    char separator);

} // namespace typestone
