#pragma once
// Section paths of the library's settings and their move to the current user.
//
// A section path is ".DEFAULT\Software\KLV\<application>\<section>", used with the root
// Users. While the redirection switch is on (it is from the start) every operation that takes
// a root moves a Users path beginning with ".Default\" (any case) to the rest of the path
// under CurrentUser, so settings land in CurrentUser\Software\KLV\<application>\<section>.

#include "klv_inet/support/klv_export.h"

#include "platform/settings/settings_store.h"

#include <string>

// out = ".DEFAULT\Software\KLV\" + application (the current application name when null or
// empty) + "\" + section (left out when null or empty). Returns out.
KLV_EXPORT std::string& FormSection(std::string& out, const char* section, const char* app = nullptr);

// ".DEFAULT\Software\KLV\" + application + "\Updates\" (null: the current application name).
KLV_EXPORT std::string& FormUpdatesSection(std::string& out, const char* app);

// ".DEFAULT\Software\KLV\Products\" + branch + "\" (unless it ends with one) + product.
KLV_EXPORT std::string& FormProductSection(std::string& out, const char* branch, const char* product);

// Applies the redirection in place (the character version shortens the caller's text).
KLV_EXPORT void RegChangeUserByCurrentUser(std::string& key, platform::RegRoot& root);
KLV_EXPORT void RegChangeUserByCurrentUser(char* key, platform::RegRoot& root);

// Turns the redirection on (nonzero) or off for the whole process.
KLV_EXPORT void SetRegChangeUserByCurrentUser(int on);

// The path of the entries shared by all applications.
inline constexpr const char* kDefaultSection = ".DEFAULT\\Software\\KLV\\.Default";
