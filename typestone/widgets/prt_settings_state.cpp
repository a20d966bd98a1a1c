#include "typestone/widgets/prt_settings_state.h"

#include <algorithm>

namespace typestone {

namespace sp = platform::spooler;

PrtSettingsState SettingsStateOf(const DevMode& settings)
{
    const sp::PrinterDefaults& s = settings.settings;
    PrtSettingsState state;
    state.media = s.media;
    state.orientation = s.orientation;
    state.copies = s.copies;
    state.sides = s.sides;
    state.colorMode = s.colorMode;
    state.quality = s.quality;
    state.resolution = s.resolution;
    return state;
}

DevMode ApplySettingsState(const DevMode& base, const PrtSettingsState& state)
{
    DevMode out = base;
    sp::PrinterDefaults& s = out.settings;
    if (sp::isValidMediaName(state.media))
        s.media = state.media;
    s.orientation = state.orientation;
    if (state.copies >= 1 && state.copies <= sp::kMaxCopies)
        s.copies = state.copies;
    s.sides = state.sides;
    s.colorMode = state.colorMode;
    s.quality = state.quality;
    if (const auto& r = state.resolution;
        r && r->x >= 1 && r->y >= 1 && r->x <= sp::kMaxResolution && r->y <= sp::kMaxResolution)
        s.resolution = *r;
    return out;
}

const std::vector<std::string>& CommonMediaNames()
{
    static const std::vector<std::string> names = {
        "iso_a4_210x297mm",          "na_letter_8.5x11in",       "na_legal_8.5x14in",
        "iso_a3_297x420mm",          "iso_a5_148x210mm",         "iso_b5_176x250mm",
        "jis_b5_182x257mm",          "na_executive_7.25x10.5in", "na_ledger_11x17in",
        "na_fanfold-us_11x14.875in", "na_number-10_4.125x9.5in", "iso_dl_110x220mm",
        "iso_c5_162x229mm",
    };
    return names;
}

std::vector<std::string> MediaChoices(const std::vector<std::string>& offered, const std::string& current)
{
    std::vector<std::string> out;
    for (const std::string& name : offered.empty() ? CommonMediaNames() : offered)
        if (sp::isValidMediaName(name) && std::find(out.begin(), out.end(), name) == out.end())
            out.push_back(name);
    if (sp::isValidMediaName(current) && std::find(out.begin(), out.end(), current) == out.end())
        out.insert(out.begin(), current);
    return out;
}

} // namespace typestone
