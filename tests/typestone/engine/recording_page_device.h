#pragma once
// A page device for the engine's tests: a RecordingDc, and a log of the document calls
// ("startDoc NAME", "startPage", "endPage", "endDoc", "abortDoc") that outlives the device,
// each page's drawing lines following its "startPage".

#include "platform/draw/page_device.h"
#include "platform/draw/recording_dc.h"

#include <memory>
#include <string>
#include <vector>

namespace engine_test {

// A 600 dpi page of 80 x 58 cells of 60 x 120 pixels, all of it printable.
inline platform::draw::DeviceCaps pageCaps()
{
    platform::draw::DeviceCaps c;
    c.dpiX = c.dpiY = 600;
    c.width = 4800;
    c.height = 6960;
    c.physicalWidth = 4800;
    c.physicalHeight = 6960;
    return c;
}

struct DeviceLog
{
    std::vector<std::string> calls; // document calls only
    std::vector<std::string> lines; // document calls and the Dc's lines, in order
    int devicesMade = 0;

    int count(const std::string& call) const
    {
        int n = 0;
        for (const auto& c : calls)
            n += c == call ? 1 : 0;
        return n;
    }
};

class RecordingPageDevice : public platform::draw::PageDevice
{
public:
    RecordingPageDevice(std::shared_ptr<DeviceLog> log, const platform::draw::DeviceCaps& caps)
        : m_log(std::move(log)), m_dc(caps)
    {
        ++m_log->devicesMade;
    }

    bool startDoc(const std::string& name) override { return note("startDoc " + name); }
    bool startPage() override { return note("startPage"); }
    bool endPage() override
    {
        ++m_pages;
        return note("endPage");
    }
    bool endDoc() override { return note("endDoc"); }
    void abortDoc() override { note("abortDoc"); }
    platform::draw::Dc* dc() override { return &m_dc; }
    platform::draw::DeviceCaps caps() const override { return m_dc.caps(); }
    bool setOrientation(platform::spooler::Orientation) override { return true; }
    int pageCount() const override { return m_pages; }
    std::string errorText() const override { return {}; }

private:
    bool note(const std::string& call)
    {
        // The Dc's lines since the last call belong before this one.
        for (const auto& l : m_dc.lines())
            m_log->lines.push_back(l);
        m_dc.clear();
        m_log->calls.push_back(call);
        m_log->lines.push_back(call);
        return true;
    }

    std::shared_ptr<DeviceLog> m_log;
    platform::draw::RecordingDc m_dc;
    int m_pages = 0;
};

} // namespace engine_test
