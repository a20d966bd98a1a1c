#include "klv_inet/widgets/gui_link.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace klv::widgets {

GuiLink::GuiLink(QObject* target) : m_target(target), m_thread(target ? target->thread() : nullptr) {}

bool GuiLink::post(std::function<void()> work)
{
    std::lock_guard lock(m_mutex);
    if (!m_target)
        return false;
    return QMetaObject::invokeMethod(m_target, std::move(work), Qt::QueuedConnection);
}

void GuiLink::detach()
{
    std::lock_guard lock(m_mutex);
    m_target = nullptr;
}

bool GuiLink::attached() const
{
    std::lock_guard lock(m_mutex);
    return m_target != nullptr;
}

bool GuiLink::onGuiThread() const
{
    return QThread::currentThread() == m_thread;
}

} // namespace klv::widgets
