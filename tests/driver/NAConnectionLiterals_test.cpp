// Values as SQL literals: quoting and escaping of every text class under each way the server can
// read backslashes, numbers and booleans, dates, times and date-times in each form, binary values,
// and the cast to the item's type that comes first. The host's conversions are the stand-in
// virtual machine's, wrapped where a test needs the host to answer a given text.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "core/TStringConcatAW.h"
#include "native/model/NAItemDescription.h"
#include "platform/XTime.h"
#include "tests/core/ReallocRefusal.h"
#include "tests/driver/DriverTestSupport.h"
#include "tests/driver/RecordingConnection.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"
#include "variant/DateTime.h"
#include "variant/Duree.h"
#include "variant/VQConv.h"

using standin::CStandInConnectionDescription;

namespace {

eNA_ITEMTYPE eItem(uint32_t n) {
    return static_cast<eNA_ITEMTYPE>(n);
}
constexpr uint32_t IT_I4 = 5, IT_HEURE = 11, IT_DATETIME = 24, IT_TEXTE = 2, IT_UNICODE = 29, IT_BINAIRE = 23;

// ---------------------------------------------------------------------------------- the host's conversion
// The stand-in's conversion, except that a test may have the "host" write a text of its choosing
// for a conversion to wide text, or write reals with a decimal comma as some languages do.
PFNCONVERSIONVM g_pfnStandIn = nullptr;
std::map<unsigned short, std::wstring> g_mapForcedText;
bool g_bDecimalComma = false;

int nTestConversion(void* pSource, unsigned short nTypeSource, void* pDestination, unsigned short nTypeDestination,
                    unsigned int dwFlags, const STOCAW* pstCaw) {
    const unsigned short nCode = nTypeSource & 0xFF;
    auto it = g_mapForcedText.find(nCode);
    if (it != g_mapForcedText.end() && nTypeDestination == VQTYPE_DSTRW) {
        const wchar_t* psz = it->second.c_str();
        return g_pfnStandIn(&psz, VQTYPE_PSTRW, pDestination, nTypeDestination, dwFlags, pstCaw);
    }
    int nResult = g_pfnStandIn(pSource, nTypeSource, pDestination, nTypeDestination, dwFlags, pstCaw);
    if (nResult == 0 && g_bDecimalComma && nTypeDestination == VQTYPE_DSTRW &&
        (nCode == VQTYPE_R4 || nCode == VQTYPE_R8)) {
        wchar_t* psz;
        memcpy(&psz, pDestination, sizeof(psz));
        for (; psz != nullptr && *psz != 0; psz++)
            if (*psz == L'.') *psz = L',';
    }
    return nResult;
}

// A text class the host has and this library holds no class for (codes 20 to 23 and 134): the
// value area holds a pointer to the text, as the host's own class would give it.
template <typename T>
class CHostTextValue : public CAny_Intern {
public:
    static void Install(CAny& cl, unsigned short nCode, const T* psz) {
        delete cl.pclGetValeur();
        auto* p = ::new (static_cast<void*>(reinterpret_cast<unsigned char*>(&cl) + 4)) CHostTextValue<T>;
        p->m_nType = nCode;
        memcpy(p->m_abyValeur, &psz, sizeof(psz));
    }
    int nGetDataAdr(void** ppAdr) const override {
        memcpy(ppAdr, m_abyValeur, sizeof(void*));
        return VQERR_OK;
    }
    int nGetUtilDataSize(unsigned long* pn) const override {
        const T* psz;
        memcpy(&psz, m_abyValeur, sizeof(psz));
        unsigned long n = 0;
        while (psz[n] != 0) n++;
        *pn = n * sizeof(T);
        return VQERR_OK;
    }
};

class LiteralsTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        g_pfnStandIn = CVQConv::s_pfnConversion;
        CVQConv::s_pfnConversion = nTestConversion;
        g_mapForcedText.clear();
        g_bDecimalComma = false;
        m_cl.SetServerMajor(15);
        m_cl.SetCodePage(1252);
    }
    void TearDown() override { CVQConv::s_Reset(); }

    // The literal of a value (first and second item types 0 unless given), the writer's answer
    // and what it recorded.
    std::wstring sLiteral(const CAny& cl, uint32_t nFirst = 0, uint32_t nSecond = 0) {
        CTStringConcatAW clOut(65001, 1252);
        clOut.AddStrCte(L"left over", -1);
        m_clError.Reset();
        m_nResult = m_cl.bConvertValueToString(&m_clError, &clOut, &cl, eItem(nFirst), eItem(nSecond));
        return clOut.pszGetW();
    }

    CStandInConnectionDescription m_clHost;
    CRecordingConnection m_cl{&m_clHost};
    CNAError m_clError;
    int m_nResult = -1;
};

