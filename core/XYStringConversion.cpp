// The converting assignments of the shared strings and byte strings, and the free functions that
// return converted values. Every assignment gives up the value's own buffer first, so a failed or
// empty conversion leaves the value empty; the old buffer is only handed back once the conversion
// is done, so a source that lies in it stays readable. The end marker (a last unit 0xFF or
// 0xFFFFFFFF with flag bit 0) is carried across a change of width except to or from UTF-8.
#include "core/XYStringConversion.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

#include "core/CodePageCnvW.h"
#include "core/STRUtil.h"
#include "core/UnicodeToolkit.h"
#include "core/VQBIN.h"
#include "core/XYString.h"
#include "core/platformwin/WinCodePage.h"

namespace {

constexpr int CNV_RIEN = 105;  // the conversion produced nothing
constexpr int CP_UTF8_ORL = 65001;
constexpr wchar_t MARQUEUR_W = static_cast<wchar_t>(0xFFFFFFFF);
constexpr unsigned char MARQUEUR_A = 0xFF;

// Length of a buffer the converter has just filled, and the terminator after it.
template <class T>
void _SetLongueur(T* p, int64_t nUnites) {
    const int nOctets = static_cast<int>(nUnites * static_cast<int64_t>(sizeof(T)));
    CBaseStrMem::s_pstGetHeader(p)->nLength = nOctets;
    CBaseStrMem::s_SetTerminator(p, nOctets);
}

// Units to allocate, or -1 when they cannot be asked for (the allocator then answers 108).
int _nTaille(int64_t n) {
    return n > INT_MAX ? -1 : static_cast<int>(n);
}

// Fills the value through a converter that writes at most nPlace units into the buffer it is given
// and answers the count; 105 when it writes nothing.
template <class T, class F>
int _nRemplit(CXYString<T>& cl, int64_t nPlace, F fnConvertit) {
    const int nResult = cl.__nNew(_nTaille(nPlace + 1), nullptr, 0, 0);
    if (nResult != STRMEM_OK) return nResult;
    const int nEcrit = fnConvertit(cl.pszGetBuffer(), static_cast<int>(nPlace));
    if (nEcrit <= 0) {
        cl.ReleaseDynStr();
        return CNV_RIEN;
    }
    _SetLongueur(cl.pszGetBuffer(), nEcrit);
    return STRMEM_OK;
}
// The same with the room counted first by the converter itself (no buffer, no room).
template <class T, class F>
int _nCompteEtRemplit(CXYString<T>& cl, F fnConvertit) {
    const int nCompte = fnConvertit(nullptr, 0);
    if (nCompte <= 0) return CNV_RIEN;
    return _nRemplit(cl, nCompte, fnConvertit);
}

bool _bMarqueur(const CXYString<wchar_t>& cl) {
    const int n = cl.nGetLongueur();
    return cl.bMarqueurFin() && n > 0 && cl.pszGet()[n - 1] == MARQUEUR_W;
}
bool _bMarqueur(const CXYString<char>& cl) {
    const int n = cl.nGetLongueur();
    return cl.bMarqueurFin() && n > 0 && static_cast<unsigned char>(cl.pszGet()[n - 1]) == MARQUEUR_A;
}

}  // namespace

// =============================================================================================
// Wide targets
// =============================================================================================

