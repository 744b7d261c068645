// The host's parsed queries read at the places of their operations, and the driver's view of them:
// the items it keeps and the references it takes, the key, unique, indexed and best browse items,
// its enumerations, whether record operations are allowed, physical names and aliases, GROUP BY
// copies, the items behind columns, the parameter values, and a record ordered by the query.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "native/driver/HostQueryParameters.h"
#include "native/model/NAColumn.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NARecord.h"
#include "native/sql/SQLParserInfo.h"
#include "tests/host/StandInParsedQuery.h"
#include "tests/model/ModelConnection.h"
#include "tests/sql/CommandTestSupport.h"
#include "tests/sql/ParsedQueryTestSupport.h"

namespace {

using namespace sqltest;

// The operation at a position of a host object's table, called as the driver calls it.
template <typename R, typename... A>
R CallAt(void* pObject, int nPosition, A... a) {
    void** pTable = *static_cast<void***>(pObject);
    auto pfn = reinterpret_cast<R (*)(void*, A...)>(pTable[nPosition]);
    return pfn(pObject, a...);
}

uint32_t nCountOf(const void* pObject) {
    uint32_t n;
    memcpy(&n, static_cast<const char*>(pObject) + 8, sizeof(n));
    return n;
}

class SQLParserInfoTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        standin::ResetParsedQueryReleaseFaults();
        m_pclCnx = pclConnection();
        m_pclTables = std::make_unique<CFixtureTables>(m_pclCnx, m_pclError);
    }
    void TearDown() override {
        for (CNAItemDescription* pcl : m_tabItems) pcl->nRelease();
        m_pclTables.reset();
        EXPECT_EQ(standin::nGetParsedQueryReleaseFaults(), 0);
        CommandTest::TearDown();
    }

    // An item description held by the test.
    CNAItemDescription* pclItem(const wchar_t* pszName, eNA_ITEMTYPE eType, unsigned short wKeyFlags, bool bNullable) {
        auto* pcl = new CNAItemDescription;
        pcl->AddRef();
        pcl->bInit(pszName, L"k", pszName, 1, 4, eType, static_cast<unsigned>(m_tabItems.size()), wKeyFlags ? 0 : -1,
                   wKeyFlags, 0, 0);
        pcl->SetNullable(bNullable ? 1 : 0);
        m_tabItems.push_back(pcl);
        return pcl;
    }

    std::unique_ptr<CSQLParserInfo, void (*)(CSQLParserInfo*)> Parse(CQueryBuilder* pclQuery,
                                                                     INAQueryParametersValue* piValues = nullptr,
                                                                     int bWithoutGroupOrder = 0) {
        auto* pcl = new CSQLParserInfo(m_pclError, &pclQuery->rGet(), piValues, bWithoutGroupOrder);
        pcl->AddRef();
        return {pcl, [](CSQLParserInfo* p) { p->nRelease(); }};
    }

    sqltest::CTestConnection* m_pclCnx = nullptr;
    std::unique_ptr<CFixtureTables> m_pclTables;
    std::vector<CNAItemDescription*> m_tabItems;
};

// ---------------------------------------------------------------------------------- positions

