#include "klv_inet/support/msg_dlg_registry.h"

#include <map>
#include <mutex>

namespace klv {
namespace {

std::recursive_mutex g_mutex;
std::map<unsigned, CMsgDlg*> g_dialogs;
unsigned g_nextId = 1;

} // namespace

unsigned MsgDlgRegistry::add(CMsgDlg* dialog)
{
    std::lock_guard lock(g_mutex);
    unsigned id = g_nextId++;
    if (id == 0)
        id = g_nextId++;
    g_dialogs[id] = dialog;
    return id;
}

void MsgDlgRegistry::remove(unsigned id)
{
    std::lock_guard lock(g_mutex);
    g_dialogs.erase(id);
}

bool MsgDlgRegistry::with(unsigned id, const std::function<void(CMsgDlg&)>& action)
{
    std::lock_guard lock(g_mutex);
    const auto it = g_dialogs.find(id);
    if (it == g_dialogs.end())
        return false;
    action(*it->second);
    return true;
}

} // namespace klv
