// Message resources: the packed-table index and unpacker, lookups through the host's callback and
// through the table, singular and plural forms, formatting, and the driver's own table.
#include "core/DLLRes.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "core/DataCompressor.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

struct stRecordSpec {
    uint32_t nId;
    uint8_t byFlags;
    std::string sBytes;     // packed text
    uint32_t nPadding = 0;  // extra bytes after the text, inside the record
};

// A packed table in the record format, ended by a zero length.
std::vector<uint8_t> BuildTable(const std::vector<stRecordSpec>& tab) {
    std::vector<uint8_t> by;
    auto put16 = [&](uint32_t n) {
        by.push_back(uint8_t(n));
        by.push_back(uint8_t(n >> 8));
    };
    for (const stRecordSpec& st : tab) {
        put16(uint32_t(7 + st.sBytes.size() + st.nPadding));
        put16(st.nId);
        by.push_back(st.byFlags);
        put16(uint32_t(st.sBytes.size()));
        by.insert(by.end(), st.sBytes.begin(), st.sBytes.end());
        by.insert(by.end(), st.nPadding, 0xEE);
    }
    put16(0);
    return by;
}

STRessourceIndex IndexOver(const std::vector<uint8_t>& by) {
    STRessourceIndex st{};
    st.pbyBuffer = by.data();
    st.pfnCompare = &DLLRES_nCompareRes;
    return st;
}

// A module of the tests whose lookup reads a table the test installs.
STRessourceIndex g_stTestIndex{};
bool bGetResTest(STRessourceModule& stRecord) {
    return DLLRES_bGetResFromIndex(g_stTestIndex, stRecord);
}
const _stMyModuleInfo g_stTestModule = {nullptr, 0, 99, L"test.so", L"1.0", &bGetResTest};

// A module whose lookup finds every id with a text form no unpacker knows.
bool bGetResBadForm(STRessourceModule& stRecord) {
    static const uint8_t s_aby[] = {'a', 'b'};
    stRecord.pbyPacked = s_aby;
    stRecord.nPackedLength = 2;
    stRecord.nTextForm = 3;
    stRecord.nUtilisation = 0;
    return true;
}
const _stMyModuleInfo g_stBadFormModule = {nullptr, 0, 98, L"bad.so", L"1.0", &bGetResBadForm};

class DLLResTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        gpfnLoadStringKXM = nullptr;
    }
    void TearDown() override {
        gpfnLoadStringKXM = nullptr;
        g_stTestIndex = STRessourceIndex{};
    }
    void UseCallback() { gpfnLoadStringKXM = standin::pfnGetLoadString(); }
    void UseTable(std::vector<uint8_t> by) {
        m_tabTable = std::move(by);
        g_stTestIndex = IndexOver(m_tabTable);
    }
    std::vector<uint8_t> m_tabTable;
};

// ------------------------------------------------------------------------------------ the index

TEST_F(DLLResTest, IndexFindsByLow16BitsOfTheId) {
    std::vector<uint8_t> by = BuildTable({{257, 0, "first"}, {300, 0, "middle", 5}, {65535, 0, "last"}});
    STRessourceIndex stIndex = IndexOver(by);
    struct Case {
        uint32_t nId;
        bool bFound;
        const char* pszText;
    } aCases[] = {
        {257, true, "first"},  {65535, true, "last"}, {300, true, "middle"},
        {299, false, nullptr}, {1, false, nullptr},   {65536 + 257, true, "first"},  // only the low 16 bits count
    };
    for (const Case& c : aCases) {
        STRessourceModule st;
        st.nId = c.nId;
        ASSERT_EQ(DLLRES_bGetResFromIndex(stIndex, st), c.bFound) << c.nId;
        if (!c.bFound) {
            EXPECT_EQ(st.nUtilisation, 0xFFFFFFFFu) << c.nId;
            continue;
        }
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(st.pbyPacked), st.nPackedLength), c.pszText);
        EXPECT_EQ(st.nTextForm, DLLRES_FORM_UTF8);
    }
    EXPECT_EQ(stIndex.nNbRecord, 3u);
    EXPECT_TRUE(stIndex.bBuilt);
}