CAny clWide(const wchar_t* psz, unsigned short nType = VQTYPE_DSTRW) {
    CAny cl;
    cl.__SetType(nType, 0);
    if (nType == VQTYPE_DSTRW)
        cl.pclGetValeur()->SetValue(psz, static_cast<unsigned long>(wcslen(psz) * sizeof(wchar_t)));
    else
        cl.pclGetValeur()->SetValue(psz);
    return cl;
}

CAny clAnsi(const char* psz, unsigned short nType = VQTYPE_DSTRA) {
    CAny cl;
    cl.__SetType(nType, 0);
    if (nType == VQTYPE_DSTRA)
        cl.pclGetValeur()->SetValue(psz, static_cast<unsigned long>(strlen(psz)));
    else
        cl.pclGetValeur()->SetValue(psz);
    return cl;
}

}  // namespace

// ---------------------------------------------------------------------------------- backslashes

// The server's own setting decides; the version only when the server does not report it.
TEST_F(LiteralsTest, BackslashesFollowTheServersSetting) {
    const struct {
        const wchar_t* pszSetting;  // null: not reported
        int nMajor;
        int bExpected;
    } tabCases[] = {
        {L"on", 15, 0},  {L"off", 15, 1}, {L"OFF", 9, 1},   {L"on", 8, 0},     {L"off", 8, 1},   {nullptr, 15, 0},
        {nullptr, 9, 0}, {nullptr, 8, 1}, {nullptr, -1, 1}, {L"maybe", 15, 0}, {L"maybe", 8, 1},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::Message() << (st.pszSetting ? st.pszSetting : L"(none)") << " " << st.nMajor);
        m_cl.m_mapServerParameters.clear();
        if (st.pszSetting != nullptr) m_cl.m_mapServerParameters[L"standard_conforming_strings"] = st.pszSetting;
        m_cl.SetServerMajor(st.nMajor);
        EXPECT_EQ(m_cl.bBackslashEscapesInLiterals(), st.bExpected);
    }
}

// ---------------------------------------------------------------------------------- texts

TEST_F(LiteralsTest, TextsAreQuotedAndEscaped) {
    const std::wstring sInjection = L"\\'; DROP TABLE t; --";
    const struct {
        const wchar_t* pszText;
        const wchar_t* pszStandard;  // standard_conforming_strings on
        const wchar_t* pszEscaping;  // off
    } tabCases[] = {
        {L"", L"''", L"''"},
        {L"abc", L"'abc'", L"'abc'"},
        {L"O'Brien", L"'O''Brien'", L"'O''Brien'"},
        {L"''", L"''''''", L"''''''"},
        // A backslash read as an escape goes in the escape form, of which the server does not warn.
        {L"a\\b", L"'a\\b'", L"E'a\\\\b'"},
        {L"\\", L"'\\'", L"E'\\\\'"},
        {sInjection.c_str(), L"'\\''; DROP TABLE t; --'", L"E'\\\\''; DROP TABLE t; --'"},
        {L"tab\there\r\nline\x1b\x7f", L"'tab\there\r\nline\x1b\x7f'", L"'tab\there\r\nline\x1b\x7f'"},
        {L"\u00e9t\u00e9 \u20ac \u65e5\u672c \U0001F600", L"'\u00e9t\u00e9 \u20ac \u65e5\u672c \U0001F600'",
         L"'\u00e9t\u00e9 \u20ac \u65e5\u672c \U0001F600'"},
    };
    const unsigned short anWideTypes[] = {VQTYPE_DSTRW, VQTYPE_PSTRW};
    for (const auto& st : tabCases) {
        for (const wchar_t* pszSetting : {L"on", L"off"}) {
            m_cl.m_mapServerParameters[L"standard_conforming_strings"] = pszSetting;
            const wchar_t* pszExpected = pszSetting[1] == L'n' ? st.pszStandard : st.pszEscaping;
            for (unsigned short nType : anWideTypes) {
                SCOPED_TRACE(testing::Message() << "type " << nType << " " << pszSetting << " "
                                                << testing::PrintToString(std::wstring(st.pszText)));
                EXPECT_EQ(sLiteral(clWide(st.pszText, nType)), pszExpected);
                EXPECT_EQ(m_nResult, 1);
            }
        }
    }
}

// 8-bit texts are taken in the host language's code page and escaped as characters.
TEST_F(LiteralsTest, EightBitTexts) {
    m_cl.m_mapServerParameters[L"standard_conforming_strings"] = L"off";
    const struct {
        const char* pszText;
        unsigned short nType;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {"caf\xe9 l'\xe9t\xe9", VQTYPE_DSTRA, L"'caf\u00e9 l''\u00e9t\u00e9'"},
        {"caf\xe9 l'\xe9t\xe9", VQTYPE_PSTRA, L"'caf\u00e9 l''\u00e9t\u00e9'"},
        {"a\\'b", VQTYPE_DSTRA, L"E'a\\\\''b'"},
        {"", VQTYPE_DSTRA, L"''"},
        {"", VQTYPE_PSTRA, L"''"},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.pszText);
        EXPECT_EQ(sLiteral(clAnsi(st.pszText, st.nType)), st.pszExpected);
        EXPECT_EQ(m_nResult, 1);
    }
}

