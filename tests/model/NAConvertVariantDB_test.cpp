// Server values into the host record image: the texts PostgreSQL writes for each item type (every
// date and time form in ISO style, text in UTF-8 and 1252, booleans, byte strings, numbers) through
// a converter bound to the item's slot as a column binds it, and the bytes the slot then holds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/UnicodeToolkit.h"
#include "core/XYString.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAKeptServerText.h"
#include "native/model/NAYFRecord.h"
#include "tests/model/ModelTestSupport.h"

namespace {

// One item in its own description and record, and a converter bound to its slot.
class CSlotFixture {
public:
    CSlotFixture(eNA_ITEMTYPE eType, unsigned nSize, CNAError* pclError = nullptr, int nInt = 0, int nDec = 0)
        : m_clConv(pclError, nullptr) {
        m_pclDesc = new CNADataSourceDescription(nullptr, nullptr);
        m_pclDesc->AddRef();
        m_pclDesc->bAddItem(L"item", L"tab", nullptr, 1, nSize, eType, -1, -1, 0, nInt, nDec);
        m_pclDesc->UpdateRecordSize();
        m_pclItem = m_pclDesc->pclGetItemNoRef(0);
        m_clRecord.bInit(m_pclDesc, NA_INITTYPE_EMPTY);
        m_clConv.bInitTypeVariant(NAVARTYPE_BUFFER, m_clRecord.pbyGetItemValue(m_pclItem, 0), m_pclItem->nGetItemSize(),
                                  0);
        m_clConv.SetItemDesc(m_pclItem, m_pclItem);
    }
    ~CSlotFixture() {
        m_clConv.ResetVariant();
        m_pclDesc->nRelease();
    }
    // A field's text as the statement hands it, then the value finished into the record.
    bool bFetch(const std::string& s, unsigned nCodePage = 65001) {
        bool b = m_clConv.bSetValueDB(s.data(), s.size(), nCodePage);
        m_clConv.bConvertDataToYF(&m_clRecord);
        return b;
    }
    std::string sSlot() const {
        const unsigned char* p = m_clRecord.pbyGetItemValue(m_pclItem, 0);
        return std::string(reinterpret_cast<const char*>(p), m_pclItem->nGetItemSize());
    }
    bool bDefined() const { return m_clRecord.bItemValueDefined(m_pclItem, 0); }

