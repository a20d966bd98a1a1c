#include "platform/draw/qt_font_engine.h"

#include "platform/draw/face_alias.h"
#include "platform/draw/face_tables.h"
#include "platform/draw/qt_font.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainterPath>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>

namespace platform::draw {

namespace {

struct LoadedFace
{
    QRawFont rawFont;
    FaceTables tables;
    // Whether a glyph has no outline, by glyph index, as far as asked (the same at every
    // size, and looking costs an outline).
    std::map<quint32, bool> inkless;
};

struct ChosenFace
{
    FaceAlias face;
    bool fellBack = false;
};

int roundToInt(double value)
{
    return static_cast<int>(std::lround(value));
}

std::uint8_t charsetOf(CodePage codePage)
{
    switch (codePage) {
    case CodePage::Oem:
        return kOemCharset;
    case CodePage::Symbol:
        return kSymbolCharset;
    case CodePage::Ansi:
        break;
    }
    return kAnsiCharset;
}

// Blanks whose glyph has no outline draw nothing: a glyph run can leave them out (a PDF then
// carries no glyph for them). Only space characters are looked at, each glyph once per face.
void markInkless(LoadedFace& face, const std::array<QChar, 256>& chars, QtFont::Glyphs* glyphs)
{
    for (int byte = 0; byte < 256; ++byte) {
        const quint32 index = glyphs->index[byte];
        if (glyphs->blank[byte] || index == 0 || !chars[byte].isSpace()) {
            continue;
        }
        auto it = face.inkless.find(index);
        if (it == face.inkless.end()) {
            it = face.inkless.emplace(index, face.rawFont.pathForGlyph(index).isEmpty()).first;
        }
        glyphs->inkless[byte] = it->second;
    }
}

} // namespace

struct QtFontEngine::Private
{
    std::mutex mutex;
    FallbackLogger logger;
    // By installed family, bold, italic.
    std::map<std::tuple<std::string, bool, bool>, LoadedFace> faces;

    ChosenFace choose(const LogFont& logFont);
    LoadedFace* load(const std::string& family, bool bold, bool italic, std::string* error);
};

ChosenFace QtFontEngine::Private::choose(const LogFont& logFont)
{
    const std::string_view name = logFont.faceNameView();
    if (auto alias = faceAlias(name)) {
        return ChosenFace{*alias, false};
    }
    if (!name.empty() &&
        QFontDatabase::hasFamily(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())))) {
        const bool fixed = (logFont.pitchAndFamily & 0x03) == kFixedPitch;
        return ChosenFace{FaceAlias{std::string(name), CodePage::Ansi, fixed,
                                    static_cast<std::uint8_t>(logFont.pitchAndFamily & 0xF0)},
                          false};
    }
    return ChosenFace{fallbackFace(logFont.pitchAndFamily), !name.empty()};
}

LoadedFace* QtFontEngine::Private::load(const std::string& family, bool bold, bool italic, std::string* error)
{
    const auto key = std::make_tuple(family, bold, italic);
    if (auto it = faces.find(key); it != faces.end()) {
        return &it->second;
    }
    QFont font(QString::fromStdString(family));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferOutline));
    font.setPixelSize(64);
    QRawFont rawFont = QRawFont::fromFont(font);
    if (!rawFont.isValid() ||
        rawFont.familyName().compare(QString::fromStdString(family), Qt::CaseInsensitive) != 0) {
        *error = "the face '" + family + "' is not installed";
        return nullptr;
    }
    std::string tableError;
    auto tables = FaceTables::read(rawFont, &tableError);
    if (!tables) {
        *error = "'" + family + "': " + tableError;
        return nullptr;
    }
    return &faces.emplace(key, LoadedFace{rawFont, std::move(*tables), {}}).first->second;
}

QtFontEngine::QtFontEngine() : d(std::make_unique<Private>()) {}

QtFontEngine::~QtFontEngine() = default;

void QtFontEngine::setFallbackLogger(FallbackLogger logger)
{
    std::lock_guard lock(d->mutex);
    d->logger = std::move(logger);
}

