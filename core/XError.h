// CXError: the object in which every failure of the library travels to its caller and, through
// the driver's error interface, to the host: the user error (a code of a module's error table with
// the texts of its messages), what the system said (an errno-style code and its text), free debug
// text, typed information items and sub-errors. The host reads the object directly, so the field
// order and the virtual-function order below are binary interface and are pinned at the end.
// The raising operations built on a module's error table live in XErrorModule.cpp, the text
// dump in XErrorDump.cpp.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "core/KXUnknown.h"
#include "core/TTableau.h"

struct _stMyModuleInfo;
class CTString;

// Interface of the object an information item of type 38 holds: the item takes it through slot 1
// and gives it back through slot 2; slot 0 is never called.
class IXErrorExceptionInfo {
public:
    virtual void vSlot0() = 0;
    virtual void vAddRef() = 0;
    virtual void vRelease() = 0;

protected:
    ~IXErrorExceptionInfo() = default;
};

class CXError : public CKXUnknown {
public:
    // Level of an error: 1 = no error; 2 and 3 are the two severities given by the error table.
    enum eERRORLEVEL : uint32_t {
        XEL_NOERROR = 1,
        XEL_WARNING = 2,
        XEL_ERROR = 3,
    };

    // Types of the information items; at most one item per type.
    enum eERRORINFOTYPE : uint32_t {
        EIT_NONE = 0,
        EIT_SRCFILE = 1,
        EIT_DSTFILE = 2,
        EIT_USERNAME = 3,
        EIT_HELPFILE = 4,
        EIT_PATHKXD = 5,
        EIT_LOGICALTABLENAME = 6,
        EIT_ITEMNAME = 7,
        EIT_PATHFIC = 8,
        EIT_PATHNDX = 9,
        EIT_PATHMMO = 10,
        EIT_LINKNAME = 11,
        EIT_RECNUM = 12,
        EIT_ODBCCODE = 13,
        EIT_ODBCDESCRIPTION = 14,
        EIT_BASECODE = 15,
        EIT_NATIVECODE = 16,
        EIT_ADOCODE = 17,
        EIT_BASEMESSAGE = 18,
        EIT_NATIVEMESSAGE = 19,
        EIT_ADOMESSAGE = 20,
        EIT_DATAACCESS = 21,
        EIT_INFOCLIENT = 22,
        EIT_INFOSERVEUR = 23,
        EIT_PILEVQ = 24,
        EIT_DATEHEURE = 25,
        EIT_LOCKINFO = 26,
        EIT_CORRIGE_ETAT = 27,
        EIT_INFOCS = 28,
        EIT_POINTER = 29,
        EIT_XINFO = 30,
        EIT_COMPOSANT = 31,
        EIT_SERVEURCS = 32,
        EIT_PILEC = 33,
        EIT_RESERVED34 = 34,
        EIT_RESERVED35 = 35,
        EIT_HLOCKTIME = 36,
        EIT_HCNXID = 37,
        EIT_EXCEPTIONDOTNET = 38,
        EIT_POSITION_ERREUR = 39,
    };

    // Sections of the text dump; the driver asks for XEI_DRIVER.
    enum eXERROR_INFO : uint32_t {
        XEI_MODULE = 0x1,
        XEI_CONTEXT = 0x2,
        XEI_LEVEL = 0x4,
        XEI_USERCODE = 0x8,
        XEI_USERCODE55 = 0x10,
        XEI_SYSTEMCODE = 0x20,
        XEI_SYSTEMMESSAGE = 0x40,
        XEI_USERMESSAGE = 0x80,
        XEI_DEBUGMESSAGE = 0x100,
        XEI_INFO = 0x200,
        XEI_DETAIL = 0x400,
        XEI_SUBERROR = 0x800,
        XEI_ALL = 0xFFF,
        XEI_NOUSERHEADING = 0x40000000,
        XEI_SKIPEMPTY = 0x80000000,
        XEI_DRIVER = 0x80000FFF,
    };

