#pragma once
// The text of an inserted field (InsertField): the page number through the host's format, the
// date or the time through the host's picture, or the value of a variable of the server's
// environment. The text is ANSI and at most kFieldRoom - 1 bytes long.

#include "typestone/engine/date_pictures.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace typestone {

inline constexpr uint16_t kFieldPage = 0;
inline constexpr uint16_t kFieldDate = 1;
inline constexpr uint16_t kFieldTime = 2;
inline constexpr uint16_t kFieldVariable = 3;
// A field has room for this many bytes, its terminating zero included.
inline constexpr size_t kFieldRoom = 300;

// The variables a host may insert when no setting names them: harmless facts of the server's
// environment, nothing that could hold a secret.
std::vector<std::string> DefaultFieldVariables();

// Where the fields come from; what is unset is the machine's own.
struct FieldSources
{
    std::function<LocalTime()> clock;                             // empty: the local time
    std::optional<DateLanguage> language;                         // nullopt: the locale's
    std::vector<std::string> variables = DefaultFieldVariables(); // the only names inserted
};

struct FieldOutcome
{
    bool ok = false;
    std::string text; // ANSI, at most kFieldRoom - 1 bytes
    std::string note; // why it failed or was changed, for the trace; empty when nothing to say
};

// The field of `type` with the host's `format` (already ANSI; empty: the default) on `page`.
// Fails for an unknown type, an empty variable name, or a variable the environment lacks; a
// name the allow-list does not hold gives an empty field.
FieldOutcome FormField(uint16_t type, std::string_view format, unsigned page, const FieldSources& sources);

// `format` with `page` in the place of its one integer conversion: '%', optional flags
// (-+ #0), an optional width up to 3 digits and one of d i u x X o; "%%" is a percent sign.
// False, with `*out` untouched, for any other format (no conversion, two, a precision, a
// length or another conversion).
bool FormatPageNumber(std::string_view format, unsigned page, std::string* out);

} // namespace typestone
