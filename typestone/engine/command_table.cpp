#include "typestone/engine/command_table.h"

#include "typestone/engine/command_groups.h"
#include "typestone/engine/win_prt.h"

namespace typestone {

const std::array<uint8_t, kControlRows>& CommandTable::controlBytes()
{
    static const std::array<uint8_t, kControlRows> bytes = {0x02, 0x03, 0x04, 0x05, 0x09, 0x0A, 0x0B,
                                                            0x0C, 0x0D, 0x0E, 0x0F, 0x19, 0x16, 0x17,
                                                            0x18, 0x15, 0x1B, 0x1D, 0x1E};
    return bytes;
}

namespace {

CtlAction attrAction(uint16_t bit, bool on)
{
    return [bit, on](CWinPrt& p) { return p.SetAttrBit(bit, on); };
}

CommandTable build()
{
    CommandTable t;
    const auto& bytes = CommandTable::controlBytes();
    const char* names[kControlRows] = {"CmpOn",    "CmpOff",    "ColorOn",   "ColorOff", "Tabulate",
                                       "Down",     "Ulon",      "EjectPage", "DoCR",     "Bon",
                                       "Boff",     "HeightOff", "Uloff",     "WidthOn",  "WidthOff",
                                       "HeightOn", "Escape",    "ItalicOn",  "ItalicOff"};
    const CtlAction actions[kControlRows] = {
        attrAction(kAttrCompressed, true),
        attrAction(kAttrCompressed, false),
        attrAction(kAttrColor, true),
        attrAction(kAttrColor, false),
        [](CWinPrt&) { return true; }, // a tab only ends the text before it
        [](CWinPrt& p) { return p.Down(); },
        attrAction(kAttrUnderline, true),
        [](CWinPrt& p) { return p.EjectPage(); },
        [](CWinPrt& p) { return p.DoCR(); },
        attrAction(kAttrBold, true),
        attrAction(kAttrBold, false),
        attrAction(kAttrDoubleHeight, false),
        attrAction(kAttrUnderline, false),
        attrAction(kAttrDoubleWidth, true),
        attrAction(kAttrDoubleWidth, false),
        attrAction(kAttrDoubleHeight, true),
        [](CWinPrt& p) {
            p.SetLiteralNext();
            return true;
        },
        attrAction(kAttrItalic, true),
        attrAction(kAttrItalic, false),
    };
    for (size_t i = 0; i < kControlRows; ++i)
        t.controls[i] = CtlSlot{bytes[i], names[i], actions[i]};

    AddFontTextCommands(t);
    AddAreaCommands(t);
    AddImageCommands(t);
    AddPageActionCommands(t);
    AddPdfCommands(t);
    AddFileCommands(t);
    return t;
}

} // namespace

void CommandTable::set(uint16_t code, const char* name, uint32_t minLen, uint16_t flags, CmdHandler handler,
                       CmdDescriber describe)
{
    if (code < commands.size())
        commands[code] = CmdSlot{name, minLen, flags, std::move(handler), describe};
}

const CommandTable& CommandTable::builtIn()
{
    static const CommandTable table = build();
    return table;
}

} // namespace typestone
