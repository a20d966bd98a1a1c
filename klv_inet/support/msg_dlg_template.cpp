#include "klv_inet/support/msg_dlg_template.h"

#include "klv_inet/support/msg_dlg_ids.h"

#include <map>
#include <mutex>

namespace klv {
namespace {

using K = MsgDlgControlKind;
using namespace msgdlg;

MsgDlgControl c(int id, K kind, std::string text = {})
{
    MsgDlgControl ctl;
    ctl.id = id;
    ctl.kind = kind;
    ctl.text = std::move(text);
    return ctl;
}

const std::map<unsigned, MsgDlgTemplate>& libraryTemplates()
{
    static const std::map<unsigned, MsgDlgTemplate> table = {
        {kTemplateGeneric,
         {kTemplateGeneric,
          "Message",
          194,
          115,
          {c(kFrame, K::Frame), c(kLine0, K::CenteredLabel), c(kCancel, K::Button, "Cancel"),
           c(kContinue, K::Button, "Continue")}}},
        {kTemplateJobProgress,
         {kTemplateJobProgress,
          "Print Progress",
          219,
          140,
          {c(kLine0, K::Label, "Printing: '%s'"), c(kLine0 + 2, K::Label, "Progress"),
           c(kPage, K::Label, "Page:"), c(kLine0 + 1, K::Label), c(kLevelLabel, K::Label, "Level"),
           c(kBar2, K::ProgressBar), c(kLine0 + 4, K::Label, "Partial time to go:"), c(kBar1, K::ProgressBar),
           c(kSeparator, K::Separator), c(kLine0 + 3, K::Label, "Time to go:"),
           c(kCancel, K::Button, "Cancel"), c(kHide, K::CheckBox, "Disable Progress Dialog Box")}}},
        {kTemplateFileCopy,
         {kTemplateFileCopy,
          "File Copy",
          362,
          113,
          {c(kBar2, K::Animation), c(kLine0, K::Label, "Src File"), c(kLine0 + 1, K::Label, "Tgt File"),
           c(kLine0 + 2, K::Label, "Progress"), c(kBar1, K::ProgressBar), c(kCancel, K::Button, "Cancel"),
           c(kLine0 + 3, K::Label, "Time to go:")}}},
        {kTemplateUpdateSearch,
         {kTemplateUpdateSearch,
          "Update",
          194,
          60,
          {c(kFrame, K::Frame),
           c(kLine0, K::CenteredLabel, "Searching Internet for update versions.\nOne moment, please")}}},
        {kTemplateProgressStrip,
         {kTemplateProgressStrip,
          "Print Progress",
          220,
          45,
          {c(kLine0, K::Label, "Printing: '%s'"), c(kBar1, K::ProgressBar),
           c(kHide, K::CheckBox, "Disable Progress Dialog Box")}}},
    };
    return table;
}

std::mutex g_appMutex;
std::map<unsigned, MsgDlgTemplate> g_appTemplates;

} // namespace

std::optional<MsgDlgTemplate> MsgDlgTemplate::library(unsigned id)
{
    const auto& table = libraryTemplates();
    const auto it = table.find(id);
    if (it == table.end())
        return std::nullopt;
    return it->second;
}

std::optional<MsgDlgTemplate> MsgDlgTemplate::application(unsigned id)
{
    {
        std::lock_guard lock(g_appMutex);
        const auto it = g_appTemplates.find(id);
        if (it != g_appTemplates.end())
            return it->second;
    }
    return library(id);
}

void MsgDlgTemplate::setApplicationTemplate(const MsgDlgTemplate& t)
{
    std::lock_guard lock(g_appMutex);
    g_appTemplates[t.id] = t;
}

} // namespace klv
