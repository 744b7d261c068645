// CNAExpression: one node of the condition tree a search or a filter describes its rows with:
// a comparison of one column with one value (a leaf), AND, OR and NOT over other nodes, a
// condition the host has parsed, or a constant truth. The tree is written into the WHERE text of a
// command, one bind parameter per compared value. On the way the walk folds the conditions that
// are always true or always false, lets NULL rows through where the host's key order puts NULL
// inside the range (the server's comparisons never hold for NULL), turns a prefix search on text
// into LIKE and a partial date or time into a range.
//
// Nodes are reference-counted and built once per search; they are written many times, and the
// rewrites of a leaf and the folding of AND and OR change the node's operator in place, so that a
// later write starts from what an earlier one found.
//
// Building and folding are in NAExpression.cpp; the leaves (values, LIKE, dates, NULL) in
// NAExpressionValue.cpp.
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "native/model/Interf.h"
#include "native/model/NAItemType.h"
#include "native/sql/OpExpression.h"

class CAny;
class CColumnNullValueExcluded;
class CNACommand;
class CNAColumn;
class CNAConnectionDescription;
class CNAConvertVariant;
class CNAError;
class CNARecherche;
class CNARecord;
class CSQLParserInfo;
class CTString;
class ISQLParserInformation;
template <typename T>
class CTTableauPtr;

// The operators of a condition tree.
enum eNAOperator : uint32_t {
    NAOP_EMPTY = 0,  // writes nothing, succeeds
    NAOP_OR = 1,
    NAOP_AND = 2,
    NAOP_NOT = 3,
    NAOP_EQUAL = 4,
    NAOP_GREATER = 5,
    NAOP_LESS = 6,
    NAOP_GREATEREQUAL = 7,
    NAOP_LESSEQUAL = 8,
    NAOP_SQL = 9,     // a condition the host parsed
    NAOP_FALSE = 10,  // always false
    NAOP_TRUE = 11,   // always true
    NAOP_DIFFERENT = 12,
    NAOP_ISNULL = 13,
    NAOP_ISNOTNULL = 14,
};

// Flags of a node: the search's flags handed down, with these bits added.
constexpr uint32_t NAEXP_GENERIC = 0x1;        // the value is a prefix (text) or a partial date or time
constexpr uint32_t NAEXP_LOWERBOUND = 0x40;    // lower bound of a filter range
constexpr uint32_t NAEXP_UPPERBOUND = 0x80;    // upper bound of a filter range
constexpr uint32_t NAEXP_COMPOSEDKEY = 0x100;  // the node belongs to a search on a composite key

class CNAExpression : public CInterf {
public:
    // An empty node (operator 0); takes a reference on the error object.
    explicit CNAExpression(CNAError* pclError);
    CNAExpression(const CNAExpression&) = delete;
    CNAExpression& operator=(const CNAExpression&) = delete;
    ~CNAExpression() override;

    // ---- virtual operations after CInterf's, in slot order
    // An empty node of the same class sharing the error object, no reference taken; null when it
    // cannot be made.
    virtual CNAExpression* pclAllocExpression();
    // Writes a leaf (or a constant): see NAExpressionValue.cpp.
    virtual int _bGetSQLFromValue(CNACommand* pclCommand, CNARecherche* pclSearch, int* pbConstant);

