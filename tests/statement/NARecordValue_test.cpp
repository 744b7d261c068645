// Record values and memo tables: the parts each copy flag copies, clones, memo copies and sharing,
// NULL answers for missing values, comparison with memos, and the rows of a record layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/XYStringConcat.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordMemo.h"
#include "native/statement/NARecordValue.h"
#include "tests/model/RecordFixture.h"
#include "tests/statement/StatementTestSupport.h"

namespace {

class NARecordValueTest : public ModelTest {
protected:
    // A value with an image, a memo table of the texts given and a record-values identity.
    CNARecordValue* pclValue(const std::string& sImageBytes, const std::vector<std::string>& vMemos) {
        auto* pcl = new CNARecordValue(m_clErr.p);
        pcl->AddRef();
        CHeld<CNAYFRecord> clImage(pclImage(sImageBytes));
        pcl->bCopyNAYFRecord(clImage.get());
        for (size_t i = 0; i < vMemos.size(); i++)
            pcl->bShareMemoValue(static_cast<int>(i), pclTextVariant(m_clErr.p, vMemos[i]));
        CHeld<CNARecordId> clId(new CNARecordId_RecordValues(pcl));
        pcl->bShareRecordID(clId.get());
        return pcl;
    }
    std::vector<std::string> Memos(const CNARecordValue* pcl) {
        std::vector<std::string> v;
        const CNARecordMemo* pclMemo = pcl->pclGetRecordMemoNoRef();
        for (int i = 0; pclMemo != nullptr && i < pclMemo->nGetNbMemo(); i++)
            v.push_back(sBytes(pclMemo->pclGetMemoValueNoRef(i)));
        return v;
    }
    CErrorHolder m_clErr;
};

TEST_F(NARecordValueTest, MemoTableCopies) {
    using V = std::vector<std::string>;
    struct Case {
        const char* pszName;
        V vOwn;
        V vSource;  // "<none>" entries are null in the source
        bool bNullSource;
        V vExpected;
    };
    const Case tabCases[] = {
        {"2 over 4: entries 2 and 3 NULL", {"a", "b", "c", "d"}, {"x", "y"}, false, {"x", "y", "<null>", "<null>"}},
        {"4 over 2: clones appended", {"a", "b"}, {"w", "x", "y", "z"}, false, {"w", "x", "y", "z"}},
        {"into an empty table", {}, {"x"}, false, {"x"}},
        {"null source", {"a", "b"}, {}, true, {"<null>", "<null>"}},
        {"empty source", {"a"}, {}, false, {"<null>"}},
        {"null entry of the source", {"a", "b"}, {"<none>", "y"}, false, {"<null>", "y"}},
    };
    for (const Case& c : tabCases) {
        CHeld<CNARecordMemo> clOwn(new CNARecordMemo);
        for (size_t i = 0; i < c.vOwn.size(); i++) clOwn->bShareMemoValue(int(i), pclTextVariant(m_clErr.p, c.vOwn[i]));
        CHeld<CNARecordMemo> clSource(new CNARecordMemo);
        for (size_t i = 0; i < c.vSource.size(); i++)
            clSource->bShareMemoValue(int(i), c.vSource[i] == "<none>" ? nullptr : pclTextVariant(m_clErr.p, c.vSource[i]));
        // The variants already there receive the values: a column that shares one keeps seeing it.
        const CNAConvertVariant* pclFirst = clOwn->pclGetMemoValueNoRef(0);
        ASSERT_TRUE(clOwn->bCopyRecordMemo(c.bNullSource ? nullptr : clSource.get())) << c.pszName;
        V v;
        for (int i = 0; i < clOwn->nGetNbMemo(); i++) v.push_back(sBytes(clOwn->pclGetMemoValueNoRef(i)));
        EXPECT_EQ(v, c.vExpected) << c.pszName;
        if (pclFirst != nullptr) {
            EXPECT_EQ(clOwn->pclGetMemoValueNoRef(0), pclFirst) << c.pszName;
        }
        // Never the source's own variants.
        for (int i = 0; i < clSource->nGetNbMemo(); i++) {
            if (clSource->pclGetMemoValueNoRef(i) != nullptr) {
                EXPECT_NE(clOwn->pclGetMemoValueNoRef(i), clSource->pclGetMemoValueNoRef(i)) << c.pszName;
            }
        }
    }
}

TEST_F(NARecordValueTest, SharingAMemoPadsWithNullEntries) {
    CHeld<CNARecordValue> clValue(new CNARecordValue(m_clErr.p));
    CHeld<CNAConvertVariant> clMemo(pclTextVariant(m_clErr.p, "memo"));
    ASSERT_TRUE(clValue->bShareMemoValue(3, clMemo.get()));
    ASSERT_NE(clValue->pclGetRecordMemoNoRef(), nullptr);
    EXPECT_EQ(clValue->pclGetRecordMemoNoRef()->nGetNbMemo(), 4);
    for (int i = 0; i < 3; i++) EXPECT_EQ(clValue->pclGetMemoValueNoRef(i), nullptr) << i;
    EXPECT_EQ(clValue->pclGetMemoValueNoRef(3), clMemo.get());
    EXPECT_EQ(clMemo->nGetRef(), 2u);  // the holder's and the table's

    // A copied memo is a clone; reading a memo gives its value, or NULL.
    ASSERT_TRUE(clValue->bCopyMemoValue(1, clMemo.get()));
    EXPECT_NE(clValue->pclGetMemoValueNoRef(1), clMemo.get());
    EXPECT_EQ(sBytes(clValue->pclGetMemoValueNoRef(1)), "memo");
    CAny cl;
    ASSERT_TRUE(clValue->bGetMemoValue(&cl, 3));
    EXPECT_FALSE(cl.bIsNull());
    for (int n : {0, 7}) {
        CAny clNull;
        ASSERT_TRUE(clValue->bGetMemoValue(&clNull, n));
        EXPECT_TRUE(clNull.bIsNull()) << n;
    }
    CNAConvertVariant* pclRef = clValue->pclGetMemoValue(3);
    EXPECT_EQ(clMemo->nGetRef(), 3u);
    pclRef->nRelease();
}

TEST_F(NARecordValueTest, WhatEachCopyFlagCopies) {
    struct Case {
        int nFlags;
        bool bImage, bMemos, bId;
    };
    const Case tabCases[] = {
        {0, false, false, false}, {1, true, false, false},  {2, false, true, false}, {4, false, false, true},
        {5, true, false, true},   {-1, true, true, true},
    };
    CHeld<CNARecordValue> clSource(pclValue("source", {"m0", "m1"}));
    clSource->nRelease();
    clSource->SetRecordState(NA_RECORDSTATE_DELETED);
    for (const Case& c : tabCases) {
        CHeld<CNARecordValue> clTarget(new CNARecordValue(m_clErr.p));
        ASSERT_TRUE(clTarget->bCopyRecordValue(clSource.get(), c.nFlags)) << c.nFlags;
        EXPECT_EQ(clTarget->eGetRecordState(), NA_RECORDSTATE_DELETED) << c.nFlags;  // always copied
        EXPECT_EQ(sImage(clTarget->pclGetNAYFRecord()), c.bImage ? "source" : "<none>") << c.nFlags;
        const std::vector<std::string> vMemos = c.bMemos ? std::vector<std::string>{"m0", "m1"} : std::vector<std::string>{};
        EXPECT_EQ(Memos(clTarget.get()), vMemos) << c.nFlags;
        ASSERT_EQ(clTarget->pclGetRecordIdNoRef() != nullptr, c.bId) << c.nFlags;
        if (c.bImage) {
            EXPECT_NE(clTarget->pclGetNAYFRecord(), clSource->pclGetNAYFRecord()) << c.nFlags;
        }
        if (c.bId) {
            // The copy identifies the target by its own bytes, never by the source's.
            auto* pclId = static_cast<CNARecordId_RecordValues*>(clTarget->pclGetRecordIdNoRef());
            EXPECT_NE(pclId, clSource->pclGetRecordIdNoRef());
            const unsigned char* pbyExpected =
                c.bImage ? clTarget->pclGetNAYFRecord()->pbyGetBuffer() : nullptr;
            EXPECT_EQ(pclId->pbyGetRecord(), pbyExpected) << c.nFlags;
        }
    }
}

TEST_F(NARecordValueTest, CopiesIntoAValueThatHasItsParts) {
    CHeld<CNARecordValue> clSource(pclValue("new bytes", {"n0"}));
    clSource->nRelease();
    CHeld<CNARecordValue> clTarget(pclValue("old bytes", {"o0", "o1", "o2"}));
    clTarget->nRelease();
    CNAYFRecord* pclImageBefore = clTarget->pclGetNAYFRecord();
    CNAConvertVariant* pclMemoBefore = clTarget->pclGetMemoValueNoRef(0);
    ASSERT_TRUE(clTarget->bCopyRecordValue(clSource.get(), CNARecordValue::COPY_ALL));
    // Same layout: copied over the buffer already held; memos into the variants already there.
    EXPECT_EQ(clTarget->pclGetNAYFRecord(), pclImageBefore);
    EXPECT_EQ(sImage(pclImageBefore), "new bytes");
    EXPECT_EQ(clTarget->pclGetMemoValueNoRef(0), pclMemoBefore);
    EXPECT_EQ(Memos(clTarget.get()), (std::vector<std::string>{"n0", "<null>", "<null>"}));
    EXPECT_TRUE(clTarget->bEquals(clSource.get(), 1));

    // Another layout: the image is replaced, and the identity follows the new buffer.
    CHeld<CNARecordValue> clLonger(pclValue("a longer row of bytes", {}));
    clLonger->nRelease();
    ASSERT_TRUE(clTarget->bCopyRecordValue(clLonger.get(), CNARecordValue::COPY_NAYFRECORD));
    EXPECT_EQ(sImage(clTarget->pclGetNAYFRecord()), "a longer row of bytes");
    auto* pclId = static_cast<CNARecordId_RecordValues*>(clTarget->pclGetRecordIdNoRef());
    EXPECT_EQ(pclId->pbyGetRecord(), clTarget->pclGetNAYFRecord()->pbyGetBuffer());
    EXPECT_EQ(pclId->nGetSize(), 21u);

    // Memo tables: neither side holding a value frees the own table.
    CHeld<CNARecordValue> clBare(pclValue("x", {}));
    clBare->nRelease();
    CHeld<CNARecordMemo> clEmpty(new CNARecordMemo);
    ASSERT_TRUE(clBare->bShareMemoValue(0, nullptr));
    ASSERT_NE(clBare->pclGetRecordMemoNoRef(), nullptr);
    ASSERT_TRUE(clBare->bCopyTabMemoValue(clEmpty.get()));
    EXPECT_EQ(clBare->pclGetRecordMemoNoRef(), nullptr);
}

// After any copy, an identity over the record bytes designates the target's own image and memo
// table, whether they were copied into, made anew, freed, or the identity was another value's.
TEST_F(NARecordValueTest, TheIdentityFollowsTheOwnPartsAfterACopy) {
    using V = std::vector<std::string>;
    struct Case {
        const char* pszName;
        std::string sTarget;
        V vTargetMemos;
        std::string sSource;
        V vSourceMemos;
        bool bForeignId;  // the target's identity was shared from another value
    };
    const Case tabCases[] = {
        {"same layout, memos into memos", "row one", {"a"}, "row two", {"b"}, false},
        {"memo table made by the copy", "row one", {}, "row two", {"b"}, false},
        {"memo table freed by the copy", "row one", {"a"}, "row two", {}, false},
        {"neither side has memos", "row one", {}, "row two", {}, false},
        {"image replaced (another layout)", "row", {"a"}, "a longer row", {"b"}, false},
        {"identity of another value", "row one", {"a"}, "row two", {"b"}, true},
    };
    for (const Case& c : tabCases) {
        CHeld<CNARecordValue> clTarget(pclValue(c.sTarget, c.vTargetMemos));
        clTarget->nRelease();
        CHeld<CNARecordValue> clSource(pclValue(c.sSource, c.vSourceMemos));
        clSource->nRelease();
        CHeld<CNARecordValue> clOther(pclValue("other", {"o"}));
        clOther->nRelease();
        if (c.bForeignId) clTarget->bShareRecordID(clOther->pclGetRecordIdNoRef());
        for (int nCopy = 0; nCopy < 2; nCopy++) {
            ASSERT_TRUE(clTarget->bCopyRecordValue(clSource.get(), CNARecordValue::COPY_ALL)) << c.pszName;
            ASSERT_EQ(clTarget->pclGetRecordIdNoRef()->eGetRecordIdType(), NA_RECORDID_RECORDVALUES) << c.pszName;
            auto* pclId = static_cast<CNARecordId_RecordValues*>(clTarget->pclGetRecordIdNoRef());
            EXPECT_EQ(pclId->pbyGetRecord(), clTarget->pclGetNAYFRecord()->pbyGetBuffer()) << c.pszName << nCopy;
            EXPECT_EQ(pclId->nGetSize(), c.sSource.size()) << c.pszName << nCopy;
            EXPECT_EQ(pclId->pclGetMemoNoRef(), clTarget->pclGetRecordMemoNoRef()) << c.pszName << nCopy;
            EXPECT_TRUE(pclId->bEqualRecordId(clSource->pclGetRecordIdNoRef())) << c.pszName << nCopy;
        }
    }
}

TEST_F(NARecordValueTest, ClonesAreIndependent) {
    CHeld<CNARecordValue> clSource(pclValue("row", {"m"}));
    clSource->nRelease();
    CNARecordValue* pclClone = clSource->pclGetClone(CNARecordValue::COPY_ALL);
    ASSERT_NE(pclClone, nullptr);
    CHeld<CNARecordValue> clClone(pclClone);
    EXPECT_EQ(clClone->nGetRef(), 1u);  // handed out with no reference
    EXPECT_EQ(clClone->pclGetErrorNoRef(), m_clErr.p);
    EXPECT_TRUE(clClone->bEquals(clSource.get(), 1));
    EXPECT_TRUE(clClone->pclGetRecordIdNoRef()->bEqualRecordId(clSource->pclGetRecordIdNoRef()));
    clSource->pclGetNAYFRecord()->pbyGetBuffer()[0] = 'R';
    CAny clM;
    SetDSTRA(&clM, "M");
    clSource->pclGetMemoValueNoRef(0)->bSetValue(&clM);
    EXPECT_EQ(sImage(clClone->pclGetNAYFRecord()), "row");
    EXPECT_EQ(Memos(clClone.get()), std::vector<std::string>{"m"});
    EXPECT_FALSE(clClone->bEquals(clSource.get(), 0));
    EXPECT_FALSE(clClone->pclGetRecordIdNoRef()->bEqualRecordId(clSource->pclGetRecordIdNoRef()));
}

// A browse copies the current row into the same original record at every row, while the current
// row's image and memo variants are filled anew in place for the next one: each copy holds the
// row it was made from until the next copy, whatever the row before held (text, NULL, an empty
// text, a text longer than any kept buffer).
TEST_F(NARecordValueTest, RowCopiesStandApartFromTheRefilledSource) {
    const std::string sLong(5000, 'L');
    struct Row {
        std::string sImage;
        const char* pszMemo0;  // null: NULL
        const char* pszMemo1;
    };
    const std::vector<Row> aRows = {
        {"row 1", "first", "one"},    {"row 2", nullptr, "two"},      {"row 3", "after NULL", nullptr},
        {"row 4", "", ""},            {"row 5", sLong.c_str(), "x"},  {"row 6", "short", sLong.c_str()},
        {"row 7", nullptr, nullptr},  {"row 8", "last", "end"},
    };
    CHeld<CNARecordValue> clCurrent(pclValue("row 0", {"m0", "m1"}));
    clCurrent->nRelease();
    CHeld<CNARecordValue> clOriginal(pclValue("row 0", {}));
    clOriginal->nRelease();
    auto Fill = [&](const Row& r) {
        memcpy(clCurrent->pclGetNAYFRecord()->pbyGetBuffer(), r.sImage.data(), r.sImage.size());
        const char* apsz[2] = {r.pszMemo0, r.pszMemo1};
        for (int i = 0; i < 2; i++) {
            CNAConvertVariant* pcl = clCurrent->pclGetMemoValueNoRef(i);
            if (apsz[i] == nullptr) {
                pcl->SetNull();
                continue;
            }
            CAny cl;
            SetDSTRA(&cl, apsz[i]);
            pcl->bSetValue(&cl);
        }
    };
    auto Expected = [](const Row& r) {
        return std::vector<std::string>{r.pszMemo0 != nullptr ? r.pszMemo0 : "<null>",
                                        r.pszMemo1 != nullptr ? r.pszMemo1 : "<null>"};
    };
    for (size_t i = 0; i < aRows.size(); i++) {
        SCOPED_TRACE(i);
        Fill(aRows[i]);
        ASSERT_TRUE(clOriginal->bCopyRecordValue(clCurrent.get(), CNARecordValue::COPY_ALL));
        EXPECT_EQ(sImage(clOriginal->pclGetNAYFRecord()), aRows[i].sImage);
        EXPECT_EQ(Memos(clOriginal.get()), Expected(aRows[i]));
        EXPECT_TRUE(clOriginal->bEquals(clCurrent.get(), 1));
        // The next row (or a last one) filled in: the copy keeps this row.
        Fill(i + 1 < aRows.size() ? aRows[i + 1] : Row{"row 9", "gone", nullptr});
        EXPECT_EQ(sImage(clOriginal->pclGetNAYFRecord()), aRows[i].sImage);
        EXPECT_EQ(Memos(clOriginal.get()), Expected(aRows[i]));
        // Set anew with a value of another type, the source leaves the copy alone as well.
        CAny clNumber;
        clNumber.SetI4(7);
        clCurrent->pclGetMemoValueNoRef(0)->CNAVariant::bSetValue(&clNumber);
        EXPECT_EQ(Memos(clOriginal.get()), Expected(aRows[i]));
        CAny clText;
        SetDSTRA(&clText, "m0");
        clCurrent->pclGetMemoValueNoRef(0)->CNAVariant::bSetValue(&clText);
    }
}

// The copy of a whole row (COPY_ALL) takes a shorter road when both sides have their parts, and
// must leave what the copy part by part leaves (the three flags given one by one take the general
// road): the same state, image, memo values of the same types, the same own objects kept or
// replaced, and an identity over the target's own parts. Entries that do not fit the short road
// (a NULL or missing entry, another count, another type, another layout, another identity) are
// among the cases, and each copy is made twice, as a browse copies row after row.
TEST_F(NARecordValueTest, TheRowCopyLeavesWhatTheCopyPartByPartLeaves) {
    using V = std::vector<std::string>;
    const std::string sLong(5000, 'L');
    const std::string sAccents = "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xE6\xBC\xA2\xE5\xAD\x97";
    // Memo texts: "<null>" a NULL value, "<none>" no variant at that index, "<bin>..." a binary value.
    struct Case {
        const char* pszName;
        std::string sTarget;
        V vTarget;
        std::string sSource;
        V vSource;
        bool bNoSourceMemo;
        bool bTargetRowId;
    };
    const Case tabCases[] = {
        {"text over text", "row one", {"a"}, "row two", {"b"}, false, false},
        {"NULL over text", "row one", {"a"}, "row two", {"<null>"}, false, false},
        {"text over NULL", "row one", {"<null>"}, "row two", {"b"}, false, false},
        {"empty text", "row one", {"a"}, "row two", {""}, false, false},
        {"non-ASCII text", "row one", {"a"}, "row two", {sAccents}, false, false},
        {"long text over short", "row one", {"a"}, "row two", {sLong}, false, false},
        {"two memos", "row one", {"a", "b"}, "row two", {"c", sAccents}, false, false},
        {"a missing source entry", "row one", {"a", "b"}, "row two", {"c", "<none>"}, false, false},
        {"a missing own entry", "row one", {"a", "<none>"}, "row two", {"c", "d"}, false, false},
        {"more source entries", "row one", {"a"}, "row two", {"c", "d"}, false, false},
        {"fewer source entries", "row one", {"a", "b"}, "row two", {"c"}, false, false},
        {"no source memo table", "row one", {"a"}, "row two", {}, true, false},
        {"binary over text", "row one", {"a"}, "row two", {std::string("<bin>\x01\x00\xFF", 8)}, false, false},
        {"another layout", "row", {"a"}, "a longer row", {"b"}, false, false},
        {"the target identified by a row id", "row one", {"a"}, "row two", {"b"}, false, true},
        {"limits: one byte, no text", "1", {""}, "2", {"<null>"}, false, false},
    };
    auto Variant = [&](const std::string& s) -> CNAConvertVariant* {
        if (s == "<none>") return nullptr;
        if (s.rfind("<bin>", 0) == 0) return pclBytesVariant(m_clErr.p, s.substr(5));
        CNAConvertVariant* pcl = pclTextVariant(m_clErr.p, s == "<null>" ? "" : s);
        if (s == "<null>") pcl->SetNull();
        return pcl;
    };
    auto Make = [&](const std::string& sImage, const V& vMemos, bool bNoMemo, bool bRowId) {
        auto* pcl = new CNARecordValue(m_clErr.p);
        pcl->AddRef();
        CHeld<CNAYFRecord> clImage(pclImage(sImage));
        pcl->bCopyNAYFRecord(clImage.get());
        for (size_t i = 0; !bNoMemo && i < vMemos.size(); i++) pcl->bShareMemoValue(int(i), Variant(vMemos[i]));
        CHeld<CNARecordId> clId(bRowId ? static_cast<CNARecordId*>(new CNARecordId_RowId(Variant("id")))
                                       : new CNARecordId_RecordValues(pcl));
        pcl->bShareRecordID(clId.get());
        return pcl;
    };
    // What a copy left, for the compare: state, image, each memo's type and bytes, which own
    // objects were kept, and where the identity points.
    auto State = [&](const CNARecordValue* pcl, const CNAYFRecord* pclImageBefore,
                     const std::vector<const CNAConvertVariant*>& vBefore) {
        std::string s = std::to_string(pcl->eGetRecordState()) + "|" + sImage(pcl->pclGetNAYFRecord()) + "|";
        s += pcl->pclGetNAYFRecord() == pclImageBefore ? "image kept|" : "image replaced|";
        const CNARecordMemo* pclMemo = pcl->pclGetRecordMemoNoRef();
        s += pclMemo == nullptr ? "no memo table|" : std::to_string(pclMemo->nGetNbMemo()) + " memos|";
        for (int i = 0; pclMemo != nullptr && i < pclMemo->nGetNbMemo(); i++) {
            const CNAConvertVariant* pclVariant = pclMemo->pclGetMemoValueNoRef(i);
            s += sBytes(pclVariant);
            if (pclVariant != nullptr) s += "/type " + std::to_string(pclVariant->pclGetValue()->nGetTypeCode());
            s += size_t(i) < vBefore.size() && vBefore[size_t(i)] == pclVariant ? "/kept|" : "/new|";
        }
        const CNARecordId* pclId = pcl->pclGetRecordIdNoRef();
        s += "id kind " + std::to_string(pclId->eGetRecordIdType());
        EXPECT_EQ(pclId->eGetKind(), pclId->eGetRecordIdType());
        if (pclId->eGetRecordIdType() == NA_RECORDID_RECORDVALUES) {
            auto* pclOwn = static_cast<const CNARecordId_RecordValues*>(pclId);
            s += pclOwn->pbyGetRecord() == pcl->pclGetNAYFRecord()->pbyGetBuffer() &&
                         pclOwn->nGetSize() == pcl->pclGetNAYFRecord()->nGetBufferSize() &&
                         pclOwn->pclGetMemoNoRef() == pcl->pclGetRecordMemoNoRef()
                     ? " over its own parts"
                     : " elsewhere";
        }
        return s;
    };
    const int nPartByPart = CNARecordValue::COPY_NAYFRECORD | CNARecordValue::COPY_MEMO | CNARecordValue::COPY_RECORDID;
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszName);
        CHeld<CNARecordValue> clSource(Make(c.sSource, c.vSource, c.bNoSourceMemo, false));
        clSource->nRelease();
        clSource->SetRecordState(NA_RECORDSTATE_DELETED);
        CHeld<CNARecordValue> clWhole(Make(c.sTarget, c.vTarget, false, c.bTargetRowId));
        clWhole->nRelease();
        CHeld<CNARecordValue> clByParts(Make(c.sTarget, c.vTarget, false, c.bTargetRowId));
        clByParts->nRelease();
        for (int nCopy = 0; nCopy < 2; nCopy++) {
            SCOPED_TRACE(nCopy);
            auto Before = [](const CNARecordValue* pcl) {
                std::vector<const CNAConvertVariant*> v;
                for (int i = 0;
                     pcl->pclGetRecordMemoNoRef() != nullptr && i < pcl->pclGetRecordMemoNoRef()->nGetNbMemo(); i++)
                    v.push_back(pcl->pclGetMemoValueNoRef(i));
                return v;
            };
            const CNAYFRecord* pclWholeImage = clWhole->pclGetNAYFRecord();
            const CNAYFRecord* pclPartsImage = clByParts->pclGetNAYFRecord();
            const auto vWhole = Before(clWhole.get());
            const auto vParts = Before(clByParts.get());
            ASSERT_TRUE(clWhole->bCopyRecordValue(clSource.get(), CNARecordValue::COPY_ALL));
            ASSERT_TRUE(clByParts->bCopyRecordValue(clSource.get(), nPartByPart));
            EXPECT_EQ(State(clWhole.get(), pclWholeImage, vWhole), State(clByParts.get(), pclPartsImage, vParts));
            EXPECT_TRUE(clWhole->bEquals(clSource.get(), 1));
            // The source keeps its own variants: the copy holds values, not the source's objects.
            for (int i = 0;
                 clSource->pclGetRecordMemoNoRef() != nullptr && i < clSource->pclGetRecordMemoNoRef()->nGetNbMemo();
                 i++) {
                if (clSource->pclGetMemoValueNoRef(i) != nullptr) {
                    EXPECT_NE(clWhole->pclGetMemoValueNoRef(i), clSource->pclGetMemoValueNoRef(i));
                }
            }
        }
    }
}

