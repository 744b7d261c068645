// CAny_VQBIN: the shared byte string of a binary value.
#include "variant/Any_VQBIN.h"

#include <cstring>

namespace {
// The byte string cell at pCell shares pby (one reference more on it, one less on the old one).
void Partage(void* pCell, unsigned char* pby) {
    unsigned char* pbyAncien;
    memcpy(&pbyAncien, pCell, sizeof(pbyAncien));
    if (pbyAncien == pby) return;
    CBaseStrMem::s_AddRef(pby);
    memcpy(pCell, &pby, sizeof(pby));
    CBaseStrMem::s_ReleaseStrMem(pbyAncien);
}
}  // namespace

CAny_VQBIN::~CAny_VQBIN() {
    CBaseStrMem::s_ReleaseStrMem(pbyGetBuffer());
    _SetPointeur(nullptr);
}

int CAny_VQBIN::nGetTaille() const {
    const unsigned char* pby = pbyGetBuffer();
    return pby != nullptr ? CBaseStrMem::s_pstGetHeader(pby)->nLength : 0;
}

void CAny_VQBIN::Duplique(CAny* pclCible) const {
    _Duplique(pclCible, VQTYPE_BIN, m_abyValeur);
}

int CAny_VQBIN::nFillBuffer(void* pBuffer) const {
    Partage(pBuffer, pbyGetBuffer());
    return VQERR_OK;
}

int CAny_VQBIN::nGetDataSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, static_cast<unsigned long>(nGetTaille()));
}

int CAny_VQBIN::nGetDataAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, pbyGetBuffer());
}

int CAny_VQBIN::nFillDataBuffer(void* pBuffer) const {
    if (nGetTaille() > 0) memcpy(pBuffer, pbyGetBuffer(), static_cast<size_t>(nGetTaille()));
    return VQERR_OK;
}

void CAny_VQBIN::SetValue(const void* p) {
    if (p == nullptr) return;
    unsigned char* pby;
    memcpy(&pby, p, sizeof(pby));
    Partage(m_abyValeur, pby);
}

void CAny_VQBIN::SetValue(const void* p, unsigned long n) {
    if (n > static_cast<unsigned long>(STRMEM_MAX_UNITS)) return;  // too long: unchanged
    // The bytes go into a byte string of their own, which the value then shares; the local one
    // gives its reference back as it goes.
    CVQBIN cl;
    if (p == nullptr) n = 0;
    if (cl.nAssign(static_cast<const unsigned char*>(p), static_cast<int>(n), 0) != STRMEM_OK) return;
    Partage(m_abyValeur, cl.pbyGetBuffer());
}
