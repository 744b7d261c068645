// CNATypeInfo: one row of a connection's SQL type map: the SQL type that declares a column of one
// item type, or a printf pattern that the item's size or precision completes.
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "core/TString.h"
#include "native/model/Interf.h"

class INAItemDescription;

class CNATypeInfo : public CInterf {
public:
    CNATypeInfo(const wchar_t* pszType, int bFormatted);

    // The declaration for the item: the text itself, or the pattern printed with the item's size
    // (a time: its size less 7, never below 0; a decimal: its precision and scale; any other: its
    // logical size).
    void Format(const INAItemDescription* piItem, CTString* pclOut) const;

    const wchar_t* pszGetType() const { return m_csType.pszGet(); }
    int bIsFormatted() const { return m_bFormatted != 0; }

private:
    CTString m_csType;
    uint32_t m_bFormatted;
};

template <>
struct CRefTraits<CNATypeInfo> {
    static void _AddRef(CNATypeInfo* p) { p->AddRef(); }
    static void _Release(CNATypeInfo* p) { p->nRelease(); }
};
