#include "typestone/widgets/password_limit.h"

#include "typestone/server/desktop_strings.h"
#include "typestone/server/server_strings.h"
#include "typestone/server/server_trace.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QLineEdit>

namespace typestone {

bool LimitPassword(std::string* text, std::size_t limit)
{
    if (!text || limit == 0 || text->size() < limit)
        return true;
    std::string message = serverString(kStrPasswordTooLong);
    if (message.empty())
        message = "Maximum password length is %1 characters.";
    // The table's text takes the number as %1.
    if (const std::size_t at = message.find("%1"); at != std::string::npos)
        message.replace(at, 2, std::to_string(limit - 1));
    TRZ_MsgBox(message.c_str(), platform::ui::kMbOk | platform::ui::kMbIconExclamation, 0, kTrzCore);
    *text = platform::ui::clipToLength(*text, limit - 1);
    return false;
}

void LimitPasswordEdit(QLineEdit* edit, std::size_t limit)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, limit](const QString& now) {
        std::string text = now.toStdString();
        if (!LimitPassword(&text, limit))
            edit->setText(QString::fromStdString(text));
    });
}

} // namespace typestone
