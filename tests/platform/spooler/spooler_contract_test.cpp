// The behaviour both spooler backends promise through the Spooler interface.

#include "platform/spooler/cups_spooler.h"
#include "platform/spooler/folder_spooler.h"
#include "tests/platform/spooler/spooler_test_support.h"
#include "tests/support/cupsd/private_cupsd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

using namespace platform::spooler;
using spooler_test::readFile;
using spooler_test::TempDir;
using ts::support::PrivateCupsd;

namespace {

constexpr int kDeliveryTimeoutMs = 15000;

// Each backend as the tests see it: a spooler, a way to add printers, and what reached them.
class FolderBackend
{
public:
    static constexpr bool kSavesDefaults = true;
    static constexpr bool kPrintsCopies = false; // a stored document records its copy count
    static void setUpSuite() {}
    static void tearDownSuite() {}
    static bool ready(std::string*) { return true; }

    FolderBackend() { m_spooler = FolderSpooler::open(m_dir.path() + "/spool", nullptr); }

    Spooler& spooler() { return *m_spooler; }

    std::string addPrinter(const std::string& name)
    {
        std::string error;
        EXPECT_TRUE(m_spooler->addPrinter(name, &error)) << error;
        return name;
    }

    void setDefault(const std::string& name)
    {
        spooler_test::writeFile(m_spooler->root() + "/.default", name + "\n");
    }

    void presetDefaults(const std::string& printer, const PrinterDefaults& defaults)
    {
        std::string error;
        ASSERT_TRUE(m_spooler->saveDefaults(printer, defaults, &error)) << error;
    }

    // The finished documents of `printer`, in the order they were made; waits for nothing, as
    // a finished folder job is complete on disk.
    std::string delivered(const std::string& printer, size_t)
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_spooler->root() + "/" + printer)) {
            const std::string ext = entry.path().extension();
            if (ext == ".prn" || ext == ".pdf")
                names.push_back(entry.path());
        }
        std::sort(names.begin(), names.end());
        std::string all;
        for (const std::string& name : names)
            all += readFile(name);
        return all;
    }

    // No job of `printer` is left unfinished.
    void expectIdle(const std::string& printer)
    {
        for (const auto& entry : std::filesystem::directory_iterator(m_spooler->root() + "/" + printer))
            EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    }

private:
    TempDir m_dir;
    std::unique_ptr<FolderSpooler> m_spooler;
};

class CupsBackend
{
public:
    static constexpr bool kSavesDefaults = false;
    static constexpr bool kPrintsCopies = true; // a raw queue sends the document once per copy

    static void setUpSuite() { s_cupsd = PrivateCupsd::start(&s_why); }
    static void tearDownSuite() { s_cupsd.reset(); }
    static bool ready(std::string* why)
    {
        *why = s_why;
        return s_cupsd != nullptr;
    }

    Spooler& spooler() { return m_spooler; }

    // Queues live as long as the suite's scheduler, so every test gets names of its own.
    std::string addPrinter(const std::string& name)
    {
        const std::string queue = name + "_" + std::to_string(++s_queues);
        std::string error;
        EXPECT_TRUE(s_cupsd->addRawQueue(queue, &error)) << error;
        return queue;
    }

    void setDefault(const std::string& name)
    {
        std::string error;
        EXPECT_TRUE(s_cupsd->setDefaultQueue(name, &error)) << error;
    }

    void presetDefaults(const std::string& printer, const PrinterDefaults& d)
    {
        std::string error;
        ASSERT_TRUE(s_cupsd->setQueueOptions(printer,
                                             {"media-default=" + d.media,
                                              std::string("sides-default=") + keyword(d.sides),
                                              std::string("print-color-mode-default=") + keyword(d.colorMode),
                                              "copies-default=" + std::to_string(d.copies)},
                                             &error))
            << error;
    }

