#pragma once
// A way for any thread to hand work to the GUI thread that stays safe after the GUI side is
// gone: posting then simply fails.

#include "klv_inet/widgets/widgets_export.h"

#include <functional>
#include <mutex>

class QObject;
class QThread;

namespace klv::widgets {

class KLV_WIDGETS_EXPORT GuiLink
{
public:
    // `target` lives on the GUI thread; detach() must be called before it is destroyed.
    explicit GuiLink(QObject* target);

    // Queues `work` to run on the GUI thread; false when the link was detached.
    bool post(std::function<void()> work);
    void detach();
    bool attached() const;
    bool onGuiThread() const;

private:
    mutable std::mutex m_mutex;
    QObject* m_target;
    QThread* m_thread;
};

} // namespace klv::widgets
