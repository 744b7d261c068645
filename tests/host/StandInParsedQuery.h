// The host's parsed queries (native/sql/SQLParserInterfaces.h) as the stand-in host plays them: a
// query text with the spans of its clauses, its FROM tables, output items, ORDER BY and GROUP BY
// items, insertions, assignments, joins, expression trees and filled values, which a test sets up
// by hand; the descriptions of its tables, which the test gives (the driver's own); the physical
// names of its tables; and the parameter values of a prepared query.
//
// The parsed query owns every object of the query. The counts the driver keeps on them (after each
// table of operations) are checked by bAllReleased: a release below 0 is recorded, never wrapped.
// Descriptions are handed out with one external reference, as the host does.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "native/sql/SQLParserInterfaces.h"
#include "tests/host/StandInHost.h"

namespace standin {

class CStandInParsedQuery;

// Count of releases that found a count at 0 (any object of this file).
STANDIN_API int nGetParsedQueryReleaseFaults();
STANDIN_API void ResetParsedQueryReleaseFaults();

class STANDIN_API CStandInExpression final : public IExpOpExpression {
public:
    unsigned nRelease() override;
    int eGetOperateur() override;
    IExpOpExpression* piGetSousExpression() override;
    stPosition stGetPosition() override;
    stPosition stGetPositionValeur() override;
    int bJointureExterne() override;
    IExpOpExpression* piGetOperandeSuivant(int* pnCursor) override;
    int nGetValeurEntiere() override;
    const CAny* pclGetValeur() override;
    wchar_t cGetEscape() override;
    const wchar_t* pszGetNomRubrique() override;
    const wchar_t* pszGetNomFichier() override;
    int nGetTypeMoteur() override;
    int nGetTaille() override;
    ~CStandInExpression();

    int m_nOperator = 0;
    stPosition m_stPosition{0, 0};       // the whole expression
    stPosition m_stPositionValeur{0, 0};  // a literal's or item's own span
    std::vector<CStandInExpression*> m_tabOperands;
    CStandInExpression* m_pclSub = nullptr;
    int m_bOuterJoin = 0;
    int m_nInteger = 0;
    const CAny* m_pclValue = nullptr;  // the test's
    wchar_t m_cEscape = 0;
    std::wstring m_sItem;
    std::wstring m_sTable;
    int m_nEngineType = 0;
    int m_nSize = 0;
};

class STANDIN_API CStandInFrom final : public IInfoFrom {
public:
    unsigned nRelease() override;
    const wchar_t* pszGetNom() override;
    const wchar_t* pszGetAlias() override;
    stPosition stGetPosition() override;
    stPosition stGetPositionAlias() override;
    ~CStandInFrom();

    std::wstring m_sName;
    std::wstring m_sAlias;  // the name itself when no alias is written
    stPosition m_stPosition{0, 0};
    stPosition m_stPositionAlias{0, 0};
};

class STANDIN_API CStandInRubrique final : public IInfoRubrique {
public:
    unsigned nRelease() override;
    const wchar_t* pszGetNom() override;
    const wchar_t* pszGetNomSource() override;
    int bCalcule() override;
    IExpOpExpression* piGetExpression() override;
    stPosition stGetPosition() override;
    const wchar_t* pszGetNomTable() override;
    int bRubriqueFichier() override;
    int bMasque() override;
    int nGetIndice() override;
    const wchar_t* pszGetNomFichierSource() override;
    const wchar_t* pszGetNomTableSource() override;
    ~CStandInRubrique();

    std::wstring m_sName;
    std::wstring m_sSource;
    std::wstring m_sTable;
    CStandInExpression* m_pclExpression = nullptr;  // a computed item's
    stPosition m_stPosition{0, 0};
    int m_bPlain = 1;
    int m_bHidden = 0;
    int m_nIndex = 0;
    // The table the item is read from as the host resolved it, and as the query names it.
    std::wstring m_sFileSource;
    std::wstring m_sTableSource;
};

class STANDIN_API CStandInOrderBy final : public IInfoOrderBy {
public:
    unsigned nRelease() override;
    int bDescendant() override;
    int nGetIndiceRubrique() override;
    stPosition stGetPosition() override;
    ~CStandInOrderBy();

    int m_bDescending = 0;
    int m_nIndex = -1;
    stPosition m_stPosition{0, 0};
};

class STANDIN_API CStandInGroupe final : public IInfoGroupe {
public:
    const wchar_t* pszGetAlias() override;
    int bIsAvecTable() override;
    const wchar_t* pszGetNomTable() override;
    const wchar_t* pszGetNomRubrique() override;
    stPosition stGetPosition() override;
    const wchar_t* pszGetNomFichier() override;
    const wchar_t* pszGetNomRubriqueAlias() override;
    ~CStandInGroupe();