TEST_F(DLLResTest, IndexReadsFlagsIntoFormAndUsage) {
    std::vector<uint8_t> by = BuildTable({{10, 0x02, "x"}, {11, 0x40 | 0x03, std::string("a\0", 2)}});
    STRessourceIndex stIndex = IndexOver(by);
    STRessourceModule st;
    st.nId = 10;
    ASSERT_TRUE(DLLRES_bGetResFromIndex(stIndex, st));
    EXPECT_EQ(st.nUtilisation, 2u);
    EXPECT_EQ(st.nTextForm, DLLRES_FORM_UTF8);
    st.nId = 11;
    ASSERT_TRUE(DLLRES_bGetResFromIndex(stIndex, st));
    EXPECT_EQ(st.nUtilisation, 3u);
    EXPECT_EQ(st.nTextForm, DLLRES_FORM_UTF16);
}

TEST_F(DLLResTest, IndexStopsAtItsCapacity) {
    // 300 records: the index keeps the first 271 and never writes past its room.
    std::vector<stRecordSpec> tab;
    for (uint32_t i = 1; i <= 300; i++) tab.push_back({i, 0, "t"});
    std::vector<uint8_t> by = BuildTable(tab);
    struct Guarded {
        STRessourceIndex stIndex;
        uint32_t nGuard;
    } st{IndexOver(by), 0xCAFEF00D};
    STRessourceModule stRecord;
    stRecord.nId = 271;
    EXPECT_TRUE(DLLRES_bGetResFromIndex(st.stIndex, stRecord));
    EXPECT_EQ(st.stIndex.nNbRecord, DLLRES_MAX_RECORDS);
    EXPECT_EQ(st.nGuard, 0xCAFEF00Du);
    stRecord.nId = 272;
    EXPECT_FALSE(DLLRES_bGetResFromIndex(st.stIndex, stRecord));
}

TEST_F(DLLResTest, EmptyTableFindsNothing) {
    std::vector<uint8_t> by = BuildTable({});
    STRessourceIndex stIndex = IndexOver(by);
    STRessourceModule st;
    st.nId = 1;
    EXPECT_FALSE(DLLRES_bGetResFromIndex(stIndex, st));
    EXPECT_EQ(stIndex.nNbRecord, 0u);
}

// ------------------------------------------------------------------------------------ the unpacker

TEST_F(DLLResTest, DeCompressResults) {
    std::string sLong(400, 'z');                  // more than the 255 bytes kept on the stack
    std::string sPair("a\0\x3D\xD8\x00\xDE", 6);  // "a" U+1F600 in UTF-16LE
    struct Case {
        const char* pszName;
        std::string sBytes;
        uint32_t nForm;
        int nCapacity;
        int nResult;
        int nLength;
        std::wstring sOut;
    } aCases[] = {
        {"fits", "h\xC3\xA9llo", 1, 10, 0, 5, L"h\u00E9llo"},
        {"exact room", "abc", 1, 4, 0, 3, L"abc"},
        {"cut", "h\xC3\xA9llo", 1, 3, 2, 5, L"h\u00E9"},
        {"capacity 1", "abc", 1, 1, 2, 3, L""},
        {"empty text", "", 1, 4, 0, 0, L""},
        {"utf-16 pair", sPair, 2, 4, 0, 2, L"a\U0001F600"},
        {"heap scratch", sLong, 1, 401, 0, 400, std::wstring(400, L'z')},
        {"unknown form", "abc", 3, 10, 4, -1, L""},
    };
    for (const Case& c : aCases) {
        STRessourceModule st;
        st.pbyPacked = reinterpret_cast<const uint8_t*>(c.sBytes.data());
        st.nPackedLength = uint32_t(c.sBytes.size());
        st.nTextForm = c.nForm;
        std::vector<wchar_t> tabOut(size_t(c.nCapacity) + 1, L'#');
        int nLength = c.nCapacity;
        EXPECT_EQ(CDataCompressor::s_nDeCompress(tabOut.data(), &nLength, st), c.nResult) << c.pszName;
        EXPECT_EQ(nLength, c.nLength) << c.pszName;
        EXPECT_EQ(std::wstring(tabOut.data()), c.sOut) << c.pszName;
    }
}

