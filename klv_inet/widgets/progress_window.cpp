#include "klv_inet/widgets/progress_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace klv::widgets {
namespace {

QString joined(const std::vector<std::string>& lines)
{
    QStringList out;
    for (const std::string& l : lines)
        out << QString::fromStdString(l);
    return out.join('\n');
}

} // namespace

ProgressWindow::ProgressWindow(const platform::ui::ProgressRequest& request, std::function<void()> onCancel)
    : m_lines(new QLabel(this)), m_status(new QLabel(this)), m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(tr("Cancel"), this)), m_onCancel(std::move(onCancel))
{
    setWindowTitle(QString::fromStdString(request.caption));
    setObjectName("klvProgress");
    m_lines->setText(joined(request.lines));
    m_bar->setRange(0, 100);
    m_bar->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lines);
    layout->addWidget(m_bar);
    layout->addWidget(m_status);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressWindow::reject);
}

void ProgressWindow::apply(const platform::ui::ProgressState& state)
{
    m_lines->setText(joined(state.lines));
    m_status->setText(QString::fromStdString(state.status));
    m_bar->setVisible(state.percent >= 0);
    if (state.percent >= 0)
        m_bar->setValue(std::min(state.percent, 100));
}

void ProgressWindow::allowCancel()
{
    m_cancel->setEnabled(true);
}

void ProgressWindow::reject()
{
    // The display stays until its owner closes it; Cancel only tells the owner.
    m_cancel->setEnabled(false);
    if (m_onCancel)
        m_onCancel();
}

} // namespace klv::widgets
