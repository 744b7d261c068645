// CAny_VQTABANY: the value class of the array of values (83): a pointer to a heap array of CAny
// records and their 64-bit count, owned by the value. Setting copies the values into a new array;
// the destructor releases every element and frees the array. The array is a plain malloc block of
// 56-byte records, as the host builds them, so an array the host hands over (s_SetDirect) is freed
// the same way.
#pragma once

#include <cstdint>

#include "variant/Any_VQPointeur.h"

class CAny_VQTABANY : public CAny_VQPointeur {
public:
    ~CAny_VQTABANY() override;
    void Duplique(CAny* pclCible) const override;
    // The count; the elements have no flat data form (105).
    int nGetDataSize(unsigned long* pnTaille) const override;
    int nGetDataAdr(void** ppAdr) const override;
    int nFillDataBuffer(void* pBuffer) const override;
    int nFillUtilDataBuffer(void* pBuffer) const override;
    // A one-element array holding a copy of the CAny at p.
    void SetValue(const void* p) override;
    // An array holding copies of the n consecutive CAny at p.
    void SetValue(const void* p, unsigned long n) override;

    CAny* ptabGet() const { return static_cast<CAny*>(_pGetPointeur()); }
    uint64_t nGetNbAny() const { return _tLit<uint64_t>(8); }

    // Makes the value an array that takes over the record's elements and count, without copying.
    static void s_SetDirect(CAny* pclAny, const STTabAny& stTab);

private:
    void _Libere();
};