int CXYString<wchar_t>::__nConversion(const char* psz, int nLen, int nExtra, int nCodePage, int nFlags,
                                      const wchar_t*) {
    CXYString clAncien(std::move(*this));
    if (psz == nullptr) return STRMEM_OK;
    if (nLen == -1) nLen = static_cast<int>(strlen(psz));
    if (nLen < 1) return STRMEM_OK;
    if (nExtra < 0) nExtra = 0;
    const unsigned nCP = static_cast<unsigned>(nResolveCodePage(nCodePage));
    // 1252 has its own table: no platform conversion for the most common page.
    const bool bTable1252 = nCP == 1252 && nFlags == 0;
    // ASCII in UTF-8 is a character a byte: no counting pass (a server's texts mostly are).
    const bool bAsciiUTF8 = nCP == CP_UTF8_ORL && nFlags == 0 && bToutASCII(psz, nLen);
    const int64_t nCompte = bTable1252 || bAsciiUTF8
                                ? nLen
                                : MultiByteToWideChar(nCP, static_cast<unsigned>(nFlags), psz, nLen, nullptr, 0);
    const int nResult = __nNew(_nTaille(nCompte + nExtra + 1), nullptr, 0, 0);
    if (nResult != STRMEM_OK) return nResult;
    int nEcrit = 0;
    if (bTable1252) {
        nEcrit = STR_CP1252ToWideChar(psz, nLen, m_pszBuffer, nLen);
    } else if (bAsciiUTF8) {
        for (int i = 0; i < nLen; i++) m_pszBuffer[i] = static_cast<unsigned char>(psz[i]);
        nEcrit = nLen;
    } else if (nCompte > 0) {
        nEcrit =
            MultiByteToWideChar(nCP, static_cast<unsigned>(nFlags), psz, nLen, m_pszBuffer, static_cast<int>(nCompte));
    }
    _SetLongueur(m_pszBuffer, nEcrit > 0 ? nEcrit : 0);
    return STRMEM_OK;
}

int CXYString<wchar_t>::nAffecteConversionExplicite(const char* psz, int nLen, int nCodePage, int nFlags,
                                                    const wchar_t*) {
    return __nConversion(psz, nLen, 0, nCodePage, nFlags);
}

int CXYString<wchar_t>::nAffecteUTF8(const char* psz, int nLen, int, int, const wchar_t*, int*) {
    return __nConversion(psz, nLen, 0, CP_UTF8_ORL, 0);
}

int CXYString<wchar_t>::nAffecteUTF16(const unsigned short* psz, int n, int, int, const wchar_t*) {
    CXYString clAncien(std::move(*this));
    if (psz == nullptr || n < 1) return STRMEM_OK;
    // Pairs only ever shorten the text: n characters of room always suffice.
    return _nRemplit(*this, n, [&](wchar_t* p, int nPlace) { return UTF16ToWideChar(psz, n, p, nPlace); });
}

int CXYString<wchar_t>::nAffecteUTF32(const wchar_t* psz, int n, int, int, const wchar_t*) {
    CXYString clAncien(std::move(*this));
    if (psz == nullptr || n < 1) return STRMEM_OK;
    return _nRemplit(*this, n, [&](wchar_t* p, int nPlace) { return UTF32ToWideChar(psz, n, p, nPlace); });
}

int CXYString<wchar_t>::nAffecteToUTF8(const char*, int, int) {
    return STRMEM_OK;
}
int CXYString<wchar_t>::nAffecteToUTF8(const wchar_t*, int, int) {
    return STRMEM_OK;
}

int CXYString<wchar_t>::__nConversionMarqueur(const CXYString<char>& clSource, int nCodePage) {
    const CXYString<char> clTient(clSource);  // the source stays readable whatever this value does
    const int nCP = nResolveCodePage(nCodePage);
    const int n = clTient.nGetLongueur();
    if (!_bMarqueur(clTient) || nCP == CP_UTF8_ORL) return __nConversion(clTient.pszGetBuffer(), n, 0, nCP, 0);
    int nResult = __nConversion(clTient.pszGetBuffer(), n - 1, 1, nCP, 0);
    if (nResult != STRMEM_OK) return nResult;
    nResult = bEstVide() ? nAffecteConversion(ChaineMarqueurFin, 1) : nConcat(ChaineMarqueurFin, 1);
    if (nResult != STRMEM_OK) return nResult;
    return nSetFlags(STRMEM_FLAG_MARQUEUR_FIN);
}

