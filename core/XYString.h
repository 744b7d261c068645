// CXYString<char> and CXYString<wchar_t>: copy-on-write strings whose buffers belong to the host's
// allocator, so the host and the library hand them to each other without copying. Everything that
// does not convert (sharing, growth, assignment, append, the header readers) is CXYStringBase
// (core/XYStringBase.h), written once for both widths; each width adds its own name for the
// assignment and its conversions between widths and code pages (XYStringConversion.cpp).
#pragma once

#include "core/XYStringBase.h"

template <typename T>
class CXYString;

// ---------------------------------------------------------------------------------------- wide text
template <>
class CXYString<wchar_t> : public CXYStringBase<wchar_t> {
public:
    using CXYStringBase<wchar_t>::CXYStringBase;

    // Assignment of n characters; n = -1 means up to the zero (a null or empty text then empties
    // the value). A private buffer is reused, a shared one released and replaced.
    int nAffecteConversion(const wchar_t* psz, int n) { return _nAffecte(psz, n); }

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
};

// ---------------------------------------------------------------------------------------- 8-bit text
template <>
class CXYString<char> : public CXYStringBase<char> {
public:
    using CXYStringBase<char>::CXYStringBase;

    // The 8-bit form of the wide string's nAffecteConversion, in bytes.
    int nAffecte(const char* psz, int n) { return _nAffecte(psz, n); }

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
};

// A value is exactly one pointer: the host stores it in its own records.
static_assert(sizeof(CXYString<wchar_t>) == sizeof(void*));
static_assert(sizeof(CXYString<char>) == sizeof(void*));
