// The host record image: flag field sizes and bit order, the slot encodings of every item type,
// variants into and out of slots (with a cast that fails leaving the slot alone), defaults at
// initialisation, memo markers, whole-buffer operations and the serial form.
#include "native/model/NAYFRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/XYString.h"
#include "native/model/NADataSourceDescription.h"
#include "tests/model/ModelTestSupport.h"
#include "variant/DateTime.h"

namespace {

class NAYFRecordTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        m_pclDesc = new CNADataSourceDescription(nullptr, nullptr);
        m_pclDesc->AddRef();
    }
    void TearDown() override {
        for (auto* pcl : m_tabRecords) pcl->nRelease();
        m_pclDesc->nRelease();
        ModelTest::TearDown();
    }
    // An item added to the fixture description; its position in it.
    CNAItemDescription* pclAdd(const wchar_t* pszName, eNA_ITEMTYPE eType, unsigned nSize, int nKey = -1,
                               unsigned short wFlags = 0, unsigned nDim = 1) {
        m_pclDesc->bAddItem(pszName, nullptr, nullptr, nDim, nSize, eType, -1, nKey, wFlags, 0, 0);
        m_pclDesc->UpdateRecordSize();
        return m_pclDesc->pclGetItemNoRef(static_cast<int>(m_pclDesc->nGetNumItems()) - 1);
    }
    CNAYFRecord* pclRecord(eINITTYPE eType = NA_INITTYPE_EMPTY) {
        auto* pcl = new CNAYFRecord;
        pcl->AddRef();
        m_tabRecords.push_back(pcl);
        EXPECT_TRUE(pcl->bInit(m_pclDesc, eType));
        return pcl;
    }
    std::vector<unsigned char> Slot(CNAYFRecord* pcl, CNAItemDescription* pclItem, int n = 0) {
        const unsigned char* p = pcl->pbyGetItemValue(pclItem, n);
        if (p == nullptr) return {};
        return std::vector<unsigned char>(p, p + pclItem->nGetItemSize());
    }

    CNADataSourceDescription* m_pclDesc = nullptr;
    std::vector<CNAYFRecord*> m_tabRecords;
};

std::vector<unsigned char> Bytes(const char* psz, size_t n) {
    return std::vector<unsigned char>(psz, psz + n);
}

TEST_F(NAYFRecordTest, FlagFieldSizeAndBitOrder) {
    CNAYFRecord* pcl0 = pclRecord();
    EXPECT_EQ(pcl0->nGetFlagFieldSize(), 0u);
    EXPECT_EQ(pcl0->nGetBufferSize(), 0u);
    std::vector<CNAItemDescription*> tab;
    for (int i = 0; i < 8; i++) tab.push_back(pclAdd(nullptr, NA_IT_UI1, 1));
    EXPECT_EQ(pclRecord()->nGetFlagFieldSize(), 1u);
    tab.push_back(pclAdd(nullptr, NA_IT_UI1, 1));
    CNAYFRecord* pcl = pclRecord();
    EXPECT_EQ(pcl->nGetFlagFieldSize(), 2u);
    EXPECT_EQ(pcl->nGetBufferSize(), 2u + 9u);
    EXPECT_EQ(pcl->pbyGetValues(), pcl->pbyGetBuffer() + 2);
    EXPECT_EQ(pcl->pbyGetNullValuesFlags(), pcl->pbyGetBuffer());
    tab.push_back(pclAdd(nullptr, NA_IT_UI1, 1));
    pcl = pclRecord();
    const unsigned char by = 7;
    pcl->SetItemValue(tab[0], &by, 1, 0);
    pcl->SetItemValue(tab[9], &by, 1, 0);
    EXPECT_EQ(pcl->pbyGetBuffer()[0], 0x80);
    EXPECT_EQ(pcl->pbyGetBuffer()[1], 0x40);
    pcl->SetItemValueDefined(tab[3], 1, 0);
    EXPECT_EQ(pcl->pbyGetBuffer()[0], 0x90);
    EXPECT_TRUE(pcl->bItemValueDefined(tab[3], 0));
    EXPECT_FALSE(pcl->bItemValueDefined(tab[4], 0));
    pcl->SetItemValueDefined(tab[0], 0, 0);
    EXPECT_EQ(pcl->pbyGetBuffer()[0], 0x10);
    EXPECT_EQ(pcl->pbyGetValues()[0], 0);  // the slot is zeroed with its bit
    EXPECT_EQ(pcl->pbyGetValues()[9], 7);
}

