// The driver's error object: recording failures (main error and sub-errors), amending the last
// one, reading it back and rendering it for the host.
#include "native/driver/NAError.h"

#include <cerrno>
#include <cstring>

#include "core/MyModuleInfo.h"
#include "native/driver/NAConnectionDescription.h"

namespace {

const wchar_t g_szDebugInfoFormat[] = L"IE%s=%u.%u\r\nModule=<%s>\r\nVersion=<%s>";
const wchar_t g_szDebugModule[] = L"KXPSQL";
const wchar_t g_szDebugVersion[] = L"20.0.5.0";

// The user error that says the driver ran out of memory.
constexpr unsigned USER_ERROR_NO_MEMORY = 12;

bool bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

// The name of the database behind a connection, for the server errors; null when there is none.
const wchar_t* pszGetDataBaseName(CNAConnectionDescription* pclCnx) {
    return pclCnx != nullptr ? pclCnx->pszGetDataBase() : nullptr;
}

}  // namespace

CNAError::CNAError() : m_nRef(0), m_eErrorType(NA_ERRORTYPE_NONE) {}

CNAError::~CNAError() = default;

uint32_t CNAError::nRelease() {
    if (m_nRef == 0) return 0;
    uint32_t nNew = --m_nRef;
    if (nNew == 0) delete this;
    return nNew;
}

// ---------------------------------------------------------------------------------------------------------------
// The interface

const wchar_t* CNAError::pszGetError() const {
    // The dump appends to the text it is given: start from empty.
    m_clDump.Vide();
    m_clError.StringDump(m_clDump, DUMP_FLAGS);
    const wchar_t* psz = m_clDump.pszGet();
    return psz != nullptr ? psz : L"";
}

uint32_t CNAError::dwGetErrorId() const {
    if (m_clError.eGetErrorLevel() == CXError::XEL_NOERROR) return 0;
    return m_clError.nGetUserErrorCode();
}

const wchar_t* CNAError::pszGetLogicalTableName() const {
    const void* pValue = nullptr;
    if (!m_clError.bGetInfo(CXError::EIT_LOGICALTABLENAME, &pValue)) return nullptr;
    return static_cast<const wchar_t*>(pValue);
}

const wchar_t* CNAError::pszGetItemName() const {
    const void* pValue = nullptr;
    if (!m_clError.bGetInfo(CXError::EIT_ITEMNAME, &pValue)) return nullptr;
    return static_cast<const wchar_t*>(pValue);
}

eNAERRORLEVEL CNAError::eGetErrorLevel() const {
    return static_cast<eNAERRORLEVEL>(m_clError.eGetErrorLevel());
}

void CNAError::Reset() {
    // Every call of the host starts here and nearly always finds nothing to clear: the tests below
    // are inline so that this case costs no further call.
    if (m_eErrorType != NA_ERRORTYPE_NONE || !m_clError.bIsClear()) {
        m_clError.RAZ();
        m_eErrorType = NA_ERRORTYPE_NONE;
    }
    // An empty dump (none built, or built from nothing) has nothing to give back.
    if (m_clDump.cGetChar(0) != 0) m_clDump.Vide();
}

// ---------------------------------------------------------------------------------------------------------------
// Recording

CXError* CNAError::_pclGetLastXError() {
    int nSub = m_clError.nGetNbSubError();
    return nSub > 0 ? m_clError.pclGetSubError(nSub - 1) : &m_clError;
}

const CXError* CNAError::_pclGetLastXError() const {
    return const_cast<CNAError*>(this)->_pclGetLastXError();
}

// A failure built on a bare error: it fills the main error when nothing is recorded yet (with
// the connection's details), else it follows as a sub-error.
void CNAError::_RecordNewError(eNA_ERRORTYPE eType, CXError& clNew, CNAConnectionDescription* pclCnx) {
    if (_bHasError()) {
        m_clError.AddSubError(&clNew);
        return;
    }
    m_eErrorType = eType;
    m_clError.RAZ();
    m_clError.Copy(&clNew);
    g_AddInfoNative(&m_clError, pclCnx);
}

