// CNAConnectionDescription: what the connection offers the rest of the driver beyond its options:
// transactions and locks sent to the server, the SQL type that declares a column, the server
// version split into numbers, and the connection's details added to an error.
#include <cstdio>
#include <cwchar>
#include <new>

#include "core/MyModuleInfo.h"
#include "core/XErrorModule.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/driver/NAFunctionLoader.h"
#include "native/driver/NATransaction.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAMapConvertType.h"
#include "pgsql/NADriverSQL.h"
#include "variant/Any.h"

namespace {

// Sites of this unit's debug lines.
constexpr int SITE_COMMIT_WITHOUT_TRANSACTION = 1;
constexpr int SITE_ROLLBACK_WITHOUT_TRANSACTION = 2;
constexpr int SITE_DIAGNOSE = 3;
constexpr int SITE_UNICODE_NOT_SUPPORTED = 11;

constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;
constexpr unsigned USER_ERROR_NO_TRANSACTION = 9;
constexpr unsigned USER_ERROR_UNICODE_NOT_SUPPORTED = 46;

// Server kinds whose column declarations differ from the map's.
constexpr unsigned KIND_3 = 3;
constexpr unsigned KIND_5 = 5;

constexpr unsigned CODE_PAGE_UTF16 = 0xFFFFFFFE;
constexpr unsigned CODE_PAGE_UTF8 = 65001;
constexpr unsigned CODE_PAGE_NONE = 0xFFFFFFFF;

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

const wchar_t* _pszOrEmpty(const wchar_t* psz) {
    return psz != nullptr ? psz : L"";
}

// ---------------------------------------------------------------------------------- details
// A detail line: the driver object's dump label of that number (it ends in a blank), then the value.
void _AddDetail(_CXErrorModule39* pclError, int nLabel, const wchar_t* pszValue) {
    CTString clLine(CNADriver::s_pszGetDumpLabel(nLabel));
    clLine.Add(pszValue);
    pclError->AddDebugMessageNoFormat(clLine.pszGet());
}

void _AddDetail(_CXErrorModule39* pclError, int nLabel, long nValue) {
    CTString clValue;
    clValue.SetI8(nValue);
    _AddDetail(pclError, nLabel, clValue.pszGet());
}

void _AddCodePageDetail(_CXErrorModule39* pclError, int nLabel, unsigned nCodePage) {
    if (nCodePage == CODE_PAGE_NONE) return;
    if (nCodePage == CODE_PAGE_UTF16)
        _AddDetail(pclError, nLabel, L"UTF-16");
    else if (nCodePage == CODE_PAGE_UTF8)
        _AddDetail(pclError, nLabel, L"UTF-8");
    else
        _AddDetail(pclError, nLabel, static_cast<long>(nCodePage));
}

}  // namespace

// ---------------------------------------------------------------------------------- transactions

CNATransaction* CNAConnectionDescription::pclAllocTransaction() {
    return new (std::nothrow) CNATransaction(this);
}

int CNAConnectionDescription::bTransactionBeginDirect(CNAError* pclError) {
    return bExecuteQueryNoResult(pclError, L"BEGIN");
}
int CNAConnectionDescription::bTransactionCommitDirect(CNAError* pclError) {
    return bExecuteQueryNoResult(pclError, L"COMMIT");
}
int CNAConnectionDescription::bTransactionRollBackDirect(CNAError* pclError) {
    return bExecuteQueryNoResult(pclError, L"ROLLBACK");
}

void CNAConnectionDescription::_CancelRecordLock(CNATransaction*) {}

void CNAConnectionDescription::_CloseTransactions() {
    if (m_pclTransaction != nullptr) m_pclTransaction->nRelease();
    m_pclTransaction = nullptr;
}