TEST_F(NAYFRecordTest, SlotEncodingsByItemType) {
    CNAItemDescription* pclText = pclAdd(L"t", NA_IT_TEXTE, 5);
    CNAItemDescription* pclBin = pclAdd(L"b", NA_IT_BINAIRE, 6);
    CNAItemDescription* pclUni = pclAdd(L"u", NA_IT_UNICODE, 12);
    CNAItemDescription* pclInt = pclAdd(L"i", NA_IT_I4, 4);
    CNAItemDescription* pclDate = pclAdd(L"d", NA_IT_DATE8, 9);
    CNAYFRecord* pcl = pclRecord();

    pcl->SetItemValue(pclText, "abcdef", 6, 0);
    EXPECT_EQ(Slot(pcl, pclText), Bytes("abcd\0", 5));
    pcl->SetItemValue(pclText, "ab\0zz", 5, 0);  // a bounded copy stops at the text's end
    EXPECT_EQ(Slot(pcl, pclText), Bytes("ab\0\0\0", 5));
    pcl->SetItemValue(pclBin, "0123456789", 10, 0);
    EXPECT_EQ(Slot(pcl, pclBin), Bytes("\x04\x00"
                                       "0123",
                                       6));
    pcl->SetItemValue(pclBin, "xy", 2, 0);
    EXPECT_EQ(Slot(pcl, pclBin), Bytes("\x02\x00xy\0\0", 6));
    const wchar_t szUni[] = L"h\u00e9llo!";
    pcl->SetItemValue(pclUni, szUni, 7 * sizeof(wchar_t), 0);
    EXPECT_EQ(Slot(pcl, pclUni), Bytes("h\0\xe9\0l\0l\0o\0!\0", 12));  // slot / 2 units, no room for a zero
    pcl->SetItemValue(pclUni, L"ab", 3, 0);                            // less than one character
    EXPECT_EQ(Slot(pcl, pclUni), std::vector<unsigned char>(12, 0));
    const int32_t n = 0x01020304;
    pcl->SetItemValue(pclInt, &n, 4, 0);
    EXPECT_EQ(Slot(pcl, pclInt), Bytes("\x04\x03\x02\x01", 4));
    pcl->SetItemValue(pclInt, nullptr, 4, 0);
    EXPECT_EQ(Slot(pcl, pclInt), std::vector<unsigned char>(4, 0));
    EXPECT_TRUE(pcl->bItemValueDefined(pclInt, 0));  // written, even as zeros
    pcl->SetItemValue(pclDate, "20240305", 9, 0);
    EXPECT_EQ(Slot(pcl, pclDate), Bytes("20240305\0", 9));
}

TEST_F(NAYFRecordTest, MemoMarkers) {
    CNAItemDescription* pclMemo = pclAdd(L"m", NA_IT_MEMOTEXTE, 8);
    CNAItemDescription* pclUni = pclAdd(L"mu", NA_IT_MEMOUNICODE, 8);
    CNAYFRecord* pcl = pclRecord();
    for (CNAItemDescription* pclItem : {pclMemo, pclUni}) {
        pcl->SetItemValueDefined(pclItem, 0, 0);
        EXPECT_EQ(Slot(pcl, pclItem), std::vector<unsigned char>(8, 0xFF));
        EXPECT_FALSE(pcl->bItemValueDefined(pclItem, 0));
        pcl->SetItemValueDefined(pclItem, 1, 0);
        EXPECT_EQ(Slot(pcl, pclItem), std::vector<unsigned char>(8, 0));
        EXPECT_TRUE(pcl->bItemValueDefined(pclItem, 0));
    }
    // Several at once, each by its own bit.
    const INAItemDescription* tabItems[] = {pclMemo, pclUni};
    const int tabBits[] = {0, 1};
    const int tabDefined[] = {0, 1};
    pcl->SetTabItemValueDefined(tabItems, 2, tabBits, tabDefined);
    EXPECT_EQ(pcl->pbyGetBuffer()[0], 0x40);
    EXPECT_EQ(Slot(pcl, pclMemo), std::vector<unsigned char>(8, 0xFF));
}

