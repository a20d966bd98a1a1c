#include "typestone/widgets/share_prt.h"

#include "typestone/server/desktop_strings.h"
#include "typestone/widgets/desktop_text.h"
#include "typestone/widgets/password_limit.h"
#include "typestone/widgets/pwd_confirm.h"

#include "klv_inet/support/text_compare.h"
#include "platform/ui/ui_bridge.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace typestone {

CSharePrt::CSharePrt(const PRTCFG& record, QWidget* parent, Actions actions)
    : QDialog(parent), m_actions(std::move(actions)), m_printerName(record.printerName),
      m_openPassword(record.Password()), m_devMode(record.devMode), m_shared(record.bShared ? 1 : 0),
      m_shareNameValue(record.shareName), m_passwordValue(record.Password())
{
    setWindowTitle(desktopText(kStrShareTitle, "Share Printer"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(desktopText(kStrShareGroup, "Share"), this);
    auto* form = new QFormLayout(group);

    auto* printer = new QLineEdit(QString::fromStdString(m_printerName), group);
    printer->setReadOnly(true);
    form->addRow(desktopText(kStrSharePrinter, "Printer:"), printer);

    m_notShared = new QRadioButton(desktopText(kStrNotShared, "Not Shared"), group);
    m_sharedAs = new QRadioButton(desktopText(kStrSharedAs, "Shared As"), group);
    form->addRow(m_notShared);
    form->addRow(m_sharedAs);
    (m_shared ? m_sharedAs : m_notShared)->setChecked(true);
    connect(m_notShared, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(m_sharedAs, &QRadioButton::toggled, this, [this] { updateEnabled(); });

    m_shareName = new QLineEdit(QString::fromStdString(m_shareNameValue), group);
    m_shareName->setObjectName("shareName");
    m_shareName->setMaxLength(kMaxShareName);
    form->addRow(desktopText(kStrShareName, "Name:"), m_shareName);

    m_password = new QLineEdit(QString::fromStdString(m_passwordValue), group);
    m_password->setObjectName("password");
    m_password->setEchoMode(QLineEdit::Password);
    LimitPasswordEdit(m_password, kPasswordLimit);
    form->addRow(desktopText(kStrSharePassword, "Password:"), m_password);
    layout->addWidget(group);

    auto* printerButtons = new QHBoxLayout;
    if (m_actions.properties) {
        auto* properties = new QPushButton(desktopText(kStrProperties, "Properties..."), this);
        properties->setAutoDefault(false);
        properties->setObjectName("properties");
        connect(properties, &QPushButton::clicked, this,
                [this] { m_actions.properties(m_printerName, &m_devMode, this); });
        printerButtons->addWidget(properties);
    }
    if (m_actions.printTest) {
        auto* test = new QPushButton(desktopText(kStrPrintTest, "Print Test"), this);
        // Return in the dialog stays its OK, also after the test had the focus.
        test->setAutoDefault(false);
        test->setObjectName("printTest");
        connect(test, &QPushButton::clicked, this,
                [this] { m_actions.printTest(m_printerName, m_devMode, this); });
        printerButtons->addWidget(test);
    }
    layout->addLayout(printerButtons);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(desktopText(kStrButtonOk, "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(desktopText(kStrButtonCancel, "Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CSharePrt::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSharePrt::reject);
    layout->addWidget(buttons);
    updateEnabled();
}

void CSharePrt::updateEnabled()
{
    const bool shared = m_sharedAs->isChecked();
    m_shareName->setEnabled(shared);
    m_password->setEnabled(shared);
}

void CSharePrt::accept()
{
    std::string password = m_password->text().toStdString();
    LimitPassword(&password, kPasswordLimit);
    if (!klv::equalsNoCase(password, m_openPassword)) {
        CPwdConfirm confirm(password, kPasswordLimit, this);
        if (confirm.exec() != QDialog::Accepted)
            return;
    }
    m_passwordValue = password;
    m_shared = m_sharedAs->isChecked() ? 1 : 0;
    // Stored as text of at most kMaxShareName bytes, which the store reads back whole.
    m_shareNameValue = platform::ui::clipToLength(m_shareName->text().toStdString(), kMaxShareName);
    QDialog::accept();
}

void CSharePrt::reject()
{
    m_passwordValue = m_openPassword;
    QDialog::reject();
}

void CSharePrt::CopyTo(PRTCFG* record) const
{
    if (!record)
        return;
    record->installed = true;
    record->bShared = m_shared != 0;
    record->printerName = m_printerName;
    record->shareName = m_shareNameValue;
    record->SetPassword(m_passwordValue);
    record->devMode = m_devMode;
}

namespace {
CSharePrt::Actions& shareActions()
{
    static CSharePrt::Actions actions; // GUI thread only
    return actions;
}
} // namespace

void SetShareActions(CSharePrt::Actions actions)
{
    shareActions() = std::move(actions);
}

bool EditShare(PRTCFG& record, QWidget* parent)
{
    CSharePrt dialog(record, parent, shareActions());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.CopyTo(&record);
    return true;
}

} // namespace typestone
