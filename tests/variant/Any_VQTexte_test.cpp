// The text and byte classes of the variant: shared wide and 8-bit strings (data views, setting from
// characters or by sharing, conversions from 8-bit and UTF-16 text), owned C strings, the fixed
// date and time texts, the two character classes and the shared byte string.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/VQBIN.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"
#include "variant/Any_VQCARW.h"
#include "variant/Any_VQDSTRW.h"
#include "variant/Any_VQPSTRW.h"

namespace {

std::string sA(const CAny& cl) {
    const char* psz = nullptr;
    return cl.pclGetValeur()->nGetPCASTR(&psz) == 0 ? std::string(psz) : "<none>";
}
std::wstring sW(const CAny& cl) {
    const wchar_t* psz = nullptr;
    return cl.pclGetValeur()->nGetPCWSTR(&psz) == 0 ? std::wstring(psz) : L"<none>";
}
void* pBuffer(const CAny& cl) {
    return cl.pclGetValeur()->_pGetPointeur();
}
// The sizes a value reports. (The value object lies 4 bytes into its record, so its class pointer
// is not 8-aligned: it is called directly, never through a pointer to member.)
unsigned long nDonnees(const CAny& cl) {
    unsigned long n = 12345;
    cl.pclGetValeur()->nGetDataSize(&n);
    return n;
}
unsigned long nUtiles(const CAny& cl) {
    unsigned long n = 12345;
    cl.pclGetValeur()->nGetUtilDataSize(&n);
    return n;
}
unsigned long nLongueur(const CAny& cl) {
    unsigned long n = 12345;
    cl.pclGetValeur()->nGetSTRLEN(&n);
    return n;
}

class AnyVQTexteTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

// ---------------------------------------------------------------------------------------------------
// Shared strings
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQTexteTest, EmptySharedStringsHaveOnlyATerminator) {
    struct Case {
        unsigned short nType;
        unsigned long nDonnees;
    } aCases[] = {{VQTYPE_DSTRA, 1}, {VQTYPE_DSTRW, 4}};
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.nType);
        CAny cl;
        cl.__SetType(c.nType, 0);
        EXPECT_EQ(nDonnees(cl), c.nDonnees);
        EXPECT_EQ(nUtiles(cl), 0u);
        EXPECT_EQ(nLongueur(cl), 0u);
        unsigned char aby[8];
        memset(aby, 0x55, sizeof(aby));
        EXPECT_EQ(cl.pclGetValeur()->nFillDataBuffer(aby), 0);
        for (unsigned long i = 0; i < 8; i++) EXPECT_EQ(aby[i], i < c.nDonnees ? 0 : 0x55) << i;
        void* p = nullptr;
        EXPECT_EQ(cl.pclGetValeur()->nGetDataAdr(&p), 0);
        EXPECT_NE(p, nullptr);  // the shared empty string
    }
}

TEST_F(AnyVQTexteTest, SettingCharactersOfAnEightBitString) {
    struct Case {
        const char* pszNom;
        const char* psz;
        unsigned long n;
        const char* pszAttendu;
        bool bSansChaine;
    } aCases[] = {
        {"whole text with -1", "abcdef", 0xFFFFFFFFUL, "abcdef", false},
        {"-1 as a 64-bit value", "abcdef", ~0UL, "abcdef", false},
        {"three", "abcdef", 3, "abc", false},
        {"zero", "abcdef", 0, "", true},
        {"null", nullptr, 4, "", true},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CAny cl;
        cl.__SetType(VQTYPE_DSTRA, 0);
        cl.pclGetValeur()->SetValue("previous", 8);
        cl.pclGetValeur()->SetValue(c.psz, c.n);
        EXPECT_EQ(sA(cl), c.pszAttendu);
        EXPECT_EQ(pBuffer(cl) == nullptr, c.bSansChaine);
    }
}

TEST_F(AnyVQTexteTest, SettingCharactersReusesOnlyAPrivateBuffer) {
    CAny cl;
    cl.__SetType(VQTYPE_DSTRW, 0);
    cl.pclGetValeur()->SetValue(L"longer text", 44);
    void* pPrive = pBuffer(cl);
    cl.pclGetValeur()->SetValue(L"short", 8);  // bytes: two characters
    EXPECT_EQ(sW(cl), L"sh");
    EXPECT_EQ(pBuffer(cl), pPrive);

    CAny clAutre(cl);
    cl.pclGetValeur()->SetValue(L"new", 0xFFFFFFFFUL);
    EXPECT_EQ(sW(cl), L"new");
    EXPECT_NE(pBuffer(cl), pPrive);
    EXPECT_EQ(sW(clAutre), L"sh");
    EXPECT_EQ(nDonnees(cl), 16u);
    EXPECT_EQ(nUtiles(cl), 12u);
}

