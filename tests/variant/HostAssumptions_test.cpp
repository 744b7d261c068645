// The positions the library assumes in the host's interfaces: each declared operation sits at the
// position its constant names, and the library reaches the host's objects there, as seen by objects
// that are nothing but a raw table of functions, built as the host builds them. The key engine is
// unset until the driver object gives it.
#include "variant/HostAssumptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <typeinfo>
#include <vector>

#include "tests/core/VirtualSlot.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/ConvertKey.h"
#include "variant/NADriverYF.h"
#include "variant/VMInterfaces.h"
#include "variant/VQConv.h"
#include "variant/YFConvertKey.h"

namespace {

class HostAssumptionsTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
    }
    void TearDown() override {
        CVQConv::s_Reset();
        CNADriverYF::s_SetYF(nullptr);
    }
};

TEST_F(HostAssumptionsTest, DeclaredOperationsSitAtTheirPositions) {
    struct Case {
        const char* pszOperation;
        ptrdiff_t nSlot;
        int nPosition;  // counted from 1, as the host counts
    } aCases[] = {
        // The decimal object: the positions the value classes use, then the keys' own assumption.
        {"IDecimalVQ::vnFillBuffer", SlotOf(&IDecimalVQ::vnFillBuffer), 6},
        {"IDecimalVQ::vnSetFromBytes", SlotOf(&IDecimalVQ::vnSetFromBytes), 7},
        {"IDecimalVQ::vnSetFromDecimal", SlotOf(&IDecimalVQ::vnSetFromDecimal), 10},
        {"IDecimalVQ::vnGetSigne", SlotOf(&IDecimalVQ::vnGetSigne), 24},
        {"IDecimalVQ::vnSetPrecision", SlotOf(&IDecimalVQ::vnSetPrecision), DECIMALVQ_POS_SET_PRECISION},
        {"IDecimalVQ::vnGetBytes", SlotOf(&IDecimalVQ::vnGetBytes), DECIMALVQ_POS_GET_BYTES},
        {"IDecimalVQ::vnWriteKey", SlotOf(&IDecimalVQ::vnWriteKey), DECIMALVQ_POS_WRITE_KEY},
        {"IDecimalFactoryVQ::vpiNewDecimal", SlotOf(&IDecimalFactoryVQ::vpiNewDecimal), DECIMALFACTORYVQ_POS_NEW},
        {"IDecimalFactoryVQ::vReleaseDecimal", SlotOf(&IDecimalFactoryVQ::vReleaseDecimal),
         DECIMALFACTORYVQ_POS_RELEASE},
        {"IYFForNA::vpiGetUnicodeConverter", SlotOf(&IYFForNA::vpiGetUnicodeConverter),
         YFFORNA_POS_GET_UNICODE_CONVERTER},
        {"IYFUnicodeConverter::vnConvertKey", SlotOf(&IYFUnicodeConverter::vnConvertKey),
         YFUNICODECONVERTER_POS_CONVERT_KEY},
    };
    for (const Case& c : aCases) EXPECT_EQ(c.nSlot, c.nPosition - 1) << c.pszOperation;
    // The assumed positions of the decimal object follow the last one the value classes use below
    // them, in this order.
    EXPECT_EQ(DECIMALVQ_POS_SET_PRECISION, 11);
    EXPECT_EQ(DECIMALVQ_POS_GET_BYTES, 12);
    EXPECT_EQ(DECIMALVQ_POS_WRITE_KEY, 13);
}

// A host object as the host hands it: a pointer to a table of functions, each taking the object
// first. Every entry of this one records its position when called. The table is laid out as the
// platform's tables are (offset to the object's top, type information, then the functions), with
// the type information of a class of the interface, so that run-time type checks know it.
struct _stRawObject {
    void** ppTable;
    std::vector<int>* ptabCalls;
    _stRawObject* pConverter;  // what the engine's entry answers
    int nUnits;                // what the converter's entry answers
};

class CEngineType : public IYFForNA {
public:
    IYFUnicodeConverter* vpiGetUnicodeConverter(int, int, unsigned long, unsigned short, int) override {
        return nullptr;
    }
};
class CConverterType : public IYFUnicodeConverter {
public:
    int vnConvertKey(void*, unsigned long, const void*, unsigned long, int, int) override { return 0; }
};

void* RawGetConverter(_stRawObject* p, int, int, unsigned long, unsigned short, int) {
    p->ptabCalls->push_back(1);
    return p->pConverter;
}

// Entries past the first, which the library must never call.
template <int N>
void RawOther(_stRawObject* p) {
    p->ptabCalls->push_back(N);
}

