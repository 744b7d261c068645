// CNACommand: LIKE patterns from parameters (their escaping and the ESCAPE clause each dialect
// needs), search values escaped to match themselves, comparisons with an empty date, the select
// list with its output bindings, and the record of the columns whose NULL values the command's
// condition still lets through.
#include <cstdlib>
#include <cwchar>
#include <new>
#include <string>

#include "core/Escapement.h"
#include "core/XYString.h"
#include "core/platformwin/WinCodePage.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/ColumnNullValueExcluded.h"
#include "native/model/DriverServices.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NARecord.h"
#include "native/sql/NACommand.h"
#include "variant/Any.h"

namespace {

constexpr unsigned long TEXT_STEP = 1024;

// Server kinds with LIKE forms of their own.
constexpr unsigned KIND_2 = 2;
constexpr unsigned KIND_3 = 3;
constexpr unsigned KIND_5 = 5;
constexpr unsigned KIND_6 = 6;
constexpr unsigned KIND_12 = 12;

// Sites of this unit's failures.
constexpr int SITE_ESCAPE_NARROW = 5;
constexpr int SITE_ESCAPE_WIDE = 6;
constexpr int SITE_NULL_SELECTION = 10;

// What the dialect that writes its wildcards between brackets puts for an escaped "%" and "_".
constexpr const wchar_t* WILDCARD_PERCENT = L"%";
constexpr const wchar_t* WILDCARD_UNDERSCORE = L"_";
constexpr const wchar_t* WILDCARD_BEFORE = L"[";
constexpr const wchar_t* WILDCARD_AFTER = L"]";

bool _bWideText(unsigned short nType) {
    return nType == 16 || nType == 20 || nType == 81 || nType == 110;
}
bool _bNarrowText(unsigned short nType) {
    return nType == 17 || nType == 18 || nType == 19 || (nType >= 21 && nType <= 23) || nType == 134;
}

// The escape character as one byte of the code page; 0 when it takes more than one.
char _cNarrowEscape(wchar_t c, unsigned nCodePage) {
    if (c < 0x80) return static_cast<char>(c);
    char sz[8] = {0};
    const int n = WideCharToMultiByte(nCodePage, 0, &c, 1, sz, sizeof(sz), nullptr, nullptr);
    return n == 1 ? sz[0] : 0;
}

}  // namespace

// ---------------------------------------------------------------------------------- LIKE patterns

int CNACommand::_bAddParameterFormatedLike(CNAParameter* pclParameter, eNA_ITEMTYPE eDataBaseType,
                                           eNA_ITEMTYPE eTargetType, ePARAMTYPECONV, unsigned long* pnPosition) {
    CAny clValue;
    if (pclParameter->pclGetValueNoRef() != nullptr) pclParameter->pclGetValueNoRef()->bGetValue(&clValue);
    const wchar_t cEscape = pclParameter->cGetEscape() != 0 ? pclParameter->cGetEscape() : L'\\';
    const unsigned short nType = clValue.nGetTypeCode();
    const char cNarrowEscape = _cNarrowEscape(cEscape, NA_nGetCodePage(m_pclConnection));
    // A NULL pattern stays NULL; an escape character that is not one byte of the code page cannot
    // escape 8-bit text, so such a pattern is escaped as wide text.
    if (clValue.bIsNull()) {
    } else if (_bWideText(nType) || cNarrowEscape == 0) {
        CAny clText(clValue);
        const wchar_t* psz = nullptr;
        if (clText.nGetTypeCode() != VQTYPE_DSTRW) clText.__nCastTo(VQTYPE_DSTRW, nullptr, 1);
        if (clText.nGetTypeCode() == VQTYPE_DSTRW && !clText.bIsNull()) clText.pclGetValeur()->nGetPCWSTR(&psz);
        if (psz != nullptr && *psz != 0) {
            // Quotes doubled for the literal are undone first: the connection doubles them when it
            // writes the literal.
            std::wstring s(psz);
            PurgeQuote(s.data(), 1);
            wchar_t* pszEscaped = pszEscape(s.c_str(), 0, 0, 1, 0, 0, 0, 0, 0, L'\'', cEscape);
            if (pszEscaped == nullptr) {
                if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
                return 0;
            }
            clValue.__SetType(VQTYPE_DSTRW, 0);
            clValue.pclGetValeur()->SetValue(pszEscaped, wcslen(pszEscaped) * sizeof(wchar_t));
            free(pszEscaped);
        }
        if (eTargetType == NA_IT_EMPTY) eTargetType = NA_IT_UNICODE;
    } else {
        CAny clText(clValue);
        if (!_bNarrowText(clText.nGetTypeCode())) clText.__nCastTo(VQTYPE_DSTRA, nullptr, 1);
        const char* psz = nullptr;
        if (_bNarrowText(clText.nGetTypeCode()) && !clText.bIsNull()) clText.pclGetValeur()->nGetPCASTR(&psz);
        if (psz != nullptr && *psz != 0) {
            std::string s(psz);
            PurgeQuote(s.data(), 1);
            char* pszEscaped = pszEscape(s.c_str(), 0, 0, 1, 0, 0, 0, 0, 0, '\'', cNarrowEscape);
            if (pszEscaped == nullptr) {
                if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
                return 0;
            }
            clValue.__SetType(VQTYPE_PSTRA, 0);
            clValue.pclGetValeur()->SetValue(pszEscaped, strlen(pszEscaped));
            free(pszEscaped);
        }
        if (eTargetType == NA_IT_EMPTY) eTargetType = NA_IT_TEXTE;
    }
    return vbAddEscapedLikeValue(pclParameter, &clValue, eDataBaseType, eTargetType, pnPosition);
}

