#include "klv_inet/widgets/gen_input.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace klv::widgets {
namespace {

std::string orEmpty(const char* text)
{
    return text ? std::string(text) : std::string();
}

} // namespace

CGenInput::CGenInput(std::uint16_t number, const char* caption, const char* firstLabel,
                     const char* secondLabel, const GenInputForm& form, QWidget* parent)
    : QDialog(parent), m_number(number)
{
    SetTexts(caption, firstLabel, secondLabel);
    build(form);
}

CGenInput::CGenInput(const std::string& text, const char* caption, const char* firstLabel,
                     const char* secondLabel, const GenInputForm& form, QWidget* parent)
    : QDialog(parent), m_text(text)
{
    SetTexts(caption, firstLabel, secondLabel);
    build(form);
}

void CGenInput::SetTexts(const char* caption, const char* firstLabel, const char* secondLabel)
{
    m_caption = orEmpty(caption);
    m_firstText = orEmpty(firstLabel);
    m_secondText = orEmpty(secondLabel);
}

void CGenInput::build(const GenInputForm& form)
{
    auto* layout = new QVBoxLayout(this);
    auto control = [](QWidget* w, int id) {
        w->setObjectName(QString::number(id));
        return w;
    };
    if (form.firstLabel) {
        m_firstLabel = new QLabel(this);
        layout->addWidget(control(m_firstLabel, kIdFirstLabel));
    }
    if (form.secondLabel) {
        m_secondLabel = new QLabel(this);
        layout->addWidget(control(m_secondLabel, kIdSecondLabel));
    }
    if (form.numberField) {
        m_numberEdit = new QLineEdit(this);
        // Digits only; the range is checked when the value is taken.
        m_numberEdit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_numberEdit));
        layout->addWidget(control(m_numberEdit, kIdNumber));
    }
    if (form.textField) {
        m_textEdit = new QLineEdit(this);
        layout->addWidget(control(m_textEdit, kIdText));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CGenInput::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CGenInput::reject);
    layout->addWidget(buttons);
}

void CGenInput::OnInitDialog()
{
    DoDataExchange(false);
    setWindowTitle(QString::fromStdString(m_caption));
    if (m_firstLabel)
        m_firstLabel->setText(QString::fromStdString(m_firstText));
    if (m_secondLabel)
        m_secondLabel->setText(QString::fromStdString(m_secondText));
    if (m_numberEdit)
        m_numberEdit->setFocus();
    if (m_textEdit)
        m_textEdit->setFocus();
}

bool CGenInput::DoDataExchange(bool save)
{
    if (!save) {
        if (m_numberEdit)
            m_numberEdit->setText(QString::number(m_number));
        if (m_textEdit)
            m_textEdit->setText(QString::fromStdString(m_text));
        return true;
    }
    if (m_numberEdit) {
        bool ok = false;
        const uint value = m_numberEdit->text().trimmed().toUInt(&ok, 10);
        if (!ok || value > 0xFFFF) {
            platform::ui::MessageBoxRequest box;
            box.text = "Please enter a number from 0 to 65535.";
            box.caption = m_caption;
            box.style = platform::ui::kMbOk | platform::ui::kMbIconExclamation;
            platform::ui::bridge().messageBox(box);
            m_numberEdit->setFocus();
            m_numberEdit->selectAll();
            return false;
        }
        m_number = static_cast<std::uint16_t>(value);
    }
    if (m_textEdit)
        m_text = m_textEdit->text().toStdString();
    return true;
}

void CGenInput::Create()
{
    OnInitDialog();
    show();
}

int CGenInput::DoModal()
{
    OnInitDialog();
    return exec();
}

void CGenInput::accept()
{
    if (DoDataExchange(true))
        QDialog::accept();
}

} // namespace klv::widgets
