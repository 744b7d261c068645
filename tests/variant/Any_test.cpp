// The variant record: its layout and slot order as the host reads them, the type change and the
// initial values, the typed setters and getters, copies, raw values taken over from the host, the
// 8-byte binary casts, the content view, byte strings made from values, and text access.
#include "variant/Any.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/VQBIN.h"
#include "tests/core/VirtualSlot.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/Any_VQChaineC.h"
#include "variant/Any_VQDSTRW.h"
#include "variant/Any_VQObjetHote.h"
#include "variant/Any_VQTABANY.h"
#include "variant/Any_VQTexteFixe.h"
#include "variant/DateTime.h"
#include "variant/Duree.h"
#include "variant/Money.h"
#include "variant/VQConv.h"

namespace {

// ---------------------------------------------------------------------------------------------------
// Reading a record as the host does: raw bytes and calls through the class pointer at offset 4
// ---------------------------------------------------------------------------------------------------

const unsigned char* pbyRecord(const CAny& cl) {
    return reinterpret_cast<const unsigned char*>(&cl);
}
uint16_t wTypeBrut(const CAny& cl) {
    uint16_t w;
    memcpy(&w, pbyRecord(cl) + 12, sizeof(w));
    return w;
}
template <typename T>
T tValeurBrute(const CAny& cl, size_t nOffset = 0) {
    T t;
    memcpy(&t, pbyRecord(cl) + 16 + nOffset, sizeof(T));
    return t;
}
// Slot n of the value object's table, called with the object at offset 4 as the host calls it.
template <typename R, typename... A>
R rAppelSlot(CAny& cl, int nSlot, A... args) {
    void* pObjet = reinterpret_cast<unsigned char*>(&cl) + 4;
    void** ppTable;
    memcpy(&ppTable, pObjet, sizeof(ppTable));
    return reinterpret_cast<R (*)(void*, A...)>(ppTable[nSlot])(pObjet, args...);
}

std::string sDSTRA(const CAny& cl) {
    const char* psz = nullptr;
    if (cl.pclGetValeur()->nGetPCASTR(&psz) != 0) return "<none>";
    return psz;
}
std::wstring sDSTRW(const CAny& cl) {
    const wchar_t* psz = nullptr;
    if (cl.pclGetValeur()->nGetPCWSTR(&psz) != 0) return L"<none>";
    return psz;
}
uint32_t nCompte(const void* pBuffer) {
    return CBaseStrMem::s_nGetCount(pBuffer);
}

class AnyTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
    }
    void TearDown() override { CVQConv::s_Reset(); }
};

// ---------------------------------------------------------------------------------------------------
// Layout and slots
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyTest, RecordLayoutIsWhatTheHostReads) {
    std::vector<unsigned char> aby(sizeof(CAny), 0xCD);
    CAny* pcl = ::new (aby.data()) CAny;
    EXPECT_EQ(sizeof(CAny), 56u);
    uint32_t dwPremier;
    memcpy(&dwPremier, aby.data(), sizeof(dwPremier));
    EXPECT_EQ(dwPremier, 0u);
    void* pTable;
    memcpy(&pTable, aby.data() + 4, sizeof(pTable));
    void* pTableObjet;
    memcpy(&pTableObjet, pcl->pclGetValeur(), sizeof(pTableObjet));
    EXPECT_EQ(reinterpret_cast<unsigned char*>(pcl->pclGetValeur()), aby.data() + 4);
    EXPECT_EQ(pTable, pTableObjet);
    EXPECT_EQ(wTypeBrut(*pcl), 0);
    EXPECT_EQ(pcl->pbyGetValeur(), aby.data() + 16);

    pcl->SetI8(0x0102030405060708L);
    EXPECT_EQ(wTypeBrut(*pcl), 9);
    EXPECT_EQ(tValeurBrute<int64_t>(*pcl), 0x0102030405060708L);
    memcpy(&pTable, aby.data() + 4, sizeof(pTable));
    EXPECT_NE(pTable, pTableObjet);  // the class changed in place
    pcl->SetNull(1);
    EXPECT_EQ(wTypeBrut(*pcl), 0x109);
    pcl->~CAny();
}

TEST_F(AnyTest, RootSlotOrder) {
    using I = CAny_Intern;
    struct Case {
        const char* pszNom;
        ptrdiff_t nSlot, nAttendu;
    } aCases[] = {
        {"Duplique", SlotOf(&I::Duplique), 2},
        {"nGetSize", SlotOf(&I::nGetSize), 3},
        {"nGetAdr", SlotOf(&I::nGetAdr), 4},
        {"nFillBuffer", SlotOf(&I::nFillBuffer), 5},
        {"nGetDataSize", SlotOf(&I::nGetDataSize), 6},
        {"nGetDataAdr", SlotOf(&I::nGetDataAdr), 7},
        {"nFillDataBuffer", SlotOf(&I::nFillDataBuffer), 8},
        {"SetValue(p)", SlotOf(static_cast<void (I::*)(const void*)>(&I::SetValue)), 9},
        {"SetValue(p,n)", SlotOf(static_cast<void (I::*)(const void*, unsigned long)>(&I::SetValue)), 10},
        {"nGetPCASTR", SlotOf(&I::nGetPCASTR), 11},
        {"nGetPCWSTR", SlotOf(&I::nGetPCWSTR), 12},
        {"nGetSTRLEN", SlotOf(&I::nGetSTRLEN), 13},
        {"bIsPositive", SlotOf(&I::bIsPositive), 14},
        {"nGetUtilDataSize", SlotOf(&I::nGetUtilDataSize), 15},
        {"nFillUtilDataBuffer", SlotOf(&I::nFillUtilDataBuffer), 16},
        {"nIncremente", SlotOf(&I::nIncremente), 17},
        {"nDecremente", SlotOf(&I::nDecremente), 18},
        {"SetValueFromANSI(p)", SlotOf(static_cast<void (I::*)(const void*)>(&I::SetValueFromANSI)), 19},
        {"SetValueFromANSI(p,n)", SlotOf(static_cast<void (I::*)(const void*, unsigned long)>(&I::SetValueFromANSI)),
         20},
        {"SetValueFromUNICODE(p)", SlotOf(static_cast<void (I::*)(const void*)>(&I::SetValueFromUNICODE)), 21},
        {"SetValueFromUNICODE(p,n)",
         SlotOf(static_cast<void (I::*)(const void*, unsigned long)>(&I::SetValueFromUNICODE)), 22},
        {"SetValueFromANSI_CP(cp,p)", SlotOf(static_cast<void (I::*)(int, const void*)>(&I::SetValueFromANSI_CP)), 23},
        {"SetValueFromANSI_CP(cp,p,n)",
         SlotOf(static_cast<void (I::*)(int, const void*, unsigned long)>(&I::SetValueFromANSI_CP)), 24},
        {"SetValueFromUNICODE_CP(cp,p)", SlotOf(static_cast<void (I::*)(int, const void*)>(&I::SetValueFromUNICODE_CP)),
         25},
        {"SetValueFromUNICODE_CP(cp,p,n)",
         SlotOf(static_cast<void (I::*)(int, const void*, unsigned long)>(&I::SetValueFromUNICODE_CP)), 26},
        {"SetValueOption", SlotOf(&I::SetValueOption), 27},
        {"PSTRA __CreateStr(p)", SlotOf(static_cast<void (CAny_VQPSTRA::*)(const void*)>(&CAny_VQPSTRA::__CreateStr)),
         28},
        {"PSTRA __CreateStr(p,n)",
         SlotOf(static_cast<void (CAny_VQPSTRA::*)(const void*, unsigned long)>(&CAny_VQPSTRA::__CreateStr)), 29},
        {"PSTRA __DeleteStr", SlotOf(&CAny_VQPSTRA::__DeleteStr), 30},
        {"PSTRW __DeleteStr", SlotOf(&CAny_VQChaineC<wchar_t, VQTYPE_PSTRW>::__DeleteStr), 30},
        {"host object AddRef", SlotOf(&IObjetVQ::vAddRef), 0},
        {"host object Release", SlotOf(&IObjetVQ::vRelease), 1},
        {"host object 50th", SlotOf(&IObjetVQ::vpiGetTraitement), 49},
    };
    for (const Case& c : aCases) EXPECT_EQ(c.nSlot, c.nAttendu) << c.pszNom;
}

