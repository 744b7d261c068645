// The text dump of an error: the full description of a failure that the driver hands to the host.
// The caller picks the sections with eXERROR_INFO flags. Headings and labels are messages of this
// library's own table (whatever module the error came from), so the host's message callback can
// translate them; the information items use fixed labels. Lines end with CR LF.
#include <cstdint>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/XError.h"

namespace {

// Headings and labels of the dump (messages of this library's table).
enum : uint32_t {
    MSG_DUMP_MODULE = 28842,  // module name, version
    MSG_DUMP_NO_MODULE = 28843,
    MSG_DUMP_CONTEXT = 28844,
    MSG_DUMP_CAPTION = 28845,   // caption, object part, line, thread
    MSG_DUMP_FUNCTION = 28846,  // function name, syntax
    MSG_DUMP_LEVEL_NONE = 28847,
    MSG_DUMP_LEVEL_WARNING = 28848,
    MSG_DUMP_LEVEL_ERROR = 28849,
    MSG_DUMP_LEVEL_OTHER = 28850,  // level
    MSG_DUMP_USER_CODE = 28851,    // code
    MSG_DUMP_USER_CODE55 = 28852,  // code
    MSG_DUMP_SYSTEM_CODE = 28853,  // code
    MSG_DUMP_NO_SYSTEM_CODE = 28854,
    MSG_DUMP_SYSTEM_MESSAGE = 28855,
    MSG_DUMP_NO_SYSTEM_MESSAGE = 28856,
    MSG_DUMP_USER_MESSAGE = 28857,
    MSG_DUMP_NO_USER_MESSAGE = 28858,
    MSG_DUMP_DEBUG = 28859,
    MSG_DUMP_NO_DEBUG = 28860,
    MSG_DUMP_INFO = 28861,
    MSG_DUMP_NO_INFO = 28862,
    MSG_DUMP_DETAIL = 28863,  // detail id
    MSG_DUMP_NO_DETAIL = 28864,
    MSG_DUMP_SUB_ERROR = 28865,        // number from 1
    MSG_DUMP_CAPTION_NO_LINE = 25770,  // caption, object part, thread
    MSG_DUMP_LEVEL_HOST = 25311,
};

const wchar_t g_szCRLF[] = L"\r\n";

// Writes the dump's texts, putting one line break before the first text that follows a finished
// group (the separator between groups).
class CDumpWriter {
public:
    explicit CDumpWriter(CTString& clOut) : m_clOut(clOut) {}

    void Text(const wchar_t* pszText) {
        _Separate();
        m_clOut.Add(pszText);
        m_bWrote = true;
    }
    void Line(const wchar_t* pszText) {
        Text(pszText);
        m_clOut.Add(g_szCRLF);
    }
    // A message of the table without arguments, as a line or as a bare text.
    void Message(uint32_t nId, bool bLineEnd = true) {
        CTString clText;
        DLLRES_bLoadString(&gstMyModuleInfo39, nId, &clText);
        if (bLineEnd)
            Line(clText.pszGet());
        else
            Text(clText.pszGet());
    }
    // A message of the table formatted with its arguments, as a line.
    void MessageFormat(uint32_t nId, ...) {
        CTString clText;
        va_list arguments;
        va_start(arguments, nId);
        DLLRES_bFormatMessageList(&gstMyModuleInfo39, nId, &clText, &arguments);
        va_end(arguments);
        Line(clText.pszGet());
    }
    void SetSeparator() { m_bPending = true; }
    // Ends a group: a group that wrote anything is separated from the next text.
    void EndGroup() {
        if (m_bWrote) m_bPending = true;
        m_bWrote = false;
    }

private:
    void _Separate() {
        if (!m_bPending) return;
        m_clOut.Add(g_szCRLF);
        m_bPending = false;
    }

    CTString& m_clOut;
    bool m_bPending = false;
    bool m_bWrote = false;
};

bool bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

}  // namespace