    CNADataSourceDescription* m_pclDesc;
    CNAItemDescription* m_pclItem;
    CNAYFRecord m_clRecord;
    CNAConvertVariant m_clConv;
};

std::string S(const char* p, size_t n) {
    return std::string(p, n);
}
// A date-time as the record holds it.
std::string sDateTime(int a, int m, int j, unsigned nMs) {
    uint32_t adw[2] = {static_cast<uint32_t>(a << 16 | m << 8 | j), nMs};
    return std::string(reinterpret_cast<const char*>(adw), 8);
}
unsigned nMs(int h, int mi, int s, int ms) {
    return static_cast<unsigned>(((h * 60 + mi) * 60 + s) * 1000 + ms);
}

class NAConvertVariantDBTest : public ModelTest {};

struct stCase {
    eNA_ITEMTYPE eType;
    unsigned nSize;
    std::string sServer;
    std::string sSlot;
};

void RunCases(const std::vector<stCase>& tab) {
    for (const auto& c : tab) {
        SCOPED_TRACE(testing::Message() << g_pszGetNAItemTypeName(c.eType) << "/" << c.nSize << " <- \"" << c.sServer
                                        << "\"");
        CSlotFixture cl(c.eType, c.nSize);
        EXPECT_TRUE(cl.bFetch(c.sServer));
        EXPECT_EQ(cl.sSlot(), c.sSlot);
        EXPECT_TRUE(cl.bDefined());
    }
}

TEST_F(NAConvertVariantDBTest, DatesAndTimesInEveryFormTheServerWrites) {
    const std::string sZero8(8, '\0');
    RunCases({
        // Dates.
        {NA_IT_DATE8, 9, "2024-03-05", S("20240305\0", 9)},
        {NA_IT_DATE8, 9, "20240305", S("20240305\0", 9)},
        {NA_IT_DATE8, 9, "2024-03-05 10:20:30.123456", S("20240305\0", 9)},
        {NA_IT_DATE8, 9, "2024-03-05 10:20:30+01", S("20240305\0", 9)},
        {NA_IT_DATE8, 9, "20240305102030", S("20240305\0", 9)},
        {NA_IT_DATE8, 9, "10:20", std::string(9, '\0')},  // no date in a time
        {NA_IT_DATETIME, 8, "2024-03-05", sDateTime(2024, 3, 5, 0)},
        // Date-times with every fraction the server may write, with and without a zone.
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30", sDateTime(2024, 3, 5, nMs(10, 20, 30, 0))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.5", sDateTime(2024, 3, 5, nMs(10, 20, 30, 500))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.12", sDateTime(2024, 3, 5, nMs(10, 20, 30, 120))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.123", sDateTime(2024, 3, 5, nMs(10, 20, 30, 123))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.1234", sDateTime(2024, 3, 5, nMs(10, 20, 30, 123))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.12345", sDateTime(2024, 3, 5, nMs(10, 20, 30, 123))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.123456", sDateTime(2024, 3, 5, nMs(10, 20, 30, 123))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.5+01", sDateTime(2024, 3, 5, nMs(10, 20, 30, 500))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.123456-08", sDateTime(2024, 3, 5, nMs(10, 20, 30, 123))},
        {NA_IT_DATETIME, 8, "2024-03-05T10:20:30.25", sDateTime(2024, 3, 5, nMs(10, 20, 30, 250))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.000999", sDateTime(2024, 3, 5, nMs(10, 20, 30, 0))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30+05:30", sDateTime(2024, 3, 5, nMs(10, 20, 30, 0))},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30+05:30:15", sDateTime(2024, 3, 5, nMs(10, 20, 30, 0))},
        {NA_IT_DATETIME, 8, "20240305102030", sDateTime(2024, 3, 5, nMs(10, 20, 30, 0))},
        {NA_IT_DATETIME, 8, "20240305 10:20:30", sDateTime(2024, 3, 5, nMs(10, 20, 30, 0))},
        {NA_IT_DATETIME, 8, "10:20:30", sDateTime(0, 0, 0, nMs(10, 20, 30, 0))},
        {NA_IT_DATETIME, 8, "10:20", sDateTime(0, 0, 0, nMs(10, 20, 0, 0))},
        {NA_IT_DATETIME, 8, "1020", sDateTime(0, 0, 0, nMs(10, 20, 0, 0))},
        {NA_IT_DATETIME, 8, "102030", sDateTime(0, 0, 0, nMs(10, 20, 30, 0))},
        {NA_IT_DATETIME, 8, "10:20:30.12", sDateTime(0, 0, 0, nMs(10, 20, 30, 120))},
        {NA_IT_DATETIME, 8, "10:20:30.123", sDateTime(0, 0, 0, nMs(10, 20, 30, 123))},
        // What cannot be read leaves the slot zero.
        {NA_IT_DATETIME, 8, "infinity", sZero8},
        {NA_IT_DATETIME, 8, "-infinity", sZero8},
        {NA_IT_DATETIME, 8, "0044-03-15 BC", sZero8},
        {NA_IT_DATETIME, 8, "2024/03/05", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.1234567", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:2x:30", sZero8},
        // A character just outside the digits at each place of the server's usual layout.
        {NA_IT_DATETIME, 8, "/024-03-05 10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "202:-03-05 10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-/3-05 10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-0: 10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 \xD0:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:3/", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.1/", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05_10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10-20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30,5", sZero8},
        // A separator or a digit off by its low half, or a byte that spills when 6 is added.
        {NA_IT_DATETIME, 8, "2024/03-05 10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03/05 10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10;20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20;30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05t10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05\t10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:2\xFF:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:3\xFA", sZero8},
        {NA_IT_DATETIME, 8, "2024-0?-05 10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "\xFA" "024-03-05 10:20:30", sZero8},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.99", sDateTime(2024, 3, 5, nMs(10, 20, 30, 990))},
        {NA_IT_DATETIME, 8, "2099-12-31T23:59:59", sDateTime(2099, 12, 31, nMs(23, 59, 59, 0))},
        // The extremes of every part.
        {NA_IT_DATETIME, 8, "9999-12-31 23:59:59.999999", sDateTime(9999, 12, 31, nMs(23, 59, 59, 999))},
        {NA_IT_DATETIME, 8, "0001-01-01 00:00:00", sDateTime(1, 1, 1, 0)},
        {NA_IT_DATETIME, 8, "2024-03-05 10:20:30.12x", sZero8},
        // Times: a 10-byte slot takes all nine characters, a 9-byte slot eight.
        {NA_IT_HEURE, 10, "10:20:30.123", S("102030123\0", 10)},
        {NA_IT_HEURE, 9, "10:20:30.123", S("10203012\0", 9)},
        {NA_IT_HEURE, 10, "10:20:30.12", S("102030120\0", 10)},
        {NA_IT_HEURE, 10, "10:20:30.5", S("102030500\0", 10)},
        {NA_IT_HEURE, 10, "10:20:30.123456", S("102030123\0", 10)},
        {NA_IT_HEURE, 10, "10:20:30", S("102030000\0", 10)},
        {NA_IT_HEURE, 10, "10:20:30+01", S("102030000\0", 10)},
        {NA_IT_HEURE, 10, "10:20:30.25-03:30", S("102030250\0", 10)},
        {NA_IT_HEURE, 10, "10:20", S("102000000\0", 10)},
        {NA_IT_HEURE, 10, "1020", S("102000000\0", 10)},
        {NA_IT_HEURE, 10, "102030", S("102030000\0", 10)},
        {NA_IT_HEURE, 10, "2024-03-05 10:20:30.5", S("102030500\0", 10)},
        {NA_IT_HEURE, 9, "2024-03-05 10:20:30.5", S("10203050\0", 9)},
        {NA_IT_HEURE, 10, "2024-03-05", S("000000000\0", 10)},
        {NA_IT_HEURE, 10, "20240305", S("000000000\0", 10)},
        {NA_IT_HEURE, 5, "10:20:30.5", S("1020\0", 5)},
        {NA_IT_HEURE, 10, "ten past", std::string(10, '\0')},
    });
}

// The server's text of a value kept with it (a date-time's key is its eight bytes); "<none>".
std::string sKept(const CSlotFixture& cl) {
    CAny clValue;
    if (!cl.m_clConv.bGetValue(&clValue)) return "<no value>";
    size_t n = 0;
    const char* psz = cl.m_clConv.pszGetKeptServerText(clValue, &n);
    return psz != nullptr ? std::string(psz, n) : std::string("<none>");
}

TEST_F(NAConvertVariantDBTest, DateTimeReadAndKeptInOnePassAsInTwo) {
    // Each text read in turn into the same slot, by the one-pass road and by the general read
    // followed by the keep: the same answer, slot, NULL flag and kept text at every step, and at
    // the end the same kept text for every value read (the ring of each holds the same texts).
    struct stRead {
        std::string sValue;
        std::string sServer;
    };
    const std::string sLong = "2024-03-05 10:20:30" + std::string(CNAKeptServerText::MAX_TEXT_BYTES, ' ');
    const std::vector<stRead> tabReads = {
        {"2024-03-05 10:20:30", "2024-03-05 10:20:30"},
        {"2024-03-05 10:20:30.123456", "2024-03-05 10:20:30.123456"},
        {"2024-03-05 10:20:30.123999", "2024-03-05 10:20:30.123999"},  // the same host value: newest
        {"2024-03-05T10:20:30.5", "2024-03-05T10:20:30.5"},
        {"9999-12-31 23:59:59.999", "infinity"},
        {"0001-01-01 00:00:00", "-infinity"},
        {"2024-03-05 10:20:30+01", "2024-03-05 10:20:30+01"},  // the general reading's
        {"2024-03-05 10:20:30.", "2024-03-05 10:20:30."},      // refused: zeros
        {"2024-03-05", "2024-03-05"},
        {"", ""},
        {"0000-00-00 00:00:00", "0000-00-00 00:00:00"},  // zeros, as the refused text gave
        {sLong, sLong},  // too long to read or keep: zeros, whose texts kept before it are forgotten
        {"9999-99-99 99:99:99.999999", "9999-99-99 99:99:99.999999"},
    };
    for (const auto& [eType, nSize] : std::vector<std::pair<eNA_ITEMTYPE, unsigned>>{
             {NA_IT_DATETIME, 8}, {NA_IT_DATE8, 9}, {NA_IT_HEURE, 10}}) {
        SCOPED_TRACE(g_pszGetNAItemTypeName(eType));
        CSlotFixture clOne(eType, nSize), clTwo(eType, nSize);
        for (size_t i = 0; i < tabReads.size(); i++) {
            const stRead& st = tabReads[i];
            SCOPED_TRACE(testing::Message() << "\"" << st.sValue << "\" from \"" << st.sServer << "\"");
            // A NULL before some reads: the read makes the value defined again on both roads.
            if (i % 3 == 2) {
                clOne.m_clConv.SetNull();
                clTwo.m_clConv.SetNull();
            }
            const int bOne = clOne.m_clConv.bSetValueDBKeepText(st.sValue.data(), st.sValue.size(), 65001,
                                                                st.sServer.data(), st.sServer.size());
            int bTwo = clTwo.m_clConv.bSetValueDB(st.sValue.data(), st.sValue.size(), 65001);
            if (bTwo) clTwo.m_clConv.KeepServerText(st.sServer.data(), st.sServer.size());
            EXPECT_EQ(bOne, bTwo);
            EXPECT_EQ(clOne.m_clConv.bIsNull(), clTwo.m_clConv.bIsNull());
            clOne.m_clConv.bConvertDataToYF(&clOne.m_clRecord);
            clTwo.m_clConv.bConvertDataToYF(&clTwo.m_clRecord);
            EXPECT_EQ(clOne.sSlot(), clTwo.sSlot());
            EXPECT_EQ(clOne.bDefined(), clTwo.bDefined());
            EXPECT_EQ(sKept(clOne), sKept(clTwo));
        }
        for (const stRead& st : tabReads) {
            CSlotFixture clProbe(eType, nSize);
            clProbe.m_clConv.bSetValueDB(st.sValue.data(), st.sValue.size(), 65001);
            CAny clValue;
            ASSERT_TRUE(clProbe.m_clConv.bGetValue(&clValue));
            size_t nOne = 0, nTwo = 0;
            const char* pszOne = clOne.m_clConv.pszGetKeptServerText(clValue, &nOne);
            const char* pszTwo = clTwo.m_clConv.pszGetKeptServerText(clValue, &nTwo);
            EXPECT_EQ(pszOne != nullptr ? std::string(pszOne, nOne) : "<none>",
                      pszTwo != nullptr ? std::string(pszTwo, nTwo) : "<none>")
                << st.sValue;
        }
        if (eType == NA_IT_DATETIME) {
            // Known answers: the newest text of a host value (the zone is not the host's), the
            // server's word for an infinite one, and none left for the value whose last text was
            // too long.
            CSlotFixture clProbe(eType, nSize);
            for (const auto& [sValue, sExpected] : std::vector<std::pair<std::string, std::string>>{
                     {"2024-03-05 10:20:30.123", "2024-03-05 10:20:30.123999"},
                     {"2024-03-05 10:20:30", "2024-03-05 10:20:30+01"},
                     {"9999-12-31 23:59:59.999", "infinity"},
                     {"2024-03-05 10:20:30.", "<none>"}}) {
                clProbe.m_clConv.bSetValueDB(sValue.data(), sValue.size(), 65001);
                CAny clValue;
                ASSERT_TRUE(clProbe.m_clConv.bGetValue(&clValue));
                size_t n = 0;
                const char* psz = clOne.m_clConv.pszGetKeptServerText(clValue, &n);
                EXPECT_EQ(psz != nullptr ? std::string(psz, n) : "<none>", sExpected) << sValue;
            }
        }
    }

    // A slot wider than a date-time: the bytes after the value are zero on both roads.
    CSlotFixture clOne(NA_IT_DATETIME, 8), clTwo(NA_IT_DATETIME, 8);
    unsigned char abyOne[12], abyTwo[12];
    memset(abyOne, 0xEE, sizeof(abyOne));
    memset(abyTwo, 0xEE, sizeof(abyTwo));
    clOne.m_clConv.bInitTypeVariant(NAVARTYPE_BUFFER, abyOne, sizeof(abyOne), VQTYPE_DATETIME);
    clTwo.m_clConv.bInitTypeVariant(NAVARTYPE_BUFFER, abyTwo, sizeof(abyTwo), VQTYPE_DATETIME);
    clOne.m_clConv.SetItemDesc(clOne.m_pclItem, clOne.m_pclItem);
    clTwo.m_clConv.SetItemDesc(clTwo.m_pclItem, clTwo.m_pclItem);
    // The first read sets the binding up; the second is a read of every row.
    const std::string sFirst = "2000-01-01 00:00:00";
    EXPECT_TRUE(clOne.m_clConv.bSetValueDBKeepText(sFirst.data(), sFirst.size(), 65001, sFirst.data(), sFirst.size()));
    EXPECT_TRUE(clTwo.m_clConv.bSetValueDB(sFirst.data(), sFirst.size(), 65001));
    memset(abyOne + 8, 0xEE, 4);
    memset(abyTwo + 8, 0xEE, 4);
    const std::string sText = "2024-03-05 10:20:30.25";
    EXPECT_TRUE(clOne.m_clConv.bSetValueDBKeepText(sText.data(), sText.size(), 65001, sText.data(), sText.size()));
    EXPECT_TRUE(clTwo.m_clConv.bSetValueDB(sText.data(), sText.size(), 65001));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(abyOne), 12), std::string(reinterpret_cast<char*>(abyTwo), 12));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(abyOne), 12),
              sDateTime(2024, 3, 5, nMs(10, 20, 30, 250)) + std::string(4, '\0'));
    clOne.m_clConv.ResetVariant();
    clTwo.m_clConv.ResetVariant();
}

