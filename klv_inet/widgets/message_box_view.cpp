#include "klv_inet/widgets/message_box_view.h"

#include "klv_inet/support/msg_box_format.h"

#include "platform/ui/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <algorithm>

namespace klv::widgets {
namespace {

using namespace platform::ui;

QMessageBox::StandardButton buttonFor(int answer)
{
    switch (answer) {
    case kIdOk:
        return QMessageBox::Ok;
    case kIdCancel:
        return QMessageBox::Cancel;
    case kIdAbort:
        return QMessageBox::Abort;
    case kIdRetry:
        return QMessageBox::Retry;
    case kIdIgnore:
        return QMessageBox::Ignore;
    case kIdYes:
        return QMessageBox::Yes;
    case kIdNo:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

QMessageBox::Icon iconFor(std::uint32_t style)
{
    switch (style & kMbIconMask) {
    case kMbIconHand:
        return QMessageBox::Critical;
    case kMbIconQuestion:
        return QMessageBox::Question;
    case kMbIconExclamation:
        return QMessageBox::Warning;
    case kMbIconAsterisk:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int showMessageBox(const MessageBoxRequest& request, QWidget* parent)
{
    QMessageBox box(iconFor(request.style), QString::fromStdString(request.caption),
                    QString::fromStdString(request.text), QMessageBox::NoButton, parent);
    box.setObjectName(kMessageBoxName);
    const auto answers = buttonAnswers(request.style);
    for (int answer : answers)
        box.addButton(buttonFor(answer));
    // The same default a time-out answers with: the n-th button, the last when n is too big.
    box.setDefaultButton(buttonFor(klv::mb::defaultAnswer(request.style)));
    // Escape and the close button answer Cancel where the set has one, else its only button.
    for (int answer : answers)
        if (answer == kIdCancel || answers.size() == 1)
            box.setEscapeButton(box.button(buttonFor(answer)));
    if (request.style & kMbTopmost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);

    bool timedOut = false;
    QTimer timer;
    if (request.timeoutMs) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &box, [&box, &timedOut] {
            timedOut = true;
            box.done(0);
        });
        timer.start(static_cast<int>(std::min<std::uint32_t>(request.timeoutMs, 0x7FFFFFFF)));
    }
    box.exec();
    if (timedOut)
        return kIdTimeout;
    for (int answer : answers)
        if (box.clickedButton() && box.clickedButton() == box.button(buttonFor(answer)))
            return answer;
    return answers.size() == 1 ? answers[0] : kIdCancel;
}

} // namespace klv::widgets