TEST_F(SQLParserInfoTest, TheHostsOperationsAtTheirPositions) {
    CQueryBuilder q(L"SELECT a, b + 1 AS s FROM t x WHERE a > 2 GROUP BY a HAVING a < 9 ORDER BY a DESC");
    standin::CStandInFrom* pclFrom = q.From(L"t", 0, L"x", 0);
    standin::CStandInRubrique* pclOut = q.Out(L"a");
    auto* pclPlus = q.Op(OP_PLUS, L"b + 1", {q.Item(L"b"), q.Lit(L"1", q.Int(1))});
    q.Computed(L"s", L"b + 1", pclPlus);
    auto* pclItem = q.Item(L"a", 1);
    auto* pclLiteral = q.Lit(L"2", q.Int(2));
    auto* pclWhere = q.Op(OP_GREATER, L"a > 2", {pclItem, pclLiteral});
    q.Where(L"2", pclWhere);
    standin::CStandInGroupe* pclGroup = q->pclGroup(q.At(L"a", 2));
    pclGroup->m_sAlias = L"al";
    pclGroup->m_bWithTable = 1;
    pclGroup->m_sTable = L"x";
    pclGroup->m_sItem = L"a";
    pclGroup->m_sFile = L"t";
    pclGroup->m_sItemAlias = L"ia";
    auto* pclHaving = q.Op(OP_LESS, L"a < 9", {q.Item(L"a", 3), q.Lit(L"9", q.Int(9))});
    q->m_nHavingStart = q.nAt(L"HAVING");
    q->m_nHavingEnd = q.At(L"9").nFin;
    q->m_pclHaving = pclHaving;
    q.OrderBy({{L"a", 0}});
    q->m_tabOrder[0]->m_bDescending = 1;
    q->m_tabJoins.push_back(pclWhere);
    auto* pclInsertion = q->pclInsertion(pclItem, pclLiteral);
    auto* pclAffectation = q->pclAffectation(pclItem, pclLiteral);
    q->AddValue(q.At(L"9"), nullptr, 1);
    q->AddItemReference(q.At(L"b"), L"x", L"b");
    m_pclTables->Describe(&q);
    q->SetPhysicalName(L"t", L"t_phys");
    pclItem->m_bOuterJoin = 1;
    pclItem->m_nInteger = 77;
    pclItem->m_pclSub = pclLiteral;
    pclItem->m_nEngineType = 29;
    pclItem->m_stPositionValeur = stPosition{40, 41};
    pclLiteral->m_cEscape = L'!';
    pclOut->m_bHidden = 1;

    void* pq = &q.rGet();
    auto Span = [](stPosition st) { return std::to_string(st.nDebut) + "-" + std::to_string(st.nFin); };
    auto Text = [](const wchar_t* psz) { return psz != nullptr ? std::wstring(psz) : std::wstring(L"<null>"); };

    // The parsed query.
    EXPECT_EQ(CallAt<const wchar_t*>(pq, 7), q.sText().c_str());
    EXPECT_EQ(CallAt<int>(pq, 9), q.nAt(L"WHERE"));
    EXPECT_EQ(CallAt<int>(pq, 10), q.At(L"2").nFin);
    EXPECT_EQ(CallAt<int>(pq, 11), q.nAt(L"ORDER BY"));
    void* pQuery = CallAt<void*>(pq, 12);
    EXPECT_EQ(pQuery, static_cast<IInfoRequete*>(q->piGetInfoRequete()));
    EXPECT_EQ(CallAt<int>(pq, 13), q.nAt(L"HAVING"));
    EXPECT_EQ(CallAt<int>(pq, 14), q.At(L"9").nFin);
    EXPECT_EQ(CallAt<void*>(pq, 17), static_cast<IExpOpExpression*>(pclWhere));
    void* pValues = CallAt<CTabValParser*>(pq, 19);
    ASSERT_NE(pValues, nullptr);
    // The table of filled values: the values at 0 to 4, the host items it names at 5 to 9.
    EXPECT_EQ(CallAt<int>(pValues, 0), 1);
    EXPECT_EQ(CallAt<int>(pValues, 2, 0), q.At(L"9").nDebut);
    EXPECT_EQ(CallAt<int>(pValues, 3, 0), 1);
    EXPECT_EQ(CallAt<unsigned>(pValues, 4, 0), 1u);
    EXPECT_EQ(CallAt<int>(pValues, 5), 1);
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pValues, 6, 0)), L"x");
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pValues, 7, 0)), L"b");
    EXPECT_EQ(CallAt<int>(pValues, 8, 0), q.At(L"b").nDebut);
    EXPECT_EQ(CallAt<int>(pValues, 9, 0), 1);
    EXPECT_EQ(q->rGetFilledValues().m_nBadIndex, 0);
    auto* piB = CallAt<INAItemDescription*>(pq, 21, L"b", L"x");
    ASSERT_NE(piB, nullptr);
    EXPECT_EQ(Text(piB->pszGetName()), L"b");
    piB->nExternalRelease();
    auto* piSource = CallAt<INADataSourceDescription*>(pq, 23, static_cast<IInfoFrom*>(pclFrom));
    EXPECT_EQ(piSource, m_pclTables->m_pclT);
    if (piSource != nullptr) piSource->nExternalRelease();
    piSource = CallAt<INADataSourceDescription*>(pq, 24, L"Clients");
    EXPECT_EQ(piSource, m_pclTables->m_pclClient);
    if (piSource != nullptr) piSource->nExternalRelease();
    EXPECT_EQ(CallAt<int>(pq, 26), 1);
    EXPECT_EQ(CallAt<void*>(pq, 27), static_cast<IExpOpExpression*>(pclHaving));
    wchar_t szName[ISQLParserInformation::PHYSICAL_NAME_SIZE];
    CallAt<void>(pq, 33, L"t", szName);
    EXPECT_EQ(std::wstring(szName), L"t_phys");
    auto* piA = CallAt<INAItemDescription*>(pq, 34, 0);
    ASSERT_NE(piA, nullptr);
    EXPECT_EQ(Text(piA->pszGetName()), L"a");
    piA->nExternalRelease();
    // The count after the table, given back at position 2.
    g_HostAddRef(&q.rGet());
    EXPECT_EQ(nCountOf(pq), 1u);
    EXPECT_EQ(CallAt<unsigned>(pq, 2), 0u);

    // The query object.
    EXPECT_EQ(CallAt<void*>(pQuery, 0, 1), static_cast<IInfoRubrique*>(pclOut));
    EXPECT_EQ(CallAt<int>(pQuery, 4), 1);
    EXPECT_EQ(CallAt<void*>(pQuery, 6, 1), static_cast<IInfoFrom*>(pclFrom));
    EXPECT_EQ(CallAt<void*>(pQuery, 6, 0), nullptr);
    EXPECT_EQ(CallAt<void*>(pQuery, 7, 1), static_cast<IInfoOrderBy*>(q->m_tabOrder[0]));
    void* pGroup = CallAt<void*>(pQuery, 8, 0);
    EXPECT_EQ(pGroup, static_cast<IInfoGroupe*>(pclGroup));
    EXPECT_EQ(CallAt<void*>(pQuery, 12, 1), static_cast<IExpOpExpression*>(pclWhere));
    EXPECT_EQ(CallAt<void*>(pQuery, 17, 1), static_cast<IInfoAffectation*>(pclAffectation));
    EXPECT_EQ(CallAt<void*>(pQuery, 18, 1), static_cast<IInfoInsertion*>(pclInsertion));

    // A FROM table, an output item, an ORDER BY item, a GROUP BY item.
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pclFrom, 3)), L"t");
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pclFrom, 4)), L"x");
    EXPECT_EQ(Span(CallAt<stPosition>(pclFrom, 5)), Span(q.At(L"t")));
    EXPECT_EQ(Span(CallAt<stPosition>(pclFrom, 6)), Span(q.At(L"x")));
    standin::CStandInRubrique* pclComputed = q->m_tabOut[1];
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pclComputed, 4)), L"s");
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pclOut, 5)), L"a");
    EXPECT_EQ(CallAt<int>(pclComputed, 10), 1);
    EXPECT_EQ(CallAt<int>(pclOut, 10), 0);
    EXPECT_EQ(CallAt<void*>(pclComputed, 20), static_cast<IExpOpExpression*>(pclPlus));
    EXPECT_EQ(Span(CallAt<stPosition>(pclComputed, 21)), Span(q.At(L"b + 1")));
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pclOut, 22)), L"x");
    EXPECT_EQ(CallAt<int>(pclOut, 23), 1);
    EXPECT_EQ(CallAt<int>(pclComputed, 23), 0);
    EXPECT_EQ(CallAt<int>(pclOut, 24), 1);
    EXPECT_EQ(CallAt<int>(pclComputed, 25), 1);
    standin::CStandInOrderBy* pclOrder = q->m_tabOrder[0];
    EXPECT_EQ(CallAt<int>(pclOrder, 3), 1);
    EXPECT_EQ(CallAt<int>(pclOrder, 4), 0);
    EXPECT_EQ(Span(CallAt<stPosition>(pclOrder, 5)), Span(q.At(L"a", 4)));
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pGroup, 0)), L"al");
    EXPECT_EQ(CallAt<int>(pGroup, 1), 1);
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pGroup, 2)), L"x");
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pGroup, 3)), L"a");
    EXPECT_EQ(Span(CallAt<stPosition>(pGroup, 4)), Span(q.At(L"a", 2)));
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pGroup, 5)), L"t");
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pGroup, 6)), L"ia");
    // Insertions give the value first, assignments the item first.
    EXPECT_EQ(CallAt<void*>(pclInsertion, 0), static_cast<IExpOpExpression*>(pclLiteral));
    EXPECT_EQ(CallAt<void*>(pclInsertion, 1), static_cast<IExpOpExpression*>(pclItem));
    EXPECT_EQ(CallAt<void*>(pclAffectation, 0), static_cast<IExpOpExpression*>(pclItem));
    EXPECT_EQ(CallAt<void*>(pclAffectation, 1), static_cast<IExpOpExpression*>(pclLiteral));

    // Expression nodes, released at position 1.
    EXPECT_EQ(CallAt<int>(pclWhere, 2), OP_GREATER);
    EXPECT_EQ(CallAt<void*>(pclItem, 4), static_cast<IExpOpExpression*>(pclLiteral));
    EXPECT_EQ(Span(CallAt<stPosition>(pclItem, 24)), Span(q.At(L"a", 1)));
    EXPECT_EQ(Span(CallAt<stPosition>(pclItem, 27)), "40-41");
    EXPECT_EQ(CallAt<int>(pclItem, 28), 1);
    int nCursor = 0;
    EXPECT_EQ(CallAt<void*>(pclWhere, 37, &nCursor), static_cast<IExpOpExpression*>(pclItem));
    EXPECT_EQ(CallAt<void*>(pclWhere, 37, &nCursor), static_cast<IExpOpExpression*>(pclLiteral));
    EXPECT_EQ(CallAt<void*>(pclWhere, 37, &nCursor), nullptr);
    EXPECT_EQ(nCursor, 2);
    EXPECT_EQ(CallAt<int>(pclItem, 45), 77);
    EXPECT_EQ(CallAt<const CAny*>(pclLiteral, 46), pclLiteral->m_pclValue);
    EXPECT_EQ(CallAt<wchar_t>(pclLiteral, 47), L'!');
    EXPECT_EQ(Text(CallAt<const wchar_t*>(pclItem, 48)), L"a");
    EXPECT_EQ(CallAt<int>(pclItem, 50), 29);
    g_HostAddRef(pclItem);
    EXPECT_EQ(CallAt<unsigned>(pclItem, 1), 0u);

    // Parameter values: the version head, then their own count and the prepared flag.
    standin::CStandInQueryParameters clValues;
    clValues.m_bPrepared = 1;
    CAny clValue;
    clValues.m_mapValues[L"v"] = &clValue;
    clValues.m_mapDirections[L"v"] = 2;
    EXPECT_EQ(CallAt<int>(&clValues, 0), 1);
    CallAt<void>(&clValues, 5);
    EXPECT_EQ(clValues.nGetRefs(), 1);
    EXPECT_EQ(CallAt<unsigned>(&clValues, 6), 0u);
    EXPECT_EQ(CallAt<int>(&clValues, 8), 1);
    EXPECT_EQ(CallAt<const CAny*>(&clValues, 9, L"v"), &clValue);
    EXPECT_EQ(CallAt<int>(&clValues, 10, L"v"), 2);
    // The driver core's two calls.
    EXPECT_TRUE(NA_bQueryPreparedBeforehand(&clValues));
    EXPECT_FALSE(NA_bQueryPreparedBeforehand(nullptr));
    clValues.AddRef();
    NA_QueryParametersRelease(&clValues);
    NA_QueryParametersRelease(nullptr);
    EXPECT_EQ(clValues.nGetRefs(), 0);
}

