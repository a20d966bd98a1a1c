#include "klv_inet/support/app_name.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_product.h"
#include "klv_inet/support/reg_section.h"
#include "klv_inet/support/reg_text.h"
#include "klv_inet/support/reg_updates.h"

#include "store_fixture.h"
#include "tests/support/fuzz/text_mutator.h"

#include <chrono>
#include <cstring>
#include <random>

using platform::RegRoot;

TEST(FormSection, PathsOfSectionsUpdatesAndProducts)
{
    std::string out;
    EXPECT_EQ(FormSection(out, "General", "App"), ".DEFAULT\\Software\\KLV\\App\\General");
    EXPECT_EQ(FormSection(out, "", "App"), ".DEFAULT\\Software\\KLV\\App");
    SetAppName("Runner");
    EXPECT_EQ(FormSection(out, "Host", nullptr), ".DEFAULT\\Software\\KLV\\Runner\\Host");
    EXPECT_EQ(FormUpdatesSection(out, nullptr), ".DEFAULT\\Software\\KLV\\Runner\\Updates\\");
    EXPECT_EQ(FormUpdatesSection(out, ""), ".DEFAULT\\Software\\KLV\\\\Updates\\");
    SetAppName(nullptr);
    EXPECT_FALSE(GetAppName().empty());
    EXPECT_EQ(FormProductSection(out, "Windows", "Typestone"),
              ".DEFAULT\\Software\\KLV\\Products\\Windows\\Typestone");
    EXPECT_EQ(FormProductSection(out, "Windows\\", "T"), ".DEFAULT\\Software\\KLV\\Products\\Windows\\T");
}

TEST(RegChangeUserByCurrentUser, RedirectsOnlyDefaultPathsUnderUsers)
{
    const struct
    {
        const char* key;
        RegRoot root;
        const char* outKey;
        RegRoot outRoot;
    } cases[] = {
        {".DEFAULT\\Software\\KLV\\App", RegRoot::Users, "Software\\KLV\\App", RegRoot::CurrentUser},
        {".default\\X", RegRoot::Users, "X", RegRoot::CurrentUser},
        {"S-1-5\\X", RegRoot::Users, "S-1-5\\X", RegRoot::Users},
        {".DEFAULT\\X", RegRoot::LocalMachine, ".DEFAULT\\X", RegRoot::LocalMachine},
        {".DEFAULT", RegRoot::Users, ".DEFAULT", RegRoot::Users},
    };
    for (const auto& c : cases) {
        std::string k = c.key;
        RegRoot r = c.root;
        RegChangeUserByCurrentUser(k, r);
        EXPECT_EQ(k, c.outKey);
        EXPECT_EQ(r, c.outRoot);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s", c.key);
        r = c.root;
        RegChangeUserByCurrentUser(buf, r);
        EXPECT_STREQ(buf, c.outKey);
    }
    SetRegChangeUserByCurrentUser(0);
    std::string k = ".DEFAULT\\X";
    RegRoot r = RegRoot::Users;
    RegChangeUserByCurrentUser(k, r);
    EXPECT_EQ(r, RegRoot::Users);
    SetRegChangeUserByCurrentUser(1);
}

using RegistryEntry = StoreTest;

