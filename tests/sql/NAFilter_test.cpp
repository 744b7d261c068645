// Filters: the condition of a range by its bounds (included or not, equal, bounds in key order on
// a descending item, the extreme values of a type that bound nothing, the largest text standing
// for a prefix), and which filter a saved filter remembers.
#include <string>

#include "tests/sql/BrowseTestSupport.h"

using namespace browsetest;

namespace {

CAny clInt(int n) {
    CAny cl;
    cl.SetI4(n);
    return cl;
}
// A fixed 8-bit text (its last character 255 marks the largest value of the type).
CAny clFixedText(unsigned short nType, const std::string& s) {
    CAny cl;
    cl.__SetType(nType, 0);
    cl.pclGetValeur()->SetValue(s.c_str(), s.size());
    return cl;
}

}  // namespace

class NAFilterTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        m_pclFilter = new CNAFilter(m_pclError, m_pclCnx);
        m_pclFilter->AddRef();
    }
    void TearDown() override {
        m_pclFilter->nRelease();
        BrowseTest::TearDown();
    }
    std::wstring sWhere() {
        CNARecherche* pclSearch = new CNARecherche(m_pclError, m_pclCnx);
        pclSearch->AddRef();
        CNACommand* pcl = pclCommand();
        EXPECT_TRUE(pclSearch->bGetSQL(pcl, m_pclFilter, m_pclRecord));
        pclSearch->nRelease();
        return sFormat(pcl);
    }
    CNAFilter* m_pclFilter = nullptr;
};

TEST_F(NAFilterTest, ConditionOfARange) {
    struct Case {
        const char* pszName;
        const wchar_t* pszItem;
        std::optional<CAny> clLow;
        int bLowIn;
        std::optional<CAny> clHigh;
        int bHighIn;
        const wchar_t* pszWhere;
    };
    const Case tab[] = {
        {"both included", L"n", clInt(5), 1, clInt(10), 1, L"\"n\">=5 AND \"n\"<=10"},
        {"both excluded", L"n", clInt(5), 0, clInt(10), 0, L"\"n\">5 AND \"n\"<10"},
        {"lower only", L"n", clInt(5), 0, std::nullopt, 0, L"\"n\">5"},
        {"upper only", L"n", std::nullopt, 0, clInt(10), 1, L"\"n\"<=10"},
        {"equal bounds", L"n", clInt(7), 0, clInt(7), 0, L"\"n\"=7"},
        // On a descending item the bounds come in key order, each with whether it is included.
        {"descending: 20 included down to 10 excluded", L"d", clInt(20), 1, clInt(10), 0, L"\"d\">10 AND \"d\"<=20"},
        {"descending: 20 excluded down to 10 included", L"d", clInt(20), 0, clInt(10), 1, L"\"d\">=10 AND \"d\"<20"},
        // The type's extreme values bound nothing: the whole range has no condition.
        {"from the smallest integer", L"n", clInt(-2147483647 - 1), 1, clInt(10), 1, L"\"n\"<=10"},
        {"up to the largest integer", L"n", clInt(5), 1, clInt(2147483647), 1, L"\"n\">=5"},
        {"the whole range", L"n", clInt(-2147483647 - 1), 1, clInt(2147483647), 1, L""},
        // The largest text stands for the values that begin with what precedes it.
        {"up to ab and what begins with it", L"t", std::nullopt, 0, clFixedText(VQTYPE_PSTRA, "ab\xFF"), 0,
         L"\"t\"<'ab' OR \"t\" LIKE 'ab%'"},
        {"a date up to the end of 2023", L"dt", std::nullopt, 0, clFixedText(VQTYPE_DATEA, "2023\xFF"), 1,
         L"\"dt\"<'2024-01-01'"},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        ASSERT_TRUE(m_pclFilter->bSetFilter(m_pclRecord, piItem(c.pszItem), c.clLow ? &*c.clLow : nullptr, c.bLowIn,
                                            c.clHigh ? &*c.clHigh : nullptr, c.bHighIn, nullptr, 0));
        // Setting the condition does not activate the filter.
        EXPECT_FALSE(m_pclFilter->bIsFilterActive());
        EXPECT_EQ(sWhere(), L"");
        m_pclFilter->ActivateFilter(1);
        EXPECT_EQ(sWhere(), c.pszWhere);
        m_pclFilter->ActivateFilter(0);
    }
}