// ---------------------------------------------------------------------------------- loading

TEST_F(SQLParserInfoTest, KeyUniqueIndexedAndBestItems) {
    // The description of each selected item: a primary key, a unique key that refuses NULL or
    // admits it, a key with duplicates, a composite unique key, a plain item, an automatic
    // identifier whose description predates the NULL constraint.
    struct CItemV8 : CNAItemDescription {
        int nGetVersion() override { return 8; }
    };
    auto* pclAuto8 = new CItemV8;
    pclAuto8->AddRef();
    pclAuto8->bInit(L"au", L"k", L"au", 1, 4, NA_IT_IDAUTO4, 0, 0, NA_KEY_UNIQUE, 0, 0);
    m_tabItems.push_back(pclAuto8);
    auto* pclUnique8 = new CItemV8;
    pclUnique8->AddRef();
    pclUnique8->bInit(L"u8", L"k", L"u8", 1, 4, NA_IT_I4, 0, 0, NA_KEY_UNIQUE, 0, 0);
    pclUnique8->SetNullable(0);
    m_tabItems.push_back(pclUnique8);
    const std::map<std::wstring, INAItemDescription*> mapItems = {
        {L"pk", pclItem(L"pk", NA_IT_I4, NA_KEY_PRIMARY, false)},
        {L"unn", pclItem(L"unn", NA_IT_I4, NA_KEY_UNIQUE, false)},
        {L"un", pclItem(L"un", NA_IT_I4, NA_KEY_UNIQUE, true)},
        {L"un2", pclItem(L"un2", NA_IT_I4, NA_KEY_UNIQUE, true)},
        {L"dup2", pclItem(L"dup2", NA_IT_I4, NA_KEY_DUPLICATES, true)},
        {L"dup", pclItem(L"dup", NA_IT_I4, NA_KEY_DUPLICATES, true)},
        {L"cmp", pclItem(L"cmp", NA_IT_BINAIRE, NA_KEY_COMPOSED | NA_KEY_UNIQUE, false)},
        {L"pl", pclItem(L"pl", NA_IT_I4, 0, true)},
        {L"au", pclAuto8},
        {L"u8", pclUnique8},
    };
    struct Case {
        std::vector<std::wstring> tabSelected;
        bool bTwoTables;
        int nOrderBy;  // index of the output item the ORDER BY names; -1 none, 9 outside
        const wchar_t* pszKey;
        const wchar_t* pszUnique;
        const wchar_t* pszIndexed;
        const wchar_t* pszBest;
    };
    const Case tab[] = {
        {{L"pl", L"dup", L"un", L"pk"}, false, -1, L"pk", L"pk", L"pk", L"pk"},
        {{L"dup", L"un"}, false, -1, nullptr, L"un", L"un", L"un"},
        {{L"un", L"dup"}, false, -1, nullptr, L"un", L"un", L"un"},
        {{L"pl", L"dup"}, false, -1, nullptr, nullptr, L"dup", L"dup"},
        // The first of its kind stays.
        {{L"un", L"un2"}, false, -1, nullptr, L"un", L"un", L"un"},
        {{L"dup", L"dup2"}, false, -1, nullptr, nullptr, L"dup", L"dup"},
        {{L"unn", L"pk"}, false, -1, L"unn", L"unn", L"unn", L"unn"},
        {{L"cmp", L"dup"}, false, -1, nullptr, nullptr, L"dup", L"dup"},
        {{L"pl"}, false, -1, nullptr, nullptr, nullptr, L"pl"},
        {{L"au"}, false, -1, L"au", L"au", L"au", L"au"},
        {{L"u8"}, false, -1, nullptr, L"u8", L"u8", L"u8"},
        // Two tables: no key; the first item browses.
        {{L"pk", L"dup"}, true, -1, nullptr, nullptr, nullptr, L"pk"},
        // The ORDER BY item browses first, when it is an output item.
        {{L"pk", L"dup"}, false, 1, L"pk", L"pk", L"pk", L"dup"},
        {{L"pk", L"dup"}, false, 9, L"pk", L"pk", L"pk", L"pk"},
    };
    auto Name = [](IInfoRubrique* pi) { return pi != nullptr ? std::wstring(pi->pszGetNom()) : std::wstring(L"<none>"); };
    auto Expected = [](const wchar_t* psz) { return psz != nullptr ? std::wstring(psz) : std::wstring(L"<none>"); };
    for (const Case& c : tab) {
        std::wstring sText = L"SELECT ";
        for (const std::wstring& s : c.tabSelected) sText += s + L", ";
        sText += c.bTwoTables ? L"FROM k, l ORDER BY x" : L"FROM k ORDER BY x";
        CQueryBuilder q(sText);
        q.From(L"k");
        if (c.bTwoTables) q.From(L"l");
        for (const std::wstring& s : c.tabSelected) {
            standin::CStandInRubrique* pcl = q.Out(s);
            q->SetOutDescription(pcl->m_nIndex, mapItems.at(s));
        }
        if (c.nOrderBy >= 0) q->pclOrder(c.nOrderBy, q.At(L"x"), 0);
        auto pclParser = Parse(&q);
        const std::string sCase(sText.begin(), sText.end());
        EXPECT_EQ(Name(pclParser->piGetKeyItemNoRef()), Expected(c.pszKey)) << sCase;
        EXPECT_EQ(Name(pclParser->piGetUniqueItemNoRef()), Expected(c.pszUnique)) << sCase;
        EXPECT_EQ(Name(pclParser->piGetIndexedItemNoRef()), Expected(c.pszIndexed)) << sCase;
        EXPECT_EQ(Name(pclParser->piGetBestParseItemNoRef()), Expected(c.pszBest)) << sCase;
        EXPECT_EQ(Expected(pclParser->pszGetBestParseItem()), Expected(c.pszBest)) << sCase;
        // Every description the loading asked for was given back.
        for (const auto& st : mapItems) EXPECT_EQ(static_cast<CNAItemDescription*>(st.second)->nGetExternalRef(), 0u) << sCase;
        pclParser.reset();
        EXPECT_TRUE(q->bAllReleased()) << sCase;
    }
}

