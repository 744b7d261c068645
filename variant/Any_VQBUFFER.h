// CAny_VQBUFFER: the value class of the borrowed buffer (29): a pointer and a 64-bit size of bytes
// that belong to the caller. Nothing is owned or released; the data views are the size bytes at
// the pointer.
#pragma once

#include <cstdint>

#include "variant/Any_VQPointeur.h"

class CAny_VQBUFFER : public CAny_VQPointeur {
public:
    void Duplique(CAny* pclCible) const override;
    int nGetDataSize(unsigned long* pnTaille) const override;
    int nGetDataAdr(void** ppAdr) const override;
    int nFillDataBuffer(void* pBuffer) const override;
    // p with size 0; p with size n.
    void SetValue(const void* p) override;
    void SetValue(const void* p, unsigned long n) override;

    const void* pGet() const { return _pGetPointeur(); }
    uint64_t nGetTaille() const { return _tLit<uint64_t>(8); }
};
