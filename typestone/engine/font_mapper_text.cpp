// Routing text: plain runs go to the device in one call each, mapped bytes are printed with
// their group's face, box-drawing bytes are drawn.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/text_formatter.h"

#include "platform/charset/oem_ansi.h"

#include <algorithm>
#include <cctype>

namespace typestone {

using platform::draw::Point;

std::string CFontMapper::OemToAnsi(const uint8_t* bytes, size_t count)
{
    const auto& table = platform::charset::oemToAnsiTable();
    std::string out(count, ' ');
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        if (b == 0x9F)
            out[i] = static_cast<char>(0x80); // the euro sign stands at 0x9F in the hosts' OEM text
        else if (b == 0xB0 || b == 0xB1 || b == 0xB2 || b == 0xDB)
            out[i] = ' '; // shades have no ANSI look-alike worth printing
        else
            out[i] = static_cast<char>(table[b]);
    }
    return out;
}

void CFontMapper::TextOut(const uint8_t* bytes, size_t count)
{
    if (m_dc == nullptr || bytes == nullptr || count == 0)
        return;
    const int x = m_curr.x;
    const int y = m_curr.y;
    if (m_bNotNeedConversion)
        plainOut(x, y, bytes, count);
    else
        TextOut_Mapper(x, y, bytes, count);
    m_curr.x = AdvancePosition(x, static_cast<int64_t>(std::min<size_t>(count, 1u << 20)), m_cellW);
}

void CFontMapper::TextOutAt(int x, int y, const uint8_t* bytes, size_t count, bool pixels)
{
    if (pixels)
        SetPixelCoordinates(x, y);
    else
        SetCellPosition(x, y);
    TextOut(bytes, count);
}

void CFontMapper::TextOut_Mapper(int x, int y, const uint8_t* bytes, size_t count)
{
    if (m_dc == nullptr)
        return;
    size_t runStart = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t entry = m_classes[bytes[i]];
        if (!(entry & kClassActive) || m_bNotNeedMap) {
            flushRun();
            continue;
        }
        if (i > runStart)
            plainOut(AdvancePosition(x, static_cast<int64_t>(runStart), m_cellW), y, bytes + runStart,
                     i - runStart);
        runStart = i + 1;
        const int cellX = AdvancePosition(x, static_cast<int64_t>(i), m_cellW);
        if (m_nCount > 0 && entry == m_MappedCached) {
            ++m_nCount;
        } else {
            flushRun();
            m_MappedCached = entry;
            m_nCount = 1;
            m_runX = cellX;
            m_runY = y;
        }
        // Only horizontal lines are drawn a run at a time.
        if ((entry & kClassDrawn) && !(entry & kClassRun))
            flushRun();
    }
    flushRun();
    if (runStart < count)
        plainOut(AdvancePosition(x, static_cast<int64_t>(runStart), m_cellW), y, bytes + runStart,
                 count - runStart);
}

void CFontMapper::flushRun()
{
    if (m_nCount == 0)
        return;
    const uint32_t entry = m_MappedCached;
    const int count = m_nCount;
    m_nCount = 0;
    m_MappedCached = 0;
    if (entry & kClassMapped)
        mappedOut(m_runX, m_runY, entry, count);
    else if (entry & kClassDrawn)
        DrawSemigr(m_runX, m_runY, entry, count);
}

