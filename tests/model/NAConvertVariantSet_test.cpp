// Values from the host into a converter: variants of every kind into record slots and own buffers,
// the casts through the host and their failure (user error 53), date-times as text, typed setters,
// the change of language type, comparison, equality, copy and clone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAYFRecord.h"
#include "platform/WinMemoryTime.h"
#include "tests/model/ModelTestSupport.h"
#include "variant/DateTime.h"

namespace {

class NAConvertVariantSetTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        m_pclDesc = new CNADataSourceDescription(nullptr, nullptr);
        m_pclDesc->AddRef();
    }
    void TearDown() override {
        for (auto* pcl : m_tabConv) pcl->nRelease();
        delete m_pclRecord;
        m_pclDesc->nRelease();
        ModelTest::TearDown();
    }
    // Items first, then Bind() for converters bound to their slots in one record.
    CNAItemDescription* pclAdd(const wchar_t* pszName, eNA_ITEMTYPE eType, unsigned nSize, int nInt = 0, int nDec = 0) {
        m_pclDesc->bAddItem(pszName, L"tab", nullptr, 1, nSize, eType, -1, -1, 0, nInt, nDec);
        m_pclDesc->UpdateRecordSize();
        return m_pclDesc->pclGetItemNoRef(static_cast<int>(m_pclDesc->nGetNumItems()) - 1);
    }
    CNAConvertVariant* pclBind(CNAItemDescription* pclItem, CNAError* pclError = nullptr) {
        if (m_pclRecord == nullptr) {
            m_pclRecord = new CNAYFRecord;
            m_pclRecord->bInit(m_pclDesc, NA_INITTYPE_EMPTY);
        }
        CNAConvertVariant* pcl = pclNew(pclError);
        pcl->bInitTypeVariant(NAVARTYPE_BUFFER, m_pclRecord->pbyGetItemValue(pclItem, 0), pclItem->nGetItemSize(), 0);
        pcl->SetItemDesc(pclItem, pclItem);
        return pcl;
    }
    CNAConvertVariant* pclNew(CNAError* pclError = nullptr) {
        auto* pcl = new CNAConvertVariant(pclError, nullptr);
        pcl->AddRef();
        m_tabConv.push_back(pcl);
        return pcl;
    }
    std::string sSlot(CNAItemDescription* pclItem) const {
        const unsigned char* p = m_pclRecord->pbyGetItemValue(pclItem, 0);
        return std::string(reinterpret_cast<const char*>(p), pclItem->nGetItemSize());
    }

    CNADataSourceDescription* m_pclDesc = nullptr;
    CNAYFRecord* m_pclRecord = nullptr;
    std::vector<CNAConvertVariant*> m_tabConv;
};

std::string S(const char* p, size_t n) {
    return std::string(p, n);
}

CAny clDateTime(int a, int m, int j, int h, int mi, int s, int ms) {
    CDateTime cl;
    cl.Set(a, m, j, h, mi, s, ms);
    CAny clAny;
    clAny.SetDATETIME(cl);
    return clAny;
}