TEST_F(SQLParserInfoTest, UniqueItemsOfAnOrderedQuery) {
    CQueryBuilder q(L"SELECT id, nom, naissance, nom || 'x' AS nx FROM Clients ORDER BY nom");
    q.From(L"Clients");
    q.Out(L"id");
    q.Out(L"nom");
    q.Out(L"naissance");
    q.Computed(L"nx", L"nom || 'x'", q.Op(88, L"nom || 'x'", {q.Item(L"nom", 1), q.Lit(L"'x'", q.Text(L"x"))}));
    q.OrderBy({{L"nom", 1}});
    m_pclTables->Describe(&q);
    auto pclParser = Parse(&q);
    IInfoRubrique* piId = pclParser->piGetRubriqueOUT(0);
    IInfoRubrique* piNom = pclParser->piGetRubriqueOUT(1);
    IInfoRubrique* piBirth = pclParser->piGetRubriqueOUT(2);
    IInfoRubrique* piComputed = pclParser->piGetRubriqueOUT(3);
    EXPECT_EQ(pclParser->piGetRubriqueOUT(4), nullptr);
    EXPECT_EQ(pclParser->piGetRubriqueOUT(-1), nullptr);
    EXPECT_EQ(pclParser->piGetKeyItemNoRef(), piId);
    EXPECT_STREQ(pclParser->pszGetOrderByItem(), L"nom");
    EXPECT_EQ(pclParser->piGetBestParseItemNoRef(), piNom);
    EXPECT_EQ(pclParser->bRubriqueUniqueNotNull(piId), 1);
    EXPECT_EQ(pclParser->bRubriqueUniqueNotNull(piNom), 0);
    EXPECT_EQ(pclParser->bRubriqueUniqueNotNull(piComputed), 0);
    EXPECT_EQ(pclParser->bRubriqueUnique(piId), 1);
    EXPECT_EQ(pclParser->bRubriqueUnique(piBirth), 0);
    EXPECT_EQ(pclParser->piEnumRubriqueOUT(L"NOM"), piNom);
    EXPECT_EQ(pclParser->piEnumRubriqueOUT(L"prenom"), nullptr);
    EXPECT_EQ(CSQLParserInfo::s_nGetKindOfItem(piId), CSQLParserInfo::ITEMKIND_PLAIN);
    EXPECT_EQ(CSQLParserInfo::s_nGetKindOfItem(piComputed), CSQLParserInfo::ITEMKIND_COMPUTED);
    EXPECT_EQ(pclParser->bQueryContainIdAuto(), 0);
    // A host that fails while describing an item describes none.
    q->m_bThrow = true;
    EXPECT_EQ(pclParser->piGetItemDescription(piNom), nullptr);
    EXPECT_EQ(pclParser->bRubriqueUnique(piNom), 0);
}

