// Row identities: the record-values hash and compare over serialized identities, the row-id
// compare, both serialized layouts, equality, copies and clones, and their texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/HashTableBounce.h"
#include "core/TString.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordValue.h"
#include "tests/core/VirtualSlot.h"
#include "tests/statement/StatementTestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

class NARecordIdTest : public ModelTest {
protected:
    CErrorHolder m_clErr;
};

TEST_F(NARecordIdTest, HashOfTheRecordBytes) {
    struct Case {
        Bytes vRecord;
        uint32_t dwExpected;
    };
    const Case tabCases[] = {
        {{0x01, 0x00, 0x00, 0x00, 0xFF}, 256},                                // a word, then one tail byte
        {{}, 0},                                                              // nothing to sum
        {{0x01, 0x02, 0x03}, 6},                                              // shorter than a word: its bytes
        {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}, 0x0C0A0806},       // little-endian words
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00}, 0},                // modulo 2^32
        {{0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF}, 0x80000000u + 3 * 0xFF},  // tail bytes are unsigned
    };
    for (const Case& c : tabCases) {
        CNARecordId_RecordValues clId(c.vRecord.data(), c.vRecord.size(), nullptr);
        EXPECT_EQ(clId.dwGetHashVal(), c.dwExpected) << c.vRecord.size();
        unsigned char aby[28];
        ASSERT_TRUE(clId.Serialize(aby, sizeof(aby)));
        EXPECT_EQ(CNARecordId::g_dwPtrHashVal(aby), c.dwExpected);
    }
}

TEST_F(NARecordIdTest, CompareOfRecordValues) {
    struct Case {
        const char* pszName;
        Bytes a;
        Bytes b;
        int nExpected;
    };
    const Case tabCases[] = {
        {"equal bytes", {1, 0, 0, 0, 0xFF}, {1, 0, 0, 0, 0xFF}, 0},
        {"last byte larger", {1, 0, 0, 0, 0xFF}, {1, 0, 0, 0, 0xFE}, 1},
        {"last byte smaller", {1, 0, 0, 0, 0xFE}, {1, 0, 0, 0, 0xFF}, -1},
        {"bytes compare unsigned", {0x80}, {0x7F}, 1},
        {"first difference decides", {1, 9, 0}, {2, 0, 0}, -1},
        {"empty records", {}, {}, 0},
        // Rows of another layout: never equal, ordered by byte count whatever the bytes.
        {"fewer bytes", {1, 2, 3, 4}, {1, 2, 3, 4, 0}, -1},
        {"more bytes", {0, 0, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}, 1},
    };
    for (const Case& c : tabCases) {
        const Bytes a = SerializedRecordValues(c.a), b = SerializedRecordValues(c.b);
        EXPECT_EQ(CNARecordId_RecordValues::g_nCompare_CNARecordId_RecordValues(a.data(), b.data()), c.nExpected)
            << c.pszName;
        EXPECT_EQ(CNARecordId_RecordValues::g_nCompare_CNARecordId_RecordValues(b.data(), a.data()), -c.nExpected)
            << c.pszName;
    }
}

TEST_F(NARecordIdTest, UnequalLengthsAreNeverReadPastTheShorterRecord) {
    // Both records live in blocks of exactly their size: a compare over the longer count would
    // read past the short one, and one over the shorter count would call them equal.
    auto* pbyShort = new unsigned char[4]{1, 2, 3, 4};
    auto* pbyLong = new unsigned char[1000]();
    memcpy(pbyLong, pbyShort, 4);
    unsigned char abyShort[28], abyLong[28];
    CNARecordId_RecordValues(pbyShort, 4, nullptr).Serialize(abyShort, 28);
    CNARecordId_RecordValues(pbyLong, 1000, nullptr).Serialize(abyLong, 28);
    EXPECT_EQ(CNARecordId_RecordValues::g_nCompare_CNARecordId_RecordValues(abyShort, abyLong), -1);
    EXPECT_EQ(CNARecordId_RecordValues::g_nCompare_CNARecordId_RecordValues(abyLong, abyShort), 1);
    delete[] pbyShort;
    delete[] pbyLong;
}

TEST_F(NARecordIdTest, CompareOfRowIds) {
    struct Case {
        std::string a;
        std::string b;
        int nExpected;
    };
    const Case tabCases[] = {
        {"AB", "AB", 0},     {"AB", "ABC", -1},  // a prefix is smaller
        {"ABC", "AB", 1},    {"AC", "AB", 1},       {"AB", "B", -1},  // the common part decides first
        {"", "", 0},         {"", "A", -1},         {"\x80", "\x7F", 1},
    };
    for (const Case& c : tabCases) {
        // Different checksums in the heads: only the data is compared.
        const Bytes a = SerializedRowId(c.a, 1), b = SerializedRowId(c.b, 2);
        EXPECT_EQ(CNARecordId_RowId::g_nCompare_CNARecordId_RowId(a.data(), b.data()), c.nExpected) << c.a << "|" << c.b;
    }
}