// The records sharing the current record's value of an item: its value taken from the record.
TEST_F(NAFilterTest, DuplicatesOfTheCurrentRecord) {
    SetCurrentRow(3);
    ASSERT_TRUE(m_pclFilter->bSetFilter(m_pclRecord, piItem(L"n"), nullptr, 1, nullptr, 1, nullptr, NARECH_FROMRECORD));
    m_pclFilter->ActivateFilter(1);
    EXPECT_EQ(sWhere(), L"\"n\"=5");
}

TEST_F(NAFilterTest, SavedFilter) {
    CNAFilter* pclOther = new CNAFilter(m_pclError, m_pclCnx);
    pclOther->AddRef();
    const CAny clFive = clInt(5);
    ASSERT_TRUE(m_pclFilter->bSetFilter(m_pclRecord, piItem(L"n"), &clFive, 1, nullptr, 0, nullptr, 0));
    {
        // An inactive filter saved equals any filter that is inactive, or none.
        CNAFilterSave clSave(m_pclFilter);
        EXPECT_FALSE(clSave.bIsActive());
        EXPECT_TRUE(clSave.bFilterEquals(nullptr));
        EXPECT_TRUE(clSave.bFilterEquals(pclOther));
        m_pclFilter->ActivateFilter(1);
        EXPECT_FALSE(clSave.bFilterEquals(m_pclFilter));
        // Saving the same filter again keeps the state it was saved in.
        clSave.SetFilter(m_pclFilter);
        EXPECT_FALSE(clSave.bIsActive());
        // Another filter takes its place with its own state.
        clSave.SetFilter(pclOther);
        EXPECT_FALSE(clSave.bIsActive());
        clSave.SetFilter(m_pclFilter);
        EXPECT_TRUE(clSave.bIsActive());
        EXPECT_TRUE(clSave.bFilterEquals(m_pclFilter));
        EXPECT_FALSE(clSave.bFilterEquals(nullptr));
        CNAFilterSave clCopy;
        clCopy.Copy(clSave);
        EXPECT_EQ(clCopy.pclGetFilterNoRef(), m_pclFilter);
        EXPECT_TRUE(clCopy.bIsActive());
        // The same range on another item is another filter.
        ASSERT_TRUE(pclOther->bSetFilter(m_pclRecord, piItem(L"k2"), &clFive, 1, nullptr, 0, nullptr, 0));
        pclOther->ActivateFilter(1);
        EXPECT_FALSE(clSave.bFilterEquals(pclOther));
        // Saving that no filter is in force, after an active one: no filter is what it equals.
        clSave.SetFilter(nullptr);
        EXPECT_FALSE(clSave.bIsActive());
        EXPECT_EQ(clSave.pclGetFilterNoRef(), nullptr);
        EXPECT_TRUE(clSave.bFilterEquals(nullptr));
        EXPECT_FALSE(clSave.bFilterEquals(m_pclFilter));
    }
    // The saved filters gave their references back.
    EXPECT_EQ(m_pclFilter->nGetRef(), 1u);
    EXPECT_EQ(pclOther->nGetRef(), 1u);
    EXPECT_EQ(CNAFilter::g_bEqualsFilter(nullptr, nullptr), 1);
    EXPECT_EQ(CNAFilter::g_bEqualsFilter(m_pclFilter, nullptr), 0);
    m_pclFilter->ActivateFilter(0);
    EXPECT_EQ(CNAFilter::g_bEqualsFilter(m_pclFilter, nullptr), 1);
    // A copy of a filter is a filter sharing its condition.
    CNAFilter* pclCopy = m_pclFilter->pclCloneFilter();
    ASSERT_NE(pclCopy, nullptr);
    pclCopy->AddRef();
    EXPECT_EQ(pclCopy->pclGetExpressionNoRef(0), m_pclFilter->pclGetExpressionNoRef(0));
    CNARecherche* pclSecond = pclCopy->pclClone();
    ASSERT_NE(pclSecond, nullptr);
    pclSecond->AddRef();
    EXPECT_NE(dynamic_cast<CNAFilter*>(pclSecond), nullptr);
    pclSecond->nRelease();
    pclCopy->nRelease();
    pclOther->nRelease();
}