    // One information item: its type and its value (an owned text, a number, or an object).
    struct _stERRORINFO {
        eERRORINFOTYPE eType;
        union {
            wchar_t* pszText;
            int64_t llValue;
            uint32_t dwValue;
            CKXUnknown* pclObject;
            IXErrorExceptionInfo* piException;
            void* pValue;
        };
    };

    // ---- construction, copy, reset
    explicit CXError(const _stMyModuleInfo* pstModule);
    CXError(const _stMyModuleInfo* pstModule, uint32_t nCode, ...);
    CXError(const _stMyModuleInfo* pstModule, uint32_t nCode, va_list* pArguments);
    CXError(const _stMyModuleInfo* pstModule, const wchar_t* pszDebug, uint32_t nCode, ...);
    CXError(const _stMyModuleInfo* pstModule, const wchar_t* pszDebug, uint32_t nCode, va_list* pArguments);
    CXError(const _stMyModuleInfo* pstModule, CXError* pclSource, int bLight);
    CXError(const _stMyModuleInfo* pstModule, CXError& clSource, int bLight);
    CXError(uint32_t nModuleNumber, CXError* pclSource, int bLight);
    CXError(const _stMyModuleInfo* pstModule, const CXError& clSource);
    CXError(const CXError& clSource);
    CXError& operator=(const CXError&) = delete;

    ~CXError() override;

    void Copy(const CXError* pclSource);
    void Copy(const CXError& clSource) { Copy(&clSource); }
    void LightCopy(CXError* pclSource);
    void RAZ();
    // Nothing recorded: RAZ would leave the object as it is. Inline, as the driver asks it at every
    // call of the host and most of the time the answer is yes: every field is folded into one word
    // with bitwise ORs, so that the usual answer costs a load and an OR a field and one branch
    // rather than a test and a branch a field.
    bool bIsClear() const {
        const uint64_t nNombres = static_cast<uint64_t>(m_eErrorLevel ^ XEL_NOERROR) | m_nUserErrorCode |
                                  m_nUserErrorCode55 | m_dwSystemErrorCode | m_nDetailId | m_byFunctionSyntax |
                                  m_wTraitmentLine | m_wTraitmentThread |
                                  static_cast<uint64_t>(m_tabErrorId.nGetNbElement()) |
                                  static_cast<uint64_t>(m_tabInfo.nGetNbElement());
        const uintptr_t nPointeurs =
            reinterpret_cast<uintptr_t>(m_pszUserMessage) | reinterpret_cast<uintptr_t>(m_pszDebugMessage) |
            reinterpret_cast<uintptr_t>(m_pszSystemErrorMessage) | reinterpret_cast<uintptr_t>(m_pszFunctionName) |
            reinterpret_cast<uintptr_t>(m_pszTraitmentCaption) | reinterpret_cast<uintptr_t>(m_pszObjectName) |
            reinterpret_cast<uintptr_t>(m_pszModName) | reinterpret_cast<uintptr_t>(m_pszModVersion) |
            reinterpret_cast<uintptr_t>(m_ptabSubError);
        return (nNombres | nPointeurs) == 0;
    }
    void RAZUserMessage();
    void SetErrorLevel(uint32_t eLevel);
    uint32_t eGetErrorLevel() const { return m_eErrorLevel; }
    // True when the object holds an error: a level other than 1, or a user code, a system code
    // or a user message.
    bool bIsError() const;

    // ---- module description
    void InitModInfo(const _stMyModuleInfo* pstModule, int bForce);
    const wchar_t* InitModName(const wchar_t* pszText);
    const wchar_t* InitModVersion(const wchar_t* pszText);

