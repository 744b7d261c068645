// CTStringConcatAW: views, appends, edits and searches of the dual-width text builder. Every edit
// works on the master in its own units; input of the other width or of another code page is
// converted first into temporary builders, and every change drops the cache of the other width.
#include "core/TStringConcatAW.h"

#include <cstring>
#include <cwchar>
#include <optional>
#include <string>

#include "core/STRUtil.h"
#include "core/UnicodeToolkit.h"
#include "core/platformwin/WinCodePage.h"

template <class T>
struct CTStringConcatAW::stTexte {
    const T* p = nullptr;
    unsigned long n = 0;
    std::optional<CXYStringConcat<T>> clTmp;

    // The temporary lost part of the input (refused growth, input too large).
    bool bPerdu() const { return clTmp.has_value() && clTmp->bIsInError(); }

    void Prend(const CXYStringConcat<T>& cl) {
        p = cl.pszGet();
        n = cl.nGetLongueur();
    }
    // Input taken as it is; a piece of the master's own text is copied first, since the edit
    // moves or reallocates the master under it.
    void Prend(const T* psz, unsigned long nUnites, const CXYStringConcat<T>& clMaitre) {
        if (!clMaitre._bContient(psz)) {
            p = psz;
            n = nUnites;
            return;
        }
        clTmp.emplace(nUnites);
        clTmp->Add(psz, static_cast<long>(nUnites));
        Prend(*clTmp);
    }
};

