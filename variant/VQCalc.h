// CVQCalc: the binding to the host's operators. The language's comparisons, text matching, logic
// and arithmetic are the host's: its virtual machine exports one function per operator, and the
// host hands the library its module through the exported bInitVQCalcFromVM. The operators on CAny
// values (variant/VQCalcOperators.h) call the functions kept here.
#pragma once

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
