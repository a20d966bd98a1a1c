#pragma once
// The modeless message and progress dialog.
//
// One class serves several layouts, chosen by template number (msg_dlg_ids.h): the job progress
// dialog, the compact progress strip, the file-copy dialog, the update-search notice and the
// generic message sized to its text. The object is the model: it keeps every text, bar, level
// and clock, and hands a snapshot to the installed view host after each change. Its operations
// are called on the thread that created it; the view reports clicks and timer ticks back by
// the dialog's id, so a view never holds the address of a dialog that may be gone.

#include "klv_inet/support/klv_export.h"
#include "klv_inet/support/msg_context.h"
#include "klv_inet/support/msg_dlg_state.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace klv {
class MsgClock;
}
class CMsgDlg;

struct CMsgDlgOptions
{
    unsigned templateId = 0;
    const char* title = nullptr;
    const char* const* lines = nullptr; // NULL-terminated
    bool cancellable = false;
    bool showAlways = false; // shown even while messages are disabled
    unsigned iconId = 0;
    std::atomic<int>* cancelFlag = nullptr; // set to 1 by Cancel
    CMsgDlg** owner = nullptr;              // cleared by the destructor when it still names this dialog
    const char* appText = nullptr;          // null: the application name
    bool visible = true;
    bool enableHide = false;
    bool libraryResources = false; // the library's own templates rather than the application's
    // Called once per Cancel with the dialog's id; it must not block (post a queued call).
    std::function<void(unsigned dialogId)> notify;
    // Called on Cancel to abort a running transfer (the web update's session); must not block.
    std::function<void()> cancelHook;
};

class KLV_EXPORT CMsgDlg
{
public:
    explicit CMsgDlg(const CMsgDlgOptions& options, klv::MsgClock* clock = nullptr);
    virtual ~CMsgDlg();
    CMsgDlg(const CMsgDlg&) = delete;
    CMsgDlg& operator=(const CMsgDlg&) = delete;

    unsigned id() const { return m_id; }
    const klv::MsgClock& clock() const { return *m_clock; }
    klv::MsgDlgState snapshot() const;

    // The process-wide switch: while 0, dialogs built without showAlways get no window.
    static void EnableMsgs(int on);
    static int AreMsgsEnabled();

    // Messages and lines.
    void BaseDispMsg(const char* text, int controlId);
    void DispMsg(const char* text, unsigned line);
    const char* GetMsg(std::string& out, unsigned line) const;
    void ShowMsgs(const char* const* lines);
    void GenericDispMsg(const char* text);
    void SetPage(int page);
    void CountDown(unsigned long n);
    void SetLockTimer(int on);

    // Progress.
    void SetProgressCtrl(int level);
    int GetProgressCtrl() const; // control id, 0 when none
    void SetPos(unsigned long pos);
    void SetLevelProgress(int pos, int level);
    int GetLevelProgress(int level) const;
    void ReportProgress(uint64_t done, uint64_t total);
    void Time2Go(time_t start, uint64_t total, uint64_t done, int showRate);
    void SetLevel(int n);
    void IncrLevel(int by);
    int GetLevel() const;
    void IncrProgressContext(int n);

    // Buttons and cancel.
    void CancelEnable(int on);
    void ContinueEnable(int on);
    void SetCancelFlag(std::atomic<int>* flag);
    void ResetCancelFlag();
    void Set_CMsgDlg(CMsgDlg** owner);
    virtual void OnCancel();
    virtual void OnContinue();
    virtual void OnMax();
    void OnHide();
    void OnSysCommand(unsigned command);
    void DisableButton(unsigned commandId);
    unsigned SetIcon(unsigned iconId, int big);
    int IsEnabled() const;
    // Also takes a Cancel pressed on the bridge's progress display into account.
    bool IsCancelPressed();
    bool IsContinuePressed() const;
    bool IsMaxPressed() const;
    bool IsEnded() const;

    // Clock and animation.
    void SetTimer(int controlId, unsigned long limitMs);
    void KillTimer();
    void OnTimer(unsigned timerId);
    void Animate(unsigned clipId);
    void StopAnimate();

    // Entry points of the views, by dialog id; false when the dialog is gone.
    static bool viewCommand(unsigned dialogId, int commandId);
    static bool viewSysCommand(unsigned dialogId, unsigned command);
    static bool viewTimer(unsigned dialogId, unsigned timerId);

protected:
    int SkipReport(uint64_t* lastTick) const;
    void ButtonClicked(int id);

private:
    bool live() const { return m_created && m_haveTemplate; }
    klv::MsgDlgControl* ctl(int id);
    const klv::MsgDlgControl* ctl(int id) const;
    void setText(int id, const std::string& text);
    void enableButton(int id, int on);
    void publish();
    void pollBridgeCancel();

    mutable std::recursive_mutex m_mutex;
    klv::MsgClock* m_clock;
    unsigned m_id = 0;
    klv::MsgDlgState m_state;
    bool m_created = false;
    bool m_haveTemplate = false;
    bool m_generic = false;
    bool m_cancelPressed = false;
    bool m_continuePressed = false;
    bool m_maxPressed = false;
    bool m_minimised = false;
    std::string m_savedLabel;
    std::string m_caption;
    int m_barId = 0;
    int m_progressCtrl = 0;
    bool m_timerRunning = false;
    int m_clockCtrl = 0;
    uint64_t m_clockStart = 0;
    uint64_t m_clockLimit = 0;
    uint64_t m_lastProgressTick = 0;
    uint64_t m_lastTimeTick = 0;
    int m_level = 1;
    std::deque<CMsgContext> m_contexts; // newest first
    std::atomic<int>* m_cancelFlag = nullptr;
    CMsgDlg** m_owner = nullptr;
    std::function<void(unsigned)> m_notify;
    std::function<void()> m_cancelHook;
    unsigned m_disabledCommands[8] = {};
    unsigned m_bigIcon = 0;
    unsigned m_smallIcon = 0;
    // Without a view host the dialog is shown through the bridge's progress display.
    uint64_t m_progressId = 0;
    bool m_polling = false;
};
