// CNACommand: construction, the SQL text and its edits, parameters, the formatted SQL with the
// values written as literals of the connection, query kinds and the dump of a command.
#include "native/sql/NACommand.h"

#include <algorithm>
#include <cwchar>
#include <new>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/STRCompare.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/ColumnNullValueExcluded.h"
#include "native/model/DriverServices.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAServerTypes.h"
#include "native/sql/SQLParserInfo.h"
#include "variant/Any.h"

namespace {

constexpr unsigned long TEXT_STEP = 1024;

// The code page of the 8-bit form of the command's texts: the one of the text sent to the server.
unsigned _nSQLCodePage(CNAConnectionDescription* pclConnection) {
    const unsigned nClient = NA_nGetClientCodePage(pclConnection);
    return nClient == CTStringConcatAW::s_nCodePageWide ? NA_nGetCodePage(pclConnection) : nClient;
}

// Sites of this unit's failures.
constexpr int SITE_NO_MEMORY = 9;

// The labels of the command dump: message id and the text kept when the message is missing.
struct stDumpLabel {
    unsigned nMessageId;
    const wchar_t* pszStored;
};
constexpr stDumpLabel DUMP_HEADER{25810, L"Informations de bind des paramètres :"};
constexpr stDumpLabel DUMP_COUNT{25679, L"Nombre de paramètres :"};
constexpr stDumpLabel DUMP_PARAMETER{25678, L"Paramètre :"};
constexpr stDumpLabel DUMP_TYPE{25675, L"Type Quentara"};
constexpr const wchar_t* DUMP_NULL = L"NULL";

// A dump label with the blank that ends every label.
CTString _clDumpLabel(const stDumpLabel& st) {
    CTString cl;
    if (!DLLRES_bLoadString(&gstMyModuleInfo39, st.nMessageId, &cl) || cl.nTaille() == 0) cl.Set(st.pszStored);
    cl.Add(L' ');
    return cl;
}

// The text types of the language.
bool _bTextType(unsigned short nType) {
    return (nType >= 16 && nType <= 23) || nType == 81 || nType == 110 || nType == 134;
}

}  // namespace

// ---------------------------------------------------------------------------------- life

CNACommand::CNACommand(CNAError* pclError, CNAConnectionDescription* pclConnection)
    : m_pclError(pclError),
      m_pclConnection(pclConnection),
      m_clSQL(CTStringConcatAW::s_nCodePageWide, _nSQLCodePage(pclConnection), TEXT_STEP),
      m_tabParameters(16, 0),
      m_clAdditionalSelect(CTStringConcatAW::s_nCodePageWide, _nSQLCodePage(pclConnection), TEXT_STEP),
      m_tabDefines(16, 0),
      m_clFormatedSQL(CTStringConcatAW::s_nCodePageWide, _nSQLCodePage(pclConnection), TEXT_STEP),
      m_clDump(CTStringConcatAW::s_nCodePageWide, _nSQLCodePage(pclConnection), TEXT_STEP) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_pclConnection != nullptr) {
        m_pclConnection->AddRef();
        if (NA_nGetServerKind(m_pclConnection) == 5) m_dwParameterOptions = 1;
    }
}

CNACommand::~CNACommand() {
    m_tabDefines.SupprimeTout();
    m_tabParameters.SupprimeTout();
    delete m_pclNullSelection;
    if (m_pclParserInfo != nullptr) m_pclParserInfo->nRelease();
    if (m_pclError != nullptr) m_pclError->nRelease();
    if (m_pclConnection != nullptr) m_pclConnection->nRelease();
}

void CNACommand::_RaiseNoMemory(int nSite) {
    if (m_pclError == nullptr) return;
    m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_COMMAND, nSite, m_pclConnection, 12);
}

int CNACommand::_bBackslashEscapes() const {
    // As the server reads its literals: the connection knows its setting, or failing that its version.
    return m_pclConnection == nullptr || m_pclConnection->bBackslashEscapesInLiterals();
}

int CNACommand::bIsEmpty() const {
    return m_clSQL.nGetLongueur() == 0 ? 1 : 0;
}

void CNACommand::ResetCommand(int bKeepParameters) {
    m_tabDefines.SupprimeTout();
    m_clSQL.Vide();
    m_clFormatedSQL.Vide();
    if (!bKeepParameters) m_tabParameters.SupprimeTout();
    m_llRowLimit = -1;
    m_llRowOffset = -1;
    // The dump describes the text it was made from: a command written anew needs a new one.
    m_clDump.Vide();
}

// ---------------------------------------------------------------------------------- text

int CNACommand::bComplete(const wchar_t* pszText, unsigned long n) {
    if (pszText == nullptr) return 1;
    const long nLength = n == static_cast<unsigned long>(-1) ? -1 : static_cast<long>(n);
    if (m_bParsedQuery && !m_clFormatedSQL.bEstVide()) m_clFormatedSQL.Add(pszText, nLength);
    m_clSQL.Add(pszText, nLength);
    return m_clSQL.bIsInError() ? 0 : 1;
}

