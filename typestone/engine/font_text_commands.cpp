// The font and text commands: face, size, style, colours, alignment and effects of the text
// that follows. Each handler reads its block with its parameter struct and works on the font
// mapper; what concerns the text formatter goes to it when the mapper has one.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/font_mapper.h"
#include "typestone/engine/font_text_params.h"
#include "typestone/engine/mul_div.h"
#include "typestone/engine/win_prt.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace typestone {

namespace {

using platform::draw::LogFont;

constexpr int kBkTransparent = 1;
constexpr int kBkOpaque = 2;
constexpr uint16_t kSizeAttrs = kAttrCompressed | kAttrDoubleWidth | kAttrDoubleHeight;

// The mapper's current LOGFONT; when it has none yet, the job's grid font is applied first.
bool currentLogFont(CWinPrt& prt, LogFont* out)
{
    CFontMapper* fm = prt.FontMapper();
    if (fm->CurrLogFont().faceNameView().empty())
        fm->SetGridFont(fm->AttrWord(), prt.InitData().cols, prt.InitData().rows);
    if (fm->CurrLogFont().faceNameView().empty())
        return false;
    *out = fm->CurrLogFont();
    return true;
}

// A face the host names: at most 31 characters (the LOGFONT keeps its terminator), a
// TrueType face in default quality.
void takeFace(LogFont* lf, const std::string& face)
{
    lf->setFaceName(face);
    lf->outPrecision = platform::draw::kOutTtPrecision;
    lf->quality = 0;
}

bool changeFont(CWinPrt& prt, const EscBlock& block)
{
    CFontMapper* fm = prt.FontMapper();
    ChangeFontParams p;
    if (fm == nullptr || !p.decode(block))
        return false;
    LogFont lf;
    if (!currentLogFont(prt, &lf))
        return false;
    if (p.options & ChangeFontParams::kSetFace)
        takeFace(&lf, p.face);
    bool ok;
    if (p.options & ChangeFontParams::kSetSize) {
        CFontMapper::FontSize size;
        size.unit = p.unit;
        size.height = p.height;
        size.width = p.width;
        size.areaUnit = p.areaUnit;
        size.areaWidth = p.areaWidth;
        size.areaHeight = p.areaHeight;
        ok = fm->SelFont(lf, size);
    } else {
        ok = fm->SelFont(lf, 0);
    }
    if (p.options & ChangeFontParams::kSetAttr)
        prt.ChangeAttr(static_cast<uint16_t>(p.options & 0xFF));
    if (p.options & ChangeFontParams::kSetForeground)
        fm->SetTextColor(p.foreground);
    if (p.options & ChangeFontParams::kSetBackground)
        fm->SetBkColor(p.background);
    fm->SetBkMode((p.options & ChangeFontParams::kTransparent) ? kBkTransparent : kBkOpaque);
    return ok;
}

bool setFontName(CWinPrt& prt, const EscBlock& block)
{
    CFontMapper* fm = prt.FontMapper();
    SetFontNameParams p;
    if (fm == nullptr || !p.decode(block))
        return false;
    LogFont lf;
    if (!currentLogFont(prt, &lf))
        return false;
    takeFace(&lf, p.face);
    return fm->SelFont(lf, 0);
}

// The printable size in millimetres (HORZSIZE, VERTSIZE); from the pixels where the device
// does not tell.
void printableMm(const platform::draw::DeviceCaps& caps, int* width, int* height)
{
    *width = caps.widthMm > 0 ? caps.widthMm : MulDiv(caps.width, 254, std::max(1, caps.dpiX) * 10);
    *height = caps.heightMm > 0 ? caps.heightMm : MulDiv(caps.height, 254, std::max(1, caps.dpiY) * 10);
}

// |v| of any int, bounded far beyond any size a page can use.
int magnitude(int32_t v)
{
    return static_cast<int>(std::min<int64_t>(std::llabs(static_cast<int64_t>(v)), 1 << 20));
}

// Fits the font to a grid of `columns` x `rows` (compressed and double size dropped), each
// count at least `least` (0 takes the page's proportions) and at most one cell per pixel.
bool fitGrid(CWinPrt& prt, int columns, int rows, int least)
{
    CFontMapper* fm = prt.FontMapper();
    const auto caps = fm->Dc()->caps();
    columns = std::clamp(columns, least, std::max(1, caps.width));
    rows = std::clamp(rows, least, std::max(1, caps.height));
    return fm->SetGridFont(static_cast<uint16_t>(fm->AttrWord() & ~kSizeAttrs), columns, rows);
}

// Cells of characters `num` / `den` per inch across `mm` millimetres, rounded once.
int cellsAcross(int mm, int64_t num, int64_t den)
{
    const int64_t p = int64_t{mm} * 10 * num;
    const int64_t q = int64_t{254} * den;
    return static_cast<int>(std::min<int64_t>((p + q / 2) / q, 1 << 20));
}

bool setFontSize(CWinPrt& prt, const EscBlock& block)
{
    CFontMapper* fm = prt.FontMapper();
    SetFontSizeParams p;
    if (fm == nullptr || !p.decode(block) || fm->Dc() == nullptr)
        return false;
    if (p.fontUnit == SetFontSizeParams::kColRowFont)
        return fitGrid(prt, magnitude(p.nWidth), magnitude(p.nHeight), 0);
    // Characters (lines) per inch stand for the size in tenths of a point of a face whose
    // advance is 0.6 of its size (10 per inch: 12 points): 1200 / v. The grid takes them as
    // they are, so that no rounding of that quotient moves a column.
    const bool perInch = p.fontUnit == SetFontSizeParams::kCpiFont;
    if (p.nWidth != 0 && p.nHeight != 0) {
        int widthMm = 0;
        int heightMm = 0;
        printableMm(fm->Dc()->caps(), &widthMm, &heightMm);
        const int w = magnitude(p.nWidth);
        const int h = magnitude(p.nHeight);
        const int columns = perInch ? cellsAcross(widthMm, w, 1) : cellsAcross(widthMm, 1200, w);
        const int rows = perInch ? cellsAcross(heightMm, h, 1) : cellsAcross(heightMm, 1200, h);
        // A character wider (taller) than the page still gets its one cell.
        return fitGrid(prt, columns, rows, 1);
    }
    LogFont lf;
    if (!currentLogFont(prt, &lf))
        return false;
    int tenths = magnitude(p.nHeight != 0 ? p.nHeight : p.nWidth);
    if (perInch && tenths != 0)
        tenths = MulDiv(1200, 1, tenths);
    lf.height = -std::max(tenths, 10);
    lf.width = 0;
    return fm->SelFont(lf, true, kUnitPoint10, 0, 1);
}

bool setFontStyle(CWinPrt& prt, const EscBlock& block)
{
    CFontMapper* fm = prt.FontMapper();
    SetFontStyleParams p;
    if (fm == nullptr || !p.decode(block))
        return false;
    prt.ChangeAttr(p.style);
    fm->SetAttrWord(p.style);
    fm->SetBkMode((p.style & 0x100) ? kBkTransparent : kBkOpaque);
    return true;
}

// 0x00RRGGBB to a COLORREF (0x00BBGGRR).
uint32_t colorRefOfRgb(int32_t rgb)
{
    const auto v = static_cast<uint32_t>(rgb);
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

bool setFontColor(CWinPrt& prt, const EscBlock& block)
{
    CFontMapper* fm = prt.FontMapper();
    SetFontColorParams p;
    if (fm == nullptr || !p.decode(block))
        return false;
    fm->SetTextColor(colorRefOfRgb(p.foreground));
    fm->SetBkColor(colorRefOfRgb(p.background));
    return true;
}

bool setFontAlign(CWinPrt& prt, const EscBlock& block)
{
    CFontMapper* fm = prt.FontMapper();
    SetFontAlignParams p;
    if (fm == nullptr || !p.decode(block))
        return false;
    TextLayout* layout = fm->Layout();
    if (layout != nullptr)
        layout->SetAlignWord(p.align);
    const bool frame = (p.align & kAlignFrame) != 0;
    const bool fill = (p.align & 0xFF) > 63;
    if ((frame || fill) && !prt.IsPageStarted() && !prt.StartPage())
        return false;
    if (frame && layout != nullptr)
        layout->DrawFrame(prt.Dc());
    if (fill && layout != nullptr)
        layout->FillArea(prt.Dc(), static_cast<uint16_t>(p.align & kFillMask));
    if (layout != nullptr)
        layout->SetAlign(p.align, prt.Dc());
    return true;
}

bool setFontEffect(CWinPrt& prt, const EscBlock& block)
{
    CFontMapper* fm = prt.FontMapper();
    SetFontEffectParams p;
    if (fm == nullptr || !p.decode(block))
        return false;
    if (TextLayout* layout = fm->Layout())
        layout->SetEffect(p.effect, prt.Dc());
    return true;
}

} // namespace

void AddFontTextCommands(CommandTable& t)
{
    t.set(kCmdChangeFont, "ChangeFont", ChangeFontParams::kMinLen, 0x0003, changeFont,
          &DescribeParams<ChangeFontParams>);
    t.set(kCmdSetFontName, "SetFontName", SetFontNameParams::kMinLen, 0x0003, setFontName,
          &DescribeParams<SetFontNameParams>);
    t.set(kCmdSetFontSize, "SetFontSize", SetFontSizeParams::kMinLen, 0x0003, setFontSize,
          &DescribeParams<SetFontSizeParams>);
    t.set(kCmdSetFontStyle, "SetFontStyle", SetFontStyleParams::kMinLen, 0x0003, setFontStyle,
          &DescribeParams<SetFontStyleParams>);
    t.set(kCmdSetFontColor, "SetFontColor", SetFontColorParams::kMinLen, 0x0003, setFontColor,
          &DescribeParams<SetFontColorParams>);
    t.set(kCmdSetFontAlign, "SetFontAlign", SetFontAlignParams::kMinLen, 0x0003, setFontAlign,
          &DescribeParams<SetFontAlignParams>);
    t.set(kCmdSetFontEffect, "SetFontEffect", SetFontEffectParams::kMinLen, 0x0003, setFontEffect,
          &DescribeParams<SetFontEffectParams>);
}

} // namespace typestone
