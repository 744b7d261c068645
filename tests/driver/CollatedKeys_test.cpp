// Collated Unicode keys: the sortable keys ask the engine interface that the host handed to the
// process's driver object (bSetYF, slot 38) for a converter, and write plain keys when there is no
// driver object or it holds no engine.
#include <gtest/gtest.h>

#include <cstring>

#include "native/driver/NADriver.h"
#include "native/driver/NAExports.h"
#include "tests/driver/HostCall.h"
#include "tests/host/TestSupport.h"
#include "variant/YFConvertKey.h"
#include "variant/YFForNA.h"

namespace {

// An engine interface of the host that hands out one converter and records how it was asked.
class CMoteurYF final : public IYFForNA, public IYFUnicodeConverter {
public:
    int m_nDemandes = 0;
    int m_b80 = -1, m_b20 = -1, m_bWide = -1, m_b40 = -1;
    unsigned short m_nOptions = 0;
    unsigned long m_nDataSize = 0;

    IYFUnicodeConverter* vpiGetUnicodeConverter(int b80, int b20, unsigned long nDataSize, unsigned short nOptions,
                                                int bWide) override {
        m_nDemandes++;
        m_b80 = b80;
        m_b20 = b20;
        m_nDataSize = nDataSize;
        m_nOptions = nOptions;
        m_bWide = bWide;
        return this;
    }
    int vnConvertKey(void* pKey, unsigned long nKeySize, const void*, unsigned long, int b40, int) override {
        m_b40 = b40;
        memset(pKey, 0x11, nKeySize);
        return 3;
    }
};

const wchar_t g_sz[] = L"ab";

int nKey(unsigned char* pby, unsigned long n, unsigned short nOptions) {
    return CYFConvertKey::__nConvertKey(pby, n, g_sz, sizeof(g_sz), ITEMTYPE_UNICODE, nOptions, 0, 0, 0,
                                        YFKEY_FLAG_WCHAR32);
}

// The same text asked with option 0x20 as 32-bit characters read as bytes.
int nPlainKey(unsigned char* pby, unsigned long n) {
    return CYFConvertKey::__nConvertKey(pby, n, g_sz, sizeof(g_sz), ITEMTYPE_UNICODE, 0x20, 0, 0, 0, 0);
}

class CollatedKeysTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        ASSERT_EQ(CNADriver::s_pclDriver, nullptr);
    }
};

TEST_F(CollatedKeysTest, AskTheEngineTheHostHandedToTheDriver) {
    CMoteurYF clMoteur;
    unsigned char aby[14];
    INADriver* piDriver = piQueryInterface(0);
    ASSERT_NE(piDriver, nullptr);
    // A driver that was not given the engine: a plain key, a copy of the data's bytes.
    EXPECT_EQ(nPlainKey(aby, sizeof(aby)), 12);
    EXPECT_EQ(aby[0], 'a');

    ASSERT_EQ(HostCall<int>(piDriver, 38, static_cast<IYFForNA*>(&clMoteur)), 1);
    struct Case {
        unsigned short nOptions;
        int bCollation, b80, b20, b40;
    } aCases[] = {
        {0x20, 1, 0, 1, 0}, {0x40, 1, 0, 0, 1}, {0x81, 1, 1, 0, 0},   {0x82, 1, 1, 0, 0},
        {0x80, 0, 0, 0, 0}, {0x01, 0, 0, 0, 0}, {0x2800, 0, 0, 0, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.nOptions);
        clMoteur.m_nDemandes = 0;
        int n = nKey(aby, sizeof(aby), c.nOptions);
        EXPECT_EQ(clMoteur.m_nDemandes, c.bCollation);
        if (!c.bCollation) continue;
        EXPECT_EQ(n, 6);  // twice the units the converter wrote
        EXPECT_EQ(clMoteur.m_b80, c.b80);
        EXPECT_EQ(clMoteur.m_b20, c.b20);
        EXPECT_EQ(clMoteur.m_b40, c.b40);
        EXPECT_EQ(clMoteur.m_bWide, 1);
        EXPECT_EQ(clMoteur.m_nDataSize, sizeof(g_sz));
        EXPECT_EQ(clMoteur.m_nOptions, c.nOptions);
    }

    // Once the driver object is gone, nobody holds the engine any more.
    EXPECT_EQ(piDriver->nExternalRelease(), 0);
    clMoteur.m_nDemandes = 0;
    EXPECT_EQ(nPlainKey(aby, sizeof(aby)), 12);
    EXPECT_EQ(clMoteur.m_nDemandes, 0);
}

TEST_F(CollatedKeysTest, TheEngineOfTheDriverStillAliveServesWhenTheNewestGoes) {
    CMoteurYF clAncien, clNouveau;
    unsigned char aby[14];
    INADriver* piAncien = piQueryInterface(0);
    INADriver* piNouveau = piQueryInterface(0);
    ASSERT_NE(piAncien, nullptr);
    ASSERT_NE(piNouveau, nullptr);
    piAncien->bSetYF(&clAncien);
    piNouveau->bSetYF(&clNouveau);
    nKey(aby, sizeof(aby), 0x20);
    EXPECT_EQ(clNouveau.m_nDemandes, 1);
    EXPECT_EQ(clAncien.m_nDemandes, 0);
    piNouveau->nExternalRelease();
    nKey(aby, sizeof(aby), 0x20);
    EXPECT_EQ(clAncien.m_nDemandes, 1);
    piAncien->nExternalRelease();
}

}  // namespace