TEST_F(LiteralsTest, Characters) {
    m_cl.m_mapServerParameters[L"standard_conforming_strings"] = L"off";
    const struct {
        unsigned short nType;
        wchar_t c;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {VQTYPE_CARA, L'x', L"'x'"}, {VQTYPE_CARA, L'\'', L"''''"},         {VQTYPE_CARA, L'\\', L"E'\\\\'"},
        {VQTYPE_CARA, 0, L"''"},     {VQTYPE_CARW, L'\u20ac', L"'\u20ac'"}, {VQTYPE_CARW, L'\'', L"''''"},
        {VQTYPE_CARW, 0, L"''"},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::Message() << st.nType << " " << static_cast<unsigned>(st.c));
        CAny cl;
        cl.__SetType(st.nType, 0);
        if (st.nType == VQTYPE_CARA) {
            char c = static_cast<char>(st.c);
            cl.pclGetValeur()->SetValue(&c);
        } else {
            cl.pclGetValeur()->SetValue(&st.c);
        }
        EXPECT_EQ(sLiteral(cl), st.pszExpected);
    }
}

// The host's other text classes (20 to 23, 134) are texts too: quoted and escaped, never bare.
TEST_F(LiteralsTest, EveryTextClassOfTheHostIsQuoted) {
    m_cl.m_mapServerParameters[L"standard_conforming_strings"] = L"off";
    const wchar_t* pszWide = L"1); DROP TABLE t; --\\'";
    const char* pszAnsi = "1); DROP TABLE t; --\\'";
    const wchar_t* pszExpected = L"E'1); DROP TABLE t; --\\\\'''";
    for (unsigned short nCode : {20, 21, 22, 23, 134}) {
        SCOPED_TRACE(nCode);
        CAny cl;
        if (nCode == 20)
            CHostTextValue<wchar_t>::Install(cl, nCode, pszWide);
        else
            CHostTextValue<char>::Install(cl, nCode, pszAnsi);
        EXPECT_EQ(sLiteral(cl), pszExpected);
        EXPECT_EQ(m_nResult, 1);
    }
}

// ---------------------------------------------------------------------------------- NULL, numbers, booleans

TEST_F(LiteralsTest, NullAndEmpty) {
    CAny clEmpty;
    EXPECT_EQ(sLiteral(clEmpty), L"NULL");
    for (CAny cl : {clWide(L"x"), clAnsi("x")}) {
        cl.SetNull(1);
        EXPECT_EQ(sLiteral(cl), L"NULL");
        EXPECT_EQ(m_nResult, 1);
    }
    CAny clInt;
    clInt.SetI4(7);
    clInt.SetNull(1);
    EXPECT_EQ(sLiteral(clInt, IT_TEXTE), L"NULL");
}

TEST_F(LiteralsTest, NumbersAreBare) {
    CAny cl;
    const struct {
        void (*pfnSet)(CAny&);
        const wchar_t* pszExpected;
    } tabCases[] = {
        {[](CAny& c) { c.SetI4(42); }, L"42"},
        {[](CAny& c) { c.SetI4(-2147483647 - 1); }, L"-2147483648"},
        {[](CAny& c) { c.SetI8(-9000000000L); }, L"-9000000000"},
        {[](CAny& c) { c.SetI2(-5); }, L"-5"},
        {[](CAny& c) { c.SetI4(0); }, L"0"},
        {[](CAny& c) { c.SetI8(-9223372036854775807L - 1); }, L"-9223372036854775808"},
        {[](CAny& c) { c.SetI8(9223372036854775807L); }, L"9223372036854775807"},
        {[](CAny& c) { c.SetUI1(255); }, L"255"},
        {[](CAny& c) { c.SetR8(1.5); }, L"1.5"},
        {[](CAny& c) { c.SetR8(-0.25); }, L"-0.25"},
        {[](CAny& c) { c.SetR4(1.5f); }, L"CAST(1.5 AS REAL)"},
        {[](CAny& c) {
             CDuree cl;
             cl.SetMilli(90061001);
             c.SetDUREE(&cl);
         },
         L"90061001"},
    };
    for (bool bComma : {false, true}) {
        g_bDecimalComma = bComma;
        for (const auto& st : tabCases) {
            SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(st.pszExpected)) << bComma);
            st.pfnSet(cl);
            EXPECT_EQ(sLiteral(cl), st.pszExpected);
            EXPECT_EQ(m_nResult, 1);
        }
    }
}

