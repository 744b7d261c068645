// Shared strings through the stand-in host's allocator: the header as the host sees it, sharing and
// unsharing, the size limits, refused allocations, the allocator's slots by version, the multiple
// assignment, and the STManipAUB readers.
#include "core/XYString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/InformationDLL.h"
#include "core/ManipAUB.h"
#include "core/NomStandardStatique.h"
#include "tests/core/SizeLimitCases.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

using CWString = CXYString<wchar_t>;
using CAString = CXYString<char>;

// The four header words in front of a text, read as raw memory the way the host reads them.
uint32_t dwHeaderWord(const void* pText, int nWord) {
    uint32_t dw;
    memcpy(&dw, static_cast<const unsigned char*>(pText) - 16 + 4 * nWord, sizeof(dw));
    return dw;
}
enum { FLAGS = 0, COUNT = 1, CAPACITY = 2, LENGTH = 3 };

uint32_t dwAfterText(const void* pText, int nBytes) {
    uint32_t dw;
    memcpy(&dw, static_cast<const unsigned char*>(pText) + nBytes, sizeof(dw));
    return dw;
}

std::wstring sText(const CWString& s) {
    return std::wstring(s.pszGet(), s.nGetLongueur());
}
std::string sText(const CAString& s) {
    return std::string(s.pszGet(), s.nGetLongueur());
}

// Writes the flags word directly, as the host may have done before handing the value over.
void SetRawFlags(const void* pText, uint32_t dwFlags) {
    CBaseStrMem::s_pstGetHeader(pText)->dwFlags = dwFlags;
}

class XYStringTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
    void TearDown() override { KXInstallStandInHost(); }
};

TEST_F(XYStringTest, HeaderAndTerminatorAsTheHostSeesThem) {
    CWString sW(L"abc");
    ASSERT_NE(sW.pszGetBuffer(), nullptr);
    EXPECT_EQ(dwHeaderWord(sW.pszGetBuffer(), FLAGS), 0u);
    EXPECT_EQ(dwHeaderWord(sW.pszGetBuffer(), COUNT), 1u);
    EXPECT_GE(dwHeaderWord(sW.pszGetBuffer(), CAPACITY), 12u);
    EXPECT_EQ(dwHeaderWord(sW.pszGetBuffer(), LENGTH), 12u);  // bytes, not characters
    EXPECT_EQ(dwAfterText(sW.pszGetBuffer(), 12), 0u);

    // The 8-bit text gets a 32-bit zero too, past a capacity of exactly 3 bytes.
    CAString sA("abc");
    EXPECT_EQ(dwHeaderWord(sA.pszGetBuffer(), LENGTH), 3u);
    EXPECT_EQ(dwAfterText(sA.pszGetBuffer(), 3), 0u);

    // A copy is one more count in the same header.
    CWString sCopy(sW);
    EXPECT_EQ(sCopy.pszGetBuffer(), sW.pszGetBuffer());
    EXPECT_EQ(dwHeaderWord(sW.pszGetBuffer(), COUNT), 2u);
    sCopy.ReleaseDynStr();
    EXPECT_EQ(sCopy.pszGetBuffer(), nullptr);
    EXPECT_EQ(dwHeaderWord(sW.pszGetBuffer(), COUNT), 1u);

    // A shorter assignment into the reused buffer moves the terminator with the length.
    ASSERT_EQ(sA.nAffecte("xy", 2), 0);
    EXPECT_EQ(dwAfterText(sA.pszGetBuffer(), 2), 0u);
}

TEST_F(XYStringTest, EmptyValuesReadAsConstantEmptyTexts) {
    CWString sW;
    CAString sA;
    EXPECT_EQ(sW.pszGetBuffer(), nullptr);
    EXPECT_STREQ(sW.pszGet(), L"");
    EXPECT_STREQ(sA.pszGet(), "");
    EXPECT_EQ(dwHeaderWord(CWString::ChaineVide, LENGTH), 0u);
    EXPECT_EQ(dwHeaderWord(CBaseStrMem::ChaineVide, LENGTH), 0u);
    EXPECT_EQ(static_cast<uint32_t>(CWString::ChaineMarqueurFin[0]), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<unsigned char>(CAString::ChaineMarqueurFin[0]), 0xFF);
    EXPECT_EQ(dwHeaderWord(CAString::ChaineMarqueurFin, FLAGS) & 1, 1u);
    EXPECT_STREQ(CNomStandardStatique::ChaineVide.pszGetNom(), L"");
    EXPECT_STREQ(CNomStandardStatique::ChaineVide.pszGetNomStandard(), L"");
}

