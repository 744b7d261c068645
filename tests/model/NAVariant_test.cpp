// The variant value holder: copies, typed setters, byte and host comparison, equality with NULL
// operands, emptiness, the checksum, and values loaded from and stored to files.
#include "native/model/NAVariant.h"

#include <gtest/gtest.h>

#include <string>

#include "core/TString.h"
#include "native/driver/NAError.h"
#include "native/model/NAConvertVariant.h"
#include "tests/host/TempDir.h"
#include "tests/model/ModelTestSupport.h"
#include "variant/Money.h"

namespace {

class NAVariantTest : public ModelTest {};

// A binary value holding the given bytes.
void SetBytes(CNAVariant* pcl, const std::string& s) {
    CAny cl;
    cl.SetBIN(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    pcl->bSetValue(&cl);
}

TEST_F(NAVariantTest, ChecksumAddsWordsThenBytes) {
    struct Case {
        std::string sBytes;
        uint32_t nExpected;
    };
    const Case tab[] = {
        {"", 0},
        {"a", 0x61},
        {"abc", 0x126},
        {"abcd", 0x64636261},
        {"abcde", 0x646362C6},
        {"abcdefg", 0x64636393},
        {std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x01", 9), 0xFFFFFFFFu + 0xFFFFFFFFu + 1u},  // modulo 2^32
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(c.sBytes.size());
        CNAVariant cl;
        SetBytes(&cl, c.sBytes);
        EXPECT_EQ(cl.nChecksum32(), c.nExpected);
    }
    CNAVariant clVide;
    EXPECT_EQ(clVide.nChecksum32(), 0u);
}

TEST_F(NAVariantTest, TypedSettersSetTheTypeAndClearTheFlags) {
    CNAVariant cl;
    struct Case {
        const char* pszNom;
        void (*pfSet)(CNAVariant&);
        unsigned short nType;
    };
    const Case tab[] = {
        {"bool", [](CNAVariant& c) { c.bSetValue(true); }, 1},
        {"uchar", [](CNAVariant& c) { c.bSetValue(static_cast<unsigned char>(1)); }, 2},
        {"ushort", [](CNAVariant& c) { c.bSetValue(static_cast<unsigned short>(1)); }, 3},
        {"uint", [](CNAVariant& c) { c.bSetValue(1u); }, 4},
        {"ulong", [](CNAVariant& c) { c.bSetValue(1ul); }, 5},
        {"char", [](CNAVariant& c) { c.bSetValue('a'); }, 6},
        {"short", [](CNAVariant& c) { c.bSetValue(static_cast<short>(1)); }, 7},
        {"int", [](CNAVariant& c) { c.bSetValue(1); }, 8},
        {"long", [](CNAVariant& c) { c.bSetValue(1l); }, 9},
        {"money", [](CNAVariant& c) { c.bSetValue(gstMillion); }, 10},
        {"float", [](CNAVariant& c) { c.bSetValue(1.5f); }, 11},
        {"double", [](CNAVariant& c) { c.bSetValue(1.5); }, 12},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(c.pszNom);
        cl.pclGetValue()->SetFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
        c.pfSet(cl);
        EXPECT_EQ(cl.pclGetValue()->nGetType(), c.nType);
        EXPECT_EQ(cl.eNAGetItemTypeValue(), ConvertVQTypeToeItem(c.nType));
    }
    cl.bSetValue(-7l);
    EXPECT_EQ(tBrut<int64_t>(*cl.pclGetValue()), -7);
}

TEST_F(NAVariantTest, CopiesInBothDirections) {
    CNAVariant cl;
    CAny clIn;
    SetDSTRA(&clIn, "abc");
    clIn.SetFlags(VQTYPE_FLAG_0400);
    EXPECT_TRUE(cl.bSetValue(&clIn));
    EXPECT_EQ(sTexteA(*cl.pclGetValue()), "abc");
    CAny clOut;
    clOut.SetI4(5);
    EXPECT_TRUE(cl.bGetValue(&clOut));
    EXPECT_EQ(clOut.nGetType(), VQTYPE_DSTRA | VQTYPE_FLAG_0400);
    EXPECT_EQ(sTexteA(clOut), "abc");
    // The held value onto itself: nothing changes.
    EXPECT_TRUE(cl.bGetValue(cl.pclGetValue()));
    EXPECT_TRUE(cl.bSetValue(cl.pclGetValue()));
    EXPECT_EQ(sTexteA(*cl.pclGetValue()), "abc");

    // A copy of nothing keeps the type, empties the value and makes it NULL.
    EXPECT_TRUE(cl.bCopyVariant(nullptr));
    EXPECT_EQ(cl.pclGetValue()->nGetType(), VQTYPE_DSTRA | VQTYPE_FLAG_NULL);
    EXPECT_EQ(sTexteA(*cl.pclGetValue()), "");
    CNAVariant clAutre;
    clAutre.bSetValue(42);
    EXPECT_TRUE(cl.bCopyVariant(&clAutre));
    EXPECT_EQ(cl.pclGetValue()->nGetType(), VQTYPE_I4);
    EXPECT_TRUE(cl.bCopyVariant(&cl));
    EXPECT_EQ(tBrut<int32_t>(*cl.pclGetValue()), 42);
}

TEST_F(NAVariantTest, CompareByBytesOrThroughTheHost) {
    CNAVariant cl;
    CAny clAutre;
    struct Case {
        const char* pszA;
        const char* pszB;
        int nExpected;
        int nHostCalls;
    };
    const Case tab[] = {
        {"abc", "abc", 0, 0}, {"abc", "abd", -1, 0},
        {"abd", "abc", 1, 0}, {"\xE9", "e", 1, 0},  // bytes compare unsigned
        {"abc", "ab", 1, 1},                        // lengths differ: the host decides
        {"ab", "abc", -1, 1},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(testing::Message() << c.pszA << " " << c.pszB);
        standin::ResetVM();
        CAny clA;
        SetDSTRA(&clA, c.pszA);
        cl.bSetValue(&clA);
        SetDSTRA(&clAutre, c.pszB);
        EXPECT_EQ(cl.nCmp(&clAutre), c.nExpected);
        EXPECT_EQ(standin::nGetVMCalls("nComparaisonEx"), c.nHostCalls);
    }
    EXPECT_EQ(cl.nCmp(&cl), 0);
    // A failed host comparison answers 0.
    clAutre.SetI4(1);
    EXPECT_EQ(cl.nCmp(&clAutre), 0);
}

TEST_F(NAVariantTest, EqualityWithNullOperands) {
    CNAVariant cl;
    CAny clNull;
    clNull.SetI4(0);
    clNull.SetNull(1);
    CAny clVide;
    CAny clUn;
    clUn.SetI4(1);
    EXPECT_TRUE(cl.bEqualsNAVariant(&clNull));  // no type against NULL
    EXPECT_TRUE(cl.bEqualsNAVariant(&clVide));
    EXPECT_FALSE(cl.bEqualsNAVariant(&clUn));
    cl.bSetValue(1);
    EXPECT_TRUE(cl.bEqualsNAVariant(&clUn));
    EXPECT_FALSE(cl.bEqualsNAVariant(&clNull));

    CNAConvertVariant clA(nullptr, nullptr), clB(nullptr, nullptr);
    clA.InitTypeVariantAny(VQTYPE_I4, 0);
    clB.InitTypeVariantAny(VQTYPE_I4, 0);
    clA.SetNull();
    EXPECT_TRUE(CNAVariant::g_bEqualsNAVariant(nullptr, &clA));
    EXPECT_TRUE(CNAVariant::g_bEqualsNAVariant(nullptr, nullptr));
    clB.bSetValue(3);
    EXPECT_FALSE(CNAVariant::g_bEqualsNAVariant(&clB, nullptr));
    EXPECT_FALSE(CNAVariant::g_bEqualsNAVariant(&clA, &clB));
    clA.bSetValue(3);
    EXPECT_TRUE(CNAVariant::g_bEqualsNAVariant(&clA, &clB));
}

TEST_F(NAVariantTest, EmptinessTests) {
    struct Case {
        const char* pszNom;
        void (*pfSet)(CAny&);
        bool bEmptyString, bEmptyStringEx, bNumeric0;
    };
    const Case tab[] = {
        {"no type", [](CAny&) {}, true, true, true},
        {"NULL text",
         [](CAny& c) {
             SetDSTRA(&c, "x");
             c.SetNull(1);
         },
         true, true, true},
        {"empty text", [](CAny& c) { SetDSTRA(&c, ""); }, true, true, false},
        {"text", [](CAny& c) { SetDSTRA(&c, "x"); }, false, false, false},
        {"empty wide text", [](CAny& c) { SetDSTRW(&c, L""); }, true, true, false},
        {"wide text", [](CAny& c) { SetDSTRW(&c, L"x"); }, false, false, false},
        {"empty date", [](CAny& c) { c.SetDATEA(""); }, false, true, false},
        {"date", [](CAny& c) { c.SetDATEA("20240101"); }, false, false, false},
        {"empty wide time", [](CAny& c) { c.SetTIMEW(L""); }, false, true, false},
        {"integer 0", [](CAny& c) { c.SetI4(0); }, false, false, true},
        {"integer 5", [](CAny& c) { c.SetI4(5); }, false, false, false},
        {"real 0", [](CAny& c) { c.SetR8(0.0); }, false, false, true},
        {"boolean false", [](CAny& c) { c.SetBOOL(0); }, false, false, true},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(c.pszNom);
        CAny clValue;
        c.pfSet(clValue);
        CNAVariant cl;
        if (clValue.nGetTypeCode() != 0) cl.bSetValue(&clValue);
        EXPECT_EQ(cl.bIsEmptyString(), c.bEmptyString);
        EXPECT_EQ(cl.bIsEmptyStringEx(), c.bEmptyStringEx);
        EXPECT_EQ(cl.bIsNumeric0(), c.bNumeric0);
        EXPECT_EQ(cl.bCouldBeNullOnYF(), c.bEmptyStringEx || c.bNumeric0);
    }
}

TEST_F(NAVariantTest, ChangeOfTypeThroughTheHost) {
    CNAVariant cl;
    CAny clText;
    SetDSTRA(&clText, "123");
    cl.bSetValue(&clText);
    EXPECT_TRUE(cl.bChangeItemType(NA_IT_I4, 0));
    EXPECT_EQ(cl.pclGetValue()->nGetType(), VQTYPE_I4);
    EXPECT_EQ(tBrut<int32_t>(*cl.pclGetValue()), 123);
    SetDSTRA(&clText, "12a");
    cl.bSetValue(&clText);
    EXPECT_FALSE(cl.vbChangeVQType(VQTYPE_I4, 0));
    EXPECT_EQ(sTexteA(*cl.pclGetValue()), "12a");  // unchanged
}

class NAVariantFileTest : public CTempDirTest {
protected:
    void SetUp() override {
        CTempDirTest::SetUp();
        KXInstallStandInHost();
    }
};

TEST_F(NAVariantFileTest, StoreAndLoadTheBytesAsTheyAre) {
    std::string sData;
    for (int i = 0; i < 40000; i++) sData += static_cast<char>((i * 7 + i / 256) & 0xFF);
    ASSERT_TRUE(WriteFile(sPath("in.bin"), sData));

    CNAVariant cl;
    ASSERT_TRUE(cl.bLoadFile(wsPath(L"in.bin").c_str(), nullptr, 1));
    EXPECT_EQ(cl.pclGetValue()->nGetType(), VQTYPE_BIN);
    ASSERT_EQ(cl.nGetSize(), sData.size());
    EXPECT_EQ(memcmp(cl.pGetData(), sData.data(), sData.size()), 0);

    ASSERT_TRUE(cl.bStoreFile(wsPath(L"out.bin").c_str(), nullptr));
    EXPECT_EQ(sReadFile(sPath("out.bin")), sData);

    // As text, the same bytes in an 8-bit dynamic text.
    ASSERT_TRUE(WriteFile(sPath("in.txt"), "caf\xE9 au lait"));
    ASSERT_TRUE(cl.bLoadFile(wsPath(L"in.txt").c_str(), nullptr, 0));
    EXPECT_EQ(cl.pclGetValue()->nGetType(), VQTYPE_DSTRA);
    EXPECT_EQ(sTexteA(*cl.pclGetValue()), "caf\xE9 au lait");
    ASSERT_TRUE(cl.bStoreFile(wsPath(L"out.txt").c_str(), nullptr));
    EXPECT_EQ(sReadFile(sPath("out.txt")), "caf\xE9 au lait") << "a text's terminator is not written";
}

TEST_F(NAVariantFileTest, EmptyAndMissingFiles) {
    ASSERT_TRUE(WriteFile(sPath("vide"), ""));
    for (int bBinary : {0, 1}) {
        CNAVariant cl;
        cl.bSetValue(5);
        ASSERT_TRUE(cl.bLoadFile(wsPath(L"vide").c_str(), nullptr, bBinary));
        EXPECT_EQ(cl.pclGetValue()->nGetType(), bBinary ? VQTYPE_BIN : VQTYPE_DSTRA);
        EXPECT_TRUE(cl.pclGetValue()->pclGetValeur()->nGetUtilDataSize(nullptr) == 0);
        unsigned long n = 99;
        cl.pclGetValue()->pclGetValeur()->nGetUtilDataSize(&n);
        EXPECT_EQ(n, 0u);
    }
    CNAVariant cl;
    cl.bSetValue(5);
    EXPECT_FALSE(cl.bLoadFile(wsPath(L"absent").c_str(), nullptr, 1));  // no error object: nothing recorded
    EXPECT_EQ(cl.pclGetValue()->nGetType(), VQTYPE_I4);
    EXPECT_FALSE(cl.bStoreFile(wsPath(L"no/such/dir/file").c_str(), nullptr));

    // With an error object: user error 15 naming the file, its code as information 16.
    for (bool bStore : {false, true}) {
        CErrorHolder clErr;
        const std::wstring sFichier = wsPath(bStore ? L"no/such/dir/file" : L"absent");
        if (bStore)
            EXPECT_FALSE(cl.bStoreFile(sFichier.c_str(), clErr.p));
        else
            EXPECT_FALSE(cl.bLoadFile(sFichier.c_str(), clErr.p, 0));
        EXPECT_EQ(clErr.nCode(), 15u);
        EXPECT_EQ(clErr.nInfo(CXError::EIT_NATIVECODE), 15u);
        EXPECT_NE(clErr.sUser().find(sFichier), std::wstring::npos);
        EXPECT_STRNE(clErr.p->pszGetSystemErrorMessage(), L"");
    }
}

TEST_F(NAVariantFileTest, AFileTooLargeForAValueIsRefused) {
    // A directory opens, and its size reads as the largest 64-bit offset: far more than a value
    // can hold, so it is refused as the memory it would need before anything is read.
    CErrorHolder clErr;
    CNAVariant cl;
    cl.bSetValue(3);
    EXPECT_FALSE(cl.bLoadFile(m_wsDir.c_str(), clErr.p, 1));
    EXPECT_EQ(clErr.nCode(), 12u);
    EXPECT_EQ(cl.pclGetValue()->nGetType(), VQTYPE_I4);
}

}  // namespace
