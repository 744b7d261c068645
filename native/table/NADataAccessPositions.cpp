// The data access's saved positions (save, return, free, compare), the place of a browse in per
// mille, the number of records, and the indexes made after CREATE TABLE with their names.
#include <ctime>
#include <new>

#include "core/STRUtil.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/ColumnList.h"
#include "native/model/NAColumn.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAPosition.h"
#include "native/model/NARecord.h"
#include "native/sql/NAFilter.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NATableCache.h"
#include "native/table/NADataAccess.h"
#include "variant/Any.h"
#include "variant/VQCalc.h"

namespace {

// Debug sites of this unit.
constexpr int SITE_NO_PLACE = 1;
constexpr int SITE_UNKNOWN_POSITION = 2;
constexpr int SITE_NO_STATEMENT = 3;
constexpr int SITE_COMPARE_SECOND = 19;
constexpr int SITE_COMPARE_FIRST = 20;

constexpr unsigned USER_ERROR_NO_STATEMENT = 7;
constexpr unsigned USER_ERROR_UNKNOWN_POSITION = 11;

// The count option that allows a count without a browse.
constexpr unsigned COUNT_OPTION_QUICK = 16;

// An undecided comparison of two saved records.
constexpr int UNDECIDED = -1;

}  // namespace

// ---------------------------------------------------------------------------------- save, return, free

CNAPosition* CNADataAccess::pclAllocPosition() {
    return new (std::nothrow) CNAPosition;
}

CNAPosition* CNADataAccess::_pclFindPosition(int nPosition) {
    CNAPosition* pclPosition = nullptr;
    m_tabPosition.bGet(nPosition, &pclPosition);
    return pclPosition;
}

int CNADataAccess::bHSauvePosition(int* pnPosition, const wchar_t* pszItem, unsigned nKind) {
    return _bGetPosition(pnPosition, pszItem, nKind);
}

int CNADataAccess::_bGetPosition(int* pnPosition, const wchar_t* pszItem, unsigned) {
    CNAPosition* pclPosition = pclAllocPosition();
    if (pclPosition == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return 0;
    }
    CRefTraits<CNAPosition>::_AddRef(pclPosition);
    pclPosition->SetItem(pszItem);
    CNAStatement* pclStatement = _pclGetStatement(pszItem);
    if (pclStatement == nullptr) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_NO_STATEMENT, pszItem, USER_ERROR_NO_STATEMENT, pszGetLogicalName());
        CRefTraits<CNAPosition>::_Release(pclPosition);
        return 0;
    }
    // The kind the host gives matters only on the way back.
    int bResult = pclStatement->bGetPosition(pclPosition, 0);
    if (bResult && m_nLastReadSave != -1) pclPosition->SetRecordSaveID_VerrueHAjouteHLit(this, m_nLastReadSave);
    if (bResult) {
        const int nId = ms_nPositionID++;
        bResult = m_tabPosition.bSet(nId, pclPosition) && pclStatement->bAddSavedPosition(nId, pclPosition);
        if (bResult) {
            if (pnPosition != nullptr) *pnPosition = nId;
        } else {
            m_tabPosition.bRemove(nId);
        }
    }
    pclStatement->nRelease();
    CRefTraits<CNAPosition>::_Release(pclPosition);
    return bResult;
}

int CNADataAccess::bHRetourPosition(int nPosition, wchar_t* pszItem, int bKeep, unsigned nKind) {
    return _bSetPosition(pszItem, nPosition, bKeep, nKind);
}

