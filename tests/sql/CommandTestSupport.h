// What the command builder's tests share: a connection of any server kind and version that is
// never opened (its literals are the connection's own), a fixture with an error object, builders of
// commands from pieces of text and parameter values, and the formatted SQL as a string.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NAConvertVariant.h"
#include "native/sql/NACommand.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/model/ModelTestSupport.h"

namespace sqltest {

// A connection of the given server kind and major version with double quotes around names; the
// host code page 1252 and the server's UTF-8. A value whose text is the poison text cannot be
// written as a literal (the writer fails as it does for a value it cannot convert).
class CTestConnection : public CNAConnectionDescription {
public:
    static constexpr const wchar_t* POISON = L"<no literal>";

    CTestConnection(INAConnectionDescription* piHost, unsigned nKind, int nMajor)
        : CNAConnectionDescription(L"Connection=sqltest", piHost) {
        m_eDataSource = static_cast<eDATASOURCE>(nKind);
        m_nServerMajor = nMajor;
        m_csOpenQuote.Set(L"\"");
        m_nOpenQuoteLen = 1;
        m_csCloseQuote.Set(L"\"");
        m_nCloseQuoteLen = 1;
        m_nCodePage = 1252;
        m_nClientCodePage = 65001;
        SetDoNotDelete(1);
    }
    int bOpen(CNAError*) override { return 0; }
    int bIsOpen() override { return 0; }
    int bClose(CNAError*) override { return 1; }
    void _InitYF2NativeType() override {}

    int bConvertValueToString(CNAError* pclError, CTStringConcatAW* pclOut, const CAny* pclValue,
                              eNA_ITEMTYPE eItemType, eNA_ITEMTYPE eSourceType) override {
        const wchar_t* psz = nullptr;
        if (pclValue->nGetTypeCode() == VQTYPE_DSTRW && pclValue->pclGetValeur()->nGetPCWSTR(&psz) == 0 &&
            psz != nullptr && std::wstring(psz) == POISON) {
            pclOut->Vide();
            pclOut->AddStrCte(L"'partial", -1);
            if (pclError != nullptr) pclError->SetErrorNoMemory(this);
            return 0;
        }
        return CNAConnectionDescription::bConvertValueToString(pclError, pclOut, pclValue, eItemType, eSourceType);
    }

    // The server's standard_conforming_strings as it reports it; empty: not reported.
    std::wstring m_sConformingStrings;
    int bGetServerParameter(const wchar_t* pszName, CTString* pclValue) override {
        if (m_sConformingStrings.empty() || std::wstring(pszName) != L"standard_conforming_strings") return 0;
        pclValue->Set(m_sConformingStrings.c_str());
        return 1;
    }

    // Where NULL sorts: before every value (the base's answer) or after them (the server's).
    int m_bNullFirst = 1;
    int bNULLBeforeNotNULL() override { return m_bNullFirst; }

