// Key searches: composite values read from the host's bytes (never past them, however short or
// malformed), the fillers that stand for the smallest and the largest value, the states of a
// search that browses on, equality and copies of searches, and the extreme values of the types.
#include <climits>
#include <string>

#include "tests/sql/BrowseTestSupport.h"
#include "variant/DateTime.h"
#include "variant/Duree.h"
#include "variant/Money.h"

using namespace browsetest;

namespace {

CAny clBytes(const std::string& s) {
    CAny cl;
    cl.SetBIN(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    return cl;
}
std::string sInt(int n) {
    return std::string(reinterpret_cast<const char*>(&n), 4);
}
// k1 on its 10 bytes.
std::string sK1(const std::string& s) {
    std::string sOut = s;
    sOut.resize(10, '\0');
    return sOut;
}

}  // namespace

class NARechercheTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        m_pclSearch = new CNARecherche(m_pclError, m_pclCnx);
        m_pclSearch->AddRef();
    }
    void TearDown() override {
        m_pclSearch->nRelease();
        BrowseTest::TearDown();
    }
    std::wstring sWhere(CNARecherche* pclSearch, CNARecord* pclRecord) {
        CNACommand* pcl = pclCommand();
        EXPECT_TRUE(pclSearch->bGetSQL(pcl, nullptr, pclRecord));
        return sFormat(pcl);
    }
    CNARecherche* m_pclSearch = nullptr;
};

TEST_F(NARechercheTest, CompositeValuesReadFromTheirBytes) {
    struct Case {
        const char* pszName;
        std::string sValue;
        int bExact;
        const wchar_t* pszWhere;
    };
    const Case tab[] = {
        {"both parts", sK1("b") + sInt(2), 1, L"\"k1\"='b' AND \"k2\"=2"},
        {"a text filling its part", "abcdefghij" + sInt(7), 1, L"\"k1\"='abcdefghij' AND \"k2\"=7"},
        // The integer lacks a byte: it cannot be read, and the exact search takes the empty value.
        {"a part cut short", sK1("b") + sInt(2).substr(0, 3), 1, L"\"k1\"='b' AND \"k2\"=0"},
        {"a part cut short, generic", sK1("b") + sInt(2).substr(0, 3), 0, L"\"k1\" LIKE 'b%'"},
        {"a prefix of the first part", "ab", 0, L"\"k1\" LIKE 'ab%'"},
        {"bytes beyond the key are not read", sK1("b") + sInt(2) + "garbage", 1, L"\"k1\"='b' AND \"k2\"=2"},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        const CAny cl = clBytes(c.sValue);
        ASSERT_TRUE(m_pclSearch->bSetRecherche(m_pclRecord, piItem(L"kk"), &cl, NA_PARSE_FIRST, c.bExact, 0));
        EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), c.pszWhere);
    }
}

// A bound of a range whose value ends with the host's filler for the smallest or the largest
// value: the parts before it bound the range.
TEST_F(NARechercheTest, FillersEndingABound) {
    struct Case {
        const char* pszName;
        eNAOperator eOp;
        std::string sValue;
        const wchar_t* pszWhere;
    };
    const Case tab[] = {
        {"up to (b, largest)", NAOP_LESSEQUAL, sK1("b") + "\xFF", L"\"k1\"<='b'"},
        {"from (b, smallest)", NAOP_GREATEREQUAL, sK1("b") + std::string(1, '\0'), L"(\"k1\">='b' OR \"k1\" IS NULL)"},
        {"from (b, largest): the largest integer", NAOP_GREATEREQUAL, sK1("b") + "\xFF",
         L"(\"k1\">'b' OR \"k1\" IS NULL) OR \"k1\"='b' AND (\"k2\">=2147483647 OR \"k2\" IS NULL)"},
        {"up to (b, 3)", NAOP_LESSEQUAL, sK1("b") + sInt(3), L"\"k1\"<'b' OR \"k1\"='b' AND \"k2\"<=3"},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        m_pclSearch->__Init();
        const CAny cl = clBytes(c.sValue);
        ASSERT_TRUE(m_pclSearch->bAddExpression(m_pclRecord, piItem(L"kk"), c.eOp, &cl, 0, NAOP_AND, 1));
        EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), c.pszWhere);
    }
}