namespace {

// Grow step of a temporary that receives the conversion of n input units: four units per input
// unit, and an input too large to convert at all is refused by the conversion itself.
unsigned long _nPasConversion(long n) {
    return n <= CXYStringConcat<char>::s_nConversionMax ? 4 * static_cast<unsigned long>(n) : 1;
}

// A count of -1 means the whole zero-terminated text; null texts count as empty.
template <class T>
long _nResoutLongueur(const T* psz, long n) {
    if (psz == nullptr) return 0;
    return n == -1 ? static_cast<long>(STRG_nLen(psz)) : n;
}

// First place at or after nDebut where the nCherche units of pCherche stand; -1 when none.
template <class T>
long _nCherche(const T* pTexte, unsigned long nTexte, const T* pCherche, unsigned long nCherche, unsigned long nDebut) {
    if (nDebut > nTexte || nCherche > nTexte - nDebut) return -1;
    if (nCherche == 0) return static_cast<long>(nDebut);
    if constexpr (std::is_same_v<T, char>) {
        const void* p = memmem(pTexte + nDebut, nTexte - nDebut, pCherche, nCherche);
        return p != nullptr ? static_cast<const char*>(p) - pTexte : -1;
    } else {
        const unsigned long nDernier = nTexte - nCherche;
        for (unsigned long i = nDebut; i <= nDernier; ++i) {
            const wchar_t* p = wmemchr(pTexte + i, pCherche[0], nDernier - i + 1);
            if (p == nullptr) return -1;
            i = static_cast<unsigned long>(p - pTexte);
            if (wmemcmp(p, pCherche, nCherche) == 0) return static_cast<long>(i);
        }
        return -1;
    }
}

template <class T>
int _nPosDans(const CXYStringConcat<T>& cl, const T* pCherche, unsigned long nCherche, long nDebut) {
    if (cl.bEstVide() || pCherche == nullptr) return -1;
    if (nDebut < 0) nDebut = 0;
    return static_cast<int>(
        _nCherche(cl.pszGet(), cl.nGetLongueur(), pCherche, nCherche, static_cast<unsigned long>(nDebut)));
}

template <class T>
void _Insere(CXYStringConcat<T>& cl, const T* p, unsigned long m, long nPos) {
    if (p == nullptr || m == 0) return;  // an input that converts to nothing changes nothing
    const unsigned long L = cl.nGetLongueur();
    if (L == 0 || (nPos >= 0 && static_cast<unsigned long>(nPos) >= L)) {
        cl.Add(p, static_cast<long>(m));
        return;
    }
    const unsigned long nAt = nPos < 0 ? 0 : static_cast<unsigned long>(nPos);
    if (!cl._bPrepare(L + m)) return;
    T* pBuffer = cl._pGetBuffer();
    memmove(pBuffer + nAt + m, pBuffer + nAt, (L - nAt) * sizeof(T));
    memcpy(pBuffer + nAt, p, m * sizeof(T));
    cl._SetLongueur(L + m);
}

template <class T>
bool _bRemplacePlage(CXYStringConcat<T>& cl, long nPos, long n, const T* p, unsigned long m) {
    const unsigned long L = cl.nGetLongueur();
    if (L == 0) return false;
    const unsigned long nAt =
        nPos < 0 ? 0 : (static_cast<unsigned long>(nPos) > L ? L : static_cast<unsigned long>(nPos));
    const unsigned long nReste = L - nAt;
    const unsigned long nCompte =
        (n < 0 || static_cast<unsigned long>(n) > nReste) ? nReste : static_cast<unsigned long>(n);
    const unsigned long nNouveau = L - nCompte + m;
    if (!cl._bPrepare(nNouveau)) return false;
    T* pBuffer = cl._pGetBuffer();
    if (nAt + nCompte < L) memmove(pBuffer + nAt + m, pBuffer + nAt + nCompte, (L - nAt - nCompte) * sizeof(T));
    if (m != 0) memcpy(pBuffer + nAt, p, m * sizeof(T));
    cl._SetLongueur(nNouveau);
    return true;
}

template <class T>
bool _bRemplaceTout(CXYStringConcat<T>& cl, const T* pCherche, unsigned long fn, const T* pRemplace, unsigned long rn,
                    long nDebut) {
    const unsigned long L = cl.nGetLongueur();
    if (pCherche == nullptr || fn == 0 || fn > L) return false;
    if (nDebut < 0) nDebut = 0;
    long p = _nCherche(cl.pszGet(), L, pCherche, fn, static_cast<unsigned long>(nDebut));
    if (p < 0) return false;
    if (fn == rn) {
        T* pBuffer = cl._pGetBuffer();
        for (; p >= 0; p = _nCherche(pBuffer, L, pCherche, fn, static_cast<unsigned long>(p) + fn))
            memcpy(pBuffer + p, pRemplace, rn * sizeof(T));
        return true;
    }
    // Built once into a scratch builder: the text before the first occurrence stays where it is.
    const T* pTexte = cl.pszGet();
    CXYStringConcat<T> clResultat(L + 1024);
    unsigned long nCopie = static_cast<unsigned long>(p);
    const unsigned long nPremier = nCopie;
    while (p >= 0) {
        clResultat.Add(pTexte + nCopie, static_cast<long>(static_cast<unsigned long>(p) - nCopie));
        clResultat.Add(pRemplace, static_cast<long>(rn));
        nCopie = static_cast<unsigned long>(p) + fn;
        p = _nCherche(pTexte, L, pCherche, fn, nCopie);
    }
    clResultat.Add(pTexte + nCopie, static_cast<long>(L - nCopie));
    // The text is cut only once the whole result is known to fit.
    if (clResultat.bIsInError()) {
        cl._SetError();
        return false;
    }
    if (!cl._bPrepare(nPremier + clResultat.nGetLongueur())) return false;
    cl._SetLongueur(nPremier);
    cl.Add(clResultat.pszGet(), static_cast<long>(clResultat.nGetLongueur()));
    return true;
}

}  // namespace

CTStringConcatAW::CTStringConcatAW(unsigned nCodePage, unsigned nCodePageAppelant, unsigned long nPas)
    : m_nCodePage(nCodePage == s_nCodePageAppelant ? static_cast<unsigned>(nGetHostCurrentCodePage()) : nCodePage),
      m_nCodePageAppelant(nCodePageAppelant == s_nCodePageAppelant ? static_cast<unsigned>(nGetHostCurrentCodePage())
                                                                   : nCodePageAppelant),
      m_clConcatA(nPas),
      m_clConcatW(nPas) {}

void CTStringConcatAW::Vide() {
    m_clConcatA.Vide();
    m_clConcatW.Vide();
}

// ------------------------------------------------------------------------------------------- views

