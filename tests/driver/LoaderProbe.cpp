// A shared object of its own that carries the driver's loader, as the driver library does, so
// that the loader's tests can tell the directory of the driver's file from the program's. It lies
// in a directory of its own, beside a fake client library that nothing else can find.
#include <cwchar>

#include "native/driver/NAFunctionLoader.h"
#include "native/driver/NAFunctionTable.h"

#define PROBE_API extern "C" __attribute__((visibility("default")))

namespace {
void _Copy(const CTString& cl, wchar_t* pszOut, size_t nRoom) {
    const wchar_t* psz = cl.pszGet() != nullptr ? cl.pszGet() : L"";
    wcsncpy(pszOut, psz, nRoom - 1);
    pszOut[nRoom - 1] = 0;
}
}  // namespace

// Loads and binds the library by name with this object's loader; the path loaded and what the
// bound PQstatus answers come back; the library is unloaded again.
PROBE_API int KxProbeLoad(const wchar_t* pszName, wchar_t* pszLoaded, size_t nRoom, int* pnStatus) {
    CTString clLoaded;
    int bLoaded = CNAFunctionLoader::g_bInitNative(nullptr, &clLoaded, pszName, 0);
    _Copy(clLoaded, pszLoaded, nRoom);
    *pnStatus = bLoaded ? static_cast<int>(__PQstatus(nullptr)) : -1;
    CNAFunctionLoader::g_Term();
    return bLoaded;
}

PROBE_API int KxProbeDriverDirectory(wchar_t* pszOut, size_t nRoom) {
    CTString clDirectory;
    int bFound = CNAFunctionLoader::g_bGetDriverDirectory(&clDirectory);
    _Copy(clDirectory, pszOut, nRoom);
    return bFound;
}
