// CNAExpression: the leaves. A comparison of a column with a value is written as the column's name,
// the operator and one bind parameter holding a copy of the value; NULL values become IS NULL
// tests or constants; a prefix on a text becomes LIKE and a partial date a range; and where the
// host's key order puts NULL inside the range asked for, the comparison lets NULL rows through as
// well (the server's comparisons never hold for NULL).
#include <new>
#include <string>

#include "core/XYString.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAServerTypes.h"
#include "native/sql/NACommand.h"
#include "native/sql/NAExpression.h"
#include "native/sql/NARecherche.h"
#include "native/sql/ParsedQueryServices.h"
#include "platform/XTime.h"
#include "variant/Any.h"
#include "variant/DateTime.h"
#include "variant/VQCalc.h"

namespace {

// Debug site of a condition the host parsed that cannot be written yet.
constexpr int SITE_SQL_CONDITION_NOT_AVAILABLE = 901;
constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;

bool _bTextItem(eNA_ITEMTYPE e) {
    return e == NA_IT_TEXTE || e == NA_IT_MEMOTEXTE || e == NA_IT_CHAR || e == NA_IT_UNICODE || e == NA_IT_MEMOUNICODE;
}

// Language text types: 8-bit and wide, and the two together as the leaves test them.
bool _bNarrowTextType(unsigned short n) {
    return n == 17 || n == 18 || n == 19 || (n >= 21 && n <= 23) || n == 128 || n == 129 || n == 134;
}
bool _bWideTextType(unsigned short n) {
    return n == 16 || n == 20 || n == 24 || n == 25 || n == 81 || n == 110;
}
bool _bTextValueType(unsigned short n) {
    return (n >= 16 && n <= 23) || n == 81 || n == 110 || n == 134;
}

// The value as wide text; false when it has none.
bool _bWideText(const CAny& clValue, CXYString<wchar_t>* pclText) {
    if (clValue.bIsNull() || clValue.nGetTypeCode() == VQTYPE_VIDE) return false;
    return clValue.__nFillString(*pclText, nullptr) <= VQERR_DERNIER_SUCCES_HOTE;
}

// The truth of a value; false when it has none.
bool _bTruth(const CNAConvertVariant* pclValue, bool* pbTrue) {
    if (pclValue == nullptr || pclValue->bIsNull()) return false;
    CAny clValue;
    pclValue->bGetValue(&clValue);
    if (clValue.nGetTypeCode() != VQTYPE_BOOL && clValue.__nCastTo(VQTYPE_BOOL, nullptr, 0) > VQERR_DERNIER_SUCCES_HOTE)
        return false;
    if (clValue.nGetTypeCode() != VQTYPE_BOOL || clValue.bIsNull()) return false;
    *pbTrue = clValue.pclGetValeur()->_tLit<int32_t>() != 0;
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------- rewrites

int CNAExpression::s_bExpressionTrue(eNAOperator eOp, CNAConnectionDescription* pclConnection, const CAny* pclValue) {
    if ((eOp != NAOP_GREATEREQUAL && eOp != NAOP_LESSEQUAL) || pclValue == nullptr) return 0;
    const unsigned short nType = pclValue->nGetTypeCode();
    if (nType == VQTYPE_BOOL) {
        if (pclValue->bIsNull()) return 0;
        const bool bTrue = pclValue->pclGetValeur()->_tLit<int32_t>() != 0;
        return (eOp == NAOP_GREATEREQUAL && !bTrue) || (eOp == NAOP_LESSEQUAL && bTrue) ? 1 : 0;
    }
    if (!_bNarrowTextType(nType) && !_bWideTextType(nType)) return 0;
    if (pclValue->bIsNull()) {
        const int bNullFirst = pclConnection == nullptr || pclConnection->bNULLBeforeNotNULL();
        return eOp == NAOP_GREATEREQUAL ? bNullFirst : !bNullFirst;
    }
    if (_bNarrowTextType(nType)) {
        const char* psz = nullptr;
        pclValue->pclGetValeur()->nGetPCASTR(&psz);
        const unsigned char c = psz != nullptr ? static_cast<unsigned char>(psz[0]) : 0;
        return eOp == NAOP_GREATEREQUAL ? c == 0 : c == 255;
    }
    const wchar_t* psz = nullptr;
    pclValue->pclGetValeur()->nGetPCWSTR(&psz);
    const uint32_t c = psz != nullptr ? static_cast<uint32_t>(psz[0]) : 0;
    return eOp == NAOP_GREATEREQUAL ? c == 0 : c > 65534;
}

void CNAExpression::_ProcessBoolean() {
    if (m_eOperator < NAOP_GREATER || m_eOperator > NAOP_LESSEQUAL) return;
    bool bTrue = false;
    if (!_bTruth(m_pclValue, &bTrue)) return;
    switch (m_eOperator) {
        case NAOP_GREATER:
            m_eOperator = bTrue ? NAOP_FALSE : NAOP_DIFFERENT;
            break;
        case NAOP_LESS:
            m_eOperator = bTrue ? NAOP_DIFFERENT : NAOP_FALSE;
            break;
        case NAOP_GREATEREQUAL:
            m_eOperator = bTrue ? NAOP_EQUAL : NAOP_TRUE;
            break;
        default:  // NAOP_LESSEQUAL
            m_eOperator = bTrue ? NAOP_TRUE : NAOP_EQUAL;
            break;
    }
}

void CNAExpression::_ProcessString() {
    CAny clValue;
    if (m_pclValue != nullptr) m_pclValue->bGetValue(&clValue);
    CNAConnectionDescription* pclCnx = m_pclColumn != nullptr ? m_pclColumn->pclGetCnx() : nullptr;
    if (s_bExpressionTrue(m_eOperator, pclCnx, &clValue)) m_eOperator = NAOP_TRUE;
}

// ---------------------------------------------------------------------------------- a leaf

int CNAExpression::_bGetSQLFromValue(CNACommand* pclCommand, CNARecherche* pclSearch, int* pbConstant) {
    *pbConstant = 0;
    if (m_eOperator == NAOP_FALSE || m_eOperator == NAOP_TRUE) return pclCommand->bComplete(s_pszDumpOp(m_eOperator));
    if (m_pclColumn == nullptr) return 1;
    CTString clColumn;
    if (!_FormatItemNameExp(&clColumn, pclCommand, Convert_eNAOperator_To_eOPEXPRESSION(m_eOperator))) return 0;
    const eNA_ITEMTYPE eType = m_pclColumn->eNAGetItemType();
    bool bNull = m_pclValue == nullptr || m_pclValue->bIsNull();
    CNAConnectionDescription* pclCnx = m_pclColumn->pclGetCnx();
    if ((eType == NA_IT_DATE6 || eType == NA_IT_DATE8) && !bNull && pclCnx != nullptr &&
        pclCnx->bTreat0000DateAsNULL()) {
        CAny clValue;
        m_pclValue->bGetValue(&clValue);
        if (_bTextValueType(clValue.nGetTypeCode())) {
            CXYString<wchar_t> clText;
            if (!_bWideText(clValue, &clText) || clText.nGetLongueur() == 0 ||
                wcsncmp(clText.pszGet(), L"00000000", 8) == 0)
                bNull = true;
        }
    }
    if (bNull || m_eOperator == NAOP_ISNULL || m_eOperator == NAOP_ISNOTNULL)
        return _bGetSQLFromValueNULL(clColumn, pclCommand, pclSearch, pbConstant);
    if (NA_bServerTypeComparedAsText(m_pclColumn->nGetDBType())) _AsText(&clColumn);
    const int bOrNull = _bOrNull();
    if (_bTextItem(eType)) return _bGetSQLFromValueString(clColumn, pclCommand, pclSearch, bOrNull);
    if (eType == NA_IT_HEURE || eType == NA_IT_DATE8 || eType == NA_IT_DATETIME)
        return _bGetSQLFromValueDateTime(clColumn, pclCommand, pclSearch, bOrNull);
    return _bGetSQLFromValueUsingParameter(clColumn, pclCommand, pclSearch, 0, bOrNull);
}

int CNAExpression::_bOrNull() const {
    if (m_pclColumn->bUniqueNotNull()) return 0;
    // A value that does not begin with the prefix: NULL does not either.
    if (m_eOperator == NAOP_DIFFERENT && bIsGenerique()) return 1;
    const bool bCouldBeNull = m_pclValue != nullptr && m_pclValue->bCouldBeNullOnYF();
    if (m_dwFlags & (NAEXP_LOWERBOUND | NAEXP_UPPERBOUND))
        return (m_dwFlags & NAEXP_LOWERBOUND) != 0 && (m_eOperator == NAOP_EQUAL || m_eOperator == NAOP_GREATEREQUAL) &&
               bCouldBeNull;
    if (_bNullSortsFirst()) return m_eOperator == NAOP_LESSEQUAL || (m_eOperator == NAOP_LESS && !bCouldBeNull);
    return m_eOperator == NAOP_GREATER || m_eOperator == NAOP_GREATEREQUAL;
}

void CNAExpression::_AsText(CTString* pclColumn) const {
    if (m_pclColumn->eGetTypeColonne() != 0) {
        // An expression of a query is cast whole.
        CTString clExpression(pclColumn->pszGet());
        pclColumn->Set(L"(");
        pclColumn->Add(clExpression.pszGet());
        pclColumn->Add(L")");
    }
    pclColumn->Add(L"::text");
}

int CNAExpression::_FormatItemNameExp(CTString* pclOut, CNACommand* pclCommand, eOPEXPRESSION eCode) {
    // A query that decides its own rows is read whole as a derived table: its columns are then
    // known outside it by their output names only.
    if (NA_bQueryShapesResultset(m_pclColumn->pclGetSourceQueryNoRef(), pclCommand->pclGetConnectionNoRef())) {
        pclOut->Set(m_pclColumn->pszGetFormatedName());
        return 1;
    }
    if (m_pclColumn->eGetTypeColonne() != 0)
        return NA_bFormatExpressionColonneCalculee(pclCommand, m_pclSource, m_pclColumn, CNASqlElt::SQLELT_WHERE,
                                                   pclOut);
    return NA_bFormatExpressionItemName(pclCommand, CNASqlElt::SQLELT_WHERE, eCode, m_pclColumn->piGetItemNoRef(),
                                        m_pclColumn->pszGetAliasNomTable(), m_pclColumn->pszGetOriginalName(), pclOut);
}

int CNAExpression::_bGetSQLFromValueNULL(const CTString& clColumn, CNACommand* pclCommand, CNARecherche*,
                                         int* pbConstant) {
    const int bNullFirst = _bNullSortsFirst();
    switch (m_eOperator) {
        case NAOP_GREATEREQUAL:
        case NAOP_LESSEQUAL:
            m_eOperator = NAOP_TRUE;
            *pbConstant = 1;
            return 1;
        case NAOP_LESS:
        case NAOP_GREATER:
            if ((m_eOperator == NAOP_LESS) == (bNullFirst != 0)) {
                // Nothing sorts before NULL when it comes first, nothing after it when it comes last.
                m_eOperator = NAOP_FALSE;
                *pbConstant = 1;
                return 1;
            }
            [[fallthrough]];
        case NAOP_ISNOTNULL:
            if (!pclCommand->bComplete(clColumn.pszGet()) || !pclCommand->bComplete(L" IS NOT NULL")) return 0;
            return _bRecordNullState(0);
        default:
            if (!pclCommand->bComplete(clColumn.pszGet()) || !pclCommand->bComplete(L" IS NULL")) return 0;
            return _bRecordNullState(1);
    }
}

int CNAExpression::_bGetSQLFromValueString(const CTString& clColumn, CNACommand* pclCommand, CNARecherche* pclSearch,
                                           int bOrNull) {
    const eNA_ITEMTYPE eType = m_pclColumn->eNAGetItemType();
    const bool bUnicode = eType == NA_IT_UNICODE || eType == NA_IT_MEMOUNICODE;
    CAny clValue;
    if (m_pclValue != nullptr) m_pclValue->bGetValue(&clValue);
    bool bEmpty = clValue.nGetTypeCode() == VQTYPE_VIDE;
    if (!bEmpty && _bNarrowTextType(clValue.nGetTypeCode())) {
        const char* psz = nullptr;
        clValue.pclGetValeur()->nGetPCASTR(&psz);
        bEmpty = psz == nullptr || psz[0] == 0;
    }
    if (bUnicode || !bEmpty) {
        const int bLike = (m_eOperator == NAOP_EQUAL || m_eOperator == NAOP_DIFFERENT) && bIsGenerique();
        return _bGetSQLFromValueUsingParameter(clColumn, pclCommand, pclSearch, bLike, bOrNull);
    }
    // An empty 8-bit text is written as a literal: no parameter for it.
    const bool bLikeAll = m_eOperator == NAOP_EQUAL && bIsGenerique();
    CTString clCompared(clColumn.pszGet());
    if (bLikeAll && !NA_bServerTypeIsText(m_pclColumn->nGetDBType()) &&
        !NA_bServerTypeComparedAsText(m_pclColumn->nGetDBType())) {
        _AsText(&clCompared);
        clCompared.Add(L" ");
    }
    int bResult = !bOrNull || pclCommand->bComplete(L"(");
    if (bResult) bResult = pclCommand->bComplete(clCompared.pszGet());
    if (bLikeAll) {
        if (bResult) bResult = pclCommand->bComplete(L"LIKE '%%'");
    } else {
        if (bResult) bResult = pclCommand->bComplete(s_pszDumpOp(m_eOperator));
        if (bResult) bResult = pclCommand->bComplete(L"''");
    }
    if (bResult && bOrNull) {
        CTString clNull;
        bResult = _FormatItemNameExp(&clNull, pclCommand, OPEXPRESSION_ISNULL) && pclCommand->bComplete(L" OR ") &&
                  pclCommand->bComplete(clNull.pszGet()) && pclCommand->bComplete(L" IS NULL)");
    }
    return bResult && _bRecordNullState(bOrNull);
}

int CNAExpression::_bGetSQLFromValueDateTime(const CTString& clColumn, CNACommand* pclCommand, CNARecherche* pclSearch,
                                             int bOrNull) {
    if (!bIsGenerique() || (m_eOperator != NAOP_EQUAL && m_eOperator != NAOP_DIFFERENT))
        return _bGetSQLFromValueUsingParameter(clColumn, pclCommand, pclSearch, 0, bOrNull);
    const eNA_ITEMTYPE eType = m_pclColumn->eNAGetItemType();
    CNAConnectionDescription* pclCnx = m_pclColumn->pclGetCnx();
    if (eType == NA_IT_HEURE && (pclCnx == nullptr || !pclCnx->bSupportItemTime()))
        return _bGetSQLFromValueUsingParameter(clColumn, pclCommand, pclSearch, 1, bOrNull);
    CAny clValue;
    m_pclValue->bGetValue(&clValue);
    CXYString<wchar_t> clText;
    const int n = _bWideText(clValue, &clText) ? clText.nGetLongueur() : 0;
    const int nComplete = eType == NA_IT_HEURE   ? static_cast<int>(m_pclColumn->nGetLogicalSize())
                          : eType == NA_IT_DATE8 ? 8
                                                 : 17;
    CAny clMin, clMax;
    if (n == 0 || n >= nComplete || !s_bGetBorneRechercheDateMin(eType, &clValue, &clMin))
        return _bGetSQLFromValueUsingParameter(clColumn, pclCommand, pclSearch, 0, bOrNull);
    // A period that runs to the end of the day or of time ("23", "2359", "9999") has no first
    // instant after it: its lower bound alone says it.
    const bool bEnd = !s_bGetBorneRechercheDateMax(eType, &clValue, &clMax);

    // The period the partial value names: from its first instant up to the first instant after it.
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    CNAError* pclError = pclSearch != nullptr ? pclSearch->pclGetErrorNoRef() : m_pclError;
    auto bParameter = [&](const CAny* pclBound) {
        CNAConvertVariant* pcl = pclDriver != nullptr
                                     ? pclDriver->pclGetNewVariant_NV_Any(pclError, pclCnx, m_pclColumn, pclBound)
                                     : nullptr;
        if (pcl == nullptr) {
            if (pclError != nullptr) pclError->SetErrorNoMemory(pclCnx);
            return 0;
        }
        pcl->AddRef();
        const int b = _bAddValueParameter(pclCommand, pclSearch, m_pclColumn, pcl, 0);
        pcl->nRelease();
        return b;
    };
    int nCompare = 1;
    const bool bSame = !bEnd && nEgalite(clMin, clMax, &nCompare, 0) <= VQERR_DERNIER_SUCCES_HOTE && nCompare != 0;
    int bResult = 1;
    if (bEnd) {
        bResult = pclCommand->bComplete(clColumn.pszGet()) &&
                  pclCommand->bComplete(m_eOperator == NAOP_EQUAL ? L">=" : L"<") && bParameter(&clMin);
    } else if (m_eOperator == NAOP_EQUAL) {
        bResult = pclCommand->bComplete(clColumn.pszGet()) && pclCommand->bComplete(bSame ? L"=" : L">=") &&
                  bParameter(&clMin);
        if (bResult && !bSame)
            bResult = pclCommand->bComplete(L" AND ") && pclCommand->bComplete(clColumn.pszGet()) &&
                      pclCommand->bComplete(L"<") && bParameter(&clMax);
    } else if (bSame) {
        bResult = pclCommand->bComplete(clColumn.pszGet()) && pclCommand->bComplete(L"<>") && bParameter(&clMin);
    } else {
        // Outside the period: before its first instant or from the first instant after it.
        bResult = pclCommand->bComplete(L"(") && pclCommand->bComplete(clColumn.pszGet()) &&
                  pclCommand->bComplete(L"<") && bParameter(&clMin) && pclCommand->bComplete(L" OR ") &&
                  pclCommand->bComplete(clColumn.pszGet()) && pclCommand->bComplete(L">=") && bParameter(&clMax) &&
                  pclCommand->bComplete(L")");
    }
    return bResult && _bRecordNullState(0);
}

int CNAExpression::_bAddValueParameter(CNACommand* pclCommand, CNARecherche* pclSearch, CNAColumn* pclColumn,
                                       CNAConvertVariant* pclValue, unsigned nFlags) {
    const unsigned long nPosition = pclCommand->nGetLength();
    if (pclSearch != nullptr) {
        CNAParameter* pcl = pclSearch->_pclAddParameter(pclColumn, pclValue, nPosition, nFlags);
        return pcl != nullptr && pclCommand->bAddParameter(pcl);
    }
    CNAParameter* pcl = CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocParameter_col(
                                                                pclColumn, pclValue, nPosition, nFlags, nullptr)
                                                          : nullptr;
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
        return 0;
    }
    pcl->AddRef();
    const int bResult = pclCommand->bAddParameter(pcl);
    pcl->nRelease();
    return bResult;
}

int CNAExpression::_bNewParameterValue(CNACommand* pclCommand, CNARecherche* pclSearch, CNAConvertVariant** ppclCopy,
                                       eNA_ITEMTYPE* peConverted) {
    *ppclCopy = nullptr;
    const eOPEXPRESSION eCode = Convert_eNAOperator_To_eOPEXPRESSION(m_eOperator);
    const eNA_ITEMTYPE eConverted = static_cast<eNA_ITEMTYPE>(pclCommand->eGetFormatExpressionColonne(
        CNASqlElt::SQLELT_WHERE, m_pclColumn->eNAGetItemType(), eCode, nullptr));
    *peConverted = eConverted;
    CNAError* pclError = pclSearch != nullptr ? pclSearch->pclGetErrorNoRef() : m_pclError;
    CNAConvertVariant* pclCopy = CNADriver::s_pclDriver != nullptr
                                     ? CNADriver::s_pclDriver->pclAllocVariant(pclError, m_pclColumn->pclGetCnx())
                                     : nullptr;
    if (pclCopy == nullptr) {
        if (pclError != nullptr) pclError->SetErrorNoMemory(m_pclColumn->pclGetCnx());
        return 0;
    }
    pclCopy->AddRef();
    // The leaf's value and items, the value kept in its own type (a copy that took the items after
    // the value would retype it to the item's type and lose it).
    CAny clLeafValue;
    if (m_pclValue != nullptr) {
        m_pclValue->bGetValue(&clLeafValue);
        pclCopy->SetItemDesc(m_pclValue->piGetItemAnalyseNoRef(), m_pclValue->piGetItemDatabaseNoRef());
    }
    pclCopy->InitTypeVariantAny(clLeafValue.nGetTypeCode(), 0);
    if (!clLeafValue.bIsNull()) pclCopy->bSetValue(&clLeafValue);
    int bResult = 1;
    if (eConverted != NA_IT_EMPTY) {
        bResult = pclCopy->bChangeItemType(eConverted, bIsGenerique());
    } else if (pclCopy->piGetItemAnalyseNoRef() == nullptr) {
        // A value without an item takes the column's type.
        INAItemDescription* piItem = m_pclColumn->piGetImportedItemDescNoRef();
        if (piItem == nullptr) piItem = m_pclColumn->piGetItemNoRef();
        CAny clValue;
        pclCopy->bGetValue(&clValue);
        pclCopy->SetItemDesc(piItem, m_pclColumn->piGetImportedItemDescNoRef());
        bResult = pclCopy->bSetValue(&clValue);
    }
    if (!bResult) {
        pclCopy->nRelease();
        return 0;
    }
    *ppclCopy = pclCopy;
    return 1;
}

int CNAExpression::_bGetSQLFromValueUsingParameter(const CTString& clColumn, CNACommand* pclCommand,
                                                   CNARecherche* pclSearch, int bLike, int bOrNull) {
    // A prefix, and the comparisons that continue past it, are of the value's text: the server
    // reads no part of a uuid, an enum or an address as a value of their type.
    CTString clCompared(clColumn.pszGet());
    if ((bLike || (bIsGenerique() && _bTextItem(m_pclColumn->eNAGetItemType()))) &&
        !NA_bServerTypeIsText(m_pclColumn->nGetDBType()) && !NA_bServerTypeComparedAsText(m_pclColumn->nGetDBType()))
        _AsText(&clCompared);
    int bResult = !bOrNull || pclCommand->bComplete(L"(");
    if (bResult) bResult = pclCommand->bComplete(clCompared.pszGet());
    if (!bResult) return 0;
    CNAConvertVariant* pclCopy = nullptr;
    eNA_ITEMTYPE eConverted = NA_IT_EMPTY;
    if (!_bNewParameterValue(pclCommand, pclSearch, &pclCopy, &eConverted)) return 0;
    if (bResult)
        bResult = bLike ? _bGetSQLFromValueUsingParameterAddOpLike(pclCommand, pclCopy)
                        : pclCommand->bComplete(s_pszDumpOp(m_eOperator));
    if (bResult)
        bResult = _bAddValueParameter(pclCommand, pclSearch, eConverted != NA_IT_EMPTY ? nullptr : m_pclColumn, pclCopy,
                                      bLike ? static_cast<unsigned>(CNAParameter::NAPARAM_FLAG_LIKE) : 0u);
    pclCopy->nRelease();
    if (bResult && bLike)
        pclCommand->vAddEscapeLike(eConverted != NA_IT_EMPTY ? eConverted : m_pclColumn->eNAGetItemTypeOnDatabase());
    if (bResult && bOrNull) {
        CTString clNull;
        bResult = _FormatItemNameExp(&clNull, pclCommand, OPEXPRESSION_ISNULL) && pclCommand->bComplete(L" OR ") &&
                  pclCommand->bComplete(clNull.pszGet()) && pclCommand->bComplete(L" IS NULL)");
    }
    return bResult && _bRecordNullState(bOrNull);
}

int CNAExpression::_bGetSQLFromValueUsingParameterAddOpLike(CNACommand* pclCommand, CNAConvertVariant* pclCopy) {
    if (!pclCommand->bComplete(m_eOperator == NAOP_EQUAL ? L" LIKE " : L" NOT LIKE ")) return 0;
    CAny clValue;
    pclCopy->bGetValue(&clValue);
    CXYString<wchar_t> clText;
    if (!_bWideText(clValue, &clText)) return 1;
    // The value matches itself, and with a prefix anything that begins with it.
    CXYString<wchar_t> clEscaped;
    if (!pclCommand->bEscapeLIKEParamAsYFParam(&clEscaped, clText.pszGet(), 0)) return 0;
    CTString clPattern(clEscaped.pszGet());
    if (bIsGenerique()) clPattern.Add(L'%');
    if (clPattern.nTaille() == 0) return 1;
    CAny clPatternValue;
    clPatternValue.__SetType(VQTYPE_DSTRW, 0);
    clPatternValue.pclGetValeur()->SetValue(clPattern.pszGet(),
                                            static_cast<unsigned long>(clPattern.nTaille()) * sizeof(wchar_t));
    pclCopy->InitTypeVariantAny(VQTYPE_DSTRW, 0);
    return pclCopy->bSetValue(&clPatternValue);
}

// ---------------------------------------------------------------------------------- conditions the host parsed

int CNAExpression::_bGetSQLFromSQL(CNACommand* pclCommand, CNARecherche* pclSearch, CNARecord* pclRecord) {
    if (m_pclSource == nullptr) {
        if (m_pclError != nullptr)
            m_pclError->AddError(NA_ERRORTYPE_NOTAVAILABLE, CNAError::FILE_EXPRESSION, SITE_SQL_CONDITION_NOT_AVAILABLE,
                                 pclCommand->pclGetConnectionNoRef(), USER_ERROR_NOT_AVAILABLE);
        return 0;
    }
    NA_SetParserRecordIfNone(m_pclSource, pclRecord);
    const int nFirst = pclCommand->nGetParameterNbr();
    if (!NA_bAddFilterExpression(pclCommand, m_pclSource)) return 0;
    if (pclSearch != nullptr) return pclSearch->GetParameterFromQuery(pclCommand, nFirst);
    return 1;
}

// ---------------------------------------------------------------------------------- date bounds

namespace {

// The bound of the period a partial value names, written as a value of the item type.
int _bDateBound(eNA_ITEMTYPE eType, const CAny* pclValue, CAny* pclOut, bool bMax) {
    if (pclValue == nullptr || pclOut == nullptr) return 0;
    CXYString<wchar_t> clText;
    if (!_bWideText(*pclValue, &clText) || clText.nGetLongueur() == 0) return 0;
    CXTime clTime;
    bool bRead;
    if (eType == NA_IT_HEURE)
        bRead = bMax ? clTime.bSetVQTimeMax(clText.pszGet(), -1) : clTime.bSetVQTimeMin(clText.pszGet(), -1);
    else
        bRead = bMax ? clTime.bSetVQDateTimeMax(clText.pszGet(), -1) : clTime.bSetVQDateTimeMin(clText.pszGet(), -1);
    if (!bRead) return 0;
    // Dates and times as the host holds their items: 8-bit digit texts.
    CTString cl;
    if (eType == NA_IT_HEURE || eType == NA_IT_DATE8) {
        if (eType == NA_IT_HEURE)
            clTime.GetVQTimeHHMMSSCCm(cl);
        else
            clTime.GetVQDate(cl);
        std::string sDigits;
        for (int i = 0; i < cl.nTaille(); i++) sDigits += static_cast<char>(cl.cGetChar(i));
        if (eType == NA_IT_HEURE)
            pclOut->SetTIMEA(sDigits.c_str());
        else
            pclOut->SetDATEA(sDigits.c_str());
    } else {
        CDateTime clDateTime;
        clTime.GetVQDateTime(&clDateTime);
        pclOut->SetDATETIME(clDateTime);
    }
    return 1;
}

}  // namespace

int CNAExpression::s_bGetBorneRechercheDateMin(eNA_ITEMTYPE eType, const CAny* pclValue, CAny* pclOut) {
    return _bDateBound(eType, pclValue, pclOut, false);
}

int CNAExpression::s_bGetBorneRechercheDateMax(eNA_ITEMTYPE eType, const CAny* pclValue, CAny* pclOut) {
    return _bDateBound(eType, pclValue, pclOut, true);
}

int CNAExpression::s_bGetBorneRechercheDateGenerique(eNA_ITEMTYPE eType, const CAny* pclValue, CAny* pclMin,
                                                     CAny* pclMax) {
    return s_bGetBorneRechercheDateMin(eType, pclValue, pclMin) && s_bGetBorneRechercheDateMax(eType, pclValue, pclMax);
}

// ---------------------------------------------------------------------------------- the same leaf, another value

int CNAExpression::nReusableValueShape() const {
    if (!bIsLeaf() || m_pclValue == nullptr || m_pclValue->bIsNull() || bIsGenerique()) return -1;
    if (m_eOperator != NAOP_EQUAL && m_eOperator != NAOP_GREATER && m_eOperator != NAOP_LESS) return -1;
    if (m_pclColumn->eGetTypeColonne() != 0 || m_pclColumn->pclGetSourceQueryNoRef() != nullptr) return -1;
    const eNA_ITEMTYPE eType = m_pclColumn->eNAGetItemType();
    // A boolean comparison is rewritten after its value.
    if (eType == NA_IT_BOOLEEN) return -1;
    CAny clValue;
    m_pclValue->bGetValue(&clValue);
    const unsigned short nType = clValue.nGetTypeCode();
    if (nType == VQTYPE_VIDE || nType == VQTYPE_BOOL || clValue.bIsNull()) return -1;
    // An empty 8-bit text is written as a literal of its own; a text date of zeros may stand for NULL.
    if (_bTextItem(eType) && _bNarrowTextType(nType)) {
        const char* psz = nullptr;
        clValue.pclGetValeur()->nGetPCASTR(&psz);
        if (psz == nullptr || psz[0] == 0) return -1;
    }
    if ((eType == NA_IT_DATE6 || eType == NA_IT_DATE8) && _bTextValueType(nType)) {
        CNAConnectionDescription* pclCnx = m_pclColumn->pclGetCnx();
        if (pclCnx == nullptr || pclCnx->bTreat0000DateAsNULL()) return -1;
    }
    return (static_cast<int>(nType) << 1) | (_bOrNull() ? 1 : 0);
}

int CNAExpression::bRefreshValueParameter(CNACommand* pclCommand, CNARecherche* pclSearch) {
    if (pclCommand == nullptr || pclSearch == nullptr || pclCommand->nGetParameterNbr() != 1) return 0;
    CNAParameter* pclOld = pclCommand->pclGetParameterNoRef(0);
    if (pclOld == nullptr) return 0;
    _ResetNullState();
    CNAConvertVariant* pclCopy = nullptr;
    eNA_ITEMTYPE eConverted = NA_IT_EMPTY;
    if (!_bNewParameterValue(pclCommand, pclSearch, &pclCopy, &eConverted)) return 0;
    pclSearch->ResetParameters();
    CNAColumn* pclBound = eConverted != NA_IT_EMPTY ? nullptr : m_pclColumn;
    CNAParameter* pclNew = pclSearch->_pclAddParameter(pclBound, pclCopy, pclOld->nGetPosition(), 0);
    pclCopy->nRelease();
    if (pclNew == nullptr || !pclCommand->bReplaceParameter(0, pclNew)) return 0;
    return _bRecordNullState(_bOrNull());
}
