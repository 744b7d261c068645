// CNARecherche: the search a statement carries while the host seeks a key value and browses on
// from it. It turns an item compared with a value (or the current record) into condition trees:
// the records equal to the value and, kept ready, the records after it and those before it, so
// that a browse running past the equal records goes on with the next or the previous ones. A value
// of a composite key is expanded into one condition per component, lexicographically for
// comparisons; a prefix of a text and a partial date are searched as such; the host's fillers for
// the smallest and the largest value are recognised; and the bind parameters the written SQL
// needs are collected here. The filter (CNAFilter) is a search too.
//
// Setting, continuing and writing are in NARecherche.cpp; the conditions on one item and on
// composite keys (and the reading of a composite value) in NARechercheKey.cpp.
#pragma once

#include <cstdint>

#include "core/NARefArray.h"
#include "core/RefArray.h"
#include "native/model/Interf.h"
#include "native/model/NAParameter.h"
#include "native/sql/NABrowseTypes.h"
#include "native/sql/NAExpression.h"
#include "variant/Any.h"

class CNACommand;
class CNAColumn;
class CNAConnectionDescription;
class CNAConvertVariant;
class CNAError;
class CNAFilter;
class CNARecord;
class INAItemDescription;

// Flags of a search (handed down into every condition it makes).
constexpr uint32_t NARECH_GENERIC = 0x1;        // a text value is a prefix, a date or time may be partial
constexpr uint32_t NARECH_CURRENTRECORD = 0x2;  // the search designates the current record of the browse
constexpr uint32_t NARECH_BOUND = 0x4;          // the value is a bound of a range (filters)
constexpr uint32_t NARECH_FROMRECORD = 0x8;     // the compared values are taken from the current record
constexpr uint32_t NARECH_ONCE = 0x10;          // no continuation (greater and less stay empty)

class CNARecherche : public CInterf {
public:
    // The states of a search.
    enum : uint32_t {
        STATE_INACTIVE = 0,
        STATE_EQUAL = 1,     // on the records equal to the value
        STATE_CONTINUE = 2,  // past them
    };

    // Empty, inactive, direction 4 (none); takes a reference on both.
    CNARecherche(CNAError* pclError, CNAConnectionDescription* pclConnection);
    CNARecherche(const CNARecherche&) = delete;
    CNARecherche& operator=(const CNARecherche&) = delete;
    ~CNARecherche() override;

    // ---- virtual operations after CInterf's, in slot order
    // Writes the WHERE condition (without the keyword) into the command, emptied first: the
    // current condition AND the active filter's; nothing when there is neither.
    virtual int bGetSQL(CNACommand* pclCommand, CNAFilter* pclFilter, CNARecord* pclRecord);
    // A new search of the same class sharing the conditions and the parameters (no reference).
    virtual CNARecherche* pclClone() const;
    // A new empty node sharing the search's error object (no reference).
    virtual CNAExpression* pclAllocExpression();
    // A new empty search of the same class (no reference).
    virtual CNARecherche* _pclAllocRecherche() const;

    // ---- setting
    // Back to empty and inactive, error and connection kept.
    void __Init();
    // A search for a value; bExact 0 makes it generic. The last argument is not used.
    int bSetRecherche(CNARecord* pclRecord, INAItemDescription* piItem, const CAny* pclValue,
                      eNA_PARSEDIRECTION eDirection, int bExact, int);
    // A search for the current record on an item, which the given columns identify if any;
    // bOnce: no continuation.
    int bRechercheEnreg(CNARecord* pclRecord, INAItemDescription* piItem, eNA_PARSEDIRECTION eDirection, int bOnce,
                        const CNARefArray<CNAColumn>* pclColumns);
    // One more condition joined with eJoin to the three conditions (which it starts when the search
    // was inactive); the search becomes active on the equal records.
    int bAddExpression(CNARecord* pclRecord, INAItemDescription* piItem, eNAOperator eOp, const CAny* pclValue,
                       int bGeneric, eNAOperator eJoin, int bBound);
    void Activate() { m_eState = STATE_EQUAL; }
    void Desactivate();
    void Cancel() { m_bFound = 1; }

    // ---- browsing on
    // Whether the record read is one of the equal ones.
    int bHTrouve() const { return m_eState == STATE_EQUAL ? 1 : m_bFound; }
    // Whether a browse may go on in that direction (0 forward, 1 backward).
    int bPeutContinuerParcours(unsigned nDirection) const;
    // Switch between the equal records and a continuation in that direction; both answer 1.
    int bSetContinueParcours(unsigned nDirection);
    int bReviensParcoursPrecedent(unsigned nDirection);
    int bIsComposedKeySearch() const;

    // ---- reading
    uint32_t eGetState() const { return m_eState; }
    uint32_t eGetDirection() const { return m_eDirection; }
    uint32_t nGetFlags() const { return m_dwFlags; }
    // The equal condition with a reference added, or null.
    CNAExpression* pclGetExpression() const;
    CNAExpression* pclGetExpressionNoRef(int n) const;  // 0 equal, 1 greater, 2 less, 3 current
    const CAny* pclGetValue() const { return &m_clValue; }
    INAItemDescription* piGetFetchItemNoRef() const { return m_piFetchItem; }
    CNAConnectionDescription* pclGetConnectionNoRef() const { return m_pclConnection; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }

