#include "klv_inet/widgets/upd_form.h"

#include "klv_inet/webupdate/prod_update_text.h"

#include "platform/ui/message_box.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString text(unsigned id)
{
    return QString::fromStdString(klv::WebUpdateString(id));
}

QLineEdit* makeEdit(QWidget* parent, int id)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::number(id));
    e->setMaxLength(255); // what the stored values hold
    return e;
}

} // namespace

CUpdForm::CUpdForm(QWidget* parent)
    : QDialog(parent), m_email(makeEdit(this, kEmail)), m_name(makeEdit(this, kName)),
      m_company(makeEdit(this, kCompany)), m_city(makeEdit(this, kCity)), m_country(makeEdit(this, kCountry))
{
    setWindowTitle(text(8010));
    auto* form = new QFormLayout;
    form->addRow(text(8011), m_name);
    form->addRow(text(8012), m_company);
    form->addRow(text(8013), m_email);
    form->addRow(text(8014), m_city);
    form->addRow(text(8015), m_country);
    auto* buttons = new QDialogButtonBox(this);
    m_submit = buttons->addButton(text(8016), QDialogButtonBox::AcceptRole);
    m_submit->setObjectName(QString::number(kSubmit));
    m_submit->setDefault(true);
    QPushButton* cancel = buttons->addButton(text(8017), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QString::number(kCancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    for (QLineEdit* e : {m_email, m_name, m_company, m_city, m_country})
        connect(e, &QLineEdit::textChanged, this, &CUpdForm::OnChange);
    Ready2Submit();
}

CUpdForm::~CUpdForm() = default;

QLineEdit* CUpdForm::edit(int id) const
{
    switch (id) {
    case kEmail:
        return m_email;
    case kName:
        return m_name;
    case kCompany:
        return m_company;
    case kCity:
        return m_city;
    case kCountry:
        return m_country;
    default:
        return nullptr;
    }
}

void CUpdForm::SetData(const std::string& email, const std::string& name, const std::string& company,
                       const std::string& city, const std::string& country)
{
    m_email->setText(QString::fromStdString(email));
    m_name->setText(QString::fromStdString(name));
    m_company->setText(QString::fromStdString(company));
    m_city->setText(QString::fromStdString(city));
    m_country->setText(QString::fromStdString(country));
    Ready2Submit();
}

void CUpdForm::GetData(std::string& email, std::string& name, std::string& company, std::string& city,
                       std::string& country) const
{
    email = m_email->text().toStdString();
    name = m_name->text().toStdString();
    company = m_company->text().toStdString();
    city = m_city->text().toStdString();
    country = m_country->text().toStdString();
}

int CUpdForm::DoModal()
{
    return exec() == QDialog::Accepted ? platform::ui::kIdOk : platform::ui::kIdCancel;
}

bool CUpdForm::Ready2Submit()
{
    const bool ready = !m_name->text().isEmpty() && !m_company->text().isEmpty() &&
                       !m_city->text().isEmpty() && !m_country->text().isEmpty();
    m_submit->setEnabled(ready);
    return ready;
}

void CUpdForm::OnChange()
{
    Ready2Submit();
}