    // ---- building
    // A logical node over both operands (references taken).
    void InitExpression(eNAOperator eOp, CNAExpression* pclLeft, CNAExpression* pclRight, unsigned nFlags);
    // A leaf comparing the column with the value (references taken); its source is the query the
    // column comes from, if any.
    void InitExpression(eNAOperator eOp, CNAColumn* pclColumn, CNAConvertVariant* pclValue, unsigned nFlags);
    // A condition the host parsed.
    void InitExpression(ISQLParserInformation* piCondition, unsigned nFlags);
    // The factory, then the matching InitExpression; null when the factory makes nothing.
    CNAExpression* pclAllocExpression(eNAOperator eOp, CNAExpression* pclLeft, CNAExpression* pclRight,
                                      unsigned nFlags);
    CNAExpression* pclAllocExpression(eNAOperator eOp, CNAColumn* pclColumn, CNAConvertVariant* pclValue,
                                      unsigned nFlags);
    CNAExpression* pclAllocExpression(ISQLParserInformation* piCondition, unsigned nFlags);
    // A new node (eOp, this, right) with this node's flags; null when it cannot be made.
    CNAExpression* pclAddOperation(eNAOperator eOp, CNAExpression* pclRight);
    // A deep copy: leaves over the same column and value object, logical nodes over copies.
    CNAExpression* pclClone();
    // Replaces one operand of this node by another (this node's reference moves to the new one).
    void Insert(CNAExpression* pclOld, CNAExpression* pclNew);

    // ---- writing
    // Writes the subtree; *pbConstant is set when it folded to always true or always false (the
    // node's operator is then 10 or 11 and nothing of it stays in the text). The AND of the
    // operands' results.
    int bGetSQL(CNACommand* pclCommand, eNAOperator eParent, CNARecherche* pclSearch, int* pbConstant,
                CNARecord* pclRecord);
    // Turns the equalities of the tree into the comparison eOp (to browse on past the searched
    // value). Answers the node that took the place of the last leaf reached: a new node when a
    // leaf without a parent had to be wrapped, this node otherwise (no reference added).
    CNAExpression* pclTransformEqualTo(CNARecord* pclRecord, CNAExpression* pclParent, eNAOperator eOp);
    // Whether rows with a NULL value in the column pass this node.
    int bColumnValuesNullSelected(const CNAColumn* pclColumn);

    // A leaf written as its column, its operator and one value parameter whatever its value, the
    // text around the value told apart by the value's type and whether NULL rows pass: a code for
    // that text, -1 for a leaf whose text depends on its value itself (NULL, empty, a prefix...).
    int nReusableValueShape() const;
    // The leaf's value made the one parameter of a command this leaf wrote with another value of
    // the same shape, as the writing makes it; false when that command is not of one plain value.
    int bRefreshValueParameter(CNACommand* pclCommand, CNARecherche* pclSearch);

    // ---- reading
    eNAOperator eGetOperator() const { return m_eOperator; }
    void SetOperator(eNAOperator eOp) { m_eOperator = eOp; }
    unsigned nGetFlags() const { return m_dwFlags; }
    int bIsGenerique() const { return (m_dwFlags & NAEXP_GENERIC) != 0; }
    bool bIsLeaf() const { return m_pclColumn != nullptr && m_pclLeft == nullptr && m_pclRight == nullptr; }
    CNAExpression* pclGetLeftNoRef() const { return m_pclLeft; }
    CNAExpression* pclGetRightNoRef() const { return m_pclRight; }
    CNAColumn* pclGetColumnNoRef() const { return m_pclColumn; }
    CNAConvertVariant* pclGetValueNoRef() const { return m_pclValue; }
    CColumnNullValueExcluded* pclGetNullStateNoRef() const { return m_pclNullState; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }

