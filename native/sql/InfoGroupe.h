// CInfoGroupe: the driver's copy of one GROUP BY item of a parsed query: the texts the host gave
// for it and its place in the query text, kept so that the item outlives the host's enumeration.
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "core/TString.h"
#include "native/sql/SQLParserInterfaces.h"

class CInfoGroupe : public IInfoGroupe {
public:
    // Copies the host item's texts and span.
    explicit CInfoGroupe(IInfoGroupe* piHost);
    CInfoGroupe(const CInfoGroupe&) = delete;
    CInfoGroupe& operator=(const CInfoGroupe&) = delete;

    const wchar_t* pszGetAlias() override { return _psz(m_clAlias); }
    int bIsAvecTable() override { return m_bAvecTable; }
    const wchar_t* pszGetNomTable() override { return _psz(m_clNomTable); }
    const wchar_t* pszGetNomRubrique() override { return _psz(m_clNomRubrique); }
    stPosition stGetPosition() override { return m_stPosition; }
    const wchar_t* pszGetNomFichier() override { return _psz(m_clNomFichier); }
    const wchar_t* pszGetNomRubriqueAlias() override { return _psz(m_clNomRubriqueAlias); }
    virtual ~CInfoGroupe() = default;

    unsigned AddRef() { return ++m_nRef; }
    // The release that reaches 0 deletes the item.
    unsigned nRelease();

private:
    static const wchar_t* _psz(const CTString& cl) {
        const wchar_t* psz = cl.pszGet();
        return psz != nullptr ? psz : L"";
    }

    uint32_t m_nRef = 0;
    CTString m_clAlias;
    int m_bAvecTable = 0;
    CTString m_clNomTable;
    CTString m_clNomRubrique;
    stPosition m_stPosition{0, 0};
    CTString m_clNomFichier;
    CTString m_clNomRubriqueAlias;
};

template <>
struct CRefTraits<CInfoGroupe> {
    static void _AddRef(CInfoGroupe* p) { p->AddRef(); }
    static void _Release(CInfoGroupe* p) { p->nRelease(); }
};
