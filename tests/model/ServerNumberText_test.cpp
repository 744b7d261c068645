// The server's integers and reals read straight into the storage against the host's conversion of
// the same text: every integer type, at and past each bound, the reals PostgreSQL writes (shortest
// round-trip digits, 17 significant digits, exponents, -0, the extremes of float4 and float8), with
// the texts the direct road leaves to the host. Where the direct road takes a text, it must write
// what the host writes; where the text is beyond the type, it must leave it to the host, whatever
// the host then answers.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "native/model/ServerNumberText.h"
#include "tests/model/ModelTestSupport.h"
#include "variant/Any.h"

namespace {

class ServerNumberTextTest : public ModelTest {};

TEST_F(ServerNumberTextTest, WritesWhatTheHostWritesOrLeavesTheTextToIt) {
    struct stType {
        unsigned short nType;
        const char* pszMin;  // the type's bounds as texts
        const char* pszMax;
        const char* pszBelow;  // one past each bound (null: none the road reads)
        const char* pszAbove;
    } astTypes[] = {
        {VQTYPE_UI2, "0", "65535", "-1", "65536"},
        {VQTYPE_UI4, "0", "4294967295", "-1", "4294967296"},
        {VQTYPE_UI8, "0", "18446744073709551615", "-1", nullptr},
        {VQTYPE_I1, "-128", "127", "-129", "128"},
        {VQTYPE_I2, "-32768", "32767", "-32769", "32768"},
        {VQTYPE_I4, "-2147483648", "2147483647", "-2147483649", "2147483648"},
        {VQTYPE_I8, "-9223372036854775808", "9223372036854775807", "-9223372036854775809", "9223372036854775808"},
    };
    // Taken by the road when in range for the type.
    const char* apszTaken[] = {"0", "1", "7", "42", "00042", "-1", "-7", "100", "-100", "1000000"};
    // Never taken: the host's rules apply.
    const char* apszLeft[] = {"", "-", "-0", "+5", " 5", "5 ", "5.0", "1e3", "12a", "0x10", "--1",
                              "12345678901234567890", "99999999999999999999"};
    for (const stType& st : astTypes) {
        SCOPED_TRACE(st.nType);
        auto Compare = [&](const char* psz, bool bExpectTaken) {
            SCOPED_TRACE(psz);
            unsigned char abyFast[16], abyHost[16];
            memset(abyFast, 0xA5, sizeof(abyFast));
            memset(abyHost, 0xA5, sizeof(abyHost));
            const bool bTaken = NA_bServerIntegerToStorage(psz, strlen(psz), st.nType, abyFast, 8);
            EXPECT_EQ(bTaken, bExpectTaken);
            if (!bTaken) {
                // Nothing written.
                for (unsigned char c : abyFast) EXPECT_EQ(c, 0xA5);
                return;
            }
            const std::wstring ws(psz, psz + strlen(psz));
            ASSERT_EQ(CAny::__s_nCastTo(abyHost, ws.c_str(), st.nType, nullptr), 0) << "the host refuses it";
            EXPECT_EQ(std::string(reinterpret_cast<char*>(abyFast), 16), std::string(reinterpret_cast<char*>(abyHost), 16));
        };
        Compare(st.pszMin, true);
        // Twenty digits are beyond what the road reads.
        Compare(st.pszMax, strlen(st.pszMax) < 20);
        if (st.pszBelow != nullptr) Compare(st.pszBelow, false);
        if (st.pszAbove != nullptr) Compare(st.pszAbove, false);
        // The bounds as numbers (the largest unsigned one's as the signed maximum: the texts
        // below stay under it).
        const long long llMin = std::stoll(st.pszMin);
        const long long llMax = st.nType == VQTYPE_UI8 ? LLONG_MAX : std::stoll(st.pszMax);
        for (const char* psz : apszTaken) {
            const long long ll = std::stoll(psz);
            Compare(psz, ll >= llMin && ll <= llMax);
        }
        for (const char* psz : apszLeft) Compare(psz, false);
    }
    // A storage smaller than the type is left to the host.
    unsigned char aby[8] = {};
    EXPECT_FALSE(NA_bServerIntegerToStorage("5", 1, VQTYPE_I4, aby, 2));
    EXPECT_FALSE(NA_bServerIntegerToStorage("5", 1, VQTYPE_CY, aby, 8));
}

TEST_F(ServerNumberTextTest, RealsAreWhatTheHostReadsOrLeftToIt) {
    // Texts as float8 and float4 columns send them, and neighbours of the cases that are hard to
    // round: halfway between two doubles, the largest and smallest normal values, 17 digits.
    const std::vector<const char*> asTaken = {
        "0", "-0", "0.0", "-0.0", "1", "-1", "0.1", "-0.1", "0.5", "1.5", "3.141592653589793",
        "2.718281828459045", "0.30000000000000004", "1.7976931348623157e+308", "-1.7976931348623157e+308",
        "2.2250738585072014e-308", "1e-05", "1E-05", "1e+16", "1e+300", "123456789012345680",
        "9007199254740993",      // halfway between two doubles: to the even one
        "9007199254740995",      // halfway again, rounding up
        "0.1000000000000000055511151231257827", "4.9406564584124654e-300", "12345.678", "-98765.4321",
        "1.0000000000000002", "0.9999999999999999", "3.4028234663852886e+38", "3.4028235e+38",
        "-3.4028235e+38", "1.1754944e-38", "1.17549435e-38", "7e-46", "0e-400", "0e+400",
        "16777217", "16777219", "0.100000001490116119384765625", "1.00000005960464477539062500000001"};
    // Never taken: the host's own rules decide (it refuses some, reads others its own way).
    const std::vector<const char*> asLeft = {
        "", "-", "NaN", "nan", "Infinity", "-Infinity", "inf", "+1", " 1", "1 ", "1.", ".5", "-.5", "1e",
        "1e+", "1.5e", "0x1p3", "1,5", "1..2", "--1", "1e400", "-1e400", "4.9e-324", "2.2250738585072011e-308",
        "1e-320", "12a", "1_000"};
    for (unsigned short nType : {static_cast<unsigned short>(VQTYPE_R8), static_cast<unsigned short>(VQTYPE_R4)}) {
        SCOPED_TRACE(nType);
        auto Compare = [&](const char* psz, bool bExpectTaken) {
            SCOPED_TRACE(psz);
            unsigned char abyFast[16], abyHost[16];
            memset(abyFast, 0xA5, sizeof(abyFast));
            memset(abyHost, 0xA5, sizeof(abyHost));
            const bool bTaken = NA_bServerRealToStorage(psz, strlen(psz), nType, abyFast, 8);
            const std::wstring ws(psz, psz + strlen(psz));
            const int nHost = CAny::__s_nCastTo(abyHost, ws.c_str(), nType, nullptr);
            if (!bTaken) {
                EXPECT_FALSE(bExpectTaken);
                for (unsigned char c : abyFast) EXPECT_EQ(c, 0xA5);
                return;
            }
            ASSERT_EQ(nHost, 0) << "the host refuses it";
            EXPECT_EQ(std::string(reinterpret_cast<char*>(abyFast), 16), std::string(reinterpret_cast<char*>(abyHost), 16));
        };
        for (const char* psz : asTaken) {
            // Beyond the floats a float4 leaves the value to the host.
            const bool bBeyondFloat = nType == VQTYPE_R4 && (strstr(psz, "e+308") != nullptr || strstr(psz, "e+300") != nullptr ||
                                                              strcmp(psz, "3.4028235e+38") == 0 ||
                                                              strcmp(psz, "-3.4028235e+38") == 0);
            Compare(psz, !bBeyondFloat);
        }
        for (const char* psz : asLeft) Compare(psz, false);
    }
    // A storage smaller than the type, or a type that is no real, is left to the host.
    unsigned char aby[8] = {};
    EXPECT_FALSE(NA_bServerRealToStorage("1.5", 3, VQTYPE_R8, aby, 4));
    EXPECT_FALSE(NA_bServerRealToStorage("1.5", 3, VQTYPE_R4, aby, 2));
    EXPECT_FALSE(NA_bServerRealToStorage("1.5", 3, VQTYPE_CY, aby, 8));
    EXPECT_FALSE(NA_bServerRealToStorage("15", 2, VQTYPE_I4, aby, 8));
}

TEST_F(ServerNumberTextTest, AmountsAreWhatTheHostReadsOrLeftToIt) {
    // Texts of numeric and money columns: signs, zeros, every count of decimals the road takes,
    // the widest integer part, and the values at 2^63 millionths' neighbourhood it stays below.
    const std::vector<const char*> asTaken = {
        "0", "-0", "0.0", "-0.000000", "1", "-1", "0.01", "-0.01", "12.5", "-12.5", "123.45", "-123.45",
        "1.000001", "-1.000001", "0.999999", "000042.10", "100", "999999999999", "-999999999999",
        "999999999999.999999", "-999999999999.999999", "922337203685", "4294967296.5", "65536.65536"};
    // Never taken: the host's own rules decide.
    const std::vector<const char*> asLeft = {
        "", "-", "+1", " 1", "1 ", "1.", ".5", "-.5", "1.0000001", "0.1234567", "1e3", "1,5", "1..2", "--1",
        "12a", "$12.00", "(12.00)", "1000000000000", "-1000000000000", "9223372036854775808", "1.5-", "NaN"};
    auto Compare = [&](const char* psz, bool bExpectTaken) {
        SCOPED_TRACE(psz);
        unsigned char abyFast[16], abyHost[16];
        memset(abyFast, 0xA5, sizeof(abyFast));
        memset(abyHost, 0xA5, sizeof(abyHost));
        const bool bTaken = NA_bServerMoneyToStorage(psz, strlen(psz), abyFast, 10);
        EXPECT_EQ(bTaken, bExpectTaken);
        if (!bTaken) {
            for (unsigned char c : abyFast) EXPECT_EQ(c, 0xA5);
            return;
        }
        const std::wstring ws(psz, psz + strlen(psz));
        ASSERT_EQ(CAny::__s_nCastTo(abyHost, ws.c_str(), VQTYPE_CY, nullptr), 0) << "the host refuses it";
        EXPECT_EQ(std::string(reinterpret_cast<char*>(abyFast), 16), std::string(reinterpret_cast<char*>(abyHost), 16));
    };
    for (const char* psz : asTaken) Compare(psz, true);
    for (const char* psz : asLeft) Compare(psz, false);
    // A storage smaller than an amount is left to the host.
    unsigned char aby[16] = {};
    EXPECT_FALSE(NA_bServerMoneyToStorage("1.5", 3, aby, 9));
}

}  // namespace
