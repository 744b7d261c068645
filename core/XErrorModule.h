// _CXErrorModule39: the error object bound to this library's own module description
// (gstMyModuleInfo39): its user codes are those of this library's error-definition table. The
// raising operations it relies on (SetUserError, SetAnyError, SetErrorNoMemory, ...) are members of
// CXError, defined in XErrorModule.cpp.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "core/MyModuleInfo.h"
#include "core/XError.h"

class _CXErrorModule39 : public CXError {
public:
    // An empty error (level 1).
    _CXErrorModule39() : CXError(&gstMyModuleInfo39) {}
    // The user error nCode of this library's table, its message formatted with the arguments.
    explicit _CXErrorModule39(uint32_t nCode, ...);
    _CXErrorModule39(const _CXErrorModule39& clSource) : CXError(&gstMyModuleInfo39, clSource) {}
};

// Same layout and virtual table as CXError: the host sees it as one.
static_assert(sizeof(_CXErrorModule39) == sizeof(CXError));