int CNACommand::vbAddEscapedLikeValue(CNAParameter* pclParameter, CAny* pclValue, eNA_ITEMTYPE eDataBaseType,
                                      eNA_ITEMTYPE eTargetType, unsigned long* pnPosition) {
    if (m_pclConnection == nullptr) return 0;
    CTStringConcatAW clLiteral(NA_nGetClientCodePage(m_pclConnection), NA_nGetCodePage(m_pclConnection), TEXT_STEP);
    int bResult = m_pclConnection->bConvertValueToString(m_pclError, &clLiteral, pclValue, eDataBaseType, eTargetType);
    const unsigned nKind = NA_nGetServerKind(m_pclConnection);
    if (bResult && nKind == KIND_3)
        _ChangeEscapement(&clLiteral, pclParameter->cGetEscape() != 0 ? pclParameter->cGetEscape() : L'\\');
    if (nKind == KIND_2) clLiteral.Remplace(L"[", 1, L"[[]", 3, 0);
    if (bResult) bResult = _bAppendLiteral(&clLiteral);
    vAddEscapeLikeIfNeeded(pclParameter, clLiteral.pszGetW(), pnPosition);
    return bResult;
}

void CNACommand::vAddEscapeLikeIfNeeded(CNAParameter* pclParameter, const wchar_t* pszLiteral,
                                        unsigned long* pnPosition) {
    const wchar_t* pszText = m_clSQL.pszGetW();
    const unsigned long nLength = m_clSQL.nGetLongueurW();
    const unsigned long nAt = *pnPosition < nLength ? *pnPosition : nLength;
    const long nBlanks = s_nGetPosSuiteRequete(pszText + nAt, L"ESCAPE");
    const unsigned nKind = NA_nGetServerKind(m_pclConnection);
    if (nKind == KIND_3) {
        // This dialect's literal no longer holds escapes: the ESCAPE clause of the text goes.
        if (nBlanks < 0) return;
        const wchar_t* pszQuote = wcschr(pszText + nAt + nBlanks + 6, L'\'');
        const unsigned long nEnd = pszQuote != nullptr ? static_cast<unsigned long>(pszQuote - pszText) + 3 : nLength;
        *pnPosition = nEnd < nLength ? nEnd : nLength;
        return;
    }
    const wchar_t cEscape = pclParameter->cGetEscape() != 0 ? pclParameter->cGetEscape() : L'\\';
    if (pszLiteral == nullptr || wcschr(pszLiteral, cEscape) == nullptr || nBlanks >= 0) return;
    if (cEscape == L'\\') {
        if (nKind == KIND_5) return;
        // PostgreSQL reading backslashes as escapes warns of a plain literal that holds one.
        if (nKind == KIND_6 && _bBackslashEscapes())
            _CompleteFormatedSQL(L" ESCAPE E'\\\\'", 13);
        else if (nKind == KIND_12)
            _CompleteFormatedSQL(L" ESCAPE '\\\\'", 12);
        else
            _CompleteFormatedSQL(L" ESCAPE '\\'", 11);
        return;
    }
    _CompleteFormatedSQL(L" ESCAPE '", 9);
    _CompleteFormatedSQL(&cEscape, 1);
    // A quote as escape character is doubled like any quote inside a literal.
    if (cEscape == L'\'') _CompleteFormatedSQL(&cEscape, 1);
    _CompleteFormatedSQL(L"'", 1);
}