TEST_F(DLLResTest, PszDeCompressHoldsTheWholeText) {
    std::string s = "\xE2\x82\xAC\xE2\x82\xAC";  // two euro signs: 6 bytes, 2 characters
    STRessourceModule st;
    st.pbyPacked = reinterpret_cast<const uint8_t*>(s.data());
    st.nPackedLength = uint32_t(s.size());
    st.nTextForm = DLLRES_FORM_UTF8;
    wchar_t* psz = CDataCompressor::s_pszDeCompress(st);
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"\u20AC\u20AC");
    free(psz);
    st.nTextForm = 0;
    EXPECT_EQ(CDataCompressor::s_pszDeCompress(st), nullptr);
}

// ---------------------------------------------------------------------- loading through the host

TEST_F(DLLResTest, CallbackTextWinsOverTheTable) {
    UseCallback();
    standin::SetMessageText(25193, L"From the host");
    CTString cl;
    ASSERT_TRUE(DLLRES_bLoadString(&gstMyModuleInfo39, 25193, &cl));
    EXPECT_STREQ(cl.pszGet(), L"From the host");
    auto tabCalls = standin::GetMessageCalls();
    ASSERT_EQ(tabCalls.size(), 1u);
    EXPECT_EQ(tabCalls[0], std::make_pair(25193u, 256));
}

TEST_F(DLLResTest, CallbackWithoutTextLetsTheTableServe) {
    UseCallback();
    CTString cl;
    ASSERT_TRUE(DLLRES_bLoadString(&gstMyModuleInfo39, 25193, &cl));
    EXPECT_GT(cl.nTaille(), 0);
    EXPECT_EQ(standin::GetMessageCalls().size(), 1u);
    EXPECT_FALSE(DLLRES_bLoadString(&gstMyModuleInfo39, 1, &cl));
}

TEST_F(DLLResTest, LongCallbackTextTakesASecondCall) {
    UseCallback();
    struct Case {
        size_t nLength;
        std::vector<std::pair<uint32_t, int>> tabCalls;
    } aCases[] = {
        {255, {{700, 256}}},
        {256, {{700, 256}, {700, 257}}},  // does not fit 256 characters of room with its terminator
        {300, {{700, 256}, {700, 301}}},
    };
    for (const Case& c : aCases) {
        std::wstring sText;
        for (size_t i = 0; i < c.nLength; i++) sText += wchar_t(L'a' + i % 26);
        standin::Reset();
        standin::SetMessageText(700, sText);
        CTString cl;
        ASSERT_TRUE(DLLRES_bLoadString(&gstMyModuleInfo39, 700, &cl)) << c.nLength;
        EXPECT_EQ(std::wstring(cl.pszGet()), sText) << c.nLength;
        EXPECT_EQ(standin::GetMessageCalls(), c.tabCalls) << c.nLength;
        standin::Reset();
        standin::SetMessageText(700, sText);
        CTString clKxm;
        ASSERT_TRUE(KXM_bLoadString(700, &clKxm));
        EXPECT_EQ(std::wstring(clKxm.pszGet()), sText);
    }
}

