#pragma once
// The start-up logo: a picture centred on the screen in a frameless window above the others,
// taken down after a given time, on a click, or when the program asks. All drawing goes into
// an off-screen picture; the window repaints from the copy last shown. Desktop mode only: the
// window exists on the GUI thread of a widget application, never elsewhere.

#include "klv_inet/widgets/widgets_export.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <functional>

class CAuxDib;

class KLV_WIDGETS_EXPORT CAuxImgWnd : public QWidget
{
    Q_OBJECT
public:
    // Called when the window's timer fires (the logo's procedure takes the logo down).
    using TimerProc = std::function<void(CAuxImgWnd*)>;

    // The screen size used when no screen can be asked.
    static constexpr int kDefaultScreenWidth = 640;
    static constexpr int kDefaultScreenHeight = 480;

    CAuxImgWnd();
    explicit CAuxImgWnd(TimerProc timerProc);
    ~CAuxImgWnd() override;

    // Decodes the JPEG file, makes the window centred on the screen and shows the picture;
    // 0 when the picture cannot be read or the window cannot be made (nothing shown then).
    int Show_JPEG_Logo(const char* file, int topMost);
    int CreateImgWnd(const QRect& rect, int topMost);
    // (Re)makes both off-screen pictures for the client area, white when fill is set; 1.
    int Setup(int fill);
    // Draws the picture at the client area's top-left, marks the window shown, refreshes; 1.
    int ShowBitmap(CAuxDib* dib);
    void cwRefresh();

    // Drawing into the off-screen picture.
    void TextOutA(int x, int y, const char* text);
    QColor SetTextColor(const QColor& color);
    int SetBkMode(int mode); // 1 transparent, 2 opaque
    QFont SelectObject(const QFont& font);
    QImage* GetUpdDC() { return &m_drawing; }
    QImage* GetMemUpdDC() { return &m_drawing; }

    // Arms the window's 100 ms timer with the timer procedure (when one is set).
    void SetTimer();
    // Arms it for `ms` milliseconds.
    void SetTimer(unsigned ms);
    void FreeJpegResources();

    // Decodes the file into the window's picture; 1 on success.
    int JPEG_2_Mem(const char* file, size_t* size);
    // BMP file to JPEG file; 1 on success. Nothing in the programs calls it.
    static int Bmp_2_JPEG(const char* bmpFile, const char* jpegFile);

    const QRect& ClientRect() const { return m_clientRect; }
    bool IsShown() const { return m_shown != 0; }
    // The rectangle Show_JPEG_Logo gives a picture on a screen (right and bottom exclusive).
    static QRect CentredRect(const QSize& screen, const QSize& picture);
    static QSize ScreenSize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_update;  // what the screen shows
    QImage m_drawing; // where drawing goes
    QRect m_clientRect;
    int m_shown = 1;
    uint8_t* m_image = nullptr; // the decoded BMP image until a CAuxDib takes it
    size_t m_imageSize = 0;
    TimerProc m_timerProc;
    QTimer m_timer;
    QColor m_textColor = Qt::black;
    int m_bkMode = 2;
    QFont m_font;
};

// Shows the logo (first instance of app only) for `ms` milliseconds (0: until a click or the
// program takes it down); a null or empty file takes the logo down at once. The logo window,
// or nullptr when none was made (not the first instance, no widget application, not on its
// GUI thread).
KLV_WIDGETS_EXPORT CAuxImgWnd* App_Logo(const char* app, const char* file, unsigned ms, int topMost);
// Puts the logo behind `window`, so it never hides a question.
KLV_WIDGETS_EXPORT void Set_LOGO_ZOrder(QWidget* window);
// The logo now shown, or nullptr.
KLV_WIDGETS_EXPORT CAuxImgWnd* CurrentLogo();
