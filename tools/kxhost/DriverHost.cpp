// CDriverHost: loading and starting the driver library as the host does, the connection the host
// describes, the tables it opens, and its reading of error objects.
#include "tools/kxhost/DriverHost.h"

#include <dlfcn.h>

#include <codecvt>
#include <cstring>
#include <locale>

#include "core/BaseExecutionDLL.h"
#include "core/HostInterfaces.h"
#include "core/InformationDLL.h"
#include "core/XError.h"
#include "native/model/NAYFRecord.h"
#include "host/EmulatedHost.h"
#include "variant/Any.h"
#include "variant/VQCalc.h"
#include "variant/VQConv.h"

namespace {

// The module id and version the host announces in the handshake.
constexpr int HOST_MODULE_ID = 7;
constexpr unsigned HOST_VERSION = 32;

template <typename PFN>
PFN pfnFind(void* hLibrary, const char* pszName) {
    return reinterpret_cast<PFN>(dlsym(hLibrary, pszName));
}

std::wstring wsOrEmpty(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring();
}

}  // namespace

std::wstring g_wsFromUtf8(const std::string& s) {
    std::wstring_convert<std::codecvt_utf8<wchar_t>> clConvert("?", L"?");
    return clConvert.from_bytes(s);
}

std::string g_sToUtf8(const std::wstring& ws) {
    std::wstring_convert<std::codecvt_utf8<wchar_t>> clConvert("?", L"?");
    return clConvert.to_bytes(ws);
}

CDriverHost::CDriverHost() : m_clContext(1, 1) {
    // The host's own copy of the common runtime uses the host's allocator and locale services.
    standin::Reset();
    CInformationModule::ms_piStrMemAlloc = standin::piGetAllocator();
    CInformationDLL::ms_piInfoLocale = standin::piGetInfoLocale();
    bInitVQConvFromVM(static_cast<HINSTANCE>(standin::hGetModule()), 2, 2);
    bInitVQCalcFromVM(static_cast<HINSTANCE>(standin::hGetModule()), 2, 2);
    m_clConnection.m_sConnectionName = L"KXHOST";
    // The host leaves the block size to the driver (automatic) unless an option sets it.
    m_clConnection.m_llCacheSize = -2;
}

CDriverHost::~CDriverHost() {
    Close();
}

bool CDriverHost::bLoad(const std::string& sLibrary, std::string* psError) {
    m_hLibrary = dlopen(sLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_hLibrary == nullptr) {
        *psError = dlerror();
        return false;
    }
    auto pfnCompatible = pfnFind<int (*)(int, unsigned, unsigned*)>(m_hLibrary, "bDLLCompatible");
    auto pfnInit = pfnFind<int (*)(void*)>(m_hLibrary, "bInitLibrary");
    auto pfnQuery = pfnFind<INADriver* (*)(int)>(m_hLibrary, "piQueryInterface");
    auto pfnConv = pfnFind<int (*)(HINSTANCE, int, int)>(m_hLibrary, "bInitVQConvFromVM");
    auto pfnCalc = pfnFind<int (*)(HINSTANCE, int, int)>(m_hLibrary, "bInitVQCalcFromVM");
    m_pfnExecution = pfnFind<intptr_t (*)(uint32_t, intptr_t)>(m_hLibrary, "Execution");
    if (pfnCompatible == nullptr || pfnInit == nullptr || pfnQuery == nullptr || pfnConv == nullptr ||
        pfnCalc == nullptr || m_pfnExecution == nullptr) {
        *psError = sLibrary + ": not a driver library (an entry is missing)";
        return false;
    }
    unsigned nDriverVersion = 0;
    if (!pfnCompatible(HOST_MODULE_ID, HOST_VERSION, &nDriverVersion)) {
        *psError = sLibrary + ": refuses host version " + std::to_string(HOST_VERSION);
        return false;
    }
    if (!pfnInit(m_hLibrary)) {
        *psError = sLibrary + ": the library start failed";
        return false;
    }
    HINSTANCE hHost = static_cast<HINSTANCE>(standin::hGetModule());
    _stINITDLL stStart{sizeof(_stINITDLL), hHost, 0, 0, nullptr};
    if (m_pfnExecution(EXECUTION_START, reinterpret_cast<intptr_t>(&stStart)) != 1) {
        *psError = sLibrary + ": the start notice failed";
        return false;
    }
    if (!pfnConv(hHost, 2, 2) || !pfnCalc(hHost, 2, 2)) {
        *psError = sLibrary + ": the host's conversions could not be bound";
        return false;
    }
    m_piDriver = pfnQuery(0);
    if (m_piDriver == nullptr) {
        *psError = sLibrary + ": no driver object";
        return false;
    }
    return true;
}

