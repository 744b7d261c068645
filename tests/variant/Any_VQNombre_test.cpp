// The number classes of the variant: stepping by one with its overflow answer per type, the sign,
// the boolean set from a short value, money stepped through double, and the types that cannot step.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "tests/host/TestSupport.h"
#include "variant/Any.h"
#include "variant/Money.h"

namespace {

template <typename T>
T tLit(const CAny& cl) {
    T t;
    memcpy(&t, cl.pbyGetValeur(), sizeof(T));
    return t;
}
template <typename T>
void Ecrit(CAny& cl, unsigned short nType, T t) {
    cl.__SetType(nType, 0);
    cl.pclGetValeur()->SetValue(&t);
}

class AnyVQNombreTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

// One step of an integer type: the stored value always changes; the answer says overflow.
TEST_F(AnyVQNombreTest, IntegerStepping) {
    constexpr int PLUS = 1, MOINS = -1;
    struct Case {
        const char* pszNom;
        unsigned short nType;
        int64_t nAvant;  // the bytes of the value, as a signed integer of the type's width
        int nSens;
        int64_t nApres;
        int nResultat;
    } aCases[] = {
        {"I1 127 up", VQTYPE_I1, 127, PLUS, -128, 1},
        {"I1 -128 down", VQTYPE_I1, -128, MOINS, 127, 1},
        {"I1 5 down", VQTYPE_I1, 5, MOINS, 4, 0},
        {"I2 32767 up", VQTYPE_I2, 32767, PLUS, -32768, 1},
        {"I2 -1 up", VQTYPE_I2, -1, PLUS, 0, 0},
        {"I4 max up", VQTYPE_I4, INT32_MAX, PLUS, INT32_MIN, 1},
        {"I4 min down", VQTYPE_I4, INT32_MIN, MOINS, INT32_MAX, 1},
        {"UI1 0 down", VQTYPE_UI1, 0, MOINS, 255, 1},
        {"UI1 255 up", VQTYPE_UI1, 255, PLUS, 0, 1},
        {"UI1 254 up", VQTYPE_UI1, 254, PLUS, 255, 0},
        {"UI2 65535 up", VQTYPE_UI2, 65535, PLUS, 0, 1},
        {"UI4 0 down", VQTYPE_UI4, 0, MOINS, 0xFFFFFFFF, 1},
        {"UI4 max-1 up", VQTYPE_UI4, 0xFFFFFFFE, PLUS, 0xFFFFFFFF, 0},
        {"UI8 2^63-1 up", VQTYPE_UI8, INT64_MAX, PLUS, INT64_MIN, 1},
        {"UI8 max up", VQTYPE_UI8, -1, PLUS, 0, 0},
        {"UI8 0 down", VQTYPE_UI8, 0, MOINS, -1, 1},
        {"UI8 1 down", VQTYPE_UI8, 1, MOINS, 0, 0},
        {"I8 max up", VQTYPE_I8, INT64_MAX, PLUS, INT64_MIN, 0},
        {"I8 min down", VQTYPE_I8, INT64_MIN, MOINS, INT64_MAX, 0},
        {"UIX max up", VQTYPE_UIX, -1, PLUS, 0, 0},
        {"UIX 0 down", VQTYPE_UIX, 0, MOINS, -1, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CAny cl;
        cl.__SetType(c.nType, 0);
        cl.pclGetValeur()->SetValue(&c.nAvant);  // little-endian: the low bytes are the type's value
        CAny_Intern* pcl = cl.pclGetValeur();
        EXPECT_EQ(c.nSens > 0 ? pcl->nIncremente() : pcl->nDecremente(), c.nResultat);
        unsigned long nTaille = 0;
        pcl->nGetSize(&nTaille);
        int64_t nApres = 0;
        memcpy(&nApres, cl.pbyGetValeur(), nTaille);
        const int nBits = static_cast<int>(nTaille) * 8;
        const uint64_t nMasque = nBits == 64 ? ~0ULL : (1ULL << nBits) - 1;
        EXPECT_EQ(static_cast<uint64_t>(nApres) & nMasque, static_cast<uint64_t>(c.nApres) & nMasque);
    }
}

TEST_F(AnyVQNombreTest, FloatStepping) {
    const float fInf = std::numeric_limits<float>::infinity();
    const float fNaN = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* pszNom;
        float fAvant;
        int nSens;
        int nResultat;
    } aCases[] = {
        {"1.5 up", 1.5f, 1, 0},  {"-0.5 down", -0.5f, -1, 0}, {"max up", FLT_MAX, 1, 0},
        {"+inf up", fInf, 1, 1}, {"-inf down", -fInf, -1, 1}, {"NaN up", fNaN, 1, 1},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CAny cl;
        cl.SetR4(c.fAvant);
        CAny_Intern* pcl = cl.pclGetValeur();
        EXPECT_EQ(c.nSens > 0 ? pcl->nIncremente() : pcl->nDecremente(), c.nResultat);
        const float fAttendu = static_cast<float>(static_cast<double>(c.fAvant) + c.nSens);
        if (std::isnan(fAttendu))
            EXPECT_TRUE(std::isnan(tLit<float>(cl)));
        else
            EXPECT_EQ(tLit<float>(cl), fAttendu);
    }

    CAny cl;
    cl.SetR8(DBL_MAX);
    EXPECT_EQ(cl.pclGetValeur()->nIncremente(), 0);
    cl.SetR8(2.5);
    EXPECT_EQ(cl.pclGetValeur()->nDecremente(), 0);
    EXPECT_EQ(tLit<double>(cl), 1.5);
}

TEST_F(AnyVQNombreTest, MoneyStepsByOneExactUnit) {
    // Every digit survives the step, however large the value; leaving the range of money answers 1
    // and stores the wrapped value, as the integer types do.
    struct Case {
        const wchar_t* pszAvant;
        int nSens;
        const wchar_t* pszApres;
        int nResultat;
    };
    const Case tabCases[] = {
        {L"1.5", 1, L"2.5", 0},
        {L"0.5", -1, L"-0.5", 0},
        {L"-0.000001", 1, L"0.999999", 0},
        {L"12345678901.123456", 1, L"12345678902.123456", 0},
        {L"12345678901.123456", -1, L"12345678900.123456", 0},
        {L"604462909807314586.353087", 1, L"604462909807314587.353087", 0},
        {L"-604462909807314586.353087", -1, L"-604462909807314587.353087", 0},
        {L"604462909807314587.353087", 1, nullptr, 1},
        {L"604462909807314586.999999", 1, nullptr, 1},
        {L"-604462909807314587.353087", -1, nullptr, 1},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        CMoney st{};
        ASSERT_NE(pstChaineVersMonetaire(&st, c.pszAvant), nullptr);
        // The exact sum on the 80-bit integer of millionths, wrapped past the range.
        unsigned __int128 n = 0;
        for (int i = 4; i >= 0; i--) n = (n << 16) | st.m_awMot[i];
        const unsigned __int128 nMasque = (static_cast<unsigned __int128>(1) << 80) - 1;
        n = (c.nSens > 0 ? n + 1000000 : n - 1000000) & nMasque;
        CMoney stAttendu{};
        for (int i = 0; i < 5; i++) stAttendu.m_awMot[i] = static_cast<uint16_t>(n >> (16 * i));
        CAny cl;
        cl.SetCY(st);
        EXPECT_EQ(c.nSens > 0 ? cl.pclGetValeur()->nIncremente() : cl.pclGetValeur()->nDecremente(), c.nResultat);
        const CMoney stApres = tLit<CMoney>(cl);
        EXPECT_EQ(memcmp(&stApres, &stAttendu, sizeof(CMoney)), 0);
        if (c.pszApres != nullptr) {
            wchar_t sz[64];
            EXPECT_STREQ(pszMonetaireVersChaineC(sz, &stApres), c.pszApres);
        }
    }
}

TEST_F(AnyVQNombreTest, Sign) {
    const double dNaN = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* pszNom;
        void (*pfn)(CAny&, double);
        double d;
        int bPositif;
    } aCases[] = {
        {"I1 -1", [](CAny& cl, double) { cl.SetI1(-1); }, 0, 0},
        {"I2 0", [](CAny& cl, double) { cl.SetI2(0); }, 0, 1},
        {"I4 -7", [](CAny& cl, double) { cl.SetI4(-7); }, 0, 0},
        {"I8 min", [](CAny& cl, double) { cl.SetI8(INT64_MIN); }, 0, 0},
        {"UI8 max", [](CAny& cl, double) { cl.SetUI8(~0UL); }, 0, 1},
        {"UI1 255", [](CAny& cl, double) { cl.SetUI1(255); }, 0, 1},
        {"UIX top bit", [](CAny& cl, double) { Ecrit<uint64_t>(cl, VQTYPE_UIX, 1ULL << 63); }, 0, 1},
        {"R4 -0.5", [](CAny& cl, double) { cl.SetR4(-0.5f); }, 0, 0},
        {"R4 0", [](CAny& cl, double) { cl.SetR4(0.0f); }, 0, 1},
        {"R8 NaN", [](CAny& cl, double d) { cl.SetR8(d); }, dNaN, 0},
        {"R8 -0.0", [](CAny& cl, double) { cl.SetR8(-0.0); }, 0, 1},
        {"BOOL -1", [](CAny& cl, double) { cl.SetBOOL(-1); }, 0, 1},
        {"CY -1",
         [](CAny& cl, double) {
             cl.SetCY(CMoney{{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}});
         },
         0, 0},
        {"CY top word 0x7FFF",
         [](CAny& cl, double) {
             cl.SetCY(CMoney{{0, 0, 0, 0, 0x7FFF}});
         },
         0, 1},
        {"DUREE", [](CAny& cl, double) { Ecrit<int64_t>(cl, VQTYPE_DUREE, -5); }, 0, 1},
    };
    for (const Case& c : aCases) {
        CAny cl;
        c.pfn(cl, c.d);
        EXPECT_EQ(cl.pclGetValeur()->bIsPositive(), c.bPositif) << c.pszNom;
    }
}

