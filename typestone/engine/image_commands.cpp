// The image, barcode and QR-code commands: pictures from host files, local files or memory,
// placed through the image window.

#include "typestone/engine/image_commands.h"
#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/drive_map.h"
#include "typestone/engine/font_mapper.h"
#include "typestone/engine/image_params.h"
#include "typestone/engine/img_wnd.h"
#include "typestone/engine/win_prt.h"

#include "klv_inet/support/qr_code.h"
#include "platform/text/sprintf.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace typestone {

namespace {

// The picture options a QR symbol is printed with: its bytes are a BMP in memory.
constexpr uint32_t kQrPictureOptions = kBmpInline | 1;

HostFileFacts factsAfterName(const PRT_BMP_DATA& data)
{
    HostFileFacts facts{};
    const auto nul = std::find(data.tail.begin(), data.tail.end(), static_cast<unsigned char>(0));
    if (nul != data.tail.end()) {
        const auto rest = static_cast<size_t>(data.tail.end() - (nul + 1));
        std::copy_n(nul + 1, std::min(rest, facts.size()), facts.begin());
    }
    return facts;
}

} // namespace

platform::draw::Rect CurrentPrintArea(const CWinPrt& prt)
{
    const CFontMapper& fm = *prt.FontMapper();
    if (const TextLayout* layout = fm.ActiveLayout(); layout != nullptr)
        return layout->CurrentArea();
    // Without a formatter the current area is the drawing area, or the page when none is set.
    if (!fm.ClipRect().isEmpty())
        return fm.ClipRect();
    const platform::draw::Dc* dc = prt.Dc();
    return dc != nullptr ? platform::draw::Rect{0, 0, dc->caps().width, dc->caps().height}
                         : platform::draw::Rect{};
}

int CurrentRotation(const CWinPrt& prt)
{
    const TextLayout* layout = prt.FontMapper()->ActiveLayout();
    return layout != nullptr ? layout->Rotation() : 0;
}

bool PrintBmpData(CWinPrt& prt, PRT_BMP_DATA data)
{
    if (prt.FontMapper() == nullptr || (!prt.IsPageStarted() && !prt.StartPage()))
        return false;
    CImgWnd wnd(true);
    wnd.setDriveMap(&prt.GetDriveMap());
    wnd.setTextLookup([&prt](unsigned id) {
        std::string text;
        prt.Host().StringText(id, &text);
        return text;
    });

    // The picture bytes the host put in the block: never more than the block carries.
    if ((data.dwOptions & kBmpInline) != 0 && data.dwLength > data.tail.size()) {
        prt.Trace(kTrzJobs, "\nCWinPrt::PrintBmpData() - %u picture bytes announced, %u in the block",
                  data.dwLength, static_cast<unsigned>(data.tail.size()));
        data.dwLength = static_cast<uint32_t>(data.tail.size());
    }

    std::string local;
    if ((data.dwOptions & kBmpInline) == 0) {
        const std::string name = data.fileName();
        if (name.empty() || name.size() > kMaxHostName) {
            prt.Trace(kTrzJobs, "\nCWinPrt::PrintBmpData() - no usable file name (%u bytes)",
                      static_cast<unsigned>(name.size()));
            return false;
        }
        if ((data.dwOptions & kBmpLocalFile) == 0) {
            HostFileLink* link = prt.Host().HostFiles();
            if (link == nullptr) {
                prt.Trace(kTrzJobs,
                          "\nCWinPrt::PrintBmpData() - the host file '%s' cannot be fetched: the job has no "
                          "host link",
                          name);
                return false;
            }
            if (!link->FetchHostFile(name, factsAfterName(data), &local) || local.empty()) {
                prt.Trace(kTrzJobs, "\nCWinPrt::PrintBmpData() - the host file '%s' could not be fetched",
                          name);
                return false;
            }
        } else if (!prt.GetDriveMap().map(name)) {
            prt.Trace(kTrzJobs, "\nCWinPrt::PrintBmpData() - the local file '%s' is in no mapped folder",
                      name);
            return false;
        }
    }

    int x = data.x, y = data.y, cx = data.width, cy = data.height;
    const int unit = static_cast<int>(data.units & 0x1F);
    if (!prt.FontMapper()->ConvertUnits(unit, &x, &y, &cx, &cy)) {
        prt.Trace(kTrzJobs, "\nCWinPrt::PrintBmpData() - the unit %d cannot be converted", unit);
        return false;
    }
    data.x = x;
    data.y = y;
    data.width = cx;
    data.height = cy;
    data.units = 1;
    return wnd.DrawImg(prt.Dc(), &data, local.empty() ? nullptr : local.c_str());
}