int CXYString<wchar_t>::bCreateY(char*& pszOut, int nCodePage) const {
    pszOut = nullptr;
    const int n = nGetLongueur();
    if (n == 0) return 1;
    const int nCP = nResolveCodePage(nCodePage);
    if (!_bMarqueur(*this) || nCP == CP_UTF8_ORL) {
        int nLongueur = 0;
        return STR_WCharToChar_AnyCodepage(m_pszBuffer, -1, &pszOut, &nLongueur, nCP);
    }
    // The characters before the marker, then the 8-bit marker and a zero.
    int nOctets = 0;
    if (n > 1) {
        nOctets = WideCharToMultiByte(static_cast<unsigned>(nCP), 0, m_pszBuffer, n - 1, nullptr, 0, nullptr, nullptr);
        if (nOctets <= 0) return 0;
    }
    char* psz = static_cast<char*>(malloc(static_cast<size_t>(nOctets) + 2));
    if (psz == nullptr) return 0;
    if (n > 1) {
        nOctets =
            WideCharToMultiByte(static_cast<unsigned>(nCP), 0, m_pszBuffer, n - 1, psz, nOctets, nullptr, nullptr);
        if (nOctets <= 0) {
            free(psz);
            return 0;
        }
    }
    psz[nOctets] = static_cast<char>(MARQUEUR_A);
    psz[nOctets + 1] = 0;
    pszOut = psz;
    return 1;
}

// =============================================================================================
// 8-bit targets
// =============================================================================================

int CXYString<char>::__nConversion(const wchar_t* psz, int nLen, int nExtra, int nCodePage, int nFlags,
                                   const char* pszDefaultChar) {
    CXYString clAncien(std::move(*this));
    if (psz == nullptr) return STRMEM_OK;
    if (nLen == -1) nLen = static_cast<int>(wcslen(psz));
    if (nLen < 1) return STRMEM_OK;
    if (nExtra < 0) nExtra = 0;
    const unsigned nCP = static_cast<unsigned>(nResolveCodePage(nCodePage));
    const unsigned dwFlags = static_cast<unsigned>(nFlags);
    const int64_t nCompte = WideCharToMultiByte(nCP, dwFlags, psz, nLen, nullptr, 0, pszDefaultChar, nullptr);
    const int nResult = __nNew(_nTaille(nCompte + nExtra + 1), nullptr, 0, 0);
    if (nResult != STRMEM_OK) return nResult;
    int nEcrit = 0;
    if (nCompte > 0)
        nEcrit = WideCharToMultiByte(nCP, dwFlags, psz, nLen, m_pszBuffer, static_cast<int>(nCompte), pszDefaultChar,
                                     nullptr);
    _SetLongueur(m_pszBuffer, nEcrit > 0 ? nEcrit : 0);
    return STRMEM_OK;
}

int CXYString<char>::nAffecteToUTF8(const wchar_t* psz, int nLen, int) {
    return __nConversion(psz, nLen, 0, CP_UTF8_ORL, 0, nullptr);
}

int CXYString<char>::nAffecteUTF32(const wchar_t* psz, int n, int nCodePage, int nFlags, const char* pszDefaultChar) {
    CXYString clAncien(std::move(*this));
    if (psz == nullptr || n < 1) return STRMEM_OK;
    const unsigned nCP = static_cast<unsigned>(nResolveCodePage(nCodePage));
    const unsigned dwFlags = static_cast<unsigned>(nFlags);
    return _nCompteEtRemplit(*this, [&](char* p, int nPlace) {
        return WideCharToMultiByte(nCP, dwFlags, psz, n, p, nPlace, pszDefaultChar, nullptr);
    });
}

int CXYString<char>::nAffecteUTF16(const unsigned short* psz, int n, int nCodePage, int nFlags,
                                   const char* pszDefaultChar) {
    CXYString clAncien(std::move(*this));
    if (psz == nullptr || n < 1) return STRMEM_OK;
    const unsigned nCP = static_cast<unsigned>(nResolveCodePage(nCodePage));
    const unsigned dwFlags = static_cast<unsigned>(nFlags);
    return _nCompteEtRemplit(*this, [&](char* p, int nPlace) {
        return UTF16ToMultiByte(nCP, dwFlags, psz, n, p, nPlace, pszDefaultChar, nullptr);
    });
}