// The three sizes of every type, asked through the raw table as the host asks them (slots 3, 6, 15).
TEST_F(AnyTest, SizesThroughTheRawTable) {
    CVQConv::s_piDecimalFactory = standin::piGetDecimalFactory();
    struct Case {
        const char* pszNom;
        void (*pfnPrepare)(CAny&);
        unsigned long nCellule, nDonnees, nUtiles;
    } aCases[] = {
        {"BOOL", [](CAny& cl) { cl.SetBOOL(1); }, 4, 4, 4},
        {"UI1", [](CAny& cl) { cl.SetUI1(1); }, 1, 1, 1},
        {"UI2", [](CAny& cl) { cl.SetUI2(1); }, 2, 2, 2},
        {"UI4", [](CAny& cl) { cl.SetUI4(1); }, 4, 4, 4},
        {"UI8", [](CAny& cl) { cl.SetUI8(1); }, 8, 8, 8},
        {"I1", [](CAny& cl) { cl.SetI1(1); }, 1, 1, 1},
        {"I2", [](CAny& cl) { cl.SetI2(1); }, 2, 2, 2},
        {"I4", [](CAny& cl) { cl.SetI4(1); }, 4, 4, 4},
        {"I8", [](CAny& cl) { cl.SetI8(1); }, 8, 8, 8},
        {"CY", [](CAny& cl) { cl.SetCY(CMoney{}); }, 10, 10, 10},
        {"R4", [](CAny& cl) { cl.SetR4(1); }, 4, 4, 4},
        {"R8", [](CAny& cl) { cl.SetR8(1); }, 8, 8, 8},
        {"DECIMAL", [](CAny& cl) { cl.__SetType(VQTYPE_DECIMAL, 0); }, 8, 18, 18},
        {"UIX", [](CAny& cl) { cl.__SetType(VQTYPE_UIX, 0); }, 8, 8, 8},
        {"DSTRW abc", [](CAny& cl) { cl.__SetType(16, 0), cl.pclGetValeur()->SetValue(L"abc", 12); }, 8, 16, 12},
        {"DSTRW none", [](CAny& cl) { cl.__SetType(16, 0); }, 8, 4, 0},
        {"CARA", [](CAny& cl) { cl.__SetType(17, 0); }, 1, 1, 1},
        {"PSTRA abc", [](CAny& cl) { cl.__SetType(18, 0), cl.pclGetValeur()->SetValue("abc"); }, 8, 4, 3},
        {"PSTRA none", [](CAny& cl) { cl.__SetType(18, 0); }, 8, 1, 0},
        {"DSTRA abc", [](CAny& cl) { cl.__SetType(19, 0), cl.pclGetValeur()->SetValue("abc", 3); }, 8, 4, 3},
        {"DSTRA none", [](CAny& cl) { cl.__SetType(19, 0); }, 8, 1, 0},
        {"DATEW", [](CAny& cl) { cl.SetDATEW(L"2024"); }, 32, 36, 32},
        {"TIMEW 1234", [](CAny& cl) { cl.SetTIMEW(L"1234"); }, 36, 40, 16},
        {"DATETIME", [](CAny& cl) { cl.__SetType(26, 0); }, 8, 8, 8},
        {"DUREE", [](CAny& cl) { cl.__SetType(27, 0); }, 8, 8, 8},
        {"BIN 5", [](CAny& cl) { cl.SetBIN(reinterpret_cast<const unsigned char*>("12345"), 5); }, 8, 5, 5},
        {"BIN none", [](CAny& cl) { cl.__SetType(28, 0); }, 8, 0, 0},
        {"BUFFER 7", [](CAny& cl) { cl.__SetType(29, 0), cl.pclGetValeur()->SetValue("1234567", 7); }, 8, 7, 7},
        {"MEMOIMG", [](CAny& cl) { cl.__SetType(30, 0); }, 8, 8, 8},
        {"CONVOYEUR", [](CAny& cl) { cl.__SetType(50, 0); }, 8, 8, 8},
        {"POLICE", [](CAny& cl) { cl.__SetType(65, 0); }, 8, 8, 8},
        {"CARW", [](CAny& cl) { cl.__SetType(81, 0); }, 4, 4, 4},
        {"TABANY none", [](CAny& cl) { cl.__SetType(83, 0); }, 8, 0, 0},
        {"OBJET_BASE", [](CAny& cl) { cl.__SetType(108, 0); }, 8, 8, 8},
        {"PSTRW ab", [](CAny& cl) { cl.__SetType(110, 0), cl.pclGetValeur()->SetValue(L"ab"); }, 8, 12, 8},
        {"PSTRW none", [](CAny& cl) { cl.__SetType(110, 0); }, 8, 4, 0},
        {"DINO", [](CAny& cl) { cl.__SetType(111, 0); }, 8, 8, 8},
        {"DATEA", [](CAny& cl) { cl.SetDATEA("2024"); }, 8, 9, 8},
        {"TIMEA 12", [](CAny& cl) { cl.SetTIMEA("12"); }, 9, 10, 2},
        {"kind 142", [](CAny& cl) { cl.__SetType(142, 0); }, 8, 8, 8},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CAny cl;
        c.pfnPrepare(cl);
        unsigned long n = 99;
        EXPECT_EQ((rAppelSlot<int, unsigned long*>(cl, 3, &n)), 0);
        EXPECT_EQ(n, c.nCellule);
        EXPECT_EQ((rAppelSlot<int, unsigned long*>(cl, 6, &n)), 0);
        EXPECT_EQ(n, c.nDonnees);
        EXPECT_EQ((rAppelSlot<int, unsigned long*>(cl, 15, &n)), 0);
        EXPECT_EQ(n, c.nUtiles);
        void* p = nullptr;
        EXPECT_EQ((rAppelSlot<int, void**>(cl, 4, &p)), 0);
        EXPECT_EQ(p, cl.pbyGetValeur());  // every class: the cell is the value area
    }
    EXPECT_EQ(standin::nGetLiveDecimals(), 0);
}

TEST_F(AnyTest, EmptyValueAnswersNoData) {
    CAny cl;
    const CAny_Intern* pcl = cl.pclGetValeur();
    unsigned long n = 99;
    void* p = &n;
    char sz[4] = "xyz";
    EXPECT_EQ(pcl->nGetSize(&n), 102);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(pcl->nGetAdr(&p), 102);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(pcl->nGetDataSize(&n), 102);
    EXPECT_EQ(pcl->nGetUtilDataSize(&n), 102);
    EXPECT_EQ(pcl->nFillBuffer(sz), 102);
    EXPECT_EQ(pcl->nFillDataBuffer(sz), 102);
    EXPECT_EQ(pcl->nFillUtilDataBuffer(sz), 102);
    EXPECT_STREQ(sz, "xyz");
    const char* psz = "x";
    EXPECT_EQ(pcl->nGetPCASTR(&psz), 105);
    EXPECT_EQ(psz, nullptr);
    EXPECT_EQ(pcl->nGetSTRLEN(&n), 105);
    EXPECT_EQ(cl.pclGetValeur()->nIncremente(), 105);
    EXPECT_EQ(pcl->bIsPositive(), 1);
}

