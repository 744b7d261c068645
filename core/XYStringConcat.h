// CXYStringConcat<T> (T = char or wchar_t): the append-only text builder in which SQL text, value
// renderings and dumps are assembled piece by piece. One malloc block that grows only in whole grow
// steps, a stored length so that no append scans the text, a terminator after every append, and
// appends that convert between code pages straight into the builder's own buffer. The dual-width
// builder CTStringConcatAW stands on one builder of each width.
//
// A text with a piece missing is worse than no text: "DELETE FROM t" + " WHERE id IN (" + a lost
// piece + ")" is a statement that deletes every row. So an append that cannot be made (the heap
// refuses to grow the buffer, or the count is too large for any buffer) puts the builder in error:
// from then on every append and growth is refused, the text stays as it stood at the failure, and
// bIsInError() answers 1 until Vide() empties the builder. Whoever sends or shows the text checks
// bIsInError() first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <type_traits>

#include "core/STRCompare.h"
#include "core/UnicodeToolkit.h"
#include "core/platformwin/WinCodePage.h"

template <class T>
class CXYStringConcat {
    static_assert(std::is_same_v<T, char> || std::is_same_v<T, wchar_t>, "8-bit or wide text only");

public:
    // What readers get for an empty builder: never null.
    static constexpr T ChaineVide[1] = {0};
    // Largest capacity whose block (capacity + 1 units) has a byte size the heap can be asked for.
    static constexpr unsigned long s_nCapaciteMax = PTRDIFF_MAX / sizeof(T) - 1;
    // Largest input of a converting append: the platform conversions count in int and the builder
    // reserves four units per input unit.
    static constexpr long s_nConversionMax = 0x1FFFFFFF;

    explicit CXYStringConcat(unsigned long nPas = 1024) : m_nPas(nPas != 0 ? nPas : 1) {}
    ~CXYStringConcat() { free(m_pszBuffer); }
    CXYStringConcat(const CXYStringConcat&) = delete;
    CXYStringConcat& operator=(const CXYStringConcat&) = delete;

    // ------------------------------------------------------------------------------------ reading
    // A length of 0 means empty whatever the buffer holds.
    const T* pszGet() const { return m_nLongueur != 0 ? m_pszBuffer : ChaineVide; }
    unsigned long nGetLongueur() const { return m_nLongueur; }
    unsigned long nGetCapacite() const { return m_nCapacite; }
    unsigned long nGetPas() const { return m_nPas; }
    bool bEstVide() const { return m_nLongueur == 0; }
    // 1 when an append or a growth failed since the builder was last emptied: the text lacks a
    // piece and must not be used.
    int bIsInError() const { return m_bErreur; }

    // 1 when the text equals psz (a null psz counts as ""); an empty builder equals "" only.
    int bEstEgal(const T* psz) const {
        if (psz == nullptr) psz = ChaineVide;
        return _nCompare(pszGet(), psz) == 0 ? 1 : 0;
    }

    // Position of the first occurrence of psz at or after nDebut; -1 when absent, when the
    // builder is empty or when nDebut lies past the end.
    int nPos(const T* psz, long nDebut) const {
        if (m_nLongueur == 0 || psz == nullptr || nDebut < 0 || static_cast<unsigned long>(nDebut) > m_nLongueur)
            return -1;
        const T* p = _pszCherche(m_pszBuffer + nDebut, psz);
        return p != nullptr ? static_cast<int>(p - m_pszBuffer) : -1;
    }
    int nPos(T c, long nDebut) const {
        if (m_nLongueur == 0 || nDebut < 0 || static_cast<unsigned long>(nDebut) > m_nLongueur) return -1;
        for (unsigned long i = static_cast<unsigned long>(nDebut); i < m_nLongueur; ++i)
            if (m_pszBuffer[i] == c) return static_cast<int>(i);
        return -1;
    }

    // ------------------------------------------------------------------------------- appending
    // Every appending member does nothing for a null text or a count below 1, and nothing but
    // stay in error for a builder in error.
    void Add(const T* psz, long n) {
        if (psz == nullptr || n < 1) return;
        if (static_cast<unsigned long>(n) > s_nCapaciteMax) {  // more than any block holds
            m_bErreur = 1;
            return;
        }
        // A piece of the builder's own text is found again after the buffer has moved.
        const bool bInterne = _bContient(psz);
        const size_t nOffset = bInterne ? static_cast<size_t>(psz - m_pszBuffer) : 0;
        if (!_bPrepare(m_nLongueur + static_cast<unsigned long>(n))) return;
        if (bInterne) psz = m_pszBuffer + nOffset;
        memmove(m_pszBuffer + m_nLongueur, psz, static_cast<size_t>(n) * sizeof(T));
        _SetLongueur(m_nLongueur + static_cast<unsigned long>(n));
    }
    void Add(const T* psz) {
        if (psz != nullptr) Add(psz, static_cast<long>(_nLongueurC(psz)));
    }

