// A write whose text loses a piece for want of memory fails, with an error: it is never handed
// over cut short (a DELETE or an UPDATE without its WHERE would reach every row, a DROP TABLE
// without its name would be taken for done). Each growth of the heap is refused in turn while the
// whole text is written; a table name long enough makes every text outgrow the builders' first
// room.
#include <string>

#include "tests/core/ReallocRefusal.h"
#include "tests/sql/WriteTestSupport.h"

using namespace writetest;

class NAStatementWriteMemoryTest : public WriteTest {
protected:
    void SetUp() override {
        WriteTest::SetUp();
        m_sTable = L"write_" + std::wstring(700, L'x');
        Describe(m_sTable.c_str(), {{L"id", NA_IT_IDAUTO, 8, NA_KEY_UNIQUE, false, true},
                                    {L"name", NA_IT_TEXTE, 21, 0, true, true},
                                    {L"n", NA_IT_I4, 4, 0, true, true}});
        SetInt(L"id", 2, true);
        SetText(L"name", "before");
        SetInt(L"n", 1);
        Read();
        SetText(L"name", "after");
        SetInt(L"n", 2);
    }
    // The text of that kind as written (with no value in it), and formatted; false when it was
    // not written, the formatted text null when it could not be made.
    bool bWrite(eNAQUERYTYPE eType, std::wstring* psWritten, const wchar_t** ppszFormatted) {
        CNACommand* pcl = pclCommand();
        if (!m_pclStatement->bBuildQuery(eType, pcl, 0)) return false;
        *psWritten = pcl->pszGetOriginalSQL();
        *ppszFormatted = pcl->pszGetFormatedSQLW(CNACommand::PARAMTYPECONV_NONE);
        return true;
    }
    std::wstring m_sTable;
};

TEST_F(NAStatementWriteMemoryTest, TextsThatLoseAPieceFail) {
    const std::wstring sTable = L"\"" + m_sTable + L"\"";
    struct Case {
        eNAQUERYTYPE eType;
        std::wstring sWhole;
    };
    const Case tab[] = {
        {NAQUERYTYPE_INSERT, L"INSERT INTO " + sTable +
                                 L" (\"name\",\"n\") VALUES ( 'after' , 2 ) RETURNING \"id\", \"name\", \"n\""},
        {NAQUERYTYPE_UPDATE, L"UPDATE " + sTable +
                                 L" SET \"name\" = 'after' , \"n\" = 2 WHERE \"id\"=2 RETURNING \"id\", \"name\", \"n\""},
        {NAQUERYTYPE_DELETE, L"DELETE FROM " + sTable + L" WHERE \"id\"=2"},
        {NAQUERYTYPE_DELETEALL, L"DELETE FROM " + sTable},
        {NAQUERYTYPE_CREATE,
         L"CREATE TABLE " + sTable + L"( \"id\" SERIAL8  PRIMARY KEY , \"name\" VARCHAR(20), \"n\" INTEGER )"},
        {NAQUERYTYPE_DROP, L"DROP TABLE " + sTable},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.eType);
        std::wstring sWritten;
        const wchar_t* psz = nullptr;
        ASSERT_TRUE(bWrite(c.eType, &sWritten, &psz));
        ASSERT_NE(psz, nullptr);
        ASSERT_EQ(std::wstring(psz), c.sWhole);
        const std::wstring sWrittenWhole = sWritten;
        int nFailed = 0;
        for (long n = 1;; n++) {
            m_pclError->Reset();
            reallocrefusal::Arm(n);
            const bool bWritten = bWrite(c.eType, &sWritten, &psz);
            const bool bRefused = reallocrefusal::bRefused();
            reallocrefusal::Arm(0);
            // Written means whole; what could not be written or formatted says why.
            if (bWritten) {
                EXPECT_EQ(sWritten, sWrittenWhole) << "growth " << n;
            }
            if (bWritten && psz != nullptr) {
                EXPECT_EQ(std::wstring(psz), c.sWhole) << "growth " << n;
            } else {
                nFailed++;
                EXPECT_NE(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE) << "growth " << n;
            }
            for (CNACommand* pcl : m_vCommands) pcl->nRelease();
            m_vCommands.clear();
            if (!bRefused) break;
        }
        EXPECT_GT(nFailed, 0);
    }
}
