// Construction, texts and buttons of the message dialog.
#include "klv_inet/support/msg_dlg.h"

#include "klv_inet/support/app_name.h"
#include "klv_inet/support/library_text.h"
#include "klv_inet/support/msg_box.h"
#include "klv_inet/support/msg_clock.h"
#include "klv_inet/support/msg_dlg_ids.h"
#include "klv_inet/support/msg_dlg_registry.h"
#include "klv_inet/support/msg_dlg_template.h"
#include "klv_inet/support/msg_dlg_view_host.h"
#include "klv_inet/support/msg_strings.h"

#include "platform/ui/ui_bridge.h"

#include <cstdio>

using namespace klv::msgdlg;

namespace {

std::atomic<int> g_msgsEnabled{1};

std::vector<std::string> lineTexts(const klv::MsgDlgState& s)
{
    std::vector<std::string> lines;
    for (int i = 0; i < kLineCount; ++i) {
        const klv::MsgDlgControl* c = s.control(kLine0 + i);
        if (c && c->visible)
            lines.push_back(c->text);
    }
    return lines;
}

} // namespace

CMsgDlg::CMsgDlg(const CMsgDlgOptions& o, klv::MsgClock* clock)
    : m_clock(clock ? clock : &klv::MsgClock::system())
{
    m_state.templateId = o.templateId;
    SetCancelFlag(o.cancelFlag);
    Set_CMsgDlg(o.owner);
    m_generic = o.templateId == kTemplateJobProgress || o.templateId == kTemplateProgressStrip;
    m_created = o.showAlways || g_msgsEnabled;
    m_id = klv::MsgDlgRegistry::add(this);
    m_state.dialogId = m_id;
    if (!m_created)
        return;

    std::lock_guard lock(m_mutex);
    m_notify = o.notify;
    m_cancelHook = o.cancelHook;
    const auto tmpl = o.libraryResources ? klv::MsgDlgTemplate::library(o.templateId)
                                         : klv::MsgDlgTemplate::application(o.templateId);
    if (!tmpl) {
        klv::ResourceScope scope(o.libraryResources ? klv::ResourceModule::Library
                                                    : klv::currentResourceModule());
        DLL_ResNotFound_ErrorMsgBox(klv::kStrDialogNotFound, o.templateId, 0);
        return;
    }
    m_haveTemplate = true;
    m_state.controls = tmpl->controls;
    m_state.visible = o.visible;
    m_state.iconId = o.iconId;
    m_bigIcon = o.iconId;
    if (klv::MsgDlgControl* cancel = ctl(kCancel)) {
        cancel->visible = o.cancellable;
        m_state.systemMenu = o.cancellable;
    }
    m_barId = ctl(kBar1) ? kBar1 : 0;

    std::string app = o.appText ? o.appText : GetAppName();
    if (const size_t dash = app.find(" - "); dash != std::string::npos && dash > 0)
        app.resize(dash);
    m_caption = o.title && *o.title ? app + "  -  " + o.title : tmpl->caption;
    m_state.windowTitle = m_caption;

    ShowMsgs(o.lines);
    SetProgressCtrl(0);
    SetLevel(1);
    if (klv::MsgDlgControl* hide = ctl(kHide))
        hide->enabled = o.enableHide;
    if (!klv::MsgDlgViewHost::installed() && m_state.visible)
        m_progressId = platform::ui::bridge().openProgress({m_caption, lineTexts(m_state), {}, {}});
    publish();
}

CMsgDlg::~CMsgDlg()
{
    klv::MsgDlgRegistry::remove(m_id);
    std::lock_guard lock(m_mutex);
    KillTimer();
    m_contexts.clear();
    StopAnimate();
    if (m_owner && *m_owner == this)
        *m_owner = nullptr;
    if (m_created && m_haveTemplate)
        if (klv::MsgDlgViewHost* host = klv::MsgDlgViewHost::installed())
            host->close(m_id);
    if (m_progressId)
        platform::ui::bridge().closeProgress(m_progressId);
}

klv::MsgDlgState CMsgDlg::snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

void CMsgDlg::EnableMsgs(int on)
{
    g_msgsEnabled = on;
}

int CMsgDlg::AreMsgsEnabled()
{
    return g_msgsEnabled;
}

klv::MsgDlgControl* CMsgDlg::ctl(int id)
{
    return m_state.control(id);
}

const klv::MsgDlgControl* CMsgDlg::ctl(int id) const
{
    return m_state.control(id);
}

