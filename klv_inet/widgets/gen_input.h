#pragma once
// A small dialog that asks for one number or one line of text, with a caption and two label
// lines chosen by the caller. The caller's form says which controls the dialog has; the class
// only fills the texts, moves the focus to the input field and exchanges the value. GUI thread
// only.

#include "klv_inet/widgets/widgets_export.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;

namespace klv::widgets {

// The controls of one form of the dialog (the caller's template).
struct GenInputForm
{
    bool numberField = false; // control 1035
    bool textField = false;   // control 1217
    bool firstLabel = true;   // control 1123
    bool secondLabel = true;  // control 1232
};

class KLV_WIDGETS_EXPORT CGenInput : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kIdNumber = 1035;
    static constexpr int kIdText = 1217;
    static constexpr int kIdFirstLabel = 1123;
    static constexpr int kIdSecondLabel = 1232;

    // A null text is an empty one. The text starts empty.
    CGenInput(std::uint16_t number, const char* caption, const char* firstLabel, const char* secondLabel,
              const GenInputForm& form, QWidget* parent = nullptr);
    // The number starts at 0.
    CGenInput(const std::string& text, const char* caption, const char* firstLabel, const char* secondLabel,
              const GenInputForm& form, QWidget* parent = nullptr);

    void SetTexts(const char* caption, const char* firstLabel, const char* secondLabel);

    // Shows the dialog modeless (OnInitDialog first); DoModal runs it modal and gives
    // QDialog::Accepted after OK with the value taken.
    void Create();
    int DoModal();

    // The caption and the labels go to the window, the values to their fields; the text field
    // gets the focus when there is one, else the number field.
    void OnInitDialog();
    // save: from the fields into the values (false, after a message, when the number is not
    // one from 0 to 65535); else from the values into the fields. Only the controls the form
    // has take part.
    bool DoDataExchange(bool save);

    std::uint16_t Number() const { return m_number; }
    const std::string& Text() const { return m_text; }

    // The controls; null when the form has none.
    QLineEdit* numberField() const { return m_numberEdit; }
    QLineEdit* textField() const { return m_textEdit; }
    QLabel* firstLabel() const { return m_firstLabel; }
    QLabel* secondLabel() const { return m_secondLabel; }

    void accept() override;

private:
    void build(const GenInputForm& form);

    std::uint16_t m_number = 0;
    std::string m_text;
    std::string m_caption;
    std::string m_firstText;
    std::string m_secondText;
    QLineEdit* m_numberEdit = nullptr;
    QLineEdit* m_textEdit = nullptr;
    QLabel* m_firstLabel = nullptr;
    QLabel* m_secondLabel = nullptr;
};

} // namespace klv::widgets
