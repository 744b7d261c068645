// A SELECT or a COUNT whose text loses a piece for want of memory fails: it is never handed over
// without its WHERE, or with part of it, as a text that would read rows outside the search. Each
// growth of the heap is refused in turn while the whole text is written.
#include <string>

#include "tests/core/ReallocRefusal.h"
#include "tests/sql/BrowseTestSupport.h"

using namespace browsetest;

class NAStatementSelectMemoryTest : public BrowseTest {
public:
    // A search long enough for its text to outgrow the builders' first room: n = 0 OR n = 1 ...
    void SetSearch() {
        m_pclSearch = new CNARecherche(m_pclError, m_pclCnx);
        m_pclSearch->AddRef();
        for (int i = 0; i < 120; i++) {
            CAny cl;
            cl.SetI4(1000000 + i);
            ASSERT_TRUE(m_pclSearch->bAddExpression(m_pclRecord, piItem(L"n"), NAOP_EQUAL, &cl, 0, NAOP_OR, 0));
        }
        m_pclStatement->_SetRecherche(m_pclSearch);
    }
    void TearDown() override {
        if (m_pclSearch != nullptr) m_pclSearch->nRelease();
        BrowseTest::TearDown();
    }
    // The SELECT of a forward browse by n under the search; null when it was not written.
    const wchar_t* pszSelect() {
        CNACommand* pclWhere = pclCommand();
        if (!m_pclStatement->bGetClauseWHERE(pclWhere)) return nullptr;
        CNACommand* pcl = pclCommand();
        if (!m_pclStatement->bBuildQuerySELECT(pcl, 0, L"n", 1, pclWhere)) return nullptr;
        return pcl->pszGetFormatedSQLW(CNACommand::PARAMTYPECONV_NONE);
    }
    const wchar_t* pszCount() {
        CNACommand* pcl = pclCommand();
        if (!m_pclStatement->_bBuildQueryCOUNT(pcl, 0, 0)) return nullptr;
        return pcl->pszGetFormatedSQLW(CNACommand::PARAMTYPECONV_NONE);
    }
    CNARecherche* m_pclSearch = nullptr;
};

TEST_F(NAStatementSelectMemoryTest, TextsThatLoseAPieceFail) {
    SetSearch();
    struct Case {
        const char* pszName;
        const wchar_t* (NAStatementSelectMemoryTest::*pfn)();
        const wchar_t* pszEnd;  // how the whole text ends
    };
    const Case tab[] = {
        {"SELECT", &NAStatementSelectMemoryTest::pszSelect, L" ORDER BY \"n\",\"id\""},
        {"COUNT", &NAStatementSelectMemoryTest::pszCount, L"=1000119"},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        const wchar_t* psz = (this->*c.pfn)();
        ASSERT_NE(psz, nullptr);
        const std::wstring sWhole = psz;
        ASSERT_GT(sWhole.size(), 1500u);
        ASSERT_EQ(sWhole.substr(sWhole.size() - wcslen(c.pszEnd)), c.pszEnd);
        int nFailed = 0;
        for (long n = 1;; n++) {
            m_pclError->Reset();
            reallocrefusal::Arm(n);
            psz = (this->*c.pfn)();
            const bool bRefused = reallocrefusal::bRefused();
            reallocrefusal::Arm(0);
            const std::wstring sText = psz != nullptr ? std::wstring(psz) : std::wstring();
            if (psz != nullptr) {
                EXPECT_EQ(sText, sWhole) << "growth " << n;
            } else {
                nFailed++;
                EXPECT_NE(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE) << "growth " << n;
            }
            if (!bRefused) break;
            for (CNACommand* pcl : m_tabCommands) pcl->nRelease();
            m_tabCommands.clear();
        }
        EXPECT_GT(nFailed, 0);
    }
}
