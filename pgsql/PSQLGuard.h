// The guard around every call into the PostgreSQL client library, and the way the PostgreSQL
// classes raise an error of the driver's table.
//
// A client-library call runs inside g_bPSQLCall: whatever it throws stays in the driver. A function
// the loaded library lacks is bound to a stub that throws the function's name as a CTString; that
// becomes user error 37 naming it. Anything else thrown becomes user error 23. Each call site gives
// its source unit and site, which the error's debug line names. A crash inside the library is not
// an exception and is not caught.
#pragma once

#include <cxxabi.h>

#include "core/TString.h"
#include "native/driver/INAError.h"

class CNAConnectionDescription;
class CNAError;

// Records a fault caught around a client-library call: pclMissingEntry is the name a stub threw,
// null for any other fault. A missing entry with no error object is dropped; any other fault with
// no error object goes to the driver object's own. A fault caught while a statement runs names
// the statement's connection (pclStatementCnx): the driver object is then told of it with that error
// object and the connection (its fatal-error entry), which a fault elsewhere does not do.
void g_PSQLRecordFault(CNAError* pclError, unsigned nFile, unsigned nSite, const CTString* pclMissingEntry,
                       CNAConnectionDescription* pclStatementCnx = nullptr);

// Adds to pclError (nothing when null) the user error nCode of the driver's table with its message
// arguments, the code as information 16 and the debug line of (nFile, nSite), with the connection's
// details.
void g_PSQLAddError(CNAError* pclError, eNA_ERRORTYPE eType, unsigned nFile, unsigned nSite,
                    CNAConnectionDescription* pclCnx, unsigned nCode, ...);

// Gives the error already recorded in pclError the kind eType (nothing when none is recorded).
void g_PSQLSetErrorType(CNAError* pclError, eNA_ERRORTYPE eType);

// Runs fnCall (which makes one client-library call and keeps its result); 1 when it returned, 0
// when it threw, the fault then recorded as above. A statement's calls name its connection; other
// calls give none (the form without it).
template <class F>
int g_bPSQLCall(CNAError* pclError, CNAConnectionDescription* pclStatementCnx, unsigned nFile, unsigned nSite,
                F&& fnCall) {
    try {
        fnCall();
        return 1;
    } catch (const CTString& clMissingEntry) {
        g_PSQLRecordFault(pclError, nFile, nSite, &clMissingEntry);
    } catch (abi::__forced_unwind&) {
        // A cancelled thread unwinds through here: that is not the library's fault to report.
        throw;
    } catch (...) {
        g_PSQLRecordFault(pclError, nFile, nSite, nullptr, pclStatementCnx);
    }
    return 0;
}

template <class F>
int g_bPSQLCall(CNAError* pclError, unsigned nFile, unsigned nSite, F&& fnCall) {
    return g_bPSQLCall(pclError, nullptr, nFile, nSite, static_cast<F&&>(fnCall));
}
