// What only the folder spooler promises: its files, names, settings file and default printer.

#include "platform/spooler/folder_spooler.h"
#include "tests/platform/spooler/spooler_test_support.h"

#include "tests/support/fuzz/text_mutator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <latch>
#include <random>
#include <set>
#include <thread>

using namespace platform::spooler;
using spooler_test::readFile;
using spooler_test::TempDir;
using spooler_test::writeFile;

namespace {

class FolderSpoolerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.path().empty());
        m_root = m_dir.path() + "/spool";
        std::string error;
        m_spooler = FolderSpooler::open(m_root, &error);
        ASSERT_TRUE(m_spooler) << error;
        ASSERT_TRUE(m_spooler->addPrinter("Laser", &error)) << error;
    }

    // The names in the printer's folder.
    std::set<std::string> files(const std::string& printer = "Laser") const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_root + "/" + printer))
            names.insert(entry.path().filename());
        return names;
    }

    TempDir m_dir;
    std::string m_root;
    std::unique_ptr<FolderSpooler> m_spooler;
};

TEST_F(FolderSpoolerTest, RefusesPrinterNamesThatAreNotOneFolder)
{
    const std::vector<std::string> badNames = {
        "", ".", "..", "a/b", "../escape", std::string(256, 'p'), std::string("nul\0byte", 8)};
    const std::string pdf = m_dir.path() + "/doc.pdf";
    writeFile(pdf, spooler_test::pdfBytes());
    for (const std::string& name : badNames) {
        std::string error;
        EXPECT_FALSE(m_spooler->addPrinter(name, &error)) << name;
        EXPECT_FALSE(error.empty()) << name;
        EXPECT_FALSE(m_spooler->printer(name, &error)) << name;
        EXPECT_FALSE(m_spooler->startRawJob(name, "d", "RAW", &error)) << name;
        EXPECT_FALSE(m_spooler->submitPdf(name, "d", pdf, {}, &error)) << name;
        EXPECT_FALSE(m_spooler->defaults(name, &error)) << name;
        EXPECT_FALSE(m_spooler->saveDefaults(name, PrinterDefaults(), &error)) << name;
    }
    // Nothing was created beside or above the printers.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path()), {}), 2); // spool, doc.pdf
    ASSERT_EQ(m_spooler->printers().size(), 1u);

    std::string error;
    EXPECT_TRUE(m_spooler->addPrinter(std::string(255, 'p'), &error)) << error;
    EXPECT_TRUE(m_spooler->addPrinter("HP LaserJet (2nd floor)", &error)) << error;
    EXPECT_EQ(m_spooler->printers().size(), 3u);
}

TEST_F(FolderSpoolerTest, WritesAsBytesArriveAndRecordsTheJob)
{
    std::string error;
    auto job = m_spooler->startRawJob("Laser", "../../etc/passwd\nprinter=Other", "XPS_PASS", &error);
    ASSERT_TRUE(job) << error;
    ASSERT_TRUE(job->write("first", 5));

    // The bytes are in the partial file before the job ends.
    std::string part;
    for (const std::string& name : files())
        if (name.size() > 5 && name.substr(name.size() - 5) == ".part")
            part = name;
    ASSERT_FALSE(part.empty());
    EXPECT_EQ(readFile(m_root + "/Laser/" + part), "first");

    ASSERT_TRUE(job->write(" second", 7));
    ASSERT_TRUE(job->finish()) << job->errorText();
    EXPECT_FALSE(job->write("late", 4));

    const std::set<std::string> names = files();
    ASSERT_EQ(names.size(), 2u);
    const std::string prn = "000001-.._.._etc_passwd_printer_Other.prn";
    const std::string info = "000001.info";
    EXPECT_EQ(names, (std::set<std::string>{prn, info}));
    EXPECT_EQ(readFile(m_root + "/Laser/" + prn), "first second");
    // The name from the host stays one value: its line break cannot add a key.
    EXPECT_EQ(readFile(m_root + "/Laser/" + info), "file=" + prn +
                                                       "\nprinter=Laser\n"
                                                       "document=../../etc/passwd\\nprinter=Other\n"
                                                       "datatype=XPS_PASS\n");
}

