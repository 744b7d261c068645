// The classes of the variant that hold something outside the value area: decimal objects of the
// host's factory, counted objects of the library's kind, host objects, arrays of values and
// borrowed buffers: references taken and given back, copies, and what each data view answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/KXUnknown.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"
#include "variant/Any_VQDECIMAL.h"
#include "variant/Any_VQObjetHote.h"
#include "variant/Any_VQTABANY.h"
#include "variant/VQConv.h"

namespace {

void* pCellule(const CAny& cl) {
    return cl.pclGetValeur()->_pGetPointeur();
}

// A counted object of the library's kind that tells when it goes.
class CCompteTest : public CKXUnknown {
public:
    explicit CCompteTest(bool* pbDetruit) : CKXUnknown(1), m_pbDetruit(pbDetruit) {}
    ~CCompteTest() override { *m_pbDetruit = true; }

private:
    bool* m_pbDetruit;
};

// A host object: counts its references and answers its 50th operation.
#define RESERVE(n) \
    void vReserve##n() override {}
class CObjetHoteTest : public IObjetVQ {
public:
    int m_nRef = 1;
    int m_nTraitement = 0;
    void vAddRef() override { m_nRef++; }
    void vRelease() override { m_nRef--; }
    RESERVE(3);
    RESERVE(4);
    RESERVE(5);
    RESERVE(6);
    RESERVE(7);
    RESERVE(8);
    RESERVE(9);
    RESERVE(10);
    RESERVE(11);
    RESERVE(12);
    RESERVE(13);
    RESERVE(14);
    RESERVE(15);
    RESERVE(16);
    RESERVE(17);
    RESERVE(18);
    RESERVE(19);
    RESERVE(20);
    RESERVE(21);
    RESERVE(22);
    RESERVE(23);
    RESERVE(24);
    RESERVE(25);
    RESERVE(26);
    RESERVE(27);
    RESERVE(28);
    RESERVE(29);
    RESERVE(30);
    RESERVE(31);
    RESERVE(32);
    RESERVE(33);
    RESERVE(34);
    RESERVE(35);
    RESERVE(36);
    RESERVE(37);
    RESERVE(38);
    RESERVE(39);
    RESERVE(40);
    RESERVE(41);
    RESERVE(42);
    RESERVE(43);
    RESERVE(44);
    RESERVE(45);
    RESERVE(46);
    RESERVE(47);
    RESERVE(48);
    RESERVE(49);
    void* vpiGetTraitement() override {
        m_nTraitement++;
        return &m_nTraitement;
    }
};
#undef RESERVE

class AnyVQObjetTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
    }
    void TearDown() override {
        CVQConv::s_Reset();
        EXPECT_EQ(standin::nGetLiveDecimals(), 0);
    }
};

// ---------------------------------------------------------------------------------------------------
// Decimals
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQObjetTest, DecimalObjectsComeFromAndGoBackToTheFactory) {
    CVQConv::s_piDecimalFactory = standin::piGetDecimalFactory();
    {
        CAny cl;
        cl.__SetType(VQTYPE_DECIMAL, 0);
        ASSERT_NE(pCellule(cl), nullptr);
        EXPECT_EQ(standin::nGetLiveDecimals(), 1);

        IDecimalVQ* piSource = standin::piNewDecimal(-42);
        cl.pclGetValeur()->SetValue(piSource);  // copied, not kept
        EXPECT_NE(pCellule(cl), piSource);
        EXPECT_EQ(standin::nGetDecimalValue(static_cast<IDecimalVQ*>(pCellule(cl))), -42);
        standin::piGetDecimalFactory()->vReleaseDecimal(piSource);
        EXPECT_EQ(cl.pclGetValeur()->bIsPositive(), 0);

        cl.SetNull(1);
        CAny clCopie(cl);
        EXPECT_EQ(clCopie.nGetType(), VQTYPE_DECIMAL | VQTYPE_FLAG_NULL);
        EXPECT_NE(pCellule(clCopie), pCellule(cl));
        EXPECT_EQ(standin::nGetDecimalValue(static_cast<IDecimalVQ*>(pCellule(clCopie))), -42);
        EXPECT_EQ(standin::nGetLiveDecimals(), 2);

        void* p = &cl;
        EXPECT_EQ(cl.pclGetValeur()->nGetDataAdr(&p), 105);
        EXPECT_EQ(p, nullptr);
        void* pPointeur = nullptr;
        EXPECT_EQ(cl.pclGetValeur()->nFillBuffer(&pPointeur), 0);
        EXPECT_EQ(pPointeur, pCellule(cl));
        unsigned char aby[18] = {};
        EXPECT_EQ(cl.pclGetValeur()->nFillDataBuffer(aby), 0);

        // Back to a number: the decimal is released by the type change.
        clCopie.SetI4(1);
        EXPECT_EQ(standin::nGetLiveDecimals(), 1);
    }
    EXPECT_EQ(standin::nGetLiveDecimals(), 0);
}