TEST_F(NAConvertVariantSetTest, VariantsIntoRecordSlots) {
    CNAItemDescription* pclInt = pclAdd(L"i", NA_IT_I4, 4);
    CNAItemDescription* pclText = pclAdd(L"t", NA_IT_TEXTE, 6);
    CNAItemDescription* pclDate = pclAdd(L"d", NA_IT_DATE8, 9);
    CNAItemDescription* pclTime = pclAdd(L"h", NA_IT_HEURE, 10);
    CNAItemDescription* pclTime9 = pclAdd(L"h9", NA_IT_HEURE, 9);
    CNAItemDescription* pclTs = pclAdd(L"ts", NA_IT_DATETIME, 8);
    CNAItemDescription* pclBin = pclAdd(L"b", NA_IT_BINAIRE, 6);
    CNAConvertVariant* pclCInt = pclBind(pclInt);
    CNAConvertVariant* pclCText = pclBind(pclText);
    CNAConvertVariant* pclCDate = pclBind(pclDate);
    CNAConvertVariant* pclCTime = pclBind(pclTime);
    CNAConvertVariant* pclCTime9 = pclBind(pclTime9);
    CNAConvertVariant* pclCTs = pclBind(pclTs);
    CNAConvertVariant* pclCBin = pclBind(pclBin);

    CAny cl;
    SetDSTRA(&cl, "1234");
    EXPECT_TRUE(pclCInt->bSetValue(&cl));
    EXPECT_EQ(sSlot(pclInt), S("\xD2\x04\0\0", 4));
    cl.SetI4(77);
    EXPECT_TRUE(pclCText->bSetValue(&cl));  // cast to the item's text through the host
    EXPECT_EQ(sSlot(pclText), S("77\0\0\0\0", 6));
    SetDSTRW(&cl, L"abcdefgh");
    EXPECT_TRUE(pclCText->bSetValue(&cl));
    EXPECT_EQ(sSlot(pclText), S("abcde\0", 6));

    const CAny clTs = clDateTime(2024, 3, 5, 10, 20, 30, 123);
    EXPECT_TRUE(pclCDate->bSetValue(&clTs));
    EXPECT_EQ(sSlot(pclDate), S("20240305\0", 9));
    EXPECT_TRUE(pclCTime->bSetValue(&clTs));
    EXPECT_EQ(sSlot(pclTime), S("102030123\0", 10));
    EXPECT_TRUE(pclCTime9->bSetValue(&clTs));
    EXPECT_EQ(sSlot(pclTime9), S("10203012\0", 9));
    EXPECT_TRUE(pclCTs->bSetValue(&clTs));
    EXPECT_EQ(sSlot(pclTs), S("\x05\x03\xE8\x07\x2B\x16\x38\x02", 8));

    cl.SetBIN(reinterpret_cast<const unsigned char*>("wxyz12"), 6);
    EXPECT_TRUE(pclCBin->bSetValue(&cl));
    EXPECT_EQ(sSlot(pclBin), S("\x04\0wxyz", 6));  // a binary slot keeps its count
    CAny clOut;
    EXPECT_TRUE(pclCBin->bGetValue(&clOut));
    unsigned long n = 0;
    clOut.pclGetValeur()->nGetUtilDataSize(&n);
    EXPECT_EQ(n, 4u);

    // NULL: the value NULL and its slot zero-filled.
    cl.SetI4(1);
    cl.SetNull(1);
    EXPECT_TRUE(pclCInt->bSetValue(&cl));
    EXPECT_TRUE(pclCInt->bIsNull());
    EXPECT_EQ(sSlot(pclInt), std::string(4, '\0'));
    EXPECT_TRUE(pclCInt->bSetValue(static_cast<const CAny*>(nullptr)));
    EXPECT_TRUE(pclCInt->bIsNull());
}

TEST_F(NAConvertVariantSetTest, ACastThatFailsRaisesUserError53) {
    CNAItemDescription* pclInt = pclAdd(L"Quantite", NA_IT_I4, 4);
    CErrorHolder clErr;
    CNAConvertVariant* pcl = pclBind(pclInt, clErr.p);
    pcl->bSetValue(5);
    CAny cl;
    SetDSTRA(&cl, "12a");
    EXPECT_FALSE(pcl->bSetValue(&cl));
    EXPECT_EQ(clErr.nCode(), 53u);
    EXPECT_EQ(clErr.nInfo(CXError::EIT_NATIVECODE), 53u);
    EXPECT_NE(clErr.sUser().find(L"12a"), std::wstring::npos);
    EXPECT_NE(clErr.sUser().find(L"19"), std::wstring::npos);  // the source type
    EXPECT_EQ(clErr.sText(CXError::EIT_LOGICALTABLENAME), L"tab");
    EXPECT_EQ(clErr.sText(CXError::EIT_ITEMNAME), L"Quantite");
    EXPECT_EQ(clErr.sDebug(), L"IEKXPSQL=12.3\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>");
    EXPECT_EQ(sSlot(pclInt), S("\x05\0\0\0", 4));  // the value stays as it was
}

