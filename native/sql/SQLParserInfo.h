// CSQLParserInfo: the driver's view of a query or filter that the host has already parsed
// (SQLParserInterfaces.h). It takes references on the host's clause items once, keeps them in
// arrays, and answers what the SQL writers and the data access ask: the tables of the FROM clause,
// the items selected, grouped, ordered, inserted or assigned, what an alias stands for, the
// physical table behind a name, whether the query limits its result set and whether record
// operations are allowed on its result. It reports no errors of its own: whatever the host cannot
// answer is "none".
#pragma once

#include <cstdint>

#include "core/RefArray.h"
#include "core/TTableau.h"
#include "native/model/Interf.h"
#include "native/sql/InfoGroupe.h"
#include "native/sql/OpExpression.h"
#include "native/sql/SQLParserInterfaces.h"

class CNAColumn;
class CNAConnectionDescription;
class CNAError;
class CNARecord;

class CSQLParserInfo : public CInterf {
public:
    // The host's kinds of query (eTYPEREQUETE) that the SQL writers test.
    enum : int32_t {
        QUERYKIND_SELECT = ISQLParserInformation::TYPEREQUETE_SELECT,
        QUERYKIND_UPDATE = ISQLParserInformation::TYPEREQUETE_UPDATE,
        QUERYKIND_INSERT = ISQLParserInformation::TYPEREQUETE_INSERT,
    };
    // Kinds of output items: an item of a table, a computed expression, an aggregate.
    enum : int {
        ITEMKIND_PLAIN = 0,
        ITEMKIND_COMPUTED = 1,
        ITEMKIND_AGGREGATE = 2,
    };

    // Takes a reference on the error object, then loads the parsed query (Set).
    CSQLParserInfo(CNAError* pclError, ISQLParserInformation* piParser, INAQueryParametersValue* piParameters,
                   int bWithoutGroupOrder);
    ~CSQLParserInfo() override;
    CSQLParserInfo(const CSQLParserInfo&) = delete;
    CSQLParserInfo& operator=(const CSQLParserInfo&) = delete;

    // (Re)loads everything from the host; bWithoutGroupOrder skips the GROUP BY and ORDER BY items
    // and the HAVING expression.
    void Set(ISQLParserInformation* piParser, INAQueryParametersValue* piParameters, int bWithoutGroupOrder);

    // ---- the query
    ISQLParserInformation* piGetParserNoRef() const { return m_piParser; }
    // The host's kind of query.
    int32_t nGetQueryKind() const { return m_eQueryKind; }
    const wchar_t* pszGetRequete() const;
    IExpOpExpression* piGetWhereNoRef() const { return m_piWhere; }
    IExpOpExpression* piGetHavingNoRef() const { return m_piHaving; }
    // The host's query object (null without a parsed query).
    IInfoRequete* piGetInfoRequete() const;
    CTabValParser* pclGetTabValParser() const;
    // Spans of the clauses the parsed query gives (0 when the clause is absent).
    int nGetDebutWhere() const;
    int nGetFinWhere() const;
    int nGetDebutHaving() const;
    int nGetFinHaving() const;
    int nGetDebutOrderBy() const;
    // The last character of the ORDER BY clause (its last item and that item's direction word);
    // -1 without one. The text after it is what the driver's own ORDER BY must be followed by.
    long nGetFinOrderBy() const;

    // ---- enumerations: a nonzero argument restarts at the first element; each call gives the
    // next one, null at the end (and before any restart)
    IInfoFrom* piEnumFichierFrom(int bFirst);
    IInfoRubrique* piEnumRubriqueOUT(int bFirst);
    CInfoGroupe* piEnumRubriqueClauseGroupe(int bFirst);
    IInfoOrderBy* piEnumRubriqueClauseOrder(int bFirst);
    IInfoAffectation* piEnumRubriqueUpdate(int bFirst);
    IInfoInsertion* piEnumRubriqueInsert(int bFirst);

    int nGetFichierFromNbr() const { return m_tabFrom.nGetNbElement(); }
    IInfoFrom* piGetFichierFrom(int n) const;
    int nGetRubriqueOUTNbr() const { return m_tabOut.nGetNbElement(); }
    IInfoRubrique* piGetRubriqueOUT(int n) const;
    // The output item of that name (case and accents ignored).
    IInfoRubrique* piEnumRubriqueOUT(const wchar_t* pszName) const;
    int nGetRubriqueClauseGroupeNbr() const { return m_tabGroup.nGetNbElement(); }
    CInfoGroupe* piGetRubriqueClauseGroupe(int n) const;
    int nGetRubriqueClauseOrderNbr() const { return m_tabOrder.nGetNbElement(); }
    IInfoOrderBy* piGetRubriqueClauseOrder(int n) const;
    // The output item an ORDER BY item orders by (null when its index is outside them).
    IInfoRubrique* piGetRubriqueOfOrder(IInfoOrderBy* piOrder) const;

    // ---- items
    // The description of an output item (from its index), with one external reference; null when
    // the host has none or fails.
    INAItemDescription* piGetItemDescription(IInfoRubrique* piItem) const;
    int bRubriqueUnique(IInfoRubrique* piItem) const;
    int bRubriqueUniqueNotNull(IInfoRubrique* piItem) const;
    // ITEMKIND_... of an output item.
    static int s_nGetKindOfItem(IInfoRubrique* piItem);
    IInfoRubrique* piGetKeyItemNoRef() const { return m_piKey; }
    IInfoRubrique* piGetUniqueItemNoRef() const { return m_piUnique; }
    IInfoRubrique* piGetIndexedItemNoRef() const { return m_piIndexed; }
    IInfoRubrique* piGetOrderByItemNoRef() const { return m_piOrderBy; }
    IInfoRubrique* piGetBestParseItemNoRef() const { return m_piBest; }
    const wchar_t* pszGetOrderByItem() const;
    const wchar_t* pszGetBestParseItem() const;