TEST_F(NAYFRecordTest, VariantsInAndOut) {
    CNAItemDescription* pclInt = pclAdd(L"i", NA_IT_I4, 4);
    CNAItemDescription* pclText = pclAdd(L"t", NA_IT_TEXTE, 11);
    CNAItemDescription* pclUni = pclAdd(L"u", NA_IT_UNICODE, 12);
    CNAItemDescription* pclTime = pclAdd(L"h", NA_IT_HEURE, 10);
    CNAItemDescription* pclTs = pclAdd(L"ts", NA_IT_DATETIME, 8);
    CNAItemDescription* pclBin = pclAdd(L"b", NA_IT_BINAIRE, 8);
    CNAItemDescription* pclBool = pclAdd(L"f", NA_IT_BOOLEEN, 1);
    CNAItemDescription* pclDate = pclAdd(L"d", NA_IT_DATE8, 9);
    CNAYFRecord* pcl = pclRecord();

    CAny cl;
    cl.SetI4(-5);
    EXPECT_TRUE(pcl->SetItemValue(pclInt, &cl, 0));
    SetDSTRA(&cl, "17");  // cast to the item's type through the host
    EXPECT_TRUE(pcl->SetItemValue(pclInt, &cl, 0));
    CAny clOut;
    pcl->GetItemValue(&clOut, pclInt, 0);
    EXPECT_EQ(clOut.nGetType(), VQTYPE_I4);
    EXPECT_EQ(tBrut<int32_t>(clOut), 17);

    SetDSTRA(&cl, "bonjour");
    EXPECT_TRUE(pcl->SetItemValue(pclText, &cl, 0));
    pcl->GetItemValue(&clOut, pclText, 0);
    EXPECT_EQ(clOut.nGetType(), VQTYPE_DSTRA);
    EXPECT_EQ(sTexteA(clOut), "bonjour");

    SetDSTRW(&cl, L"\u00e9t\u00e9");
    EXPECT_TRUE(pcl->SetItemValue(pclUni, &cl, 0));
    EXPECT_EQ(Slot(pcl, pclUni), Bytes("\xe9\0t\0\xe9\0\0\0\0\0\0\0", 12));
    pcl->GetItemValue(&clOut, pclUni, 0);
    EXPECT_EQ(clOut.nGetType(), VQTYPE_DSTRW);
    EXPECT_EQ(sTexteW(clOut), L"\u00e9t\u00e9");  // the slot's zero fill is not part of the text

    CDateTime clDate;
    clDate.Set(2024, 3, 5, 10, 20, 30, 123);
    cl.SetDATETIME(clDate);
    EXPECT_TRUE(pcl->SetItemValue(pclTime, &cl, 0));  // a date-time into a time: its time text
    EXPECT_EQ(Slot(pcl, pclTime), Bytes("102030123\0", 10));
    EXPECT_TRUE(pcl->SetItemValue(pclTs, &cl, 0));
    EXPECT_EQ(Slot(pcl, pclTs), Bytes("\x05\x03\xe8\x07\x2b\x16\x38\x02", 8));
    pcl->GetItemValue(&clOut, pclTs, 0);
    EXPECT_EQ(clOut.nGetType(), VQTYPE_DATETIME);
    EXPECT_EQ(tBrut<uint64_t>(clOut), tBrut<uint64_t>(cl));

    cl.SetDATEA("20240305");  // a date text into a date item: as it is
    EXPECT_TRUE(pcl->SetItemValue(pclDate, &cl, 0));
    EXPECT_EQ(Slot(pcl, pclDate), Bytes("20240305\0", 9));
    pcl->GetItemValue(&clOut, pclDate, 0);
    EXPECT_EQ(clOut.nGetType(), VQTYPE_DATEA);
    EXPECT_EQ(sTexteA(clOut), "20240305");

    cl.SetBIN(reinterpret_cast<const unsigned char*>("\x01\x02\x03"), 3);
    EXPECT_TRUE(pcl->SetItemValue(pclBin, &cl, 0));
    pcl->GetItemValue(&clOut, pclBin, 0);
    EXPECT_EQ(clOut.nGetType(), VQTYPE_BIN);
    unsigned long n = 0;
    clOut.pclGetValeur()->nGetUtilDataSize(&n);
    EXPECT_EQ(n, 3u);

    cl.SetBOOL(1);
    EXPECT_TRUE(pcl->SetItemValue(pclBool, &cl, 0));
    EXPECT_EQ(Slot(pcl, pclBool), Bytes("\x01", 1));

    // NULL: the bit cleared, the slot zeroed.
    cl.SetI4(9);
    cl.SetNull(1);
    EXPECT_TRUE(pcl->SetItemValue(pclInt, &cl, 0));
    EXPECT_FALSE(pcl->bItemValueDefined(pclInt, 0));
    EXPECT_EQ(Slot(pcl, pclInt), std::vector<unsigned char>(4, 0));
}

