// The host's parsed queries as the driver reads them: the parsed query (ISQLParserInformation), its
// query object (IInfoRequete), its FROM tables (IInfoFrom), output items (IInfoRubrique), ORDER BY
// items (IInfoOrderBy), GROUP BY items (IInfoGroupe), the insertions of an INSERT (IInfoInsertion),
// the assignments of an UPDATE (IInfoAffectation), the nodes of its expression trees
// (IExpOpExpression), the options of a query's execution (INAQueryExecution) and the values of a
// prepared query's parameters (INAQueryParametersValue).
// The table of the values it filled into its text is the host's CTabValParser (pgsql/TabValParser.h).
//
// These objects are the host's: the driver calls them by position in their tables of operations,
// counted from 0, so every position is declared in its place, unknown ones as reserved entries, and
// no interface has a virtual destructor.
//
// Counts. The parsed query, FROM tables, output items, ORDER BY items and expression nodes keep a
// 32-bit count right after their table of operations (CHostRefCount). The driver increments it
// itself (g_HostAddRef) while it keeps such an object, and gives the reference back through the
// object's release operation (position 2; position 1 for an expression node). Every operation that
// hands out one of these objects hands it without a reference. Item and data source descriptions
// handed out by the parsed query come with one external reference, which the caller releases.
// The parameter values count through their own operations (positions 5 and 6).
//
// Texts are the query's wide characters; a span (stPosition) gives the first and the last character
// of a piece of the query text, both included; (0, 0) is "no span".
//
// Positions the host's description leaves open, chosen here (the stand-in host of the tests answers
// them so); every other position is the host's own:
//   ISQLParserInformation  34  piGetItemDescriptionOUT(n): description of the n-th output item
//   IInfoRequete           12  piEnumJointure(first): the joins, one condition node each, whose
//                              span (24) is the join's
//   IInfoFrom               6  stGetPositionAlias(): span of the alias written after the table,
//                              (0, 0) when none is written
//   IInfoRubrique          24  bMasque(): nonzero for an item the host added to the output itself;
//                              such an item is never found by its name under a table
//                          25  nGetIndice(): the item's index among the output items
//                          26  pszGetNomFichierSource(): the table the item is read from, as the
//                              host resolved it (its physical name when the host knows one)
//                          27  pszGetNomTableSource(): the name of that table as the query names
//                              it (an alias replaced by its table's name); 26 and 27 are equal
//                              when the host resolved nothing, empty for a computed item
//   IInfoOrderBy            5  stGetPosition(): span of the ORDER BY item, its direction word left
//                              out
//   IExpOpExpression       46  pclGetValeur(): a literal's value, null when it has none
//                          47  cGetEscape(): the escape character of a LIKE, 0 when none
//                          48  pszGetNomRubrique(): the item name of an item reference
//                          49  pszGetNomFichier(): its table or alias text as written, empty when
//                              the item is not qualified
//                          50  nGetTypeMoteur(): the host engine's type code of the node's value
//                          51  nGetTaille(): the size in bytes of the node's value
//   INAQueryExecution       0  pszGetRubriqueParcours(): the item the host browses a query's result
//                              by (null or empty: none)
//                           1  nGetFlags(): the browse flags of the result's first read
//   INAQueryParametersValue 9  pclGetValeur(name): the value of a parameter, null when unknown
//                          10  nGetDirection(name): 1 in, 2 out, 3 in and out
//   CTabValParser           5-9  the host items the text names as values (pgsql/TabValParser.h)
//   the two spans of a node    24 is the first (the whole expression), 27 the second (the span of a
//                              literal or item itself)
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "native/driver/INAVersion.h"
#include "pgsql/TabValParser.h"

class CAny;
class IExpOpExpression;
class IInfoAffectation;
class IInfoFrom;
class IInfoGroupe;
class IInfoInsertion;
class IInfoOrderBy;
class IInfoRubrique;
class INADataSourceDescription;
class INAItemDescription;

// A span of the query text: first and last character, both included.
struct stPosition {
    int32_t nDebut;
    int32_t nFin;
};
static_assert(sizeof(stPosition) == 8, "returned in one register");

inline bool operator==(const stPosition& a, const stPosition& b) {
    return a.nDebut == b.nDebut && a.nFin == b.nFin;
}
inline bool bNoSpan(const stPosition& st) {
    return st.nDebut == 0 && st.nFin == 0;
}

