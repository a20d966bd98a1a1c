#include "klv_inet/webupdate/ini_file.h"
#include "klv_inet/webupdate/product_names.h"

#include <gtest/gtest.h>

using klv::IniFile;

TEST(IniFile, ReadingRules)
{
    const IniFile f = IniFile::parse("k=before any section\r\n"
                                     "; a comment\r\n"
                                     "[Term]\r\n"
                                     "  Version = 243  \r\n"
                                     "VERSION=999\r\n"
                                     "quoted=\"  spaced  \"\n"
                                     "single='x'\n"
                                     "half=\"open\n"
                                     "=no key\n"
                                     "no equals sign\n"
                                     "  ;indented comment=1\n"
                                     "[other]\n"
                                     "a=1\n"
                                     "[TERM]\n"
                                     "size=77\n"
                                     "[ spaced name ]\n"
                                     "b=2");
    struct Case
    {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"term", "version", "243"},       // names without case, trimmed
        {"Term", "quoted", "  spaced  "}, // one pair of quotes removed, inside kept
        {"Term", "single", "x"},
        {"Term", "half", "\"open"},
        {"Term", ";indented comment", ""},
        {"Term", "size", ""}, // the repeated section is skipped: first wins
        {"other", "a", "1"},
        {"spaced name", "b", "2"}, // the last line has no line end
        {"", "k", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.value(c.section, c.key), c.value) << c.section << "/" << c.key;
    EXPECT_EQ(f.value("none", "x", "dflt"), "dflt");
    EXPECT_EQ(f.number("term", "version"), 243u);
    EXPECT_TRUE(f.hasSection("OTHER"));
}

TEST(IniFile, NumbersAndBounds)
{
    const IniFile f =
        IniFile::parse("[s]\nn=12abc\nneg=-1\nbig=99999999999\nword=abc\nlong=" + std::string(400, 'v'));
    EXPECT_EQ(f.number("s", "n"), 12u);
    EXPECT_EQ(f.number("s", "neg"), 0xFFFFFFFFu);
    EXPECT_EQ(f.number("s", "big"), 0xFFFFFFFFu);
    EXPECT_EQ(f.number("s", "word", 5), 5u);
    EXPECT_EQ(f.value("s", "long").size(), IniFile::kMaxValue);
    const IniFile huge = IniFile::parse(std::string(IniFile::kMaxBytes + 1, '\n'));
    EXPECT_EQ(huge.sectionCount(), 0u);
    EXPECT_FALSE(IniFile::load("/nonexistent/update.txt"));
    const std::string junk("\0[\0=\xff\r\r\n[", 10);
    EXPECT_EQ(klv::KlvFuzzIniFile(reinterpret_cast<const uint8_t*>(junk.data()), junk.size()), 0);
    EXPECT_EQ(klv::KlvFuzzProductList(reinterpret_cast<const uint8_t*>(junk.data()), junk.size()), 0);
}

TEST(ProductNames, OrderDuplicatesAndTheFirstEmptyKey)
{
    const IniFile f =
        IniFile::parse("[Typestone_KLV]\nProduct1=Tools\nProduct2=term\nProduct3=Extra\n"
                       "[Typestone_PLM]\nProduct1=Term\nProduct2=Viewer\nProduct3=\nProduct4=Hidden\n"
                       "[Other_PLM]\nProduct1=NotOurs\n");
    EXPECT_EQ(klv::ParseProductNames(f, "Typestone"),
              (std::vector<std::string>{"Term", "Viewer", "Tools", "Extra"}));
    const IniFile gap = IniFile::parse("[Typestone_PLM]\nProduct2=Two\n");
    EXPECT_TRUE(klv::ParseProductNames(gap, "Typestone").empty());
}