// A wide slot read back holds the text the shared string's own UTF-16 assignment makes of the
// slot's units up to the first zero: a pair joined into one character, lone surrogates kept, a
// text that fills the slot, an empty one; slots at odd byte offsets, short ones, one of the common
// size (51 units, read eight units at a time) and one longer than the stack's room. The middle
// slot also takes every text length, and the units at the edges of the surrogate range (and
// pairs) at the edges of the eight-unit steps.
TEST_F(NAYFRecordTest, WideSlotsReadBackAsTheirUnits) {
    pclAdd(L"o", NA_IT_UI1, 1);  // the slots below start at odd offsets
    CNAItemDescription* pclShort = pclAdd(L"s", NA_IT_UNICODE, 12);
    CNAItemDescription* pclMiddle = pclAdd(L"m", NA_IT_UNICODE, 102);
    CNAItemDescription* pclLong = pclAdd(L"l", NA_IT_UNICODE, 1200);
    CNAYFRecord* pcl = pclRecord();
    const std::vector<std::vector<unsigned short>> aaw = {
        {},
        {'a'},
        {0xE9, 't', 0xE9},
        {'a', 0xD83D, 0xDE00, 'z'},  // a pair
        {0xD83D, 'x'},               // a high surrogate alone
        {'x', 0xDE00},               // a low one alone
        {'y', 0xD83D},               // a high one at the end
        {'1', '2', '3', '4', '5', '6'},  // the whole short slot
    };
    for (CNAItemDescription* pclItem : {pclShort, pclMiddle, pclLong}) {
        const size_t nSlot = pclItem->nGetItemSize();
        const size_t nUnits = nSlot / 2;
        std::vector<std::vector<unsigned short>> aawCases = aaw;
        aawCases.push_back(std::vector<unsigned short>(nUnits - 1, 'w'));
        aawCases.push_back(std::vector<unsigned short>(nUnits, 'v'));  // no zero at all
        if (pclItem == pclMiddle) {
            for (size_t nLen = 2; nLen < nUnits; nLen++) {
                std::vector<unsigned short> aw(nLen);
                for (size_t i = 0; i < nLen; i++) aw[i] = static_cast<unsigned short>('A' + i % 26);
                aawCases.push_back(aw);
            }
            for (unsigned short u : {0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF, 0x0001})
                for (size_t nAt : {0, 1, 7, 8, 9, 15, 16, 23, 48, 50}) {
                    std::vector<unsigned short> aw(nUnits, 'q');
                    aw[nAt] = u;
                    if (nAt + 3 < nUnits) aw.resize(nAt + 3);  // the text ends a little after it
                    aawCases.push_back(aw);
                }
            for (size_t nAt : {6, 7, 8, 15, 16, 49}) {  // a pair across a step's edge, and one ending the slot
                std::vector<unsigned short> aw(nAt + 2, 'p');
                aw[nAt] = 0xD83D;
                aw[nAt + 1] = 0xDE00;
                aawCases.push_back(aw);
            }
        }
        for (size_t nCase = 0; nCase < aawCases.size(); nCase++) {
            const std::vector<unsigned short>& aw = aawCases[nCase];
            if (aw.size() * 2 > nSlot) continue;
            SCOPED_TRACE(::testing::Message() << "slot of " << nSlot << " bytes, case " << nCase);
            unsigned char* pbySlot = pcl->pbyGetItemValue(pclItem, 0);
            memset(pbySlot, 0, nSlot);
            if (!aw.empty()) memcpy(pbySlot, aw.data(), aw.size() * 2);
            CAny clOut;
            pcl->GetItemValue(&clOut, pclItem, 0);
            EXPECT_EQ(clOut.nGetType(), VQTYPE_DSTRW);
            CXYString<wchar_t> clPeer;
            clPeer.nAffecteUTF16(aw.data(), static_cast<int>(aw.size()));
            EXPECT_EQ(sTexteW(clOut), std::wstring(clPeer.pszGet(), static_cast<size_t>(clPeer.nGetLongueur())));
            unsigned long nLongueur = 0;
            clOut.pclGetValeur()->nGetSTRLEN(&nLongueur);  // no zero taken along
            EXPECT_EQ(nLongueur, static_cast<unsigned long>(clPeer.nGetLongueur()));
        }
    }
}

