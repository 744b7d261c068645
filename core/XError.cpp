// CXError: construction, reset, copies, the text fields, messages, system error, information items
// and sub-errors. Every text field is a malloc'd wide string written only through the virtual
// string operations, so that an error the host edits stays on one heap. Memory failures of those
// operations leave the field null and are not reported: an error object must never fail its caller.
#include "core/XError.h"

#include <netdb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/platformwin/WinCodePage.h"

namespace {

const wchar_t g_szCRLF[] = L"\r\n";
const wchar_t g_szRessourceVide[] = L"##(CXError)-Ressource <%u> vide. LastError = <%u>##";
const wchar_t g_szRessourceNonChargee[] = L"##(CXError)-Ressource <%u> non chargée##";

// Wide copy of a UTF-8 system text (strerror, hstrerror); empty when it cannot be converted.
void ConvertSystemText(const char* pszText, CTString& clOut) {
    clOut.Vide();
    if (pszText == nullptr || *pszText == 0) return;
    int nLength = MultiByteToWideChar(CP_UTF8, 0, pszText, -1, nullptr, 0);
    if (nLength <= 0) return;
    wchar_t* pszWide = static_cast<wchar_t*>(malloc(sizeof(wchar_t) * nLength));
    if (pszWide == nullptr) return;
    if (MultiByteToWideChar(CP_UTF8, 0, pszText, -1, pszWide, nLength) <= 0) pszWide[0] = 0;
    pszWide[nLength - 1] = 0;
    clOut.SetBuffer(pszWide);
}

// Loads message nId of the module and formats it with the arguments. A message that cannot be
// loaded, or that formats to nothing, gives the debug line that says so instead (answer false):
// a message id without a text never fails the caller.
bool bFormatMessageOrDiagnostic(const _stMyModuleInfo* pstModule, uint32_t nId, va_list arguments, int nErrno,
                                CTString& clOut) {
    CTString clFormat;
    if (!DLLRES_bLoadString(pstModule, nId, &clFormat)) {
        clOut.printf(g_szRessourceNonChargee, nId);
        return false;
    }
    va_list copy;
    va_copy(copy, arguments);
    DLLRES_dwFormatMessage(clFormat.pszGet(), &clOut, &copy);
    va_end(copy);
    if (clOut.nTaille() > 0) return true;
    clOut.printf(g_szRessourceVide, nId, static_cast<unsigned>(nErrno));
    return false;
}

}  // namespace

// ----------------------------------------------------------------------------------------------------------------
// Construction and destruction

void CXError::__InitConstructor(uint32_t nModuleNumber) {
    m_nModuleNumber = nModuleNumber;
    m_eErrorLevel = XEL_NOERROR;
    m_nUserErrorCode = 0;
    m_pszUserMessage = nullptr;
    m_pszDebugMessage = nullptr;
    m_pszFunctionName = nullptr;
    m_pszModName = nullptr;
    m_pszModVersion = nullptr;
    m_byFunctionSyntax = 0;
    m_nDetailId = 0;
    m_dwSystemErrorCode = 0;
    m_pszSystemErrorMessage = nullptr;
    m_pszTraitmentCaption = nullptr;
    m_wTraitmentLine = 0;
    m_wTraitmentThread = 0;
    m_ptabSubError = nullptr;
    m_pszObjectName = nullptr;
    m_nUserErrorCode55 = 0;
}

CXError::CXError(const _stMyModuleInfo* pstModule) : CKXUnknown(0), m_tabErrorId(1, 30), m_tabInfo(1, 30) {
    __InitConstructor(pstModule != nullptr ? pstModule->nModuleNumber : 0);
}

CXError::CXError(const _stMyModuleInfo* pstModule, uint32_t nCode, ...) : CXError(pstModule) {
    va_list arguments;
    va_start(arguments, nCode);
    SetUserErrorList(pstModule, nCode, arguments);
    va_end(arguments);
}

CXError::CXError(const _stMyModuleInfo* pstModule, uint32_t nCode, va_list* pArguments) : CXError(pstModule) {
    va_list arguments;
    va_copy(arguments, *pArguments);
    SetUserErrorList(pstModule, nCode, arguments);
    va_end(arguments);
}

CXError::CXError(const _stMyModuleInfo* pstModule, const wchar_t* pszDebug, uint32_t nCode, ...) : CXError(pstModule) {
    va_list arguments;
    va_start(arguments, nCode);
    SetUserErrorList(pstModule, nCode, arguments);
    va_end(arguments);
    AddDebugMessageNoFormat(pszDebug);
}

