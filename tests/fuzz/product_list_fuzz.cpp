// The product list of the update file: the names an application's section offers.

#include "tests/fuzz/fuzz_target.h"

#include "klv_inet/webupdate/product_names.h"

FUZZ_TARGET(product_list)
{
    klv::KlvFuzzProductList(data, size);
    return 0;
}
