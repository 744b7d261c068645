// A result column reading its value from the statement: the field asked is the column's position
// in the result, the item's defined bit follows the value read, and a memo starts unmodified and
// becomes NULL when its read fails.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "native/statement/NASQLColumn.h"
#include "native/statement/NAStatement.h"
#include "tests/model/RecordFixture.h"
#include "tests/support/PgText.h"

namespace {

// A statement whose current row's fields come from the test.
class CFakeStatement : public CNAStatement {
public:
    int bGetSQLColumnValue(CNAConvertVariant* pclValue, unsigned n) override {
        vAsked.push_back(n);
        return fnRead(pclValue, n);
    }
    int bGetSQLColumnValue(CAny*, unsigned) override { return 0; }

    std::vector<unsigned> vAsked;
    std::function<int(CNAConvertVariant*, unsigned)> fnRead;
};

class NASQLColumnTest : public RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        Build();
    }
    // A result column for a host item, bound to the record layout's current image.
    CNASQLColumn* pclColumn(const wchar_t* pszName) {
        auto* pcl = new CNASQLColumn(m_pclErr, m_pclHost->pclNAGetItemNoRef(pszName, 3));
        pcl->AddRef();
        EXPECT_TRUE(pcl->vbInit(m_pclRecord, m_pclServer->pclNAGetItemNoRef(pszName, 3)));
        return pcl;
    }
    bool bDefined(const CNASQLColumn* pcl) {
        return m_pclRecord->pclGetNAYFRecord()->bItemValueDefined(pcl->piGetItemNoRef(), 0) != 0;
    }
};

int nText(CNAConvertVariant* pclValue, const char* psz) {
    CAny cl;
    SetDSTRA(&cl, psz);
    return pclValue->bSetValue(&cl);
}

TEST_F(NASQLColumnTest, ValuesReadFromTheStatement) {
    struct Case {
        const char* pszName;
        const wchar_t* pszItem;
        std::function<int(CNAConvertVariant*, unsigned)> fnRead;
        int nExpected;
        bool bDefinedAfter;
        const char* pszValueAfter;  // null: NULL
    };
    const Case tabCases[] = {
        {"a text", L"nom", [](CNAConvertVariant* p, unsigned) { return nText(p, "Dupont"); }, 1, true, "Dupont"},
        {"a NULL text", L"nom",
         [](CNAConvertVariant* p, unsigned) {
             p->SetNull();
             return 1;
         },
         1, false, nullptr},
        {"a text that cannot be read", L"nom", [](CNAConvertVariant* p, unsigned) { return nText(p, "Part") * 0; },
         0, true, "Part"},
        {"a memo", L"notes", [](CNAConvertVariant* p, unsigned) { return nText(p, "un long texte"); }, 1, true,
         "un long texte"},
        {"a memo that cannot be read", L"notes", [](CNAConvertVariant* p, unsigned) { return nText(p, "Part") * 0; },
         0, true, nullptr},
    };
    for (const Case& c : tabCases) {
        CNASQLColumn* pcl = pclColumn(c.pszItem);
        CAny clBefore;
        SetDSTRA(&clBefore, "avant");
        ASSERT_TRUE(pcl->bSetValue(&clBefore, 0)) << c.pszName;
        CFakeStatement clStatement;
        clStatement.fnRead = c.fnRead;
        EXPECT_EQ(pcl->bSetValueFromDB(&clStatement, 0), c.nExpected) << c.pszName;
        // The field of the column's position in the result.
        EXPECT_EQ(clStatement.vAsked, std::vector<unsigned>{unsigned(pcl->nGetPhysicalIndice())}) << c.pszName;
        if (!pcl->bIsMemo()) {
            EXPECT_EQ(bDefined(pcl), c.bDefinedAfter) << c.pszName;
        }
        CAny clAfter;
        ASSERT_TRUE(pcl->bGetCurrentValue(&clAfter, 0)) << c.pszName;
        if (c.pszValueAfter == nullptr) {
            EXPECT_TRUE(pcl->pclGetNAValue()->bIsNull()) << c.pszName;
        } else {
            EXPECT_FALSE(pcl->pclGetNAValue()->bIsNull()) << c.pszName;
            EXPECT_EQ(sTexteA(clAfter), c.pszValueAfter) << c.pszName;
        }
        if (pcl->bIsMemo()) {
            // Read from the server, a memo is no longer a change of the host's, and has its type.
            EXPECT_FALSE(pcl->bValueModified()) << c.pszName;
            EXPECT_EQ(pcl->pclGetNAValue()->pclGetValue()->nGetTypeCode(), pcl->eGetVQType()) << c.pszName;
        }
        pcl->nRelease();
    }
    CNASQLColumn* pclNom = pclColumn(L"nom");
    EXPECT_EQ(pclNom->nGetPhysicalIndice(), 1);
    pclNom->nRelease();
}

