#pragma once
// A web update test: its own settings store, temporary, state and runtime folders, a scripted
// user interface, a scripted dialog host and a loopback HTTP server.

#include "klv_inet/webupdate/kdr_inet_obj.h"
#include "klv_inet/webupdate/product.h"
#include "klv_inet/webupdate/update_dialog_host.h"
#include "klv_inet/webupdate/web_settings.h"

#include "../support/scripted_ui.h"
#include "../support/temp_env.h"
#include "loopback_http_server.h"

#include "platform/settings/settings_store.h"
#include "platform/ui/message_box.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>

// Answers the two dialogs from a script and records what they were shown.
class FakeDialogHost final : public klv::UpdateDialogHost
{
public:
    int formAnswer = platform::ui::kIdOk;
    klv::UserFormData typed{"j@x.org", "Jo Doe", "ACME", "Lyon", "FR"};
    int productAnswer = platform::ui::kIdOk;
    std::set<std::string> unticked; // products the user leaves unticked
    int formCalls = 0;
    int productCalls = 0;
    std::vector<std::string> offered;

    int runUpdateForm(klv::UserFormData& data) override
    {
        ++formCalls;
        if (formAnswer == platform::ui::kIdOk)
            data = typed;
        return formAnswer;
    }
    int runProductDialog(const std::vector<CProduct*>& products, unsigned long, int*) override
    {
        ++productCalls;
        for (CProduct* p : products) {
            if (!p->IsProductAvailable())
                continue;
            offered.push_back(p->m_szName);
            if (productAnswer == platform::ui::kIdOk)
                p->m_bChosen = unticked.count(p->m_szName) ? 0 : 1;
        }
        return productAnswer;
    }
};

class WebUpdateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.ok());
        setenv("TYPESTONE_REGISTRY", env.path("registry.sqlite").c_str(), 1);
        setenv("XDG_STATE_HOME", env.path("state").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", env.path("run").c_str(), 1);
        unsetenv("TYPESTONE_UPDATE_ROOT");
        unsetenv("TYPESTONE_POSTING_URL");
        platform::SettingsStore::resetShared();
        klv::setUpdateKeyboardCode("US");
        klv::UpdateDialogHost::install(&dialogs);
        settings.updateRoot = server.url("/upd/");
        settings.postingUrl = server.url("/cgi-bin/VADUZORA/mailtocli.cgi");
    }
    void TearDown() override
    {
        klv::UpdateDialogHost::install(nullptr);
        klv::setUpdateKeyboardCode(nullptr);
        platform::SettingsStore::resetShared();
        unsetenv("TYPESTONE_REGISTRY");
    }

    std::unique_ptr<CKDRInetObj> makeObj()
    {
        auto obj = std::make_unique<CKDRInetObj>("Typestone", 242, 0, "");
        obj->SetSettings(settings);
        obj->SetConfiguration(CKDRInetObj::kCfgBackgroundAuthorized | CKDRInetObj::kCfgWebAvailable);
        return obj;
    }

    // Runs queued calls until `done` holds or `ms` passed.
    static bool waitFor(const std::function<bool()>& done, int ms = 10000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    size_t posts() const { return server.count("/cgi-bin/VADUZORA/mailtocli.cgi"); }

    TempEnv env;
    testsupport::LoopbackHttpServer server;
    ScriptedUi ui;
    FakeDialogHost dialogs;
    klv::WebUpdateSettings settings;
};
