#include "typestone/widgets/about_dlg.h"

#include "typestone/server/app_strings.h"
#include "typestone/server/desktop_strings.h"
#include "typestone/server/instance_startup.h"
#include "typestone/server/version.h"
#include "typestone/widgets/desktop_text.h"
#include "typestone/widgets/tray_icons.h"

#include "klv_inet/support/reg_product.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace typestone {

QString CAboutDlg::StateLine(bool paused, uint16_t tcpPort)
{
    // The port's text begins with its own dash, so the title and state come first without one.
    QString port = desktopText(kStrPortLine, "- Port: %u");
    port.replace(QStringLiteral("%u"), QString::number(tcpPort));
    return desktopText(kStrServerTitle, "Typestone Server") +
           (paused ? desktopText(kStrIsDisabled, " is disabled")
                   : desktopText(kStrIsEnabled, " is enabled")) +
           QStringLiteral(" ") + port;
}

CAboutDlg::CAboutDlg(const State& state, QWidget* parent) : QDialog(parent)
{
    const QString title = desktopText(kStrServerTitle, "Typestone Server");
    setWindowTitle(title);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(ServerIcon(state.paused).pixmap(48, 48));
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    m_title = new QLabel(title, this);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    std::string version;
    m_version = new QLabel(QString::fromStdString(FormatVersion(version)).trimmed(), this);
    m_notice = new QLabel(desktopText(kStrAboutNotice, "A print server for VALDOR hosts."), this);
    QString stateText;
    if (state.splash) {
        const std::string running = appString(kStrAlreadyStarted);
        stateText =
            QString::fromStdString(running.empty() ? "Typestone Server is already started." : running);
    } else {
        stateText = StateLine(state.paused, state.tcpPort);
    }
    m_state = new QLabel(stateText, this);
    m_state->setWordWrap(true);
    for (QLabel* label : {m_title, m_version, m_notice, m_state})
        texts->addWidget(label);
    top->addLayout(texts, 1);
    layout->addLayout(top);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(desktopText(kStrButtonOk, "OK"));
    auto* notes =
        buttons->addButton(desktopText(kStrReleaseNotes, "Release Notes"), QDialogButtonBox::HelpRole);
    connect(notes, &QPushButton::clicked, this, [] { ShowVersionNotes("typstver.htm"); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CAboutDlg::accept);
    layout->addWidget(buttons);

    if (state.splash)
        QTimer::singleShot(kSplashMs, this, &CAboutDlg::accept);
}

} // namespace typestone
