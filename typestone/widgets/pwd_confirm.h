#pragma once
// The second typing of a changed password. OK closes the dialog only when the text typed
// equals the password to match without regard to case; otherwise the person is told "The
// password is incorrect" and the dialog stays open. GUI thread only.

#include <QDialog>

#include <cstddef>
#include <string>

class QLineEdit;

namespace typestone {

class CPwdConfirm : public QDialog
{
    Q_OBJECT

public:
    CPwdConfirm(std::string password, std::size_t limit, QWidget* parent = nullptr);

    QLineEdit* passwordEdit() const { return m_edit; }

    void accept() override;

private:
    std::string m_password;
    QLineEdit* m_edit = nullptr;
};

} // namespace typestone
