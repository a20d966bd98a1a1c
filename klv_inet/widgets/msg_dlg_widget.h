#pragma once
// The widget view of one message dialog. It draws the snapshots its dialog hands over and
// reports Cancel, Continue, Hide, the system menu and the clock's ticks back by the dialog's
// id. GUI thread only.

#include "klv_inet/widgets/widgets_export.h"

#include "klv_inet/support/msg_dlg_state.h"

#include <QDialog>

#include <map>

class QTimer;

namespace klv::widgets {

class KLV_WIDGETS_EXPORT MsgDlgWidget : public QDialog
{
    Q_OBJECT
public:
    // Builds the controls of the snapshot's template; each control's object name is its
    // number ("1117", "2", ...).
    explicit MsgDlgWidget(const klv::MsgDlgState& state, QWidget* parent = nullptr);

    unsigned dialogId() const { return m_dialogId; }
    void apply(const klv::MsgDlgState& state);

protected:
    void reject() override; // Escape and the close button
    void changeEvent(QEvent* event) override;

private:
    void build(const klv::MsgDlgState& state);
    void setAnimating(bool on);

    unsigned m_dialogId;
    std::map<int, QWidget*> m_controls;
    QTimer* m_clock;
    QTimer* m_animation;
    int m_frame = 0;
};

} // namespace klv::widgets