    // ---- user messages
    void AddUserMessage(const wchar_t* pszText);
    void AddUserMessage(const _stMyModuleInfo* pstModule, uint32_t nId, ...);
    void AddUserMessageList(const _stMyModuleInfo* pstModule, uint32_t nId, va_list arguments);
    void AddUserMessageFirst(const _stMyModuleInfo* pstModule, uint32_t nId, ...);
    void AddUserMessageListFirst(const _stMyModuleInfo* pstModule, uint32_t nId, va_list arguments);
    void AddUserMessageFirst(const wchar_t* pszText);
    void __AddFirst(wchar_t** ppszTarget, const wchar_t* pszText);
    int nNumErrorId() const;
    uint32_t nGetErrorId(uint32_t nIndex) const;

    // ---- debug messages
    void AddDebugMessageNoFormat(const wchar_t* pszText);
    // Puts a debug text before the others (__AddFirst on the debug message).
    void AddDebugMessageNoFormatFirst(const wchar_t* pszText) { __AddFirst(&m_pszDebugMessage, pszText); }
    void AddDebugMessage(const _stMyModuleInfo* pstModule, uint32_t nId, ...);
    void AddDebugMessageList(const _stMyModuleInfo* pstModule, uint32_t nId, va_list arguments);
    void AddDebugMessagePrintf(const wchar_t* pszFormat, ...);

    // ---- system error
    void __SetSystemError(uint32_t dwCode, va_list arguments);
    void __SetSystemError(uint32_t dwCode);
    void SetSystemErrorParam(uint32_t dwCode, ...);
    void SetSystemError(uint32_t dwCode, const wchar_t* pszText);
    void SetSystemErrorMessage(const wchar_t* pszText);
    void SetSystemErrorMessage(uint32_t dwCode, const wchar_t* pszText);
    void SetSystemErrorMessagePrintf(uint32_t dwCode, const wchar_t* pszFormat, ...);
    void SetSystemErrorMessagePrintf(const wchar_t* pszFormat, ...);
    void SetSystemErrorMessage(const _stMyModuleInfo* pstModule, uint32_t nId, ...);
    void __SetSystemErrorMessage(const _stMyModuleInfo* pstModule, uint32_t nId, va_list* pArguments);
    int SetSystemErrorMessageA(const char* pszText);
    void SetSystemErrorForGetHostBy(uint32_t dwCode);
    uint32_t dwGetSystemErrorCode() const { return m_dwSystemErrorCode; }

    // ---- information items
    void AddInfo(eERRORINFOTYPE eType, const void* pValue);
    bool bGetInfo(eERRORINFOTYPE eType, const void** ppValue) const;
    bool bHasInfo(eERRORINFOTYPE eType) const;
    bool __bGetInfoIndice(eERRORINFOTYPE eType, int* pnIndex) const;
    int nNumInfo() const;
    void GetInfo(int nIndex, eERRORINFOTYPE* peType, const void** ppValue) const;
    void DeleteInfo(eERRORINFOTYPE eType);
    bool __bGetXInfo(int nMask) const;
    void __SetXInfo(int nMask, int bSet);

    // ---- sub-errors
    void AddSubError(CXError* pclError) { __AddSubError(pclError, 0, 0); }
    void AddSubErrorLight(CXError* pclError) { __AddSubError(pclError, 1, 0); }
    void AddSubErrorNoUserMessage(CXError* pclError) { __AddSubError(pclError, 0, 1); }
    void AddSubErrorLightNoUserMessage(CXError* pclError) { __AddSubError(pclError, 1, 1); }
    int nGetNbSubError() const;
    CXError* pclGetSubError(int nIndex) const;
    void DeleteAllSubError() { __DeleteAllSubError(); }

