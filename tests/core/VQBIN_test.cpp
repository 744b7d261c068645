// CVQBIN through the stand-in host's allocator: sharing and detaching, the size limits, the
// separator append, comparison and search, extraction, repetition and replacement.
#include "core/VQBIN.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "tests/core/SizeLimitCases.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

CVQBIN clBin(const std::string& s) {
    return CVQBIN(reinterpret_cast<const unsigned char*>(s.data()), static_cast<int>(s.size()));
}
std::string sBytes(const CVQBIN& cl) {
    return cl.pbyGet() ? std::string(reinterpret_cast<const char*>(cl.pbyGet()), cl.nGetTaille()) : std::string();
}
const unsigned char* pby(const char* psz) {
    return reinterpret_cast<const unsigned char*>(psz);
}
uint32_t dwCount(const CVQBIN& cl) {
    return CBaseStrMem::s_nGetCount(cl.pbyGet());
}
void SetRawFlags(const CVQBIN& cl, uint32_t dw) {
    CBaseStrMem::s_pstGetHeader(cl.pbyGet())->dwFlags = dw;
}

class VQBINTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
    void TearDown() override { standin::RefuseAllocation(0); }
};

TEST_F(VQBINTest, AssignSharesTruncatesOrEmpties) {
    CVQBIN clSrc = clBin("abcd");
    SetRawFlags(clSrc, 1);

    CVQBIN clAll = clBin("old");
    clAll.Assign(&clSrc, -1);
    EXPECT_EQ(clAll.pbyGet(), clSrc.pbyGet());
    EXPECT_EQ(dwCount(clSrc), 2u);

    CVQBIN clNone = clBin("old");
    clNone.Assign(&clSrc, 0);
    EXPECT_EQ(clNone.pbyGet(), nullptr);

    // A shorter share is a private copy of the first bytes; the source keeps its marker.
    CVQBIN clTwo;
    clTwo.Assign(&clSrc, 2);
    EXPECT_EQ(sBytes(clTwo), "ab");
    EXPECT_NE(clTwo.pbyGet(), clSrc.pbyGet());
    EXPECT_EQ(clTwo.dwGetFlags(), 0u);
    EXPECT_EQ(sBytes(clSrc), "abcd");
    EXPECT_EQ(clSrc.dwGetFlags(), 1u);

    // From itself: still whole.
    clAll = clAll;
    clAll.Assign(&clAll, -1);
    EXPECT_EQ(sBytes(clAll), "abcd");

    CVQBIN clCopy(clSrc);
    EXPECT_EQ(dwCount(clSrc), 3u);
}

TEST_F(VQBINTest, TronqueKeepsBytesAndClearsMarker) {
    CVQBIN cl = clBin("ab\xFF");
    SetRawFlags(cl, 0x101);
    const unsigned char* pBefore = cl.pbyGet();
    cl.Tronque(3);
    EXPECT_EQ(cl.pbyGet(), pBefore);
    EXPECT_EQ(sBytes(cl), "ab\xFF");
    EXPECT_EQ(cl.dwGetFlags(), 0x100u);
    cl.Tronque(4);  // above the length: nothing
    cl.Tronque(-1);
    EXPECT_EQ(sBytes(cl), "ab\xFF");

    CVQBIN clShared(cl);
    clShared.Tronque(0);
    EXPECT_EQ(clShared.pbyGet(), nullptr);
    clShared = cl;
    clShared.Tronque(1);
    EXPECT_EQ(sBytes(clShared), "a");
    EXPECT_EQ(sBytes(cl), "ab\xFF");
    EXPECT_EQ(dwCount(cl), 1u);
}