void CNACommand::_ChangeEscapement(CTStringConcatAW* pclText, wchar_t cEscape) {
    wchar_t* psz = pszChangeEscape(pclText->pszGetW(), WILDCARD_PERCENT, WILDCARD_BEFORE, WILDCARD_AFTER,
                                   WILDCARD_UNDERSCORE, WILDCARD_BEFORE, WILDCARD_AFTER, cEscape);
    if (psz == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return;
    }
    pclText->Vide();
    pclText->Add(psz, -1);
    free(psz);
}

namespace {

template <class T>
int _bEscapeLike(CXYString<T>* pclOut, const T* pszValue, T cEscape, unsigned long nExtra) {
    const size_t nLength = pszValue != nullptr ? std::char_traits<T>::length(pszValue) : 0;
    const int64_t llRoom = 2 * static_cast<int64_t>(nLength) + static_cast<int64_t>(nExtra);
    if (llRoom > 0x7FFFFEFF) return 0;
    // Every character of the value gives at most two.
    if (pclOut->nSetLength(static_cast<int>(llRoom)) != 0) return 0;
    T* pszBuffer = pclOut->pszGetBuffer();
    Escape(pszValue, pszBuffer, 1, 1, 1, 1, 1, 1, 1, 1, T('\''), cEscape != 0 ? cEscape : T('\\'));
    const size_t nWritten = std::char_traits<T>::length(pszBuffer);
    if (nWritten == 0)
        pclOut->ReleaseDynStr();
    else
        pclOut->__FillDynStr(pszBuffer, static_cast<int>(nWritten), 0);  // in place: the length only
    return 1;
}

}  // namespace

int CNACommand::bEscapeLIKEParamAsYFParam(CXYString<wchar_t>* pclOut, const wchar_t* pszValue, wchar_t cEscape) {
    if (_bEscapeLike<wchar_t>(pclOut, pszValue, cEscape, 12)) return 1;
    if (m_pclError != nullptr)
        m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_COMMAND, SITE_ESCAPE_WIDE, m_pclConnection, 12);
    return 0;
}

int CNACommand::bEscapeLIKEParamAsYFParam(CXYString<char>* pclOut, const char* pszValue, char cEscape) {
    if (_bEscapeLike<char>(pclOut, pszValue, cEscape, 3)) return 1;
    if (m_pclError != nullptr)
        m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_COMMAND, SITE_ESCAPE_NARROW, m_pclConnection, 12);
    return 0;
}

// ---------------------------------------------------------------------------------- empty dates

const wchar_t* CNACommand::s_pszGetEmptyDateComparison(int eOperator, int bNullBeforeNotNull, int* pbConstant) {
    struct stRow {
        const wchar_t* pszNullFirst;
        const wchar_t* pszNullLast;
    };
    static const stRow s_tab[] = {
        {L" IS NULL ", L" IS NULL "},          // =
        {L" IS NOT NULL ", L" IS NOT NULL "},  // <>
        {L" 0=1 ", L" IS NOT NULL "},          // <
        {L" IS NULL ", L" 1=1 "},              // <=
        {L" IS NOT NULL ", L" 0=1 "},          // >
        {L" 1=1 ", L" IS NULL "},              // >=
    };
    if (pbConstant != nullptr) *pbConstant = 0;
    if (eOperator < OPEXPRESSION_EQUAL || eOperator > OPEXPRESSION_GREATEREQUAL) return nullptr;
    const stRow& st = s_tab[eOperator - OPEXPRESSION_EQUAL];
    const wchar_t* psz = bNullBeforeNotNull ? st.pszNullFirst : st.pszNullLast;
    if (pbConstant != nullptr) *pbConstant = wcsstr(psz, L"=1") != nullptr;
    return psz;
}