const wchar_t* CTStringConcatAW::pszGetW() {
    if (!bModeWide() && m_clConcatW.bEstVide() && !m_clConcatA.bEstVide())
        m_clConcatW.AddAnsi(m_clConcatA.pszGet(), static_cast<long>(m_clConcatA.nGetLongueur()), m_nCodePage);
    return m_clConcatW.pszGet();
}

const char* CTStringConcatAW::pszGetA() {
    if (bModeWide() && m_clConcatA.bEstVide() && !m_clConcatW.bEstVide())
        m_clConcatA.AddWide(m_clConcatW.pszGet(), static_cast<long>(m_clConcatW.nGetLongueur()), m_nCodePageAppelant);
    return m_clConcatA.pszGet();
}

unsigned long CTStringConcatAW::nGetLongueurW() {
    pszGetW();
    return m_clConcatW.nGetLongueur();
}

unsigned long CTStringConcatAW::nGetLongueurA() {
    pszGetA();
    return m_clConcatA.nGetLongueur();
}

wchar_t CTStringConcatAW::cGetCharW(long i) {
    const wchar_t* psz = pszGetW();
    return (i >= 0 && static_cast<unsigned long>(i) < m_clConcatW.nGetLongueur()) ? psz[i] : 0;
}

char CTStringConcatAW::cGetCharA(long i) {
    const char* psz = pszGetA();
    return (i >= 0 && static_cast<unsigned long>(i) < m_clConcatA.nGetLongueur()) ? psz[i] : 0;
}

int CTStringConcatAW::bIsCharSpace(long i) const {
    if (i < 0 || static_cast<unsigned long>(i) >= nGetLongueur()) return 0;
    return (bModeWide() ? m_clConcatW.pszGet()[i] == L' ' : m_clConcatA.pszGet()[i] == ' ') ? 1 : 0;
}

// ------------------------------------------------------------------------------ input conversion

void CTStringConcatAW::_VersMaitre(const wchar_t* psz, long n, stTexte<char>& stA, stTexte<wchar_t>& stW) const {
    if (bModeWide()) {
        stW.Prend(psz, static_cast<unsigned long>(n), m_clConcatW);
        return;
    }
    stA.clTmp.emplace(_nPasConversion(n));
    stA.clTmp->AddWide(psz, n, m_nCodePage);
    stA.Prend(*stA.clTmp);
}

void CTStringConcatAW::_VersMaitre(const char* psz, long n, unsigned nSource, stTexte<char>& stA,
                                   stTexte<wchar_t>& stW) const {
    if (bModeWide()) {
        stW.clTmp.emplace(static_cast<unsigned long>(n));
        stW.clTmp->AddAnsi(psz, n, nSource);
        stW.Prend(*stW.clTmp);
    } else if (nSource == m_nCodePage) {
        stA.Prend(psz, static_cast<unsigned long>(n), m_clConcatA);
    } else if (m_nCodePage == CP_UTF8) {
        stA.clTmp.emplace(_nPasConversion(n));
        stA.clTmp->AddAnsiToUTF8(psz, n, nSource);
        stA.Prend(*stA.clTmp);
    } else {
        stW.clTmp.emplace(static_cast<unsigned long>(n));
        stW.clTmp->AddAnsi(psz, n, nSource);
        stA.clTmp.emplace(_nPasConversion(n));
        stA.clTmp->AddWide(stW.clTmp->pszGet(), static_cast<long>(stW.clTmp->nGetLongueur()), m_nCodePage);
        stA.Prend(*stA.clTmp);
    }
}

bool CTStringConcatAW::_bEntreePerdue(const stTexte<char>& stA, const stTexte<wchar_t>& stW) {
    if (!stA.bPerdu() && !stW.bPerdu()) return false;
    _SetErreurMaitre();
    return true;
}

// ------------------------------------------------------------------------------------- appending

void CTStringConcatAW::Add(const wchar_t* psz, long n, unsigned) {
    n = _nResoutLongueur(psz, n);
    if (n < 1) return;
    if (bModeWide()) {
        m_clConcatW.Add(psz, n);
        _DropCacheA();
    } else {
        m_clConcatA.AddWide(psz, n, m_nCodePage);
        _DropCacheW();
    }
}