int CNACommand::bSetInternalQuery(const wchar_t* pszText, unsigned long n) {
    const int bResult = bComplete(pszText, n);
    m_nColumnMode = 3;
    return bResult;
}

int CNACommand::bCompleteWithNumber(int n) {
    CTString cl;
    cl.SetI4(n);
    m_clSQL.Add(cl);
    return m_clSQL.bIsInError() ? 0 : 1;
}

void CNACommand::_CompleteFormatedSQL(const wchar_t* pszText, long n) {
    if (pszText != nullptr) m_clFormatedSQL.Add(pszText, n);
}

int CNACommand::bAddReturning(const wchar_t* pszColumns) {
    m_clSQL.AddStrCte(L" RETURNING ", 11);
    if (pszColumns != nullptr) m_clSQL.Add(pszColumns, -1);
    return m_clSQL.bIsInError() ? 0 : 1;
}

int CNACommand::bAddRecordLock() {
    const wchar_t* pszHint = m_pclConnection != nullptr ? m_pclConnection->pszGetNoLockHint() : nullptr;
    if (pszHint != nullptr && *pszHint != 0) {
        m_clSQL.AddStrCte(L" ", 1);
        m_clSQL.Add(pszHint, -1);
    }
    return m_clSQL.bIsInError() ? 0 : 1;
}

void CNACommand::Insert(unsigned long nPosition, const wchar_t* pszText) {
    const long n = pszText != nullptr ? static_cast<long>(wcslen(pszText)) : 0;
    if (n == 0) return;
    m_clSQL.Insert(pszText, n, static_cast<long>(nPosition));
    if (m_bParsedQuery && !m_clFormatedSQL.bEstVide()) m_clFormatedSQL.Insert(pszText, n, static_cast<long>(nPosition));
    _OffsetParameter(nPosition, n);
}

void CNACommand::Replace(unsigned long nPosition, unsigned long nCount, const wchar_t* pszText) {
    const long n = pszText != nullptr ? static_cast<long>(wcslen(pszText)) : 0;
    m_clSQL.Remplace(static_cast<long>(nPosition), static_cast<long>(nCount), pszText != nullptr ? pszText : L"", n);
    _OffsetParameter(nPosition, n - static_cast<long>(nCount));
}

void CNACommand::_OffsetParameter(unsigned long nPosition, long nDelta) {
    for (int i = 0; i < m_tabParameters.nGetNbElement(); i++) {
        CNAParameter* pcl = m_tabParameters[i];
        const unsigned long nOld = pcl->nGetPosition();
        if (nOld < nPosition) continue;
        // A parameter never moves in front of the place the text changed at.
        const long nNew = std::max(static_cast<long>(nOld) + nDelta, static_cast<long>(nPosition));
        pcl->SetPosition(static_cast<unsigned long>(nNew));
    }
}

void CNACommand::Tronque(unsigned long nLength) {
    m_clSQL.Tronque(static_cast<long>(nLength));
    for (int i = m_tabParameters.nGetNbElement() - 1; i >= 0; i--)
        if (m_tabParameters[i]->nGetPosition() >= nLength) m_tabParameters.Supprime(i);
}

// ---------------------------------------------------------------------------------- formatted SQL

CTStringConcatAW* CNACommand::pclGetFormatedSQL(ePARAMTYPECONV eConversion) {
    if (!m_clFormatedSQL.bEstVide() && !m_clFormatedSQL.bIsInError()) return &m_clFormatedSQL;
    m_clFormatedSQL.Vide();
    const int bBuilt = _bBuildFormatedSQL(eConversion);
    if (bBuilt && !m_clFormatedSQL.bIsInError()) return &m_clFormatedSQL;
    // A text that lost a piece says so, whichever step lost it; a parameter that failed has said
    // why already.
    if (m_clFormatedSQL.bIsInError()) _RaiseNoMemory(SITE_NO_MEMORY);
    // Nothing of a failed build stays: the next request builds again rather than send a text
    // that stops where the failure struck.
    m_clFormatedSQL.Vide();
    return nullptr;
}

const wchar_t* CNACommand::pszGetFormatedSQLW(ePARAMTYPECONV eConversion) {
    CTStringConcatAW* pcl = pclGetFormatedSQL(eConversion);
    if (pcl == nullptr) return nullptr;
    const wchar_t* psz = pcl->pszGetW();
    if (!pcl->bIsInError()) return psz;
    _RaiseNoMemory(SITE_NO_MEMORY);
    m_clFormatedSQL.Vide();
    return nullptr;
}

const char* CNACommand::pszGetFormatedSQLA(ePARAMTYPECONV eConversion) {
    CTStringConcatAW* pcl = pclGetFormatedSQL(eConversion);
    if (pcl == nullptr) return nullptr;
    const char* psz = pcl->pszGetA();
    if (!pcl->bIsInError()) return psz;
    _RaiseNoMemory(SITE_NO_MEMORY);
    m_clFormatedSQL.Vide();
    return nullptr;
}

