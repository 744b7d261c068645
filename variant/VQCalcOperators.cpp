// The operators on CAny values through the host's functions bound in CVQCalc (comparisons, text
// matching, logic, arithmetic), and the text dump of a value used in traces and error details.
#include <cstring>
#include <cwchar>
#include <iterator>

#include "variant/VQCalc.h"
#include "variant/VQConv.h"

namespace {

// Where the host writes an arithmetic result: a value area in the layout of the result's code.
struct stZoneResultat {
    alignas(8) unsigned char aby[40] = {};
};

// A comparison or logic operator with an int result. NULL operands never reach the host.
int nCompareHote(CVQCalc::eFONCTION eFonction, const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags) {
    if (a.bIsNull() || b.bIsNull()) return VQERR_NULL;
    PFNCOMPAREVM pfn = CVQCalc::pfnCompare(eFonction);
    if (pfn == nullptr) return VQCONV_NON_LIE;
    return pfn(a.pbyGetValeur(), a.nGetType(), b.pbyGetValeur(), b.nGetType(), pnResultat, dwFlags, nullptr);
}

// A negated comparison: the host's answer into a local that starts at 0, its negation stored.
int nCompareNiee(CVQCalc::eFONCTION eFonction, const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags) {
    if (a.bIsNull() || b.bIsNull()) return VQERR_NULL;
    if (CVQCalc::pfnCompare(eFonction) == nullptr) return VQCONV_NON_LIE;
    int nLocal = 0;
    int nCode = nCompareHote(eFonction, a, b, &nLocal, dwFlags);
    *pnResultat = nLocal == 0 ? 1 : 0;
    return nCode;
}

// The value form of an int operator: a BOOL (or, for the ordering, an I4) holding the int result,
// stored whatever the host answered. An operand that is NULL leaves the result untouched (so does
// a host function that is not bound: the callers answer before coming here).
template <typename FN>
int nEnValeur(const CAny& a, const CAny& b, CAny* pclResultat, unsigned short nType, FN fnEntier) {
    if (a.bIsNull() || b.bIsNull()) return VQERR_NULL;
    int nLocal = 0;
    int nCode = fnEntier(&nLocal);
    if (nType == VQTYPE_I4)
        pclResultat->SetI4(nLocal);
    else
        pclResultat->SetBOOL(nLocal);
    return nCode;
}

// Arithmetic: the result takes over the value the host wrote.
int nArithmetique(CVQCalc::eFONCTION eFonction, const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags) {
    PFNARITHMETICVM pfn = CVQCalc::pfnArithmetic(eFonction);
    if (pfn == nullptr) return VQCONV_NON_LIE;
    stZoneResultat stZone;
    unsigned short nTypeResultat = 0;
    int nCode = pfn(a.pbyGetValeur(), a.nGetTypeCode(), b.pbyGetValeur(), b.nGetTypeCode(), stZone.aby, &nTypeResultat,
                    dwFlags, nullptr);
    if (nCode > VQERR_DERNIER_SUCCES_HOTE) return nCode;
    // Read before the result changes: it may be one of the operands.
    bool bNull = a.bIsNull() || b.bIsNull();
    pclResultat->__TransfertValeurInterne(nTypeResultat, stZone.aby);
    if (bNull) pclResultat->SetFlags(VQTYPE_FLAG_NULL);
    return nCode;
}

// a = a + b or a = a - b, flags 0.
int nNumeriqueEnPlace(CVQCalc::eFONCTION eFonction, CAny* pclA, const CAny& b) {
    PFNARITHMETICVM pfn = CVQCalc::pfnArithmetic(eFonction);
    if (pfn == nullptr) return VQCONV_NON_LIE;
    stZoneResultat stZone;
    unsigned short nTypeResultat = 0;
    int nCode = pfn(pclA->pbyGetValeur(), pclA->nGetTypeCode(), b.pbyGetValeur(), b.nGetTypeCode(), stZone.aby,
                    &nTypeResultat, 0, nullptr);
    if (nCode > VQERR_DERNIER_SUCCES_HOTE) return nCode;
    bool bNull = pclA->bIsNull() || b.bIsNull();
    if (nTypeResultat == VQTYPE_DECIMAL) {
        // The value gets its own copy of the host's decimal, which goes back to the factory.
        IDecimalVQ* piDecimal;
        memcpy(&piDecimal, stZone.aby, sizeof(piDecimal));
        pclA->__SetType(nTypeResultat, 0);
        pclA->pclGetValeur()->SetValue(piDecimal);
        CVQConv::s_ReleaseDecimal(piDecimal);
    } else {
        // Every other result is taken over as the host wrote it: a text or byte buffer the host
        // made belongs to the value from here on (setting a copy would leave the host's behind).
        pclA->__TransfertValeurInterne(nTypeResultat, stZone.aby);
    }
    pclA->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    if (bNull) pclA->SetFlags(VQTYPE_FLAG_NULL);
    return nCode;
}

}  // namespace