TEST_F(DLLResTest, NLoadStringThroughTheCallback) {
    UseCallback();
    standin::SetMessageText(701, L"0123456789abcdefghij");
    struct Case {
        int nCapacity;
        int nResult;
        const wchar_t* pszOut;
    } aCases[] = {
        {30, 20, L"0123456789abcdefghij"},
        {10, 9, L"012345678"},  // too long for the caller: cut, never an unwritten buffer
        {1, 0, L""},
    };
    for (const Case& c : aCases) {
        std::vector<wchar_t> tab(size_t(c.nCapacity), L'#');
        EXPECT_EQ(DLLRES_nLoadString(&gstMyModuleInfo39, 701, tab.data(), c.nCapacity), c.nResult) << c.nCapacity;
        EXPECT_STREQ(tab.data(), c.pszOut) << c.nCapacity;
    }
    wchar_t sz[8];
    EXPECT_EQ(KXM_nLoadString(701, sz, 8), 20);  // the host's own answer, passed on
}

// A host that writes the characters it counts and no terminator after them.
int nLoadUnterminated(uint32_t, wchar_t* pszBuffer, int nCapacity) {
    const wchar_t sz[] = L"abc";
    if (nCapacity <= 3) return 3;
    wmemcpy(pszBuffer, sz, 3);
    return 3;
}

TEST_F(DLLResTest, NLoadStringTerminatesWhatTheHostWrote) {
    gpfnLoadStringKXM = &nLoadUnterminated;
    std::vector<wchar_t> tab(10, L'#');
    EXPECT_EQ(DLLRES_nLoadString(&gstMyModuleInfo39, 701, tab.data(), 10), 3);
    EXPECT_EQ(std::wstring(tab.data(), 4), std::wstring(L"abc\0", 4));
}

TEST_F(DLLResTest, KxmLoadersFindNothingBeforeTheHostInstallsItsCallback) {
    wchar_t sz[8] = L"kept";
    EXPECT_EQ(KXM_nLoadString(25193, sz, 8), 0);
    EXPECT_STREQ(sz, L"kept");
    CTString cl(L"kept");
    EXPECT_FALSE(KXM_bLoadString(25193, &cl));
    EXPECT_STREQ(cl.pszGet(), L"kept");
}

// ---------------------------------------------------------------------- loading from the table

TEST_F(DLLResTest, NLoadStringFromTheTable) {
    UseTable(BuildTable({{5, 0, "hello"}}));
    struct Case {
        uint32_t nId;
        int nCapacity;
        int nResult;
        const wchar_t* pszOut;
    } aCases[] = {
        {5, 16, 5, L"hello"}, {5, 6, 5, L"hello"}, {5, 4, 3, L"hel"}, {5, 1, 0, L""}, {6, 16, 0, L""},
    };
    for (const Case& c : aCases) {
        std::vector<wchar_t> tab(size_t(c.nCapacity), L'#');
        EXPECT_EQ(DLLRES_nLoadString(&g_stTestModule, c.nId, tab.data(), c.nCapacity), c.nResult) << c.nCapacity;
        EXPECT_STREQ(tab.data(), c.pszOut) << c.nCapacity;
    }
    EXPECT_EQ(DLLRES_nLoadString(&g_stTestModule, 5, nullptr, 0), 0);
}

TEST_F(DLLResTest, TextThatFailsToUnpackLoadsEmpty) {
    CTString cl(L"previous");
    EXPECT_TRUE(DLLRES_bLoadString(&g_stBadFormModule, 1, &cl));
    EXPECT_EQ(cl.nTaille(), 0);
    wchar_t sz[8] = L"xx";
    EXPECT_EQ(DLLRES_nLoadString(&g_stBadFormModule, 1, sz, 8), 0);
    EXPECT_STREQ(sz, L"");
}

