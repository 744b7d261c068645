// Query parameters and output defines: binding to columns and items, the direction text of dumps,
// equality and clones, server type information, file values; defines over a column or a named
// converter.
#include "native/model/NAParameter.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/XYStringConcat.h"
#include "native/model/NADefine.h"
#include "tests/host/StandInParsedQuery.h"
#include "tests/host/TempDir.h"
#include "tests/model/RecordFixture.h"

namespace {

class NAParameterTest : public RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        Build();
    }
    // A parameter with one reference, released by the fixture.
    CNAParameter* pclParam(CNAConvertVariant* pclValue, unsigned long nPosition = 7, unsigned nFlags = 0,
                           const wchar_t* pszName = L"p") {
        auto* pcl = new CNAParameter(pclValue, nPosition, nFlags, pszName);
        pcl->AddRef();
        m_tab.push_back(pcl);
        return pcl;
    }
    CNAConvertVariant* pclValue(int n) {
        auto* pcl = new CNAConvertVariant(nullptr, nullptr);
        pcl->InitTypeVariantAny(VQTYPE_I4, 0);
        pcl->bSetValue(n);
        m_tabValues.push_back(pcl);
        pcl->AddRef();
        return pcl;
    }
    void TearDown() override {
        for (auto* pcl : m_tab) pcl->nRelease();
        for (auto* pcl : m_tabValues) pcl->nRelease();
        RecordTest::TearDown();
    }
    std::vector<CNAParameter*> m_tab;
    std::vector<CNAConvertVariant*> m_tabValues;
};

TEST_F(NAParameterTest, DirectionTextOfDumps) {
    struct Case {
        unsigned nDirection;
        const wchar_t* pszExpected;
    };
    const Case tab[] = {{1, L"(IN)"},         {2, L"(OUT)"},           {3, L"(IN|OUT)"}, {4, L"(RETURN)"},
                        {6, L"(OUT|RETURN)"}, {7, L"(IN|OUT|RETURN)"}, {0, L"()"},       {8, L"()"}};
    CNAParameter* pcl = pclParam(nullptr);
    CXYStringConcat<wchar_t> cl;
    for (const auto& c : tab) {
        cl.Add(L"stale");
        pcl->SetDirection(c.nDirection);
        pcl->TypeParam2String(&cl);
        EXPECT_STREQ(cl.pszGet(), c.pszExpected) << c.nDirection;
    }
}

// The host's parameter values say, by name, which parameters come back out of the query.
TEST_F(NAParameterTest, OutParametersAsTheHostNamesThem) {
    standin::CStandInQueryParameters clValues;
    clValues.m_mapDirections = {{L"pin", 1}, {L"pout", 2}, {L"pboth", 3}, {L"pret", 4}};
    struct Case {
        const wchar_t* pszName;
        bool bOut;
    };
    const Case tab[] = {{L"pin", false}, {L"pout", true}, {L"pboth", true}, {L"pret", false}, {L"unknown", false}};
    for (const auto& c : tab) {
        CNAParameter* pcl = pclParam(nullptr, 0, 0, c.pszName);
        EXPECT_EQ(pcl->bIsParamOUT(&clValues), c.bOut) << c.pszName;
        EXPECT_FALSE(pcl->bIsParamOUT(nullptr));
    }
    // The parameter's own direction is not what is asked.
    CNAParameter* pcl = pclParam(nullptr, 0, 0, L"pin");
    pcl->SetDirection(CNAParameter::NAPARAM_OUT);
    EXPECT_FALSE(pcl->bIsParamOUT(&clValues));
}