// ------------------------------------------------------------------------------------------------
// Comparisons and logic
// ------------------------------------------------------------------------------------------------
// Both forms of one operator: into an int, and into a BOOL value.
#define VQCALC_OPERATEUR(nom, calcul, fonction)                                                                       \
    int nom(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags) {                                    \
        return calcul(CVQCalc::fonction, a, b, pnResultat, dwFlags);                                                  \
    }                                                                                                                 \
    int nom(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags) {                                  \
        if (CVQCalc::pfnCompare(CVQCalc::fonction) == nullptr && !a.bIsNull() && !b.bIsNull()) return VQCONV_NON_LIE; \
        return nEnValeur(a, b, pclResultat, VQTYPE_BOOL, [&](int* pn) { return nom(a, b, pn, dwFlags); });            \
    }

VQCALC_OPERATEUR(nCompare, nCompareHote, COMPARAISON)
VQCALC_OPERATEUR(nEgalite, nCompareHote, EGALITE)
VQCALC_OPERATEUR(nSuperieur, nCompareHote, SUPERIEUR)
VQCALC_OPERATEUR(nInferieur, nCompareHote, INFERIEUR)
VQCALC_OPERATEUR(nPresqueEgal, nCompareHote, PRESQUE_EGAL)
VQCALC_OPERATEUR(nSoupleEgal, nCompareHote, SOUPLE_EGAL)
VQCALC_OPERATEUR(nCommencePar, nCompareHote, COMMENCE_PAR)
VQCALC_OPERATEUR(nCommenceParSouple, nCompareHote, COMMENCE_PAR_SOUPLE)
VQCALC_OPERATEUR(nCommenceParTresSouple, nCompareHote, COMMENCE_PAR_TRES_SOUPLE)
VQCALC_OPERATEUR(nContient, nCompareHote, CONTIENT)
VQCALC_OPERATEUR(nContientSouple, nCompareHote, CONTIENT_SOUPLE)
VQCALC_OPERATEUR(nContientTresSouple, nCompareHote, CONTIENT_TRES_SOUPLE)
VQCALC_OPERATEUR(nTerminePar, nCompareHote, TERMINE_PAR)
VQCALC_OPERATEUR(nTermineParSouple, nCompareHote, TERMINE_PAR_SOUPLE)
VQCALC_OPERATEUR(nTermineParTresSouple, nCompareHote, TERMINE_PAR_TRES_SOUPLE)
VQCALC_OPERATEUR(nAnd, nCompareHote, ET_LOGIQUE)
VQCALC_OPERATEUR(nOr, nCompareHote, OU_LOGIQUE)
VQCALC_OPERATEUR(nDifferent, nCompareNiee, EGALITE)
VQCALC_OPERATEUR(nSupEgal, nCompareNiee, INFERIEUR)
VQCALC_OPERATEUR(nInfEgal, nCompareNiee, SUPERIEUR)

int nCompare(const CAny& a, const CAny& b, CAny* pclResultat) {
    if (CVQCalc::pfnCompare(CVQCalc::COMPARAISON) == nullptr && !a.bIsNull() && !b.bIsNull()) return VQCONV_NON_LIE;
    return nEnValeur(a, b, pclResultat, VQTYPE_I4, [&](int* pn) { return nCompare(a, b, pn, 0); });
}

