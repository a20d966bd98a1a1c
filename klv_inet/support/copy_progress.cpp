#include "klv_inet/support/copy_progress.h"

namespace klv {

CopyProgress::~CopyProgress() = default;

} // namespace klv