TEST_F(AnyVQObjetTest, DecimalWithoutAFactoryHoldsNothingAndStaysSafe) {
    CAny cl;
    cl.__SetType(VQTYPE_DECIMAL, 0);
    EXPECT_EQ(pCellule(cl), nullptr);
    unsigned char aby[18] = {};
    EXPECT_EQ(cl.pclGetValeur()->nFillDataBuffer(aby), 102);
    cl.pclGetValeur()->SetValue(aby, 18);
    EXPECT_EQ(cl.pclGetValeur()->bIsPositive(), 1);
    CAny clCopie(cl);
    EXPECT_EQ(clCopie.nGetType(), VQTYPE_DECIMAL);
}

// ---------------------------------------------------------------------------------------------------
// Counted objects (30, 50, 65)
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQObjetTest, CountedObjectsAreSharedByReference) {
    for (unsigned short nType : {VQTYPE_MEMOIMG, VQTYPE_CONVOYEUR, VQTYPE_POLICE}) {
        SCOPED_TRACE(nType);
        bool bDetruit = false;
        auto* pcl = new CCompteTest(&bDetruit);
        {
            CAny cl;
            cl.__SetType(nType, 0);
            cl.pclGetValeur()->SetValue(pcl);
            EXPECT_EQ(pcl->dwGetRef(), 2u);
            cl.SetFlags(VQTYPE_FLAG_0400);
            CAny clCopie(cl);
            EXPECT_EQ(pCellule(clCopie), pcl);
            EXPECT_EQ(clCopie.nGetType(), nType | VQTYPE_FLAG_0400);
            EXPECT_EQ(pcl->dwGetRef(), 3u);
            void* p = nullptr;
            cl.pclGetValeur()->nFillDataBuffer(&p);
            EXPECT_EQ(p, pcl);
            EXPECT_EQ(pcl->dwGetRef(), 3u);  // no reference for the caller

            // Set again with the object it holds, then with none: the count stays right.
            cl.pclGetValeur()->SetValue(pcl);
            EXPECT_EQ(pcl->dwGetRef(), 3u);
            cl.pclGetValeur()->SetValue(nullptr);
            EXPECT_EQ(pcl->dwGetRef(), 2u);
        }
        EXPECT_EQ(pcl->dwGetRef(), 1u);
        EXPECT_FALSE(bDetruit);
        pcl->dwRelease();
        EXPECT_TRUE(bDetruit);
    }
}

TEST_F(AnyVQObjetTest, LastReferenceHeldByAValueDestroysTheObject) {
    bool bDetruit = false;
    auto* pcl = new CCompteTest(&bDetruit);
    CAny cl;
    cl.__SetType(VQTYPE_MEMOIMG, 0);
    cl.pclGetValeur()->SetValue(pcl);
    pcl->dwRelease();
    EXPECT_FALSE(bDetruit);
    cl.SetI4(0);
    EXPECT_TRUE(bDetruit);
}