void CDriverHost::SetConnection(const std::string& sConnect, const std::vector<std::string>& asOptions) {
    // The libpq keywords the host's description has a place for; any other goes on as an option,
    // which the driver passes to the client library as it stands.
    std::wstring wsExtended;
    size_t n = 0;
    while (n < sConnect.size()) {
        while (n < sConnect.size() && isspace(static_cast<unsigned char>(sConnect[n]))) n++;
        if (n >= sConnect.size()) break;
        size_t nEqual = sConnect.find('=', n);
        if (nEqual == std::string::npos) break;
        std::string sKey = sConnect.substr(n, nEqual - n);
        while (!sKey.empty() && isspace(static_cast<unsigned char>(sKey.back()))) sKey.pop_back();
        n = nEqual + 1;
        while (n < sConnect.size() && isspace(static_cast<unsigned char>(sConnect[n]))) n++;
        std::string sValue;
        if (n < sConnect.size() && sConnect[n] == '\'') {
            for (n++; n < sConnect.size() && sConnect[n] != '\''; n++) {
                if (sConnect[n] == '\\' && n + 1 < sConnect.size()) n++;
                sValue += sConnect[n];
            }
            n++;
        } else {
            while (n < sConnect.size() && !isspace(static_cast<unsigned char>(sConnect[n]))) sValue += sConnect[n++];
        }
        const std::wstring wsValue = g_wsFromUtf8(sValue);
        if (sKey == "host" || sKey == "hostaddr")
            m_clConnection.m_sDataBase = wsValue;
        else if (sKey == "port")
            wsExtended += L"Server Port=" + wsValue + L";";
        else if (sKey == "dbname")
            wsExtended += L"Initial Catalog=" + wsValue + L";";
        else if (sKey == "user")
            m_clConnection.m_sUserName = wsValue;
        else if (sKey == "password")
            m_clConnection.m_sPassword = wsValue;
        else
            wsExtended += g_wsFromUtf8(sKey) + L"=" + wsValue + L";";
    }
    // Whatever the string leaves out, libpq takes from its environment; the description takes it
    // too, so that the driver's messages name the server, database and user it reached.
    auto vFromEnvironment = [](std::optional<std::wstring>* pws, const char* pszVariable) {
        const char* psz = getenv(pszVariable);
        if ((!pws->has_value() || (*pws)->empty()) && psz != nullptr && *psz != 0) *pws = g_wsFromUtf8(psz);
    };
    vFromEnvironment(&m_clConnection.m_sDataBase, "PGHOST");
    vFromEnvironment(&m_clConnection.m_sUserName, "PGUSER");
    const char* pszDatabase = getenv("PGDATABASE");
    if (wsExtended.find(L"Initial Catalog=") == std::wstring::npos && pszDatabase != nullptr && *pszDatabase != 0)
        wsExtended += L"Initial Catalog=" + g_wsFromUtf8(pszDatabase) + L";";
    for (const std::string& sOption : asOptions) wsExtended += g_wsFromUtf8(sOption) + L";";
    if (!wsExtended.empty()) m_clConnection.m_sExtendedInfo = wsExtended;
}

bool CDriverHost::bOpenConnection(std::wstring* pwsError) {
    if (m_bConnectionOpened) return true;
    if (!m_piDriver->bOpenConnection(&m_clConnection)) {
        *pwsError = wsDriverError();
        return false;
    }
    m_bConnectionOpened = true;
    return true;
}

stHostTable* CDriverHost::pstTable(const std::wstring& wsName, std::wstring* pwsError) {
    auto it = m_mapTables.find(wsName);
    if (it != m_mapTables.end()) return it->second.get();
    if (!bOpenConnection(pwsError)) return nullptr;

    auto pst = std::make_unique<stHostTable>();
    pst->wsName = wsName;
    pst->piDescription = m_piDriver->piGetTableDesc(wsName.c_str(), &m_clConnection);
    if (pst->piDescription == nullptr) {
        *pwsError = wsDriverError();
        return nullptr;
    }
    pst->piTable = m_piDriver->piGetTable(&m_clConnection, pst->piDescription);
    if (pst->piTable == nullptr) {
        *pwsError = wsDriverError();
        pst->piDescription->nExternalRelease();
        return nullptr;
    }
    if (!pst->piTable->bHOuvre(&pst->clContext, static_cast<eNA_ACCESS>(0), L"")) {
        *pwsError = wsTableError(pst.get());
        pst->piTable->nExternalRelease();
        pst->piDescription->nExternalRelease();
        return nullptr;
    }
    const unsigned nItems = pst->piDescription->nGetNumItems();
    const unsigned nMemos = pst->piDescription->nGetNumMemos();
    for (unsigned n = 0; n < nItems; n++) {
        // Every item handed out carries an external reference: the table keeps the ones it reads
        // and gives back the others at once.
        INAItemDescription* piItem = pst->piDescription->piNAGetItem(n);
        if (piItem == nullptr) continue;
        int nMemo = -1;
        if (piItem->bMemo())
            for (unsigned m = 0; m < nMemos; m++) {
                INAItemDescription* piMemo = pst->piDescription->piNAGetMemo(m);
                if (piMemo == nullptr) continue;
                if (piMemo == piItem) nMemo = static_cast<int>(m);
                piMemo->nExternalRelease();
            }
        pst->apiItems.push_back(piItem);
        pst->anMemo.push_back(nMemo);
        pst->anPlace.push_back(piItem->nGetPhysicalIndice());
    }
    stHostTable* pstResult = pst.get();
    m_mapTables[wsName] = std::move(pst);
    return pstResult;
}

