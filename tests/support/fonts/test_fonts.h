#pragma once
// The fonts of the tests: points fontconfig at tests/support/fonts/fonts.conf (only the
// Liberation and DejaVu faces, no hinting, no antialiasing) and makes the QGuiApplication that
// Qt's fonts need. Call useTestFonts() before any Qt font use, e.g. from a fixture's
// SetUpTestSuite. The test target defines TYPESTONE_TEST_FONTS_CONF as the file's path:
//   target_compile_definitions(T PRIVATE
//     TYPESTONE_TEST_FONTS_CONF="${PROJECT_SOURCE_DIR}/tests/support/fonts/fonts.conf")

#include <QGuiApplication>

#include <cstdlib>

namespace test_support {

inline void useTestFonts()
{
    if (QCoreApplication::instance()) {
        return;
    }
    setenv("FONTCONFIG_FILE", TYPESTONE_TEST_FONTS_CONF, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "typestone-test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

} // namespace test_support
