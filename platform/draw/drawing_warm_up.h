#pragma once
// Sets up, once per process, what the first job's drawing would otherwise pay for: fontconfig
// reads its configuration and the installed faces, Qt builds its font database, and the code
// of loading faces, drawing text and writing a PDF runs once. Nothing is kept: the faces and
// Qt's font cache belong to the calling thread and go with it, so a caller that wants no
// timer of Qt's font cache left behind runs this on a thread of its own that then ends.
//
// Needs a QGuiApplication (offscreen will do); without one it does nothing. Writes no file
// (the PDF goes to the null device). Safe to run while other threads draw.

namespace platform::draw {

// The faces a host most often names, one by one, then a page with text, lines and a fill to
// a PDF that nobody keeps. Returns how many of those faces could be loaded.
int warmUpDrawing();

} // namespace platform::draw