TEST_F(RegistryEntry, WriteReadAndRemove)
{
    std::string sec;
    FormSection(sec, "General", "App");
    SetRegistryEntry(sec.c_str(), "Messages", "yes", 0, KLV_REG_SZ);
    EXPECT_EQ(text(RegRoot::CurrentUser, "Software\\KLV\\App\\General", "Messages"), "yes");

    char buf[16];
    uint32_t size = sizeof buf;
    ASSERT_EQ(GetRegistryEntry((sec + "\\").c_str(), "Messages", buf, &size), 1);
    EXPECT_STREQ(buf, "yes");
    EXPECT_EQ(size, 4u);

    // A text that would fill the buffer is not read without its terminator.
    char four[3];
    size = sizeof four;
    EXPECT_EQ(GetRegistryEntry(sec.c_str(), "Messages", four, &size), 0);
    EXPECT_EQ(size, 4u);
    size = 4;
    EXPECT_EQ(GetRegistryEntry(sec.c_str(), "Messages", buf, &size), 1);

    size = sizeof buf;
    EXPECT_EQ(GetRegistryEntry("", "Messages", buf, &size), 0);
    EXPECT_EQ(GetRegistryEntry(sec.c_str(), "Missing", buf, &size), 0);

    RemoveRegistryValue(sec.c_str(), "Messages");
    size = sizeof buf;
    EXPECT_EQ(GetRegistryEntry(sec.c_str(), "Messages", buf, &size), 0);

    // A null value name deletes the key under the root that was passed.
    SetRegistryEntry("Other\\Key", "v", "1", 0, KLV_REG_SZ, RegRoot::LocalMachine);
    store->setString(RegRoot::Users, "Other\\Key", "v", "1");
    SetRegistryEntry("Other\\Key", nullptr, nullptr, 0, KLV_REG_SZ, RegRoot::LocalMachine);
    EXPECT_FALSE(store->keyExists(RegRoot::LocalMachine, "Other\\Key"));
    EXPECT_TRUE(store->keyExists(RegRoot::Users, "Other\\Key"));

    SetPLMDfltEntry("CACHE_PATH", "/var/cache", 0, KLV_REG_SZ);
    EXPECT_EQ(text(RegRoot::CurrentUser, "Software\\KLV\\.Default", "CACHE_PATH"), "/var/cache");
}

TEST_F(RegistryEntry, EmptyTextsWithoutADataBlock)
{
    // A caller may pass no data at all for an empty text; it is stored as one.
    for (uint32_t type : {KLV_REG_SZ, KLV_REG_EXPAND_SZ}) {
        SCOPED_TRACE(type);
        SetRegistryEntry("Software\\KLV\\Empty", "v", nullptr, 0, type, RegRoot::CurrentUser);
        char buf[4] = {'x', 'x', 'x', 'x'};
        uint32_t size = sizeof buf;
        ASSERT_EQ(GetRegistryEntry("Software\\KLV\\Empty", "v", buf, &size, RegRoot::CurrentUser), 1);
        EXPECT_EQ(size, 1u);
        EXPECT_EQ(buf[0], 0);
    }
}

TEST_F(RegistryEntry, VersionsAndUpdateState)
{
    EXPECT_EQ(LoadPLMProductVersion("Typestone", "Windows"), 0u);
    SaveVersion(24200, "Typestone", "", "Windows");
    EXPECT_EQ(LoadPLMProductVersion("Typestone", "Windows"), 24200u);
    EXPECT_EQ(text(RegRoot::CurrentUser, "Software\\KLV\\Typestone\\Updates\\Typestone", "Upgrade Status"),
              "Complete");
    store->setString(RegRoot::CurrentUser, "Software\\KLV\\Typestone\\Updates\\Typestone", "Upgrade Status",
                     "Prompt");
    SaveVersion(24200, "Typestone", "", "Windows"); // same version: nothing
    EXPECT_EQ(text(RegRoot::CurrentUser, "Software\\KLV\\Typestone\\Updates\\Typestone", "Upgrade Status"),
              "Prompt");
    SaveVersion(100, "Typestone", "", "Windows"); // downgrade: status only
    EXPECT_EQ(LoadPLMProductVersion("Typestone", "Windows"), 24200u);
    EXPECT_EQ(text(RegRoot::CurrentUser, "Software\\KLV\\Typestone\\Updates\\Typestone", "Upgrade Status"),
              "Complete");
    SavePLMProductEntry("Version", "0x10", "Hex", "Windows");
    EXPECT_EQ(LoadPLMProductVersion("Hex", "Windows"), 16u);

    SaveLastUpdateQuery("http://u/update.txt", "App");
    time_t when = 0;
    ASSERT_EQ(GetLastUpdateQuery("http://u/update.txt", &when, "App"), 1);
    EXPECT_LE(std::llabs(static_cast<long long>(std::time(nullptr) - when)), 61);
    store->setString(RegRoot::CurrentUser, "Software\\KLV\\App\\Updates", "dateonly", "09-12-2026");
    ASSERT_EQ(GetLastUpdateQuery("dateonly", &when, "App"), 1);
    std::tm tmv{};
    localtime_r(&when, &tmv);
    EXPECT_EQ(tmv.tm_mday, 9);
    EXPECT_EQ(tmv.tm_mon, 11);
    EXPECT_EQ(tmv.tm_hour, 0);
    store->setString(RegRoot::CurrentUser, "Software\\KLV\\App\\Updates", "bad", "12-2026");
    when = 5;
    EXPECT_EQ(GetLastUpdateQuery("bad", &when, "App"), 0);
    EXPECT_EQ(when, 5);

    std::string folder;
    SaveDownloadFolder("/down/prod.exe", "App", &folder);
    EXPECT_EQ(folder, "/down/");
    EXPECT_EQ(GetDownloadFolder(folder, "App"), "/down/");
}