TEST_F(NAConvertVariantSetTest, DateTimesAsTextInTheChosenLayout) {
    struct Case {
        const wchar_t* pszFormat;
        const char* pszExpected;
    };
    const Case tab[] = {
        {L"DD-MM-YYYY HH24:MI:SS", "05-03-2024 12:00:09"},   {L"AAAA-MM-JJ HH:MM:SS.CCC", "2024-03-05 12:00:09.123"},
        {L"AAAAMMJJ HH:MM:SS.CCC", "20240305 12:00:09.123"}, {L"YYYYMMDDHH24MISS", "20240305120009"},
        {L"YYYYMMDD HH24MISS", "20240305 120009"},           {L"YYYYMMDD HH24:MI:SS", "20240305 12:00:09"},
        {L"YYYYMMDDHH24MISSFF", "2024030512000912"},         {L"other", "20240305120009123"},
    };
    const CAny clTs = clDateTime(2024, 3, 5, 12, 0, 9, 123);
    for (const auto& c : tab) {
        CNAConvertVariant* pcl = pclNew();
        pcl->InitTypeVariantAny(VQTYPE_DSTRA, 0);
        pcl->SetDateFormatName(c.pszFormat);
        EXPECT_TRUE(pcl->bSetValue(&clTs));
        EXPECT_EQ(sTexteA(*pcl->pclGetValue()), c.pszExpected);
    }
}

TEST_F(NAConvertVariantSetTest, DurationsFromTextGoThroughA64BitInteger) {
    CNAItemDescription* pclDuree = pclAdd(L"dur", NA_IT_TIMELENGHT, 8);
    CNAConvertVariant* pcl = pclNew();
    pcl->InitTypeVariantAny(VQTYPE_DUREE, 0);
    pcl->SetItemDesc(pclDuree, nullptr);
    standin::ResetVM();
    CAny cl;
    SetDSTRA(&cl, "5000");
    EXPECT_TRUE(pcl->bSetValue(&cl));
    EXPECT_EQ(pcl->pclGetValue()->nGetType(), VQTYPE_DUREE);
    EXPECT_EQ(tBrut<int64_t>(*pcl->pclGetValue()), 5000);
    auto tabCalls = standin::GetVMCalls();
    ASSERT_GE(tabCalls.size(), 1u);
    EXPECT_EQ(tabCalls[0].nTypeB, VQTYPE_I8);
}

TEST_F(NAConvertVariantSetTest, OwnBuffersAndPointers) {
    CNAConvertVariant* pcl = pclNew();
    ASSERT_TRUE(pcl->bInitTypeVariantBuffer(VQTYPE_DSTRW, 20));
    EXPECT_EQ(pcl->eGetVarType(), NAVARTYPE_OWNBUFFER);
    EXPECT_TRUE(pcl->bSetValue(L"abcdefgh", 8));
    EXPECT_EQ(pcl->nGetSize(), 16u);  // capacity - 4: 4 characters and room for the terminator
    CAny cl;
    EXPECT_TRUE(pcl->bGetValue(&cl));
    EXPECT_EQ(sTexteW(cl), L"abcd");
    pcl->CompleteSpaces(-1);
    EXPECT_TRUE(pcl->bGetValue(&cl));
    EXPECT_EQ(sTexteW(cl), L"abcd");  // already as long as the target

    ASSERT_TRUE(pcl->bInitTypeVariantBuffer(VQTYPE_PSTRA, 8));
    EXPECT_TRUE(pcl->bSetValue("ab", 2));
    pcl->CompleteSpaces(5);
    EXPECT_TRUE(pcl->bGetValue(&cl));
    EXPECT_EQ(sTexteA(cl), "ab   ");
    pcl->CompleteSpaces(100);  // never past the buffer and its zero
    EXPECT_TRUE(pcl->bGetValue(&cl));
    EXPECT_EQ(sTexteA(cl), "ab     ");

    unsigned char aby[4] = {1, 2, 3, 4};
    ASSERT_TRUE(pcl->bInitTypeVariant(NAVARTYPE_POINTER, nullptr, 0, VQTYPE_BIN));
    EXPECT_TRUE(pcl->bSetValue(aby, 4));
    EXPECT_EQ(pcl->pGetData(), aby);
    EXPECT_EQ(pcl->nGetSize(), 4u);
    EXPECT_FALSE(pcl->bGetValue(&cl));  // a value given by pointer is not read back
}