void CTStringConcatAW::SetStrCte(const wchar_t* psz, long n) {
    Vide();
    Add(psz, n, s_nCodePageAppelant);
}

void CTStringConcatAW::Add(const char* psz, long n, unsigned nCodePage) {
    n = _nResoutLongueur(psz, n);
    if (n < 1) return;
    const unsigned nSource = _nResoutCodePage(nCodePage);
    if (bModeWide()) {
        m_clConcatW.AddAnsi(psz, n, nSource);
        _DropCacheA();
        return;
    }
    if (nSource == m_nCodePage) {
        m_clConcatA.Add(psz, n);
    } else if (m_nCodePage == CP_UTF8) {
        m_clConcatA.AddAnsiToUTF8(psz, n, nSource);
    } else if (!m_clConcatA.bIsInError()) {
        CXYStringConcat<wchar_t> clWide(static_cast<unsigned long>(n));
        clWide.AddAnsi(psz, n, nSource);
        if (clWide.bIsInError())
            m_clConcatA._SetError();
        else
            m_clConcatA.AddWide(clWide.pszGet(), static_cast<long>(clWide.nGetLongueur()), m_nCodePage);
    }
    _DropCacheW();
}

void CTStringConcatAW::AddUTF8(const char* psz, long n) {
    n = _nResoutLongueur(psz, n);
    if (n < 1) return;
    if (n > CXYStringConcat<char>::s_nConversionMax && !(m_nCodePage == CP_UTF8 && !bModeWide())) {
        _SetErreurMaitre();  // too large for the decoders, which count in int
        return;
    }
    if (bModeWide()) {
        _DropCacheA();
        const unsigned long L = m_clConcatW.nGetLongueur();
        if (!m_clConcatW._bPrepare(L + static_cast<unsigned long>(n))) return;
        const int nEcrit = CXYStringConcat<wchar_t>::_nUTF8ToX(psz, n, m_clConcatW._pGetBuffer() + L, CP_UTF8);
        if (nEcrit > 0) m_clConcatW._SetLongueur(L + static_cast<unsigned long>(nEcrit));
        return;
    }
    if (m_nCodePage == CP_UTF8) {
        m_clConcatA.Add(psz, n);
    } else if (m_clConcatA._bContient(psz)) {  // the master's own bytes: the buffer may move
        const std::string sCopie(psz, static_cast<size_t>(n));
        AddUTF8(sCopie.data(), n);
        return;
    } else {
        const unsigned long L = m_clConcatA.nGetLongueur();
        if (m_clConcatA._bPrepare(L + static_cast<unsigned long>(n))) {
            const int nEcrit =
                CXYStringConcat<char>::_nUTF8ToX(psz, n, m_clConcatA._pGetBuffer() + L, static_cast<int>(m_nCodePage));
            if (nEcrit > 0)
                m_clConcatA._SetLongueur(L + static_cast<unsigned long>(nEcrit));
            else
                m_clConcatA._SetLongueur(L);
        }
    }
    _DropCacheW();
}

template <class F>
void CTStringConcatAW::_AddAuMaitre(F fnAjout) {
    if (bModeWide())
        fnAjout(m_clConcatW);
    else
        fnAjout(m_clConcatA);
    _DropCache();
}

void CTStringConcatAW::AddNumber(int nValeur, int nChiffres) {
    AddNumber(static_cast<long>(nValeur), nChiffres);
}

void CTStringConcatAW::AddNumber(long nValeur, int nChiffres) {
    _AddAuMaitre([&](auto& cl) { cl.AddNumber(nValeur, nChiffres); });
}

void CTStringConcatAW::AddNumberHexa(unsigned char v) {
    _AddAuMaitre([&](auto& cl) { cl.AddNumberHexa(v); });
}

void CTStringConcatAW::AddNumberHexa(unsigned short v) {
    _AddAuMaitre([&](auto& cl) { cl.AddNumberHexa(v); });
}

void CTStringConcatAW::AddNumberHexa(unsigned int v) {
    _AddAuMaitre([&](auto& cl) { cl.AddNumberHexa(v); });
}

void CTStringConcatAW::AddNumberHexa(unsigned long v) {
    _AddAuMaitre([&](auto& cl) { cl.AddNumberHexa(v); });
}

