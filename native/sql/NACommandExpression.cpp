// CNACommand: the pieces of a parsed query's expressions as they are written again (literals that
// become parameters adapted to the item they are compared with, functions under the dialect's
// names, item references, aliases after AS, function arguments) and the parsed query's ORDER BY,
// copied item by item, reversed for a backward browse and cut after an item that orders every row
// alone. Each piece copies the query text from the running position up to itself, writes itself
// and moves the position past itself.
#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "core/STRCompare.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/DriverServices.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAItemType.h"
#include "native/model/NARecord.h"
#include "native/sql/NACommand.h"
#include "native/sql/SQLParserInfo.h"
#include "platform/XTime.h"
#include "variant/Any.h"

namespace {

// Type codes of values a LIKE takes as a pattern, and that a date or time item reads as text.
bool _bTextValue(unsigned short n) {
    return (n >= 16 && n <= 25) || n == 81 || n == 110 || n == 128 || n == 129 || n == 134;
}

// Of those, the ones held as 8-bit text.
bool _bNarrowTextValue(unsigned short n) {
    return (n >= 17 && n <= 19) || (n >= 21 && n <= 23) || n == 128 || n == 129 || n == 134;
}

// The value's text (8-bit forms read in code page 1252); false when it gives none.
bool _bValueText(const CAny& clValue, CTString* pclOut) {
    const unsigned short n = clValue.nGetTypeCode();
    if (_bNarrowTextValue(n)) {
        const char* psz = nullptr;
        if (clValue.pclGetValeur()->nGetPCASTR(&psz) != 0 || psz == nullptr) {
            CAny clWide(clValue);
            const wchar_t* pszW = nullptr;
            if (clWide.__nCastTo(VQTYPE_DSTRW, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) return false;
            clWide.pclGetValeur()->nGetPCWSTR(&pszW);
            pclOut->Set(pszW);
            return true;
        }
        pclOut->SetANSI(psz, 1252);
        return true;
    }
    CAny clWide(clValue);
    const wchar_t* psz = nullptr;
    if (n != VQTYPE_DSTRW && clWide.__nCastTo(VQTYPE_DSTRW, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) return false;
    clWide.pclGetValeur()->nGetPCWSTR(&psz);
    pclOut->Set(psz);
    return true;
}

void _SetWide(CAny* pclValue, const CTString& cl) {
    pclValue->__SetType(VQTYPE_DSTRW, 0);
    const wchar_t* psz = cl.pszGet();
    pclValue->pclGetValeur()->SetValue(psz != nullptr ? psz : L"", static_cast<unsigned long>(cl.nTaille()) * sizeof(wchar_t));
}

bool _bWordAt(const wchar_t* pszText, unsigned long i, const wchar_t* pszWord) {
    const size_t n = wcslen(pszWord);
    for (size_t k = 0; k < n; k++)
        if (pszText[i + k] == 0 || towupper(static_cast<wint_t>(pszText[i + k])) != static_cast<wint_t>(pszWord[k]))
            return false;
    return pszText[i + n] == 0 || CNACommand::s_bSeparateur(pszText[i + n]);
}

}  // namespace

// ---------------------------------------------------------------------------------- literals

int CNACommand::_bDoExpressionLiteral(CSQLParserInfo* pclParser, const wchar_t* pszText,
                                      IExpOpExpression* piComparison, IExpOpExpression* piLiteral,
                                      CNASqlElt::eSQLELT eKind, INAItemDescription* piItem,
                                      unsigned long* pnPosition, CTStringConcatAW* pclOut, eNA_ITEMTYPE eType) {
    if (piLiteral == nullptr) return 1;
    if (!_bShouldAddParameter(pclParser, piComparison, piLiteral, eKind, piItem)) return 1;
    const stPosition st = _stGetPositionExpression(piLiteral);
    if (bNoSpan(st)) return 1;
    const CAny* pclValue = piLiteral->pclGetValeur();
    if (pclValue == nullptr) return 0;
    const int eOperator = piComparison != nullptr ? piComparison->eGetOperateur() : OPEXPRESSION_NONE;
    int bAdded;
    if (eOperator == OPEXPRESSION_LIKE && _bTextValue(pclValue->nGetTypeCode()))
        bAdded = bAddParameter(pclValue, OPEXPRESSION_LIKE, NAPARAM_FLAG_LIKELITERAL, nullptr,
                               piComparison->cGetEscape(), CNAParameter::NAPARAM_IN);
    else
        bAdded = bAddParameter(pclValue, static_cast<eOPEXPRESSION>(eOperator), NAPARAM_FLAG_LITERAL, nullptr, 0,
                               CNAParameter::NAPARAM_IN);
    if (!bAdded) return 0;
    CNAParameter* pclParameter = pclGetParameterNoRef(static_cast<unsigned>(nGetParameterNbr() - 1));
    const int bCopied = _bCopyText(pclOut, pszText, pnPosition, static_cast<unsigned long>(st.nDebut));
    *pnPosition = std::max(*pnPosition, static_cast<unsigned long>(st.nFin) + 1);
    pclParameter->SetPosition(pclOut->nGetLongueurW());
    if (eType == NA_IT_EMPTY && piItem != nullptr) {
        pclParameter->SetItem(piItem);
        CNARecord* pclRecord = pclParser != nullptr ? pclParser->pclGetRecordNoRef() : nullptr;
        CNAColumn* pclColumn = pclRecord != nullptr ? pclRecord->pclGetColumnNoRef(piItem) : nullptr;
        if (pclColumn != nullptr) pclParameter->SetColum(pclColumn);
    }
    _FormatExpressionLiteral(pclParser, piComparison, piLiteral, eKind, piItem, pclParameter, eType);
    return bCopied;
}

void CNACommand::_FormatExpressionLiteral(CSQLParserInfo*, IExpOpExpression* piComparison, IExpOpExpression*,
                                          CNASqlElt::eSQLELT eKind, INAItemDescription* piItem,
                                          CNAParameter* pclParameter, eNA_ITEMTYPE eType) {
    CNAConvertVariant* pclValue = pclParameter != nullptr ? pclParameter->pclGetValueNoRef() : nullptr;
    if (pclValue == nullptr) return;
    if (piComparison == nullptr) {
        FormatExpressionLiteral(eKind, OPEXPRESSION_NONE, nullptr, piItem, eType, pclValue);
        return;
    }
    const auto eOperator = static_cast<eOPEXPRESSION>(piComparison->eGetOperateur());
    if ((eKind == CNASqlElt::SQLELT_WHERE || eKind == CNASqlElt::SQLELT_HAVING) && piItem != nullptr &&
        eType == NA_IT_EMPTY) {
        const int eFormat = eGetFormatExpressionColonne(eKind, piItem->eNAGetItemType(), eOperator, piComparison);
        eType = eFormat != 0 ? static_cast<eNA_ITEMTYPE>(eFormat) : piItem->eNAGetItemType();
    }
    FormatExpressionLiteral(eKind, eOperator, piComparison, piItem, eType, pclValue);
}

void CNACommand::FormatExpressionLiteral(CNASqlElt::eSQLELT eKind, eOPEXPRESSION eOperator,
                                         IExpOpExpression* piComparison, INAItemDescription* piItem,
                                         eNA_ITEMTYPE eType, CNAConvertVariant* pclValue) {
    if (pclValue == nullptr) return;
    if (eType == NA_IT_EMPTY) {
        if (piItem == nullptr) return;
        const int eFormat = eGetFormatExpressionColonne(eKind, piItem->eNAGetItemType(), eOperator, piComparison);
        eType = eFormat != 0 ? static_cast<eNA_ITEMTYPE>(eFormat) : piItem->eNAGetItemType();
        if (eType == NA_IT_EMPTY) return;
    }
    CAny clValue;
    pclValue->bGetValue(&clValue);
    const unsigned short nCode = clValue.nGetTypeCode();
    const eNA_ITEMTYPE eItemType = piItem != nullptr ? piItem->eNAGetItemType() : NA_IT_EMPTY;

    // A part of a date or time compared for equality stands for its first instant.
    CTString clText;
    if (!clValue.bIsNull() && (eOperator == OPEXPRESSION_EQUAL || eOperator == OPEXPRESSION_DIFFERENT) &&
        _bTextValue(nCode) && piItem != nullptr && _bValueText(clValue, &clText)) {
        const long nLength = clText.nTaille();
        const long nSize = static_cast<long>(piItem->nGetItemSize());
        CXTime clTime;
        CTString clCompleted;
        switch (eItemType) {
            case NA_IT_DATE6:
            case NA_IT_DATE8:
                if (nLength < nSize && clTime.bSetVQDateTimeMin(clText.pszGet() != nullptr ? clText.pszGet() : L"", -1)) {
                    clTime.GetVQDate(clCompleted);
                    if (clCompleted.nTaille() > nSize) clCompleted.Tronque(nSize);
                    _SetWide(&clValue, clCompleted);
                }
                break;
            case NA_IT_HEURE:
                if (nLength < nSize && clTime.bSetVQTimeMin(clText.pszGet() != nullptr ? clText.pszGet() : L"", -1)) {
                    clTime.GetVQTimeHHMMSSCCm(clCompleted);
                    _SetWide(&clValue, clCompleted);
                }
                break;
            case NA_IT_DATETIME:
                if (nLength <= 16 && clTime.bSetVQDateTimeMin(clText.pszGet() != nullptr ? clText.pszGet() : L"", -1)) {
                    clTime.GetVQTimeAAAAMMJJHHMMSSCCm(clCompleted);
                    _SetWide(&clValue, clCompleted);
                }
                break;
            default:
                break;
        }
    }

    // A time compared as the host's compact text: as many digits as the item keeps.
    if (eType == NA_IT_TEXTE && eItemType == NA_IT_HEURE &&
        (nCode == VQTYPE_I4 || nCode == VQTYPE_I8 || nCode == VQTYPE_TIMEW || nCode == VQTYPE_TIMEA)) {
        CAny clWide(clValue);
        const wchar_t* psz = nullptr;
        if (clWide.__nCastTo(VQTYPE_DSTRW, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) return;
        clWide.pclGetValeur()->nGetPCWSTR(&psz);
        CTString cl(psz);
        const long nWanted = static_cast<long>(piItem->nGetItemSize()) - 1;
        if (cl.nTaille() > nWanted)
            cl.Tronque(std::max(0L, nWanted));
        else if (!cl.bTerminePar(L'%'))
            cl.Complete(nWanted, L'0');
        _SetWide(&clWide, cl);
        pclValue->InitTypeVariantAny(VQTYPE_DSTRW, 0);
        pclValue->bSetValue(&clWide);
        return;
    }

    if (m_pclConnection == nullptr) return;
    if (!m_pclConnection->bCastCAnyIntoDBType(m_pclError, &clValue, eType, eType, 1)) return;
    if (clValue.nGetTypeCode() != pclValue->pclGetValue()->nGetTypeCode())
        pclValue->InitTypeVariantAny(clValue.nGetTypeCode(), 0);
    pclValue->bSetValue(&clValue);
}

// ---------------------------------------------------------------------------------- functions, items, aliases

int CNACommand::_bDoExpressionOperator(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piParent,
                                       IExpOpExpression* piFunction, CNASqlElt::eSQLELT eKind,
                                       unsigned long* pnPosition, CTStringConcatAW* pclOut) {
    if (piFunction == nullptr) return 1;
    const stPosition st = _stGetPositionExpression(piFunction);
    if (bNoSpan(st)) return 1;
    int bResult = _bCopyText(pclOut, pszText, pnPosition, static_cast<unsigned long>(st.nDebut));
    CTString clName;
    _FormatExpressionOperator(pclParser, piParent, piFunction, eKind, &clName);
    if (clName.nTaille() == 0) return bResult;
    pclOut->Add(clName);
    // The host's name of the function is replaced.
    while (pszText[*pnPosition] != 0 &&
           (iswalpha(static_cast<wint_t>(pszText[*pnPosition])) || pszText[*pnPosition] == L'_'))
        (*pnPosition)++;
    return bResult && !pclOut->bIsInError() ? 1 : 0;
}

int CNACommand::_bDoExpressionColonne(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piColumn,
                                      unsigned long* pnPosition, CTStringConcatAW* pclOut) {
    if (piColumn == nullptr) return 1;
    const stPosition st = _stGetPositionExpression(piColumn);
    int bResult = _bCopyText(pclOut, pszText, pnPosition, static_cast<unsigned long>(st.nDebut));
    CTString clTable(piColumn->pszGetNomFichier()), clItem(piColumn->pszGetNomRubrique()), clOut;
    if (clTable.nTaille() == 0) {
        _FormatItemName(clItem.pszGet(), &clOut);
    } else {
        _GetFormatedOriginalTableNameAndItemName(pclParser, &clTable, &clItem);
        const unsigned nKind = NA_nGetServerKind(m_pclConnection);
        // These servers refuse a qualified column in an UPDATE.
        const bool bAlone = m_eQueryType == NAQUERYTYPE_UPDATE && (nKind == 6 || nKind == 8 || nKind == 13);
        if (!bAlone) {
            clOut.Add(clTable.pszGet());
            clOut.Add(L'.');
        }
        clOut.Add(clItem.pszGet());
    }
    pclOut->Add(clOut);
    *pnPosition = std::max(*pnPosition, static_cast<unsigned long>(st.nFin) + 1);
    if (piColumn->bJointureExterne()) pclOut->AddStrCte(L"(+)", 3);
    return bResult && !pclOut->bIsInError() ? 1 : 0;
}

int CNACommand::_bExpressionColonneToSQL(CSQLParserInfo* pclParser, const wchar_t* pszText,
                                         IExpOpExpression* piExpression, unsigned long* pnPosition,
                                         CTStringConcatAW* pclOut) {
    if (piExpression == nullptr) return 1;
    if (piExpression->eGetOperateur() == OPEXPRESSION_ITEM)
        return _bDoExpressionColonne(pclParser, pszText, piExpression, pnPosition, pclOut);
    int nCursor = 0;
    IExpOpExpression* piFirst = piExpression->piGetOperandeSuivant(&nCursor);
    IExpOpExpression* piSecond = piExpression->piGetOperandeSuivant(&nCursor);
    int bResult = _bExpressionColonneToSQL(pclParser, pszText, piFirst, pnPosition, pclOut);
    if (bResult) bResult = _bExpressionColonneToSQL(pclParser, pszText, piSecond, pnPosition, pclOut);
    return bResult;
}

int CNACommand::_bFormatAlias(unsigned long* pnPosition, const wchar_t* pszText) {
    if (pszText == nullptr) return 1;
    const long nBlanks = s_nGetPosSuiteRequete(pszText + *pnPosition, L"AS");
    if (nBlanks < 1) return 1;
    const unsigned long nAfter = *pnPosition + static_cast<unsigned long>(nBlanks) + 2;
    if (pszText[nAfter] != 0 && !s_bSeparateur(pszText[nAfter])) return 1;
    CTString clName;
    unsigned long nFirst, nLast;
    if (!s_bGetItemNameAndPos(&clName, &nFirst, &nLast, pszText, nAfter)) return 1;
    int bResult = _bCopyText(&m_clSQL, pszText, pnPosition, nFirst);
    CTString clFormatted;
    _FormatItemName(clName.pszGet(), &clFormatted);
    m_clSQL.Add(clFormatted);
    *pnPosition = nLast + 1;
    return bResult && !m_clSQL.bIsInError() ? 1 : 0;
}

int CNACommand::_bDoExpressionArgument(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piFunction,
                                       IExpOpExpression* piArgument, CNASqlElt::eSQLELT eKind,
                                       unsigned long* pnPosition, CTStringConcatAW* pclOut, int bFirst,
                                       unsigned nArgument) {
    if (piArgument == nullptr) return 1;
    const stPosition st = _stGetPositionExpression(piArgument);
    int bResult;
    if (bFirst) {
        bResult = _bCopyText(pclOut, pszText, pnPosition, static_cast<unsigned long>(std::max(0, st.nDebut)));
        if (wcsncmp(pszText + *pnPosition, L"utf8", 4) == 0) *pnPosition += 4;
        _vConvertirFonction(pclOut, piFunction, piArgument, eKind, 1);
    } else {
        bResult = _bCopyText(pclOut, pszText, pnPosition, static_cast<unsigned long>(std::max(0, st.nFin)) + 1);
    }
    // The dialect's text around the arguments of a function.
    if (piFunction != nullptr && CSQLParserInfo::s_bIsFunction(piFunction->eGetOperateur())) {
        CTString clText;
        _FormatExpressionArgument(pclParser, pszText, piFunction, piArgument, eKind, &clText, bFirst, pnPosition,
                                  nArgument);
        if (clText.nTaille() > 0) pclOut->Add(clText);
    }
    if (!bFirst) _vConvertirFonction(pclOut, piFunction, piArgument, eKind, 0);
    return bResult && !pclOut->bIsInError() ? 1 : 0;
}

// ---------------------------------------------------------------------------------- ORDER BY

int CNACommand::bFormatORDERBY(int bItemText, int bKeepDirections) {
    if (m_pclParserInfo == nullptr || m_pclParserInfo->nGetDebutOrderBy() <= 0) return 1;
    const wchar_t* pszText = m_pclParserInfo->pszGetRequete();
    if (pszText == nullptr) return 1;
    unsigned long nPosition = static_cast<unsigned long>(m_pclParserInfo->nGetDebutOrderBy());
    int bUnique = 0;
    return _bFormatORDERBY(&nPosition, pszText, 1, bKeepDirections, bItemText, &bUnique);
}

int CNACommand::_bFormatORDERBY(unsigned long* pnPosition, const wchar_t* pszText, int bWrite, int bKeepDirections,
                                int bItemText, int* pbUnique) {
    *pbUnique = 0;
    if (pszText == nullptr) return 1;
    const unsigned long nLength = wcslen(pszText);
    CSQLParserInfo* pclParser = m_pclParserInfo;
    if (!bWrite) {
        // The clause and all that follows it are left for the caller to write.
        const int nStart = pclParser != nullptr ? pclParser->nGetDebutOrderBy() : 0;
        const int bResult = nStart > 0 ? _bCopyText(&m_clSQL, pszText, pnPosition, static_cast<unsigned long>(nStart)) : 1;
        *pnPosition = nLength;
        return bResult;
    }
    if (pclParser == nullptr) return _bCopyText(&m_clSQL, pszText, pnPosition, nLength);
    const int nMax = m_pclConnection != nullptr ? m_pclConnection->nGetOrderByMaxExpressionNbr() : 0x7FFFFFFF;
    if (nMax < 1) return 1;
    const int nItems = pclParser->nGetRubriqueClauseOrderNbr();
    int bResult = 1;
    for (int i = 0; i < nItems && bResult; i++) {
        IInfoOrderBy* piOrder = pclParser->piGetRubriqueClauseOrder(i);
        const stPosition st = piOrder->stGetPosition();
        bResult = _bCopyText(&m_clSQL, pszText, pnPosition, static_cast<unsigned long>(std::max(0, st.nDebut)));
        if (bResult)
            bResult = _bAddItemInORDERBY(pclParser->piGetRubriqueOfOrder(piOrder), piOrder->nGetIndiceRubrique(), pszText,
                                         st, bItemText, pbUnique);
        *pnPosition = std::max(*pnPosition, std::min(nLength, static_cast<unsigned long>(st.nFin) + 1));

        // The item's direction word, kept or turned round.
        unsigned long j = *pnPosition;
        while (j < nLength && s_bEspaceSQL(pszText[j])) j++;
        const wchar_t* pszWord = _bWordAt(pszText, j, L"DESC") ? L"DESC" : _bWordAt(pszText, j, L"ASC") ? L"ASC" : nullptr;
        const bool bEnds = pszWord != nullptr || j >= nLength || pszText[j] == L',' || i == nItems - 1;
        if (bEnds) {
            const unsigned long nWord = pszWord != nullptr ? wcslen(pszWord) : 0;
            if (bKeepDirections) {
                if (pszWord != nullptr) bResult &= _bCopyText(&m_clSQL, pszText, pnPosition, j + nWord);
            } else {
                const bool bDescending = pszWord != nullptr && pszWord[0] == L'D';
                m_clSQL.Add(bDescending ? L" ASC" : L" DESC", -1);
                if (pszWord != nullptr) *pnPosition = j + nWord;
            }
        }
        if (i + 1 >= nMax || *pbUnique) break;
    }
    return bResult && !m_clSQL.bIsInError() ? 1 : 0;
}

int CNACommand::_bAddItemInORDERBY(IInfoRubrique* piItem, int nIndex, const wchar_t* pszText, stPosition stSpan,
                                   int bItemText, int* pbUnique) {
    *pbUnique = 0;
    const long nSpan = stSpan.nFin >= stSpan.nDebut ? stSpan.nFin - stSpan.nDebut + 1 : 0;
    auto AddSpan = [&]() {
        if (nSpan > 0) m_clSQL.Add(pszText + stSpan.nDebut, nSpan);
    };
    CSQLParserInfo* pclParser = m_pclParserInfo;
    const int bByPosition = m_pclConnection == nullptr || m_pclConnection->bOrderByIndiceAllowed();
    const int nKind = piItem != nullptr ? CSQLParserInfo::s_nGetKindOfItem(piItem) : -1;
    if (piItem == nullptr) {
        AddSpan();
    } else if (nKind == CSQLParserInfo::ITEMKIND_PLAIN) {
        if (bItemText) {
            AddSpan();
        } else {
            CTString cl;
            _FormatRubriqueAlias(pclParser, piItem, &cl, pclParser != nullptr && pclParser->nGetFichierFromNbr() > 1);
            m_clSQL.Add(cl);
        }
        if (pclParser != nullptr) {
            if (pclParser->bRubriqueUniqueNotNull(piItem)) {
                *pbUnique = 1;
            } else if (pclParser->bRubriqueUnique(piItem)) {
                // Unique and no NULL passes the command's condition: one row at most per value.
                CNARecord* pclRecord = pclParser->pclGetRecordNoRef();
                CNAColumn* pclColumn = pclRecord != nullptr ? pclRecord->pclGetColumnNoRef(piItem->pszGetNom()) : nullptr;
                if (pclColumn != nullptr && !bColumnValuesNullSelected(pclColumn)) *pbUnique = 1;
            }
        }
    } else if ((nKind == CSQLParserInfo::ITEMKIND_COMPUTED || nKind == CSQLParserInfo::ITEMKIND_AGGREGATE) &&
               bByPosition) {
        CTString cl;
        cl.SetI4(nIndex + 1);
        m_clSQL.Add(cl);
    } else if (!bByPosition) {
        // The output item's own text stands for its name.
        const stPosition stOwn = piItem->stGetPosition();
        if (!bNoSpan(stOwn) && stOwn.nFin >= stOwn.nDebut)
            m_clSQL.Add(pszText + stOwn.nDebut, stOwn.nFin - stOwn.nDebut + 1);
        else
            AddSpan();
    } else {
        AddSpan();
    }
    return m_clSQL.bIsInError() ? 0 : 1;
}