TEST_F(VQBINTest, WritesToASharedBufferDetach) {
    struct Case {
        const char* pszName;
        std::function<int(CVQBIN&)> fnWrite;
        std::string sExpected;
        uint32_t dwExpectedFlags;
    } cases[] = {
        {"nConcat", [](CVQBIN& cl) { return cl.nConcat(pby("!!"), 2); }, "hello!!", 0x10001},
        {"nAssign", [](CVQBIN& cl) { return cl.nAssign(pby("xy"), 2, 0); }, "xy", 0},
        {"nSetSize", [](CVQBIN& cl) { return cl.nSetSize(3, 0); }, "hel", 0},
        {"__nPrepareModification", [](CVQBIN& cl) { return cl.__nPrepareModification(10, 0); }, "hello", 0},
        {"nSetMemorySize", [](CVQBIN& cl) { return cl.nSetMemorySize(64, 0); }, "hello", 0x10001},
        {"Remplace", [](CVQBIN& cl) { return cl.Remplace(1, 3, clBin("E")); }, "hEo", 0x10001},
        {"nSetFlags", [](CVQBIN& cl) { return cl.nSetFlags(4); }, "hello", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CVQBIN clA = clBin("hello");
        SetRawFlags(clA, 0x10001);
        CVQBIN clB(clA);
        EXPECT_EQ(c.fnWrite(clB), 0);
        EXPECT_EQ(sBytes(clA), "hello");
        EXPECT_EQ(clA.dwGetFlags(), 0x10001u);
        EXPECT_EQ(dwCount(clA), 1u);
        ASSERT_NE(clB.pbyGet(), clA.pbyGet());
        EXPECT_EQ(sBytes(clB), c.sExpected);
        EXPECT_EQ(clB.dwGetFlags(), c.dwExpectedFlags);
    }
}

TEST_F(VQBINTest, PrivateWritesReuseTheBuffer) {
    CVQBIN cl;
    ASSERT_EQ(cl.nSetMemorySize(16, 0), 0);
    EXPECT_EQ(cl.nGetTaille(), 0);
    EXPECT_EQ(cl.nGetCapacite(), 16);
    const unsigned char* pBuffer = cl.pbyGet();
    ASSERT_EQ(cl.nConcat(pby("abc"), 3), 0);
    ASSERT_EQ(cl.nAssign(pby("wxyz"), 4, 0), 0);
    SetRawFlags(cl, 0x11);
    ASSERT_EQ(cl.nConcat(pby("!"), 1), 0);
    EXPECT_EQ(cl.dwGetFlags(), 0x11u);  // appending bytes leaves the flags alone
    ASSERT_EQ(cl.nAssign(pby("new"), 3, 0), 0);
    EXPECT_EQ(cl.dwGetFlags(), 0x10u);  // new content: the marker flag goes
    EXPECT_EQ(cl.nSetMemorySize(8, 0), 0);
    EXPECT_EQ(cl.pbyGet(), pBuffer);
    EXPECT_EQ(sBytes(cl), "new");

    // A null source reserves room without touching the bytes or the length.
    ASSERT_EQ(cl.nAssign(nullptr, 40, 0), 0);
    EXPECT_EQ(sBytes(cl), "new");
    EXPECT_GE(cl.nGetCapacite(), 40);

    // The value's own bytes as source, while the buffer grows.
    ASSERT_EQ(cl.nConcat(cl.pbyGet(), 3), 0);
    ASSERT_EQ(cl.nConcat(cl.pbyGet(), 6), 0);
    EXPECT_EQ(sBytes(cl), "newnewnewnew");
    ASSERT_EQ(cl.nAssign(cl.pbyGet() + 9, 3, 0), 0);
    EXPECT_EQ(sBytes(cl), "new");

    CVQBIN clEmpty;
    ASSERT_EQ(clEmpty.nSetSize(5, 0), 0);
    EXPECT_EQ(clEmpty.nGetTaille(), 5);
    clEmpty.SetUtilSize(2);
    EXPECT_EQ(clEmpty.nGetTaille(), 2);
    EXPECT_EQ(clEmpty.nAssign(pby("x"), 0, 0), 0);
    EXPECT_EQ(clEmpty.pbyGet(), nullptr);
}

TEST_F(VQBINTest, SizeLimitsAndNegativeSizes) {
    const int REFUSED = SIZE_CASE_REFUSED;
    CheckSizeCases({
        {"nSetSize 0x7FFFFEFF", [] { return CVQBIN().nSetSize(0x7FFFFEFF, 0); }, REFUSED, 1},
        {"nSetSize 0x7FFFFF00", [] { return CVQBIN().nSetSize(0x7FFFFF00, 0); }, 108, 1},
        {"_nNew negative", [] { return CVQBIN()._nNew(-1, nullptr, 0, 0); }, 108, 1},
        {"nAssign negative", [] { return clBin("ab").nAssign(pby("x"), -2, 0); }, 108, 2},
        {"nSetMemorySize 0x7FFFFF00", [] { return clBin("ab").nSetMemorySize(0x7FFFFF00, 0); }, 108, 2},
        {"nSetMemorySize negative", [] { return clBin("ab").nSetMemorySize(-1, 0); }, 108, 2},
        {"prepare negative", [] { return clBin("ab").__nPrepareModification(-1, 0); }, 108, 2},
        {"nConcat to 0x7FFFFEFF", [] { return clBin("abc").nConcat(pby("x"), 0x7FFFFEFC); }, REFUSED, 2},
        {"nConcat to 0x7FFFFF00", [] { return clBin("abc").nConcat(pby("x"), 0x7FFFFEFD); }, 108, 2},
        {"nConcat negative", [] { return clBin("abc").nConcat(pby("x"), -1); }, 108, 2},
        // 0x10000 x 0x10000 is 2^32: a 32-bit product wraps to 0 and would answer an empty success.
        {"nRepete product",
         [] {
             CVQBIN cl;
             cl.nSetSize(0x10000, 0);
             return cl.nRepete(cl, 0x10000);
         },
         108, 2},
        {"nRepete negative",
         [] {
             CVQBIN cl = clBin("ab");
             return cl.nRepete(cl, -1);
         },
         108, 2},
    });
    // A refused size leaves even a shared value as it was.
    CVQBIN clOwner = clBin("abc"), clShared(clOwner);
    EXPECT_EQ(clShared.nSetSize(0x7FFFFF00, 0), 108);
    EXPECT_EQ(clShared.nConcat(pby("x"), 0x7FFFFEFD), 108);
    EXPECT_EQ(clShared.pbyGet(), clOwner.pbyGet());
}

TEST_F(VQBINTest, RefusedAllocation) {
    CVQBIN clPrivate = clBin("abc");
    const unsigned char* pBefore = clPrivate.pbyGet();
    standin::RefuseAllocation(1, 55);
    EXPECT_EQ(clPrivate.nConcat(pby("0123456789"), 10), 55);
    EXPECT_EQ(clPrivate.pbyGet(), pBefore);
    EXPECT_EQ(sBytes(clPrivate), "abc");

    CVQBIN clShared(clPrivate);
    standin::RefuseAllocation(1, 55);
    EXPECT_EQ(clShared.nAssign(pby("z"), 1, 0), 55);
    EXPECT_EQ(clShared.pbyGet(), nullptr);
    EXPECT_EQ(dwCount(clPrivate), 1u);

    clShared = clPrivate;
    standin::RefuseAllocation(1, 55);
    clShared.Tronque(1);
    EXPECT_EQ(clShared.pbyGet(), nullptr);
    EXPECT_EQ(sBytes(clPrivate), "abc");
}

TEST_F(VQBINTest, ConcatSeparateur) {
    struct Case {
        const char* pszValue;
        const char* pszAjout;  // null: no addition at all
        int bPasDeSeparateurEnTete;
        std::string sExpected;
    } cases[] = {
        {"a,", "b", 0, "a,b"}, {"a", ",b", 0, "a,b"}, {"", "b", 0, ",b"},     {"", "b", 1, "b"},
        {"a", "b", 1, "a,b"},  {"a", "", 0, "a,"},    {"a", nullptr, 0, "a"}, {"a,", ",b", 0, "a,,b"},
    };
    CVQBIN clSep = clBin(",");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "'" << c.pszValue << "' + '" << (c.pszAjout ? c.pszAjout : "(none)") << "'");
        CVQBIN cl = clBin(c.pszValue);
        CVQBIN clAjout = c.pszAjout ? clBin(c.pszAjout) : CVQBIN();
        EXPECT_EQ(cl.nConcatSeparateur(&clSep, c.pszAjout ? &clAjout : nullptr, c.bPasDeSeparateurEnTete), 0);
        EXPECT_EQ(sBytes(cl), c.sExpected);
    }
    // The addition may be the value itself: it is read as it was before the separator went in.
    CVQBIN cl = clBin("ab");
    ASSERT_EQ(cl.nConcatSeparateur(&clSep, &cl, 0), 0);
    EXPECT_EQ(sBytes(cl), "ab,ab");
}