void CFontMapper::plainOut(int x, int y, const uint8_t* bytes, size_t count)
{
    std::string text(reinterpret_cast<const char*>(bytes), count);
    if ((m_nFontValue & 0x0A) == 0)
        std::replace_if(
            text.begin(), text.end(), [](char c) { return static_cast<uint8_t>(c) < 32; }, ' ');
    const bool convert = !(m_nFontValue & 0x04) && !m_bNotNeedConversion;
    m_bNotNeedConversion = false;
    if (convert)
        text = OemToAnsi(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    doTextOut(x, y, text);
}

void CFontMapper::formatterOut(const std::string& bytes)
{
    CTextFormatter& f = *m_pTxtFter;
    // A wrap earlier in the same text may have ended the page (FmtEndLine); what follows goes
    // on the next one, never between pages. Blanks the break takes open no page.
    if (!f.TakesAsBreak(bytes))
        startPageForText();
    f.SetFontRecord(m_currLogFont, true);
    std::string_view text(bytes);
    // The first text after a carriage return in a justified paragraph: its leading blanks
    // become the first line's margin, however many pieces they come in.
    if (m_bCRDone && (f.AlignWord() & 3) == kAlignJustified && !(f.AlignWord() & kAlignClip)) {
        m_bCRDone = false;
        if (!f.HasLine()) {
            const size_t blanks = std::min(text.find_first_not_of(' '), text.size());
            if (blanks > 0) {
                const auto font = m_font;
                const int width = font ? font->charWidth(' ') : m_dx;
                f.AddLeftMargin(static_cast<int>(std::min<size_t>(blanks, 1u << 16)) * width);
                text.remove_prefix(blanks);
            }
            // Only blanks so far: the next text's leading blanks still belong to the margin.
            m_bCRDone = text.empty();
        }
    }
    f.FormText2Line(m_dc, text);
}

void CFontMapper::doTextOut(int x, int y, const std::string& bytes)
{
    if (m_dc == nullptr || bytes.empty())
        return;
    if (Formatting()) {
        formatterOut(bytes);
        return;
    }
    std::optional<platform::draw::Rect> clip;
    if (m_deviceFlag && !m_clip.isEmpty())
        clip = m_clip;
    m_dc->textOut(Point{x, y}, bytes, clip);
}

namespace {

int strcasecmp(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        const int ca = std::tolower(static_cast<unsigned char>(*a));
        const int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}

} // namespace

platform::draw::FontHandle CFontMapper::groupFont(int group)
{
    if (group <= 0 || group > kFaceGroups || m_engine == nullptr)
        return nullptr;
    if (m_groupCellW != m_cellW || m_groupCellH != m_cellH) {
        m_groupFonts.fill(nullptr);
        m_groupCellW = m_cellW;
        m_groupCellH = m_cellH;
    }
    if (m_groupFonts[static_cast<size_t>(group)])
        return m_groupFonts[static_cast<size_t>(group)];
    const char* face = CharClasses::groupFace(group);
    for (int g = 1; g <= kFaceGroups; ++g) {
        if (g != group && m_groupFonts[static_cast<size_t>(g)] &&
            strcasecmp(CharClasses::groupFace(g), face) == 0) {
            m_groupFonts[static_cast<size_t>(group)] = m_groupFonts[static_cast<size_t>(g)];
            return m_groupFonts[static_cast<size_t>(group)];
        }
    }
    LogFont lf{};
    lf.weight = m_currLogFont.weight;
    lf.italic = m_currLogFont.italic;
    lf.underline = m_currLogFont.underline;
    lf.setFaceName(face);
    if (strcasecmp(face, "Terminal") == 0) {
        // The OEM face's strokes are thin beside a fitted printer face, so it is taken bold,
        // except beside a font of weight 700; a device that does not clip its cells takes it
        // at normal weight.
        lf.weight = !m_deviceFlag ? 400 : m_currLogFont.weight == 700 ? 400 : 700;
        lf.charSet = platform::draw::kOemCharset;
        lf.outPrecision = 1;
        lf.clipPrecision = 2;
        lf.quality = 1;
        lf.pitchAndFamily = 0x31;
    } else if (strcasecmp(face, "Symbol") == 0) {
        lf.charSet = platform::draw::kSymbolCharset;
        lf.outPrecision = 4;
    }
    FitFont(lf, m_cellW, m_cellH, CharClasses::groupValue(group), false);
    auto font = m_engine->createFont(lf);
    m_groupFonts[static_cast<size_t>(group)] = font;
    return font;
}

void CFontMapper::mappedOut(int x, int y, uint32_t entry, int count)
{
    if (m_dc == nullptr || count <= 0)
        return;
    // A device that does not clip its own cells gets them blanked with the current font first.
    if (!m_deviceFlag)
        for (int done = 0; done < count; done += 80)
            doTextOut(AdvancePosition(x, done, m_cellW), y,
                      std::string(static_cast<size_t>(std::min(80, count - done)), ' '));
    const auto font = groupFont(CharClasses::group(entry));
    platform::draw::FontHandle previous;
    if (font)
        previous = m_dc->selectFont(font);
    const char byte = static_cast<char>(CharClasses::lowByte(entry));
    for (int done = 0; done < count; done += 80) {
        const int piece = std::min(80, count - done);
        doTextOut(AdvancePosition(x, done, m_cellW), y, std::string(static_cast<size_t>(piece), byte));
    }
    if (font)
        m_dc->selectFont(previous);
}

} // namespace typestone
