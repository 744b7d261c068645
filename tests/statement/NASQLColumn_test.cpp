// A result column reading its value from the statement: the field asked is the column's position
// in the result, the item's defined bit follows the value read, and a memo starts unmodified and
// becomes NULL when its read fails.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "native/statement/NASQLColumn.h"
#include "native/statement/NAStatement.h"
#include "tests/model/RecordFixture.h"

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

}  // namespace
