// CNATableCacheIndex: what a statement browsing its data access's full table cache holds: the
// column index of its browse item over the full cache (a memo index for a memo column, else a
// fixed-size one), kept in step with the writes the data access makes on the cache's rows.
#pragma once

#include <cstdint>

#include "core/KXUnknown.h"
#include "native/sql/NABrowseTypes.h"
#include "native/statement/NAParseDirection.h"

enum eNAQUERYTYPE : uint32_t;

class CIndexItem;
class CNAColumn;
class CNAError;
class CNARecordCache;
class CNAStatement;

class CNATableCacheIndex : public CKXUnknown {
public:
    // References on the error object, the cache and the column; the statement, which holds the
    // index, is not counted. No column index until bInit.
    CNATableCacheIndex(CNAError* pclError, CNAStatement* pclStatement, CNARecordCache* pclCache,
                       CNAColumn* pclColumn);
    // The column index goes first, then the cache, the column and the error object.
    ~CNATableCacheIndex() override;

    // Makes the column index and builds it over the cache; false when it cannot be made (out of
    // memory recorded) or built. A failed build leaves no column index.
    int bInit();

    // ---- the column index's answers; without one: no row, no position, no count
    int bGetRecordPosition(eNA_PARSEDIRECTION eDirection, int nCount, int* pnRow, unsigned int* pnDuplicate);
    int nGetCurrentRecordId();
    int nGetRecordNbr();
    int nGetPreviousRecordNbr();
    int bSetCurrentPos(int nRow, int nDuplicate, int* pbFound);

    // Brings the column index up to date after a write on row llRow of the cache: an update or a
    // delete takes out the value the row was read with (the column's record's original value), an
    // update or an insert puts in the column's current value; an update that leaves the value equal
    // changes nothing. A value that cannot be read changes nothing. The flags are not used.
    void OnNotifyOperation(eNAQUERYTYPE eOperation, int64_t llRow, NA_WRITEPARSEFLAGS nFlags);

    CIndexItem* pclGetIndexNoRef() const { return m_pclIndex; }
    CNARecordCache* pclGetCacheNoRef() const { return m_pclCache; }
    CNAColumn* pclGetColumnNoRef() const { return m_pclColumn; }
    CNAStatement* pclGetStatementNoRef() const { return m_pclStatement; }

private:
    CNAError* m_pclError;
    CNARecordCache* m_pclCache;
    CIndexItem* m_pclIndex = nullptr;
    CNAColumn* m_pclColumn;
    CNAStatement* m_pclStatement;
};
