#pragma once
// The drawing of a job in a form that does not depend on how its stream was cut into calls.
//
// A stream handed over in pieces draws the same page with more calls: a text run cut in two
// is two text calls, a run of box-drawing lines two lines, a run of shades two fills, each
// with the font, pen or brush selected again around it. This form keeps every drawing call
// with the part of the state it is drawn with (text: colours, background mode, alignment,
// font; lines and fills: pen, brush, background), drops the state changes themselves, and
// joins a call that continues the previous one: text on the same baseline further right with
// the same clip (turned text further right, its baseline rising or falling along the turn), a
// horizontal line that starts where an earlier one of the same run of lines ends, a fill that
// adjoins the previous one. Document calls (startPage, endPage, ...) stay as they are, without
// a state.

#include <string>
#include <vector>

namespace fuzz {

std::vector<std::string> canonicalDrawing(const std::vector<std::string>& lines);

} // namespace fuzz
