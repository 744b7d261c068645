// The PostgreSQL statement over the scripted client library: what each result status leaves, the
// column table (numeric digits, item types), fetch, seek and affected rows, the value adjustments
// (booleans, byte strings with old and new client libraries, dates on the two kinds of
// connection), the faults a real server rarely shows (binary fields, no memory for bytes, reads
// outside the result, refusals without SQLSTATE, a broken connection), and SQLSTATEs as errors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "native/driver/NADriver.h"
#include "native/model/NAConvertVariant.h"
#include "pgsql/NAColumnSQL.h"
#include "pgsql/PSQLDriver.h"
#include "pgsql/PSQLGuard.h"
#include "tests/pgsql/FakeStatementSupport.h"

using namespace pgtest;

namespace {

stFakeServerResult stRows(std::vector<std::string> aColumns, std::vector<unsigned> aTypes,
                          std::vector<std::vector<std::string>> aRows) {
    stFakeServerResult stResult;
    stResult.nStatus = 2;
    stResult.aColumns = std::move(aColumns);
    stResult.aTypes = std::move(aTypes);
    stResult.aRows = std::move(aRows);
    return stResult;
}

class PSQLStatementSQLTest : public CFakeStatementTest {
protected:
    void TearDown() override {
        CNAConnectionDescription::m_nClientVersionMajor = m_nClientMajor;
        CFakeStatementTest::TearDown();
    }
    // Column n of the current row as wide text (nullopt for NULL); pbOk tells whether it was read.
    std::optional<std::wstring> osValue(CNAStatementSQL* pcl, unsigned n, int* pbOk = nullptr) {
        CAny clValue;
        int bOk = pcl->bGetValue(&clValue, n, 0);
        if (pbOk != nullptr) *pbOk = bOk;
        return osText(clValue);
    }

    int m_nClientMajor = CNAConnectionDescription::m_nClientVersionMajor;
};

// ------------------------------------------------------------------------------------ statuses

// Statuses 0 and 1 complete without columns; 2, 3, 4 and 6 build the column table; every other
// status is a refusal that leaves no result.
TEST_F(PSQLStatementSQLTest, StatusDispatch) {
    const struct {
        int nStatus;
        int bOk;
        unsigned nColumns;
    } tabCases[] = {
        {0, 1, 0}, {1, 1, 0}, {2, 1, 2}, {3, 1, 2}, {4, 1, 2}, {5, 0, 0}, {6, 1, 2}, {7, 0, 0}, {8, 0, 0}, {9, 0, 0},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.nStatus);
        m_clError->Reset();
        stFakeServerResult stResult = stRows({"a", "b"}, {}, {{"1", "2"}});
        stResult.nStatus = stCase.nStatus;
        stResult.sSQLState = "XX000";
        Script("Q", stResult);
        CStatementRef clStatement(pclNew());
        EXPECT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), stCase.bOk);
        EXPECT_EQ(clStatement->nGetNbColumn(), stCase.nColumns);
        EXPECT_EQ(clStatement->bIsResultOpen(), stCase.bOk ? 1u : 0u);
        EXPECT_EQ(clStatement->bIsEnd(), 1u);
        EXPECT_EQ(st().nLiveResults, stCase.bOk ? 1 : 0);
        EXPECT_EQ(nErrorCount(m_clError.p()), stCase.bOk ? 0 : 1);
        EXPECT_EQ(clStatement->llGetMaxRowLength(), 0);
    }
    EXPECT_EQ(st().nLiveResults, 0);
}

