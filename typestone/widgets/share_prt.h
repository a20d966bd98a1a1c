#pragma once
// "Share Printer": how one printer is offered to hosts (not shared, or shared under a name
// with an optional password). A changed password must be typed a second time (CPwdConfirm)
// before OK closes the dialog; Cancel leaves the caller's record as it was, since the caller
// copies the dialog's values (CopyTo) only after OK. GUI thread only.

#include "typestone/server/prt_cfg.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace typestone {

class CSharePrt : public QDialog
{
    Q_OBJECT

public:
    // What the two printer buttons do; a button without its action is not shown.
    struct Actions
    {
        // The driver's settings dialog on the dialog's copy of the device settings; true when
        // the copy was changed.
        std::function<bool(const std::string& printer, std::optional<DevMode>* devMode, QWidget* parent)>
            properties;
        // A test page with the dialog's device settings.
        std::function<void(const std::string& printer, const std::optional<DevMode>& devMode,
                           QWidget* parent)>
            printTest;
    };

    // The longest share name in bytes.
    static constexpr int kMaxShareName = 255;

    CSharePrt(const PRTCFG& record, QWidget* parent = nullptr, Actions actions = {});

    // The record as the dialog leaves it: installed, the share flag, the names, at most 8
    // password characters and the device settings; its driver names stay as they are.
    void CopyTo(PRTCFG* record) const;

    QRadioButton* notSharedButton() const { return m_notShared; }
    QRadioButton* sharedAsButton() const { return m_sharedAs; }
    QLineEdit* shareNameEdit() const { return m_shareName; }
    QLineEdit* passwordEdit() const { return m_password; }

    void accept() override;
    void reject() override;

private:
    void updateEnabled();

    Actions m_actions;
    std::string m_printerName;
    std::string m_openPassword; // the password as the dialog opened with it
    std::optional<DevMode> m_devMode;
    int m_shared = 0; // the radio index
    std::string m_shareNameValue;
    std::string m_passwordValue;

    QRadioButton* m_notShared = nullptr;
    QRadioButton* m_sharedAs = nullptr;
    QLineEdit* m_shareName = nullptr;
    QLineEdit* m_password = nullptr;
};

// The share dialog as the shared-printer dialog's editor: true (and `record` changed) on OK.
// Its printer buttons do what SetShareActions gave (desktop mode sets them at start).
bool EditShare(PRTCFG& record, QWidget* parent);
void SetShareActions(CSharePrt::Actions actions);

} // namespace typestone