int CNADataAccess::_bSetPosition(wchar_t* pszItem, int nPosition, int bKeep, unsigned nKind) {
    CNAPosition* pclPosition = _pclFindPosition(nPosition);
    if (pclPosition == nullptr) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_UNKNOWN_POSITION, nullptr, USER_ERROR_UNKNOWN_POSITION,
                  pszGetLogicalName());
        return 0;
    }
    if (pszItem != nullptr) STR_nCopy(pszItem, ITEM_NAME_CAPACITY, _pszOrEmpty(pclPosition->pszGetItem()), -1);
    CNAStatement* pclStatement = pclPosition->pclGetStatement();
    int bResult = 0;
    if (pclStatement != nullptr) {
        m_pclCurrentStatement = pclStatement;
        bResult = pclStatement->bSetPosition(pclPosition, nKind);
        pclStatement->nRelease();
    }
    if (bResult) {
        nReleaseRecordSave(m_nLastReadSave);
        m_nLastReadSave = pclPosition->nGetRecordSaveID();
        if (m_nLastReadSave != -1) {
            AddRefRecordSave(m_nLastReadSave);
            bRestoreOriginalRecordSave(m_nLastReadSave);
            if (m_pclRecord != nullptr) m_pclRecord->bCopyOriginalRecordToCurrentRecord();
        }
    }
    CRefTraits<CNAPosition>::_Release(pclPosition);
    if (!bKeep) bResult = _bFreePosition(nPosition) && bResult;
    return bResult;
}

int CNADataAccess::bHLiberePosition(int nPosition) {
    return _bFreePosition(nPosition);
}

int CNADataAccess::_bFreePosition(int nPosition) {
    CNAPosition* pclPosition = _pclFindPosition(nPosition);
    if (pclPosition == nullptr) return 1;
    CNAStatement* pclStatement = pclPosition->pclGetStatement();
    if (pclStatement != nullptr) {
        pclStatement->bRemoveSavedPosition(nPosition);
        pclStatement->nRelease();
    }
    CRefTraits<CNAPosition>::_Release(pclPosition);
    m_tabPosition.bRemove(nPosition);
    return 1;
}

void CNADataAccess::_bDeleteAllSavedPosition() {
    unsigned nCursor = 0;
    CNAPosition* pclPosition = nullptr;
    int nId = 0;
    while (m_tabPosition.bParse(&nCursor, &pclPosition, &nId)) {
        CNAStatement* pclStatement = pclPosition->pclGetStatement();
        if (pclStatement != nullptr) {
            pclStatement->bRemoveSavedPosition(nId);
            pclStatement->nRelease();
        }
    }
    m_tabPosition.RemoveAll();
}

// ---------------------------------------------------------------------------------- comparison

int CNADataAccess::bCompareTablePosition(int nFirst, int nSecond, int* pbEqual) {
    // The host reads the answer whatever path decides it: "not equal" until one does.
    if (pbEqual != nullptr) *pbEqual = 0;
    if (nFirst == nSecond) {
        if (pbEqual != nullptr) *pbEqual = 1;
        return 1;
    }
    CNAPosition* pclFirst = _pclFindPosition(nFirst);
    if (pclFirst == nullptr) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_COMPARE_FIRST, nullptr, USER_ERROR_UNKNOWN_POSITION, pszGetLogicalName());
        return 0;
    }
    CNAPosition* pclSecond = _pclFindPosition(nSecond);
    if (pclSecond == nullptr) {
        CRefTraits<CNAPosition>::_Release(pclFirst);
        _AddError(NA_ERRORTYPE_GENERAL, SITE_COMPARE_SECOND, nullptr, USER_ERROR_UNKNOWN_POSITION, pszGetLogicalName());
        return 0;
    }
    int bEqual = 0;
    _bCompareTablePosition(pclFirst, pclSecond, &bEqual);
    if (pbEqual != nullptr) *pbEqual = bEqual;
    CRefTraits<CNAPosition>::_Release(pclFirst);
    CRefTraits<CNAPosition>::_Release(pclSecond);
    return 1;
}

int CNADataAccess::_bCompareTablePosition(CNAPosition* pclFirst, CNAPosition* pclSecond, int* pbEqual) {
    *pbEqual = 0;
    const int nFirstRow = pclFirst->nGetRowId();
    const int nSecondRow = pclSecond->nGetRowId();
    CNAStatement* pclFirstStatement = pclFirst->pclGetStatement();
    CNAStatement* pclSecondStatement = pclSecond->pclGetStatement();
    const bool bSameStatement = pclFirstStatement == pclSecondStatement;
    if (pclFirstStatement != nullptr) pclFirstStatement->nRelease();
    if (pclSecondStatement != nullptr) pclSecondStatement->nRelease();
    if (bSameStatement && nFirstRow != -1 && nSecondRow != -1) {
        *pbEqual = nFirstRow == nSecondRow ? 1 : 0;
        return 1;
    }
    if (_bCheckRecordSaveID(pclFirst, pclSecond, pbEqual)) return 1;
    return _bCheckReccordId(pclFirst, pclSecond, pbEqual);
}