void CMsgDlg::publish()
{
    if (!live())
        return;
    if (klv::MsgDlgViewHost* host = klv::MsgDlgViewHost::installed()) {
        host->show(m_state);
        return;
    }
    if (!m_progressId)
        return;
    platform::ui::ProgressState progress;
    progress.lines = lineTexts(m_state);
    progress.level = m_level;
    if (const klv::MsgDlgControl* bar = ctl(m_barId ? m_barId : kBar1))
        progress.percent = bar->position;
    if (const klv::MsgDlgControl* page = ctl(kPage))
        progress.status = page->text;
    platform::ui::bridge().updateProgress(m_progressId, progress);
    pollBridgeCancel();
}

void CMsgDlg::pollBridgeCancel()
{
    // A Cancel pressed on the bridge's display counts as a press of our Cancel.
    if (!m_progressId || m_polling || m_cancelPressed ||
        !platform::ui::bridge().progressCancelled(m_progressId))
        return;
    m_polling = true;
    OnCancel();
    m_polling = false;
}

void CMsgDlg::setText(int id, const std::string& text)
{
    if (klv::MsgDlgControl* c = ctl(id))
        c->text = text;
}

void CMsgDlg::BaseDispMsg(const char* text, int controlId)
{
    std::lock_guard lock(m_mutex);
    if (!live())
        return;
    setText(controlId, text ? text : "");
    publish();
}

void CMsgDlg::DispMsg(const char* text, unsigned line)
{
    BaseDispMsg(text, kLine0 + static_cast<int>(line));
}

const char* CMsgDlg::GetMsg(std::string& out, unsigned line) const
{
    std::lock_guard lock(m_mutex);
    if (live())
        if (const klv::MsgDlgControl* c = ctl(kLine0 + static_cast<int>(line)))
            out = c->text;
    return out.c_str();
}

void CMsgDlg::ShowMsgs(const char* const* lines)
{
    std::lock_guard lock(m_mutex);
    if (!live() || !lines)
        return;
    // The bound comes first: a full list of lines need not carry its terminator.
    for (int i = 0; i < kLineCount && lines[i]; ++i)
        setText(kLine0 + i, lines[i]);
    publish();
}

void CMsgDlg::GenericDispMsg(const char* text)
{
    std::lock_guard lock(m_mutex);
    if (!live())
        return;
    const std::string t = text ? text : "";
    if (t.empty()) {
        setText(kLine0, "");
        publish();
        return;
    }
    int n = 1;
    for (char ch : t)
        n += ch == '\n';
    const int pad = kLineCount - n;
    const int each = pad / n;
    const int rest = pad - each * n;
    std::string shown(rest > 0 ? static_cast<size_t>(rest / 2) : 0, '\n');
    for (char ch : t) {
        shown += ch;
        if (ch == '\n' && each > 0)
            shown.append(static_cast<size_t>(each), '\n');
    }
    setText(kLine0, shown);
    publish();
}

void CMsgDlg::SetPage(int page)
{
    std::lock_guard lock(m_mutex);
    if (!live())
        return;
    setText(kPage, klv::formatFields(klv::messageString(klv::kStrPage), {std::to_string(page)}));
    publish();
}

void CMsgDlg::CountDown(unsigned long n)
{
    std::lock_guard lock(m_mutex);
    if (!live())
        return;
    setText(kLine0 + 1, klv::messageString(klv::kStrCountdown) + " " + std::to_string(n));
    publish();
}

void CMsgDlg::SetLockTimer(int on)
{
    std::lock_guard lock(m_mutex);
    klv::MsgDlgControl* label = live() ? ctl(kOkButton) : nullptr;
    if (!label)
        return;
    if (on) {
        m_savedLabel = label->text;
        label->text = klv::messageString(klv::kStrTime);
    } else if (!m_savedLabel.empty()) {
        label->text = m_savedLabel;
    }
    publish();
}

void CMsgDlg::enableButton(int id, int on)
{
    klv::MsgDlgControl* b = live() ? ctl(id) : nullptr;
    if (!b)
        return;
    if (on)
        b->visible = true;
    b->enabled = on != 0;
    publish();
}

void CMsgDlg::CancelEnable(int on)
{
    std::lock_guard lock(m_mutex);
    enableButton(kCancel, on);
}

void CMsgDlg::ContinueEnable(int on)
{
    std::lock_guard lock(m_mutex);
    enableButton(kContinue, on);
}

void CMsgDlg::SetCancelFlag(std::atomic<int>* flag)
{
    std::lock_guard lock(m_mutex);
    m_cancelFlag = flag;
    if (flag)
        *flag = 0;
}

