#include "job_test_env.h"

#include "typestone/server/astcp_thread.h"
#include "typestone/server/job_header.h"
#include "typestone/server/port_values.h"
#include "typestone/server/printer_config.h"

#include "klv_inet/support/gen_encrypter.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

#include "platform/settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

using typestone::CPrinter;
using typestone::DevMode;
using typestone::PRTCFG;

namespace {

class PrinterConfigTest : public ::testing::Test
{
protected:
    jobtest::JobTestEnv env;
    std::string section = CPrinter::PrintersSection();

    // A configuration written the way SavePrtEntry writes it.
    void configure(CPrinter& printers, const std::string& name, bool shared, const std::string& password,
                   const std::string& shareName = "")
    {
        PRTCFG record;
        record.printerName = name;
        record.bShared = shared;
        record.SetPassword(password);
        record.shareName = shareName;
        record.devMode = DevMode(name, {});
        ASSERT_TRUE(printers.SavePrtEntry(nullptr, &record));
    }
};

} // namespace

TEST(ChkPassword, Table)
{
    struct Case
    {
        const char* given;
        const char* stored;
        bool expected;
    } cases[] = {
        {"", "", true},
        {nullptr, "", true},
        {"secret", "secret", true},
        {"SeCrEt", "secret", true},
        {"secret", "", false},
        {"", "secret", false},
        {nullptr, "secret", false},
        {"secret", "secre", false},
        {"secret12", "secret12", true},
    };
    for (const Case& c : cases) {
        PRTCFG record;
        record.bShared = true;
        record.SetPassword(c.stored);
        bool shared = false;
        std::string stored;
        EXPECT_EQ(CPrinter::ChkPassword(&record, c.given, &shared, &stored), c.expected)
            << "given '" << (c.given ? c.given : "(null)") << "' stored '" << c.stored << "'";
        EXPECT_TRUE(shared);
        EXPECT_EQ(stored, c.stored);
    }
    bool shared = true;
    EXPECT_TRUE(CPrinter::ChkPassword(nullptr, "", &shared, nullptr));
    EXPECT_FALSE(shared) << "no record: not shared";
    EXPECT_FALSE(CPrinter::ChkPassword(nullptr, "pw", &shared, nullptr));
}

TEST_F(PrinterConfigTest, PasswordIsStoredAsCipherRecordOfNineBytes)
{
    CPrinter printers(&env.folder());
    configure(printers, "Laser", true, "abc");
    const std::string key = CPrinter::PrinterKey(section, "Laser");

    unsigned char raw[256];
    uint32_t size = sizeof raw;
    ASSERT_TRUE(GetRegistryEntry(key.c_str(), "Password", raw, &size));
    EXPECT_EQ(size, 8u + 9u) << "8-byte cipher header and the 9-byte block";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), size).find("abc"), std::string::npos)
        << "never stored in the clear";
    uint32_t length = 0;
    unsigned char* plain = CGenEncrypter::SimpleDecrypt(raw, size, &length);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(std::memcmp(plain, "abc\0", 4), 0);
    std::free(plain);

    char shared[256] = {};
    size = sizeof shared;
    ASSERT_TRUE(GetRegistryEntry(key.c_str(), "Shared", shared, &size));
    EXPECT_STREQ(shared, "Yes");

    PRTCFG back;
    ASSERT_TRUE(printers.GetPrtCfg("Laser", &back));
    EXPECT_EQ(back.Password(), "abc");
    EXPECT_TRUE(back.bShared);
    EXPECT_TRUE(back.installed);
    ASSERT_TRUE(back.devMode.has_value());
    EXPECT_EQ(back.devMode->deviceName(), "Laser");
}