using RegistryText = StoreTest;

TEST_F(RegistryText, ImportTypesRootsAndOldBrand)
{
    const std::string file = env.path("in.reg");
    writeFile(file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\PLM\\App\\General]\r\n"
                    "\"Messages\"=\"1\"\r\n\"Count\"=dword:0000001f\r\n\"Bytes\"=hex:01,ff\r\n"
                    "@=\"ignored\"\r\n\r\n[HKEY_USERS\\.DEFAULT\\Software\\KLV\\App\\Paths]\r\n"
                    "\"Dir\"=\"C:\\\\Temp\\\\\"\r\n\"Quote\"=\"say \\\"hi\\\"\"\r\n");
    ASSERT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 1);
    const std::string general = "Software\\KLV\\App\\General";
    EXPECT_EQ(text(RegRoot::CurrentUser, general, "Messages"), "1");
    uint32_t count = 0;
    ASSERT_EQ(store->readDword(RegRoot::CurrentUser, general, "Count", &count), platform::StoreStatus::Ok);
    EXPECT_EQ(count, 31u);
    std::vector<uint8_t> bytes;
    store->readBinary(RegRoot::CurrentUser, general, "Bytes", &bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x01, 0xff}));
    EXPECT_EQ(text(RegRoot::CurrentUser, "Software\\KLV\\App\\Paths", "Dir"), "C:\\Temp\\");
    EXPECT_EQ(text(RegRoot::CurrentUser, "Software\\KLV\\App\\Paths", "Quote"), "say \"hi\"");

    const char* onlyPaths[] = {"Pa*", nullptr};
    EXPECT_EQ(FindOneSection(file.c_str(), onlyPaths, 1), 1);
    const char* none[] = {"Zz*", nullptr};
    EXPECT_EQ(FindOneSection(file.c_str(), none, 1), 0);
    EXPECT_EQ(FindOneSection(file.c_str(), none, 0), 1);

    // An unknown data word fails the section and skips its later lines; unknown roots and
    // missing files are failures.
    writeFile(file, "[HKEY_CURRENT_USER\\Bad]\r\n\"a\"=\"1\"\r\n\"b\"=hex(2):00\r\n\"c\"=\"3\"\r\n");
    EXPECT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(text(RegRoot::CurrentUser, "Bad", "a"), "1");
    EXPECT_FALSE(store->keyExists(RegRoot::CurrentUser, "Bad") &&
                 !text(RegRoot::CurrentUser, "Bad", "c").empty());
    writeFile(file, "[HKEY_FOO\\X]\r\n\"a\"=\"1\"\r\n");
    EXPECT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(LoadRegKey(env.path("missing.reg").c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(LoadRegKey("", nullptr, nullptr), 0);
}

TEST_F(RegistryText, ExportLayoutFiltersAndRoundTrip)
{
    const std::string app = "Software\\KLV\\App";
    const std::string file = env.path("out.reg");
    store->createKey(RegRoot::CurrentUser, app);
    ASSERT_EQ(SaveRegKey(".DEFAULT\\Software\\KLV\\App", file.c_str(), nullptr, nullptr), 1);
    EXPECT_EQ(readFile(file), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KLV\\App]\r\n");

    const std::string longText(3000, 'L');
    store->setString(RegRoot::CurrentUser, app + "\\General", "Dir", "C:\\Temp");
    store->setString(RegRoot::CurrentUser, app + "\\General", "Say", "a \"quoted\" \\ text");
    store->setString(RegRoot::CurrentUser, app + "\\General", "Long", longText);
    store->setDword(RegRoot::CurrentUser, app + "\\General", "Count", 31);
    store->setBinary(RegRoot::CurrentUser, app + "\\General", "MAC", {0x02, 0xab});
    for (const char* sub : {"Printers", "prt1", "Pr"})
        store->setString(RegRoot::CurrentUser, app + "\\" + sub, "x", sub);
    const char* exclude[] = {"Prt*", "", "General"}; // the empty entry ends the list
    ASSERT_EQ(SaveRegKey(".DEFAULT\\Software\\KLV\\App", file.c_str(), exclude, nullptr), 1);
    const std::string out = readFile(file);
    EXPECT_NE(
        out.find("\r\n\r\n[HKEY_CURRENT_USER\\Software\\KLV\\App\\General]\r\n\"Dir\"=\"C:\\\\Temp\"\r\n"
                 "\"Say\"=\"a \\\"quoted\\\" \\\\ text\"\r\n"),
        std::string::npos);
    EXPECT_NE(out.find("\"Long\"=\"" + longText + "\"\r\n"), std::string::npos);
    EXPECT_NE(out.find("\"Count\"=dword:0000001f\r\n\"MAC\"=hex:02,ab\r\n"), std::string::npos);
    EXPECT_NE(out.find("[HKEY_CURRENT_USER\\Software\\KLV\\App\\Pr]"), std::string::npos);
    EXPECT_NE(out.find("\\Printers]"), std::string::npos); // does not begin with "Prt"
    EXPECT_EQ(out.find("prt1]"), std::string::npos);

    // Everything comes back as it was, also from a section exported under HKEY_USERS.
    SetRegChangeUserByCurrentUser(0);
    store->setString(RegRoot::Users, "S-1\\Keep\\Sub", "v", "users \"value\"");
    ASSERT_EQ(SaveRegKey("S-1\\Keep", env.path("users.reg").c_str(), nullptr, nullptr), 1);
    SetRegChangeUserByCurrentUser(1);
    store->deleteKey(RegRoot::CurrentUser, app + "\\General");
    store->deleteKey(RegRoot::Users, "S-1\\Keep\\Sub");
    ASSERT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 1);
    ASSERT_EQ(LoadRegKey(env.path("users.reg").c_str(), nullptr, nullptr), 1);
    EXPECT_EQ(text(RegRoot::CurrentUser, app + "\\General", "Say"), "a \"quoted\" \\ text");
    EXPECT_EQ(text(RegRoot::CurrentUser, app + "\\General", "Long"), longText);
    EXPECT_EQ(text(RegRoot::Users, "S-1\\Keep\\Sub", "v"), "users \"value\"");

    EXPECT_EQ(SaveRegKey("Software\\Missing", file.c_str(), nullptr, nullptr, nullptr, RegRoot::CurrentUser),
              0);
    store->setString(RegRoot::CurrentUser, app + "\\Lines", "v", "two\nlines");
    EXPECT_EQ(SaveRegKey(".DEFAULT\\Software\\KLV\\App", file.c_str(), nullptr, nullptr), 0);
}