// The column table: names, formats, server types and modifiers, numeric digits only from a
// modifier, and the item types the connection maps them to.
TEST_F(PSQLStatementSQLTest, ColumnTable) {
    stFakeServerResult stResult = stRows({"n", "plain", "v", "b"}, {1700, 1700, 1043, 16}, {});
    stResult.aModifiers = {(10 << 16 | 2) + 4, -1, 34, -1};
    Script("Q", stResult);
    CStatementRef clStatement(pclNew());
    ASSERT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 1);
    const struct {
        const wchar_t* pszName;
        int nType;
        int64_t llModifier;
        int nInteger, nDecimal;
        eNA_ITEMTYPE eType;
        unsigned nSize;
    } tabCases[] = {
        {L"n", 1700, (10 << 16 | 2) + 4, 8, 2, NA_IT_EMPTY, 0},
        {L"plain", 1700, -1, 0, 0, NA_IT_EMPTY, 0},
        {L"v", 1043, 34, 0, 0, NA_IT_UNICODE, 62},
        {L"b", 16, -1, 0, 0, NA_IT_BOOLEEN, 1},
    };
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        CNAColumnSQL* pcl = clStatement->pclGetNAColumnSQL(i);
        ASSERT_NE(pcl, nullptr);
        EXPECT_EQ(wsOrEmpty(pcl->m_csName.pszGet()), tabCases[i].pszName);
        EXPECT_EQ(pcl->m_nServerType, tabCases[i].nType);
        EXPECT_EQ(pcl->m_llTypeModifier, tabCases[i].llModifier);
        EXPECT_EQ(pcl->m_nIntegerDigits, tabCases[i].nInteger);
        EXPECT_EQ(pcl->m_nDecimalDigits, tabCases[i].nDecimal);
        EXPECT_EQ(pcl->m_nFormat, 0u);
        EXPECT_EQ(pcl->m_nKeyFlags, 0);
        EXPECT_EQ(wsOrEmpty(pcl->m_csTableName.pszGet()), L"");
        // Numerics take the connection's decimal rule; the others a fixed type.
        eNA_ITEMTYPE eType;
        unsigned nSize;
        m_clCnx->bConvertItemType(&eType, &nSize, tabCases[i].nType, static_cast<int>(tabCases[i].llModifier),
                                  tabCases[i].nInteger, tabCases[i].nDecimal);
        EXPECT_EQ(pcl->m_eItemType, eType);
        EXPECT_EQ(pcl->m_nSize, nSize);
        if (tabCases[i].eType != NA_IT_EMPTY) {
            EXPECT_EQ(pcl->m_eItemType, tabCases[i].eType);
            EXPECT_EQ(pcl->m_nSize, tabCases[i].nSize);
        }
    }
}