// The count a referenced host object keeps right after its table of operations.
class CHostRefCount {
public:
    uint32_t m_nHostRef = 0;
};

// One reference more on a host object that the driver keeps.
inline void g_HostAddRef(CHostRefCount* p) {
    if (p != nullptr) __atomic_add_fetch(&p->m_nHostRef, 1u, __ATOMIC_ACQ_REL);
}

// ------------------------------------------------------------------ expression nodes

class IExpOpExpression : public CHostRefCount {
public:
    virtual void _Reserved0() {}
    virtual unsigned nRelease() = 0;                                  // 1
    virtual int eGetOperateur() = 0;                                  // 2: eOPEXPRESSION
    virtual void _Reserved3() {}
    virtual IExpOpExpression* piGetSousExpression() = 0;              // 4: used by some functions
    virtual void _Reserved5() {}
    virtual void _Reserved6() {}
    virtual void _Reserved7() {}
    virtual void _Reserved8() {}
    virtual void _Reserved9() {}
    virtual void _Reserved10() {}
    virtual void _Reserved11() {}
    virtual void _Reserved12() {}
    virtual void _Reserved13() {}
    virtual void _Reserved14() {}
    virtual void _Reserved15() {}
    virtual void _Reserved16() {}
    virtual void _Reserved17() {}
    virtual void _Reserved18() {}
    virtual void _Reserved19() {}
    virtual void _Reserved20() {}
    virtual void _Reserved21() {}
    virtual void _Reserved22() {}
    virtual void _Reserved23() {}
    virtual stPosition stGetPosition() = 0;                           // 24
    virtual void _Reserved25() {}
    virtual void _Reserved26() {}
    virtual stPosition stGetPositionValeur() = 0;                     // 27
    virtual int bJointureExterne() = 0;                               // 28: the outer-join mark
    virtual void _Reserved29() {}
    virtual void _Reserved30() {}
    virtual void _Reserved31() {}
    virtual void _Reserved32() {}
    virtual void _Reserved33() {}
    virtual void _Reserved34() {}
    virtual void _Reserved35() {}
    virtual void _Reserved36() {}
    // 37: the operand at *pnCursor (the caller's cursor, from 0), the cursor moved on; null after
    // the last.
    virtual IExpOpExpression* piGetOperandeSuivant(int* pnCursor) = 0;
    virtual void _Reserved38() {}
    virtual void _Reserved39() {}
    virtual void _Reserved40() {}
    virtual void _Reserved41() {}
    virtual void _Reserved42() {}
    virtual void _Reserved43() {}
    virtual void _Reserved44() {}
    virtual int nGetValeurEntiere() = 0;                              // 45
    // Chosen positions (see the head of this file).
    virtual const CAny* pclGetValeur() = 0;                           // 46
    virtual wchar_t cGetEscape() = 0;                                 // 47
    virtual const wchar_t* pszGetNomRubrique() = 0;                   // 48
    virtual const wchar_t* pszGetNomFichier() = 0;                    // 49
    virtual int nGetTypeMoteur() = 0;                                 // 50
    virtual int nGetTaille() = 0;                                     // 51

protected:
    ~IExpOpExpression() = default;
};

// ------------------------------------------------------------------ clause items

class IInfoFrom : public CHostRefCount {
public:
    virtual void _Reserved0() {}
    virtual void _Reserved1() {}
    virtual unsigned nRelease() = 0;            // 2
    virtual const wchar_t* pszGetNom() = 0;     // 3: the table's own name
    virtual const wchar_t* pszGetAlias() = 0;   // 4: its alias (its own name when it has none)
    virtual stPosition stGetPosition() = 0;     // 5: the table in the text
    virtual stPosition stGetPositionAlias() = 0;  // 6, chosen

protected:
    ~IInfoFrom() = default;
};