TEST_F(DLLResTest, UtilisationComesFromTheTable) {
    UseTable(BuildTable({{5, 0x02, "a"}, {6, 0x40, std::string("b\0", 2)}}));
    EXPECT_EQ(DLLRES_nGetUtilisation(&g_stTestModule, 5), 2);
    EXPECT_EQ(DLLRES_nGetUtilisation(&g_stTestModule, 6), 0);
    EXPECT_EQ(DLLRES_nGetUtilisation(&g_stTestModule, 7), -1);
    EXPECT_EQ(DLLRES_nGetUtilisation(nullptr, 5), -1);
    CTString cl;
    ASSERT_TRUE(DLLRES_bLoadString(&g_stTestModule, 6, &cl));
    EXPECT_STREQ(cl.pszGet(), L"b");
}

// The ids the common runtime raises, each with the arguments its callers pass: every text must be
// in this deliverable's table and consume exactly those arguments.
TEST_F(DLLResTest, CommonRuntimeMessagesAreInTheTableAndTakeTheirArguments) {
    enum eArgs { NONE, S, SS, SSUU, SSU, SU, U, SULL, US, UUS };
    struct Case {
        uint32_t nId;
        eArgs eKind;
    } aCases[] = {
        {25193, NONE}, {28842, SS},   {28843, NONE}, {28844, NONE}, {28845, SSUU}, {25770, SSU},  {28846, SU},
        {28847, NONE}, {28848, NONE}, {28849, NONE}, {28850, U},    {25311, NONE}, {28851, U},    {28852, U},
        {28853, U},    {28854, NONE}, {28855, NONE}, {28856, NONE}, {28857, NONE}, {28858, NONE}, {28859, NONE},
        {28860, NONE}, {28861, NONE}, {28862, NONE}, {28863, U},    {28864, NONE}, {28865, U},    {28139, S},
        {28002, S},    {28140, S},    {28003, S},    {28008, S},    {28004, S},    {28005, S},    {28001, S},
        {28145, SULL}, {28146, SULL}, {28009, S},    {28555, SS},   {28259, S},    {28011, S},    {28123, S},
        {28124, SS},   {28125, SS},   {28126, S},    {28127, S},    {28128, S},    {28129, S},    {28130, US},
        {28131, S},    {28133, NONE}, {28134, SS},   {28135, NONE}, {28136, NONE}, {28137, NONE}, {28138, S},
        {28307, NONE}, {25852, UUS},  {25669, NONE}, {25670, NONE}, {25671, NONE}, {25672, NONE}, {25673, NONE},
        {25674, NONE}, {25675, NONE}, {25680, NONE},
    };
    const wchar_t* pszA = L"<A\u00E9>";
    const wchar_t* pszB = L"<B>";
    for (const Case& c : aCases) {
        EXPECT_EQ(DLLRES_nGetUtilisation(&gstMyModuleInfo39, c.nId), 0) << c.nId;
        CTString cl;
        const _stMyModuleInfo* p = &gstMyModuleInfo39;
        bool b = false;
        std::vector<std::wstring> tabExpected;
        switch (c.eKind) {
            case NONE:
                b = DLLRES_bFormatMessage(p, c.nId, &cl);
                break;
            case S:
                b = DLLRES_bFormatMessage(p, c.nId, &cl, pszA), tabExpected = {pszA};
                break;
            case SS:
                b = DLLRES_bFormatMessage(p, c.nId, &cl, pszA, pszB), tabExpected = {pszA, pszB};
                break;
            case SSUU:
                b = DLLRES_bFormatMessage(p, c.nId, &cl, pszA, pszB, 4321u, 8765u);
                tabExpected = {pszA, pszB, L"4321", L"8765"};
                break;
            case SSU:
                b = DLLRES_bFormatMessage(p, c.nId, &cl, pszA, pszB, 8765u), tabExpected = {pszA, pszB, L"8765"};
                break;
            case SU:
                b = DLLRES_bFormatMessage(p, c.nId, &cl, pszA, 8765u), tabExpected = {pszA, L"8765"};
                break;
            case U:
                b = DLLRES_bFormatMessage(p, c.nId, &cl, 4000000000u), tabExpected = {L"4000000000"};
                break;
            case SULL:
                b = DLLRES_bFormatMessage(p, c.nId, &cl, pszA, 12345678901ull, 98765432109ull);
                tabExpected = {pszA, L"12345678901", L"98765432109"};
                break;
            case US:
                b = DLLRES_bFormatMessage(p, c.nId, &cl, 0x1A4u, pszA), tabExpected = {L"1a4", pszA};
                break;
            case UUS:
                b = DLLRES_bFormatMessage(p, c.nId, &cl, 1001u, 2002u, pszA);
                tabExpected = {L"1001", L"2002", pszA};
                break;
        }
        ASSERT_TRUE(b) << c.nId;
        std::wstring sText = cl.pszGet();
        EXPECT_EQ(sText.find(L'%'), std::wstring::npos) << c.nId << ": " << cl.nTaille();
        size_t nAt = 0;
        for (const std::wstring& s : tabExpected) {
            size_t nFound = sText.find(s, nAt);
            EXPECT_NE(nFound, std::wstring::npos) << c.nId << " lacks an argument";
            if (nFound != std::wstring::npos) nAt = nFound + s.size();
        }
    }
    EXPECT_EQ(DLLRES_nGetUtilisation(&gstMyModuleInfo39, 1), -1);
}