const char* CNACommand::pszGetFormatedSQLA(ePARAMTYPECONV eConversion, stFormatedSkeleton* pstSkeleton) {
    unsigned long nPosition = 0;
    // A formatted SQL already built is the one to give.
    if (pstSkeleton == nullptr || !m_clFormatedSQL.bEstVide() || !_bFitsSkeleton(&nPosition))
        return pszGetFormatedSQLA(eConversion);
    const wchar_t* pszText = m_clSQL.pszGetW();
    const unsigned long nLength = m_clSQL.nGetLongueurW();
    stFormatedSkeleton::stParted* pstFits = nullptr;
    for (stFormatedSkeleton::stParted& st : pstSkeleton->aParted)
        if (st.bKept && st.pclConnection == m_pclConnection && st.nCodePage == m_clFormatedSQL.nGetCodePageAppelant() &&
            st.nPosition == nPosition && st.llRowLimit == m_llRowLimit && st.llRowOffset == m_llRowOffset &&
            st.sText.size() == nLength && wmemcmp(st.sText.data(), pszText, nLength) == 0)
            pstFits = &st;
    if (pstFits == nullptr) {
        const char* pszSQL = pszGetFormatedSQLA(eConversion);
        if (pszSQL == nullptr) return nullptr;
        _KeepSkeleton(&pstSkeleton->aParted[pstSkeleton->nNext], nPosition, eConversion, pszSQL);
        pstSkeleton->nNext = (pstSkeleton->nNext + 1) % 2;
        // Parting it went through the command's formatted SQL, which holds the whole text again.
        return pszGetFormatedSQLA(eConversion);
    }
    // The value alone, written as the whole text would write it, between the kept pieces.
    unsigned long nAfter = nPosition;
    if (!_bAddParameterFormated(m_tabParameters[0], eConversion, &nAfter) || nAfter != nPosition) {
        // A parameter that failed has said why; a text that lost a piece says so.
        if (m_clFormatedSQL.bIsInError()) _RaiseNoMemory(SITE_NO_MEMORY);
        m_clFormatedSQL.Vide();
        return nullptr;
    }
    const char* pszLiteral = m_clFormatedSQL.pszGetA();
    if (m_clFormatedSQL.bIsInError()) {
        _RaiseNoMemory(SITE_NO_MEMORY);
        m_clFormatedSQL.Vide();
        return nullptr;
    }
    // The other one goes first when a new text comes.
    pstSkeleton->nNext = pstFits == &pstSkeleton->aParted[0] ? 1 : 0;
    pstSkeleton->sSQL.assign(pstFits->sHead)
        .append(pszLiteral, m_clFormatedSQL.nGetLongueurA())
        .append(pstFits->sTail);
    m_clFormatedSQL.Vide();
    return pstSkeleton->sSQL.c_str();
}

int CNACommand::_bFitsSkeleton(unsigned long* pnPosition) {
    if (m_bParsedQuery || m_tabParameters.nGetNbElement() != 1 || m_clSQL.bIsInError()) return 0;
    const unsigned nKind = NA_nGetServerKind(m_pclConnection);
    if (nKind == 1 || nKind == 2 || nKind == 3) return 0;
    CNAParameter* pclParameter = m_tabParameters[0];
    constexpr unsigned OWN_WRITING = CNAParameter::NAPARAM_FLAG_FILE | CNAParameter::NAPARAM_FLAG_USER |
                                     CNAParameter::NAPARAM_FLAG_CURSOR | NAPARAM_FLAG_LIKELITERAL;
    if ((pclParameter->nGetFlags() & OWN_WRITING) != 0) return 0;
    const wchar_t* pszText = m_clSQL.pszGetW();
    const unsigned long nLength = m_clSQL.nGetLongueurW();
    const unsigned long nPosition = pclParameter->nGetPosition();
    // No blank is ever put between the value and a text that starts with one.
    if (nPosition >= nLength || pszText[nPosition] != L' ') return 0;
    // "SELECT", blanks, then anything but a TOP, all before the value.
    static const wchar_t s_szSelect[] = L"SELECT";
    unsigned long i = 0;
    for (; i < 6; i++) {
        const wchar_t c = pszText[i] >= L'a' && pszText[i] <= L'z' ? static_cast<wchar_t>(pszText[i] - 32) : pszText[i];
        if (i >= nPosition || c != s_szSelect[i]) return 0;
    }
    while (i < nPosition && s_bEspaceSQL(pszText[i])) i++;
    if (i + 4 >= nPosition || pszText[i] == L'T' || pszText[i] == L't') return 0;
    // How the text ends (a LIMIT 0 of its own) is read from the text after the value alone.
    unsigned long nEnd = nLength;
    while (nEnd > nPosition && s_bSeparateur(pszText[nEnd - 1])) nEnd--;
    if (nEnd - nPosition < 9) return 0;
    *pnPosition = nPosition;
    return 1;
}

