#include "typestone/engine/img_wnd.h"

#include "typestone/engine/drive_map.h"
#include "typestone/engine/picture_files.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace typestone {

namespace {

std::string lowerExtension(const std::string& file)
{
    const auto dot = file.rfind('.');
    if (dot == std::string::npos)
        return std::string();
    std::string ext = file.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

const char* builtInText(unsigned id)
{
    switch (id) {
    case CImgWnd::kTextNoFile:
        return "Error trying to display image: file '%s' does not exist.";
    case CImgWnd::kTextUnsupported:
        return "The graphic format of the file '%s' is not supported";
    case CImgWnd::kTextLoadFailed:
        return "An error happened trying to display the image '%s'.";
    default:
        return "%s";
    }
}

} // namespace

CImgWnd::CImgWnd(bool bOldSaveAsBmp) : m_bOldSaveAsBmp(bOldSaveAsBmp) {}

CImgWnd::~CImgWnd() = default;

CDib& CImgWnd::dib()
{
    if (!m_dib)
        m_dib = std::make_unique<CDib>();
    return *m_dib;
}

bool CImgWnd::IsBmp(const std::string& file) const
{
    return m_type == 1 || lowerExtension(file) == ".bmp";
}

bool CImgWnd::IsJpeg(const std::string& file) const
{
    return m_type == 2 || lowerExtension(file) == ".jpg";
}

std::string CImgWnd::text(unsigned id, const std::string& file) const
{
    std::string pattern = m_texts ? m_texts(id) : std::string();
    if (pattern.empty())
        pattern = builtInText(id);
    const auto at = pattern.find("%s");
    if (at != std::string::npos)
        pattern.replace(at, 2, file);
    return pattern;
}

void CImgWnd::showBox(unsigned id, const std::string& file, std::uint32_t icon) const
{
    platform::ui::MessageBoxRequest box;
    box.text = text(id, file);
    box.caption = "Typestone";
    box.style = platform::ui::kMbOk | icon;
    // A job never waits on a person for long.
    box.timeoutMs = 30000;
    platform::ui::bridge().messageBox(box);
}

void CImgWnd::decodeOptions(std::uint32_t options)
{
    m_bFitWidth = (options & kBmpFitWidth) != 0;
    m_bHCentered = (options & kBmpCenterH) != 0 && !m_bFitWidth;
    m_bFitHeight = (options & kBmpFitHeight) != 0;
    m_bVCentered = (options & kBmpCenterV) != 0 && !m_bFitHeight;
    m_bOwnSize = (options & kBmpOwnSize) != 0;
}

bool CImgWnd::loadInline(const PRT_BMP_DATA& data)
{
    // The length comes from the host: it may not reach past the block.
    const auto bytes = data.inlineBytes();
    if (!bytes || bytes->empty())
        return false;
    if ((data.dwOptions & kBmpTypeMask) == kBmpTypeJpeg) {
        const auto bmp = jpegToBmpImage(*bytes);
        return bmp && dib().loadMemory(bmp->data(), bmp->size());
    }
    return dib().loadMemory(bytes->data(), bytes->size());
}

bool CImgWnd::loadJpegFile(const std::string& file)
{
    const auto jpeg = readFileBytes(file, CDib::kMaxBytes);
    if (!jpeg)
        return false;
    const auto bmp = jpegToBmpImage(*jpeg);
    return bmp && dib().loadMemory(bmp->data(), bmp->size());
}

bool CImgWnd::DrawImg(platform::draw::Dc* pDC, const PRT_BMP_DATA* pBmpData, const char* szFname)
{
    if (pDC == nullptr || pBmpData == nullptr)
        return false;
    const PRT_BMP_DATA& data = *pBmpData;
    decodeOptions(data.dwOptions);

    if ((data.dwOptions & kBmpInline) != 0) {
        if (!loadInline(data))
            return false;
        place(data.x, data.y, data.width, data.height, data.rotation);
        return drawPicture(*pDC);
    }

    std::string file = szFname != nullptr ? std::string(szFname) : std::string();
    if (file.empty()) {
        // A name from the host is read on this machine only inside the mapped folders.
        if ((data.dwOptions & kBmpLocalFile) == 0 || m_driveMap == nullptr)
            return false;
        const auto mapped = m_driveMap->map(data.fileName());
        if (!mapped)
            return false;
        file = *mapped;
    }

    if ((data.dwOptions & kBmpTypeMask) == kBmpTypeJpeg) {
        if (!loadJpegFile(file))
            return false;
        place(data.x, data.y, data.width, data.height, data.rotation);
        return drawPicture(*pDC);
    }
    if (SetImage(file, data.x, data.y, data.width, data.height, pDC, true, data.rotation) == nullptr)
        return false;
    return drawPicture(*pDC);
}

CDib* CImgWnd::SetImage(const std::string& file, int x, int y, int width, int height, platform::draw::Dc* dc,
                        bool fitNow, int rotation)
{
    std::error_code ec;
    const auto fileSize = std::filesystem::file_size(file, ec);
    if (ec || fileSize == 0 || !std::filesystem::is_regular_file(file, ec)) {
        showBox(kTextNoFile, file, platform::ui::kMbIconError);
        return nullptr;
    }
    bool loaded = false;
    if (IsBmp(file)) {
        loaded = dib().loadFile(file);
    } else if (IsJpeg(file)) {
        loaded = loadJpegFile(file);
    } else {
        // Other formats become a BMP image in memory; no temporary file is left anywhere.
        const auto bmp = pictureFileToBmpImage(file);
        if (!bmp) {
            showBox(kTextUnsupported, file, platform::ui::kMbIconError);
            return nullptr;
        }
        loaded = dib().loadMemory(bmp->data(), bmp->size());
    }
    if (!loaded) {
        showBox(kTextLoadFailed, file, platform::ui::kMbIconError);
        return nullptr;
    }
    place(x, y, width, height, rotation);
    m_fileName = file;
    AdjustImage(fitNow, dc != nullptr);
    return m_dib.get();
}

bool CImgWnd::drawPicture(platform::draw::Dc& dc)
{
    if (!m_dib || m_dib->isEmpty())
        return false;
    int ownWidth = 0, ownHeight = 0;
    m_dib->width(ownWidth);
    m_dib->height(ownHeight);
    const int w = m_rect.width() != 0 ? m_rect.width() : ownWidth;
    const int h = m_rect.height() != 0 ? m_rect.height() : ownHeight;
    const bool drawn = m_dib->stretch(dc, m_rect.left, m_rect.top, w, h);
    if (m_secondDc != nullptr)
        m_dib->stretch(*m_secondDc, m_rect.left, m_rect.top, w, h);
    if (drawn)
        m_rect = {m_rect.left, m_rect.top, m_rect.left + w, m_rect.top + h};
    return drawn;
}

} // namespace typestone
