#pragma once
// Shows message dialogs as widgets: the dialogs hand their snapshots over from any thread and
// the host applies them on the GUI thread, by dialog id.

#include "klv_inet/widgets/gui_link.h"
#include "klv_inet/widgets/widgets_export.h"

#include "klv_inet/support/msg_dlg_view_host.h"

#include <map>
#include <memory>

namespace klv::widgets {

class MsgDlgWidget;

class KLV_WIDGETS_EXPORT MsgDlgWidgetHost final : public klv::MsgDlgViewHost
{
public:
    explicit MsgDlgWidgetHost(std::shared_ptr<GuiLink> link);
    ~MsgDlgWidgetHost() override;

    void show(const klv::MsgDlgState& state) override;
    void close(unsigned dialogId) override;

    // The view of a dialog, or null (GUI thread only).
    MsgDlgWidget* widget(unsigned dialogId) const;

private:
    void apply(const klv::MsgDlgState& state);

    std::shared_ptr<GuiLink> m_link;
    // GUI thread only.
    std::shared_ptr<std::map<unsigned, MsgDlgWidget*>> m_widgets;
};

} // namespace klv::widgets
