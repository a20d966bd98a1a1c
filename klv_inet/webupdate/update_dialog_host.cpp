#include "klv_inet/webupdate/update_dialog_host.h"

#include <atomic>

namespace klv {
namespace {
std::atomic<UpdateDialogHost*> g_host{nullptr};
}

UpdateDialogHost::~UpdateDialogHost() = default;

UpdateDialogHost* UpdateDialogHost::installed()
{
    return g_host.load();
}

void UpdateDialogHost::install(UpdateDialogHost* host)
{
    g_host = host;
}

} // namespace klv
