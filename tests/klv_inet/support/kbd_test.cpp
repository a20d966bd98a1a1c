// The keyboard code: layouts to codes, the preference among installed layouts, the code
// numbers, the provider behind GetKbd and the debugging question.

#include "klv_inet/support/kbd.h"
#include "klv_inet/support/kbd_dlg.h"
#include "klv_inet/support/kbd_provider.h"
#include "klv_inet/support/reg_entry.h"

#include "store_fixture.h"

#include "tests/support/ui/scripted_ui_bridge.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using platform::ui::ScriptedUiBridge;

// A provider that gives one code and counts how often it was asked.
class FixedKbdProvider final : public klv::KbdProvider
{
public:
    explicit FixedKbdProvider(std::string code) : m_code(std::move(code)) {}
    std::string keyboardCode() override
    {
        ++asked;
        return m_code;
    }
    int asked = 0;

private:
    std::string m_code;
};

// Puts a provider in place for one test and the system's back afterwards.
class KbdProviderTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        klv::SetKbdProvider(nullptr);
        platform::ui::setBridge(nullptr);
    }
    std::shared_ptr<FixedKbdProvider> use(const std::string& code)
    {
        auto provider = std::make_shared<FixedKbdProvider>(code);
        klv::SetKbdProvider(provider);
        return provider;
    }
    std::shared_ptr<ScriptedUiBridge> scriptedBridge()
    {
        auto bridge = std::make_shared<ScriptedUiBridge>();
        platform::ui::setBridge(bridge);
        return bridge;
    }
};

TEST(WhatKbd, LayoutTableVariantsAndOtherNames)
{
    const struct
    {
        const char* layout;
        const char* code;
    } cases[] = {
        {"us", "US"},
        {"gb", "UK"},
        {"es", "SP"},
        {"de", "GR"},
        {"fr", "FR"},
        {"it", "IT"},
        {"pt", "PO"},
        {"latam", "LA"},
        {"be", "BE"},
        {"ca", "CF"},
        {"ch", "SG"},
        {"ES", "SP"},             // any case
        {"de(nodeadkeys)", "GR"}, // a variant is the same keyboard
        {"ru", "RU"},
        {"br", "BR"}, // not in the table: the name upper-cased
        {"kbdsp.dll", "SP"},
        {"KBDUSX", "USX"}, // a driver file's name gives its code
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WhatKbd(c.layout), c.code) << c.layout;
}

TEST(GetPCKeyboard, PreferenceOrderAndDefaults)
{
    const struct
    {
        std::vector<std::string> layouts;
        const char* code;
    } cases[] = {
        {{"us", "es"}, "SP"},
        {{"es", "us"}, "SP"}, // either order
        {{"fr", "pt", "es"}, "SP"},
        {{"pt", "fr", "de"}, "FR"}, // SP before FR before PO
        {{"de", "pt", "it"}, "PO"},
        {{"de"}, "GR"},
        {{"de", "it"}, "IT"}, // none preferred: the last one
        {{}, "SP"},           // no layout at all
        {{"kbdusx"}, "US"},
        {{"dv"}, "US"}, // "USX" and "DV" are US
    };
    for (const auto& c : cases) {
        std::string names;
        for (const auto& l : c.layouts)
            names += l + ",";
        EXPECT_EQ(GetPCKeyboard(c.layouts), c.code) << names;
    }
}

TEST(AnyProtected, KeepsTheBestPlace)
{
    EXPECT_EQ(AnyProtected(-1, "PO"), 2);
    EXPECT_EQ(AnyProtected(2, "FR"), 1);
    EXPECT_EQ(AnyProtected(1, "PO"), 1);
    EXPECT_EQ(AnyProtected(0, "FR"), 0);
    EXPECT_EQ(AnyProtected(-1, "US"), -1);
    EXPECT_EQ(AnyProtected(1, "SP"), 0);
}

TEST(KbdName2Nr, NumberTable)
{
    const char* codes[] = {"US", "UK", "FR", "GR", "IT", "SP", "SG", "LA", "CF", "BE"};
    for (int nr = 0; nr < 10; ++nr)
        EXPECT_EQ(KbdName2Nr(codes[nr]), nr) << codes[nr];
    EXPECT_EQ(KbdName2Nr("sp"), 5);
    EXPECT_EQ(KbdName2Nr("PO"), 0);
    EXPECT_EQ(KbdName2Nr("SPX"), 0);
    EXPECT_EQ(KbdName2Nr(""), 0);
    EXPECT_EQ(KbdName2Nr(nullptr), 0);
}

