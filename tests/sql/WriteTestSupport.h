// What the tests of the SQL of writes share: a PostgreSQL connection that answers as an open one of
// a version 15 server (so INSERT may return the new identifier), a table described by a list of
// items as the host and the server see it, its record layout and a statement over a data access of
// it, with values set by item name; and the server's own table to run the texts on.
//
// The statement double writes a column's value the way the statement does: its current value as a
// bound parameter, an automatic identifier that the driver must fill being first given a value by
// the data access (which the double only counts: no data access keeps identifiers here).
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "native/sql/NACommand.h"
#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLDriverSQL.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/sql/BrowseTestSupport.h"
#include "tests/sql/PgFixtureTables.h"

namespace writetest {

// The write flags the driver passes when it gives the automatic identifier its value itself
// (0x200) or the host gave it (0x100, 0x400).
constexpr NA_WRITEPARSEFLAGS WPF_IDAUTO_HOST = 0x100;
constexpr NA_WRITEPARSEFLAGS WPF_IDAUTO_DRIVER = 0x200;
constexpr NA_WRITEPARSEFLAGS WPF_IDAUTO_GIVEN = 0x400;

// A server of version 15.2: an INSERT may end with RETURNING.
class CWriteConnection : public browsetest::CBrowseConnection {
public:
    explicit CWriteConnection(INAConnectionDescription* piHost) : CBrowseConnection(piHost) {
        m_nServerVersion = 150002;
    }
    void SetServerVersion(unsigned n) { m_nServerVersion = n; }
    void SetServerUnicode(unsigned b) { m_bServerUnicode = b; }
};

// The driver of the process makes the SQL-layer statement every new statement takes.
class CWriteDriver : public CModelTestDriver {
public:
    CNADriverSQL* _pclAllocDriverSQL(CNAError* pclError) override { return new CPSQLDriverSQL(this, pclError); }
};

// A data access that can be told it reads a query of the host.
class CWriteAccess : public CNADataAccess {
public:
    using CNADataAccess::CNADataAccess;
    void SetOverQuery(int b) { m_nQuery = b; }
};

class CWriteStatement : public CNAStatement {
public:
    using CNAStatement::CNAStatement;
    int _bAddColumnValue(CNACommand* pclCommand, CNAColumn* pclColumn, eNAQUERYTYPE, unsigned nFlags) override {
        if (pclColumn->bIsIdAuto() && (nFlags & (WPF_IDAUTO_HOST | WPF_IDAUTO_GIVEN)) == 0 &&
            ((nFlags & WPF_IDAUTO_DRIVER) != 0 || !pclColumn->bIsAutoIncrementOnDataBase()))
            m_nNewIdentifiers++;
        if (m_sRefused == pclColumn->pszGetName()) return 0;
        CAny cl;
        if (!pclColumn->bGetCurrentValue(&cl, 0)) return 0;
        m_vWritten.push_back(pclColumn->pszGetName());
        return pclCommand->bAddParameter(&cl, OPEXPRESSION_NONE, 0, pclColumn, 0, CNAParameter::NAPARAM_IN);
    }
    // The access's database table name as the write texts name it.
    const wchar_t* pszTable() const { return _pszGetDBTableName(); }

