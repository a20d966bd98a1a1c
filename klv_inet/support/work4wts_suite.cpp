// The product suite test of CWork4WTS.
#include "klv_inet/support/work4wts.h"

#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/store_access.h"

int CWork4WTS::ValidateProductSuite(const char* suite)
{
    if (!suite)
        return 0;
    klv::store::Value v;
    if (!klv::store::readValue(platform::RegRoot::LocalMachine,
                               "System\\CurrentControlSet\\Control\\ProductOptions", "ProductSuite", v) ||
        v.type != KLV_REG_MULTI_SZ || v.data.empty())
        return 0;
    const std::string want = suite;
    size_t start = 0;
    while (start < v.data.size()) {
        size_t end = start;
        while (end < v.data.size() && v.data[end] != 0)
            ++end;
        if (end > start && std::string(v.data.begin() + static_cast<long>(start),
                                       v.data.begin() + static_cast<long>(end)) == want)
            return 1;
        start = end + 1;
    }
    return 0;
}