TEST_F(KbdProviderTest, GetKbdGivesTheProvidersCode)
{
    auto provider = use("FR");
    std::string code = "old";
    GetKbd(code, 0, 0);
    EXPECT_EQ(code, "FR");
    EXPECT_EQ(provider->asked, 1) << "the code is asked anew on every call";
    GetKbd(code, 0, 0);
    EXPECT_EQ(provider->asked, 2);

    std::string trace = "head";
    EXPECT_EQ(GetClassNr(&trace, 0, 0), 2);
    EXPECT_EQ(trace, "head\nKbd='FR'- nr=2");
    EXPECT_EQ(GetClassNr(nullptr, 0, 0), 2);
    EXPECT_EQ(AllowVimoByDefault(), 1);

    use("gr");
    EXPECT_EQ(GetClassNr(nullptr, 0, 0), 3);
    EXPECT_EQ(AllowVimoByDefault(), 0);
    use("po");
    EXPECT_EQ(AllowVimoByDefault(), 1) << "compared without regard to case";
}

TEST_F(KbdProviderTest, LayoutProviderPrefersTheActiveLayout)
{
    std::optional<std::string> active;
    std::vector<std::string> installed = {"pt", "us"};
    klv::LayoutKbdProvider provider([&] { return active; }, [&] { return installed; });
    EXPECT_EQ(provider.keyboardCode(), "PO");
    active = "";
    EXPECT_EQ(provider.keyboardCode(), "PO") << "an empty name names no layout";
    active = "de";
    EXPECT_EQ(provider.keyboardCode(), "GR") << "the active layout, without preference";
    active.reset();
    installed.clear();
    EXPECT_EQ(provider.keyboardCode(), "SP");
}

TEST_F(KbdProviderTest, DebugQuestionOnlyWithBothFlags)
{
    use("FR");
    auto bridge = scriptedBridge();
    std::string code;
    GetKbd(code, 1, 0);
    GetKbd(code, 0, 1);
    EXPECT_EQ(bridge->callCount(), 0u);

    bridge->pushTextAnswer("SG");
    GetKbd(code, 1, 1);
    EXPECT_EQ(code, "SG");
    const auto calls = bridge->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].question.caption, "Keyboard Selection For Debugging");
    EXPECT_EQ(calls[0].question.prompt, "Keyboard Layout Selection:");
    EXPECT_EQ(calls[0].question.initial, "FR") << "the detected code is selected";
    EXPECT_NE(calls[0].question.timeoutMs, 0u) << "the question ends by itself";

    // Cancel, a time-out and a code that is not in the list keep the detected code.
    bridge->pushTextCancel();
    GetKbd(code, 1, 1);
    EXPECT_EQ(code, "FR");
    bridge->pushTextTimeout();
    GetKbd(code, 1, 1);
    EXPECT_EQ(code, "FR");
    bridge->pushTextAnswer("XX");
    GetKbd(code, 1, 1);
    EXPECT_EQ(code, "FR");
}

TEST(CKbdDlg, ListSelectionAndOk)
{
    const auto& codes = CKbdDlg::Codes();
    const char* expected[] = {"US", "UK", "FR", "IT", "SP", "SG", "SF", "LA", "CA", "FC", "BE", "GR"};
    for (size_t i = 0; i < codes.size(); ++i)
        EXPECT_STREQ(codes[i], expected[i]);

    CKbdDlg dialog("SP");
    EXPECT_EQ(dialog.OnInitDialog(), 4);
    dialog.OnOK(11);
    EXPECT_EQ(dialog.Code(), "GR");
    dialog.OnOK(-1);
    dialog.OnOK(12);
    EXPECT_EQ(dialog.Code(), "GR");
    EXPECT_EQ(CKbdDlg("PO").OnInitDialog(), -1) << "a code outside the list selects nothing";
}

class SystemKbdTest : public StoreTest
{
protected:
    void TearDown() override
    {
        klv::SetKbdProvider(nullptr);
        StoreTest::TearDown();
    }
    static void setActive(const char* layout)
    {
        SetRegistryEntry("Keyboard Layout", "Active", layout, uint32_t(std::strlen(layout) + 1), KLV_REG_SZ,
                         platform::RegRoot::CurrentUser);
    }
};

TEST_F(SystemKbdTest, SettingThenKeyboardFile)
{
    const std::string file = env.path("keyboard");
    writeFile(file,
              "# KEYBOARD CONFIGURATION FILE\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"us,pt\"\nXKBVARIANT=\",\"\n");
    klv::SetKbdProvider(klv::LayoutKbdProvider::system(file));
    std::string code;
    GetKbd(code, 0, 0);
    EXPECT_EQ(code, "PO");

    setActive("de");
    GetKbd(code, 0, 0);
    EXPECT_EQ(code, "GR") << "the setting names the active layout";
    setActive("");
    GetKbd(code, 0, 0);
    EXPECT_EQ(code, "PO");

    klv::SetKbdProvider(klv::LayoutKbdProvider::system(env.path("missing")));
    GetKbd(code, 0, 0);
    EXPECT_EQ(code, "SP") << "no layouts at all";
}

} // namespace