// A raw value the host hands over in the type the value already has: the object held so far is
// given back, the new one is taken over without a reference of its own.
TEST_F(AnyVQObjetTest, TransferIntoTheSameTypeGivesBackTheObjectHeld) {
    for (unsigned short nType : {uint16_t{VQTYPE_MEMOIMG}, uint16_t{VQTYPE_MEMOIMG | VQTYPE_FLAG_NULL}}) {
        SCOPED_TRACE(nType);
        bool bAncienDetruit = false, bNouveauDetruit = false;
        auto* pclAncien = new CCompteTest(&bAncienDetruit);
        auto* pclNouveau = new CCompteTest(&bNouveauDetruit);
        CAny cl;
        cl.__SetType(VQTYPE_MEMOIMG, 0);
        cl.pclGetValeur()->SetValue(pclAncien);
        pclAncien->dwRelease();
        cl.SetFlags(nType & VQTYPE_FLAG_NULL);

        unsigned char abyHote[VQTAILLE_VALEUR] = {};
        memcpy(abyHote, &pclNouveau, sizeof(pclNouveau));
        cl.__TransfertValeurInterne(nType, abyHote);
        EXPECT_TRUE(bAncienDetruit);
        EXPECT_EQ(cl.nGetType(), nType);
        EXPECT_EQ(pCellule(cl), pclNouveau);
        EXPECT_EQ(pclNouveau->dwGetRef(), 1u);
        cl.SetI4(0);
        EXPECT_TRUE(bNouveauDetruit);
    }
}

// ---------------------------------------------------------------------------------------------------
// Host objects (108, 141-143, 111)
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQObjetTest, HostObjectsTakeAndDropReferencesThroughTheirOperations) {
    CObjetHoteTest clA, clB;
    {
        CAny cl;
        cl.__SetType(VQTYPE_OBJET_142, 0);
        cl.pclGetValeur()->SetValue(&clA);
        EXPECT_EQ(clA.m_nRef, 2);
        cl.pclGetValeur()->SetValue(&clB);
        EXPECT_EQ(clA.m_nRef, 1);
        EXPECT_EQ(clB.m_nRef, 2);

        // A copy shares the object but neither flag, and a kind of 141-143 copies as 108.
        cl.SetFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
        CAny clCopie(cl);
        EXPECT_EQ(clCopie.nGetType(), VQTYPE_OBJET_BASE);
        EXPECT_EQ(pCellule(clCopie), &clB);
        EXPECT_EQ(clB.m_nRef, 3);

        CAny clDino;
        clDino.__SetType(VQTYPE_DINO, 0);
        clDino.pclGetValeur()->SetValue(&clA);
        clDino.SetNull(1);
        CAny clCopieDino;
        clCopieDino = clDino;
        EXPECT_EQ(clCopieDino.nGetType(), VQTYPE_DINO);
        EXPECT_EQ(clA.m_nRef, 3);
    }
    EXPECT_EQ(clA.m_nRef, 1);
    EXPECT_EQ(clB.m_nRef, 1);
}

TEST_F(AnyVQObjetTest, TraitementOnlyForAKind141Object) {
    CObjetHoteTest clObjet;
    CAny cl;
    EXPECT_EQ(cl.piGetTraitement(), nullptr);
    cl.__SetType(VQTYPE_OBJET_141, 0);
    EXPECT_EQ(cl.piGetTraitement(), nullptr);  // no object
    cl.pclGetValeur()->SetValue(&clObjet);
    EXPECT_EQ(cl.piGetTraitement(), &clObjet.m_nTraitement);
    EXPECT_EQ(clObjet.m_nTraitement, 1);
    cl.SetNull(1);
    EXPECT_EQ(cl.piGetTraitement(), nullptr);
    CAny clBase;
    clBase.__SetType(VQTYPE_OBJET_BASE, 0);
    clBase.pclGetValeur()->SetValue(&clObjet);
    EXPECT_EQ(clBase.piGetTraitement(), nullptr);
    EXPECT_EQ(clObjet.m_nTraitement, 1);
}

