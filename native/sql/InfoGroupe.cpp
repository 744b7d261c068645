// CInfoGroupe: the copy of a host GROUP BY item.
#include "native/sql/InfoGroupe.h"

CInfoGroupe::CInfoGroupe(IInfoGroupe* piHost) {
    if (piHost == nullptr) return;
    // In the order the host's operations stand.
    m_clAlias.Set(piHost->pszGetAlias());
    m_bAvecTable = piHost->bIsAvecTable() ? 1 : 0;
    m_clNomTable.Set(piHost->pszGetNomTable());
    m_clNomRubrique.Set(piHost->pszGetNomRubrique());
    m_stPosition = piHost->stGetPosition();
    m_clNomFichier.Set(piHost->pszGetNomFichier());
    m_clNomRubriqueAlias.Set(piHost->pszGetNomRubriqueAlias());
}

unsigned CInfoGroupe::nRelease() {
    if (m_nRef == 0) return 0;
    const unsigned n = --m_nRef;
    if (n == 0) delete this;
    return n;
}