// A number is written bare only when its text is a number: whatever else the host answers is
// quoted as text, and a value without any text is refused.
TEST_F(LiteralsTest, NumbersWhoseTextIsNotANumber) {
    m_cl.m_mapServerParameters[L"standard_conforming_strings"] = L"on";
    CAny cl;
    cl.SetI4(1);
    g_mapForcedText[VQTYPE_I4] = L"1 OR 1=1";
    EXPECT_EQ(sLiteral(cl), L"'1 OR 1=1'");
    g_mapForcedText[VQTYPE_I4] = L"1e";
    EXPECT_EQ(sLiteral(cl), L"'1e'");
    cl.SetR8(1);
    g_mapForcedText[VQTYPE_R8] = L"inf";
    EXPECT_EQ(sLiteral(cl), L"'inf'");
    g_mapForcedText[VQTYPE_R8] = L"-1.5E+300";
    EXPECT_EQ(sLiteral(cl), L"-1.5E+300");

    standin::SetVMAnswer("nConversionDepassementExt", 150);
    EXPECT_EQ(sLiteral(cl), L"left over");
    EXPECT_EQ(m_nResult, 0);
    EXPECT_EQ(m_clError.dwGetErrorId(), 42u);
    EXPECT_NE(std::wstring(m_clError.pszGetError()).find(L"IEKXPSQL=1.18"), std::wstring::npos);
    standin::SetVMAnswer("nConversionDepassementExt", -1);
}

TEST_F(LiteralsTest, Booleans) {
    CAny cl;
    cl.SetBOOL(1);
    EXPECT_EQ(sLiteral(cl), L"1");
    cl.SetBOOL(0);
    EXPECT_EQ(sLiteral(cl), L"0");
    // A flag of the host's on the type word does not change the value.
    cl.SetBOOL(1);
    cl.SetFlags(VQTYPE_FLAG_0400);
    EXPECT_EQ(sLiteral(cl), L"1");
}

// ---------------------------------------------------------------------------------- binary

TEST_F(LiteralsTest, BinaryValues) {
    const unsigned char aby[] = {0x00, 0xAB, 0x27};
    CAny cl;
    cl.SetBIN(aby + 1, 1);
    EXPECT_EQ(sLiteral(cl), L"'\u00ab'");  // the base writes bytes as 8-bit text
    // No bytes: an empty value, not NULL.
    cl.SetBIN(nullptr, 0);
    EXPECT_EQ(sLiteral(cl), L"''");
    EXPECT_EQ(m_nResult, 1);

    // A dialect with a binary prefix writes hexadecimal digits between the prefix and the suffix.
    m_cl.SetBinaryLiteral(L"X'", L"'");
    cl.SetBIN(aby, 3);
    EXPECT_EQ(sLiteral(cl), L"X'00AB27'");
    EXPECT_EQ(sLiteral(cl, IT_BINAIRE), L"X'00AB27'");
    cl.SetBIN(nullptr, 0);
    EXPECT_EQ(sLiteral(cl), L"X''");
    m_cl.SetKind(4);
    EXPECT_EQ(sLiteral(cl), L"''");
}

// ---------------------------------------------------------------------------------- dates and times

TEST_F(LiteralsTest, DatesAndTimes) {
    CDateTime clDateTime;
    clDateTime.Set(2024, 2, 29, 13, 45, 1, 45);
    CAny clStamp;
    clStamp.SetDATETIME(clDateTime);
    CAny clDateW, clDateA, clTimeW, clTimeA, clShortTime, clEmptyDate;
    clDateW.SetDATEW(L"20240229");
    clDateA.SetDATEA("19991231");
    clTimeW.SetTIMEW(L"134501045");
    clTimeA.SetTIMEA("235959999");
    clShortTime.SetTIMEW(L"0705");
    clEmptyDate.SetDATEW(L"");
    const struct {
        const CAny* pcl;
        uint32_t nKind;
        uint32_t nItem;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {&clDateW, 6, 0, L"'2024-02-29'"},
        {&clDateA, 6, 0, L"'1999-12-31'"},
        {&clTimeW, 6, 0, L"'13:45:01.045'"},
        {&clTimeA, 6, 0, L"'23:59:59.999'"},
        {&clShortTime, 6, 0, L"'07:05:00.000'"},
        {&clStamp, 6, 0, L"'2024-02-29 13:45:01.045'"},
        {&clStamp, 6, IT_HEURE, L"'13:45:01.045'"},
        {&clEmptyDate, 6, 0, L"NULL"},
        // Dialects with an escape clause, and with their own forms.
        {&clDateW, 7, 0, L"{d '2024-02-29'}"},
        {&clTimeW, 7, 0, L"{t '13:45:01'}"},
        {&clStamp, 8, 0, L"{ts '2024-02-29 13:45:01.045'}"},
        {&clDateW, 11, 0, L"MDY(02,29,2024)"},
        {&clTimeW, 11, 0, L"DATETIME(13:45) HOUR TO MINUTE"},
        {&clStamp, 11, 0, L"DATETIME(2024-02-29 13:45:01.045) YEAR TO FRACTION"},
        {&clTimeW, 11, IT_HEURE, L"DATETIME(13:45) HOUR TO MINUTE"},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(st.pszExpected)));
        m_cl.SetKind(st.nKind);
        // The date-time against a time item keeps its own type (no cast to the item's).
        CTStringConcatAW clOut(65001, 1252);
        int nResult = m_cl._bDateToString(nullptr, &clOut, st.pcl, eItem(st.nItem));
        EXPECT_EQ(nResult, 1);
        EXPECT_EQ(std::wstring(clOut.pszGetW()), st.pszExpected);
    }
    m_cl.SetKind(6);
    EXPECT_EQ(sLiteral(clStamp), L"'2024-02-29 13:45:01.045'");
}