void CNACommand::_KeepSkeleton(stFormatedSkeleton::stParted* pstParted, unsigned long nPosition,
                               ePARAMTYPECONV eConversion, const char* pszFormated) {
    stFormatedSkeleton::stParted& st = *pstParted;
    st.bKept = false;
    // The whole text as built, the value formatted alone again to find where it ends in it.
    const std::string sFormated(pszFormated);
    const std::wstring sWide(m_clFormatedSQL.pszGetW(), m_clFormatedSQL.nGetLongueurW());
    const wchar_t* pszText = m_clSQL.pszGetW();
    const unsigned long nLength = m_clSQL.nGetLongueurW();
    m_clFormatedSQL.Vide();
    unsigned long nAfter = nPosition;
    const int bLiteral = _bAddParameterFormated(m_tabParameters[0], eConversion, &nAfter);
    const std::wstring sLiteral(m_clFormatedSQL.pszGetW(), m_clFormatedSQL.nGetLongueurW());
    const bool bLiteralA = bLiteral && !m_clFormatedSQL.bIsInError();
    const std::string sLiteralA(bLiteralA ? m_clFormatedSQL.pszGetA() : "",
                                bLiteralA ? m_clFormatedSQL.nGetLongueurA() : 0);
    const bool bRead = bLiteralA && !m_clFormatedSQL.bIsInError() && nAfter == nPosition;
    // The command's formatted SQL is the whole text again.
    m_clFormatedSQL.Vide();
    m_clFormatedSQL.Add(sWide.data(), static_cast<long>(sWide.size()));
    const unsigned long nTail = nPosition + sLiteral.size();
    if (!bRead || sWide.size() < nTail + (nLength - nPosition) || sWide.compare(0, nPosition, pszText, nPosition) != 0 ||
        sWide.compare(nPosition, sLiteral.size(), sLiteral) != 0 ||
        sWide.compare(nTail, nLength - nPosition, pszText + nPosition, nLength - nPosition) != 0)
        return;
    CTStringConcatAW clHead(CTStringConcatAW::s_nCodePageWide, m_clFormatedSQL.nGetCodePageAppelant());
    CTStringConcatAW clTail(CTStringConcatAW::s_nCodePageWide, m_clFormatedSQL.nGetCodePageAppelant());
    clHead.Add(sWide.data(), static_cast<long>(nPosition));
    clTail.Add(sWide.data() + nTail, static_cast<long>(sWide.size() - nTail));
    st.sHead.assign(clHead.pszGetA(), clHead.nGetLongueurA());
    st.sTail.assign(clTail.pszGetA(), clTail.nGetLongueurA());
    // Kept only when the pieces give back the very text sent.
    if (clHead.bIsInError() || clTail.bIsInError() || st.sHead + sLiteralA + st.sTail != sFormated) return;
    st.sText.assign(pszText, nLength);
    st.nPosition = nPosition;
    st.llRowLimit = m_llRowLimit;
    st.llRowOffset = m_llRowOffset;
    st.pclConnection = m_pclConnection;
    st.nCodePage = m_clFormatedSQL.nGetCodePageAppelant();
    st.bKept = true;
}

void CNACommand::_AddSpaceBetween(wchar_t cNext) {
    const unsigned long n = m_clFormatedSQL.nGetLongueur();
    if (n == 0 || cNext == L' ' || m_clFormatedSQL.cGetCharW(static_cast<long>(n - 1)) == L' ') return;
    m_clFormatedSQL.AddStrCte(L" ", 1);
}

int CNACommand::_bBuildFormatedSQL(ePARAMTYPECONV eConversion) {
    const wchar_t* pszText = m_clSQL.pszGetW();
    const unsigned long nLength = m_clSQL.nGetLongueurW();
    if (m_clSQL.bIsInError()) {
        _RaiseNoMemory(SITE_NO_MEMORY);
        return 0;
    }
    unsigned long nPos = 0;
    int bResult = 1;
    for (int i = 0; i < m_tabParameters.nGetNbElement() && bResult; i++) {
        CNAParameter* pclParameter = m_tabParameters[i];
        const unsigned long nParameter = std::min(pclParameter->nGetPosition(), nLength);
        _AddSpaceBetween(nPos < nLength ? pszText[nPos] : 0);
        if (nParameter > nPos) m_clFormatedSQL.Add(pszText + nPos, static_cast<long>(nParameter - nPos));
        // A parameter behind the place reached (the text it stood in was replaced) is written here.
        unsigned long nVariable = std::max(nParameter, nPos);
        bResult = _bAddParameterFormated(pclParameter, eConversion, &nVariable);
        nPos = std::min(nVariable, nLength);
    }
    if (!bResult) return 0;
    if (nPos < nLength) {
        _AddSpaceBetween(pszText[nPos]);
        m_clFormatedSQL.Add(pszText + nPos, static_cast<long>(nLength - nPos));
    }
    switch (NA_nGetServerKind(m_pclConnection)) {
        case 1:
        case 2:
        case 3:
            _RemplaceLimitParTop();
            break;
        case 5:
        case 6:
            _RemplaceTopParLimit();
            break;
        default:
            break;
    }
    return m_clFormatedSQL.bIsInError() ? 0 : 1;
}

