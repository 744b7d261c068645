// CAny_VQBIN: the value class of the binary type (28). The value area holds one CVQBIN: the pointer
// to the first byte of a buffer of the host's allocator, or null for no buffer. Setting from
// another byte string shares its buffer; setting from bytes copies them. The data views are the
// bytes (none: size 0 and a null address); a byte string has no terminator.
#pragma once

#include "core/VQBIN.h"
#include "variant/Any_VQPointeur.h"

class CAny_VQBIN : public CAny_VQPointeur {
public:
    ~CAny_VQBIN() override;
    void Duplique(CAny* pclCible) const override;
    // The CVQBIN at pBuffer shares the value's buffer.
    int nFillBuffer(void* pBuffer) const override;
    int nGetDataSize(unsigned long* pnTaille) const override;
    int nGetDataAdr(void** ppAdr) const override;
    int nFillDataBuffer(void* pBuffer) const override;
    // p is a CVQBIN: the value shares its buffer.
    void SetValue(const void* p) override;
    // n bytes copied (CVQBIN::nAssign); 0 leaves no buffer.
    void SetValue(const void* p, unsigned long n) override;

    unsigned char* pbyGetBuffer() const { return static_cast<unsigned char*>(_pGetPointeur()); }
    int nGetTaille() const;
};