int CXYString<char>::nAffecteUTF8(const char* psz, int n, int nCodePage, int nFlags, const char* pszDefaultChar,
                                  int* pbUsedDefault) {
    if (pbUsedDefault != nullptr) *pbUsedDefault = 0;
    CXYString clAncien(std::move(*this));
    if (psz == nullptr || n < 1) return STRMEM_OK;
    const int nCP = nResolveCodePage(nCodePage);
    if (nCP == CP_UTF8_ORL) return nAffecte(psz, n);
    // A UTF-8 character never takes fewer bytes than its form in another page, except when it is
    // replaced: leave room for a replacement text longer than one byte.
    const size_t nRemplacement = pszDefaultChar != nullptr && *pszDefaultChar ? strlen(pszDefaultChar) : 1;
    return _nRemplit(*this, int64_t(n) * static_cast<int64_t>(nRemplacement), [&](char* p, int nPlace) {
        return static_cast<int>(UTF8ToMultiByte(static_cast<unsigned>(nCP), psz, static_cast<unsigned long>(n), p,
                                                static_cast<unsigned long>(nPlace), static_cast<unsigned>(nFlags),
                                                pszDefaultChar, pbUsedDefault));
    });
}

int CXYString<char>::nAffecteToUTF8(const char* psz, int n, int nCodePage) {
    CXYString clAncien(std::move(*this));
    if (psz == nullptr || n < 1) return STRMEM_OK;
    const int nCP = nResolveCodePage(nCodePage);
    if (nCP == CP_UTF8_ORL) return nAffecte(psz, n);
    return _nRemplit(*this, 4 * int64_t(n), [&](char* p, int nPlace) {
        return static_cast<int>(MultiByteToUTF8(static_cast<unsigned>(nCP), psz, static_cast<unsigned long>(n), p,
                                                static_cast<unsigned long>(nPlace), 0));
    });
}

int CXYString<char>::__nConversionMarqueur(const CXYString<wchar_t>& clSource, int nCodePage) {
    const CXYString<wchar_t> clTient(clSource);
    const int nCP = nResolveCodePage(nCodePage);
    const int n = clTient.nGetLongueur();
    if (!_bMarqueur(clTient) || nCP == CP_UTF8_ORL) return __nConversion(clTient.pszGetBuffer(), n, 0, nCP, 0, nullptr);
    int nResult = __nConversion(clTient.pszGetBuffer(), n - 1, 1, nCP, 0, nullptr);
    if (nResult != STRMEM_OK) return nResult;
    nResult = bEstVide() ? nAffecte(ChaineMarqueurFin, 1) : nConcat(ChaineMarqueurFin, 1);
    if (nResult != STRMEM_OK) return nResult;
    return nSetFlags(STRMEM_FLAG_MARQUEUR_FIN);
}

int CXYString<char>::bCreateY(wchar_t*& pszOut, int nCodePage) const {
    pszOut = nullptr;
    const int n = nGetLongueur();
    if (n == 0) return 1;
    const int nCP = nResolveCodePage(nCodePage);
    int nLongueur = 0;
    if (!_bMarqueur(*this) || nCP == CP_UTF8_ORL)
        return STR_CharToWChar_AnyCodepage(m_pszBuffer, -1, nCP, &pszOut, &nLongueur, 0);
    // The bytes before the marker are converted on their own: in a multi-byte page the byte 0xFF
    // is no character and must not eat one of the text.
    wchar_t* psz = nullptr;
    if (n > 1 && !STR_CharToWChar_AnyCodepage(m_pszBuffer, n - 1, nCP, &psz, &nLongueur, 0)) return 0;
    wchar_t* pszAvecMarqueur =
        static_cast<wchar_t*>(realloc(psz, (static_cast<size_t>(nLongueur) + 2) * sizeof(wchar_t)));
    if (pszAvecMarqueur == nullptr) {
        free(psz);
        return 0;
    }
    pszAvecMarqueur[nLongueur] = MARQUEUR_W;
    pszAvecMarqueur[nLongueur + 1] = 0;
    pszOut = pszAvecMarqueur;
    return 1;
}