// A date or time text that is not made of digits is not a date: user error 43, nothing written.
TEST_F(LiteralsTest, UnreadableDatesAndTimes) {
    const struct {
        const wchar_t* pszDate;
        const wchar_t* pszTime;
        const wchar_t* pszSite;
    } tabCases[] = {
        {L"2024AB01", nullptr, L"IEKXPSQL=1.8\r\n"}, {L"2024-1-1", nullptr, L"IEKXPSQL=1.8\r\n"},
        {L"'; --", nullptr, L"IEKXPSQL=1.8\r\n"},    {nullptr, L"12:30", L"IEKXPSQL=1.9\r\n"},
        {nullptr, L"1x", L"IEKXPSQL=1.9\r\n"},
    };
    for (const auto& st : tabCases) {
        CAny cl;
        if (st.pszDate != nullptr)
            cl.SetDATEW(st.pszDate);
        else
            cl.SetTIMEW(st.pszTime);
        SCOPED_TRACE(st.pszSite);
        EXPECT_EQ(sLiteral(cl), L"left over");
        EXPECT_EQ(m_nResult, 0);
        EXPECT_EQ(m_clError.dwGetErrorId(), 43u);
        EXPECT_NE(std::wstring(m_clError.pszGetError()).find(st.pszSite), std::wstring::npos);
    }
}

TEST_F(LiteralsTest, DateWritersWithAndWithoutTheEscapeClause) {
    CXTime clTime;
    clTime.SetTime(2023, 7, 4, 9, 8, 7, -1);
    const struct {
        uint32_t nKind;
        int bEscape;
        const wchar_t *pszDate, *pszDateTime, *pszTime;
    } tabCases[] = {
        {6, 0, L"'2023-07-04'", L"'2023-07-04 09:08:07.000'", L"'09:08:07.000'"},
        {6, 1, L"{d '2023-07-04'}", L"{ts '2023-07-04 09:08:07.000'}", L"{t '09:08:07.000'}"},
        {8, 0, L"'2023-07-04'", L"'2023-07-04 09:08:07.000'", L"'09:08:07'"},
        {11, 1, L"{d '2023-07-04'}", L"{ts '2023-07-04 09:08:07.000'}", L"{t '09:08:07'}"},
    };
    for (const auto& st : tabCases) {
        m_cl.SetKind(st.nKind);
        CTStringConcatAW clOut(65001, 1252);
        clOut.AddStrCte(L"left over", -1);
        EXPECT_EQ(m_cl._bDateToString(nullptr, &clOut, clTime, st.bEscape), 1);
        EXPECT_EQ(std::wstring(clOut.pszGetW()), st.pszDate);
        EXPECT_EQ(m_cl._bDateTimeToString(nullptr, &clOut, clTime, st.bEscape), 1);
        EXPECT_EQ(std::wstring(clOut.pszGetW()), st.pszDateTime);
        EXPECT_EQ(m_cl._bTimeToString(nullptr, &clOut, clTime, st.bEscape), 1);
        EXPECT_EQ(std::wstring(clOut.pszGetW()), st.pszTime);
    }
}

// ---------------------------------------------------------------------------------- casts

// Numbers that the item's type could not hold stay as they are unless every value is converted.
TEST_F(LiteralsTest, CastKeepsNumbersThatWouldLoseRange) {
    const struct {
        long nValue;
        int bConvertAll;
        unsigned short nExpectedType;
    } tabCases[] = {
        {3000000000L, 0, VQTYPE_I8},  {5, 0, VQTYPE_I4},
        {2147483647L, 0, VQTYPE_I8},  {2147483646L, 0, VQTYPE_I4},
        {-2147483647L, 0, VQTYPE_I4}, {-2147483648L, 0, VQTYPE_I8},
        {5, 1, VQTYPE_I4},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::Message() << st.nValue << " " << st.bConvertAll);
        CAny cl;
        cl.SetI8(st.nValue);
        EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &cl, eItem(IT_I4), eItem(0), st.bConvertAll), 1);
        EXPECT_EQ(cl.nGetTypeCode(), st.nExpectedType);
    }
    // Told to convert everything, a value the item's type cannot hold is refused by the host's
    // conversion, never wrapped into another number.
    CAny cl;
    cl.SetI8(3000000000L);
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &cl, eItem(IT_I4), eItem(0), 1), 0);
    EXPECT_EQ(cl.nGetTypeCode(), VQTYPE_I8);
}