    std::wstring m_sAlias, m_sTable, m_sItem, m_sFile, m_sItemAlias;
    int m_bWithTable = 0;
    stPosition m_stPosition{0, 0};
};

class STANDIN_API CStandInInsertion final : public IInfoInsertion {
public:
    IExpOpExpression* piGetValeur() override;
    IExpOpExpression* piGetRubrique() override;
    ~CStandInInsertion();

    CStandInExpression* m_pclValue = nullptr;
    CStandInExpression* m_pclItem = nullptr;
};

class STANDIN_API CStandInAffectation final : public IInfoAffectation {
public:
    IExpOpExpression* piGetRubrique() override;
    IExpOpExpression* piGetValeur() override;
    ~CStandInAffectation();

    CStandInExpression* m_pclItem = nullptr;
    CStandInExpression* m_pclValue = nullptr;
};

// The values a parsed query filled into its text, and the host items it names as values.
class STANDIN_API CStandInFilledValues final : public CTabValParser {
public:
    struct stEntry {
        int nPosition;
        int nLength;
        unsigned dwFlags;
        const CAny* pclValue;  // the test's
        std::wstring sTable;
        std::wstring sItem;
    };
    int nGetNbValue() const override;
    const CAny* pclGetValue(int n) const override;
    int nGetPosition(int n) const override;
    int nGetLength(int n) const override;
    unsigned dwGetFlags(int n) const override;
    int nGetNbRubrique() const override;
    const wchar_t* pszGetRubriqueTable(int n) const override;
    const wchar_t* pszGetRubrique(int n) const override;
    int nGetRubriquePosition(int n) const override;
    int nGetRubriqueLength(int n) const override;
    ~CStandInFilledValues();

    std::vector<stEntry> m_tabValues;
    std::vector<stEntry> m_tabItems;
    // Reads of an entry outside the lists (which a host never answers).
    mutable int m_nBadIndex = 0;

private:
    const stEntry* _pst(const std::vector<stEntry>& tab, int n) const;
};

// The query object of a parsed query.
class STANDIN_API CStandInQueryObject final : public IInfoRequete {
public:
    explicit CStandInQueryObject(CStandInParsedQuery* pclQuery) : m_pclQuery(pclQuery) {}
    IInfoRubrique* piEnumRubrique(int bFirst) override;
    int nGetNbGroupe() override;
    IInfoFrom* piEnumFrom(int bFirst) override;
    IInfoOrderBy* piEnumOrderBy(int bFirst) override;
    IInfoGroupe* piGetGroupe(int n) override;
    IExpOpExpression* piEnumJointure(int bFirst) override;
    IInfoAffectation* piEnumAffectation(int bFirst) override;
    IInfoInsertion* piEnumInsertion(int bFirst) override;
    ~CStandInQueryObject();

private:
    CStandInParsedQuery* m_pclQuery;
    size_t m_nOut = 0, m_nFrom = 0, m_nOrder = 0, m_nJoin = 0, m_nAffectation = 0, m_nInsertion = 0;
};

class STANDIN_API CStandInParsedQuery final : public ISQLParserInformation {
public:
    explicit CStandInParsedQuery(const std::wstring& sText);
    ~CStandInParsedQuery();
    CStandInParsedQuery(const CStandInParsedQuery&) = delete;
    CStandInParsedQuery& operator=(const CStandInParsedQuery&) = delete;

    unsigned nRelease() override;
    const wchar_t* pszGetRequete() override;
    int nGetDebutWhere() override;
    int nGetFinWhere() override;
    int nGetDebutOrderBy() override;
    IInfoRequete* piGetInfoRequete() override;
    int nGetDebutHaving() override;
    int nGetFinHaving() override;
    IExpOpExpression* piGetExpressionWhere() override;
    CTabValParser* pclGetTabValParser() override;
    int bVerifieModuleSQL(int nModule, int nVersion, uint32_t* pnVersionSQL) override;
    INAItemDescription* piGetItemDescription(const wchar_t* pszRubrique, const wchar_t* pszTable) override;
    INADataSourceDescription* piGetDataSourceDescriptionFrom(IInfoFrom* piFrom) override;
    INADataSourceDescription* piGetDataSourceDescription(const wchar_t* pszTable) override;
    int eGetTypeRequete() override;
    IExpOpExpression* piGetExpressionHaving() override;
    void GetPhysicalName(const wchar_t* pszTable, wchar_t* pszBuffer) override;
    INAItemDescription* piGetItemDescriptionOUT(int nIndice) override;

