#include "klv_inet/widgets/update_dialog_widget_host.h"

#include "klv_inet/widgets/do_modal.h"
#include "klv_inet/widgets/prod_update.h"
#include "klv_inet/widgets/upd_form.h"

#include "platform/ui/message_box.h"

#include <QCoreApplication>
#include <QThread>

namespace klv::widgets {
namespace {

bool onGuiThread()
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

int UpdateDialogWidgetHost::runUpdateForm(klv::UserFormData& data)
{
    if (!onGuiThread())
        return platform::ui::kIdCancel;
    CUpdForm form;
    form.SetData(data.email, data.name, data.company, data.city, data.country);
    const int rc = DLL_DoModal(&form); // the start-up logo never hides it
    if (rc == platform::ui::kIdOk)
        form.GetData(data.email, data.name, data.company, data.city, data.country);
    return rc;
}

int UpdateDialogWidgetHost::runProductDialog(const std::vector<CProduct*>& products, unsigned long flags,
                                             int* notify)
{
    if (!onGuiThread())
        return platform::ui::kIdCancel;
    CProdUpdate dialog(&products, flags);
    const int rc = DLL_DoModal(&dialog);
    if (rc == platform::ui::kIdOk && notify)
        *notify = dialog.notifyValue();
    return rc;
}

} // namespace klv::widgets