// ---------------------------------------------------------------------------------------------------
// Type change
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyTest, SetTypeSelectsByTheLowByte) {
    struct Case {
        unsigned short nDemande, nAttendu;
    } aCases[] = {
        {0, 0},     {1, 1},     {9, 9},     {15, 9},    {16, 16},   {20, 0},    {23, 0},    {31, 0},
        {83, 83},   {84, 0},    {108, 108}, {110, 110}, {111, 111}, {129, 129}, {130, 0},   {141, 141},
        {142, 142}, {143, 143}, {144, 0},   {255, 0},   {0x102, 2}, {0x10F, 9}, {0x508, 8}, {0xFF51, 81},
    };
    for (const Case& c : aCases) {
        CAny cl;
        cl.SetI4(7);
        cl.__SetType(c.nDemande, 0);
        EXPECT_EQ(cl.nGetType(), c.nAttendu) << c.nDemande;
        EXPECT_EQ(wTypeBrut(cl), c.nAttendu) << c.nDemande;
    }
}

TEST_F(AnyTest, SetTypeToTheSameWordKeepsTheValueAndAnyFlagRebuilds) {
    CAny cl;
    cl.SetI8(42);
    cl.__SetType(9, 0);
    EXPECT_EQ(tValeurBrute<int64_t>(cl), 42);

    cl.SetNull(1);
    cl.__SetType(9, 0);
    EXPECT_EQ(cl.nGetType(), 9);
    EXPECT_EQ(tValeurBrute<int64_t>(cl), 0);

    cl.SetI8(5);
    cl.SetFlags(VQTYPE_FLAG_0400);
    cl.__SetType(9, 0);
    EXPECT_EQ(cl.nGetType(), 9);
    EXPECT_EQ(tValeurBrute<int64_t>(cl), 0);
}

TEST_F(AnyTest, InitialValues) {
    struct Case {
        unsigned short nType;
        std::vector<unsigned char> abyAttendus;  // the first bytes of the value area
    } aCases[] = {
        {1, {0, 0, 0, 0}},
        {10, std::vector<unsigned char>(10, 0)},
        {16, std::vector<unsigned char>(8, 0)},
        {17, {0, 0}},
        {24, std::vector<unsigned char>(36, 0)},
        {26, std::vector<unsigned char>(8, 0)},
        {29, std::vector<unsigned char>(16, 0)},
        {81, std::vector<unsigned char>(8, 0)},
        {83, std::vector<unsigned char>(16, 0)},
        {128, std::vector<unsigned char>(9, 0)},
        {129, {'0', '0', '0', '0', '0', '0', '0', '0', '0', 0}},
    };
    for (const Case& c : aCases) {
        CAny cl;
        // Whatever the area held before is not the new value.
        memset(cl.pbyGetValeur(), 0xAB, VQTAILLE_VALEUR);
        cl.__SetType(c.nType, 0);
        EXPECT_EQ(std::vector<unsigned char>(cl.pbyGetValeur(), cl.pbyGetValeur() + c.abyAttendus.size()),
                  c.abyAttendus)
            << c.nType;
    }
    CAny clTime;
    clTime.__SetType(25, 0);
    EXPECT_EQ(sDSTRW(clTime), L"000000000");
    CAny clDate;
    clDate.__SetType(24, 0);
    EXPECT_EQ(sDSTRW(clDate), L"");
    // Without a default text a time still has its nine digits.
    static_cast<CAny_VQTIMEW*>(clTime.pclGetValeur())->InitTexte(nullptr);
    EXPECT_EQ(sDSTRW(clTime), L"000000000");
    static_cast<CAny_VQDATEW*>(clDate.pclGetValeur())->InitTexte(L"202401019");
    EXPECT_EQ(sDSTRW(clDate), L"20240101");
}

// A variant just made and typed takes a road of its own: for every type word, the record it
// leaves (class, type word, area) is the one the general road leaves on a variant brought to the
// empty type through a flag, whatever its area held. Codes without a class keep the old area on
// both roads, and a type word with flags is never a fresh variant's.
TEST_F(AnyTest, TypeOfAFreshVariantAsTheGeneralRoadSetsIt) {
    std::vector<unsigned short> anTypes;
    for (unsigned n = 0; n < 256; n++) anTypes.push_back(static_cast<unsigned short>(n));
    for (unsigned short n : {0x0108, 0x0410, 0x0110, 0x0500, 0xFF51}) anTypes.push_back(n);
    for (unsigned short nType : anTypes) {
        SCOPED_TRACE(nType);
        CAny clFrais;
        memset(clFrais.pbyGetValeur(), 0, VQTAILLE_VALEUR);
        clFrais.__SetType(nType, 0);
        CAny clGeneral;
        memset(clGeneral.pbyGetValeur(), 0, VQTAILLE_VALEUR);
        clGeneral.SetNull(1);  // type word 0x100: the empty class, but not a fresh variant
        clGeneral.__SetType(nType, 0);
        EXPECT_EQ(wTypeBrut(clFrais), wTypeBrut(clGeneral));
        // A decimal's area holds an object of its own: its class and type word only.
        const size_t nCompare = (nType & VQTYPE_MASK_CODE) == VQTYPE_DECIMAL ? 16 : sizeof(CAny);
        EXPECT_EQ(memcmp(pbyRecord(clFrais), pbyRecord(clGeneral), nCompare), 0);
        // The same again over an area full of other bytes: a class of its own starts from its
        // initial value, the others keep the area.
        CAny clSale;
        memset(clSale.pbyGetValeur(), 0xAB, VQTAILLE_VALEUR);
        clSale.__SetType(nType, 0);
        CAny clSaleGeneral;
        memset(clSaleGeneral.pbyGetValeur(), 0xAB, VQTAILLE_VALEUR);
        clSaleGeneral.SetNull(1);
        clSaleGeneral.__SetType(nType, 0);
        EXPECT_EQ(memcmp(pbyRecord(clSale), pbyRecord(clSaleGeneral), nCompare), 0);
        // Both answer as their class does.
        unsigned long nTaille = 1, nTailleGeneral = 2;
        EXPECT_EQ(clFrais.pclGetValeur()->nGetDataSize(&nTaille), clGeneral.pclGetValeur()->nGetDataSize(&nTailleGeneral));
        EXPECT_EQ(nTaille, nTailleGeneral);
    }
}

