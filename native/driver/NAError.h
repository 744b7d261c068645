// CNAError: the driver's error object behind the host's INAError. Code anywhere in the driver that
// fails records its failure here; the host reads it after an operation answered 0. It wraps one
// error of this module's table: the first failure recorded is the main error, every later one a
// sub-error of it. Each failure carries a debug line naming the source unit (file id) and the
// place (site) that raised it.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "core/RefTraits.h"
#include "core/TString.h"
#include "core/XErrorModule.h"
#include "native/driver/INAError.h"

class CNAConnectionDescription;

class CNAError : public INAError {
public:
    // Source units, as the debug line names them.
    enum : int {
        FILE_CONNECTION = 1,
        FILE_TRANSACTION = 2,
        FILE_DATAACCESS = 3,
        FILE_STATEMENT = 4,
        FILE_DRIVER = 5,
        FILE_TABLE = 6,
        FILE_VARIANT = 7,
        FILE_DATASOURCE = 8,
        FILE_FUNCTIONLOADER = 9,
        FILE_COMMAND = 10,
        FILE_RECORD = 11,
        FILE_EXPRESSION = 14,
        FILE_STATEMENTSQL = 50,
        FILE_DRIVERSQL = 51,
        FILE_PSQLSTATEMENT = 100,
        FILE_PSQLCONNECTION = 101,
    };

    CNAError();
    CNAError(const CNAError&) = delete;
    CNAError& operator=(const CNAError&) = delete;

    // ---- INAError
    int nGetVersion() override { return 1; }
    int nGetCompatSince() override { return 1; }
    const wchar_t* pszGetError() const override;
    uint32_t dwGetErrorId() const override;
    eNA_ERRORTYPE eGetErrorType() const override { return m_eErrorType; }
    const wchar_t* pszGetLogicalTableName() const override;
    const wchar_t* pszGetItemName() const override;
    CXError* pclGetXError() const override { return const_cast<_CXErrorModule39*>(&m_clError); }
    eNAERRORLEVEL eGetErrorLevel() const override;

    // Entries that follow the interface's: the destructor pair, then Reset.
    virtual ~CNAError();
    // Back to empty: nothing recorded, error type -1, no dump text.
    virtual void Reset();
    // The same for the driver's own calls, every call of the host starting with two of them:
    // inline, as nearly always there is nothing to clear.
    void ResetIfRecorded() {
        if (m_eErrorType != NA_ERRORTYPE_NONE || !m_clError.bIsClear() || m_clDump.cGetChar(0) != 0) Reset();
    }

    // ---- references (plain count; the release that reaches 0 deletes the object)
    uint32_t AddRef() { return ++m_nRef; }
    uint32_t nRelease();
    uint32_t nGetRef() const { return m_nRef; }

    // ---- recording: the first failure becomes the main error, later ones its sub-errors
    void AddError(eNA_ERRORTYPE eType, const CXError* pclError, CNAConnectionDescription* pclCnx);
    // A user error of this module's table with its message arguments, raised at (file, site).
    void AddError(eNA_ERRORTYPE eType, int nFileId, int nSite, CNAConnectionDescription* pclCnx, unsigned nMessageId,
                  ...);
    void AddError(eNA_ERRORTYPE eType, unsigned nMessageId, int nFileId, int nSite, CNAConnectionDescription* pclCnx);
    // As AddError, but the new error becomes the main one and the previous main error its sub-error.
    void AddErrorFirst(eNA_ERRORTYPE eType, int nFileId, int nSite, CNAConnectionDescription* pclCnx,
                       unsigned nMessageId, ...);
    void _SetError(eNA_ERRORTYPE eType, int nFileId, int nSite, CNAConnectionDescription* pclCnx, unsigned nMessageId,
                   va_list arguments);
    // A failure the server reported: its native code and message, on a table and item.
    void _SetDataBaseError(eNA_ERRORTYPE eType, CNAConnectionDescription* pclCnx, unsigned nMessageId,
                           unsigned nNativeCode, const wchar_t* pszDBMessage, const wchar_t* pszTable,
                           const wchar_t* pszItem);
    static void _SetDataBaseErrorXError(CXError* pclError, unsigned nMessageId, const wchar_t* pszDataBase,
                                        unsigned nNativeCode, const wchar_t* pszDBMessage, const wchar_t* pszTable,
                                        const wchar_t* pszItem);
    // A numeric result of the variant and string operations (see CXError::SetAnyError).
    void SetAnyError(int nResult, int a, int b, int nFileId, int nSite, CNAConnectionDescription* pclCnx,
                     const wchar_t* pszTable, const wchar_t* pszItem);
    // An allocation failure, recorded like any other failure (main or sub-error) at level 3.
    void SetErrorNoMemory(CNAConnectionDescription* pclCnx = nullptr);
    void AddSubError(const CXError* pclError);
    void Copy(const INAError* piOther);

