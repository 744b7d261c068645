// The PostgreSQL driver object over the test server, as the host reaches a table: a connection
// made from a stand-in host's connection description, the table's description read from the
// catalogue, and a data access over it, opened. It keeps what it made and gives it back when it
// ends. The stand-in host (allocator, locale, conversions) is installed by the caller first.
#pragma once

#include <string>
#include <vector>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/StandInConnectionDescription.h"

namespace pgtest {

class CServerDriver {
public:
    CServerDriver() = default;
    ~CServerDriver() { Stop(); }
    CServerDriver(const CServerDriver&) = delete;
    CServerDriver& operator=(const CServerDriver&) = delete;

    // Makes the driver object and the error object the accesses share.
    void Start();
    // Gives back every access, description and connection, then the driver object.
    void Stop();

    CPSQLDriver* pclDriver() const { return m_pclDriver; }
    CNAError* pclError() const { return m_pclError; }

    // An opened access over the server's table (its name as the catalogue knows it), the
    // connection taking the options after the sandbox's port and database; null when it cannot be
    // made, with the reason in sFailure().
    CNADataAccess* pclOpen(const wchar_t* pszTable, const std::wstring& wsOptions = L"KX Cache Size=20;",
                           const wchar_t* pszConnectionName = L"SEEKCNX");
    // The steps of pclOpen, each kept until the end: a host's connection description reaching the
    // sandbox (at the port given, if one is); the driver's connection of it; the description of a
    // table read from the catalogue; a description made elsewhere (its reference is taken over); an
    // access, not opened.
    standin::CStandInConnectionDescription* pclHost(const wchar_t* pszConnectionName, const std::wstring& wsOptions,
                                                    const std::wstring& wsPort = L"");
    CNAConnectionDescription* pclConnection(standin::CStandInConnectionDescription* pclHost);
    INADataSourceDescription* piDescription(const wchar_t* pszTable, standin::CStandInConnectionDescription* pclHost);
    void Keep(INADataSourceDescription* piDescription) { m_apiDescription.push_back(piDescription); }
    // A copy of the description naming another table (one the server need not have), kept.
    INADataSourceDescription* piRenamed(INADataSourceDescription* piFrom, const wchar_t* pszTo);
    // The description of the table opened last.
    INADataSourceDescription* piLastDescription() const { return m_apiDescription.back(); }
    CNADataAccess* pclAccess(INADataSourceDescription* piDescription, CNAConnectionDescription* pclCnx);

    // What makes the accesses from then on (a test's own kind of access); null: the driver object.
    typedef CNADataAccess* (*PFN_MAKEACCESS)(INADataSourceDescription*, CNAConnectionDescription*, CNAError*);
    void SetAccessMaker(PFN_MAKEACCESS pfnMake) { m_pfnMakeAccess = pfnMake; }

    // Gives the access up before the end (a parsed filter it holds may be the caller's).
    void Release(CNADataAccess* pclAccess);

    const std::string& sFailure() const { return m_sFailure; }
    // The error object's message, in ASCII.
    std::string sError() const;
    // The server process of the access's connection.
    long nBackendPid(CNADataAccess* pclAccess);

private:
    CNADataAccess* _pclFailed(const std::string& sWhat);

    PFN_MAKEACCESS m_pfnMakeAccess = nullptr;
    CPSQLDriver* m_pclDriver = nullptr;
    CNAError* m_pclError = nullptr;
    std::vector<standin::CStandInConnectionDescription*> m_apclHost;
    std::vector<CNAConnectionDescription*> m_apclCnx;
    std::vector<INADataSourceDescription*> m_apiDescription;
    std::vector<CNADataAccess*> m_apclAccess;
    std::string m_sFailure;
};

}  // namespace pgtest