void CXError::DumpInfo(eERRORINFOTYPE eType, const void* pValue, CTString* pclOut) const {
    // The line of each item type, by type; null: the type has no line.
    static const wchar_t* const s_apszLine[] = {
        nullptr,                         // 0
        L"EIT_SRCFILE : <%s>",           // 1
        L"EIT_DSTFILE : <%s>",           // 2
        L"EIT_USERNAME : <%s>",          // 3
        L"EIT_HELPFILE : <%s>",          // 4
        L"EIT_PATHKXD : <%s>",           // 5
        L"EIT_LOGICALTABLENAME : <%s>",  // 6
        L"EIT_ITEMNAME : <%s>",          // 7
        L"EIT_PATHFIC : <%s>",           // 8
        L"EIT_PATHNDX : <%s>",           // 9
        L"EIT_PATHMMO : <%s>",           // 10
        L"EIT_LINKNAME : <%s>",          // 11
        L"EIT_RECNUM : <%lld>",          // 12
        L"EIT_ODBCCODE : <%s>",          // 13
        L"EIT_ODBCDESCRIPTION : <%s>",   // 14
        L"EIT_BASECODE : <%d>",          // 15
        L"EIT_NATIVECODE : <%d>",        // 16
        L"EIT_ADOCODE : <%d>",           // 17
        L"EIT_BASEMESSAGE : <%s>",       // 18
        L"EIT_NATIVEMESSAGE : <%s>",     // 19
        L"EIT_ADOMESSAGE : <%s>",        // 20
        L"EIT_DATAACCESS : <%p>",        // 21
        L"EIT_INFOCLIENT : <%s>",        // 22
        L"EIT_INFOSERVEUR : <%s>",       // 23
        L"EIT_PILEVQ :\r\n%s",           // 24
        L"EIT_DATEHEURE : %s",           // 25
        L"EIT_LOCKINFO : %s",            // 26
        L"EIT_CORRIGE_ETAT : %s",        // 27
        L"EIT_INFOCS : <%s>",            // 28
        nullptr,                         // 29
        L"EIT_XINFO : <%d>",             // 30
        L"EIT_COMPOSANT :\r\n%s",        // 31
        L"EIT_SERVEURCS : <%s>",         // 32
        L"EIT_PILEC :\r\n%s",            // 33
        nullptr,                         // 34
        nullptr,                         // 35
        L"EIT_HLOCKTIME : <%lld>",       // 36
        L"EIT_HCNXID : <%d>",            // 37
        L"EIT_EXCEPTIONDOTNET",          // 38
        L"EIT_POSITION_ERREUR : <%s>",   // 39
    };
    static_assert(sizeof(s_apszLine) / sizeof(s_apszLine[0]) == EIT_POSITION_ERREUR + 1);

    if (pclOut == nullptr || eType > EIT_POSITION_ERREUR || s_apszLine[eType] == nullptr) return;
    const wchar_t* pszFormat = s_apszLine[eType];
    CTString clLine;
    if (_bIsInfoText(eType)) {
        clLine.printf(pszFormat, pValue != nullptr ? static_cast<const wchar_t*>(pValue) : L"");
    } else if (_bIsInfoNumber32(eType)) {
        // A 32-bit number travels in the value itself (the form GetInfo gives)...
        clLine.printf(pszFormat, static_cast<int>(reinterpret_cast<uintptr_t>(pValue)));
    } else if (_bIsInfoNumber64(eType)) {
        // ... a 64-bit number behind it.
        clLine.printf(pszFormat,
                      pValue != nullptr ? static_cast<long long>(*static_cast<const int64_t*>(pValue)) : 0LL);
    } else if (eType == EIT_DATAACCESS) {
        clLine.printf(pszFormat, pValue);
    } else {
        clLine.Set(pszFormat);  // a line without a value
    }
    pclOut->Add(clLine.pszGet());
}