// A slot read into a variant that was just made takes the short roads (the type change of a
// fresh variant, a new string without lending one around): every item type, NULL and zero slots,
// empty and non-ASCII texts, and the limits, read into a fresh variant, give what the same read
// gives into variants that take the general roads: one empty only by a flag, one holding a string
// of its own, one holding a value of another class, and one sharing its string with another.
TEST_F(NAYFRecordTest, AReadIntoAFreshVariantIsTheGeneralRoadsRead) {
    struct Case {
        eNA_ITEMTYPE eType;
        unsigned nSize;
        std::vector<std::vector<unsigned char>> aaby;  // slot contents read in turn
    };
    auto vDe = [](const void* p, size_t n) {
        return std::vector<unsigned char>(static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + n);
    };
    const int32_t anI4[] = {0, -1, 0x7FFFFFFF, static_cast<int32_t>(0x80000000)};
    const double adR8[] = {0.0, -2.5, 1e308};
    std::vector<Case> aCases = {
        {NA_IT_I4, 4, {vDe(&anI4[0], 4), vDe(&anI4[1], 4), vDe(&anI4[2], 4), vDe(&anI4[3], 4)}},
        {NA_IT_I1, 1, {{0}, {0x80}, {0x7F}}},
        {NA_IT_UI1, 1, {{0}, {0xFF}}},
        {NA_IT_I2, 2, {{0, 0}, {0xFF, 0x7F}}},
        {NA_IT_I8, 8, {std::vector<unsigned char>(8, 0), std::vector<unsigned char>(8, 0xFF)}},
        {NA_IT_UI8, 8, {std::vector<unsigned char>(8, 0xFF)}},
        {NA_IT_R8, 8, {vDe(&adR8[0], 8), vDe(&adR8[1], 8), vDe(&adR8[2], 8)}},
        {NA_IT_R4, 4, {{0, 0, 0x80, 0x3F}}},
        {NA_IT_BOOLEEN, 1, {{0}, {1}}},
        {NA_IT_MONETAIRE, 10, {std::vector<unsigned char>(10, 0), {1, 2, 3, 4, 5, 6, 7, 0x80, 0xFF, 0xFF}}},
        {NA_IT_DATETIME, 8, {std::vector<unsigned char>(8, 0), {0x05, 0x03, 0xe8, 0x07, 0x2b, 0x16, 0x38, 0x02}}},
        {NA_IT_TEXTE, 12, {std::vector<unsigned char>(12, 0), vDe("bonjour", 7), vDe("\xe9t\xe9", 3),
                           std::vector<unsigned char>(12, 'z')}},
        {NA_IT_DATE8, 9, {vDe("20240305", 8), std::vector<unsigned char>(9, 0)}},
        {NA_IT_HEURE, 10, {vDe("102030123", 9)}},
        {NA_IT_BINAIRE, 8, {{3, 0, 1, 2, 3}, {0, 0}, {0xFF, 0xFF, 1, 2, 3, 4, 5, 6}}},
        {NA_IT_UNICODE, 20, {std::vector<unsigned char>(20, 0), {'a', 0}, {0xE9, 0, 't', 0, 0x2D, 0x4E, 0x3D, 0xD8, 0x00, 0xDE},
                             std::vector<unsigned char>(20, 'u')}},
    };
    std::vector<CNAItemDescription*> apItems;
    for (size_t i = 0; i < aCases.size(); i++)
        apItems.push_back(pclAdd((L"i" + std::to_wstring(i)).c_str(), aCases[i].eType, aCases[i].nSize));
    CNAYFRecord* pcl = pclRecord();

    // What a variant says of its value, as the host reads it.
    auto vLecture = [](const CAny& cl) {
        std::vector<unsigned char> aby;
        unsigned long n = 0;
        if (cl.pclGetValeur()->nGetUtilDataSize(&n) == VQERR_OK && n > 0 && n < 100000) {
            // Room for a terminator some classes write past their useful bytes.
            aby.resize(n + 8);
            cl.pclGetValeur()->nFillUtilDataBuffer(aby.data());
            aby.resize(n);
        }
        uint16_t w = cl.nGetType();
        aby.insert(aby.begin(), reinterpret_cast<unsigned char*>(&w), reinterpret_cast<unsigned char*>(&w) + 2);
        return aby;
    };
    for (size_t i = 0; i < aCases.size(); i++) {
        for (size_t k = 0; k <= aCases[i].aaby.size(); k++) {
            SCOPED_TRACE(::testing::Message() << "item type " << aCases[i].eType << ", slot " << k);
            unsigned char* pbySlot = pcl->pbyGetItemValue(apItems[i], 0);
            memset(pbySlot, 0, aCases[i].nSize);
            // The last round reads the slot the item's NULL leaves.
            if (k < aCases[i].aaby.size())
                memcpy(pbySlot, aCases[i].aaby[k].data(), std::min<size_t>(aCases[i].aaby[k].size(), aCases[i].nSize));
            pcl->SetItemValueDefined(apItems[i], k < aCases[i].aaby.size(), 0);
            CAny clFrais;
            pcl->GetItemValue(&clFrais, apItems[i], 0);
            const std::vector<unsigned char> abyAttendu = vLecture(clFrais);

            CAny clDrapeau;
            clDrapeau.SetNull(1);
            CAny clChaine;
            SetDSTRW(&clChaine, L"a text of its own");
            CAny clAutre;
            clAutre.SetI8(77);
            clAutre.SetFlags(VQTYPE_FLAG_0400);
            CAny clSource;
            SetDSTRW(&clSource, L"shared");
            CAny clPartage(clSource);
            for (CAny* pclCible : {&clDrapeau, &clChaine, &clAutre, &clPartage}) {
                pcl->GetItemValue(pclCible, apItems[i], 0);
                EXPECT_EQ(vLecture(*pclCible), abyAttendu);
            }
            EXPECT_EQ(sTexteW(clSource), L"shared");
        }
    }
}

