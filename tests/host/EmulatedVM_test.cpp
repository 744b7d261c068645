// The emulated host's conversions against known answers: reals to the shortest text that reads
// back to the same number, integers refused out of their type's range, decimals exact to 38 digits
// with their scale, dates and times with their milliseconds in both directions, money from text
// with its six decimals and its 80-bit bound.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "host/EmulatedDecimal.h"
#include "host/EmulatedVM.h"
#include "tests/host/TestSupport.h"

namespace {

constexpr unsigned short T_CY = 10, T_PSTRA = 18;
constexpr unsigned short T_UI1 = 2, T_UI2 = 3, T_UI4 = 4, T_UI8 = 5, T_I1 = 6, T_I2 = 7, T_I4 = 8, T_I8 = 9,
                         T_R4 = 11, T_R8 = 12, T_DECIMAL = 13, T_DATETIME = 26, T_PSTRW = 110, T_DATEA = 128,
                         T_TIMEA = 129;

class EmulatedVMTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }

    // The text the VM makes of a value area.
    static std::wstring sText(const void* pArea, unsigned short nType) {
        wchar_t* psz = nullptr;
        const int n = nConversionDepassementExt(const_cast<void*>(pArea), nType, &psz, T_PSTRW, 0, nullptr);
        if (n > 99 || psz == nullptr) return L"<refused " + std::to_wstring(n) + L">";
        std::wstring s = psz;
        FinConversion(&psz, T_PSTRW);
        return s;
    }
    // A text converted into a value area of that type; the VM's code.
    static int nFromText(const wchar_t* pszText, unsigned short nType, void* pArea) {
        const wchar_t* psz = pszText;
        return nConversionDepassementExt(&psz, 16, pArea, nType, 0, nullptr);
    }
    static std::wstring sDouble(double d) { return sText(&d, T_R8); }
};

TEST_F(EmulatedVMTest, RealsBecomeTheShortestTextThatReadsBack) {
    struct {
        double d;
        const wchar_t* pszText;
    } const aCases[] = {
        {0.1 + 0.2, L"0.30000000000000004"},
        {123456789.123456789, L"123456789.12345679"},
        {123456789.5, L"123456789.5"},
        {1.0 / 3.0, L"0.3333333333333333"},
        {5e-324, L"5e-324"},
        {std::numeric_limits<double>::max(), L"1.7976931348623157e+308"},
        {-0.0, L"-0"},
        {100.0, L"100"},
    };
    for (const auto& st : aCases) {
        SCOPED_TRACE(std::string(st.pszText, st.pszText + wcslen(st.pszText)));
        EXPECT_EQ(sDouble(st.d), st.pszText);
        double dBack = 1;
        ASSERT_EQ(nFromText(st.pszText, T_R8, &dBack), 0);
        EXPECT_EQ(memcmp(&dBack, &st.d, sizeof(double)), 0);  // the same bits, sign of zero included
    }
    const float f = 0.1f;
    EXPECT_EQ(sText(&f, T_R4), L"0.1");
    double d = 0;
    EXPECT_GT(nFromText(L"1e400", T_R8, &d), 99);
    EXPECT_GT(nFromText(L"1.5x", T_R8, &d), 99);
    float fOut = 0;
    EXPECT_GT(nFromText(L"1e39", T_R4, &fOut), 99);
}

