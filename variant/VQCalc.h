// CVQCalc: the binding to the host's operators. The language's comparisons, text matching, logic
// and arithmetic are the host's: its virtual machine exports one function per operator, and the
// host hands the library its module through the exported bInitVQCalcFromVM. The operators on CAny
// values declared below (defined in VQCalcOperators.cpp) call the functions kept here; they apply
// the NULL rules, derive the negated comparisons and turn the host's raw results into values.
#pragma once

#include "core/TString.h"
#include "core/XYString.h"
#include "variant/Any.h"
#include "variant/VMInterfaces.h"

class CVQCalc {
public:
    // The host's functions, in the order they are bound.
    enum eFONCTION {
        CANCOMPARE,
        AJOUTE,
        SOUSTRAIT,
        MULTIPLIE,
        DIVISE,
        MODULO,
        COMPARAISON,
        EGALITE,
        SUPERIEUR,
        INFERIEUR,
        PRESQUE_EGAL,
        SOUPLE_EGAL,
        COMMENCE_PAR,
        COMMENCE_PAR_SOUPLE,
        COMMENCE_PAR_TRES_SOUPLE,
        CONTIENT,
        CONTIENT_SOUPLE,
        CONTIENT_TRES_SOUPLE,
        TERMINE_PAR,
        TERMINE_PAR_SOUPLE,
        TERMINE_PAR_TRES_SOUPLE,
        ET_LOGIQUE,
        OU_LOGIQUE,
        NON_LOGIQUE,
        NEGATION,
        ADDITION,
        SOUSTRACTION,
        MULTIPLICATION,
        DIVISION,
        MODULO_EX,
        NB_FONCTIONS
    };

    // The names the host exports, indexed by eFONCTION.
    static const char* const s_tabpszNom[NB_FONCTIONS];
    // The bound functions (null until found), indexed by eFONCTION. The first six are kept but
    // called by nothing in this library.
    static PFNVM s_tabpfn[NB_FONCTIONS];
    static HINSTANCE s_hInstanceVM;
    static int s_nVersion;
    static int s_nCompatibilite;

    static int bInitFromVM(HINSTANCE hInstanceVM, int nVersion, int nCompatibilite);

    // The bound function under its calling form (null when not bound).
    static PFNCOMPAREVM pfnCompare(eFONCTION eFonction) { return reinterpret_cast<PFNCOMPAREVM>(s_tabpfn[eFonction]); }
    static PFNNOTVM pfnNot() { return reinterpret_cast<PFNNOTVM>(s_tabpfn[NON_LOGIQUE]); }
    static PFNARITHMETICVM pfnArithmetic(eFONCTION eFonction) {
        return reinterpret_cast<PFNARITHMETICVM>(s_tabpfn[eFonction]);
    }
    static PFNNEGATIONVM pfnNegation() { return reinterpret_cast<PFNNEGATIONVM>(s_tabpfn[NEGATION]); }

    // Forgets the binding (tests only: the host never unbinds).
    static void s_Reset();
};

// Called by the host with its own module: binds the 30 operators in order. 0 below version 2, at
// compatibility level 3 or more, or at the first name missing (those found before it stay bound).
extern "C" __attribute__((visibility("default"))) int bInitVQCalcFromVM(HINSTANCE hInstanceVM, int nVersion,
                                                                        int nCompatibilite);

// Hands the library's binding on to another module that has its own bInitVQCalcFromVM; 1 when it
// has none.
int bInitVQCalcFromServeur(HINSTANCE hInstance);

// ---------------------------------------------------------------------------------------------------
// Operators on values. Results are the host's codes (99 or less success, above 99 an error passed on
// unchanged); 103 when an operand of a comparison or logic operator is NULL (the host is not called
// and the result is not written); 105 when the host's function is not bound.
// ---------------------------------------------------------------------------------------------------

// Comparisons and logic into an int, written by the host.
int nCompare(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nEgalite(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nSuperieur(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nInferieur(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nPresqueEgal(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nSoupleEgal(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nCommencePar(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nCommenceParSouple(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nCommenceParTresSouple(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nContient(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nContientSouple(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nContientTresSouple(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nTerminePar(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nTermineParSouple(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nTermineParTresSouple(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nAnd(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nOr(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
// The negated comparisons: the host's equality, lower-than and greater-than, negated. The negation
// is stored whatever the host answered (a failed call stores 1); the host's code is returned.
int nDifferent(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nSupEgal(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nInfEgal(const CAny& a, const CAny& b, int* pnResultat, unsigned int dwFlags);
int nNot(const CAny& a, int* pnResultat, unsigned int dwFlags);

// The same into a value: a BOOL holding the int result (no flags), stored whatever the host
// answered; nCompare makes an I4 and passes flags 0. The result is untouched when an operand is NULL.
int nCompare(const CAny& a, const CAny& b, CAny* pclResultat);
int nEgalite(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nSuperieur(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nInferieur(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nPresqueEgal(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nSoupleEgal(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nCommencePar(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nCommenceParSouple(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nCommenceParTresSouple(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nContient(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nContientSouple(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nContientTresSouple(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nTerminePar(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nTermineParSouple(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nTermineParTresSouple(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nAnd(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nOr(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nDifferent(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nSupEgal(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nInfEgal(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nNot(const CAny& a, CAny* pclResultat, unsigned int dwFlags);

// Arithmetic: the result takes over the value the host made (of the type the host chose) and is
// NULL when an operand is; NULL operands do reach the host. On an error the result is untouched.
int nAjoute(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nAjouteEx(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nSoustrait(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nMultiplie(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nDivise(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
int nModulo(const CAny& a, const CAny& b, CAny* pclResultat, unsigned int dwFlags);
// -a, written by the host straight into the result's value area.
int nNegatif(const CAny& a, CAny* pclResultat, unsigned int dwFlags);
// +a: a copy of a (nothing when the result is a itself); 0.
int nPositif(const CAny& a, CAny* pclResultat, unsigned int dwFlags);
// a = a + b and a = a - b (flags 0); a is unchanged on an error.
int nIncrementeNumerique(CAny* pclA, const CAny& b);
int nDecrementeNumerique(CAny* pclA, const CAny& b);

// Text dump of a value for traces and error details: the prefix, then "<Empty>", "<NULL>" or the
// value as the host writes it (with detail: its type, data size and bytes in hexadecimal). 0, or
// the failing code after "<ERROR>".
int nGetString(CXYString<wchar_t>* pclSortie, const CAny& clValeur, const wchar_t* pszPrefixe, int bDetail);
int nGetString(CXYString<wchar_t>* pclSortie, const CAny* pclValeur, const wchar_t* pszPrefixe, int bDetail);
int nGetString(CTString* pclSortie, const CAny* pclValeur, const wchar_t* pszPrefixe, int bDetail);
int nGetString(CTString* pclSortie, const CAny& clValeur, const wchar_t* pszPrefixe, int bDetail);