// The items whose value class holds fixed bytes (numbers, money, date-time, duration, boolean),
// slots of their size and shorter, read into variants of every state: each gives the value the
// variant class itself makes of those bytes (its type set, then its bytes over its initial ones),
// defined and without the 0x400 flag.
TEST_F(NAYFRecordTest, FixedSizeItemsReadAsTheirClassSetsThem) {
    struct Case {
        eNA_ITEMTYPE eType;
        unsigned nSize;
    };
    const std::vector<Case> aCases = {
        {NA_IT_IDAUTO, 8},  {NA_IT_I2, 2},      {NA_IT_I1, 1},  {NA_IT_I4, 4},        {NA_IT_R4, 4},
        {NA_IT_R8, 8},      {NA_IT_UI2, 2},     {NA_IT_UI1, 1}, {NA_IT_REELTURBO, 8}, {NA_IT_MONETAIRE, 10},
        {NA_IT_I8, 8},      {NA_IT_UI8, 8},     {NA_IT_UI4, 4}, {NA_IT_DATETIME, 8},  {NA_IT_TIMELENGHT, 8},
        {NA_IT_BOOLEEN, 1}, {NA_IT_IDAUTO4, 4}, {NA_IT_I8, 4},  {NA_IT_DATETIME, 6},  {NA_IT_MONETAIRE, 4},
    };
    std::vector<CNAItemDescription*> apItems;
    for (size_t i = 0; i < aCases.size(); i++)
        apItems.push_back(pclAdd((L"f" + std::to_wstring(i)).c_str(), aCases[i].eType, aCases[i].nSize));
    CNAYFRecord* pcl = pclRecord();
    auto vLecture = [](const CAny& cl) {
        std::vector<unsigned char> aby(64, 0);
        unsigned long n = 0;
        EXPECT_EQ(cl.pclGetValeur()->nGetDataSize(&n), VQERR_OK);
        cl.pclGetValeur()->nFillDataBuffer(aby.data());
        aby.resize(std::min<unsigned long>(n, 64));
        const uint16_t w = cl.nGetType();
        aby.insert(aby.begin(), {static_cast<unsigned char>(w), static_cast<unsigned char>(w >> 8)});
        return aby;
    };
    const std::vector<unsigned char> aabyMotif[] = {std::vector<unsigned char>(16, 0),
                                                    std::vector<unsigned char>(16, 0xFF),
                                                    {1, 2, 3, 4, 5, 6, 7, 0x80, 9, 10, 11, 12, 13, 14, 15, 16},
                                                    {0x05, 0x03, 0xe8, 0x07, 0x2b, 0x16, 0x38, 0x02, 0, 0}};
    for (size_t i = 0; i < aCases.size(); i++) {
        for (const auto& abyMotif : aabyMotif) {
            SCOPED_TRACE(::testing::Message() << "item type " << aCases[i].eType << ", size " << aCases[i].nSize);
            unsigned char* pbySlot = pcl->pbyGetItemValue(apItems[i], 0);
            ASSERT_NE(pbySlot, nullptr);
            memcpy(pbySlot, abyMotif.data(), aCases[i].nSize);
            pcl->SetItemValueDefined(apItems[i], 1, 0);

            CAny clAttendu;
            clAttendu.__SetType(ConverteItemToVQType(aCases[i].eType, 0), 0);
            unsigned long nClasse = 0;
            ASSERT_EQ(clAttendu.pclGetValeur()->nGetDataSize(&nClasse), VQERR_OK);
            std::vector<unsigned char> abyValeur(nClasse + 8, 0);
            clAttendu.pclGetValeur()->nFillDataBuffer(abyValeur.data());
            memcpy(abyValeur.data(), abyMotif.data(), std::min<unsigned long>(nClasse, aCases[i].nSize));
            clAttendu.pclGetValeur()->SetValue(abyValeur.data());

            CAny clFrais;
            CAny clNull;
            clNull.__SetType(ConverteItemToVQType(aCases[i].eType, 0), 0);
            clNull.SetNull(1);
            CAny clChaine;
            SetDSTRW(&clChaine, L"a text of its own");
            CAny clAutre;
            clAutre.SetI8(77);
            clAutre.SetFlags(VQTYPE_FLAG_0400);
            for (CAny* pclCible : {&clFrais, &clNull, &clChaine, &clAutre}) {
                pcl->GetItemValue(pclCible, apItems[i], 0);
                EXPECT_FALSE(pclCible->bIsNull());
                EXPECT_EQ(pclCible->nGetType() & VQTYPE_FLAG_0400, 0);
                EXPECT_EQ(vLecture(*pclCible), vLecture(clAttendu));
            }
        }
    }
}

TEST_F(NAYFRecordTest, ACastThatFailsLeavesTheSlotAndItsBit) {
    CNAItemDescription* pclInt = pclAdd(L"i", NA_IT_I4, 4);
    CNAYFRecord* pcl = pclRecord();
    CAny cl;
    cl.SetI4(77);
    pcl->SetItemValue(pclInt, &cl, 0);
    SetDSTRA(&cl, "12a");
    EXPECT_FALSE(pcl->SetItemValue(pclInt, &cl, 0));
    EXPECT_TRUE(pcl->bItemValueDefined(pclInt, 0));
    EXPECT_EQ(Slot(pcl, pclInt), Bytes("\x4d\0\0\0", 4));
    pcl->SetItemValueDefined(pclInt, 0, 0);
    EXPECT_FALSE(pcl->SetItemValue(pclInt, &cl, 0));
    EXPECT_FALSE(pcl->bItemValueDefined(pclInt, 0));
}

