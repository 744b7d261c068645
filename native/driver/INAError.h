// INAError: the error object as the host reads it after a driver or table operation answered 0,
// with the error kinds and levels it reports. The entry order is binary interface (the host calls
// through the virtual table); the reserved entries keep the later ones in place.
#pragma once

#include <cstdint>

#include "native/driver/INAVersion.h"

class CXError;

// The kind of the main error; -1 while nothing is recorded.
enum eNA_ERRORTYPE : int32_t {
    NA_ERRORTYPE_NONE = -1,
    NA_ERRORTYPE_GENERAL = 0,
    NA_ERRORTYPE_DUPLICATE = 3,
    NA_ERRORTYPE_NOTAVAILABLE = 7,
    NA_ERRORTYPE_NULLNOTALLOWED = 8,
    NA_ERRORTYPE_CONNECTIONLOST = 10,
};

// The level of the main error: 1 no error, 2 and 3 the two severities of the error table.
enum eNAERRORLEVEL : uint32_t {
    NA_ERRORLEVEL_NOERROR = 1,
    NA_ERRORLEVEL_WARNING = 2,
    NA_ERRORLEVEL_ERROR = 3,
};

class INAError : public INAVersion {
public:
    // The whole error, its sub-errors included, as a text that lives until the next call or reset.
    virtual const wchar_t* pszGetError() const = 0;
    // The user error code of the main error; 0 when nothing is recorded.
    virtual uint32_t dwGetErrorId() const = 0;
    virtual eNA_ERRORTYPE eGetErrorType() const = 0;
    virtual const wchar_t* pszGetLogicalTableName() const = 0;
    virtual const wchar_t* pszGetItemName() const = 0;
    virtual CXError* pclGetXError() const = 0;
    virtual eNAERRORLEVEL eGetErrorLevel() const = 0;
    virtual void EmptySlot52() {}
    virtual void EmptySlot53() {}
    virtual void EmptySlot54() {}
    virtual void EmptySlot55() {}
    virtual void EmptySlot56() {}

protected:
    INAError() = default;
    INAError(const INAError&) = default;
    INAError& operator=(const INAError&) = default;
    ~INAError() = default;
};
