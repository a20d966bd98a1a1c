#pragma once
// CImgWnd: draws one picture (BMP, JPEG, or any format the picture readers know) on the
// printer's Dc, and on a second Dc (the PDF capture) when one is set, at the place an image
// placement record (PRT_BMP_DATA) gives: position, size, fitting, centring and rotation.
// The image command handler makes one per image, calls DrawImg and deletes it. One thread.

#include "typestone/engine/dib.h"
#include "typestone/engine/prt_bmp_data.h"

#include "platform/draw/dc.h"

#include <functional>
#include <memory>
#include <string>

namespace typestone {

class DriveMap;

class CImgWnd
{
public:
    // The texts of the boxes (ids 512, 583 and 597), each with one %s for the file name.
    using TextLookup = std::function<std::string(unsigned id)>;
    static constexpr unsigned kTextNoFile = 512;
    static constexpr unsigned kTextUnsupported = 583;
    static constexpr unsigned kTextLoadFailed = 597;

    // `bOldSaveAsBmp` chose between two converters of other picture formats; both are the
    // picture readers here, so it is kept but changes nothing.
    explicit CImgWnd(bool bOldSaveAsBmp = false);
    ~CImgWnd();
    CImgWnd(const CImgWnd&) = delete;
    CImgWnd& operator=(const CImgWnd&) = delete;

    // The texts of the boxes (the built-in English ones without a lookup).
    void setTextLookup(TextLookup lookup) { m_texts = std::move(lookup); }
    // Where a local file named in the record (option kBmpLocalFile) may be read from; without
    // a map such a name is refused.
    void setDriveMap(const DriveMap* map) { m_driveMap = map; }
    // The PDF capture Dc, drawn on besides the printer's; null for none.
    void setSecondDc(platform::draw::Dc* dc) { m_secondDc = dc; }

    // Draws the picture of the record: its inline bytes (kBmpInline), else the file
    // `szFname` (the local copy the command handler fetched), else a local file named in the
    // record (kBmpLocalFile, only inside the drive map's folders). The record's x, y, width
    // and height are device pixels. False when nothing could be drawn.
    bool DrawImg(platform::draw::Dc* pDC, const PRT_BMP_DATA* pBmpData, const char* szFname = nullptr);

    // Loads the picture file and places it; with `fitNow` fits and centres it as the options
    // say (AdjustImage). A missing or empty file, an unknown format or a picture that does
    // not load is reported in its box; null then.
    CDib* SetImage(const std::string& file, int x, int y, int width, int height, platform::draw::Dc* dc,
                   bool fitNow, int rotation);

    // Fits and centres m_rect for printing.
    void AdjustImage(bool fitNow, bool printing);

    // Picture types: the type member (1 BMP, 2 JPEG) or the file's extension (".bmp",
    // ".jpg", any case).
    bool IsBmp(const std::string& file) const;
    bool IsJpeg(const std::string& file) const;

    // What the drawing used, for the caller and the tests.
    const platform::draw::Rect& rect() const { return m_rect; }
    platform::draw::Size size() const { return m_size; }
    const CDib* picture() const { return m_dib.get(); }
    const std::string& fileName() const { return m_fileName; }

private:
    void decodeOptions(std::uint32_t options);
    bool loadInline(const PRT_BMP_DATA& data);
    bool loadJpegFile(const std::string& file);
    // Step of every load: rotation, then m_rect and m_size from the given box or the
    // picture's own size.
    void place(int x, int y, int width, int height, int rotation);
    bool drawPicture(platform::draw::Dc& dc);
    std::string text(unsigned id, const std::string& file) const;
    void showBox(unsigned id, const std::string& file, std::uint32_t icon) const;
    CDib& dib();

    std::unique_ptr<CDib> m_dib;
    std::string m_fileName;
    platform::draw::Rect m_rect;
    platform::draw::Size m_size;
    bool m_bFitWidth = true;
    bool m_bHCentered = true;
    bool m_bFitHeight = true;
    bool m_bVCentered = true;
    bool m_bOwnSize = false;
    int m_type = 0; // 0 by extension, 1 BMP, 2 JPEG
    platform::draw::Dc* m_secondDc = nullptr;
    bool m_bOldSaveAsBmp = false;
    const DriveMap* m_driveMap = nullptr;
    TextLookup m_texts;
};

} // namespace typestone