TEST_F(NAYFRecordTest, DefaultValuesAtInitialisation) {
    CNAItemDescription* pclId = pclAdd(L"id", NA_IT_IDAUTO, 8, 0, NA_KEY_PRIMARY);
    CNAItemDescription* pclInt = pclAdd(L"n", NA_IT_I4, 4);
    CNAItemDescription* pclMemo = pclAdd(L"m", NA_IT_MEMOTEXTE, 8);
    CNAItemDescription* pclArr = pclAdd(L"a", NA_IT_I2, 2, -1, 0, 2);
    CAny cl;
    cl.SetI4(42);
    pclInt->SetDefaultValue(&cl, 0);
    SetDSTRA(&cl, "memo");
    pclMemo->SetDefaultValue(&cl, 0);
    cl.SetI2(3);
    pclArr->SetDefaultValue(&cl, 0);
    m_pclDesc->UpdateRecordSize();

    CNAYFRecord* pcl = pclRecord(NA_INITTYPE_DEFAULT);
    EXPECT_FALSE(pcl->bItemValueDefined(pclId, 0));  // its default is NULL
    EXPECT_TRUE(pcl->bItemValueDefined(pclInt, 0));
    EXPECT_EQ(Slot(pcl, pclInt), Bytes("\x2a\0\0\0", 4));
    EXPECT_FALSE(pcl->bItemValueDefined(pclMemo, 0));  // memos take no default
    EXPECT_EQ(Slot(pcl, pclMemo), std::vector<unsigned char>(8, 0xFF));
    EXPECT_EQ(Slot(pcl, pclArr, 0), Bytes("\x03\0", 2));
    EXPECT_EQ(Slot(pcl, pclArr, 1), Bytes("\x03\0", 2));

    CNAYFRecord* pclEmpty = pclRecord(NA_INITTYPE_EMPTY);
    EXPECT_EQ(
        std::vector<unsigned char>(pclEmpty->pbyGetBuffer(), pclEmpty->pbyGetBuffer() + pclEmpty->nGetBufferSize()),
        std::vector<unsigned char>(pclEmpty->nGetBufferSize(), 0));
}

TEST_F(NAYFRecordTest, CompositeKeysHaveNoRoom) {
    CNAItemDescription* pclA = pclAdd(L"a", NA_IT_I4, 4);
    CNAItemDescription* pclKey = pclAdd(L"k", NA_IT_BINAIRE, 0, 0, NA_KEY_COMPOSED | NA_KEY_UNIQUE);
    m_pclDesc->_bAddItemComponent(pclKey, 0);
    m_pclDesc->UpdateRecordSize();
    CNAYFRecord* pcl = pclRecord(NA_INITTYPE_DEFAULT);
    EXPECT_EQ(pcl->nGetBufferSize(), 1u + 4u);
    EXPECT_EQ(pcl->pbyGetItemValue(pclKey, 0), nullptr);  // its slot lies past the value area
    pcl->SetItemValue(pclKey, "abcd", 4, 0);              // nothing written
    EXPECT_EQ(pcl->pbyGetItemValue(pclA, 0), pcl->pbyGetValues());
}

TEST_F(NAYFRecordTest, WholeBufferCopiesAndSerialForm) {
    CNAItemDescription* pclInt = pclAdd(L"i", NA_IT_I4, 4);
    pclAdd(L"t", NA_IT_TEXTE, 6);
    CNAYFRecord* pcl = pclRecord();
    pcl->SetValues(reinterpret_cast<const unsigned char*>("\x01\x02\x03\x04hello\0ZZZZ"), 14);
    EXPECT_EQ(pcl->pbyGetBuffer()[0], 0xFF);  // every item defined
    EXPECT_EQ(Slot(pcl, pclInt), Bytes("\x01\x02\x03\x04", 4));

    const unsigned nSerial = pcl->nGetSerializeSize();
    EXPECT_EQ(nSerial, 12u + 11u);
    EXPECT_EQ(pcl->nGetSerializeValuesOffset(), 13u);
    std::vector<unsigned char> aby(nSerial);
    EXPECT_FALSE(pcl->Serialize(aby.data(), nSerial - 1));
    ASSERT_TRUE(pcl->Serialize(aby.data(), nSerial));
    EXPECT_EQ(std::vector<unsigned char>(aby.begin(), aby.begin() + 13),
              Bytes("\x0b\0\0\0\x02\0\0\0\x01\0\0\0\xff", 13));

    CNAYFRecord* pclCopy = pclRecord();
    ASSERT_NE(pclCopy->Deserialize(aby.data(), nSerial), nullptr);
    EXPECT_TRUE(pclCopy->bEquals(pcl));
    EXPECT_EQ(pclCopy->pbyGetValues(), pclCopy->pbyGetBuffer() + 1);

    // A damaged form changes nothing.
    std::vector<unsigned char> abyBad = aby;
    abyBad[0] = 200;
    EXPECT_EQ(pclCopy->Deserialize(abyBad.data(), nSerial), nullptr);
    abyBad = aby;
    abyBad[8] = 20;  // a flag field larger than the buffer
    EXPECT_EQ(pclCopy->Deserialize(abyBad.data(), nSerial), nullptr);
    EXPECT_EQ(pclCopy->Deserialize(aby.data(), 5), nullptr);
    EXPECT_TRUE(pclCopy->bEquals(pcl));

    CNAYFRecord* pclClone = pcl->pclGetClone();
    ASSERT_NE(pclClone, nullptr);
    pclClone->AddRef();
    m_tabRecords.push_back(pclClone);
    EXPECT_TRUE(pclClone->bEquals(pcl));
    EXPECT_NE(pclClone->pbyGetBuffer(), pcl->pbyGetBuffer());
    pclClone->pbyGetValues()[0] = 9;
    EXPECT_FALSE(pclClone->bEquals(pcl));
    EXPECT_TRUE(pclClone->Copy(pcl));
    EXPECT_TRUE(pclClone->bEquals(pcl));
    EXPECT_FALSE(pcl->bEquals(nullptr));

    // Records of another layout are neither copied nor equal.
    pclAdd(L"x", NA_IT_I8, 8);
    CNAYFRecord* pclAutre = pclRecord();
    EXPECT_FALSE(pclAutre->Copy(pcl));
    EXPECT_FALSE(pclAutre->bEquals(pcl));
}