CXError::CXError(const _stMyModuleInfo* pstModule, const wchar_t* pszDebug, uint32_t nCode, va_list* pArguments)
    : CXError(pstModule) {
    va_list arguments;
    va_copy(arguments, *pArguments);
    SetUserErrorList(pstModule, nCode, arguments);
    va_end(arguments);
    AddDebugMessageNoFormat(pszDebug);
}

CXError::CXError(const _stMyModuleInfo* pstModule, CXError* pclSource, int bLight) : CXError(pstModule) {
    if (bLight)
        LightCopy(pclSource);
    else
        Copy(pclSource);
}

CXError::CXError(const _stMyModuleInfo* pstModule, CXError& clSource, int bLight)
    : CXError(pstModule, &clSource, bLight) {}

CXError::CXError(uint32_t nModuleNumber, CXError* pclSource, int bLight)
    : CKXUnknown(0), m_tabErrorId(1, 30), m_tabInfo(1, 30) {
    __InitConstructor(nModuleNumber);
    if (bLight)
        LightCopy(pclSource);
    else
        Copy(pclSource);
}

CXError::CXError(const _stMyModuleInfo* pstModule, const CXError& clSource) : CXError(pstModule) {
    Copy(&clSource);
}

CXError::CXError(const CXError& clSource) : CKXUnknown(0), m_tabErrorId(1, 30), m_tabInfo(1, 30) {
    __InitConstructor(0);
    Copy(&clSource);
}

CXError::~CXError() {
    RAZ();
    m_nModuleNumber = 0;
    m_tabErrorId.SupprimeToutEtLibere();
    m_tabInfo.SupprimeToutEtLibere();
}

// ----------------------------------------------------------------------------------------------------------------
// The string operations

wchar_t* CXError::__vpszAllocString(wchar_t** ppszTarget, const wchar_t* pszText) {
    if (pszText == nullptr) return nullptr;
    size_t nLength = wcslen(pszText);
    wchar_t* psz = static_cast<wchar_t*>(malloc(sizeof(wchar_t) * (nLength + 1)));
    if (psz != nullptr) wmemcpy(psz, pszText, nLength + 1);
    *ppszTarget = psz;
    return psz;
}

wchar_t* CXError::__vpszReallocString(wchar_t** ppszTarget, const wchar_t* pszText) {
    if (pszText == nullptr) {
        __vDeleteString(ppszTarget);
        return nullptr;
    }
    if (*ppszTarget == pszText) return *ppszTarget;
    // A fresh block rather than realloc: the text may lie inside the current one.
    size_t nLength = wcslen(pszText);
    wchar_t* psz = static_cast<wchar_t*>(malloc(sizeof(wchar_t) * (nLength + 1)));
    if (psz != nullptr) wmemcpy(psz, pszText, nLength + 1);
    free(*ppszTarget);
    *ppszTarget = psz;
    return psz;
}

wchar_t* CXError::__vpszReallocString(wchar_t** ppszTarget, size_t nCharacters) {
    wchar_t* psz = static_cast<wchar_t*>(realloc(*ppszTarget, sizeof(wchar_t) * (nCharacters + 1)));
    if (psz == nullptr) free(*ppszTarget);
    *ppszTarget = psz;
    return psz;
}

wchar_t* CXError::__vpszConcatString(wchar_t** ppszTarget, const wchar_t* pszText) {
    if (pszText == nullptr) return *ppszTarget;
    if (*ppszTarget == nullptr) return __vpszAllocString(ppszTarget, pszText);
    size_t nOld = wcslen(*ppszTarget);
    size_t nAdd = wcslen(pszText);
    wchar_t* psz = static_cast<wchar_t*>(malloc(sizeof(wchar_t) * (nOld + nAdd + 1)));
    if (psz != nullptr) {
        wmemcpy(psz, *ppszTarget, nOld);
        wmemcpy(psz + nOld, pszText, nAdd + 1);
    }
    free(*ppszTarget);
    *ppszTarget = psz;
    return psz;
}

void CXError::__vDeleteString(wchar_t** ppszTarget) {
    free(*ppszTarget);
    *ppszTarget = nullptr;
}

