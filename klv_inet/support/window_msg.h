#pragma once
// A message posted to one of the programs' hidden windows (a queued call to an object of a
// thread): the window, the message number and its two parameters, so that a queue can tell a
// message it already holds.

#include "klv_inet/support/klv_export.h"

#include <cstdint>

struct KlvWindowMsg
{
    uint64_t window = 0; // the receiving object's id
    unsigned message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
};

// 1 when window, message, wParam and lParam are all equal, else 0.
KLV_EXPORT int SameMsgs(const KlvWindowMsg& a, const KlvWindowMsg& b);