FontHandle QtFontEngine::createFont(const LogFont& logFont, std::string* error)
{
    std::string failure;
    const auto fail = [&]() -> FontHandle {
        if (error) {
            *error = failure;
        }
        return nullptr;
    };
    if (std::abs(static_cast<long long>(logFont.height)) > kMaxFontPixels ||
        std::abs(static_cast<long long>(logFont.width)) > kMaxFontPixels || logFont.weight < 0 ||
        logFont.weight > 1000) {
        failure = "font record out of range (height " + std::to_string(logFont.height) + ", width " +
                  std::to_string(logFont.width) + ", weight " + std::to_string(logFont.weight) + ")";
        return fail();
    }
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        failure = "fonts need a QGuiApplication";
        return fail();
    }

    std::unique_lock lock(d->mutex);
    const ChosenFace chosen = d->choose(logFont);
    const bool bold = logFont.weight >= 600;
    const bool italic = logFont.italic != 0;
    LoadedFace* loaded = d->load(chosen.face.family, bold, italic, &failure);
    if (!loaded) {
        return fail();
    }
    const FaceTables& t = loaded->tables;
    QRawFont rawFont = loaded->rawFont;
    const FallbackLogger logger = chosen.fellBack ? d->logger : FallbackLogger{};

    CodePage codePage = chosen.face.codePage;
    if (codePage == CodePage::Ansi && logFont.charSet == kOemCharset) {
        codePage = CodePage::Oem;
    }

    // Vertical scale: a negative height is the em, a positive one the Windows cell.
    const int cellUnits =
        t.winAscent + t.winDescent > 0 ? t.winAscent + t.winDescent : t.hheaAscender - t.hheaDescender;
    double scaleY = 0;
    if (logFont.height > 0) {
        scaleY = static_cast<double>(logFont.height) / std::max(1, cellUnits);
    } else {
        const int em = logFont.height < 0 ? -logFont.height : kDefaultEmPixels;
        scaleY = static_cast<double>(em) / t.unitsPerEm;
    }
    // Horizontal scale: exactly the requested average width.
    const int requestedWidth = std::abs(logFont.width);
    const double scaleX = requestedWidth != 0 && t.xAvgCharWidth > 0
                              ? static_cast<double>(requestedWidth) / t.xAvgCharWidth
                              : scaleY;

    TextMetrics m;
    m.ascent = roundToInt(t.winAscent * scaleY);
    m.descent = logFont.height > 0 ? logFont.height - m.ascent : roundToInt(t.winDescent * scaleY);
    m.height = m.ascent + m.descent;
    m.internalLeading = std::max(0, m.height - roundToInt(t.unitsPerEm * scaleY));
    const int extraGap = std::max(0, t.hheaLineGap - (cellUnits - (t.hheaAscender - t.hheaDescender)));
    m.externalLeading = roundToInt(extraGap * scaleY);
    m.aveCharWidth = requestedWidth != 0 ? requestedWidth : roundToInt(t.xAvgCharWidth * scaleX);
    m.maxCharWidth = roundToInt(t.advanceWidthMax * scaleX);
    m.weight = t.weightClass;
    m.italic = italic ? 1 : 0;
    m.underlined = logFont.underline ? 1 : 0;
    m.struckOut = logFont.strikeOut ? 1 : 0;
    m.firstChar = codePage == CodePage::Oem ? 0x00 : 0x20;
    m.lastChar = 0xFF;
    m.breakChar = 0x20;
    m.charSet = charsetOf(codePage);
    const bool fixed = chosen.face.fixedPitch || t.fixedPitch;
    m.pitchAndFamily = static_cast<std::uint8_t>(kTmpfVector | kTmpfTrueType |
                                                 (fixed ? 0 : kTmpfVariablePitch) | chosen.face.familyBits);

    // Glyph and advance of every byte.
    QtFont::Glyphs glyphs;
    std::array<QChar, 256> chars;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t code = toUnicode(codePage, static_cast<std::uint8_t>(byte));
        glyphs.blank[byte] = code == 0 || code > 0xFFFF;
        chars[byte] = glyphs.blank[byte] ? QChar(u' ') : QChar(static_cast<char16_t>(code));
    }
    int glyphCount = 256;
    rawFont.glyphIndexesForChars(chars.data(), 256, glyphs.index.data(), &glyphCount);
    std::array<int, 256> widths{};
    std::array<bool, 256> hasGlyph{};
    for (int byte = 0; byte < 256; ++byte) {
        widths[byte] = roundToInt(t.advance(glyphs.index[byte]) * scaleX);
        hasGlyph[byte] = !glyphs.blank[byte] && glyphs.index[byte] != 0;
        if (glyphs.blank[byte]) {
            glyphs.index[byte] = 0;
        }
    }
    markInkless(*loaded, chars, &glyphs);
    m.defaultChar = m.firstChar;
    for (int byte = m.firstChar; byte <= m.lastChar; ++byte) {
        if (!hasGlyph[byte]) {
            m.defaultChar = static_cast<std::uint8_t>(byte);
            break;
        }
    }

    rawFont.setPixelSize(t.unitsPerEm * scaleY);
    glyphs.rawFont = rawFont;
    glyphs.horizontalScale = scaleX / scaleY;
    glyphs.underlinePosition = -t.underlinePosition * scaleY;
    glyphs.underlineThickness = std::max(1.0, t.underlineThickness * scaleY);
    glyphs.strikeoutPosition = t.strikeoutPosition * scaleY;
    glyphs.strikeoutThickness = std::max(1.0, t.strikeoutSize * scaleY);
    lock.unlock();

    if (logger) {
        logger(std::string(logFont.faceNameView()), chosen.face.family);
    }
    return std::make_shared<QtFont>(logFont, m, chosen.face.family, codePage, widths, hasGlyph,
                                    std::move(glyphs));
}

} // namespace platform::draw
