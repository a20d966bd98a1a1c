#pragma once
// The saved state of one nesting level of a message dialog.

#include <string>

struct CMsgContext
{
    std::string lines[5];
    int bar1 = 0;
    int bar2 = 0;
};
