#pragma once
// The interpreter's two dispatch tables: the 44 command slots of the escape blocks and the 19
// rows of control bytes. The job uses the built-in tables; a test may hand a job tables of
// its own to watch what the framer dispatches.

#include "typestone/engine/esc_block.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace typestone {

class CWinPrt;

// Flag bits of a command slot: recorded as a page action while recording is on; stored
// without being run in record-only mode.
inline constexpr uint16_t kCmdRecorded = 0x0001;
inline constexpr uint16_t kCmdRecordOnly = 0x0002;

using CmdHandler = std::function<bool(CWinPrt&, const EscBlock&)>;
// The description of a block's parameters for traces and error texts; empty when the command
// has none.
using CmdDescriber = std::string (*)(const EscBlock&);
using CtlAction = std::function<bool(CWinPrt&)>;

struct CmdSlot
{
    const char* name = nullptr; // null: an empty slot
    uint32_t minLen = 0;
    uint16_t flags = 0;
    CmdHandler handler;
    CmdDescriber describe = nullptr;
};

struct CtlSlot
{
    uint8_t byte = 0;
    const char* name = nullptr;
    CtlAction action; // empty: the row is skipped
};

inline constexpr size_t kControlRows = 19;
// The row of the literal-next byte 0x1B.
inline constexpr size_t kEscapeRow = 16;

// The description of a parameter struct P (a `decode` from the block, a `describe` of itself).
template <typename P> std::string DescribeParams(const EscBlock& block)
{
    P params;
    params.decode(block);
    return params.describe();
}

struct CommandTable
{
    std::array<CmdSlot, kEscCommandSlots> commands;
    std::array<CtlSlot, kControlRows> controls;

    // Fills slot `code`. The command groups register their slots with it.
    void set(uint16_t code, const char* name, uint32_t minLen, uint16_t flags, CmdHandler handler,
             CmdDescriber describe = nullptr);

    // The interpreter's own table, built once per process.
    static const CommandTable& builtIn();
    // The 19 control bytes in row order (fixed: the rows are not in ascending byte order).
    static const std::array<uint8_t, kControlRows>& controlBytes();
};

} // namespace typestone