TEST_F(NAParameterTest, DefaultsColumnsAndItems) {
    CNAConvertVariant* pclV = pclValue(5);
    CNAParameter* pcl = pclParam(pclV, 12, CNAParameter::NAPARAM_FLAG_LIKE, L"nom");
    EXPECT_EQ(pclV->nGetRef(), 2u);
    EXPECT_EQ(pcl->eGetDirection(), CNAParameter::NAPARAM_IN);
    EXPECT_EQ(pcl->eGetOperator(), -1);
    EXPECT_EQ(pcl->nGetMode(), 0u);
    EXPECT_EQ(pcl->cGetEscape(), 0);
    EXPECT_FALSE(pcl->bIsText());
    EXPECT_FALSE(pcl->bCaseInSensitiveLIKE());

    CNAColumn* pclNom = pclCol(L"nom");
    const unsigned nRef = pclNom->nGetRef();
    pcl->SetColum(pclNom);
    EXPECT_EQ(pclNom->nGetRef(), nRef + 1);
    EXPECT_EQ(pcl->piGetItemNoRef(), pclNom->piGetItemNoRef());
    EXPECT_TRUE(pcl->bIsText());
    EXPECT_FALSE(pcl->bIsTextUnicode());
    EXPECT_FALSE(pcl->bIsDate());
    pcl->SetColum(pclCol(L"naissance"));
    EXPECT_EQ(pclNom->nGetRef(), nRef);
    EXPECT_TRUE(pcl->bIsDate());
    eNA_ITEMTYPE eDB, eAnalyse;
    EXPECT_TRUE(pcl->bGetVQTypeInfo(&eDB, &eAnalyse));
    EXPECT_EQ(eDB, NA_IT_DATE8);
    EXPECT_EQ(eAnalyse, NA_IT_DATE8);
    pcl->SetColum(nullptr);
    EXPECT_EQ(pcl->piGetItemNoRef(), nullptr);
    EXPECT_TRUE(pcl->bGetVQTypeInfo(&eDB, &eAnalyse) == false);  // a bare value knows no item
}

TEST_F(NAParameterTest, ServerTypeInformation) {
    struct Case {
        const wchar_t* pszColumn;
        bool bOk;
        eNA_ITEMTYPE eType;
        int nCode, nSize;
    };
    const Case tab[] = {
        {L"nom", true, NA_IT_TEXTE, 1043, 10},
        {L"notes", true, NA_IT_MEMOTEXTE, 25, -1},  // a memo has no size
        {L"code", true, NA_IT_BINAIRE, 17, 4},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(c.pszColumn);
        CNAParameter* pcl = pclParam(pclValue(0));
        pcl->SetColum(pclCol(c.pszColumn));
        eNA_ITEMTYPE e;
        int nCode, nSize, nPrecision, nScale;
        EXPECT_EQ(pcl->bGetDBType(&e, &nCode, &nSize, &nPrecision, &nScale), c.bOk);
        EXPECT_EQ(e, c.eType);
        EXPECT_EQ(nCode, c.nCode);
        EXPECT_EQ(nSize, c.nSize);
    }
    CNAParameter* pcl = pclParam(pclValue(0));
    eNA_ITEMTYPE e = NA_IT_TEXTE;
    int nCode = 1, nSize = 1, nPrecision = 1, nScale = 1;
    EXPECT_FALSE(pcl->bGetDBType(&e, &nCode, &nSize, &nPrecision, &nScale));
    EXPECT_EQ(e, NA_IT_EMPTY);
    EXPECT_EQ(nSize, 0);
}

TEST_F(NAParameterTest, EqualityAndClones) {
    CNAConvertVariant* pclV = pclValue(5);
    CNAParameter* pclA = pclParam(pclV, 3, 0, L"a");
    pclA->SetColum(pclCol(L"nom"));
    pclA->SetEscape(L'\\');
    pclA->SetOperator(4);
    CNAParameter* pclClone = pclA->pclGetClone();
    ASSERT_NE(pclClone, nullptr);
    pclClone->AddRef();
    m_tab.push_back(pclClone);
    EXPECT_EQ(pclClone->pclGetValueNoRef(), pclV);  // the value is shared
    EXPECT_EQ(pclClone->pclGetColumnNoRef(), pclA->pclGetColumnNoRef());
    EXPECT_EQ(pclClone->cGetEscape(), L'\\');
    EXPECT_EQ(pclClone->eGetOperator(), -1);  // operator, mode and direction are the defaults
    EXPECT_TRUE(pclA->bEqualsParameter(pclClone));
    pclA->SetDirection(CNAParameter::NAPARAM_OUT);
    CNAParameter* pclClone2 = pclA->pclGetClone();
    pclClone2->AddRef();
    m_tab.push_back(pclClone2);
    EXPECT_FALSE(pclA->bEqualsParameter(pclClone2));  // a clone of an out parameter is an in one

    // Equal values in different converters are equal; different positions are not.
    CNAParameter* pclB = pclParam(pclValue(5), 3, 0, L"b");
    pclB->SetColum(pclCol(L"nom"));
    pclB->SetEscape(L'\\');
    pclA->SetDirection(CNAParameter::NAPARAM_IN);
    EXPECT_TRUE(pclA->bEqualsParameter(pclB));
    pclB->SetPosition(4);
    EXPECT_FALSE(pclA->bEqualsParameter(pclB));
    EXPECT_FALSE(pclA->bEqualsParameter(pclParam(pclValue(6), 3, 0, L"c")));
    EXPECT_TRUE(pclA->bEqualsParameter(pclA));
}