    int m_nNewIdentifiers = 0;  // identifiers the data access was asked for
    std::wstring m_sRefused;    // the column whose value cannot be written
    std::vector<std::wstring> m_vWritten;
};

// One item of a fixture table.
struct stItem {
    const wchar_t* pszName;
    eNA_ITEMTYPE eType;
    unsigned nSize;
    unsigned short wKeyFlags;
    bool bNullable;
    bool bUpdatable;  // as the server says
};

class WriteTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        m_pclDriver->nExternalRelease();
        m_pclDriver = CModelTestDriver::pclNew<CWriteDriver>();
        m_pclError = new CNAError;
        m_pclError->AddRef();
        m_pclCnx = new CWriteConnection(&m_clHostCnx);
    }
    void TearDown() override {
        Release();
        delete m_pclCnx;
        m_pclError->nRelease();
        ModelTest::TearDown();
    }

    // The table of that name with those items, the first the best browse item; a composite key
    // (last) is made of the items named in vComponents.
    void Describe(const wchar_t* pszTable, const std::vector<stItem>& vItems,
                  const std::vector<const wchar_t*>& vComponents = {}) {
        _Describe(pszTable, vItems, vComponents, {});
    }
    // The result of a host query over that one table, as the driver describes it: item i is a
    // column of the table when vKinds[i] is 0, else a value the query computes, of that kind.
    void DescribeQuery(const wchar_t* pszTable, const std::vector<stItem>& vItems,
                       const std::vector<unsigned>& vKinds) {
        _Describe(pszTable, vItems, {}, vKinds);
    }
    void _Describe(const wchar_t* pszTable, const std::vector<stItem>& vItems,
                   const std::vector<const wchar_t*>& vComponents, const std::vector<unsigned>& vKinds) {
        Release();
        m_pclHost = pclDescription(pszTable, vItems, vComponents, false, vKinds);
        m_pclServer = pclDescription(pszTable, vItems, vComponents, true, vKinds);
        m_pclHost->_SetBestParseItem(vItems[0].pszName);
        m_pclAccess = new CWriteAccess(m_pclHost, m_pclCnx, m_pclError);
        m_pclAccess->AddRef();
        if (!vKinds.empty()) m_pclAccess->SetOverQuery(1);
        m_pclRecord = new CNARecord(m_pclError, m_pclAccess);
        m_pclRecord->AddRef();
        ASSERT_TRUE(m_pclRecord->bInitRecord(m_pclHost, m_pclServer, m_pclCnx));
        m_pclStatement = new CWriteStatement(m_pclAccess, m_pclError);
        m_pclStatement->AddRef();
        m_pclStatement->SetCurrentRecord(m_pclRecord);
    }

    CNADataSourceDescription* pclDescription(const wchar_t* pszTable, const std::vector<stItem>& vItems,
                                             const std::vector<const wchar_t*>& vComponents, bool bServer,
                                             const std::vector<unsigned>& vKinds = {}) {
        auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
        pcl->AddRef();
        pcl->SetLogicalName(pszTable);
        pcl->SetDBName(pszTable);
        int nKey = 0;
        for (size_t i = 0; i < vItems.size(); i++) {
            const stItem& st = vItems[i];
            // A query's column names its table; a computed value has none but its own name.
            const unsigned nKind = i < vKinds.size() ? vKinds[i] : 0;
            const wchar_t* pszSource = vKinds.empty() ? nullptr : nKind == 0 ? pszTable : L"";
            const wchar_t* pszInSource = vKinds.empty() ? nullptr : st.pszName;
            EXPECT_TRUE(pcl->bAddItem(st.pszName, pszSource, pszInSource, 1, st.nSize, st.eType, -1,
                                      st.wKeyFlags != 0 ? nKey++ : -1, st.wKeyFlags, 0, 0));
            CNAItemDescription* pclItem = pcl->pclGetItemNoRef(static_cast<int>(i));
            // Only the host's parse knows which values are computed: the server's description does not.
            if (!bServer) pclItem->SetCalculatedItemCode(nKind);
            pclItem->SetNullable(st.bNullable ? 1 : 0);
            if (bServer && !st.bUpdatable) pclItem->SetNotUpdatable();
            if (st.wKeyFlags & NA_KEY_COMPOSED)
                for (const wchar_t* psz : vComponents) pcl->_bAddItemComponent(pclItem, psz);
        }
        pcl->UpdateRecordSize();
        return pcl;
    }

    void Release() {
        for (CNACommand* pcl : m_vCommands) pcl->nRelease();
        m_vCommands.clear();
        if (m_pclStatement != nullptr) m_pclStatement->nRelease();
        if (m_pclRecord != nullptr) m_pclRecord->nRelease();
        if (m_pclAccess != nullptr) m_pclAccess->nRelease();
        if (m_pclHost != nullptr) m_pclHost->nRelease();
        if (m_pclServer != nullptr) m_pclServer->nRelease();
        m_pclStatement = nullptr;
        m_pclRecord = nullptr;
        m_pclAccess = nullptr;
        m_pclHost = m_pclServer = nullptr;
    }

    CNACommand* pclCommand() {
        auto* pcl = new CNACommand(m_pclError, m_pclCnx);
        pcl->AddRef();
        m_vCommands.push_back(pcl);
        return pcl;
    }
    CNAColumn* pclColumn(const wchar_t* pszName) { return m_pclRecord->pclGetColumnNoRef(pszName); }

    // Values of the current record by item name; an empty optional is NULL.
    void SetText(const wchar_t* pszName, std::optional<std::string> s) {
        CAny cl;
        SetDSTRA(&cl, s ? s->c_str() : "");
        if (!s) cl.SetNull(1);
        ASSERT_TRUE(pclColumn(pszName)->bSetValue(&cl, 0)) << pszName;
    }
    void SetInt(const wchar_t* pszName, std::optional<long long> n, bool b64 = false) {
        CAny cl;
        if (b64)
            cl.SetI8(n.value_or(0));
        else
            cl.SetI4(static_cast<int>(n.value_or(0)));
        if (!n) cl.SetNull(1);
        ASSERT_TRUE(pclColumn(pszName)->bSetValue(&cl, 0)) << pszName;
    }
    // The current record becomes the latest row read, as a fetch leaves it.
    void Read() { ASSERT_TRUE(m_pclRecord->bCopyCurrentRecordToOriginalRecord()); }
    bool bDefined(const wchar_t* pszName) {
        return m_pclRecord->pclGetNAYFRecord()->bItemValueDefined(pclColumn(pszName)->piGetItemNoRef(), 0);
    }

    // The formatted SQL ("<null>" when it cannot be made).
    static std::wstring sFormat(CNACommand* pcl) {
        const wchar_t* psz = pcl->pszGetFormatedSQLW(CNACommand::PARAMTYPECONV_NONE);
        return psz != nullptr ? std::wstring(psz) : std::wstring(L"<null>");
    }
    uint32_t nUserError() const { return m_pclError->nGetUserErrorCode(); }
    std::wstring sDebug() const { return m_pclError->pclGetXError()->pszGetDebugMessage(); }

    standin::CStandInConnectionDescription m_clHostCnx;
    CNAError* m_pclError = nullptr;
    CWriteConnection* m_pclCnx = nullptr;
    CNADataSourceDescription* m_pclHost = nullptr;
    CNADataSourceDescription* m_pclServer = nullptr;
    CWriteAccess* m_pclAccess = nullptr;
    CNARecord* m_pclRecord = nullptr;
    CWriteStatement* m_pclStatement = nullptr;
    std::vector<CNACommand*> m_vCommands;
};

// Rows a text gives back on the server, each row's fields joined by "|" ("<NULL>" for NULL).
inline std::vector<std::string> vRows(pgtest::CPgSession* pclPg, const std::string& sSQL) {
    pgtest::Rows aRows;
    std::vector<std::string> v;
    if (!pclPg->bQuery(sSQL, &aRows)) {
        ADD_FAILURE() << sSQL << ": " << pclPg->sError();
        return v;
    }
    for (const auto& tabRow : sqltest::tabTexts(aRows)) {
        std::string s;
        for (size_t i = 0; i < tabRow.size(); i++) s += (i > 0 ? "|" : "") + tabRow[i];
        v.push_back(s);
    }
    return v;
}

}  // namespace writetest
