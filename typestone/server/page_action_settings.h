#pragma once
// The settings of the General section that bound what a job's page actions may do:
// "FieldVariables", the environment variables a host may insert into its pages (names
// separated by blanks, commas or semicolons; missing: a few harmless ones; empty: none), and
// "PageActionLimit", the most a job's recorded page actions may hold, in bytes.

#include <cstddef>
#include <string>
#include <vector>

namespace typestone {

inline constexpr size_t kMinPageActionLimit = size_t{64} << 10;
inline constexpr size_t kMaxPageActionLimit = size_t{1} << 30;
// The longest value of "FieldVariables" that is read, and the longest name taken.
inline constexpr size_t kMaxFieldVariablesText = 1024;
inline constexpr size_t kMaxFieldVariableName = 64;

// The names of `text` that are variable names (a letter or '_', then letters, digits and '_';
// at most kMaxFieldVariableName long); `rejected` gets the others.
std::vector<std::string> ParseFieldVariables(const std::string& text,
                                             std::vector<std::string>* rejected = nullptr);

// "FieldVariables" (DefaultFieldVariables() when it is missing or too long to read).
std::vector<std::string> LoadFieldVariables(std::vector<std::string>* rejected = nullptr);

// "PageActionLimit", decimal bytes in kMinPageActionLimit..kMaxPageActionLimit; else the
// default (PageActionList::kDefaultLimit).
size_t LoadPageActionLimit();

} // namespace typestone