TEST_F(NARecordValueTest, EqualityWithAndWithoutMemos) {
    struct Case {
        const char* pszName;
        std::vector<std::string> a, b;
        bool bWithMemos;
        bool bExpected;
    };
    const Case tabCases[] = {
        {"same memos", {"x", "y"}, {"x", "y"}, true, true},
        {"a memo differs", {"x", "y"}, {"x", "z"}, true, false},
        {"a memo differs, memos ignored", {"x", "y"}, {"x", "z"}, false, true},
        {"a missing memo is NULL, not empty", {"x", ""}, {"x"}, true, false},
        {"no memos on either side", {}, {}, true, true},
    };
    for (const Case& c : tabCases) {
        CHeld<CNARecordValue> clA(pclValue("same", c.a));
        clA->nRelease();
        CHeld<CNARecordValue> clB(pclValue("same", c.b));
        clB->nRelease();
        EXPECT_EQ(clA->bEquals(clB.get(), c.bWithMemos) != 0, c.bExpected) << c.pszName;
        EXPECT_EQ(clB->bEquals(clA.get(), c.bWithMemos) != 0, c.bExpected) << c.pszName;
    }
    CHeld<CNARecordValue> clA(pclValue("same", {}));
    clA->nRelease();
    CHeld<CNARecordValue> clOther(pclValue("other", {}));
    clOther->nRelease();
    CHeld<CNARecordValue> clNoImage(new CNARecordValue(m_clErr.p));
    EXPECT_FALSE(clA->bEquals(clOther.get(), 0));
    EXPECT_FALSE(clA->bEquals(clNoImage.get(), 0));
    EXPECT_FALSE(clA->bEquals(nullptr, 0));

    // A memo that holds NULL equals a missing one.
    CHeld<CNARecordValue> clNull(pclValue("same", {"x"}));
    clNull->nRelease();
    clNull->pclGetMemoValueNoRef(0)->SetNull();
    EXPECT_TRUE(clNull->bEquals(clA.get(), 1));
}