// Appends a line: the text alone on an empty field, else after a line break.
void CXError::_AppendLine(wchar_t** ppszTarget, const wchar_t* pszText) {
    if (pszText == nullptr || *pszText == 0) return;
    if (*ppszTarget == nullptr || **ppszTarget == 0) {
        __vpszReallocString(ppszTarget, pszText);
        return;
    }
    // A caller may hand a piece of the field itself, which the first append frees: copy it first.
    CTString clOwn;
    auto nText = reinterpret_cast<uintptr_t>(pszText);
    auto nTarget = reinterpret_cast<uintptr_t>(*ppszTarget);
    if (nText >= nTarget && nText < nTarget + sizeof(wchar_t) * wcslen(*ppszTarget)) {
        clOwn.Set(pszText);
        pszText = clOwn.pszGet();
    }
    if (__vpszConcatString(ppszTarget, g_szCRLF) != nullptr) __vpszConcatString(ppszTarget, pszText);
}

// ----------------------------------------------------------------------------------------------------------------
// Reset, level, copies

void CXError::RAZ() {
    // The driver resets its error at every call of the host; most of the time there is nothing to
    // clear, and the clearing below costs a dozen indirect calls.
    if (bIsClear()) return;
    __vDeleteString(&m_pszUserMessage);
    __vDeleteString(&m_pszDebugMessage);
    __vDeleteString(&m_pszSystemErrorMessage);
    __vDeleteString(&m_pszFunctionName);
    __vDeleteString(&m_pszTraitmentCaption);
    __vDeleteString(&m_pszObjectName);
    __vDeleteString(&m_pszModName);
    __vDeleteString(&m_pszModVersion);
    m_tabErrorId.SupprimeTout();
    _DeleteAllInfo();
    __DeleteAllSubError();
    m_eErrorLevel = XEL_NOERROR;
    m_nUserErrorCode = 0;
    m_nUserErrorCode55 = 0;
    m_dwSystemErrorCode = 0;
    m_nDetailId = 0;
    m_byFunctionSyntax = 0;
    m_wTraitmentLine = 0;
    m_wTraitmentThread = 0;
}

void CXError::RAZUserMessage() {
    __vDeleteString(&m_pszUserMessage);
}

void CXError::SetErrorLevel(uint32_t eLevel) {
    if (eLevel == m_eErrorLevel) return;
    if (eLevel == XEL_NOERROR)
        RAZ();
    else
        m_eErrorLevel = eLevel;
}

bool CXError::bIsError() const {
    return m_eErrorLevel != XEL_NOERROR || m_nUserErrorCode != 0 || m_dwSystemErrorCode != 0 ||
           (m_pszUserMessage != nullptr && *m_pszUserMessage != 0);
}

void CXError::vCopy(const CXError* pclSource) {
    Copy(pclSource);
}

void CXError::Copy(const CXError* pclSource) {
    if (pclSource == nullptr || pclSource == this) return;
    m_eErrorLevel = pclSource->m_eErrorLevel;
    m_nUserErrorCode = pclSource->m_nUserErrorCode;
    m_nUserErrorCode55 = pclSource->m_nUserErrorCode55;
    __vpszReallocString(&m_pszUserMessage, pclSource->m_pszUserMessage);
    __vpszReallocString(&m_pszDebugMessage, pclSource->m_pszDebugMessage);
    __vpszReallocString(&m_pszFunctionName, pclSource->m_pszFunctionName);
    __vpszReallocString(&m_pszModName, pclSource->m_pszModName);
    __vpszReallocString(&m_pszModVersion, pclSource->m_pszModVersion);
    __vpszReallocString(&m_pszTraitmentCaption, pclSource->m_pszTraitmentCaption);
    __vpszReallocString(&m_pszObjectName, pclSource->m_pszObjectName);
    m_dwSystemErrorCode = pclSource->m_dwSystemErrorCode;
    __vpszReallocString(&m_pszSystemErrorMessage, pclSource->m_pszSystemErrorMessage);
    m_nDetailId = pclSource->m_nDetailId;
    m_byFunctionSyntax = pclSource->m_byFunctionSyntax;
    m_wTraitmentLine = pclSource->m_wTraitmentLine;
    m_wTraitmentThread = pclSource->m_wTraitmentThread;

    m_tabErrorId.SupprimeTout();
    for (int i = 0; i < pclSource->m_tabErrorId.nGetNbElement(); i++) m_tabErrorId.Ajoute(pclSource->m_tabErrorId[i]);

    _DeleteAllInfo();
    for (int i = 0; i < pclSource->m_tabInfo.nGetNbElement(); i++) {
        const _stERRORINFO& stInfo = pclSource->m_tabInfo[i];
        // An object item belongs to the module that made it.
        if (stInfo.eType == EIT_DATAACCESS && pclSource->m_nModuleNumber != m_nModuleNumber) continue;
        if (_bIsInfoNumber32(stInfo.eType) || _bIsInfoNumber64(stInfo.eType))
            AddInfo(stInfo.eType, &stInfo.llValue);
        else
            AddInfo(stInfo.eType, stInfo.pValue);
    }

    int nSub = pclSource->nGetNbSubError();
    for (int i = 0; i < nSub; i++) __AddSubError(pclSource->pclGetSubError(i), 0, 1);
}