    // ---- parameters written
    int nGetNbParameter() const { return m_tabParameters.nGetNbElement(); }
    // Parameter i with a reference added; null outside the count.
    CNAParameter* pclGetParameter(int i) const;
    // Takes the command's parameters from index nFirst on.
    int GetParameterFromQuery(CNACommand* pclCommand, int nFirst);
    void ResetParameters() { m_tabParameters.SupprimeTout(); }
    // A new parameter of the search (it holds the reference), bound to the column when one is given;
    // null when it cannot be made.
    CNAParameter* _pclAddParameter(CNAColumn* pclColumn, CNAConvertVariant* pclValue, unsigned long nPosition,
                                   unsigned nFlags);
    // Drops, from the last backwards, the parameters placed after that text position (one at the
    // position itself belongs to the text before it).
    void _RemoveParameterByPos(unsigned long nPosition);

    // ---- comparing
    int bEqualsSearch(const CNARecherche* pclOther) const;
    // Two nulls are equal; a null and a search are equal when the search is inactive.
    static int g_bEqualsSearch(const CNARecherche* pclA, const CNARecherche* pclB);

    // ---- extreme values of a language type (types without bounds are left as they are)
    static void s_SetAnyToMin(CAny* pclValue);
    static void s_SetAnyToMax(CAny* pclValue);

    // What reading a composite value found at its end.
    enum eFILLER : uint32_t {
        FILLER_NONE = 0,
        FILLER_MIN = 1,  // the value ends with the smallest filler
        FILLER_MAX = 2,  // ... with the largest filler
    };

protected:
    int _bSetRecherche(CNARecord* pclRecord, INAItemDescription* piItem, const CAny* pclValue,
                       eNA_PARSEDIRECTION eDirection, unsigned nFlags, const CNARefArray<CNAColumn>* pclColumns);
    void _SetContinueParcours(unsigned nDirection);
    void _ReleaseExpressions();
    void _SetFetchItem(INAItemDescription* piItem);

    // ---- conditions (NARechercheKey.cpp); each answers a node with one reference for the caller,
    // or null (no condition)
    CNAExpression* _pclAddExpression(CNARecord* pclRecord, INAItemDescription* piItem, eNAOperator eOp,
                                     const CAny* pclValue, unsigned nFlags, const CNARefArray<CNAColumn>* pclColumns);
    CNAExpression* _pclAddExpressionOneItem(CNARecord* pclRecord, CNAColumn* pclColumn, eNAOperator eOp,
                                            const CAny* pclValue, unsigned nFlags);
    CNAExpression* _pclAddExpressionComposite(CNARecord* pclRecord, CNAColumn* pclColumn, eNAOperator eOp,
                                              const CAny* pclValue, unsigned nFlags,
                                              const CNARefArray<CNAColumn>* pclColumns);
    // The leaf for component i (its sort direction applied), then, while i < nLast, the next ones
    // joined by eJoin.
    CNAExpression* _pclAddKeyExpression(CNARecord* pclRecord, CNAColumn* const* ppclColumns, CAny* pclValues,
                                        int nValues, CNAColumn* pclComposite, int i, int nLast, eNAOperator eOp,
                                        unsigned nFlags, eNAOperator eJoin);
    CNAExpression* _pclAddBorne(CNARecord* pclRecord, CNAColumn* const* ppclColumns, CAny* pclValues, int nValues,
                                CNAColumn* pclComposite, int i, eNAOperator eOp, unsigned nFlags);
    CNAExpression* _pclAddKeyExpressionEq(CNARecord* pclRecord, CNAColumn* const* ppclColumns, CAny* pclValues,
                                          int nValues, int nColumns, CNAColumn* pclComposite, unsigned nFlags);
    CNAExpression* _pclAddKeyExpressionInfSupIndice(CNARecord* pclRecord, CNAColumn* const* ppclColumns,
                                                    CAny* pclValues, int nValues, CNAColumn* pclComposite, int i, int n,
                                                    eNAOperator eOp, unsigned nFlags);
    // The components of a composite value, read from its bytes; false when nothing could be read.
    int _GetComponentValue(CNAColumn* pclComposite, const CAny* pclValue, unsigned nFlags, CAny* pclValues, int nMax,
                           int* pnValues, eFILLER* peFiller);

    CNAError* m_pclError;
    uint32_t m_eState = STATE_INACTIVE;
    uint32_t m_eDirection = NA_PARSE_CURRENT;
    uint32_t m_bFound = 0;
    uint32_t m_dwFlags = 0;
    CNAExpression* m_pclEqual = nullptr;
    CNAExpression* m_pclGreater = nullptr;
    CNAExpression* m_pclLess = nullptr;
    CNAExpression* m_pclCurrent = nullptr;
    CRefArray<CNAParameter> m_tabParameters;
    CAny m_clValue;
    INAItemDescription* m_piFetchItem = nullptr;
    CNAConnectionDescription* m_pclConnection;
};

template <>
struct CRefTraits<CNARecherche> {
    static void _AddRef(CNARecherche* p) { p->AddRef(); }
    static void _Release(CNARecherche* p) { p->nRelease(); }
};
