#include "platform/pdf/image_pdf_document.h"

#include "platform/pdf/page_image_file.h"

#include <hpdf.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::pdf {

namespace fs = std::filesystem;

namespace {

// The page sizes libharu accepts, in points.
constexpr double kMinPagePt = 3;
constexpr double kMaxPagePt = 14400;
// The longest file name the folders here take.
constexpr size_t kMaxFileNameBytes = 255;

} // namespace

struct ImagePdfDocument::State
{
    HPDF_Doc doc = nullptr;
    HPDF_Page page = nullptr;
    std::string target;
    std::string temp;     // the document's file until it is moved into place
    std::string imageDir; // the page images until the document is written
    int pages = 0;
    int images = 0;
    unsigned long lastError = 0;
    unsigned long lastDetail = 0;
    std::string error;

    static void onError(HPDF_STATUS code, HPDF_STATUS detail, void* self)
    {
        auto* state = static_cast<State*>(self);
        state->lastError = code;
        state->lastDetail = detail;
    }

    bool fail(const std::string& what)
    {
        error = what;
        return false;
    }
    // A failed library call: its error, then a clean slate for the next call.
    bool libraryFail(const std::string& what)
    {
        error = what + ": " + libraryErrorText(lastError, lastDetail);
        if (doc != nullptr)
            HPDF_ResetError(doc);
        lastError = lastDetail = 0;
        return false;
    }

    void release()
    {
        if (doc != nullptr)
            HPDF_Free(doc);
        doc = nullptr;
        page = nullptr;
        if (!imageDir.empty()) {
            std::error_code ec;
            fs::remove_all(imageDir, ec);
            imageDir.clear();
        }
        if (!temp.empty()) {
            std::remove(temp.c_str());
            temp.clear();
        }
        pages = images = 0;
    }
};

ImagePdfDocument::ImagePdfDocument() : m_state(std::make_unique<State>()) {}

ImagePdfDocument::~ImagePdfDocument()
{
    m_state->release();
}

std::string ImagePdfDocument::libraryErrorText(unsigned long code, unsigned long detail)
{
    char text[64];
    std::snprintf(text, sizeof text, "PDF library error 0x%04lX (detail %lu)", code, detail);
    return text;
}

bool ImagePdfDocument::isOpen() const
{
    return m_state->doc != nullptr;
}

bool ImagePdfDocument::inPage() const
{
    return m_state->page != nullptr;
}

int ImagePdfDocument::pageCount() const
{
    return m_state->pages;
}

const std::string& ImagePdfDocument::targetPath() const
{
    return m_state->target;
}

std::string ImagePdfDocument::errorText() const
{
    return m_state->error;
}

bool ImagePdfDocument::beginDocument(const std::string& path)
{
    State& s = *m_state;
    if (s.doc != nullptr)
        return s.fail("a document is already open");
    const fs::path target(path);
    if (path.empty() || !target.is_absolute() || !target.has_filename())
        return s.fail("'" + path + "' is not an absolute file name");
    // The file itself is made only at the end: a name the folder cannot take is refused now.
    if (target.filename().string().size() > kMaxFileNameBytes)
        return s.fail("the file name of '" + path + "' is too long");
    std::error_code ec;
    if (fs::is_directory(target, ec))
        return s.fail("'" + path + "' is a folder");
    const std::string folder = target.parent_path().string();
    // The file is made now, beside the target, so that a name that cannot be written is known
    // before any page is drawn.
    std::string temp = folder + "/.typestone-pdf.XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return s.fail("cannot create a file in '" + folder + "': " + std::strerror(errno));
    ::close(fd);
    std::string images = folder + "/.typestone-pages.XXXXXX";
    if (::mkdtemp(images.data()) == nullptr) {
        const std::string reason = std::strerror(errno);
        std::remove(temp.c_str());
        return s.fail("cannot create a folder in '" + folder + "': " + reason);
    }
    s.temp = temp;
    s.imageDir = images;
    s.target = path;
    s.error.clear();
    s.doc = HPDF_New(&State::onError, &s);
    if (s.doc == nullptr) {
        s.release();
        return s.fail("cannot create the PDF library object (out of memory)");
    }
    if (HPDF_SetCompressionMode(s.doc, HPDF_COMP_ALL) != HPDF_OK) {
        s.libraryFail("cannot set the compression");
        s.release();
        return false;
    }
    return true;
}