void CXError::LightCopy(CXError* pclSource) {
    if (pclSource == nullptr || pclSource == this) return;
    wchar_t** appszMine[] = {&m_pszUserMessage, &m_pszDebugMessage,       &m_pszFunctionName,     &m_pszModName,
                             &m_pszModVersion,  &m_pszSystemErrorMessage, &m_pszTraitmentCaption, &m_pszObjectName};
    wchar_t** appszTheirs[] = {&pclSource->m_pszUserMessage,      &pclSource->m_pszDebugMessage,
                               &pclSource->m_pszFunctionName,     &pclSource->m_pszModName,
                               &pclSource->m_pszModVersion,       &pclSource->m_pszSystemErrorMessage,
                               &pclSource->m_pszTraitmentCaption, &pclSource->m_pszObjectName};
    for (size_t i = 0; i < sizeof(appszMine) / sizeof(appszMine[0]); i++) {
        __vDeleteString(appszMine[i]);
        *appszMine[i] = *appszTheirs[i];
        *appszTheirs[i] = nullptr;
    }
    m_eErrorLevel = pclSource->m_eErrorLevel;
    m_nUserErrorCode = pclSource->m_nUserErrorCode;
    m_nUserErrorCode55 = pclSource->m_nUserErrorCode55;
    m_dwSystemErrorCode = pclSource->m_dwSystemErrorCode;
    m_nDetailId = pclSource->m_nDetailId;
    m_byFunctionSyntax = pclSource->m_byFunctionSyntax;
    m_wTraitmentLine = pclSource->m_wTraitmentLine;
    m_wTraitmentThread = pclSource->m_wTraitmentThread;
    pclSource->m_eErrorLevel = XEL_NOERROR;
    pclSource->m_nUserErrorCode = 0;
    pclSource->m_nUserErrorCode55 = 0;
    pclSource->m_dwSystemErrorCode = 0;
    pclSource->m_nDetailId = 0;
    pclSource->m_byFunctionSyntax = 0;
    pclSource->m_wTraitmentLine = 0;
    pclSource->m_wTraitmentThread = 0;

    m_tabErrorId.SupprimeTout();
    m_tabErrorId.Recupere(pclSource->m_tabErrorId);

    _DeleteAllInfo();
    bool bSameModule = pclSource->m_nModuleNumber == m_nModuleNumber;
    for (int i = 0; i < pclSource->m_tabInfo.nGetNbElement(); i++) {
        _stERRORINFO& stInfo = pclSource->m_tabInfo[i];
        if (stInfo.eType == EIT_DATAACCESS && !bSameModule)
            pclSource->_FreeInfo(stInfo);
        else
            m_tabInfo.Ajoute(stInfo);
    }
    pclSource->m_tabInfo.SupprimeTout();

    // Taken before ours go: the source may be one of them.
    CTTableau<CXError*>* ptabTheirs = pclSource->m_ptabSubError;
    pclSource->m_ptabSubError = nullptr;
    __DeleteAllSubError();
    m_ptabSubError = ptabTheirs;
}

// ----------------------------------------------------------------------------------------------------------------
// Module description

void CXError::InitModInfo(const _stMyModuleInfo* pstModule, int bForce) {
    if (pstModule == nullptr) return;
    if (!bForce && m_pszModName != nullptr && *m_pszModName != 0) return;
    InitModName(pstModule->pszModuleName);
    InitModVersion(pstModule->pszModuleVersion);
}

// A fresh copy replaces the old text only once made: the text may be a piece of the old one.
const wchar_t* CXError::InitModName(const wchar_t* pszText) {
    return __vpszReallocString(&m_pszModName, pszText);
}

const wchar_t* CXError::InitModVersion(const wchar_t* pszText) {
    return __vpszReallocString(&m_pszModVersion, pszText);
}

