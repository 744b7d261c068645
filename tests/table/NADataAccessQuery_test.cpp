// A data access set up for a query, without a server: the query flags the host's mode and text
// give (run as written without a parsed form, no block limit for a join), the text a connection's
// code page cannot write, the adapter kept for the same parsed query, and the questions the other
// operations ask about the query.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/sql/SQLParserInfo.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInParsedQuery.h"
#include "tests/host/TestSupport.h"

namespace {

std::string sOf(const wchar_t* psz) {
    const std::wstring ws = psz != nullptr ? std::wstring(psz) : std::wstring();
    return std::string(ws.begin(), ws.end());
}

// An access on a connection that is never opened (the host's code page is the stand-in's 1252).
class NADataAccessQueryTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        m_pclDriver = new CPSQLDriver;
        m_pclDriver->_RegisterAsLiveDriver();
        m_pclDriver->ExternalAddRef();
        m_pclDriver->AllocError();
        m_clHost.m_sConnectionName = L"QUERYCNX";
        m_clHost.m_sDataBase = L"127.0.0.1";
        m_clHost.m_sDefaultDataBase = L"sales";
        m_clHost.m_sLogicalConnectionName = L"MyConnection";
        m_pclCnx = m_pclDriver->_pclGetConnection(&m_clHost);
        ASSERT_NE(m_pclCnx, nullptr);
        m_pclError = new CNAError;
        m_pclError->AddRef();
        m_pclAccess = m_pclDriver->pclAllocDataAccess(nullptr, m_pclCnx, m_pclError);
        ASSERT_NE(m_pclAccess, nullptr);
        m_pclAccess->AddRef();
    }
    void TearDown() override {
        if (m_pclAccess != nullptr) m_pclAccess->nRelease();
        if (m_pclError != nullptr) m_pclError->nRelease();
        if (m_pclCnx != nullptr) m_pclDriver->nReleaseConnection(m_pclCnx);
        m_pclDriver->nExternalRelease();
    }

    CPSQLDriver* m_pclDriver = nullptr;
    standin::CStandInConnectionDescription m_clHost;
    CNAConnectionDescription* m_pclCnx = nullptr;
    CNAError* m_pclError = nullptr;
    CNADataAccess* m_pclAccess = nullptr;
};

// The flags the mode and text give: the mode itself; run as written added without a parsed form;
// " JOIN " in any case after the first character means no block limit, unless run as written; a
// table has none.
TEST_F(NADataAccessQueryTest, QueryFlags) {
    constexpr unsigned JOIN = CNADataAccess::QUERYFLAG_JOIN;
    constexpr unsigned AS_WRITTEN = CNADataAccess::QUERYFLAG_AS_WRITTEN;
    struct stCase {
        const wchar_t* pszText;  // null: no parsed form
        int bIsQuery;
        unsigned nMode;
        unsigned nFlags;
    } astCases[] = {
        {L"SELECT a FROM t JOIN u ON t.a = u.a", 1, 0, JOIN},
        {L"SELECT a FROM t left join u ON t.a = u.a", 1, 0x8, 0x8 | JOIN},
        {L" JOIN u", 1, 0, 0},
        {L"SELECT a FROM tJOIN u", 1, 0, 0},
        {L"SELECT a FROM t JOIN u ON t.a = u.a", 1, AS_WRITTEN, AS_WRITTEN},
        {L"SELECT a FROM t", 1, 0x90, 0x90},
        {nullptr, 1, 0, AS_WRITTEN},
        {nullptr, 1, 0x10, 0x10 | AS_WRITTEN},
        {L"SELECT a FROM t JOIN u ON t.a = u.a", 0, 0x8, 0},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(sOf(st.pszText) + " mode " + std::to_string(st.nMode));
        standin::CStandInParsedQuery clQuery(st.pszText != nullptr ? st.pszText : L"");
        ASSERT_EQ(m_pclAccess->_bSetQuery(st.bIsQuery, L"Q", st.pszText != nullptr ? &clQuery : nullptr, st.nMode), 1);
        EXPECT_EQ(m_pclAccess->nGetQueryFlags(), st.nFlags);
        EXPECT_EQ(m_pclAccess->bSourceIsQuery(), st.bIsQuery);
        EXPECT_EQ(m_pclAccess->bRequeteSansCorrection(), st.bIsQuery && (st.nFlags & AS_WRITTEN) != 0 ? 1 : 0);
        EXPECT_EQ(m_pclAccess->pclGetParsedQueryNoRef() != nullptr, st.pszText != nullptr);
        // The next set-up (or the access's end) gives the parsed query back.
        m_pclAccess->_bSetQuery(0, L"T", nullptr, 0);
        EXPECT_TRUE(clQuery.bAllReleased());
    }
}

