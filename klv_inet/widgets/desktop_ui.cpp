#include "klv_inet/widgets/desktop_ui.h"

#include "klv_inet/widgets/gui_link.h"
#include "klv_inet/widgets/msg_dlg_widget_host.h"
#include "klv_inet/widgets/update_dialog_widget_host.h"
#include "klv_inet/widgets/widget_ui_bridge.h"

#include "platform/ui/ui_bridge.h"

namespace klv::widgets {

DesktopUi::DesktopUi(QObject* parent)
    : QObject(parent), m_link(std::make_shared<GuiLink>(this)),
      m_bridge(std::make_shared<WidgetUiBridge>(m_link)), m_host(std::make_unique<MsgDlgWidgetHost>(m_link)),
      m_updateDialogs(std::make_unique<UpdateDialogWidgetHost>())
{
    platform::ui::setBridge(m_bridge);
    klv::MsgDlgViewHost::install(m_host.get());
    klv::UpdateDialogHost::install(m_updateDialogs.get());
}

DesktopUi::~DesktopUi()
{
    klv::UpdateDialogHost::install(nullptr);
    klv::MsgDlgViewHost::install(nullptr);
    platform::ui::setBridge(nullptr);
    // The views go with their host; calls still waiting for the GUI give up now rather than
    // wait for a window that will never come.
    m_host.reset();
    m_link->detach();
}

} // namespace klv::widgets
