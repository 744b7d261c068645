// CVQBIN: the copy-on-write byte string of the language's binary values. Same buffer and header as
// the shared strings (core/BaseStrMem.h), from the host's allocator, but no terminator after the
// bytes. Copies share the buffer; every change first makes it private.
#pragma once

#include <cstdint>

#include "core/BaseStrMem.h"

struct STTabAny;

class CVQBIN : public CBaseStrMem {
public:
    CVQBIN() = default;
    CVQBIN(const unsigned char* pby, int n);  // n bytes copied; empty on failure
    CVQBIN(const CVQBIN& clSource);           // shares
    CVQBIN(CVQBIN&& clSource) noexcept : m_pbyBuffer(clSource.m_pbyBuffer) { clSource.m_pbyBuffer = nullptr; }
    CVQBIN& operator=(const CVQBIN& clSource);  // Assign(&clSource, -1)
    CVQBIN& operator=(CVQBIN&& clSource) noexcept;
    ~CVQBIN() { ReleaseDynBin(); }

    // Reading: lengths come from the header.
    const unsigned char* pbyGet() const { return m_pbyBuffer; }  // null when empty
    unsigned char* pbyGetBuffer() const { return m_pbyBuffer; }
    bool bEstVide() const { return m_pbyBuffer == nullptr || s_pstGetHeader(m_pbyBuffer)->nLength == 0; }
    int nGetTaille() const { return m_pbyBuffer ? s_pstGetHeader(m_pbyBuffer)->nLength : 0; }
    int nGetCapacite() const { return m_pbyBuffer ? int(s_pstGetHeader(m_pbyBuffer)->nCapacity) : 0; }
    uint32_t dwGetFlags() const { return m_pbyBuffer ? s_pstGetHeader(m_pbyBuffer)->dwFlags : 0; }
    bool bEstPartage() const { return s_bEstPartage(m_pbyBuffer); }
    // Writes the flags word; a shared buffer is made private first. 0 on an empty value.
    int nSetFlags(uint32_t dwFlags);

    void ReleaseDynBin();

    int _nNew(int n, const unsigned char* pbySource, int nCopy, unsigned dwFlags);
    void __FillDynBin(const unsigned char* pbySource, int n, int nAt);
    void Assign(const CVQBIN* pclAutre, int n);
    void _Assign(const CVQBIN* pclAutre, int n);
    // Adopts pclAutre's reference without counting it; pclAutre is left empty.
    void Take(CVQBIN* pclAutre);
    int nAssignInit(const unsigned char* pby, int n);
    // The bytes that an array of variant values gives, one per value (defined with the variant
    // values, variant/Any.cpp): a count below 1 empties the value, above the longest value 108; a
    // value that is not a byte gives 115 and the value is not touched.
    int nAssignInit(const STTabAny& stValeurs);
    int nAssign(const unsigned char* pby, int n, unsigned dwFlags);
    int __nPrepareModification(int n, unsigned dwFlags);
    int nSetSize(int n, unsigned dwFlags);
    int nSetMemorySize(int n, unsigned dwFlags);
    void SetUtilSize(int n);
    void Tronque(int n);
    int nConcat(const unsigned char* pby, int n);
    int nConcatInit(CVQBIN* pclA, const CVQBIN* pclB, unsigned dwFlags);
    int nConcatSeparateur(const CVQBIN* pclSeparateur, const CVQBIN* pclAjout, int bPasDeSeparateurEnTete);
    int nRepete(const CVQBIN& clSource, int nCount);
    int Remplace(int nPos, int nCount, const CVQBIN& clAvec);
    int nMilieu(CVQBIN* pclOut, int nPos, int nLen) const;
    CVQBIN clMilieu(int nPos, int nLen) const;
    int nPos(const unsigned char* pby, int n, int nFrom) const;

    // Null pointers count as empty values.
    static int nCompare(const CVQBIN* pclA, const CVQBIN* pclB);
    static int nCompare(const CVQBIN* pclA, const CVQBIN* pclB, int n);
    static int bCommencePar(const CVQBIN* pclA, const CVQBIN* pclB);
    static int bTerminePar(const CVQBIN* pclA, const CVQBIN* pclB);
    static int bContient(const CVQBIN* pclA, const CVQBIN* pclB);

    // ------------------------------------------------------------------------------------------
    // Conversions (XYStringConversion.cpp)
    // ------------------------------------------------------------------------------------------
    // Every assignment releases the value's own buffer first: a failed or empty conversion leaves
    // it empty. Results: 0, 105 (nothing produced), 108 or the allocator's own code.

    // n wide characters converted to nCodePage into a byte value with nExtra bytes of spare room.
    int nAffecteToANSI(const wchar_t* psz, int n, int nCodePage, int nFlags, const char* pszDefaultChar,
                       int* pbUsedDefault, int nExtra);
    // The wide characters a byte value holds (length / 4 of them) converted to nCodePage; with the
    // end marker (and a code page other than UTF-8) the byte 0xFF stands for it and the flags word
    // becomes 1.
    int nAffecteToANSI(CVQBIN* pclWide, int nCodePage, int nFlags, const char* pszDefaultChar, int* pbUsedDefault);
    // n bytes (-1: up to the zero) in nCodePage converted to wide characters.
    int nAffecteToUNICODE(const char* psz, int n, int nCodePage, int nFlags);

private:
    // Makes the buffer private with room for nBytes, keeping min(length, nBytes) bytes. A shared
    // buffer detaches (bCarryFlags: the old flags word is copied); the old buffer is released last.
    int _nMakeRoom(int64_t nBytes, unsigned dwFlags, bool bCarryFlags);

    unsigned char* m_pbyBuffer = nullptr;
};

static_assert(sizeof(CVQBIN) == sizeof(void*));
