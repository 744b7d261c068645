// Automatic identifiers. Without a server: the MAX texts over a table and over a host query, the
// virtual order, and the object the driver makes. On the test server: the next and the highest
// value of a table and of a query over it, an empty table, no row at all, a failed next value.
#include "native/driver/NAIDAuto.h"

#include <gtest/gtest.h>

#include <string>

#include "core/XYStringConcat.h"
#include "native/statement/NAStatementAccess.h"
#include "tests/core/VirtualSlot.h"
#include "tests/driver/InternalServerFixture.h"
#include "tests/statement/StatementFixture.h"

namespace {

using namespace stmttest;

// An access over a host query whose item "ident" is the column "order id" of "public.orders".
class CQueryAccess : public CNADataAccess {
public:
    CQueryAccess(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx, CNAError* pclError)
        : CNADataAccess(piDesc, pclCnx, pclError) {
        m_nQuery = 1;
    }
};

class IDAutoTextTest : public StatementTest {
protected:
    std::wstring wsText(CNADataAccess* pclAccess, CNAColumn* pclColumn, bool bNext) {
        CNAIDAuto cl;
        CXYStringConcat<wchar_t> clSQL;
        const int bBuilt = bNext ? cl._bBuildQueryGetNextValue(&clSQL, pclAccess, pclColumn)
                                 : cl._bBuildQueryGetMaxCurrentValue(&clSQL, pclAccess, pclColumn);
        EXPECT_EQ(bBuilt, 1);
        return clSQL.pszGet();
    }
};

TEST_F(IDAutoTextTest, OverATableTheColumnAndTheTableAreTheAccesss) {
    CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(L"id");
    EXPECT_EQ(wsText(m_pclAccess, pclColumn, true), L"SELECT MAX(\"id\")+1 FROM \"stmt_fx\"");
    EXPECT_EQ(wsText(m_pclAccess, pclColumn, false), L"SELECT MAX(\"id\") FROM \"stmt_fx\"");
}

// A query's column may be renamed: MAX reads the source table's own column, both names written as
// the connection writes names.
TEST_F(IDAutoTextTest, OverAQueryTheNamesAreTheItemsSource) {
    auto* pclDesc = new CNADataSourceDescription(nullptr, nullptr);
    pclDesc->AddRef();
    pclDesc->SetLogicalName(L"q_orders");
    pclDesc->bAddItem(L"ident", L"public.orders", L"order id", 1, 4, NA_IT_IDAUTO4, -1, 0, NA_KEY_UNIQUE, 0, 0);
    pclDesc->UpdateRecordSize();
    auto* pclAccess = new CQueryAccess(pclDesc, m_pclCnx, m_pclError);
    pclAccess->AddRef();
    auto* pclRecord = new CNARecord(m_pclError, pclAccess);
    pclRecord->AddRef();
    ASSERT_TRUE(pclRecord->bInitRecord(pclDesc, pclDesc, m_pclCnx));
    CNAColumn* pclColumn = pclRecord->pclGetColumnNoRef(L"ident");
    ASSERT_NE(pclColumn, nullptr);
    EXPECT_EQ(wsText(pclAccess, pclColumn, true), L"SELECT MAX(\"order id\")+1 FROM \"public\".\"orders\"");
    EXPECT_EQ(wsText(pclAccess, pclColumn, false), L"SELECT MAX(\"order id\") FROM \"public\".\"orders\"");
    pclRecord->nRelease();
    pclAccess->nRelease();
    pclDesc->nRelease();
}

TEST(NAIDAutoTest, OperationsInOrderAfterCInterfs) {
    using I = CNAIDAuto;
    // Entries 0 to 2 are CInterf's destructor pair and _NotToBeCalled.
    EXPECT_EQ(SlotOf(&I::bGetNextValue), 3);
    EXPECT_EQ(SlotOf(&I::bGetMaxCurrentValue), 4);
    EXPECT_EQ(SlotOf(&I::_bBuildQueryGetNextValue), 5);
    EXPECT_EQ(SlotOf(&I::_bBuildQueryGetMaxCurrentValue), 6);
    EXPECT_EQ(SlotOf(&I::_PrefixMessageErreur), 7);
}

TEST_F(IDAutoTextTest, TheDriverMakesOneWithNoReferenceAndNoQuery) {
    CNAIDAuto* pcl = m_pclDriver->pclAllocIDAuto();
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(pcl->nGetRef(), 0u);
    pcl->AddRef();
    EXPECT_EQ(pcl->nRelease(), 0u);
}

// Without a column or a value there is nothing to ask and nothing to write.
TEST_F(IDAutoTextTest, NothingToAskAnswersFailure) {
    CNAIDAuto cl;
    CAny clValue;
    CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(L"id");
    EXPECT_EQ(cl.bGetNextValue(m_pclAccess, nullptr, m_pclError, &clValue), 0);
    EXPECT_EQ(cl.bGetMaxCurrentValue(m_pclAccess, pclColumn, m_pclError, nullptr), 0);
}

// ---------------------------------------------------------------------------------- on the server

// The highest value read by a query that finds no row at all.
class CNoRowIDAuto : public CNAIDAuto {
public:
    std::wstring m_wsSQL;
    int _bBuildQueryGetMaxCurrentValue(CXYStringConcat<wchar_t>* pclSQL, CNADataAccess*, CNAColumn*) override {
        pclSQL->Add(m_wsSQL.c_str());
        return 1;
    }
};

class IDAutoServerTest : public internaltest::InternalServerTest {
protected:
    void TearDown() override {
        for (CNARecord* pcl : m_apclRecords) pcl->nRelease();
        for (CNADataAccess* pcl : m_apclAccesses) pcl->nRelease();
        for (CNADataSourceDescription* pcl : m_apclDescriptions) pcl->nRelease();
        InternalServerTest::TearDown();
    }

