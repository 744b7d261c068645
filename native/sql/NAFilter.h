// CNAFilter: the filter that restricts every browse of a statement to a range of one item and/or a
// condition the host has parsed. It is a search whose equal condition holds the filter: when a
// statement writes its WHERE clause, the browse's condition and the active filter's are joined
// with AND. CNAFilterSave remembers which filter was in force, and whether it was active, so that
// a statement, a position or the table cache can tell later whether the filter has changed.
#pragma once

#include <cstdint>

#include "native/sql/NARecherche.h"

class ISQLParserInformation;

class CNAFilter : public CNARecherche {
public:
    // An inactive search with no condition.
    CNAFilter(CNAError* pclError, CNAConnectionDescription* pclConnection);
    ~CNAFilter() override;

    // ---- CNARecherche's virtual operations redefined
    CNARecherche* pclClone() const override { return pclCloneFilter(); }
    CNARecherche* _pclAllocRecherche() const override;
    // ---- added after the inherited slots
    // A copy sharing the conditions and the parameters (no reference).
    virtual CNAFilter* pclCloneFilter() const;

    int bIsFilterActive() const { return m_eState != STATE_INACTIVE; }
    void ActivateFilter(int bOn);
    // Builds the condition of the range [lower, upper] (either may be missing) on the item, ANDed
    // with the host's parsed condition when there is one; the state does not change. 1.
    int bSetFilter(CNARecord* pclRecord, INAItemDescription* piItem, const CAny* pclLower, int bLowerIncluded,
                   const CAny* pclUpper, int bUpperIncluded, ISQLParserInformation* piCondition, int nFlags);
    int bEqualsFilter(const CNAFilter* pclOther) const { return bEqualsSearch(pclOther); }
    // Two nulls are equal; a null and a filter are equal when the filter is inactive.
    static int g_bEqualsFilter(const CNAFilter* pclA, const CNAFilter* pclB);
};

template <>
struct CRefTraits<CNAFilter> {
    static void _AddRef(CNAFilter* p) { p->AddRef(); }
    static void _Release(CNAFilter* p) { p->nRelease(); }
};

class CNAFilterSave {
public:
    explicit CNAFilterSave(CNAFilter* pclFilter = nullptr);
    CNAFilterSave(const CNAFilterSave&) = delete;
    CNAFilterSave& operator=(const CNAFilterSave&) = delete;
    ~CNAFilterSave();

    // Holds the filter and whether it is active now; holding the same filter again changes nothing,
    // so the flag stays what it was when that filter was first saved.
    void SetFilter(CNAFilter* pclFilter);
    // The other's filter and its flag as saved.
    void Copy(const CNAFilterSave& clOther);
    // Whether the given filter is the one saved, in the same state.
    int bFilterEquals(CNAFilter* pclFilter) const;

    CNAFilter* pclGetFilterNoRef() const { return m_pclFilter; }
    int bIsActive() const { return m_bActive != 0; }

private:
    CNAFilter* m_pclFilter;
    uint32_t m_bActive = 0;
};