// ----------------------------------------------------------------------------------------------------------------
// User and debug messages

void CXError::AddUserMessage(const wchar_t* pszText) {
    _AppendLine(&m_pszUserMessage, pszText);
}

void CXError::AddUserMessageFirst(const wchar_t* pszText) {
    __AddFirst(&m_pszUserMessage, pszText);
}

void CXError::__AddFirst(wchar_t** ppszTarget, const wchar_t* pszText) {
    if (pszText == nullptr || *pszText == 0) return;
    if (*ppszTarget == nullptr || **ppszTarget == 0) {
        __vpszReallocString(ppszTarget, pszText);
        return;
    }
    wchar_t* pszNew = nullptr;
    if (__vpszAllocString(&pszNew, pszText) == nullptr) return;
    if (__vpszConcatString(&pszNew, g_szCRLF) == nullptr || __vpszConcatString(&pszNew, *ppszTarget) == nullptr) {
        __vDeleteString(&pszNew);
        return;
    }
    __vDeleteString(ppszTarget);
    *ppszTarget = pszNew;
}

void CXError::_AddMessageTextList(const _stMyModuleInfo* pstModule, uint32_t nId, va_list arguments, bool bFirst) {
    int nErrno = errno;
    InitModInfo(pstModule, 0);
    if (bFirst)
        m_tabErrorId.Insere(nId, 0);
    else
        m_tabErrorId.Ajoute(nId);
    CTString clText;
    if (!bFormatMessageOrDiagnostic(pstModule, nId, arguments, nErrno, clText))
        AddDebugMessageNoFormat(clText.pszGet());
    else if (bFirst)
        __AddFirst(&m_pszUserMessage, clText.pszGet());
    else
        _AppendLine(&m_pszUserMessage, clText.pszGet());
}

void CXError::AddUserMessage(const _stMyModuleInfo* pstModule, uint32_t nId, ...) {
    va_list arguments;
    va_start(arguments, nId);
    _AddMessageTextList(pstModule, nId, arguments, false);
    va_end(arguments);
}

void CXError::AddUserMessageList(const _stMyModuleInfo* pstModule, uint32_t nId, va_list arguments) {
    _AddMessageTextList(pstModule, nId, arguments, false);
}

void CXError::AddUserMessageFirst(const _stMyModuleInfo* pstModule, uint32_t nId, ...) {
    va_list arguments;
    va_start(arguments, nId);
    _AddMessageTextList(pstModule, nId, arguments, true);
    va_end(arguments);
}

void CXError::AddUserMessageListFirst(const _stMyModuleInfo* pstModule, uint32_t nId, va_list arguments) {
    _AddMessageTextList(pstModule, nId, arguments, true);
}

int CXError::nNumErrorId() const {
    return m_tabErrorId.nGetNbElement();
}

uint32_t CXError::nGetErrorId(uint32_t nIndex) const {
    return nIndex < static_cast<uint32_t>(m_tabErrorId.nGetNbElement()) ? m_tabErrorId[static_cast<int>(nIndex)] : 0;
}

void CXError::AddDebugMessageNoFormat(const wchar_t* pszText) {
    _AppendLine(&m_pszDebugMessage, pszText);
}

void CXError::AddDebugMessage(const _stMyModuleInfo* pstModule, uint32_t nId, ...) {
    if (nId == 0xFFFFFFFFu) return;
    va_list arguments;
    va_start(arguments, nId);
    AddDebugMessageList(pstModule, nId, arguments);
    va_end(arguments);
}

void CXError::AddDebugMessageList(const _stMyModuleInfo* pstModule, uint32_t nId, va_list arguments) {
    CTString clText;
    bFormatMessageOrDiagnostic(pstModule, nId, arguments, errno, clText);
    AddDebugMessageNoFormat(clText.pszGet());
}

void CXError::AddDebugMessagePrintf(const wchar_t* pszFormat, ...) {
    if (pszFormat == nullptr) return;
    CTString clText;
    va_list arguments;
    va_start(arguments, pszFormat);
    clText.FormatV(pszFormat, arguments);
    va_end(arguments);
    AddDebugMessageNoFormat(clText.pszGet());
}

// ----------------------------------------------------------------------------------------------------------------
// System error

void CXError::__SetSystemError(uint32_t dwCode, va_list) {
    __SetSystemError(dwCode);
}