TEST_F(PrinterConfigTest, LongDecipheredPasswordIsCutToEight)
{
    CPrinter printers(&env.folder());
    configure(printers, "Laser", true, "x");
    const std::string key = CPrinter::PrinterKey(section, "Laser");
    const char block[] = "abcdefghijkl"; // no terminator within the first 9 bytes
    uint32_t length = 12;
    unsigned char* cipher = CGenEncrypter::SimpleEncrypt(block, &length);
    ASSERT_NE(cipher, nullptr);
    SetRegistryEntry(key.c_str(), "Password", cipher, length, KLV_REG_BINARY);
    std::free(cipher);

    PRTCFG back;
    ASSERT_TRUE(printers.GetPrtCfg("Laser", &back));
    EXPECT_EQ(back.Password(), "abcdefgh");

    // A block that cannot be deciphered leaves the password empty.
    const unsigned char junk[3] = {1, 2, 3};
    SetRegistryEntry(key.c_str(), "Password", junk, sizeof junk, KLV_REG_BINARY);
    ASSERT_TRUE(printers.GetPrtCfg("Laser", &back));
    EXPECT_EQ(back.Password(), "");
}

TEST_F(PrinterConfigTest, ConnectionNameIsStoredWithoutLeadingBackslashes)
{
    CPrinter printers(&env.folder());
    configure(printers, "\\\\server\\Laser", true, "");
    const std::string key = section + "\\server\\Laser";
    char shared[256] = {};
    uint32_t size = sizeof shared;
    EXPECT_TRUE(GetRegistryEntry(key.c_str(), "Shared", shared, &size));
    // Its device settings are found again under that key.
    PRTCFG back;
    ASSERT_TRUE(printers.GetPrtCfg("\\\\server\\Laser", &back));
    ASSERT_TRUE(back.devMode.has_value());
}

TEST_F(PrinterConfigTest, MissingValueMakesPrinterUnconfigured)
{
    CPrinter printers(&env.folder());
    for (const char* value : {"Shared", "Password", "Name"}) {
        configure(printers, "Laser", true, "");
        RemoveRegistryValue(CPrinter::PrinterKey(section, "Laser").c_str(), value);
        PRTCFG back;
        EXPECT_FALSE(printers.GetPrtCfg("Laser", &back)) << value;
    }
}

// A stored record that is damaged or forged never lets a job in without the password: the
// printer is kept from the hosts, now and after the reload that saves the list again.
TEST_F(PrinterConfigTest, DamagedRecordIsNeverOpenedToHosts)
{
    env.addPrinter("Locked");
    const std::string key = CPrinter::PrinterKey(section, "Locked");
    const std::string longText(300, 'x');
    const std::vector<uint8_t> longBlock(300, 0x5A);
    const unsigned char junk[3] = {1, 2, 3};
    struct Damage
    {
        const char* what;
        std::function<void()> apply;
    } damages[] = {
        {"password block junk",
         [&] { SetRegistryEntry(key.c_str(), "Password", junk, sizeof junk, KLV_REG_BINARY); }},
        {"password block too long",
         [&] {
             SetRegistryEntry(key.c_str(), "Password", longBlock.data(), uint32_t(longBlock.size()),
                              KLV_REG_BINARY);
         }},
        {"password missing", [&] { RemoveRegistryValue(key.c_str(), "Password"); }},
        {"share name too long",
         [&] {
             SetRegistryEntry(key.c_str(), "Name", longText.c_str(), uint32_t(longText.size() + 1),
                              KLV_REG_SZ);
         }},
        {"share name missing", [&] { RemoveRegistryValue(key.c_str(), "Name"); }},
        {"share flag too long",
         [&] {
             SetRegistryEntry(key.c_str(), "Shared", longText.c_str(), uint32_t(longText.size() + 1),
                              KLV_REG_SZ);
         }},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        CPrinter printers(&env.folder());
        configure(printers, "Locked", true, "pw");
        d.apply();
        for (int round = 0; round < 2; ++round) {
            bool shared = true;
            std::string stored;
            const bool verdict = printers.ChkJobPrinter("Locked", "", &shared, &stored);
            EXPECT_FALSE(verdict && shared) << "round " << round;
        }
        EXPECT_FALSE(printers.IsPrtShared("Locked", nullptr));
    }
}