int CNADataAccess::_bCheckRecordSaveID(CNAPosition* pclFirst, CNAPosition* pclSecond, int* pbEqual) {
    auto nSlotOf = [](const CNAPosition* pcl) {
        const int nSlot = pcl->nGetRecordSaveID();
        return nSlot != -1 ? nSlot : pcl->nGetRecordSaveID2();
    };
    const int nFirst = nSlotOf(pclFirst);
    const int nSecond = nSlotOf(pclSecond);
    if (nFirst == -1 || nSecond == -1) return 0;
    if (nFirst == nSecond) {
        *pbEqual = 1;
        return 1;
    }
    INAItemDescription* piBest = piGetBestParseItemDesc();
    if (piBest == nullptr) return 0;
    int nDecision = UNDECIDED;
    if (piBest->bUnique()) {
        CAny clFirst, clSecond;
        const wchar_t* pszBest = piBest->pszGetName();
        if (_bGetItemValueInRecordSave(&clFirst, nFirst, pszBest) &&
            _bGetItemValueInRecordSave(&clSecond, nSecond, pszBest)) {
            const bool bFirstNull = clFirst.bIsNull();
            const bool bSecondNull = clSecond.bIsNull();
            if (!bFirstNull && !bSecondNull) {
                int nEqual = 0;
                if (nEgalite(clFirst, clSecond, &nEqual, 0) == 0) nDecision = nEqual != 0 ? 1 : 0;
            } else if (bFirstNull != bSecondNull) {
                nDecision = 0;
            }
        }
    }
    piBest->nExternalRelease();
    if (nDecision == UNDECIDED) return 0;
    *pbEqual = nDecision;
    return 1;
}

// ---------------------------------------------------------------------------------- per mille

int CNADataAccess::bHPositionCourante(int* pnPosition, const wchar_t* pszItem, int nPrecision) {
    CNAStatement* pclStatement = _pclFindStatement(pszItem);
    if (pclStatement != nullptr && pclStatement->m_bStarted) {
        const int bResult = pclStatement->bHPositionCourante(pnPosition, nPrecision);
        pclStatement->nRelease();
        return bResult;
    }
    if (pclStatement != nullptr) pclStatement->nRelease();
    if (pnPosition != nullptr) *pnPosition = -1;
    _AddError(NA_ERRORTYPE_GENERAL, SITE_NO_PLACE, pszItem, USER_ERROR_NO_STATEMENT, pszGetLogicalName());
    return 0;
}