TEST_F(NAConvertVariantSetTest, TypedSettersWriteTheirNaturalWidth) {
    CNAItemDescription* pclBool = pclAdd(L"f", NA_IT_BOOLEEN, 1);
    CNAItemDescription* pclShort = pclAdd(L"s", NA_IT_I2, 2);
    CNAItemDescription* pclReal = pclAdd(L"r", NA_IT_R8, 8);
    CNAItemDescription* pclLong = pclAdd(L"l", NA_IT_I8, 8);
    CNAConvertVariant* pclCBool = pclBind(pclBool);
    CNAConvertVariant* pclCShort = pclBind(pclShort);
    CNAConvertVariant* pclCReal = pclBind(pclReal);
    CNAConvertVariant* pclCLong = pclBind(pclLong);
    EXPECT_TRUE(pclCBool->bSetValue(true));
    EXPECT_EQ(sSlot(pclBool), "\x01");
    EXPECT_TRUE(pclCShort->bSetValue(static_cast<short>(-2)));
    EXPECT_EQ(sSlot(pclShort), "\xFE\xFF");
    EXPECT_TRUE(pclCReal->bSetValue(2.0));
    EXPECT_EQ(sSlot(pclReal), S("\0\0\0\0\0\0\0\x40", 8));
    EXPECT_TRUE(pclCLong->bSetValue(7));  // an int into an 8-byte integer: cast through the host
    EXPECT_EQ(sSlot(pclLong), S("\x07\0\0\0\0\0\0\0", 8));
    EXPECT_TRUE(pclCReal->bSetValue(3));
    EXPECT_EQ(sSlot(pclReal), S("\0\0\0\0\0\0\x08\x40", 8));

    CNAConvertVariant* pcl = pclNew();
    pcl->InitTypeVariantAny(VQTYPE_I2, 0);
    EXPECT_TRUE(pcl->bSetValue(static_cast<short>(9)));
    EXPECT_EQ(pcl->pclGetValue()->nGetType(), VQTYPE_I2);
    EXPECT_EQ(tBrut<int16_t>(*pcl->pclGetValue()), 9);
}

TEST_F(NAConvertVariantSetTest, TimeTextsFromASystemTime) {
    CNAItemDescription* pclText = pclAdd(L"t", NA_IT_TEXTE, 9);
    CNAItemDescription* pclTs = pclAdd(L"ts", NA_IT_DATETIME, 8);
    CNAConvertVariant* pcl = pclBind(pclText);
    SYSTEMTIME st = {};
    st.wYear = 2024;
    st.wMonth = 3;
    st.wDay = 5;
    st.wHour = 10;
    st.wMinute = 20;
    st.wSecond = 30;
    st.wMilliseconds = 456;
    EXPECT_TRUE(pcl->bSetValue(&st));  // data size 9: HHMMSSmmm cut to 8
    EXPECT_EQ(sSlot(pclText), S("10203045\0", 9));

    CNAConvertVariant* pclCTs = pclBind(pclTs);
    EXPECT_TRUE(pclCTs->bSetValue(&st));
    EXPECT_EQ(sSlot(pclTs), S("\x05\x03\xE8\x07\x78\x17\x38\x02", 8));
}