    void SetNoLockHint(const wchar_t* psz) { m_csRecordLockHint.Set(psz); }
    void SetQuotes(const wchar_t* pszOpen, const wchar_t* pszClose) {
        m_csOpenQuote.Set(pszOpen);
        m_nOpenQuoteLen = static_cast<unsigned>(m_csOpenQuote.nTaille());
        m_csCloseQuote.Set(pszClose);
        m_nCloseQuoteLen = static_cast<unsigned>(m_csCloseQuote.nTaille());
    }
};

// A value of a piece of command: an integer, a wide text, an 8-bit text or NULL.
struct stNull {};
struct stNarrow {
    std::string s;
};
using tValue = std::variant<int, std::wstring, stNarrow, stNull>;

// One piece of a command: text, or a parameter (its value, and the LIKE flag and escape).
struct stPiece {
    std::wstring sText;
    bool bParameter = false;
    tValue value = 0;
    bool bLike = false;
    wchar_t cEscape = 0;
};
inline stPiece T(const std::wstring& s) {
    return {s};
}
inline stPiece P(tValue v) {
    return {L"", true, std::move(v)};
}
inline stPiece PLike(tValue v, wchar_t cEscape = 0) {
    return {L"", true, std::move(v), true, cEscape};
}

class CommandTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        m_pclError = new CNAError;
        m_pclError->AddRef();
    }
    void TearDown() override {
        for (CNACommand* pcl : m_tabCommands) pcl->nRelease();
        for (CTestConnection* pcl : m_tabConnections) delete pcl;
        m_pclError->nRelease();
        ModelTest::TearDown();
    }

    CTestConnection* pclConnection(unsigned nKind = 6, int nMajor = 15) {
        auto* pcl = new CTestConnection(&m_clHost, nKind, nMajor);
        m_tabConnections.push_back(pcl);
        return pcl;
    }
    // A command held by the fixture.
    CNACommand* pclCommand(CNAConnectionDescription* pclCnx) {
        auto* pcl = new CNACommand(m_pclError, pclCnx);
        pcl->AddRef();
        m_tabCommands.push_back(pcl);
        return pcl;
    }
    CNACommand* pclCommand() { return pclCommand(pclConnection()); }

    // A converter holding the value, with one reference the caller drops.
    CNAConvertVariant* pclValue(CNAConnectionDescription* pclCnx, const tValue& v) {
        auto* pcl = new CNAConvertVariant(m_pclError, pclCnx);
        pcl->AddRef();
        if (const int* pn = std::get_if<int>(&v)) {
            pcl->InitTypeVariantAny(VQTYPE_I4, 0);
            pcl->bSetValue(*pn);
        } else if (const std::wstring* ps = std::get_if<std::wstring>(&v)) {
            pcl->InitTypeVariantAny(VQTYPE_DSTRW, 0);
            CAny cl;
            SetDSTRW(&cl, ps->c_str());
            pcl->bSetValue(&cl);
        } else if (const stNarrow* pst = std::get_if<stNarrow>(&v)) {
            pcl->InitTypeVariantAny(VQTYPE_DSTRA, 0);
            CAny cl;
            SetDSTRA(&cl, pst->s.c_str());
            pcl->bSetValue(&cl);
        } else {
            pcl->InitTypeVariantAny(VQTYPE_I4, 0);
            pcl->SetNull();
        }
        return pcl;
    }
    void AddParameter(CNACommand* pclCmd, const tValue& v, unsigned nFlags = 0, wchar_t cEscape = 0) {
        CNAConvertVariant* pcl = pclValue(pclCmd->pclGetConnectionNoRef(), v);
        const eOPEXPRESSION eOp =
            (nFlags & CNAParameter::NAPARAM_FLAG_LIKE) ? OPEXPRESSION_LIKE : OPEXPRESSION_NONE;
        EXPECT_TRUE(pclCmd->bAddParameter(pcl, eOp, nFlags, nullptr, nullptr, cEscape, CNAParameter::NAPARAM_IN));
        pcl->nRelease();
    }
    // A command written from its pieces.
    CNACommand* pclBuild(CNAConnectionDescription* pclCnx, const std::vector<stPiece>& tab) {
        CNACommand* pcl = pclCommand(pclCnx);
        for (const stPiece& st : tab) {
            if (!st.bParameter)
                EXPECT_TRUE(pcl->bComplete(st.sText.c_str()));
            else
                AddParameter(pcl, st.value, st.bLike ? static_cast<unsigned>(CNAParameter::NAPARAM_FLAG_LIKE) : 0u, st.cEscape);
        }
        return pcl;
    }
    // The formatted SQL, "<null>" when it cannot be made.
    static std::wstring sFormat(CNACommand* pcl) {
        const wchar_t* psz = pcl->pszGetFormatedSQLW(CNACommand::PARAMTYPECONV_NONE);
        return psz != nullptr ? std::wstring(psz) : std::wstring(L"<null>");
    }
    // The text of the parameters' positions, for checks of the edits.
    static std::vector<unsigned long> tabPositions(CNACommand* pcl) {
        std::vector<unsigned long> tab;
        for (int i = 0; i < pcl->nGetParameterNbr(); i++)
            tab.push_back(pcl->pclGetParameterNoRef(static_cast<unsigned>(i))->nGetPosition());
        return tab;
    }

    standin::CStandInConnectionDescription m_clHost;
    CNAError* m_pclError = nullptr;
    std::vector<CTestConnection*> m_tabConnections;
    std::vector<CNACommand*> m_tabCommands;
};

}  // namespace sqltest