TEST_F(VQBINTest, CompareAndSearch) {
    struct Case {
        const char* a;
        const char* b;
        int n;  // -100: the two-value form
        int nExpected;
    } compares[] = {
        {"ab", "abc", -100, -1}, {"abc", "ab", -100, 1}, {"abc", "abc", -100, 0}, {"\x80", "\x01", -100, 1},
        {"", "", -100, 0},       {"", "a", -100, -1},    {"abd", "abc", 2, 0},    {"abd", "abc", 3, 1},
        {"abd", "abc", 0, 0},    {"ab", "abc", 3, -1},   {"abc", "ab", 5, 1},     {"b", "abc", 1, 1},
    };
    for (const Case& c : compares) {
        SCOPED_TRACE(testing::Message() << c.a << " ? " << c.b << " n=" << c.n);
        CVQBIN clA = clBin(c.a), clB = clBin(c.b);
        EXPECT_EQ(c.n == -100 ? CVQBIN::nCompare(&clA, &clB) : CVQBIN::nCompare(&clA, &clB, c.n), c.nExpected);
    }
    EXPECT_EQ(CVQBIN::nCompare(nullptr, nullptr), 0);

    struct Affix {
        const char* a;
        const char* b;
        int bCommence, bTermine, bContient;
    } affixes[] = {
        {"abcd", "", 1, 1, 1},   {"", "", 1, 1, 1},          {"abcd", "ab", 1, 0, 1}, {"abcd", "cd", 0, 1, 1},
        {"abcd", "bc", 0, 0, 1}, {"abcd", "abcde", 0, 0, 0}, {"abcd", "x", 0, 0, 0},  {"", "a", 0, 0, 0},
    };
    for (const Affix& c : affixes) {
        SCOPED_TRACE(testing::Message() << c.a << " / " << c.b);
        CVQBIN clA = clBin(c.a), clB = clBin(c.b);
        EXPECT_EQ(CVQBIN::bCommencePar(&clA, &clB), c.bCommence);
        EXPECT_EQ(CVQBIN::bTerminePar(&clA, &clB), c.bTermine);
        EXPECT_EQ(CVQBIN::bContient(&clA, &clB), c.bContient);
    }

    struct Pos {
        const char* pszNeedle;
        int n;
        int nFrom;
        int nExpected;
    } positions[] = {
        {"b", 1, 0, 1},  {"b", 1, 2, 4},   {"ab", 2, 0, 0},  {"ab", 2, 1, 3}, {"ab", 2, -1, -1},
        {"b", 0, 0, -1}, {"ab", 2, 5, -1}, {"ab", 2, 4, -1}, {"x", 1, 0, -1}, {"c", 1, 5, 5},
    };
    CVQBIN clHay = clBin("abcabc");
    for (const Pos& c : positions) {
        SCOPED_TRACE(testing::Message() << c.pszNeedle << " from " << c.nFrom);
        EXPECT_EQ(clHay.nPos(pby(c.pszNeedle), c.n, c.nFrom), c.nExpected);
    }
    EXPECT_EQ(CVQBIN().nPos(pby("a"), 1, 0), -1);
}

