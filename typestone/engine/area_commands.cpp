// The area and position commands: units, the drawing area, the text formatter's print areas,
// the output position, the rotation and the page orientation.

#include "typestone/engine/area_params.h"
#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/font_mapper.h"
#include "typestone/engine/win_prt.h"

namespace typestone {

namespace {

using platform::draw::Rect;

// The length unit of a units word; 0 stands for the mapper's default unit.
int lengthUnit(uint32_t units, const CFontMapper& fm)
{
    const uint32_t unit = units & kLengthUnitMask;
    return static_cast<int>(unit != 0 ? unit : (fm.UnitFlags() & kLengthUnitMask));
}

// The formatter the command needs; null, traced, when the job has none.
TextLayout* needLayout(CWinPrt& prt, const char* command)
{
    TextLayout* layout = prt.FontMapper()->Layout();
    if (layout == nullptr)
        prt.Trace(kTrzJobs, "\nCWinPrt::%s() - no text formatter", command);
    return layout;
}

bool ensurePage(CWinPrt& prt)
{
    return prt.IsPageStarted() || prt.StartPage();
}

// Converts to device pixels; traced and false for a unit that has no conversion (an unknown
// one, or the area grid before it has columns and rows).
bool convert(CWinPrt& prt, const char* command, int unit, int* x, int* y, int* cx, int* cy)
{
    if (prt.FontMapper()->ConvertUnits(unit, x, y, cx, cy))
        return true;
    prt.Trace(kTrzJobs, "\nCWinPrt::%s() - the unit %d cannot be converted", command, unit);
    return false;
}

template <typename P> bool decoded(CWinPrt& prt, const EscBlock& block, P& params)
{
    return prt.FontMapper() != nullptr && params.decode(block);
}

bool SetDfltUnits(CWinPrt& prt, const EscBlock& block)
{
    SetDfltUnitsParams p;
    if (!decoded(prt, block, p))
        return false;
    prt.FontMapper()->DefaultUnits(p.units, p.columns, p.rows);
    return true;
}

bool SetDCA(CWinPrt& prt, const EscBlock& block)
{
    SetDCAParams p;
    if (!decoded(prt, block, p))
        return false;
    CFontMapper& fm = *prt.FontMapper();
    bool turned = true;
    if ((p.flags & SetDCAParams::kChangeOrientation) != 0)
        turned = prt.ChangeOrientation((p.flags & SetDCAParams::kLandscape) != 0);
    if (turned && (p.flags & SetDCAParams::kNewPage) != 0 && !prt.NewPage(false))
        return false;
    const int unit = lengthUnit(p.units, fm);
    if (unit == kUnitArea)
        fm.SetAreaGrid(p.columns, p.rows);
    int x = p.x, y = p.y, cx = p.cx, cy = p.cy;
    if (!convert(prt, "SetDCA", unit, &x, &y, &cx, &cy))
        return false;
    fm.SetClipRect(x, y, cx, cy);
    TextLayout* layout = fm.Layout();
    if ((p.flags & SetDCAParams::kFrame) != 0) {
        if (!ensurePage(prt))
            return false;
        if (layout != nullptr) {
            layout->DrawFrame(prt.Dc());
        } else if (platform::draw::Dc* dc = prt.Dc(); dc != nullptr && !fm.ClipRect().isEmpty()) {
            // Without a formatter the area's frame is drawn here, in the text colour.
            dc->save();
            dc->selectBrush(platform::draw::Brush::null());
            dc->selectPen(platform::draw::Pen{platform::draw::PenStyle::Solid, 1, dc->textColor()});
            dc->rectangle(fm.ClipRect());
            dc->restore();
        }
    }
    if (layout != nullptr)
        layout->SetAlign(static_cast<uint16_t>(p.flags & 3), prt.Dc());
    prt.SetXY(0, 0);
    return true;
}

bool PrtWindow(CWinPrt& prt, const EscBlock& block)
{
    PrtWindowParams p;
    if (!decoded(prt, block, p))
        return false;
    TextLayout* layout = needLayout(prt, "PrtWindow");
    if (layout == nullptr)
        return false;
    int x = p.x, y = p.y, cx = p.cx, cy = p.cy;
    if (!convert(prt, "PrtWindow", lengthUnit(p.flags, *prt.FontMapper()), &x, &y, &cx, &cy))
        return false;
    const Rect rect{x, y, x + cx, y + cy};
    const int firstPage = p.page != 0 ? p.page : 1;
    return layout->DefineRect(prt.Dc(), rect, p.window, firstPage, 0, p.flags & kRectOptionMask) != 0;
}

bool PrtSelectArea(CWinPrt& prt, const EscBlock& block)
{
    PrtSelectAreaParams p;
    if (!decoded(prt, block, p))
        return false;
    TextLayout* layout = needLayout(prt, "PrtSelectArea");
    if (layout == nullptr || !ensurePage(prt))
        return false;
    if (layout->SelectRect(p.window, prt.Dc(), true) == 0)
        return false;
    const auto pos = layout->Pos();
    prt.SetXY(pos.x, pos.y);
    return true;
}

bool PrtChangeArea(CWinPrt& prt, const EscBlock& block)
{
    PrtChangeAreaParams p;
    if (!decoded(prt, block, p))
        return false;
    TextLayout* layout = needLayout(prt, "PrtChangeArea");
    return layout != nullptr && layout->SetRectPages(p.window, p.lastPage, p.flags & kRectOptionMask) != 0;
}

bool SetPos(CWinPrt& prt, const EscBlock& block)
{
    SetPosParams p;
    if (!decoded(prt, block, p))
        return false;
    TextLayout* layout = needLayout(prt, "SetPos");
    if (layout == nullptr || !ensurePage(prt))
        return false;
    int x = p.x, y = p.y;
    if (!convert(prt, "SetPos", lengthUnit(p.units, *prt.FontMapper()), &x, &y, nullptr, nullptr))
        return false;
    layout->SetPos(prt.Dc(), p.rect == SetPosParams::kCurrentRect ? -1 : p.rect, x, y);
    return true;
}

bool SetRotation(CWinPrt& prt, const EscBlock& block)
{
    SetRotationParams p;
    if (!decoded(prt, block, p))
        return false;
    TextLayout* layout = needLayout(prt, "SetRotation");
    if (layout == nullptr || !ensurePage(prt))
        return false;
    layout->SetRotation(AngleInDegrees(p.angle, p.units, prt.FontMapper()->UnitFlags()));
    return true;
}

bool SetPrtMode(CWinPrt& prt, const EscBlock& block)
{
    SetPrtModeParams p;
    if (!decoded(prt, block, p))
        return false;
    const bool turned = prt.ChangeOrientation((p.mode & SetPrtModeParams::kLandscape) != 0);
    if (TextLayout* layout = prt.FontMapper()->Layout(); layout != nullptr)
        layout->SetRectStyle((p.mode & SetPrtModeParams::kRectStyle) != 0);
    return turned;
}

} // namespace

void AddAreaCommands(CommandTable& t)
{
    t.set(kCmdSetDCA, "SetDCA", SetDCAParams::kMinLen, 0x0003, &SetDCA, &DescribeParams<SetDCAParams>);
    t.set(kCmdPrtWindow, "PrtWindow", PrtWindowParams::kMinLen, 0x0002, &PrtWindow,
          &DescribeParams<PrtWindowParams>);
    t.set(kCmdSetPrtMode, "SetPrtMode", SetPrtModeParams::kMinLen, 0x0003, &SetPrtMode,
          &DescribeParams<SetPrtModeParams>);
    t.set(kCmdPrtSelectArea, "PrtSelectArea", PrtSelectAreaParams::kMinLen, 0x0003, &PrtSelectArea,
          &DescribeParams<PrtSelectAreaParams>);
    t.set(kCmdPrtChangeArea, "PrtChangeArea", PrtChangeAreaParams::kMinLen, 0x0002, &PrtChangeArea,
          &DescribeParams<PrtChangeAreaParams>);
    t.set(kCmdSetRotation, "SetRotation", SetRotationParams::kMinLen, 0x0003, &SetRotation,
          &DescribeParams<SetRotationParams>);
    t.set(kCmdSetDfltUnits, "SetDfltUnits", SetDfltUnitsParams::kMinLen, 0x0003, &SetDfltUnits,
          &DescribeParams<SetDfltUnitsParams>);
    t.set(kCmdSetPos, "SetPos", SetPosParams::kMinLen, 0x0003, &SetPos, &DescribeParams<SetPosParams>);
}

} // namespace typestone