    // Decimal text of the value. With nChiffres other than -1 and a value of at least 1 the text
    // is zero-filled on the left to nChiffres digits, however many that is.
    void AddNumber(int nValeur, int nChiffres) { AddNumber(static_cast<long>(nValeur), nChiffres); }
    void AddNumber(long nValeur, int nChiffres) {
        T aTexte[24];
        _i64toOrl(nValeur, aTexte);
        const long nTexte = static_cast<long>(_nLongueurC(aTexte));
        if (nChiffres != -1 && nValeur >= 1 && nChiffres > nTexte) {
            const unsigned long nZeros = static_cast<unsigned long>(nChiffres - nTexte);
            if (!_bPrepare(m_nLongueur + nZeros + static_cast<unsigned long>(nTexte))) return;
            for (unsigned long i = 0; i < nZeros; ++i) m_pszBuffer[m_nLongueur + i] = '0';
            _SetLongueur(m_nLongueur + nZeros);
        }
        Add(aTexte, nTexte);
    }

    // On a zero-terminated digit text of a buffer able to hold nChiffres + 1 units: when it is
    // shorter than nChiffres, moves it right and fills the front with '0'.
    static void _AddPrefix0(T* psz, int nChiffres) {
        const long nTexte = static_cast<long>(_nLongueurC(psz));
        if (nChiffres <= nTexte) return;
        const long nZeros = nChiffres - nTexte;
        memmove(psz + nZeros, psz, static_cast<size_t>(nTexte + 1) * sizeof(T));
        for (long i = 0; i < nZeros; ++i) psz[i] = '0';
    }

    // Exactly 2, 4, 8 or 16 upper-case hexadecimal digits.
    void AddNumberHexa(unsigned char v) { _AddHexa(v, 2); }
    void AddNumberHexa(unsigned short v) { _AddHexa(v, 4); }
    void AddNumberHexa(unsigned int v) { _AddHexa(v, 8); }
    void AddNumberHexa(unsigned long v) { _AddHexa(v, 16); }

    // Exactly eight '0' or '1': most significant bit first when bMsbDabord is not 0.
    void AddNumberBinary(unsigned char v, int bMsbDabord) {
        T aBits[8];
        for (int i = 0; i < 8; ++i) {
            const int nBit = bMsbDabord != 0 ? 7 - i : i;
            aBits[i] = static_cast<T>((v >> nBit) & 1 ? '1' : '0');
        }
        Add(aBits, 8);
    }

    // n bytes of 8-bit text in code page nCodePage: appended as they are by the 8-bit builder,
    // converted by the wide one.
    void AddAnsi(const char* psz, long n, unsigned nCodePage) {
        if constexpr (std::is_same_v<T, char>) {
            (void)nCodePage;
            Add(psz, n);
        } else {
            wchar_t* pDest = _pReserveConversion(psz, n);
            if (pDest == nullptr) return;
            // Plain ASCII in a page whose lower half is ASCII needs no platform conversion.
            if (_bPageASCII(nCodePage) && _bToutASCII(psz, n)) {
                for (long i = 0; i < n; ++i) pDest[i] = static_cast<wchar_t>(psz[i]);
                _AjouteEcrit(static_cast<int>(n));
                return;
            }
            _AjouteEcrit(MultiByteToWideChar(nCodePage, 0, psz, static_cast<int>(n), pDest, static_cast<int>(4 * n)));
        }
    }

    // n wide characters: appended as they are by the wide builder, converted to code page
    // nCodePage by the 8-bit one.
    void AddWide(const wchar_t* psz, long n, unsigned nCodePage) {
        if constexpr (std::is_same_v<T, wchar_t>) {
            (void)nCodePage;
            Add(psz, n);
        } else {
            char* pDest = _pReserveConversion(psz, n);
            if (pDest == nullptr) return;
            // SQL is mostly written into UTF-8 or single-byte pages from ASCII fragments: encode
            // those here rather than through the platform conversion (same bytes, no converter
            // to open per append). Anything the encoder would not write exactly as the platform
            // does (surrogates, values past U+10FFFF) goes the platform's way.
            if (nCodePage == CP_UTF8 || (_bPageASCII(nCodePage) && _bToutASCII(psz, n))) {
                const long nEcrit = _nEncodeUTF8Strict(psz, n, pDest);
                if (nEcrit >= 0) {
                    _AjouteEcrit(static_cast<int>(nEcrit));
                    return;
                }
            }
            _AjouteEcrit(WideCharToMultiByte(nCodePage, 0, psz, static_cast<int>(n), pDest, static_cast<int>(4 * n),
                                             nullptr, nullptr));
        }
    }

