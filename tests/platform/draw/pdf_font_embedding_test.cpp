// The subset, its ToUnicode map and Type 3 glyph procedures as a PDF reader sees them: a small
// PDF written by hand around them, read back with poppler's tools.

#include "platform/draw/pdf_font_subset.h"
#include "support/fonts/test_fonts.h"
#include "support/pdf/pdf_tools.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainterPath>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTransform>

#include <map>
#include <string>
#include <vector>

namespace platform::draw {
namespace {

const char* const kLiberationSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const char* const kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The page: 400 x 100 pt; the TrueType text at (10, 40) in 24 pt, the Type 3 glyphs from
// (200, 20) in 60 pt, one em apart.
constexpr double kPageHeight = 100;
constexpr double kType3X = 200, kType3Y = 20, kType3Size = 60;

std::string hex4(std::uint32_t v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v);
    return buf;
}

// A PDF of one page: `cids` shown with the TrueType program `fontFile` (glyph numbers as CIDs,
// `cmap` its ToUnicode map), then the Type 3 glyphs `procedures` (codes 1, 2, ...).
std::string writePdf(const std::string& fontFile, const std::vector<std::uint32_t>& cids,
                     const std::string& cmap, const std::vector<std::string>& procedures)
{
    std::string content = "BT /F1 24 Tf 10 40 Td <";
    for (const std::uint32_t cid : cids) {
        content += hex4(cid);
    }
    content += "> Tj ET\n";
    std::string codes, charProcs, differences, widths;
    for (size_t i = 0; i < procedures.size(); ++i) {
        char code[4];
        std::snprintf(code, sizeof code, "%02X", static_cast<unsigned>(i + 1));
        codes += code;
        charProcs += "/g" + std::to_string(i + 1) + " " + std::to_string(11 + i) + " 0 R ";
        differences += "/g" + std::to_string(i + 1) + " ";
        widths += "1000 ";
    }
    content += "BT /F2 60 Tf 200 20 Td <" + codes + "> Tj ET\n";

    const auto stream = [](const std::string& dict, const std::string& data) {
        return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
               "\nendstream";
    };
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 100] /Resources << /Font << /F1 5 0 R /F2 9 0 R >> "
        ">> "
        "/Contents 4 0 R >>",
        stream("", content),
        "<< /Type /Font /Subtype /Type0 /BaseFont /AAAAAA+Face /Encoding /Identity-H /DescendantFonts [6 0 "
        "R] "
        "/ToUnicode 8 0 R >>",
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /AAAAAA+Face /CIDSystemInfo << /Registry (Adobe) "
        "/Ordering (Identity) /Supplement 0 >> /FontDescriptor 7 0 R /CIDToGIDMap /Identity /DW 600 >>",
        "<< /Type /FontDescriptor /FontName /AAAAAA+Face /Flags 32 /FontBBox [-1000 -1000 2000 2000] "
        "/ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 10 0 R >>",
        stream("", cmap),
        "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
        "/CharProcs << " +
            charProcs + ">> /Encoding << /Type /Encoding /Differences [1 " + differences +
            "] >> /FirstChar 1 /LastChar " + std::to_string(procedures.size()) + " /Widths [" + widths +
            "] /Resources << >> >>",
        stream("/Length1 " + std::to_string(fontFile.size()), fontFile),
    };
    for (const std::string& p : procedures) {
        objects.push_back(stream("", p));
    }

    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

class PdfFontEmbeddingTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }

    std::string save(const std::string& name, const std::string& pdf)
    {
        const QString path = m_dir.filePath(QString::fromStdString(name) + QStringLiteral(".pdf"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pdf.data(), static_cast<qint64>(pdf.size()));
        return path.toStdString();
    }

    std::string text(const std::string& path)
    {
        QProcess process;
        process.start(QStringLiteral("pdftotext"), {QString::fromStdString(path), QStringLiteral("-")});
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed().toStdString();
    }

    QImage render(const std::string& path, int dpi)
    {
        return ts::support::renderPdfPage(path, m_dir.filePath(QStringLiteral("page")).toStdString(), dpi);
    }

    QTemporaryDir m_dir;
};