TEST_F(PrinterConfigTest, JobCheckOfNewUnknownAndConfiguredPrinters)
{
    env.addPrinter("Fresh");
    CPrinter printers(&env.folder());
    configure(printers, "Locked", true, "pw");
    configure(printers, "Private", false, "");
    env.addPrinter("Locked");
    env.addPrinter("Private");

    struct Case
    {
        const char* printer;
        const char* password;
        bool verdict;
        bool shared;
    } cases[] = {
        {"Fresh", "", true, true},    // found installed: default entries, shared, no password
        {"Fresh", "pw", false, true}, // a password against none stored
        {"Locked", "PW", true, true}, // letter case does not matter
        {"Locked", "", false, true},  {"Private", "", true, false}, // not shared (the job server answers 7)
        {"Ghost", "", true, false}, // no configuration, not installed: not shared
        {"", "", false, false},
    };
    for (const Case& c : cases) {
        bool shared = !c.shared;
        std::string stored;
        EXPECT_EQ(printers.ChkJobPrinter(c.printer, c.password, &shared, &stored), c.verdict) << c.printer;
        EXPECT_EQ(shared, c.shared) << c.printer;
    }
    // The reload saved the new printer's defaults.
    PRTCFG fresh;
    ASSERT_TRUE(printers.GetPrtCfg("Fresh", &fresh));
    EXPECT_TRUE(fresh.bShared);
    EXPECT_EQ(fresh.Password(), "");
    ASSERT_TRUE(fresh.devNames.has_value());
    EXPECT_EQ(fresh.devNames->device, "Fresh");
}

// The store's reading of a printer's record, for comparing before and after.
struct StoredRecord
{
    std::string shared;
    std::string name;
    std::vector<uint8_t> password;
    std::string device;
    bool operator==(const StoredRecord&) const = default;
};

StoredRecord storedRecord(const std::string& key)
{
    StoredRecord r;
    char text[301] = {};
    uint32_t size = sizeof text;
    if (GetRegistryEntry(key.c_str(), "Shared", text, &size))
        r.shared = text;
    size = sizeof text;
    if (GetRegistryEntry(key.c_str(), "Name", text, &size))
        r.name = text;
    unsigned char block[256];
    size = sizeof block;
    if (GetRegistryEntry(key.c_str(), "Password", block, &size))
        r.password.assign(block, block + size);
    size = sizeof text;
    if (GetRegistryEntry((key + "\\DevCfg").c_str(), "wDevice", text, &size))
        r.device = text;
    return r;
}

