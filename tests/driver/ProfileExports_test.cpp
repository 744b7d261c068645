// The character and line readers the driver library exports for the host, found by their mangled
// names in the library loaded with dlopen and called as the host calls them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/driver/DriverLibrary.h"
#include "tests/platform/FileOfBytes.h"

namespace {

typedef int (*PFNGETCHAR)(FILE*);
typedef int (*PFNGETLINEA)(char**, unsigned long*, FILE*);
typedef int (*PFNGETLINEW)(wchar_t**, unsigned long*, FILE*);

typedef CDriverLibraryTest ProfileExportsTest;

TEST_F(ProfileExportsTest, CharacterReaders) {
    PFNGETCHAR pfnUTF16 = pfnFind<PFNGETCHAR>("_Z13STRG_nGetCharIwtEiP8_IO_FILE");
    PFNGETCHAR pfnByte = pfnFind<PFNGETCHAR>("_Z13STRG_nGetCharIccEiP8_IO_FILE");
    PFNGETCHAR pfnWide = pfnFind<PFNGETCHAR>("_Z13STRG_nGetCharIwwEiP8_IO_FILE");
    ASSERT_NE(pfnUTF16, nullptr);
    ASSERT_NE(pfnByte, nullptr);
    ASSERT_NE(pfnWide, nullptr);

    FILE* p = pFileOf(std::string("\xFF\xFE\x41\x00\xE9\x00", 6));
    ASSERT_NE(p, nullptr);
    for (int nExpected : {0xFEFF, 0x41, 0xE9, -1}) EXPECT_EQ(pfnUTF16(p), nExpected);
    fclose(p);

    p = pFileOf("A");
    EXPECT_EQ(pfnByte(p), 0x41);
    EXPECT_EQ(pfnByte(p), EOF);
    fclose(p);

    p = pFileOf("A");
    EXPECT_EQ(pfnWide(p), 0x41);
    EXPECT_EQ(pfnWide(p), -1);
    fclose(p);
}

TEST_F(ProfileExportsTest, LineReaders) {
    PFNGETLINEA pfnLine = pfnFind<PFNGETLINEA>("_Z13STRG_nGetLineIcEiPPT_PmP8_IO_FILE");
    PFNGETLINEW pfnLineW = pfnFind<PFNGETLINEW>("_Z13STRG_nGetLineIwEiPPT_PmP8_IO_FILE");
    ASSERT_NE(pfnLine, nullptr);
    ASSERT_NE(pfnLineW, nullptr);

    FILE* p = pFileOf("ab\ncd");
    ASSERT_NE(p, nullptr);
    char* psz = nullptr;
    unsigned long nSize = 0;
    EXPECT_EQ(pfnLine(&psz, &nSize, p), 3);
    EXPECT_STREQ(psz, "ab\n");
    EXPECT_EQ(pfnLine(&psz, &nSize, p), 2);
    EXPECT_STREQ(psz, "cd");
    EXPECT_EQ(pfnLine(&psz, &nSize, p), -1);
    fclose(p);

    const std::string sLong(300, 'q');
    p = pFileOf(sLong + "\n");
    EXPECT_EQ(pfnLine(&psz, &nSize, p), 301);
    EXPECT_EQ(std::string(psz), sLong + "\n");
    fclose(p);
    free(psz);  // the caller frees the buffer the library grew

    p = pFileOf("xy\nz");
    wchar_t* pszW = nullptr;
    nSize = 0;
    EXPECT_EQ(pfnLineW(&pszW, &nSize, p), 3);
    EXPECT_EQ(std::wstring(pszW), L"xy\n");
    EXPECT_EQ(pfnLineW(&pszW, &nSize, p), 1);
    EXPECT_EQ(pfnLineW(&pszW, &nSize, p), -1);
    fclose(p);
    free(pszW);
}

}  // namespace
