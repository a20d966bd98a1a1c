#pragma once
// The bridge's plain progress display: a caption, the lines, a bar and a Cancel button.

#include "platform/ui/ui_requests.h"

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace klv::widgets {

class ProgressWindow : public QDialog
{
    Q_OBJECT
public:
    ProgressWindow(const platform::ui::ProgressRequest& request, std::function<void()> onCancel);
    void apply(const platform::ui::ProgressState& state);
    // Cancel can be pressed again (the owner went on after the first press).
    void allowCancel();

protected:
    void reject() override;

private:
    QLabel* m_lines;
    QLabel* m_status;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    std::function<void()> m_onCancel;
};

} // namespace klv::widgets