// A record is written whole or not at all: a store that fails part-way through it (a disk
// that fills up) keeps the earlier record, or none, never a half that reads as "not shared".
TEST_F(PrinterConfigTest, FailedWriteKeepsTheEarlierRecordOrNone)
{
    env.addPrinter("Laser");
    env.addPrinter("Fresh");
    CPrinter printers(&env.folder());
    configure(printers, "Laser", true, "pw", "Front");
    const std::string laserKey = CPrinter::PrinterKey(section, "Laser");
    const std::string freshKey = CPrinter::PrinterKey(section, "Fresh");
    const StoredRecord before = storedRecord(laserKey);
    ASSERT_EQ(before.shared, "Yes");
    auto store = platform::SettingsStore::shared();
    ASSERT_TRUE(store);

    PRTCFG changed;
    changed.printerName = "Laser";
    changed.bShared = false;
    changed.SetPassword("other");
    changed.devMode = DevMode("Laser", {});
    // Count, Name1, Shared, Password, Name and the six device settings: fail after each.
    for (int passing = 0; passing < 11; ++passing) {
        SCOPED_TRACE(passing);
        testing::internal::CaptureStderr();
        store->failOperationsAfter(passing);
        int counter = 0;
        PRTCFG record = changed;
        EXPECT_FALSE(printers.SavePrtEntry(&counter, &record));
        EXPECT_EQ(counter, 0) << "nothing counted that was not written";
        PRTCFG fresh;
        fresh.printerName = "Fresh";
        fresh.devMode = DevMode("Fresh", {});
        EXPECT_FALSE(printers.SavePrtEntry(nullptr, &fresh));
        store->failOperationsAfter(-1);
        const std::string journal = testing::internal::GetCapturedStderr();
        EXPECT_NE(journal.find("settings store failed writing the configuration of printer 'Laser'"),
                  std::string::npos)
            << journal;
        EXPECT_EQ(storedRecord(laserKey), before);
        EXPECT_EQ(storedRecord(freshKey), StoredRecord{});
    }
    // A first job while nothing can be written: the open default holds, nothing is stored.
    bool shared = false;
    std::string stored;
    testing::internal::CaptureStderr();
    store->failOperationsAfter(0, true);
    EXPECT_TRUE(printers.ChkJobPrinter("Fresh", "", &shared, &stored));
    EXPECT_TRUE(shared);
    EXPECT_FALSE(printers.ChkJobPrinter("Fresh", "pw", &shared, &stored));
    store->failOperationsAfter(-1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("writing the configuration of printer 'Fresh'"),
              std::string::npos);
    EXPECT_EQ(storedRecord(freshKey), StoredRecord{});
    EXPECT_EQ(storedRecord(laserKey), before);
    // With the space back the next job stores it, open.
    shared = false;
    EXPECT_TRUE(printers.ChkJobPrinter("Fresh", "", &shared, &stored));
    EXPECT_TRUE(shared);
    EXPECT_EQ(storedRecord(freshKey).shared, "Yes");
    EXPECT_TRUE(printers.ChkJobPrinter("Laser", "PW", &shared, &stored));
    EXPECT_TRUE(shared);
}

// The first job of a printer nobody configured writes its record and no other; a job for a
// printer that does not exist writes nothing.
TEST_F(PrinterConfigTest, JobForUnknownPrinterRewritesNoRecord)
{
    env.addPrinter("Laser");
    env.addPrinter("Fresh");
    CPrinter printers(&env.folder());
    configure(printers, "Laser", true, "pw");
    // Stored by an earlier version in its own spelling: a rewrite would say "Yes".
    const std::string laserKey = CPrinter::PrinterKey(section, "Laser");
    SetRegistryEntry(laserKey.c_str(), "Shared", "yes", 0, KLV_REG_SZ);
    const StoredRecord before = storedRecord(laserKey);

    bool shared = true;
    std::string stored;
    EXPECT_TRUE(printers.ChkJobPrinter("Ghost", "", &shared, &stored));
    EXPECT_FALSE(shared);
    EXPECT_EQ(storedRecord(laserKey), before);
    EXPECT_EQ(storedRecord(CPrinter::PrinterKey(section, "Ghost")), StoredRecord{});

    EXPECT_TRUE(printers.ChkJobPrinter("fresh", "", &shared, &stored)) << "found without regard to case";
    EXPECT_TRUE(shared);
    EXPECT_EQ(storedRecord(laserKey), before);
    EXPECT_EQ(storedRecord(CPrinter::PrinterKey(section, "Fresh")).shared, "Yes");
    // The list of names covers both printers.
    char text[256] = {};
    uint32_t size = sizeof text;
    ASSERT_TRUE(GetRegistryEntry(section.c_str(), "Count", text, &size));
    EXPECT_STREQ(text, "2");
}