    // ---- codes, context, getters
    void SetUserErrorCode(uint32_t nCode) { m_nUserErrorCode = nCode; }
    void SetUserErrorCode55(uint32_t nCode) { m_nUserErrorCode55 = nCode; }
    void SetDetailId(uint32_t nId) { m_nDetailId = nId; }
    void SetVMContext(const wchar_t* pszCaption, const wchar_t* pszObjectName, uint16_t wLine, uint16_t wThread);
    void SetVMContext(const wchar_t* pszCaption, uint16_t wLine, uint16_t wThread);
    void SetVMContext(const wchar_t* pszObjectName);
    void SetFunctionName(const wchar_t* pszName, uint8_t bySyntax);

    uint32_t nGetUserErrorCode() const { return m_nUserErrorCode; }
    uint32_t nGetUserErrorCode55() const { return m_nUserErrorCode55; }
    uint32_t nGetDetailId() const { return m_nDetailId; }
    uint8_t nGetFunctionSyntax() const { return m_byFunctionSyntax; }
    uint16_t wGetTraitmentLine() const { return m_wTraitmentLine; }
    uint16_t wGetTraitmentThread() const { return m_wTraitmentThread; }
    uint32_t nGetModuleNumber() const { return m_nModuleNumber; }
    const wchar_t* pszGetUserMessage() const { return _pszOrEmpty(m_pszUserMessage); }
    const wchar_t* pszGetDebugMessage() const { return _pszOrEmpty(m_pszDebugMessage); }
    const wchar_t* pszGetSystemErrorMessage() const { return _pszOrEmpty(m_pszSystemErrorMessage); }
    const wchar_t* pszGetModName() const { return _pszOrEmpty(m_pszModName); }
    const wchar_t* pszGetModVersion() const { return _pszOrEmpty(m_pszModVersion); }
    const wchar_t* pszGetFunctionName() const { return _pszOrEmpty(m_pszFunctionName); }
    const wchar_t* pszGetTraitmentCaption() const { return _pszOrEmpty(m_pszTraitmentCaption); }
    const wchar_t* pszGetObjectName() const { return _pszOrEmpty(m_pszObjectName); }
    void TraceDump() const {}

    // ---- raising through a module's error table (XErrorModule.cpp)
    void SetUserError(const _stMyModuleInfo* pstModule, uint32_t nCode, ...);
    void SetUserErrorList(const _stMyModuleInfo* pstModule, uint32_t nCode, va_list arguments);
    void ChangeUserError(const _stMyModuleInfo* pstModule, uint32_t nCode, ...);
    void ChangeUserErrorList(const _stMyModuleInfo* pstModule, uint32_t nCode, va_list arguments);
    void ChangeUserErrorMessage(const _stMyModuleInfo* pstModule, uint32_t nCode, const wchar_t* pszText);
    void SetUserErrorMessage(const _stMyModuleInfo* pstModule, uint32_t nCode, const wchar_t* pszText);
    static uint32_t nGetRessourceIdFromUserErrorCode(const _stMyModuleInfo* pstModule, uint32_t nCode);
    void SetAnyError(const _stMyModuleInfo* pstModule, int nResult, int a, int b);
    void SetErrorNoMemory();

    // ---- text dump (XErrorDump.cpp)
    void StringDump(CTString& clOut, uint32_t dwFlags) const;
    CTString StringDump(uint32_t dwFlags) const;
    void DumpInfo(eERRORINFOTYPE eType, const void* pValue, CTString* pclOut) const;

