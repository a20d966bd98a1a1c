#include "klv_inet/widgets/unsupported_command_view.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace klv::widgets {

using platform::ui::UnsupportedCommandAnswer;
using platform::ui::UnsupportedCommandRequest;

UnsupportedCommandAnswer showUnsupportedCommand(const UnsupportedCommandRequest& request, QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(kUnsupportedCommandName);
    dialog.setWindowTitle(QString::fromStdString(request.caption));

    auto* icon = new QLabel(&dialog);
    const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog.style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
    auto* text = new QLabel(QString::fromStdString(request.text), &dialog);
    text->setObjectName(kUnsupportedTextName);
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* ignore = new QCheckBox(QObject::tr("Ignore Unsupported Commands"), &dialog);
    ignore->setObjectName(kUnsupportedIgnoreName);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    auto* update = buttons->addButton(QObject::tr("&Update"), QDialogButtonBox::ActionRole);
    update->setObjectName(kUnsupportedUpdateName);
    update->setEnabled(static_cast<bool>(request.update));
    update->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(top);
    layout->addWidget(ignore);
    layout->addWidget(buttons);

    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    // The query may take a while and show dialogs of its own; the report stays open meanwhile.
    QObject::connect(update, &QPushButton::clicked, &dialog, [&request, update] {
        update->setEnabled(false);
        if (request.update())
            update->setEnabled(true);
    });

    bool timedOut = false;
    QTimer timer;
    if (request.timeoutMs != 0) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &dialog, [&dialog, &timedOut] {
            timedOut = true;
            dialog.reject();
        });
        timer.start(static_cast<int>(std::min<std::uint32_t>(request.timeoutMs, 0x7FFFFFFF)));
    }
    dialog.exec();
    UnsupportedCommandAnswer answer;
    answer.ignoreLater = ignore->isChecked();
    answer.timedOut = timedOut;
    return answer;
}

} // namespace klv::widgets