// =============================================================================================
// Byte-string targets
// =============================================================================================

int CVQBIN::nAffecteToANSI(const wchar_t* psz, int n, int nCodePage, int nFlags, const char* pszDefaultChar,
                           int* pbUsedDefault, int nExtra) {
    CVQBIN clAncien(std::move(*this));
    if (psz == nullptr || n < 1) return STRMEM_OK;
    if (nExtra < 0) nExtra = 0;
    const unsigned nCP = static_cast<unsigned>(nResolveCodePage(nCodePage));
    const unsigned dwFlags = static_cast<unsigned>(nFlags);
    const int nCompte = WideCharToMultiByte(nCP, dwFlags, psz, n, nullptr, 0, pszDefaultChar, pbUsedDefault);
    if (nCompte <= 0) return CNV_RIEN;
    const int nResult = _nNew(_nTaille(int64_t(nCompte) + nExtra), nullptr, 0, 0);
    if (nResult != STRMEM_OK) return nResult;
    const int nEcrit = WideCharToMultiByte(nCP, dwFlags, psz, n, reinterpret_cast<char*>(m_pbyBuffer), nCompte,
                                           pszDefaultChar, pbUsedDefault);
    if (nEcrit <= 0) {
        ReleaseDynBin();
        return CNV_RIEN;
    }
    SetUtilSize(nEcrit);
    return STRMEM_OK;
}

int CVQBIN::nAffecteToANSI(CVQBIN* pclWide, int nCodePage, int nFlags, const char* pszDefaultChar, int* pbUsedDefault) {
    if (pclWide == nullptr) {
        ReleaseDynBin();
        return STRMEM_OK;
    }
    const CVQBIN clSource(*pclWide);  // held: the source may be this very value
    const wchar_t* pszTexte = reinterpret_cast<const wchar_t*>(clSource.pbyGet());
    const int nCar = clSource.nGetTaille() / static_cast<int>(sizeof(wchar_t));
    const int nCP = nResolveCodePage(nCodePage);
    const bool bMarqueur = (clSource.dwGetFlags() & STRMEM_FLAG_MARQUEUR_FIN) != 0 && nCar > 0 &&
                           pszTexte[nCar - 1] == MARQUEUR_W && nCP != CP_UTF8_ORL;
    if (!bMarqueur) return nAffecteToANSI(pszTexte, nCar, nCP, nFlags, pszDefaultChar, pbUsedDefault, 0);
    int nResult = nAffecteToANSI(pszTexte, nCar - 1, nCP, nFlags, pszDefaultChar, pbUsedDefault, 1);
    if (nResult != STRMEM_OK && nResult != CNV_RIEN) return nResult;
    nResult = nConcat(&MARQUEUR_A, 1);
    if (nResult != STRMEM_OK) return nResult;
    return nSetFlags(STRMEM_FLAG_MARQUEUR_FIN);
}

int CVQBIN::nAffecteToUNICODE(const char* psz, int n, int nCodePage, int nFlags) {
    CVQBIN clAncien(std::move(*this));
    if (psz == nullptr) return STRMEM_OK;
    if (n == -1) n = static_cast<int>(strlen(psz));
    if (n < 1) return STRMEM_OK;
    const unsigned nCP = static_cast<unsigned>(nResolveCodePage(nCodePage));
    const unsigned dwFlags = static_cast<unsigned>(nFlags);
    const int nCompte = MultiByteToWideChar(nCP, dwFlags, psz, n, nullptr, 0);
    if (nCompte <= 0) return CNV_RIEN;
    const int nResult = _nNew(_nTaille(int64_t(nCompte) * int64_t(sizeof(wchar_t))), nullptr, 0, 0);
    if (nResult != STRMEM_OK) return nResult;
    const int nEcrit = MultiByteToWideChar(nCP, dwFlags, psz, n, reinterpret_cast<wchar_t*>(m_pbyBuffer), nCompte);
    if (nEcrit <= 0) {
        ReleaseDynBin();
        return CNV_RIEN;
    }
    SetUtilSize(nEcrit * static_cast<int>(sizeof(wchar_t)));
    return STRMEM_OK;
}