int CNAConnectionDescription::bTransactionBegin(CNAError* pclError, const wchar_t* pszName) {
    if (!bOpen(pclError)) return 0;
    if (m_pclTransaction == nullptr) {
        m_pclTransaction = pclAllocTransaction();
        if (m_pclTransaction == nullptr) {
            if (pclError != nullptr) pclError->SetErrorNoMemory(this);
            return 0;
        }
        m_pclTransaction->AddRef();
    }
    if (m_pclTransaction->bIsActive() && m_bNestedTransaction)
        return m_pclTransaction->bInternalTransactionBegin(pclError, pszName);
    return m_pclTransaction->bBegin(pclError, pszName, 0);
}

int CNAConnectionDescription::bTransactionCommit(CNAError* pclError, const wchar_t* pszName) {
    if (m_pclTransaction == nullptr) {
        if (pclError != nullptr)
            pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, SITE_COMMIT_WITHOUT_TRANSACTION, this,
                               USER_ERROR_NO_TRANSACTION, _pszOrEmpty(pszName));
        return 0;
    }
    int bResult = m_pclTransaction->bCommit(pclError, pszName);
    if (bResult) _CancelRecordLock(m_pclTransaction);
    return bResult;
}

int CNAConnectionDescription::bTransactionRollBack(CNAError* pclError, const wchar_t* pszName) {
    if (m_pclTransaction == nullptr) {
        if (pclError != nullptr)
            pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, SITE_ROLLBACK_WITHOUT_TRANSACTION, this,
                               USER_ERROR_NO_TRANSACTION, _pszOrEmpty(pszName));
        return 0;
    }
    int bResult = m_pclTransaction->bRollBack(pclError, pszName);
    if (bResult) _CancelRecordLock(m_pclTransaction);
    return bResult;
}

int CNAConnectionDescription::bAutoCloseEnabled() {
    if (m_bAutoClose == 0) return 0;
    if (m_pclTransaction == nullptr) return 1;
    return m_pclTransaction->bIsActive() ? 0 : 1;
}

int CNAConnectionDescription::_bTransactionOpened() {
    return m_pclTransaction != nullptr && m_pclTransaction->bIsActive() ? 1 : 0;
}

int CNAConnectionDescription::bServerTransactionOpen(CNAError*) {
    return _bTransactionOpened();
}

int CNAConnectionDescription::bResumeCurrentTransaction(CNAError* pclError) {
    if (!_bTransactionOpened()) return 1;
    return m_pclTransaction->bResume(pclError);
}

int CNAConnectionDescription::bActiveCurrentTransaction(CNAError* pclError, int bActive) {
    if (!_bTransactionOpened()) return 1;
    return m_pclTransaction->bSetActive(pclError, bActive);
}

// ---------------------------------------------------------------------------------- locks and queries

int CNAConnectionDescription::bSQLBloque(CNAError* pclError, const wchar_t* pszTable) {
    CTString clQuery(L"LOCK TABLE ");
    clQuery.Add(pszTable);
    return bExecuteQueryNoResult(pclError, clQuery.pszGet());
}

int CNAConnectionDescription::bSQLBloque(CNAError*, ISQLParserInformation*) {
    return 0;
}

int CNAConnectionDescription::bSQLBloqueRequete(CNAError* pclError, const wchar_t* pszQuery) {
    CTString clQuery(pszQuery);
    clQuery.Add(L" FOR UPDATE");
    return bExecuteQueryIgnoreResult(pclError, clQuery.pszGet());
}

// Both run on a new statement of the driver's SQL-layer object, held for the call.
namespace {

CNAStatementSQL* _pclNewStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError) {
    CNADriverSQL* pclDriverSQL = CNADriver::s_pclGetDriverSQL();
    CNAStatementSQL* pclStatement =
        pclDriverSQL != nullptr ? pclDriverSQL->pclAllocStatementSQL(pclCnx, pclError) : nullptr;
    if (pclStatement == nullptr) {
        if (pclError != nullptr) pclError->SetErrorNoMemory(pclCnx);
        return nullptr;
    }
    pclStatement->AddRef();
    return pclStatement;
}

}  // namespace

