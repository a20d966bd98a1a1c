#pragma once
// The server's side of the engine's host seam: the engine's trace goes to the server's trace
// file, its strings and version line come from the server's tables. A connection derives from
// it and adds the job's status.

#include "typestone/engine/engine_host.h"

namespace typestone {

class ServerEngineHost : public EngineHost
{
public:
    bool TraceOn(uint32_t mask) override;
    void TraceText(const std::string& text) override;
    void TraceHexDump(const char* title, const void* data, size_t size) override;
    bool ExtendedDebug() override;
    int TracedBox(const std::string& text, unsigned type, uint32_t mask) override;
    // The server's dialog, with the update button.
    bool ShowUnsuppDlg(const UnsupportedCommandReport& report) override;
    bool StringText(unsigned id, std::string* out) override;
    std::string VersionText() override;
};

} // namespace typestone