    // ---- statics
    // What the walk writes for an operator ("" above 14).
    static const wchar_t* s_pszDumpOp(eNAOperator eOp);
    static eNAOperator s_eInvertOperator(eNAOperator eOp);
    static eOPEXPRESSION Convert_eNAOperator_To_eOPEXPRESSION(eNAOperator eOp);
    // Whether comparing with that value under that operator holds for every row (">=" with the
    // smallest value, "<=" with the largest); a search builds no condition then.
    static int s_bExpressionTrue(eNAOperator eOp, CNAConnectionDescription* pclConnection, const CAny* pclValue);
    // 1 when the column is sorted descending in the ORDER BY of the query the record reads, else 0.
    static int s_eGetSensTriColonne(CNARecord* pclRecord, const CNAColumn* pclColumn);
    // The first and the last instant of the period a partial date, time or date-time names, as a
    // value of the item type (a time text, a date text or a date-time).
    static int s_bGetBorneRechercheDateMin(eNA_ITEMTYPE eType, const CAny* pclValue, CAny* pclOut);
    static int s_bGetBorneRechercheDateMax(eNA_ITEMTYPE eType, const CAny* pclValue, CAny* pclOut);
    static int s_bGetBorneRechercheDateGenerique(eNA_ITEMTYPE eType, const CAny* pclValue, CAny* pclMin, CAny* pclMax);

protected:
    // The flags, keeping the generic bit of a composite key's text component only with a prefix.
    void _SetFlag(unsigned nFlags);
    void _ReleaseAll();
    // The NULL state, made on first need; null when it cannot be made.
    CColumnNullValueExcluded* _pclNullState();
    void _ResetNullState();
    int _bRecordNullState(int bNullPasses);
    // This node's state becomes the other's (inverted for NOT); AND and OR merge their operands'.
    int _bCopyNullState(const CNAExpression* pclFrom, int bInvert);
    int _bCombineNullStates();
    void _CollectColumns(CTTableauPtr<CNAColumn>* pclColumns) const;

    // A leaf continuing past a partial date starts at the end of the period it names.
    void _AfterPartialDate();
    // The leaf rewrites by the column's type.
    void _ProcessBoolean();
    void _ProcessString();

    int _bGetSQLFromSQL(CNACommand* pclCommand, CNARecherche* pclSearch, CNARecord* pclRecord);
    int _bGetSQLFromValueNULL(const CTString& clColumn, CNACommand* pclCommand, CNARecherche* pclSearch,
                              int* pbConstant);
    int _bGetSQLFromValueString(const CTString& clColumn, CNACommand* pclCommand, CNARecherche* pclSearch, int bOrNull);
    int _bGetSQLFromValueDateTime(const CTString& clColumn, CNACommand* pclCommand, CNARecherche* pclSearch,
                                  int bOrNull);
    int _bGetSQLFromValueUsingParameter(const CTString& clColumn, CNACommand* pclCommand, CNARecherche* pclSearch,
                                        int bLike, int bOrNull);
    // The value of the parameter of a comparison, typed as the server compares it, with one
    // reference; false (error recorded) when it cannot be made.
    int _bNewParameterValue(CNACommand* pclCommand, CNARecherche* pclSearch, CNAConvertVariant** ppclCopy,
                            eNA_ITEMTYPE* peConverted);
    int _bGetSQLFromValueUsingParameterAddOpLike(CNACommand* pclCommand, CNAConvertVariant* pclCopy);
    // One more parameter holding a value, at the end of the command's text.
    int _bAddValueParameter(CNACommand* pclCommand, CNARecherche* pclSearch, CNAColumn* pclColumn,
                            CNAConvertVariant* pclValue, unsigned nFlags);
    // The column as the server names it for that operator code; false when it cannot be written.
    int _FormatItemNameExp(CTString* pclOut, CNACommand* pclCommand, eOPEXPRESSION eCode);
    // The column's text made the text of its value, for a comparison its own type has no
    // operator for (a LIKE on a uuid, an enum or an address; any comparison of json or xml).
    void _AsText(CTString* pclColumn) const;
    // Whether the condition must also let NULL rows pass (the host's key order puts NULL inside).
    int _bOrNull() const;
    int _bNullSortsFirst() const;

    CNAError* m_pclError;
    eNAOperator m_eOperator = NAOP_EMPTY;
    CNAExpression* m_pclLeft = nullptr;
    CNAExpression* m_pclRight = nullptr;
    CNAColumn* m_pclColumn = nullptr;
    CNAConvertVariant* m_pclValue = nullptr;
    uint32_t m_dwFlags = 0;
    CSQLParserInfo* m_pclSource = nullptr;
    CColumnNullValueExcluded* m_pclNullState = nullptr;
};

template <>
struct CRefTraits<CNAExpression> {
    static void _AddRef(CNAExpression* p) { p->AddRef(); }
    static void _Release(CNAExpression* p) { p->nRelease(); }
};