TEST_F(PdfFontEmbeddingTest, TheSubsetDrawsAsTheWholeFaceAndItsTextReadsBack)
{
    const QRawFont face(QString::fromLatin1(kLiberationSans), 24, QFont::PreferNoHinting);
    ASSERT_TRUE(face.isValid());
    const QString shown = QStringLiteral("Typestone!");
    std::vector<std::uint32_t> cids;
    std::set<std::uint32_t> glyphs;
    for (const quint32 g : face.glyphIndexesForString(shown)) {
        cids.push_back(g);
        glyphs.insert(g);
    }
    // Each glyph's own character, and one beyond the BMP (a surrogate pair) for the "!".
    std::map<std::uint32_t, char32_t> glyphText;
    for (qsizetype i = 0; i + 1 < shown.size(); ++i) {
        glyphText[cids[static_cast<size_t>(i)]] = shown[i].unicode();
    }
    glyphText[cids.back()] = 0x1F600;
    const std::string cmap = toUnicodeCMap(glyphText);
    ASSERT_NE(cmap.find("bfrange"), std::string::npos) << "n o p and s t make runs";

    const auto subset = subsetTrueType([&face](const char* tag) { return face.fontTable(tag); }, glyphs);
    ASSERT_TRUE(subset);
    QFile whole(QString::fromLatin1(kLiberationSans));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const std::string wholeFace = whole.readAll().toStdString();

    const std::string subsetPdf = save("subset", writePdf(*subset, cids, cmap, {}));
    const std::string wholePdf = save("whole", writePdf(wholeFace, cids, cmap, {}));
    EXPECT_EQ(text(subsetPdf), "Typestone\U0001F600");

    const QImage withSubset = render(subsetPdf, 150);
    const QImage withWhole = render(wholePdf, 150);
    ASSERT_FALSE(withSubset.isNull());
    EXPECT_GT(ts::support::inkShare(withSubset), 0.01);
    EXPECT_EQ(ts::support::differingShare(withSubset, withWhole, 0), 0.0);
}

TEST_F(PdfFontEmbeddingTest, Type3GlyphsFillTheirOutlines)
{
    // A square, and DejaVu's "O" in glyph space (1000 units, y up): a hole that the non-zero
    // rule leaves open because its contour turns the other way.
    QPainterPath square;
    square.addRect(100, 100, 800, 800);
    const QRawFont dejavu(QString::fromLatin1(kDejaVuSans), 1000, QFont::PreferNoHinting);
    ASSERT_TRUE(dejavu.isValid());
    const QPainterPath o =
        QTransform(1, 0, 0, -1, 0, 0)
            .map(dejavu.pathForGlyph(dejavu.glyphIndexesForString(QStringLiteral("O"))[0]));
    const std::vector<QPainterPath> outlines = {square, o};

    std::vector<std::string> procedures;
    for (const QPainterPath& p : outlines) {
        procedures.push_back(type3GlyphProcedure(p, 1000));
    }
    const QRawFont face(QString::fromLatin1(kLiberationSans), 24);
    const auto subset = subsetTrueType([&face](const char* tag) { return face.fontTable(tag); }, {});
    ASSERT_TRUE(subset);
    const int dpi = 144;
    const QImage page = render(save("type3", writePdf(*subset, {}, toUnicodeCMap({}), procedures)), dpi);
    ASSERT_FALSE(page.isNull());

    // Every pixel whose neighbourhood lies wholly inside an outline is dark, wholly outside light.
    const double px = 72.0 / dpi;
    int inside = 0, outside = 0, wrong = 0;
    for (size_t g = 0; g < outlines.size(); ++g) {
        const double originX = kType3X + kType3Size * static_cast<double>(g);
        const auto unitsAt = [&](double x, double y) {
            return QPointF((x - originX) / kType3Size * 1000, (y - kType3Y) / kType3Size * 1000);
        };
        for (int row = 0; row < page.height(); ++row) {
            for (int col = 0; col < page.width(); ++col) {
                const double x = (col + 0.5) * px, y = kPageHeight - (row + 0.5) * px;
                if (x < originX || x >= originX + kType3Size) {
                    continue;
                }
                int in = 0;
                for (const double dx : {-1.5, 0.0, 1.5}) {
                    for (const double dy : {-1.5, 0.0, 1.5}) {
                        in += outlines[g].contains(unitsAt(x + dx * px, y + dy * px)) ? 1 : 0;
                    }
                }
                const bool dark = qGray(page.pixel(col, row)) < 128;
                if (in == 9) {
                    ++inside;
                    wrong += dark ? 0 : 1;
                } else if (in == 0) {
                    ++outside;
                    wrong += dark ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(inside, 5000);
    EXPECT_GT(outside, 5000);
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(o.contains(o.boundingRect().center())) << "the O has its hole";
}

} // namespace
} // namespace platform::draw
