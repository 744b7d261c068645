// Main of every test program: installs the stand-in host's allocator and locale services as the
// start notice would, and fails the run when a test leaves a shared buffer alive.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

#include "core/InformationDLL.h"
#include "tests/host/StandInHost.h"

namespace {

class CLiveBlockListener : public testing::EmptyTestEventListener {
public:
    int m_nLeakingTests = 0;

    void OnTestStart(const testing::TestInfo&) override { m_nAtStart = standin::nGetLiveBlocks(); }
    void OnTestEnd(const testing::TestInfo& info) override {
        long nLive = standin::nGetLiveBlocks();
        if (nLive != m_nAtStart || standin::nGetBadReleases() != 0) {
            m_nLeakingTests++;
            fprintf(stderr, "[  LEAK    ] %s.%s: %ld shared buffers alive (%ld before), %ld bad releases\n",
                    info.test_suite_name(), info.name(), nLive, m_nAtStart, standin::nGetBadReleases());
        }
    }

private:
    long m_nAtStart = 0;
};

}  // namespace

void KXInstallStandInHost() {
    standin::Reset();
    CInformationModule::ms_piStrMemAlloc = standin::piGetAllocator();
    CInformationDLL::ms_piInfoLocale = standin::piGetInfoLocale();
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    KXInstallStandInHost();
    auto* pListener = new CLiveBlockListener;
    testing::UnitTest::GetInstance()->listeners().Append(pListener);
    int nResult = RUN_ALL_TESTS();
    if (nResult == 0 && pListener->m_nLeakingTests != 0) nResult = 1;
    return nResult;
}
