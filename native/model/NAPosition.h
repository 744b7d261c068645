// CNAPosition: a position of a browse the host saved. The statement of the browse fills it: the
// statement and the item the browse ran on, the row of the statement's result it stood on, a saved
// copy of the current record kept by the data access, the user search and the filter in force.
// Restoring it hands the statement back, which returns to that row, or, when the row can no longer
// be addressed (its row id invalidated, the row deleted), finds the record again from the saved
// copy and the search. Each thing it holds it holds once and gives back once, when the last
// reference to the position goes.
#pragma once

#include <cstdint>

#include "core/TString.h"
#include "native/model/Interf.h"
#include "native/sql/NAFilter.h"
#include "native/statement/NAUserSearch.h"

class CNADataAccess;
class CNAStatement;

class CNAPosition : public CInterf {
public:
    // No row, no saved record, no statement, nothing recorded yet.
    CNAPosition();
    CNAPosition(const CNAPosition&) = delete;
    CNAPosition& operator=(const CNAPosition&) = delete;
    ~CNAPosition() override;

    // The statement of the browse (a reference taken, a previous one released) and its data access,
    // which keeps the saved records.
    void SetStatement(CNAStatement* pclStatement);
    // The statement with a reference added for the caller; null when none.
    CNAStatement* pclGetStatement() const;
    // The filter in force and whether it is active now; 1.
    int bKeepFilter(CNAFilter* pclFilter);
    void SetItem(const wchar_t* pszItem) { m_clItem.Set(pszItem); }
    // Records the row, the saved record (a reference taken on it at the data access unless -1), a
    // copy of the user search and the statement's further state word (its duplicate rank); 1.
    int bSetParameters(int nRowId, int nRecordSaveId, const CNAUserSearch* pclUserSearch, int nExtra);
    // The saved record that an add followed by a read left at that data access (a reference taken
    // unless -1): the second saved record. Both saved records belong to that access afterwards.
    void SetRecordSaveID_VerrueHAjouteHLit(CNADataAccess* pclDataAccess, int nRecordSaveId);
    // The statement's rows are gone (its cache or its row ids): the row can only be found again by
    // searching.
    void InvalidateRowID();
    // The row the position stands on was deleted.
    void SetRowDeleted() { m_bRowDeleted = 1; }

    int nGetRowId() const { return m_nRowId; }
    int nGetRecordSaveID() const { return static_cast<int>(m_nRecordSaveId); }
    int nGetRecordSaveID2() const { return static_cast<int>(m_nRecordSaveId2); }
    CNADataAccess* pclGetDataAccessNoRef() const { return m_pclDataAccess; }
    const CNAUserSearch* pclGetUserSearch() const { return &m_clUserSearch; }
    const CNAFilterSave* pclGetFilterSave() const { return &m_clFilter; }
    const wchar_t* pszGetItem() const { return m_clItem.pszGet(); }
    int bIsSet() const { return m_bSet != 0; }
    uint32_t nGetExtra() const { return m_nExtra; }
    int bRowIdValid() const { return m_bRowIdValid != 0; }
    int bRowDeleted() const { return m_bRowDeleted != 0; }

    static constexpr uint32_t NO_RECORD_SAVE = 0xFFFFFFFFu;

protected:
    // A saved record referenced or released at the position's data access.
    void _AddRefRecordSave(uint32_t nId);
    void _ReleaseRecordSave(uint32_t* pnId);

    int32_t m_nRowId = -1;
    uint32_t m_nRecordSaveId = NO_RECORD_SAVE;
    uint32_t m_nRecordSaveId2 = NO_RECORD_SAVE;
    CNADataAccess* m_pclDataAccess = nullptr;
    CNAUserSearch m_clUserSearch;
    CNAFilterSave m_clFilter;
    CTString m_clItem;
    uint32_t m_bSet = 0;
    CNAStatement* m_pclStatement = nullptr;
    uint32_t m_nExtra = 0;
    // Cleared with the row id: the statement's rows no longer match the row id.
    uint32_t m_bRowIdValid = 1;
    uint32_t m_bRowDeleted = 0;
};