// One statement running result after result: each result's column table describes that result
// alone, whether its columns repeat the result before (a next block, a next seek) or differ from
// it by a name, a type, a modifier, their count, or a result without columns between.
TEST_F(PSQLStatementSQLTest, ColumnTableFollowsEachResult) {
    const struct {
        const char* pszSQL;
        std::vector<std::string> aNames;
        std::vector<unsigned> aTypes;
        std::vector<int> aModifiers;
        int nStatus;
        std::vector<int> aFormats = {};
    } tabRuns[] = {
        {"SAME1", {"id", "name"}, {23, 1043}, {-1, 34}, 2},
        {"SAME2", {"id", "name"}, {23, 1043}, {-1, 34}, 2},
        {"RENAMED", {"id", "city"}, {23, 1043}, {-1, 34}, 2},
        {"RETYPED", {"id", "city"}, {20, 1043}, {-1, 34}, 2},
        {"RESIZED", {"id", "city"}, {20, 1043}, {-1, 14}, 2},
        {"BINARY", {"id", "city"}, {20, 1043}, {-1, 14}, 2, {0, 1}},
        {"WIDER", {"id", "city", "n"}, {20, 1043, 1700}, {-1, 14, (6 << 16 | 2) + 4}, 2},
        {"NONE", {}, {}, {}, 1},
        {"AGAIN", {"id", "city", "n"}, {20, 1043, 1700}, {-1, 14, (6 << 16 | 2) + 4}, 2},
        {"NARROWER", {"ID"}, {20}, {-1}, 2},
    };
    for (const auto& stRun : tabRuns) {
        stFakeServerResult stResult = stRows(stRun.aNames, stRun.aTypes, {});
        stResult.aModifiers = stRun.aModifiers;
        stResult.nStatus = stRun.nStatus;
        stResult.aFormats = stRun.aFormats;
        Script(stRun.pszSQL, stResult);
    }
    CStatementRef clStatement(pclNew());
    for (const auto& stRun : tabRuns) {
        SCOPED_TRACE(stRun.pszSQL);
        ASSERT_EQ(clStatement->bExecuteDirect(std::wstring(stRun.pszSQL, stRun.pszSQL + strlen(stRun.pszSQL)).c_str(),
                                              nullptr, 0),
                  1);
        ASSERT_EQ(clStatement->nGetNbColumn(), stRun.aNames.size());
        for (size_t i = 0; i < stRun.aNames.size(); i++) {
            SCOPED_TRACE(i);
            CNAColumnSQL* pcl = clStatement->pclGetNAColumnSQL(static_cast<int>(i));
            ASSERT_NE(pcl, nullptr);
            EXPECT_EQ(wsOrEmpty(pcl->m_csName.pszGet()),
                      std::wstring(stRun.aNames[i].begin(), stRun.aNames[i].end()));
            EXPECT_EQ(pcl->m_nServerType, static_cast<int32_t>(stRun.aTypes[i]));
            EXPECT_EQ(pcl->m_llTypeModifier, stRun.aModifiers[i]);
            EXPECT_EQ(pcl->m_nFormat, i < stRun.aFormats.size() ? static_cast<uint32_t>(stRun.aFormats[i]) : 0u);
            eNA_ITEMTYPE eType;
            unsigned nSize;
            const int nDecimals = stRun.aTypes[i] == 1700 ? (stRun.aModifiers[i] & 0xFFFF) - 4 : 0;
            const int nInteger = stRun.aTypes[i] == 1700 ? (stRun.aModifiers[i] >> 16) - nDecimals : 0;
            m_clCnx->bConvertItemType(&eType, &nSize, static_cast<int>(stRun.aTypes[i]), stRun.aModifiers[i], nInteger,
                                      nDecimals);
            EXPECT_EQ(pcl->m_eItemType, eType);
            EXPECT_EQ(pcl->m_nSize, nSize);
            EXPECT_EQ(pcl->m_nIntegerDigits, nInteger);
            EXPECT_EQ(pcl->m_nDecimalDigits, nDecimals);
        }
        EXPECT_EQ(clStatement->pclGetNAColumnSQL(static_cast<int>(stRun.aNames.size())), nullptr);
    }
}

// ------------------------------------------------------------------------------------ rows

// Rows come from the held result: an empty result fetches with its end flag set; the last row stays
// current past the end; a seek makes the row after it the next one; affected rows come from the
// command tag.
TEST_F(PSQLStatementSQLTest, FetchSeekAndAffectedRows) {
    Script("EMPTY", stRows({"a"}, {}, {}));
    Script("THREE", stRows({"a"}, {}, {{"r1"}, {"r2"}, {"r3"}}));
    stFakeServerResult stUpdate;
    stUpdate.sCmdTuples = "12";
    Script("UPDATE", stUpdate);
    stFakeServerResult stCreate;
    Script("CREATE", stCreate);
    CStatementRef clStatement(pclNew());

    ASSERT_EQ(clStatement->bExecuteDirect(L"EMPTY", nullptr, 0), 1);
    EXPECT_EQ(clStatement->llGetNbRow(), 0);
    EXPECT_EQ(clStatement->bFetch(0), 1);
    EXPECT_EQ(clStatement->bIsEnd(), 1u);

    ASSERT_EQ(clStatement->bExecuteDirect(L"THREE", nullptr, 0), 1);
    EXPECT_EQ(clStatement->llGetNbRow(), 3);
    EXPECT_EQ(clStatement->llGetCurrentRow(), -1);
    const size_t nCalls = st().aCalls.size();
    for (const wchar_t* psz : {L"r1", L"r2", L"r3"}) {
        ASSERT_EQ(clStatement->bFetch(0), 1);
        ASSERT_EQ(clStatement->bIsEnd(), 0u);
        EXPECT_EQ(osValue(clStatement.p(), 0), psz);
    }
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(clStatement->bFetch(0), 1);
        EXPECT_EQ(clStatement->bIsEnd(), 1u);
        EXPECT_EQ(clStatement->llGetCurrentRow(), 2);
    }
    EXPECT_EQ(clStatement->bDataSeek(2), 1);
    EXPECT_EQ(clStatement->llGetCurrentRow(), 1);
    EXPECT_EQ(clStatement->bIsEnd(), 1u);
    ASSERT_EQ(clStatement->bFetch(0), 1);
    EXPECT_EQ(clStatement->bIsEnd(), 0u);
    EXPECT_EQ(osValue(clStatement.p(), 0), L"r3");
    // Rows are never asked of the server again.
    for (size_t i = nCalls; i < st().aCalls.size(); i++) EXPECT_NE(st().aCalls[i], "PQexec");

    unsigned long nRows = 99;
    ASSERT_EQ(clStatement->bExecuteDirect(L"UPDATE", nullptr, 0), 1);
    EXPECT_EQ(clStatement->nGetNbColumn(), 0u);
    EXPECT_EQ(clStatement->bGetAffected_rows(&nRows), 1);
    EXPECT_EQ(nRows, 12u);
    ASSERT_EQ(clStatement->bExecuteDirect(L"CREATE", nullptr, 0), 1);
    EXPECT_EQ(clStatement->bGetAffected_rows(&nRows), 1);
    EXPECT_EQ(nRows, 0u);
}