// Each column of a row read after the one before, through one converter each, as a browse reads
// them: a memo's value, NULL bit and slot marker, and a plain text's bit and slot, follow the
// field of every row (a text, NULL, empty, longer than any buffer on the way, not ASCII, a failed
// read), also after the host gave the memo's converter a value of another type or the NULL flag
// in between.
TEST_F(NASQLColumnTest, ColumnsReadRowAfterRow) {
    const std::string sLong(300, 'x');
    struct Row {
        const char* pszName;
        const char* pszField;  // null: NULL
        bool bReadFails;
        int nHostMeddles;  // before the read: 1 the memo's converter made binary, 2 its value NULL
    };
    const Row tabRows[] = {
        {"a text", "un", false, 0},
        {"NULL", nullptr, false, 0},
        {"a text after NULL", "deux", false, 0},
        {"empty", "", false, 0},
        {"a long text", sLong.c_str(), false, 0},
        {"not ASCII", "\xC3\xA9t\xC3\xA9", false, 0},
        {"the same again", "\xC3\xA9t\xC3\xA9", false, 0},
        {"a failed read", "trois", true, 0},
        {"after a failed read", "quatre", false, 0},
        {"after the host made it binary", "cinq", false, 1},
        {"after the host made it NULL", "six", false, 2},
        {"NULL after the host made it binary", nullptr, false, 1},
        {"empty after NULL", "", false, 0},
    };
    // Each column on its own, and the columns of a row read by the statement into the image it
    // asked once for the row: the same values, bits and slots.
    for (const auto& [eMemo, bRowRoad] : std::vector<std::pair<eNA_ITEMTYPE, bool>>{
             {NA_IT_MEMOTEXTE, false}, {NA_IT_MEMOUNICODE, false}, {NA_IT_MEMOTEXTE, true}, {NA_IT_MEMOUNICODE, true}}) {
        SCOPED_TRACE(testing::Message() << eMemo << (bRowRoad ? ", a row at once" : ", a column at a time"));
        // The layout again, with a memo of that kind.
        m_pclRecord->nRelease();
        m_pclRecord = nullptr;
        m_pclHost->nRelease();
        m_pclServer->nRelease();
        m_eMemoType = eMemo;
        m_pclHost = pclDescription(false);
        m_pclServer = pclDescription(true);
        Build();
        CNASQLColumn* pclMemo = pclColumn(L"notes");
        CNASQLColumn* pclNom = pclColumn(L"nom");
        CFakeStatement clStatement;
        const Row* pstRow = nullptr;
        clStatement.fnRead = [&](CNAConvertVariant* p, unsigned) {
            if (pstRow->bReadFails) return 0;
            if (pstRow->pszField == nullptr) {
                p->SetNull();
                return 1;
            }
            // As the PostgreSQL statement hands a field over.
            return p->bSetValueDB(pstRow->pszField, strlen(pstRow->pszField), 65001);
        };
        CNAYFRecord* pclImage = m_pclRecord->pclGetNAYFRecord();
        for (const Row& st : tabRows) {
            SCOPED_TRACE(st.pszName);
            pstRow = &st;
            if (st.nHostMeddles == 1) {
                const unsigned char aby[] = {1, 2, 3};
                pclMemo->pclGetNAValue()->InitTypeVariantAny(VQTYPE_BIN, 0);
                pclMemo->pclGetNAValue()->bSetValue(aby, sizeof(aby));
            } else if (st.nHostMeddles == 2) {
                pclMemo->pclGetNAValue()->pclGetValue()->SetNull(1);
            }
            const int nExpected = st.bReadFails ? 0 : 1;
            if (bRowRoad) {
                EXPECT_EQ(pclMemo->bSetRowValueFromDB(&clStatement, 0, pclImage), nExpected);
                EXPECT_EQ(pclNom->bSetRowValueFromDB(&clStatement, 0, pclImage), nExpected);
            } else {
                EXPECT_EQ(pclMemo->bSetValueFromDB(&clStatement, 0), nExpected);
                EXPECT_EQ(pclNom->bSetValueFromDB(&clStatement, 0), nExpected);
            }

            CNAConvertVariant* pclValue = pclMemo->pclGetNAValue();
            EXPECT_FALSE(pclMemo->bValueModified());
            EXPECT_EQ(pclValue->pclGetValue()->nGetTypeCode(), pclMemo->eGetVQType());
            const unsigned char* pbySlot = pclImage->pbyGetItemValue(pclMemo->piGetItemNoRef(), 0);
            const bool bNull = st.pszField == nullptr || st.bReadFails;
            EXPECT_EQ(pclValue->bIsNull() != 0, bNull);
            if (!st.bReadFails) {
                EXPECT_EQ(bDefined(pclMemo), !bNull);
                EXPECT_EQ(std::string(reinterpret_cast<const char*>(pbySlot), 8),
                          std::string(8, bNull ? '\xFF' : '\0'));
            }
            if (!bNull) {
                CAny clMemo;
                ASSERT_TRUE(pclValue->bGetValue(&clMemo));
                if (eMemo == NA_IT_MEMOUNICODE) {
                    EXPECT_EQ(sTexteW(clMemo), pgtest::sWide(st.pszField));
                } else {
                    // An 8-bit memo holds its text in the connection's code page (1252).
                    std::string sExpected;
                    for (wchar_t c : pgtest::sWide(st.pszField)) sExpected += static_cast<char>(c);
                    EXPECT_EQ(sTexteA(clMemo), sExpected);
                }
            }
            // The plain text: its bit, and a NULL's slot zero-filled.
            if (!st.bReadFails) {
                EXPECT_EQ(bDefined(pclNom), !bNull);
                if (bNull) {
                    const unsigned char* pbyNom = pclImage->pbyGetItemValue(pclNom->piGetItemNoRef(), 0);
                    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pbyNom), pclNom->nGetItemSize()),
                              std::string(pclNom->nGetItemSize(), '\0'));
                }
            }
        }
        pclMemo->nRelease();
        pclNom->nRelease();
    }
}

}  // namespace