TEST_F(AnyVQTexteTest, SharingInAndOut) {
    CXYString<char> clSource("shared");
    CAny cl;
    cl.__SetType(VQTYPE_DSTRA, 0);
    cl.pclGetValeur()->SetValue(&clSource);
    EXPECT_EQ(pBuffer(cl), clSource.pszGetBuffer());
    EXPECT_EQ(CBaseStrMem::s_nGetCount(clSource.pszGetBuffer()), 2u);
    cl.pclGetValeur()->SetValue(cl.pbyGetValeur());  // from its own cell: unchanged
    EXPECT_EQ(CBaseStrMem::s_nGetCount(clSource.pszGetBuffer()), 2u);

    CXYString<char> clCible("other");
    EXPECT_EQ(cl.pclGetValeur()->nFillBuffer(&clCible), 0);
    EXPECT_EQ(clCible.pszGetBuffer(), clSource.pszGetBuffer());
    EXPECT_EQ(CBaseStrMem::s_nGetCount(clSource.pszGetBuffer()), 3u);

    char sz[8] = {};
    EXPECT_EQ(cl.pclGetValeur()->nFillUtilDataBuffer(sz), 0);
    EXPECT_STREQ(sz, "shared");
    EXPECT_EQ(nDonnees(cl), 7u);
}

TEST_F(AnyVQTexteTest, WideStringFromEightBitText) {
    standin::SetCodePage(1252);
    CAny cl;
    cl.__SetType(VQTYPE_DSTRW, 0);
    CAny_Intern* pcl = cl.pclGetValeur();
    // The text's terminator is not taken into the string.
    pcl->SetValueFromANSI("\xE9t\xE9");
    EXPECT_EQ(sW(cl), L"\u00E9t\u00E9");
    EXPECT_EQ(nLongueur(cl), 3u);

    standin::SetCodePage(65001);
    pcl->SetValueFromANSI("\xC3\xA9t\xC3\xA9xyz", 5);
    EXPECT_EQ(sW(cl), L"\u00E9t\u00E9");
    pcl->SetValueFromANSI_CP(1252, "\xC3\xA9");
    EXPECT_EQ(sW(cl), L"\u00C3\u00A9");
    pcl->SetValueFromANSI_CP(65001, "\xC3\xA9!", 0xFFFFFFFFUL);
    EXPECT_EQ(sW(cl), L"\u00E9!");
    pcl->SetValueFromANSI(nullptr);
    EXPECT_EQ(pBuffer(cl), nullptr);
}

TEST_F(AnyVQTexteTest, UTF16IntoWideValues) {
    const unsigned short awUnites[] = {'a', 0xD83D, 0xDE00, 'b'};
    CAny cl;
    cl.__SetType(VQTYPE_DSTRW, 0);
    CAny_VQDSTRW::s_SetFromUTF16(&cl, awUnites, 4);
    EXPECT_EQ(sW(cl), L"a\U0001F600b");
    EXPECT_EQ(nUtiles(cl), 12u);
    CAny_VQDSTRW::s_SetFromUTF16(&cl, awUnites, 0);
    EXPECT_EQ(pBuffer(cl), nullptr);

    CAny clP;
    clP.__SetType(VQTYPE_PSTRW, 0);
    CAny_VQPSTRW::s_SetFromUTF16(&clP, awUnites, 3);
    EXPECT_EQ(sW(clP), L"a\U0001F600");
    CAny_VQPSTRW::s_SetFromUTF16(&clP, awUnites, 0);  // nothing changes
    EXPECT_EQ(sW(clP), L"a\U0001F600");

    CAny clC;
    clC.__SetType(VQTYPE_CARW, 0);
    CAny_VQCARW::s_SetFromUTF16(&clC, awUnites + 1, 3);
    EXPECT_EQ(sW(clC), L"\U0001F600");

    // Into a value of another type: nothing is written.
    CAny clI;
    clI.SetI4(3);
    CAny_VQDSTRW::s_SetFromUTF16(&clI, awUnites, 4);
    CAny_VQPSTRW::s_SetFromUTF16(&clI, awUnites, 4);
    CAny_VQCARW::s_SetFromUTF16(&clI, awUnites, 4);
    EXPECT_EQ(clI.nGetType(), VQTYPE_I4);
    int n = 0;
    EXPECT_EQ(clI.nGetINT(&n), 0);
    EXPECT_EQ(n, 3);
}