    // ---- tables and names
    // The parsed query's description of a table name, with one external reference, or null.
    INADataSourceDescription* piGetNADataSourceDescription(const wchar_t* pszTable) const;
    // The database table name of the n-th FROM table (empty when the host describes none).
    CTString csGetFichierFrom_DBTableName(int n) const;
    // The physical name of a table name, in a buffer shared by the whole process; null when the host
    // knows none (or the name is empty).
    static const wchar_t* pszGetPhysicalName(const wchar_t* pszTable, ISQLParserInformation* piParser);
    const wchar_t* pszGetPhysicalName(const wchar_t* pszTable) const;
    // The physical name of an item's table, else the item's table name itself.
    const wchar_t* pszGetPhysicalName(IInfoRubrique* piItem) const;
    // The output item an alias stands for: its name is the alias and, with a table text, its table
    // is that one (items the host added itself are then passed over); null when none.
    static IInfoRubrique* g_piGetInfoRubriqueFromAlias(ISQLParserInformation* piParser, const wchar_t* pszTable,
                                                        const wchar_t* pszAlias);
    IInfoRubrique* piGetInfoRubriqueFromAlias(const wchar_t* pszTable, const wchar_t* pszAlias) const;
    // Whether the name is the alias of a FROM table other than the table's own name; when it is
    // not, *ppiSource (when asked for) receives the description of the name, with a reference.
    int bIsTableAlias(const wchar_t* pszName, INADataSourceDescription** ppiSource) const;

    // ---- columns of the record the query fills
    CInfoGroupe* piGetRubriqueClauseGroupe(const CNAColumn* pclColumn) const;
    IInfoOrderBy* piGetRubriqueClauseOrder(const CNAColumn* pclColumn) const;
    int bRubriqueSourceIsMemo(const CNAColumn* pclColumn) const;
    static int _bRubriqueSourceIsMemo(IExpOpExpression* piExpression);

    // ---- the query as a whole
    int bHOperationAllowed() const;
    int bQueryResultsetLimited(CNAConnectionDescription* pclConnection);
    // Whether the query decides itself which rows it gives (LIMIT or TOP, OFFSET, DISTINCT, GROUP BY,
    // aggregates, HAVING): a condition or an order added inside it would change its rows.
    int bQueryShapesResultset(CNAConnectionDescription* pclConnection);
    int bQueryContainIdAuto() const;
    static int bQueryContainIdAuto(ISQLParserInformation* piParser);

    // ---- parameter values
    int bHPrepareRequeteCalled() const;
    // The parameter values with one reference for the caller, or null.
    INAQueryParametersValue* piGetUserBindVariable() const;

    // ---- record
    // Keeps a reference on the record (the previous one released).
    void SetRecord(CNARecord* pclRecord);
    CNARecord* pclGetRecordNoRef() const { return m_pclRecord; }
    // The adapter of the query the held record comes from, or null.
    CSQLParserInfo* pclGetQueryParserInfoNoRef() const;

    CNAError* pclGetErrorNoRef() const { return m_pclError; }

    static int s_bIsGroupmentColumn(int eOperator);
    static int s_bIsFunction(int eOperator);

protected:
    // Releases everything loaded from the host (the parameter values stay).
    void _Release();
    // The item becomes the key, unique or indexed item as its description says.
    void _ClassifyItem(IInfoRubrique* piItem);
    static bool _bUniqueNotNull(INAItemDescription* piItem);

    CNAError* m_pclError;
    ISQLParserInformation* m_piParser = nullptr;
    int32_t m_eQueryKind = 0;
    INAQueryParametersValue* m_piParameters = nullptr;
    IInfoRubrique* m_piBest = nullptr;
    IInfoRubrique* m_piKey = nullptr;
    IInfoRubrique* m_piUnique = nullptr;
    IInfoRubrique* m_piIndexed = nullptr;
    IInfoRubrique* m_piOrderBy = nullptr;
    CRefArray<IInfoFrom> m_tabFrom{30, 0};
    int m_nCursorFrom = -1;
    CRefArray<IInfoRubrique> m_tabOut{30, 0};
    int m_nCursorOut = -1;
    uint32_t m_bNotPlain = 0;
    uint32_t m_bAggregate = 0;
    CRefArray<CInfoGroupe> m_tabGroup{30, 0};
    int m_nCursorGroup = -1;
    CRefArray<IInfoOrderBy> m_tabOrder{30, 0};
    int m_nCursorOrder = -1;
    CTTableau<IInfoAffectation*> m_tabAffectation{30, 30};
    int m_nCursorAffectation = -1;
    CTTableau<IInfoInsertion*> m_tabInsertion{30, 30};
    int m_nCursorInsertion = -1;
    IExpOpExpression* m_piWhere = nullptr;
    IExpOpExpression* m_piHaving = nullptr;
    CNARecord* m_pclRecord = nullptr;
    int32_t m_bLimited = -1;
};

template <>
struct CRefTraits<CSQLParserInfo> {
    static void _AddRef(CSQLParserInfo* p) { p->AddRef(); }
    static void _Release(CSQLParserInfo* p) { p->nRelease(); }
};