int RawConvertKey(_stRawObject* p, void* pKey, unsigned long nKeySize, const void*, unsigned long, int, int) {
    p->ptabCalls->push_back(1);
    memset(pKey, 0x5A, nKeySize);
    return p->nUnits;
}

TEST_F(HostAssumptionsTest, CollatedKeysReachTheEngineAndItsConverterAtPositionOne) {
    EXPECT_EQ(CNADriverYF::s_piGetYF(), nullptr);  // until the driver object gives it

    std::vector<int> tabEngineCalls, tabConverterCalls;
    void* apConverter[] = {nullptr, const_cast<std::type_info*>(&typeid(CConverterType)),
                           reinterpret_cast<void*>(&RawConvertKey), reinterpret_cast<void*>(&RawOther<2>),
                           reinterpret_cast<void*>(&RawOther<3>)};
    _stRawObject stConverter = {apConverter + 2, &tabConverterCalls, nullptr, 4};
    void* apEngine[] = {nullptr, const_cast<std::type_info*>(&typeid(CEngineType)),
                        reinterpret_cast<void*>(&RawGetConverter), reinterpret_cast<void*>(&RawOther<2>),
                        reinterpret_cast<void*>(&RawOther<3>)};
    _stRawObject stEngine = {apEngine + 2, &tabEngineCalls, &stConverter, 0};
    CNADriverYF::s_SetYF(reinterpret_cast<IYFForNA*>(&stEngine));
    EXPECT_EQ(CNADriverYF::s_piGetYF(), reinterpret_cast<IYFForNA*>(&stEngine));

    const wchar_t sz[] = L"ab";
    unsigned char aby[14];
    EXPECT_EQ(CYFConvertKey::__nConvertKey(aby, sizeof(aby), sz, sizeof(sz), ITEMTYPE_UNICODE, 0x20, 0, 0, 0,
                                           YFKEY_FLAG_WCHAR32),
              8);
    EXPECT_EQ(tabEngineCalls, std::vector<int>{YFFORNA_POS_GET_UNICODE_CONVERTER});
    EXPECT_EQ(tabConverterCalls, std::vector<int>{YFUNICODECONVERTER_POS_CONVERT_KEY});
    EXPECT_EQ(aby[0], 0x5A);

    CNADriverYF::s_SetYF(nullptr);
    EXPECT_EQ(CNADriverYF::s_piGetYF(), nullptr);
}

// The stand-in decimal called through its raw table at the assumed positions does what the keys
// rely on there.
TEST_F(HostAssumptionsTest, DecimalKeysUseTheAssumedPositions) {
    IDecimalVQ* piDecimal = standin::piNewDecimal(-42);
    void** ppTable = *reinterpret_cast<void***>(piDecimal);
    auto pfnPrecision = reinterpret_cast<int (*)(IDecimalVQ*, int, int)>(ppTable[DECIMALVQ_POS_SET_PRECISION - 1]);
    auto pfnBytes = reinterpret_cast<int (*)(IDecimalVQ*, const unsigned char**, unsigned long*)>(
        ppTable[DECIMALVQ_POS_GET_BYTES - 1]);
    auto pfnKey = reinterpret_cast<int (*)(IDecimalVQ*, unsigned char*)>(ppTable[DECIMALVQ_POS_WRITE_KEY - 1]);
    EXPECT_EQ(pfnPrecision(piDecimal, 12, 2), 0);
    EXPECT_EQ(standin::GetDecimalPrecision(piDecimal), (std::pair<int, int>{12, 2}));
    const unsigned char* pby = nullptr;
    unsigned long nSize = 0;
    EXPECT_EQ(pfnBytes(piDecimal, &pby, &nSize), 0);
    EXPECT_EQ(nSize, DECIMALVQ_DATA_SIZE);
    unsigned char abyRaw[DECIMALVQ_KEY_SIZE], abyLibrary[DECIMALVQ_KEY_SIZE];
    EXPECT_EQ(pfnKey(piDecimal, abyRaw), 0);

    // The library's key of the same bytes, through the factory of the conversion binding.
    ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
    standin::ResetVM();
    EXPECT_EQ(CYFConvertKey::_Decimal_to_Key(abyLibrary, sizeof(abyLibrary), pby, nSize, 12, 2),
              static_cast<int>(DECIMALVQ_KEY_SIZE));
    EXPECT_EQ(memcmp(abyRaw, abyLibrary, sizeof(abyRaw)), 0);
    EXPECT_EQ(standin::GetDecimalPrecisionCalls(), (std::vector<std::pair<int, int>>{{12, 2}}));
    standin::piGetDecimalFactory()->vReleaseDecimal(piDecimal);
}

}  // namespace
