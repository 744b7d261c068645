// Reference counting of the native-access root: the count starts at 0, a release at 0 does
// nothing, the release that reaches 0 deletes unless the object is marked do-not-delete.
#include <gtest/gtest.h>

#include "native/model/Interf.h"

namespace {

int g_nDestroyed = 0;

class CCounted : public CInterf {
public:
    ~CCounted() override { g_nDestroyed++; }
};

TEST(InterfTest, CountsAndDeletesAtTheLastRelease) {
    g_nDestroyed = 0;
    auto* p = new CCounted;
    EXPECT_EQ(p->nGetRef(), 0u);
    EXPECT_EQ(p->AddRef(), 1u);
    EXPECT_EQ(p->AddRef(), 2u);
    EXPECT_EQ(p->nRelease(), 1u);
    EXPECT_EQ(g_nDestroyed, 0);
    EXPECT_EQ(p->nRelease(), 0u);
    EXPECT_EQ(g_nDestroyed, 1);
}

TEST(InterfTest, ReleaseAtZeroAndDoNotDelete) {
    g_nDestroyed = 0;
    CCounted embedded;
    embedded.SetDoNotDelete(1);
    EXPECT_EQ(embedded.nRelease(), 0u);  // already 0: nothing happens
    embedded.AddRef();
    EXPECT_EQ(embedded.nRelease(), 0u);  // reaches 0 but the object is embedded
    EXPECT_EQ(g_nDestroyed, 0);
    EXPECT_EQ(embedded._NotToBeCalled(), 0);
}

}  // namespace