    // A table of ids (serial) holding the ids given.
    std::string sIds(const std::string& sName, const std::vector<int>& anIds) {
        const std::string s = sTable(sName, "id serial PRIMARY KEY, label text");
        for (int n : anIds) server().Run("INSERT INTO " + s + " VALUES (" + std::to_string(n) + ", 'x')");
        return s;
    }
    // An opened access over the table as the catalogue describes it, and its column of that name.
    CNAColumn* pclTableColumn(const std::string& sTableName, const wchar_t* pszColumn, CNADataAccess** ppclAccess) {
        INADataSourceDescription* piDesc =
            m_clServerDriver.piDescription(internaltest::wsOf(sTableName).c_str(), m_pclHostCnx);
        if (piDesc == nullptr) {
            ADD_FAILURE() << "no description: " << sError();
            return nullptr;
        }
        CNADataAccess* pclAccess = m_clServerDriver.pclAccess(piDesc, m_pclCnx);
        if (pclAccess == nullptr || pclAccess->bHOuvre(static_cast<eNA_ACCESS>(0), L"") != 1 ||
            pclAccess->pclGetCurrentRecordNoRef() == nullptr) {
            ADD_FAILURE() << "open: " << sError();
            return nullptr;
        }
        *ppclAccess = pclAccess;
        return pclAccess->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(pszColumn);
    }
    // An access over a host query "q_ids" whose item "ident" is the column of the table named.
    CNAColumn* pclQueryColumn(const std::string& sTableName, const wchar_t* pszNameInSource,
                              CNADataAccess** ppclAccess) {
        auto* pclDesc = new CNADataSourceDescription(nullptr, nullptr);
        pclDesc->AddRef();
        m_apclDescriptions.push_back(pclDesc);
        pclDesc->SetLogicalName(L"q_ids");
        pclDesc->bAddItem(L"ident", internaltest::wsOf(sTableName).c_str(), pszNameInSource, 1, 4, NA_IT_IDAUTO4, -1, 0,
                          NA_KEY_UNIQUE, 0, 0);
        pclDesc->UpdateRecordSize();
        return pclColumn(new CQueryAccess(pclDesc, m_pclCnx, m_pclError), pclDesc, L"ident", ppclAccess);
    }
    CNAColumn* pclColumn(CNADataAccess* pclAccess, CNADataSourceDescription* pclDesc, const wchar_t* pszColumn,
                         CNADataAccess** ppclAccess) {
        pclAccess->AddRef();
        m_apclAccesses.push_back(pclAccess);
        auto* pclRecord = new CNARecord(m_pclError, pclAccess);
        pclRecord->AddRef();
        m_apclRecords.push_back(pclRecord);
        if (!pclRecord->bInitRecord(pclDesc, pclDesc, m_pclCnx)) {
            ADD_FAILURE() << "record: " << sError();
            return nullptr;
        }
        *ppclAccess = pclAccess;
        return pclRecord->pclGetColumnNoRef(pszColumn);
    }