namespace {

// Whether a literal compared with a date item stands for the empty date.
bool _bEmptyDateValue(const CAny* pclValue) {
    if (pclValue == nullptr || pclValue->bIsNull() || pclValue->nGetTypeCode() == VQTYPE_VIDE) return true;
    switch (pclValue->nGetTypeCode()) {
        case VQTYPE_DSTRW:
        case VQTYPE_PSTRA:
        case VQTYPE_DSTRA:
        case VQTYPE_PSTRW:
        case VQTYPE_DATEW:
        case VQTYPE_DATEA: {
            CAny clText(*pclValue);
            const wchar_t* psz = nullptr;
            if (clText.__nCastTo(VQTYPE_DSTRW, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) return false;
            clText.pclGetValeur()->nGetPCWSTR(&psz);
            return psz == nullptr || *psz == 0;
        }
        default:
            return false;
    }
}

}  // namespace

int CNACommand::_bExpressionDateEmpty(CTStringConcatAW* pclOut, unsigned long* pnPosition,
                                      IExpOpExpression* piComparison, const wchar_t* pszText, unsigned long nStart,
                                      INAItemDescription* piItem) {
    if (piItem == nullptr || piComparison == nullptr || pclOut == nullptr) return 0;
    const eNA_ITEMTYPE eType = piItem->eNAGetItemType();
    if (eType != NA_IT_DATE6 && eType != NA_IT_DATE8 && eType != NA_IT_DATETIME) return 0;
    const int eOperator = piComparison->eGetOperateur();
    if (eOperator < OPEXPRESSION_EQUAL || eOperator > OPEXPRESSION_GREATEREQUAL) return 0;
    int nCursor = 0;
    IExpOpExpression* piFirst = piComparison->piGetOperandeSuivant(&nCursor);
    IExpOpExpression* piLiteral = piComparison->piGetOperandeSuivant(&nCursor);
    if (piFirst == nullptr || piLiteral == nullptr || piLiteral->eGetOperateur() != OPEXPRESSION_LITERAL) return 0;
    if (!_bEmptyDateValue(piLiteral->pclGetValeur())) return 0;

    const int bNullFirst = m_pclConnection == nullptr || m_pclConnection->bNULLBeforeNotNULL();
    int bConstant = 0;
    const wchar_t* pszWritten = s_pszGetEmptyDateComparison(eOperator, bNullFirst, &bConstant);
    if (pszWritten == nullptr) return 0;
    if (bConstant) {
        // A constant truth replaces the whole comparison, the item written for it included.
        if (pclOut == &m_clSQL)
            Tronque(nStart);
        else
            pclOut->Tronque(static_cast<long>(nStart));
        _bCopyPreviousQueryContent(pclOut, pnPosition, piFirst, pszText);
    }
    pclOut->Add(pszWritten, -1);
    *pnPosition = static_cast<unsigned long>(_stGetPositionExpression(piLiteral).nFin) + 1;
    return 1;
}

int CNACommand::_bCopyPreviousQueryContent(CTStringConcatAW* pclOut, unsigned long* pnPosition,
                                           IExpOpExpression* piOperand, const wchar_t* pszText) {
    if (piOperand == nullptr) return 1;
    const stPosition st = _stGetPositionExpression(piOperand);
    if (st.nDebut > 0) _bCopyText(pclOut, pszText, pnPosition, static_cast<unsigned long>(st.nDebut));
    return 1;
}

// ---------------------------------------------------------------------------------- select list

int CNACommand::_bAddColumnInSelect(const wchar_t* pszText) {
    if (m_tabDefines.nGetNbElement() != 0) m_clSQL.AddStrCte(L",", 1);
    if (pszText != nullptr) m_clSQL.Add(pszText, -1);
    return m_clSQL.bIsInError() ? 0 : 1;
}

int CNACommand::bAddSelectColumn(CNAColumn* pclColumn, int bNameOnly) {
    if (pclColumn == nullptr) return 0;
    if (!_bAddColumnInSelect(pclColumn->pszGetFormatedSelectName(bNameOnly))) return 0;
    return AddDefine(pclColumn);
}

int CNACommand::bAddSelectColumns(CNARecord* pclRecord, int bNameOnly) {
    if (pclRecord == nullptr) return 1;
    for (int i = 0; i < pclRecord->nGetNumColumns(); i++) {
        CNAColumn* pclColumn = pclRecord->pclGetColumnNoRef(i);
        if (pclColumn == nullptr || !pclColumn->bMustDefine(m_nColumnMode)) continue;
        if (!bAddSelectColumn(pclColumn, bNameOnly)) return 0;
    }
    return 1;
}

int CNACommand::bAddSelectAdditionnalColumn(const wchar_t* pszExpression, CNAConvertVariant* pclValue) {
    if (!_bAddColumnInSelect(pszExpression)) return 0;
    return AddDefine(pszExpression, pclValue);
}

int CNACommand::bAddSelectAdditionnalColumn(const wchar_t* pszExpression, unsigned short nType) {
    CNAConvertVariant* pclValue = _vpclGetNewVariant(nullptr, nType);
    if (pclValue == nullptr) return 0;
    pclValue->AddRef();
    const int bResult = bAddSelectAdditionnalColumn(pszExpression, pclValue);
    pclValue->nRelease();
    return bResult;
}

int CNACommand::bAddSelectAdditionalColumnInQueryFormat(const wchar_t* pszExpression, CNAConvertVariant* pclValue) {
    if (!m_clAdditionalSelect.bEstVide()) m_clAdditionalSelect.AddStrCte(L",", 1);
    if (pszExpression != nullptr) m_clAdditionalSelect.Add(pszExpression, -1);
    if (m_clAdditionalSelect.bIsInError()) return 0;
    return AddDefine(pszExpression, pclValue);
}

namespace {

int _bAppendDefine(CNARefArray<CNADefine>* pclTab, CNADefine* pclDefine) {
    if (pclDefine == nullptr) return 0;
    pclDefine->AddRef();
    const int n = pclTab->nGetNbElement();
    pclTab->Ajoute(pclDefine);
    const int bResult = pclTab->nGetNbElement() != n;
    pclDefine->nRelease();
    return bResult;
}

}  // namespace

int CNACommand::AddDefine(CNAColumn* pclColumn) {
    if (_bAppendDefine(&m_tabDefines, new (std::nothrow) CNADefine(pclColumn))) return 1;
    if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
    return 0;
}

int CNACommand::AddDefine(const wchar_t* pszName, CNAConvertVariant* pclValue) {
    if (_bAppendDefine(&m_tabDefines, new (std::nothrow) CNADefine(pszName, pclValue))) return 1;
    if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
    return 0;
}

CNADefine* CNACommand::pclGetDefineNoRef(int nIndex) const {
    if (nIndex < 0 || nIndex >= m_tabDefines.nGetNbElement()) return nullptr;
    return m_tabDefines[nIndex];
}

// ---------------------------------------------------------------------------------- NULL selection

int CNACommand::_bInitColumnNullValueExcluded() {
    if (m_pclNullSelection != nullptr) return 1;
    m_pclNullSelection = new (std::nothrow) CColumnNullValueExcluded();
    if (m_pclNullSelection != nullptr) return 1;
    if (m_pclError != nullptr)
        m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_COMMAND, SITE_NULL_SELECTION, m_pclConnection, 12);
    return 0;
}

int CNACommand::bColumnValuesNullSelected(const CNAColumn* pclColumn) const {
    if (m_pclNullSelection == nullptr) return 1;
    return m_pclNullSelection->bColumnValuesNullSelected(pclColumn) ? 1 : 0;
}

int CNACommand::bCombineColumnValuesNullSelected(int eOperator, CColumnNullValueExcluded* pclOther) {
    if (m_pclNullSelection == nullptr && pclOther == nullptr) return 1;
    if (!_bInitColumnNullValueExcluded()) return 0;
    m_pclNullSelection->bCombineColumnValuesNullSelected(eOperator, pclOther);
    return 1;
}

int CNACommand::bCopyColumnValuesNullSelected(CColumnNullValueExcluded* pclOther) {
    if (pclOther == nullptr) {
        if (m_pclNullSelection != nullptr) m_pclNullSelection->Reset();
        return 1;
    }
    if (!_bInitColumnNullValueExcluded()) return 0;
    m_pclNullSelection->bCopyColumnValuesNullSelected(pclOther, 0);
    return 1;
}