TEST_F(NAConvertVariantSetTest, ChangeOfTypeForATimeItem) {
    CNAItemDescription* pclTime = pclAdd(L"h", NA_IT_HEURE, 10);
    struct Case {
        const char* pszValue;
        int bNoPadding;
        const wchar_t* pszExpected;
    };
    const Case tab[] = {
        {"1020", 0, L"102000000"},
        {"1020", 1, L"1020"},
        {"10203012345", 0, L"102030123"},
    };
    for (const auto& c : tab) {
        CNAConvertVariant* pcl = pclNew();
        pcl->InitTypeVariantAny(VQTYPE_DSTRA, 0);
        pcl->SetItemDesc(pclTime, nullptr);
        pcl->InitTypeVariantAny(VQTYPE_DSTRA, 0);
        CAny cl;
        SetDSTRA(&cl, c.pszValue);
        pcl->bSetValue(&cl);
        EXPECT_TRUE(pcl->vbChangeVQType(VQTYPE_DSTRW, c.bNoPadding));
        EXPECT_EQ(pcl->pclGetValue()->nGetType(), VQTYPE_DSTRW);
        EXPECT_EQ(sTexteW(*pcl->pclGetValue()), c.pszExpected);
        EXPECT_EQ(pcl->piGetItemAnalyseNoRef(), pclTime);  // still bound to its item
    }
}

TEST_F(NAConvertVariantSetTest, ComparisonAndEquality) {
    auto pclText = [&](const char* psz) {
        CNAConvertVariant* pcl = pclNew();
        pcl->InitTypeVariantAny(VQTYPE_DSTRA, 0);
        CAny cl;
        SetDSTRA(&cl, psz);
        pcl->bSetValue(&cl);
        return pcl;
    };
    CNAConvertVariant* pclA = pclText("abc");
    CNAConvertVariant* pclB = pclText("abd");
    CNAConvertVariant* pclC = pclText("ab");
    EXPECT_EQ(pclA->nCmp(pclB), -1);
    EXPECT_EQ(pclB->nCmp(pclA), 1);
    EXPECT_EQ(pclA->nCmp(pclC), 1);  // lengths differ: strcmp of the texts
    EXPECT_EQ(pclA->nCmp(pclA), 0);
    EXPECT_FALSE(pclA->bEqualsNAVariant(pclB));
    EXPECT_TRUE(pclA->bEqualsNAVariant(pclText("abc")));

    // Values of different types are read back and compared by the host.
    CNAConvertVariant* pclN = pclNew();
    pclN->InitTypeVariantAny(VQTYPE_I4, 0);
    pclN->bSetValue(12);
    CNAConvertVariant* pclT = pclNew();
    pclT->InitTypeVariantAny(VQTYPE_I8, 0);
    pclT->bSetValue(13l);
    standin::ResetVM();
    EXPECT_EQ(pclN->nCmp(pclT), -1);
    EXPECT_EQ(standin::nGetVMCalls("nComparaisonEx"), 1);
    EXPECT_FALSE(pclN->bEqualsNAVariant(pclT));
    pclT->bSetValue(12l);
    EXPECT_EQ(pclN->nCmp(pclT), 0);
    EXPECT_TRUE(pclN->bEqualsNAVariant(pclT));

    // NULL and empty converters.
    CNAConvertVariant* pclNull1 = pclNew();
    CNAConvertVariant* pclNull2 = pclNew();
    EXPECT_TRUE(pclNull1->bEqualsNAVariant(pclNull2));  // both without a value
    pclNull1->InitTypeVariantAny(VQTYPE_I4, 0);
    pclNull1->SetNull();
    pclNull2->InitTypeVariantAny(VQTYPE_DSTRA, 0);
    pclNull2->SetNull();
    EXPECT_TRUE(pclNull1->bEqualsNAVariant(pclNull2));
    EXPECT_FALSE(pclNull1->bEqualsNAVariant(pclN));
}