// --------------------------------------------------------------------------------------- editing

void CTStringConcatAW::Majuscule() {
    if (bEstVide() || _bMaitreEnErreur()) return;
    if (bModeWide()) {
        m_clConcatW.Majuscule();
    } else if (!bCodePageMultiOctet(m_nCodePage)) {
        m_clConcatA.Majuscule();
    } else {
        // Upper-casing byte by byte would rewrite the lead and trail bytes of multi-byte
        // characters (the lead byte of the euro sign in UTF-8 reads as a small a-circumflex): the
        // text is upper-cased as wide characters and written back in its code page.
        const unsigned long nW = nGetLongueurW();
        if (nW == 0) return;  // nothing of the text converts (or the view failed): leave it
        m_clConcatW.Majuscule();
        // Converted aside first: the text is replaced only by a whole result.
        CXYStringConcat<char> clMaj(_nPasConversion(static_cast<long>(nW)));
        clMaj.AddWide(m_clConcatW.pszGet(), static_cast<long>(nW), m_nCodePage);
        if (clMaj.bIsInError()) {
            m_clConcatA._SetError();
        } else if (m_clConcatA._bPrepare(clMaj.nGetLongueur())) {
            m_clConcatA.Vide();
            m_clConcatA.Add(clMaj.pszGet(), static_cast<long>(clMaj.nGetLongueur()));
        }
    }
    _DropCache();
}

// Measured against the master's own length: in 8-bit mode n counts bytes, whatever the number of
// characters the wide view holds.
void CTStringConcatAW::Tronque(long n) {
    const unsigned long L = nGetLongueur();
    if (L == 0 || (n > 0 && static_cast<unsigned long>(n) > L)) return;
    if (n <= 0) {
        Vide();
        return;
    }
    if (_bMaitreEnErreur()) return;
    if (bModeWide())
        m_clConcatW._SetLongueur(static_cast<unsigned long>(n));
    else
        m_clConcatA._SetLongueur(static_cast<unsigned long>(n));
    _DropCache();
}

void CTStringConcatAW::Coupe(long nPos, long n) {
    const unsigned long L = nGetLongueur();
    if (L == 0 || (nPos > 0 && static_cast<unsigned long>(nPos) > L)) return;
    if (nPos + n >= static_cast<long>(L)) {
        Tronque(nPos);
        return;
    }
    if (_bMaitreEnErreur()) return;
    if (nPos < 0) {
        n += nPos;
        nPos = 0;
    }
    if (n <= 0) return;
    if (bModeWide())
        _bRemplacePlage<wchar_t>(m_clConcatW, nPos, n, nullptr, 0);
    else
        _bRemplacePlage<char>(m_clConcatA, nPos, n, nullptr, 0);
    _DropCache();
}

template <class S>
void CTStringConcatAW::_Insert(const S* psz, long n, long nPos) {
    n = _nResoutLongueur(psz, n);
    if (n < 1 || _bMaitreEnErreur()) return;
    stTexte<char> stA;
    stTexte<wchar_t> stW;
    _VersMaitre(psz, n, stA, stW);
    if (_bEntreePerdue(stA, stW)) return;
    if (bModeWide())
        _Insere(m_clConcatW, stW.p, stW.n, nPos);
    else
        _Insere(m_clConcatA, stA.p, stA.n, nPos);
    _DropCache();
}

void CTStringConcatAW::Insert(const wchar_t* psz, long n, long nPos) {
    _Insert(psz, n, nPos);
}

void CTStringConcatAW::Insert(const char* psz, long n, long nPos) {
    _Insert(psz, n, nPos);
}

template <class S>
void CTStringConcatAW::_RemplacePlage(long nPos, long n, const S* psz, long sn) {
    if (bEstVide() || _bMaitreEnErreur()) return;
    sn = _nResoutLongueur(psz, sn);
    stTexte<char> stA;
    stTexte<wchar_t> stW;
    if (sn >= 1) {
        _VersMaitre(psz, sn, stA, stW);
        if (_bEntreePerdue(stA, stW)) return;
        if ((bModeWide() ? stW.n : stA.n) == 0) return;  // nothing came out of the conversion
    }
    const bool bChange = bModeWide() ? _bRemplacePlage(m_clConcatW, nPos, n, stW.p, stW.n)
                                     : _bRemplacePlage(m_clConcatA, nPos, n, stA.p, stA.n);
    if (bChange) _DropCache();
}

