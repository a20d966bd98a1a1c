#include "klv_inet/support/kbd.h"

#include "klv_inet/support/kbd_dlg.h"
#include "klv_inet/support/kbd_provider.h"
#include "klv_inet/support/text_compare.h"

#include "platform/sysinfo/xkb_layouts.h"
#include "platform/ui/message_box.h"

#include <cctype>
#include <iterator>

namespace {

struct LayoutCode
{
    const char* layout;
    const char* code;
};

// The national keyboards the library knows, by their XKB layout.
constexpr LayoutCode kLayoutCodes[] = {
    {"us", "US"}, {"gb", "UK"},    {"es", "SP"}, {"de", "GR"}, {"fr", "FR"}, {"it", "IT"},
    {"pt", "PO"}, {"latam", "LA"}, {"be", "BE"}, {"ca", "CF"}, {"ch", "SG"},
};

// The code numbers: the place in this list.
constexpr const char* kCodeNumbers[] = {"US", "UK", "FR", "GR", "IT", "SP", "SG", "LA", "CF", "BE"};

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Upper-case, cut at the first '.', and the text after "KBD" when it holds that.
std::string driverCode(std::string_view text)
{
    std::string code = upper(text);
    if (const auto dot = code.find('.'); dot != std::string::npos)
        code.resize(dot);
    if (const auto kbd = code.find("KBD"); kbd != std::string::npos)
        code.erase(0, kbd + 3);
    return code;
}

} // namespace

std::string WhatKbd(std::string_view layout)
{
    // A variant in parentheses ("de(nodeadkeys)") is the same national keyboard.
    const std::string_view name = layout.substr(0, layout.find('('));
    for (const LayoutCode& entry : kLayoutCodes)
        if (klv::equalsNoCase(name, entry.layout))
            return entry.code;
    return driverCode(name);
}

int AnyProtected(int best, std::string_view code)
{
    if (best == 0)
        return best;
    for (int place = 0; place < int(std::size(kKbdPreferred)); ++place)
        if (code == kKbdPreferred[place] && (best < 0 || best > place))
            return place;
    return best;
}

std::string GetPCKeyboard(const std::vector<std::string>& layouts)
{
    std::string code;
    if (layouts.empty()) {
        code = "SP";
    } else {
        int best = -1;
        for (const std::string& layout : layouts) {
            code = WhatKbd(layout);
            best = AnyProtected(best, code);
            if (best == 0)
                break;
        }
        if (best >= 0)
            code = kKbdPreferred[best];
    }
    code = driverCode(code);
    if (code.empty() || code == "DV" || code == "USX")
        code = "US";
    return code;
}

std::string GetPCKeyboard()
{
    return GetPCKeyboard(platform::sysinfo::xkbLayouts());
}

void GetKbd(std::string& out, int ask, int debug)
{
    std::string code = klv::kbdProvider()->keyboardCode();
    if (ask && debug) {
        CKbdDlg dialog(code);
        if (dialog.DoModal() == platform::ui::kIdOk)
            code = dialog.Code();
    }
    out = code;
}

int KbdName2Nr(const char* code)
{
    if (code == nullptr)
        return 0;
    for (int nr = 0; nr < int(std::size(kCodeNumbers)); ++nr)
        if (klv::equalsNoCase(code, kCodeNumbers[nr]))
            return nr;
    return 0;
}

int GetClassNr(std::string* trace, int ask, int debug)
{
    std::string code;
    GetKbd(code, ask, debug);
    const int nr = KbdName2Nr(code.c_str());
    if (trace) {
        *trace += "\nKbd='" + code + "'- nr=" + std::to_string(nr);
    }
    return nr;
}

int AllowVimoByDefault()
{
    std::string code;
    GetKbd(code, 0, 0);
    for (const char* preferred : kKbdPreferred)
        if (klv::equalsNoCase(code, preferred))
            return 1;
    return 0;
}