TEST_F(NAConvertVariantSetTest, CopiesAndClones) {
    CNAItemDescription* pclText = pclAdd(L"t", NA_IT_TEXTE, 6);
    CNAConvertVariant* pclSlot = pclBind(pclText);
    CAny cl;
    SetDSTRA(&cl, "hey");
    pclSlot->bSetValue(&cl);

    // A copy of a slot-bound value is a value of its own, bound to the same items.
    CNAConvertVariant* pclCopy = pclNew();
    EXPECT_TRUE(pclCopy->bCopyVariant(pclSlot));
    EXPECT_EQ(pclCopy->eGetVarType(), NAVARTYPE_ANY);
    EXPECT_EQ(sTexteA(*pclCopy->pclGetValue()), "hey");
    EXPECT_EQ(pclCopy->piGetItemAnalyseNoRef(), pclText);
    EXPECT_TRUE(pclCopy->bEqualsNAVariant(pclSlot));

    // Copying a value not read yet keeps it not read yet, and NULL.
    CNAConvertVariant* pclUnread = pclNew();
    pclUnread->InitTypeVariantAny(VQTYPE_DSTRA, 0);
    pclUnread->_SetVarType(NAVARTYPE_UNREAD);
    CNAConvertVariant* pclTarget = pclNew();
    EXPECT_TRUE(pclTarget->bCopyVariant(pclUnread));
    EXPECT_EQ(pclTarget->eGetVarType(), NAVARTYPE_UNREAD);
    EXPECT_TRUE(pclTarget->bIsNull());

    // An own binary buffer copied keeps its bytes.
    CNAItemDescription* pclBin = pclAdd(L"b", NA_IT_BINAIRE, 8);
    CNAConvertVariant* pclOwn = pclNew();
    ASSERT_TRUE(pclOwn->bInitTypeVariantBuffer(VQTYPE_BIN, 8));
    pclOwn->SetItemDesc(pclBin, nullptr);
    ASSERT_TRUE(pclOwn->bInitTypeVariantBuffer(VQTYPE_BIN, 8));
    pclOwn->SetItemDesc(pclBin, nullptr);
    EXPECT_TRUE(pclOwn->bSetValue(reinterpret_cast<const unsigned char*>("\x09\x08\x07"), 3));
    CNAConvertVariant* pclClone = pclOwn->pclGetCloneVariant();
    ASSERT_NE(pclClone, nullptr);
    pclClone->AddRef();
    m_tabConv.push_back(pclClone);
    EXPECT_EQ(pclClone->eGetVarType(), NAVARTYPE_OWNBUFFER);
    CAny clA, clB;
    EXPECT_TRUE(pclOwn->bGetValue(&clA));
    EXPECT_TRUE(pclClone->bGetValue(&clB));
    unsigned long nA = 0, nB = 0;
    clA.pclGetValeur()->nGetUtilDataSize(&nA);
    clB.pclGetValeur()->nGetUtilDataSize(&nB);
    EXPECT_EQ(nA, 3u);
    EXPECT_EQ(nB, 3u);
    EXPECT_TRUE(pclClone->bEqualsNAVariant(pclOwn));

    EXPECT_TRUE(pclTarget->bCopyVariant(nullptr));
    EXPECT_TRUE(pclTarget->bIsNull());
}

