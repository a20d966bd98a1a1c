#include "typestone/engine/engine_setup.h"

#include "typestone/engine/win_prt.h"

#include "platform/draw/font_engine.h"
#include "platform/draw/page_device_factory.h"
#include "platform/draw/qt_font_engine.h"

namespace typestone {

void PrepareWinPrt(CWinPrt& prt, const EngineSetup& setup, std::unique_ptr<platform::draw::FontEngine>* fonts)
{
    *fonts = setup.makeFontEngine ? setup.makeFontEngine() : std::make_unique<platform::draw::QtFontEngine>();
    prt.SetFontEngine(fonts->get());
    prt.SetDriveMap(setup.driveMap);
    prt.SetPdfFolder(setup.pdfFolder);
    if (!setup.spoolFolder.empty())
        prt.SetSpoolFolder(setup.spoolFolder);
    platform::spooler::Spooler* spooler = setup.spooler;
    prt.SetSpooler(spooler);
    prt.SetStoredSettings(setup.storedSettings);
    FieldSources fields;
    fields.variables = setup.fieldVariables;
    prt.SetFieldSources(std::move(fields));
    prt.SetPageActionLimit(setup.pageActionLimit);
    const std::string workFolder = setup.workFolder;
    prt.SetDeviceFactory(
        [spooler, workFolder](const EngineDeviceRequest& r,
                              std::string* error) -> std::unique_ptr<platform::draw::PageDevice> {
            if (!spooler) {
                if (error)
                    *error = "no spooler for interpreted jobs";
                return nullptr;
            }
            platform::draw::PageDeviceRequest request;
            request.printer = r.printer;
            request.outputFile = r.outputFile;
            request.options = r.settings;
            if (!r.cutShort.empty())
                request.options.cutShort = r.cutShort;
            return platform::draw::makePageDevice(*spooler, request, error, workFolder);
        });
}

} // namespace typestone