TEST_F(LiteralsTest, CastToTheItemsType) {
    // Texts into text items of their own kind, binaries into anything: nothing converted.
    CAny clPstra = clAnsi("12", VQTYPE_PSTRA);
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clPstra, eItem(IT_TEXTE), eItem(0), 1), 1);
    EXPECT_EQ(clPstra.nGetTypeCode(), VQTYPE_PSTRA);
    CAny clPstrw = clWide(L"12", VQTYPE_PSTRW);
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clPstrw, eItem(IT_UNICODE), eItem(0), 1), 1);
    EXPECT_EQ(clPstrw.nGetTypeCode(), VQTYPE_PSTRW);
    CAny clBin;
    const unsigned char aby[] = {1, 2};
    clBin.SetBIN(aby, 2);
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clBin, eItem(IT_I4), eItem(0), 1), 1);
    EXPECT_EQ(clBin.nGetTypeCode(), VQTYPE_BIN);
    // A text into a number item; the second type stands in when the first is 0.
    CAny clText = clWide(L"41");
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clText, eItem(0), eItem(IT_I4), 1), 1);
    EXPECT_EQ(clText.nGetTypeCode(), VQTYPE_I4);
    // Written in the item's type: a text for a number item is written as the number.
    EXPECT_EQ(sLiteral(clWide(L"41"), IT_I4), L"41");
    // A number for a text item is written as a text.
    CAny clInt;
    clInt.SetI4(7);
    EXPECT_EQ(sLiteral(clInt, IT_TEXTE), L"'7'");
    // A date-time stays a date-time for a date-time item, and is kept for a time item.
    CDateTime clDateTime;
    clDateTime.Set(2020, 1, 2, 3, 4, 5, 6);
    CAny clStamp;
    clStamp.SetDATETIME(clDateTime);
    EXPECT_EQ(sLiteral(clStamp, IT_DATETIME), L"'2020-01-02 03:04:05.006'");
    EXPECT_EQ(sLiteral(clStamp, IT_HEURE), L"'03:04:05.006'");
}

// A value the item's type cannot take is written as it is; the cast reported why.
TEST_F(LiteralsTest, FailedCastWritesTheValueAsItIs) {
    m_cl.m_mapServerParameters[L"standard_conforming_strings"] = L"on";
    CAny cl = clWide(L"x'y");
    EXPECT_EQ(sLiteral(cl, IT_I4), L"'x''y'");
    EXPECT_EQ(m_nResult, 1);
    CAny clText = clWide(L"abc");
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clText, eItem(IT_I4), eItem(0), 1), 0);
    EXPECT_EQ(clText.nGetTypeCode(), VQTYPE_DSTRW);
}

// ---------------------------------------------------------------------------------- memory

// However the heap refuses, a literal the writer calls written is whole, and one that is not
// whole is reported and never called written.
TEST_F(LiteralsTest, ALostPieceIsNeverTakenForALiteral) {
    m_cl.m_mapServerParameters[L"standard_conforming_strings"] = L"off";
    std::wstring sLong(5000, L'x');
    sLong += L"'\\";
    const std::wstring sExpected = L"E'" + std::wstring(5000, L'x') + L"''\\\\'";
    CAny cl = clWide(sLong.c_str());
    bool bSawRefusal = false;
    for (long n = 1; n <= 12; n++) {
        CTStringConcatAW clOut(65001, 1252);
        CNAError clError;
        reallocrefusal::Arm(n);
        int nResult = m_cl.bConvertValueToString(&clError, &clOut, &cl, eItem(0), eItem(0));
        bool bRefused = reallocrefusal::bRefused();
        reallocrefusal::Arm(0);
        bSawRefusal |= bRefused;
        if (nResult) {
            EXPECT_FALSE(clOut.bIsInError());
            EXPECT_EQ(std::wstring(clOut.pszGetW()), sExpected) << n;
        } else {
            EXPECT_TRUE(bRefused);
            EXPECT_EQ(clError.dwGetErrorId(), 12u) << n;
        }
    }
    EXPECT_TRUE(bSawRefusal);
}

// bCopyString: the value's wide text, or the output left as it was.
TEST_F(LiteralsTest, CopyString) {
    CXYString<wchar_t> clOut(L"before");
    CAny cl;
    cl.SetI4(12);
    EXPECT_EQ(m_cl.bCopyString(nullptr, &clOut, &cl), 1);
    EXPECT_EQ(std::wstring(clOut.pszGet()), L"12");
    CAny clNull;
    clNull.SetI4(5);
    clNull.SetNull(1);
    EXPECT_EQ(m_cl.bCopyString(nullptr, &clOut, &clNull), 1);
    EXPECT_EQ(std::wstring(clOut.pszGet()), L"12");
    standin::SetVMAnswer("nConversionDepassementExt", 150);
    EXPECT_EQ(m_cl.bCopyString(nullptr, &clOut, &cl), 1);
    EXPECT_EQ(std::wstring(clOut.pszGet()), L"12");
    standin::SetVMAnswer("nConversionDepassementExt", -1);
}