// ---------------------------------------------------------------------------------------------------
// Owned C strings
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQTexteTest, OwnedEightBitString) {
    CAny cl;
    cl.__SetType(VQTYPE_PSTRA, 0);
    CAny_Intern* pcl = cl.pclGetValeur();
    EXPECT_EQ(sA(cl), "");  // no string reads as empty
    EXPECT_EQ(nDonnees(cl), 1u);
    pcl->SetValue("hello");
    EXPECT_EQ(sA(cl), "hello");
    EXPECT_EQ(nDonnees(cl), 6u);
    EXPECT_EQ(nUtiles(cl), 5u);
    const char* pszCellule = nullptr;
    pcl->nFillBuffer(&pszCellule);
    EXPECT_STREQ(pszCellule, "hello");
    pcl->SetValue("hello", 2);
    EXPECT_EQ(sA(cl), "he");
    pcl->SetValue("");
    EXPECT_EQ(pBuffer(cl), nullptr);

    struct Case {
        const char* psz;
        unsigned long n;
        unsigned int dwOption;
        std::string sAttendu;  // the whole writable buffer, terminator included
    } aCases[] = {
        {"abcdefgh", 5, 1, std::string("abcde\0", 6)}, {"ab", 5, 1, std::string("ab\0\0\0\0", 6)},
        {nullptr, 3, 1, std::string("\0\0\0\0", 4)},   {"abcdefgh", 5, 0, std::string("abcde\0", 6)},
        {"abcdefgh", 5, 2, std::string("abcde\0", 6)},
    };
    for (const Case& c : aCases) {
        pcl->SetValueOption(c.psz, c.n, c.dwOption);
        const char* psz = static_cast<const char*>(pBuffer(cl));
        ASSERT_NE(psz, nullptr);
        EXPECT_EQ(std::string(psz, c.sAttendu.size()), c.sAttendu) << c.n << "/" << c.dwOption;
    }
    CAny clCopie(cl);
    EXPECT_NE(pBuffer(clCopie), pBuffer(cl));  // an owned string is copied, not shared
    EXPECT_EQ(sA(clCopie), "abcde");
}

TEST_F(AnyVQTexteTest, OwnedWideString) {
    CAny cl;
    cl.__SetType(VQTYPE_PSTRW, 0);
    CAny_Intern* pcl = cl.pclGetValeur();
    EXPECT_EQ(nDonnees(cl), 4u);
    pcl->SetValue(L"abc", 8);  // bytes
    EXPECT_EQ(sW(cl), L"ab");
    EXPECT_EQ(nLongueur(cl), 2u);
    pcl->SetValueFromANSI("\xE9t\xE9");
    EXPECT_EQ(sW(cl), L"\u00E9t\u00E9");
    pcl->SetValueFromANSI("\xE9t\xE9", 2);
    EXPECT_EQ(sW(cl), L"\u00E9t");
    pcl->SetValueFromANSI_CP(65001, "\xC3\xA9");
    EXPECT_EQ(sW(cl), L"\u00E9");
    pcl->SetValueFromANSI("abc", 0);
    EXPECT_EQ(pBuffer(cl), nullptr);
    // An unaligned wide text is read as it lies.
    alignas(4) unsigned char aby[4 * 4 + 1] = {};
    const wchar_t szSource[] = L"xyz";
    memcpy(aby + 1, szSource, sizeof(szSource));
    pcl->SetValue(aby + 1);
    EXPECT_EQ(sW(cl), L"xyz");
}

// ---------------------------------------------------------------------------------------------------
// Fixed texts
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQTexteTest, FixedTextsKeepTheirWidth) {
    CAny cl;
    cl.SetDATEW(L"2024010199");
    EXPECT_EQ(sW(cl), L"20240101");
    wchar_t aw[10];
    wmemset(aw, L'#', 10);
    EXPECT_EQ(cl.pclGetValeur()->nFillBuffer(aw), 0);
    EXPECT_EQ(std::wstring(aw, 9), L"20240101#");  // no terminator
    cl.SetDATEW(L"2024");
    wmemset(aw, L'#', 10);
    cl.pclGetValeur()->nFillDataBuffer(aw);
    EXPECT_EQ(std::wstring(aw, 6), std::wstring(L"2024\0#", 6));
    EXPECT_EQ(nUtiles(cl), 32u);  // a date's whole cell

    cl.SetTIMEW(L"1234567890");
    EXPECT_EQ(sW(cl), L"123456789");
    EXPECT_EQ(nUtiles(cl), 36u);

    cl.SetTIMEA("12");
    EXPECT_EQ(sA(cl), "12");
    EXPECT_EQ(nUtiles(cl), 2u);
    char sz[12];
    memset(sz, '#', sizeof(sz));
    cl.pclGetValeur()->nFillUtilDataBuffer(sz);
    EXPECT_EQ(std::string(sz, 4), std::string("12\0#", 4));
}

