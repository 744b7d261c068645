// CXYString<char> and CXYString<wchar_t>: copy-on-write strings whose buffers belong to the host's
// allocator, so the host and the library hand them to each other without copying. A value is one
// pointer (null = empty) to the first character; the header in front of it (core/BaseStrMem.h)
// holds the flags, the shared count, the capacity and the length in bytes. Copies share the
// buffer; every change first makes it private. The conversions between widths and code pages live
// in XYStringConversion.cpp; the operations here never convert.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "core/BaseStrMem.h"

template <typename T>
class CXYString;

// ---------------------------------------------------------------------------------------- wide text
template <>
class CXYString<wchar_t> : public CBaseStrMem {
public:
    static const wchar_t* const ChaineVide;         // an empty wide text, never null
    static const wchar_t* const ChaineMarqueurFin;  // the one-character text 0xFFFFFFFF

    CXYString() = default;
    CXYString(const wchar_t* psz);  // null or empty: empty value
    CXYString(const CXYString& clSource);
    CXYString(CXYString&& clSource) noexcept : m_pszBuffer(clSource.m_pszBuffer) { clSource.m_pszBuffer = nullptr; }
    CXYString& operator=(const CXYString& clSource);
    CXYString& operator=(CXYString&& clSource) noexcept;
    ~CXYString() { ReleaseDynStr(); }

    // Reading: lengths come from the header, never counted.
    const wchar_t* pszGet() const { return m_pszBuffer != nullptr ? m_pszBuffer : ChaineVide; }
    wchar_t* pszGetBuffer() const { return m_pszBuffer; }  // null when empty
    bool bEstVide() const { return m_pszBuffer == nullptr || s_pstGetHeader(m_pszBuffer)->nLength == 0; }
    int nGetLongueur() const { return m_pszBuffer ? s_pstGetHeader(m_pszBuffer)->nLength / int(sizeof(wchar_t)) : 0; }
    int nGetTailleOctet() const { return m_pszBuffer ? s_pstGetHeader(m_pszBuffer)->nLength : 0; }
    int nGetCapacite() const { return m_pszBuffer ? int(s_pstGetHeader(m_pszBuffer)->nCapacity / sizeof(wchar_t)) : 0; }
    uint32_t dwGetFlags() const { return m_pszBuffer ? s_pstGetHeader(m_pszBuffer)->dwFlags : 0; }
    bool bMarqueurFin() const { return (dwGetFlags() & STRMEM_FLAG_MARQUEUR_FIN) != 0; }
    bool bEstPartage() const { return s_bEstPartage(m_pszBuffer); }
    // Writes the flags word; a shared buffer is made private first. 0 on an empty value.
    int nSetFlags(uint32_t dwFlags);

    // Adoption of one reference that the caller already holds, and the reverse (no count change).
    void AttacheBuffer(wchar_t* pszBuffer);
    wchar_t* pszDetacheBuffer();

    void ReleaseDynStr();

    int __nNew(int n, const wchar_t* pszSource, int nCopy, unsigned dwFlags);
    void __FillDynStr(const wchar_t* pszSource, int n, int nAt);
    int nSetLength(int n);
    int nUnshare();
    int nAffecteConversion(const wchar_t* psz, int n);
    int nConcat(const wchar_t* psz, int n);
    int nConcat(const wchar_t* psz);
    void Add(const wchar_t* psz);
    int nConcat(const CXYString& clAutre);
    int __nGetLongueurMultiple(int nCount, va_list args, int* pnLengths) const;
    int __nAffecteMultiple(int nCount, ...);
    int __nAffecteMultipleArgList(int nCount, va_list args);

    // ------------------------------------------------------------------------------------------
    // Conversions (XYStringConversion.cpp)
    // ------------------------------------------------------------------------------------------

private:
    wchar_t* m_pszBuffer = nullptr;
};

// ---------------------------------------------------------------------------------------- 8-bit text
template <>
class CXYString<char> : public CBaseStrMem {
public:
    static const char* const ChaineVide;         // an empty 8-bit text, never null
    static const char* const ChaineMarqueurFin;  // the one-byte text 0xFF

    CXYString() = default;
    CXYString(const char* psz);  // null or empty: empty value; else strlen(psz) bytes
    CXYString(const CXYString& clSource);
    CXYString(CXYString&& clSource) noexcept : m_pszBuffer(clSource.m_pszBuffer) { clSource.m_pszBuffer = nullptr; }
    CXYString& operator=(const CXYString& clSource);
    CXYString& operator=(CXYString&& clSource) noexcept;
    ~CXYString() { ReleaseDynStr(); }

    const char* pszGet() const { return m_pszBuffer != nullptr ? m_pszBuffer : ChaineVide; }
    char* pszGetBuffer() const { return m_pszBuffer; }
    bool bEstVide() const { return m_pszBuffer == nullptr || s_pstGetHeader(m_pszBuffer)->nLength == 0; }
    int nGetLongueur() const { return m_pszBuffer ? s_pstGetHeader(m_pszBuffer)->nLength : 0; }
    int nGetTailleOctet() const { return nGetLongueur(); }
    int nGetCapacite() const { return m_pszBuffer ? int(s_pstGetHeader(m_pszBuffer)->nCapacity) : 0; }
    uint32_t dwGetFlags() const { return m_pszBuffer ? s_pstGetHeader(m_pszBuffer)->dwFlags : 0; }
    bool bMarqueurFin() const { return (dwGetFlags() & STRMEM_FLAG_MARQUEUR_FIN) != 0; }
    bool bEstPartage() const { return s_bEstPartage(m_pszBuffer); }
    int nSetFlags(uint32_t dwFlags);

    void AttacheBuffer(char* pszBuffer);
    char* pszDetacheBuffer();

    void ReleaseDynStr();

    int __nNew(int n, const char* pszSource, int nCopy, unsigned dwFlags);
    void __FillDynStr(const char* pszSource, int n, int nAt);
    int nSetLength(int n);
    int nUnshare();
    int nAffecte(const char* psz, int n);
    int nConcat(const char* psz, int n);
    int nConcat(const char* psz);
    void Add(const char* psz);
    int nConcat(const CXYString& clAutre);
    int __nGetLongueurMultiple(int nCount, va_list args, int* pnLengths) const;
    int __nAffecteMultiple(int nCount, ...);
    int __nAffecteMultipleArgList(int nCount, va_list args);

    // ------------------------------------------------------------------------------------------
    // Conversions (XYStringConversion.cpp)
    // ------------------------------------------------------------------------------------------

private:
    char* m_pszBuffer = nullptr;
};

// A value is exactly one pointer: the host stores it in its own records.
static_assert(sizeof(CXYString<wchar_t>) == sizeof(void*));
static_assert(sizeof(CXYString<char>) == sizeof(void*));