// ---------------------------------------------------------------------------------- date casts

TEST_F(LiteralsTest, CastToDateAndTimeItems) {
    constexpr uint32_t IT_DATE8 = 14;
    // A text for a date item: through an 8-bit text, then the date.
    CAny clDate = clWide(L"20240229");
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clDate, eItem(IT_DATE8), eItem(0), 1), 1);
    EXPECT_EQ(clDate.nGetTypeCode(), VQTYPE_DATEA);
    EXPECT_EQ(sLiteral(clWide(L"20240229"), IT_DATE8), L"'2024-02-29'");
    // A short text for a time item is completed to hours and minutes first.
    CAny clTime = clWide(L"7");
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clTime, eItem(0), eItem(IT_HEURE), 1), 1);
    ASSERT_EQ(clTime.nGetTypeCode(), VQTYPE_TIMEA);
    const char* psz = nullptr;
    clTime.pclGetValeur()->nGetPCASTR(&psz);
    EXPECT_EQ(std::string(psz).substr(0, 4), "7000");
    // A time for a date item: the empty date, written as NULL.
    CAny clOnlyTime;
    clOnlyTime.SetTIMEW(L"123000000");
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clOnlyTime, eItem(IT_DATE8), eItem(0), 1), 1);
    EXPECT_EQ(clOnlyTime.nGetTypeCode(), VQTYPE_DATEA);
    EXPECT_EQ(sLiteral(clOnlyTime), L"NULL");
    // Kept as they are: a date-time for any date item, a time for a time or date-time item.
    CAny clStamp;
    clStamp.SetDATETIME(CDateTime());
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clStamp, eItem(IT_DATE8), eItem(0), 1), 1);
    EXPECT_EQ(clStamp.nGetTypeCode(), VQTYPE_DATETIME);
    CAny clTimeW;
    clTimeW.SetTIMEW(L"1230");
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(nullptr, &clTimeW, eItem(IT_DATETIME), eItem(0), 1), 1);
    EXPECT_EQ(clTimeW.nGetTypeCode(), VQTYPE_TIMEW);
    // A value the host cannot make a date of: the failure reported with its site.
    standin::SetVMAnswer("nConversionDepassementExt", 105);
    CNAError clError;
    CAny clBad = clWide(L"x");
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(&clError, &clBad, eItem(IT_DATE8), eItem(0), 1), 0);
    EXPECT_NE(std::wstring(clError.pszGetError()).find(L"IEKXPSQL=1.15\r\n"), std::wstring::npos);
    CNAError clTimeError;
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(&clTimeError, &clBad, eItem(0), eItem(IT_HEURE), 1), 0);
    EXPECT_NE(std::wstring(clTimeError.pszGetError()).find(L"IEKXPSQL=1.14\r\n"), std::wstring::npos);
    CNAError clIntError;
    EXPECT_EQ(m_cl.bCastCAnyIntoDBType(&clIntError, &clBad, eItem(IT_I4), eItem(0), 1), 0);
    EXPECT_NE(std::wstring(clIntError.pszGetError()).find(L"IEKXPSQL=1.16\r\n"), std::wstring::npos);
    standin::SetVMAnswer("nConversionDepassementExt", -1);
}

// ---------------------------------------------------------------------------------- expressions

TEST_F(LiteralsTest, DateAndTimeColumnsReadAsCompactTexts) {
    const struct {
        eNA_ITEMTYPE eType;
        int nSubtype;
        int bExpected;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {NA_IT_DATE8, 0, 1, L"TO_CHAR(\"d\",'YYYYMMDD')"},
        {NA_IT_DATETIME, 3, 1, L"TO_CHAR(\"d\",'YYYYMMDDHH24MISSMS')"},
        {NA_IT_HEURE, 5, 1, L"TO_CHAR(\"d\",'HH24MI')"},
        {NA_IT_HEURE, 6, 1, L"SUBSTR(TO_CHAR(\"d\",'HH24MISS'), 1, 5)"},
        {NA_IT_HEURE, 7, 1, L"TO_CHAR(\"d\",'HH24MISS')"},
        {NA_IT_HEURE, 8, 1, L"SUBSTR(TO_CHAR(\"d\",'HH24MISSMS'), 1, 7)"},
        {NA_IT_HEURE, 9, 1, L"SUBSTR(TO_CHAR(\"d\",'HH24MISSMS'), 1, 8)"},
        {NA_IT_HEURE, 10, 1, L"TO_CHAR(\"d\",'HH24MISSMS')"},
        {NA_IT_HEURE, 4, 0, L"\"d\""},
        {NA_IT_DATE6, 0, 0, L"\"d\""},
        {NA_IT_TEXTE, 0, 0, L"\"d\""},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(st.pszExpected)));
        CNAItemDescription* pclItem = new CNAItemDescription;
        pclItem->AddRef();
        pclItem->bInit(L"d", L"", L"d", 1, 9, st.eType, 0, 0, 0, 0, 0);
        pclItem->SetDecimalPart(st.nSubtype);
        CTStringConcatAW clOut(65001, 1252);
        clOut.AddStrCte(L"left over", -1);
        EXPECT_EQ(m_cl.bConvertExpressionToString(nullptr, &clOut, L"\"d\"", pclItem, pclItem), st.bExpected);
        EXPECT_EQ(std::wstring(clOut.pszGetW()), st.pszExpected);
        pclItem->nRelease();
    }
}