    // n bytes in code page nCodePage converted to UTF-8 by the 8-bit builder; the wide builder
    // does what AddAnsi does.
    void AddAnsiToUTF8(const char* psz, long n, unsigned nCodePage) {
        if constexpr (std::is_same_v<T, wchar_t>) {
            AddAnsi(psz, n, nCodePage);
        } else {
            if (!_bAConvertir(psz, n)) return;
            if (_bContient(psz)) {  // the builder's own text: the buffer may move under it
                const std::string sCopie(psz, static_cast<size_t>(n));
                AddAnsiToUTF8(sCopie.data(), n, nCodePage);
                return;
            }
            char* pDest = _pReserveConversion(psz, n);
            if (pDest == nullptr) return;
            const unsigned long nOctets = static_cast<unsigned long>(n);
            _AjouteEcrit(static_cast<int>(MultiByteToUTF8(nCodePage, psz, nOctets, pDest, 4 * nOctets, 0)));
        }
    }

    // Decodes n bytes of UTF-8 into pDest, writing at most n units (into code page nCodePage for
    // the 8-bit builder); returns the units written.
    static int _nUTF8ToX(const char* psz, long n, T* pDest, int nCodePage) {
        if (!_bConversionPossible(psz, n)) return 0;
        if constexpr (std::is_same_v<T, wchar_t>) {
            (void)nCodePage;
            const int nEcrit = MultiByteToWideChar(CP_UTF8, 0, psz, static_cast<int>(n), pDest, static_cast<int>(n));
            return nEcrit > 0 ? nEcrit : 0;
        } else {
            return static_cast<int>(UTF8ToMultiByte(static_cast<unsigned>(nCodePage), psz,
                                                    static_cast<unsigned long>(n), pDest, static_cast<unsigned long>(n),
                                                    0, nullptr, nullptr));
        }
    }

    // -------------------------------------------------------------------------------- editing
    // Upper-cases the text in place through the host's locale services (not the text of a builder
    // in error, which stays as it stood).
    void Majuscule() {
        if (m_nLongueur != 0 && !m_bErreur) STR_ToUpper(m_pszBuffer);
    }

    // 1 when p points into the builder's buffer.
    bool _bContient(const void* p) const {
        const char* pc = static_cast<const char*>(p);
        const char* pDebut = reinterpret_cast<const char*>(m_pszBuffer);
        return m_pszBuffer != nullptr && pc >= pDebut && pc <= pDebut + m_nCapacite * sizeof(T);
    }

    // Forgets the text and any failure; the memory stays for the next appends.
    void Vide() {
        m_nLongueur = 0;
        m_bErreur = 0;
    }

    // Grows the buffer by the grow rule so that it holds at least n units (never less than the
    // text it holds); the length is unchanged. For callers that then write into the buffer. A
    // growth refused by the heap, or too large for any buffer, puts the builder in error; a
    // builder in error never grows.
    bool _AugmenteTaille(unsigned long n) {
        if (m_bErreur) return false;
        if (n < m_nLongueur) n = m_nLongueur;
        // (n / step + 1) * step, refused rather than wrapped past the largest block.
        const unsigned long nPasses = n / m_nPas + 1;
        if (nPasses > s_nCapaciteMax / m_nPas) {
            m_bErreur = 1;
            return false;
        }
        if (!_bRealloue(nPasses * m_nPas)) {
            m_bErreur = 1;
            return false;
        }
        return true;
    }

    // Makes room for nBesoin units of text, growing by the grow rule only when they do not fit.
    bool _bPrepare(unsigned long nBesoin) { return !m_bErreur && (nBesoin <= m_nCapacite || _AugmenteTaille(nBesoin)); }

    // For callers that lost a piece of text on the way to the builder (a conversion into a
    // temporary builder that failed): the builder is in error as if its own append had failed.
    void _SetError() { m_bErreur = 1; }