// Characters set into a shared string that has no buffer yet (a fresh value) give the very buffer
// the string assignment gives a value that has one: same text, length, capacity, flags, count and
// terminator; empty, one character, long texts, 8-bit and wide, and non-ASCII text.
TEST_F(AnyTest, SharedStringSetFreshAsTheAssignmentSetsIt) {
    const std::vector<std::wstring> aws = {L"", L"x", L"Jones Smith 42", L"\u00e9t\u00e9 \u4e2d\u6587 \U0001F600",
                                           std::wstring(300, L'w'), std::wstring(5000, L'\u00e0')};
    auto vEntete = [](const void* p) {
        std::vector<uint32_t> a(4);
        memcpy(a.data(), static_cast<const unsigned char*>(p) - 16, 16);
        return a;
    };
    for (const std::wstring& ws : aws) {
        SCOPED_TRACE(ws.size());
        const unsigned long nOctets = static_cast<unsigned long>(ws.size() * sizeof(wchar_t));
        CAny clFrais;
        clFrais.__SetType(VQTYPE_DSTRW, 0);
        clFrais.pclGetValeur()->SetValue(ws.c_str(), nOctets);
        CXYString<wchar_t> clPair;
        clPair.nAffecteConversion(ws.c_str(), static_cast<int>(ws.size()));
        const wchar_t* pszFrais = static_cast<const CAny_VQDSTRW*>(clFrais.pclGetValeur())->pszGetBuffer();
        ASSERT_EQ(pszFrais == nullptr, clPair.pszGetBuffer() == nullptr);
        EXPECT_EQ(sDSTRW(clFrais), ws);
        if (pszFrais == nullptr) continue;
        EXPECT_EQ(vEntete(pszFrais), vEntete(clPair.pszGetBuffer()));
        EXPECT_EQ(pszFrais[ws.size()], L'\0');
        // A value that already holds a string reuses it: the text is the same.
        CAny clReutilise;
        clReutilise.__SetType(VQTYPE_DSTRW, 0);
        clReutilise.pclGetValeur()->SetValue(L"old", 3 * sizeof(wchar_t));
        clReutilise.pclGetValeur()->SetValue(ws.c_str(), nOctets);
        EXPECT_EQ(sDSTRW(clReutilise), ws);
    }
    const std::vector<std::string> as = {"a", "bonjour", "\xe9t\xe9", std::string(2000, 'z')};
    for (const std::string& s8 : as) {
        CAny clFrais;
        clFrais.__SetType(VQTYPE_DSTRA, 0);
        clFrais.pclGetValeur()->SetValue(s8.c_str(), s8.size());
        CXYString<char> clPair;
        clPair.nAffecte(s8.c_str(), static_cast<int>(s8.size()));
        EXPECT_EQ(sDSTRA(clFrais), s8);
        const char* pszFrais = static_cast<const CAny_VQDSTRA*>(clFrais.pclGetValeur())->pszGetBuffer();
        ASSERT_NE(pszFrais, nullptr);
        EXPECT_EQ(vEntete(pszFrais), vEntete(clPair.pszGetBuffer()));
    }
    // A refusal of the host's allocator leaves the fresh value without a string.
    const long nAvant = standin::nGetLiveBlocks();
    {
        standin::RefuseAllocation(1);
        CAny cl;
        cl.__SetType(VQTYPE_DSTRW, 0);
        cl.pclGetValeur()->SetValue(L"refused", 7 * sizeof(wchar_t));
        standin::RefuseAllocation(0);
        EXPECT_EQ(static_cast<const CAny_VQDSTRW*>(cl.pclGetValeur())->pszGetBuffer(), nullptr);
        EXPECT_EQ(sDSTRW(cl), L"");
    }
    EXPECT_EQ(standin::nGetLiveBlocks(), nAvant);
}

TEST_F(AnyTest, KeepFlagLeavesTheAreaForTheCaller) {
    CAny cl;
    cl.SetI8(0x0102030405060708L);
    cl.SetNull(1);
    cl.__SetType(VQTYPE_UI4, 1);
    EXPECT_EQ(cl.nGetType(), VQTYPE_UI4);
    EXPECT_EQ(tValeurBrute<uint32_t>(cl), 0x05060708u);
}

TEST_F(AnyTest, TypeChangeReleasesTheOldValue) {
    const long nAvant = standin::nGetLiveBlocks();
    CAny cl;
    cl.__SetType(VQTYPE_DSTRA, 0);
    cl.pclGetValeur()->SetValue("shared text", 11);
    EXPECT_EQ(standin::nGetLiveBlocks(), nAvant + 1);
    cl.__SetType(VQTYPE_UI4, 0);
    EXPECT_EQ(standin::nGetLiveBlocks(), nAvant);
    EXPECT_EQ(tValeurBrute<uint32_t>(cl), 0u);
}

// A value that went back to the empty type (released there) and is typed again, or that is
// empty only by a flag: every text it held released once, none twice, and the one it shares
// with another value left to that one.
TEST_F(AnyTest, TypeChangeFromTheEmptyTypeReleasesNothingMore) {
    struct Case {
        const char* pszName;
        std::function<void(CAny&)> fnVersVide;  // what brings the value to (or near) the empty type
        unsigned short nEnsuite;                  // the type given after it
    } cases[] = {
        {"empty type, then a number", [](CAny& cl) { cl.__SetType(VQTYPE_VIDE, 0); }, VQTYPE_I4},
        {"empty type, then a wide text", [](CAny& cl) { cl.__SetType(VQTYPE_VIDE, 0); }, VQTYPE_DSTRW},
        {"empty type kept, then a number", [](CAny& cl) { cl.__SetType(VQTYPE_VIDE, 1); }, VQTYPE_I4},
        {"a code without a class, then a number", [](CAny& cl) { cl.__SetType(20, 0); }, VQTYPE_I4},
        {"empty type NULL, then a number",
         [](CAny& cl) {
             cl.__SetType(VQTYPE_VIDE, 0);
             cl.SetNull(1);
         },
         VQTYPE_I4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const long nAvant = standin::nGetLiveBlocks();
        {
            CAny clAutre;
            clAutre.__SetType(VQTYPE_DSTRW, 0);
            clAutre.pclGetValeur()->SetValue(L"shared text", 11 * sizeof(wchar_t));
            CAny cl(clAutre);
            const void* pBuffer = static_cast<const CAny_VQDSTRW*>(clAutre.pclGetValeur())->pszGetBuffer();
            ASSERT_EQ(nCompte(pBuffer), 2u);
            c.fnVersVide(cl);
            EXPECT_EQ(nCompte(pBuffer), 1u);
            cl.__SetType(c.nEnsuite, 0);
            EXPECT_EQ(cl.nGetType(), c.nEnsuite);
            EXPECT_EQ(nCompte(pBuffer), 1u);
            EXPECT_EQ(sDSTRW(clAutre), L"shared text");
            EXPECT_EQ(standin::nGetLiveBlocks(), nAvant + 1);
        }
        EXPECT_EQ(standin::nGetLiveBlocks(), nAvant);
    }
}

// ---------------------------------------------------------------------------------------------------
// Setters and getters
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyTest, SettersRetypeSetAndClearBothFlags) {
    CDateTime clDate;
    clDate.InitDate();
    memcpy(&clDate, "\x1D\x02\xE8\x07\xD8\x4F\xF3\x02", 8);
    CDuree clDuree;
    memcpy(&clDuree, "\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    CMoney stCY{{1, 2, 3, 4, 5}};
    struct Case {
        const char* pszNom;
        void (*pfn)(CAny&, CDateTime&, CDuree&, CMoney&);
        unsigned short nType;
        std::vector<unsigned char> aby;
    } aCases[] = {
        {"BOOL", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetBOOL(-2); }, 1, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"UI1", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetUI1(200); }, 2, {200}},
        {"UI2", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetUI2(0x1234); }, 3, {0x34, 0x12}},
        {"UI4", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetUI4(0x01020304); }, 4, {4, 3, 2, 1}},
        {"UI8",
         [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetUI8(0x0102030405060708UL); },
         5,
         {8, 7, 6, 5, 4, 3, 2, 1}},
        {"I1", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetI1(-1); }, 6, {0xFF}},
        {"I2", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetI2(-2); }, 7, {0xFE, 0xFF}},
        {"I4", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetI4(-3); }, 8, {0xFD, 0xFF, 0xFF, 0xFF}},
        {"I8",
         [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetI8(-4); },
         9,
         {0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"CY", [](CAny& cl, CDateTime&, CDuree&, CMoney& st) { cl.SetCY(st); }, 10, {1, 0, 2, 0, 3, 0, 4, 0, 5, 0}},
        {"R4", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetR4(1.0f); }, 11, {0, 0, 0x80, 0x3F}},
        {"R8", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetR8(-2.0); }, 12, {0, 0, 0, 0, 0, 0, 0, 0xC0}},
        {"DATE", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetDATE(L"2"); }, 24, {'2', 0, 0, 0, 0, 0, 0, 0}},
        {"TIME", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetTIME(L"1"); }, 25, {'1', 0, 0, 0, 0, 0, 0, 0}},
        {"DATETIME&",
         [](CAny& cl, CDateTime& d, CDuree&, CMoney&) { cl.SetDATETIME(d); },
         26,
         {0x1D, 0x02, 0xE8, 0x07, 0xD8, 0x4F, 0xF3, 0x02}},
        {"DATETIME*",
         [](CAny& cl, CDateTime& d, CDuree&, CMoney&) { cl.SetDATETIME(&d); },
         26,
         {0x1D, 0x02, 0xE8, 0x07, 0xD8, 0x4F, 0xF3, 0x02}},
        {"DUREE", [](CAny& cl, CDateTime&, CDuree& d, CMoney&) { cl.SetDUREE(&d); }, 27, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"DATEA",
         [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetDATEA("20240102xx"); },
         128,
         {'2', '0', '2', '4', '0', '1', '0', '2', 0}},
        {"TIMEA", [](CAny& cl, CDateTime&, CDuree&, CMoney&) { cl.SetTIMEA("12"); }, 129, {'1', '2', 0}},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CAny cl;
        cl.__SetType(c.nType, 0);
        cl.SetFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
        c.pfn(cl, clDate, clDuree, stCY);
        EXPECT_EQ(cl.nGetType(), c.nType);
        EXPECT_EQ(std::vector<unsigned char>(cl.pbyGetValeur(), cl.pbyGetValeur() + c.aby.size()), c.aby);
    }
}

