#include "typestone/server/instance_startup.h"

#include "typestone/server/app_strings.h"
#include "typestone/server/banner.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/version.h"

#include "klv_inet/support/instances.h"
#include "klv_inet/widgets/aux_img_wnd.h"

#include "platform/draw/image_dc.h"
#include "platform/draw/painter_dc.h"
#include "platform/draw/qt_font_engine.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QPainter>

#include <cstdio>

namespace typestone {
namespace {

constexpr const char* kAppName = "Typestone";
constexpr unsigned kMsgClose = 16;  // the window's close request
constexpr unsigned kMsgStop = 1096; // the status window's stop

std::function<void()>& secondInstanceNotice()
{
    static std::function<void()> notice;
    return notice;
}

} // namespace

void ShowStartLogo()
{
    CAuxImgWnd* logo = App_Logo(kAppName, kLogoFile, kLogoTimeMs, 1);
    if (logo == nullptr || logo->GetMemUpdDC()->isNull())
        return;
    // The banner goes onto the picture the window shows, through a Dc like every drawing.
    QImage* picture = logo->GetMemUpdDC();
    QPainter painter(picture);
    platform::draw::PainterDc dc(platform::draw::ImageDc::capsFor(picture->width(), picture->height(), 96));
    dc.attach(&painter);
    platform::draw::QtFontEngine fonts;
    std::string version;
    PaintBanner(dc, fonts, FormatVersion(version));
    dc.attach(nullptr);
    painter.end();
    logo->cwRefresh();
}

void TakeStartLogoDown()
{
    App_Logo(kAppName, nullptr, 0, 0);
}

bool RefuseSecondInstance()
{
    if (IsFirstInstance(kAppName, 0, nullptr))
        return false;
    std::string text = appString(kStrAlreadyStarted);
    if (text.empty())
        text = "Typestone Server is already started.";
    TRZ_Trace(kTrzCore, "\nInitInstance: %s", text);
    std::fprintf(stderr, "typestone: %s\n", text.c_str());
    std::fflush(stderr);
    if (const std::function<void()>& notice = secondInstanceNotice()) {
        notice();
        return true;
    }
    platform::ui::MessageBoxRequest box;
    box.text = text;
    box.caption = "Typestone Server";
    box.style = platform::ui::kMbOk | platform::ui::kMbIconInformation;
    box.timeoutMs = kAlreadyStartedNoticeMs;
    platform::ui::bridge().messageBox(box);
    return true;
}

void SetSecondInstanceNotice(std::function<void()> notice)
{
    secondInstanceNotice() = std::move(notice);
}

RunningInstance::RunningInstance(std::function<void()> stop)
{
    SetInstanceRequestHandler([stop = std::move(stop)](unsigned msg, uint64_t, int64_t) {
        if ((msg == kMsgClose || msg == kMsgStop) && stop)
            stop();
    });
    AppInstanceRunning(kAppName);
}

RunningInstance::~RunningInstance()
{
    AppInstanceHalted(kAppName);
    SetInstanceRequestHandler(nullptr);
}

} // namespace typestone