TEST_F(RegistryText, ImportFailsWhenTheStoreCannotKeepAValue)
{
    // Each file holds one good value before the one the store refuses: the import must not
    // report success with the refused value silently dropped.
    const std::string longName(platform::SettingsStore::kMaxValueName + 1, 'n');
    const std::string longKey(platform::SettingsStore::kMaxKeyComponent + 1, 'k');
    const struct
    {
        const char* what;
        std::string file;
    } cases[] = {
        {"value name", "[HKEY_CURRENT_USER\\Imp]\r\n\"ok\"=\"1\"\r\n\"" + longName + "\"=\"x\"\r\n"},
        {"dword name", "[HKEY_CURRENT_USER\\Imp]\r\n\"ok\"=\"1\"\r\n\"" + longName + "\"=dword:00000001\r\n"},
        {"binary name", "[HKEY_CURRENT_USER\\Imp]\r\n\"ok\"=\"1\"\r\n\"" + longName + "\"=hex:01\r\n"},
        {"key name", "[HKEY_CURRENT_USER\\Imp]\r\n\"ok\"=\"1\"\r\n\r\n[HKEY_CURRENT_USER\\Imp\\" + longKey +
                         "]\r\n\"v\"=\"x\"\r\n"},
    };
    const std::string file = env.path("limits.reg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(file, "REGEDIT4\r\n\r\n" + c.file);
        EXPECT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 0);
        EXPECT_EQ(text(RegRoot::CurrentUser, "Imp", "ok"), "1");
    }
    // Values of a section that names only a root are passed over, as before.
    writeFile(file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER]\r\n\"top\"=\"1\"\r\n");
    EXPECT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 1);
}