TEST_F(FolderSpoolerTest, PrinterNamesAreFoundWithoutRegardToCase)
{
    // Hosts send names in any case; the folder keeps the case it was made with.
    std::string error;
    const std::string pdf = m_dir.path() + "/doc.pdf";
    writeFile(pdf, spooler_test::pdfBytes());
    PrinterDefaults letter;
    letter.media = "na_letter_8.5x11in";
    for (const char* asked : {"laser", "LASER", "lAsEr"}) {
        std::optional<PrinterInfo> info = m_spooler->printer(asked, &error);
        ASSERT_TRUE(info) << asked << ": " << error;
        EXPECT_EQ(info->name, "Laser") << asked;
        auto job = m_spooler->startRawJob(asked, "doc", "RAW", &error);
        ASSERT_TRUE(job) << asked << ": " << error;
        ASSERT_TRUE(job->write("x", 1));
        ASSERT_TRUE(job->finish()) << job->errorText();
        EXPECT_TRUE(m_spooler->submitPdf(asked, "doc", pdf, {}, &error)) << asked << ": " << error;
        EXPECT_TRUE(m_spooler->saveDefaults(asked, letter, &error)) << asked << ": " << error;
        std::optional<PrinterDefaults> read = m_spooler->defaults(asked, &error);
        ASSERT_TRUE(read) << asked << ": " << error;
        EXPECT_EQ(read->media, letter.media) << asked;
    }
    // Every job landed in the one folder and records the folder's own name.
    EXPECT_EQ(files().size(), 13u); // 6 jobs with their records, and the settings
    EXPECT_NE(readFile(m_root + "/Laser/000001.info").find("\nprinter=Laser\n"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_root), {}), 1);

    // An exact folder wins; a name that matches two folders only by case is not guessed.
    ASSERT_TRUE(m_spooler->addPrinter("LASER", &error)) << error;
    ASSERT_TRUE(m_spooler->printer("LASER", &error));
    EXPECT_EQ(m_spooler->printer("LASER", &error)->name, "LASER");
    EXPECT_EQ(m_spooler->printer("Laser", &error)->name, "Laser");
    error.clear();
    EXPECT_FALSE(m_spooler->printer("laser", &error));
    EXPECT_NE(error.find("differ only in case"), std::string::npos) << error;
    EXPECT_FALSE(m_spooler->startRawJob("laser", "doc", "RAW", &error));
    EXPECT_FALSE(m_spooler->printer("printer", &error));
    EXPECT_NE(error.find("no printer \"printer\""), std::string::npos) << error;
}

TEST_F(FolderSpoolerTest, AbortRemovesThePartialFileAndItsRecord)
{
    std::string error;
    auto job = m_spooler->startRawJob("Laser", "doc", "RAW", &error);
    ASSERT_TRUE(job) << error;
    ASSERT_TRUE(job->write("partial", 7));
    EXPECT_EQ(files().size(), 2u);
    job->abort();
    EXPECT_TRUE(files().empty());

    { // dropped unfinished
        auto dropped = m_spooler->startRawJob("Laser", "doc", "RAW", &error);
        ASSERT_TRUE(dropped) << error;
        ASSERT_TRUE(dropped->write("partial", 7));
    }
    EXPECT_TRUE(files().empty());
}