TEST_F(AnyTest, SetBinCopiesTheBytesAndSetValueByteKeepsTheType) {
    CAny cl;
    cl.SetFlags(VQTYPE_FLAG_NULL);
    cl.SetValueByte("abcd", 4);  // empty: only the flags change
    EXPECT_EQ(cl.nGetType(), 0);

    const unsigned char aby[] = {1, 2, 3};
    cl.SetBIN(aby, 3);
    cl.SetFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    unsigned long n = 0;
    cl.pclGetValeur()->nGetDataSize(&n);
    EXPECT_EQ(n, 3u);
    cl.SetValueByte("\x09\x08", 2);
    EXPECT_EQ(cl.nGetType(), VQTYPE_BIN);
    void* p = nullptr;
    cl.pclGetValeur()->nGetDataAdr(&p);
    cl.pclGetValeur()->nGetDataSize(&n);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(memcmp(p, "\x09\x08", 2), 0);

    cl.SetI4(1);
    const int nNouveau = 0x7F000001;
    cl.SetValueByte(&nNouveau, 4);
    EXPECT_EQ(cl.nGetType(), VQTYPE_I4);
    EXPECT_EQ(tValeurBrute<int32_t>(cl), 0x7F000001);
}

TEST_F(AnyTest, GetByteAcceptsIntegersThatFit) {
    struct Case {
        const char* pszNom;
        void (*pfn)(CAny&);
        int nResultat;
        unsigned char byAttendu;
    } aCases[] = {
        {"UI1 200", [](CAny& cl) { cl.SetUI1(200); }, 0, 200},
        {"I1 -1", [](CAny& cl) { cl.SetI1(-1); }, 0, 255},
        {"I2 255", [](CAny& cl) { cl.SetI2(255); }, 0, 255},
        {"I2 256", [](CAny& cl) { cl.SetI2(256); }, 115, 0},
        {"I2 -1", [](CAny& cl) { cl.SetI2(-1); }, 115, 0},
        {"UI2 7", [](CAny& cl) { cl.SetUI2(7); }, 0, 7},
        {"I4 -1", [](CAny& cl) { cl.SetI4(-1); }, 115, 0},
        {"UI4 255", [](CAny& cl) { cl.SetUI4(255); }, 0, 255},
        {"I8 3", [](CAny& cl) { cl.SetI8(3); }, 0, 3},
        {"UI8 2^32", [](CAny& cl) { cl.SetUI8(1UL << 32); }, 115, 0},
        {"UIX 9", [](CAny& cl) { cl.__SetType(14, 0), cl.pclGetValeur()->SetValue("\x09\0\0\0\0\0\0\0"); }, 0, 9},
        {"BOOL 1", [](CAny& cl) { cl.SetBOOL(1); }, 115, 0},
        {"R8 1", [](CAny& cl) { cl.SetR8(1); }, 115, 0},
        {"NULL UI1", [](CAny& cl) { cl.SetUI1(1), cl.SetNull(1); }, 115, 0},
        {"UI1 0x400", [](CAny& cl) { cl.SetUI1(1), cl.SetFlags(VQTYPE_FLAG_0400); }, 115, 0},
        {"empty", [](CAny&) {}, 115, 0},
    };
    for (const Case& c : aCases) {
        CAny cl;
        c.pfn(cl);
        unsigned char by = 0xAA;
        EXPECT_EQ(cl.nGetBYTE(by), c.nResultat) << c.pszNom;
        EXPECT_EQ(by, c.nResultat == 0 ? c.byAttendu : 0xAA) << c.pszNom;  // written on success only
    }
}

TEST_F(AnyTest, IntegerGettersExtendByTheirTables) {
    struct Case {
        const char* pszNom;
        void (*pfn)(CAny&);
        int nInt;  // nGetINT: result 105 or the value
        bool bInt;
        long nInt64;  // nGetINT_64
        bool bInt64;
        unsigned long nBits;  // nGetBitField_64
        bool bBits;
    } aCases[] = {
        {"BOOL -1", [](CAny& cl) { cl.SetBOOL(-1); }, -1, true, -1, true, 0, false},
        {"UI1 255", [](CAny& cl) { cl.SetUI1(255); }, 255, true, 255, true, 255, true},
        {"UI2 65535", [](CAny& cl) { cl.SetUI2(65535); }, 65535, true, 65535, true, 65535, true},
        {"UI4 max", [](CAny& cl) { cl.SetUI4(0xFFFFFFFF); }, 0, false, 0xFFFFFFFFL, true, 0xFFFFFFFFUL, true},
        {"UI8 max", [](CAny& cl) { cl.SetUI8(~0UL); }, 0, false, 0, false, ~0UL, true},
        {"I1 -2", [](CAny& cl) { cl.SetI1(-2); }, -2, true, -2, true, ~1UL, true},
        {"I2 -3", [](CAny& cl) { cl.SetI2(-3); }, -3, true, -3, true, ~2UL, true},
        {"I4 -4", [](CAny& cl) { cl.SetI4(-4); }, -4, true, -4, true, ~3UL, true},
        {"I8 -5", [](CAny& cl) { cl.SetI8(-5); }, 0, false, -5, true, ~4UL, true},
        {"UIX 6", [](CAny& cl) { cl.__SetType(14, 0), cl.pclGetValeur()->SetValue("\x06\0\0\0\0\0\0\0"); }, 0, false, 0,
         false, 6, true},
        {"R8", [](CAny& cl) { cl.SetR8(1); }, 0, false, 0, false, 0, false},
        {"NULL I4", [](CAny& cl) { cl.SetI4(1), cl.SetNull(1); }, 0, false, 0, false, 0, false},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CAny cl;
        c.pfn(cl);
        int n = 77;
        EXPECT_EQ(cl.nGetINT(&n), c.bInt ? 0 : 105);
        EXPECT_EQ(n, c.bInt ? c.nInt : 0);  // 0 is written first
        long n64 = 77;
        EXPECT_EQ(cl.nGetINT_64(&n64), c.bInt64 ? 0 : 105);
        EXPECT_EQ(n64, c.bInt64 ? c.nInt64 : 0);
        unsigned long nBits = 77;
        EXPECT_EQ(cl.nGetBitField_64(nBits), c.bBits ? 0 : 105);
        EXPECT_EQ(nBits, c.bBits ? c.nBits : 0u);
    }
}