TEST_F(VQBINTest, Milieu) {
    struct Case {
        int nPos, nLen;
        const char* pszExpected;  // null: empty value
    } cases[] = {
        {0, 2, "ab"}, {2, -1, "cdef"}, {4, 10, "ef"}, {5, 1, "f"}, {-1, 2, nullptr}, {6, 1, nullptr}, {1, 0, nullptr},
    };
    CVQBIN cl = clBin("abcdef");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nPos << "," << c.nLen);
        CVQBIN clOut = clBin("previous");
        EXPECT_EQ(cl.nMilieu(&clOut, c.nPos, c.nLen), 0);
        if (c.pszExpected == nullptr) {
            EXPECT_EQ(clOut.pbyGet(), nullptr);
        } else {
            EXPECT_EQ(sBytes(clOut), c.pszExpected);
            EXPECT_EQ(sBytes(cl.clMilieu(c.nPos, c.nLen)), c.pszExpected);
        }
    }
    // Into the value itself.
    ASSERT_EQ(cl.nMilieu(&cl, 1, 3), 0);
    EXPECT_EQ(sBytes(cl), "bcd");
    standin::RefuseAllocation(1, 55);
    EXPECT_EQ(cl.clMilieu(0, 2).pbyGet(), nullptr);
}

TEST_F(VQBINTest, RepeteAndRemplace) {
    CVQBIN cl = clBin("old");
    ASSERT_EQ(cl.nRepete(clBin("ab"), 3), 0);
    EXPECT_EQ(sBytes(cl), "ababab");
    ASSERT_EQ(cl.nRepete(cl, 2), 0);  // from itself
    EXPECT_EQ(sBytes(cl), "abababababab");
    ASSERT_EQ(cl.nRepete(clBin("ab"), 0), 0);
    EXPECT_EQ(cl.pbyGet(), nullptr);

    struct Case {
        const char* pszValue;
        int nPos, nCount;
        const char* pszAvec;
        bool bShared;
        std::string sExpected;
    } cases[] = {
        {"abcdef", 1, 2, "XYZ", false, "aXYZdef"},
        {"abcdef", 1, 2, "XYZ", true, "aXYZdef"},
        {"abc", 1, 100, "Z", false, "aZ"},
        {"abc", 3, 1, "Z", false, "abc"},
        {"abc", -1, 1, "Z", false, "abc"},
        {"abc", 0, 0, "", false, "abc"},
        // Shrinking a shared value: the tail must survive the detach.
        {"abcdef", 0, 5, "", true, "f"},
        {"abcdef", 1, 4, "Q", true, "aQf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pszValue << " " << c.nPos << "," << c.nCount
                                        << (c.bShared ? " shared" : ""));
        CVQBIN clValue = clBin(c.pszValue);
        CVQBIN clOther;
        if (c.bShared) clOther = clValue;
        EXPECT_EQ(clValue.Remplace(c.nPos, c.nCount, clBin(c.pszAvec)), 0);
        EXPECT_EQ(sBytes(clValue), c.sExpected);
        if (c.bShared) {
            EXPECT_EQ(sBytes(clOther), c.pszValue);
        }
    }
    CVQBIN clSelf = clBin("abc");
    ASSERT_EQ(clSelf.Remplace(1, 1, clSelf), 0);
    EXPECT_EQ(sBytes(clSelf), "aabcc");
}

