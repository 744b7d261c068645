// CAny_VQDECIMAL: a DECIMAL value through the host's decimal object and factory.
#include "variant/Any_VQDECIMAL.h"

#include "variant/VQConv.h"

CAny_VQDECIMAL::~CAny_VQDECIMAL() {
    CVQConv::s_ReleaseDecimal(piGetDecimal());
    _SetPointeur(nullptr);
}

void CAny_VQDECIMAL::Duplique(CAny* pclCible) const {
    _Duplique(pclCible, VQTYPE_DECIMAL, piGetDecimal());
}
int CAny_VQDECIMAL::nGetDataSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, DECIMALVQ_DATA_SIZE);
}

int CAny_VQDECIMAL::nGetDataAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, nullptr, VQERR_TYPE);
}

int CAny_VQDECIMAL::nFillDataBuffer(void* pBuffer) const {
    // Without a factory at the type change there is no object to ask.
    IDecimalVQ* pi = piGetDecimal();
    if (pi == nullptr) return VQERR_VIDE;
    pi->vnFillBuffer(pBuffer);
    return VQERR_OK;
}

void CAny_VQDECIMAL::SetValue(const void* p) {
    IDecimalVQ* pi = piGetDecimal();
    if (pi != nullptr && p != nullptr && p != pi) pi->vnSetFromDecimal(static_cast<const IDecimalVQ*>(p));
}

void CAny_VQDECIMAL::SetValue(const void* p, unsigned long n) {
    IDecimalVQ* pi = piGetDecimal();
    if (pi != nullptr) pi->vnSetFromBytes(p, n);
}

int CAny_VQDECIMAL::bIsPositive() const {
    IDecimalVQ* pi = piGetDecimal();
    return pi == nullptr || pi->vnGetSigne() == 0 ? 1 : 0;
}
