// What the tests of the SQL of browses share: a PostgreSQL connection that answers as an open one
// of a version 15 server does, without a server behind it; the fixture table browse_fx as the host
// and the server describe it (a unique id that refuses NULL, a nullable item with duplicates, a
// two-part key over a text and an integer, an item sorted descending, a boolean); its record layout and a
// statement over a data access of it; the rows of the fixture; and a session on the test server
// that creates the table, fills it and reads the rows a text selects.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NARecord.h"
#include "native/sql/NACommand.h"
#include "native/sql/NAFilter.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLConnection.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/sql/PgFixtureTables.h"
#include "tests/support/PgSession.h"

namespace browsetest {

// A PostgreSQL connection as an open one to a version 15 server answers: double quotes around
// names, backslashes plain in literals, NULL after every value, 8-bit text of the host in 1252 and
// UTF-8 on the wire. A test may lower the number of ORDER BY expressions the dialect takes, or have
// NULL sort before every value as other servers do.
class CBrowseConnection : public CPSQLConnection {
public:
    explicit CBrowseConnection(INAConnectionDescription* piHost) : CPSQLConnection(L"Connection=browsetest", piHost) {
        m_nServerMajor = 15;
        m_nCodePage = 1252;
        m_nClientCodePage = 65001;
        SetDoNotDelete(1);
    }
    int nGetOrderByMaxExpressionNbr() override { return m_nMaxOrderBy; }
    int bNULLBeforeNotNULL() override { return m_bNullFirst; }
    int m_nMaxOrderBy = 0x7FFFFFFF;
    int m_bNullFirst = 0;
};

// One row of the fixture; an empty optional is NULL.
struct stRow {
    int nId;
    std::optional<int> n;
    std::string sK1;
    int nK2;
    std::optional<int> d;
    std::optional<std::string> t;
    std::optional<std::string> dt;  // AAAAMMJJ
};

// The rows: duplicates and NULLs in n and t, the two-part key (k1, k2) unique, and texts that are
// prefixes of others (a, ab, abc, abd, a_b) so that prefix searches have neighbours on both sides.
// The test server orders text by code point (its databases are made with C.UTF-8), as the tests'
// own comparisons of std::string do.
inline const std::vector<stRow>& Rows() {
    static const std::vector<stRow> s_tab = {
        {1, 5, "b", 2, 10, "ab", "20230315"},         {2, std::nullopt, "a", 1, 20, std::nullopt, "20231231"},
        {3, 5, "b", 1, 30, "abc", "20240101"},        {4, 3, "ab", 7, std::nullopt, "b", std::nullopt},
        {5, 8, "b", 3, 10, "ab", "20230101"},         {6, std::nullopt, "abc", 1, 40, "a", "20221231"},
        {7, 5, "c", 1, 50, std::nullopt, "20230601"}, {8, 10, "a", 2, 20, "abd", "20231130"},
        {9, 3, "abd", 2, 60, "ac", "20231201"},       {10, 20, "ba", 5, 15, "a_c", std::nullopt},
        {11, 10, "a_b", 1, 25, "aa", "20240229"},     {12, std::nullopt, "axb", 4, 35, "abz", "20231231"},
    };
    return s_tab;
}

// The host's order of a nullable value: NULL after every value.
template <class T>
int nCompareNullLast(const std::optional<T>& a, const std::optional<T>& b) {
    if (!a && !b) return 0;
    if (!a) return 1;
    if (!b) return -1;
    return *a < *b ? -1 : *a > *b ? 1 : 0;
}

// The ids of the rows that satisfy the predicate, in the order of the comparison (ascending) or
// its reverse.
template <class Pred, class Less>
std::vector<int> vExpected(Pred fnKeep, Less fnLess, bool bAscending = true) {
    std::vector<stRow> v;
    for (const stRow& st : Rows())
        if (fnKeep(st)) v.push_back(st);
    std::stable_sort(v.begin(), v.end(), fnLess);
    if (!bAscending) std::reverse(v.begin(), v.end());
    std::vector<int> vIds;
    for (const stRow& st : v) vIds.push_back(st.nId);
    return vIds;
}

// A session on the test server holding the fixture table (temporary: tests side by side do not
// meet) that runs a text and hands back the first column of its rows as integers.
class CBrowseTable {
public:
    CBrowseTable() {
        std::string sFill =
            "CREATE TEMP TABLE browse_fx (id int NOT NULL UNIQUE, n int, k1 varchar(10) NOT NULL, k2 int NOT NULL,"
            " d int, t varchar(10), dt date, ok boolean, UNIQUE (k1, k2));";
        for (const stRow& st : Rows()) {
            sFill += "INSERT INTO browse_fx VALUES (" + std::to_string(st.nId) + "," +
                     (st.n ? std::to_string(*st.n) : "NULL") + ",'" + st.sK1 + "'," + std::to_string(st.nK2) + "," +
                     (st.d ? std::to_string(*st.d) : "NULL") + "," + (st.t ? "'" + *st.t + "'" : "NULL") + "," +
                     (st.dt ? "'" + *st.dt + "'" : "NULL") + "," + (st.nId % 2 ? "true" : "false") + ");";
        }
        m_bOpen = m_clSession.bOpen() && m_clSession.bExec(sFill);
    }