    std::string delivered(const std::string& printer, size_t expected)
    {
        std::string data;
        EXPECT_TRUE(s_cupsd->waitForBytes(printer, expected, kDeliveryTimeoutMs, &data))
            << "only " << data.size() << " of " << expected << " bytes arrived\n"
            << s_cupsd->logTail();
        return data;
    }

    void expectIdle(const std::string& printer)
    {
        std::string error;
        EXPECT_TRUE(s_cupsd->waitUntilIdle(printer, kDeliveryTimeoutMs, &error)) << error;
    }

private:
    static inline std::unique_ptr<PrivateCupsd> s_cupsd;
    static inline std::string s_why;
    static inline int s_queues = 0;
    CupsSpooler m_spooler;
};

template <typename Backend> class SpoolerContract : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { Backend::setUpSuite(); }
    static void TearDownTestSuite() { Backend::tearDownSuite(); }

    void SetUp() override
    {
        std::string why;
        if (!Backend::ready(&why)) {
            if (PrivateCupsd::mustRun())
                FAIL() << "no private cupsd: " << why;
            GTEST_SKIP() << "no private cupsd: " << why;
        }
        m_backend = std::make_unique<Backend>();
    }

    Backend& backend() { return *m_backend; }
    Spooler& spooler() { return m_backend->spooler(); }

    // Streams `chunks` as one raw job and expects it to finish.
    void printRaw(const std::string& printer, const std::vector<std::string>& chunks,
                  const std::string& documentName = "job")
    {
        std::string error;
        auto job = spooler().startRawJob(printer, documentName, "RAW", &error);
        ASSERT_TRUE(job) << error;
        for (const std::string& chunk : chunks)
            ASSERT_TRUE(job->write(chunk.data(), chunk.size())) << job->errorText();
        ASSERT_TRUE(job->finish()) << job->errorText();
    }

private:
    std::unique_ptr<Backend> m_backend;
};

using Backends = ::testing::Types<FolderBackend, CupsBackend>;
class BackendNames
{
public:
    template <typename T> static std::string GetName(int)
    {
        return std::is_same_v<T, FolderBackend> ? "Folder" : "Cups";
    }
};
TYPED_TEST_SUITE(SpoolerContract, Backends, BackendNames);

TYPED_TEST(SpoolerContract, RawJobArrivesUnchanged)
{
    const std::string printer = this->backend().addPrinter("raw");
    const std::vector<std::string> chunks = {"\x1b@Header line\r\n", spooler_test::everyByteValue(),
                                             std::string("\0\r\n\x0c", 4), "tail"};
    std::string expected;
    for (const std::string& chunk : chunks)
        expected += chunk;

    // A host's document name: 8-bit bytes that are not UTF-8, a path and a line break.
    this->printRaw(printer, chunks, "C:\\INVOICES\\n\x81mero 03/24\nx.txt");

    EXPECT_TRUE(this->backend().delivered(printer, expected.size()) == expected);
    this->backend().expectIdle(printer);
}

TYPED_TEST(SpoolerContract, AbortedJobsNeverReachThePrinter)
{
    const std::string printer = this->backend().addPrinter("abort");
    const std::string secret = "must not be printed\r\n";
    std::string error;

    // Explicitly aborted, and abandoned without finish().
    for (const bool explicitAbort : {true, false}) {
        auto job = this->spooler().startRawJob(printer, "aborted", "RAW", &error);
        ASSERT_TRUE(job) << error;
        ASSERT_TRUE(job->write(secret.data(), secret.size())) << job->errorText();
        if (explicitAbort) {
            job->abort();
            EXPECT_FALSE(job->write("x", 1));
            EXPECT_FALSE(job->finish());
        }
    }
    // A job after them is the only thing that arrives.
    this->printRaw(printer, {"marker"});
    EXPECT_EQ(this->backend().delivered(printer, 6), "marker");
    this->backend().expectIdle(printer);
}

