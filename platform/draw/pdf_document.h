#pragma once
// The file structure of a PDF: numbered objects written one after another, the offsets of
// each in the cross-reference table, the page tree, the catalog, the document information and
// the trailer (internal to the PDF writer).
//
// Pages are written as they end (their content deflated by a PdfStreamCompressor and written
// in page order), so memory stays flat in the page count; what the pages share (fonts, images,
// one resource dictionary) is written when it is complete or at close.

#include "platform/draw/pdf_stream_compressor.h"

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::draw {

class PdfDocument
{
public:
    // Two threads keep up with the drawing of text pages; level 3 deflates them to about the
    // size level 6 gives in half the time.
    struct Options
    {
        int compressThreads = 2;
        int pagesInFlight = 4;
        int compressLevel = 3;
    };

    PdfDocument();
    explicit PdfDocument(const Options& options);
    ~PdfDocument();

    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // Creates or truncates `path` and writes the header.
    bool open(const std::string& path, std::string* error);
    bool isOpen() const { return m_file != nullptr; }

    // A new object number, written later with writeObject or writeStream.
    int allocate();
    // The one resource dictionary every page names (written by the caller before close).
    int resourcesId() const { return m_resourcesId; }

    // "id 0 obj\n<body>\nendobj\n"; body is the object as it stands ("<< ... >>", "[ ... ]").
    void writeObject(int id, std::string_view body);
    // A stream object: `dictionary` holds the entries besides /Length and /Filter ("/Type
    // /XObject ..."); with `deflate` the data is compressed here and marked /FlateDecode.
    void writeStream(int id, std::string_view dictionary, std::string_view data, bool deflate);

    // Adds a page of `widthPt` x `heightPt` points drawn by `content` (handed to the
    // compressor; written in page order).
    void addPage(std::string content, int widthPt, int heightPt);
    int pageCount() const { return static_cast<int>(m_pageIds.size()); }

    // Writes what is still pending, the page tree, catalog, information and cross-references,
    // and closes the file. `title` and `creator` are UTF-8.
    bool close(const std::string& title, const std::string& creator, std::string* error);
    // Closes the file as it is, unfinished; pending pages are dropped.
    void discard();

    // A PDF text string: "(...)" of UTF-16BE with a byte order mark, with ( ) \ and line
    // ends escaped.
    static std::string textString(std::string_view utf8);

private:
    void write(std::string_view bytes);
    void drain(bool all);
    // Records the first failure; close() then reports it.
    void fail(const std::string& reason);

    Options m_options;
    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    long long m_offset = 0;
    bool m_failed = false;
    std::string m_failure;
    std::vector<long long> m_offsets; // by object number - 1; -1 not written yet
    int m_pagesId = 0;
    int m_resourcesId = 0;
    std::vector<int> m_pageIds;
    std::unique_ptr<PdfStreamCompressor> m_compressor;
    std::deque<int> m_contentIds; // of the pages whose content is in the compressor
};

} // namespace platform::draw