TEST_F(NARecordValueTest, FreeingTheImageFreesTheIdentityFirst) {
    CHeld<CNARecordValue> clValue(pclValue("row", {}));
    clValue->nRelease();
    CNARecordId* pclId = clValue->pclGetRecordIdNoRef();
    pclId->AddRef();
    clValue->FreeNAYFRecord();
    EXPECT_EQ(clValue->pclGetNAYFRecord(), nullptr);
    EXPECT_EQ(clValue->pclGetRecordIdNoRef(), nullptr);
    EXPECT_EQ(pclId->dwGetRef(), 1u);
    pclId->dwRelease();
}

TEST_F(NARecordValueTest, WithoutAnErrorObjectOneIsMade) {
    CHeld<CNARecordValue> clValue(new CNARecordValue(nullptr));
    ASSERT_NE(clValue->pclGetErrorNoRef(), nullptr);
    EXPECT_EQ(clValue->pclGetErrorNoRef()->nGetRef(), 1u);
}

class RecordLayoutRowsTest : public RecordTest {};

TEST_F(RecordLayoutRowsTest, RowsOfARecordLayoutAreRecordValues) {
    Build();
    CNARecordValue* pclCurrent = m_pclRecord->pclGetCurrentRecordValueNoRef();
    CNARecordValue* pclOriginal = m_pclRecord->pclGetOriginalRecordValueNoRef();
    ASSERT_NE(pclCurrent, nullptr);
    ASSERT_NE(pclOriginal, nullptr);
    EXPECT_NE(pclCurrent->pclGetNAYFRecord(), pclOriginal->pclGetNAYFRecord());
    // The memo column's converter is shared by the current row's memo table.
    EXPECT_EQ(pclCurrent->pclGetMemoValueNoRef(0), pclCol(L"notes")->pclGetNAValue());

    CAny cl;
    SetDSTRA(&cl, "Texte long");
    ASSERT_TRUE(pclCol(L"notes")->bSetValue(&cl, 0));
    ASSERT_TRUE(m_pclRecord->bCopyCurrentRecordToOriginalRecord());
    ASSERT_NE(pclOriginal->pclGetMemoValueNoRef(0), nullptr);
    EXPECT_NE(pclOriginal->pclGetMemoValueNoRef(0), pclCol(L"notes")->pclGetNAValue());
    EXPECT_TRUE(m_pclRecord->bEquals(pclOriginal, 1));
    pclCol(L"notes")->bSetValueNULL();
    EXPECT_FALSE(m_pclRecord->bEquals(pclOriginal, 1));
    ASSERT_TRUE(m_pclRecord->bCopyOriginalRecordToCurrentRecord());
    CAny clOut;
    ASSERT_TRUE(pclCol(L"notes")->bGetCurrentValue(&clOut, 0));
    EXPECT_EQ(sTexteA(clOut), "Texte long");

    // A row with an identity shows it in the dump of the current row.
    CHeld<CNARecordId> clId(new CNARecordId_RecordValues(pclCurrent));
    pclCurrent->bShareRecordID(clId.get());
    CXYStringConcat<wchar_t> clDump;
    m_pclRecord->CurrentRecordToString(&clDump);
    const std::wstring sExpected =
        L"<Record ID> : record values (" + std::to_wstring(pclCurrent->pclGetNAYFRecord()->nGetBufferSize()) + L" bytes)";
    EXPECT_EQ(std::wstring(clDump.pszGet()).substr(0, sExpected.size()), sExpected);
    m_pclRecord->SetDeleted();
    EXPECT_EQ(pclCurrent->eGetRecordState(), NA_RECORDSTATE_DELETED);
}

}  // namespace
