#include "typestone/widgets/prt_test_dlg.h"

#include "typestone/engine/pcx_decoder.h"
#include "typestone/server/server_strings.h"

#include "platform/text/sprintf.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>

namespace typestone {
namespace {

constexpr unsigned kStrTesting = 24; // "Performing Print Test for '%s' printer. One moment, please..."
constexpr unsigned kStrTestDone = 25;
constexpr unsigned kStrTestFailed = 29;
constexpr unsigned kStrFileMissing = 513;

std::string text(unsigned id, const char* fallback)
{
    const std::string s = serverString(id);
    return s.empty() ? std::string(fallback) : s;
}

QString formatted(unsigned id, const char* fallback, const std::string& value)
{
    return QString::fromStdString(platform::text::sprintf(text(id, fallback).c_str(), value));
}

void warnMissing(const std::string& path)
{
    platform::ui::MessageBoxRequest request;
    request.text = platform::text::sprintf(
        text(kStrFileMissing, "File '%s' was not found.\nThis file is required to perform the printer test.")
            .c_str(),
        path);
    request.caption = "Typestone";
    request.style = platform::ui::kMbOk | platform::ui::kMbIconExclamation;
    platform::ui::bridge().messageBox(request);
}

QRect workArea()
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return QRect(0, 0, 1024, 768);
}

} // namespace