void CNAError::AddError(eNA_ERRORTYPE eType, const CXError* pclError, CNAConnectionDescription* pclCnx) {
    if (pclError == nullptr) return;
    if (pclError == &m_clError) {
        // A caller that filled the main error in place and now records it: it is already there.
        if (!_bHasError()) {
            m_eErrorType = eType;
            g_AddInfoNative(&m_clError, pclCnx);
        }
        return;
    }
    if (_bHasError()) {
        m_clError.AddSubError(const_cast<CXError*>(pclError));
        return;
    }
    m_eErrorType = eType;
    // The main error is replaced, not merged: a copy keeps the sub-errors already there.
    m_clError.RAZ();
    m_clError.Copy(pclError);
    g_AddInfoNative(&m_clError, pclCnx);
}

void CNAError::_SetError(eNA_ERRORTYPE eType, int nFileId, int nSite, CNAConnectionDescription* pclCnx,
                         unsigned nMessageId, va_list arguments) {
    m_eErrorType = eType;
    m_clError.SetUserErrorList(&gstMyModuleInfo39, nMessageId, arguments);
    g_AddDebugInfo(&m_clError, nFileId, nSite);
    g_AddInfoNative(&m_clError, pclCnx);
}

void CNAError::_AddErrorList(eNA_ERRORTYPE eType, int nFileId, int nSite, CNAConnectionDescription* pclCnx,
                             unsigned nMessageId, va_list arguments) {
    if (!_bHasError()) {
        _SetError(eType, nFileId, nSite, pclCnx, nMessageId, arguments);
        return;
    }
    _CXErrorModule39 clNew;
    clNew.SetUserErrorList(&gstMyModuleInfo39, nMessageId, arguments);
    g_AddDebugInfo(&clNew, nFileId, nSite);
    AddError(eType, &clNew, pclCnx);
}

void CNAError::AddError(eNA_ERRORTYPE eType, int nFileId, int nSite, CNAConnectionDescription* pclCnx,
                        unsigned nMessageId, ...) {
    va_list arguments;
    va_start(arguments, nMessageId);
    _AddErrorList(eType, nFileId, nSite, pclCnx, nMessageId, arguments);
    va_end(arguments);
}

void CNAError::AddError(eNA_ERRORTYPE eType, unsigned nMessageId, int nFileId, int nSite,
                        CNAConnectionDescription* pclCnx) {
    AddError(eType, nFileId, nSite, pclCnx, nMessageId);
}

void CNAError::AddErrorFirst(eNA_ERRORTYPE eType, int nFileId, int nSite, CNAConnectionDescription* pclCnx,
                             unsigned nMessageId, ...) {
    va_list arguments;
    va_start(arguments, nMessageId);
    if (!_bHasError()) {
        _SetError(eType, nFileId, nSite, pclCnx, nMessageId, arguments);
    } else {
        m_eErrorType = eType;
        _CXErrorModule39 clPrevious(m_clError);
        m_clError.SetUserErrorList(&gstMyModuleInfo39, nMessageId, arguments);
        g_AddDebugInfo(&m_clError, nFileId, nSite);
        m_clError.AddSubError(&clPrevious);
    }
    va_end(arguments);
}

void CNAError::_SetDataBaseErrorXError(CXError* pclError, unsigned nMessageId, const wchar_t* pszDataBase,
                                       unsigned nNativeCode, const wchar_t* pszDBMessage, const wchar_t* pszTable,
                                       const wchar_t* pszItem) {
    if (pclError == nullptr) return;
    pclError->SetUserError(&gstMyModuleInfo39, nMessageId, pszDataBase != nullptr ? pszDataBase : L"",
                           static_cast<int>(nNativeCode), pszTable != nullptr ? pszTable : L"");
    if (!bEmpty(pszDBMessage)) {
        pclError->AddUserMessage(pszDBMessage);
        pclError->SetSystemErrorMessage(pszDBMessage);
    }
    if (nNativeCode != 0) {
        uint32_t dwCode = nNativeCode;
        pclError->AddInfo(CXError::EIT_BASECODE, &dwCode);
    }
    g_SetInfoNames(pclError, pszTable, pszItem);
}

