#include "klv_inet/support/bin_dumper.h"

#include "scripted_ui.h"
#include "temp_env.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHead29 = "\n" + std::string(29, '-') + "\n";
const std::string kTail26 = "\n" + std::string(26, '-') + "\n";
const std::string kColumns = "\n          "
                             "  0 1 2 3  4 5 6 7  8 9 A B  C D E F";

std::string dump(const std::string& bytes, const char* title = "T")
{
    std::string out;
    DbgBinDumper(&out, title, bytes.data(), bytes.size(), "\n");
    return out;
}

std::string pad36(std::string hex)
{
    hex.resize(36, ' ');
    return hex;
}

TEST(DbgBinDumperTest, RowsByteForByte)
{
    EXPECT_EQ(dump(""), kHead29 + "T (len=0 bytes)\n" + kTail26);
    EXPECT_EQ(dump("", ""), kHead29 + " (len=0 bytes)\n" + kTail26);

    EXPECT_EQ(dump("A"),
              kHead29 + "T (len=1 bytes)\n" + kColumns + "\n0x00000000" + pad36(" 41") + "\t\t'A'" + kTail26);

    const std::string row16 = "0123456789\x01\x1f\x20\x7f\x80Z";
    const std::string hex16 = " 30313233 34353637 3839011f 207f805a";
    ASSERT_EQ(hex16.size(), 36u);
    EXPECT_EQ(dump(row16), kHead29 + "T (len=16 bytes)\n" + kColumns + "\n0x00000000" + hex16 +
                               "\t\t'0123456789.. \x7f\x80Z'" + kTail26);

    EXPECT_EQ(dump(row16 + "q"), kHead29 + "T (len=17 bytes)\n" + kColumns + "\n0x00000000" + hex16 +
                                     "\t\t'0123456789.. \x7f\x80Z'" + "\n0x00000010" + pad36(" 71") +
                                     "\t\t'q'" + kTail26);

    EXPECT_EQ(dump(row16 + "q\n"), kHead29 + "T (len=18 bytes)\n" + kColumns + "\n0x00000000" + hex16 +
                                       "\t\t'0123456789.. \x7f\x80Z'" + "\n0x00000010" + pad36(" 710a") +
                                       "\t\t'q.'" + kTail26);
}

TEST(DbgBinDumperTest, AppendsAndRefusesNullOut)
{
    std::string out = "before";
    const char* result = DbgBinDumper(&out, "T", "", 0, "\n");
    EXPECT_EQ(result, out.c_str());
    EXPECT_EQ(out.rfind("before", 0), 0u);
    EXPECT_EQ(DbgBinDumper(nullptr, "T", "x", 1, "\n"), nullptr);
}

TEST(FileBinDumperTest, DumpsTheWholeFileIntoTheTarget)
{
    TempEnv env;
    ScriptedUi ui;
    std::string data(2500, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    writeFile(env.path("src.bin"), data);

    std::string target;
    EXPECT_EQ(FileBinDumper(env.path("src.bin").c_str(), &target), 2500u);
    ASSERT_FALSE(target.empty());
    EXPECT_NE(target.find("/kdr"), std::string::npos);
    const std::string text = readFile(target);
    EXPECT_EQ(text.rfind("\n*********\nBinary Dump of " + env.path("src.bin") + " file\nSize=", 0), 0u);
    // Three blocks of at most 1024 bytes, each a dump of its own.
    std::string first;
    DbgBinDumper(&first, "0 bytes", data.data(), 1024, "\n");
    EXPECT_NE(text.find(first), std::string::npos);
    EXPECT_NE(text.find("(len=452 bytes)"), std::string::npos);
    EXPECT_TRUE(ui.boxes().empty());
}

TEST(FileBinDumperTest, FailuresGiveZero)
{
    TempEnv env;
    ScriptedUi ui;
    EXPECT_EQ(FileBinDumper(env.path("missing").c_str(), env.path("out.txt").c_str()), 0u);
    EXPECT_EQ(FileBinDumper(nullptr, env.path("out.txt").c_str()), 0u);
    EXPECT_TRUE(ui.boxes().empty()); // a missing source is no error worth a box

    writeFile(env.path("src.bin"), "abc");
    // A target that cannot be created is told in a box.
    EXPECT_EQ(FileBinDumper(env.path("src.bin").c_str(), env.path("no/such/dir/out.txt").c_str()), 0u);
    const auto boxes = ui.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].box.text, "Failed to open temp target file '" + env.path("no/such/dir/out.txt") + "'");
}

} // namespace