    // ---- building (the objects made here belong to the query)
    CStandInExpression* pclNode(int nOperator, stPosition st);
    CStandInFrom* pclFrom(const std::wstring& sName, stPosition st);
    CStandInRubrique* pclOut(const std::wstring& sName, stPosition st);
    CStandInOrderBy* pclOrder(int nIndex, stPosition st, int bDescending);
    CStandInGroupe* pclGroup(stPosition st);
    CStandInInsertion* pclInsertion(CStandInExpression* pclItem, CStandInExpression* pclValue);
    CStandInAffectation* pclAffectation(CStandInExpression* pclItem, CStandInExpression* pclValue);
    // A filled value and a host item used as a value, in text order.
    void AddValue(stPosition st, const CAny* pclValue, unsigned dwFlags);
    void AddItemReference(stPosition st, const std::wstring& sTable, const std::wstring& sItem);
    // The description the query gives for a table name (the test's, one external reference taken
    // per request), its physical name, and the description of each output item by index.
    void SetSource(const std::wstring& sTable, INADataSourceDescription* piSource);
    void SetPhysicalName(const std::wstring& sTable, const std::wstring& sPhysical);
    void SetOutDescription(int nIndex, INAItemDescription* piItem);

    // Every count the driver kept on the query's objects is back to 0.
    bool bAllReleased() const;
    // Calls of the description operations (21, 23, 24 and 34) that found none.
    int nGetMissedDescriptions() const { return m_nMissedDescriptions; }
    const CStandInFilledValues& rGetFilledValues() const { return m_clValues; }

    std::wstring m_sText;
    int m_nKind = TYPEREQUETE_SELECT;
    int m_nWhereStart = 0, m_nWhereEnd = 0;
    int m_nHavingStart = 0, m_nHavingEnd = 0;
    int m_nOrderStart = 0;
    CStandInExpression* m_pclWhere = nullptr;
    CStandInExpression* m_pclHaving = nullptr;
    std::vector<CStandInFrom*> m_tabFrom;
    std::vector<CStandInRubrique*> m_tabOut;
    std::vector<CStandInOrderBy*> m_tabOrder;
    std::vector<CStandInGroupe*> m_tabGroup;
    std::vector<CStandInExpression*> m_tabJoins;
    std::vector<CStandInAffectation*> m_tabAffectations;
    std::vector<CStandInInsertion*> m_tabInsertions;
    // A host that throws while describing an item or naming a table.
    bool m_bThrow = false;
    // The check of the host's SQL module: what it answers and the version it writes; the calls
    // it received (module number, version, where the version was written).
    int m_bModuleAnswer = 1;
    uint32_t m_nModuleVersion = 32;
    struct stModuleCall {
        int nModule;
        int nVersion;
        uint32_t* pnVersionSQL;
    };
    std::vector<stModuleCall> m_tabModuleCalls;

private:
    // The FROM table a name or alias designates, or null.
    CStandInFrom* _pclFromOf(const std::wstring& sName) const;
    INADataSourceDescription* _piSourceOf(const std::wstring& sTable) const;

    CStandInQueryObject m_clQueryObject;
    std::vector<std::unique_ptr<CStandInExpression>> m_tabNodes;
    std::vector<std::unique_ptr<CStandInFrom>> m_tabOwnedFrom;
    std::vector<std::unique_ptr<CStandInRubrique>> m_tabOwnedOut;
    std::vector<std::unique_ptr<CStandInOrderBy>> m_tabOwnedOrder;
    std::vector<std::unique_ptr<CStandInGroupe>> m_tabOwnedGroup;
    std::vector<std::unique_ptr<CStandInInsertion>> m_tabOwnedInsertion;
    std::vector<std::unique_ptr<CStandInAffectation>> m_tabOwnedAffectation;
    CStandInFilledValues m_clValues;
    std::map<std::wstring, INADataSourceDescription*> m_mapSources;  // upper-case names
    std::map<std::wstring, std::wstring> m_mapPhysical;
    std::map<int, INAItemDescription*> m_mapOutDescriptions;
    int m_nMissedDescriptions = 0;
};

// The parameter values of a prepared query.
class STANDIN_API CStandInQueryParameters final : public INAQueryParametersValue {
public:
    int nGetVersion() override;
    int nGetCompatSince() override;
    void AddRef() override;
    unsigned nRelease() override;
    int bPrepareRequeteCalled() override;
    const CAny* pclGetValeur(const wchar_t* pszNom) override;
    int nGetDirection(const wchar_t* pszNom) override;
    ~CStandInQueryParameters();

    int nGetRefs() const { return m_nRefs; }
    // The test's values by name, their directions (1 in by default) and the prepared flag.
    std::map<std::wstring, const CAny*> m_mapValues;
    std::map<std::wstring, int> m_mapDirections;
    int m_bPrepared = 0;
    int m_nValueCalls = 0;

private:
    int m_nRefs = 0;
};

}  // namespace standin
