#include "klv_inet/widgets/aux_img_wnd.h"

#include "klv_inet/support/aux_dib.h"
#include "klv_inet/support/instances.h"
#include "klv_inet/support/jpeg_bmp.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>

#include <cstdlib>

namespace {

CAuxImgWnd* g_logo = nullptr;
bool g_inLogo = false;

void destroyLogo()
{
    CAuxImgWnd* logo = g_logo;
    g_logo = nullptr;
    delete logo;
}

// The logo's timer procedure: the logo goes once the event that fired it is over.
void logoTimer(CAuxImgWnd* window)
{
    if (window && window == g_logo) {
        g_logo = nullptr;
        window->deleteLater();
    }
}

} // namespace

CAuxImgWnd::CAuxImgWnd() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_timerProc)
            m_timerProc(this);
    });
}

CAuxImgWnd::CAuxImgWnd(TimerProc timerProc) : CAuxImgWnd()
{
    m_timerProc = std::move(timerProc);
}

CAuxImgWnd::~CAuxImgWnd()
{
    FreeJpegResources();
    if (g_logo == this)
        g_logo = nullptr;
}

QSize CAuxImgWnd::ScreenSize()
{
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* screen = gui->primaryScreen())
            if (!screen->geometry().isEmpty())
                return screen->geometry().size();
    return QSize(kDefaultScreenWidth, kDefaultScreenHeight);
}

QRect CAuxImgWnd::CentredRect(const QSize& screen, const QSize& picture)
{
    // Rounded toward zero, so a picture larger than the screen starts left of or above it.
    const int left = (screen.width() - picture.width()) / 2;
    const int top = (screen.height() - picture.height()) / 2;
    const int right = screen.width() - left;
    const int bottom = screen.height() - top;
    return QRect(left, top, right - left, bottom - top);
}

void CAuxImgWnd::FreeJpegResources()
{
    std::free(m_image);
    m_image = nullptr;
    m_imageSize = 0;
}

int CAuxImgWnd::JPEG_2_Mem(const char* file, size_t* size)
{
    FreeJpegResources();
    if (!::JPEG_2_Mem(file, &m_image, &m_imageSize))
        return 0;
    if (size)
        *size = m_imageSize;
    return 1;
}

int CAuxImgWnd::Bmp_2_JPEG(const char* bmpFile, const char* jpegFile)
{
    if (!bmpFile || !jpegFile)
        return 0;
    QImage image;
    if (!image.load(QString::fromLocal8Bit(bmpFile), "BMP"))
        return 0;
    return image.save(QString::fromLocal8Bit(jpegFile), "JPEG", 24) ? 1 : 0;
}

int CAuxImgWnd::Show_JPEG_Logo(const char* file, int topMost)
{
    const QSize screen = ScreenSize();
    size_t size = 0;
    if (!JPEG_2_Mem(file, &size))
        return 0;
    int width = 0, height = 0;
    if (!klv::BmpImageSize(m_image, m_imageSize, &width, &height)) {
        FreeJpegResources();
        return 0;
    }
    if (!CreateImgWnd(CentredRect(screen, QSize(width, height)), topMost)) {
        FreeJpegResources();
        return 0;
    }
    CAuxDib dib;
    dib.Attach(m_image, m_imageSize); // the picture is the bitmap's now
    m_image = nullptr;
    m_imageSize = 0;
    ShowBitmap(&dib);
    return 1;
}

int CAuxImgWnd::CreateImgWnd(const QRect& rect, int topMost)
{
    if (rect.isEmpty())
        return 0;
    setWindowFlag(Qt::WindowStaysOnTopHint, topMost != 0);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::BusyCursor);
    setGeometry(rect);
    Setup(0);
    show();
    return 1;
}

int CAuxImgWnd::Setup(int fill)
{
    m_clientRect = QRect(QPoint(0, 0), geometry().size());
    m_update = QImage(m_clientRect.size(), QImage::Format_RGB32);
    m_drawing = QImage(m_clientRect.size(), QImage::Format_RGB32);
    // Both copies take what the window shows: white when asked to fill, else the window's
    // background (a new window shows nothing else yet).
    const QColor start = fill ? QColor(Qt::white) : palette().color(QPalette::Window);
    m_update.fill(start);
    m_drawing.fill(start);
    return (!m_update.isNull() && !m_drawing.isNull()) ? 1 : 0;
}

int CAuxImgWnd::ShowBitmap(CAuxDib* dib)
{
    if (dib)
        dib->Paint(&m_drawing, m_clientRect.left(), m_clientRect.top());
    m_shown = 1;
    cwRefresh();
    return 1;
}

void CAuxImgWnd::cwRefresh()
{
    m_update = m_drawing.copy();
    update();
}

void CAuxImgWnd::TextOutA(int x, int y, const char* text)
{
    if (!text || m_drawing.isNull())
        return;
    QPainter painter(&m_drawing);
    painter.setFont(m_font);
    painter.setPen(m_textColor);
    painter.setBackgroundMode(m_bkMode == 1 ? Qt::TransparentMode : Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    const QFontMetrics metrics(m_font);
    painter.drawText(x, y + metrics.ascent(), QString::fromLocal8Bit(text));
    painter.end();
    cwRefresh();
}

QColor CAuxImgWnd::SetTextColor(const QColor& color)
{
    const QColor old = m_textColor;
    m_textColor = color;
    return old;
}

int CAuxImgWnd::SetBkMode(int mode)
{
    const int old = m_bkMode;
    m_bkMode = mode;
    return old;
}

QFont CAuxImgWnd::SelectObject(const QFont& font)
{
    const QFont old = m_font;
    m_font = font;
    return old;
}

void CAuxImgWnd::SetTimer()
{
    if (m_timerProc)
        m_timer.start(100);
}

void CAuxImgWnd::SetTimer(unsigned ms)
{
    if (m_timerProc)
        m_timer.start(static_cast<int>(std::min<unsigned>(ms, INT32_MAX)));
}

void CAuxImgWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(m_clientRect, m_update);
}

void CAuxImgWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        SetTimer();
}

CAuxImgWnd* App_Logo(const char* app, const char* file, unsigned ms, int topMost)
{
    if (g_logo)
        destroyLogo();
    if (!file || !*file || g_inLogo)
        return nullptr;
    // Widgets only in a widget application, on its own thread.
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application || QThread::currentThread() != application->thread())
        return nullptr;
    g_inLogo = true;
    CAuxImgWnd* logo = nullptr;
    if (IsFirstInstance(app, 0, nullptr)) {
        g_logo = new CAuxImgWnd(logoTimer);
        g_logo->Show_JPEG_Logo(file, topMost);
        if (ms != 0)
            g_logo->SetTimer(ms);
        logo = g_logo;
    }
    g_inLogo = false;
    return logo;
}

void Set_LOGO_ZOrder(QWidget* window)
{
    if (g_logo && g_logo->isVisible()) {
        g_logo->lower();
        if (window)
            window->raise();
    }
}

CAuxImgWnd* CurrentLogo()
{
    return g_logo;
}
