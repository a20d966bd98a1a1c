// The logo window and the JPEG decoding under it: geometry on the (offscreen) screen, a
// picture larger than the screen, the ways the logo goes, failed decodes, and a second
// instance that shows nothing.

#include "klv_inet/support/aux_dib.h"
#include "klv_inet/support/instances.h"
#include "klv_inet/support/jpeg_bmp.h"
#include "klv_inet/support/msg_box.h"
#include "klv_inet/widgets/aux_img_wnd.h"
#include "klv_inet/widgets/do_modal.h"

#include "platform/ui/message_box.h"

#include "tests/platform/sync/sync_test_util.h"

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

// fontconfig keeps a cache for the life of the process, which the leak checker of the
// sanitizer build would report; it is not ours to free.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

namespace fs = std::filesystem;

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_klv_logo";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

std::vector<uint8_t> jpegOf(const QImage& image, int quality = 95)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

QImage solid(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class LogoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app();
        ASSERT_FALSE(dir.path().empty());
        fs::create_directories(dir.path() + "/run");
        fs::permissions(dir.path() + "/run", fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", (dir.path() + "/run").c_str(), 1);
        setenv("TYPESTONE_DATA_DIR", dir.path().c_str(), 1);
        static std::atomic<int> counter{0};
        appName = "TsLogo" + std::to_string(getpid()) + "x" + std::to_string(counter++);
    }
    void TearDown() override
    {
        App_Logo(nullptr, nullptr, 0, 0);
        unsetenv("TYPESTONE_DATA_DIR");
        unsetenv("XDG_RUNTIME_DIR");
    }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = dir.path() + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    synctest::TempDir dir;
    std::string appName;
};

TEST(LogoGeometryTest, CentredOnTheScreenEvenWhenLarger)
{
    struct Case
    {
        QSize screen, picture;
        QRect rect;
    };
    const Case cases[] = {
        {{800, 600}, {400, 200}, QRect(200, 200, 400, 200)},
        {{800, 600}, {401, 201}, QRect(199, 199, 402, 202)}, // rounded toward zero
        {{800, 600}, {1000, 700}, QRect(-100, -50, 1000, 700)},
        {{800, 600}, {1001, 601}, QRect(-100, 0, 1000, 600)}, // -201 / 2 and -1 / 2 round toward zero
        {{640, 480}, {640, 480}, QRect(0, 0, 640, 480)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture.width() << "x" << c.picture.height());
        EXPECT_EQ(CAuxImgWnd::CentredRect(c.screen, c.picture), c.rect);
    }
}

TEST(JpegBmpTest, DecodesToABottomUpBmpAndRefusesDamagedPictures)
{
    // 21 by 16: a row of 63 bytes is padded to 64. Red block top-left, blue block bottom-right.
    QImage image(21, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            image.setPixelColor(x, y, QColor(255, 0, 0));
            image.setPixelColor(13 + x, 8 + y, QColor(0, 0, 255));
        }
    const std::vector<uint8_t> jpeg = jpegOf(image, 100);

    std::vector<uint8_t> bmp;
    ASSERT_TRUE(klv::JpegToBmp(jpeg.data(), jpeg.size(), &bmp));
    const size_t stride = 64;
    ASSERT_EQ(bmp.size(), 54 + stride * 16);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    int width = 0, height = 0;
    ASSERT_TRUE(klv::BmpImageSize(bmp.data(), bmp.size(), &width, &height));
    EXPECT_EQ(width, 21);
    EXPECT_EQ(height, 16);
    EXPECT_EQ(bmp[28], 24);
    // The last row in the file is the top row; pixels are blue, green, red.
    const uint8_t* top = bmp.data() + 54 + stride * 13 + 3 * 3; // (3, 2)
    EXPECT_GT(top[2], 200);
    EXPECT_LT(top[0], 80);
    const uint8_t* bottom = bmp.data() + 54 + stride * 2 + 3 * 17; // (17, 13)
    EXPECT_GT(bottom[0], 200);
    EXPECT_LT(bottom[2], 80);

    // Damaged input is a failure, never a picture of some colour.
    const std::vector<uint8_t> big = jpegOf(solid(200, 200, Qt::green));
    const std::vector<uint8_t> cut(big.begin(), big.begin() + std::ptrdiff_t(big.size() / 3));
    const std::vector<uint8_t> notJpeg = {'B', 'M', 0, 0, 0, 0};
    for (const std::vector<uint8_t>* bad : {&cut, &notJpeg}) {
        EXPECT_FALSE(klv::JpegToBmp(bad->data(), bad->size(), &bmp));
        EXPECT_TRUE(bmp.empty());
        uint8_t* out = reinterpret_cast<uint8_t*>(1);
        size_t size = 7;
        EXPECT_EQ(JPEG_2_Mem(bad->data(), bad->size(), &out, &size), 0);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(size, 0u);
    }
    EXPECT_EQ(JPEG_2_Mem(jpeg.data(), jpeg.size(), nullptr, nullptr), 0);

    // The bitmap over the image paints it.
    uint8_t* out = nullptr;
    size_t size = 0;
    ASSERT_EQ(JPEG_2_Mem(jpeg.data(), jpeg.size(), &out, &size), 1);
    CAuxDib dib;
    EXPECT_EQ(dib.Attach(out, size), 1);
    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::black);
    EXPECT_EQ(dib.Paint(&target, 2, 3), 1);
    EXPECT_GT(target.pixelColor(4, 5).red(), 200);
    EXPECT_LT(target.pixelColor(4, 5).blue(), 80);
    EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::black));
    CAuxDib empty;
    EXPECT_EQ(empty.Paint(&target, 0, 0), 0);
}

