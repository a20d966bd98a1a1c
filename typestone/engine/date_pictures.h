#pragma once
// Dates and times in the host's picture language (the one of the Windows date and time calls):
// d dd ddd dddd (day, its names), M MM MMM MMMM (month, its names), y yy yyyy (year), g gg
// (era) in a date picture; h hh H HH (12- and 24-hour clock), m mm, s ss, t tt (the AM/PM
// marker) in a time picture. Text between single quotes is copied as it stands ('' inside
// quotes is one quote); any other character is copied too, the letters of the other kind
// included. Names come in English or Spanish, in ANSI (Windows-1252) bytes.

#include "platform/strings/string_table.h"
#include "platform/sysinfo/local_time.h"

#include <string>
#include <string_view>

namespace typestone {

using DateLanguage = platform::StringTable::Language;
using LocalTime = platform::sysinfo::LocalTime;

// The language of the dates of this process: LC_ALL, else LC_TIME, else LANG; Spanish for a
// locale whose language is "es", English otherwise.
DateLanguage SystemDateLanguage();

// The short date and the time as the language writes them when no picture is given.
std::string_view ShortDatePicture(DateLanguage language);
std::string_view TimePicture(DateLanguage language);

std::string FormatDatePicture(const LocalTime& t, std::string_view picture, DateLanguage language);
std::string FormatTimePicture(const LocalTime& t, std::string_view picture, DateLanguage language);

} // namespace typestone