// The first job to see many printers new to the store writes all their records and the list
// as one change: a store that fails part-way keeps none of them (the job still gets the open
// default), and the next job stores every one.
TEST_F(PrinterConfigTest, ManyNewPrintersAreStoredTogetherOrNotAtAll)
{
    constexpr int kPrinters = 40;
    for (int i = 0; i < kPrinters; ++i)
        env.addPrinter("P" + std::to_string(i));
    CPrinter printers(&env.folder());
    auto store = platform::SettingsStore::shared();
    ASSERT_TRUE(store);
    bool shared = false;
    std::string stored;

    testing::internal::CaptureStderr();
    store->failOperationsAfter(5 * kPrinters, true); // well into the records, before the list
    EXPECT_TRUE(printers.ChkJobPrinter("P7", "", &shared, &stored));
    EXPECT_TRUE(shared);
    store->failOperationsAfter(-1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(std::to_string(kPrinters) + " new printers"),
              std::string::npos);
    for (int i = 0; i < kPrinters; ++i)
        EXPECT_EQ(storedRecord(CPrinter::PrinterKey(section, "P" + std::to_string(i))), StoredRecord{}) << i;
    char text[256] = {};
    uint32_t size = sizeof text;
    EXPECT_FALSE(GetRegistryEntry(section.c_str(), "Count", text, &size));

    shared = false;
    EXPECT_TRUE(printers.ChkJobPrinter("P7", "", &shared, &stored));
    EXPECT_TRUE(shared);
    for (int i = 0; i < kPrinters; ++i)
        EXPECT_EQ(storedRecord(CPrinter::PrinterKey(section, "P" + std::to_string(i))).shared, "Yes") << i;
    size = sizeof text;
    ASSERT_TRUE(GetRegistryEntry(section.c_str(), "Count", text, &size));
    EXPECT_EQ(std::string(text), std::to_string(kPrinters));
}

// A store that fails while the server runs: the configuration last read keeps answering, a
// printer never read is reported as the store's failure (not as unshared), and nothing made up
// meanwhile is written over the stored records once the store is back.
TEST_F(PrinterConfigTest, FailingStoreKeepsTheLastGoodConfiguration)
{
    env.addPrinter("Laser");
    env.addPrinter("Private");
    {
        CPrinter other(&env.folder()); // written by another process, never read by this one
        configure(other, "Private", false, "");
    }
    CPrinter printers(&env.folder());
    configure(printers, "Laser", true, "pw");
    bool shared = false;
    std::string stored;
    ASSERT_TRUE(printers.ChkJobPrinter("Laser", "pw", &shared, &stored));
    const StoredRecord privateBefore = storedRecord(CPrinter::PrinterKey(section, "Private"));

    auto store = platform::SettingsStore::shared();
    ASSERT_TRUE(store);
    testing::internal::CaptureStderr();
    store->failOperationsAfter(0);
    struct Case
    {
        const char* printer;
        const char* password;
        uint16_t code;
    } cases[] = {
        {"Laser", "pw", typestone::kReplyAccepted},
        {"LASER", "", typestone::kReplyBadPassword},
        {"Private", "", typestone::kReplyPrinterFailed}, // never read: the store failed
        {"Ghost", "", typestone::kReplyPrinterFailed},
    };
    for (const Case& c : cases) {
        uint16_t code = 99;
        typestone::CASTCPThread::ChkPrinter(printers, c.printer, c.password, &code);
        EXPECT_EQ(code, c.code) << c.printer;
    }
    bool storeFailed = false;
    EXPECT_FALSE(printers.ChkJobPrinter("Private", "", &shared, &stored, &storeFailed));
    EXPECT_TRUE(storeFailed);
    // A refresh meanwhile stands in for what it cannot read, and offers none of it.
    printers.RefreshPrinters(nullptr, 0, nullptr, false);
    EXPECT_TRUE(printers.IsPrtShared("Laser", nullptr));
    EXPECT_FALSE(printers.IsPrtShared("Private", nullptr));
    store->failOperationsAfter(-1);
    const std::string journal = testing::internal::GetCapturedStderr();
    EXPECT_NE(journal.find("typestone: the settings store failed reading the configuration of printer "
                           "'Private'"),
              std::string::npos)
        << journal;
    EXPECT_NE(journal.find("(injected)"), std::string::npos) << "the store's own reason: " << journal;

    printers.SaveAllPrtCfg();
    EXPECT_EQ(storedRecord(CPrinter::PrinterKey(section, "Private")), privateBefore);
    EXPECT_TRUE(printers.ChkJobPrinter("Private", "", &shared, &stored, &storeFailed));
    EXPECT_FALSE(shared);
    EXPECT_FALSE(storeFailed);
}