TEST_F(AnyTest, GetRealWidensR4AndRefusesTheRest) {
    CAny cl;
    double d = 9.0;
    cl.SetR4(1.5f);
    EXPECT_EQ(cl.nGetREAL(&d), 0);
    EXPECT_EQ(d, 1.5);
    cl.SetR8(-2.25);
    EXPECT_EQ(cl.nGetREAL(&d), 0);
    EXPECT_EQ(d, -2.25);
    cl.SetI4(3);
    EXPECT_EQ(cl.nGetREAL(&d), 105);
    EXPECT_EQ(d, -2.25);
    cl.SetR8(1);
    cl.SetNull(1);
    EXPECT_EQ(cl.nGetREAL(&d), 105);
}

TEST_F(AnyTest, ManipViewOfSharedContent) {
    CAny cl;
    STManipAUB st{reinterpret_cast<const void*>(1), 77, 77};
    cl.SetI4(1);
    EXPECT_EQ(cl.nGetManipAUB(&st), 105);
    EXPECT_EQ(st.nType, 77);

    cl.__SetType(VQTYPE_DSTRA, 0);
    cl.pclGetValeur()->SetValue("abc", 3);
    ASSERT_EQ(cl.nGetManipAUB(&st), 0);
    EXPECT_EQ(st.nType, 19);
    EXPECT_EQ(st.nReserve, 0u);
    EXPECT_STREQ(st.pszGetStringA(), "abc");
    EXPECT_EQ(st.nGetLongueur(), 3);

    cl.SetBIN(reinterpret_cast<const unsigned char*>("\1\2"), 2);
    ASSERT_EQ(cl.nGetManipAUB(&st), 0);
    EXPECT_EQ(st.nType, 28);
    EXPECT_EQ(st.nGetTailleUtile(), 2);

    cl.__SetType(VQTYPE_DSTRW, 0);
    ASSERT_EQ(cl.nGetManipAUB(&st), 0);
    EXPECT_EQ(st.pContenu, nullptr);
    EXPECT_STREQ(st.pszGetStringW(), L"");
}

// ---------------------------------------------------------------------------------------------------
// Copies
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyTest, CopiesCarryBothFlags) {
    CAny clSource;
    clSource.SetI4(12);
    clSource.SetFlags(VQTYPE_FLAG_NULL);
    CAny clCopie(clSource);
    EXPECT_EQ(clCopie.nGetType(), 0x108);
    EXPECT_EQ(tValeurBrute<int32_t>(clCopie), 12);

    clSource.SetFlags(VQTYPE_FLAG_0400);
    CAny clAutre;
    clAutre.SetDATEA("1999");
    clAutre = clSource;
    EXPECT_EQ(clAutre.nGetType(), 0x508);

    CAny clVide;
    clVide.SetFlags(VQTYPE_FLAG_NULL);
    clAutre = clVide;
    EXPECT_EQ(clAutre.nGetType(), 0x100);

    clSource = clSource;
    EXPECT_EQ(clSource.nGetType(), 0x508);
    EXPECT_EQ(tValeurBrute<int32_t>(clSource), 12);
}

// The record is 4-aligned and the value object lies 4 bytes into it, so the object is 8-aligned in
// one record out of two: its operations, copies and release must hold at either placement (the
// sanitizer reports any call that reads the class pointer as an 8-aligned word).
TEST_F(AnyTest, ValueObjectsWorkAtEitherRecordAlignment) {
    const long nAvant = standin::nGetLiveBlocks();
    struct Case {
        const char* pszNom;
        void (*pfnPrepare)(CAny&);
        unsigned long nDonnees;
    } aCases[] = {
        {"I4", [](CAny& cl) { cl.SetI4(-5); }, 4},
        {"R8", [](CAny& cl) { cl.SetR8(2.5); }, 8},
        {"DSTRA", [](CAny& cl) { cl.__SetType(VQTYPE_DSTRA, 0), cl.pclGetValeur()->SetValue("abc", 3); }, 4},
        {"PSTRW", [](CAny& cl) { cl.__SetType(VQTYPE_PSTRW, 0), cl.pclGetValeur()->SetValue(L"ab"); }, 12},
        {"TIMEA", [](CAny& cl) { cl.SetTIMEA("1234"); }, 10},
        {"BIN", [](CAny& cl) { cl.SetBIN(reinterpret_cast<const unsigned char*>("xyz"), 3); }, 3},
    };
    alignas(8) unsigned char aby[4 + 2 * sizeof(CAny)];
    for (const Case& c : aCases) {
        for (size_t nDecalage : {size_t{0}, size_t{4}}) {
            CAny* pcl = ::new (aby + nDecalage) CAny;
            CAny* pclAutre = ::new (aby + nDecalage + sizeof(CAny)) CAny(*pcl);
            c.pfnPrepare(*pcl);
            unsigned long n = 0;
            EXPECT_EQ(pcl->pclGetValeur()->nGetDataSize(&n), 0) << c.pszNom << " at " << nDecalage;
            EXPECT_EQ(n, c.nDonnees) << c.pszNom << " at " << nDecalage;
            pcl->pclGetValeur()->bIsPositive();
            pcl->pclGetValeur()->nIncremente();
            *pclAutre = *pcl;
            EXPECT_EQ(pclAutre->nGetType(), pcl->nGetType()) << c.pszNom << " at " << nDecalage;
            pclAutre->pclGetValeur()->Duplique(pcl);
            pclAutre->~CAny();
            pcl->~CAny();
        }
    }
    EXPECT_EQ(standin::nGetLiveBlocks(), nAvant);
}

TEST_F(AnyTest, CopyOfASharedStringSharesItsBuffer) {
    const long nAvant = standin::nGetLiveBlocks();
    CAny cl;
    cl.__SetType(VQTYPE_DSTRA, 0);
    cl.pclGetValeur()->SetValue("partage", 7);
    {
        CAny clCopie(cl);
        EXPECT_EQ(clCopie.pclGetValeur()->_pGetPointeur(), cl.pclGetValeur()->_pGetPointeur());
        EXPECT_EQ(nCompte(cl.pclGetValeur()->_pGetPointeur()), 2u);
        EXPECT_EQ(standin::nGetLiveBlocks(), nAvant + 1);
    }
    EXPECT_EQ(nCompte(cl.pclGetValeur()->_pGetPointeur()), 1u);
    // A value duplicated onto itself is left alone.
    cl.pclGetValeur()->Duplique(&cl);
    EXPECT_EQ(sDSTRA(cl), "partage");
}

