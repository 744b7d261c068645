// The memory stream: opening rules, reads and writes against the size of an attached block and of
// memory of its own, seeks from each origin (never before the start), growth on seek, and the
// memory that outlives Close.
#include "installer/MemoryStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/core/VirtualSlot.h"

namespace {

using eA = IXStream::eACCESS;
using eC = IXStream::eCREATE;

int bOuvre(CMemoryStream& cl, uint32_t eAccess, uint32_t eCreate, int* pbCreated = nullptr) {
    return cl.bOpen(L"mem", static_cast<eA>(eAccess), IXStream::eShareNone, static_cast<eC>(eCreate),
                    IXStream::eFlagNone, pbCreated);
}

// The stream's own operations follow those of the stream interface.
TEST(MemoryStream, OwnSlotsAfterTheInterface) {
    const ptrdiff_t nDernier = SlotOf(&IXStream::m578EmptyMethodXStream);
    EXPECT_EQ(SlotOf(&CMemoryStream::bAssociate), nDernier + 1);
    EXPECT_EQ(SlotOf(&CMemoryStream::pGetAddress), nDernier + 2);
    EXPECT_EQ(SlotOf(&CMemoryStream::__DeleteMemory), nDernier + 3);
}

TEST(MemoryStream, OpeningRules) {
    struct Case {
        bool bAssocie;  // a block attached first
        uint32_t eAccess, eCreate;
        int bResult;
        int bCreated;  // expected when opened
        uint32_t eAccessLu;
    };
    const Case aCases[] = {
        {false, 0, 576, 1, 1, 0}, {false, 1, 576, 1, 1, 1},
        {false, 2, 576, 1, 1, 2}, {true, 2, 576, 1, 1, 2},  // memory of its own in place of the attached block
        {true, 0, 0, 1, 0, 0},    {true, 1, 0, 1, 0, 1},
        {true, 2, 0, 1, 0, 2},    {false, 2, 0, 0, -1, 0},  // nothing attached
        {true, 3, 0, 0, -1, 0},   {false, 0xFFFFFFFF, 576, 0, -1, 0},
        {true, 2, 64, 0, -1, 0},  {false, 2, 64, 0, -1, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.bAssocie << " access " << c.eAccess << " creation " << c.eCreate);
        unsigned char aby[4] = {1, 2, 3, 4};
        CMemoryStream cl;
        EXPECT_EQ(cl.bIsOpen(), 0);
        EXPECT_STREQ(cl.pszGetName(), L"");
        if (c.bAssocie) {
            ASSERT_TRUE(cl.bAssociate(aby, sizeof(aby)));
        }
        int bCreated = -1;
        EXPECT_EQ(bOuvre(cl, c.eAccess, c.eCreate, &bCreated), c.bResult);
        EXPECT_EQ(cl.bIsOpen(), c.bResult);
        EXPECT_EQ(bCreated, c.bCreated);
        if (c.bResult) {
            EXPECT_EQ(static_cast<uint32_t>(cl.veGetAccess()), c.eAccessLu);
            EXPECT_STREQ(cl.pszGetName(), L"mem");
            EXPECT_EQ(cl.oGetSize(), c.eCreate == 576 ? 0 : 4);
            EXPECT_EQ(cl.pGetAddress(), c.eCreate == 576 ? nullptr : static_cast<void*>(aby));
        }
    }
}

TEST(MemoryStream, AttachOnlyWhileIdle) {
    unsigned char aby[8] = {};
    unsigned char aby2[8] = {};
    CMemoryStream cl;
    EXPECT_EQ(cl.veGetAccess(), static_cast<eA>(-1));
    ASSERT_TRUE(cl.bAssociate(aby, 8));
    EXPECT_EQ(cl.oGetOffset(), 0);
    ASSERT_TRUE(bOuvre(cl, 2, 0));
    EXPECT_FALSE(cl.bAssociate(aby2, 8));
    EXPECT_EQ(cl.pGetAddress(), aby);
    cl.Close();
    EXPECT_TRUE(cl.bAssociate(aby2, 8));
    EXPECT_EQ(cl.pGetAddress(), aby2);
    EXPECT_FALSE(cl.bAssociate(nullptr, 8));
}

// An attached block is never grown: a write past its end is cut when the caller counts, refused
// when it does not. Reads follow the same rule on either kind of memory.
TEST(MemoryStream, AttachedBlockBounds) {
    unsigned char aby[10];
    memset(aby, '.', sizeof(aby));
    const unsigned char abyDouze[12] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l'};
    {
        CMemoryStream cl;
        ASSERT_TRUE(cl.bAssociate(aby, 10));
        ASSERT_TRUE(bOuvre(cl, 2, 0));
        EXPECT_FALSE(cl.bWrite(abyDouze, 12, nullptr));
        EXPECT_EQ(cl.oGetOffset(), 0);
        EXPECT_EQ(aby[0], '.');
        uint32_t nEcrit = 99;
        ASSERT_TRUE(cl.bWrite(abyDouze, 12, &nEcrit));
        EXPECT_EQ(nEcrit, 10u);
        EXPECT_EQ(memcmp(aby, abyDouze, 10), 0);
        EXPECT_EQ(cl.oGetSize(), 10);
        EXPECT_EQ(cl.oGetOffset(), 10);
        ASSERT_TRUE(cl.bWrite(abyDouze, 5, &nEcrit));  // at the end: nothing fits
        EXPECT_EQ(nEcrit, 0u);
    }
    {
        CMemoryStream cl;
        ASSERT_TRUE(cl.bAssociate(aby, 10));
        ASSERT_TRUE(bOuvre(cl, 0, 0));
        ASSERT_TRUE(cl.bSeek(4, IXStream::eSeekBegin));
        unsigned char abyLu[12] = {};
        EXPECT_FALSE(cl.bRead(abyLu, 7, nullptr));
        EXPECT_EQ(cl.oGetOffset(), 4);
        uint32_t nLu = 99;
        ASSERT_TRUE(cl.bRead(abyLu, 7, &nLu));
        EXPECT_EQ(nLu, 6u);
        EXPECT_EQ(memcmp(abyLu, abyDouze + 4, 6), 0);
        ASSERT_TRUE(cl.bRead(abyLu, 7, &nLu));
        EXPECT_EQ(nLu, 0u);
        // Access is checked: a read-only stream does not write.
        EXPECT_FALSE(cl.bWrite(abyDouze, 1, &nLu));
    }
}

TEST(MemoryStream, AccessAndStateChecks) {
    unsigned char aby[4] = {};
    uint32_t n = 0;
    CMemoryStream cl;
    EXPECT_FALSE(cl.bWrite("x", 1, &n));  // idle
    ASSERT_TRUE(cl.bAssociate(aby, 4));
    EXPECT_FALSE(cl.bRead(aby, 1, &n));  // attached but not open
    ASSERT_TRUE(bOuvre(cl, 1, 0));
    EXPECT_FALSE(cl.bRead(aby, 1, &n));  // write only
    EXPECT_TRUE(cl.bWrite("x", 1, &n));
    cl.Close();
    EXPECT_EQ(cl.bIsOpen(), 0);
    EXPECT_FALSE(cl.bWrite("x", 1, &n));
    EXPECT_EQ(aby[0], 'x');
}

// Memory of its own grows to exactly the end of each write, and stays after Close for the caller
// to take the bytes.
TEST(MemoryStream, OwnMemoryGrowsWithWrites) {
    CMemoryStream cl;
    int bCreated = 0;
    ASSERT_TRUE(bOuvre(cl, 2, 576, &bCreated));
    EXPECT_EQ(bCreated, 1);
    std::string sAttendu;
    for (int i = 0; i < 200; i++) {
        std::string sMorceau(static_cast<size_t>(i % 37), static_cast<char>('a' + i % 26));
        ASSERT_TRUE(cl.bWrite(sMorceau.data(), static_cast<uint32_t>(sMorceau.size()), nullptr));
        sAttendu += sMorceau;
        ASSERT_EQ(cl.oGetSize(), static_cast<int64_t>(sAttendu.size()));
    }
    // Overwriting inside does not grow; past the end grows only by the overhang.
    ASSERT_TRUE(cl.bSeek(-3, IXStream::eSeekEnd));
    ASSERT_TRUE(cl.bWrite("XYZW", 4, nullptr));
    sAttendu.replace(sAttendu.size() - 3, 3, "XYZW");
    EXPECT_EQ(cl.oGetSize(), static_cast<int64_t>(sAttendu.size()));
    EXPECT_EQ(cl.oGetSizeFast(), cl.oGetSize());

    ASSERT_TRUE(cl.bSeek(0, IXStream::eSeekBegin));
    std::string sLu(sAttendu.size(), '\0');
    ASSERT_TRUE(cl.bRead(sLu.data(), static_cast<uint32_t>(sLu.size()), nullptr));
    EXPECT_EQ(sLu, sAttendu);

    cl.Close();
    EXPECT_EQ(cl.oGetSize(), static_cast<int64_t>(sAttendu.size()));
    ASSERT_NE(cl.pGetAddress(), nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(cl.pGetAddress()), sAttendu.size()), sAttendu);