void CMsgDlg::ResetCancelFlag()
{
    std::lock_guard lock(m_mutex);
    m_cancelPressed = false;
    if (m_cancelFlag)
        *m_cancelFlag = 0;
    CancelEnable(1);
}

void CMsgDlg::Set_CMsgDlg(CMsgDlg** owner)
{
    std::lock_guard lock(m_mutex);
    m_owner = owner;
}

void CMsgDlg::ButtonClicked(int id)
{
    std::lock_guard lock(m_mutex);
    bool* pressed = id == kCancel ? &m_cancelPressed : id == kContinue ? &m_continuePressed : nullptr;
    if (id == kMax) {
        m_maxPressed = true;
    } else if (pressed && !*pressed) {
        *pressed = true;
    } else if (pressed) {
        // The second press ends the dialog.
        m_state.ended = true;
        m_state.visible = false;
        publish();
    }
}

void CMsgDlg::OnCancel()
{
    std::lock_guard lock(m_mutex);
    ButtonClicked(kCancel);
    CancelEnable(0);
    ContinueEnable(0);
    if (m_cancelFlag)
        *m_cancelFlag = 1;
    if (m_cancelHook)
        m_cancelHook();
    if (m_notify)
        m_notify(m_id);
}

void CMsgDlg::OnContinue()
{
    std::lock_guard lock(m_mutex);
    ButtonClicked(kContinue);
    CancelEnable(0);
    ContinueEnable(0);
}

void CMsgDlg::OnMax()
{
    ButtonClicked(kMax);
}

void CMsgDlg::OnHide()
{
    std::lock_guard lock(m_mutex);
    EnableMsgs(0);
    if (m_created && m_haveTemplate)
        if (klv::MsgDlgViewHost* host = klv::MsgDlgViewHost::installed())
            host->close(m_id);
    if (m_progressId)
        platform::ui::bridge().closeProgress(m_progressId);
    m_progressId = 0;
    m_created = false;
    m_state.visible = false;
}

void CMsgDlg::OnSysCommand(unsigned command)
{
    std::lock_guard lock(m_mutex);
    switch (command & 0xFFF0u) {
    case kSysMaximize:
        m_maxPressed = true;
        break;
    case kSysClose:
        OnCancel();
        break;
    case kSysMinimize:
        m_minimised = true;
        break;
    case kSysRestore:
        m_minimised = false;
        m_state.windowTitle = m_caption;
        publish();
        break;
    default:
        break;
    }
}

void CMsgDlg::DisableButton(unsigned commandId)
{
    std::lock_guard lock(m_mutex);
    for (unsigned& slot : m_disabledCommands) {
        if (slot == commandId)
            return;
        if (slot == 0) {
            slot = commandId;
            return;
        }
    }
}

unsigned CMsgDlg::SetIcon(unsigned iconId, int big)
{
    std::lock_guard lock(m_mutex);
    unsigned& slot = big ? m_bigIcon : m_smallIcon;
    const unsigned previous = slot;
    slot = iconId;
    if (big) {
        m_state.iconId = iconId;
        publish();
    }
    return previous;
}

int CMsgDlg::IsEnabled() const
{
    std::lock_guard lock(m_mutex);
    return live() ? 1 : 0;
}

bool CMsgDlg::IsCancelPressed()
{
    std::lock_guard lock(m_mutex);
    pollBridgeCancel();
    return m_cancelPressed;
}

bool CMsgDlg::IsContinuePressed() const
{
    std::lock_guard lock(m_mutex);
    return m_continuePressed;
}

bool CMsgDlg::IsMaxPressed() const
{
    std::lock_guard lock(m_mutex);
    return m_maxPressed;
}

bool CMsgDlg::IsEnded() const
{
    std::lock_guard lock(m_mutex);
    return m_state.ended;
}

bool CMsgDlg::viewCommand(unsigned dialogId, int commandId)
{
    return klv::MsgDlgRegistry::with(dialogId, [commandId](CMsgDlg& d) {
        switch (commandId) {
        case kCancel:
            d.OnCancel();
            break;
        case kContinue:
            d.OnContinue();
            break;
        case kHide:
            d.OnHide();
            break;
        case kMax:
            d.OnMax();
            break;
        default:
            break;
        }
    });
}

bool CMsgDlg::viewSysCommand(unsigned dialogId, unsigned command)
{
    return klv::MsgDlgRegistry::with(dialogId, [command](CMsgDlg& d) { d.OnSysCommand(command); });
}

bool CMsgDlg::viewTimer(unsigned dialogId, unsigned timerId)
{
    return klv::MsgDlgRegistry::with(dialogId, [timerId](CMsgDlg& d) { d.OnTimer(timerId); });
}