    // ---- amending the last error recorded (the last sub-error, else the main error)
    void AddDebugInfo(int nFileId, int nSite);
    void AddDebugMessage(unsigned nMessageId, ...);
    void AddDebugMessageNoFormat(const wchar_t* pszText);
    void AddDebugMessageNoFormatFirst(const wchar_t* pszText);
    void AddUserMessage(unsigned nMessageId, ...);
    void AddUserMessageFirst(unsigned nMessageId, ...);
    void AddUserMessageNoFormat(const wchar_t* pszText);
    void SetDataBaseErrorMessage(const wchar_t* pszText);
    void SetDataBaseErrorCode(unsigned nCode);
    void SetSystemErrorCode(unsigned nCode);
    // On the main error.
    void SetInfoNames(const wchar_t* pszTable, const wchar_t* pszItem);

    // ---- reading (of the last error)
    uint32_t nGetUserErrorCode() const;
    uint32_t dwGetSystemErrorCode() const;
    const wchar_t* pszGetSystemErrorMessage() const;
    uint32_t dwGetDataBaseErrorCode() const;
    uint32_t dwGetADOErrorCode() const;
    // The dump of the main error with its sub-errors, as a new text.
    CTString StringDump() const;

    // Levels 1 (which clears the main error), 2 and 3; any other value is ignored.
    void SetErrorLevel(eNAERRORLEVEL eLevel);
    // The kind of the error recorded, as a write's recovery found it.
    void SetErrorType(eNA_ERRORTYPE eType) { m_eErrorType = eType; }

    // ---- on a bare error
    static void g_AddDebugInfo(CXError* pclError, int nFileId, int nSite);
    static void g_SetInfoNames(CXError* pclError, const wchar_t* pszTable, const wchar_t* pszItem);
    static void g_AddInfoNative(CXError* pclError, CNAConnectionDescription* pclCnx);

    // The sections of the dump handed to the host: all of them, empty ones left out.
    static constexpr uint32_t DUMP_FLAGS = 0x80000FFF;

private:
    bool _bHasError() const { return m_eErrorType != NA_ERRORTYPE_NONE; }
    CXError* _pclGetLastXError();
    const CXError* _pclGetLastXError() const;
    void _RecordNewError(eNA_ERRORTYPE eType, CXError& clNew, CNAConnectionDescription* pclCnx);
    void _AddErrorList(eNA_ERRORTYPE eType, int nFileId, int nSite, CNAConnectionDescription* pclCnx,
                       unsigned nMessageId, va_list arguments);
    static uint32_t _dwGetInfoNumber(const CXError* pclError, CXError::eERRORINFOTYPE eType);

    // Field order as the object was always laid out (see the checks below).
    uint32_t m_nRef;
    eNA_ERRORTYPE m_eErrorType;
    _CXErrorModule39 m_clError;
    mutable CTString m_clDump;

    friend struct CNAErrorLayout;
};

template <>
struct CRefTraits<CNAError> {
    static void _AddRef(CNAError* p) { p->AddRef(); }
    static void _Release(CNAError* p) { p->nRelease(); }
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CNAErrorLayout {
    static_assert(offsetof(CNAError, m_nRef) == 8);
    static_assert(offsetof(CNAError, m_eErrorType) == 12);
    static_assert(offsetof(CNAError, m_clError) == 16);
    static_assert(offsetof(CNAError, m_clDump) == 16 + sizeof(CXError));
    static_assert(sizeof(CNAError) == 16 + sizeof(CXError) + sizeof(CTString));
};
#pragma GCC diagnostic pop