// A memo's value copied into the original record at every row: the same converter copied over
// again and again from values held in the variant, texts, NULLs and empty texts in turn, each copy
// equal to its source (NULL when it is) and sharing its text.
TEST_F(NAConvertVariantSetTest, RepeatedCopiesOfHeldValues) {
    CNAItemDescription* pclMemo = pclAdd(L"m", NA_IT_MEMOUNICODE, 8);
    CNAConvertVariant* pclTarget = pclNew();
    const std::vector<const wchar_t*> apszRows = {L"first row's note", L"second", nullptr, L"after a NULL", L"",
                                                  nullptr, nullptr, L"last \U0001F600"};
    for (const wchar_t* psz : apszRows) {
        SCOPED_TRACE(psz != nullptr ? psz : L"(NULL)");
        // The current record's memo as a fetch leaves it: a fresh value held in the variant.
        CNAConvertVariant* pclSource = pclNew();
        pclSource->InitTypeVariantAny(VQTYPE_DSTRW, 0);
        pclSource->SetItemDesc(pclMemo, pclMemo);
        if (psz != nullptr)
            ASSERT_TRUE(pclSource->bSetValue(psz, wcslen(psz)));
        else
            pclSource->SetNull();
        ASSERT_TRUE(pclTarget->bCopyVariant(pclSource));
        EXPECT_EQ(pclTarget->eGetVarType(), NAVARTYPE_ANY);
        EXPECT_EQ(pclTarget->piGetItemAnalyseNoRef(), pclMemo);
        EXPECT_EQ(pclTarget->bIsNull(), psz == nullptr);
        EXPECT_TRUE(pclTarget->bEqualsNAVariant(pclSource));
        CAny clTarget, clSource;
        ASSERT_TRUE(pclTarget->bGetValue(&clTarget));
        ASSERT_TRUE(pclSource->bGetValue(&clSource));
        EXPECT_EQ(clTarget.nGetType(), clSource.nGetType());  // the type and its flags
        if (psz != nullptr) {
            EXPECT_EQ(sTexteW(clTarget), std::wstring(psz));
            const wchar_t* pszTarget = nullptr;
            const wchar_t* pszSource = nullptr;
            pclTarget->pclGetValue()->pclGetValeur()->nGetPCWSTR(&pszTarget);
            pclSource->pclGetValue()->pclGetValeur()->nGetPCWSTR(&pszSource);
            if (*psz != 0) {
                EXPECT_EQ(pszTarget, pszSource);  // shared, not copied
            }
        }
    }
}