    // Writable buffer (null before the first growth) and the length of what the caller wrote into
    // it (at most the capacity); the terminator is written after it.
    T* _pGetBuffer() { return m_pszBuffer; }
    void _SetLongueur(unsigned long n) {
        if (m_pszBuffer == nullptr) return;
        m_nLongueur = n;
        m_pszBuffer[n] = 0;
    }

private:
    static size_t _nLongueurC(const T* psz) {
        if constexpr (std::is_same_v<T, char>)
            return strlen(psz);
        else
            return wcslen(psz);
    }
    static int _nCompare(const T* a, const T* b) {
        if constexpr (std::is_same_v<T, char>)
            return strcmp(a, b);
        else
            return wcscmp(a, b);
    }
    static const T* _pszCherche(const T* pszTexte, const T* pszCherche) {
        if constexpr (std::is_same_v<T, char>)
            return strstr(pszTexte, pszCherche);
        else
            return wcsstr(pszTexte, pszCherche);
    }
    static void _i64toOrl(long n, T* psz) {
        if constexpr (std::is_same_v<T, char>)
            _i64toaOrl(n, psz, 10);
        else
            _i64towOrl(n, psz, 10);
    }
    template <class S>
    static bool _bConversionPossible(const S* psz, long n) {
        return psz != nullptr && n >= 1 && n <= s_nConversionMax;
    }
    // Whether a converting append has anything to do: not for a null text or a count below 1; an
    // input too large to convert is a failed append.
    template <class S>
    bool _bAConvertir(const S* psz, long n) {
        if (psz == nullptr || n < 1 || m_bErreur) return false;
        if (n > s_nConversionMax) {
            m_bErreur = 1;
            return false;
        }
        return true;
    }

    // Room for the worst case of a converting append (four units per input unit) after the text:
    // where the converter writes, or null for nothing to convert or a failed append.
    template <class S>
    T* _pReserveConversion(const S* psz, long n) {
        if (!_bAConvertir(psz, n)) return nullptr;
        if (!_bPrepare(m_nLongueur + 4 * static_cast<unsigned long>(n))) return nullptr;
        return m_pszBuffer + m_nLongueur;
    }

    // Single-byte pages whose bytes below 0x80 are ASCII, and UTF-8.
    static bool _bPageASCII(unsigned nCodePage) {
        return nCodePage == 0 || nCodePage == 1 || nCodePage == 874 || (nCodePage >= 1250 && nCodePage <= 1258) ||
               nCodePage == CP_UTF8;
    }
    static bool _bToutASCII(const char* psz, long n) { return bToutASCII(psz, n); }
    static bool _bToutASCII(const wchar_t* psz, long n) {
        for (long i = 0; i < n; ++i)
            if (psz[i] < 0 || psz[i] >= 0x80) return false;
        return true;
    }
    // UTF-8 of n characters into at least 4n bytes; -1 as soon as one is no Unicode scalar value
    // (a surrogate or a value past U+10FFFF), which the caller then leaves to the platform.
    static long _nEncodeUTF8Strict(const wchar_t* psz, long n, char* pDest) {
        char* p = pDest;
        for (long i = 0; i < n; ++i) {
            const wchar_t c = psz[i];
            if (c >= 0 && c < 0x80) {
                *p++ = static_cast<char>(c);
            } else if (c >= 0x80 && c < 0x800) {
                *p++ = static_cast<char>(0xC0 | (c >> 6));
                *p++ = static_cast<char>(0x80 | (c & 0x3F));
            } else if (c >= 0x800 && c < 0x10000 && (c < 0xD800 || c > 0xDFFF)) {
                *p++ = static_cast<char>(0xE0 | (c >> 12));
                *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                *p++ = static_cast<char>(0x80 | (c & 0x3F));
            } else if (c >= 0x10000 && c <= 0x10FFFF) {
                *p++ = static_cast<char>(0xF0 | (c >> 18));
                *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                *p++ = static_cast<char>(0x80 | (c & 0x3F));
            } else {
                return -1;
            }
        }
        return p - pDest;
    }

    void _AddHexa(unsigned long v, int nChiffres) {
        T aTexte[16];
        for (int i = nChiffres - 1; i >= 0; --i, v >>= 4) aTexte[i] = static_cast<T>("0123456789ABCDEF"[v & 0xF]);
        Add(aTexte, nChiffres);
    }

    void _AjouteEcrit(int nEcrit) {
        if (nEcrit > 0)
            _SetLongueur(m_nLongueur + static_cast<unsigned long>(nEcrit));
        else if (m_pszBuffer != nullptr)
            m_pszBuffer[m_nLongueur] = 0;
    }

    bool _bRealloue(unsigned long nCapacite) {
        T* p = static_cast<T*>(realloc(m_pszBuffer, (nCapacite + 1) * sizeof(T)));
        if (p == nullptr) return false;  // the old buffer and text stay
        if (m_pszBuffer == nullptr) p[0] = 0;
        m_pszBuffer = p;
        m_nCapacite = nCapacite;
        return true;
    }

    T* m_pszBuffer = nullptr;
    unsigned long m_nLongueur = 0;
    unsigned long m_nCapacite = 0;
    unsigned long m_nPas;
    int m_bErreur = 0;
};

// Creators build the builder in place inside their own records.
static_assert(sizeof(CXYStringConcat<char>) == 40);
static_assert(sizeof(CXYStringConcat<wchar_t>) == 40);
