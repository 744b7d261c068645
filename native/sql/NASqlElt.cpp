// CNASqlElt: making and storing one clause element of a parsed query.
#include "native/sql/NASqlElt.h"

#include <new>

int64_t g_llAddSqlElt(CNARefArray<CNASqlElt>* pclTab, CNASqlElt::eSQLELT eKind, int64_t llStart, int64_t llEnd) {
    if (pclTab == nullptr) return -1;
    CNASqlElt* pcl = new (std::nothrow) CNASqlElt(eKind, llStart, llEnd);
    if (pcl == nullptr) return -1;
    pcl->AddRef();
    const int n = pclTab->nGetNbElement();
    pclTab->Ajoute(pcl);
    const bool bStored = pclTab->nGetNbElement() != n;
    pcl->nRelease();
    return bStored ? llEnd : -1;
}

int CNASqlElt::pfnCmpELT(const void* p1, const void* p2) {
    const CNASqlElt* pcl1 = *static_cast<CNASqlElt* const*>(p1);
    const CNASqlElt* pcl2 = *static_cast<CNASqlElt* const*>(p2);
    if (pcl1->m_llStart != pcl2->m_llStart) return pcl1->m_llStart < pcl2->m_llStart ? -1 : 1;
    return 0;
}
