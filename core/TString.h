// CTString: the system's owned wide string, the working string of every subsystem (names,
// messages, paths, SQL fragments). One malloc'd buffer of wchar_t sized to exactly the text plus its
// terminator, owned by one object: no sharing, no stored length, no spare capacity. A null buffer
// is the empty string and every member accepts it. The shared copy-on-write strings that cross into
// the host are CXYString (core/XYString.h); this one never leaves the library.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cwchar>

template <class T>
class CXYString;

// Where Ellipse puts the "..." of a shortened text.
enum eELLIPSISPOSITION { ELLIPSIS_FIN = 0, ELLIPSIS_MILIEU = 1, ELLIPSIS_DEBUT = 2 };

// Writes src shortened to at most nMax characters with "..." into dest (room nMax + 1). Writes
// nothing when nMax is 2 or less or the position is unknown.
void STR_Ellipsis(wchar_t* pszDest, const wchar_t* pszSrc, unsigned long nMax, eELLIPSISPOSITION ePosition);

// Visitor of PourTouteChaineSepareePar: called once per field; 0 stops the walk.
class IVisiteurPourTouteChaine {
public:
    virtual int vbVisite(long nIndex, const wchar_t* pszField, long nLength) = 0;

protected:
    ~IVisiteurPourTouteChaine() = default;
};

class CTString {
public:
    // Construction, assignment, release.
    CTString() : m_pszBuffer(nullptr) {}
    CTString(const wchar_t* psz);
    CTString(const CTString& cl);
    CTString(CTString&& cl) noexcept : m_pszBuffer(cl.m_pszBuffer) { cl.m_pszBuffer = nullptr; }
    CTString(const wchar_t* psz, long n);
    CTString(const wchar_t* psz1, const wchar_t* psz2, const wchar_t* psz3);
    CTString(const char* psz);  // 8-bit text in code page 1252
    ~CTString();

    CTString& operator=(const wchar_t* psz);
    CTString& operator=(wchar_t* psz);
    CTString& operator=(const CTString& cl);
    CTString& operator=(CTString&& cl) noexcept;
    CTString& operator=(wchar_t c);

    void Set(const wchar_t* psz);
    void SetUNICODE(const wchar_t* psz);
    void Set(const wchar_t* psz, unsigned long n);
    void Set(const wchar_t* psz1, const wchar_t* psz2, const wchar_t* psz3);
    void Set(wchar_t c);
    void Set(const CXYString<wchar_t>& cl);
    void Set(const CXYString<wchar_t>* pcl);
    void SetFromBinary(const wchar_t* psz, unsigned long n);
    // 8-bit text of n bytes (-1: up to its zero) in code page nCodePage converted to wide.
    void SetANSIEx(const char* psz, int n, unsigned int nCodePage);
    void SetANSI(const char* psz, unsigned int nCodePage) { SetANSIEx(psz, -1, nCodePage); }
    void SetI4(int n);
    void SetI8(long n);
    void SetBuffer(wchar_t* pszMalloced);
    void Transfert(CTString& cl);
    void Vide();
    // Allocates or resizes the buffer to n + 1 units; contents up to the smaller size survive,
    // nothing is terminated.
    void _SetBufferSize(unsigned long n);

    // Access.
    const wchar_t* pszGet() const;
    int nTaille() const;
    wchar_t cGetChar(long i) const { return m_pszBuffer != nullptr ? m_pszBuffer[i] : 0; }
    void SetChar(long i, wchar_t c) {
        if (m_pszBuffer != nullptr) m_pszBuffer[i] = c;
    }

    // Appending and inserting.
    void Add(wchar_t c);
    void Add(const wchar_t* psz);
    void Add(const wchar_t* psz, int n);
    void Add(const wchar_t* psz1, const wchar_t* psz2, const wchar_t* psz3);
    void Add(const CXYString<wchar_t>& cl);
    void Add(const CXYString<wchar_t>* pcl);
    void AddI4(int n);
    void AddI8(long n);
    void AddPrintf(const wchar_t* pszFormat, ...);
    CTString operator+(const wchar_t* psz) const;
    void Insert(wchar_t c);
    // Inserts n units of psz (-1: all of it) at nPos; at or past the end it appends.
    void Insert(const wchar_t* psz, int nPos, int n = -1);

    // Cutting, filling and replacing.
    void Tronque(long n);
    void TronqueDebut(long n);
    void Coupe(long nPos, long n);
    void Complete(long n, wchar_t c);
    void Remplace(long nPos, long n, const wchar_t* psz);
    void Remplace(wchar_t cFind, wchar_t cRepl, long nStart = 0);
    void Remplace(const wchar_t* pszFind, const wchar_t* pszRepl, long nStart = 0);
    void RemplaceI(const wchar_t* pszFind, const wchar_t* pszRepl, long nStart = 0);
    void Insecable();
    void Renverse();
    void Ellipse(const wchar_t* psz, unsigned long nMax, eELLIPSISPOSITION ePosition);