int nNot(const CAny& a, int* pnResultat, unsigned int dwFlags) {
    if (a.bIsNull()) return VQERR_NULL;
    PFNNOTVM pfn = CVQCalc::pfnNot();
    if (pfn == nullptr) return VQCONV_NON_LIE;
    return pfn(a.pbyGetValeur(), a.nGetType(), pnResultat, dwFlags, nullptr);
}

int nNot(const CAny& a, CAny* pclResultat, unsigned int dwFlags) {
    if (CVQCalc::pfnNot() == nullptr && !a.bIsNull()) return VQCONV_NON_LIE;
    return nEnValeur(a, a, pclResultat, VQTYPE_BOOL, [&](int* pn) { return nNot(a, pn, dwFlags); });
}

// ------------------------------------------------------------------------------------------------
// Arithmetic
// ------------------------------------------------------------------------------------------------
#define VQCALC_ARITHMETIQUE(nom, fonction)                                           \
    int nom(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags) { \
        return nArithmetique(CVQCalc::fonction, a, b, pclResultat, dwFlags);         \
    }

// nAjoute and nAjouteEx are the same addition.
VQCALC_ARITHMETIQUE(nAjoute, ADDITION)
VQCALC_ARITHMETIQUE(nAjouteEx, ADDITION)
VQCALC_ARITHMETIQUE(nSoustrait, SOUSTRACTION)
VQCALC_ARITHMETIQUE(nMultiplie, MULTIPLICATION)
VQCALC_ARITHMETIQUE(nDivise, DIVISION)
VQCALC_ARITHMETIQUE(nModulo, MODULO_EX)

int nNegatif(const CAny& a, CAny* pclResultat, unsigned int dwFlags) {
    PFNNEGATIONVM pfn = CVQCalc::pfnNegation();
    if (pfn == nullptr) return VQCONV_NON_LIE;
    // The result is retyped before the host reads a: when it is a itself, the host reads a copy.
    CAny clCopie;
    const CAny* pclA = &a;
    if (pclResultat == &a) {
        clCopie = a;
        pclA = &clCopie;
    }
    bool bNull = pclA->bIsNull();
    unsigned short nTypeResultat = pclA->nGetTypeCode();
    pclResultat->__SetType(nTypeResultat, 0);
    // What the result holds before the host writes: a new decimal of the factory, or the value it
    // already had when it was of a's type.
    const unsigned short nTypeAvant = pclResultat->nGetTypeCode();
    unsigned char abyAvant[VQTAILLE_VALEUR];
    memcpy(abyAvant, pclResultat->pbyGetValeur(), sizeof(abyAvant));
    int nCode =
        pfn(pclA->pbyGetValeur(), pclA->nGetTypeCode(), pclResultat->pbyGetValeur(), &nTypeResultat, dwFlags, nullptr);
    if (nCode > VQERR_DERNIER_SUCCES_HOTE) return nCode;
    if (memcmp(abyAvant, pclResultat->pbyGetValeur(), sizeof(void*)) != 0) {
        // The host wrote a value of its own over that one (a decimal or a text it made): the one
        // replaced would be lost, so a local value takes it over and releases it. For numbers and
        // fixed texts this releases nothing.
        CAny clRemplace;
        clRemplace.__TransfertValeurInterne(nTypeAvant, abyAvant);
    }
    pclResultat->__SetType(nTypeResultat, 1);
    if (bNull) pclResultat->SetFlags(VQTYPE_FLAG_NULL);
    return nCode;
}

int nPositif(const CAny& a, CAny* pclResultat, unsigned int) {
    if (pclResultat != &a) *pclResultat = a;
    return VQERR_OK;
}

int nIncrementeNumerique(CAny* pclA, const CAny& b) {
    return nNumeriqueEnPlace(CVQCalc::ADDITION, pclA, b);
}
int nDecrementeNumerique(CAny* pclA, const CAny& b) {
    return nNumeriqueEnPlace(CVQCalc::SOUSTRACTION, pclA, b);
}

