// Page images are written losslessly in the smallest form that holds their colours.

#include "platform/pdf/page_image_file.h"

#include "tests/support/env/temp_dir.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace platform::pdf {
namespace {

QImage page(int colours)
{
    QImage image(203, 101, QImage::Format_RGB32); // a width that is no multiple of 8
    image.fill(Qt::white);
    for (int i = 1; i < colours; ++i)
        image.setPixel((i * 37) % 203, (i * 11) % 101, qRgb(i % 256, (i / 256) % 256, 7));
    return image;
}

TEST(PageImageFile, TheSmallestLosslessFormHoldsThePage)
{
    ts::support::TempDir dir{"page-image"};
    ASSERT_TRUE(dir.ok()) << dir.error();
    struct Case
    {
        int colours;
        PageImageForm form;
    };
    for (const Case& c :
         {Case{1, PageImageForm::Mono}, Case{2, PageImageForm::Mono}, Case{3, PageImageForm::Palette},
          Case{256, PageImageForm::Palette}, Case{257, PageImageForm::Rgb}}) {
        const QImage image = page(c.colours);
        EXPECT_EQ(pageImageForm(image), c.form) << c.colours;
        const std::string file = dir.path() + "/p" + std::to_string(c.colours) + ".png";
        std::string error;
        ASSERT_TRUE(writePageImage(image, file, &error)) << error;
        const QImage back = QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(back.size(), image.size()) << c.colours;
        EXPECT_TRUE(back == image) << c.colours << " colours do not come back unchanged";
    }
}

TEST(PageImageFile, TwoColoursWithoutWhiteKeepTheirColours)
{
    ts::support::TempDir dir{"page-image"};
    ASSERT_TRUE(dir.ok()) << dir.error();
    QImage image(17, 9, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 200));
    image.setPixel(16, 8, qRgb(200, 0, 0));
    const std::string file = dir.path() + "/two.png";
    std::string error;
    ASSERT_TRUE(writePageImage(image, file, &error)) << error;
    EXPECT_TRUE(QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32) == image);
    EXPECT_FALSE(writePageImage(image, dir.path() + "/missing/x.png", &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace platform::pdf