TEST_F(NARecordIdTest, SerializedRecordValuesIdentity) {
    const Bytes vRecord = {1, 0, 0, 0, 0xFF};
    auto* pclMemo = reinterpret_cast<CNARecordMemo*>(uintptr_t{0x1122334455667788});
    CNARecordId_RecordValues clId(vRecord.data(), vRecord.size(), pclMemo);
    EXPECT_EQ(clId.eGetRecordIdType(), NA_RECORDID_RECORDVALUES);
    ASSERT_EQ(clId.nGetSerializedSize(), 28u);
    unsigned char aby[29];
    aby[28] = 0xAA;
    EXPECT_FALSE(clId.Serialize(aby, 27));
    ASSERT_TRUE(clId.Serialize(aby, 28));
    EXPECT_EQ(tAt<uint32_t>(aby, 0), 256u);
    EXPECT_EQ(tAt<uint64_t>(aby, 4), 5u);
    EXPECT_EQ(tAt<uint64_t>(aby, 12), reinterpret_cast<uintptr_t>(vRecord.data()));
    EXPECT_EQ(tAt<uint64_t>(aby, 20), 0x1122334455667788u);
    EXPECT_EQ(aby[28], 0xAA);

    // Read back, the identity designates the same bytes; the stored hash is not needed.
    memset(aby, 0, 4);
    CNARecordId_RecordValues clBack(nullptr, 0, nullptr);
    ASSERT_TRUE(clBack.DeSerialize(aby, 28));
    EXPECT_EQ(clBack.pbyGetRecord(), vRecord.data());
    EXPECT_EQ(clBack.nGetSize(), 5u);
    EXPECT_EQ(clBack.pclGetMemoNoRef(), pclMemo);
    EXPECT_EQ(clBack.dwGetHashVal(), 256u);
    EXPECT_TRUE(clBack.bEqualRecordId(&clId));

    CTString cl;
    clId.RecordIdToString(&cl, L"<Row> ", 7);
    EXPECT_STREQ(cl.pszGet(), L"<Row> record values (5 bytes)");
    clId.RecordIdToString(&cl, nullptr, 0);
    EXPECT_STREQ(cl.pszGet(), L"record values (5 bytes)");
}

TEST_F(NARecordIdTest, SerializedRowIdIdentity) {
    CHeld<CNAConvertVariant> clVariant(pclBytesVariant(m_clErr.p, "ABCDE"));
    CNARecordId_RowId clId(clVariant.get());
    EXPECT_EQ(clId.eGetRecordIdType(), NA_RECORDID_ROWID);
    ASSERT_EQ(clId.nGetSerializedSize(), 13u);
    // Checksum: the word "ABCD" plus the tail byte 'E'.
    const uint32_t dwSum = 0x44434241u + 0x45u;
    EXPECT_EQ(clId.dwGetHashVal(), dwSum);
    unsigned char aby[13];
    EXPECT_FALSE(clId.Serialize(aby, 12));
    ASSERT_TRUE(clId.Serialize(aby, 13));
    EXPECT_EQ(tAt<uint32_t>(aby, 0), dwSum);
    EXPECT_EQ(tAt<uint32_t>(aby, 4), 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(aby + 8), 5), "ABCDE");

    // Read back into another row-id identity; a count past the bytes given is refused.
    CHeld<CNAConvertVariant> clOther(pclBytesVariant(m_clErr.p, "Z"));
    CNARecordId_RowId clBack(clOther.get());
    EXPECT_FALSE(clBack.bEqualRecordId(&clId));
    EXPECT_FALSE(clBack.DeSerialize(aby, 12));
    ASSERT_TRUE(clBack.DeSerialize(aby, 13));
    EXPECT_TRUE(clBack.bEqualRecordId(&clId));
    EXPECT_EQ(clBack.dwGetHashVal(), dwSum);
}