    // ---- the string operations through which every text field is written (binary slots)
    virtual wchar_t* __vpszAllocString(wchar_t** ppszTarget, const wchar_t* pszText);
    virtual wchar_t* __vpszReallocString(wchar_t** ppszTarget, const wchar_t* pszText);
    virtual wchar_t* __vpszReallocString(wchar_t** ppszTarget, size_t nCharacters);
    virtual wchar_t* __vpszConcatString(wchar_t** ppszTarget, const wchar_t* pszText);
    virtual void __vDeleteString(wchar_t** ppszTarget);
    virtual void __AddSubError(CXError* pclError, int bLight, int bNoUserMessage);
    virtual void __DeleteAllSubError();
    virtual void vCopy(const CXError* pclSource);

protected:
    void __InitConstructor(uint32_t nModuleNumber);
    void __InitInternalModInfo(uint32_t nModuleNumber) { m_nModuleNumber = nModuleNumber; }

private:
    static const wchar_t* _pszOrEmpty(const wchar_t* psz) { return psz != nullptr ? psz : L""; }
    static bool _bIsInfoText(uint32_t eType);
    static bool _bIsInfoNumber32(uint32_t eType);
    static bool _bIsInfoNumber64(uint32_t eType);
    static bool _bIsInfoAccepted(uint32_t eType);
    void _AppendLine(wchar_t** ppszTarget, const wchar_t* pszText);
    void _FreeInfo(_stERRORINFO& stInfo);
    void _DeleteAllInfo();
    void _AddMessageTextList(const _stMyModuleInfo* pstModule, uint32_t nId, va_list arguments, bool bFirst);
    void _SetSystemErrorMessageV(uint32_t dwCode, const wchar_t* pszFormat, va_list arguments);
    void _DumpSections(CTString& clOut, uint32_t dwFlags) const;

    // Field order is binary interface (see the layout checks below).
    uint32_t m_eErrorLevel;
    uint32_t m_nUserErrorCode;
    wchar_t* m_pszUserMessage;
    wchar_t* m_pszDebugMessage;
    wchar_t* m_pszFunctionName;
    wchar_t* m_pszModName;
    wchar_t* m_pszModVersion;
    uint8_t m_byFunctionSyntax;
    uint32_t m_nDetailId;
    CTTableau<unsigned int> m_tabErrorId;
    CTTableau<_stERRORINFO> m_tabInfo;
    uint32_t m_dwSystemErrorCode;
    wchar_t* m_pszSystemErrorMessage;
    wchar_t* m_pszTraitmentCaption;
    uint16_t m_wTraitmentLine;
    uint16_t m_wTraitmentThread;
    CTTableau<CXError*>* m_ptabSubError;
    wchar_t* m_pszObjectName;
    uint32_t m_nModuleNumber;
    uint32_t m_nUserErrorCode55;

    friend struct CXErrorLayout;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CXErrorLayout {
    static_assert(sizeof(CXError::_stERRORINFO) == 16);
    static_assert(offsetof(CXError, m_eErrorLevel) == 12);
    static_assert(offsetof(CXError, m_nUserErrorCode) == 16);
    static_assert(offsetof(CXError, m_pszUserMessage) == 24);
    static_assert(offsetof(CXError, m_pszDebugMessage) == 32);
    static_assert(offsetof(CXError, m_pszFunctionName) == 40);
    static_assert(offsetof(CXError, m_pszModName) == 48);
    static_assert(offsetof(CXError, m_pszModVersion) == 56);
    static_assert(offsetof(CXError, m_byFunctionSyntax) == 64);
    static_assert(offsetof(CXError, m_nDetailId) == 68);
    static_assert(offsetof(CXError, m_tabErrorId) == 72);
    static_assert(offsetof(CXError, m_tabInfo) == 112);
    static_assert(offsetof(CXError, m_dwSystemErrorCode) == 152);
    static_assert(offsetof(CXError, m_pszSystemErrorMessage) == 160);
    static_assert(offsetof(CXError, m_pszTraitmentCaption) == 168);
    static_assert(offsetof(CXError, m_wTraitmentLine) == 176);
    static_assert(offsetof(CXError, m_wTraitmentThread) == 178);
    static_assert(offsetof(CXError, m_ptabSubError) == 184);
    static_assert(offsetof(CXError, m_pszObjectName) == 192);
    static_assert(offsetof(CXError, m_nModuleNumber) == 200);
    static_assert(offsetof(CXError, m_nUserErrorCode55) == 204);
    static_assert(sizeof(CXError) == 208);
};
#pragma GCC diagnostic pop
