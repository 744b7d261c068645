// Test helper: a reference-counted stand-in for the objects the driver keeps in its reference
// arrays and tables (a plain 32-bit count and a no-delete flag, deleted through its virtual
// destructor when the count falls to 0), and the journal in which it notes every release and
// deletion, so that a test can check which elements went and in what order.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/RefTraits.h"

// "r:x" when x was released, "d:x" when x was deleted.
inline std::vector<std::string> g_tabJournal;

class CFauxInterf {
public:
    explicit CFauxInterf(const char* pszNom, bool bStatique = false) : m_sNom(pszNom), m_bNoDelete(bStatique) {}
    virtual ~CFauxInterf() { g_tabJournal.push_back("d:" + m_sNom); }

    std::string m_sNom;
    uint32_t m_nRef = 0;
    bool m_bNoDelete;
    bool m_bLanceAuRelease = false;  // the release throws (after noting itself)
};

// A release at count 0 leaves the object alone; reaching 0 deletes it unless it is flagged.
template <>
struct CRefTraits<CFauxInterf> {
    static void _AddRef(CFauxInterf* p) { p->m_nRef++; }
    static void _Release(CFauxInterf* p) {
        g_tabJournal.push_back("r:" + p->m_sNom);
        if (p->m_bLanceAuRelease) throw std::runtime_error("release");
        if (p->m_nRef == 0) return;
        if (--p->m_nRef == 0 && !p->m_bNoDelete) delete p;
    }
};
