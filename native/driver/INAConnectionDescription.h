// INAConnectionDescription: the host's description of a connection, as the driver calls it. It is
// the host's object: the driver never makes or deletes one, and holds one external reference on it
// for each connection description of its own. Binary interface: the operations sit at fixed
// positions counted from 0 at the virtual-table pointer, the positions the driver never calls
// included, and no virtual destructor may shift them.
#pragma once

#include <cstdint>

#include "native/driver/INAVersion.h"

// Access mode of a connection; the driver only tells read-only from the rest.
enum eNA_ACCESS : int32_t {
    NA_ACCESS_READONLY = 1,
};

// The host's record of a connection as pclGetConnectionInfo hands it out. The driver reads its
// name text only, at the start of the record; the rest belongs to the host.
struct stNAConnectionInfo {
    const wchar_t* pszName;
};

// Texts are wide, zero-terminated and owned by the host; a null text means absent.
class INAConnectionDescription : public INAVersion {
public:
    // 5-6: each connection description of the driver holds one external reference for its life.
    virtual void ExternalAddRef() = 0;
    virtual int nExternalRelease() = 0;
    // 7-10
    virtual const wchar_t* pszGetUserName() = 0;
    virtual const wchar_t* pszGetPassword() = 0;
    virtual const wchar_t* pszGetDataBase() = 0;  // the server's address for PostgreSQL
    virtual const wchar_t* pszGetDescription() = 0;
    // 11-13
    virtual eNA_ACCESS eGetAccess() = 0;
    virtual int nGetNbParam() = 0;
    virtual void* pclGetParam(int nIndex) = 0;
    // 14: may hold an "Initial Catalog" pair.
    virtual const wchar_t* pszGetProvider() = 0;
    // 15-16: seconds, -1 for none.
    virtual int nGetConnectionTimeout() = 0;
    virtual int nGetCommandTimeout() = 0;
    // 17: key "=" value pairs separated by ";".
    virtual const wchar_t* pszGetExtendedInfo() = 0;
    // 18
    virtual const stNAConnectionInfo* pclGetConnectionInfo() = 0;
    // 19: bit 0 server cursor, bit 1 client cursor.
    virtual long lGetCursorOptions() = 0;
    // 20: not called by the driver.
    virtual void vReserved20() = 0;
    // 21-22: the cache size is asked only of a description whose version is above 3.
    virtual const wchar_t* pszGetDefaultDataBase() = 0;
    virtual int64_t llGetCacheSize() = 0;
    // 23-24: not called by the driver.
    virtual void vReserved23() = 0;
    virtual void vReserved24() = 0;
    // 25
    virtual const wchar_t* pszGetLogicalConnectionName() = 0;

protected:
    ~INAConnectionDescription() = default;
};
