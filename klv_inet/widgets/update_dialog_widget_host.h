#pragma once
// Shows the web update's form and product offer as widgets. They are modal and run on the
// GUI thread, where the update object lives; a call from another thread is refused (Cancel).

#include "klv_inet/widgets/widgets_export.h"

#include "klv_inet/webupdate/update_dialog_host.h"

namespace klv::widgets {

class KLV_WIDGETS_EXPORT UpdateDialogWidgetHost final : public klv::UpdateDialogHost
{
public:
    int runUpdateForm(klv::UserFormData& data) override;
    int runProductDialog(const std::vector<CProduct*>& products, unsigned long flags, int* notify) override;
};

} // namespace klv::widgets