TEST_F(AnyVQTexteTest, FixedTextsConvertInCodePage1252) {
    CAny cl;
    cl.__SetType(VQTYPE_DATEW, 0);
    cl.pclGetValeur()->SetValueFromANSI("2024\xE9");
    EXPECT_EQ(sW(cl), L"2024\u00E9");
    cl.pclGetValeur()->SetValueFromANSI("202401019999");
    EXPECT_EQ(sW(cl), L"20240101");
    cl.pclGetValeur()->SetValueFromANSI("20240101", 4);
    EXPECT_EQ(sW(cl), L"2024");

    cl.__SetType(VQTYPE_TIMEW, 0);
    cl.pclGetValeur()->SetValueFromANSI_CP(65001, "1234567890");  // the code page is not used
    EXPECT_EQ(sW(cl), L"123456789");

    cl.__SetType(VQTYPE_DATEA, 0);
    cl.pclGetValeur()->SetValueFromUNICODE(L"20240229xyz");
    EXPECT_EQ(sA(cl), "20240229");
    cl.__SetType(VQTYPE_TIMEA, 0);
    cl.pclGetValeur()->SetValueFromUNICODE(L"12\u00E9");
    EXPECT_EQ(sA(cl), "12\xE9");
    cl.pclGetValeur()->SetValueFromUNICODE(nullptr);
    EXPECT_EQ(sA(cl), "");
}

// ---------------------------------------------------------------------------------------------------
// Characters
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQTexteTest, CharactersConvertOneCharacter) {
    struct Case {
        const char* pszNom;
        int nCodePage;  // 0: the form without a code page
        const char* pszOctet;
        wchar_t wCaractere;
    } aCases[] = {
        {"1252", 0, "\xE9", L'\u00E9'},
        {"1252 given", 1252, "\x80", L'\u20AC'},
        {"1251", 1251, "\xC6", L'\u0416'},
        {"ASCII", 0, "A", L'A'},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CAny clW;
        clW.__SetType(VQTYPE_CARW, 0);
        CAny clA;
        clA.__SetType(VQTYPE_CARA, 0);
        if (c.nCodePage == 0) {
            clW.pclGetValeur()->SetValueFromANSI(c.pszOctet);
            clA.pclGetValeur()->SetValueFromUNICODE(&c.wCaractere);
        } else {
            clW.pclGetValeur()->SetValueFromANSI_CP(c.nCodePage, c.pszOctet, 5);
            clA.pclGetValeur()->SetValueFromUNICODE_CP(c.nCodePage, &c.wCaractere);
        }
        EXPECT_EQ(sW(clW), std::wstring(1, c.wCaractere));
        EXPECT_EQ(sA(clA), std::string(c.pszOctet));
        EXPECT_EQ(nLongueur(clA), 1u);
        EXPECT_EQ(nLongueur(clW), 1u);
    }
    CAny cl;
    cl.__SetType(VQTYPE_CARA, 0);
    cl.pclGetValeur()->SetValue("xyz");
    EXPECT_EQ(sA(cl), "x");
}

// ---------------------------------------------------------------------------------------------------
// Shared bytes
// ---------------------------------------------------------------------------------------------------

TEST_F(AnyVQTexteTest, BinaryValue) {
    CAny cl;
    cl.__SetType(VQTYPE_BIN, 0);
    void* p = &cl;
    EXPECT_EQ(cl.pclGetValeur()->nGetDataAdr(&p), 0);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(nDonnees(cl), 0u);

    const unsigned char aby[] = {0, 1, 2, 0, 4};
    cl.SetBIN(aby, 5);
    unsigned char abyLu[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(cl.pclGetValeur()->nFillDataBuffer(abyLu), 0);
    EXPECT_EQ(memcmp(abyLu, "\0\1\2\0\4\x09", 6), 0);  // no terminator

    CVQBIN clCible;
    cl.pclGetValeur()->nFillBuffer(&clCible);
    EXPECT_EQ(clCible.pbyGet(), pBuffer(cl));
    CAny clAutre;
    clAutre.__SetType(VQTYPE_BIN, 0);
    clAutre.pclGetValeur()->SetValue(&clCible);
    EXPECT_EQ(pBuffer(clAutre), pBuffer(cl));
    EXPECT_EQ(CBaseStrMem::s_nGetCount(clCible.pbyGet()), 3u);

    cl.SetBIN(aby, 0);
    EXPECT_EQ(pBuffer(cl), nullptr);
    EXPECT_EQ(clCible.nGetTaille(), 5);
}

}  // namespace