TEST_F(EmulatedVMTest, IntegersOutOfTheirTypeAreRefused) {
    struct {
        const wchar_t* pszText;
        unsigned short nType;
        bool bAccepted;
        int64_t nValue;  // when accepted, as the type reads it
    } const aCases[] = {
        {L"32767", T_I2, true, 32767},
        {L"-32768", T_I2, true, -32768},
        {L"70000", T_I2, false, 0},
        {L"32768", T_I2, false, 0},
        {L"255", T_UI1, true, 255},
        {L"-1", T_UI1, false, 0},
        {L"128", T_I1, false, 0},
        {L"65536", T_UI2, false, 0},
        {L"4294967295", T_UI4, true, 4294967295},
        {L"4294967297", T_UI4, false, 0},
        {L"4294967297", T_I4, false, 0},
        {L"-2147483648", T_I4, true, INT32_MIN},
        {L"9223372036854775807", T_I8, true, INT64_MAX},
        {L"9223372036854775808", T_I8, false, 0},
        {L"-9223372036854775808", T_I8, true, INT64_MIN},
        {L"-1", T_UI8, false, 0},
        {L"12a", T_I4, false, 0},
    };
    for (const auto& st : aCases) {
        SCOPED_TRACE(std::string(st.pszText, st.pszText + wcslen(st.pszText)) + " type " + std::to_string(st.nType));
        unsigned char aby[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        const int n = nFromText(st.pszText, st.nType, aby);
        if (!st.bAccepted) {
            EXPECT_GT(n, 99);
            EXPECT_EQ(aby[0], 0xAA);  // nothing written
            continue;
        }
        ASSERT_EQ(n, 0);
        EXPECT_EQ(sText(aby, st.nType), std::to_wstring(st.nValue));
    }
    // The largest unsigned 64-bit value both ways.
    uint64_t u = 0;
    ASSERT_EQ(nFromText(L"18446744073709551615", T_UI8, &u), 0);
    EXPECT_EQ(u, UINT64_MAX);
    EXPECT_EQ(sText(&u, T_UI8), L"18446744073709551615");
    // A real too large for the integer is refused, not wrapped.
    const double d = 1e19;
    int64_t n = 0;
    EXPECT_GT(nConversionDepassementExt(const_cast<double*>(&d), T_R8, &n, T_I8, 0, nullptr), 99);
}

TEST_F(EmulatedVMTest, DecimalsKeepEveryDigitAndTheirScale) {
    struct {
        const wchar_t* pszText;
        const wchar_t* pszBack;  // null: refused
    } const aCases[] = {
        {L"99999999999999999999999999999999999999", L"99999999999999999999999999999999999999"},  // 38 digits
        {L"-99999999999999999999999999999999999999", L"-99999999999999999999999999999999999999"},
        {L"999999999999999999999999999999999999999", nullptr},  // 39 digits
        {L"0.00000000000000000000000000000000000001", L"0.00000000000000000000000000000000000001"},  // scale 38
        {L"0.000000000000000000000000000000000000001", nullptr},  // scale 39
        {L"1234567890123456789012345678.9012345678", L"1234567890123456789012345678.9012345678"},
        {L"-12.50", L"-12.50"},
        {L"007.10", L"7.10"},
        {L"-0", L"0"},
        {L".5", L"0.5"},
        {L"1e5", nullptr},
        {L"12.3.4", nullptr},
    };
    for (const auto& st : aCases) {
        SCOPED_TRACE(std::string(st.pszText, st.pszText + wcslen(st.pszText)));
        IDecimalVQ* pi = nullptr;
        const int n = nFromText(st.pszText, T_DECIMAL, &pi);
        if (st.pszBack == nullptr) {
            EXPECT_GT(n, 99);
            continue;
        }
        ASSERT_EQ(n, 0);
        EXPECT_EQ(sText(&pi, T_DECIMAL), st.pszBack);
        // Its byte form gives the same value back.
        unsigned char aby[DECIMALVQ_DATA_SIZE];
        pi->vnFillBuffer(aby);
        standin::CEmulatedDecimal cl;
        ASSERT_EQ(cl.vnSetFromBytes(aby, sizeof(aby)), 0);
        EXPECT_EQ(cl.sText(), st.pszBack);
        FinConversion(&pi, T_DECIMAL);
    }
}

TEST_F(EmulatedVMTest, DecimalsTakeTheirPrecision) {
    struct {
        const wchar_t* pszText;
        int nDigits, nDecimals;
        const wchar_t* pszAfter;
        int nCode;
    } const aCases[] = {
        {L"1.005", 10, 2, L"1.01", 0},  // half away from zero
        {L"-1.005", 10, 2, L"-1.01", 0},
        {L"1.004", 10, 2, L"1.00", 0},
        {L"12", 10, 3, L"12.000", 0},
        {L"0.001", 5, 2, L"0.00", 0},
        {L"12.345", 0, 0, L"12.345", 0},  // no precision: the value keeps its scale
        {L"99999999999999999999999999999999999999", 38, 1, L"99999999999999999999999999999999999999", 1},
        {L"123.4", 3, 1, L"123.4", 1},  // more digits than the precision: kept, and told
    };
    for (const auto& st : aCases) {
        SCOPED_TRACE(std::string(st.pszText, st.pszText + wcslen(st.pszText)));
        standin::CEmulatedDecimal cl;
        ASSERT_TRUE(cl.bSetText(st.pszText));
        EXPECT_EQ(cl.vnSetPrecision(st.nDigits, st.nDecimals), st.nCode);
        EXPECT_EQ(cl.sText(), st.pszAfter);
    }
    // A record slot keeps the first bytes of the form, as many as the precision needs (16 for 38
    // digits, 6 for 12): read back at the precision's scale, before or after it is given.
    struct {
        const wchar_t* pszText;
        int nDigits, nDecimals;
        unsigned long nSlot;
    } const aSlots[] = {
        {L"-12345678901234567890123456789.012345678", 38, 9, 16},
        {L"99999999999999999999999999999999999999", 38, 0, 16},
        {L"-9999999999.99", 12, 2, 6},
        {L"0.5", 2, 1, 1},
    };
    for (const auto& st : aSlots) {
        SCOPED_TRACE(std::string(st.pszText, st.pszText + wcslen(st.pszText)));
        standin::CEmulatedDecimal cl;
        ASSERT_TRUE(cl.bSetText(st.pszText));
        ASSERT_EQ(cl.vnSetPrecision(st.nDigits, st.nDecimals), 0);
        const unsigned char* pby = nullptr;
        unsigned long nSize = 0;
        cl.vnGetBytes(&pby, &nSize);
        ASSERT_EQ(nSize, DECIMALVQ_DATA_SIZE);
        standin::CEmulatedDecimal clAfter, clBefore;
        clAfter.vnSetFromBytes(pby, st.nSlot);
        clAfter.vnSetPrecision(st.nDigits, st.nDecimals);
        EXPECT_EQ(clAfter.sText(), st.pszText);
        clBefore.vnSetPrecision(st.nDigits, st.nDecimals);
        clBefore.vnSetFromBytes(pby, st.nSlot);
        EXPECT_EQ(clBefore.sText(), st.pszText);
    }
    // Keys at one scale sort as the values do.
    const wchar_t* const apszOrdered[] = {L"-100.5", L"-2", L"-0.25", L"0", L"0.25", L"3", L"1000000000000.75"};
    std::string sPrevious;
    for (const wchar_t* psz : apszOrdered) {
        standin::CEmulatedDecimal cl;
        ASSERT_TRUE(cl.bSetText(psz));
        cl.vnSetPrecision(20, 2);
        unsigned char aby[DECIMALVQ_KEY_SIZE];
        cl.vnWriteKey(aby);
        std::string sKey(reinterpret_cast<char*>(aby), sizeof(aby));
        if (!sPrevious.empty()) {
            EXPECT_LT(sPrevious, sKey) << std::string(psz, psz + wcslen(psz));
        }
        sPrevious = sKey;
    }
    // A decimal to a real and to an integer.
    IDecimalVQ* pi = nullptr;
    ASSERT_EQ(nFromText(L"123456789.12345679", T_DECIMAL, &pi), 0);
    double d = 0;
    ASSERT_EQ(nConversionDepassementExt(&pi, T_DECIMAL, &d, T_R8, 0, nullptr), 0);
    EXPECT_EQ(d, 123456789.123456789);
    int32_t n = 0;
    ASSERT_EQ(nConversionDepassementExt(&pi, T_DECIMAL, &n, T_I4, 0, nullptr), 0);
    EXPECT_EQ(n, 123456789);
    int16_t n2 = 0;
    EXPECT_GT(nConversionDepassementExt(&pi, T_DECIMAL, &n2, T_I2, 0, nullptr), 99);
    FinConversion(&pi, T_DECIMAL);
}

TEST_F(EmulatedVMTest, DatesAndTimesKeepTheirMilliseconds) {
    struct {
        const wchar_t* pszText;
        uint32_t dwDate, nMs;  // 0, 0: refused
    } const aCases[] = {
        {L"0001-01-01", 1u << 16 | 1 << 8 | 1, 0},
        {L"9999-12-31 23:59:59.999", 9999u << 16 | 12 << 8 | 31, 86399999},
        {L"2024-02-29 13:45:00.123", 2024u << 16 | 2 << 8 | 29, 49500123},
        {L"2024-02-29T13:45:00.12", 2024u << 16 | 2 << 8 | 29, 49500120},
        {L"2024-02-29 13:45", 2024u << 16 | 2 << 8 | 29, 49500000},
        {L"20240229134500123", 2024u << 16 | 2 << 8 | 29, 49500123},
        {L"2023-02-29", 0, 0},
        {L"2024-13-01", 0, 0},
        {L"2024-02-29 24:00:00", 0, 0},
        {L"2024-02-29 13:45:00.1234", 0, 0},  // a digit that would be lost
        {L"0000-01-01", 0, 0},
    };
    for (const auto& st : aCases) {
        SCOPED_TRACE(std::string(st.pszText, st.pszText + wcslen(st.pszText)));
        uint32_t adw[2] = {0, 0};
        const int n = nFromText(st.pszText, T_DATETIME, adw);
        if (st.dwDate == 0) {
            EXPECT_GT(n, 99);
            continue;
        }
        ASSERT_EQ(n, 0);
        EXPECT_EQ(adw[0], st.dwDate);
        EXPECT_EQ(adw[1], st.nMs);
    }
    // Back to text in the host's compact form, milliseconds included.
    uint32_t adw[2] = {9999u << 16 | 12 << 8 | 31, 86399999};
    EXPECT_EQ(sText(adw, T_DATETIME), L"99991231235959999");

    // The fixed date and time texts from either form.
    char szDate[9] = {}, szTime[10] = {};
    ASSERT_EQ(nFromText(L"0001-01-01", T_DATEA, szDate), 0);
    EXPECT_STREQ(szDate, "00010101");
    ASSERT_EQ(nFromText(L"13:45:00.123", T_TIMEA, szTime), 0);
    EXPECT_STREQ(szTime, "134500123");
    ASSERT_EQ(nFromText(L"23:59:59.9", T_TIMEA, szTime), 0);
    EXPECT_STREQ(szTime, "235959900");
    EXPECT_GT(nFromText(L"2023-02-29", T_DATEA, szDate), 99);
    EXPECT_GT(nFromText(L"25:00:00", T_TIMEA, szTime), 99);
    // A date-time gives each part.
    ASSERT_EQ(nConversionDepassementExt(adw, T_DATETIME, szTime, T_TIMEA, 0, nullptr), 0);
    EXPECT_STREQ(szTime, "235959999");
}

TEST_F(EmulatedVMTest, MoneyFromTextKeepsSixDecimalsWithinEightyBits) {
    // Units are millionths; 0 with bAccepted false: refused.
    struct {
        const char* pszText;
        bool bAccepted;
        __int128 nUnits;
    } const aCases[] = {
        {"12345.67", true, static_cast<__int128>(12345670000)},
        {"-0.01", true, -10000},
        {"0", true, 0},
        {"+7", true, 7000000},
        {"  42.5  ", true, 42500000},
        {"99999.99", true, static_cast<__int128>(99999990000)},
        {"12.", true, 12000000},
        {".5", true, 500000},
        {"1.1234567", true, 1123456},  // a seventh decimal is ignored, not rounded
        {"-1.9999999", true, -1999999},
        // Leading zeros count as digits: many of them still give the small value.
        {"0000000000000000000000012.5", true, 12500000},
        {"123456789012345678", true, static_cast<__int128>(123456789012345678) * 1000000},
        // The largest value and the first one past it (the magnitude reaches 2^79).
        {"604462909807314587.353087", true, (static_cast<__int128>(1) << 79) - 1},
        {"-604462909807314587.353087", true, -((static_cast<__int128>(1) << 79) - 1)},
        {"604462909807314587.353088", false, 0},
        {"1234567890123456789", false, 0},
        {"123456789012345678901234567890", false, 0},
        {"", false, 0},
        {"12x", false, 0},
    };
    for (const auto& st : aCases) {
        SCOPED_TRACE(st.pszText);
        // From a wide text and from an 8-bit one: the two must agree.
        const std::wstring sWide(st.pszText, st.pszText + strlen(st.pszText));
        const wchar_t* pszWide = sWide.c_str();
        const char* pszNarrow = st.pszText;
        for (int nRoad = 0; nRoad < 2; nRoad++) {
            SCOPED_TRACE(nRoad == 0 ? "wide" : "8-bit");
            unsigned char aby[10];
            memset(aby, 0xAB, sizeof(aby));
            const int n = nRoad == 0 ? nConversionDepassementExt(&pszWide, T_PSTRW, aby, T_CY, 0, nullptr)
                                     : nConversionDepassementExt(&pszNarrow, T_PSTRA, aby, T_CY, 0, nullptr);
            if (!st.bAccepted) {
                EXPECT_GT(n, 99);
                continue;
            }
            ASSERT_EQ(n, 0);
            const unsigned __int128 u = static_cast<unsigned __int128>(st.nUnits);
            for (int b = 0; b < 10; b++)
                EXPECT_EQ(aby[b], static_cast<unsigned char>(u >> (8 * b))) << "byte " << b;
        }
    }
}

}  // namespace
