#include "typestone/engine/date_pictures.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace typestone {

namespace {

struct Names
{
    std::array<const char*, 7> days;
    std::array<const char*, 7> shortDays;
    std::array<const char*, 12> months;
    std::array<const char*, 12> shortMonths;
    const char* era;
    const char* am;
    const char* pm;
    const char* shortDate;
    const char* time;
};

// ANSI bytes: \xE1 is a-acute, \xE9 e-acute.
const Names kEnglish = {
    {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
    {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
    {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
     "November", "December"},
    {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
    "A.D.",
    "AM",
    "PM",
    "M/d/yyyy",
    "h:mm:ss tt",
};

const Names kSpanish = {
    {"domingo", "lunes", "martes", "mi\xE9rcoles", "jueves", "viernes",
     "s\xE1"
     "bado"},
    {"dom", "lun", "mar", "mi\xE9", "jue", "vie",
     "s\xE1"
     "b"},
    {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto", "septiembre", "octubre",
     "noviembre", "diciembre"},
    {"ene", "feb", "mar", "abr", "may", "jun", "jul", "ago", "sep", "oct", "nov", "dic"},
    "d. C.",
    "a. m.",
    "p. m.",
    "dd/MM/yyyy",
    "H:mm:ss",
};

const Names& namesOf(DateLanguage language)
{
    return language == DateLanguage::Spanish ? kSpanish : kEnglish;
}

void number(std::string& out, int value, int digits)
{
    std::string s = std::to_string(value < 0 ? -value : value);
    while (static_cast<int>(s.size()) < digits)
        s.insert(s.begin(), '0');
    out += s;
}

// One run of `letter`, `count` long, of a date picture.
void dateField(std::string& out, char letter, size_t count, const LocalTime& t, const Names& n)
{
    switch (letter) {
    case 'd':
        if (count <= 2)
            number(out, t.day, static_cast<int>(count));
        else
            out += (count == 3 ? n.shortDays : n.days)[static_cast<size_t>(t.weekday) % 7];
        break;
    case 'M':
        if (count <= 2)
            number(out, t.month, static_cast<int>(count));
        else
            out += (count == 3 ? n.shortMonths : n.months)[static_cast<size_t>(t.month + 11) % 12];
        break;
    case 'y':
        if (count == 1)
            number(out, t.year % 10, 1);
        else if (count == 2)
            number(out, t.year % 100, 2);
        else
            number(out, t.year, 4);
        break;
    default: // 'g'
        out += n.era;
        break;
    }
}

// One run of `letter`, `count` long, of a time picture.
void timeField(std::string& out, char letter, size_t count, const LocalTime& t, const Names& n)
{
    const int digits = count >= 2 ? 2 : 1;
    switch (letter) {
    case 'h':
        number(out, t.hour % 12 == 0 ? 12 : t.hour % 12, digits);
        break;
    case 'H':
        number(out, t.hour, digits);
        break;
    case 'm':
        number(out, t.minute, digits);
        break;
    case 's':
        number(out, t.second, digits);
        break;
    default: { // 't'
        const char* marker = t.hour < 12 ? n.am : n.pm;
        if (count >= 2)
            out += marker;
        else
            out += marker[0];
        break;
    }
    }
}

template <typename Field>
std::string format(std::string_view picture, std::string_view letters, const Field& field)
{
    std::string out;
    size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            // Quoted text; '' within it is a quote. A quote left open runs to the end.
            ++i;
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += picture[i++];
            }
            continue;
        }
        if (letters.find(c) == std::string_view::npos) {
            out += c;
            ++i;
            continue;
        }
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c)
            ++run;
        field(out, c, run);
        i += run;
    }
    return out;
}

} // namespace

DateLanguage SystemDateLanguage()
{
    return platform::StringTable::languageFromLocale(std::getenv("LC_ALL"), std::getenv("LC_TIME"),
                                                     std::getenv("LANG"));
}

std::string_view ShortDatePicture(DateLanguage language)
{
    return namesOf(language).shortDate;
}

std::string_view TimePicture(DateLanguage language)
{
    return namesOf(language).time;
}

std::string FormatDatePicture(const LocalTime& t, std::string_view picture, DateLanguage language)
{
    const Names& n = namesOf(language);
    return format(picture, "dMyg",
                  [&](std::string& out, char letter, size_t count) { dateField(out, letter, count, t, n); });
}

std::string FormatTimePicture(const LocalTime& t, std::string_view picture, DateLanguage language)
{
    const Names& n = namesOf(language);
    return format(picture, "hHmst",
                  [&](std::string& out, char letter, size_t count) { timeField(out, letter, count, t, n); });
}

} // namespace typestone