void CXError::__SetSystemError(uint32_t dwCode) {
    int nErrno = errno;
    m_dwSystemErrorCode = dwCode;
    if (dwCode == 0) {
        __vDeleteString(&m_pszSystemErrorMessage);
        return;
    }
    // The lock-conflict codes of the file layer are described as "resource temporarily unavailable".
    unsigned nDescribed = static_cast<unsigned>(nErrno);
    if (nDescribed >= 0x80000000u && nDescribed <= 0x80000002u) nDescribed = EAGAIN;
    char szBuffer[256];
    const char* pszText = strerror_r(static_cast<int>(nDescribed), szBuffer, sizeof(szBuffer));
    CTString clText;
    ConvertSystemText(pszText, clText);
    __vpszReallocString(&m_pszSystemErrorMessage, clText.pszGet());
    errno = nErrno;
}

void CXError::SetSystemErrorParam(uint32_t dwCode, ...) {
    __SetSystemError(dwCode);
}

void CXError::SetSystemError(uint32_t dwCode, const wchar_t* pszText) {
    m_dwSystemErrorCode = dwCode;
    __vpszReallocString(&m_pszSystemErrorMessage, pszText);
}

void CXError::SetSystemErrorMessage(const wchar_t* pszText) {
    SetSystemError(0, pszText);
}

void CXError::SetSystemErrorMessage(uint32_t dwCode, const wchar_t* pszText) {
    SetSystemError(dwCode, pszText);
}

void CXError::_SetSystemErrorMessageV(uint32_t dwCode, const wchar_t* pszFormat, va_list arguments) {
    CTString clText;
    if (pszFormat != nullptr) clText.FormatV(pszFormat, arguments);
    SetSystemError(dwCode, clText.pszGet());
}

void CXError::SetSystemErrorMessagePrintf(uint32_t dwCode, const wchar_t* pszFormat, ...) {
    va_list arguments;
    va_start(arguments, pszFormat);
    _SetSystemErrorMessageV(dwCode, pszFormat, arguments);
    va_end(arguments);
}

void CXError::SetSystemErrorMessagePrintf(const wchar_t* pszFormat, ...) {
    va_list arguments;
    va_start(arguments, pszFormat);
    _SetSystemErrorMessageV(0, pszFormat, arguments);
    va_end(arguments);
}

void CXError::SetSystemErrorMessage(const _stMyModuleInfo* pstModule, uint32_t nId, ...) {
    va_list arguments;
    va_start(arguments, nId);
    __SetSystemErrorMessage(pstModule, nId, &arguments);
    va_end(arguments);
}

void CXError::__SetSystemErrorMessage(const _stMyModuleInfo* pstModule, uint32_t nId, va_list* pArguments) {
    m_dwSystemErrorCode = 0;
    CTString clText;
    bFormatMessageOrDiagnostic(pstModule, nId, *pArguments, errno, clText);
    __vpszReallocString(&m_pszSystemErrorMessage, clText.pszGet());
}

int CXError::SetSystemErrorMessageA(const char* pszText) {
    m_dwSystemErrorCode = 0;
    size_t nLength = pszText != nullptr ? strlen(pszText) : 0;
    if (__vpszReallocString(&m_pszSystemErrorMessage, nLength) == nullptr) return 0;
    m_pszSystemErrorMessage[0] = 0;
    if (nLength == 0) return 0;
    int nCount = MultiByteToWideChar(CP_UTF8, 0, pszText, -1, m_pszSystemErrorMessage, static_cast<int>(nLength) + 1);
    // UTF-8 never gives more characters than bytes; a refused text leaves an empty message.
    if (nCount <= 0) m_pszSystemErrorMessage[0] = 0;
    m_pszSystemErrorMessage[nLength] = 0;
    return nCount;
}

void CXError::SetSystemErrorForGetHostBy(uint32_t dwCode) {
    m_dwSystemErrorCode = dwCode;
    CTString clText;
    ConvertSystemText(hstrerror(h_errno), clText);
    __vpszReallocString(&m_pszSystemErrorMessage, clText.pszGet());
}

// ----------------------------------------------------------------------------------------------------------------
// Information items

bool CXError::_bIsInfoText(uint32_t eType) {
    return (eType >= 1 && eType <= 11) || eType == 13 || eType == 14 || (eType >= 18 && eType <= 20) ||
           (eType >= 22 && eType <= 28) || (eType >= 31 && eType <= 33) || eType == 39;
}