TEST_F(VQBINTest, ConcatInitAndTake) {
    CVQBIN clA = clBin("ab"), clB = clBin("cd");
    SetRawFlags(clB, 1);

    CVQBIN clEmptyA, clShareB;
    ASSERT_EQ(clShareB.nConcatInit(&clEmptyA, &clB, 0), 0);
    EXPECT_EQ(clShareB.pbyGet(), clB.pbyGet());

    CVQBIN clNew;
    ASSERT_EQ(clNew.nConcatInit(&clA, &clB, 0), 0);
    EXPECT_EQ(sBytes(clNew), "abcd");
    EXPECT_EQ(clNew.dwGetFlags(), 1u);
    EXPECT_EQ(sBytes(clA), "ab");

    CVQBIN clNoB, clEmptyB;
    ASSERT_EQ(clNoB.nConcatInit(&clA, &clEmptyB, 0), 0);
    EXPECT_EQ(clNoB.pbyGet(), clA.pbyGet());
    clNoB.ReleaseDynBin();

    // Flag 1 takes a's buffer: a private one moves, a shared one is shared.
    CVQBIN clMoved;
    ASSERT_EQ(clMoved.nConcatInit(&clA, &clB, 1), 0);
    EXPECT_EQ(clA.pbyGet(), nullptr);
    EXPECT_EQ(sBytes(clMoved), "abcd");

    CVQBIN clKeep = clBin("xy"), clKeepCopy(clKeep), clTaken;
    ASSERT_EQ(clTaken.nConcatInit(&clKeep, &clB, 1), 0);
    EXPECT_EQ(sBytes(clKeep), "xy");
    EXPECT_EQ(sBytes(clTaken), "xycd");

    CVQBIN clTaker = clBin("gone");
    clTaker.Take(&clTaken);
    EXPECT_EQ(clTaken.pbyGet(), nullptr);
    EXPECT_EQ(sBytes(clTaker), "xycd");

    // b may be a itself: its bytes are still appended after a's private buffer has moved.
    CVQBIN clSame = clBin("ab"), clDouble;
    ASSERT_EQ(clDouble.nConcatInit(&clSame, &clSame, 1), 0);
    EXPECT_EQ(sBytes(clDouble), "abab");

    // An allocated b of no bytes is empty: a is shared as it is, its end-marker flag with it.
    CVQBIN clMarked = clBin("a\xFF"), clZero, clJoined;
    SetRawFlags(clMarked, 1);
    ASSERT_EQ(clZero.nSetMemorySize(8, 0), 0);
    ASSERT_EQ(clJoined.nConcatInit(&clMarked, &clZero, 0), 0);
    EXPECT_EQ(clJoined.pbyGet(), clMarked.pbyGet());
    EXPECT_EQ(clJoined.dwGetFlags(), 1u);
}

}  // namespace