// ---------------------------------------------------------------------------------- default values

TEST_F(LiteralsTest, DefaultValues) {
    const struct {
        eNA_ITEMTYPE eType;
        const wchar_t* pszText;  // null: none
        const wchar_t* pszSetting;
        int bExpected;
        bool bNull;
        const wchar_t* pszValue;  // as wide text; null: not checked
    } tabCases[] = {
        {NA_IT_UNICODE, nullptr, L"on", 1, true, nullptr},
        {NA_IT_UNICODE, L"NULL", L"on", 1, true, nullptr},
        {NA_IT_UNICODE, L"null", L"on", 1, true, nullptr},
        {NA_IT_UNICODE, L"", L"on", 1, false, L""},
        {NA_IT_UNICODE, L"''", L"on", 1, false, L""},
        {NA_IT_UNICODE, L"'abc'", L"on", 1, false, L"abc"},
        {NA_IT_UNICODE, L"'O''Brien'", L"on", 1, false, L"O'Brien"},
        {NA_IT_UNICODE, L"'a\\\\b'", L"on", 1, false, L"a\\\\b"},
        {NA_IT_UNICODE, L"'a\\\\b'", L"off", 1, false, L"a\\b"},
        {NA_IT_UNICODE, L"E'a\\\\b'", L"on", 1, false, L"a\\b"},
        {NA_IT_UNICODE, L"e'O''Brien\\\\'", L"off", 1, false, L"O'Brien\\"},
        {NA_IT_UNICODE, L"E'", L"on", 1, false, L"E'"},
        {NA_IT_UNICODE, L"'", L"on", 1, false, L"'"},
        {NA_IT_I4, L"42", L"on", 1, false, nullptr},
        {NA_IT_I4, L"abc", L"on", 0, false, nullptr},
    };
    // The converters come from the driver object of the process.
    drivertest::stScript stScript;
    struct CDriverHolder {
        drivertest::CTestDriver* pcl;
        ~CDriverHolder() { pcl->nExternalRelease(); }
    } clDriver{drivertest::CTestDriver::pclNew(&stScript)};
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(st.pszText ? st.pszText : L"(none)")));
        m_cl.m_mapServerParameters[L"standard_conforming_strings"] = st.pszSetting;
        CNAItemDescription* pclItem = new CNAItemDescription;
        pclItem->AddRef();
        pclItem->bInit(L"c", L"", L"c", 1, 42, st.eType, 0, 0, 0, 0, 0);
        CAny clOut;
        // The converter holds a reference on the error object, as everything in the driver does.
        CNAError* pclError = new CNAError;
        pclError->AddRef();
        EXPECT_EQ(m_cl.bConvertStringToDefaultValue(&clOut, st.pszText, pclItem, pclError), st.bExpected);
        if (!st.bExpected) {
            EXPECT_NE(pclError->dwGetErrorId(), 0u);
        }
        pclError->nRelease();
        EXPECT_EQ(clOut.nGetTypeCode(), pclItem->eGetItemVQType());
        EXPECT_EQ(clOut.bIsNull() != 0, st.bNull);
        if (st.pszValue != nullptr) {
            const wchar_t* psz = nullptr;
            clOut.pclGetValeur()->nGetPCWSTR(&psz);
            EXPECT_EQ(std::wstring(psz != nullptr ? psz : L"<none>"), st.pszValue);
        }
        if (st.eType == NA_IT_I4 && st.bExpected) {
            int32_t n;
            memcpy(&n, clOut.pbyGetValeur(), sizeof(n));
            EXPECT_EQ(n, 42);
        }
        pclItem->nRelease();
    }
    // An empty text is NULL in a dialect that has no empty texts.
    m_cl.SetKind(1);
    CNAItemDescription* pclItem = new CNAItemDescription;
    pclItem->AddRef();
    pclItem->bInit(L"c", L"", L"c", 1, 42, NA_IT_UNICODE, 0, 0, 0, 0, 0);
    CAny clOut;
    EXPECT_EQ(m_cl.bConvertStringToDefaultValue(&clOut, L"", pclItem, nullptr), 1);
    EXPECT_TRUE(clOut.bIsNull());
    pclItem->nRelease();
}