namespace {

std::string DescribePrintBitmap(const EscBlock& block)
{
    const PRT_BMP_DATA d = parsePrtBmpData(block.data, block.length);
    std::string text =
        platform::text::sprintf("options=0x%08x, units=%u, x=%d, y=%d, cx=%d, cy=%d, length=%u", d.dwOptions,
                                d.units, d.x, d.y, d.width, d.height, d.dwLength);
    if ((d.dwOptions & kBmpInline) == 0)
        text += ", file='" + d.fileName().substr(0, kMaxHostName) + "'";
    return text;
}

bool PrintBitmap(CWinPrt& prt, const EscBlock& block)
{
    if (prt.FontMapper() == nullptr || block.data == nullptr)
        return false;
    // Only the bytes the host sent: the padding is no picture.
    return PrintBmpData(prt, parsePrtBmpData(block.data, block.length));
}

bool PrtImage(CWinPrt& prt, const EscBlock& block)
{
    PrtImageParams p;
    if (prt.FontMapper() == nullptr || !p.decode(block))
        return false;
    std::vector<unsigned char> tail;
    try {
        tail.assign(p.name.begin(), p.name.end());
        tail.push_back(0);
        tail.insert(tail.end(), p.facts.begin(), p.facts.end());
    } catch (const std::bad_alloc&) {
        prt.Trace(kTrzJobs, "\nCWinPrt::PrtImage() - no memory for the picture record");
        return false;
    }
    if (!prt.IsPageStarted() && !prt.StartPage())
        return false;
    const platform::draw::Rect area = CurrentPrintArea(prt);
    PRT_BMP_DATA data;
    data.dwOptions = p.options;
    data.units = 1;
    data.x = area.left;
    data.y = area.top;
    data.width = area.width();
    data.height = area.height();
    data.rotation = static_cast<uint16_t>(CurrentRotation(prt));
    data.dwLength = static_cast<uint32_t>(tail.size());
    data.tail = tail;
    return PrintBmpData(prt, data);
}

bool QRCode(CWinPrt& prt, const EscBlock& block)
{
    QRCodeParams p;
    if (prt.FontMapper() == nullptr || !p.decode(block))
        return false;
    std::string file;
    if ((p.flags & QRCodeParams::kWriteFile) != 0 && !p.fileName.empty()) {
        file = prt.LocalOutputFile(p.fileName, "QRCode");
        if (file.empty())
            return false;
    }
    const bool print = (p.flags & QRCodeParams::kPrint) != 0;
    unsigned char* bitmap = nullptr;
    uint32_t size = 0;
    const uint16_t module = p.moduleSize != 0 ? p.moduleSize : 8;
    if (QRCode_KLV(p.text.c_str(), file.empty() ? nullptr : file.c_str(), print ? &bitmap : nullptr,
                   print ? &size : nullptr, p.colorRef(), module, 1, 2, 3, 0) == 0) {
        prt.Trace(kTrzJobs, "\nCWinPrt::QRCode() - no symbol for %u bytes of text at module size %u",
                  static_cast<unsigned>(p.text.size()), unsigned{module});
        return false;
    }
    if (!print)
        return true;
    const std::unique_ptr<unsigned char, decltype(&std::free)> owned(bitmap, &std::free);
    if (!prt.IsPageStarted() && !prt.StartPage())
        return false;
    // A picture in memory is stretched to its box: the symbol gets a square one, its own size
    // unless the options fit it to the area, at the area's corner or centred in it. Stretched
    // to the area's shape its modules would no longer be square.
    const platform::draw::Rect area = CurrentPrintArea(prt);
    int side = 0;
    if (size > 22) {
        const unsigned char* h = owned.get();
        side = static_cast<int>(h[18] | (h[19] << 8) | (h[20] << 16) | (uint32_t{h[21]} << 24));
    }
    if ((p.flags & kBmpFitWidth) != 0 && (p.flags & kBmpFitHeight) != 0)
        side = std::min(area.width(), area.height());
    else if ((p.flags & kBmpFitWidth) != 0)
        side = area.width();
    else if ((p.flags & kBmpFitHeight) != 0)
        side = area.height();
    PRT_BMP_DATA data;
    data.dwOptions = p.flags | kQrPictureOptions;
    data.units = 1;
    data.x = area.left + ((p.flags & kBmpCenterH) != 0 ? std::max(0, (area.width() - side) / 2) : 0);
    data.y = area.top + ((p.flags & kBmpCenterV) != 0 ? std::max(0, (area.height() - side) / 2) : 0);
    data.width = side;
    data.height = side;
    data.rotation = static_cast<uint16_t>(CurrentRotation(prt));
    data.dwLength = size;
    data.tail = std::span<const unsigned char>(owned.get(), size);
    return PrintBmpData(prt, data);
}

} // namespace

void AddImageCommands(CommandTable& t)
{
    t.set(kCmdPrintBitmap, "PrintBitmap", 34, 0x0003, &PrintBitmap, &DescribePrintBitmap);
    t.set(kCmdPrtImage, "PrtImage", PrtImageParams::kMinLen, 0x0003, &PrtImage,
          &DescribeParams<PrtImageParams>);
    t.set(kCmdBarCodes, "BarCodes", 48, 0x0003, &BarCodesCommand, &DescribeBarCodes);
    t.set(kCmdQRCode, "QRCode", QRCodeParams::kMinLen, 0x0003, &QRCode, &DescribeParams<QRCodeParams>);
}

} // namespace typestone