bool CXError::_bIsInfoNumber32(uint32_t eType) {
    return eType == 15 || eType == 16 || eType == 17 || eType == 30 || eType == 37;
}

bool CXError::_bIsInfoNumber64(uint32_t eType) {
    return eType == 12 || eType == 36;
}

bool CXError::_bIsInfoAccepted(uint32_t eType) {
    return eType >= 1 && eType <= 39 && eType != 34 && eType != 35;
}

void CXError::_FreeInfo(_stERRORINFO& stInfo) {
    if (_bIsInfoText(stInfo.eType)) {
        __vDeleteString(&stInfo.pszText);
    } else if (stInfo.eType == EIT_DATAACCESS) {
        if (stInfo.pclObject != nullptr) stInfo.pclObject->dwRelease();
        stInfo.pclObject = nullptr;
    } else if (stInfo.eType == EIT_EXCEPTIONDOTNET) {
        if (stInfo.piException != nullptr) stInfo.piException->vRelease();
        stInfo.piException = nullptr;
    }
}

void CXError::_DeleteAllInfo() {
    for (int i = 0; i < m_tabInfo.nGetNbElement(); i++) _FreeInfo(m_tabInfo[i]);
    m_tabInfo.SupprimeTout();
}

void CXError::AddInfo(eERRORINFOTYPE eType, const void* pValue) {
    if (pValue == nullptr || !_bIsInfoAccepted(eType)) return;
    int nIndex = -1;
    bool bExists = __bGetInfoIndice(eType, &nIndex);
    _stERRORINFO stNew{};
    stNew.eType = eType;
    if (bExists) stNew = m_tabInfo[nIndex];

    if (_bIsInfoText(eType)) {
        wchar_t* pszCopy = nullptr;
        __vpszAllocString(&pszCopy, static_cast<const wchar_t*>(pValue));
        if (bExists) __vDeleteString(&stNew.pszText);
        stNew.pszText = pszCopy;
    } else if (_bIsInfoNumber32(eType)) {
        stNew.llValue = 0;
        stNew.dwValue = *static_cast<const uint32_t*>(pValue);
    } else if (_bIsInfoNumber64(eType)) {
        stNew.llValue = *static_cast<const int64_t*>(pValue);
    } else if (eType == EIT_DATAACCESS) {
        auto* pclObject = static_cast<CKXUnknown*>(const_cast<void*>(pValue));
        if (bExists && stNew.pclObject == pclObject) return;
        pclObject->AddRef();
        if (bExists && stNew.pclObject != nullptr) stNew.pclObject->dwRelease();
        stNew.pclObject = pclObject;
    } else if (eType == EIT_EXCEPTIONDOTNET) {
        auto* piObject = static_cast<IXErrorExceptionInfo*>(const_cast<void*>(pValue));
        if (bExists && stNew.piException == piObject) return;
        piObject->vAddRef();
        if (bExists && stNew.piException != nullptr) stNew.piException->vRelease();
        stNew.piException = piObject;
    } else {
        stNew.pValue = const_cast<void*>(pValue);
    }

    if (bExists)
        m_tabInfo.SetAt(&stNew, nIndex);
    else
        m_tabInfo.Ajoute(stNew);
}

bool CXError::__bGetInfoIndice(eERRORINFOTYPE eType, int* pnIndex) const {
    for (int i = 0; i < m_tabInfo.nGetNbElement(); i++) {
        if (m_tabInfo[i].eType == eType) {
            if (pnIndex != nullptr) *pnIndex = i;
            return true;
        }
    }
    return false;
}

bool CXError::bHasInfo(eERRORINFOTYPE eType) const {
    return __bGetInfoIndice(eType, nullptr);
}

int CXError::nNumInfo() const {
    return m_tabInfo.nGetNbElement();
}

bool CXError::bGetInfo(eERRORINFOTYPE eType, const void** ppValue) const {
    int nIndex;
    if (!__bGetInfoIndice(eType, &nIndex)) return false;
    eERRORINFOTYPE eFound;
    GetInfo(nIndex, &eFound, ppValue);
    return true;
}

