#include "klv_inet/widgets/do_modal.h"

#include "klv_inet/support/msg_box.h"
#include "klv_inet/widgets/aux_img_wnd.h"

#include "platform/ui/message_box.h"

#include <QDialog>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace {

// The logo out of the top-most band for the life of the scope; the logo may be taken down
// meanwhile (its own timer), so it is held by a guarded pointer.
class LogoOutOfTopBand
{
public:
    LogoOutOfTopBand() : m_logo(CurrentLogo())
    {
        m_wasTopMost =
            m_logo && m_logo->isVisible() && m_logo->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        if (m_wasTopMost)
            setTopMost(false);
    }
    ~LogoOutOfTopBand()
    {
        if (m_wasTopMost)
            setTopMost(true);
    }
    LogoOutOfTopBand(const LogoOutOfTopBand&) = delete;
    LogoOutOfTopBand& operator=(const LogoOutOfTopBand&) = delete;

private:
    void setTopMost(bool on)
    {
        if (!m_logo)
            return;
        m_logo->setWindowFlag(Qt::WindowStaysOnTopHint, on);
        // Making the window anew may run queued calls, the logo's own time-out among them.
        if (m_logo)
            m_logo->show(); // a change of the window's flags hides it
    }

    QPointer<CAuxImgWnd> m_logo;
    bool m_wasTopMost = false;
};

} // namespace

int PLM_DoModal(QDialog* dialog)
{
    if (dialog == nullptr)
        return 0;
    if (QThread::currentThread() != dialog->thread())
        return -1;
    LogoOutOfTopBand logoOut;
    // Once the dialog is up, the logo goes behind it.
    QPointer<QDialog> shown(dialog);
    QTimer::singleShot(0, dialog, [shown] {
        if (shown)
            Set_LOGO_ZOrder(shown);
    });
    const int result = dialog->exec();
    if (result == QDialog::Accepted)
        return platform::ui::kIdOk;
    if (result == QDialog::Rejected)
        return platform::ui::kIdCancel;
    return result;
}

int DLL_DoModal(QDialog* dialog)
{
    klv::ResourceScope library(klv::ResourceModule::Library);
    return PLM_DoModal(dialog);
}