// ---------------------------------------------------------------------------------------------------
// Arrays of values
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQObjetTest, ArraysCopyTheirElements) {
    const long nAvant = standin::nGetLiveBlocks();
    CAny atab[2];
    atab[0].SetI4(7);
    atab[1].__SetType(VQTYPE_DSTRA, 0);
    atab[1].pclGetValeur()->SetValue("element", 7);
    atab[1].SetNull(1);

    CAny cl;
    cl.__SetType(VQTYPE_TABANY, 0);
    cl.pclGetValeur()->SetValue(atab, 2);
    auto* pclTab = static_cast<CAny_VQTABANY*>(cl.pclGetValeur());
    ASSERT_EQ(pclTab->nGetNbAny(), 2u);
    CAny* ptab = pclTab->ptabGet();
    ASSERT_NE(ptab, atab);
    EXPECT_EQ(ptab[0].nGetType(), VQTYPE_I4);
    EXPECT_EQ(ptab[1].nGetType(), VQTYPE_DSTRA | VQTYPE_FLAG_NULL);
    EXPECT_EQ(pCellule(ptab[1]), pCellule(atab[1]));  // the string is shared
    EXPECT_EQ(standin::nGetLiveBlocks(), nAvant + 1);

    unsigned long n = 0;
    void* p = nullptr;
    EXPECT_EQ(cl.pclGetValeur()->nGetDataSize(&n), 0);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(cl.pclGetValeur()->nGetDataAdr(&p), 0);
    EXPECT_EQ(p, ptab);
    EXPECT_EQ(cl.pclGetValeur()->nFillBuffer(&p), 0);
    EXPECT_EQ(p, ptab);
    unsigned char aby[8];
    EXPECT_EQ(cl.pclGetValeur()->nFillDataBuffer(aby), 105);
    EXPECT_EQ(cl.pclGetValeur()->nFillUtilDataBuffer(aby), 105);

    // A copy of the array is an array of copies.
    CAny clCopie(cl);
    auto* pclCopie = static_cast<CAny_VQTABANY*>(clCopie.pclGetValeur());
    ASSERT_EQ(pclCopie->nGetNbAny(), 2u);
    EXPECT_NE(pclCopie->ptabGet(), ptab);
    EXPECT_EQ(pclCopie->ptabGet()[0].nGetType(), VQTYPE_I4);

    // Set from one of its own elements: the copy is made before the old array goes.
    cl.pclGetValeur()->SetValue(&ptab[1]);
    ASSERT_EQ(pclTab->nGetNbAny(), 1u);
    EXPECT_EQ(pclTab->ptabGet()[0].nGetType(), VQTYPE_DSTRA | VQTYPE_FLAG_NULL);

    cl.SetI4(0);
    clCopie.SetI4(0);
    atab[1].SetI4(0);
    EXPECT_EQ(standin::nGetLiveBlocks(), nAvant);
}

// A value assigned from a value that lives inside its own array, or inside an array nested in it:
// the source must be read before the array that holds it is released.
TEST_F(AnyVQObjetTest, AssignmentFromInsideTheTargetsOwnArray) {
    const long nAvant = standin::nGetLiveBlocks();
    enum eSource { ELEMENT, TABLEAU_IMBRIQUE, ELEMENT_IMBRIQUE };
    struct Case {
        const char* pszNom;
        eSource eQuelle;
        bool bParDuplique;  // the source's own copy operation rather than the assignment
        unsigned short nTypeAttendu;
        const char* pszAttendu;  // the 8-bit text of the copy, or of its only element
    } aCases[] = {
        {"element, assignment", ELEMENT, false, VQTYPE_DSTRA | VQTYPE_FLAG_NULL, "element"},
        {"element, Duplique", ELEMENT, true, VQTYPE_DSTRA | VQTYPE_FLAG_NULL, "element"},
        {"nested array, assignment", TABLEAU_IMBRIQUE, false, VQTYPE_TABANY, "nested"},
        {"nested array, Duplique", TABLEAU_IMBRIQUE, true, VQTYPE_TABANY, "nested"},
        {"element of the nested array, assignment", ELEMENT_IMBRIQUE, false, VQTYPE_DSTRA, "nested"},
        {"element of the nested array, Duplique", ELEMENT_IMBRIQUE, true, VQTYPE_DSTRA, "nested"},
    };
    auto ptabDe = [](const CAny& cl) { return static_cast<const CAny_VQTABANY*>(cl.pclGetValeur())->ptabGet(); };
    auto sTexte = [](const CAny& cl) {
        const char* psz = nullptr;
        return cl.pclGetValeur()->nGetPCASTR(&psz) == 0 ? std::string(psz) : std::string("<none>");
    };
    for (const Case& c : aCases) {
        CAny clCible;
        {
            // The target is the array { I4 7, NULL DSTRA "element", array { DSTRA "nested" } }.
            CAny atabImbrique[1];
            atabImbrique[0].__SetType(VQTYPE_DSTRA, 0);
            atabImbrique[0].pclGetValeur()->SetValue("nested", 6);
            CAny atab[3];
            atab[0].SetI4(7);
            atab[1].__SetType(VQTYPE_DSTRA, 0);
            atab[1].pclGetValeur()->SetValue("element", 7);
            atab[1].SetNull(1);
            atab[2].__SetType(VQTYPE_TABANY, 0);
            atab[2].pclGetValeur()->SetValue(atabImbrique, 1);
            clCible.__SetType(VQTYPE_TABANY, 0);
            clCible.pclGetValeur()->SetValue(atab, 3);
        }
        CAny* ptab = ptabDe(clCible);
        const CAny& clSource = c.eQuelle == ELEMENT            ? ptab[1]
                               : c.eQuelle == TABLEAU_IMBRIQUE ? ptab[2]
                                                               : ptabDe(ptab[2])[0];
        if (c.bParDuplique)
            clSource.pclGetValeur()->Duplique(&clCible);
        else
            clCible = clSource;
        EXPECT_EQ(clCible.nGetType(), c.nTypeAttendu) << c.pszNom;
        const CAny& clTexte = c.eQuelle == TABLEAU_IMBRIQUE ? ptabDe(clCible)[0] : clCible;
        EXPECT_EQ(sTexte(clTexte), c.pszAttendu) << c.pszNom;
    }
    EXPECT_EQ(standin::nGetLiveBlocks(), nAvant);
}

