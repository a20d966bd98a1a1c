// bench_pdf pdf DPI CORPUS OUT.pdf   |   bench_pdf page DPI CORPUS PAGE.pgm
//
// pdf: runs the corpus as an interpreted job whose stream opens a PDF document for the printer's
// pages only (A4, no printer pages), the printer an A4 sheet at DPI that draws nowhere, and
// prints one line: dpi, pages, seconds, pages per second, bytes per page, peak resident memory
// in KiB. page: writes the job's first page as the capture sees it (the same bitmap the PDF gets)
// to a PGM file (the corpus has no colour), for a peer that writes PDFs from bitmaps.

#include "typestone/engine/esc_block.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "platform/draw/image_dc.h"
#include "platform/draw/painter_dc.h"
#include "platform/draw/qt_font_engine.h"

#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

// An A4 sheet at `dpi`, all of it printable.
platform::draw::DeviceCaps a4(int dpi)
{
    return platform::draw::ImageDc::capsFor((595 * dpi + 36) / 72, (842 * dpi + 36) / 72, dpi);
}

// The printer: for `pdf` a Dc that draws nowhere (the no-printer flag never starts its pages, so
// only the capture costs), for `page` an image of each page, the first one kept.
class BenchDevice : public platform::draw::PageDevice
{
public:
    BenchDevice(const platform::draw::DeviceCaps& caps, bool keepFirst) : m_nowhere(caps)
    {
        if (keepFirst)
            m_image = std::make_unique<platform::draw::ImageDc>(caps);
    }
    bool startDoc(const std::string&) override { return true; }
    bool startPage() override
    {
        if (m_image)
            m_image->clearImage();
        return true;
    }
    bool endPage() override
    {
        if (m_pages++ == 0 && m_image)
            m_first = m_image->image().copy();
        return true;
    }
    bool endDoc() override { return true; }
    void abortDoc() override {}
    platform::draw::Dc* dc() override
    {
        return m_image ? static_cast<platform::draw::Dc*>(m_image.get()) : &m_nowhere;
    }
    platform::draw::DeviceCaps caps() const override { return m_nowhere.caps(); }
    bool setOrientation(platform::spooler::Orientation) override { return true; }
    int pageCount() const override { return m_pages; }
    std::string errorText() const override { return {}; }
    const QImage& first() const { return m_first; }

private:
    platform::draw::PainterDc m_nowhere; // no painter attached: drawing does nothing
    std::unique_ptr<platform::draw::ImageDc> m_image;
    QImage m_first;
    int m_pages = 0;
};

long peakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

std::string pdfDocumentBlock(uint16_t flags, const std::string& name)
{
    std::string params(20, '\0');
    params[0] = static_cast<char>(flags & 0xFF);
    params[1] = static_cast<char>(flags >> 8);
    params += name;
    params += '\0';
    typestone::EscHeader h;
    h.wVersion = 100;
    h.wCmd = 41;
    h.dwLen = static_cast<uint32_t>(params.size());
    h.wChk = h.computeChecksum();
    uint8_t header[typestone::kEscHeaderSize];
    h.encode(header);
    return std::string(reinterpret_cast<const char*>(header), sizeof header) + params;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::cerr << "usage: bench_pdf pdf|page DPI CORPUS OUT\n";
        return 2;
    }
    const std::string mode = argv[1];
    const int dpi = std::atoi(argv[2]);
    std::ifstream in(argv[3], std::ios::binary);
    const std::string corpus((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const fs::path out = fs::absolute(argv[4]);
    const fs::path work = out.parent_path() / "bench_pdf_work";
    fs::create_directories(work);

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    platform::draw::QtFontEngine fonts;
    typestone::CWinPrt prt;
    prt.SetSpoolFolder(work.string());
    prt.SetFontEngine(&fonts);
    typestone::DriveMap drives;
    drives.add('C', out.parent_path().string());
    prt.SetDriveMap(drives);
    BenchDevice* device = nullptr;
    prt.SetDeviceFactory([&](const typestone::EngineDeviceRequest&, std::string*) {
        auto made = std::make_unique<BenchDevice>(a4(dpi), mode == "page");
        device = made.get();
        return made;
    });

    // The PDF of the printer's pages alone (A4 portrait): or, for `page`, the printer's pages.
    const std::string stream =
        (mode == "pdf" ? pdfDocumentBlock(0x0001, "C:\\" + out.filename().string()) : std::string()) + corpus;
    typestone::INIT_DATA record = typestone::DefaultInitData();
    std::strcpy(record.printer, "Bench");
    const auto start = std::chrono::steady_clock::now();
    bool ok = prt.StartPrtJob(&record, "bench_1", false);
    QImage first;
    if (ok) {
        prt.PrintData(stream.data(), stream.size(), true);
        prt.EndOfStream();
        ok = prt.EndPage();
        if (device != nullptr)
            first = device->first();
        ok = prt.StopPrtJob(ok) && ok;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int pages = static_cast<int>(prt.PageCount());
    fs::remove_all(work);
    if (mode == "page") {
        // The page in grey: the corpus draws black on white, with the glyphs' edges in grey.
        if (first.isNull() || !first.convertToFormat(QImage::Format_Grayscale8)
                                   .save(QString::fromStdString(out.string()), "PGM")) {
            std::cerr << "cannot write " << out << "\n";
            return 1;
        }
        return 0;
    }
    std::error_code ec;
    const auto bytes = fs::file_size(out, ec);
    std::printf("typestone-pdf dpi=%d pages=%d seconds=%.3f pages_per_s=%.2f bytes_per_page=%.0f "
                "peak_kib=%ld ok=%d\n",
                dpi, pages, seconds, seconds > 0 ? pages / seconds : 0.0,
                pages > 0 && !ec ? static_cast<double>(bytes) / pages : 0.0, peakKiB(), ok && !ec ? 1 : 0);
    return ok && !ec ? 0 : 1;
}