int CNACommand::_bAddParameterFormated(CNAParameter* pclParameter, ePARAMTYPECONV eConversion,
                                       unsigned long* pnPosition) {
    eNA_ITEMTYPE eDataBase = NA_IT_EMPTY, eTarget = NA_IT_EMPTY;
    const unsigned nFlags = pclParameter->nGetFlags();
    if (nFlags & CNAParameter::NAPARAM_FLAG_FILE) {
        const bool bLoaded = pclParameter->bLoadFile(m_pclError);
        pclParameter->bGetVQTypeInfo(&eDataBase, &eTarget);
        if (eTarget == NA_IT_EMPTY)
            eTarget = (nFlags & CNAParameter::NAPARAM_FLAG_TEXTFILE) ? NA_IT_MEMOTEXTE : NA_IT_MEMOBINAIRE;
        // A file that could not be read has no value to send: writing what is left (the file's
        // name, or nothing) would store the wrong value as if all went well.
        if (!bLoaded) return 0;
    } else {
        pclParameter->bGetVQTypeInfo(&eDataBase, &eTarget);
    }
    if (pclParameter->nGetFlags() & CNAParameter::NAPARAM_FLAG_LIKE)
        return _bAddParameterFormatedLike(pclParameter, eDataBase, eTarget, eConversion, pnPosition);
    return _bAddParameterFormated(pclParameter, eDataBase, eTarget, eConversion, pnPosition);
}

int CNACommand::_bAddParameterFormated(CNAParameter* pclParameter, eNA_ITEMTYPE eDataBaseType,
                                       eNA_ITEMTYPE eTargetType, ePARAMTYPECONV, unsigned long*) {
    if (pclParameter->nGetFlags() & CNAParameter::NAPARAM_FLAG_USER) _bUpdateParameterValue(pclParameter);
    CNAConvertVariant* pclValue = pclParameter->pclGetValueNoRef();
    CAny clValue;
    if (pclValue != nullptr) {
        pclValue->bGetValue(&clValue);
        if (eTargetType == NA_IT_EMPTY) eTargetType = pclValue->eNAGetItemType();
    }
    if (m_pclConnection == nullptr) return 0;
    CTStringConcatAW clLiteral(NA_nGetClientCodePage(m_pclConnection), NA_nGetCodePage(m_pclConnection), TEXT_STEP);
    CNAColumn* pclColumn = pclParameter->pclGetColumnNoRef();
    CNAConvertVariant* pclRead = pclColumn != nullptr ? pclColumn->pclGetNAValue() : nullptr;
    size_t nKept = 0;
    const char* pszKept = pclRead != nullptr ? pclRead->pszGetKeptServerText(clValue, &nKept) : nullptr;
    if (pszKept != nullptr) {
        // The value of a row just read, in the server's own words: the host's copy of it may name
        // another value (microseconds, an instant of a zone, an infinity).
        clLiteral.Vide();
        clLiteral.Add(L"'", 1);
        for (size_t i = 0; i < nKept; i++) {
            if (pszKept[i] == '\'') clLiteral.Add(L"'", 1);
            const wchar_t c = static_cast<unsigned char>(pszKept[i]);
            clLiteral.Add(&c, 1);
        }
        clLiteral.Add(L"'", 1);
    } else if (!m_pclConnection->bConvertValueToString(m_pclError, &clLiteral, &clValue, eDataBaseType, eTargetType)) {
        return 0;
    }
    const wchar_t* pszCast = pclColumn != nullptr ? NA_pszServerTypeWrittenAs(pclColumn->nGetDBType()) : nullptr;
    if (pszCast != nullptr && !clValue.bIsNull()) {
        // Written through a number the server converts whatever its settings: a money column's
        // text would be read after lc_monetary.
        CTStringConcatAW clCast(NA_nGetClientCodePage(m_pclConnection), NA_nGetCodePage(m_pclConnection), TEXT_STEP);
        clCast.Add(L"(", 1);
        if (!_bAppendLiteral(&clCast) || !_bAppendLiteral(&clLiteral)) return 0;
        clCast.Vide();
        clCast.Add(L")::", 3);
        clCast.Add(pszCast, static_cast<long>(wcslen(pszCast)));
        return _bAppendLiteral(&clCast);
    }
    return _bAppendLiteral(&clLiteral);
}

