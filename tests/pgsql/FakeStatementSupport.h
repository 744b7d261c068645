// What the statement tests over the scripted client library share: an open connection to the fake
// server (with the process's driver object, which makes the value converters and runs the open's
// statements), statements made on it, and readers of the values they hand out.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/XYString.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/pgsql/PSQLTestSupport.h"
#include "variant/Any.h"
#include "variant/VQConv.h"

namespace pgtest {

// A variant's text (wide or 8-bit text values), or nullopt for NULL and the empty value.
inline std::optional<std::wstring> osText(const CAny& clValue) {
    if (clValue.nGetTypeCode() == VQTYPE_VIDE || clValue.bIsNull()) return std::nullopt;
    CXYString<wchar_t> cl;
    clValue.__nFillString(cl, nullptr);
    return std::wstring(cl.pszGet());
}

// A variant's bytes (a binary value).
inline std::vector<unsigned char> aBytes(const CAny& clValue) {
    void* p = nullptr;
    unsigned long n = 0;
    clValue.pclGetValeur()->nGetDataAdr(&p);
    clValue.pclGetValeur()->nGetUtilDataSize(&n);
    const auto* pby = static_cast<const unsigned char*>(p);
    return pby != nullptr ? std::vector<unsigned char>(pby, pby + n) : std::vector<unsigned char>();
}

// A statement held by one reference, as its owners hold it.
template <class T>
class CStatementRef {
public:
    explicit CStatementRef(T* p) : m_p(p) { m_p->AddRef(); }
    ~CStatementRef() { m_p->nRelease(); }
    CStatementRef(const CStatementRef&) = delete;
    CStatementRef& operator=(const CStatementRef&) = delete;
    T* operator->() const { return m_p; }
    T* p() const { return m_p; }

private:
    T* m_p;
};

class CFakeStatementTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        // The host's conversions, which write numbers as text.
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        m_oFake.emplace();
        m_clCnx.clHost.m_sExtendedInfo = m_oFake->wsLibraryOption();
        ASSERT_EQ(m_clCnx->bOpen(m_clError.p()), 1) << sOf(m_clError->pszGetError());
        st().aExec.clear();
        st().aCalls.clear();
    }
    void TearDown() override {
        m_clCnx.Drop();
        CVQConv::s_Reset();
        KXInstallStandInHost();
    }

    stFakeServerState& st() { return m_oFake->st(); }
    // What the given text answers.
    void Script(const std::string& sSQL, stFakeServerResult stResult) { st().mapResults[sSQL] = std::move(stResult); }
    CPSQLStatementSQL* pclNew() { return new CPSQLStatementSQL(m_clCnx.pcl(), m_clError.p()); }
    std::string sLastSent() { return st().aExec.empty() ? std::string() : st().aExec.back(); }

    CProcessDriver m_clDriver;
    std::optional<CFakeServer> m_oFake;
    CConnection m_clCnx;
    CErrorRef m_clError;
};

}  // namespace pgtest