TEST_F(FolderSpoolerTest, ConcurrentJobsOfTwoSpoolersGetDistinctFiles)
{
    // Two spooler objects on one root stand for two processes: their counters start alike.
    std::string error;
    auto other = FolderSpooler::open(m_root, &error);
    ASSERT_TRUE(other) << error;
    constexpr int kJobs = 8;
    std::latch allStarted(kJobs);
    std::vector<std::string> errors(kJobs);
    std::vector<std::thread> threads;
    for (int i = 0; i < kJobs; ++i)
        threads.emplace_back([&, i] {
            Spooler& spooler = i % 2 ? static_cast<Spooler&>(*other) : *m_spooler;
            auto job = spooler.startRawJob("Laser", "same name", "RAW", &errors[i]);
            allStarted.count_down();
            if (!job)
                return;
            allStarted.wait(); // every job is open at the same time
            const std::string data = "payload " + std::to_string(i);
            if (!job->write(data.data(), data.size()) || !job->finish())
                errors[i] = job->errorText();
        });
    for (std::thread& t : threads)
        t.join();
    for (const std::string& e : errors)
        EXPECT_TRUE(e.empty()) << e;

    std::set<std::string> contents;
    int infos = 0;
    for (const std::string& name : files()) {
        if (name.ends_with(".prn"))
            contents.insert(readFile(m_root + "/Laser/" + name));
        infos += name.ends_with(".info");
    }
    EXPECT_EQ(infos, kJobs);
    ASSERT_EQ(contents.size(), static_cast<size_t>(kJobs));
    for (int i = 0; i < kJobs; ++i)
        EXPECT_EQ(contents.count("payload " + std::to_string(i)), 1u) << i;
}

TEST_F(FolderSpoolerTest, StoresPdfWholeWithItsOptions)
{
    const std::string path = m_dir.path() + "/in.pdf";
    const std::string pdf = spooler_test::pdfBytes();
    writeFile(path, pdf);
    PrintOptions options;
    options.orientation = Orientation::Landscape;
    options.copies = 2;
    std::string error;
    ASSERT_TRUE(m_spooler->submitPdf("Laser", "Quarterly report", path, options, &error)) << error;

    const std::set<std::string> names = files();
    ASSERT_EQ(names, (std::set<std::string>{"000001.info", "000001-Quarterly_report.pdf"}));
    EXPECT_TRUE(readFile(m_root + "/Laser/000001-Quarterly_report.pdf") == pdf);
    EXPECT_EQ(readFile(m_root + "/Laser/000001.info"), "file=000001-Quarterly_report.pdf\n"
                                                       "printer=Laser\n"
                                                       "document=Quarterly report\n"
                                                       "datatype=application/pdf\n"
                                                       "orientation=landscape\n"
                                                       "copies=2\n");
}

// A job that ended early is printed with what it has, and its record says so and why (the
// reason kept on one line); a whole job's record has no such line.
TEST_F(FolderSpoolerTest, ACutShortJobSaysSoInItsRecord)
{
    std::string error;
    auto job = m_spooler->startRawJob("Laser", "doc", "RAW", &error);
    ASSERT_TRUE(job) << error;
    ASSERT_TRUE(job->write("half", 4));
    ASSERT_TRUE(job->markCutShort("connection reset\nafter 4 bytes")) << job->errorText();
    ASSERT_TRUE(job->finish()) << job->errorText();
    EXPECT_FALSE(job->markCutShort("late")) << "an ended job takes no note";
    EXPECT_EQ(readFile(m_root + "/Laser/000001-doc.prn"), "half");
    EXPECT_EQ(readFile(m_root + "/Laser/000001.info"), "file=000001-doc.prn\n"
                                                       "printer=Laser\n"
                                                       "document=doc\n"
                                                       "datatype=RAW\n"
                                                       "cut-short=connection reset\\nafter 4 bytes\n");

    const std::string path = m_dir.path() + "/in.pdf";
    writeFile(path, spooler_test::pdfBytes());
    PrintOptions options;
    options.cutShort = "the spool file could not be written";
    ASSERT_TRUE(m_spooler->submitPdf("Laser", "doc", path, options, &error)) << error;
    EXPECT_EQ(readFile(m_root + "/Laser/000002.info"), "file=000002-doc.pdf\n"
                                                       "printer=Laser\n"
                                                       "document=doc\n"
                                                       "datatype=application/pdf\n"
                                                       "cut-short=the spool file could not be written\n");
}