TEST_F(SQLParserInfoTest, EnumerationsStartAtARestart) {
    CQueryBuilder q(L"UPDATE t SET a = 1, b = 2 WHERE c = 3 ORDER BY a");
    q->m_nKind = ISQLParserInformation::TYPEREQUETE_UPDATE;
    q.From(L"t");
    q.Out(L"a");
    q.Out(L"b");
    q->pclAffectation(q.Item(L"a"), q.Lit(L"1", q.Int(1)));
    q->pclAffectation(q.Item(L"b"), q.Lit(L"2", q.Int(2)));
    q->pclGroup(q.At(L"c"));
    q.OrderBy({{L"a", 0}});
    auto pclParser = Parse(&q);
    struct Case {
        const char* pszName;
        std::function<void*(int)> fnEnum;
        size_t nCount;
    };
    CSQLParserInfo* p = pclParser.get();
    const Case tab[] = {
        {"FROM", [p](int b) -> void* { return p->piEnumFichierFrom(b); }, 1},
        {"output", [p](int b) -> void* { return p->piEnumRubriqueOUT(b); }, 2},
        {"GROUP BY", [p](int b) -> void* { return p->piEnumRubriqueClauseGroupe(b); }, 1},
        {"ORDER BY", [p](int b) -> void* { return p->piEnumRubriqueClauseOrder(b); }, 1},
        {"assignments", [p](int b) -> void* { return p->piEnumRubriqueUpdate(b); }, 2},
        {"insertions", [p](int b) -> void* { return p->piEnumRubriqueInsert(b); }, 0},
    };
    for (const Case& c : tab) {
        EXPECT_EQ(c.fnEnum(0), nullptr) << c.pszName;
        size_t n = 0;
        for (void* pv = c.fnEnum(1); pv != nullptr; pv = c.fnEnum(0)) n++;
        EXPECT_EQ(n, c.nCount) << c.pszName;
        EXPECT_EQ(c.fnEnum(0), nullptr) << c.pszName;
        // A restart starts again.
        EXPECT_EQ(c.fnEnum(1) != nullptr, c.nCount > 0) << c.pszName;
    }
    // Loaded without its GROUP BY and ORDER BY, the query has none.
    pclParser->Set(&q.rGet(), nullptr, 1);
    EXPECT_EQ(pclParser->nGetRubriqueClauseGroupeNbr(), 0);
    EXPECT_EQ(pclParser->nGetRubriqueClauseOrderNbr(), 0);
    EXPECT_EQ(pclParser->pszGetOrderByItem(), nullptr);
    EXPECT_EQ(pclParser->nGetFichierFromNbr(), 1);
    EXPECT_EQ(pclParser->nGetQueryKind(), ISQLParserInformation::TYPEREQUETE_UPDATE);
}

// ---------------------------------------------------------------------------------- the query as a whole

