#include "klv_inet/widgets/msg_dlg_widget.h"

#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/msg_dlg_ids.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace klv::widgets {
namespace {

using K = klv::MsgDlgControlKind;
using namespace klv::msgdlg;

constexpr int kClockPeriodMs = 1000;
constexpr int kAnimationPeriodMs = 120;

} // namespace

MsgDlgWidget::MsgDlgWidget(const klv::MsgDlgState& state, QWidget* parent)
    : QDialog(parent), m_dialogId(state.dialogId), m_clock(new QTimer(this)), m_animation(new QTimer(this))
{
    setObjectName(QString("msgdlg-%1").arg(state.templateId));
    setModal(false);
    build(state);
    connect(m_clock, &QTimer::timeout, this, [this] { CMsgDlg::viewTimer(m_dialogId, kClockTimer); });
    connect(m_animation, &QTimer::timeout, this, [this] {
        // A busy indicator stands in for the animation clip: the bar sweeps while it plays.
        if (auto* bar = qobject_cast<QProgressBar*>(m_controls[kBar2]))
            bar->setValue(m_frame = (m_frame + 5) % 105);
    });
    apply(state);
}

void MsgDlgWidget::build(const klv::MsgDlgState& state)
{
    auto* layout = new QVBoxLayout(this);
    QHBoxLayout* buttons = nullptr;
    const int maxWidth =
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size().width() / 2 : 640;
    for (const klv::MsgDlgControl& c : state.controls) {
        QWidget* w = nullptr;
        switch (c.kind) {
        case K::Button: {
            auto* b = new QPushButton(this);
            const int id = c.id;
            connect(b, &QPushButton::clicked, this, [this, id] { CMsgDlg::viewCommand(m_dialogId, id); });
            if (!buttons) {
                buttons = new QHBoxLayout;
                buttons->addStretch();
            }
            buttons->addWidget(b);
            w = b;
            break;
        }
        case K::CheckBox: {
            auto* box = new QCheckBox(this);
            connect(box, &QCheckBox::toggled, this, [this](bool on) {
                if (on)
                    CMsgDlg::viewCommand(m_dialogId, kHide);
            });
            w = box;
            break;
        }
        case K::Label:
        case K::CenteredLabel: {
            auto* l = new QLabel(this);
            l->setWordWrap(true);
            l->setMaximumWidth(maxWidth); // the generic message grows with its text up to half the screen
            if (c.kind == K::CenteredLabel)
                l->setAlignment(Qt::AlignCenter);
            w = l;
            break;
        }
        case K::ProgressBar:
        case K::Animation: {
            auto* bar = new QProgressBar(this);
            bar->setRange(0, 100);
            bar->setTextVisible(c.kind == K::ProgressBar);
            w = bar;
            break;
        }
        case K::Frame:
            w = new QGroupBox(this);
            break;
        case K::Separator: {
            auto* line = new QFrame(this);
            line->setFrameShape(QFrame::HLine);
            w = line;
            break;
        }
        }
        w->setObjectName(QString::number(c.id));
        m_controls[c.id] = w;
        if (c.kind != K::Button && c.kind != K::Frame)
            layout->addWidget(w);
    }
    if (buttons) {
        buttons->addStretch();
        layout->addLayout(buttons);
    }
    if (QWidget* frame = m_controls.count(kFrame) ? m_controls[kFrame] : nullptr)
        frame->hide(); // the frame of the Windows layout; the layout itself frames the text here
}

void MsgDlgWidget::apply(const klv::MsgDlgState& state)
{
    setWindowTitle(QString::fromStdString(state.windowTitle));
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowCloseButtonHint, state.systemMenu);
    if (flags != windowFlags())
        setWindowFlags(flags);
    for (const klv::MsgDlgControl& c : state.controls) {
        QWidget* w = m_controls.count(c.id) ? m_controls[c.id] : nullptr;
        if (!w || c.id == kFrame)
            continue;
        const QString text = QString::fromStdString(c.text);
        if (auto* l = qobject_cast<QLabel*>(w))
            l->setText(text);
        else if (auto* b = qobject_cast<QPushButton*>(w))
            b->setText(text);
        else if (auto* box = qobject_cast<QCheckBox*>(w))
            box->setText(text);
        else if (auto* bar = qobject_cast<QProgressBar*>(w); bar && c.kind == K::ProgressBar)
            bar->setValue(c.position);
        w->setVisible(c.visible);
        w->setEnabled(c.enabled);
    }
    setAnimating(state.animating);
    if (state.clockRunning && !m_clock->isActive())
        m_clock->start(kClockPeriodMs);
    else if (!state.clockRunning)
        m_clock->stop();
    setVisible(state.visible && !state.ended);
}

void MsgDlgWidget::setAnimating(bool on)
{
    if (on && !m_animation->isActive())
        m_animation->start(kAnimationPeriodMs);
    else if (!on)
        m_animation->stop();
}

void MsgDlgWidget::reject()
{
    // Closing is the system menu's Close: the dialog decides (the first press only cancels).
    CMsgDlg::viewSysCommand(m_dialogId, kSysClose);
}

void MsgDlgWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        CMsgDlg::viewSysCommand(m_dialogId, isMinimized() ? kSysMinimize : kSysRestore);
    QDialog::changeEvent(event);
}

} // namespace klv::widgets
