// CDriverHost: the host's side of one session with the driver library, as the host holds it. The
// library is loaded with dlopen and started the way the host starts it (handshake, library start,
// start notice with the host module, conversion and calculator bindings, driver object from
// piQueryInterface); everything after that goes through the driver's interfaces. The stand-in host
// plays the host's services, connection description and context.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "native/driver/INADriver.h"
#include "native/driver/INAError.h"
#include "native/model/NAInterfaces.h"
#include "native/table/INATable.h"
#include "host/StandInConnectionDescription.h"
#include "host/StandInContext.h"

class CAny;
class CNAYFRecord;

// One table the host opened: the driver's table object, its description, the host's context of
// the table (its own data id, as the host gives each file it opens) and the items the host reads,
// in the description's order, composite keys included.
struct stHostTable {
    std::wstring wsName;
    standin::CStandInContext clContext;
    INATable* piTable = nullptr;
    INADataSourceDescription* piDescription = nullptr;
    std::vector<INAItemDescription*> apiItems;
    // For each item, its place among the description's memos (-1: not a memo).
    std::vector<int> anMemo;
    // For each item, its physical place, whose NULL bit in the records the host reads itself.
    std::vector<int> anPlace;
};

class CDriverHost {
public:
    CDriverHost();
    ~CDriverHost();
    CDriverHost(const CDriverHost&) = delete;
    CDriverHost& operator=(const CDriverHost&) = delete;

    // Loads and starts the library; false with the reason in *psError.
    bool bLoad(const std::string& sLibrary, std::string* psError);
    // Describes the connection: a libpq connection string ("host=... port=... dbname=... user=...
    // password=..."; empty: the libpq environment decides) and options of the driver ("KX Cache
    // Size=1000", ...). Nothing is sent to the server before the first operation.
    void SetConnection(const std::string& sConnect, const std::vector<std::string>& asOptions);
    // Opens the connection now; false with the driver's error text.
    bool bOpenConnection(std::wstring* pwsError);

    // The table of that name, described from the catalogue and opened for the host's context at
    // its first use; null with the error text.
    stHostTable* pstTable(const std::wstring& wsName, std::wstring* pwsError);

    INADriver* piGetDriver() const { return m_piDriver; }
    INAConnectionDescription* piGetConnection() { return &m_clConnection; }
    INAContext* piGetContext() { return &m_clContext; }
    static INAContext* s_piGetContext(stHostTable* pstTable) { return &pstTable->clContext; }

    // An item's value in the current record of a table, memos included; false with the error text.
    bool bReadItem(stHostTable* pstTable, CNAYFRecord* pclRecord, size_t nItem, CAny* pclValue);

    // The host's reading of an error object: message text, server code and debug line.
    static std::wstring s_wsErrorText(const INAError* piError);
    std::wstring wsDriverError() const;
    std::wstring wsTableError(stHostTable* pstTable);

    // Closes the tables and the connection, releases the driver object and stops the library.
    void Close();

private:
    void* m_hLibrary = nullptr;
    INADriver* m_piDriver = nullptr;
    intptr_t (*m_pfnExecution)(uint32_t, intptr_t) = nullptr;
    standin::CStandInConnectionDescription m_clConnection;
    standin::CStandInContext m_clContext;
    std::map<std::wstring, std::unique_ptr<stHostTable>> m_mapTables;
    bool m_bConnectionOpened = false;
};

// Wide and UTF-8 texts of the host program.
std::wstring g_wsFromUtf8(const std::string& s);
std::string g_sToUtf8(const std::wstring& ws);