TEST_F(PrinterConfigTest, SharedListPacksPairsAndStopsBeforeTheEnd)
{
    env.addPrinter("Alpha");
    env.addPrinter("Beta");
    env.addPrinter("Gamma");
    CPrinter printers(&env.folder());
    configure(printers, "Beta", true, "", "BetaShare");
    configure(printers, "Gamma", false, "");

    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    size_t used = 0;
    EXPECT_EQ(printers.RefreshPrinters(buffer, sizeof buffer, &used, false), 2);
    const std::string expected("Alpha\0\0Beta\0BetaShare\0", 22);
    EXPECT_EQ(std::string(buffer, used), expected);

    // "Alpha\0\0" needs 7 bytes: it fits only when 7 stays below the room left.
    for (size_t size : {7u, 8u}) {
        used = 0;
        const uint16_t count = printers.RefreshPrinters(buffer, size, &used, false);
        EXPECT_EQ(count, size == 8 ? 1 : 0) << size;
        EXPECT_EQ(used, size == 8 ? 7u : 0u) << size;
    }

    EXPECT_EQ(printers.Records().size(), 3u);
    std::string share;
    EXPECT_TRUE(printers.IsPrtShared("beta", &share)) << "looked up without regard to case";
    EXPECT_EQ(share, "BetaShare");
    EXPECT_FALSE(printers.IsPrtShared("Gamma", &share));
    EXPECT_FALSE(printers.IsPrtShared("Nowhere", &share));
    EXPECT_FALSE(CPrinter::IsPrtShared(nullptr, &share));
    EXPECT_FALSE(printers.IsPrtShared("", &share));
}

TEST_F(PrinterConfigTest, SaveAllWritesCountAndNames)
{
    env.addPrinter("One");
    env.addPrinter("Two");
    CPrinter printers(&env.folder());
    printers.RefreshAndSave();
    char text[256] = {};
    uint32_t size = sizeof text;
    ASSERT_TRUE(GetRegistryEntry(section.c_str(), "Count", text, &size));
    EXPECT_STREQ(text, "2");
    size = sizeof text;
    ASSERT_TRUE(GetRegistryEntry(section.c_str(), "Name2", text, &size));
    EXPECT_STREQ(text, "Two");
    const std::string devCfg = CPrinter::PrinterKey(section, "One") + "\\DevCfg";
    size = sizeof text;
    ASSERT_TRUE(GetRegistryEntry(devCfg.c_str(), "wDevice", text, &size));
    EXPECT_STREQ(text, "One");
    size = sizeof text;
    ASSERT_TRUE(GetRegistryEntry(devCfg.c_str(), "wDefault", text, &size));
}

