#include "typestone/engine/command_table.h"

#include "typestone/engine/pending_commands.h"
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

    struct Def
    {
        uint16_t code;
        const char* name;
        uint32_t minLen;
        uint16_t flags;
    };
    static const Def defs[] = {
        {0, "PrintBitmap", 34, 0x0003},     {1, "ChangeFont", 70, 0x0003},
        {2, "SetDCA", 34, 0x0003},          {5, "PrtWindow", 24, 0x0002},
        {6, "SetFontName", 32, 0x0003},     {7, "SetFontSize", 12, 0x0003},
        {8, "SetFontStyle", 2, 0x0003},     {9, "SetFontColor", 8, 0x0003},
        {10, "SetFontAlign", 2, 0x0003},    {11, "SetPrtMode", 2, 0x0003},
        {12, "PrtImage", 24, 0x0003},       {15, "PrtSelectArea", 8, 0x0003},
        {16, "PrtChangeArea", 12, 0x0002},  {17, "SetRotation", 6, 0x0003},
        {18, "SetDfltUnits", 8, 0x0003},    {19, "SetPos", 14, 0x0003},
        {20, "PrintFile", 28, 0x0003},      {21, "RecPage", 6, 0xFFFC},
        {22, "InsertField", 6, 0x0003},     {23, "PrtRecord", 5, 0x0003},
        {24, "PrtFileRecords", 29, 0x0003}, {25, "PrtLog", 6, 0xFFFC},
        {26, "BarCodes", 48, 0x0003},       {27, "QRCode", 274, 0x0003},
        {40, "SetFontEffect", 2, 0x0003},   {41, "PDFDocument", 24, 0x0003},
        {42, "PrtDocname", 6, 0x0003},      {43, "PrtOutput", 6, 0x0003},
    };
    for (const Def& d : defs) {
        CmdHandler h = d.code == 20 ? CmdHandler(&PrintFileCommand) : pendingCommand(d.name);
        t.commands[d.code] = CmdSlot{d.name, d.minLen, d.flags, std::move(h)};
    }
    return t;
}

} // namespace

const CommandTable& CommandTable::builtIn()
{
    static const CommandTable table = build();
    return table;
}

} // namespace typestone
