// Collated Unicode keys: the sortable keys ask the engine interface that the host handed to the
// process's driver object (bSetYF, slot 38) for a converter, and write plain keys when there is no
// driver object or it holds no engine. The engine follows the process's driver object as drivers
// come and go.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "native/driver/NADriver.h"
#include "native/driver/NAExports.h"
#include "tests/driver/HostCall.h"
#include "tests/host/TestSupport.h"
#include "variant/HostAssumptions.h"
#include "variant/NADriverYF.h"
#include "variant/YFConvertKey.h"

namespace {

// An engine interface of the host that hands out one converter and records how it was asked.
class CMoteurYF final : public IYFForNA, public IYFUnicodeConverter {
public:
    int m_nDemandes = 0;
    int m_b20 = -1, m_bWide = -1;
    unsigned long m_nDataSize = 0;

    IYFUnicodeConverter* vpiGetUnicodeConverter(int, int b20, unsigned long nDataSize, unsigned short,
                                                int bWide) override {
        m_nDemandes++;
        m_b20 = b20;
        m_nDataSize = nDataSize;
        m_bWide = bWide;
        return this;
    }
    int vnConvertKey(void* pKey, unsigned long nKeySize, const void*, unsigned long, int, int) override {
        memset(pKey, 0x11, nKeySize);
        return 3;
    }
};

const wchar_t g_sz[] = L"ab";

int nKey(unsigned char* pby, unsigned long n, unsigned short nOptions) {
    return CYFConvertKey::__nConvertKey(pby, n, g_sz, sizeof(g_sz), ITEMTYPE_UNICODE, nOptions, 0, 0, 0,
                                        YFKEY_FLAG_WCHAR32);
}

// Whether the key asked with option 0x20 is the plain key (no option), as when no engine collates.
bool bPlainKey() {
    unsigned char abyCollated[14], abyPlain[14];
    nKey(abyCollated, sizeof(abyCollated), 0x20);
    nKey(abyPlain, sizeof(abyPlain), 0);
    return memcmp(abyCollated, abyPlain, sizeof(abyPlain)) == 0;
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
    // A driver that was not given the engine: a plain key.
    EXPECT_TRUE(bPlainKey());

    ASSERT_EQ(HostCall<int>(piDriver, 38, static_cast<IYFForNA*>(&clMoteur)), 1);
    // Which options collate and how the engine is asked is the keys' business (their own tests);
    // here: the engine asked is the one the host handed over.
    EXPECT_EQ(nKey(aby, sizeof(aby), 0x20), 6);  // twice the units the converter wrote
    EXPECT_EQ(clMoteur.m_nDemandes, 1);
    EXPECT_EQ(clMoteur.m_b20, 1);
    EXPECT_EQ(clMoteur.m_bWide, 1);
    EXPECT_EQ(clMoteur.m_nDataSize, sizeof(g_sz));

    // Once the driver object is gone, nobody holds the engine any more.
    EXPECT_EQ(piDriver->nExternalRelease(), 0);
    clMoteur.m_nDemandes = 0;
    EXPECT_TRUE(bPlainKey());
    EXPECT_EQ(clMoteur.m_nDemandes, 0);
}

// The keys use the engine of the process's driver object: the newest one alive.
TEST_F(CollatedKeysTest, TheEngineFollowsTheProcesssDriver) {
    CMoteurYF clAncien, clNouveau;
    unsigned char aby[14];
    INADriver* piAncien = piQueryInterface(0);
    ASSERT_NE(piAncien, nullptr);
    piAncien->bSetYF(&clAncien);
    INADriver* piNouveau = piQueryInterface(0);
    ASSERT_NE(piNouveau, nullptr);
    struct Step {
        const char* pszWhat;
        std::function<void()> fnAct;
        int nAncien, nNouveau;  // requests each engine has had after the step's key
    } steps[] = {
        // A newer driver that was given no engine: none for the keys.
        {"newer driver without engine", [] {}, 0, 0},
        // An engine handed to a driver that is not the process's is kept for later.
        {"older driver's engine again", [&] { piAncien->bSetYF(&clAncien); }, 0, 0},
        {"newer driver's engine", [&] { piNouveau->bSetYF(&clNouveau); }, 0, 1},
        {"newer driver gone", [&] { piNouveau->nExternalRelease(); }, 1, 1},
        {"last driver gone", [&] { piAncien->nExternalRelease(); }, 1, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.pszWhat);
        s.fnAct();
        nKey(aby, sizeof(aby), 0x20);
        EXPECT_EQ(clAncien.m_nDemandes, s.nAncien);
        EXPECT_EQ(clNouveau.m_nDemandes, s.nNouveau);
    }
    EXPECT_EQ(CNADriverYF::s_piGetYF(), nullptr);
}

}  // namespace