TEST(DevModeRecord, RoundTripAndSizeChecks)
{
    DevMode mode("A very long device name that will be cut here", {});
    EXPECT_EQ(mode.deviceName().size(), 31u);
    mode.settings.orientation = platform::spooler::Orientation::Landscape;
    mode.settings.copies = 3;
    mode.settings.sides = platform::spooler::Sides::TwoSidedShortEdge;
    mode.settings.colorMode = platform::spooler::ColorMode::Monochrome;
    mode.settings.quality = platform::spooler::PrintQuality::High;
    mode.settings.resolution = {300, 600};
    mode.settings.media = "na_letter_8.5x11in";
    mode.extra = {{"tray", "2"}, {"bad=name", "x"}, {"staple", "top-left"}};

    std::vector<uint8_t> bytes = mode.toBytes();
    std::string error;
    std::optional<DevMode> back = DevMode::fromBytes(bytes.data(), bytes.size(), &error);
    ASSERT_TRUE(back.has_value()) << error;
    DevMode expected = mode;
    expected.extra = {{"tray", "2"}, {"staple", "top-left"}};
    EXPECT_EQ(*back, expected);
    const platform::spooler::PrintOptions options = back->toPrintOptions();
    EXPECT_EQ(options.media, "na_letter_8.5x11in");
    EXPECT_EQ(options.copies, 3);

    // Damaged blocks are refused, never half-read.
    struct Damage
    {
        const char* what;
        size_t offset; // 0xFFFF: cut the block instead
        uint8_t value;
    } damages[] = {
        {"cut short", 0xFFFF, 0},       {"dmSize too large", 34, 0xF0}, {"driver extra too long", 36, 0xFF},
        {"unknown orientation", 38, 9}, {"zero copies", 40, 0},         {"unknown version", 32, 7},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> bad = bytes;
        if (d.offset == 0xFFFF)
            bad.resize(bad.size() - 1);
        else
            bad[d.offset] = d.value;
        EXPECT_FALSE(DevMode::fromBytes(bad.data(), bad.size(), &error).has_value()) << d.what;
    }
    EXPECT_FALSE(DevMode::fromBytes(bytes.data(), 37, &error).has_value());
}

TEST(PortValues, ParseFixAndPropose)
{
    using typestone::ParsePortText;
    EXPECT_EQ(ParsePortText("3339"), 3339);
    EXPECT_EQ(ParsePortText(" 0x0D0B "), 3339);
    EXPECT_EQ(ParsePortText("65535"), 65535);
    for (const char* bad : {"", "0", "65536", "-1", "+5", "12ab", "99999999999999999999", " "})
        EXPECT_FALSE(ParsePortText(bad).has_value()) << bad;

    uint16_t aux = 3339;
    EXPECT_TRUE(typestone::FixAuxPort(3339, &aux));
    EXPECT_EQ(aux, 3341);
    aux = 4000;
    EXPECT_FALSE(typestone::FixAuxPort(3339, &aux));
    EXPECT_EQ(aux, 4000);
    EXPECT_EQ(typestone::ProposedAuxPort(3339, 4000), 3341);
    EXPECT_FALSE(typestone::ProposedAuxPort(3339, 3341).has_value());
    EXPECT_EQ(typestone::DefaultAuxPort(65535), 65533);
}

TEST(PortValues, LoadedPortsAreChecked)
{
    jobtest::JobTestEnv env;
    std::string general;
    FormSection(general, "General");
    struct Case
    {
        const char* tcp;
        const char* aux;
        uint16_t expectTcp;
        uint16_t expectAux;
    } cases[] = {
        {"4000", "4010", 4000, 4010}, {"4000", "4000", 4000, 4002},   {"0", "70000", 3339, 3341},
        {"junk", "", 3339, 3341},     {nullptr, nullptr, 3339, 3341}, {"65535", nullptr, 65535, 65533},
    };
    for (const Case& c : cases) {
        RemoveRegistryValue(general.c_str(), "TCP_TYPESTONE");
        RemoveRegistryValue(general.c_str(), "TYPST_AUXPORT");
        if (c.tcp)
            SetRegistryEntry(general.c_str(), "TCP_TYPESTONE", c.tcp, 0, KLV_REG_SZ);
        if (c.aux)
            SetRegistryEntry(general.c_str(), "TYPST_AUXPORT", c.aux, 0, KLV_REG_SZ);
        const typestone::JobPorts ports = typestone::LoadJobPorts();
        EXPECT_EQ(ports.tcpPort, c.expectTcp) << (c.tcp ? c.tcp : "(none)");
        EXPECT_EQ(ports.auxPort, c.expectAux) << (c.aux ? c.aux : "(none)");
    }
}

