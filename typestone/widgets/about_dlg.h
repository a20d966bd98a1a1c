#pragma once
// The about box "Typestone Server": the product title, the version, a notice line and the
// server's state ("Typestone Server is enabled - Port: 3339"), the release notes. In splash
// mode (a second instance) the state line says the server already runs and the box closes
// itself after kSplashMs. GUI thread only.

#include <QDialog>

#include <cstdint>

class QLabel;

namespace typestone {

class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kSplashMs = 5000;

    struct State
    {
        bool paused = false;
        uint16_t tcpPort = 0;
        bool splash = false;
    };

    explicit CAboutDlg(const State& state, QWidget* parent = nullptr);

    // The state line for a running server.
    static QString StateLine(bool paused, uint16_t tcpPort);

    QLabel* titleLabel() const { return m_title; }
    QLabel* versionLabel() const { return m_version; }
    QLabel* noticeLabel() const { return m_notice; }
    QLabel* stateLabel() const { return m_state; }

private:
    QLabel* m_title = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_notice = nullptr;
    QLabel* m_state = nullptr;
};

} // namespace typestone
