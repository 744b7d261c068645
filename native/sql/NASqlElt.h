// CNASqlElt: one clause element of a query the host has parsed (the select list, one FROM table,
// the WHERE clause, ...) with its place in the query text, as the rebuilding of a parsed query
// walks them in text order.
#pragma once

#include <cstdint>

#include "core/NARefArray.h"
#include "core/TString.h"
#include "native/model/Interf.h"

class CNASqlElt : public CInterf {
public:
    // Kinds of clause elements.
    enum eSQLELT : uint32_t {
        SQLELT_NONE = 0,
        SQLELT_SELECT = 1,    // the output list (the column list of an INSERT)
        SQLELT_FROM = 2,      // one table of the FROM clause
        SQLELT_WHERE = 3,     // the WHERE clause, or the place where one would start
        SQLELT_GROUPBY = 4,
        SQLELT_HAVING = 5,
        SQLELT_ORDERBY = 6,
        SQLELT_BINDVAR = 7,   // the query's bind variables
        SQLELT_JOIN = 8,      // one JOIN
        SQLELT_VALUES = 10,   // the values of an INSERT or the assignments of an UPDATE
    };

    CNASqlElt(eSQLELT eKind, int64_t llStart, int64_t llEnd) : m_eKind(eKind), m_llStart(llStart), m_llEnd(llEnd) {}
    ~CNASqlElt() override = default;

    eSQLELT eGetKind() const { return m_eKind; }
    int64_t llGetStart() const { return m_llStart; }
    int64_t llGetEnd() const { return m_llEnd; }
    const wchar_t* pszGetText() const { return m_clText.pszGet(); }
    // Orders two elements (pointers to CNASqlElt*) by their start in the text.
    static int pfnCmpELT(const void* p1, const void* p2);
    void SetText(const wchar_t* psz) { m_clText.Set(psz); }

private:
    eSQLELT m_eKind;
    int64_t m_llStart;
    int64_t m_llEnd;
    CTString m_clText;
};

template <>
struct CRefTraits<CNASqlElt> {
    static void _AddRef(CNASqlElt* p) { p->AddRef(); }
    static void _Release(CNASqlElt* p) { p->nRelease(); }
};

// Makes an element of the kind and span, appends it to the array (which takes the reference) and
// answers the end position; -1 when the element could not be made or stored.
int64_t g_llAddSqlElt(CNARefArray<CNASqlElt>* pclTab, CNASqlElt::eSQLELT eKind, int64_t llStart, int64_t llEnd);
