// The installer's error-definition table (module 39): the archive facade's result codes, used as
// user error codes, with the message id of their text and their level. Every code the facade gives
// has a row, so that every failed entry is reported for what it is; code 13 is the reader's own
// for a CRC mismatch, which the facade folds into its read failure (30) and the installer reports
// apart. The row count is part of the module description (gstMyModuleInfo39).
#include <iterator>

#include "core/MyModuleInfo.h"

// {user error code, message id, detail id, level}
// clang-format off
const _stErrorDef gstErrorDef39[13] = {
    {1, 28598, 0, 2},
    {2, 28594, 0, 2},
    {3, 28595, 0, 2},
    {4, 28610, 0, 2},
    {5, 28599, 0, 2},
    {9, 28616, 0, 2},
    {13, 28603, 0, 2},
    {21, 28600, 0, 2},
    {28, 28601, 0, 2},
    {30, 28602, 0, 2},
    {105, 28608, 0, 3},
    {1000, 28597, 0, 3},
    {1001, 28605, 0, 3},
};
// clang-format on
static_assert(std::size(gstErrorDef39) == 13);