TEST_F(RegistryText, ExportRefusesKeyNamesWithLineBreaks)
{
    // Read back, such a name would end its header early and could name another key.
    const std::string file = env.path("out.reg");
    int n = 0;
    for (const char* bad : {"a\r\n[HKEY_LOCAL_MACHINE\\Software\\Evil]", "b\nc", "d\re"}) {
        SCOPED_TRACE(n);
        const std::string app = "Software\\KLV\\E" + std::to_string(n++);
        store->setString(RegRoot::CurrentUser, app + "\\Good", "v", "1");
        ASSERT_EQ(SaveRegKey((".DEFAULT\\" + app).c_str(), file.c_str(), nullptr, nullptr), 1);
        ASSERT_EQ(store->setString(RegRoot::CurrentUser, app + "\\" + bad, "v", "1"),
                  platform::StoreStatus::Ok);
        EXPECT_EQ(SaveRegKey((".DEFAULT\\" + app).c_str(), file.c_str(), nullptr, nullptr), 0);
        EXPECT_EQ(readFile(file).find("[HKEY_LOCAL_MACHINE"), std::string::npos);
    }
    store->createKey(RegRoot::CurrentUser, "Software\\KLV\\App\nX");
    EXPECT_EQ(SaveRegKey(".DEFAULT\\Software\\KLV\\App\nX", file.c_str(), nullptr, nullptr), 0);
}

TEST_F(RegistryText, KeyNamesWithBracketsRoundTrip)
{
    const std::string key = "Software\\KLV\\Br";
    store->setString(RegRoot::CurrentUser, key + "\\a]b", "v", "inner");
    store->setString(RegRoot::CurrentUser, key + "\\[c]", "v", "both");
    const std::string file = env.path("br.reg");
    ASSERT_EQ(SaveRegKey(".DEFAULT\\Software\\KLV\\Br", file.c_str(), nullptr, nullptr), 1);
    ASSERT_EQ(store->deleteKey(RegRoot::CurrentUser, key + "\\a]b"), platform::StoreStatus::Ok);
    ASSERT_EQ(store->deleteKey(RegRoot::CurrentUser, key + "\\[c]"), platform::StoreStatus::Ok);
    ASSERT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 1);
    EXPECT_EQ(text(RegRoot::CurrentUser, key + "\\a]b", "v"), "inner");
    EXPECT_EQ(text(RegRoot::CurrentUser, key + "\\[c]", "v"), "both");
    EXPECT_FALSE(store->keyExists(RegRoot::CurrentUser, key + "\\a"));
}

TEST_F(RegistryText, ManyRepeatedSectionsLoadInBoundedTime)
{
    // 2000 names, each repeated 50 times (in any case): every name and every line of it must
    // come through once, without comparing each section with every other.
    std::string body = "REGEDIT4\r\n";
    for (int round = 0; round < 50; ++round)
        for (int i = 0; i < 2000; ++i)
            body += (round % 2 ? "[s" : "[S") + std::to_string(i) + "]\r\n";
    body += "[s7]\r\n\"late\"=\"yes\"\r\n";
    const std::string file = env.path("many.reg");
    writeFile(file, body);
    const auto start = std::chrono::steady_clock::now();
    const char* last[] = {"S1999", nullptr};
    EXPECT_EQ(FindOneSection(file.c_str(), last, 1), 1);
    EXPECT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(text(RegRoot::Users, "S7", "late"), "yes");
}