// Every writing operation on one of two sharing values: the other keeps its text, the writer gets
// its own buffer, and the writer's flags word is the old one (bit 0 cleared where text is appended).
TEST_F(XYStringTest, WriteThroughOneOfTwoSharingValues) {
    CWString sOther(L"xyz");
    SetRawFlags(sOther.pszGetBuffer(), 0x10001);
    struct Case {
        const char* pszName;
        std::function<int(CWString&)> fnWrite;
        std::wstring sExpected;
        uint32_t dwExpectedFlags;
    } cases[] = {
        {"nSetLength longer", [](CWString& s) { return s.nSetLength(10); }, L"hello", 0x10001},
        {"nSetLength shorter", [](CWString& s) { return s.nSetLength(2); }, L"he", 0x10001},
        {"nUnshare", [](CWString& s) { return s.nUnshare(); }, L"hello", 0x10001},
        {"nConcat text", [](CWString& s) { return s.nConcat(L"!!", 2); }, L"hello!!", 0x10000},
        {"nConcat value", [&](CWString& s) { return s.nConcat(sOther); }, L"helloxyz", 0x10001},
        {"nAffecteConversion", [](CWString& s) { return s.nAffecteConversion(L"new", -1); }, L"new", 0},
        {"__nAffecteMultiple", [](CWString& s) { return s.__nAffecteMultiple(2, L"a", L"b"); }, L"ab", 0x10000},
        {"nSetFlags", [](CWString& s) { return s.nSetFlags(7); }, L"hello", 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CWString sA(L"hello");
        SetRawFlags(sA.pszGetBuffer(), 0x10001);
        CWString sB(sA);
        ASSERT_EQ(dwHeaderWord(sA.pszGetBuffer(), COUNT), 2u);
        EXPECT_EQ(c.fnWrite(sB), 0);
        EXPECT_EQ(sText(sA), L"hello");
        EXPECT_EQ(dwHeaderWord(sA.pszGetBuffer(), FLAGS), 0x10001u);
        EXPECT_EQ(dwHeaderWord(sA.pszGetBuffer(), COUNT), 1u);
        ASSERT_NE(sB.pszGetBuffer(), sA.pszGetBuffer());
        EXPECT_EQ(sText(sB), c.sExpected);
        EXPECT_EQ(dwHeaderWord(sB.pszGetBuffer(), COUNT), 1u);
        EXPECT_EQ(dwHeaderWord(sB.pszGetBuffer(), FLAGS), c.dwExpectedFlags);
        EXPECT_EQ(dwAfterText(sB.pszGetBuffer(), sB.nGetTailleOctet()), 0u);
    }
}

TEST_F(XYStringTest, ConcatOfAValueSharesIntoAnEmptyOneAndCopiesTheMarker) {
    CWString sA(L"ab"), sEmpty;
    ASSERT_EQ(sEmpty.nConcat(sA), 0);
    EXPECT_EQ(sEmpty.pszGetBuffer(), sA.pszGetBuffer());
    EXPECT_EQ(dwHeaderWord(sA.pszGetBuffer(), COUNT), 2u);

    CWString sSelf;
    EXPECT_EQ(sSelf.nConcat(sSelf), 0);
    EXPECT_EQ(sSelf.pszGetBuffer(), nullptr);

    // A value appended to itself: the text doubles and nothing freed is read.
    CWString sTwice(L"ab");
    ASSERT_EQ(sTwice.nConcat(sTwice), 0);
    EXPECT_EQ(sText(sTwice), L"abab");
    EXPECT_EQ(dwHeaderWord(sTwice.pszGetBuffer(), COUNT), 1u);

    // Bit 0 follows the appended value, in both directions; the other bits stay the writer's.
    CWString sMarked(L"\xFFFFFFFF");
    SetRawFlags(sMarked.pszGetBuffer(), 1);
    CWString sPlain(L"x");
    SetRawFlags(sPlain.pszGetBuffer(), 0x200);
    ASSERT_EQ(sPlain.nConcat(sMarked), 0);
    EXPECT_EQ(sPlain.dwGetFlags(), 0x201u);
    ASSERT_EQ(sPlain.nConcat(sA), 0);
    EXPECT_EQ(sPlain.dwGetFlags(), 0x200u);
    EXPECT_EQ(sText(sPlain), std::wstring(L"x\xFFFFFFFF") + L"ab");
}

TEST_F(XYStringTest, AssignmentAndAppendOfTexts) {
    struct Case {
        const wchar_t* pszStart;  // null: empty value
        const wchar_t* psz;
        int n;
        bool bAppend;
        const wchar_t* pszExpected;  // null: the value must be empty (no buffer)
    } cases[] = {
        {L"abc", L"", -1, false, nullptr},   {L"abc", nullptr, -1, false, nullptr},
        {L"abc", L"xyz", 0, false, nullptr}, {L"abc", nullptr, 3, false, nullptr},
        {L"abc", L"xyz", 2, false, L"xy"},   {nullptr, L"xyz", -1, false, L"xyz"},
        {nullptr, L"xyz", 0, true, nullptr}, {nullptr, nullptr, 3, true, nullptr},
        {L"ab", L"cde", 1, true, L"abc"},    {nullptr, L"cd", 2, true, L"cd"},
        {L"ab", L"cd", -5, true, L"ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.pszStart ? "value" : "empty") << " n=" << c.n << " append=" << c.bAppend);
        CWString s(c.pszStart);
        EXPECT_EQ(c.bAppend ? s.nConcat(c.psz, c.n) : s.nAffecteConversion(c.psz, c.n), 0);
        if (c.pszExpected == nullptr) {
            EXPECT_EQ(s.pszGetBuffer(), nullptr);
        } else {
            ASSERT_NE(s.pszGetBuffer(), nullptr);
            EXPECT_EQ(sText(s), c.pszExpected);
        }
    }
    CWString s;
    s.Add(nullptr);
    EXPECT_EQ(s.pszGetBuffer(), nullptr);
    s.Add(L"ab");
    EXPECT_EQ(s.nConcat(L"cd"), 0);
    EXPECT_EQ(sText(s), L"abcd");
}

TEST_F(XYStringTest, ReusedPrivateBufferDropsTheEndMarkerFlagOnly) {
    CWString s(L"longer text\xFFFFFFFF");
    SetRawFlags(s.pszGetBuffer(), 0x100 | 1);
    const wchar_t* pBefore = s.pszGetBuffer();
    ASSERT_EQ(s.nAffecteConversion(L"short", -1), 0);
    EXPECT_EQ(s.pszGetBuffer(), pBefore);  // fits: the buffer is reused
    EXPECT_EQ(s.dwGetFlags(), 0x100u);

    SetRawFlags(s.pszGetBuffer(), 0x100 | 1);
    ASSERT_EQ(s.__nAffecteMultiple(2, L"a", L"b"), 0);
    EXPECT_EQ(s.dwGetFlags(), 0x100u);

    CAString sA("abc\xFF");
    SetRawFlags(sA.pszGetBuffer(), 1);
    ASSERT_EQ(sA.nAffecte("x", 1), 0);
    EXPECT_EQ(sA.dwGetFlags(), 0u);
}

TEST_F(XYStringTest, SourcesInsideTheValueItself) {
    // The value's own text as source while the buffer has to grow: it must be read before it moves.
    CWString s(L"abc");
    ASSERT_EQ(s.nConcat(s.pszGetBuffer(), 3), 0);
    EXPECT_EQ(sText(s), L"abcabc");
    ASSERT_EQ(s.nAffecteConversion(s.pszGetBuffer() + 2, 3), 0);
    EXPECT_EQ(sText(s), L"cab");
    ASSERT_EQ(s.__nAffecteMultiple(3, s.pszGetBuffer(), L"-", s.pszGetBuffer()), 0);
    EXPECT_EQ(sText(s), L"cab-cab");

    CAString sA("xy");
    ASSERT_EQ(sA.__nAffecteMultiple(3, sA.pszGetBuffer(), sA.pszGetBuffer(), sA.pszGetBuffer()), 0);
    EXPECT_EQ(sText(sA), "xyxyxy");
}

TEST_F(XYStringTest, MultipleAssignment) {
    CWString s(L"old");
    ASSERT_EQ(s.__nAffecteMultiple(3, L"ab", nullptr, L"c"), 0);
    EXPECT_EQ(sText(s), L"abc");
    EXPECT_EQ(dwAfterText(s.pszGetBuffer(), 12), 0u);
    ASSERT_EQ(s.__nAffecteMultiple(3, nullptr, L"", nullptr), 0);
    EXPECT_EQ(s.pszGetBuffer(), nullptr);

    CAString sA;
    ASSERT_EQ(sA.__nAffecteMultiple(4, "a", "bc", "", "def"), 0);
    EXPECT_EQ(sText(sA), "abcdef");
    EXPECT_EQ(sA.nGetCapacite(), 6);  // measured first, allocated once
}

// Wide strings stop where the byte length no longer fits the header's signed 32-bit field; 8-bit
// strings at 0x7FFFFEFF characters.
TEST_F(XYStringTest, SizeLimits) {
    const int REFUSED = SIZE_CASE_REFUSED;
    CheckSizeCases({
        {"8-bit 0x7FFFFEFF", [] { return CAString().nSetLength(0x7FFFFEFF); }, REFUSED, 1},
        {"8-bit 0x7FFFFF00", [] { return CAString().nSetLength(0x7FFFFF00); }, 108, 1},
        {"8-bit negative", [] { return CAString().__nNew(-1, nullptr, 0, 0); }, 108, 1},
        {"wide 0x1FFFFFFF", [] { return CWString().nSetLength(0x1FFFFFFF); }, REFUSED, 1},
        {"wide 0x20000000", [] { return CWString().nSetLength(0x20000000); }, 108, 1},
        {"wide 0x7FFFFEFF", [] { return CWString().__nNew(0x7FFFFEFF, nullptr, 0, 0); }, 108, 1},
        {"wide grow past the byte limit", [] { return CWString(L"abc").nSetLength(0x40000000); }, 108, 2},
        {"wide assignment", [] { return CWString(L"abc").nAffecteConversion(L"x", 0x20000000); }, 108, 2},
        // 3 + 0x7FFFFFFE characters: a 32-bit sum would wrap to a small negative number.
        {"wide append sum", [] { return CWString(L"abc").nConcat(L"x", 0x7FFFFFFE); }, 108, 2},
        {"8-bit append to 0x7FFFFEFF", [] { return CAString("abc").nConcat("x", 0x7FFFFEFC); }, REFUSED, 2},
        {"8-bit append to 0x7FFFFF00", [] { return CAString("abc").nConcat("x", 0x7FFFFEFD); }, 108, 2},
        {"8-bit append into empty", [] { return CAString().nConcat("x", 0x7FFFFF00); }, 108, 1},
    });
    // A size refused before anything is touched leaves even a shared value as it was.
    CWString sOwner(L"abc"), sShared(sOwner);
    EXPECT_EQ(sShared.nSetLength(0x20000000), 108);
    EXPECT_EQ(sShared.pszGetBuffer(), sOwner.pszGetBuffer());
    EXPECT_EQ(sShared.nConcat(L"x", 0x1FFFFFFD), 108);
    EXPECT_EQ(sShared.pszGetBuffer(), sOwner.pszGetBuffer());
}

// A private value keeps its buffer when the allocator says no; a detaching value ends empty and
// its old reference is still given back.
TEST_F(XYStringTest, RefusedAllocation) {
    struct Case {
        const char* pszName;
        bool bShared;
        std::function<int(CWString&)> fnWrite;
    } cases[] = {
        {"grow private", false, [](CWString& s) { return s.nSetLength(100); }},
        {"append private", false, [](CWString& s) { return s.nConcat(L"0123456789", 10); }},
        {"assign private", false, [](CWString& s) { return s.nAffecteConversion(L"0123456789", 10); }},
        {"unshare", true, [](CWString& s) { return s.nUnshare(); }},
        {"append shared", true, [](CWString& s) { return s.nConcat(L"z", 1); }},
        {"assign shared", true, [](CWString& s) { return s.nAffecteConversion(L"z", 1); }},
        {"multiple shared", true, [](CWString& s) { return s.__nAffecteMultiple(1, L"z"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CWString sOwner(L"abc");
        CWString sValue;
        if (c.bShared) {
            sValue = sOwner;
        } else {
            sValue.nAffecteConversion(L"abc", 3);
        }
        const wchar_t* pBefore = sValue.pszGetBuffer();
        standin::RefuseAllocation(1, 55);
        EXPECT_EQ(c.fnWrite(sValue), 55);
        if (c.bShared) {
            EXPECT_EQ(sValue.pszGetBuffer(), nullptr);
            EXPECT_EQ(dwHeaderWord(sOwner.pszGetBuffer(), COUNT), 1u);
        } else {
            EXPECT_EQ(sValue.pszGetBuffer(), pBefore);
            EXPECT_EQ(sText(sValue), L"abc");
        }
        EXPECT_EQ(sText(sOwner), L"abc");
    }
    // The multiple assignment empties the value on any failure, private or not.
    CWString s(L"abc");
    standin::RefuseAllocation(1, 55);
    EXPECT_EQ(s.__nAffecteMultiple(2, L"0123456789", L"0123456789"), 55);
    EXPECT_EQ(s.pszGetBuffer(), nullptr);
}

TEST_F(XYStringTest, AllocatorSlotsByVersion) {
    for (int nVersion : {1, 2, 3}) {
        SCOPED_TRACE(nVersion);
        KXInstallStandInHost();
        standin::SetAllocatorVersion(nVersion);
        {
            CWString s(L"ab");
            ASSERT_EQ(s.nSetLength(50), 0);  // private growth: a reallocation
        }
        bool bEx = nVersion >= 2;
        EXPECT_EQ(standin::nGetSlotCalls(1), bEx ? 0 : 1);
        EXPECT_EQ(standin::nGetSlotCalls(2), bEx ? 0 : 1);
        EXPECT_EQ(standin::nGetSlotCalls(4), bEx ? 1 : 0);
        EXPECT_EQ(standin::nGetSlotCalls(5), bEx ? 1 : 0);
        EXPECT_EQ(standin::nGetSlotCalls(3), 1);
        EXPECT_EQ(standin::nGetSlotCalls(0), 2);  // the version is asked before each request
        EXPECT_EQ(standin::nGetNonZeroFlags(), 0);
    }
}

TEST_F(XYStringTest, NoAllocatorBeforeStart) {
    CWString sKept(L"kept");
    CInformationModule::ms_piStrMemAlloc = nullptr;
    CWString s;
    EXPECT_EQ(s.nAffecteConversion(L"abc", 3), STRMEM_ERR_NO_MEMORY);
    EXPECT_EQ(s.pszGetBuffer(), nullptr);
    CAString sA("abc");  // a constructor cannot report: it stays empty
    EXPECT_EQ(sA.pszGetBuffer(), nullptr);
    EXPECT_EQ(sKept.nSetLength(100), STRMEM_ERR_NO_MEMORY);
    EXPECT_EQ(sText(sKept), L"kept");
    CInformationModule::ms_piStrMemAlloc = standin::piGetAllocator();
}

TEST_F(XYStringTest, CountChangesAtomicallyAcrossThreads) {
    CWString s(L"shared");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++)
        threads.emplace_back([&s] {
            for (int i = 0; i < 20000; i++) {
                CWString sCopy(s);
                CWString sOther;
                sOther = sCopy;
            }
        });
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(dwHeaderWord(s.pszGetBuffer(), COUNT), 1u);
}

TEST_F(XYStringTest, ManipAUBReaders) {
    CWString sW(L"abc");
    CAString sA("abcd");
    unsigned char aby[] = {1, 2, 3, 4, 5};
    unsigned char* pBin = nullptr;
    ASSERT_EQ(CBaseStrMem::s_nAllocStrMem(&pBin, 5, 0), 0);
    memcpy(pBin, aby, 5);
    CBaseStrMem::s_pstGetHeader(pBin)->nLength = 5;

    struct Case {
        const void* pContenu;
        uint16_t nType;
        unsigned long nContenu, nUtile;
        int nLongueur, nTailleUtile;
    } cases[] = {
        {sW.pszGetBuffer(), 16, 16, 12, 3, 12},
        {nullptr, 16, 4, 0, 0, 0},
        {sA.pszGetBuffer(), 19, 5, 4, 4, 4},
        {nullptr, 19, 1, 0, 0, 0},
        {pBin, 28, 5, 5, 5, 5},
        {nullptr, 28, 0, 0, 0, 0},
        {sA.pszGetBuffer(), 8, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.nType << (c.pContenu ? "" : " null"));
        STManipAUB st{c.pContenu, c.nType, 0};
        unsigned long nSize = 99;
        const unsigned char* p = st.pbyGetContenu(nSize);
        EXPECT_EQ(nSize, c.nContenu);
        ASSERT_NE(p, nullptr);
        if (c.nType == 8) {
            EXPECT_EQ(p, CBaseStrMem::ChaineVide);
        } else if (c.pContenu != nullptr) {
            EXPECT_EQ(p, c.pContenu);
        }
        st.pbyGetContenuUtile(nSize);
        EXPECT_EQ(nSize, c.nUtile);
        EXPECT_EQ(st.nGetLongueur(), c.nLongueur);
        EXPECT_EQ(st.nGetTailleUtile(), c.nTailleUtile);
    }
    STManipAUB stNull{nullptr, 16, 0};
    EXPECT_EQ(stNull.pszGetStringW(), CWString::ChaineVide);
    EXPECT_EQ(stNull.pszGetStringA(), CAString::ChaineVide);
    CBaseStrMem::s_ReleaseStrMem(pBin);
}

}  // namespace