TEST_F(AnyVQObjetTest, SetDirectTakesTheHostsArrayOver) {
    CAny* ptab = static_cast<CAny*>(malloc(3 * sizeof(CAny)));
    for (int i = 0; i < 3; i++) ::new (&ptab[i]) CAny;
    ptab[2].__SetType(VQTYPE_DSTRW, 0);
    ptab[2].pclGetValeur()->SetValue(L"owned by the array", 0xFFFFFFFFUL);

    CAny cl;
    cl.SetI4(1);
    CAny_VQTABANY::s_SetDirect(&cl, STTabAny{ptab, 3});
    EXPECT_EQ(cl.nGetType(), VQTYPE_TABANY);
    auto* pclTab = static_cast<CAny_VQTABANY*>(cl.pclGetValeur());
    EXPECT_EQ(pclTab->ptabGet(), ptab);
    EXPECT_EQ(pclTab->nGetNbAny(), 3u);

    // A second array replaces the first, which is released with its elements.
    CAny* ptabAutre = static_cast<CAny*>(malloc(sizeof(CAny)));
    ::new (ptabAutre) CAny;
    CAny_VQTABANY::s_SetDirect(&cl, STTabAny{ptabAutre, 1});
    EXPECT_EQ(pclTab->ptabGet(), ptabAutre);
}

// ---------------------------------------------------------------------------------------------------
// Borrowed buffers
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQObjetTest, BorrowedBuffersAreNeverOwned) {
    unsigned char abySource[] = {1, 2, 3, 4};
    CAny cl;
    cl.__SetType(VQTYPE_BUFFER, 0);
    cl.pclGetValeur()->SetValue(abySource);
    unsigned long n = 9;
    cl.pclGetValeur()->nGetDataSize(&n);
    EXPECT_EQ(n, 0u);
    cl.pclGetValeur()->SetValue(abySource, 3);
    unsigned char aby[4] = {9, 9, 9, 9};
    EXPECT_EQ(cl.pclGetValeur()->nFillDataBuffer(aby), 0);
    EXPECT_EQ(memcmp(aby, "\1\2\3\x09", 4), 0);
    void* p = nullptr;
    cl.pclGetValeur()->nGetDataAdr(&p);
    EXPECT_EQ(p, abySource);

    CAny clCopie(cl);
    clCopie.pclGetValeur()->nGetDataSize(&n);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(pCellule(clCopie), abySource);
}

}  // namespace
