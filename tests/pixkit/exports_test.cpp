// The library is used through its export names: every one must be found by the dynamic
// loader's symbol lookup (QLibrary::resolve is dlsym).

#include <QLibrary>

#include <gtest/gtest.h>

TEST(PixkitExports, EveryExportNameIsFound)
{
    QLibrary lib(QStringLiteral(PIXKIT_LIBRARY_FILE));
    ASSERT_TRUE(lib.load()) << lib.errorString().toStdString();
    const char* names[] = {"OrientarBuffer",     "Img2Bmp",       "LeeBmp",  "RecortaBMP", "SaveBmp",
                           "LeeBmp24",           "LeeInfoGenBmp", "LeeBmp8", "SaveBmp8",   "SaveBmp24",
                           "GeneraPaletaGrises", "Bmp2Jpg",       "Jpg2Bmp", "BmpSize"};
    for (const char* name : names)
        EXPECT_NE(lib.resolve(name), nullptr) << name;
    // One function under two names.
    EXPECT_EQ(lib.resolve("SaveBmp8"), lib.resolve("SaveBmp24"));
    // Nothing of the library's own helpers leaks out under a plain name.
    EXPECT_EQ(lib.resolve("inspectBmp"), nullptr);

    using Palette = int (*)(unsigned char*);
    auto palette = reinterpret_cast<Palette>(lib.resolve("GeneraPaletaGrises"));
    ASSERT_NE(palette, nullptr);
    unsigned char p[1024] = {};
    EXPECT_EQ(palette(p), 0);
    EXPECT_EQ(p[4 * 200], 200);
}
