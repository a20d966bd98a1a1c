// A job whose text goes through the formatter: wrapped lines cross page ends without losing,
// doubling or drawing a word between pages, and the line ends of the stream end paragraphs.

#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/text_layout.h"
#include "typestone/engine/win_prt.h"

#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

using engine_test::DeviceLog;
using engine_test::RecordingPageDevice;
using typestone::CWinPrt;

namespace {

struct Job
{
    Job()
    {
        prt.SetFontEngine(&fonts);
        prt.SetDeviceFactory([this](const typestone::EngineDeviceRequest&, std::string*) {
            return std::make_unique<RecordingPageDevice>(log, engine_test::pageCaps());
        });
        typestone::INIT_DATA r = typestone::DefaultInitData();
        std::strncpy(r.printer, "Office", sizeof r.printer - 1);
        started = prt.StartPrtJob(&r, "layout", false);
    }
    void print(const std::string& s) { prt.PrintData(s.data(), s.size(), true); }

    // The words drawn, in order; whether any text was drawn outside a page; the pages.
    struct Drawn
    {
        std::vector<std::string> words;
        std::vector<std::string> texts;
        bool outsidePage = false;
        int pages = 0;
    };
    Drawn drawn() const
    {
        Drawn d;
        bool inPage = false;
        for (const auto& l : log->lines) {
            if (l == "startPage") {
                inPage = true;
                ++d.pages;
            } else if (l == "endPage") {
                inPage = false;
            } else if (l.rfind("text ", 0) == 0) {
                d.outsidePage = d.outsidePage || !inPage;
                d.texts.push_back(l);
                const size_t a = l.find('\'');
                const size_t b = l.find('\'', a + 1);
                std::istringstream in(l.substr(a + 1, b - a - 1));
                for (std::string w; in >> w;)
                    d.words.push_back(w);
            }
        }
        return d;
    }

    platform::draw::FakeFontEngine fonts;
    std::shared_ptr<DeviceLog> log = std::make_shared<DeviceLog>();
    CWinPrt prt;
    bool started = false;
};

TEST(JobLayout, WrappedTextCrossesPagesWithoutLosingAWord)
{
    Job job;
    ASSERT_TRUE(job.started);
    auto* mapper = job.prt.FontMapper();
    job.print("\r"); // opens the page
    ASSERT_NE(mapper->Layout(), nullptr);
    mapper->Layout()->SetAlign(typestone::kAlignJustified, mapper->Dc());
    std::vector<std::string> words;
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        words.push_back("w" + std::to_string(i));
        text += words.back() + (i % 7 == 0 ? "  " : " ");
    }
    job.print(text);
    job.prt.EndOfStream();
    job.prt.StopPrtJob(true);
    const Job::Drawn d = job.drawn();
    EXPECT_EQ(d.words, words);
    EXPECT_FALSE(d.outsidePage);
    EXPECT_GE(d.pages, 2);
    // Every line but the last is spread to the right edge (80 cells: one that fills them has
    // nothing to spread); the last stays left.
    ASSERT_GE(d.texts.size(), 2u);
    for (size_t i = 0; i + 1 < d.texts.size(); ++i) {
        const std::string& t = d.texts[i];
        const size_t length = t.find('\'', t.find('\'') + 1) - t.find('\'') - 1;
        if (length < 80) {
            EXPECT_NE(t.find(" extra="), std::string::npos) << t;
        }
    }
    EXPECT_EQ(d.texts.back().find(" extra="), std::string::npos) << d.texts.back();
}

TEST(JobLayout, LineEndsOfTheStreamEndParagraphs)
{
    Job job;
    ASSERT_TRUE(job.started);
    auto* mapper = job.prt.FontMapper();
    job.print("\r");
    mapper->Layout()->SetAlign(typestone::kAlignCentered, mapper->Dc());
    job.print("first\r\nsecond line\r\n\fthird\r\n");
    job.prt.EndOfStream();
    job.prt.StopPrtJob(true);
    const Job::Drawn d = job.drawn();
    EXPECT_EQ(d.words, (std::vector<std::string>{"first", "second", "line", "third"}));
    EXPECT_FALSE(d.outsidePage);
    EXPECT_EQ(d.pages, 2) << "the form feed ends the page";
    ASSERT_EQ(d.texts.size(), 3u);
    // Centred, one line below the other: the carriage return ends the line and moves down,
    // the line feed after it does not move again.
    const auto y = [](const std::string& t) { return std::stoi(t.substr(t.find(',') + 1)); };
    const auto x = [](const std::string& t) { return std::stoi(t.substr(5)); };
    EXPECT_GT(x(d.texts[0]), x(d.texts[1]));
    EXPECT_GT(x(d.texts[0]), 1000);
    EXPECT_GT(y(d.texts[1]), y(d.texts[0]));
    EXPECT_LT(y(d.texts[1]) - y(d.texts[0]), 300) << "one line, not two";
}

TEST(JobLayout, ALineEndOnAFullPageOpensNoEmptyPage)
{
    Job job;
    ASSERT_TRUE(job.started);
    auto* mapper = job.prt.FontMapper();
    job.print("\r");
    mapper->Layout()->SetAlign(typestone::kAlignCentered, mapper->Dc());
    // 58 rows of 120 pixels: the page is full after the last of them.
    std::string text;
    for (int i = 0; i < 58; ++i)
        text += "row " + std::to_string(i) + "\r\n";
    job.print(text);
    job.prt.EndOfStream();
    job.prt.StopPrtJob(true);
    const Job::Drawn d = job.drawn();
    EXPECT_EQ(d.words.size(), 2u * 58);
    EXPECT_FALSE(d.outsidePage);
    EXPECT_EQ(d.pages, 1) << "no empty page after the last line";
}

TEST(JobLayout, AJustifiedParagraphsLeadingBlanksIndentItsFirstLineHoweverTheyCame)
{
    // After a line end, the blanks before a justified paragraph's first word are its first
    // line's margin, in one piece or several; a paragraph of blanks alone leaves none behind.
    const std::string words =
        "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron "
        "pi rho sigma tau upsilon phi chi psi omega";
    std::string paragraph;
    for (int i = 0; i < 3; ++i)
        paragraph += words + " ";
    const auto print = [&](const std::vector<std::string>& pieces) {
        Job job;
        EXPECT_TRUE(job.started);
        auto* mapper = job.prt.FontMapper();
        job.print("\r");
        mapper->Layout()->SetAlign(typestone::kAlignJustified, mapper->Dc());
        for (const auto& piece : pieces)
            job.print(piece);
        job.prt.EndOfStream();
        job.prt.StopPrtJob(true);
        return job.drawn().texts;
    };
    const auto whole = print({"\r\n      " + paragraph + "\r\n"});
    ASSERT_GE(whole.size(), 3u);
    const auto x = [](const std::string& t) { return std::stoi(t.substr(5)); };
    EXPECT_EQ(x(whole[0]), 6 * 60) << whole[0];
    EXPECT_EQ(x(whole[1]), 0) << whole[1];
    EXPECT_EQ(print({"\r\n   ", "   ", paragraph + "\r\n"}), whole);
    const auto afterBlankLine = print({"\r\n    \r\n" + paragraph + "\r\n"});
    ASSERT_FALSE(afterBlankLine.empty());
    EXPECT_EQ(x(afterBlankLine[0]), 0) << "the blank line's margin is not the next paragraph's";
}

} // namespace
