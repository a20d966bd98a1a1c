#pragma once
// Matching of key names against pattern lists (internal).

namespace klv {

// 1 when the name after the last '\' of `name` matches one pattern of the list.
int matchNamePattern(const char* name, const char* const* patterns);

// The include/exclude rule: skipped when an include list is given and nothing in it matches,
// or an exclude list is given and something in it matches.
bool skippedByLists(const char* name, const char* const* exclude, const char* const* include);

} // namespace klv
