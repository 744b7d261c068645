// CXYStringBase<T>: the part of the shared strings that does not depend on the width, written once
// for CXYString<char> and CXYString<wchar_t> (core/XYString.h), which add their conversions. A
// value is one pointer (null = empty) to the first unit of a buffer from the host's allocator; the
// header in front of it (core/BaseStrMem.h) holds the flags, the shared count, the capacity and the
// length in bytes. Copies share the buffer; every change first makes it private. The class serves
// only these two widths: its operations are compiled once for each in XYStringBase.cpp.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "core/BaseStrMem.h"

template <typename T>
class CXYStringBase : public CBaseStrMem {
public:
    static const T* const ChaineVide;         // an empty text, never null
    static const T* const ChaineMarqueurFin;  // the one-unit text that is the end marker (0xFF or 0xFFFFFFFF)

    CXYStringBase() = default;
    CXYStringBase(const T* psz);  // null or empty: empty value
    CXYStringBase(const CXYStringBase& clSource);
    CXYStringBase(CXYStringBase&& clSource) noexcept : m_pszBuffer(clSource.m_pszBuffer) {
        clSource.m_pszBuffer = nullptr;
    }
    CXYStringBase& operator=(const CXYStringBase& clSource);
    CXYStringBase& operator=(CXYStringBase&& clSource) noexcept;
    ~CXYStringBase() { ReleaseDynStr(); }

    // Reading: lengths come from the header, never counted.
    const T* pszGet() const { return m_pszBuffer != nullptr ? m_pszBuffer : ChaineVide; }
    T* pszGetBuffer() const { return m_pszBuffer; }  // null when empty
    bool bEstVide() const { return m_pszBuffer == nullptr || s_pstGetHeader(m_pszBuffer)->nLength == 0; }
    int nGetLongueur() const { return nGetTailleOctet() / int(sizeof(T)); }
    int nGetTailleOctet() const { return m_pszBuffer ? s_pstGetHeader(m_pszBuffer)->nLength : 0; }
    int nGetCapacite() const { return m_pszBuffer ? int(s_pstGetHeader(m_pszBuffer)->nCapacity / sizeof(T)) : 0; }
    uint32_t dwGetFlags() const { return m_pszBuffer ? s_pstGetHeader(m_pszBuffer)->dwFlags : 0; }
    bool bMarqueurFin() const { return (dwGetFlags() & STRMEM_FLAG_MARQUEUR_FIN) != 0; }
    bool bEstPartage() const { return s_bEstPartage(m_pszBuffer); }
    // Writes the flags word; a shared buffer is made private first. 0 on an empty value.
    int nSetFlags(uint32_t dwFlags);

    // Adoption of one reference that the caller already holds, and the reverse (no count change).
    void AttacheBuffer(T* pszBuffer);
    T* pszDetacheBuffer();

    void ReleaseDynStr();

    int __nNew(int n, const T* pszSource, int nCopy, unsigned dwFlags);
    void __FillDynStr(const T* pszSource, int n, int nAt);
    int nSetLength(int n);
    int nUnshare();
    int nConcat(const T* psz, int n);
    int nConcat(const T* psz);
    void Add(const T* psz);
    int nConcat(const CXYStringBase& clAutre);
    int __nGetLongueurMultiple(int nCount, va_list args, int* pnLengths) const;
    int __nAffecteMultiple(int nCount, ...);
    int __nAffecteMultipleArgList(int nCount, va_list args);

protected:
    // The assignment of n units (-1: up to the zero); each width gives it its own public name.
    int _nAffecte(const T* psz, int n);

    T* m_pszBuffer = nullptr;
};

template <>
const char* const CXYStringBase<char>::ChaineVide;
template <>
const char* const CXYStringBase<char>::ChaineMarqueurFin;
template <>
const wchar_t* const CXYStringBase<wchar_t>::ChaineVide;
template <>
const wchar_t* const CXYStringBase<wchar_t>::ChaineMarqueurFin;

extern template class CXYStringBase<char>;
extern template class CXYStringBase<wchar_t>;
