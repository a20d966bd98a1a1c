#include "klv_inet/support/msg_dlg_view_host.h"

#include <atomic>

namespace klv {
namespace {
std::atomic<MsgDlgViewHost*> g_host{nullptr};
}

MsgDlgViewHost::~MsgDlgViewHost() = default;

MsgDlgViewHost* MsgDlgViewHost::installed()
{
    return g_host.load();
}

void MsgDlgViewHost::install(MsgDlgViewHost* host)
{
    g_host.store(host);
}

} // namespace klv
