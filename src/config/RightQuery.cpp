#include "config/RightQuery.h"

namespace kel {

TRightQuery* GlobalRightQuery = nullptr;

} // namespace kel