int CNAConnectionDescription::bExecuteQueryNoResult(CNAError* pclError, const wchar_t* pszQuery) {
    CNAStatementSQL* pclStatement = _pclNewStatementSQL(this, pclError);
    if (pclStatement == nullptr) return 0;
    const int bResult = pclStatement->bExecuteDirect(pszQuery, nullptr, 0);
    pclStatement->nRelease();
    return bResult;
}

int CNAConnectionDescription::bGetRequestedValue(CNAError* pclError, CAny* pclValue, int nColumn,
                                                 const wchar_t* pszQuery) {
    CNAStatementSQL* pclStatement = _pclNewStatementSQL(this, pclError);
    if (pclStatement == nullptr) return 0;
    const int bResult = pclStatement->bGetRequestedValue(pclValue, nColumn, pszQuery);
    pclStatement->nRelease();
    return bResult;
}

int CNAConnectionDescription::bExecuteQueryIgnoreResult(CNAError* pclError, const wchar_t* pszQuery) {
    return bExecuteQueryNoResult(pclError, pszQuery);
}

int CNAConnectionDescription::bDiagnose(CNAError* pclError, CAny*, const wchar_t* pszName, unsigned) {
    if (pclError != nullptr) {
        _CXErrorModule39 clNew;
        clNew.SetUserError(&gstMyModuleInfo39, USER_ERROR_NOT_AVAILABLE);
        CNAError::g_SetInfoNames(&clNew, pszName, nullptr);
        CNAError::g_AddDebugInfo(&clNew, CNAError::FILE_CONNECTION, SITE_DIAGNOSE);
        pclError->AddError(NA_ERRORTYPE_NOTAVAILABLE, &clNew, this);
    }
    return 0;
}

int CNAConnectionDescription::bGetRequestedValueString(CNAError* pclError, CTString* pclOut, int nColumn,
                                                       const wchar_t* pszQuery) {
    pclOut->Vide();
    CAny clValue;
    int bResult = bGetRequestedValue(pclError, &clValue, nColumn, pszQuery);
    if (clValue.bIsNull()) return bResult;
    CXYString<wchar_t> clText;
    bCopyString(pclError, &clText, &clValue);
    pclOut->Set(clText);
    return bResult;
}

// ---------------------------------------------------------------------------------- server

int CNAConnectionDescription::bGetServerParameter(const wchar_t*, CTString* pclValue) {
    if (pclValue != nullptr) pclValue->Vide();
    return 0;
}

int CNAConnectionDescription::_bDecomposeServerVersion(CNAError*) {
    int* apnParts[] = {&m_nServerMajor, &m_nServerMinor, &m_nServerRevision};
    const wchar_t* psz = m_csServerVersion.pszGet();
    for (int* pnPart : apnParts) {
        if (_bEmpty(psz)) break;
        const wchar_t* pszDot = wcschr(psz, L'.');
        CTString clPart(psz, pszDot != nullptr ? static_cast<long>(pszDot - psz) : static_cast<long>(wcslen(psz)));
        int n = 0;
        if (swscanf(_pszOrEmpty(clPart.pszGet()), L"%d", &n) == 1) *pnPart = n;
        if (pszDot == nullptr) break;
        psz = pszDot + 1;
    }
    return 1;
}

// ---------------------------------------------------------------------------------- error details