int CNACommand::_bAppendLiteral(CTStringConcatAW* pclLiteral) {
    if (pclLiteral->bIsInError()) {
        _RaiseNoMemory(SITE_NO_MEMORY);
        return 0;
    }
    if (m_clFormatedSQL.nGetCodePage() == pclLiteral->nGetCodePage() && !pclLiteral->bModeWide()) {
        const char* psz = pclLiteral->pszGetA();
        m_clFormatedSQL.Add(psz, static_cast<long>(pclLiteral->nGetLongueurA()), pclLiteral->nGetCodePage());
    } else {
        const wchar_t* psz = pclLiteral->pszGetW();
        m_clFormatedSQL.Add(psz, static_cast<long>(pclLiteral->nGetLongueurW()));
    }
    if (!pclLiteral->bIsInError() && !m_clFormatedSQL.bIsInError()) return 1;
    _RaiseNoMemory(SITE_NO_MEMORY);
    return 0;
}

// ---------------------------------------------------------------------------------- parameters

int CNACommand::bAddParameter(CNAParameter* pclParameter) {
    if (pclParameter == nullptr) return 0;
    const int n = m_tabParameters.nGetNbElement();
    m_tabParameters.Ajoute(pclParameter);
    if (m_tabParameters.nGetNbElement() != n) return 1;
    _RaiseNoMemory(SITE_NO_MEMORY);
    return 0;
}

int CNACommand::bReplaceParameter(unsigned int nIndex, CNAParameter* pclParameter) {
    if (pclParameter == nullptr || nIndex >= static_cast<unsigned>(m_tabParameters.nGetNbElement())) return 0;
    m_tabParameters.SetAt(pclParameter, static_cast<int>(nIndex));
    m_clFormatedSQL.Vide();
    return 1;
}

int CNACommand::bAddParameter(CNAConvertVariant* pclValue, eOPEXPRESSION eOperator, unsigned int nFlags,
                              CNAColumn* pclColumn, const wchar_t* pszName, wchar_t cEscape,
                              CNAParameter::eNAPARAMETERINOUT eDirection) {
    CNAParameter* pcl = CNADriver::s_pclDriver != nullptr
                            ? CNADriver::s_pclDriver->pclAllocParameter(pclValue, m_clSQL.nGetLongueurW(), nFlags, pszName)
                            : nullptr;
    if (pcl == nullptr) {
        _RaiseNoMemory(SITE_NO_MEMORY);
        return 0;
    }
    // The factory hands out a parameter nobody holds yet: hold it while it is set up.
    pcl->AddRef();
    pcl->SetOperator(eOperator);
    pcl->SetEscape(cEscape);
    pcl->SetDirection(eDirection);
    if (pclColumn != nullptr) pcl->SetColum(pclColumn);
    const int bResult = bAddParameter(pcl);
    pcl->nRelease();
    return bResult;
}

int CNACommand::bAddParameter(const CAny* pclValue, eOPEXPRESSION eOperator, unsigned int nFlags,
                              CNAColumn* pclColumn, wchar_t cEscape, CNAParameter::eNAPARAMETERINOUT eDirection) {
    CNAConvertVariant* pclConverter = _vpclGetNewVariant(pclColumn, pclValue);
    if (pclConverter == nullptr) return 0;
    pclConverter->AddRef();
    const int bResult = bAddParameter(pclConverter, eOperator, nFlags, pclColumn, nullptr, cEscape, eDirection);
    pclConverter->nRelease();
    return bResult;
}

int CNACommand::bAddParameterReturn(CNAConvertVariant* pclValue) {
    return bAddParameter(pclValue, OPEXPRESSION_NONE, 0, nullptr, nullptr, 0, CNAParameter::NAPARAM_RETURN);
}

CNAParameter* CNACommand::pclGetParameterNoRef(unsigned int nIndex) const {
    if (nIndex >= static_cast<unsigned>(m_tabParameters.nGetNbElement())) return nullptr;
    return m_tabParameters[static_cast<int>(nIndex)];
}

CNAParameter* CNACommand::pclGetParameterByNameNoRef(const wchar_t* pszName) const {
    for (int i = 0; i < m_tabParameters.nGetNbElement(); i++) {
        CNAParameter* pcl = m_tabParameters[i];
        if ((pcl->nGetFlags() & CNAParameter::NAPARAM_FLAG_USER) &&
            STR_nEmptyNullCompare(pcl->pszGetName(), pszName, STR_LOGIQUE) == 0)
            return pcl;
    }
    return nullptr;
}

int CNACommand::nGetUserParamIndice(const CNAParameter* pclParameter) const {
    if (pclParameter == nullptr) return -1;
    for (int i = 0; i < m_tabParameters.nGetNbElement(); i++) {
        const CNAParameter* pcl = m_tabParameters[i];
        if ((pcl->nGetFlags() & CNAParameter::NAPARAM_FLAG_USER) &&
            pcl->nGetPosition() == pclParameter->nGetPosition())
            return i;
    }
    return -1;
}

CNAConvertVariant* CNACommand::_vpclAllocVariant() {
    if (CNADriver::s_pclDriver != nullptr) return CNADriver::s_pclDriver->pclAllocVariant(m_pclError, m_pclConnection);
    // No driver object, no factory: nothing can be made.
    _RaiseNoMemory(SITE_NO_MEMORY);
    return nullptr;
}