TEST_F(NAConvertVariantDBTest, TextsBooleansNumbersAndBytes) {
    RunCases({
        {NA_IT_TEXTE, 11, "abc", S("abc\0\0\0\0\0\0\0\0", 11)},
        {NA_IT_TEXTE, 5, "abcd", S("abcd\0", 5)},
        // Longer than the slot, from UTF-8 into the host's code page: the last byte stays a zero.
        {NA_IT_TEXTE, 5, "abcdefghij", S("abcd\0", 5)},
        {NA_IT_TEXTE, 11, "caf\xC3\xA9", S("caf\xE9\0\0\0\0\0\0\0", 11)},
        {NA_IT_TEXTE, 5, "caf\xC3\xA9s", S("caf\xE9\0", 5)},
        {NA_IT_TEXTE, 11, "", std::string(11, '\0')},  // empty, not NULL
        {NA_IT_UNICODE, 12, "h\xC3\xA9llo", S("h\0\xE9\0l\0l\0o\0\0\0", 12)},
        {NA_IT_UNICODE, 12, "h\xC3\xA9llo!!", S("h\0\xE9\0l\0l\0o\0\0\0", 12)},  // the units that fit
        {NA_IT_BOOLEEN, 1, "1", "\x01"},
        {NA_IT_BOOLEEN, 1, "0", S("\0", 1)},
        {NA_IT_BOOLEEN, 1, "t", "\x01"},
        {NA_IT_BOOLEEN, 1, "true", "\x01"},
        {NA_IT_BOOLEEN, 1, "yes", "\x01"},
        {NA_IT_BOOLEEN, 1, "f", S("\0", 1)},
        {NA_IT_BOOLEEN, 1, "false", S("\0", 1)},
        {NA_IT_BOOLEEN, 1, "F", S("\0", 1)},
        {NA_IT_BOOLEEN, 1, "", S("\0", 1)},
        {NA_IT_I4, 4, "1", S("\x01\0\0\0", 4)},
        {NA_IT_I4, 4, "-7", "\xF9\xFF\xFF\xFF"},
        {NA_IT_I2, 2, "258", S("\x02\x01", 2)},
        {NA_IT_I8, 8, "9007199254740993", S("\x01\0\0\0\0\0\x20\0", 8)},
        {NA_IT_IDAUTO, 8, "42", S("\x2A\0\0\0\0\0\0\0", 8)},
        {NA_IT_R8, 8, "12", S("\0\0\0\0\0\0\x28\x40", 8)},
        {NA_IT_R8, 8, "12.5", S("\0\0\0\0\0\0\x29\x40", 8)},
        {NA_IT_R4, 4, "-0.5", S("\0\0\0\xBF", 4)},
        {NA_IT_BINAIRE, 6, "0123456789",
         S("\x04\0"
           "0123",
           6)},
        {NA_IT_BINAIRE, 6, "ab", S("\x02\0ab\0\0", 6)},
    });
}

