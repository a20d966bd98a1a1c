#pragma once
// The texts of the product offer: one line per product and the information pane.

#include "klv_inet/support/klv_export.h"

#include <string>

class CProduct;

namespace klv {

// The name and the size in kilobytes: "%-40s%8u KB".
KLV_EXPORT std::string ProductLine(const CProduct& product);

// The pane: labels of the user's language, each "<label>:" left-justified in 20 characters,
// then the new version, size, date, installed version (or "Unknown/Not Installed"),
// platform, a blank line and the description.
KLV_EXPORT std::string ProductPaneText(const CProduct& product);

// A string of the library's table in the user's language (the dialogs' labels).
KLV_EXPORT std::string WebUpdateString(unsigned id);

} // namespace klv