// ------------------------------------------------------------------------------------ values

// Booleans reach the converter as "1" or "0"; NULL stays NULL.
TEST_F(PSQLStatementSQLTest, Booleans) {
    const struct {
        const char* pszText;
        std::optional<std::wstring> osValue;
    } tabCases[] = {{"t", L"1"}, {"true", L"1"}, {"yes", L"1"}, {"f", L"0"},
                    {"F", L"0"}, {"0", L"0"},    {"", L"0"},    {FAKESERVER_NULL, std::nullopt}};
    stFakeServerResult stResult = stRows({"b"}, {16}, {});
    for (const auto& stCase : tabCases) stResult.aRows.push_back({stCase.pszText});
    Script("Q", stResult);
    CStatementRef clStatement(pclNew());
    ASSERT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 1);
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszText);
        ASSERT_EQ(clStatement->bFetch(0), 1);
        EXPECT_EQ(osValue(clStatement.p(), 0), stCase.osValue);
    }
}

// Byte strings: decoded by the client library, or, with a client library of 8.x, by the
// connection's own decoder when they come in the hexadecimal form.
TEST_F(PSQLStatementSQLTest, ByteStrings) {
    const struct {
        const char* pszName;
        int nClientMajor;
        const char* pszText;
        unsigned nType;
        int bOk;
        std::vector<unsigned char> aBytes;
        bool bLibraryDecodes;
    } tabCases[] = {
        {"9+: hexadecimal", 15, "\\xdeadbeef", 17, 1, {0xDE, 0xAD, 0xBE, 0xEF}, true},
        {"9+: prefix only", 15, "\\x", 17, 1, {}, true},
        {"9+: int2vector", 15, "\\x41", 22, 1, {0x41}, true},
        {"8: hexadecimal", 8, "\\x0a0B", 17, 1, {0x0A, 0x0B}, false},
        {"8: prefix only", 8, "\\x", 22, 1, {}, false},
        {"8: odd digit count", 8, "\\x123", 17, 0, {}, false},
        {"8: escaped form", 8, "ab", 17, 1, {'a', 'b'}, true},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszName);
        m_clError->Reset();
        CNAConnectionDescription::m_nClientVersionMajor = stCase.nClientMajor;
        Script("Q", stRows({"b"}, {stCase.nType}, {{stCase.pszText}}));
        CStatementRef clStatement(pclNew());
        ASSERT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 1);
        ASSERT_EQ(clStatement->bFetch(0), 1);
        st().aCalls.clear();
        CAny clValue;
        EXPECT_EQ(clStatement->bGetBLOBValue(&clValue, 0, 0), stCase.bOk);
        const bool bCalled = std::find(st().aCalls.begin(), st().aCalls.end(), "PQunescapeBytea") != st().aCalls.end();
        EXPECT_EQ(bCalled, stCase.bLibraryDecodes);
        if (stCase.bOk) {
            EXPECT_EQ(clValue.nGetTypeCode(), VQTYPE_BIN);
            EXPECT_EQ(clValue.bIsNull(), 0);
            EXPECT_EQ(aBytes(clValue), stCase.aBytes);
        } else {
            EXPECT_EQ(stGetError(m_clError.p()).nCode, 1000u);
        }
        EXPECT_EQ(st().nLiveEscapes, 0);
    }
}