void CXError::_DumpSections(CTString& clOut, uint32_t dwFlags) const {
    const bool bSkipEmpty = (dwFlags & XEI_SKIPEMPTY) != 0;
    CDumpWriter clWriter(clOut);

    // 1. Processing context and function name.
    if ((dwFlags & XEI_CONTEXT) && (!bEmpty(m_pszFunctionName) || !bEmpty(m_pszTraitmentCaption))) {
        clWriter.Message(MSG_DUMP_CONTEXT);
        if (!bEmpty(m_pszTraitmentCaption)) {
            CTString clObject;
            if (!bEmpty(m_pszObjectName)) clObject.Set(L" (", m_pszObjectName, L")");
            if (m_wTraitmentLine == 0xFFFF)
                clWriter.MessageFormat(MSG_DUMP_CAPTION_NO_LINE, m_pszTraitmentCaption, clObject.pszGet(),
                                       static_cast<int>(m_wTraitmentThread));
            else
                clWriter.MessageFormat(MSG_DUMP_CAPTION, m_pszTraitmentCaption, clObject.pszGet(),
                                       static_cast<int>(m_wTraitmentLine), static_cast<int>(m_wTraitmentThread));
        }
        if (!bEmpty(m_pszFunctionName))
            clWriter.MessageFormat(MSG_DUMP_FUNCTION, m_pszFunctionName, static_cast<int>(m_byFunctionSyntax));
    }
    clWriter.EndGroup();

    // 2. User message.
    if (dwFlags & XEI_USERMESSAGE) {
        if (!bEmpty(m_pszUserMessage)) {
            if (!(dwFlags & XEI_NOUSERHEADING)) clWriter.Message(MSG_DUMP_USER_MESSAGE);
            clWriter.Line(m_pszUserMessage);
        } else if (!bSkipEmpty) {
            clWriter.Message(MSG_DUMP_NO_USER_MESSAGE);
        }
    }
    clWriter.EndGroup();

    // 3. User code, level, second user code.
    if (dwFlags & XEI_USERCODE) clWriter.MessageFormat(MSG_DUMP_USER_CODE, m_nUserErrorCode);
    if (dwFlags & XEI_LEVEL) {
        uint32_t eLevel = m_eErrorLevel;
        if (eLevel == XEL_NOERROR)
            clWriter.Message(MSG_DUMP_LEVEL_NONE);
        else if (eLevel == XEL_WARNING)
            clWriter.Message(MSG_DUMP_LEVEL_WARNING);
        else if (eLevel == XEL_ERROR || eLevel == 0x40000004 || eLevel == 0x40000008)
            clWriter.Message(MSG_DUMP_LEVEL_ERROR);
        else if ((eLevel >= 0x10001 && eLevel <= 0x10006) || eLevel == 0x20001)
            clWriter.Message(MSG_DUMP_LEVEL_HOST);
        else
            clWriter.MessageFormat(MSG_DUMP_LEVEL_OTHER, eLevel);
    }
    if ((dwFlags & XEI_USERCODE55) && (m_nUserErrorCode55 != 0 || !bSkipEmpty))
        clWriter.MessageFormat(MSG_DUMP_USER_CODE55, m_nUserErrorCode55);
    clWriter.EndGroup();

    // 4. System code and message.
    if (dwFlags & XEI_SYSTEMCODE) {
        if (m_dwSystemErrorCode != 0)
            clWriter.MessageFormat(MSG_DUMP_SYSTEM_CODE, m_dwSystemErrorCode);
        else if (!bSkipEmpty)
            clWriter.Message(MSG_DUMP_NO_SYSTEM_CODE);
    }
    if (dwFlags & XEI_SYSTEMMESSAGE) {
        if (!bEmpty(m_pszSystemErrorMessage)) {
            clWriter.Message(MSG_DUMP_SYSTEM_MESSAGE);
            clWriter.Text(m_pszSystemErrorMessage);
            clWriter.SetSeparator();
        } else if (!bSkipEmpty) {
            clWriter.Message(MSG_DUMP_NO_SYSTEM_MESSAGE);
        }
    }
    clWriter.EndGroup();

    // 5. Module, detail id, debug text, information items.
    if (dwFlags & XEI_MODULE) {
        if (!bEmpty(m_pszModName))
            clWriter.MessageFormat(MSG_DUMP_MODULE, m_pszModName, pszGetModVersion());
        else if (!bSkipEmpty)
            clWriter.Message(MSG_DUMP_NO_MODULE);
    }
    if (dwFlags & XEI_DETAIL) {
        if (m_nDetailId != 0)
            clWriter.MessageFormat(MSG_DUMP_DETAIL, m_nDetailId);
        else if (!bSkipEmpty)
            clWriter.Message(MSG_DUMP_NO_DETAIL);
    }
    if (dwFlags & XEI_DEBUGMESSAGE) {
        if (!bEmpty(m_pszDebugMessage)) {
            clWriter.Message(MSG_DUMP_DEBUG);
            clWriter.Line(m_pszDebugMessage);
        } else if (!bSkipEmpty) {
            clWriter.Message(MSG_DUMP_NO_DEBUG);
        }
    }
    if (dwFlags & XEI_INFO) {
        if (m_tabInfo.nGetNbElement() > 0) {
            clWriter.Message(MSG_DUMP_INFO, false);
            for (int i = 0; i < m_tabInfo.nGetNbElement(); i++) {
                const _stERRORINFO& stInfo = m_tabInfo[i];
                const void* pValue;
                if (_bIsInfoText(stInfo.eType)) {
                    // An empty text says nothing, except where the error lies.
                    if (bEmpty(stInfo.pszText) && stInfo.eType != EIT_POSITION_ERREUR) continue;
                    pValue = stInfo.pszText != nullptr ? stInfo.pszText : L"";
                } else if (_bIsInfoNumber32(stInfo.eType)) {
                    pValue = reinterpret_cast<const void*>(static_cast<uintptr_t>(stInfo.dwValue));
                } else if (_bIsInfoNumber64(stInfo.eType)) {
                    pValue = &stInfo.llValue;
                } else {
                    pValue = stInfo.pValue;
                }
                CTString clLine;
                DumpInfo(stInfo.eType, pValue, &clLine);
                if (clLine.nTaille() == 0) continue;
                clWriter.Text(g_szCRLF);
                clWriter.Text(clLine.pszGet());
            }
            clWriter.SetSeparator();
        } else if (!bSkipEmpty) {
            clWriter.Message(MSG_DUMP_NO_INFO);
        }
    }
    clWriter.EndGroup();

    // 6. Sub-errors, each with its own dump.
    if (dwFlags & XEI_SUBERROR) {
        for (int i = 0; i < nGetNbSubError(); i++) {
            CTString clHeading;
            DLLRES_bFormatMessage(&gstMyModuleInfo39, MSG_DUMP_SUB_ERROR, &clHeading, i + 1);
            clWriter.Text(L"\r\n----- ");
            clWriter.Text(clHeading.pszGet());
            clWriter.Text(L" -----\r\n\r\n");
            pclGetSubError(i)->StringDump(clOut, dwFlags);
            clWriter.Text(g_szCRLF);
        }
    }
}

void CXError::StringDump(CTString& clOut, uint32_t dwFlags) const {
    _DumpSections(clOut, dwFlags);
}

CTString CXError::StringDump(uint32_t dwFlags) const {
    CTString clOut;
    _DumpSections(clOut, dwFlags);
    return clOut;
}
