// The fonts of a PDF document: a face without TrueType outlines is drawn from Type 3 fonts of
// its glyphs' paths, 256 glyphs each, which a reader renders and reads back as text.
#include "platform/draw/pdf_document.h"
#include "platform/draw/pdf_fonts.h"
#include "support/fonts/test_fonts.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRawFont>
#include <QTemporaryDir>

#include <set>
#include <string>

namespace platform::draw {
namespace {

// A face with CFF outlines (no glyf table); the test is skipped where it is not installed.
constexpr const char* kCffFace = "/usr/share/fonts/opentype/urw-base35/StandardSymbolsPS.otf";

QString run(const QString& program, const QStringList& arguments, QString* errors = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0) << program.toStdString();
    if (errors)
        *errors = QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(PdfFontsTest, FacesWithoutTrueTypeOutlinesBecomeType3FontsOf256Glyphs)
{
    test_support::useTestFonts();
    if (!QFile::exists(QString::fromLatin1(kCffFace)))
        GTEST_SKIP() << kCffFace << " is not installed";
    const QRawFont raw(QString::fromLatin1(kCffFace), 50);
    ASSERT_TRUE(raw.isValid());
    ASSERT_TRUE(raw.fontTable("glyf").isEmpty());

    PdfFonts fonts;
    const int face = fonts.face(raw);
    EXPECT_EQ(fonts.face(raw), face) << "one face for the same raw font";
    // A symbol face: its Greek letters stand at the Latin letters' places.
    const QList<quint32> greek = raw.glyphIndexesForString(QStringLiteral("abg"));
    ASSERT_EQ(greek.size(), 3);
    ASSERT_TRUE(greek[0] && greek[1] && greek[2]);
    std::set<std::uint32_t> codes;
    int firstFont = -1;
    for (int i = 0; i < 3; ++i) {
        const PdfFonts::Code code = fonts.code(face, raw, greek[i], U"αβγ"[i]);
        EXPECT_FALSE(code.twoBytes);
        EXPECT_GT(code.width, 0);
        codes.insert(code.code);
        firstFont = code.font;
    }
    EXPECT_EQ(codes.size(), 3u);
    EXPECT_EQ(fonts.code(face, raw, greek[1], U'β').code, fonts.code(face, raw, greek[1], U'β').code);
    // Past 256 glyphs the codes go on in a font of their own (a document of its own, as the
    // face has fewer glyphs than that to draw).
    {
        PdfFonts many;
        const int manyFace = many.face(raw);
        const int first = many.code(manyFace, raw, 1, 0).font;
        for (std::uint32_t glyph = 2; glyph <= 256; ++glyph)
            EXPECT_EQ(many.code(manyFace, raw, glyph, 0).font, first);
        const PdfFonts::Code next = many.code(manyFace, raw, 257, 0);
        EXPECT_NE(next.font, first);
        EXPECT_EQ(next.code, 0u);
        EXPECT_EQ(many.code(manyFace, raw, 1, 0).font, first) << "a glyph keeps its code";
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t3.pdf"));
    PdfDocument document;
    std::string error;
    ASSERT_TRUE(document.open(path.toStdString(), &error)) << error;
    std::string content = "BT /" + fonts.resourceName(firstFont) + " 50 Tf 1 0 0 1 100 700 Tm <";
    for (const quint32 glyph : greek) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", fonts.code(face, raw, glyph, 0).code);
        content += hex;
    }
    content += "> Tj ET\n";
    document.addPage(content, 595, 842);
    document.writeObject(document.resourcesId(), "<</Font <<" + fonts.writeAll(document) + ">>>>");
    ASSERT_TRUE(document.close("Type 3", "Typestone", &error)) << error;

    EXPECT_TRUE(run(QStringLiteral("pdffonts"), {path}).contains(QStringLiteral("Type 3")));
    EXPECT_TRUE(
        run(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}).contains(QString::fromUtf8("αβγ")));
    QString errors;
    const QString prefix = dir.filePath(QStringLiteral("t3"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-singlefile"), path, prefix}, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    const QImage page(prefix + QStringLiteral(".ppm"));
    ASSERT_FALSE(page.isNull());
    int inked = 0;
    for (int y = 80; y < 160; ++y)
        for (int x = 90; x < 250; ++x)
            inked += page.pixel(x, y) != 0xFFFFFFFF ? 1 : 0;
    EXPECT_GT(inked, 100) << "the glyphs drawn from their paths";
}

} // namespace
} // namespace platform::draw
