#pragma once
// One transfer asked for by name: the list of files it moves (one entry, or none for a source
// that names several files with "*?#@"), the names mapped for the direction, and the run of
// the transfer list with its progress.

#include "typestone/server/transfer_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::ui {
class UiBridge;
}

namespace typestone {

class PacketClock;
class PacketLink;

class CTxAux
{
public:
    CTxAux(PacketLink& link, platform::ui::UiBridge& ui, PacketClock& clock, const std::string& source,
           const std::string& target, uint16_t hostWord, bool download);

    size_t Entries() const { return m_entries.size(); }
    const std::vector<TransferRequest>& List() const { return m_entries; }

    // Runs the list; *result gets the list's code (502 for an empty list). True when it is 0.
    bool Run(uint16_t* result, uint8_t mode, bool removeSource);

private:
    void BuildList(const std::string& source, const std::string& target, bool download);

    PacketLink& m_link;
    platform::ui::UiBridge& m_ui;
    PacketClock& m_clock;
    uint16_t m_hostWord;
    std::vector<TransferRequest> m_entries;
};

} // namespace typestone
