// The driver's error-definition table (module 39): user error code, message id of the user text,
// detail id and error level of each error the driver raises. Placeholder rows until the table is
// filled in; the row count is part of the module description.
#include <iterator>

#include "core/MyModuleInfo.h"

const _stErrorDef gstErrorDef39[83] = {};
static_assert(std::size(gstErrorDef39) == 83);
