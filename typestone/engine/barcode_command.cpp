// The barcode command: the data encoded for the named barcode face and printed in it, at the
// current position, in the cell the block's size gives.

#include "typestone/engine/barcode_encoders.h"
#include "typestone/engine/barcode_face.h"
#include "typestone/engine/font_mapper.h"
#include "typestone/engine/font_text_params.h"
#include "typestone/engine/host_text.h"
#include "typestone/engine/image_commands.h"
#include "typestone/engine/mul_div.h"
#include "typestone/engine/win_prt.h"

#include "platform/text/sprintf.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

namespace typestone {

namespace {

constexpr const char* kDefaultBarcodeFace = "3 of 9 Barcode";

struct BarCodesParams
{
    SetFontSizeParams size;
    std::string face;
    std::string text;

    bool decode(const EscBlock& block)
    {
        auto r = block.reader();
        size.nWidth = r.i32();
        size.nHeight = r.i32();
        size.fontUnit = r.i32();
        face = r.text(32);
        text = r.textToEnd();
        return r.ok();
    }
};

struct Cell
{
    int width = 0; // 0: the face's natural width for the height
    int height = 0;
};

// The character cell the size block asks for, in pixels (the font commands' units: columns
// and rows of the page, 1/1200 inch per character and line, or a height in tenths of a
// point). A size of nothing at all keeps the cell of the current font: a symbol one point
// high is no use to anyone.
Cell cellOf(const SetFontSizeParams& s, const CFontMapper& fm, const platform::draw::DeviceCaps& caps)
{
    Cell c;
    int64_t w = std::abs(int64_t{s.nWidth});
    int64_t h = std::abs(int64_t{s.nHeight});
    if (s.fontUnit == SetFontSizeParams::kColRowFont) {
        c.width = w != 0 ? static_cast<int>(caps.width / w) : 0;
        c.height = h != 0 ? static_cast<int>(caps.height / h) : fm.CellHeight();
    } else {
        if (s.fontUnit == SetFontSizeParams::kCpiFont) {
            w = w != 0 ? 1200 / w : 0;
            h = h != 0 ? 1200 / h : 0;
        }
        if (w != 0 && h != 0) {
            c.width = static_cast<int>(std::min<int64_t>(w * caps.dpiX / 1200, caps.width));
            c.height = static_cast<int>(std::min<int64_t>(h * caps.dpiY / 1200, caps.height));
        } else if (w != 0 || h != 0) {
            const int64_t points10 = std::max<int64_t>(h != 0 ? h : w, 10);
            c.height = static_cast<int>(std::min<int64_t>(points10 * caps.dpiY / 720, caps.height));
        } else {
            c.height = fm.CellHeight();
        }
    }
    c.width = std::clamp(c.width, 0, caps.width);
    c.height = std::clamp(c.height, 1, std::max(1, caps.height));
    return c;
}

// Prints in a face of ours: the bars at the current position, which then moves past them.
bool drawInFace(CWinPrt& prt, const BarcodeFace& face, const Cell& cell, const std::string& bytes)
{
    CFontMapper& fm = *prt.FontMapper();
    platform::draw::Dc* dc = prt.Dc();
    if (dc == nullptr)
        return false;
    const int cellWidth = cell.width != 0 ? cell.width : face.naturalWidth(cell.height);
    TextLayout* layout = fm.ActiveLayout();
    if (layout != nullptr) {
        // In a print area: the formatter's position is the top of the line there.
        const auto area = layout->CurrentArea();
        const auto pos = layout->Pos();
        const int drawn = face.draw(*dc, area.left + pos.x, area.top + pos.y + cell.height, cellWidth,
                                    cell.height, bytes, fm.FontEngine());
        layout->SetPos(dc, -1, pos.x + drawn, pos.y);
    } else {
        // The mapper's position is the bottom of the line.
        const auto pos = fm.Position();
        const int drawn = face.draw(*dc, pos.x, pos.y, cellWidth, cell.height, bytes, fm.FontEngine());
        fm.SetPixelCoordinates(AdvancePosition(pos.x, drawn, 1), pos.y);
    }
    prt.SetXY(AdvancePosition(prt.X(), static_cast<int64_t>(bytes.size()), 1), prt.Y());
    return true;
}

// Prints in an installed font of that name, unmapped and unconverted, and selects the font
// of before again.
bool printInFont(CWinPrt& prt, const std::string& face, bool symbol, const Cell& cell,
                 const std::string& bytes)
{
    CFontMapper& fm = *prt.FontMapper();
    const platform::draw::LogFont saved = fm.CurrLogFont();
    platform::draw::LogFont lf = saved;
    lf.setFaceName(face);
    lf.outPrecision = platform::draw::kOutTtPrecision;
    lf.quality = 0;
    if (symbol)
        lf.charSet = platform::draw::kSymbolCharset;
    lf.height = -cell.height;
    lf.width = cell.width;
    if (!fm.SelFont(lf, 0)) {
        prt.Trace(kTrzJobs, "\nCWinPrt::BarCodes() - no font '%s'", face);
        return false;
    }
    fm.SetNotNeedMap(true);
    fm.SetNotNeedConversion(true);
    const bool printed = prt.PrintData(bytes.data(), bytes.size(), false);
    fm.SetNotNeedMap(false);
    fm.SelFont(saved, 0);
    return printed;
}

} // namespace

std::string DescribeBarCodes(const EscBlock& block)
{
    BarCodesParams p;
    p.decode(block);
    return platform::text::sprintf("font='%s', nWidth=%d, nHeight=%d, Font_Unit=%d, text='%s'%s", p.face,
                                   p.size.nWidth, p.size.nHeight, p.size.fontUnit, p.text.substr(0, 64),
                                   p.text.size() > 64 ? "..." : "");
}

bool BarCodesCommand(CWinPrt& prt, const EscBlock& block)
{
    BarCodesParams p;
    if (prt.FontMapper() == nullptr || !p.decode(block))
        return false;
    if (p.text.empty())
        return false;
    // The encoder goes by the name as given: without one, the text is printed as it is, in
    // the default face.
    std::string name = p.face;
    const bool encoded = !name.empty() && name[0] == '#';
    if (encoded)
        name.erase(0, 1);
    const std::string face = p.face.empty() ? std::string(kDefaultBarcodeFace) : name;

    // The host's text becomes the engine's before it is encoded: the encoded bytes are the
    // face's own and must not be converted again.
    const std::string text = HostStrToAnsi(p.text, 0, kHostTextOem);
    std::string bytes = text;
    bool ean = false;
    if (!encoded) {
        std::array<char, kBarcodeOutSize> out{};
        const int result = Typst_Encode(name.c_str(), text.c_str(), out.data(), &ean);
        if (result == kBarcodeNotEncoded) {
            prt.Trace(kTrzJobs,
                      "\nCWinPrt::BarCodes() - '%s' cannot be encoded for '%s' (%u bytes): nothing printed",
                      text.substr(0, 64), face, static_cast<unsigned>(text.size()));
            return false;
        }
        if (result == kBarcodeEncoded)
            bytes = out.data();
    }
    if (bytes.empty())
        return false;
    if (!prt.IsPageStarted() && !prt.StartPage())
        return false;
    const platform::draw::Dc* dc = prt.Dc();
    if (dc == nullptr)
        return false;
    const Cell cell = cellOf(p.size, *prt.FontMapper(), dc->caps());
    if (const auto ours = BarcodeFace::forName(face))
        return drawInFace(prt, *ours, cell, bytes);
    prt.Trace(kTrzJobs, "\nCWinPrt::BarCodes() - '%s' is none of the barcode faces: printed in that font",
              face);
    return printInFont(prt, face, ean, cell, bytes);
}

} // namespace typestone