// A shared string copied onto a value that already holds one of its class (a memo copied row after
// row) shares the source's buffer in place: the target's type word, text, reference counts and the
// rest of its area are those of the general copy onto an empty value, and the copy keeps its text
// when the source is set anew afterwards.
TEST_F(AnyTest, SharedStringCopiedOverAValueOfItsClass) {
    struct Case {
        const char* pszNom;
        const wchar_t* pszSource;  // null: the source holds no string
        unsigned short nDrapeauxSource;
        const wchar_t* pszCible;
        unsigned short nDrapeauxCible;
        bool bMemeTampon;  // the target already shares the source's buffer
    };
    const std::wstring sLong(5000, L'x');
    const Case aCases[] = {
        {"another text", L"source", 0, L"cible", 0, false},
        {"the same buffer", L"source", 0, nullptr, 0, true},
        {"onto a NULL target", L"source", VQTYPE_FLAG_NULL, L"cible", VQTYPE_FLAG_NULL, false},
        {"from a NULL source", L"nul", VQTYPE_FLAG_NULL, L"cible", 0, false},
        {"both flags carried", L"drapeaux", VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400, L"cible", VQTYPE_FLAG_0400, false},
        {"flags of the target dropped", L"source", 0, L"cible", VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400, false},
        {"a source without a string", nullptr, 0, L"cible", 0, false},
        {"onto a target without a string", L"source", 0, nullptr, 0, false},
        {"a text longer than any kept buffer", sLong.c_str(), 0, L"court", 0, false},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        const long nAvant = standin::nGetLiveBlocks();
        {
            CAny clSource;
            clSource.__SetType(VQTYPE_DSTRW, 0);
            if (c.pszSource != nullptr) clSource.pclGetValeur()->SetValue(c.pszSource, wcslen(c.pszSource) * 4);
            clSource.SetFlags(c.nDrapeauxSource);
            CAny clCible;
            if (c.bMemeTampon) {
                clCible = clSource;
            } else {
                clCible.__SetType(VQTYPE_DSTRW, 0);
                if (c.pszCible != nullptr) clCible.pclGetValeur()->SetValue(c.pszCible, wcslen(c.pszCible) * 4);
            }
            clCible.SetFlags(c.nDrapeauxCible);
            // Something of the target's own beyond its string, which a value made anew does not keep.
            if (c.nDrapeauxCible != 0) clCible.pbyGetValeur()[20] = 0x5A;
            void* pAncien = clCible.pclGetValeur()->_pGetPointeur();
            const uint32_t nCompteAncien = pAncien != nullptr && pAncien != clSource.pclGetValeur()->_pGetPointeur()
                                               ? nCompte(pAncien)
                                               : 0;
            CAny clAutre;  // another holder keeps the target's old buffer alive to read its count
            if (nCompteAncien != 0) clAutre = clCible;

            // The general copy onto an empty value, for comparison.
            CAny clReference;
            clSource.pclGetValeur()->Duplique(&clReference);
            clSource.pclGetValeur()->Duplique(&clCible);

            EXPECT_EQ(wTypeBrut(clCible), wTypeBrut(clReference));
            EXPECT_EQ(clCible.nGetType(), VQTYPE_DSTRW | (c.nDrapeauxSource & (VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400)));
            EXPECT_EQ(memcmp(clCible.pbyGetValeur(), clReference.pbyGetValeur(), VQTAILLE_VALEUR), 0);
            void* pSource = clSource.pclGetValeur()->_pGetPointeur();
            EXPECT_EQ(clCible.pclGetValeur()->_pGetPointeur(), pSource);
            if (pSource != nullptr) {
                EXPECT_EQ(nCompte(pSource), 3u);  // the source, the reference and the target
            }
            if (nCompteAncien != 0) {
                EXPECT_EQ(nCompte(pAncien), 1u);  // the target's reference given back
            }
            EXPECT_EQ(sDSTRW(clCible), c.pszSource != nullptr ? c.pszSource : L"");

            // The source set anew leaves the copy as it was.
            clSource.__SetType(VQTYPE_DSTRW, 0);
            clSource.pclGetValeur()->SetValue(L"changed", 28);
            clSource.SetFlags(VQTYPE_FLAG_0400);
            EXPECT_EQ(sDSTRW(clCible), c.pszSource != nullptr ? c.pszSource : L"");
            EXPECT_EQ(clCible.nGetType(), clReference.nGetType());
            EXPECT_EQ(sDSTRW(clSource), L"changed");
        }
        EXPECT_EQ(standin::nGetLiveBlocks(), nAvant);
    }

    // A target of another class (an 8-bit shared string) is made anew by the general copy.
    CAny clSource;
    clSource.__SetType(VQTYPE_DSTRW, 0);
    clSource.pclGetValeur()->SetValue(L"large", 20);
    CAny clCible;
    clCible.__SetType(VQTYPE_DSTRA, 0);
    clCible.pclGetValeur()->SetValue("etroit", 6);
    clSource.pclGetValeur()->Duplique(&clCible);
    EXPECT_EQ(clCible.nGetType(), VQTYPE_DSTRW);
    EXPECT_EQ(sDSTRW(clCible), L"large");
}

// ---------------------------------------------------------------------------------------------------
// Raw values from the host
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyTest, TransferTakesOverTheHostsValueWithoutAReference) {
    const long nAvant = standin::nGetLiveBlocks();
    CAny cl;
    cl.__SetType(VQTYPE_DSTRA, 0);
    cl.pclGetValeur()->SetValue("old", 3);
    cl.SetNull(1);

    // A wide string the host made: the value owns its only reference from now on.
    CXYString<wchar_t> clHote(L"from host");
    wchar_t* pszHote = clHote.pszDetacheBuffer();
    unsigned char abyZone[VQTAILLE_VALEUR] = {};
    memcpy(abyZone, &pszHote, sizeof(pszHote));
    cl.__TransfertValeurInterne(VQTYPE_DSTRW, abyZone);
    EXPECT_EQ(cl.nGetType(), VQTYPE_DSTRW);
    EXPECT_EQ(sDSTRW(cl), L"from host");
    EXPECT_EQ(nCompte(pszHote), 1u);
    EXPECT_EQ(standin::nGetLiveBlocks(), nAvant + 1);  // "old" went back to the allocator

    const int64_t n = -77;
    memset(abyZone, 0, sizeof(abyZone));
    memcpy(abyZone, &n, sizeof(n));
    cl.__TransfertValeurInterne(VQTYPE_I8, abyZone);
    EXPECT_EQ(cl.nGetType(), VQTYPE_I8);
    EXPECT_EQ(tValeurBrute<int64_t>(cl), -77);
    EXPECT_EQ(standin::nGetLiveBlocks(), nAvant);
}

TEST_F(AnyTest, TransferReleasesOwnedTextsAndDecimals) {
    CVQConv::s_piDecimalFactory = standin::piGetDecimalFactory();
    const int32_t n = 5;
    unsigned char abyZone[VQTAILLE_VALEUR] = {};
    memcpy(abyZone, &n, sizeof(n));
    for (unsigned short nType : {VQTYPE_PSTRA, VQTYPE_PSTRW, VQTYPE_DECIMAL, VQTYPE_BIN}) {
        CAny cl;
        cl.__SetType(nType, 0);
        if (nType == VQTYPE_PSTRA) cl.pclGetValeur()->SetValue("owned");
        if (nType == VQTYPE_PSTRW) cl.pclGetValeur()->SetValue(L"owned");
        if (nType == VQTYPE_BIN) cl.SetBIN(reinterpret_cast<const unsigned char*>("ab"), 2);
        cl.__TransfertValeurInterne(VQTYPE_I4, abyZone);
        EXPECT_EQ(cl.nGetType(), VQTYPE_I4);
        EXPECT_EQ(tValeurBrute<int32_t>(cl), 5);
    }
    EXPECT_EQ(standin::nGetLiveDecimals(), 0);  // heap texts are checked by the sanitizer
}

