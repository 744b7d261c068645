// The driver library loaded once per test suite as the host loads it (dlopen, symbols kept local),
// for the tests that find its exports by name and call them as the host does.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

class CDriverLibraryTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_hDriver = dlopen(KX_DRIVER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(s_hDriver, nullptr) << dlerror();
    }
    static void TearDownTestSuite() {
        if (s_hDriver != nullptr) dlclose(s_hDriver);
        s_hDriver = nullptr;
    }
    // An export of the library by its (plain or mangled) name; null when it is missing or the library
    // could not be loaded.
    template <typename PFN>
    static PFN pfnFind(const char* pszName) {
        return s_hDriver == nullptr ? nullptr : reinterpret_cast<PFN>(dlsym(s_hDriver, pszName));
    }

    static inline void* s_hDriver = nullptr;
};
