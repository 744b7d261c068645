// The installer's error-definition table (module 39): the archive facade's result codes, used as
// user error codes, with the message id of their text and their level. A result code without a row
// here (5, 21, 28, 30) makes no report of its own; the installer's final failure message follows.
// The row count is part of the module description (gstMyModuleInfo39).
#include <iterator>

#include "core/MyModuleInfo.h"

// {user error code, message id, detail id, level}
// clang-format off
const _stErrorDef gstErrorDef39[8] = {
    {1, 28598, 0, 2},
    {2, 28594, 0, 2},
    {3, 28595, 0, 2},
    {4, 28610, 0, 2},
    {9, 28616, 0, 2},
    {105, 28608, 0, 3},
    {1000, 28597, 0, 3},
    {1001, 28605, 0, 3},
};
// clang-format on
static_assert(std::size(gstErrorDef39) == 8);
