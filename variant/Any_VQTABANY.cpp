// CAny_VQTABANY: the owned array of values.
#include "variant/Any_VQTABANY.h"

#include <cstdlib>

namespace {
// A malloc array of n empty values, null when n is 0 or the heap refuses.
CAny* ptabAlloue(uint64_t n) {
    if (n == 0 || n > SIZE_MAX / sizeof(CAny)) return nullptr;
    CAny* ptab = static_cast<CAny*>(malloc(n * sizeof(CAny)));
    if (ptab == nullptr) return nullptr;
    for (uint64_t i = 0; i < n; i++) ::new (&ptab[i]) CAny;
    return ptab;
}
}  // namespace

CAny_VQTABANY::~CAny_VQTABANY() {
    _Libere();
}

void CAny_VQTABANY::_Libere() {
    CAny* ptab = ptabGet();
    const uint64_t n = nGetNbAny();
    _SetPointeur(nullptr);
    _Ecrit(uint64_t(0), 8);
    if (ptab == nullptr) return;
    for (uint64_t i = 0; i < n; i++) ptab[i].~CAny();
    free(ptab);
}

void CAny_VQTABANY::Duplique(CAny* pclCible) const {
    const unsigned long n = nGetNbAny();
    _Duplique(pclCible, VQTYPE_TABANY, ptabGet(), &n);
}
int CAny_VQTABANY::nGetDataSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, nGetNbAny());
}
int CAny_VQTABANY::nGetDataAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, ptabGet());
}
int CAny_VQTABANY::nFillDataBuffer(void*) const {
    return VQERR_TYPE;
}
int CAny_VQTABANY::nFillUtilDataBuffer(void*) const {
    return VQERR_TYPE;
}

void CAny_VQTABANY::SetValue(const void* p) {
    SetValue(p, 1);
}

void CAny_VQTABANY::SetValue(const void* p, unsigned long n) {
    // The copies are made before the array held so far goes: p may point into it.
    const CAny* ptabSource = static_cast<const CAny*>(p);
    CAny* ptab = ptabSource != nullptr ? ptabAlloue(n) : nullptr;
    if (ptab != nullptr)
        for (unsigned long i = 0; i < n; i++) ptab[i] = ptabSource[i];
    _Libere();
    if (ptab == nullptr) return;
    _SetPointeur(ptab);
    _Ecrit(static_cast<uint64_t>(n), 8);
}

void CAny_VQTABANY::s_SetDirect(CAny* pclAny, const STTabAny& stTab) {
    if (pclAny == nullptr) return;
    pclAny->__SetType(VQTYPE_TABANY, 0);
    CAny_VQTABANY* pcl = static_cast<CAny_VQTABANY*>(pclAny->pclGetValeur());
    pcl->_Libere();
    pcl->_SetPointeur(stTab.ptabAny);
    pcl->_Ecrit(stTab.nNbAny, 8);
}
