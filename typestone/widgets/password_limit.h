#pragma once
// The length rule of both password edits: a password holds at most `limit` - 1 bytes (the
// stored block has room for 8 and a terminating zero).

#include <cstddef>
#include <string>

class QLineEdit;

namespace typestone {

inline constexpr std::size_t kPasswordLimit = 9;

// True when `text` is within the limit (or the limit is 0). Otherwise the person is told
// "Maximum password length is 8 characters." (a traced box) and then the text is cut to
// limit - 1 bytes, never inside a UTF-8 sequence.
bool LimitPassword(std::string* text, std::size_t limit);

// Keeps `edit` within the limit as it is typed in: every change goes through LimitPassword and
// a cut text is written back.
void LimitPasswordEdit(QLineEdit* edit, std::size_t limit);

} // namespace typestone