TYPED_TEST(SpoolerContract, ListsPrintersWithTheDefault)
{
    const std::string alpha = this->backend().addPrinter("alpha");
    const std::string beta = this->backend().addPrinter("beta");
    this->backend().setDefault(beta);

    std::string error;
    const std::vector<PrinterInfo> printers = this->spooler().printers(&error);
    EXPECT_TRUE(error.empty()) << error;
    int defaults = 0;
    bool sawAlpha = false;
    for (const PrinterInfo& info : printers) {
        defaults += info.isDefault;
        if (info.name == alpha || info.name == beta) {
            sawAlpha |= info.name == alpha;
            EXPECT_EQ(info.isDefault, info.name == beta) << info.name;
            EXPECT_TRUE(info.accepting) << info.name;
            EXPECT_EQ(info.driverVersion, 3);
            EXPECT_FALSE(info.deviceUri.empty());
        }
    }
    EXPECT_TRUE(sawAlpha);
    EXPECT_EQ(defaults, 1);

    const auto found = this->spooler().printer(beta, &error);
    ASSERT_TRUE(found) << error;
    EXPECT_EQ(found->name, beta);
    EXPECT_TRUE(found->isDefault);

    error.clear();
    EXPECT_FALSE(this->spooler().printer("no_such_printer", &error));
    EXPECT_FALSE(error.empty());
}

// What was kept of the list never hides a printer added since: it is found by name at once,
// and the list's version moves, so answers kept from the old list are asked again.
TYPED_TEST(SpoolerContract, PrinterAddedIsFoundAtOnceAndMovesTheListVersion)
{
    std::string error;
    const std::string first = this->backend().addPrinter("kept");
    ASSERT_TRUE(this->spooler().printer(first, &error)) << error;
    const std::optional<uint64_t> before = this->spooler().printersVersion();
    ASSERT_TRUE(before) << "both backends can tell when their list changes";

    const std::string added = this->backend().addPrinter("added");
    const auto found = this->spooler().printer(added, &error);
    ASSERT_TRUE(found) << error;
    EXPECT_EQ(found->name, added);
    EXPECT_NE(this->spooler().printersVersion(), before);
}

