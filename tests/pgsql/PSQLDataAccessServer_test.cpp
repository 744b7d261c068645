// The PostgreSQL data access on the test server: the sequence of an automatic identifier as the
// server names it (a table with and without its schema), the texts that ask its current value and
// restart it (values from 2^31 up kept whole), a sequence the session never used, and counts that
// need no browse on a table.
#include "pgsql/PSQLDataAccess.h"
#include "tests/table/NADataAccessSeekFixture.h"

using namespace seektest;

namespace {

class PSQLDataAccessServerTest : public SeekServerTest {
protected:
    static void SetUpTestSuite() {
        std::string sReason;
        if (!pgsandbox::bServerAvailable(&sReason)) return;
        pgtest::CPgSession clServer;
        clServer.Run("CREATE SCHEMA IF NOT EXISTS kx_seq_schema");
        CreateTable(clServer, "kx_seq_orders", "id serial PRIMARY KEY, name varchar(20)");
        CreateTable(clServer, "kx_seq_schema.kx_seq_lines", "id bigserial PRIMARY KEY, name varchar(20)");
    }
    static CNAColumn* pclId(CNADataAccess* pclAccess) {
        return pclAccess->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(L"id");
    }
    static std::wstring wsRestart(CPSQLDataAccess* pclAccess, long nValue) {
        CTString clText;
        EXPECT_EQ(pclAccess->_bGetQueryRestartSequenceIdAuto(&clText, pclId(pclAccess), nValue), 1);
        return clText.pszGet() != nullptr ? clText.pszGet() : L"";
    }
};

// The written name of the sequence (as the server ties it to the column), the restart texts, and
// each run by the server; a restart never moves a sequence back.
TEST_F(PSQLDataAccessServerTest, SequenceNamesAndTexts) {
    KX_REQUIRE_PG_SERVER();
    auto* pclOrders = static_cast<CPSQLDataAccess*>(pclOpen(L"kx_seq_orders"));
    ASSERT_NE(pclOrders, nullptr);
    CTString clName;
    ASSERT_EQ(pclOrders->_bGetSequenceName(&clName, pclId(pclOrders)), 1);
    EXPECT_STREQ(clName.pszGet(), L"kx_seq_orders_id_seq");
    ASSERT_EQ(pclOrders->_bGetSequenceNameEscaped(&clName, pclId(pclOrders)), 1);
    EXPECT_STREQ(clName.pszGet(), L"public.kx_seq_orders_id_seq");
    const wchar_t* pszForward = L", last_value + CASE WHEN is_called THEN 1 ELSE 0 END), false) FROM ";
    EXPECT_EQ(wsRestart(pclOrders, 43), std::wstring(L"SELECT setval('public.kx_seq_orders_id_seq', GREATEST(43") +
                                            pszForward + L"public.kx_seq_orders_id_seq");
    EXPECT_EQ(wsRestart(pclOrders, -5), std::wstring(L"SELECT setval('public.kx_seq_orders_id_seq', GREATEST(-5") +
                                            pszForward + L"public.kx_seq_orders_id_seq");
    int bNeeded = 7;
    EXPECT_EQ(pclOrders->bNbEnrNeedParse(&bNeeded, L"name"), 1);
    EXPECT_EQ(bNeeded, 0);

    auto* pclLines = static_cast<CPSQLDataAccess*>(pclOpen(L"kx_seq_schema.kx_seq_lines"));
    ASSERT_NE(pclLines, nullptr);
    ASSERT_EQ(pclLines->_bGetSequenceName(&clName, pclId(pclLines)), 1);
    EXPECT_STREQ(clName.pszGet(), L"kx_seq_schema.kx_seq_lines_id_seq");
    ASSERT_EQ(pclLines->_bGetSequenceNameEscaped(&clName, pclId(pclLines)), 1);
    EXPECT_STREQ(clName.pszGet(), L"kx_seq_schema.kx_seq_lines_id_seq");
    const long nBig = 4294967296L + 17;  // past 2^32, so no 32-bit cut can keep it
    EXPECT_EQ(wsRestart(pclLines, nBig),
              std::wstring(L"SELECT setval('kx_seq_schema.kx_seq_lines_id_seq', GREATEST(4294967313") + pszForward +
                  L"kx_seq_schema.kx_seq_lines_id_seq");

    // The server takes the text; the current value is -1 until the session used the sequence.
    EXPECT_EQ(pclLines->_nGetSequenceCurrentVal(pclId(pclLines)), -1);
    EXPECT_EQ(m_pclError->dwGetDataBaseErrorCode(), 55000u);
    m_pclError->Reset();
    EXPECT_EQ(pclLines->_bUpdateIdAutoAfterInsertFailure(pclId(pclLines)), 0);
    m_pclError->Reset();
    ASSERT_TRUE(pclLines->pclGetConnectionNoRef()->bExecuteQueryNoResult(m_pclError, wsRestart(pclLines, nBig).c_str()))
        << sError();
    CTString clNext;
    ASSERT_TRUE(pclLines->pclGetConnectionNoRef()->bGetRequestedValueString(
        m_pclError, &clNext, 0, L"SELECT nextval('kx_seq_schema.kx_seq_lines_id_seq')"));
    EXPECT_STREQ(clNext.pszGet(), L"4294967313");
    EXPECT_EQ(pclLines->_nGetSequenceCurrentVal(pclId(pclLines)), 4294967313L);
    ASSERT_EQ(pclLines->_bUpdateIdAutoAfterInsertFailure(pclId(pclLines)), 1);
    EXPECT_EQ(wsValue(pclLines, L"id"), L"4294967313");
    // Asked to go back to 43, the sequence stays where it is.
    ASSERT_TRUE(pclLines->pclGetConnectionNoRef()->bExecuteQueryNoResult(m_pclError, wsRestart(pclLines, 43).c_str()))
        << sError();
    ASSERT_TRUE(pclLines->pclGetConnectionNoRef()->bGetRequestedValueString(
        m_pclError, &clNext, 0, L"SELECT nextval('kx_seq_schema.kx_seq_lines_id_seq')"));
    EXPECT_STREQ(clNext.pszGet(), L"4294967314");
}

}  // namespace