TEST_F(LogoTest, ShownCentredFoundInTheDataFolderAndTakenDown)
{
    write("LOGO.JPG", jpegOf(solid(300, 100, QColor(200, 0, 0))));
    const fs::path old = fs::current_path();
    fs::current_path("/"); // the name is found in the data folder, not the working folder
    CAuxImgWnd* logo = App_Logo(appName.c_str(), "LOGO.JPG", 0, 1);
    fs::current_path(old);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(CurrentLogo(), logo);
    EXPECT_TRUE(logo->isVisible());
    EXPECT_TRUE(logo->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(logo->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(logo->geometry(), CAuxImgWnd::CentredRect(CAuxImgWnd::ScreenSize(), QSize(300, 100)));
    EXPECT_GT(logo->GetUpdDC()->pixelColor(150, 50).red(), 150);
    EXPECT_LT(logo->GetUpdDC()->pixelColor(150, 50).green(), 60);

    // Drawing goes into the off-screen picture.
    logo->SetTextColor(QColor(255, 255, 0));
    logo->SetBkMode(1);
    logo->TextOutA(10, 10, "Typestone");

    pump(150); // time 0: it stays
    EXPECT_EQ(CurrentLogo(), logo);
    EXPECT_EQ(App_Logo(appName.c_str(), nullptr, 0, 0), nullptr);
    EXPECT_EQ(CurrentLogo(), nullptr);
    EXPECT_EQ(App_Logo(appName.c_str(), "", 0, 0), nullptr) << "no logo, nothing done";
}

// A modal dialog runs with the logo out of the top-most band and gets it back afterwards; its
// answer is a box's; a dialog of another thread is not run.
TEST_F(LogoTest, ModalDialogsRunWithTheLogoOutOfTheTopBand)
{
    const std::string path = write("m.jpg", jpegOf(solid(60, 40, Qt::green)));
    CAuxImgWnd* logo = App_Logo(appName.c_str(), path.c_str(), 0, 1);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(PLM_DoModal(nullptr), 0);

    struct Case
    {
        const char* how;
        std::function<void(QDialog&)> end;
        int answer;
    };
    const Case cases[] = {
        {"accepted", [](QDialog& d) { d.accept(); }, platform::ui::kIdOk},
        {"rejected", [](QDialog& d) { d.reject(); }, platform::ui::kIdCancel},
        {"ended with 7", [](QDialog& d) { d.done(7); }, 7},
    };
    for (const Case& c : cases) {
        for (const bool library : {false, true}) {
            QDialog dialog;
            bool topMostWhileShown = true;
            klv::ResourceModule resources = klv::ResourceModule::Application;
            // Once the dialog is up (a window that is made may see queued calls before).
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (!dialog.isVisible())
                    return;
                poll.stop();
                topMostWhileShown = logo->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                resources = klv::currentResourceModule();
                c.end(dialog);
            });
            poll.start(10);
            // Should the dialog never end, this bound ends the test's wait.
            QTimer::singleShot(20000, &dialog, [&] { dialog.done(-99); });
            EXPECT_EQ(library ? DLL_DoModal(&dialog) : PLM_DoModal(&dialog), c.answer) << c.how;
            EXPECT_FALSE(topMostWhileShown) << c.how;
            EXPECT_EQ(resources, library ? klv::ResourceModule::Library : klv::ResourceModule::Application)
                << c.how;
            EXPECT_TRUE(logo->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << c.how;
            EXPECT_TRUE(logo->isVisible()) << c.how;
            EXPECT_EQ(klv::currentResourceModule(), klv::ResourceModule::Application) << c.how;
        }
    }

    // The logo taken down while the dialog runs is not brought back.
    {
        QDialog dialog;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!dialog.isVisible())
                return;
            poll.stop();
            App_Logo(appName.c_str(), nullptr, 0, 0);
            dialog.accept();
        });
        poll.start(10);
        QTimer::singleShot(20000, &dialog, [&] { dialog.done(-99); });
        EXPECT_EQ(PLM_DoModal(&dialog), platform::ui::kIdOk);
        EXPECT_EQ(CurrentLogo(), nullptr);
    }

    // A dialog of the GUI thread, asked for from a worker, is not run there.
    QDialog dialog;
    int fromWorker = 0;
    std::thread worker([&] { fromWorker = PLM_DoModal(&dialog); });
    worker.join();
    EXPECT_EQ(fromWorker, -1);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(LogoTest, PictureLargerThanTheScreen)
{
    const QSize screen = CAuxImgWnd::ScreenSize();
    const QSize picture = screen + QSize(200, 100);
    const std::string path = write("big.jpg", jpegOf(solid(picture.width(), picture.height(), Qt::blue)));
    CAuxImgWnd* logo = App_Logo(appName.c_str(), path.c_str(), 0, 0);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->geometry(), QRect(-100, -50, picture.width(), picture.height()));
    EXPECT_FALSE(logo->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(LogoTest, GoesAfterItsTimeAndOnAClick)
{
    const std::string path = write("l.jpg", jpegOf(solid(50, 40, Qt::red)));
    ASSERT_NE(App_Logo(appName.c_str(), path.c_str(), 100, 1), nullptr);
    pump(600);
    EXPECT_EQ(CurrentLogo(), nullptr) << "taken down by its timer";

    CAuxImgWnd* logo = App_Logo(appName.c_str(), path.c_str(), 0, 1);
    ASSERT_NE(logo, nullptr);
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(logo, &click);
    pump(600);
    EXPECT_EQ(CurrentLogo(), nullptr) << "a click takes it down a tenth of a second later";
}

TEST_F(LogoTest, UndecodablePictureShowsNoWindow)
{
    const std::vector<uint8_t> good = jpegOf(solid(100, 100, Qt::red));
    const std::string path = write("cut.jpg", std::vector<uint8_t>(good.begin(), good.begin() + 100));
    CAuxImgWnd* logo = App_Logo(appName.c_str(), path.c_str(), 0, 1);
    ASSERT_NE(logo, nullptr) << "the program goes on without a picture";
    EXPECT_FALSE(logo->isVisible());
    EXPECT_EQ(App_Logo(appName.c_str(), (dir.path() + "/missing.jpg").c_str(), 0, 1)->isVisible(), false);
}

TEST_F(LogoTest, SecondInstanceShowsNoLogo)
{
    const std::string path = write("l.jpg", jpegOf(solid(50, 40, Qt::red)));
    synctest::Pipe toParent;
    const std::string name = appName;
    synctest::ChildProcess first([&] {
        if (IsFirstInstance(name.c_str(), 0, nullptr) != 1)
            return 10;
        toParent.send('F');
        for (;;)
            pause();
    });
    ASSERT_TRUE(first.started());
    ASSERT_EQ(toParent.receive(std::chrono::seconds(10)), 'F');
    EXPECT_EQ(App_Logo(appName.c_str(), path.c_str(), 0, 1), nullptr);
    EXPECT_EQ(CurrentLogo(), nullptr);
}

} // namespace