// ------------------------------------------------------------------------------ singular, plural

TEST_F(DLLResTest, SingularAndPluralForms) {
    UseCallback();
    standin::SetMessageText(800, L"A\n\u00A7\nB");
    standin::SetMessageText(801, L"AB");
    struct Case {
        uint32_t nId;
        int nForm;
        bool bFound;
        const wchar_t* pszOut;
    } aCases[] = {
        {800, 0, true, L"A"},  {800, -1, true, L"A"},    {800, 1, true, L"B"},     {800, 2, false, L"kept"},
        {801, 0, true, L"AB"}, {801, 1, false, L"kept"}, {802, 0, false, L"kept"},
    };
    for (const Case& c : aCases) {
        CTString cl(L"kept");
        EXPECT_EQ(__bLoadStringSingulierPluriel(&gstMyModuleInfo39, c.nForm, c.nId, cl), c.bFound)
            << c.nId << "/" << c.nForm;
        EXPECT_STREQ(cl.pszGet(), c.pszOut) << c.nId << "/" << c.nForm;
    }
    standin::SetMessageText(803, L"%u file\n\u00A7\n%u files");
    CTString cl;
    EXPECT_TRUE(DLLRES_bFormatMessageSingulierPluriel(&gstMyModuleInfo39, 1, 803, &cl, 5u));
    EXPECT_STREQ(cl.pszGet(), L"5 files");
    EXPECT_TRUE(DLLRES_bFormatMessageSingulierPluriel(&gstMyModuleInfo39, 0, 803, &cl, 1u));
    EXPECT_STREQ(cl.pszGet(), L"1 file");
    EXPECT_FALSE(DLLRES_bFormatMessageSingulierPluriel(&gstMyModuleInfo39, 2, 803, &cl, 1u));
}

// ------------------------------------------------------------------------------------ formatting

TEST_F(DLLResTest, FormatMessageFamily) {
    UseCallback();
    standin::SetMessageText(900, L"%s=%S (%d)");
    standin::SetMessageText(901, L"%s");
    CTString cl;
    EXPECT_TRUE(DLLRES_bFormatMessage(&gstMyModuleInfo39, 900, &cl, L"wide", "narrow", -3));
    EXPECT_STREQ(cl.pszGet(), L"wide=narrow (-3)");
    // A text that formats to nothing is no text.
    EXPECT_FALSE(DLLRES_bFormatMessage(&gstMyModuleInfo39, 901, &cl, L""));
    EXPECT_EQ(cl.nTaille(), 0);
    EXPECT_FALSE(DLLRES_bFormatMessage(&gstMyModuleInfo39, 902, &cl));

    wchar_t* psz = nullptr;
    EXPECT_EQ(DLLRES_nFormatMessage(&gstMyModuleInfo39, 900, &psz, L"a", "b", 7), 7);
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"a=b (7)");
    free(psz);
    wchar_t szSentinel[] = L"sentinel";
    psz = szSentinel;
    EXPECT_EQ(DLLRES_nFormatMessage(&gstMyModuleInfo39, 902, &psz), 0);
    EXPECT_EQ(psz, szSentinel);
}

