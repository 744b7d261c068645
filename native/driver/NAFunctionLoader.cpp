// CNAFunctionLoader: the search for the client library, its loading and unloading, and the binding
// of the function table.
#include "native/driver/NAFunctionLoader.h"

#include <dlfcn.h>
#include <link.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "core/XErrorModule.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/driver/NAFunctionTable.h"
#include "platform/DiskFile.h"
#include "core/platformwin/WinCodePage.h"
#include "platform/WinProcess.h"


CNAFunctionLoader* g_pclNAFunctionLoader = nullptr;

namespace {

constexpr unsigned CODEPAGE_UTF8 = 65001;
// Sites of this unit's debug lines.
constexpr int SITE_NOT_LOADED = 1;
constexpr int SITE_MISSING_ENTRY = 2;

std::string _sUTF8(const wchar_t* psz) {
    if (psz == nullptr || *psz == 0) return std::string();
    int n = WideCharToMultiByte(CODEPAGE_UTF8, 0, psz, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CODEPAGE_UTF8, 0, psz, -1, s.data(), n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

CTString _clFromUTF8(const char* psz) {
    CTString cl;
    if (psz != nullptr) cl.SetANSI(psz, CODEPAGE_UTF8);
    return cl;
}

// A path the dynamic linker recorded: kept as it is when absolute, so that it shows the name the
// library was asked by; made absolute when it was given relative to the working directory.
CTString _clAbsolute(const char* pszPath) {
    if (pszPath == nullptr || *pszPath == 0) return CTString();
    if (pszPath[0] == '/') return _clFromUTF8(pszPath);
    char szReal[PATH_MAX];
    return _clFromUTF8(realpath(pszPath, szReal) != nullptr ? szReal : pszPath);
}

// One row of the bind order: the exported name, whether the library may lack it, and how to store
// an address in its pointer (null stores the stub).
struct stEntry {
    const char* pszName;
    const wchar_t* pszWideName;
    int bOptional;
    void (*pfnSet)(void* p);
};

#define KX_PQ_ROW(name, optional)                                                                         \
    {#name, L## #name, optional, [](void* p) {                                                            \
         __##name = p != nullptr ? reinterpret_cast<decltype(&::name)>(p) : &DefaultError_##name;          \
     }},
const stEntry s_tabEntries[] = {KX_PQ_ENTRIES(KX_PQ_ROW)};
#undef KX_PQ_ROW
constexpr int NB_ENTRIES = sizeof(s_tabEntries) / sizeof(s_tabEntries[0]);
static_assert(NB_ENTRIES == 31);

// A failure of the loader: an error of this module with its debug line and its user code as
// information, added to the caller's error object with no connection.
void _AddLoaderError(CNAError* pclError, _CXErrorModule39& clError, uint32_t nCode, int nSite) {
    CNAError::g_AddDebugInfo(&clError, CNAError::FILE_FUNCTIONLOADER, nSite);
    clError.AddInfo(CXError::EIT_NATIVECODE, &nCode);
    pclError->AddError(NA_ERRORTYPE_GENERAL, &clError, nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------------- lifecycle

CNAFunctionLoader::~CNAFunctionLoader() = default;

void CNAFunctionLoader::_Term() {
    if (m_hLibrary != nullptr) {
        dlclose(m_hLibrary);
        m_hLibrary = nullptr;
    }
}

const wchar_t* CNAFunctionLoader::_vpszGetLibraryName() {
    return L"libpq.so";
}

int CNAFunctionLoader::_g_bInitLoader() {
    if (g_pclNAFunctionLoader == nullptr) g_pclNAFunctionLoader = new CNAFunctionLoader;
    return 1;
}

int CNAFunctionLoader::g_bInitNative(CNAError* pclError, CTString* pclLoadedPath, const wchar_t* pszLibraryName,
                                     int bLoadOnly) {
    _g_bInitLoader();
    return g_pclNAFunctionLoader->_bInitNative(pclError, pclLoadedPath, pszLibraryName, bLoadOnly);
}

int CNAFunctionLoader::g_bLoaded() {
    return g_pclNAFunctionLoader != nullptr && g_pclNAFunctionLoader->m_hLibrary != nullptr ? 1 : 0;
}

// The pointers would otherwise keep addresses inside the unloaded library, and a later call would
// jump there instead of reporting the function as unavailable.
void CNAFunctionLoader::g_Term() {
    if (g_pclNAFunctionLoader != nullptr) {
        g_pclNAFunctionLoader->_Term();
        delete g_pclNAFunctionLoader;
        g_pclNAFunctionLoader = nullptr;
    }
    s_ResetFunctionTable();
}

void* CNAFunctionLoader::g_hGetNativeLibHandle() {
    return g_pclNAFunctionLoader != nullptr ? g_pclNAFunctionLoader->m_hLibrary : nullptr;
}

void CNAFunctionLoader::s_ResetFunctionTable(int nFrom) {
    for (int i = nFrom < 0 ? 0 : nFrom; i < NB_ENTRIES; i++) s_tabEntries[i].pfnSet(nullptr);
}

// ---------------------------------------------------------------------------------- search

// The file that holds this code: the driver library, or the program when the driver is linked
// into it. The host program's own directory is not where the driver's files lie.
int CNAFunctionLoader::g_bGetDriverDirectory(CTString* pclDirectory) {
    pclDirectory->Vide();
    Dl_info stInfo{};
    link_map* pstMap = nullptr;
    CTString clPath;
    if (dladdr1(reinterpret_cast<void*>(&CNAFunctionLoader::g_bGetDriverDirectory), &stInfo,
                reinterpret_cast<void**>(&pstMap), RTLD_DL_LINKMAP) != 0 &&
        pstMap != nullptr && pstMap->l_name != nullptr && pstMap->l_name[0] != 0)
        clPath = _clAbsolute(pstMap->l_name);
    else if (!CNAConnectionDescription::g_bGetModuleFileName(nullptr, &clPath))
        return 0;
    if (clPath.nTaille() == 0) return 0;
    size_t n = static_cast<size_t>(clPath.nTaille());
    std::vector<wchar_t> aDirectory(n + 1), aName(n + 1);
    CDiskFile::__SplitPath(clPath.pszGet(), aDirectory.data(), aName.data());
    pclDirectory->Set(aDirectory.data());
    return pclDirectory->nTaille() != 0 ? 1 : 0;
}

void CNAFunctionLoader::_GetLibraryName(CTString* pclName, int bLoadOnly) {
    if (bLoadOnly == 0) pclName->Set(_vpszGetLibraryName());
}

int CNAFunctionLoader::_bLoadLibraryNative(unsigned* pnSystemError, const wchar_t* pszName) {
    size_t n = wcslen(pszName);
    std::vector<wchar_t> aDirectory(n + 1), aFileName(n + 1);
    CDiskFile::__SplitPath(pszName, aDirectory.data(), aFileName.data());
    if (aDirectory[0] != 0) return _bLoadLibraryNative(pnSystemError, aFileName.data(), aDirectory.data());
    CTString clDriverDirectory;
    if (g_bGetDriverDirectory(&clDriverDirectory) &&
        _bLoadLibraryNative(pnSystemError, aFileName.data(), clDriverDirectory.pszGet()))
        return 1;
    return _bLoadLibraryNative(pnSystemError, aFileName.data(), nullptr);
}

// The directory and the file name are joined: dlopen never looks in the working directory for a
// name without a '/', so changing directory would not make it load the file found there.
int CNAFunctionLoader::_bLoadLibraryNative(unsigned* pnSystemError, const wchar_t* pszFileName,
                                           const wchar_t* pszDirectory) {
    const bool bDirectory = pszDirectory != nullptr && *pszDirectory != 0;
    std::string sPath;
    if (bDirectory) {
        sPath = _sUTF8(pszDirectory);
        if (sPath.back() != '/') sPath += '/';
    }
    sPath += _sUTF8(pszFileName);
    dlerror();
    errno = 0;
    m_hLibrary = sPath.empty() ? nullptr : dlopen(sPath.c_str(), RTLD_NOW);
    if (m_hLibrary == nullptr) {
        if (pnSystemError != nullptr) *pnSystemError = static_cast<unsigned>(errno);
        const char* pszError = dlerror();
        m_csLoadError = _clFromUTF8(pszError != nullptr ? pszError : "");
        return 0;
    }
    if (bDirectory) m_csLibraryDirectory.Set(pszDirectory);
    return 1;
}

// ---------------------------------------------------------------------------------- load and bind

int CNAFunctionLoader::_bInitNative(CNAError* pclError, CTString* pclLoadedPath, const wchar_t* pszLibraryName,
                                    int bLoadOnly) {
    CTString clDefault;
    if (pszLibraryName == nullptr || *pszLibraryName == 0) {
        _GetLibraryName(&clDefault, bLoadOnly);
        pszLibraryName = clDefault.pszGet() != nullptr ? clDefault.pszGet() : L"";
    }

    unsigned nSystemError = 0;
    if (*pszLibraryName == 0 || !_bLoadLibraryNative(&nSystemError, pszLibraryName)) {
        if (pclError != nullptr) {
            _CXErrorModule39 clError(52u, L"PostgreSQL", pszLibraryName, 64);
            clError.SetSystemErrorMessage(m_csLoadError.pszGet() != nullptr ? m_csLoadError.pszGet() : L"");
            _AddLoaderError(pclError, clError, 52u, SITE_NOT_LOADED);
        }
        return 0;
    }

    // The path of the file the dynamic linker opened, not the program's.
    if (pclLoadedPath != nullptr) {
        link_map* pstMap = nullptr;
        if (dlinfo(m_hLibrary, RTLD_DI_LINKMAP, &pstMap) == 0 && pstMap != nullptr)
            *pclLoadedPath = _clAbsolute(pstMap->l_name);
        else
            pclLoadedPath->Vide();
    }
    if (bLoadOnly != 0) return 1;
    return _bBindFunctions(pclError);
}

// A missing required function ends the binding. It and every entry after it are put on their
// stubs, so that none keeps an address from a library loaded before; the library stays loaded.
int CNAFunctionLoader::_bBindFunctions(CNAError* pclError) {
    for (int i = 0; i < NB_ENTRIES; i++) {
        const stEntry& stRow = s_tabEntries[i];
        void* p = dlsym(m_hLibrary, stRow.pszName);
        stRow.pfnSet(p);
        if (p == nullptr && !stRow.bOptional) {
            s_ResetFunctionTable(i);
            if (pclError != nullptr) {
                _CXErrorModule39 clError(37u, stRow.pszWideName);
                _AddLoaderError(pclError, clError, 37u, SITE_MISSING_ENTRY);
            }
            return 0;
        }
    }
    return 1;
}
