#pragma once
// Where the web update's two modal dialogs (the user-data form and the product offer) are
// shown. The desktop installs a widget host (klv_inet_widgets); with none installed (service
// mode, tests without widgets) the dialogs cannot be shown and the update offers nothing.

#include "klv_inet/support/klv_export.h"

#include <string>
#include <vector>

class CProduct;

namespace klv {

struct UserFormData
{
    std::string email, name, company, city, country;
};

class KLV_EXPORT UpdateDialogHost
{
public:
    virtual ~UpdateDialogHost();
    // Both run modally on the calling thread, which is the GUI thread; they answer kIdOk or
    // kIdCancel (platform/ui/message_box.h).
    // The form: on kIdOk `data` holds what the user submitted.
    virtual int runUpdateForm(UserFormData& data) = 0;
    // The offer: on kIdOk each listed product's chosen flag holds its tick, and *notify (when
    // given) the notification check box.
    virtual int runProductDialog(const std::vector<CProduct*>& products, unsigned long flags,
                                 int* notify) = 0;

    static UpdateDialogHost* installed();
    // The host must outlive every update object that may use it.
    static void install(UpdateDialogHost* host);
};

} // namespace klv
