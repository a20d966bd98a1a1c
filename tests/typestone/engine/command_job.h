#pragma once
// A job for the command groups' tests: a CWinPrt on a recording page device with the formula
// fonts, a host that keeps the trace and may lend a host file link, and the parameter bytes
// of escape blocks.

#include "tests/typestone/engine/esc_block_builder.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/engine_host.h"
#include "typestone/engine/font_mapper.h"
#include "typestone/engine/host_file_link.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "platform/ui/ui_bridge.h"
#include "tests/support/draw/fake_font_engine.h"
#include "tests/support/env/temp_dir.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace engine_test {

class CommandHost : public typestone::EngineHost
{
public:
    typestone::HostFileLink* HostFiles() override { return link; }
    bool TraceOn(uint32_t mask) override { return mask == typestone::kTrzJobs; }
    void TraceText(const std::string& text) override { trace += text; }

    typestone::HostFileLink* link = nullptr;
    std::string trace;
};

// Parameter bytes, little-endian.
inline std::string le16(uint32_t v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
inline std::string le32(uint32_t v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}
// A text field of `width` bytes, zero-filled.
inline std::string field(const std::string& text, size_t width)
{
    std::string f = text.substr(0, width);
    f.resize(width, '\0');
    return f;
}

class CommandJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        m_dir = m_folder.path();
        platform::ui::setBridge(m_ui);
        // A test may run several jobs, each from a fresh start.
        m_log = std::make_shared<DeviceLog>();
        m_host.trace.clear();
        std::filesystem::create_directories(m_dir / "c");
        m_map.add('C', (m_dir / "c").string());
        m_prt = std::make_unique<typestone::CWinPrt>();
        m_prt->SetSpoolFolder(m_dir.string());
        m_prt->SetFontEngine(&m_fonts);
        m_prt->SetDriveMap(m_map);
        m_prt->SetPdfFolder((m_dir / "pdf").string());
        m_prt->SetHost(&m_host);
        m_prt->SetDeviceFactory([this](const typestone::EngineDeviceRequest&, std::string*) {
            return std::make_unique<RecordingPageDevice>(m_log, pageCaps());
        });
    }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    // Spools and prints the stream; the job's result.
    bool run(const std::string& stream)
    {
        typestone::INIT_DATA r = typestone::DefaultInitData();
        std::strncpy(r.printer, "Office", sizeof r.printer - 1);
        EXPECT_TRUE(m_prt->StartSpoolPrtJob(100, &r, "host_1"));
        EXPECT_TRUE(m_prt->SpoolData(stream.data(), stream.size()));
        return m_prt->StopSpoolPrtJob();
    }

    // How many commands failed, and whether `name` was among them.
    int failures() const { return count(m_host.trace, "showError(code=4096)"); }
    bool failed(const std::string& name) const
    {
        const std::string mark = "showError(code=4096): Page #";
        for (auto at = m_host.trace.find(mark); at != std::string::npos;
             at = m_host.trace.find(mark, at + 1)) {
            const auto line = m_host.trace.substr(at, m_host.trace.find('\n', at + 1) - at);
            if (line.find("-> " + name) != std::string::npos)
                return true;
        }
        return false;
    }
    static int count(const std::string& text, const std::string& part)
    {
        int n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }
    // The Dc lines drawn on the pages that match `prefix`.
    std::vector<std::string> drawn(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& l : m_log->lines)
            if (l.rfind(prefix, 0) == 0)
                out.push_back(l);
        return out;
    }

    ts::support::TempDir m_folder{"engine-commands"};
    std::filesystem::path m_dir;
    typestone::DriveMap m_map;
    platform::draw::FakeFontEngine m_fonts;
    std::shared_ptr<DeviceLog> m_log = std::make_shared<DeviceLog>();
    std::shared_ptr<platform::ui::ScriptedUiBridge> m_ui = std::make_shared<platform::ui::ScriptedUiBridge>();
    CommandHost m_host;
    std::unique_ptr<typestone::CWinPrt> m_prt;
};

} // namespace engine_test
