// The text-block export as the host uses it: found by its mangled name in the driver library, the
// block it hands out belongs to the caller, who frees it with the C library's free.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "tests/driver/DriverLibrary.h"

namespace {

typedef wchar_t* (*PFNCREATEW)(unsigned long);
typedef char* (*PFNCREATEA)(unsigned long);

class StringExportsTest : public CDriverLibraryTest {};

TEST_F(StringExportsTest, BlocksHoldTheTextAndItsTerminatorAndAreFreedByTheCaller) {
    auto pfnW = pfnFind<PFNCREATEW>("_Z14STRG_pszCreateIwEPT_m");
    auto pfnA = pfnFind<PFNCREATEA>("_Z14STRG_pszCreateIcEPT_m");
    ASSERT_NE(pfnW, nullptr);
    ASSERT_NE(pfnA, nullptr);

    // The address sanitizer checks both the room (5 characters and the zero) and the free.
    wchar_t* pszW = pfnW(5);
    ASSERT_NE(pszW, nullptr);
    wmemcpy(pszW, L"abcde", 6);
    EXPECT_STREQ(pszW, L"abcde");
    free(pszW);

    char* pszA = pfnA(5);
    ASSERT_NE(pszA, nullptr);
    memcpy(pszA, "abcde", 6);
    EXPECT_STREQ(pszA, "abcde");
    free(pszA);
}

}  // namespace
