#pragma once
// Where CWork4WTS reads the information of the current session from.

#include "klv_inet/support/klv_export.h"

#include <vector>

namespace klv {

class KLV_EXPORT WtsSessionInfoSource
{
public:
    virtual ~WtsSessionInfoSource();

    // False when no session information can be had at all (nothing is queried then).
    virtual bool open() = 0;

    // One item (information class 0 to 16) of the current session: text items as their
    // characters, fixed items as their bytes. False when the item cannot be read.
    virtual bool query(int infoClass, std::vector<unsigned char>& data) = 0;
};

// The system's source: the session id of the process (0 outside any login session); the
// client items have no equivalent here and are never read.
WtsSessionInfoSource& systemWtsSessionInfoSource();

} // namespace klv