// The job check keeps its answers: a printer checked once is checked again without a read of
// the store (here a store whose every read fails), and whatever is written through the store,
// by this configuration or another one (the dialog's, the datagram paths'), or a printer
// folder made or removed, is seen by the very next job.
TEST_F(PrinterConfigTest, JobCheckKeepsAnswersUntilTheStoreOrThePrintersChange)
{
    env.addPrinter("Laser");
    CPrinter printers(&env.folder());
    configure(printers, "Laser", true, "pw");
    auto store = platform::SettingsStore::shared();
    ASSERT_TRUE(store);
    const auto check = [&](const char* printer, const char* password, bool* shared) {
        std::string stored;
        bool storeFailed = false;
        const bool verdict = printers.ChkJobPrinter(printer, password, shared, &stored, &storeFailed);
        EXPECT_FALSE(storeFailed) << printer;
        return verdict;
    };
    bool shared = false;
    ASSERT_TRUE(check("Laser", "pw", &shared));
    check("Ghost", "", &shared);
    EXPECT_FALSE(shared) << "neither configured nor installed";

    store->failOperationsAfter(0);
    EXPECT_TRUE(check("LASER", "pw", &shared)) << "kept: no read";
    EXPECT_TRUE(shared);
    EXPECT_FALSE(check("Laser", "", &shared));
    shared = true;
    check("ghost", "", &shared);
    EXPECT_FALSE(shared);
    store->failOperationsAfter(-1);

    configure(printers, "Laser", true, "new");
    EXPECT_FALSE(check("Laser", "pw", &shared)) << "the write is seen by the next job";
    EXPECT_TRUE(check("Laser", "new", &shared));
    {
        CPrinter dialog(&env.folder());
        configure(dialog, "Laser", false, "");
    }
    check("Laser", "", &shared);
    EXPECT_FALSE(shared) << "a write through another configuration object is seen too";

    env.addPrinter("Ghost");
    EXPECT_TRUE(check("Ghost", "", &shared)) << "a printer folder made since: found and configured";
    EXPECT_TRUE(shared);
    PRTCFG ghost;
    EXPECT_TRUE(printers.GetPrtCfg("Ghost", &ghost)) << "its default record was written";
}

TEST(PrinterCheckCache, AnswersHoldForTheirStampOnlyAndStayBounded)
{
    using typestone::PrinterCheckCache;
    PrinterCheckCache cache;
    PRTCFG laser;
    laser.printerName = "Laser";
    laser.bShared = true;
    laser.SetPassword("pw");
    laser.devMode = DevMode("Laser", {});
    const PrinterCheckCache::Stamp stamp{3, 7};
    cache.keep("Laser", stamp, &laser);
    cache.keep("Ghost", stamp, nullptr);

    struct Case
    {
        const char* printer;
        PrinterCheckCache::Stamp stamp;
        bool kept;
        bool configured;
    } cases[] = {
        {"LASER", {3, 7}, true, true},   {"ghost", {3, 7}, true, false},
        {"Other", {3, 7}, false, false}, {"Laser", {4, 7}, false, false}, // the store changed
        {"Laser", {3, 7}, false, false}, // and what was kept before is gone for good
    };
    for (const Case& c : cases) {
        const auto found = cache.find(c.printer, c.stamp);
        ASSERT_EQ(found.has_value(), c.kept) << c.printer;
        if (!found)
            continue;
        EXPECT_EQ(found->has_value(), c.configured) << c.printer;
        if (found->has_value()) {
            EXPECT_EQ((*found)->Password(), "pw");
            EXPECT_FALSE((*found)->devMode) << "device settings are not kept";
        }
    }
    cache.keep("Laser", {3, 8}, &laser);
    EXPECT_FALSE(cache.find("Laser", {3, 9})) << "the printer list changed";

    // Names come from the hosts: a host naming ever new printers does not grow it without end.
    for (size_t i = 0; i < PrinterCheckCache::kMaxEntries + 10; ++i)
        cache.keep("P" + std::to_string(i), {3, 9}, nullptr);
    EXPECT_LE(cache.size(), PrinterCheckCache::kMaxEntries);
    EXPECT_TRUE(cache.find("P" + std::to_string(PrinterCheckCache::kMaxEntries + 9), {3, 9}));
}