CPrtTestDlg::CPrtTestDlg(const std::string& printer, QWidget* toHide, std::string dataFolder, TestRunner run,
                         PicturePrinter print, QWidget* parent)
    : QDialog(parent), m_printer(printer), m_toHide(toHide), m_dataFolder(std::move(dataFolder)),
      m_run(std::move(run)), m_printPicture(std::move(print))
{
    setWindowTitle(QStringLiteral("Printer Test"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    layout->addWidget(m_text);
    m_scroll = new QScrollArea(this);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_picture = new QLabel;
    m_picture->setAlignment(Qt::AlignCenter);
    m_scroll->setWidget(m_picture);
    layout->addWidget(m_scroll, 1);
    auto* buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_zoomIn = new QPushButton(QStringLiteral("Zoom In"), this);
    m_zoomOut = new QPushButton(QStringLiteral("Zoom Out"), this);
    m_print = new QPushButton(QStringLiteral("Print"), this);
    // Evenly spread in one row under the picture.
    buttons->addStretch();
    for (QPushButton* b : {m_ok, m_zoomIn, m_zoomOut, m_print}) {
        buttons->addWidget(b);
        buttons->addStretch();
        b->setEnabled(false);
        b->hide();
    }
    layout->addSpacing(20);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_zoomIn, &QPushButton::clicked, this, &CPrtTestDlg::onZoomIn);
    connect(m_zoomOut, &QPushButton::clicked, this, &CPrtTestDlg::onZoomOut);
    connect(m_print, &QPushButton::clicked, this, &CPrtTestDlg::onPrint);

    if (m_toHide)
        m_toHide->hide();
    m_text->setText(
        formatted(kStrTesting, "Performing Print Test for '%s' printer. One moment, please...", printer));
    QTimer::singleShot(10, this, &CPrtTestDlg::showWaitingPicture);
}

CPrtTestDlg::~CPrtTestDlg()
{
    // The test job ends by itself (its waits are bounded); the dialog does not go before it.
    if (m_testThread.joinable())
        m_testThread.join();
}

QImage CPrtTestDlg::LoadPicture(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const QImage pcx =
        decodePcx(reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
    return pcx.isNull() ? QImage::fromData(bytes) : pcx;
}

void CPrtTestDlg::showWaitingPicture()
{
    const std::string path = (std::filesystem::path(m_dataFolder) / kWaitingPicture).string();
    m_shown = LoadPicture(path);
    if (m_shown.isNull())
        warnMissing(path);
    m_scale = 1.0;
    showPicture();
    adjustSize();
    // After the picture is on the screen.
    QMetaObject::invokeMethod(this, &CPrtTestDlg::startTest, Qt::QueuedConnection);
}

void CPrtTestDlg::startTest()
{
    const std::string stream = (std::filesystem::path(m_dataFolder) / kTestStream).string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(stream, ec)) {
        warnMissing(stream);
        m_ended = true;
        emit testFinished(false);
        accept(); // as OK would
        return;
    }
    m_testThread = std::thread([this] {
        const bool passed = m_run ? m_run() : false;
        QMetaObject::invokeMethod(
            this, [this, passed] { onTestEnded(passed); }, Qt::QueuedConnection);
    });
}

void CPrtTestDlg::onTestEnded(bool passed)
{
    if (m_testThread.joinable())
        m_testThread.join();
    m_ended = true;
    m_passed = passed;
    m_text->setText(
        passed ? formatted(kStrTestDone,
                           "Print test for '%s' printer was done. The result should be similar to the "
                           "image shown below.",
                           m_printer)
               : formatted(kStrTestFailed,
                           "Print Test for '%s' printer failed. The result should have been similar "
                           "to the image shown below.",
                           m_printer));
    for (QPushButton* b : {m_ok, m_zoomIn, m_print}) {
        b->setEnabled(true);
        b->show();
    }
    m_zoomOut->setEnabled(true);
    m_zoomOut->hide();
    const std::string path = (std::filesystem::path(m_dataFolder) / kExpectedPage).string();
    m_shown = LoadPicture(path);
    if (m_shown.isNull())
        warnMissing(path);
    m_scale = 1.0;
    m_zoomSteps = 0;
    showPicture();
    // The expected page fitted into the work area, and the dialog inside it.
    adjustSize();
    const QRect area = workArea();
    resize(std::min(width(), area.width()), std::min(height(), area.height()));
    move(area.left() + std::max(0, (area.width() - width()) / 2),
         area.top() + std::max(0, (area.height() - height()) / 2));
    m_fitSize = size();
    emit testFinished(passed);
}

void CPrtTestDlg::onZoomIn()
{
    m_zoomOut->show();
    const QRect area = workArea();
    const int tallest = area.height() - 20;
    if (height() < tallest && m_zoomSteps == 0 && !m_shown.isNull()) {
        // First as tall as the screen allows, keeping the picture's proportions, centred.
        const int width = std::min(area.width(), tallest * m_shown.width() / std::max(1, m_shown.height()));
        setGeometry(area.left() + (area.width() - width) / 2, area.top() + 10, width, tallest);
        m_scale = 1.0;
    } else {
        m_scale *= 2;
        ++m_zoomSteps;
    }
    showPicture();
}

void CPrtTestDlg::onZoomOut()
{
    if (m_zoomSteps > 0) {
        m_scale /= 2;
        --m_zoomSteps;
    } else {
        m_zoomOut->hide();
        if (m_fitSize.isValid())
            resize(m_fitSize);
        m_scale = 1.0;
    }
    showPicture();
}

void CPrtTestDlg::onPrint()
{
    if (m_shown.isNull() || !m_printPicture)
        return;
    std::string error;
    if (!m_printPicture(m_shown, &error)) {
        platform::ui::MessageBoxRequest request;
        request.text = "Printer Test: the picture could not be printed: " + error;
        request.caption = "Typestone";
        request.style = platform::ui::kMbOk | platform::ui::kMbIconStop;
        platform::ui::bridge().messageBox(request);
    }
}

void CPrtTestDlg::showPicture()
{
    if (m_shown.isNull()) {
        m_picture->setPixmap({});
        return;
    }
    // At its own size when the screen has room for it, else fitted to the screen less the
    // dialog's text and buttons; then zoomed by whole steps.
    const QRect area = workArea();
    const QSize room(std::max(200, area.width() - 80), std::max(200, area.height() - 200));
    QSize target = m_shown.size();
    if (target.width() > room.width() || target.height() > room.height())
        target = target.scaled(room, Qt::KeepAspectRatio);
    target *= m_scale;
    m_picture->setPixmap(
        QPixmap::fromImage(m_shown.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_picture->resize(target);
    m_scroll->setMinimumSize(std::min(target.width() + 4, room.width()),
                             std::min(target.height() + 4, room.height()));
}

void CPrtTestDlg::done(int result)
{
    // Not while the test still prints: its outcome is what the dialog is for.
    if (m_testThread.joinable() && !m_ended)
        return;
    if (m_toHide)
        m_toHide->show();
    QDialog::done(result);
}

} // namespace typestone
