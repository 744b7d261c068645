// Helpers shared by the item and record model's tests: a fixture that installs the stand-in host,
// binds its virtual machine's conversions and operators and makes the driver object of the process
// (whose factories make the model's objects), and builders of text values.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "native/driver/NADriver.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"
#include "variant/VQCalc.h"
#include "variant/VQConv.h"

// The base driver's factories; no database of its own.
class CModelTestDriver : public CNADriver {
public:
    CNAStatement* pclAllocStatement(CNADataAccess*, CNAConnectionDescription*, CNAError*) override { return nullptr; }
    CNAConnectionDescription* _pclAllocConnectionDescription(const wchar_t*, INAConnectionDescription*) override {
        return nullptr;
    }

    // As the library hands one out: one external reference, an error object, the process's driver.
    template <class T>
    static T* pclNew() {
        T* pcl = new T;
        pcl->ExternalAddRef();
        EXPECT_TRUE(pcl->AllocError());
        pcl->_RegisterAsLiveDriver();
        return pcl;
    }
};

class ModelTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        ASSERT_EQ(bInitVQCalcFromVM(standin::hGetModule(), 2, 2), 1);
        m_pclDriver = CModelTestDriver::pclNew<CModelTestDriver>();
    }
    void TearDown() override {
        if (m_pclDriver != nullptr) m_pclDriver->nExternalRelease();
        m_pclDriver = nullptr;
        CVQConv::s_Reset();
        CVQCalc::s_Reset();
    }

    CNADriver* m_pclDriver = nullptr;
};

// An 8-bit dynamic text value (DSTRA, 19).
inline void SetDSTRA(CAny* pcl, const char* psz) {
    pcl->__SetType(VQTYPE_DSTRA, 0);
    pcl->pclGetValeur()->SetValue(psz, strlen(psz));
}
// A wide dynamic text value (DSTRW, 16).
inline void SetDSTRW(CAny* pcl, const wchar_t* psz) {
    pcl->__SetType(VQTYPE_DSTRW, 0);
    pcl->pclGetValeur()->SetValue(psz, wcslen(psz) * sizeof(wchar_t));
}
// The text of a value that has an 8-bit or wide text pointer ("<none>" otherwise).
inline std::string sTexteA(const CAny& cl) {
    const char* psz = nullptr;
    if (cl.pclGetValeur()->nGetPCASTR(&psz) != 0 || psz == nullptr) return "<none>";
    return psz;
}
inline std::wstring sTexteW(const CAny& cl) {
    const wchar_t* psz = nullptr;
    if (cl.pclGetValeur()->nGetPCWSTR(&psz) != 0 || psz == nullptr) return L"<none>";
    return psz;
}
template <typename T>
T tBrut(const CAny& cl) {
    T t;
    memcpy(&t, cl.pbyGetValeur(), sizeof(T));
    return t;
}

// Slot n of an object's table, called as the host does (the first virtual function is slot 2).
template <typename R, typename... A>
R CallSlot(const void* pObjet, int nSlot, A... a) {
    void** pTable = *static_cast<void** const*>(pObjet);
    auto pfn = reinterpret_cast<R (*)(const void*, A...)>(pTable[nSlot - 2]);
    return pfn(pObjet, a...);
}

// An error object as the driver gives one: one reference, released by the holder.
#include "native/driver/NAError.h"

struct CErrorHolder {
    CNAError* p = new CNAError;
    CErrorHolder() { p->AddRef(); }
    ~CErrorHolder() { p->nRelease(); }
    CErrorHolder(const CErrorHolder&) = delete;
    CErrorHolder& operator=(const CErrorHolder&) = delete;
    // The main error's user code, user text, debug text and an information number.
    uint32_t nCode() const { return p->dwGetErrorId(); }
    std::wstring sUser() const { return p->pclGetXError()->pszGetUserMessage(); }
    std::wstring sDebug() const { return p->pclGetXError()->pszGetDebugMessage(); }
    std::wstring sText(CXError::eERRORINFOTYPE e) const {
        const void* pv = nullptr;
        if (!p->pclGetXError()->bGetInfo(e, &pv) || pv == nullptr) return L"";
        return static_cast<const wchar_t*>(pv);
    }
    uint32_t nInfo(CXError::eERRORINFOTYPE e) const {
        // A 32-bit number is handed back in the pointer variable itself.
        const void* pv = nullptr;
        if (!p->pclGetXError()->bGetInfo(e, &pv)) return 0;
        uint32_t n = 0;
        memcpy(&n, &pv, sizeof(n));
        return n;
    }
};
