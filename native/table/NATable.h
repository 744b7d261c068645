// CNATable: the table object the host holds for one table, or one query result, on one connection.
// One table object serves every host context: each operation comes with the calling context, and
// the table finds that context's own data access (through the driver object and the context's
// CNAContext) and lets it work. The driver object makes the tables, keeps them in its registry
// under their identification text and hands them to the host.
//
// Two counts: the internal one (the driver's registry, lookups in progress) and the external one
// (the host's). The table dies when both are 0.
//
// LEAST VERSION (table-object task): the fields, the counts, the data-access bookkeeping and the
// operations the driver object calls (close, lock mode, delete, query), with the names and the
// relative order of entries they keep. Still to come with the table object: the record operations
// of INATable in their places, the process-wide one-entry lookup cache, the check of the host's
// SQL module before a query, and the description a query's result gives the table.
#pragma once

#include <cstdint>

#include "core/NARefHashTable.h"
#include "core/TString.h"
#include "native/table/INATable.h"
#include "native/table/NADataAccess.h"

class CNAConnectionDescription;
class CNAError;
class CNATransaction;
class INAConnectionDescription;
class INAContext;
class INADataSourceDescription;
class INAError;
class INAQueryExecution;
class INAQueryParametersValue;
class ISQLParserInformation;
enum _eNA_HMODE : uint32_t;

class CNATable : public INATable {
public:
    // Counts 0; takes a reference on the connection and on the error object, and an external one
    // on the description when given (none for a query table).
    CNATable(const wchar_t* pszIdentification, INADataSourceDescription* piDescription,
             CNAConnectionDescription* pclCnx, CNAError* pclError);
    CNATable(const CNATable&) = delete;
    CNATable& operator=(const CNATable&) = delete;

    // ---- INATable
    int nGetVersion() override { return 11; }
    int nGetCompatSince() override { return 8; }
    // Under the driver lock.
    void ExternalAddRef() override;
    // Under the driver lock. The last external release of a table that only the driver's registry
    // still holds takes it out of the registry, which destroys it.
    int nExternalRelease() override;

    // ---- the table's own entries, in their relative order
    // The lock mode for a context: the context applies it to its accesses of this table's logical
    // name and keeps it as its default; 1 when no context can be had.
    virtual int bHMode(INAContext* piContext, _eNA_HMODE eMode);
    // Closes the context's access and removes it; 1 when the context has none.
    virtual int bHFerme(INAContext* piContext);
    // Drops the table in the database for the context; the access is removed in every case.
    virtual int bSupprimeFichier(INAContext* piContext);
    virtual ~CNATable();
    // Runs the host's query for the context; hasResult is set when it has result columns.
    virtual int bExecuteQuery(int* pbHasResult, INAContext* piContext, const wchar_t* pszName,
                              ISQLParserInformation* piQuery, unsigned nMode, const INAQueryExecution* piExecution);

    // ---- internal count (no lock: callers hold it)
    unsigned AddRef() { return ++m_nRef; }
    // Deletes the table when both counts are 0; answers the internal count left.
    unsigned nRelease();
    unsigned nGetRef() const { return m_nRef; }
    unsigned nGetExternalRef() const { return m_nExternalRef; }

    const wchar_t* pszGetIdentification() const { return _pszOrEmpty(m_clIdentification.pszGet()); }
    // The description's names; "" for a table without one.
    const wchar_t* pszGetLogicalName() const;
    const wchar_t* pszGetDBTableName() const;
    INAError* piGetLastError() const;
    CNAConnectionDescription* pclGetConnectionNoRef() const { return m_pclCnx; }
    INADataSourceDescription* piGetDataSourceDescriptionNoRef() const { return m_piDescription; }
    // The host's parameter values of the query; nothing sets them yet.
    INAQueryParametersValue* piGetQueryBindVariableNoRef() const { return m_piQueryBindVariable; }
    unsigned nGetNbDataAccess() const { return m_clDataAccess.dwGetNumElement(); }

    // ---- data accesses (under the driver lock)
    // The context's access with a reference; null when it has none.
    CNADataAccess* _pclFindDataAccess(INAContext* piContext);
    // The context's access with a reference, made when missing (*pbCreated tells); null when none
    // can be had.
    CNADataAccess* _pclGetDataAccess(INAContext* piContext, int* pbCreated);
    void __AddDataAccess(CNADataAccess* pclAccess);
    // Takes the access out of its context and out of this table.
    void _RemoveDataAccess(INAContext* piContext, CNADataAccess* pclAccess);
    // Copies an error into the context's error object, when the context exists.
    void _SetContextLastNAError(INAContext* piContext, const INAError* piError);

    void SetTransactionTermined();
    void CancelRecordLock(INAConnectionDescription* piCnx, CNATransaction* pclTransaction);

private:
    static const wchar_t* _pszOrEmpty(const wchar_t* psz) { return psz != nullptr ? psz : L""; }

    uint32_t m_nRef = 0;
    uint32_t m_nExternalRef = 0;
    CNAError* m_pclError;
    CNAConnectionDescription* m_pclCnx;
    INADataSourceDescription* m_piDescription = nullptr;
    CTString m_clIdentification;
    CNARefHashTable<CNADataAccess*, CNADataAccess*> m_clDataAccess{7};
    INAQueryParametersValue* m_piQueryBindVariable = nullptr;
};