    bool bOpen() const { return m_bOpen; }
    const std::string& sError() const { return m_clSession.sError(); }
    pgtest::CPgSession& Session() { return m_clSession; }

    // Runs the text; the first column of each row read as an integer. False with the server's
    // message when the text is refused.
    bool bIds(const std::string& sSQL, std::vector<int>* pv) {
        std::vector<std::optional<std::string>> vValues;
        if (!m_clSession.bColumn(sSQL, &vValues)) return false;
        if (pv != nullptr) {
            pv->clear();
            for (const auto& o : vValues) pv->push_back(o ? atoi(o->c_str()) : 0);
        }
        return true;
    }

private:
    pgtest::CPgSession m_clSession;
    bool m_bOpen = false;
};

// The fixture: the table's descriptions, a data access over it, its record layout and a statement.
class BrowseTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        m_pclError = new CNAError;
        m_pclError->AddRef();
        m_pclCnx = new CBrowseConnection(&m_clHostCnx);
        m_pclHost = pclDescription(false);
        m_pclServer = pclDescription(true);
        m_pclAccess = new CNADataAccess(m_pclHost, m_pclCnx, m_pclError);
        m_pclAccess->AddRef();
        m_pclRecord = new CNARecord(m_pclError, m_pclAccess);
        m_pclRecord->AddRef();
        ASSERT_TRUE(m_pclRecord->bInitRecord(m_pclHost, m_pclServer, m_pclCnx));
        m_pclStatement = new CNAStatement(m_pclAccess, m_pclError);
        m_pclStatement->AddRef();
        m_pclStatement->SetCurrentRecord(m_pclRecord);
        // The test's driver object makes no SQL-layer statement, which the new statement records as
        // a lack of memory; these tests only write SQL.
        m_pclError->Reset();
    }
    void TearDown() override {
        for (CNACommand* pcl : m_tabCommands) pcl->nRelease();
        m_tabCommands.clear();
        if (m_pclStatement != nullptr) m_pclStatement->nRelease();
        if (m_pclRecord != nullptr) m_pclRecord->nRelease();
        if (m_pclAccess != nullptr) m_pclAccess->nRelease();
        if (m_pclHost != nullptr) m_pclHost->nRelease();
        if (m_pclServer != nullptr) m_pclServer->nRelease();
        delete m_pclCnx;
        m_pclError->nRelease();
        ModelTest::TearDown();
    }

    // browse_fx as the host describes it, or as the server does (with its type codes).
    CNADataSourceDescription* pclDescription(bool bServer) {
        auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
        pcl->AddRef();
        pcl->SetLogicalName(L"browse_fx");
        pcl->SetDBName(L"browse_fx");
        pcl->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, NA_KEY_UNIQUE, 0, 0);
        pcl->pclGetItemNoRef(0)->SetNullable(0);
        pcl->bAddItem(L"n", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 1, NA_KEY_DUPLICATES, 0, 0);
        pcl->bAddItem(L"k1", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, -1, 0, 0, 0);
        pcl->pclGetItemNoRef(2)->SetNullable(0);
        pcl->bAddItem(L"k2", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
        pcl->pclGetItemNoRef(3)->SetNullable(0);
        pcl->bAddItem(L"d", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 2, NA_KEY_DUPLICATES | NA_KEY_DESCENDANT, 0, 0);
        pcl->bAddItem(L"t", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, 3, NA_KEY_DUPLICATES, 0, 0);
        pcl->bAddItem(L"dt", nullptr, nullptr, 1, 9, NA_IT_DATE8, -1, 4, NA_KEY_DUPLICATES, 0, 0);
        pcl->bAddItem(L"ok", nullptr, nullptr, 1, 1, NA_IT_BOOLEEN, -1, -1, 0, 0, 0);
        pcl->bAddItem(L"kk", nullptr, nullptr, 1, 0, NA_IT_BINAIRE, -1, 5, NA_KEY_COMPOSED | NA_KEY_UNIQUE, 0, 0);
        pcl->_bAddItemComponent(pcl->pclGetItemNoRef(8), L"k1");
        pcl->_bAddItemComponent(pcl->pclGetItemNoRef(8), L"k2");
        if (bServer) {
            const unsigned tabCodes[] = {23, 23, 1043, 23, 23, 1043, 1082, 16, 0};
            for (int i = 0; i < 9; i++) pcl->pclGetItemNoRef(i)->SetDBType(L"", tabCodes[i]);
        }
        pcl->UpdateRecordSize();
        return pcl;
    }

    // A command of the statement's connection held by the fixture.
    CNACommand* pclCommand() {
        auto* pcl = new CNACommand(m_pclError, m_pclCnx);
        pcl->AddRef();
        m_tabCommands.push_back(pcl);
        return pcl;
    }
    INAItemDescription* piItem(const wchar_t* pszName) { return m_pclHost->pclNAGetItemNoRef(pszName, 3); }
    CNAColumn* pclColumn(const wchar_t* pszName) { return m_pclRecord->pclGetColumnNoRef(pszName); }

    // The record's current row becomes the fixture's row of that id.
    void SetCurrentRow(int nId) {
        for (const stRow& st : Rows()) {
            if (st.nId != nId) continue;
            SetInt(L"id", st.nId);
            SetInt(L"n", st.n);
            CAny cl;
            SetDSTRA(&cl, st.sK1.c_str());
            ASSERT_TRUE(pclColumn(L"k1")->bSetValue(&cl, 0));
            SetInt(L"k2", st.nK2);
            SetInt(L"d", st.d);
            if (st.t) {
                SetDSTRA(&cl, st.t->c_str());
            } else {
                SetDSTRA(&cl, "");
                cl.SetNull(1);
            }
            ASSERT_TRUE(pclColumn(L"t")->bSetValue(&cl, 0));
            CAny clDate;
            clDate.SetDATEA(st.dt ? st.dt->c_str() : "");
            if (!st.dt) clDate.SetNull(1);
            ASSERT_TRUE(pclColumn(L"dt")->bSetValue(&clDate, 0));
            return;
        }
        FAIL() << "no row " << nId;
    }
    void SetInt(const wchar_t* pszName, std::optional<int> n) {
        CAny cl;
        cl.SetI4(n.value_or(0));
        if (!n) cl.SetNull(1);
        ASSERT_TRUE(pclColumn(pszName)->bSetValue(&cl, 0)) << pszName;
    }

    // The formatted SQL ("<null>" when it cannot be made).
    static std::wstring sFormat(CNACommand* pcl) {
        const wchar_t* psz = pcl->pszGetFormatedSQLW(CNACommand::PARAMTYPECONV_NONE);
        return psz != nullptr ? std::wstring(psz) : std::wstring(L"<null>");
    }
    // The user error code of the error object's main error (0: none).
    uint32_t nUserError() const { return m_pclError->nGetUserErrorCode(); }
    std::wstring sDebug() const { return m_pclError->pclGetXError()->pszGetDebugMessage(); }

    standin::CStandInConnectionDescription m_clHostCnx;
    CNAError* m_pclError = nullptr;
    CBrowseConnection* m_pclCnx = nullptr;
    CNADataSourceDescription* m_pclHost = nullptr;
    CNADataSourceDescription* m_pclServer = nullptr;
    CNADataAccess* m_pclAccess = nullptr;
    CNARecord* m_pclRecord = nullptr;
    CNAStatement* m_pclStatement = nullptr;
    std::vector<CNACommand*> m_tabCommands;
};

// The select list of the fixture's statement.
constexpr const wchar_t* SELECT_LIST =
    L"SELECT \"id\",\"n\",\"k1\",\"k2\",\"d\",\"t\",\"dt\",\"ok\" FROM \"browse_fx\"";

}  // namespace browsetest
