// CNAFunctionLoader: the one process-wide loader of the PostgreSQL client library. The first open
// of a connection finds and opens the library and binds the client function table
// (NAFunctionTable.h) by name; the library then stays loaded, shared by every connection, until
// the module stops. It runs under the caller's lock (the driver's), and takes none of its own.
//
// A library named without a directory is looked for beside the driver library first, then through
// the dynamic linker's own search; a library named with a directory is looked for there only.
#pragma once

#include "core/TString.h"

class CNAError;

class CNAFunctionLoader {
public:
    CNAFunctionLoader() = default;
    CNAFunctionLoader(const CNAFunctionLoader&) = delete;
    CNAFunctionLoader& operator=(const CNAFunctionLoader&) = delete;

    virtual ~CNAFunctionLoader();
    // Unloads the library when one is loaded.
    virtual void _Term();
    // The name loaded when the connection names none.
    virtual const wchar_t* _vpszGetLibraryName();

    // Loads the library (pszLibraryName, or the default name when null or empty) and, unless
    // bLoadOnly, binds the function table. pclLoadedPath receives the path of the file loaded.
    // 1 on success; 0 with user error 52 (not loaded) or 37 (a function is missing) added to the
    // error object.
    static int g_bInitNative(CNAError* pclError, CTString* pclLoadedPath, const wchar_t* pszLibraryName,
                             int bLoadOnly);
    // 1 when a library is loaded, also when its binding stopped at a missing function: a later open
    // does not try again.
    static int g_bLoaded();
    // Unloads the library, deletes the loader and puts every function back on its stub.
    static void g_Term();
    // The loaded library's handle; null when none is loaded.
    static void* g_hGetNativeLibHandle();
    // The directory of the file that holds the driver's own code (with its final '/'); 0 when it
    // cannot be found.
    static int g_bGetDriverDirectory(CTString* pclDirectory);

    int _bInitNative(CNAError* pclError, CTString* pclLoadedPath, const wchar_t* pszLibraryName, int bLoadOnly);
    void _GetLibraryName(CTString* pclName, int bLoadOnly);
    // The search for a name: its own directory only, or beside the driver then the linker's search.
    int _bLoadLibraryNative(unsigned* pnSystemError, const wchar_t* pszName);
    // One attempt: the file in the directory, or through the linker's search when there is none.
    int _bLoadLibraryNative(unsigned* pnSystemError, const wchar_t* pszFileName, const wchar_t* pszDirectory);

    // Every entry of the function table, or those from the nFrom-th of the bind order on, back on
    // its stub.
    static void s_ResetFunctionTable(int nFrom = 0);

private:
    static int _g_bInitLoader();
    int _bBindFunctions(CNAError* pclError);

    void* m_hLibrary = nullptr;
    // Where the library was found, when the search named a directory.
    CTString m_csLibraryDirectory;
    // What the dynamic linker said of the last failed attempt.
    CTString m_csLoadError;
};

// The loader, from the first load attempt to the module's stop.
extern CNAFunctionLoader* g_pclNAFunctionLoader;
