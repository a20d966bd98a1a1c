#include "typestone/widgets/pwd_confirm.h"

#include "typestone/server/desktop_strings.h"
#include "typestone/server/server_trace.h"
#include "typestone/widgets/desktop_text.h"
#include "typestone/widgets/password_limit.h"

#include "klv_inet/support/text_compare.h"
#include "platform/ui/message_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace typestone {

CPwdConfirm::CPwdConfirm(std::string password, std::size_t limit, QWidget* parent)
    : QDialog(parent), m_password(std::move(password))
{
    setWindowTitle(desktopText(kStrConfirmTitle, "Password Confirmation"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(desktopText(kStrConfirmText, "Please type your password again"), this);
    label->setWordWrap(true);
    layout->addWidget(label);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("password");
    m_edit->setEchoMode(QLineEdit::Password);
    LimitPasswordEdit(m_edit, limit);
    layout->addWidget(m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(desktopText(kStrButtonOk, "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(desktopText(kStrButtonCancel, "Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CPwdConfirm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPwdConfirm::reject);
    layout->addWidget(buttons);
}

void CPwdConfirm::accept()
{
    if (klv::equalsNoCase(m_edit->text().toStdString(), m_password)) {
        QDialog::accept();
        return;
    }
    const std::string text = serverString(kStrPasswordIncorrect);
    TRZ_MsgBox(text.empty() ? "The password is incorrect" : text.c_str(),
               platform::ui::kMbOk | platform::ui::kMbIconExclamation, 0, kTrzCore);
    m_edit->selectAll();
    m_edit->setFocus();
}

} // namespace typestone
