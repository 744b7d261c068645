// CStringParameter: locating, reading, replacing and removing "name=value" items of ";"-separated
// texts. Positions are found on upper-case copies (case-blind names) and applied to the original.
#include "core/StringParameter.h"

#include <cwchar>

namespace {

// True when only spaces lie between the position and the start of its item (a ";" or the start of
// the text).
bool _bDebutElement(const wchar_t* psz, long nPos) {
    while (nPos > 0 && psz[nPos - 1] == L' ') nPos--;
    return nPos == 0 || psz[nPos - 1] == L';';
}

bool _bSeparateurOuEspace(wchar_t c) {
    return c == L';' || c == L' ';
}

// True when the position lies in the name part of its item: no "=" between the item's start and
// it. Past the item's first "=" is its value, where a name is text, never an item.
bool _bDansLeNom(const wchar_t* psz, long nPos) {
    while (nPos > 0 && psz[nPos - 1] != L';') {
        if (psz[nPos - 1] == L'=') return false;
        nPos--;
    }
    return true;
}

// A value written into a text must stay one value: a ";" in it would end the item there and make
// the rest items of their own ("x;Host=evil"). A name must also stay a name.
bool _bValeurEcrivable(const wchar_t* pszValeur) {
    return pszValeur == nullptr || wcschr(pszValeur, L';') == nullptr;
}
bool _bNomEcrivable(const wchar_t* pszNom) {
    return pszNom != nullptr && *pszNom != 0 && wcspbrk(pszNom, L";=") == nullptr;
}

}  // namespace

CStringParameter::CStringParameter(const wchar_t* pszName) : m_pszName(pszName), m_bDefined(0) {}

CStringParameter::~CStringParameter() = default;

void CStringParameter::SetParameterValue(const wchar_t* pszValue, long n, const wchar_t*, int) {
    if (pszValue == nullptr) {
        m_clValue.Vide();
        m_bDefined = 0;
        return;
    }
    if (n < 0)
        m_clValue.Set(pszValue);
    else
        m_clValue.Set(pszValue, static_cast<unsigned long>(n));
    m_clValue.SansEspace();
    m_bDefined = 1;
}

void CStringParameter::SetParameterValueRep(const wchar_t* pszValue, long n) {
    SetParameterValue(pszValue, n);
    if (m_clValue.nTaille() != 0 && !m_clValue.bTerminePar(L'\\')) m_clValue.Add(L'\\');
}

int CStringParameter::bCompleteConnectionString(CTString* pclConnectionString, const wchar_t*, int) {
    if (m_bDefined && pclConnectionString != nullptr) {
        if (!_bNomEcrivable(m_pszName) || !_bValeurEcrivable(m_clValue.pszGet())) return 0;
        if (pclConnectionString->nTaille() != 0) pclConnectionString->Add(L';');
        pclConnectionString->Add(m_pszName);
        pclConnectionString->Add(L'=');
        pclConnectionString->Add(m_clValue.pszGet());
    }
    return 1;
}

int CStringParameter::bInitParameterValue(CTString* pclText, int bRemove, const wchar_t*, int) {
    return s_bGetParameterValue(&m_clValue, &m_bDefined, pclText, m_pszName, bRemove);
}