    static int64_t llOf(const CAny& cl) {
        long n = 0;
        if (cl.nGetINT_64(&n) == 0) return n;
        int n4 = 0;
        EXPECT_EQ(cl.nGetINT(&n4), 0) << "type " << cl.nGetType();
        return n4;
    }

    std::vector<CNADataSourceDescription*> m_apclDescriptions;
    std::vector<CNADataAccess*> m_apclAccesses;
    std::vector<CNARecord*> m_apclRecords;
};

TEST_F(IDAutoServerTest, NextAndHighestValuesOverATableAndOverAQuery) {
    const std::string sTableName = sIds("ids", {1, 2, 7});
    CNADataAccess* pclTable = nullptr;
    CNAColumn* pclTableId = pclTableColumn(sTableName, L"id", &pclTable);
    ASSERT_NE(pclTableId, nullptr);
    CNADataAccess* pclQuery = nullptr;
    CNAColumn* pclQueryId = pclQueryColumn(sTableName, L"id", &pclQuery);
    ASSERT_NE(pclQueryId, nullptr);
    struct stCase {
        const char* pszName;
        CNADataAccess* pclAccess;
        CNAColumn* pclColumn;
    };
    for (const stCase& st : {stCase{"table", pclTable, pclTableId}, stCase{"query", pclQuery, pclQueryId}}) {
        SCOPED_TRACE(st.pszName);
        CNAIDAuto cl;
        CAny clNext, clHighest;
        m_pclError->Reset();
        ASSERT_EQ(cl.bGetNextValue(st.pclAccess, st.pclColumn, m_pclError, &clNext), 1) << sError();
        EXPECT_FALSE(clNext.bIsNull());
        EXPECT_EQ(llOf(clNext), 8);
        ASSERT_EQ(cl.bGetMaxCurrentValue(st.pclAccess, st.pclColumn, m_pclError, &clHighest), 1) << sError();
        EXPECT_FALSE(clHighest.bIsNull());
        EXPECT_EQ(llOf(clHighest), 7);
        EXPECT_EQ(m_pclError->eGetErrorType(), -1) << sError();
    }
    // After an insert a statement learns the identifier from the access's own identifier object.
    CAny clAfterInsert;
    int bHasObject = 0;
    ASSERT_EQ(CNAStatementAccess::s_pclOf(pclTable)->bGetMaxCurrentValue(pclTable, pclTableId, m_pclError,
                                                                         &clAfterInsert, &bHasObject),
              1)
        << sError();
    EXPECT_EQ(bHasObject, 1);
    EXPECT_EQ(llOf(clAfterInsert), 7);
    // A second call asks the server again.
    server().Run("INSERT INTO " + sTableName + " VALUES (12, 'y')");
    CNAIDAuto cl;
    CAny clNext;
    ASSERT_EQ(cl.bGetNextValue(pclQuery, pclQueryId, m_pclError, &clNext), 1) << sError();
    EXPECT_EQ(llOf(clNext), 13);
}

// MAX over no row is NULL: the next value is the 8-byte integer 1, the highest value stays NULL and
// that is an answer, not a failure.
TEST_F(IDAutoServerTest, AnEmptyTable) {
    const std::string sTableName = sIds("empty", {});
    CNADataAccess* pclAccess = nullptr;
    CNAColumn* pclColumn = pclTableColumn(sTableName, L"id", &pclAccess);
    ASSERT_NE(pclColumn, nullptr);
    CNAIDAuto cl;
    CAny clNext, clHighest;
    ASSERT_EQ(cl.bGetNextValue(pclAccess, pclColumn, m_pclError, &clNext), 1) << sError();
    EXPECT_EQ(clNext.nGetType(), VQTYPE_I8);  // no NULL flag, no 0x400 flag
    long n = 0;
    EXPECT_EQ(clNext.nGetINT_64(&n), 0);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(cl.bGetMaxCurrentValue(pclAccess, pclColumn, m_pclError, &clHighest), 1) << sError();
    EXPECT_TRUE(clHighest.bIsNull());
    EXPECT_EQ(m_pclError->eGetErrorType(), -1) << sError();
}

// No row at all to read the highest value from: user error 59 naming the access's table and the
// column, its code as information 16, raised at site 1 of the identifiers' unit.
TEST_F(IDAutoServerTest, NoRowForTheHighestValueIsUserError59) {
    const std::string sTableName = sIds("norow", {3});
    CNADataAccess* pclAccess = nullptr;
    CNAColumn* pclColumn = pclQueryColumn(sTableName, L"id", &pclAccess);
    ASSERT_NE(pclColumn, nullptr);
    CNoRowIDAuto cl;
    cl.m_wsSQL = internaltest::wsOf("SELECT id FROM " + sTableName + " WHERE id > 100");
    CAny clValue;
    EXPECT_EQ(cl.bGetMaxCurrentValue(pclAccess, pclColumn, m_pclError, &clValue), 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 59u) << sError();
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_GENERAL);
    EXPECT_EQ(internaltest::wsOf(m_pclError->pszGetLogicalTableName()), L"q_ids");
    EXPECT_EQ(internaltest::wsOf(m_pclError->pszGetItemName()), L"ident");
    const void* pValue = nullptr;
    ASSERT_TRUE(m_pclError->pclGetXError()->bGetInfo(CXError::EIT_NATIVECODE, &pValue));
    uint32_t dwCode = 0;
    memcpy(&dwCode, &pValue, sizeof(dwCode));
    EXPECT_EQ(dwCode, 59u);
    EXPECT_NE(sError().find("IEKXPSQL=14.1\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"), std::string::npos) << sError();
    EXPECT_NE(sError().find("q_ids"), std::string::npos) << sError();