// A text run as written must be writable in the connection's code page: otherwise user error 77
// with the database names and the connection's logical name, the text first among the debug
// messages. A text the driver rewrites is not checked.
TEST_F(NADataAccessQueryTest, TextOutsideTheCodePage) {
    ASSERT_EQ(m_pclCnx->nGetCodePage(), 1252u);
    standin::CStandInParsedQuery clWritable(L"SELECT 'caf\u00e9' FROM t");
    EXPECT_EQ(m_pclAccess->_bSetQuery(1, L"Q", &clWritable, CNADataAccess::QUERYFLAG_AS_WRITTEN), 1);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 0u);

    standin::CStandInParsedQuery clForeign(L"SELECT '\u65e5\u672c' FROM t");
    EXPECT_EQ(m_pclAccess->_bSetQuery(1, L"Q", &clForeign, CNADataAccess::QUERYFLAG_AS_WRITTEN), 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 77u);
    const std::wstring wsDebug = m_pclError->pclGetXError()->pszGetDebugMessage();
    EXPECT_EQ(wsDebug.rfind(L"SELECT '\u65e5\u672c' FROM t", 0), 0u);
    EXPECT_NE(wsDebug.find(L"IEKXPSQL=3.26\r\n"), std::wstring::npos);
    const std::string sMessage = sOf(m_pclError->pclGetXError()->pszGetUserMessage());
    EXPECT_NE(sMessage.find("127.0.0.1 (sales, connection MyConnection)"), std::string::npos) << sMessage;
    EXPECT_EQ(m_pclAccess->pclGetParsedQueryNoRef(), nullptr);

    m_pclError->Reset();
    EXPECT_EQ(m_pclAccess->_bSetQuery(1, L"Q", &clForeign, 0), 1);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 0u);
    m_pclAccess->_bSetQuery(0, L"T", nullptr, 0);
    EXPECT_TRUE(clForeign.bAllReleased());
    EXPECT_TRUE(clWritable.bAllReleased());
}

// The adapter stays for the same parsed query and is made anew for another; the questions about
// the query read it.
TEST_F(NADataAccessQueryTest, AdapterAndQuestions) {
    standin::CStandInParsedQuery clQuery(L"select a from t LIMIT 5");
    clQuery.pclFrom(L"t", stPosition{14, 14});
    ASSERT_EQ(m_pclAccess->_bSetQuery(1, L"Q", &clQuery, 0), 1);
    CSQLParserInfo* pclAdapter = m_pclAccess->pclGetParsedQueryNoRef();
    ASSERT_NE(pclAdapter, nullptr);
    ASSERT_EQ(m_pclAccess->_bSetQuery(1, L"Q", &clQuery, 0), 1);
    EXPECT_EQ(m_pclAccess->pclGetParsedQueryNoRef(), pclAdapter);

    standin::CStandInParsedQuery clSameText(L"SELECT A FROM T limit 5");
    standin::CStandInParsedQuery clOther(L"SELECT b FROM t LIMIT 5");
    EXPECT_EQ(m_pclAccess->bSameQuery(&clSameText), 1);
    EXPECT_EQ(m_pclAccess->bSameQuery(&clOther), 0);
    EXPECT_EQ(m_pclAccess->eSourceQueryType(), NAQUERYTYPE_SELECT);
    EXPECT_EQ(m_pclAccess->bQueryResultsetLimited(), 1);
    EXPECT_EQ(m_pclAccess->bSourceIsQueryOnMultipleTables(), 0);

    // Run as written, a LIMIT in the text is the server's business.
    ASSERT_EQ(m_pclAccess->_bSetQuery(1, L"Q", &clQuery, CNADataAccess::QUERYFLAG_AS_WRITTEN), 1);
    EXPECT_EQ(m_pclAccess->bQueryResultsetLimited(), 0);

    standin::CStandInParsedQuery clJoin(L"UPDATE t SET a = 1 FROM u");
    clJoin.m_nKind = ISQLParserInformation::TYPEREQUETE_UPDATE;
    clJoin.pclFrom(L"t", stPosition{7, 7});
    clJoin.pclFrom(L"u", stPosition{24, 24});
    ASSERT_EQ(m_pclAccess->_bSetQuery(1, L"Q", &clJoin, 0), 1);
    // An adapter of the new parsed query (the old one's address may be reused: it is not compared).
    ASSERT_NE(m_pclAccess->pclGetParsedQueryNoRef(), nullptr);
    EXPECT_EQ(m_pclAccess->pclGetParsedQueryNoRef()->piGetParserNoRef(), static_cast<ISQLParserInformation*>(&clJoin));
    EXPECT_EQ(m_pclAccess->eSourceQueryType(), NAQUERYTYPE_UPDATE);
    EXPECT_EQ(m_pclAccess->bSourceIsQueryOnMultipleTables(), 1);

    // A table answers none of it.
    ASSERT_EQ(m_pclAccess->_bSetQuery(0, L"T", nullptr, 0), 1);
    EXPECT_EQ(m_pclAccess->eSourceQueryType(), NAQUERYTYPE_NONE);
    EXPECT_EQ(m_pclAccess->bSameQuery(&clSameText), 0);
    EXPECT_EQ(m_pclAccess->bSourceIsQueryOnMultipleTables(), 0);
    EXPECT_TRUE(clQuery.bAllReleased());
    EXPECT_TRUE(clJoin.bAllReleased());
}

