#include "klv_inet/support/window_msg.h"

int SameMsgs(const KlvWindowMsg& a, const KlvWindowMsg& b)
{
    return a.window == b.window && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam ? 1
                                                                                                          : 0;
}