    // Reopening with creation 576 starts from empty memory.
    ASSERT_TRUE(bOuvre(cl, 2, 576));
    EXPECT_EQ(cl.oGetSize(), 0);
    EXPECT_EQ(cl.oGetOffset(), 0);
    cl.__DeleteMemory();
    EXPECT_EQ(cl.pGetAddress(), nullptr);
}

TEST(MemoryStream, SeekOrigins) {
    struct Case {
        int64_t oStart;
        int64_t oOffset;
        uint32_t eOrigin;
        int bResult;
        int64_t oPosition;  // afterwards (unchanged on failure)
    };
    const Case aCases[] = {
        {5, 3, 0, 1, 3},  {5, 10, 0, 1, 10}, {5, 11, 0, 0, 5}, {5, -1, 0, 0, 5}, {5, 2, 1, 1, 7},  {5, -5, 1, 1, 0},
        {5, -6, 1, 0, 5}, {5, 6, 1, 0, 5},   {5, 3, 2, 1, 7},  {5, -3, 2, 1, 7}, {5, 0, 2, 1, 10}, {5, 10, 2, 1, 0},
        {5, 11, 2, 0, 5}, {5, -11, 2, 0, 5}, {5, 4, 7, 1, 0},  // unknown origin: the start
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.oOffset << " from " << c.eOrigin);
        unsigned char aby[10] = {};
        CMemoryStream cl;
        ASSERT_TRUE(cl.bAssociate(aby, 10));
        ASSERT_TRUE(bOuvre(cl, 2, 0));
        ASSERT_TRUE(cl.bSeek(c.oStart, IXStream::eSeekBegin));
        EXPECT_EQ(cl.bSeek(c.oOffset, static_cast<IXStream::eSEEK>(c.eOrigin)), c.bResult);
        EXPECT_EQ(cl.oGetOffset(), c.oPosition);
        EXPECT_EQ(cl.oGetSize(), 10);
    }
}