// Money comes as lc_monetary writes it (a host's own query selects it as it is): it reaches the
// host as the plain number, whatever the currency's sign, grouping and decimal mark.
TEST_F(PSQLStatementSQLTest, MoneyTextsAsNumbers) {
    const struct {
        const char* pszText;
        const wchar_t* pszNumber;
    } tabCases[] = {
        {"-$1,234.56", L"-1234.56"},        {"-1.234,56 \xE2\x82\xAC", L"-1234.56"},
        {"($1,234.56)", L"-1234.56"},       {"$0.05", L"0.05"},
        {"-1\xE2\x80\xAF" "234,5 EUR", L"-1234.5"}, {"\xC2\xA5" "1,234", L"1234"},
        {"$92,233,720,368,547,758.07", L"92233720368547758.07"},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszText);
        Script("Q", stRows({"m"}, {790}, {{stCase.pszText}}));
        CStatementRef clStatement(pclNew());
        ASSERT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 1);
        ASSERT_EQ(clStatement->bFetch(0), 1);
        EXPECT_EQ(osValue(clStatement.p(), 0), std::wstring(stCase.pszNumber));
    }
}

// Dates and times pass as the server wrote them, except on the SQL-command functions' connections,
// where only their digits remain.
TEST_F(PSQLStatementSQLTest, DatesAndTimesOnTheTwoKindsOfConnection) {
    const struct {
        unsigned nType;
        const char* pszText;
        const wchar_t* pszCompact;
    } tabCases[] = {
        {1114, "2024-01-02 03:04:05.678", L"20240102030405678"},
        {1082, "2024-01-02", L"20240102"},
        {1083, "03:04:05", L"030405"},
        {1184, "2024-01-02 03:04:05+01", L"20240102030405+01"},
        {1266, "03:04:05-02", L"03040502"},
        {702, "1999/12/31 23:59", L"199912312359"},
    };
    for (unsigned bSQL : {0u, 1u}) {
        m_clCnx->SetConnectionSQL(bSQL);
        for (const auto& stCase : tabCases) {
            SCOPED_TRACE(std::string(stCase.pszText) + (bSQL ? " (SQL-command)" : ""));
            Script("Q", stRows({"d"}, {stCase.nType}, {{stCase.pszText}}));
            CStatementRef clStatement(pclNew());
            ASSERT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 1);
            ASSERT_EQ(clStatement->bFetch(0), 1);
            EXPECT_EQ(osValue(clStatement.p(), 0), bSQL ? std::wstring(stCase.pszCompact) : wsOf(stCase.pszText));
        }
    }
    m_clCnx->SetConnectionSQL(0);
}

// A field sent in binary form is not read: the converter holds NULL, not the value an earlier
// column left in it.
TEST_F(PSQLStatementSQLTest, BinaryFieldGivesNull) {
    stFakeServerResult stResult = stRows({"text", "binary"}, {25, 23}, {{"kept", "\x01\x02"}});
    stResult.aFormats = {0, 1};
    Script("Q", stResult);
    CStatementRef clStatement(pclNew());
    ASSERT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 1);
    ASSERT_EQ(clStatement->bFetch(0), 1);
    EXPECT_EQ(clStatement->pclGetNAColumnSQL(1)->m_nFormat, 1u);
    CNAConvertVariant* pclValue = m_clDriver->pclAllocVariant(m_clError.p(), m_clCnx.pcl());
    ASSERT_NE(pclValue, nullptr);
    pclValue->AddRef();
    pclValue->InitTypeVariantAny(VQTYPE_DSTRW, 0);
    ASSERT_EQ(clStatement->bGetValue(pclValue, 0, 0), 1);
    EXPECT_EQ(osText(*pclValue->pclGetValue()), L"kept");
    EXPECT_EQ(clStatement->bGetValue(pclValue, 1, 0), 1);
    EXPECT_TRUE(pclValue->bIsNull());
    pclValue->nRelease();
    CXYStringConcat<wchar_t> clRow(16);
    EXPECT_EQ(clStatement->bGetRow(&clRow, L";", 0, 0), 1);
    EXPECT_EQ(std::wstring(clRow.pszGet()), L"kept;");
}