class IInfoRubrique : public CHostRefCount {
public:
    virtual void _Reserved0() {}
    virtual void _Reserved1() {}
    virtual unsigned nRelease() = 0;                 // 2
    virtual void _Reserved3() {}
    virtual const wchar_t* pszGetNom() = 0;          // 4: the name it is output under
    virtual const wchar_t* pszGetNomSource() = 0;    // 5: its name in its table
    virtual void _Reserved6() {}
    virtual void _Reserved7() {}
    virtual void _Reserved8() {}
    virtual void _Reserved9() {}
    virtual int bCalcule() = 0;                      // 10: a computed item
    virtual void _Reserved11() {}
    virtual void _Reserved12() {}
    virtual void _Reserved13() {}
    virtual void _Reserved14() {}
    virtual void _Reserved15() {}
    virtual void _Reserved16() {}
    virtual void _Reserved17() {}
    virtual void _Reserved18() {}
    virtual void _Reserved19() {}
    virtual IExpOpExpression* piGetExpression() = 0;  // 20
    virtual stPosition stGetPosition() = 0;           // 21: the item in the text
    virtual const wchar_t* pszGetNomTable() = 0;      // 22: its table or alias text
    virtual int bRubriqueFichier() = 0;               // 23: a plain item of a table
    virtual int bMasque() = 0;                        // 24, chosen
    virtual int nGetIndice() = 0;                     // 25, chosen
    virtual const wchar_t* pszGetNomFichierSource() = 0;  // 26, chosen
    virtual const wchar_t* pszGetNomTableSource() = 0;    // 27, chosen

protected:
    ~IInfoRubrique() = default;
};

class IInfoOrderBy : public CHostRefCount {
public:
    virtual void _Reserved0() {}
    virtual void _Reserved1() {}
    virtual unsigned nRelease() = 0;          // 2
    virtual int bDescendant() = 0;            // 3
    virtual int nGetIndiceRubrique() = 0;     // 4: index of the output item it orders by, -1 none
    virtual stPosition stGetPosition() = 0;   // 5, chosen

protected:
    ~IInfoOrderBy() = default;
};

// A GROUP BY item. The driver keeps its own copies of the host's (CInfoGroupe), which answer the
// same operations.
class IInfoGroupe {
public:
    virtual const wchar_t* pszGetAlias() = 0;             // 0
    virtual int bIsAvecTable() = 0;                       // 1: a table was named
    virtual const wchar_t* pszGetNomTable() = 0;          // 2
    virtual const wchar_t* pszGetNomRubrique() = 0;       // 3
    virtual stPosition stGetPosition() = 0;               // 4
    virtual const wchar_t* pszGetNomFichier() = 0;        // 5
    virtual const wchar_t* pszGetNomRubriqueAlias() = 0;  // 6

protected:
    ~IInfoGroupe() = default;
};

class IInfoInsertion {
public:
    virtual IExpOpExpression* piGetValeur() = 0;    // 0
    virtual IExpOpExpression* piGetRubrique() = 0;  // 1

protected:
    ~IInfoInsertion() = default;
};

class IInfoAffectation {
public:
    virtual IExpOpExpression* piGetRubrique() = 0;  // 0
    virtual IExpOpExpression* piGetValeur() = 0;    // 1

protected:
    ~IInfoAffectation() = default;
};

// ------------------------------------------------------------------ the query

// The parsed query's query object; enumerators take 1 for the first element, 0 for the next, and
// answer null after the last.
class IInfoRequete {
public:
    virtual IInfoRubrique* piEnumRubrique(int bPremier) = 0;  // 0: output items
    virtual void _Reserved1() {}
    virtual void _Reserved2() {}
    virtual void _Reserved3() {}
    virtual int nGetNbGroupe() = 0;                           // 4
    virtual void _Reserved5() {}
    virtual IInfoFrom* piEnumFrom(int bPremier) = 0;          // 6
    virtual IInfoOrderBy* piEnumOrderBy(int bPremier) = 0;    // 7
    virtual IInfoGroupe* piGetGroupe(int n) = 0;              // 8: from 0
    virtual void _Reserved9() {}
    virtual void _Reserved10() {}
    virtual void _Reserved11() {}
    virtual IExpOpExpression* piEnumJointure(int bPremier) = 0;  // 12
    virtual void _Reserved13() {}
    virtual void _Reserved14() {}
    virtual void _Reserved15() {}
    virtual void _Reserved16() {}
    virtual IInfoAffectation* piEnumAffectation(int bPremier) = 0;  // 17
    virtual IInfoInsertion* piEnumInsertion(int bPremier) = 0;      // 18

protected:
    ~IInfoRequete() = default;
};

class ISQLParserInformation : public CHostRefCount {
public:
    // The host's kinds of query (eTYPEREQUETE) the driver tells apart.
    enum : int32_t {
        TYPEREQUETE_SELECT = 1,
        TYPEREQUETE_UPDATE = 3,
        TYPEREQUETE_INSERT = 4,
    };
    // Size of the caller's buffer of position 33, terminator included.
    static constexpr int PHYSICAL_NAME_SIZE = 261;