CNAConvertVariant* CNACommand::_vpclGetNewVariant(CNAColumn* pclColumn, unsigned short nType) {
    if (CNADriver::s_pclDriver != nullptr)
        return CNADriver::s_pclDriver->pclGetNewVariant_NV_Any(m_pclError, m_pclConnection, pclColumn, nType);
    _RaiseNoMemory(SITE_NO_MEMORY);
    return nullptr;
}

CNAConvertVariant* CNACommand::_vpclGetNewVariant(CNAColumn* pclColumn, const CAny* pclValue) {
    if (CNADriver::s_pclDriver != nullptr)
        return CNADriver::s_pclDriver->pclGetNewVariant_NV_Any(m_pclError, m_pclConnection, pclColumn, pclValue);
    _RaiseNoMemory(SITE_NO_MEMORY);
    return nullptr;
}

// ---------------------------------------------------------------------------------- other commands

int CNACommand::bAdd(CNACommand* pclOther, eADDMMODE eMode) {
    if (pclOther == nullptr) return 1;
    // Adding a command to itself would move its own parameters while they are walked.
    if (pclOther == this) return 0;
    const unsigned long nOld = m_clSQL.nGetLongueurW();
    const wchar_t* pszOther = pclOther->m_clSQL.pszGetW();
    m_clSQL.Add(pszOther, static_cast<long>(pclOther->m_clSQL.nGetLongueurW()));
    if (m_clSQL.bIsInError() || pclOther->m_clSQL.bIsInError()) {
        _RaiseNoMemory(SITE_NO_MEMORY);
        return 0;
    }
    for (int i = 0; i < pclOther->m_tabParameters.nGetNbElement(); i++) {
        CNAParameter* pcl = pclOther->m_tabParameters[i];
        if (eMode == ADDMODE_COPY) {
            CNAParameter* pclCopy = pcl->pclGetClone();
            if (pclCopy == nullptr) {
                _RaiseNoMemory(SITE_NO_MEMORY);
                return 0;
            }
            pclCopy->AddRef();
            pclCopy->SetPosition(pcl->nGetPosition() + nOld);
            const int bAdded = bAddParameter(pclCopy);
            pclCopy->nRelease();
            if (!bAdded) return 0;
        } else {
            pcl->SetPosition(pcl->nGetPosition() + nOld);
            if (!bAddParameter(pcl)) return 0;
        }
    }
    for (int i = 0; i < pclOther->m_tabDefines.nGetNbElement(); i++) {
        const int n = m_tabDefines.nGetNbElement();
        m_tabDefines.Ajoute(pclOther->m_tabDefines[i]);
        if (m_tabDefines.nGetNbElement() == n) {
            _RaiseNoMemory(SITE_NO_MEMORY);
            return 0;
        }
    }
    return 1;
}

// ---------------------------------------------------------------------------------- query kinds

void CNACommand::SetQueryType(int eHostKind) {
    static const eNAQUERYTYPE s_tab[] = {NAQUERYTYPE_OTHER,  NAQUERYTYPE_SELECT, NAQUERYTYPE_SELECT,
                                         NAQUERYTYPE_UPDATE, NAQUERYTYPE_INSERT, NAQUERYTYPE_DELETE,
                                         NAQUERYTYPE_CREATE, NAQUERYTYPE_DROP};
    m_eQueryType = eHostKind >= 0 && eHostKind <= 7 ? s_tab[eHostKind] : NAQUERYTYPE_OTHER;
}

eNAQUERYTYPE CNACommand::eConvertTypeQuery(int eHostKind) {
    static const eNAQUERYTYPE s_tab[] = {NAQUERYTYPE_OTHER, NAQUERYTYPE_SELECT, NAQUERYTYPE_SELECT,
                                         NAQUERYTYPE_UPDATE, NAQUERYTYPE_INSERT, NAQUERYTYPE_DELETE};
    return eHostKind >= 0 && eHostKind <= 5 ? s_tab[eHostKind] : NAQUERYTYPE_OTHER;
}

uint32_t CNACommand::VQType2eParamType(unsigned short nType) {
    switch (nType) {
        case 1:
            return PARAMTYPECONV_BOOLEAN;
        case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 14:
            return PARAMTYPECONV_INTEGER;
        case 10: case 13:
            return PARAMTYPECONV_MONEY;
        case 11: case 12:
            return PARAMTYPECONV_REAL;
        case 16: case 17: case 18: case 19: case 81: case 110:
            return PARAMTYPECONV_TEXT;
        case 24: case 25: case 26: case 27: case 128: case 129:
            return PARAMTYPECONV_DATE;
        case 28: case 29:
            return PARAMTYPECONV_BINARY;
        default:
            return 0;
    }
}