bool CDriverHost::bReadItem(stHostTable* pst, CNAYFRecord* pclRecord, size_t nItem, CAny* pclValue) {
    if (pst->anMemo[nItem] >= 0)
        return pst->piTable->bGetBLOB(&pst->clContext, static_cast<unsigned>(pst->anMemo[nItem]), pclValue) != 0;
    pclRecord->vGetItemValue(pclValue, pst->apiItems[nItem], 0);
    // The NULL bits are the host's own record layout: read in place at the item's place, found when
    // the table was opened.
    if (!pclRecord->bPlaceDefined(pst->anPlace[nItem])) pclValue->SetNull(1);
    return true;
}

std::wstring CDriverHost::s_wsErrorText(const INAError* piError) {
    if (piError == nullptr) return L"(no error object)";
    const CXError* pclError = piError->pclGetXError();
    if (pclError == nullptr) return wsOrEmpty(piError->pszGetError());
    std::wstring ws = L"error " + std::to_wstring(piError->dwGetErrorId()) + L": " +
                      wsOrEmpty(pclError->pszGetUserMessage());
    // The messages end their lines the host's way ("\r\n"): one line end each on this terminal.
    for (size_t n; (n = ws.find(L'\r')) != std::wstring::npos;) ws.erase(n, 1);
    while (!ws.empty() && ws.back() == L'\n') ws.pop_back();
    if (pclError->dwGetSystemErrorCode() != 0 || *pclError->pszGetSystemErrorMessage() != 0) {
        std::wstring wsServer = pclError->pszGetSystemErrorMessage();
        for (size_t n; (n = wsServer.find(L'\r')) != std::wstring::npos;) wsServer.erase(n, 1);
        while (!wsServer.empty() && wsServer.back() == L'\n') wsServer.pop_back();
        ws += L"\n  server code " + std::to_wstring(pclError->dwGetSystemErrorCode()) + L": " + wsServer;
    }
    std::wstring wsDebug = pclError->pszGetDebugMessage();
    for (size_t n; (n = wsDebug.find(L"\r\n")) != std::wstring::npos;) wsDebug.replace(n, 2, L" ");
    while (!wsDebug.empty() && (wsDebug.back() == L' ' || wsDebug.back() == L'\n')) wsDebug.pop_back();
    if (!wsDebug.empty()) ws += L"\n  debug: " + wsDebug;
    return ws;
}

std::wstring CDriverHost::wsDriverError() const {
    return s_wsErrorText(m_piDriver->piGetLastError());
}

std::wstring CDriverHost::wsTableError(stHostTable* pst) {
    return s_wsErrorText(pst->piTable->piGetLastError(&pst->clContext));
}

void CDriverHost::Close() {
    for (auto& [wsName, pst] : m_mapTables) {
        pst->piTable->bHFerme(&pst->clContext);
        if (m_piDriver != nullptr) m_piDriver->bCloseContext(&pst->clContext);
        pst->piTable->nExternalRelease();
        for (INAItemDescription* piItem : pst->apiItems) piItem->nExternalRelease();
        pst->piDescription->nExternalRelease();
    }
    m_mapTables.clear();
    if (m_piDriver != nullptr) {
        m_piDriver->bCloseContext(&m_clContext);
        if (m_bConnectionOpened) m_piDriver->bCloseConnection(&m_clConnection);
        m_piDriver->nExternalRelease();
        m_piDriver = nullptr;
    }
    m_bConnectionOpened = false;
    if (m_hLibrary != nullptr) {
        if (m_pfnExecution != nullptr) m_pfnExecution(EXECUTION_END, 0);
        auto pfnTerm = pfnFind<int (*)()>(m_hLibrary, "TermLibrary");
        if (pfnTerm != nullptr) pfnTerm();
        // The library stays mapped until the process ends, as the host keeps it: the client library
        // it loaded does not give back what it set up for its threads when unloaded.
        m_hLibrary = nullptr;
    }
}