// The slot a UTF-8 text or a real fills holds what the platform's conversion and the host's cast
// of the same text give, the zero fill after it included, whether the text takes the direct road
// or (damaged text, NaN, Infinity, a value below the normal doubles) the general one.
TEST_F(NAConvertVariantDBTest, WideTextsAndRealsAsThePlatformAndTheHostGiveThem) {
    for (unsigned nSize : {4u, 12u, 600u}) {
        for (const char* psz : {"plain ascii text", "h\xC3\xA9llo", "a\xF0\x9F\x98\x80z", "\xE2\x82\xAC",
                                "abc\xE9xyz", "\xED\xA0\x80x", "ab\xC3"}) {
            SCOPED_TRACE(std::to_string(nSize) + " " + psz);
            CSlotFixture cl(NA_IT_UNICODE, nSize);
            ASSERT_TRUE(cl.bFetch(psz));
            std::string sExpected(nSize, '\0');
            unsigned short aw[300] = {};
            const int n = MultiByteToUTF16(65001, 0, psz, static_cast<int>(strlen(psz)), aw, static_cast<int>(nSize / 2) - 1);
            memcpy(sExpected.data(), aw, static_cast<size_t>(n) * 2);
            EXPECT_EQ(cl.sSlot(), sExpected);
        }
    }
    for (eNA_ITEMTYPE e : {NA_IT_R8, NA_IT_R4}) {
        const unsigned short nType = e == NA_IT_R8 ? VQTYPE_R8 : VQTYPE_R4;
        const unsigned nSize = e == NA_IT_R8 ? 8 : 4;
        for (const char* psz : {"0.1", "-0", "1.7976931348623157e+308", "3.4028235e+38", "1e-05", "NaN", "4.9e-324",
                                "2.2250738585072011e-308", "123456789012345680"}) {
            SCOPED_TRACE(std::to_string(nType) + " " + psz);
            CSlotFixture cl(e, nSize);
            unsigned char abyHost[8] = {};
            const std::wstring ws(psz, psz + strlen(psz));
            if (CAny::__s_nCastTo(abyHost, ws.c_str(), nType, nullptr) != 0) continue;  // refused: reported elsewhere
            ASSERT_TRUE(cl.bFetch(psz));
            EXPECT_EQ(cl.sSlot(), std::string(reinterpret_cast<char*>(abyHost), nSize));
            EXPECT_TRUE(cl.bDefined());
        }
    }
}

