#pragma once
// The one QApplication of a widgets test binary, from the first test to the end of the run,
// and a way to act on a modal dialog that a call under test opens and waits for.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace widgetstest {

// Taken down by the test environment, before static destruction: Qt's per-thread caches are
// freed with it then, not after the storage that holds them is gone.
class AppEnvironment : public ::testing::Environment
{
public:
    QApplication& get()
    {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        if (!m_app) {
            m_app = std::make_unique<QApplication>(argc, argv);
            m_app->setQuitOnLastWindowClosed(false);
        }
        return *m_app;
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

inline AppEnvironment* const appEnvironment =
    static_cast<AppEnvironment*>(::testing::AddGlobalTestEnvironment(new AppEnvironment));

inline QApplication& app()
{
    return appEnvironment->get();
}

template <typename T>
void pollModal(std::function<void(T*)> act, std::shared_ptr<QElapsedTimer> clock, int limitMs)
{
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
        act(dialog);
        return;
    }
    if (clock->elapsed() > limitMs) {
        ADD_FAILURE() << "the expected dialog did not come";
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        return;
    }
    QTimer::singleShot(20, [act, clock, limitMs] { pollModal<T>(act, clock, limitMs); });
}

// Once a modal dialog of type T is up (opened by the code under test), `act` runs on it. Polls
// from the event loop the modal dialog runs; gives up after `limitMs` and then closes every
// modal dialog, so a test whose dialog never comes (or never closes) fails instead of hanging.
template <typename T> void whenModal(std::function<void(T*)> act, int limitMs = 10000)
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QTimer::singleShot(0, [act, clock, limitMs] { pollModal<T>(act, clock, limitMs); });
}

} // namespace widgetstest