int CNACommand::_bNeedParameterConversionToString(const CNAVariant* pclValue, ePARAMTYPECONV eConversion) {
    if (eConversion == PARAMTYPECONV_NONE || pclValue == nullptr) return 0;
    const unsigned short nType = pclValue->pclGetValue()->nGetTypeCode();
    const uint32_t nClass = VQType2eParamType(nType);
    if ((nClass & eConversion) == nClass) return 1;
    return _bTextType(nType) && pclValue->nGetUtilDataSize() == 0 ? 1 : 0;
}

int CNACommand::_bNeedParameterConversionToString(const CNAParameter* pclParameter, ePARAMTYPECONV eConversion) {
    if (eConversion == PARAMTYPECONV_NONE || pclParameter == nullptr) return 0;
    return _bNeedParameterConversionToString(pclParameter->pclGetValueNoRef(), eConversion);
}

// ---------------------------------------------------------------------------------- parsed queries

void CNACommand::_GetMotifVariableDebut(wchar_t* pszOut, unsigned int nSize) {
    if (pszOut == nullptr || nSize == 0) return;
    wcsncpy(pszOut, L"{", nSize - 1);
    pszOut[nSize - 1] = 0;
}

void CNACommand::_GetMotifVariableFin(wchar_t* pszOut, unsigned int nSize) {
    if (pszOut == nullptr || nSize == 0) return;
    wcsncpy(pszOut, L"}", nSize - 1);
    pszOut[nSize - 1] = 0;
}

int CNACommand::_bShouldAddParameter(CSQLParserInfo* pclParser, IExpOpExpression*, IExpOpExpression*,
                                     CNASqlElt::eSQLELT eKind, INAItemDescription*) {
    if (!m_bParametersAllowed) return 0;
    if (eKind == CNASqlElt::SQLELT_SELECT && (m_dwParameterOptions & 2))
        return pclParser != nullptr && pclParser->nGetQueryKind() != CSQLParserInfo::QUERYKIND_SELECT;
    return 1;
}

// ---------------------------------------------------------------------------------- dump

const wchar_t* CNACommand::pszGetCommandDump() {
    if (!m_clDump.bEstVide()) return m_clDump.pszGetW();
    const CTString clHeader = _clDumpLabel(DUMP_HEADER), clCount = _clDumpLabel(DUMP_COUNT),
                   clParameter = _clDumpLabel(DUMP_PARAMETER), clType = _clDumpLabel(DUMP_TYPE);
    CTString cl;
    m_clDump.Add(clHeader);
    m_clDump.Add(m_clSQL.pszGetW(), static_cast<long>(m_clSQL.nGetLongueurW()));
    m_clDump.AddStrCte(L"\r\n", 2);
    m_clDump.Add(clCount);
    m_clDump.AddStrCte(L"=", 1);
    cl.SetI4(m_tabParameters.nGetNbElement());
    m_clDump.Add(cl);
    m_clDump.AddStrCte(L"\r\n", 2);
    for (int i = 0; i < m_tabParameters.nGetNbElement(); i++) {
        const CNAParameter* pclParameter = m_tabParameters[i];
        m_clDump.Add(clParameter);
        m_clDump.AddStrCte(L" ", 1);
        cl.SetI4(i);
        m_clDump.Add(cl);
        m_clDump.AddStrCte(L" :\t", 3);
        if (pclParameter->nGetFlags() & CNAParameter::NAPARAM_FLAG_CURSOR) {
            m_clDump.AddStrCte(L" = <cursor parameter>", -1);
            m_clDump.AddStrCte(L">\r\n", 3);
            continue;
        }
        CAny clValue;
        if (pclParameter->pclGetValueNoRef() != nullptr) pclParameter->pclGetValueNoRef()->bGetValue(&clValue);
        m_clDump.Add(clType);
        cl.SetI4(clValue.nGetTypeCode());
        m_clDump.Add(cl);
        m_clDump.AddStrCte(L" = <", 4);
        if (clValue.nGetTypeCode() == VQTYPE_BUFFER) {
            unsigned long nSize = 0;
            clValue.pclGetValeur()->nGetUtilDataSize(&nSize);
            m_clDump.AddStrCte(L"Buffer, size = ", -1);
            cl.SetI8(static_cast<long>(nSize));
            m_clDump.Add(cl);
        } else {
            const wchar_t* pszText = nullptr;
            CAny clText(clValue);
            if (!clValue.bIsNull() && clText.__nCastTo(VQTYPE_DSTRW, nullptr, 1) <= VQERR_DERNIER_SUCCES_HOTE &&
                !clText.bIsNull() && clText.nGetTypeCode() == VQTYPE_DSTRW)
                clText.pclGetValeur()->nGetPCWSTR(&pszText);
            m_clDump.Add(pszText != nullptr ? pszText : DUMP_NULL, -1);
        }
        m_clDump.AddStrCte(L">\r\n", 3);
    }
    if (!m_clDump.bIsInError()) return m_clDump.pszGetW();
    m_clDump.Vide();
    return L"";
}