TEST_F(NAConvertVariantDBTest, EightBitServerTextKeepsItsBytes) {
    // A connection whose client code page is the host's: the bytes are copied, the last one a zero.
    CSlotFixture cl(NA_IT_TEXTE, 5);
    EXPECT_TRUE(cl.bFetch("caf\xE9xyz", 1252));
    EXPECT_EQ(cl.sSlot(), S("caf\xE9\0", 5));
}

TEST_F(NAConvertVariantDBTest, NullAndTheFollowingValue) {
    CSlotFixture cl(NA_IT_I4, 4);
    EXPECT_TRUE(cl.bFetch("5"));
    cl.m_clConv.SetNull();
    cl.m_clConv.bConvertDataToYF(&cl.m_clRecord);
    EXPECT_FALSE(cl.bDefined());
    EXPECT_EQ(cl.sSlot(), std::string(4, '\0'));
    EXPECT_TRUE(cl.bFetch("6"));  // a value after a NULL is defined again
    EXPECT_TRUE(cl.bDefined());
    EXPECT_EQ(cl.sSlot(), S("\x06\0\0\0", 4));

    // The same for a binary field whose bytes come unescaped, without text.
    CSlotFixture clBin(NA_IT_BINAIRE, 6);
    clBin.m_clConv.SetNull();
    clBin.m_clConv.bConvertDataToYF(&clBin.m_clRecord);
    EXPECT_FALSE(clBin.bDefined());
    const unsigned char aby[] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01};
    EXPECT_TRUE(clBin.m_clConv.bSetValueDB(aby, sizeof(aby)));
    clBin.m_clConv.bConvertDataToYF(&clBin.m_clRecord);
    EXPECT_TRUE(clBin.bDefined());
    EXPECT_EQ(clBin.sSlot(), S("\x04\0\xDE\xAD\xBE\xEF", 6));  // the slot's count, then what fits
}

