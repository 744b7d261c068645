// CAny_VQBUFFER: the borrowed buffer value.
#include "variant/Any_VQBUFFER.h"

void CAny_VQBUFFER::Duplique(CAny* pclCible) const {
    const unsigned long n = nGetTaille();
    _Duplique(pclCible, VQTYPE_BUFFER, pGet(), &n);
}
int CAny_VQBUFFER::nGetDataSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, nGetTaille());
}
int CAny_VQBUFFER::nGetDataAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, pGet());
}
int CAny_VQBUFFER::nFillDataBuffer(void* pBuffer) const {
    if (pGet() != nullptr && nGetTaille() != 0) memcpy(pBuffer, pGet(), nGetTaille());
    return VQERR_OK;
}
void CAny_VQBUFFER::SetValue(const void* p) {
    SetValue(p, 0);
}
void CAny_VQBUFFER::SetValue(const void* p, unsigned long n) {
    _SetPointeur(p);
    _Ecrit(static_cast<uint64_t>(n), 8);
}