void CNAError::_SetDataBaseError(eNA_ERRORTYPE eType, CNAConnectionDescription* pclCnx, unsigned nMessageId,
                                 unsigned nNativeCode, const wchar_t* pszDBMessage, const wchar_t* pszTable,
                                 const wchar_t* pszItem) {
    const wchar_t* pszDataBase = pszGetDataBaseName(pclCnx);
    if (!_bHasError()) {
        m_eErrorType = eType;
        _SetDataBaseErrorXError(&m_clError, nMessageId, pszDataBase, nNativeCode, pszDBMessage, pszTable, pszItem);
        g_AddInfoNative(&m_clError, pclCnx);
        return;
    }
    _CXErrorModule39 clNew;
    _SetDataBaseErrorXError(&clNew, nMessageId, pszDataBase, nNativeCode, pszDBMessage, pszTable, pszItem);
    m_clError.AddSubError(&clNew);
}

void CNAError::SetAnyError(int nResult, int a, int b, int nFileId, int nSite, CNAConnectionDescription* pclCnx,
                           const wchar_t* pszTable, const wchar_t* pszItem) {
    _CXErrorModule39 clNew;
    clNew.SetAnyError(&gstMyModuleInfo39, nResult, a, b);
    // Results that are not failures (success, empty value, NULL operand) record nothing: an empty
    // main error with a type would swallow the next failure as its sub-error.
    if (clNew.eGetErrorLevel() == CXError::XEL_NOERROR) return;
    g_SetInfoNames(&clNew, pszTable, pszItem);
    g_AddDebugInfo(&clNew, nFileId, nSite);
    _RecordNewError(NA_ERRORTYPE_GENERAL, clNew, pclCnx);
}

void CNAError::SetErrorNoMemory(CNAConnectionDescription* pclCnx) {
    // The error's own user code, so that the host never reads an out-of-memory failure as "no
    // error"; the system part says what the allocator said.
    _CXErrorModule39 clNew;
    int nErrno = errno;
    clNew.SetUserError(&gstMyModuleInfo39, USER_ERROR_NO_MEMORY);
    // The system text describes ENOMEM itself, whatever errno held.
    errno = ENOMEM;
    clNew.__SetSystemError(ENOMEM);
    errno = nErrno;
    clNew.SetErrorLevel(CXError::XEL_ERROR);
    _RecordNewError(NA_ERRORTYPE_GENERAL, clNew, pclCnx);
}

void CNAError::AddSubError(const CXError* pclError) {
    if (pclError == nullptr || pclError->eGetErrorLevel() == CXError::XEL_NOERROR) return;
    // A failure handed in as a sub-error of nothing would leave the main error empty, and the
    // host would read "no error": it becomes the main error instead.
    if (!_bHasError()) {
        AddError(NA_ERRORTYPE_GENERAL, pclError, nullptr);
        return;
    }
    m_clError.AddSubError(const_cast<CXError*>(pclError));
}

void CNAError::Copy(const INAError* piOther) {
    if (piOther == nullptr || piOther == this) return;
    m_eErrorType = const_cast<INAError*>(piOther)->eGetErrorType();
    m_clError.RAZ();
    m_clError.Copy(piOther->pclGetXError());
}

// ---------------------------------------------------------------------------------------------------------------
// Amending the last error

void CNAError::AddDebugInfo(int nFileId, int nSite) {
    g_AddDebugInfo(_pclGetLastXError(), nFileId, nSite);
}

void CNAError::AddDebugMessage(unsigned nMessageId, ...) {
    va_list arguments;
    va_start(arguments, nMessageId);
    _pclGetLastXError()->AddDebugMessageList(&gstMyModuleInfo39, nMessageId, arguments);
    va_end(arguments);
}

void CNAError::AddDebugMessageNoFormat(const wchar_t* pszText) {
    if (bEmpty(pszText)) return;
    _pclGetLastXError()->AddDebugMessageNoFormat(pszText);
}

void CNAError::AddDebugMessageNoFormatFirst(const wchar_t* pszText) {
    if (bEmpty(pszText)) return;
    _pclGetLastXError()->AddDebugMessageNoFormatFirst(pszText);
}

void CNAError::AddUserMessage(unsigned nMessageId, ...) {
    va_list arguments;
    va_start(arguments, nMessageId);
    _pclGetLastXError()->AddUserMessageList(&gstMyModuleInfo39, nMessageId, arguments);
    va_end(arguments);
}

void CNAError::AddUserMessageFirst(unsigned nMessageId, ...) {
    va_list arguments;
    va_start(arguments, nMessageId);
    _pclGetLastXError()->AddUserMessageListFirst(&gstMyModuleInfo39, nMessageId, arguments);
    va_end(arguments);
}