// The client library without memory for the bytes: out of memory, not an empty value.
TEST_F(PSQLStatementSQLTest, NoMemoryForBytes) {
    CNAConnectionDescription::m_nClientVersionMajor = 15;
    st().bRefuseUnescape = true;
    Script("Q", stRows({"b"}, {17}, {{"\\x00"}}));
    CStatementRef clStatement(pclNew());
    ASSERT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 1);
    ASSERT_EQ(clStatement->bFetch(0), 1);
    CAny clValue;
    EXPECT_EQ(clStatement->bGetBLOBValue(&clValue, 0, 0), 0);
    EXPECT_EQ(m_clError->pclGetXError()->dwGetSystemErrorCode(), 12u);
    EXPECT_EQ(st().aCalls.back(), "PQunescapeBytea");
}

// A read outside the result is refused, not taken for a NULL value: a column past the last is user
// error 50, a read with no current row user error 7; neither asks the client library.
TEST_F(PSQLStatementSQLTest, ReadsOutsideTheResult) {
    Script("Q", stRows({"a", "b"}, {}, {{"1", "2"}}));
    CStatementRef clStatement(pclNew());
    ASSERT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 1);
    const struct {
        const char* pszName;
        int nFetches;
        unsigned nColumn;
        unsigned nCode;
        unsigned nSite;
    } tabCases[] = {
        {"before the first fetch", 0, 0, 7, 3},
        {"column past the last", 1, 2, 50, 1},
        {"past the last row", 1, 0, 7, 3},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszName);
        for (int i = 0; i < stCase.nFetches; i++) ASSERT_EQ(clStatement->bFetch(0), 1);
        m_clError->Reset();
        st().aCalls.clear();
        int bOk = 1;
        CAny clValue;
        clValue.SetI4(5);
        bOk = clStatement->bGetValue(&clValue, stCase.nColumn, 0);
        EXPECT_EQ(bOk, 0);
        EXPECT_EQ(clValue.nGetTypeCode(), VQTYPE_I4);
        stError stMain = stGetError(m_clError.p());
        EXPECT_EQ(stMain.nCode, stCase.nCode);
        EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(50, stCase.nSite))) << sOf(stMain.sDebug.c_str());
        EXPECT_TRUE(st().aCalls.empty());
    }
    // A result without columns has no field to read.
    Script("U", stFakeServerResult());
    ASSERT_EQ(clStatement->bExecuteDirect(L"U", nullptr, 0), 1);
    m_clError->Reset();
    CAny clValue;
    EXPECT_EQ(clStatement->bGetValue(&clValue, 0, 0), 0);
    EXPECT_EQ(stGetError(m_clError.p()).nCode, 50u);
}

// ------------------------------------------------------------------------------------ server errors

