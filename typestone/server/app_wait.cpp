#include "typestone/server/app_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace typestone {

void Wait(unsigned milliseconds, bool pump)
{
    if (milliseconds == 0)
        return;
    QDeadlineTimer deadline(milliseconds);
    if (!pump || !QCoreApplication::instance()) {
        QThread::msleep(milliseconds);
        return;
    }
    while (!deadline.hasExpired()) {
        const qint64 left = deadline.remainingTime();
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(left > 0 ? left : 0));
        QThread::msleep(left > 10 ? 10 : unsigned(left > 0 ? left : 0));
    }
}

void MMWait(unsigned milliseconds, bool pump)
{
    Wait(milliseconds, pump);
}

} // namespace typestone
