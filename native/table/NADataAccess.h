// CNADataAccess: the worker of one table for one host context. The table object finds the calling
// context's data access (through the driver object and the context's CNAContext) and lets it do
// the record work: open, browse, seek, write, close.
//
// LEAST VERSION (data-access task): the fields and the operations that the driver object, the
// contexts and the table object use, with the names they keep. The record work (open, browse,
// statements, queries) is the data-access task's; until it is built, an access never opens, and
// deleting a table or running a query through one fails as not available.
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "core/TString.h"
#include "native/model/Interf.h"

class CNAConnectionDescription;
class CNAContext;
class CNAError;
class CNARecord;
class CNATable;
class CNATransaction;
class CSQLParserInfo;
class INAConnectionDescription;
class INADataSourceDescription;
class INAQueryExecution;
class ISQLParserInformation;
enum _eNA_HMODE : uint32_t;

class CNADataAccess : public CInterf {
public:
    // Takes a reference on the connection and the error object and an external one on the
    // description (when given).
    CNADataAccess(INADataSourceDescription* piDescription, CNAConnectionDescription* pclCnx, CNAError* pclError);
    CNADataAccess(const CNADataAccess&) = delete;
    CNADataAccess& operator=(const CNADataAccess&) = delete;
    ~CNADataAccess() override;

    // ---- what the contexts and the table object call
    // Closes the access; 0 on failure with the error in the access's error object.
    virtual int bHFerme();
    // Keeps the context the access belongs to (no reference).
    virtual void SetContext(CNAContext* pclContext);
    // Drops the table of the database behind the access.
    virtual int bSupprimeFichier();
    // Runs a query of the host; hasResult is set when the query has result columns.
    virtual int bExecuteQuery(int* pbHasResult, const wchar_t* pszName, ISQLParserInformation* piQuery, unsigned nMode,
                              const INAQueryExecution* piExecution);
    // The transaction of the access's connection has ended.
    virtual void SetTransactionTermined() {}
    // Gives up the record locks the transaction holds through the access: it holds none yet.
    virtual void CancelRecordLock(INAConnectionDescription*, CNATransaction*) {}

    // Stores the host's lock mode; always 1.
    int bHMode(_eNA_HMODE eMode);
    _eNA_HMODE eGetHMode() const { return m_eHMode; }
    int bIsOpened() const { return m_bOpened; }
    void SetTable(CNATable* pclTable) { m_pclTable = pclTable; }

    const wchar_t* pszGetLogicalName() const { return _pszOrEmpty(m_clLogicalName); }
    const wchar_t* pszGetDBTableName() const { return _pszOrEmpty(m_clDBTableName); }
    const wchar_t* pszGetAliasName() const { return _pszOrEmpty(m_clAliasName); }
    CNAConnectionDescription* pclGetConnectionNoRef() const { return m_pclCnx; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }
    CNAContext* pclGetContextNoRef() const { return m_pclContext; }
    CNATable* pclGetTableNoRef() const { return m_pclTable; }
    INADataSourceDescription* piGetDataSourceDescriptionNoRef() const { return m_piDescription; }

protected:
    static const wchar_t* _pszOrEmpty(const CTString& cl) {
        const wchar_t* psz = cl.pszGet();
        return psz != nullptr ? psz : L"";
    }

    CNAError* m_pclError;
    CNAConnectionDescription* m_pclCnx;
    INADataSourceDescription* m_piDescription;
    CNARecord* m_pclRecord = nullptr;
    // Not 0 when the access reads a query of the host.
    int m_nQuery = 0;
    // Bit 2: the query text runs without correction; bit 3: writes through the query are allowed.
    uint32_t m_nQueryFlags = 0;
    CSQLParserInfo* m_pclParsedQuery = nullptr;
    CTString m_clDBTableName;
    CTString m_clAliasName;
    CTString m_clLogicalName;
    CNAContext* m_pclContext = nullptr;
    CNATable* m_pclTable = nullptr;
    _eNA_HMODE m_eHMode;
    int m_bOpened = 0;
};

template <>
struct CRefTraits<CNADataAccess> {
    static void _AddRef(CNADataAccess* p) { p->AddRef(); }
    static void _Release(CNADataAccess* p) { p->nRelease(); }
};