TEST_F(AnyVQNombreTest, TypesWithoutSteppingAnswer105) {
    for (unsigned short nType : {VQTYPE_VIDE, VQTYPE_BOOL, VQTYPE_DSTRA, VQTYPE_DATETIME, VQTYPE_DUREE, VQTYPE_CARA,
                                 VQTYPE_BIN, VQTYPE_TIMEW}) {
        CAny cl;
        cl.__SetType(nType, 0);
        unsigned char abyAvant[VQTAILLE_VALEUR];
        memcpy(abyAvant, cl.pbyGetValeur(), sizeof(abyAvant));
        EXPECT_EQ(cl.pclGetValeur()->nIncremente(), 105) << nType;
        EXPECT_EQ(cl.pclGetValeur()->nDecremente(), 105) << nType;
        EXPECT_EQ(memcmp(abyAvant, cl.pbyGetValeur(), sizeof(abyAvant)), 0) << nType;
    }
}

TEST_F(AnyVQNombreTest, BoolTakesAtMostFourBytes) {
    const unsigned char aby[] = {0x01, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    struct Case {
        unsigned long n;
        int32_t nAttendu;
    } aCases[] = {
        {1, 1}, {2, 0xEE01}, {4, static_cast<int32_t>(0xEEEEEE01)}, {8, static_cast<int32_t>(0xEEEEEE01)}, {0, 0}};
    for (const Case& c : aCases) {
        CAny cl;
        cl.SetBOOL(-1);
        cl.pclGetValeur()->SetValue(aby, c.n);
        EXPECT_EQ(tLit<int32_t>(cl), c.nAttendu) << c.n;
    }
}

TEST_F(AnyVQNombreTest, NumbersFillTheirBytes) {
    CAny cl;
    cl.SetI2(-2);
    unsigned char aby[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(cl.pclGetValeur()->nFillBuffer(aby), 0);
    EXPECT_EQ(cl.pclGetValeur()->nFillUtilDataBuffer(aby + 2), 0);
    const unsigned char abyAttendu[] = {0xFE, 0xFF, 0xFE, 0xFF};
    EXPECT_EQ(memcmp(aby, abyAttendu, 4), 0);
    void* p = nullptr;
    EXPECT_EQ(cl.pclGetValeur()->nGetDataAdr(&p), 0);
    EXPECT_EQ(p, cl.pbyGetValeur());
    const char* psz = "x";
    EXPECT_EQ(cl.pclGetValeur()->nGetPCASTR(&psz), 105);
}

}  // namespace