TEST_F(SQLParserInfoTest, RecordOperationsAllowed) {
    struct Case {
        const wchar_t* pszText;
        int nKind;  // 0 plain items, 1 a computed item, 2 an aggregate, 3 a GROUP BY
        int bAllowed;
    };
    const Case tab[] = {
        {L"SELECT a FROM t", 0, 1},
        {L"SELECT DISTINCT a FROM t", 0, 0},
        {L"select distinct a from t", 0, 0},
        // Only those two spellings, each between blanks.
        {L"SELECT Distinct a FROM t", 0, 1},
        {L"SELECT DISTINCT(a) FROM t", 0, 1},
        {L"SELECT a FROM t", 1, 0},
        {L"SELECT a FROM t", 2, 0},
        {L"SELECT a FROM t", 3, 0},
    };
    for (const Case& c : tab) {
        CQueryBuilder q(c.pszText);
        q.From(L"t");
        standin::CStandInRubrique* pcl = q.Out(L"a");
        if (c.nKind == 1) pcl->m_bPlain = 0;
        if (c.nKind == 2) {
            pcl->m_pclExpression = q.Op(OP_COUNT, L"a", {});
            pcl->m_bPlain = 1;
        }
        if (c.nKind == 3) q->pclGroup(q.At(L"a"));
        auto pclParser = Parse(&q);
        const std::wstring s = c.pszText;
        EXPECT_EQ(pclParser->bHOperationAllowed(), c.bAllowed) << std::string(s.begin(), s.end()) << " " << c.nKind;
    }
}

TEST_F(SQLParserInfoTest, ResultsetLimitsAndAutomaticIdentifiers) {
    CQueryBuilder q(L"SELECT a FROM t LIMIT 5");
    q.From(L"t");
    q.Out(L"a");
    auto pclParser = Parse(&q);
    EXPECT_EQ(pclParser->bQueryResultsetLimited(m_pclCnx), 1);
    // Worked out once.
    q->m_sText = L"SELECT a FROM t";
    EXPECT_EQ(pclParser->bQueryResultsetLimited(m_pclCnx), 1);
    pclParser->Set(&q.rGet(), nullptr, 0);
    EXPECT_EQ(pclParser->bQueryResultsetLimited(m_pclCnx), 0);

    CNAItemDescription* pclAuto = pclItem(L"a", NA_IT_IDAUTO, NA_KEY_UNIQUE, false);
    EXPECT_EQ(pclParser->bQueryContainIdAuto(), 0);
    EXPECT_EQ(CSQLParserInfo::bQueryContainIdAuto(&q.rGet()), 0);
    q->SetOutDescription(0, pclAuto);
    EXPECT_EQ(pclParser->bQueryContainIdAuto(), 1);
    EXPECT_EQ(CSQLParserInfo::bQueryContainIdAuto(&q.rGet()), 1);
    EXPECT_EQ(CSQLParserInfo::bQueryContainIdAuto(nullptr), 0);
    EXPECT_EQ(pclAuto->nGetExternalRef(), 0u);
}

// ---------------------------------------------------------------------------------- names

TEST_F(SQLParserInfoTest, PhysicalNamesAndAliases) {
    CQueryBuilder q(L"SELECT x.a, y.nom FROM t x, Clients y");
    q.From(L"t", 0, L"x", 1);
    q.From(L"Clients", 0, L"y", 1);
    q.Out(L"x.a")->m_sTable = L"x";
    q->m_tabOut.back()->m_sName = q->m_tabOut.back()->m_sSource = L"a";
    standin::CStandInRubrique* pclNom = q.Out(L"y.nom");
    pclNom->m_sTable = L"y";
    pclNom->m_sName = pclNom->m_sSource = L"nom";
    m_pclTables->Describe(&q);
    q->SetPhysicalName(L"t", std::wstring(300, L'p'));
    auto pclParser = Parse(&q);

    struct Case {
        const wchar_t* pszName;
        const wchar_t* pszPhysical;  // null: none
    };
    const std::wstring sLong(ISQLParserInformation::PHYSICAL_NAME_SIZE - 1, L'p');
    const Case tab[] = {
        {L"Clients", L"Client"}, {L"y", L"Client"}, {L"t", sLong.c_str()}, {L"zz", nullptr}, {L"", nullptr}, {nullptr, nullptr},
    };
    for (const Case& c : tab) {
        const wchar_t* psz = pclParser->pszGetPhysicalName(c.pszName);
        const std::wstring sName = c.pszName != nullptr ? c.pszName : L"<null>";
        if (c.pszPhysical == nullptr)
            EXPECT_EQ(psz, nullptr) << std::string(sName.begin(), sName.end());
        else
            EXPECT_STREQ(psz, c.pszPhysical) << std::string(sName.begin(), sName.end());
    }
    // An item's table: its physical name, else the name as the item gives it.
    EXPECT_STREQ(pclParser->pszGetPhysicalName(pclParser->piGetRubriqueOUT(1)), L"Client");
    pclNom->m_sTable = L"other";
    EXPECT_STREQ(pclParser->pszGetPhysicalName(pclParser->piGetRubriqueOUT(1)), L"other");
    pclNom->m_sTable = L"y";

    // Aliases: a name of its own for a FROM table, with that table's description.
    INADataSourceDescription* piSource = nullptr;
    EXPECT_EQ(pclParser->bIsTableAlias(L"Y", &piSource), 1);
    EXPECT_EQ(piSource, m_pclTables->m_pclClient);
    if (piSource != nullptr) piSource->nExternalRelease();
    EXPECT_EQ(pclParser->bIsTableAlias(L"Clients", &piSource), 0);
    EXPECT_EQ(piSource, m_pclTables->m_pclClient);
    if (piSource != nullptr) piSource->nExternalRelease();
    EXPECT_EQ(pclParser->bIsTableAlias(L"zz", &piSource), 0);
    EXPECT_EQ(piSource, nullptr);
    EXPECT_EQ(m_pclTables->m_pclClient->nGetExternalRef(), 0u);
    EXPECT_EQ(pclParser->csGetFichierFrom_DBTableName(0).pszGet(), std::wstring(L"t"));
    EXPECT_EQ(pclParser->csGetFichierFrom_DBTableName(1).pszGet(), std::wstring(L"Client"));
    EXPECT_EQ(pclParser->csGetFichierFrom_DBTableName(2).nTaille(), 0);

    // The output item an alias names; with a table, the items the host added itself are passed over.
    EXPECT_EQ(pclParser->piGetInfoRubriqueFromAlias(nullptr, L"NOM"), pclParser->piGetRubriqueOUT(1));
    EXPECT_EQ(pclParser->piGetInfoRubriqueFromAlias(L"y", L"nom"), pclParser->piGetRubriqueOUT(1));
    EXPECT_EQ(pclParser->piGetInfoRubriqueFromAlias(L"x", L"nom"), nullptr);
    EXPECT_EQ(CSQLParserInfo::g_piGetInfoRubriqueFromAlias(&q.rGet(), L"y", L"nom"), pclParser->piGetRubriqueOUT(1));
    pclNom->m_bHidden = 1;
    EXPECT_EQ(pclParser->piGetInfoRubriqueFromAlias(L"y", L"nom"), nullptr);
    EXPECT_EQ(CSQLParserInfo::g_piGetInfoRubriqueFromAlias(&q.rGet(), L"y", L"nom"), nullptr);
    EXPECT_EQ(pclParser->piGetInfoRubriqueFromAlias(nullptr, L"nom"), pclParser->piGetRubriqueOUT(1));

    // A host that fails while naming a table names none.
    q->m_bThrow = true;
    EXPECT_EQ(pclParser->pszGetPhysicalName(L"Clients"), nullptr);
    EXPECT_EQ(pclParser->piGetNADataSourceDescription(L"Clients"), nullptr);
}

