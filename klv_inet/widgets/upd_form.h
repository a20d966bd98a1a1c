#pragma once
// The modal "Update Form": name, company, e-mail address, city and country of the user, sent
// with an update request. "Submit" is enabled only while name, company, city and country are
// all filled in (the e-mail address may stay empty).

#include "klv_inet/widgets/widgets_export.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

class KLV_WIDGETS_EXPORT CUpdForm : public QDialog
{
    Q_OBJECT
public:
    // Control numbers, used as the widgets' object names.
    static constexpr int kEmail = 1035, kName = 1036, kCompany = 1037, kCity = 1038, kCountry = 1039;
    static constexpr int kSubmit = 1, kCancel = 2;

    explicit CUpdForm(QWidget* parent = nullptr);
    ~CUpdForm() override;

    void SetData(const std::string& email, const std::string& name, const std::string& company,
                 const std::string& city, const std::string& country);
    void GetData(std::string& email, std::string& name, std::string& company, std::string& city,
                 std::string& country) const;
    // kIdOk when submitted, kIdCancel otherwise.
    int DoModal();
    virtual bool Ready2Submit();

    QLineEdit* edit(int id) const;
    QPushButton* submitButton() const { return m_submit; }

private:
    void OnChange();

    QLineEdit* m_email;
    QLineEdit* m_name;
    QLineEdit* m_company;
    QLineEdit* m_city;
    QLineEdit* m_country;
    QPushButton* m_submit;
};