int CNADataAccess::bHPositionne(const wchar_t* pszItem, unsigned nPosition, int nPrecision, NA_WRITEPARSEFLAGS nFlags) {
    CNAStatement* pclStatement = _pclFindStatement(pszItem);
    if (pclStatement == nullptr) return 1;
    m_pclCurrentStatement = pclStatement;
    const int bResult =
        pclStatement->bHPositionne(static_cast<int>(nPosition), nPrecision, nFlags) && bSetCurrentRecordRead(0);
    pclStatement->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- counts

int CNADataAccess::bHNbEnr(long* pnCount, unsigned nOptions, NA_WRITEPARSEFLAGS nFlags) {
    int64_t llCount = 0;
    const int bResult = bGetNbEnr(&llCount, nOptions, nFlags, m_pclCurrentStatement, -1);
    if (pnCount != nullptr) *pnCount = static_cast<long>(llCount);
    return bResult;
}

int CNADataAccess::bGetNbEnr(int64_t* pllCount, unsigned nOptions, NA_WRITEPARSEFLAGS nFlags,
                             CNAStatement* pclStatement, int nDirection) {
    int bAnswered = 0;
    const int bQuick = _bGetNbEnrOptimized(pllCount, nOptions, nFlags, pclStatement, nDirection, &bAnswered);
    if (bAnswered) return bQuick;
    CNAStatement* pclCounter = _pclGetQueryStatement();
    if (pclCounter == nullptr) return 0;
    if (pclCounter->m_pclRecherche != nullptr) pclCounter->m_pclRecherche->Desactivate();
    if (pclCounter->m_pclFilter != nullptr) pclCounter->m_pclFilter->ActivateFilter(0);
    bool bFilterCopied = false;
    if (pclStatement != nullptr && (nFlags & WPF_RESUME) != 0) {
        CNAFilter* pclFilter = pclStatement->pclGetFilter();
        if (pclFilter != nullptr) {
            CNAFilter* pclCopy = pclFilter->pclCloneFilter();
            if (pclCopy != nullptr) {
                pclCounter->_SetFilter(pclCopy);
                bFilterCopied = pclCopy->bIsFilterActive() != 0;
            }
            pclFilter->nRelease();
        }
    }
    CNARecordValue* pclKept = nullptr;
    int bResult = 1;
    if (nDirection != -1) {
        // The records that share the current record's key: the search runs on the browse
        // statement's original record.
        const wchar_t* pszItem = pclStatement != nullptr ? pclStatement->pszGetItemName() : pszGetBestParseItemName();
        INAItemDescription* piItem = piGetItemDescription(pszItem);
        CNARecordValue* pclOriginal = m_pclRecord != nullptr ? m_pclRecord->pclGetOriginalRecordValueNoRef() : nullptr;
        CNARecordValue* pclStmtOriginal = pclStatement != nullptr ? pclStatement->pclGetStmtOriginalRecord() : nullptr;
        if (pclOriginal != nullptr && pclStmtOriginal != nullptr) {
            pclKept = pclOriginal->pclGetClone(CNARecordValue::COPY_ALL);
            if (pclKept != nullptr) {
                pclKept->AddRef();
                pclOriginal->bCopyRecordValue(pclStmtOriginal, CNARecordValue::COPY_ALL);
            }
        }
        CNARecherche* pclSearch = pclCounter->pclGetRecherche();
        bResult = piItem != nullptr && pclSearch != nullptr;
        if (bResult) {
            pclCounter->PrepareInternalSearch();
            const eNA_PARSEDIRECTION eSearch = nDirection == NA_PARSE_PREVIOUS ? NA_PARSE_LAST : NA_PARSE_FIRST;
            bResult = pclSearch->bRechercheEnreg(m_pclRecord, piItem, eSearch, 0, nullptr) & 1;
            // Next and previous count the records on that side of the current one.
            if (bResult && (nDirection == NA_PARSE_NEXT || nDirection == NA_PARSE_PREVIOUS))
                pclSearch->bSetContinueParcours(eSearch);
        }
        if (pclSearch != nullptr) pclSearch->nRelease();
        if (piItem != nullptr) piItem->nExternalRelease();
    }
    if (bResult) {
        const int bWholeTable = nDirection == -1 && !bFilterCopied ? 1 : 0;
        bResult = pclCounter->bGetNbEnr(pllCount, nOptions, bWholeTable);
    }
    if (pclKept != nullptr) {
        m_pclRecord->pclGetOriginalRecordValueNoRef()->bCopyRecordValue(pclKept, CNARecordValue::COPY_ALL);
        pclKept->nRelease();
    }
    pclCounter->nRelease();
    return bResult;
}

int CNADataAccess::_bGetNbEnrOptimized(int64_t* pllCount, unsigned nOptions, NA_WRITEPARSEFLAGS nFlags,
                                       CNAStatement* pclStatement, int nDirection, int* pbAnswered) {
    *pbAnswered = 0;
    if ((nOptions & COUNT_OPTION_QUICK) == 0) {
        if (pllCount != nullptr) *pllCount = 0;
        *pbAnswered = 1;
        return 1;
    }
    // A query run as written is counted only from a table cache that holds it whole.
    if (bRequeteSansCorrection() && (m_pclTableCache == nullptr || m_pclTableCache->pclGetFullCacheNoRef() == nullptr))
        return 0;
    if (nDirection != -1) return 0;
    const uint32_t bResume = m_bResumeBrowse;
    int bResult = 0;
    const bool bWhole =
        m_pclTableCache != nullptr &&
        (m_pclTableCache->bCacheCompleted() || (m_nQuery != 0 && m_pclCnx != nullptr && !m_pclCnx->bSupportSubQuery()));
    if (bWhole && pclStatement != nullptr &&
        ((pclStatement->m_clFilterAtStart.bFilterEquals(pclStatement->m_pclFilter) && !pclStatement->bExistFilter()) ||
         (nFlags & WPF_RESUME) != 0)) {
        if (pllCount != nullptr) *pllCount = m_pclTableCache->llGetRecordNbrActive();
        bResult = 1;
        *pbAnswered = 1;
    } else if (pclStatement != nullptr) {
        bResult = pclStatement->bGetNbEnrCurrentParse(pllCount, nFlags, (nFlags & WPF_RESUME) == 0 ? 1 : 0);
        if (bResult) *pbAnswered = 1;
    }
    m_bResumeBrowse = bResume;
    return bResult;
}

// ---------------------------------------------------------------------------------- indexes

int CNADataAccess::_bCreateIndex(CNAStatement* pclStatement, uint32_t nMode) {
    if (m_pclRecord == nullptr || pclStatement == nullptr) return 0;
    int bResult = 1;
    const int nColumns = m_pclRecord->nGetNumColumns();
    for (int i = 0; i < nColumns; i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        if (pclColumn == nullptr) continue;
        INAItemDescription* piItem = pclColumn->piGetItemNoRef();
        CColumnList clList;
        if (pclColumn->bIsComposedKey()) {
            CNARefArray<CNAColumn>* pclComponents = pclColumn->pclGetTabComponent();
            if ((nMode & 2) == 0 || pclComponents == nullptr) continue;
            for (int k = 0; k < pclComponents->nGetNbElement(); k++)
                clList.AddColumn(pclComponents->GetAt(k)->pszGetFormatedName());
        } else if ((piItem->bDuplicates() && (nMode & 2) != 0) || (piItem->bUnique() && (nMode & 1) != 0)) {
            clList.AddColumn(pclColumn->pszGetFormatedName());
        } else {
            continue;
        }
        CTString clName;
        if (!_bGetUniqueIndexName(pclColumn, &clName)) {
            bResult = 0;
            continue;
        }
        CNACommand* pclCommand = pclAllocCommand();
        if (pclCommand == nullptr) {
            bResult = 0;
            continue;
        }
        CTString clSQL(L"CREATE ");
        if (piItem->bUnique()) clSQL.Add(L"UNIQUE");
        clSQL.Add(L" INDEX ");
        clSQL.Add(clName.pszGet());
        clSQL.Add(L" ON ");
        clSQL.Add(pszGetDBTableName());
        clSQL.Add(L" ( ");
        clSQL.Add(clList.pszGet());
        clSQL.Add(L" ) ");
        pclCommand->SetNAQueryType(NAQUERYTYPE_CREATE);
        if (!pclCommand->bComplete(clSQL.pszGet()) ||
            !pclStatement->bExecuteDirectNewCommand(pclCommand, 0, CNAStatement::NA_ST_NOPREPARE))
            bResult = 0;
        pclCommand->nRelease();
    }
    return bResult;
}

int CNADataAccess::_bGetUniqueIndexName(CNAColumn* pclColumn, CTString* pclName) {
    if (pclColumn == nullptr || pclName == nullptr) return 0;
    if (!pclColumn->bIsComposedKey()) return _bGetGeneratedIndexName(pclColumn, pclName);
    if (m_pclCnx != nullptr && m_pclCnx->bIndexNamesCommonOnDatabase()) {
        CTString clName(pszGetPhysicalName());
        clName.Add(L"_");
        clName.Add(pclColumn->pszGetName());
        return m_pclCnx->bFormatItemName(m_pclError, clName.pszGet(), pclName);
    }
    pclName->Set(pclColumn->pszGetFormatedName());
    return 1;
}

int CNADataAccess::_bGetGeneratedIndexName(CNAColumn*, CTString* pclName) {
    if (pclName == nullptr) return 0;
    pclName->printf(L"KXIDX%u%d", static_cast<unsigned>(time(nullptr)), ms_nIndexNameCounter++);
    return 1;
}