// ---------------------------------------------------------------------------------- columns and GROUP BY

TEST_F(SQLParserInfoTest, ItemsBehindColumns) {
    CQueryBuilder q(L"SELECT a, y AS b2, b || a AS m FROM t GROUP BY a ORDER BY b2");
    q.From(L"t");
    q.Out(L"a");
    standin::CStandInRubrique* pclB2 = q.Out(L"y");
    pclB2->m_sName = L"b2";
    auto* pclMemoItem = q.Item(L"b", L"b", L"");
    pclMemoItem->m_nEngineType = 29;
    q.Computed(L"m", L"b || a", q.Op(88, L"b || a", {pclMemoItem, q.Item(L"a", 1)}));
    standin::CStandInGroupe* pclGroup = q->pclGroup(q.At(L"a", 2));
    pclGroup->m_sItem = L"a";
    pclGroup->m_sItemAlias = L"a";
    q.OrderBy({{L"b2", 1}});
    auto pclParser = Parse(&q);

    // The copy of the GROUP BY item keeps the host's texts as they were.
    pclGroup->m_sItemAlias = L"changed";
    CInfoGroupe* pclCopy = pclParser->piGetRubriqueClauseGroupe(0);
    ASSERT_NE(pclCopy, nullptr);
    EXPECT_STREQ(pclCopy->pszGetNomRubriqueAlias(), L"a");
    EXPECT_EQ(pclCopy->stGetPosition().nDebut, q.At(L"a", 2).nDebut);

    // Columns of the record the query fills, by their items.
    auto Column = [&](const wchar_t* pszName, const wchar_t* pszSource, eNA_ITEMTYPE eType, const wchar_t* pszTable) {
        auto* pclDesc = pclItem(pszName, eType, 0, true);
        pclDesc->bInit(pszName, L"t", pszSource, 1, 4, eType, 0, -1, 0, 0, 0);
        auto* pcl = new CNAColumn(m_pclError, pclDesc);
        pcl->AddRef();
        pcl->SetAliasNomTable(pszTable, pszTable);
        return std::unique_ptr<CNAColumn, void (*)(CNAColumn*)>(pcl, [](CNAColumn* p) { p->nRelease(); });
    };
    auto clA = Column(L"a", L"a", NA_IT_I4, L"t");
    auto clB2 = Column(L"b2", L"y", NA_IT_TEXTE, L"t");
    auto clOther = Column(L"z", L"y", NA_IT_TEXTE, L"t");
    auto clElsewhere = Column(L"z", L"y", NA_IT_TEXTE, L"u");
    auto clM = Column(L"m", L"m", NA_IT_TEXTE, L"");
    auto clMemo = Column(L"a", L"a", NA_IT_MEMOTEXTE, L"t");
    EXPECT_EQ(pclParser->piGetRubriqueClauseGroupe(clA.get()), pclCopy);
    EXPECT_EQ(pclParser->piGetRubriqueClauseGroupe(clB2.get()), nullptr);
    // The ORDER BY item: by the output item's name, or by its name in its table and that table.
    EXPECT_EQ(pclParser->piGetRubriqueClauseOrder(clB2.get()), pclParser->piGetRubriqueClauseOrder(0));
    EXPECT_EQ(pclParser->piGetRubriqueClauseOrder(clOther.get()), pclParser->piGetRubriqueClauseOrder(0));
    EXPECT_EQ(pclParser->piGetRubriqueClauseOrder(clElsewhere.get()), nullptr);
    EXPECT_EQ(pclParser->piGetRubriqueClauseOrder(clA.get()), nullptr);
    // A memo behind a column: a plain item's own column says, a computed one's items say.
    EXPECT_EQ(pclParser->bRubriqueSourceIsMemo(clA.get()), 0);
    EXPECT_EQ(pclParser->bRubriqueSourceIsMemo(clMemo.get()), 1);
    EXPECT_EQ(pclParser->bRubriqueSourceIsMemo(clM.get()), 1);
    pclMemoItem->m_nEngineType = 0;
    EXPECT_EQ(pclParser->bRubriqueSourceIsMemo(clM.get()), 0);
    EXPECT_EQ(pclParser->bRubriqueSourceIsMemo(clOther.get()), 0);
    EXPECT_EQ(pclParser->bHOperationAllowed(), 0);
}