// A SQLSTATE becomes user error 80 with the data source and the code, the server's text, and the
// code's leading number as database code; a success class records nothing.
TEST_F(PSQLStatementSQLTest, SQLStates) {
    const struct {
        const char* pszState;
        int nStatus;
        int bOk;
        unsigned nDataBaseCode;
        eNA_ERRORTYPE eType;
    } tabCases[] = {
        {"00000", 7, 0, 0, NA_ERRORTYPE_NONE},        {"42P01", 7, 0, 42, NA_ERRORTYPE_GENERAL},
        {"23505", 7, 0, 23505, NA_ERRORTYPE_GENERAL}, {"23P01", 5, 0, 23, NA_ERRORTYPE_GENERAL},
        {"57014", 7, 0, 57014, NA_ERRORTYPE_GENERAL},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszState);
        m_clError->Reset();
        stFakeServerResult stResult;
        stResult.nStatus = stCase.nStatus;
        stResult.sSQLState = stCase.pszState;
        stResult.sMessage = "ERROR:  something \xc3\xa9";
        Script("Q", stResult);
        CStatementRef clStatement(pclNew());
        EXPECT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), stCase.bOk);
        EXPECT_EQ(st().nLiveResults, 0);
        if (stCase.eType == NA_ERRORTYPE_NONE) {
            // Nothing but the query dump, which needs an error to go with.
            EXPECT_EQ(stGetError(m_clError.p()).nCode, 0u);
            continue;
        }
        EXPECT_EQ(m_clError->eGetErrorType(), stCase.eType);
        stError stMain = stGetError(m_clError.p());
        EXPECT_EQ(stMain.nCode, 80u);
        EXPECT_EQ(stMain.nInfoCode, 80u);
        EXPECT_TRUE(bContains(stMain.sUser,
                              L"The server 127.0.0.1 reported an error (SQLSTATE " + wsOf(stCase.pszState) + L")."));
        EXPECT_TRUE(bContains(stMain.sUser, L"ERROR:  something \u00e9"));
        EXPECT_EQ(m_clError->dwGetDataBaseErrorCode(), stCase.nDataBaseCode);
        EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(100, 19)));
        EXPECT_TRUE(bContains(stMain.sDebug, L"\r\nQ"));
    }
}

// A refusal without SQLSTATE (the client library's own, as when the server goes away) still says
// why: user error 22 with the result's message; a connection the client library reports broken
// gives the error the broken-connection kind; without any result, the connection's own message.
TEST_F(PSQLStatementSQLTest, RefusalsWithoutSQLState) {
    const struct {
        const char* pszName;
        std::string sMessage;
        int nStatusAfter;
        bool bNoResult;
        std::string sConnectionMessage;
        std::wstring sInMessage;
        eNA_ERRORTYPE eType;
    } tabCases[] = {
        {"message, connection broken", "server closed the connection unexpectedly", 1, false, "",
         L"server closed the connection unexpectedly", NA_ERRORTYPE_CONNECTIONLOST},
        {"message, connection fine", "out of memory", -1, false, "", L"out of memory", NA_ERRORTYPE_GENERAL},
        {"no message, connection broken", "", 1, false, "no connection to the server\n", L"no connection to the server",
         NA_ERRORTYPE_CONNECTIONLOST},
        {"no message at all", "", -1, false, "", L"Cannot connect to the server: 127.0.0.1.", NA_ERRORTYPE_GENERAL},
        {"no result, connection broken", "", 1, true, "connection lost\n", L"connection lost",
         NA_ERRORTYPE_CONNECTIONLOST},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszName);
        m_clError->Reset();
        st().nStatus = 0;
        st().sErrorMessage = stCase.sConnectionMessage;
        stFakeServerResult stResult;
        stResult.nStatus = 7;
        stResult.sMessage = stCase.sMessage;
        stResult.nConnectionStatus = stCase.nStatusAfter;
        stResult.bNoResult = stCase.bNoResult;
        Script("Q", stResult);
        CStatementRef clStatement(pclNew());
        EXPECT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 0);
        stError stMain = stGetError(m_clError.p());
        EXPECT_EQ(stMain.nCode, 22u);
        EXPECT_TRUE(bContains(stMain.sUser, L"Cannot connect to the server: 127.0.0.1."));
        EXPECT_TRUE(bContains(stMain.sUser, stCase.sInMessage)) << sOf(stMain.sUser.c_str());
        EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(100, 19)));
        EXPECT_TRUE(bContains(stMain.sDebug, L"\r\nQ")) << sOf(stMain.sDebug.c_str());
        EXPECT_EQ(m_clError->eGetErrorType(), stCase.eType);
        EXPECT_EQ(st().nLiveResults, 0);
    }
    st().nStatus = 0;
}