TEST_F(FolderSpoolerTest, SettingsPersistAcrossSpoolerObjects)
{
    std::string error;
    const auto builtIn = m_spooler->defaults("Laser", &error);
    ASSERT_TRUE(builtIn) << error;
    EXPECT_EQ(builtIn->media, "iso_a4_210x297mm");
    EXPECT_EQ(builtIn->orientation, Orientation::Portrait);
    EXPECT_EQ(builtIn->copies, 1);
    EXPECT_EQ(builtIn->sides, Sides::OneSided);
    EXPECT_EQ(builtIn->colorMode, ColorMode::Color);
    EXPECT_EQ(builtIn->quality, PrintQuality::Normal);
    EXPECT_EQ(builtIn->resolution, (Resolution{600, 600}));
    EXPECT_EQ(builtIn->margins, (Margins{423, 423, 423, 423})); // 4.23 mm each side

    PrinterDefaults changed;
    changed.media = "na_legal_8.5x14in";
    changed.orientation = Orientation::ReverseLandscape;
    changed.copies = 12;
    changed.sides = Sides::TwoSidedShortEdge;
    changed.colorMode = ColorMode::Monochrome;
    changed.quality = PrintQuality::Draft;
    changed.resolution = Resolution{300, 1200};
    changed.margins = Margins{0, 1270, 5, 5000};
    ASSERT_TRUE(m_spooler->saveDefaults("Laser", changed, &error)) << error;

    auto reopened = FolderSpooler::open(m_root, &error);
    ASSERT_TRUE(reopened) << error;
    const auto loaded = reopened->defaults("Laser", &error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(*loaded, changed);
    // The settings file is not mistaken for a job or a printer.
    EXPECT_EQ(files(), (std::set<std::string>{".settings"}));
}

TEST_F(FolderSpoolerTest, RefusesBadSettings)
{
    const std::string settings = m_root + "/Laser/.settings";
    std::string error;
    ASSERT_TRUE(m_spooler->saveDefaults("Laser", PrinterDefaults(), &error)) << error;
    const std::string saved = readFile(settings);

    PrinterDefaults noCopies;
    noCopies.copies = 0;
    PrinterDefaults badMedia;
    badMedia.media = "A4\nsides=two-sided-long-edge";
    PrinterDefaults badResolution;
    badResolution.resolution = Resolution{0, 600};
    PrinterDefaults badMargin;
    badMargin.margins.bottom = kMaxMargin + 1;
    PrinterDefaults negativeMargin;
    negativeMargin.margins.left = -1;
    for (const PrinterDefaults& bad : {noCopies, badMedia, badResolution, badMargin, negativeMargin}) {
        error.clear();
        EXPECT_FALSE(m_spooler->saveDefaults("Laser", bad, &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(readFile(settings), saved);

    // A damaged file is reported with its line, not read as something else.
    for (const char* text :
         {"media=iso_a4_210x297mm\ncopies=many\n", "orientation=sideways\n", "no equals sign\n",
          "margin-left=50.01\n", "margin-top=-1\n", "margin-right=4.234\n", "margin-bottom=4,2\n",
          "margin-left=\n", "margin-top=.5\n", "margin-right=5.\n", "margin-bottom=1e1\n"}) {
        writeFile(settings, text);
        error.clear();
        EXPECT_FALSE(m_spooler->defaults("Laser", &error)) << text;
        EXPECT_NE(error.find("line"), std::string::npos) << error;
    }
    // Comments, blank lines and keys of later versions are fine.
    writeFile(settings, "# written by hand\n\ncopies=4\nstapling=top-left\n");
    const auto got = m_spooler->defaults("Laser", &error);
    ASSERT_TRUE(got) << error;
    EXPECT_EQ(got->copies, 4);
    EXPECT_EQ(got->margins, Margins{}); // a file of an earlier version keeps the default margins

    // Margins in millimetres, with up to two decimals.
    writeFile(settings, "margin-left=0\nmargin-top=6.35\nmargin-right=12.7\nmargin-bottom=50\n");
    const auto margins = m_spooler->defaults("Laser", &error);
    ASSERT_TRUE(margins) << error;
    EXPECT_EQ(margins->margins, (Margins{0, 635, 1270, 5000}));
}

TEST_F(FolderSpoolerTest, DefaultPrinterIsNamedOrFirst)
{
    std::string error;
    ASSERT_TRUE(m_spooler->addPrinter("Alpha", &error)) << error;
    ASSERT_TRUE(m_spooler->addPrinter("Zeta", &error)) << error;
    struct Case
    {
        const char* defaultFile; // nullptr: none
        const char* expected;
    };
    const Case cases[] = {{nullptr, "Alpha"}, {"Zeta\n", "Zeta"},  {"Zeta \r\nAlpha\n", "Zeta"},
                          {"Laser", "Laser"}, {"Gone\n", "Alpha"}, {"..\n", "Alpha"}};
    for (const Case& c : cases) {
        std::filesystem::remove(m_root + "/.default");
        if (c.defaultFile)
            writeFile(m_root + "/.default", c.defaultFile);
        const auto printers = m_spooler->printers(&error);
        ASSERT_EQ(printers.size(), 3u);
        EXPECT_EQ(printers[0].name, "Alpha"); // listed by name
        for (const PrinterInfo& info : printers) {
            EXPECT_EQ(info.isDefault, info.name == c.expected) << info.name << " with " << c.expected;
            // One printer asked for alone is described as in the list.
            const auto one = m_spooler->printer(info.name, &error);
            ASSERT_TRUE(one) << error;
            EXPECT_EQ(one->name, info.name);
            EXPECT_EQ(one->isDefault, info.isDefault) << info.name << " with " << c.expected;
            EXPECT_EQ(one->accepting, info.accepting);
            EXPECT_EQ(one->deviceUri, info.deviceUri);
            EXPECT_EQ(one->driverVersion, info.driverVersion);
        }
    }
}

// The start-up report names the folder of every printer, or says how to make the first one.
TEST_F(FolderSpoolerTest, StartupReportTellsWhereJobsLand)
{
    platform::spooler::Spooler& spooler = *m_spooler;
    EXPECT_EQ(spooler.startupReport(),
              (std::vector<std::string>{"jobs for printer \"Laser\" land in " + m_root + "/Laser"}));
    std::filesystem::remove_all(m_root + "/Laser");
    EXPECT_EQ(spooler.startupReport(),
              (std::vector<std::string>{"no printer yet: make a folder in " + m_root + " for each printer"}));
}

TEST_F(FolderSpoolerTest, RootMustBeAnAbsoluteFolder)
{
    std::string error;
    EXPECT_FALSE(FolderSpooler::open("relative/spool", &error));
    EXPECT_FALSE(error.empty());
    writeFile(m_dir.path() + "/file", "x");
    error.clear();
    EXPECT_FALSE(FolderSpooler::open(m_dir.path() + "/file", &error));
    EXPECT_FALSE(error.empty());
    auto nested = FolderSpooler::open(m_dir.path() + "/a/b/spool/", &error);
    ASSERT_TRUE(nested) << error;
    EXPECT_EQ(nested->description(), "folder spooler at " + m_dir.path() + "/a/b/spool");
}

} // namespace

TEST(FolderSettingsFile, DamagedCopiesParseWithinLimitsOrFail)
{
    // Saved settings with bytes flipped, inserted, removed, repeated and cut off: whatever
    // parses must be settings the spooler could have saved itself.
    PrinterDefaults saved;
    saved.media = "na_legal_8.5x14in";
    saved.copies = 12;
    saved.resolution = Resolution{300, 1200};
    const std::string valid = formatDefaults(saved) + "# note\n\nstapling=top\r\n";
    PrinterDefaults parsed;
    ASSERT_TRUE(parseDefaults(valid, &parsed, nullptr));
    EXPECT_EQ(parsed, saved);
    const char special[] = {'=', '\n', '\r', '#', ' ',  '\t',
                            'x', '-',  '0',  '9', '\0', static_cast<char>(0xff)};
    test_support::TextMutator mutator(424242, std::string_view(special, sizeof special));
    for (int round = 0; round < 3000; ++round) {
        const std::string s = mutator.mutate(valid);
        PrinterDefaults got;
        std::string error;
        if (parseDefaults(s, &got, &error)) {
            EXPECT_TRUE(checkDefaults(got, &error)) << round << ": " << error;
        } else {
            EXPECT_NE(error.find("line"), std::string::npos) << round;
        }
    }
}