TYPED_TEST(SpoolerContract, RefusesJobsItCannotTake)
{
    const std::string printer = this->backend().addPrinter("refuse");
    TempDir dir;
    const std::string notPdf = dir.path() + "/plain.txt";
    spooler_test::writeFile(notPdf, "just text, no PDF header\n");
    const std::string pdf = dir.path() + "/ok.pdf";
    spooler_test::writeFile(pdf, spooler_test::pdfBytes());
    PrintOptions noCopies;
    noCopies.copies = 0;

    struct Case
    {
        const char* what;
        std::function<bool(Spooler&, std::string*)> attempt;
    };
    const std::vector<Case> cases = {
        {"raw job on a missing printer",
         [](Spooler& s, std::string* e) {
             return s.startRawJob("no_such_printer", "d", "RAW", e) != nullptr;
         }},
        {"raw job with an unknown data type",
         [&](Spooler& s, std::string* e) { return s.startRawJob(printer, "d", "TEXT", e) != nullptr; }},
        {"PDF that is not one",
         [&](Spooler& s, std::string* e) { return s.submitPdf(printer, "d", notPdf, {}, e); }},
        {"PDF file that is missing",
         [&](Spooler& s, std::string* e) {
             return s.submitPdf(printer, "d", dir.path() + "/none.pdf", {}, e);
         }},
        {"PDF with zero copies",
         [&](Spooler& s, std::string* e) { return s.submitPdf(printer, "d", pdf, noCopies, e); }},
        {"PDF on a missing printer",
         [&](Spooler& s, std::string* e) { return s.submitPdf("no_such_printer", "d", pdf, {}, e); }},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(c.attempt(this->spooler(), &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
    this->printRaw(printer, {"only this"});
    EXPECT_EQ(this->backend().delivered(printer, 9), "only this");
}

TYPED_TEST(SpoolerContract, PdfDocumentArrivesWhole)
{
    const std::string printer = this->backend().addPrinter("pdf");
    TempDir dir;
    const std::string path = dir.path() + "/document.pdf";
    const std::string pdf = spooler_test::pdfBytes();
    spooler_test::writeFile(path, pdf);

    PrintOptions options;
    options.media = "iso_a5_148x210mm";
    options.orientation = Orientation::Landscape;
    options.copies = 2;
    options.sides = Sides::TwoSidedLongEdge;
    options.colorMode = ColorMode::Monochrome;
    options.quality = PrintQuality::High;
    options.resolution = Resolution{300, 300};
    std::string error;
    ASSERT_TRUE(this->spooler().submitPdf(printer, "Report", path, options, &error)) << error;

    const std::string expected = TypeParam::kPrintsCopies ? pdf + pdf : pdf;
    EXPECT_TRUE(this->backend().delivered(printer, expected.size()) == expected);
    this->backend().expectIdle(printer);
    EXPECT_EQ(this->backend().delivered(printer, expected.size()).size(), expected.size());
}

TYPED_TEST(SpoolerContract, ConcurrentJobsFromThreadsStayWhole)
{
    const std::string printer = this->backend().addPrinter("busy");
    constexpr int kJobs = 4;
    std::vector<std::string> payloads;
    for (int i = 0; i < kJobs; ++i) {
        std::string payload = "<job " + std::to_string(i) + ">";
        for (int k = 0; k < 50000; ++k)
            payload += static_cast<char>('a' + (k * (i + 3)) % 26);
        payloads.push_back(payload + "</job " + std::to_string(i) + ">");
    }
    std::vector<std::string> errors(kJobs);
    std::vector<std::thread> threads;
    for (int i = 0; i < kJobs; ++i)
        threads.emplace_back([&, i] {
            auto job = this->spooler().startRawJob(printer, "job" + std::to_string(i), "RAW", &errors[i]);
            if (!job)
                return;
            const std::string& data = payloads[i];
            for (size_t at = 0; at < data.size(); at += 4096)
                if (!job->write(data.data() + at, std::min<size_t>(4096, data.size() - at))) {
                    errors[i] = job->errorText();
                    return;
                }
            if (!job->finish())
                errors[i] = job->errorText();
        });
    for (std::thread& t : threads)
        t.join();
    size_t total = 0;
    for (int i = 0; i < kJobs; ++i) {
        EXPECT_TRUE(errors[i].empty()) << errors[i];
        total += payloads[i].size();
    }
    const std::string all = this->backend().delivered(printer, total);
    EXPECT_EQ(all.size(), total);
    for (int i = 0; i < kJobs; ++i)
        EXPECT_NE(all.find(payloads[i]), std::string::npos) << "job " << i << " did not arrive whole";
}

TYPED_TEST(SpoolerContract, ReadsPrinterDefaults)
{
    const std::string printer = this->backend().addPrinter("settings");
    PrinterDefaults wanted;
    wanted.media = "na_letter_8.5x11in";
    wanted.sides = Sides::TwoSidedLongEdge;
    wanted.colorMode = ColorMode::Monochrome;
    wanted.copies = 3;
    this->backend().presetDefaults(printer, wanted);

    std::string error;
    const auto got = this->spooler().defaults(printer, &error);
    ASSERT_TRUE(got) << error;
    EXPECT_EQ(got->media, wanted.media);
    EXPECT_EQ(got->sides, wanted.sides);
    EXPECT_EQ(got->colorMode, wanted.colorMode);
    EXPECT_EQ(got->copies, wanted.copies);

    EXPECT_FALSE(this->spooler().defaults("no_such_printer", &error));
    if constexpr (!TypeParam::kSavesDefaults) {
        error.clear();
        EXPECT_FALSE(this->spooler().saveDefaults(printer, wanted, &error));
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