TEST_F(NAYFRecordTest, ReferenceCountAndStaticRecords) {
    auto* pcl = new CNAYFRecord;
    EXPECT_EQ(pcl->nRelease(), 0u);
    pcl->AddRef();
    pcl->AddRef();
    EXPECT_EQ(pcl->nRelease(), 1u);
    EXPECT_EQ(pcl->nRelease(), 0u);  // deleted (the sanitizer checks)

    CNAYFRecord clStatic;
    clStatic.SetStatic(1);
    clStatic.AddRef();
    EXPECT_EQ(clStatic.nRelease(), 0u);  // kept
}

TEST_F(NAYFRecordTest, VirtualOperationsInTheirSlots) {
    CNAItemDescription* pclInt = pclAdd(L"i", NA_IT_I4, 4);
    CNAYFRecord* pcl = pclRecord();
    void** pTable = *reinterpret_cast<void***>(pcl);
    // 0 and 1 are the destructors.
    auto pfClone = reinterpret_cast<CNAYFRecord* (*)(CNAYFRecord*)>(pTable[2]);
    auto pfSetValues = reinterpret_cast<void (*)(CNAYFRecord*, const unsigned char*, unsigned)>(pTable[3]);
    auto pfItem = reinterpret_cast<unsigned char* (*)(CNAYFRecord*, const INAItemDescription*, int)>(pTable[4]);
    auto pfSetBytes =
        reinterpret_cast<void (*)(CNAYFRecord*, const INAItemDescription*, const void*, unsigned long, int)>(pTable[6]);
    auto pfSetAny = reinterpret_cast<int (*)(CNAYFRecord*, const INAItemDescription*, const CAny*, int)>(pTable[7]);
    auto pfGetAny = reinterpret_cast<void (*)(CNAYFRecord*, CAny*, const INAItemDescription*, int)>(pTable[8]);
    auto pfGetBytes = reinterpret_cast<void (*)(CNAYFRecord*, void*, const INAItemDescription*, int)>(pTable[9]);
    auto pfSetDefined = reinterpret_cast<void (*)(CNAYFRecord*, const INAItemDescription*, int, int)>(pTable[10]);
    auto pfDefined = reinterpret_cast<int (*)(CNAYFRecord*, const INAItemDescription*, int)>(pTable[11]);

    pfSetValues(pcl, reinterpret_cast<const unsigned char*>("\x01\0\0\0"), 4);
    EXPECT_EQ(pfItem(pcl, pclInt, 0), pcl->pbyGetValues());
    const int32_t n = 6;
    pfSetBytes(pcl, pclInt, &n, 4, 0);
    CAny cl;
    pfGetAny(pcl, &cl, pclInt, 0);
    EXPECT_EQ(tBrut<int32_t>(cl), 6);
    cl.SetI4(8);
    EXPECT_TRUE(pfSetAny(pcl, pclInt, &cl, 0));
    int32_t nOut = 0;
    pfGetBytes(pcl, &nOut, pclInt, 0);
    EXPECT_EQ(nOut, 8);
    pfSetDefined(pcl, pclInt, 0, 0);
    EXPECT_FALSE(pfDefined(pcl, pclInt, 0));
    CNAYFRecord* pclClone = pfClone(pcl);
    ASSERT_NE(pclClone, nullptr);
    EXPECT_TRUE(pclClone->bEquals(pcl));
    delete pclClone;
}

}  // namespace