// =============================================================================================
// Free functions
// =============================================================================================

namespace {

template <class T>
T _clOuVide(T&& cl, int nResult) {
    if (nResult != STRMEM_OK) cl.ReleaseDynStr();
    return std::move(cl);
}

}  // namespace

CXYString<wchar_t> PCASTR_To_CWString(const char* psz, int nCodePage, int nLen) {
    CXYString<wchar_t> cl;
    const int nResult = cl.__nConversion(psz, nLen, 0, nCodePage, 0);
    return _clOuVide(std::move(cl), nResult);
}

CXYString<wchar_t> UTF8_To_CWString(const char* psz, int nLen) {
    return PCASTR_To_CWString(psz, CP_UTF8_ORL, nLen);
}
CXYString<wchar_t> UTF8_To_CWString(const char* psz) {
    return PCASTR_To_CWString(psz, CP_UTF8_ORL, -1);
}

CXYString<char> PCWSTR_To_CAString(const wchar_t* psz, int nCodePage, int nLen) {
    CXYString<char> cl;
    const int nResult = cl.__nConversion(psz, nLen, 0, nCodePage, 0, nullptr);
    return _clOuVide(std::move(cl), nResult);
}

CXYString<char> PCWSTR_N_To_UTF8(const wchar_t* psz, int nLen) {
    return PCWSTR_To_CAString(psz, CP_UTF8_ORL, nLen);
}
CXYString<char> PCWSTR_To_UTF8(const wchar_t* psz) {
    return PCWSTR_To_CAString(psz, CP_UTF8_ORL, -1);
}

CXYString<char> CWString_To_UTF8(const CXYString<wchar_t>& cl) {
    return PCWSTR_To_CAString(cl.pszGetBuffer(), CP_UTF8_ORL, cl.nGetLongueur());
}

CXYString<char> PCASTR_N_To_UTF8(const char* psz, int nLen, int nCodePage) {
    CXYString<char> cl;
    if (psz == nullptr) return cl;
    if (nLen == -1) nLen = static_cast<int>(strlen(psz));
    if (nResolveCodePage(nCodePage) == CP_UTF8_ORL) return _clOuVide(std::move(cl), cl.nAffecte(psz, nLen));
    const CXYString<wchar_t> clWide = PCASTR_To_CWString(psz, nCodePage, nLen);
    return CWString_To_UTF8(clWide);
}

CXYString<char> PCASTR_To_UTF8(const char* psz, int nCodePage) {
    return PCASTR_N_To_UTF8(psz, -1, nCodePage);
}

CXYString<char> UTF8_To_CAString(const char* psz, int nLen, int nCodePage) {
    CXYString<char> cl;
    if (psz == nullptr) return cl;
    if (nLen == -1) nLen = static_cast<int>(strlen(psz));
    if (nResolveCodePage(nCodePage) == CP_UTF8_ORL) return _clOuVide(std::move(cl), cl.nAffecte(psz, nLen));
    const CXYString<wchar_t> clWide = UTF8_To_CWString(psz, nLen);
    const int nResult = cl.__nConversionMarqueur(clWide, nCodePage);
    return _clOuVide(std::move(cl), nResult);
}

CXYString<char> UTF8_To_CAString(const char* psz, int nCodePage) {
    return UTF8_To_CAString(psz, -1, nCodePage);
}

CXYString<char> CAString_To_UTF8(const CXYString<char>& cl, int nCodePage) {
    if (nResolveCodePage(nCodePage) == CP_UTF8_ORL) return cl;  // shares the buffer
    CXYString<wchar_t> clWide;
    if (clWide.__nConversionMarqueur(cl, nCodePage) != STRMEM_OK) return CXYString<char>();
    return CWString_To_UTF8(clWide);
}
