#pragma once
// A PDF document of image pages, written with libharu.
//
//   beginDocument(path) -> setInfo* -> (beginPage -> fitImage -> endPage)* -> endDocument
//
// libharu builds the whole document in memory and writes it only at the end, so the target is
// checked at the start: a temporary file is created beside it (which also keeps the final
// rename on one file system), and endDocument writes that file and renames it over the target,
// so the target appears whole or not at all. A page's image does not stay in memory: it is
// kept in a compressed image file of the document's own until the document is written, which
// reads the images one at a time. abortDocument, or destroying an unfinished document, leaves
// the target as it was and removes every file it made.
//
// Errors of the library are recorded, never thrown: a call that fails returns false and
// errorText() tells why. Used by one thread.

#include <QImage>

#include <memory>
#include <string>

namespace platform::pdf {

enum class InfoField
{
    Creator,
    Author,
    Title,
};

class ImagePdfDocument
{
public:
    ImagePdfDocument();
    ~ImagePdfDocument();
    ImagePdfDocument(const ImagePdfDocument&) = delete;
    ImagePdfDocument& operator=(const ImagePdfDocument&) = delete;

    // `path`: the absolute name of the file to write; its folder must exist.
    bool beginDocument(const std::string& path);
    bool setInfo(InfoField field, const std::string& value);
    // A page of width x height points (at most 14400 each, the largest page PDF readers take).
    bool beginPage(double widthPt, double heightPt);
    // Places `image` with its lower left corner at (x, y) points, at dpiX x dpiY pixels per inch.
    bool fitImage(const QImage& image, double xPt, double yPt, double dpiX, double dpiY);
    bool endPage();
    // Writes the document and moves it into place.
    bool endDocument();
    void abortDocument();

    bool isOpen() const;
    bool inPage() const;
    int pageCount() const;
    const std::string& targetPath() const;
    std::string errorText() const;

    // The library's error as text.
    static std::string libraryErrorText(unsigned long code, unsigned long detail);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace platform::pdf