// A description with the items named, each of the type given (the texts 10 characters long).
CNADataSourceDescription* pclDescriptionOf(CNAConnectionDescription* pclCnx, CNAError* pclError,
                                           std::initializer_list<std::pair<const wchar_t*, eNA_ITEMTYPE>> tabItems) {
    auto* pcl = new CNADataSourceDescription(pclCnx, pclError);
    pcl->AddRef();
    for (const auto& st : tabItems)
        EXPECT_TRUE(
            pcl->bAddItem(st.first, L"t", st.first, 1, st.second == NA_IT_TEXTE ? 10 : 4, st.second, -1, -1, 0, 0, 0));
    pcl->UpdateRecordSize();
    return pcl;
}

std::string sItems(INADataSourceDescription* pi) {
    std::string s;
    for (unsigned i = 0; i < pi->nGetNumItems(); i++) {
        INAItemDescription* piItem = pi->piNAGetItem(i);
        if (i > 0) s += ',';
        s += sOf(piItem->pszGetName());
        s += '@';
        s += std::to_string(piItem->nGetPhysicalIndice());
        piItem->nExternalRelease();
    }
    return s;
}

// The catalogue's or the result's description of a query names columns the query's own
// description lacks: each is added to it where the result has it, with its type; the items after
// it move on and the record is laid out anew. A table's description is the host's and gets none.
TEST_F(NADataAccessQueryTest, ImportedItemsTheQueryLacks) {
    CNACommand* pclCommand = nullptr;
    CTString clItem;
    ASSERT_EQ(m_pclAccess->_bInitQuery(&pclCommand, &clItem, L"Q", 0, L"SELECT a, x, b, y FROM t", nullptr, nullptr),
              1);
    ASSERT_NE(pclCommand, nullptr);
    pclCommand->nRelease();
    auto* pclOwn = dynamic_cast<CNADataSourceDescription*>(m_pclAccess->piGetDataSourceDescriptionNoRef());
    ASSERT_NE(pclOwn, nullptr);
    ASSERT_TRUE(pclOwn->bAddItem(L"a", L"t", L"a", 1, 10, NA_IT_TEXTE, -1, -1, 0, 0, 0));
    ASSERT_TRUE(pclOwn->bAddItem(L"b", L"t", L"b", 1, 10, NA_IT_TEXTE, -1, -1, 0, 0, 0));
    pclOwn->UpdateRecordSize();
    CNADataSourceDescription* pclResult = pclDescriptionOf(
        m_pclCnx, m_pclError, {{L"a", NA_IT_TEXTE}, {L"x", NA_IT_I4}, {L"b", NA_IT_TEXTE}, {L"y", NA_IT_I4}});

    m_pclAccess->_SetImportedDataSourceDesc(pclResult);
    EXPECT_EQ(sItems(pclOwn), "a@0,x@1,b@2,y@3");
    INAItemDescription* piX = pclOwn->piNAGetItem(L"x");
    ASSERT_NE(piX, nullptr);
    EXPECT_EQ(piX->eNAGetItemType(), NA_IT_I4);
    piX->nExternalRelease();
    // The record holds every item, laid out after the new order.
    EXPECT_EQ(pclOwn->nGetMemoryRecordSize(), pclResult->nGetMemoryRecordSize());
    CNADataSourceDescription* pclImported = m_pclAccess->pclGetImportedDataSourceDesc();
    EXPECT_EQ(pclImported, pclResult);
    if (pclImported != nullptr) pclImported->nRelease();
    ASSERT_NE(m_pclAccess->pclGetCurrentRecordNoRef(), nullptr);

    // A table over a description that lacks a column of the catalogue's.
    CNADataSourceDescription* pclHost =
        pclDescriptionOf(m_pclCnx, m_pclError, {{L"a", NA_IT_TEXTE}, {L"b", NA_IT_TEXTE}});
    CNADataAccess* pclTable = m_pclDriver->pclAllocDataAccess(pclHost, m_pclCnx, m_pclError);
    ASSERT_NE(pclTable, nullptr);
    pclTable->AddRef();
    pclTable->_SetImportedDataSourceDesc(pclResult);
    EXPECT_EQ(sItems(pclHost), "a@0,b@1");
    pclTable->nRelease();
    pclHost->nRelease();
    pclResult->nRelease();
}

// The host's next operation is taken as it comes when the access holds no table cache.
TEST_F(NADataAccessQueryTest, NextOperationWithoutTableCache) {
    for (int nOperation : {0, 1, 2, 3, 4}) EXPECT_EQ(m_pclAccess->bSetNextOperation(nOperation), 1);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 0u);
}

}  // namespace
