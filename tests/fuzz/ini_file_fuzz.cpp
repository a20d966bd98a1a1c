// The update file's INI reader: sections, keys and values of any text.

#include "tests/fuzz/fuzz_target.h"

#include "klv_inet/webupdate/ini_file.h"

FUZZ_TARGET(ini_file)
{
    klv::KlvFuzzIniFile(data, size);
    return 0;
}
