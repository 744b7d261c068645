// CTStringArray: the owned-string list over CTTableau<CTString*>. Entries are created here with new
// and deleted here; the base array only moves the pointers.
#include "core/TStringArray.h"

#include <cstdarg>
#include <cstdlib>
#include <cwchar>
#include <memory>

#include "core/platformwin/WinFormat.h"

namespace {

// FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING: the format is the text, and the
// formatter allocates the result.
constexpr unsigned FLAGS_FORMAT_MESSAGE = 0x500;

const wchar_t* _pszTexte(const CTString* pcl) {
    return pcl != nullptr ? pcl->pszGet() : L"";
}

const wchar_t* _pszEntree(const void* p) {
    return _pszTexte(*static_cast<CTString* const*>(p));
}

}  // namespace

CTStringArray::~CTStringArray() {
    SupprimeTout();
}

void CTStringArray::_AjouteEntree(CTString* pcl) {
    std::unique_ptr<CTString> pclEntree(pcl);
    CTTableau<CTString*>::Ajoute(pclEntree.get());
    pclEntree.release();
}

void CTStringArray::Ajoute(const CTString* pcl) {
    Ajoute(pcl != nullptr ? pcl->pszGet() : nullptr);
}

void CTStringArray::Ajoute(const wchar_t* psz) {
    _AjouteEntree(new CTString(psz));
}

void CTStringArray::Ajoute(const CTTableau<CTString*>& clAutre) {
    // Counted first: adding an array to itself copies what it held at the start.
    const int nNombre = clAutre.nGetNbElement();
    for (int i = 0; i < nNombre; i++) Ajoute(static_cast<const CTString*>(clAutre[i]));
}

void CTStringArray::vAjoute(const wchar_t* psz, long n) {
    _AjouteEntree(psz != nullptr && n > 0 ? new CTString(psz, n) : new CTString());
}

void CTStringArray::AjouteRecupere(CTString* pcl) {
    auto* pclEntree = new CTString();
    if (pcl != nullptr) pclEntree->Transfert(*pcl);
    _AjouteEntree(pclEntree);
}

void CTStringArray::Initialise(const wchar_t* psz, int n) {
    for (int i = 0; i < n; i++) Ajoute(psz);
}

int CTStringArray::AjoutePrintf(const wchar_t* pszFormat, ...) {
    auto* pclEntree = new CTString();
    _AjouteEntree(pclEntree);
    va_list args;
    va_start(args, pszFormat);
    const int nResultat = pclEntree->FormatV(pszFormat, args);
    va_end(args);
    return nResultat;
}

int CTStringArray::AjouteFormatMessageWin(const wchar_t* pszFormat, ...) {
    auto* pclEntree = new CTString();
    _AjouteEntree(pclEntree);
    va_list args;
    va_start(args, pszFormat);
    wchar_t* pszResultat = nullptr;
    const unsigned nLongueur =
        FormatMessageW(FLAGS_FORMAT_MESSAGE, pszFormat, 0, 0, reinterpret_cast<wchar_t*>(&pszResultat), 0, &args);
    va_end(args);
    int bTexte = 0;
    if (nLongueur != 0 && pszResultat != nullptr) {
        pclEntree->Set(pszResultat);
        bTexte = 1;
    }
    free(pszResultat);
    return bTexte;
}

void CTStringArray::Insere(const CTString* pcl, int i) {
    Insere(pcl != nullptr ? pcl->pszGet() : nullptr, i);
}

void CTStringArray::Insere(const wchar_t* psz, int i) {
    std::unique_ptr<CTString> pclEntree(new CTString(psz));
    CTTableau<CTString*>::Insere(pclEntree.get(), i);
    pclEntree.release();
}

void CTStringArray::SetAt(const CTString* pcl, int i) {
    SetAt(pcl != nullptr ? pcl->pszGet() : nullptr, i);
}

void CTStringArray::SetAt(const wchar_t* psz, int i) {
    // The copy is made before the old entry goes: the text may be the old entry's own.
    auto* pclEntree = new CTString(psz);
    CTString*& pclSlot = CTTableau<CTString*>::operator[](i);
    delete pclSlot;
    pclSlot = pclEntree;
}

void CTStringArray::Supprime(int i) {
    delete CTTableau<CTString*>::operator[](i);
    CTableauDeBuffer::Supprime(i, 1);
}

void CTStringArray::SupprimeTout() {
    for (int i = 0; i < nGetNbElement(); i++) delete CTTableau<CTString*>::operator[](i);
    CTableauDeBuffer::SupprimeTout();
}

