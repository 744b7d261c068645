// What the PostgreSQL connection's tests share: the scripted client library (FakeServerLibrary.h)
// opened beside the driver's loader, a connection with its host description and error object, and
// readers of the errors it records.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "native/driver/NAError.h"
#include "native/driver/NAFunctionLoader.h"
#include "pgsql/PSQLConnection.h"
#include "pgsql/PSQLDriver.h"
#include "pgsql/PSQLStatementSQL.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/pgsql/FakeServerLibrary.h"

namespace pgtest {

inline std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}
inline std::string sOf(const wchar_t* psz) {
    std::string s;
    for (; psz != nullptr && *psz != 0; psz++) s += *psz < 128 ? static_cast<char>(*psz) : '?';
    return s;
}
inline std::wstring wsOrEmpty(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring();
}

inline const std::string& sFakeServerDir() {
    static const std::string s_s = KX_FAKESERVER_DIR;
    return s_s;
}

// The scripted client library of the given file (in the fake libraries' folder), opened for the
// test and put back to its defaults; the driver's loader starts empty and is emptied again at the
// end, so every test loads the library afresh.
class CFakeServer {
public:
    explicit CFakeServer(const std::string& sFile = "libkxfakeserver.so") : m_sPath(sFakeServerDir() + "/" + sFile) {
        CNAFunctionLoader::g_Term();
        m_h = dlopen(m_sPath.c_str(), RTLD_NOW);
        if (m_h == nullptr) {
            ADD_FAILURE() << dlerror();
            return;
        }
        auto pfn = reinterpret_cast<stFakeServerState* (*)()>(dlsym(m_h, "FakeServer_pState"));
        m_pstState = pfn != nullptr ? pfn() : nullptr;
        if (m_pstState != nullptr) m_pstState->Reset();
    }
    ~CFakeServer() {
        CNAFunctionLoader::g_Term();
        if (m_h != nullptr) dlclose(m_h);
    }
    CFakeServer(const CFakeServer&) = delete;
    CFakeServer& operator=(const CFakeServer&) = delete;

    stFakeServerState& st() { return *m_pstState; }
    const std::string& sPath() const { return m_sPath; }
    // The extended-information option that makes a connection load this library.
    std::wstring wsLibraryOption() const { return L"KX CLIENT LIBRARY=" + wsOf(m_sPath); }

private:
    std::string m_sPath;
    void* m_h = nullptr;
    stFakeServerState* m_pstState = nullptr;
};

// The process's driver object for the length of a test, as piQueryInterface makes it: the
// connections run their statements through its SQL-layer object, and the model asks it for its
// objects.
class CProcessDriver {
public:
    CProcessDriver() : m_pcl(new CPSQLDriver) {
        m_pcl->_RegisterAsLiveDriver();
        m_pcl->ExternalAddRef();
        m_pcl->AllocError();
    }
    ~CProcessDriver() { m_pcl->nExternalRelease(); }
    CProcessDriver(const CProcessDriver&) = delete;
    CProcessDriver& operator=(const CProcessDriver&) = delete;
    CPSQLDriver* operator->() const { return m_pcl; }
    CPSQLDriver* pcl() const { return m_pcl; }

private:
    CPSQLDriver* m_pcl;
};

// A PostgreSQL connection with the switches a test sets directly.
class CTestPSQLConnection : public CPSQLConnection {
public:
    using CPSQLConnection::CPSQLConnection;
    void SetServerUnicode(unsigned b) { m_bServerUnicode = b; }
    void SetServerVersion(unsigned n) { m_nServerVersion = n; }
    void SetServerMajorMinor(int nMajor, int nMinor) {
        m_nServerMajor = nMajor;
        m_nServerMinor = nMinor;
    }
    const wchar_t* pszGetExtendedInfoLeft() const { return m_csExtendedInfo.pszGet(); }
};

// An error object held by one reference, as the driver's callers hold theirs.
class CErrorRef {
public:
    CErrorRef() : m_p(new CNAError) { m_p->AddRef(); }
    ~CErrorRef() { m_p->nRelease(); }
    CErrorRef(const CErrorRef&) = delete;
    CErrorRef& operator=(const CErrorRef&) = delete;
    CNAError* operator->() const { return m_p; }
    CNAError* p() const { return m_p; }

private:
    CNAError* m_p;
};

// A connection over a host description, with one reference held by the test (the statements the
// open runs take and drop theirs).
class CConnection {
public:
    standin::CStandInConnectionDescription clHost;

    CConnection() {
        clHost.m_sDataBase = L"127.0.0.1";
        clHost.m_sUserName = L"tester";
    }
    ~CConnection() { Drop(); }
    CConnection(const CConnection&) = delete;
    CConnection& operator=(const CConnection&) = delete;

    // Made on first use, from the host description as it then stands.
    CTestPSQLConnection* operator->() { return pcl(); }
    CTestPSQLConnection* pcl() {
        if (m_pcl == nullptr) {
            m_pcl = new CTestPSQLConnection(L"Connection=test", &clHost);
            m_pcl->AddRef();
        }
        return m_pcl;
    }
    void Drop() {
        if (m_pcl != nullptr) m_pcl->nRelease();
        m_pcl = nullptr;
    }

private:
    CTestPSQLConnection* m_pcl = nullptr;
};

// A 32-bit information item travels in the pointer itself.
inline uint32_t dwInfo(const CXError* pclError, CXError::eERRORINFOTYPE eType) {
    const void* p = nullptr;
    if (!pclError->bGetInfo(eType, &p)) return 0xFFFFFFFF;
    uint32_t dw;
    memcpy(&dw, &p, sizeof(dw));
    return dw;
}

inline std::wstring wsDebugLine(unsigned nFile, unsigned nSite) {
    return L"IEKXPSQL=" + std::to_wstring(nFile) + L"." + std::to_wstring(nSite) +
           L"\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>";
}

// One recorded error: the main error (nIndex -1) or a sub-error.
struct stError {
    uint32_t nCode = 0;
    std::wstring sUser, sDebug;
    uint32_t nInfoCode = 0;
};
inline stError stGetError(const CNAError* pcl, int nIndex = -1) {
    const CXError* pclMain = pcl->pclGetXError();
    const CXError* pclError = nIndex < 0 ? pclMain : pclMain->pclGetSubError(nIndex);
    if (pclError == nullptr) return {};
    return {pclError->nGetUserErrorCode(), pclError->pszGetUserMessage(), pclError->pszGetDebugMessage(),
            dwInfo(pclError, CXError::EIT_NATIVECODE)};
}
inline int nErrorCount(const CNAError* pcl) {
    if (pcl->eGetErrorType() == NA_ERRORTYPE_NONE) return 0;
    return 1 + pcl->pclGetXError()->nGetNbSubError();
}
inline bool bContains(const std::wstring& s, const std::wstring& sPart) {
    return s.find(sPart) != std::wstring::npos;
}

}  // namespace pgtest