    // Trimming, case and mapping.
    void SansEspace();
    void Trim();
    void Trim(wchar_t c);
    void LTrim(wchar_t c);
    void RTrim(wchar_t c);
    void Majuscule();
    void Minuscule();
    void SansAccent();
    void MapStringEx(unsigned int nFlags);
    void SetStandard(const wchar_t* psz);

    // Comparing.
    bool bEstEgal(const wchar_t* psz) const;
    bool bEstEgalI(const wchar_t* psz) const;
    bool bEstEgalI(const CTString& cl) const;
    bool operator==(const CTString& cl) const;
    bool operator!=(const CTString& cl) const { return !(*this == cl); }
    bool bCommencePar(const wchar_t* psz) const;
    bool bCommenceParI(const wchar_t* psz) const;
    bool bTerminePar(const wchar_t* psz) const;
    bool bTermineParI(const wchar_t* psz) const;
    bool bTerminePar(wchar_t c) const;

    // Searching: positions from 0, -1 when not found or when the string is empty.
    int nPos(const wchar_t* psz, long nStart = 0) const;
    int nPos(wchar_t c, long nStart = 0) const;
    int nRPos(const wchar_t* psz) const;
    int nRPos(wchar_t c) const;
    int nUpPos(const wchar_t* psz, long nStart = 0) const;
    int nPosParmi(const wchar_t* pszSet) const;
    int nNbOcc(const wchar_t* psz) const;

    // Substrings.
    CTString clMilieu(long nPos, long n) const;
    CTString clMilieu(long nPos) const;
    CTString clGauche(long n) const;
    CTString clDroite(long n) const;
    CTString clExclu(const wchar_t* pszSet) const;
    CTString clContientUniquement(const wchar_t* pszSet) const;
    // Digits of clMilieu(nStart, nCount) (nCount -1: to the end) read in nBase; no sign, wraps.
    long long nVal(int nBase, int nStart, int nCount) const;

    // Fields of a delimited text, numbered from 0.
    bool bExtraitChainePos(unsigned long n, wchar_t cSep, const wchar_t** ppszStart, long* pnLength) const;
    bool bExtraitChainePos(long n, const wchar_t* pszSep, const wchar_t** ppszStart, long* pnLength) const;
    bool bExtraitPosTailleChaine(long n, const wchar_t* pszSep, int* pnIndex, long* pnLength) const;
    bool bExtraitChaine(unsigned long n, wchar_t cSep, CTString* pclOut) const;
    bool bExtraitChaine(long n, const wchar_t* pszSep, CTString* pclOut) const;
    bool bExtraitEtRemplaceChaine(long n, const wchar_t* pszSep, const wchar_t* pszRepl);
    bool bExtraitChaineTok(long n, const wchar_t* pszDelimiters, CTString* pclOut) const;
    void PourTouteChaineSepareePar(const wchar_t* pszSep, IVisiteurPourTouteChaine* piVisiteur) const;

    // Set from a part of psz around the first or last c; the result points into psz.
    const wchar_t* pszSetFinPremier(const wchar_t* psz, wchar_t c);
    const wchar_t* pszSetFinPremierExistant(const wchar_t* psz, wchar_t c);
    const wchar_t* pszSetFinDernier(const wchar_t* psz, wchar_t c);
    const wchar_t* pszSetFinDernierExistant(const wchar_t* psz, wchar_t c);
    const wchar_t* pszSetDebutPremier(const wchar_t* psz, wchar_t c);
    const wchar_t* pszSetDebutPremierExistant(const wchar_t* psz, wchar_t c);
    const wchar_t* pszSetDebutDernier(const wchar_t* psz, wchar_t c);
    const wchar_t* pszSetDebutDernierExistant(const wchar_t* psz, wchar_t c);

    // Formatting in the wide printf dialect ("%s" wide, "%S" 8-bit); answers the characters written.
    int FormatV(const wchar_t* pszFormat, va_list args);
    int printf(const wchar_t* pszFormat, ...);
    // Through the emulated message formatters (flags 0x500); on failure the text stays unchanged.
    void FormatMessageWin(const wchar_t* pszFormat, ...);
    void FormatMessageW(const wchar_t* pszFormat, ...);

    // A fresh temporary file name from the C library with the given prefix.
    void FichierTemporaire(const wchar_t* pszPrefix);

protected:
    void _SetEmpty();
    void _SetPart(const wchar_t* psz, size_t n);  // exactly n units of psz, terminated

    wchar_t* m_pszBuffer;
};
static_assert(sizeof(CTString) == sizeof(wchar_t*));