void CNAError::AddUserMessageNoFormat(const wchar_t* pszText) {
    if (bEmpty(pszText)) return;
    // Appended on a line of its own after any user message already there.
    _pclGetLastXError()->AddUserMessage(pszText);
}

void CNAError::SetDataBaseErrorMessage(const wchar_t* pszText) {
    if (bEmpty(pszText)) return;
    _pclGetLastXError()->AddInfo(CXError::EIT_BASEMESSAGE, pszText);
}

void CNAError::SetDataBaseErrorCode(unsigned nCode) {
    uint32_t dwCode = nCode;
    _pclGetLastXError()->AddInfo(CXError::EIT_BASECODE, &dwCode);
}

void CNAError::SetSystemErrorCode(unsigned nCode) {
    CXError* pclLast = _pclGetLastXError();
    // The code alone: a message already there stays.
    CTString clMessage(pclLast->pszGetSystemErrorMessage());
    pclLast->SetSystemError(nCode, clMessage.pszGet());
}

void CNAError::SetInfoNames(const wchar_t* pszTable, const wchar_t* pszItem) {
    g_SetInfoNames(&m_clError, pszTable, pszItem);
}

void CNAError::SetErrorLevel(eNAERRORLEVEL eLevel) {
    if (eLevel < NA_ERRORLEVEL_NOERROR || eLevel > NA_ERRORLEVEL_ERROR) return;
    m_clError.SetErrorLevel(eLevel);
    // A cleared main error means nothing is recorded: the next failure must become the main error,
    // not a sub-error of an empty one that the host reads as "no error".
    if (eLevel == NA_ERRORLEVEL_NOERROR) m_eErrorType = NA_ERRORTYPE_NONE;
}

// ---------------------------------------------------------------------------------------------------------------
// Reading

uint32_t CNAError::_dwGetInfoNumber(const CXError* pclError, CXError::eERRORINFOTYPE eType) {
    // A 32-bit item travels in the pointer variable itself.
    const void* pValue = nullptr;
    if (!pclError->bGetInfo(eType, &pValue)) return 0;
    uint32_t dwValue;
    memcpy(&dwValue, &pValue, sizeof(dwValue));
    return dwValue;
}

uint32_t CNAError::nGetUserErrorCode() const {
    return _pclGetLastXError()->nGetUserErrorCode();
}

uint32_t CNAError::dwGetSystemErrorCode() const {
    return _pclGetLastXError()->dwGetSystemErrorCode();
}

const wchar_t* CNAError::pszGetSystemErrorMessage() const {
    return _pclGetLastXError()->pszGetSystemErrorMessage();
}

uint32_t CNAError::dwGetDataBaseErrorCode() const {
    return _dwGetInfoNumber(_pclGetLastXError(), CXError::EIT_BASECODE);
}

uint32_t CNAError::dwGetADOErrorCode() const {
    return _dwGetInfoNumber(_pclGetLastXError(), CXError::EIT_ADOCODE);
}

CTString CNAError::StringDump() const {
    return m_clError.StringDump(DUMP_FLAGS);
}

// ---------------------------------------------------------------------------------------------------------------
// On a bare error

void CNAError::g_AddDebugInfo(CXError* pclError, int nFileId, int nSite) {
    if (pclError == nullptr) return;
    CTString clLine;
    clLine.printf(g_szDebugInfoFormat, g_szDebugModule, static_cast<unsigned>(nFileId), static_cast<unsigned>(nSite),
                  g_szDebugModule, g_szDebugVersion);
    pclError->AddDebugMessageNoFormat(clLine.pszGet());
}

void CNAError::g_SetInfoNames(CXError* pclError, const wchar_t* pszTable, const wchar_t* pszItem) {
    if (pclError == nullptr || bEmpty(pszTable)) return;
    pclError->AddInfo(CXError::EIT_LOGICALTABLENAME, pszTable);
    if (!bEmpty(pszItem)) pclError->AddInfo(CXError::EIT_ITEMNAME, pszItem);
}

void CNAError::g_AddInfoNative(CXError* pclError, CNAConnectionDescription* pclCnx) {
    if (pclError == nullptr || pclCnx == nullptr) return;
    // Every error of this library is bound to its own module table: the same object, seen as one.
    pclCnx->AddInfoNativeXError(static_cast<_CXErrorModule39*>(pclError));
}