// Growth on seek: only on an open stream with memory of its own; the memory grows to the position
// and the bytes jumped over read as zeros.
TEST(MemoryStream, GrowOnSeek) {
    unsigned char aby[4] = {};
    CMemoryStream clAttache;
    ASSERT_TRUE(clAttache.bAssociate(aby, 4));
    ASSERT_TRUE(bOuvre(clAttache, 2, 0));
    EXPECT_FALSE(clAttache.bSetAutoExpandMode(1));
    EXPECT_FALSE(clAttache.bSeek(5, IXStream::eSeekBegin));

    CMemoryStream cl;
    EXPECT_FALSE(cl.bSetAutoExpandMode(1));  // not open
    ASSERT_TRUE(bOuvre(cl, 2, 576));
    ASSERT_TRUE(cl.bWrite("ab", 2, nullptr));
    EXPECT_FALSE(cl.bSeek(6, IXStream::eSeekBegin));
    ASSERT_TRUE(cl.bSetAutoExpandMode(1));
    ASSERT_TRUE(cl.bSeek(6, IXStream::eSeekBegin));
    EXPECT_EQ(cl.oGetSize(), 6);
    EXPECT_EQ(cl.oGetOffset(), 6);
    ASSERT_TRUE(cl.bWrite("z", 1, nullptr));
    EXPECT_FALSE(cl.bSeek(-1, IXStream::eSeekBegin));  // still never before the start
    ASSERT_TRUE(cl.bSeek(0, IXStream::eSeekBegin));
    char sz[7] = {};
    ASSERT_TRUE(cl.bRead(sz, 7, nullptr));
    EXPECT_EQ(std::string(sz, 7), std::string("ab\0\0\0\0z", 7));
    ASSERT_TRUE(cl.bSetAutoExpandMode(0));
    EXPECT_FALSE(cl.bSeek(8, IXStream::eSeekBegin));
    EXPECT_EQ(cl.oGetSize(), 7);
}

// Attaching frees memory of its own (the sanitizer reports a leak otherwise) and the attached block
// is never freed by the stream.
TEST(MemoryStream, OwnershipOfTheBlock) {
    unsigned char aby[3] = {'1', '2', '3'};
    CMemoryStream cl;
    ASSERT_TRUE(bOuvre(cl, 1, 576));
    ASSERT_TRUE(cl.bWrite("data", 4, nullptr));
    cl.Close();
    ASSERT_TRUE(cl.bAssociate(aby, 3));
    EXPECT_EQ(cl.oGetSize(), 3);
    ASSERT_TRUE(bOuvre(cl, 0, 0));
    char sz[3];
    ASSERT_TRUE(cl.bRead(sz, 3, nullptr));
    EXPECT_EQ(memcmp(sz, "123", 3), 0);
    cl.__DeleteMemory();  // only forgets the caller's block
    EXPECT_EQ(aby[0], '1');
    EXPECT_EQ(cl.pGetAddress(), nullptr);
}

// Reads and writes at a position through the stream interface's positioned forms.
TEST(MemoryStream, PositionedFormsOfTheInterface) {
    CMemoryStream cl;
    IXStream* pi = &cl;
    ASSERT_TRUE(pi->bOpen(L"x", IXStream::eAccessReadWrite, IXStream::eShareNone, IXStream::eCreateAlways,
                          IXStream::eFlagNone, nullptr));
    ASSERT_TRUE(pi->bWrite(int64_t(0), "hello world", 11, nullptr));
    ASSERT_TRUE(pi->bWrite(int64_t(6), "WORLD", 5, nullptr));
    char sz[6] = {};
    ASSERT_TRUE(pi->bRead(int64_t(0), sz, 5, nullptr));
    EXPECT_STREQ(sz, "hello");
    ASSERT_TRUE(pi->bRead(int64_t(6), sz, 5, nullptr));
    EXPECT_STREQ(sz, "WORLD");
}

}  // namespace