TEST_F(AnyTest, EightByteBinaryReadAsDurationOrDateTime) {
    const unsigned char aby8[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    struct Case {
        const char* pszNom;
        int (CAny::*pfn)();
        unsigned short nType;
    } aCases[] = {{"DUREE", &CAny::nCastFrom_BIN_DUREE_To_DUREE, VQTYPE_DUREE},
                  {"DATEHEURE", &CAny::nCastFrom_BIN_DATEHEURE_To_DATEHEURE, VQTYPE_DATETIME}};
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CAny cl;
        cl.SetBIN(aby8, 8);
        EXPECT_EQ((cl.*c.pfn)(), 0);
        EXPECT_EQ(cl.nGetType(), c.nType);
        EXPECT_EQ(memcmp(cl.pbyGetValeur(), aby8, 8), 0);

        // The NULL flag survives the cast, as it survives a conversion.
        cl.SetBIN(aby8, 8);
        cl.SetNull(1);
        EXPECT_EQ((cl.*c.pfn)(), 0);
        EXPECT_EQ(cl.nGetType(), c.nType | VQTYPE_FLAG_NULL);

        for (unsigned long nTaille : {0UL, 7UL, 9UL}) {
            cl.SetBIN(aby8, nTaille);
            EXPECT_EQ((cl.*c.pfn)(), 104) << nTaille;
            EXPECT_EQ(cl.nGetType(), VQTYPE_BIN);
        }
        cl.SetI8(1);
        EXPECT_EQ((cl.*c.pfn)(), 104);
        EXPECT_EQ(cl.nGetType(), VQTYPE_I8);
    }
}

TEST_F(AnyTest, ByteStringFromAnArrayOfValues) {
    CAny atab[3];
    atab[0].SetUI1(1);
    atab[1].SetI2(255);
    atab[2].SetI1(-1);
    CVQBIN clBin;
    ASSERT_EQ(clBin.nAssignInit(STTabAny{atab, 3}), 0);
    ASSERT_EQ(clBin.nGetTaille(), 3);
    EXPECT_EQ(memcmp(clBin.pbyGet(), "\x01\xFF\xFF", 3), 0);

    // One value that is not a byte: nothing is touched.
    atab[1].SetI2(-1);
    EXPECT_EQ(clBin.nAssignInit(STTabAny{atab, 3}), 115);
    EXPECT_EQ(clBin.nGetTaille(), 3);
    atab[1].SetR8(1);
    EXPECT_EQ(clBin.nAssignInit(STTabAny{atab, 3}), 115);

    EXPECT_EQ(clBin.nAssignInit(STTabAny{atab, 0}), 0);
    EXPECT_EQ(clBin.pbyGet(), nullptr);
    EXPECT_EQ(clBin.nAssignInit(STTabAny{atab, 0x7FFFFF00}), 108);
}

// ---------------------------------------------------------------------------------------------------
// Text access
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyTest, SetStringConvertsIntoAnEightBitSharedString) {
    CAny cl;
    cl.SetI4(1);
    cl.SetNull(1);
    STOCAW st{1252};
    EXPECT_EQ(cl.__nSetString(L"h\u00E9llo", -1, &st), 0);
    EXPECT_EQ(cl.nGetType(), VQTYPE_DSTRA);
    EXPECT_EQ(sDSTRA(cl), "h\xE9llo");

    // Without a descriptor: the host's current code page.
    standin::SetCodePage(65001);
    EXPECT_EQ(cl.__nSetString(L"\u00E9t\u00E9x", 3, nullptr), 0);
    EXPECT_EQ(sDSTRA(cl), "\xC3\xA9t\xC3\xA9");
}

TEST_F(AnyTest, FillStringSharesCopiesOrAsksTheHost) {
    CAny cl;
    CXYString<char> clA;
    CXYString<wchar_t> clW;

    cl.__SetType(VQTYPE_DSTRA, 0);
    cl.pclGetValeur()->SetValue("shared", 6);
    cl.SetNull(1);  // a NULL DSTRA still gives its buffer
    EXPECT_EQ(cl.__nFillString(clA, nullptr), 0);
    EXPECT_EQ(clA.pszGetBuffer(), cl.pclGetValeur()->_pGetPointeur());

    cl.SetDATEA("2024");
    EXPECT_EQ(cl.__nFillString(clA, nullptr), 0);
    EXPECT_STREQ(clA.pszGet(), "2024");
    cl.__SetType(VQTYPE_PSTRA, 0);
    EXPECT_EQ(cl.__nFillString(clA, nullptr), 0);
    EXPECT_TRUE(clA.bEstVide());

    cl.__SetType(VQTYPE_CARW, 0);
    cl.pclGetValeur()->SetValue(L"Z");
    EXPECT_EQ(cl.__nFillString(clW, nullptr), 0);
    EXPECT_STREQ(clW.pszGet(), L"Z");
    cl.__SetType(VQTYPE_DSTRW, 0);
    cl.pclGetValeur()->SetValue(L"wide", 16);
    EXPECT_EQ(cl.__nFillString(clW, nullptr), 0);
    EXPECT_EQ(clW.pszGetBuffer(), cl.pclGetValeur()->_pGetPointeur());

    // A number goes to the host, with flags 0 and the code alone; without a binding it is refused.
    cl.SetI4(42);
    EXPECT_EQ(cl.__nFillString(clA, nullptr), 105);
    ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
    standin::ResetVM();
    cl.SetNull(1);
    STOCAW st{1252};
    EXPECT_EQ(cl.__nFillString(clA, &st), 0);
    EXPECT_STREQ(clA.pszGet(), "42");
    EXPECT_EQ(cl.__nFillString(clW, nullptr), 0);
    EXPECT_STREQ(clW.pszGet(), L"42");
    auto tabCalls = standin::GetVMCalls();
    ASSERT_EQ(tabCalls.size(), 2u);  // no release call follows
    EXPECT_EQ(tabCalls[0].sNom, "nConversionDepassementExt");
    EXPECT_EQ(tabCalls[0].nTypeA, VQTYPE_I4);
    EXPECT_EQ(tabCalls[0].nTypeB, VQTYPE_DSTRA);
    EXPECT_EQ(tabCalls[0].dwFlags, 0u);
    EXPECT_EQ(tabCalls[0].pstCaw, &st);
    EXPECT_EQ(tabCalls[1].nTypeB, VQTYPE_DSTRW);

    standin::SetVMAnswer("nConversionDepassementExt", 130);
    EXPECT_EQ(cl.__nFillString(clA, nullptr), 130);
    EXPECT_STREQ(clA.pszGet(), "42");
}

TEST_F(AnyTest, UnshareMakesTheTextPrivate) {
    for (unsigned short nType : {VQTYPE_DSTRA, VQTYPE_DSTRW}) {
        SCOPED_TRACE(nType);
        CAny cl;
        cl.__SetType(nType, 0);
        if (nType == VQTYPE_DSTRA)
            cl.pclGetValeur()->SetValue("abc", 3);
        else
            cl.pclGetValeur()->SetValue(L"abc", 12);
        CAny clAutre(cl);
        void* pAvant = cl.pclGetValeur()->_pGetPointeur();
        EXPECT_EQ(cl.nUnshare(), 0);
        void* pApres = cl.pclGetValeur()->_pGetPointeur();
        EXPECT_NE(pApres, pAvant);
        EXPECT_EQ(nCompte(pAvant), 1u);
        EXPECT_EQ(nCompte(pApres), 1u);
        unsigned long n = 0;
        cl.pclGetValeur()->nGetSTRLEN(&n);
        EXPECT_EQ(n, 3u);
        EXPECT_EQ(cl.nUnshare(), 0);  // already private: kept
        EXPECT_EQ(cl.pclGetValeur()->_pGetPointeur(), pApres);
    }
    CAny cl;
    cl.SetI4(1);
    EXPECT_EQ(cl.nUnshare(), 0);
}

}  // namespace