TEST_F(NAParameterTest, ValuesNamingAFile) {
    CTempDir clDir;
    ASSERT_TRUE(clDir.bMade());
    {
        std::ofstream os(clDir.sPath() + "/v.txt", std::ios::binary);
        os << "valeur";
    }
    for (unsigned nFlags : {CNAParameter::NAPARAM_FLAG_FILE | CNAParameter::NAPARAM_FLAG_TEXTFILE,
                            static_cast<unsigned>(CNAParameter::NAPARAM_FLAG_FILE)}) {
        auto* pclV = new CNAConvertVariant(nullptr, nullptr);
        pclV->AddRef();
        m_tabValues.push_back(pclV);
        pclV->InitTypeVariantAny(VQTYPE_DSTRW, 0);
        const std::wstring ws = clDir.wsPath() + L"/v.txt";
        pclV->bSetValue(ws.c_str(), ws.size());
        CNAParameter* pcl = pclParam(pclV, 0, nFlags);
        ASSERT_TRUE(pcl->bLoadFile(m_pclErr));
        EXPECT_EQ(pcl->nGetFlags() & CNAParameter::NAPARAM_FLAG_FILE, 0u);
        const bool bTexte = (nFlags & CNAParameter::NAPARAM_FLAG_TEXTFILE) != 0;
        EXPECT_EQ(pclV->pclGetValue()->nGetTypeCode(), bTexte ? VQTYPE_DSTRA : VQTYPE_BIN);
        unsigned long n = 0;
        pclV->pclGetValue()->pclGetValeur()->nGetUtilDataSize(&n);
        EXPECT_EQ(n, 6u);
    }
}

TEST_F(NAParameterTest, DefinesOverAColumnOrANamedConverter) {
    CNAColumn* pclNom = pclCol(L"nom");
    const unsigned nColRef = pclNom->nGetRef();
    const unsigned nValRef = pclNom->pclGetNAValue()->nGetRef();
    {
        auto* pcl = new CNADefine(pclNom);
        pcl->AddRef();
        EXPECT_STREQ(pcl->pszGetName(), L"nom");
        EXPECT_EQ(pcl->pclGetValueNoRef(), pclNom->pclGetNAValue());
        EXPECT_EQ(pclNom->nGetRef(), nColRef + 1);
        EXPECT_EQ(pclNom->pclGetNAValue()->nGetRef(), nValRef + 1);
        EXPECT_EQ(pcl->bIsCursor(), 0);
        pcl->nRelease();
    }
    EXPECT_EQ(pclNom->nGetRef(), nColRef);
    EXPECT_EQ(pclNom->pclGetNAValue()->nGetRef(), nValRef);

    auto* pclV = new CNAConvertVariant(nullptr, &m_clCnx);
    pclV->AddRef();
    auto* pcl = new CNADefine(L"retour", pclV);
    pcl->AddRef();
    EXPECT_STREQ(pcl->pszGetName(), L"retour");
    EXPECT_EQ(pcl->pclGetCnx(), &m_clCnx);
    EXPECT_EQ(pclV->nGetRef(), 2u);
    pcl->nRelease();
    EXPECT_EQ(pclV->nGetRef(), 1u);
    pclV->nRelease();

    CNADefine clVide(static_cast<CNAColumn*>(nullptr));
    EXPECT_STREQ(clVide.pszGetName(), L"");
    EXPECT_EQ(clVide.pclGetCnx(), nullptr);
}

}  // namespace