TEST_F(RegistryText, ImportOfDamagedFilesGivesAResultAndNoCrash)
{
    // Valid files with bytes flipped, inserted, removed, repeated and cut off: each import
    // either succeeds or fails, and none reads past a line (the sanitizers watch).
    const std::string valid =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KLV\\Fz\\A]\r\n\"Text\"=\"a \\\"q\\\" \\\\ b\"\r\n"
        "\"Num\"=dword:0000001f\r\n\"Bin\"=hex:01,ff,7e\r\n\r\n[HKEY_USERS\\.DEFAULT\\Software\\PLM\\Fz\\B]"
        "\r\n"
        "\"Empty\"=\"\"\r\n@=\"d\"\r\n";
    const std::string file = env.path("fuzz.reg");
    writeFile(file, valid);
    ASSERT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 1);
    const char special[] = {
        '"', '\\', ',', ':', '=', '[', ']', '\r', '\n', '\0', ' ', ';', 'x', '@', static_cast<char>(0xff)};
    test_support::TextMutator mutator(20261210, std::string_view(special, sizeof special));
    for (int round = 0; round < 800; ++round) {
        const std::string s = mutator.mutate(valid);
        writeFile(file, s);
        const int result = LoadRegKey(file.c_str(), nullptr, nullptr);
        ASSERT_TRUE(result == 0 || result == 1) << round;
        const char* any[] = {"*", nullptr};
        const int found = FindOneSection(file.c_str(), any, 1);
        ASSERT_TRUE(found == 0 || found == 1) << round;
    }
}

TEST_F(RegistryText, ExportKeepsTheBytesOfValuesThatAreNoPlainText)
{
    // What the quotes cannot carry is written as its bytes rather than cut at its first NUL.
    const std::string key = "Software\\KLV\\Mx\\Sub";
    const uint8_t multi[] = {'a', 0, 'b', 0, 0};
    const uint8_t inner[] = {'x', 0, 'y'};
    const uint8_t other[] = {1, 2, 3, 4, 5, 6, 7, 8};
    const uint8_t ended[] = {'o', 'k', 0, 0};
    ASSERT_EQ(store->setValue(RegRoot::CurrentUser, key, "Multi", platform::ValueType::MultiString, multi,
                              sizeof multi),
              platform::StoreStatus::Ok);
    store->setValue(RegRoot::CurrentUser, key, "Inner", platform::ValueType::String, inner, sizeof inner);
    store->setValue(RegRoot::CurrentUser, key, "Other", static_cast<platform::ValueType>(11), other,
                    sizeof other);
    store->setValue(RegRoot::CurrentUser, key, "Ended", platform::ValueType::String, ended, sizeof ended);
    store->setValue(RegRoot::CurrentUser, key, "Empty", platform::ValueType::String, nullptr, 0);
    const std::string file = env.path("mx.reg");
    ASSERT_EQ(SaveRegKey(".DEFAULT\\Software\\KLV\\Mx", file.c_str(), nullptr, nullptr), 1);
    EXPECT_NE(readFile(file).find("\r\n\"Multi\"=hex:61,00,62,00,00\r\n\"Inner\"=hex:78,00,79\r\n"
                                  "\"Other\"=hex:01,02,03,04,05,06,07,08\r\n\"Ended\"=\"ok\"\r\n"
                                  "\"Empty\"=\"\"\r\n"),
              std::string::npos)
        << readFile(file);

    ASSERT_EQ(store->deleteKey(RegRoot::CurrentUser, key), platform::StoreStatus::Ok);
    ASSERT_EQ(LoadRegKey(file.c_str(), nullptr, nullptr), 1);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(store->readBinary(RegRoot::CurrentUser, key, "Multi", &bytes), platform::StoreStatus::Ok);
    EXPECT_EQ(bytes, std::vector<uint8_t>(multi, multi + sizeof multi));
    EXPECT_EQ(text(RegRoot::CurrentUser, key, "Ended"), "ok");
    EXPECT_EQ(text(RegRoot::CurrentUser, key, "Empty"), "");
    EXPECT_EQ(store->value(RegRoot::CurrentUser, key, "Empty", nullptr), platform::StoreStatus::Ok);
}