// A binary part is preceded by its byte count, which never takes the reading past the part or the
// value.
TEST_F(NARechercheTest, BinaryPartsReadWithinTheirBounds) {
    auto* pclHost = new CNADataSourceDescription(nullptr, nullptr);
    pclHost->AddRef();
    pclHost->SetLogicalName(L"bin_fx");
    pclHost->bAddItem(L"code", nullptr, nullptr, 1, 6, NA_IT_BINAIRE, -1, -1, 0, 0, 0);
    pclHost->bAddItem(L"num", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
    pclHost->bAddItem(L"kc", nullptr, nullptr, 1, 0, NA_IT_BINAIRE, -1, 0, NA_KEY_COMPOSED | NA_KEY_DUPLICATES, 0, 0);
    pclHost->_bAddItemComponent(pclHost->pclGetItemNoRef(2), L"code");
    pclHost->_bAddItemComponent(pclHost->pclGetItemNoRef(2), L"num");
    pclHost->UpdateRecordSize();
    auto* pclRecord = new CNARecord(m_pclError, nullptr);
    pclRecord->AddRef();
    ASSERT_TRUE(pclRecord->bInitRecord(pclHost, pclHost, m_pclCnx));

    auto sCount = [](uint16_t w) { return std::string(reinterpret_cast<const char*>(&w), 2); };
    struct Case {
        const char* pszName;
        std::string sValue;
        std::string sCode;  // the binary part's bytes
        std::optional<int> nNum;
    };
    const Case tab[] = {
        {"two bytes of four", sCount(2) + std::string("xy\0\0", 4) + sInt(7), "xy", 7},
        {"a count beyond the part", sCount(60000) + "wxyz" + sInt(7), "wxyz", 7},
        {"a count beyond the value", sCount(60000) + "wx", "wx", std::nullopt},
        {"no room for the count", std::string(1, '\x02'), "", std::nullopt},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        m_pclSearch->__Init();
        const CAny cl = clBytes(c.sValue);
        ASSERT_TRUE(
            m_pclSearch->bSetRecherche(pclRecord, pclHost->pclNAGetItemNoRef(L"kc", 3), &cl, NA_PARSE_FIRST, 1, 0));
        CNACommand* pcl = pclCommand();
        ASSERT_TRUE(m_pclSearch->bGetSQL(pcl, nullptr, pclRecord));
        ASSERT_EQ(m_pclSearch->nGetNbParameter(), 2);
        CNAParameter* pclCode = m_pclSearch->pclGetParameter(0);
        CAny clCode;
        pclCode->pclGetValueNoRef()->bGetValue(&clCode);
        void* p = nullptr;
        unsigned long n = 0;
        clCode.pclGetValeur()->nGetDataAdr(&p);
        clCode.pclGetValeur()->nGetUtilDataSize(&n);
        EXPECT_EQ(std::string(static_cast<const char*>(p), p != nullptr ? n : 0), c.sCode);
        pclCode->nRelease();
        CNAParameter* pclNum = m_pclSearch->pclGetParameter(1);
        CAny clNum;
        pclNum->pclGetValueNoRef()->bGetValue(&clNum);
        // A part that could not be read is searched with its type's empty value.
        EXPECT_EQ(tBrut<int32_t>(clNum), c.nNum.value_or(0));
        pclNum->nRelease();
    }
    pclRecord->nRelease();
    pclHost->nRelease();
}

// An upper bound on a composite key (an integer, then a text) whose text ends in the largest
// character of its width reaches every text that begins with what comes before it; that character
// alone stands for the largest text, and the integer bounds alone.
TEST_F(NARechercheTest, UpperBoundTextEndingInTheLargestCharacter) {
    auto* pclHost = new CNADataSourceDescription(nullptr, nullptr);
    pclHost->AddRef();
    pclHost->SetLogicalName(L"upper_fx");
    pclHost->bAddItem(L"num", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
    pclHost->bAddItem(L"t", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, -1, 0, 0, 0);
    pclHost->bAddItem(L"w", nullptr, nullptr, 1, 22, NA_IT_UNICODE, -1, -1, 0, 0, 0);
    pclHost->bAddItem(L"knt", nullptr, nullptr, 1, 0, NA_IT_BINAIRE, -1, 0, NA_KEY_COMPOSED | NA_KEY_DUPLICATES, 0, 0);
    pclHost->_bAddItemComponent(pclHost->pclGetItemNoRef(3), L"num");
    pclHost->_bAddItemComponent(pclHost->pclGetItemNoRef(3), L"t");
    pclHost->bAddItem(L"knw", nullptr, nullptr, 1, 0, NA_IT_BINAIRE, -1, 1, NA_KEY_COMPOSED | NA_KEY_DUPLICATES, 0, 0);
    pclHost->_bAddItemComponent(pclHost->pclGetItemNoRef(4), L"num");
    pclHost->_bAddItemComponent(pclHost->pclGetItemNoRef(4), L"w");
    pclHost->UpdateRecordSize();
    auto* pclRecord = new CNARecord(m_pclError, nullptr);
    pclRecord->AddRef();
    ASSERT_TRUE(pclRecord->bInitRecord(pclHost, pclHost, m_pclCnx));

    auto sWide = [](const std::u16string& s) {
        return std::string(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t));
    };
    const std::u16string LARGEST(1, char16_t(0xFFFF));
    struct Case {
        const char* pszName;
        const wchar_t* pszItem;
        std::string sValue;
        int bBound;
        const wchar_t* pszWhere;
    };
    const Case tab[] = {
        {"8-bit: up to every (5, ab...)", L"knt", sInt(5) + "ab\xFF", 1,
         L"\"num\"<5 OR \"num\"=5 AND (\"t\"<'ab' OR \"t\" LIKE 'ab%' )"},
        {"8-bit, not a bound: up to every (5, ab...)", L"knt", sInt(5) + "ab\xFF", 0,
         L"\"num\"<5 OR \"num\"=5 AND (\"t\"<'ab' OR \"t\" LIKE 'ab%' )"},
        {"8-bit: up to (5, the largest text)", L"knt", sInt(5) + "\xFF", 1, L"\"num\"<=5"},
        {"8-bit: up to (5, ab)", L"knt", sInt(5) + "ab", 1, L"\"num\"<5 OR \"num\"=5 AND \"t\"<='ab'"},
        {"wide: up to every (5, ab...)", L"knw", sInt(5) + sWide(u"ab" + LARGEST), 1,
         L"\"num\"<5 OR \"num\"=5 AND (\"w\"<'ab' OR \"w\" LIKE 'ab%' )"},
        {"wide: up to (5, the largest text)", L"knw", sInt(5) + sWide(LARGEST), 1, L"\"num\"<=5"},
        {"wide: up to (5, ab)", L"knw", sInt(5) + sWide(u"ab"), 1, L"\"num\"<5 OR \"num\"=5 AND \"w\"<='ab'"},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        m_pclSearch->__Init();
        const CAny cl = clBytes(c.sValue);
        ASSERT_TRUE(m_pclSearch->bAddExpression(pclRecord, pclHost->pclNAGetItemNoRef(c.pszItem, 3), NAOP_LESSEQUAL,
                                                &cl, 0, NAOP_AND, c.bBound));
        EXPECT_EQ(sWhere(m_pclSearch, pclRecord), c.pszWhere);
    }
    pclRecord->nRelease();
    pclHost->nRelease();
}

TEST_F(NARechercheTest, BrowsingOnPastTheEqualRecords) {
    const CAny cl = []() {
        CAny c;
        c.SetI4(5);
        return c;
    }();
    EXPECT_EQ(m_pclSearch->bPeutContinuerParcours(0), 0);  // inactive
    ASSERT_TRUE(m_pclSearch->bSetRecherche(m_pclRecord, piItem(L"n"), &cl, NA_PARSE_FIRST, 1, 0));
    EXPECT_EQ(m_pclSearch->bHTrouve(), 1);
    EXPECT_EQ(m_pclSearch->bPeutContinuerParcours(0), 1);
    EXPECT_EQ(m_pclSearch->bPeutContinuerParcours(1), 1);
    // Forward past the equal records: the greater ones; only the other way leads back.
    ASSERT_TRUE(m_pclSearch->bSetContinueParcours(0));
    EXPECT_EQ(m_pclSearch->eGetState(), CNARecherche::STATE_CONTINUE);
    EXPECT_EQ(m_pclSearch->bHTrouve(), 0);
    EXPECT_EQ(m_pclSearch->bPeutContinuerParcours(0), 0);
    EXPECT_EQ(m_pclSearch->bPeutContinuerParcours(1), 1);
    EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), L"(\"n\">5 OR \"n\" IS NULL)");
    ASSERT_TRUE(m_pclSearch->bReviensParcoursPrecedent(1));
    EXPECT_EQ(m_pclSearch->eGetState(), CNARecherche::STATE_EQUAL);
    EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), L"\"n\"=5");
    m_pclSearch->Cancel();
    m_pclSearch->bSetContinueParcours(1);
    EXPECT_EQ(m_pclSearch->bHTrouve(), 1);  // the found flag kept after a cancel
    EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), L"\"n\"<5");
    m_pclSearch->Desactivate();
    EXPECT_EQ(m_pclSearch->bPeutContinuerParcours(1), 0);
    EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), L"");

    // On a unique item that holds no NULL the continuations compare the same column.
    CAny clId;
    clId.SetI4(3);
    ASSERT_TRUE(m_pclSearch->bSetRecherche(m_pclRecord, piItem(L"id"), &clId, NA_PARSE_FIRST, 1, 0));
    m_pclSearch->bSetContinueParcours(0);
    EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), L"\"id\">3");
    // A condition that holds for every row adds nothing: back on the equal records.
    CAny clEmpty;
    SetDSTRA(&clEmpty, "");
    ASSERT_TRUE(m_pclSearch->bAddExpression(m_pclRecord, piItem(L"t"), NAOP_GREATEREQUAL, &clEmpty, 0, NAOP_AND, 0));
    EXPECT_EQ(m_pclSearch->eGetState(), CNARecherche::STATE_EQUAL);
    EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), L"\"id\"=3");
    // Joined to the conditions otherwise.
    CAny clTwo;
    clTwo.SetI4(2);
    ASSERT_TRUE(m_pclSearch->bAddExpression(m_pclRecord, piItem(L"k2"), NAOP_EQUAL, &clTwo, 0, NAOP_AND, 0));
    EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), L"\"id\"=3 AND \"k2\"=2");
}