    // Without an error object the error goes nowhere; the call still fails.
    EXPECT_EQ(cl.bGetMaxCurrentValue(pclAccess, pclColumn, nullptr, &clValue), 0);
}

// A next value that cannot be computed: the server's refusal follows the message naming the table
// and the item, put first. The highest value carries only the server's refusal.
TEST_F(IDAutoServerTest, AFailedNextValueIsPrefixedWithTheTableAndTheItem) {
    const std::string sTableName = sIds("prefix", {1});
    CNADataAccess* pclAccess = nullptr;
    CNAColumn* pclColumn = pclQueryColumn(sTableName, L"no_such_column", &pclAccess);
    ASSERT_NE(pclColumn, nullptr);
    CNAIDAuto cl;
    CAny clValue;
    m_pclError->Reset();
    EXPECT_EQ(cl.bGetNextValue(pclAccess, pclColumn, m_pclError, &clValue), 0);
    const std::wstring wsMessage = internaltest::wsOf(m_pclError->pclGetXError()->pszGetUserMessage());
    const std::wstring wsPrefix =
        L"The next automatic identifier of the table q_ids (item ident) could not be computed.";
    EXPECT_EQ(wsMessage.substr(0, wsPrefix.size()), wsPrefix) << internaltest::sNarrow(wsMessage);
    EXPECT_NE(wsMessage.find(L"no_such_column"), std::wstring::npos) << internaltest::sNarrow(wsMessage);

    m_pclError->Reset();
    EXPECT_EQ(cl.bGetMaxCurrentValue(pclAccess, pclColumn, m_pclError, &clValue), 0);
    EXPECT_NE(m_pclError->eGetErrorType(), -1);
    EXPECT_EQ(sError().find("could not be computed"), std::string::npos) << sError();
}

}  // namespace