CTString* CTStringArray::operator[](int i) const {
    return CTTableau<CTString*>::operator[](i);
}

int CTStringArray::nRecherche(const wchar_t* psz, int bExact, int nDebut) const {
    if (psz == nullptr) psz = L"";
    if (nDebut < 0) nDebut = 0;
    for (int i = nDebut; i < nGetNbElement(); i++) {
        const CTString* pcl = (*this)[i];
        if (bExact) {
            if (wcscmp(_pszTexte(pcl), psz) == 0) return i;
        } else if (pcl != nullptr ? pcl->bEstEgalI(psz) : *psz == 0) {
            return i;
        }
    }
    return -1;
}

int CTStringArray::__nCompare(const void* p1, const void* p2) {
    return wcscmp(_pszEntree(p1), _pszEntree(p2));
}

int CTStringArray::__nCompareI(const void* p1, const void* p2) {
    return wcscasecmp(_pszEntree(p1), _pszEntree(p2));
}

int CTStringArray::__nCompareInverse(const void* p1, const void* p2) {
    return wcscmp(_pszEntree(p2), _pszEntree(p1));
}

void CTStringArray::_Trie(int (*pfCompare)(const void*, const void*)) {
    if (nGetNbElement() > 1) qsort(pGetBuffer(), size_t(nGetNbElement()), sizeof(CTString*), pfCompare);
}

void CTStringArray::TrieCroisssant() {
    _Trie(__nCompare);
}
void CTStringArray::TrieCroisssantI() {
    _Trie(__nCompareI);
}
void CTStringArray::TrieDecroisssant() {
    _Trie(__nCompareInverse);
}

int CTStringArray::bFusion(CTString* pclResultat, const wchar_t* pszSeparateur) const {
    const int nNombre = nGetNbElement();
    if (nNombre == 0) return 1;
    const size_t nSeparateur = pszSeparateur != nullptr ? wcslen(pszSeparateur) : 0;
    size_t nTotal = nSeparateur * size_t(nNombre - 1);
    for (int i = 0; i < nNombre; i++) nTotal += wcslen(_pszTexte((*this)[i]));

    // Built aside and handed over whole: the output may be one of the entries, and a refused
    // allocation leaves it as it was.
    auto* pszTexte = static_cast<wchar_t*>(malloc((nTotal + 1) * sizeof(wchar_t)));
    if (pszTexte == nullptr) return 0;
    wchar_t* p = pszTexte;
    for (int i = 0; i < nNombre; i++) {
        const wchar_t* pszEntree = _pszTexte((*this)[i]);
        const size_t n = wcslen(pszEntree);
        wmemcpy(p, pszEntree, n);
        p += n;
        if (i + 1 < nNombre && nSeparateur != 0) {
            wmemcpy(p, pszSeparateur, nSeparateur);
            p += nSeparateur;
        }
    }
    *p = 0;
    pclResultat->SetBuffer(pszTexte);
    return 1;
}

void CTStringArray::Decoupe(const CTString& clTexte, const wchar_t* pszSeparateur) {
    // The text may be one of the entries, which emptying the array deletes: its buffer is taken
    // over first (the entry goes anyway).
    CTString clRepris;
    const CTString* pclTexte = &clTexte;
    for (int i = 0; i < nGetNbElement(); i++) {
        if ((*this)[i] == &clTexte) {
            clRepris.Transfert(*(*this)[i]);
            pclTexte = &clRepris;
            break;
        }
    }
    SupprimeTout();
    if (pszSeparateur == nullptr || *pszSeparateur == 0) {
        // Without a separator there is one field, the whole text (a separator that is found
        // everywhere would otherwise give fields without end).
        if (pclTexte->nTaille() != 0) Ajoute(pclTexte->pszGet());
        return;
    }
    for (long n = 0;; n++) {
        CTString clChamp;
        if (!pclTexte->bExtraitChaine(n, pszSeparateur, &clChamp)) break;
        AjouteRecupere(&clChamp);
    }
}

void CTStringArray::Decoupe(const wchar_t* pszTexte, const wchar_t* pszSeparateur) {
    const CTString clTexte(pszTexte);
    Decoupe(clTexte, pszSeparateur);
}

int CTStringArray::g_bTrieCroissantI(CTString* pclResultat, const wchar_t* pszTexte, const wchar_t* pszSeparateur) {
    CTStringArray clChamps;
    clChamps.Decoupe(pszTexte, pszSeparateur);
    clChamps._Trie(__nCompareI);
    return clChamps.bFusion(pclResultat, pszSeparateur);
}