TEST_F(NARechercheTest, EqualityAndCopies) {
    CAny clFive, clSix;
    clFive.SetI4(5);
    clSix.SetI4(6);
    CNARecherche* pclOther = new CNARecherche(m_pclError, m_pclCnx);
    pclOther->AddRef();
    EXPECT_EQ(CNARecherche::g_bEqualsSearch(nullptr, nullptr), 1);
    EXPECT_EQ(CNARecherche::g_bEqualsSearch(nullptr, m_pclSearch), 1);  // inactive
    ASSERT_TRUE(m_pclSearch->bSetRecherche(m_pclRecord, piItem(L"n"), &clFive, NA_PARSE_FIRST, 1, 0));
    EXPECT_EQ(CNARecherche::g_bEqualsSearch(m_pclSearch, nullptr), 0);
    ASSERT_TRUE(pclOther->bSetRecherche(m_pclRecord, piItem(L"n"), &clFive, NA_PARSE_FIRST, 1, 0));
    EXPECT_EQ(m_pclSearch->bEqualsSearch(pclOther), 1);
    ASSERT_TRUE(pclOther->bSetRecherche(m_pclRecord, piItem(L"n"), &clSix, NA_PARSE_FIRST, 1, 0));
    EXPECT_EQ(m_pclSearch->bEqualsSearch(pclOther), 0);
    ASSERT_TRUE(pclOther->bSetRecherche(m_pclRecord, piItem(L"k2"), &clFive, NA_PARSE_FIRST, 1, 0));
    EXPECT_EQ(m_pclSearch->bEqualsSearch(pclOther), 0);
    ASSERT_TRUE(pclOther->bSetRecherche(m_pclRecord, piItem(L"n"), &clFive, NA_PARSE_FIRST, 0, 0));
    EXPECT_EQ(m_pclSearch->bEqualsSearch(pclOther), 0);  // generic
    pclOther->nRelease();

    // A copy shares the conditions and the parameters written (not the searched item): it writes
    // the same text, and moves on on its own.
    sWhere(m_pclSearch, m_pclRecord);
    CNARecherche* pclClone = m_pclSearch->pclClone();
    ASSERT_NE(pclClone, nullptr);
    pclClone->AddRef();
    EXPECT_EQ(pclClone->pclGetExpressionNoRef(0), m_pclSearch->pclGetExpressionNoRef(0));
    EXPECT_EQ(pclClone->nGetNbParameter(), 1);
    EXPECT_EQ(pclClone->piGetFetchItemNoRef(), nullptr);
    EXPECT_EQ(sWhere(pclClone, m_pclRecord), L"\"n\"=5");
    pclClone->bSetContinueParcours(0);
    EXPECT_EQ(sWhere(pclClone, m_pclRecord), L"(\"n\">5 OR \"n\" IS NULL)");
    EXPECT_EQ(sWhere(m_pclSearch, m_pclRecord), L"\"n\"=5");
    pclClone->nRelease();
}