int CStringParameter::_s_bGetParameterPos(long& nNamePos, long& nValueStart, long& nValueEnd, CTString* pclText,
                                          const wchar_t* pszName) {
    nNamePos = 0;
    nValueStart = -1;
    nValueEnd = -1;
    if (pclText == nullptr || pclText->nTaille() == 0 || pszName == nullptr || *pszName == 0) return 0;

    CTString clTexte(*pclText);
    clTexte.Majuscule();
    CTString clNom(pszName);
    clNom.Majuscule();
    const wchar_t* psz = clTexte.pszGet();
    const wchar_t* pszNom = clNom.pszGet();
    const long nLongueur = clTexte.nTaille();
    const long nLongueurNom = clNom.nTaille();

    // Every occurrence in the name part of an item and followed by spaces and "=" is an item of the
    // name. The first one that begins an item wins; failing that, the first one that ends a longer
    // name.
    long nPos = -1;
    long nApresNom = -1;
    for (long nCherche = 0; nCherche <= nLongueur;) {
        const wchar_t* pTrouve = wcsstr(psz + nCherche, pszNom);
        if (pTrouve == nullptr) break;
        const long nTrouve = pTrouve - psz;
        long nSuite = nTrouve + nLongueurNom;
        while (psz[nSuite] == L' ') nSuite++;
        if (psz[nSuite] == L'=' && _bDansLeNom(psz, nTrouve)) {
            if (_bDebutElement(psz, nTrouve)) {
                nPos = nTrouve;
                nApresNom = nSuite;
                break;
            }
            if (nPos < 0) {
                nPos = nTrouve;
                nApresNom = nSuite;
            }
        }
        nCherche = nTrouve + 1;
    }
    if (nPos < 0) return 0;

    long nDebut = nApresNom + 1;
    while (psz[nDebut] == L' ') nDebut++;
    const wchar_t* pFin = wcschr(psz + nDebut, L';');
    nNamePos = nPos;
    nValueStart = nDebut;
    nValueEnd = pFin != nullptr ? long(pFin - psz) - 1 : nLongueur - 1;
    return 1;
}

int CStringParameter::s_bGetParameterValue(CTString* pclValue, int* pbFound, CTString* pclText, const wchar_t* pszName,
                                           int bRemove) {
    if (pclValue != nullptr) pclValue->Vide();
    long nNamePos = 0, nValueStart = -1, nValueEnd = -1;
    const int bFound = _s_bGetParameterPos(nNamePos, nValueStart, nValueEnd, pclText, pszName);
    if (pbFound != nullptr) *pbFound = bFound;
    if (!bFound) return 1;

    const wchar_t* psz = pclText->pszGet();
    if (pclValue != nullptr && nValueEnd >= nValueStart) {
        pclValue->Set(psz + nValueStart, static_cast<unsigned long>(nValueEnd - nValueStart + 1));
        pclValue->SansEspace();
    }

    if (bRemove) {
        const long nLongueur = pclText->nTaille();
        // The cut starts where the item holding the name starts: for a name that begins its item,
        // that is the name less the spaces in front of it; for a name found at the end of a longer
        // name, the whole item goes, so that no piece of it is glued to the next.
        long nDebutCoupe = nNamePos;
        while (nDebutCoupe > 0 && psz[nDebutCoupe - 1] != L';') nDebutCoupe--;
        long nFinCoupe = nValueEnd + 1;
        while (nFinCoupe < nLongueur && _bSeparateurOuEspace(psz[nFinCoupe])) nFinCoupe++;

        CTString clReste(psz, nDebutCoupe);
        clReste.Add(psz + nFinCoupe);
        const wchar_t* pszReste = clReste.pszGet();
        long nTete = 0;
        while (_bSeparateurOuEspace(pszReste[nTete])) nTete++;
        if (nTete != 0) {
            CTString clSansTete(pszReste + nTete);
            clReste.Transfert(clSansTete);
        }
        pclText->Transfert(clReste);
    }
    return 1;
}

int CStringParameter::s_bParameterDefined(CTString* pclText, const wchar_t* pszName) {
    long nNamePos = 0, nValueStart = -1, nValueEnd = -1;
    return _s_bGetParameterPos(nNamePos, nValueStart, nValueEnd, pclText, pszName);
}

int CStringParameter::s_bReplaceParameterValue(CTString* pclText, const wchar_t* pszValue, const wchar_t* pszName) {
    if (pclText == nullptr) return 1;
    if (!_bNomEcrivable(pszName) || !_bValeurEcrivable(pszValue)) return 0;
    long nNamePos = 0, nValueStart = -1, nValueEnd = -1;
    if (_s_bGetParameterPos(nNamePos, nValueStart, nValueEnd, pclText, pszName)) {
        const wchar_t* psz = pclText->pszGet();
        CTString clNouveau(psz, nValueStart);
        clNouveau.Add(pszValue);
        clNouveau.Add(psz + nValueEnd + 1);
        pclText->Transfert(clNouveau);
    } else {
        if (pclText->nTaille() != 0) pclText->Add(L';');
        pclText->Add(pszName);
        pclText->Add(L'=');
        pclText->Add(pszValue);
    }
    return 1;
}
