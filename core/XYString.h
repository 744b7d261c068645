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
    // Every assignment releases the value's own buffer first: a failed or empty conversion leaves
    // the value empty. Code page -1 is the host's current code page, 0 is 1252. Results: 0, 105
    // (the conversion produced nothing), 108 or the allocator's own code.

    // nLen bytes (-1: up to the zero) of 8-bit text in nCodePage, with room for nExtra more
    // characters. A conversion that gives nothing leaves an allocated empty text.
    int __nConversion(const char* psz, int nLen, int nExtra, int nCodePage, int nFlags,
                      const wchar_t* pszInutilise = nullptr);
    // The same for a caller that names the code page (-1 length: up to the zero).
    int nAffecteConversionExplicite(const char* psz, int nLen, int nCodePage, int nFlags = 0,
                                    const wchar_t* pszInutilise = nullptr);
    int nAffecteUTF8(const char* psz, int nLen, int = 0, int = 0, const wchar_t* = nullptr, int* = nullptr);
    // n UTF-16 units: a surrogate pair becomes one character.
    int nAffecteUTF16(const unsigned short* psz, int n, int = 0, int = 0, const wchar_t* = nullptr);
    int nAffecteUTF32(const wchar_t* psz, int n, int = 0, int = 0, const wchar_t* = nullptr);
    // A wide value holds no UTF-8: these do nothing and answer 0.
    int nAffecteToUTF8(const char* psz, int n, int nCodePage);
    int nAffecteToUTF8(const wchar_t* psz, int n, int nCodePage);
    // The 8-bit value converted from nCodePage; with the end marker (and a code page other than
    // UTF-8) the bytes before it are converted and the wide marker put after them.
    int __nConversionMarqueur(const CXYString<char>& clSource, int nCodePage);
    // A separate malloc 8-bit copy in nCodePage that the caller frees (null for an empty value);
    // the end marker becomes the byte 0xFF unless the code page is UTF-8. 1 on success, else 0.
    int bCreateY(char*& pszOut, int nCodePage) const;

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
    // Every assignment releases the value's own buffer first: a failed or empty conversion leaves
    // the value empty. Code page -1 is the host's current code page, 0 is 1252. Results: 0, 105
    // (the conversion produced nothing), 108 or the allocator's own code.

    // nLen wide characters (-1: up to the zero) converted to nCodePage, with room for nExtra more
    // bytes; pszDefaultChar replaces what the code page lacks.
    int __nConversion(const wchar_t* psz, int nLen, int nExtra, int nCodePage, int nFlags, const char* pszDefaultChar);
    int nAffecteToUTF8(const wchar_t* psz, int nLen, int = 0);
    int nAffecteUTF32(const wchar_t* psz, int n, int nCodePage, int nFlags, const char* pszDefaultChar);
    // n UTF-16 units: a surrogate pair converts as one character.
    int nAffecteUTF16(const unsigned short* psz, int n, int nCodePage, int nFlags, const char* pszDefaultChar);
    // n bytes of UTF-8 converted to nCodePage (copied as they are for 65001).
    int nAffecteUTF8(const char* psz, int n, int nCodePage, int nFlags, const char* pszDefaultChar, int* pbUsedDefault);
    // n bytes in nCodePage converted to UTF-8 (copied as they are for 65001).
    int nAffecteToUTF8(const char* psz, int n, int nCodePage);
    // The wide value converted to nCodePage; with the end marker (and a code page other than
    // UTF-8) the characters before it are converted, the byte 0xFF put after them and the flags
    // word set to 1.
    int __nConversionMarqueur(const CXYString<wchar_t>& clSource, int nCodePage);
    // A separate malloc wide copy that the caller frees (null for an empty value); the end marker
    // becomes 0xFFFFFFFF unless the code page is UTF-8. 1 on success, else 0.
    int bCreateY(wchar_t*& pszOut, int nCodePage) const;

private:
    char* m_pszBuffer = nullptr;
};

// A value is exactly one pointer: the host stores it in its own records.
static_assert(sizeof(CXYString<wchar_t>) == sizeof(void*));
static_assert(sizeof(CXYString<char>) == sizeof(void*));
