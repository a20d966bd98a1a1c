#include "platform/draw/drawing_warm_up.h"

#include "platform/draw/pdf_page_writer.h"
#include "platform/draw/qt_font_engine.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>

#include <string>
#include <vector>

namespace platform::draw {

namespace {

struct WarmFace
{
    const char* name;
    std::int32_t weight;
    bool italic;
    std::uint8_t charSet;
};

// Every installed family the alias table names, and the ways a face is picked: by alias, by
// charset (OEM), in bold and italic, and by a name nothing knows (the fallback's look-up).
constexpr WarmFace kFaces[] = {
    {"Courier New", kWeightNormal, false, kAnsiCharset},
    {"Courier New", kWeightBold, false, kAnsiCharset},
    {"Courier New", kWeightNormal, true, kAnsiCharset},
    {"Courier New", kWeightNormal, false, kOemCharset},
    {"Arial", kWeightNormal, false, kAnsiCharset},
    {"Times New Roman", kWeightNormal, false, kAnsiCharset},
    {"Terminal", kWeightNormal, false, kOemCharset},
    {"Symbol", kWeightNormal, false, kSymbolCharset},
    {"MS Sans Serif", kWeightNormal, false, kAnsiCharset},
};

} // namespace

int warmUpDrawing()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return 0;
    }
    // Fontconfig's configuration and font list, and Qt's database of them.
    QFontDatabase::families();

    QtFontEngine fonts;
    std::vector<FontHandle> loaded;
    for (const WarmFace& face : kFaces) {
        LogFont record = makeLogFont(face.name, -40);
        record.weight = face.weight;
        record.italic = face.italic ? 1 : 0;
        record.charSet = face.charSet;
        if (FontHandle font = fonts.createFont(record)) {
            loaded.push_back(std::move(font));
        }
    }

    PageSetup setup;
    PdfPageWriter writer(setup);
    std::string error;
    if (writer.open("/dev/null", "warm-up", &error) && writer.startPage(&error)) {
        Dc& dc = *writer.dc();
        int y = 100;
        for (const FontHandle& font : loaded) {
            dc.selectFont(font);
            dc.textOut({100, y}, "Typestone \xB3\xC4\xDA 0123");
            y += 60;
        }
        dc.selectFont(nullptr);
        dc.moveTo({100, y});
        dc.lineTo({1000, y});
        dc.rectangle({100, y + 20, 400, y + 120});
        dc.fillRect({500, y + 20, 800, y + 120}, Brush::solid(Color{200, 200, 200}));
        writer.endPage(&error);
        writer.close(&error);
    }
    return static_cast<int>(loaded.size());
}

} // namespace platform::draw
