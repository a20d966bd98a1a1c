// ts-screenshot: saves what an X display shows (the whole screen, or one window by its id) as
// a PNG file, for the desktop run's record of what a person saw.
//
//   ts-screenshot OUT.png [WINDOW-ID]

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: ts-screenshot OUT.png [WINDOW-ID]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "ts-screenshot: no screen\n");
        return 1;
    }
    const WId window = argc == 3 ? WId(std::strtoull(argv[2], nullptr, 0)) : 0;
    const QPixmap shot = screen->grabWindow(window);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "ts-screenshot: could not grab or save\n");
        return 1;
    }
    return 0;
}