    virtual void _Reserved0() {}
    virtual void _Reserved1() {}
    virtual unsigned nRelease() = 0;                        // 2
    virtual void _Reserved3() {}
    virtual void _Reserved4() {}
    virtual void _Reserved5() {}
    virtual void _Reserved6() {}
    virtual const wchar_t* pszGetRequete() = 0;             // 7: the query text
    virtual void _Reserved8() {}
    virtual int nGetDebutWhere() = 0;                       // 9: 0 without WHERE
    virtual int nGetFinWhere() = 0;                         // 10
    virtual int nGetDebutOrderBy() = 0;                     // 11: 0 without ORDER BY
    virtual IInfoRequete* piGetInfoRequete() = 0;           // 12
    virtual int nGetDebutHaving() = 0;                      // 13: 0 without HAVING
    virtual int nGetFinHaving() = 0;                        // 14
    virtual void _Reserved15() {}
    virtual void _Reserved16() {}
    virtual IExpOpExpression* piGetExpressionWhere() = 0;   // 17
    virtual void _Reserved18() {}
    virtual CTabValParser* pclGetTabValParser() = 0;        // 19: null when none
    // 20: whether the host's SQL module fits the driver of that module number and version; the
    // host writes its SQL module's version into *pnVersionSQL. 0 when the module is missing.
    virtual int bVerifieModuleSQL(int nModule, int nVersion, uint32_t* pnVersionSQL) = 0;
    // 21: the item of that name in that table (or alias; empty: the query's own choice).
    virtual INAItemDescription* piGetItemDescription(const wchar_t* pszRubrique, const wchar_t* pszTable) = 0;
    virtual void _Reserved22() {}
    virtual INADataSourceDescription* piGetDataSourceDescriptionFrom(IInfoFrom* piFrom) = 0;  // 23
    virtual INADataSourceDescription* piGetDataSourceDescription(const wchar_t* pszTable) = 0;  // 24
    virtual void _Reserved25() {}
    virtual int eGetTypeRequete() = 0;                      // 26
    virtual IExpOpExpression* piGetExpressionHaving() = 0;  // 27
    virtual void _Reserved28() {}
    virtual void _Reserved29() {}
    virtual void _Reserved30() {}
    virtual void _Reserved31() {}
    virtual void _Reserved32() {}
    // 33: the physical name of a table name into the caller's buffer of PHYSICAL_NAME_SIZE
    // characters (empty when the host knows none).
    virtual void GetPhysicalName(const wchar_t* pszTable, wchar_t* pszBuffer) = 0;
    virtual INAItemDescription* piGetItemDescriptionOUT(int nIndice) = 0;  // 34, chosen

protected:
    ~ISQLParserInformation() = default;
};

// ------------------------------------------------------------------ execution options of a query

// What the host asks of the first read of a query's result.
class INAQueryExecution {
public:
    virtual const wchar_t* pszGetRubriqueParcours() const = 0;  // 0, chosen
    virtual unsigned nGetFlags() const = 0;                      // 1, chosen

protected:
    ~INAQueryExecution() = default;
};

// ------------------------------------------------------------------ parameter values

class INAQueryParametersValue : public INAVersion {
public:
    virtual void AddRef() = 0;                                        // 5
    virtual unsigned nRelease() = 0;                                  // 6
    virtual void _Reserved7() {}
    virtual int bPrepareRequeteCalled() = 0;                          // 8
    virtual const CAny* pclGetValeur(const wchar_t* pszNom) = 0;      // 9, chosen
    virtual int nGetDirection(const wchar_t* pszNom) = 0;             // 10, chosen

protected:
    ~INAQueryParametersValue() = default;
};

// Reference arrays of host objects count through the host's count and release operation.
template <>
struct CRefTraits<IInfoFrom> {
    static void _AddRef(IInfoFrom* p) { g_HostAddRef(p); }
    static void _Release(IInfoFrom* p) { p->nRelease(); }
};
template <>
struct CRefTraits<IInfoRubrique> {
    static void _AddRef(IInfoRubrique* p) { g_HostAddRef(p); }
    static void _Release(IInfoRubrique* p) { p->nRelease(); }
};
template <>
struct CRefTraits<IInfoOrderBy> {
    static void _AddRef(IInfoOrderBy* p) { g_HostAddRef(p); }
    static void _Release(IInfoOrderBy* p) { p->nRelease(); }
};
