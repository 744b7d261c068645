// Raising errors through a module's error-definition table: a user code becomes the message id of
// the user text, a detail id and a level. Also the translation of the numeric result codes of the
// variant and string operations into errors, and the out-of-memory error.
#include "core/XErrorModule.h"

#include <cerrno>

#include "core/TString.h"

namespace {

const wchar_t g_szPasDeDefinition[] =
    L"##(CXError)-Pas de definition d'erreur dans gstErrorDef pour l'identifiant <%u>##";

// The message of this library's table that describes an allocation failure.
constexpr uint32_t MESSAGE_NO_MEMORY = 25193;

// The first row of the module's table with that user code; null when there is none.
const _stErrorDef* pstFindErrorDef(const _stMyModuleInfo* pstModule, uint32_t nCode) {
    if (pstModule == nullptr || pstModule->pstErrorDef == nullptr) return nullptr;
    for (uint64_t i = 0; i < pstModule->nNbErrorDef; i++)
        if (pstModule->pstErrorDef[i].nUserErrorCode == nCode) return &pstModule->pstErrorDef[i];
    return nullptr;
}

// The start of every change of the user error: the error names the module, and the row of the
// code is looked up. A code the table does not know is a fault of the raising code: it is said in
// the error itself (level 3 and a debug line), and the answer is null.
const _stErrorDef* pstBeginUserError(CXError& clError, const _stMyModuleInfo* pstModule, uint32_t nCode) {
    clError.InitModInfo(pstModule, 1);
    const _stErrorDef* pstRow = pstFindErrorDef(pstModule, nCode);
    if (pstRow != nullptr) return pstRow;
    clError.SetErrorLevel(CXError::XEL_ERROR);
    CTString clLine;
    clLine.printf(g_szPasDeDefinition, nCode);
    clError.AddDebugMessageNoFormat(clLine.pszGet());
    return nullptr;
}

}  // namespace

_CXErrorModule39::_CXErrorModule39(uint32_t nCode, ...) : CXError(&gstMyModuleInfo39) {
    va_list arguments;
    va_start(arguments, nCode);
    SetUserErrorList(&gstMyModuleInfo39, nCode, arguments);
    va_end(arguments);
}

void CXError::ChangeUserErrorList(const _stMyModuleInfo* pstModule, uint32_t nCode, va_list arguments) {
    const _stErrorDef* pstRow = pstBeginUserError(*this, pstModule, nCode);
    if (pstRow == nullptr) return;
    m_nUserErrorCode = nCode;
    AddUserMessageListFirst(pstModule, pstRow->nMessageId, arguments);
    m_nDetailId = pstRow->nDetailId;
    SetErrorLevel(pstRow->nErrorLevel);
}

void CXError::SetUserError(const _stMyModuleInfo* pstModule, uint32_t nCode, ...) {
    va_list arguments;
    va_start(arguments, nCode);
    SetUserErrorList(pstModule, nCode, arguments);
    va_end(arguments);
}

void CXError::SetUserErrorList(const _stMyModuleInfo* pstModule, uint32_t nCode, va_list arguments) {
    RAZ();
    ChangeUserErrorList(pstModule, nCode, arguments);
}

void CXError::ChangeUserError(const _stMyModuleInfo* pstModule, uint32_t nCode, ...) {
    va_list arguments;
    va_start(arguments, nCode);
    ChangeUserErrorList(pstModule, nCode, arguments);
    va_end(arguments);
}

void CXError::ChangeUserErrorMessage(const _stMyModuleInfo* pstModule, uint32_t nCode, const wchar_t* pszText) {
    const _stErrorDef* pstRow = pstBeginUserError(*this, pstModule, nCode);
    if (pstRow == nullptr) return;
    m_nUserErrorCode = nCode;
    AddUserMessageFirst(pszText);
    m_nDetailId = pstRow->nDetailId;
    SetErrorLevel(pstRow->nErrorLevel);
}

void CXError::SetUserErrorMessage(const _stMyModuleInfo* pstModule, uint32_t nCode, const wchar_t* pszText) {
    RAZ();
    ChangeUserErrorMessage(pstModule, nCode, pszText);
}

uint32_t CXError::nGetRessourceIdFromUserErrorCode(const _stMyModuleInfo* pstModule, uint32_t nCode) {
    const _stErrorDef* pstRow = pstFindErrorDef(pstModule, nCode);
    return pstRow != nullptr ? pstRow->nMessageId : 0;
}

void CXError::SetAnyError(const _stMyModuleInfo* pstModule, int nResult, int a, int b) {
    uint32_t nCode;
    switch (nResult) {
        case 0:
            RAZ();
            return;
        case 100:
            SetErrorNoMemory();
            return;
        case 1:
            nCode = 65;
            break;
        case 101:
            nCode = 61;
            break;
        case 104:
            nCode = 66;
            break;
        case 105:
            nCode = 60;
            break;
        case 106:
            nCode = 64;
            break;
        case 107:
            nCode = 63;
            break;
        default:
            // Empty values (102), NULL operands (103) and the rest are not errors of their own.
            return;
    }
    SetUserError(pstModule, nCode, a, b);
}

void CXError::SetErrorNoMemory() {
    int nErrno = errno;
    RAZ();
    // This library's own message, whatever module the error belongs to.
    AddUserMessageFirst(&gstMyModuleInfo39, MESSAGE_NO_MEMORY);
    // The system text describes ENOMEM itself, not whatever errno happens to hold.
    errno = ENOMEM;
    __SetSystemError(ENOMEM);
    errno = nErrno;
    // A level of 1 would read as "no error" to every caller that tests the level.
    SetErrorLevel(XEL_ERROR);
}