void CTStringConcatAW::Remplace(long nPos, long n, const wchar_t* psz, long sn) {
    _RemplacePlage(nPos, n, psz, sn);
}

void CTStringConcatAW::Remplace(long nPos, long n, const char* psz, long sn) {
    _RemplacePlage(nPos, n, psz, sn);
}

template <class S>
void CTStringConcatAW::_RemplaceTout(const S* pszCherche, long fn, const S* pszRemplace, long rn, long nDebut) {
    if (bEstVide() || _bMaitreEnErreur()) return;
    fn = _nResoutLongueur(pszCherche, fn);
    rn = _nResoutLongueur(pszRemplace, rn);
    if (fn < 1) return;
    stTexte<char> stCA, stRA;
    stTexte<wchar_t> stCW, stRW;
    _VersMaitre(pszCherche, fn, stCA, stCW);
    if (rn >= 1) _VersMaitre(pszRemplace, rn, stRA, stRW);
    if (_bEntreePerdue(stCA, stCW) || _bEntreePerdue(stRA, stRW)) return;
    const bool bChange = bModeWide() ? _bRemplaceTout(m_clConcatW, stCW.p, stCW.n, stRW.p, stRW.n, nDebut)
                                     : _bRemplaceTout(m_clConcatA, stCA.p, stCA.n, stRA.p, stRA.n, nDebut);
    if (bChange) _DropCache();
}

void CTStringConcatAW::Remplace(const wchar_t* pszCherche, long fn, const wchar_t* pszRemplace, long rn, long nDebut) {
    _RemplaceTout(pszCherche, fn, pszRemplace, rn, nDebut);
}

void CTStringConcatAW::Remplace(const char* pszCherche, long fn, const char* pszRemplace, long rn, long nDebut) {
    _RemplaceTout(pszCherche, fn, pszRemplace, rn, nDebut);
}

// ------------------------------------------------------------------------------------- searching

int CTStringConcatAW::nPos(wchar_t c, long nDebut) const {
    if (bModeWide()) return _nPosDans(m_clConcatW, &c, 1, nDebut);
    // In 8-bit mode the character is searched as its whole byte form in the text code page: in
    // UTF-8 most characters take more than one byte.
    char aOctets[16];
    const int n = WideCharToMultiByte(m_nCodePage, 0, &c, 1, aOctets, sizeof aOctets, nullptr, nullptr);
    if (n <= 0) return -1;
    return _nPosDans(m_clConcatA, aOctets, static_cast<unsigned long>(n), nDebut);
}

int CTStringConcatAW::nPos(char c, long nDebut) const {
    if (!bModeWide() && (static_cast<unsigned char>(c) < 0x80 || m_nCodePageAppelant == m_nCodePage))
        return _nPosDans(m_clConcatA, &c, 1, nDebut);
    const char aOctet[2] = {c, 0};
    return nPos(aOctet, nDebut);
}

template <class S>
int CTStringConcatAW::_nPosTexte(const S* psz, long nDebut) const {
    if (psz == nullptr || bEstVide()) return -1;
    const long n = _nResoutLongueur(psz, -1);
    stTexte<char> stA;
    stTexte<wchar_t> stW;
    if (n == 0) {  // an empty text stands at the start
        stA.p = "";
        stW.p = L"";
    } else {
        _VersMaitre(psz, n, stA, stW);
        if ((bModeWide() ? stW.n : stA.n) == 0) return -1;  // nothing of it converts
    }
    return bModeWide() ? _nPosDans(m_clConcatW, stW.p, stW.n, nDebut) : _nPosDans(m_clConcatA, stA.p, stA.n, nDebut);
}

int CTStringConcatAW::nPos(const wchar_t* psz, long nDebut) const {
    return _nPosTexte(psz, nDebut);
}

int CTStringConcatAW::nPos(const char* psz, long nDebut) const {
    return _nPosTexte(psz, nDebut);
}