bool ImagePdfDocument::setInfo(InfoField field, const std::string& value)
{
    State& s = *m_state;
    if (s.doc == nullptr)
        return s.fail("no document is open");
    const HPDF_InfoType type = field == InfoField::Creator  ? HPDF_INFO_CREATOR
                               : field == InfoField::Author ? HPDF_INFO_AUTHOR
                                                            : HPDF_INFO_TITLE;
    return HPDF_SetInfoAttr(s.doc, type, value.c_str()) == HPDF_OK ||
           s.libraryFail("cannot set the information");
}

bool ImagePdfDocument::beginPage(double widthPt, double heightPt)
{
    State& s = *m_state;
    if (s.doc == nullptr)
        return s.fail("no document is open");
    if (s.page != nullptr)
        return s.fail("a page is open");
    if (!(widthPt >= kMinPagePt && widthPt <= kMaxPagePt && heightPt >= kMinPagePt && heightPt <= kMaxPagePt))
        return s.fail("the page size is out of range");
    HPDF_Page page = HPDF_AddPage(s.doc);
    if (page == nullptr)
        return s.libraryFail("cannot add a page");
    if (HPDF_Page_SetWidth(page, static_cast<HPDF_REAL>(widthPt)) != HPDF_OK ||
        HPDF_Page_SetHeight(page, static_cast<HPDF_REAL>(heightPt)) != HPDF_OK)
        return s.libraryFail("cannot set the page size");
    s.page = page;
    return true;
}

bool ImagePdfDocument::fitImage(const QImage& image, double xPt, double yPt, double dpiX, double dpiY)
{
    State& s = *m_state;
    if (s.page == nullptr)
        return s.fail("no page is open");
    if (image.isNull() || !(dpiX > 0 && dpiY > 0))
        return s.fail("the image is empty");
    char name[32];
    std::snprintf(name, sizeof name, "/%06d.png", ++s.images);
    const std::string file = s.imageDir + name;
    std::string error;
    if (!writePageImage(image, file, &error))
        return s.fail(error);
    // Read when the document is written, not now: the page holds only the file's name.
    HPDF_Image pdfImage = HPDF_LoadPngImageFromFile2(s.doc, file.c_str());
    if (pdfImage == nullptr)
        return s.libraryFail("cannot load the page image");
    const double width = image.width() * 72.0 / dpiX;
    const double height = image.height() * 72.0 / dpiY;
    if (HPDF_Page_DrawImage(s.page, pdfImage, static_cast<HPDF_REAL>(xPt), static_cast<HPDF_REAL>(yPt),
                            static_cast<HPDF_REAL>(width), static_cast<HPDF_REAL>(height)) != HPDF_OK)
        return s.libraryFail("cannot place the page image");
    return true;
}

bool ImagePdfDocument::endPage()
{
    State& s = *m_state;
    if (s.page == nullptr)
        return s.fail("no page is open");
    s.page = nullptr;
    ++s.pages;
    return true;
}

bool ImagePdfDocument::endDocument()
{
    State& s = *m_state;
    if (s.doc == nullptr)
        return s.fail("no document is open");
    if (s.page != nullptr)
        endPage();
    if (s.pages == 0) {
        s.release();
        return s.fail("the document has no pages; '" + s.target + "' was not written");
    }
    if (HPDF_SaveToFile(s.doc, s.temp.c_str()) != HPDF_OK) {
        s.libraryFail("cannot write '" + s.temp + "'");
        const std::string error = s.error;
        s.release();
        return s.fail(error);
    }
    // A document for the user: readable like any file they make (the temporary one is 0600).
    ::chmod(s.temp.c_str(), 0644);
    if (std::rename(s.temp.c_str(), s.target.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        s.release();
        return s.fail("cannot move the PDF to '" + s.target + "': " + reason);
    }
    s.temp.clear();
    s.release();
    return true;
}

void ImagePdfDocument::abortDocument()
{
    m_state->release();
}

} // namespace platform::pdf