TEST_F(NAConvertVariantDBTest, BinaryCountsNeverWrap) {
    CSlotFixture cl(NA_IT_BINAIRE, 70002);
    std::string s(70000, 'x');
    EXPECT_TRUE(cl.bFetch(s));
    const std::string sSlot = cl.sSlot();
    EXPECT_EQ(static_cast<unsigned char>(sSlot[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(sSlot[1]), 0xFF);
    EXPECT_EQ(sSlot[2 + 65534], 'x');
    EXPECT_EQ(sSlot[2 + 65535], '\0');
}

TEST_F(NAConvertVariantDBTest, ANumberTheHostCannotReadIsReported) {
    CErrorHolder clErr;
    CSlotFixture cl(NA_IT_I4, 4, clErr.p);
    EXPECT_TRUE(cl.bFetch("77"));
    EXPECT_FALSE(cl.bFetch("12a"));
    EXPECT_EQ(cl.sSlot(), std::string(4, '\0'));  // no value of an earlier row is left
    EXPECT_FALSE(cl.bDefined());
    EXPECT_EQ(clErr.nCode(), 53u);
    EXPECT_NE(clErr.sUser().find(L"12a"), std::wstring::npos);
    EXPECT_EQ(clErr.sText(CXError::EIT_LOGICALTABLENAME), L"tab");
    EXPECT_EQ(clErr.sText(CXError::EIT_ITEMNAME), L"item");
}

TEST_F(NAConvertVariantDBTest, ValuesHeldInTheVariant) {
    // A converter without a slot (a memo, a query result) keeps the value in its variant.
    CNAConvertVariant cl(nullptr, nullptr);
    struct Case {
        unsigned short nType;
        std::string sServer;
        void (*pfCheck)(const CAny&);
    };
    const Case tab[] = {
        {VQTYPE_DSTRA, "caf\xC3\xA9", [](const CAny& c) { EXPECT_EQ(sTexteA(c), "caf\xE9"); }},
        {VQTYPE_DSTRW, "caf\xC3\xA9", [](const CAny& c) { EXPECT_EQ(sTexteW(c), L"caf\u00e9"); }},
        {VQTYPE_I4, "-12", [](const CAny& c) { EXPECT_EQ(tBrut<int32_t>(c), -12); }},
        {VQTYPE_BOOL, "t", [](const CAny& c) { EXPECT_EQ(tBrut<int32_t>(c), 1); }},
        {VQTYPE_BIN, std::string("a\0b", 3),
         [](const CAny& c) {
             unsigned long n = 0;
             c.pclGetValeur()->nGetUtilDataSize(&n);
             EXPECT_EQ(n, 3u);
         }},
        {VQTYPE_DSTRA, "", [](const CAny& c) { EXPECT_EQ(sTexteA(c), ""); }},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(c.nType);
        cl.InitTypeVariantAny(c.nType, 0);
        cl.SetNull();
        ASSERT_TRUE(cl.bSetValueDB(c.sServer.data(), c.sServer.size(), 65001));
        CAny clOut;
        ASSERT_TRUE(cl.bGetValue(&clOut));
        EXPECT_EQ(clOut.nGetTypeCode(), c.nType);
        EXPECT_FALSE(clOut.bIsNull());
        c.pfCheck(clOut);
    }
}

TEST_F(NAConvertVariantDBTest, WideTextsHeldInTheVariantAtEveryLength) {
    // A memo's text, one value after another in the same converter: ASCII runs of every length
    // around eight characters and around the short texts' bound, and characters beyond ASCII
    // among them, each read whole.
    auto sASCII = [](size_t n) {
        std::string s;
        for (size_t i = 0; i < n; i++) s += static_cast<char>('!' + i % 94);
        return s;
    };
    std::vector<std::string> asServer;
    for (size_t n : {1, 7, 8, 9, 16, 17, 255, 256, 257, 1000}) asServer.push_back(sASCII(n));
    asServer.push_back(sASCII(8) + "\xC3\xA9" + sASCII(9));
    asServer.push_back(sASCII(15) + "\xE2\x82\xAC");
    asServer.push_back("\xC3\xA9" + sASCII(300));
    asServer.push_back(sASCII(3));
    for (const unsigned short nType : {VQTYPE_DSTRW, VQTYPE_PSTRW}) {
        CNAConvertVariant cl(nullptr, nullptr);
        for (const std::string& sServer : asServer) {
            SCOPED_TRACE(testing::Message() << nType << " <- " << sServer.size() << " bytes");
            std::wstring sExpected;
            for (size_t i = 0; i < sServer.size(); i++) {
                const unsigned char c = static_cast<unsigned char>(sServer[i]);
                if (c < 0x80) {
                    sExpected += static_cast<wchar_t>(c);
                } else if (c == 0xC3) {
                    sExpected += L'\u00e9';
                    i += 1;
                } else {
                    sExpected += L'\u20ac';
                    i += 2;
                }
            }
            cl.InitTypeVariantAny(nType, 0);
            ASSERT_TRUE(cl.bSetValueDB(sServer.data(), sServer.size(), 65001));
            CAny clOut;
            ASSERT_TRUE(cl.bGetValue(&clOut));
            EXPECT_FALSE(clOut.bIsNull());
            EXPECT_EQ(sTexteW(clOut), sExpected);
        }
    }
}

TEST_F(NAConvertVariantDBTest, MemoStringMadeAsThroughATemporaryString) {
    // A memo read row after row into the same wide string, while a copy of the previous row's
    // value (as the original record keeps one) still shares its buffer. Peer: the road through a
    // temporary string, the short ASCII text widened on the stack and copied into a buffer of one
    // more character, any other through the platform's conversion, the value then sharing it.
    auto sASCII = [](size_t n) {
        std::string s;
        for (size_t i = 0; i < n; i++) s += static_cast<char>(' ' + i % 95);
        return s;
    };
    struct Case {
        bool bNull;
        std::string sServer;
    };
    const std::string s4Octets = "\xF0\x9F\x98\x80";  // U+1F600
    const Case tab[] = {
        {false, sASCII(60)},
        {true, ""},
        {false, "a"},
        {false, ""},
        {false, sASCII(80)},
        {false, sASCII(40)},  // shorter than the one before
        {false, sASCII(256)},
        {false, sASCII(257)},
        {false, "caf\xC3\xA9"},
        {false, sASCII(70) + s4Octets},
        {false, s4Octets + "x"},
        {false, std::string("a\x7F") + "b"},
        {false, sASCII(5000)},
        {false, "xy"},  // after a long text
        {false, sASCII(255) + "\xC3\xA9"},
        {false, sASCII(100)},  // after a longer one made by the conversion
        {false, std::string(1, '\x80')},  // not UTF-8
        {false, sASCII(3)},
    };
    CNAConvertVariant cl(nullptr, nullptr);
    cl.InitTypeVariantAny(VQTYPE_DSTRW, 0);
    std::wstring sAvant = L"";
    bool bAvantNull = false;
    for (const Case& c : tab) {
        SCOPED_TRACE(testing::Message() << (c.bNull ? "NULL" : "") << c.sServer.size() << " bytes: " << c.sServer.substr(0, 20));
        // The previous row's value, kept by a copy that shares its string.
        CAny clCopie;
        ASSERT_TRUE(cl.bGetValue(&clCopie));
        const std::wstring sCopie = sTexteW(clCopie);
        if (!bAvantNull) {
            ASSERT_EQ(sCopie, sAvant);
        }
        bAvantNull = c.bNull;

        // The peer's string.
        CXYString<wchar_t> clPair;
        const std::string& s = c.sServer;
        bool bASCII = !s.empty() && s.size() <= 256;
        for (char ch : s) bASCII = bASCII && static_cast<unsigned char>(ch) < 0x80;
        if (bASCII) {
            std::wstring w(s.begin(), s.end());
            ASSERT_EQ(clPair.__nNew(static_cast<int>(s.size()) + 1, w.data(), static_cast<int>(w.size()), 0), STRMEM_OK);
        } else if (!s.empty()) {
            clPair.nAffecteConversionExplicite(s.data(), static_cast<int>(s.size()), 65001);
        }

        if (c.bNull) {
            cl.SetNull();
        } else {
            ASSERT_TRUE(cl.bSetValueDB(s.data(), s.size(), 65001));
        }
        const CAny* pclValeur = cl.pclGetValue();
        EXPECT_EQ(pclValeur->nGetTypeCode(), VQTYPE_DSTRW);
        EXPECT_EQ(pclValeur->bIsNull() != 0, c.bNull);
        EXPECT_EQ(sTexteW(clCopie), sCopie);
        if (c.bNull) continue;
        wchar_t* psz;
        memcpy(&psz, pclValeur->pbyGetValeur(), sizeof(psz));
        if (clPair.pszGetBuffer() == nullptr) {
            EXPECT_EQ(psz, nullptr);
            sAvant = L"";
            continue;
        }
        ASSERT_NE(psz, nullptr);
        const STStrMemHeader* pst = CBaseStrMem::s_pstGetHeader(psz);
        const STStrMemHeader* pstPair = CBaseStrMem::s_pstGetHeader(clPair.pszGetBuffer());
        EXPECT_EQ(pst->dwFlags, pstPair->dwFlags);
        EXPECT_EQ(pst->nCount, 1u);
        EXPECT_EQ(pst->nCapacity, pstPair->nCapacity);
        ASSERT_EQ(pst->nLength, pstPair->nLength);
        // The units and the 32-bit zero after them.
        EXPECT_EQ(memcmp(psz, clPair.pszGetBuffer(), static_cast<size_t>(pst->nLength) + 4), 0);
        sAvant = clPair.pszGet();
    }
}

TEST_F(NAConvertVariantDBTest, WideServerTextWithoutSeparators) {
    // Dates and times the SQL layer hands over as wide text, separators removed.
    struct Case {
        eNA_ITEMTYPE eType;
        unsigned nSize;
        const wchar_t* psz;
        std::string sSlot;
    };
    const Case tab[] = {
        {NA_IT_DATE8, 9, L"20240305", S("20240305\0", 9)},
        {NA_IT_DATETIME, 8, L"20240305102030", sDateTime(2024, 3, 5, nMs(10, 20, 30, 0))},
        {NA_IT_HEURE, 10, L"102030", S("102030000\0", 10)},
        {NA_IT_TEXTE, 6, L"h\u00e9llo!", S("h\xE9llo", 5) + std::string(1, '\0')},
        {NA_IT_I4, 4, L"300", S("\x2C\x01\0\0", 4)},
        {NA_IT_BOOLEEN, 1, L"0", S("\0", 1)},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(g_pszGetNAItemTypeName(c.eType));
        CSlotFixture cl(c.eType, c.nSize);
        EXPECT_TRUE(cl.m_clConv.bSetValueDB(c.psz, wcslen(c.psz)));
        cl.m_clConv.bConvertDataToYF(&cl.m_clRecord);
        EXPECT_EQ(cl.sSlot(), c.sSlot);
        EXPECT_TRUE(cl.bDefined());
    }
    CSlotFixture cl(NA_IT_I4, 4);
    EXPECT_TRUE(cl.m_clConv.bSetValueFromDB(nullptr, 0));
    EXPECT_TRUE(cl.m_clConv.bIsNull());
}

}  // namespace