uint32_t FormatGiven(CTString* pcl, const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    uint32_t n = DLLRES_dwFormatMessage(pszFormat, pcl, &args);
    va_end(args);
    return n;
}

TEST_F(DLLResTest, DwFormatMessageOfAGivenText) {
    CTString cl(L"old");
    EXPECT_EQ(FormatGiven(&cl, L"%u-%s", 12u, L"x"), 4u);
    EXPECT_STREQ(cl.pszGet(), L"12-x");
    EXPECT_EQ(FormatGiven(&cl, L""), 0u);
    EXPECT_EQ(cl.nTaille(), 0);
}

// ------------------------------------------------------------------------------- the rest

long g_nCommandeCode = -1;
STCommandeComposante g_stCommandeSeen{};
long RecordCommande(long nCode, long nArg) {
    g_nCommandeCode = nCode;
    g_stCommandeSeen = *reinterpret_cast<STCommandeComposante*>(nArg);
    return 0;
}

TEST_F(DLLResTest, ForceInitRessourceSendsCode3WithAnEmptyRecord) {
    EXPECT_EQ(DLLRES_bForceInitRessource(nullptr), 0);
    EXPECT_EQ(DLLRES_bForceInitRessource(&RecordCommande), 1);
    EXPECT_EQ(g_nCommandeCode, 3);
    EXPECT_EQ(g_stCommandeSeen.nSize, 24u);
    EXPECT_EQ(g_stCommandeSeen.nMessageId, 0u);
    EXPECT_EQ(g_stCommandeSeen.pszBuffer, nullptr);
    EXPECT_EQ(g_stCommandeSeen.nCapacity, 0);
}

TEST_F(DLLResTest, LoadResourceAnswersNull) {
    void* hLibc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(hLibc, nullptr);
    uint32_t nSize = 5;
    EXPECT_EQ(DLLRES_pLoadResource(&gstMyModuleInfo39, hLibc, 1, L"T", &nSize), nullptr);
    dlclose(hLibc);
    EXPECT_EQ(DLLRES_pLoadResource(&gstMyModuleInfo39, nullptr, 1, L"T", &nSize), nullptr);
    EXPECT_EQ(DLLRES_pLoadResourceModule(&gstMyModuleInfo39, 1, L"T", &nSize), nullptr);
    EXPECT_EQ(DLLRES_bUtiliseDLLRes(), 0);
    EXPECT_EQ(ghGetRessourceHandle(), nullptr);
}

TEST_F(DLLResTest, InitAndTerm) {
    EXPECT_EQ(DLLRES_bInit(nullptr, 0), 1);
    EXPECT_TRUE(DLLRES_bIsInit());
    DLLRES_Term();
    EXPECT_FALSE(DLLRES_bIsInit());
}

TEST_F(DLLResTest, DriverModuleDescription) {
    EXPECT_EQ(gstMyModuleInfo39.pstErrorDef, gstErrorDef39);
    EXPECT_EQ(gstMyModuleInfo39.nNbErrorDef, 84u);
    EXPECT_EQ(gstMyModuleInfo39.nModuleNumber, 39u);
    EXPECT_STREQ(gstMyModuleInfo39.pszModuleName, L"kx200postgresql64.so");
    EXPECT_STREQ(gstMyModuleInfo39.pszModuleVersion, L"20.0.5.0");
    EXPECT_EQ(gstMyModuleInfo39.pfnGetRes, &bGetResAnsi39);
}

}  // namespace
