#pragma once
// Chooses the spooler backend from the setting.

#include "platform/spooler/spooler.h"

#include <memory>
#include <string>

namespace platform::spooler {

// `setting` is "cups", "folder:" followed by an absolute path, or empty for the embedded
// default: a folder spooler at <state folder>/spool (created when missing). The environment
// variable TYPESTONE_SPOOLER, when set and not empty, takes the place of the setting. Anything
// else is refused with a reason in `error`.
std::unique_ptr<Spooler> makeSpooler(const std::string& setting, std::string* error);

} // namespace platform::spooler