// The converter reused row after row ends each copy as a converter made afresh for that row does
// (type word, sizes, items, text), whatever the row before left in it (a NULL, an empty text, a text
// longer than any kept buffer), and keeps its value when the source is set anew afterwards.
TEST_F(NAConvertVariantSetTest, ReusedCopyEqualsAFreshOneAndStandsAlone) {
    CNAItemDescription* pclMemo = pclAdd(L"m", NA_IT_MEMOUNICODE, 8);
    CNAItemDescription* pclOther = pclAdd(L"n", NA_IT_MEMOUNICODE, 8);
    const std::wstring sLong(20000, L'\u00e9');
    struct Row {
        const wchar_t* psz;  // null: NULL
        CNAItemDescription* pclItem;
        unsigned long nCapacity;
    };
    const std::vector<Row> aRows = {
        {L"first", pclMemo, 0},  {nullptr, pclMemo, 0},      {L"after a NULL", pclMemo, 64},
        {L"", pclMemo, 0},       {sLong.c_str(), pclMemo, 0}, {L"short again", pclOther, 0},
        {nullptr, pclOther, 0},  {nullptr, pclMemo, 0},       {L"last", pclMemo, 0},
    };
    CNAConvertVariant* pclTarget = pclNew();
    for (size_t i = 0; i < aRows.size(); i++) {
        const Row& r = aRows[i];
        SCOPED_TRACE(i);
        CNAConvertVariant* pclSource = pclNew();
        pclSource->InitTypeVariantAny(VQTYPE_DSTRW, r.nCapacity);
        pclSource->SetItemDesc(r.pclItem, r.pclItem);
        if (r.psz != nullptr)
            ASSERT_TRUE(pclSource->bSetValue(r.psz, wcslen(r.psz)));
        else
            pclSource->SetNull();
        ASSERT_TRUE(pclTarget->bCopyVariant(pclSource));
        CNAConvertVariant* pclFresh = pclNew();
        ASSERT_TRUE(pclFresh->bCopyVariant(pclSource));

        EXPECT_EQ(pclTarget->eGetVarType(), pclFresh->eGetVarType());
        EXPECT_EQ(pclTarget->eGetStorageDB(), pclFresh->eGetStorageDB());
        EXPECT_EQ(pclTarget->nGetCapacity(), pclFresh->nGetCapacity());
        EXPECT_EQ(pclTarget->nGetDataSize(), pclFresh->nGetDataSize());
        EXPECT_EQ(pclTarget->nGetDataLengthDB(), pclFresh->nGetDataLengthDB());
        EXPECT_EQ(pclTarget->piGetItemAnalyseNoRef(), r.pclItem);
        EXPECT_EQ(pclTarget->piGetItemDatabaseNoRef(), r.pclItem);
        EXPECT_EQ(pclTarget->pclGetValue()->nGetType(), pclFresh->pclGetValue()->nGetType());
        EXPECT_EQ(pclTarget->bIsNull(), r.psz == nullptr);
        const std::wstring sExpected = r.psz != nullptr ? r.psz : L"";
        EXPECT_EQ(sTexteW(*pclTarget->pclGetValue()), sExpected);

        // The source takes the next row's value, or becomes NULL: the copy stays as it was.
        ASSERT_TRUE(pclSource->bSetValue(L"overwritten", 11));
        EXPECT_EQ(sTexteW(*pclTarget->pclGetValue()), sExpected);
        pclSource->SetNull();
        EXPECT_EQ(pclTarget->bIsNull(), r.psz == nullptr);
        EXPECT_EQ(sTexteW(*pclTarget->pclGetValue()), sExpected);
    }
}

TEST_F(NAConvertVariantSetTest, UnicodeSlotsHoldUTF16BothWays) {
    CNAItemDescription* pclUni = pclAdd(L"u", NA_IT_UNICODE, 12);
    CNAConvertVariant* pcl = pclBind(pclUni);
    ASSERT_TRUE(pcl->bInitBufferDB());  // as the first fetch does
    EXPECT_TRUE(pcl->bSetValue(L"h\u00e9llo!!", 7));
    EXPECT_EQ(sSlot(pclUni), S("h\0\xE9\0l\0l\0o\0\0\0", 12));  // what fits, and the terminator
    CAny cl;
    EXPECT_TRUE(pcl->bGetValue(&cl));
    EXPECT_EQ(cl.nGetType(), VQTYPE_DSTRW);
    EXPECT_EQ(sTexteW(cl), L"h\u00e9llo");
    // A copy written back into the slot (as a restored original value is) keeps the encoding.
    CNAConvertVariant* pclCopy = pclNew();
    pclCopy->bCopyVariant(pcl);
    pcl->SetNull();
    EXPECT_TRUE(pcl->bCopyVariant(pclCopy));
    EXPECT_EQ(sSlot(pclUni), S("h\0\xE9\0l\0l\0o\0\0\0", 12));
}

TEST_F(NAConvertVariantSetTest, DecimalInformationOfADecimalItem) {
    CNAItemDescription* pclDec = pclAdd(L"d", NA_IT_DECIMAL, 9, 15, 5);
    CNAConvertVariant* pcl = pclNew();
    pcl->SetItemDesc(pclDec, nullptr);
    int nDigits = 0, nDecimals = 0;
    EXPECT_TRUE(pcl->bGetDecimalInfo(&nDigits, &nDecimals));
    EXPECT_EQ(nDigits, 20);
    EXPECT_EQ(nDecimals, 5);
}

}  // namespace