void CXError::GetInfo(int nIndex, eERRORINFOTYPE* peType, const void** ppValue) const {
    if (nIndex < 0 || nIndex >= m_tabInfo.nGetNbElement()) {
        if (peType != nullptr) *peType = EIT_NONE;
        return;
    }
    const _stERRORINFO& stInfo = m_tabInfo[nIndex];
    eERRORINFOTYPE eType = stInfo.eType;
    if (_bIsInfoNumber32(eType)) {
        // The 32-bit number goes into the caller's variable itself.
        *reinterpret_cast<uint32_t*>(ppValue) = stInfo.dwValue;
    } else if (_bIsInfoNumber64(eType)) {
        *static_cast<int64_t*>(const_cast<void*>(*ppValue)) = stInfo.llValue;
    } else if (_bIsInfoAccepted(eType)) {
        *ppValue = stInfo.pValue;
    } else {
        eType = EIT_NONE;
    }
    if (peType != nullptr) *peType = eType;
}

void CXError::DeleteInfo(eERRORINFOTYPE eType) {
    int nIndex;
    if (!__bGetInfoIndice(eType, &nIndex)) return;
    _FreeInfo(m_tabInfo[nIndex]);
    m_tabInfo.Supprime(nIndex, 1);
}

bool CXError::__bGetXInfo(int nMask) const {
    int nIndex;
    if (!__bGetInfoIndice(EIT_XINFO, &nIndex)) return false;
    return (m_tabInfo[nIndex].dwValue & static_cast<uint32_t>(nMask)) != 0;
}

void CXError::__SetXInfo(int nMask, int bSet) {
    uint32_t dwValue = 0;
    int nIndex;
    if (__bGetInfoIndice(EIT_XINFO, &nIndex)) dwValue = m_tabInfo[nIndex].dwValue;
    if (bSet)
        dwValue |= static_cast<uint32_t>(nMask);
    else
        dwValue &= ~static_cast<uint32_t>(nMask);
    AddInfo(EIT_XINFO, &dwValue);
}

// ----------------------------------------------------------------------------------------------------------------
// Sub-errors

void CXError::__AddSubError(CXError* pclError, int bLight, int bNoUserMessage) {
    // An error cannot move itself into its own sub-errors.
    if (pclError == nullptr || (bLight && pclError == this)) return;
    if (m_ptabSubError == nullptr) {
        m_ptabSubError = new (std::nothrow) CTTableau<CXError*>(10, 30);
        if (m_ptabSubError == nullptr) return;
    }
    CXError* pclSub = new (std::nothrow) CXError(m_nModuleNumber, pclError, bLight);
    if (pclSub == nullptr) return;
    m_ptabSubError->Ajoute(pclSub);
    if (!bNoUserMessage && m_ptabSubError->nGetNbElement() == 1) AddUserMessage(pclSub->pszGetUserMessage());
}

void CXError::__DeleteAllSubError() {
    if (m_ptabSubError == nullptr) return;
    for (int i = 0; i < m_ptabSubError->nGetNbElement(); i++) delete (*m_ptabSubError)[i];
    delete m_ptabSubError;
    m_ptabSubError = nullptr;
}

int CXError::nGetNbSubError() const {
    return m_ptabSubError != nullptr ? m_ptabSubError->nGetNbElement() : 0;
}

CXError* CXError::pclGetSubError(int nIndex) const {
    if (nIndex < 0 || nIndex >= nGetNbSubError()) return nullptr;
    return (*m_ptabSubError)[nIndex];
}

// ----------------------------------------------------------------------------------------------------------------
// Processing context and function name

void CXError::SetVMContext(const wchar_t* pszCaption, const wchar_t* pszObjectName, uint16_t wLine, uint16_t wThread) {
    if (__vpszReallocString(&m_pszTraitmentCaption, pszCaption) == nullptr && pszCaption != nullptr) return;
    if (__vpszReallocString(&m_pszObjectName, pszObjectName) == nullptr && pszObjectName != nullptr) return;
    m_wTraitmentLine = wLine;
    m_wTraitmentThread = wThread;
}

void CXError::SetVMContext(const wchar_t* pszCaption, uint16_t wLine, uint16_t wThread) {
    if (__vpszReallocString(&m_pszTraitmentCaption, pszCaption) == nullptr && pszCaption != nullptr) return;
    m_wTraitmentLine = wLine;
    m_wTraitmentThread = wThread;
}

void CXError::SetVMContext(const wchar_t* pszObjectName) {
    __vpszReallocString(&m_pszObjectName, pszObjectName);
}

void CXError::SetFunctionName(const wchar_t* pszName, uint8_t bySyntax) {
    if (__vpszReallocString(&m_pszFunctionName, pszName) == nullptr && pszName != nullptr) return;
    m_byFunctionSyntax = bySyntax;
}
