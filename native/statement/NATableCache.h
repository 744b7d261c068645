// CNATableCache: a whole table held on the client for one data access. One statement of the access,
// the filling statement, reads the table with its record cache on; once that cache holds every row
// it becomes the full cache, which every statement of the access browses through an index of its
// own on its item's column (CNATableCacheIndex), so that browsing, positioning and counting by any
// item run without the server. The full cache is built on first need.
#pragma once

#include <cstdint>

#include "core/KXUnknown.h"
#include "native/sql/NAFilter.h"

class CNAColumn;
class CNADataAccess;
class CNAError;
class CNARecordCache;
class CNAStatement;
class CNATableCacheIndex;

class CNATableCache : public CKXUnknown {
public:
    // No filling statement, no full cache, no filter saved; the error object is referenced. The
    // data access owns the table cache and is not counted.
    CNATableCache(CNAError* pclError, CNADataAccess* pclDataAccess);
    // Releases the full cache, a filling statement still recorded, and the error object.
    ~CNATableCache() override;

    // ---- virtual operations, in slot order after the destructor pair and dwRelease
    // Records the filling statement (a reference kept) with the filter in force on it.
    virtual int _bSetStatementParse(CNAStatement* pclStatement);

    // The first statement given becomes the filling statement; every statement given has its record
    // cache switched on. True.
    int bSetStatementParse(CNAStatement* pclStatement);
    int bIsStatementParse(const CNAStatement* pclStatement) const;
    // Whether the cache is the full cache, or (before there is one) the filling statement's cache.
    int bIsRecordCache(const CNARecordCache* pclCache) const;
    // True without a full cache or when it holds no row.
    int bIsEmpty() const;
    // True when there is neither a full cache nor a filling statement.
    int bInitDone() const;
    int bFilterEquals(CNAFilter* pclFilter) const;
    // True without a filling statement, else whether its record cache holds the whole result.
    int bCacheCompleted() const;

    // The full cache (no reference for the caller), built on first need by completing the filling
    // statement's record cache; null when it cannot be had. The data access's place is kept around
    // the fetch when another statement is current: it goes back to its saved position whether the
    // fetch succeeded or not, and the saved position is freed on every path.
    CNARecordCache* pclGetFullCache();
    // Rows of the full cache, and rows not deleted; 0 when the full cache cannot be had.
    int64_t llGetRecordNbr();
    int64_t llGetRecordNbrActive();
    // A new index over the full cache on the column for the statement, built, with no reference
    // counted yet (the statement takes the first); null when the full cache cannot be had or the
    // index cannot be built.
    CNATableCacheIndex* pclGetCacheIndex(CNAStatement* pclStatement, CNAColumn* pclColumn);

    CNAStatement* pclGetStatementParseNoRef() const { return m_pclStatementParse; }
    CNARecordCache* pclGetFullCacheNoRef() const { return m_pclFullCache; }
    CNADataAccess* pclGetDataAccessNoRef() const { return m_pclDataAccess; }
    const CNAFilterSave& clGetFilterSave() const { return m_clFilter; }

protected:
    CNAError* m_pclError;
    CNADataAccess* m_pclDataAccess;
    CNAStatement* m_pclStatementParse = nullptr;
    CNARecordCache* m_pclFullCache = nullptr;
    CNAFilterSave m_clFilter;
};