TEST_F(NARechercheTest, ExtremeValuesOfTheTypes) {
    struct Case {
        const char* pszName;
        std::function<void(CAny*)> fnType;
        std::function<std::string(const CAny&)> fnRead;
        std::string sMin, sMax;
    };
    auto Raw = [](auto t) { return [](const CAny& cl) { return std::to_string(tBrut<decltype(t)>(cl)); }; };
    auto TextA = [](const CAny& cl) { return sTexteA(cl); };
    const Case tab[] = {
        {"boolean", [](CAny* p) { p->SetBOOL(0); }, Raw(int32_t()), "0", "1"},
        {"unsigned 8-bit", [](CAny* p) { p->SetUI1(7); }, Raw(uint8_t()), "0", "255"},
        {"unsigned 32-bit", [](CAny* p) { p->SetUI4(7); }, Raw(uint32_t()), "0", "4294967295"},
        {"unsigned 64-bit", [](CAny* p) { p->SetUI8(7); }, Raw(uint64_t()), "0", "18446744073709551615"},
        {"signed 8-bit", [](CAny* p) { p->SetI1(7); }, Raw(int8_t()), "-128", "127"},
        {"signed 16-bit", [](CAny* p) { p->SetI2(7); }, Raw(int16_t()), "-32768", "32767"},
        {"signed 32-bit", [](CAny* p) { p->SetI4(7); }, Raw(int32_t()), "-2147483648", "2147483647"},
        {"signed 64-bit", [](CAny* p) { p->SetI8(7); }, Raw(int64_t()), "-9223372036854775808", "9223372036854775807"},
        {"8-bit date text", [](CAny* p) { p->SetDATEA("20200101"); }, TextA, "", "30001231"},
        {"8-bit time text", [](CAny* p) { p->SetTIMEA("1200"); }, TextA, "0000", "235959999"},
        {"date-time",
         [](CAny* p) {
             CDateTime cl;
             cl.bModifieAnnee(2020);
             p->SetDATETIME(cl);
         },
         [](const CAny& cl) {
             const CDateTime d = tBrut<CDateTime>(cl);
             return std::to_string(d.nGetAnnee()) + "-" + std::to_string(d.nGetMois()) + "-" +
                    std::to_string(d.nGetJour()) + " " + std::to_string(d.nGetHeure());
         },
         "0-0-0 0", "3000-12-31 0"},
        {"duration",
         [](CAny* p) {
             CDuree cl(5);
             p->SetDUREE(&cl);
         },
         [](const CAny& cl) { return std::to_string(tBrut<int64_t>(cl)); }, "-9223372036854775808",
         "9223372036854775807"},
    };
    for (const Case& c : tab) {
        CAny cl;
        c.fnType(&cl);
        CNARecherche::s_SetAnyToMin(&cl);
        EXPECT_EQ(c.fnRead(cl), c.sMin) << c.pszName;
        CNARecherche::s_SetAnyToMax(&cl);
        EXPECT_EQ(c.fnRead(cl), c.sMax) << c.pszName;
    }
    // Money starts its range at 0 and ends it at the largest amount.
    CAny clMoney;
    clMoney.SetCY(gstMillion);
    CNARecherche::s_SetAnyToMin(&clMoney);
    EXPECT_EQ(clMoney.nGetTypeCode(), VQTYPE_CY);
    CMoney cy = tBrut<CMoney>(clMoney);
    for (uint16_t w : cy.m_awMot) EXPECT_EQ(w, 0);
    CNARecherche::s_SetAnyToMax(&clMoney);
    cy = tBrut<CMoney>(clMoney);
    for (int i = 0; i < 4; i++) EXPECT_EQ(cy.m_awMot[i], 0xFFFF);
    EXPECT_EQ(cy.m_awMot[4], 0x7FFF);
}
