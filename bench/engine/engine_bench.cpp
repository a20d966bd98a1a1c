// bench_engine pdf|image CORPUS [OUT.pdf]
//
// Runs the corpus through an interpreted job (spool file, interpreter, font mapper, box
// drawing) at 600 dpi on A4, to a PDF file or to page images that are dropped after each page,
// and prints one line: mode, pages, seconds, pages per second, peak resident memory in KiB.

#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "platform/draw/image_dc.h"
#include "platform/draw/page_device_factory.h"
#include "platform/draw/page_setup.h"
#include "platform/draw/qt_font_engine.h"
#include "platform/spooler/folder_spooler.h"

#include <QGuiApplication>

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

// Page images of the job's size, each dropped when the next page starts.
class DroppingImageDevice : public platform::draw::PageDevice
{
public:
    explicit DroppingImageDevice(const platform::draw::DeviceCaps& caps) : m_dc(caps) {}
    bool startDoc(const std::string&) override { return true; }
    bool startPage() override
    {
        m_dc.clearImage();
        return true;
    }
    bool endPage() override
    {
        ++m_pages;
        return !m_dc.image().isNull();
    }
    bool endDoc() override { return true; }
    void abortDoc() override {}
    platform::draw::Dc* dc() override { return &m_dc; }
    platform::draw::DeviceCaps caps() const override { return m_dc.caps(); }
    bool setOrientation(platform::spooler::Orientation) override { return true; }
    int pageCount() const override { return m_pages; }
    std::string errorText() const override { return {}; }

private:
    platform::draw::ImageDc m_dc;
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

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: bench_engine pdf|image CORPUS [OUT.pdf]\n";
        return 2;
    }
    const std::string mode = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    const std::string corpus((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const fs::path work = fs::temp_directory_path() / "bench_engine_work";
    fs::create_directories(work);
    const std::string out = argc > 3 ? argv[3] : (work / "out.pdf").string();

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    platform::draw::QtFontEngine fonts;
    std::string error;
    auto spooler = platform::spooler::FolderSpooler::open((work / "spool").string(), &error);
    if (!spooler) {
        std::cerr << error << "\n";
        return 1;
    }
    int pages = 0;
    typestone::CWinPrt prt;
    prt.SetSpoolFolder(work.string());
    prt.SetFontEngine(&fonts);
    prt.SetDeviceFactory([&](const typestone::EngineDeviceRequest& r,
                             std::string* err) -> std::unique_ptr<platform::draw::PageDevice> {
        if (mode == "image")
            return std::make_unique<DroppingImageDevice>(platform::draw::PageSetup{}.caps());
        platform::draw::PageDeviceRequest request;
        request.printer = r.printer;
        request.outputFile = out;
        return platform::draw::makePageDevice(*spooler, request, err);
    });

    typestone::INIT_DATA record = typestone::DefaultInitData();
    std::strcpy(record.printer, "PDFCreator");
    const auto start = std::chrono::steady_clock::now();
    bool ok = prt.StartSpoolPrtJob(100, &record, "bench_1") && prt.SpoolData(corpus.data(), corpus.size());
    ok = ok && prt.StopSpoolPrtJob();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    pages = static_cast<int>(prt.PageCount());
    std::printf("typestone-%s pages=%d seconds=%.3f pages_per_s=%.2f peak_kib=%ld ok=%d\n", mode.c_str(),
                pages, seconds, seconds > 0 ? pages / seconds : 0.0, peakKiB(), ok ? 1 : 0);
    fs::remove_all(work / "spool");
    return ok ? 0 : 1;
}