// ---------------------------------------------------------------------------------- references

TEST_F(SQLParserInfoTest, ReferencesOnTheHostsObjects) {
    CQueryBuilder q1(L"SELECT a FROM t WHERE a > 1 HAVING a < 5 ORDER BY a");
    q1.From(L"t");
    q1.Out(L"a");
    q1.Where(L"1", q1.Op(OP_GREATER, L"a > 1", {q1.Item(L"a", 1), q1.Lit(L"1", q1.Int(1))}));
    q1->m_pclHaving = q1.Op(OP_LESS, L"a < 5", {q1.Item(L"a", 2), q1.Lit(L"5", q1.Int(5))});
    q1.OrderBy({{L"a", 0}});
    CQueryBuilder q2(L"SELECT b FROM t");
    q2.From(L"t");
    q2.Out(L"b");
    standin::CStandInQueryParameters clValues1, clValues2;
    clValues1.m_bPrepared = 1;

    auto pclParser = Parse(&q1, &clValues1);
    // One on the query, each FROM table, output and ORDER BY item, the WHERE and HAVING trees.
    EXPECT_EQ(q1->m_nHostRef, 1u);
    EXPECT_EQ(q1->m_tabFrom[0]->m_nHostRef, 1u);
    EXPECT_EQ(q1->m_tabOut[0]->m_nHostRef, 1u);
    EXPECT_EQ(q1->m_tabOrder[0]->m_nHostRef, 1u);
    EXPECT_EQ(q1->m_pclWhere->m_nHostRef, 1u);
    EXPECT_EQ(q1->m_pclHaving->m_nHostRef, 1u);
    EXPECT_EQ(clValues1.nGetRefs(), 1);
    EXPECT_EQ(pclParser->bHPrepareRequeteCalled(), 1);
    INAQueryParametersValue* piValues = pclParser->piGetUserBindVariable();
    EXPECT_EQ(piValues, &clValues1);
    EXPECT_EQ(clValues1.nGetRefs(), 2);
    piValues->nRelease();

    // Loaded again with another query, the first one's objects are all given back.
    pclParser->Set(&q2.rGet(), &clValues2, 0);
    EXPECT_TRUE(q1->bAllReleased());
    EXPECT_EQ(clValues1.nGetRefs(), 0);
    EXPECT_EQ(clValues2.nGetRefs(), 1);
    EXPECT_EQ(pclParser->bHPrepareRequeteCalled(), 0);
    // The same query again keeps one reference each.
    pclParser->Set(&q2.rGet(), &clValues2, 0);
    EXPECT_EQ(q2->m_nHostRef, 1u);
    EXPECT_EQ(clValues2.nGetRefs(), 1);
    pclParser.reset();
    EXPECT_TRUE(q2->bAllReleased());
    EXPECT_EQ(clValues2.nGetRefs(), 0);

    // Without a parsed query there is nothing to enumerate nor to name.
    CSQLParserInfo clEmpty(m_pclError, nullptr, nullptr, 0);
    clEmpty.SetDoNotDelete(1);
    EXPECT_EQ(clEmpty.pszGetRequete(), nullptr);
    EXPECT_EQ(clEmpty.piEnumRubriqueOUT(1), nullptr);
    EXPECT_EQ(clEmpty.pszGetBestParseItem(), nullptr);
    EXPECT_EQ(clEmpty.piGetUserBindVariable(), nullptr);
    EXPECT_EQ(clEmpty.pclGetQueryParserInfoNoRef(), nullptr);
    EXPECT_EQ(clEmpty.bHOperationAllowed(), 1);
}

// ---------------------------------------------------------------------------------- a record ordered by the query

TEST_F(SQLParserInfoTest, RecordOrderedByTheQuery) {
    // A record over the "Clients" description, ordered as the query's ORDER BY says.
    struct CRecordOfQuery : CNARecord {
        using CNARecord::CNARecord;
        using CNARecord::_AddOrderByOfQuery;
        void Clear() { m_tabOrderBy.SupprimeTout(); }
    };
    standin::CStandInConnectionDescription clHostCnx;
    CModelTestConnection clCnx(&clHostCnx);
    auto* pclRecord = new CRecordOfQuery(m_pclError, nullptr);
    pclRecord->AddRef();
    ASSERT_TRUE(pclRecord->bInitRecord(m_pclTables->m_pclClient, m_pclTables->m_pclClient, &clCnx));

    CQueryBuilder q(L"SELECT id, nom, naissance FROM Clients ORDER BY naissance, nom, id");
    q.From(L"Clients");
    q.Out(L"id");
    q.Out(L"nom");
    q.Out(L"naissance");
    q.OrderBy({{L"naissance", 2}, {L"nom", 1}, {L"id", 0}});
    q->pclOrder(9, stPosition{0, 0}, 0);  // an item outside the output is passed over
    auto pclParser = Parse(&q);
    pclRecord->Clear();
    pclRecord->_AddOrderByOfQuery(pclParser.get());
    std::vector<std::wstring> tabOrder;
    for (int i = 0; i < pclRecord->nGetNumColumnsOrder(); i++) tabOrder.push_back(pclRecord->pclGetColumnOrderNoRef(i)->pszGetName());
    EXPECT_EQ(tabOrder, (std::vector<std::wstring>{L"naissance", L"nom", L"id"}));
    pclRecord->Clear();
    pclRecord->_AddOrderByOfQuery(nullptr);
    EXPECT_EQ(pclRecord->nGetNumColumnsOrder(), 0);
    pclRecord->nRelease();
}

}  // namespace
