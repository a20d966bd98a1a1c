#pragma once
// Desktop mode's user interface: while this object lives, message boxes, questions, progress
// displays and message dialogs appear as widgets. Create and destroy it on the GUI thread.

#include "klv_inet/widgets/widgets_export.h"

#include <QObject>

#include <memory>

namespace klv::widgets {

class GuiLink;
class MsgDlgWidgetHost;
class UpdateDialogWidgetHost;
class WidgetUiBridge;

class KLV_WIDGETS_EXPORT DesktopUi : public QObject
{
    Q_OBJECT
public:
    explicit DesktopUi(QObject* parent = nullptr);
    ~DesktopUi() override;

    MsgDlgWidgetHost& dialogs() const { return *m_host; }

private:
    std::shared_ptr<GuiLink> m_link;
    std::shared_ptr<WidgetUiBridge> m_bridge;
    std::unique_ptr<MsgDlgWidgetHost> m_host;
    std::unique_ptr<UpdateDialogWidgetHost> m_updateDialogs;
};

} // namespace klv::widgets