// ------------------------------------------------------------------------------------------------
// Text dump
// ------------------------------------------------------------------------------------------------
namespace {

constexpr unsigned long DUMP_OCTETS_MAX = 500;

void Ajoute(CXYString<wchar_t>* pcl, const wchar_t* psz) {
    pcl->nConcat(psz);
}

int nErreur(CXYString<wchar_t>* pcl, int nCode) {
    Ajoute(pcl, L"<ERROR>");
    return nCode;
}

}  // namespace

int nGetString(CXYString<wchar_t>* pclSortie, const CAny& clValeur, const wchar_t* pszPrefixe, int bDetail) {
    pclSortie->nAffecteConversion(pszPrefixe != nullptr ? pszPrefixe : L"", -1);
    unsigned short nType = clValeur.nGetTypeCode();
    if (nType == VQTYPE_VIDE) {
        Ajoute(pclSortie, L"<Empty>");
        return VQERR_OK;
    }
    const CAny_Intern* pclObjet = clValeur.pclGetValeur();
    if (bDetail) {
        unsigned long nTaille = 0;
        pclObjet->nGetDataSize(&nTaille);
        wchar_t szEntete[64];
        swprintf(szEntete, std::size(szEntete), L"Type=%d, Len=%d, Value=", int(nType), int(nTaille));
        Ajoute(pclSortie, szEntete);
    }
    if (clValeur.bIsNull()) {
        Ajoute(pclSortie, L"<NULL>");
        return VQERR_OK;
    }

    CAny clCopie(clValeur);
    int nCode = clCopie.__nCastTo(VQTYPE_PSTRW, nullptr, 1);
    if (nCode > VQERR_DERNIER_SUCCES_HOTE) return nErreur(pclSortie, nCode);
    if (clCopie.bIsNull()) return nErreur(pclSortie, VQERR_NULL);
    if (clCopie.nGetType() != VQTYPE_PSTRW) return nErreur(pclSortie, VQERR_TYPE);
    const wchar_t* pszTexte = nullptr;
    nCode = clCopie.pclGetValeur()->nFillBuffer(&pszTexte);
    if (nCode > VQERR_DERNIER_SUCCES_HOTE) return nErreur(pclSortie, nCode);
    if (pszTexte != nullptr) Ajoute(pclSortie, pszTexte);

    if (bDetail) {
        void* pDonnees = nullptr;
        unsigned long nTaille = 0;
        if (pclObjet->nGetDataAdr(&pDonnees) != VQERR_OK || pclObjet->nGetDataSize(&nTaille) != VQERR_OK)
            return VQERR_OK;
        Ajoute(pclSortie, L", Value(binary)=");
        if (nTaille > DUMP_OCTETS_MAX) {
            Ajoute(pclSortie, L"(first 500 bytes only) ");
            nTaille = DUMP_OCTETS_MAX;
        }
        if (nTaille == 0 || pDonnees == nullptr) return VQERR_OK;
        wchar_t szHexa[2 * DUMP_OCTETS_MAX + 1];
        const auto* pby = static_cast<const unsigned char*>(pDonnees);
        for (unsigned long i = 0; i < nTaille; i++) swprintf(szHexa + 2 * i, 3, L"%02X", pby[i]);
        Ajoute(pclSortie, szHexa);
    }
    return VQERR_OK;
}

int nGetString(CXYString<wchar_t>* pclSortie, const CAny* pclValeur, const wchar_t* pszPrefixe, int bDetail) {
    if (pclValeur != nullptr) return nGetString(pclSortie, *pclValeur, pszPrefixe, bDetail);
    pclSortie->nAffecteConversion(pszPrefixe != nullptr ? pszPrefixe : L"", -1);
    Ajoute(pclSortie, L"<NULL>");
    return VQERR_OK;
}

int nGetString(CTString* pclSortie, const CAny* pclValeur, const wchar_t* pszPrefixe, int bDetail) {
    CXYString<wchar_t> clTexte;
    int nCode = nGetString(&clTexte, pclValeur, pszPrefixe, bDetail);
    pclSortie->Set(clTexte.pszGet());
    return nCode;
}

int nGetString(CTString* pclSortie, const CAny& clValeur, const wchar_t* pszPrefixe, int bDetail) {
    return nGetString(pclSortie, &clValeur, pszPrefixe, bDetail);
}