// A server error on a connection the client library then reports broken keeps its SQLSTATE and
// takes the broken-connection kind.
TEST_F(PSQLStatementSQLTest, ServerErrorOnABrokenConnection) {
    stFakeServerResult stResult;
    stResult.nStatus = 7;
    stResult.sSQLState = "57P01";
    stResult.sMessage = "FATAL:  terminating connection due to administrator command";
    stResult.nConnectionStatus = 1;
    Script("Q", stResult);
    CStatementRef clStatement(pclNew());
    EXPECT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 0);
    EXPECT_EQ(stGetError(m_clError.p()).nCode, 80u);
    EXPECT_EQ(m_clError->dwGetDataBaseErrorCode(), 57u);
    EXPECT_EQ(m_clError->eGetErrorType(), NA_ERRORTYPE_CONNECTIONLOST);
    st().nStatus = 0;
}

// A fault of the client library inside a call fails the operation with user error 23 and the site
// of the call; a column table half built is dropped.
TEST_F(PSQLStatementSQLTest, ClientLibraryFaults) {
    const struct {
        const char* pszFunction;
        unsigned nSite;
    } tabCases[] = {{"PQexec", 5},  {"PQresultStatus", 6}, {"PQnfields", 7}, {"PQntuples", 8},
                    {"PQfname", 9}, {"PQfformat", 10},     {"PQftype", 11},  {"PQfmod", 12}};
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszFunction);
        m_clError->Reset();
        Script("Q", stRows({"a", "b"}, {}, {{"1", "2"}}));
        st().sThrowIn = stCase.pszFunction;
        CStatementRef clStatement(pclNew());
        EXPECT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 0);
        st().sThrowIn.clear();
        EXPECT_EQ(clStatement->nGetNbColumn(), 0u);
        stError stMain = stGetError(m_clError.p());
        EXPECT_EQ(stMain.nCode, 23u);
        EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(100, stCase.nSite)));
    }
}

// A fault while a statement runs goes to the driver object's fatal-error entry with the statement's
// error object and connection, after the error was recorded, and raises the fault flag; a function
// the library lacks is not such a fault.
TEST_F(PSQLStatementSQLTest, FaultWhileAStatementRunsTellsTheDriver) {
    struct CRecordingDriver : CPSQLDriver {
        struct stCall {
            CNAError* pclError;
            CNAConnectionDescription* pclCnx;
            uint32_t nErrorId;
        };
        std::vector<stCall> aCalls;
        void OnFatalErrorAddDebugMessage(CNAError* pclError, CNAConnectionDescription* pclCnx) override {
            aCalls.push_back({pclError, pclCnx, pclError != nullptr ? pclError->dwGetErrorId() : 0u});
        }
    };
    CRecordingDriver clDriver;
    ASSERT_TRUE(clDriver.AllocError());
    CNADriver* pclPrevious = CNADriver::s_pclDriver;
    CNADriver::s_pclDriver = &clDriver;
    CNADriver::s_bGPFCatched = 0;
    for (const char* pszFunction : {"PQexec", "PQntuples"}) {
        SCOPED_TRACE(pszFunction);
        m_clError->Reset();
        clDriver.aCalls.clear();
        Script("Q", stRows({"a"}, {}, {{"1"}}));
        st().sThrowIn = pszFunction;
        CStatementRef clStatement(pclNew());
        EXPECT_EQ(clStatement->bExecuteDirect(L"Q", nullptr, 0), 0);
        st().sThrowIn.clear();
        ASSERT_EQ(clDriver.aCalls.size(), 1u);
        EXPECT_EQ(clDriver.aCalls[0].pclError, m_clError.p());
        EXPECT_EQ(clDriver.aCalls[0].pclCnx, static_cast<CNAConnectionDescription*>(m_clCnx.pcl()));
        EXPECT_EQ(clDriver.aCalls[0].nErrorId, 23u);
        EXPECT_EQ(CNADriver::s_bGPFCatched, 1);
        CNADriver::s_bGPFCatched = 0;
    }
    clDriver.aCalls.clear();
    EXPECT_EQ(g_bPSQLCall(m_clError.p(), m_clCnx.pcl(), 100, 1, [] { throw CTString(L"PQfinish"); }), 0);
    EXPECT_TRUE(clDriver.aCalls.empty());
    EXPECT_EQ(CNADriver::s_bGPFCatched, 0);
    CNADriver::s_pclDriver = pclPrevious;
}

}  // namespace