TEST_F(NARecordIdTest, EqualityCopiesAndClones) {
    const Bytes a = {1, 2, 3}, b = {1, 2, 3}, c = {1, 2, 4};
    CNARecordId_RecordValues clA(a.data(), 3, nullptr), clB(b.data(), 3, nullptr), clC(c.data(), 3, nullptr),
        clShort(a.data(), 2, nullptr);
    EXPECT_TRUE(clA.bEqualRecordId(&clB));
    EXPECT_FALSE(clA.bEqualRecordId(&clC));
    EXPECT_FALSE(clA.bEqualRecordId(&clShort));

    CHeld<CNAConvertVariant> clV1(pclBytesVariant(m_clErr.p, "\x01\x02\x03"));
    CNARecordId_RowId clRowId(clV1.get());
    EXPECT_FALSE(clA.bEqualRecordId(&clRowId));  // another kind
    EXPECT_FALSE(clRowId.bEqualRecordId(&clA));
    EXPECT_EQ(clRowId.bCopy(nullptr, &clA), 0);

    // A row-id clone owns a copy of the value; a copy takes the other's value.
    CHeld<CNARecordId> clClone(clRowId.pclGetClone(nullptr));
    ASSERT_EQ(clClone->eGetRecordIdType(), NA_RECORDID_ROWID);
    auto* pclCloneRowId = static_cast<CNARecordId_RowId*>(clClone.get());
    EXPECT_NE(pclCloneRowId->pclGetVariantNoRef(), clV1.get());
    EXPECT_TRUE(clClone->bEqualRecordId(&clRowId));
    CHeld<CNAConvertVariant> clV2(pclBytesVariant(m_clErr.p, "other"));
    CNARecordId_RowId clOther(clV2.get());
    ASSERT_TRUE(clClone->bCopy(nullptr, &clOther));
    EXPECT_TRUE(clClone->bEqualRecordId(&clOther));
    EXPECT_TRUE(clRowId.bEqualRecordId(&clRowId));
    EXPECT_FALSE(clRowId.bEqualRecordId(&clOther));  // the original kept its value

    // A record-values clone or copy designates the given value's own buffer.
    CHeld<CNARecordValue> clValue(new CNARecordValue(m_clErr.p));
    CNAYFRecord clImage;
    const unsigned char abyForm[12 + 3] = {3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0x80, 7, 7};
    ASSERT_NE(clImage.Deserialize(abyForm, sizeof(abyForm)), nullptr);
    ASSERT_TRUE(clValue->bCopyNAYFRecord(&clImage));
    CHeld<CNARecordId> clValueId(clA.pclGetClone(clValue.get()));
    auto* pclValueId = static_cast<CNARecordId_RecordValues*>(clValueId.get());
    EXPECT_EQ(pclValueId->pbyGetRecord(), clValue->pclGetNAYFRecord()->pbyGetBuffer());
    EXPECT_EQ(pclValueId->nGetSize(), 3u);
    ASSERT_TRUE(clA.bCopy(clValue.get(), nullptr));
    EXPECT_TRUE(clA.bEqualRecordId(clValueId.get()));
}

TEST_F(NARecordIdTest, EachKindInstallsItsFunctionsOnAHash) {
    const Bytes v1 = {1, 0, 0, 0, 0xFF}, v2 = {1, 0, 0, 0, 0xFF}, v3 = {2, 0, 0, 0, 0xFF};
    CHashTableBounce clHash(7);
    CNARecordId_RecordValues(v1.data(), v1.size(), nullptr).SetHashTableFct_SerializedObject(&clHash);
    EXPECT_EQ(clHash.pfGetHashVal(), &CNARecordId::g_dwPtrHashVal);
    EXPECT_EQ(clHash.pfGetCmp(), &CNARecordId_RecordValues::g_nCompare_CNARecordId_RecordValues);
    unsigned char aby1[28], aby2[28], aby3[28];
    CNARecordId_RecordValues(v1.data(), 5, nullptr).Serialize(aby1, 28);
    CNARecordId_RecordValues(v2.data(), 5, nullptr).Serialize(aby2, 28);
    CNARecordId_RecordValues(v3.data(), 5, nullptr).Serialize(aby3, 28);
    ASSERT_TRUE(clHash.bAddElement(aby1, reinterpret_cast<void*>(intptr_t{41})));
    void* pv = nullptr;
    ASSERT_TRUE(clHash.bGetElement(aby2, &pv, nullptr));  // equal bytes elsewhere find the row
    EXPECT_EQ(reinterpret_cast<intptr_t>(pv), 41);
    EXPECT_FALSE(clHash.bGetElement(aby3, &pv, nullptr));

    CHeld<CNAConvertVariant> clV(pclBytesVariant(m_clErr.p, "k"));
    CNARecordId_RowId(clV.get()).SetHashTableFct_SerializedObject(&clHash);
    EXPECT_EQ(clHash.pfGetCmp(), &CNARecordId_RowId::g_nCompare_CNARecordId_RowId);
    EXPECT_EQ(clHash.pfGetHashVal(), &CNARecordId::g_dwPtrHashVal);
}

TEST_F(NARecordIdTest, SlotOrderOfTheIdentities) {
    // After the destructor pair and dwRelease (table entries 0 to 2).
    auto nEntry = [](auto pfn) { return SlotOf(pfn); };
    EXPECT_EQ(nEntry(&CNARecordId::eGetRecordIdType), 3);
    EXPECT_EQ(nEntry(&CNARecordId::pclGetClone), 4);
    EXPECT_EQ(nEntry(&CNARecordId::bEqualRecordId), 5);
    EXPECT_EQ(nEntry(&CNARecordId::bCopy), 6);
    EXPECT_EQ(nEntry(&CNARecordId::nGetSerializedSize), 7);
    EXPECT_EQ(nEntry(&CNARecordId::Serialize), 8);
    EXPECT_EQ(nEntry(&CNARecordId::DeSerialize), 9);
    EXPECT_EQ(nEntry(&CNARecordId::dwGetHashVal), 10);
    EXPECT_EQ(nEntry(&CNARecordId::RecordIdToString), 11);
    EXPECT_EQ(nEntry(&CNARecordId::SetHashTableFct_SerializedObject), 12);
}

}  // namespace