void CNAConnectionDescription::AddInfoNativeXError(_CXErrorModule39* pclError) {
    if (pclError == nullptr) return;
    if (m_csClientVersion.nTaille() != 0) pclError->AddInfo(CXError::EIT_INFOCLIENT, m_csClientVersion.pszGet());
    if (m_csServerVersion.nTaille() != 0) pclError->AddInfo(CXError::EIT_INFOSERVEUR, m_csServerVersion.pszGet());
    if (CNAFunctionLoader::g_bLoaded()) _AddDetail(pclError, 28, _pszOrEmpty(m_csClientLibrary.pszGet()));
    const wchar_t* pszProvider = m_piHostDescription->pszGetProvider();
    if (!_bEmpty(pszProvider)) _AddDetail(pclError, 14, pszProvider);
    const wchar_t* pszUser = pszGetUserName();
    if (!_bEmpty(pszUser)) _AddDetail(pclError, 15, pszUser);
    const wchar_t* pszDataBase = pszGetDataBase();
    if (!_bEmpty(pszDataBase)) _AddDetail(pclError, 13, pszDataBase);
    const wchar_t* pszDefault = pszGetDefaultDataBaseEx();
    if (!_bEmpty(pszDefault)) _AddDetail(pclError, 16, pszDefault);
    if (m_nConnectionTimeout != -1) _AddDetail(pclError, 17, static_cast<long>(m_nConnectionTimeout));
    if (m_nCommandTimeout != -1) _AddDetail(pclError, 18, static_cast<long>(m_nCommandTimeout));
    if (m_nLockTimeout != -1) _AddDetail(pclError, 19, static_cast<long>(m_nLockTimeout));
    if (m_eCursorLocation != CURSORLOCATION_DEFAULT)
        _AddDetail(pclError, 20, s_pszGetCursorLocation(m_eCursorLocation));
    _AddDetail(pclError, 21, static_cast<long>(m_bUnicodeSupport));
    _AddCodePageDetail(pclError, 26, m_nCodePage);
    _AddCodePageDetail(pclError, 27, m_nClientCodePage);
    if (m_csRecordLockHint.nTaille() != 0) _AddDetail(pclError, 22, m_csRecordLockHint.pszGet());
}

// ---------------------------------------------------------------------------------- column types

void CNAConnectionDescription::_ReleaseMapConvertType() {
    if (m_pclMapConvertType != nullptr) m_pclMapConvertType->nRelease();
    m_pclMapConvertType = nullptr;
}

int CNAConnectionDescription::bGetMatchingSQLType(CNAError* pclError, INAItemDescription* piItem, CTString* pclOut) {
    eNA_ITEMTYPE eType = piItem->eNAGetItemType();
    if ((eType == NA_IT_UNICODE || eType == NA_IT_MEMOUNICODE) && m_bServerUnicode == 0) {
        if (pclError != nullptr) {
            _CXErrorModule39 clNew;
            clNew.SetUserError(&gstMyModuleInfo39, USER_ERROR_UNICODE_NOT_SUPPORTED, pszGetDefaultDataBaseEx(),
                               _pszOrEmpty(pszGetDataBase()));
            CNAError::g_SetInfoNames(&clNew, piItem->pszGetSourceName(), piItem->pszGetName());
            CNAError::g_AddDebugInfo(&clNew, CNAError::FILE_CONNECTION, SITE_UNICODE_NOT_SUPPORTED);
            pclError->AddError(NA_ERRORTYPE_GENERAL, &clNew, this);
        }
        return 0;
    }
    if (m_eDataSource == KIND_5 && eType == NA_IT_DECIMAL) {
        int nScale = static_cast<int>(piItem->nGetDecimalPart());
        if (nScale > 30) nScale = 30;
        int nPrecision = static_cast<int>(piItem->nGetIntegerPart()) + nScale;
        if (nPrecision > 64) nPrecision = 64;
        pclOut->printf(L"NUMERIC(%d,%d)", nPrecision, nScale);
        return 1;
    }
    if (m_eDataSource == KIND_3 && eType == NA_IT_TEXTE && piItem->nGetLogicalSize(0) > 255) {
        pclOut->Set(L"TEXT");
        return 1;
    }
    if (m_pclMapConvertType == nullptr) {
        CNAMapConvertType* pclMap = new (std::nothrow) CNAMapConvertType(7);
        if (pclMap == nullptr) {
            if (pclError != nullptr) pclError->SetErrorNoMemory(this);
            return 0;
        }
        pclMap->AddRef();
        pclMap->_Init();
        m_pclMapConvertType = pclMap;
        _InitYF2NativeType();
    }
    return m_pclMapConvertType->bFormat(piItem, pclOut);
}
