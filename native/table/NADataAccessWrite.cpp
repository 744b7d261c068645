// The data access's writes: add, modify and delete the current record, delete every record, the
// shared path that builds and runs one write and recovers from the server's errors (a duplicate
// automatic identifier repaired by restarting its sequence, the item a duplicate key or a missing
// value is on), the sequence moved past an identifier inserted, the notices to the caches and the
// other statements, and the memo and binary values of the current record.
#include <new>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/driver/NAIDAuto.h"
#include "native/model/NAColumn.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/sql/NAFilter.h"
#include "native/statement/NARecordCachePosition.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NATableCache.h"
#include "native/table/NADataAccess.h"
#include "variant/Any.h"

namespace {

constexpr int SITE_QUERY_AS_WRITTEN = 16;
constexpr unsigned USER_ERROR_QUERY_AS_WRITTEN = 35;
constexpr int SITE_NO_ROW_WRITTEN = 40;
constexpr int SITE_ROWS_WRITTEN = 41;
constexpr unsigned USER_ERROR_RECORD_LOST = 13;
constexpr unsigned USER_ERROR_ROWS_WRITTEN = 84;

// Bits of the write flags.
constexpr NA_WRITEPARSEFLAGS WPF_MARK_READ = 0x40;         // the record is read at once after the write
constexpr NA_WRITEPARSEFLAGS WPF_SEQUENCE_AFTER = 0x100;   // the sequence moves past the value inserted
constexpr NA_WRITEPARSEFLAGS WPF_IDAUTO_RETRY = 0x400;     // the insert runs again with a new identifier
constexpr NA_WRITEPARSEFLAGS WPF_NO_IDAUTO_FIXUP = 0x700;  // no repair of a duplicate identifier

// The lock types of a write: the least a modify or a delete takes, and the one a delete gives back.
constexpr unsigned LOCK_WRITE_LEAST = 2;
constexpr unsigned LOCK_NONE = 1;

// The search mode of a duplicate test's filter.
constexpr int FILTER_MODE_DUPLICATE = 8;

// The record state of a deleted record (bit 7).
constexpr uint32_t RECORD_DELETED_BIT = 0x80;

eNA_LOCKTYPE _eAtLeast(eNA_LOCKTYPE eLock, unsigned nLeast) {
    return static_cast<unsigned>(eLock) < nLeast ? static_cast<eNA_LOCKTYPE>(nLeast) : eLock;
}

// The column's current value as a signed 64-bit integer; 0 when it has none.
int _bGetInt64(CNAColumn* pclColumn, int64_t* pll) {
    CAny clValue;
    if (pclColumn == nullptr || !pclColumn->bGetCurrentValue(&clValue, 0) || clValue.bIsNull()) return 0;
    if (clValue.__nCastTo(VQTYPE_I8, nullptr, 0) != 0 || clValue.bIsNull()) return 0;
    long ll = 0;
    if (clValue.nGetINT_64(&ll) != 0) return 0;
    *pll = ll;
    return 1;
}

int _bGetInt64(CAny* pclValue, int64_t* pll) {
    if (pclValue->bIsNull() || pclValue->__nCastTo(VQTYPE_I8, nullptr, 0) != 0 || pclValue->bIsNull()) return 0;
    long ll = 0;
    if (pclValue->nGetINT_64(&ll) != 0) return 0;
    *pll = ll;
    return 1;
}

// The highest identifier the table holds, or the next one (bNext), from the access's identifier
// object.
int _bIdentifierValue(CNADataAccess* pclAccess, CNAColumn* pclColumn, int bNext, CAny* pclValue) {
    CNAIDAuto* pclIDAuto = pclAccess->pclGetIDAuto();
    if (pclIDAuto == nullptr) return 0;
    CNAError* pclError = pclAccess->pclGetErrorNoRef();
    const int bResult = bNext ? pclIDAuto->bGetNextValue(pclAccess, pclColumn, pclError, pclValue)
                              : pclIDAuto->bGetMaxCurrentValue(pclAccess, pclColumn, pclError, pclValue);
    pclIDAuto->nRelease();
    return bResult;
}

}  // namespace

// ---------------------------------------------------------------------------------- add

int CNADataAccess::bHAjoute(NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock) {
    if (m_pclRecord == nullptr) return 0;
    for (int i = 0; i < m_pclRecord->nGetNumColumns(); i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        if (pclColumn == nullptr || pclColumn->bIsComposedKey()) continue;
        if (!pclColumn->bCheckAndCorrectYFRecordValues()) return 0;
    }
    int bResult = _bHAjoute(nFlags, eLock);
    if (bRequeteSansCorrection()) return bResult;
    if (!bResult) return 0;
    if ((nFlags & WPF_MARK_READ) != 0) return bSetCurrentRecordRead(0);
    if (!m_pclRecord->bOriginalExists() && !bSetCurrentRecordRead(0)) return 0;
    // The record just written is the one the next read by record number comes back to.
    nReleaseRecordSave(m_nLastReadSave);
    m_nLastReadSave = nKeepCurrentRecordSave();
    return 1;
}

int CNADataAccess::_bHAjoute(NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock) {
    const CRefArray<CNAColumn>* ptabMemos = m_pclRecord->pclGetTabColumnMemo();
    for (int i = 0; ptabMemos != nullptr && i < ptabMemos->nGetNbElement(); i++) {
        CNAColumn* pclColumn = ptabMemos->GetAt(i);
        if (pclColumn == nullptr || !pclColumn->bValueIsUnreadYet()) continue;
        CAny clValue;
        if (!bGetBLOB(static_cast<unsigned>(pclColumn->nGetMemoIndice()), &clValue)) clValue.SetNull(1);
        pclColumn->bSetValue(&clValue, 0);
    }
    CNAStatement* pclStatement = _pclGetQueryStatement();
    if (pclStatement == nullptr) return 0;
    int bResult = pclStatement->bSetLockType(eLock) && _bOperation(pclStatement, NAQUERYTYPE_INSERT, nFlags, nullptr);
    if (bResult) bResult = bLockRecord(pclStatement, eLock, 0, nullptr);
    pclStatement->ResetStatement();
    pclStatement->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- modify

int CNADataAccess::bHModifie(long nRecord, NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock) {
    if (!_bIsValidRecordNumber(nRecord) || m_pclRecord == nullptr) return 0;
    for (int i = 0; i < m_pclRecord->nGetNumColumns(); i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        if (pclColumn == nullptr || pclColumn->bIsComposedKey()) continue;
        if (!pclColumn->bCheckAndCorrectYFRecordValues()) return 0;
    }
    if (m_nLastReadSave != -1 && !bRestoreOriginalRecordSave(m_nLastReadSave)) return 0;
    CNARecordValue* pclOriginal = m_pclRecord->pclGetOriginalRecordValueNoRef();
    CNARecordValue* pclCopy = pclOriginal != nullptr ? pclOriginal->pclGetClone(-1) : nullptr;
    if (pclCopy != nullptr) pclCopy->AddRef();
    int bResult = _bHModifie(nRecord, nFlags, eLock, pclCopy);
    if (pclCopy != nullptr) pclCopy->nRelease();
    if (bResult && (nFlags & WPF_MARK_READ) != 0 && !bRequeteSansCorrection() && !m_pclRecord->bOriginalExists())
        bResult = bSetCurrentRecordRead(0);
    return bResult;
}

int CNADataAccess::bHEcrit(long nRecord, NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock) {
    return bHModifie(nRecord, nFlags, eLock);
}

int CNADataAccess::_bHModifie(long nRecord, NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock,
                              const CNARecordValue* pclCopy) {
    CNAStatement* pclStatement = _pclGetQueryStatement();
    if (pclStatement == nullptr) return 0;
    const eNA_LOCKTYPE eWriteLock = _eAtLeast(eLock, LOCK_WRITE_LEAST);
    int bResult = bLockRecord(pclStatement, eWriteLock, nRecord, nullptr);
    if (bResult) bResult = _bOperation(pclStatement, NAQUERYTYPE_UPDATE, nFlags, pclCopy);
    CNARecordValue* pclCurrent = m_pclRecord->pclGetCurrentRecordValueNoRef();
    if (!bResult && pclCurrent != nullptr && (pclCurrent->eGetRecordState() & RECORD_DELETED_BIT) != 0) {
        // The record was deleted meanwhile: it is written again, its identifier kept and the
        // sequence moved past it.
        if (m_pclError != nullptr) m_pclError->Reset();
        bResult = _bOperation(pclStatement, NAQUERYTYPE_INSERT, nFlags | WPF_SEQUENCE_AFTER, pclCopy);
        if (bResult) bResult = bSetCurrentRecordRead(0);
    } else if (bResult) {
        bResult = bSetCurrentRecordRead(0);
    }
    const int bUnlocked = bUnlockRecord(pclStatement, eLock, 0, nullptr);
    pclStatement->ResetStatement();
    pclStatement->nRelease();
    return bResult && bUnlocked;
}

// ---------------------------------------------------------------------------------- delete

int CNADataAccess::bHSupprime(long nRecord, eNA_LOCKTYPE eLock) {
    if (!_bIsValidRecordNumber(nRecord) || m_pclRecord == nullptr) return 0;
    if (m_nLastReadSave != -1 && !bRestoreOriginalRecordSave(m_nLastReadSave)) return 0;
    CNAStatement* pclStatement = _pclGetQueryStatement();
    if (pclStatement == nullptr) return 0;
    int bResult = bLockRecord(pclStatement, _eAtLeast(eLock, LOCK_WRITE_LEAST), nRecord, nullptr);
    if (bResult) {
        bResult = _bOperation(pclStatement, NAQUERYTYPE_DELETE, 0, nullptr);
        bUnlockRecord(pclStatement, static_cast<eNA_LOCKTYPE>(LOCK_NONE), 0, nullptr);
    }
    pclStatement->ResetStatement();
    pclStatement->nRelease();
    if (bResult) m_pclRecord->SetDeleted();
    return bResult;
}

int CNADataAccess::_bSupprimeTout() {
    _Close();
    if (m_pclCnx == nullptr || !m_pclCnx->bOpen(m_pclError)) return 0;
    if (m_nQuery == 0) {
        if (!_bInitCurrentRecord()) return 0;
        CNAStatement* pclStatement = _pclGetQueryStatement();
        if (pclStatement == nullptr) return 0;
        const int bResult = _bOperation(pclStatement, NAQUERYTYPE_DELETEALL, 0, nullptr);
        pclStatement->ResetStatement();
        pclStatement->nRelease();
        return bResult;
    }
    // A query of the host: each of its records in turn.
    const wchar_t* pszItem = pszGetBestParseItemName();
    eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
    const eNA_LOCKTYPE eNoLock = static_cast<eNA_LOCKTYPE>(LOCK_NONE);
    if (!bHLitxxx(pszItem, NA_PARSE_FIRST, 1, eNoLock, &eLockOut, 0)) return 0;
    for (;;) {
        int bOut = 1;
        if (!bHEndehors(pszItem, &bOut)) return 0;
        if (bOut) return 1;
        if (!bHSupprime(0, eNoLock)) return 0;
        if (!bHLitxxx(pszItem, NA_PARSE_NEXT, 1, eNoLock, &eLockOut, 0)) return 0;
    }
}

// ---------------------------------------------------------------------------------- one write

int CNADataAccess::_bOperation(CNAStatement* pclStatement, eNAQUERYTYPE eType, NA_WRITEPARSEFLAGS nFlags,
                               const CNARecordValue* pclValue) {
    if (bRequeteSansCorrection() &&
        (eType == NAQUERYTYPE_UPDATE || eType == NAQUERYTYPE_INSERT || eType == NAQUERYTYPE_DELETE)) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_QUERY_AS_WRITTEN, nullptr, USER_ERROR_QUERY_AS_WRITTEN);
        return 0;
    }
    if (!_bBuildAndExecuteQuery(pclStatement, eType, nFlags)) return 0;
    if (eType != NAQUERYTYPE_SELECT) _NotifyOperation(eType, pclStatement, nFlags, pclValue);
    return 1;
}

// One record's UPDATE or DELETE runs inside a savepoint, or inside a transaction of its own when
// none is open, so that a write that changed another number of rows than one can be undone before
// anyone sees it: a condition that matched twin rows, or none, is never taken for the record.
int CNADataAccess::_bExecuteOneRecordWrite(CNAStatement* pclStatement, eNAQUERYTYPE eType, NA_WRITEPARSEFLAGS nFlags,
                                           int* pbRefused) {
    *pbRefused = 0;
    CNACommand* pclCommand = pclStatement->pclGetCommandNoRef();
    if (m_pclCnx == nullptr || pclCommand == nullptr || pclCommand->bIsEmpty())
        return pclStatement->bExecute(nFlags, CNAStatement::NA_ST_PREPARE);
    const int bInTransaction = m_pclCnx->bServerTransactionOpen(m_pclError);
    if (!m_pclCnx->bExecuteQueryNoResult(m_pclError, bInTransaction ? L"SAVEPOINT kx_one_record" : L"BEGIN"))
        return 0;
    int bResult = pclStatement->bExecute(nFlags, CNAStatement::NA_ST_PREPARE);
    unsigned long nRows = 1;
    if (bResult && pclStatement->bGetAffectedRows(&nRows) && nRows != 1) {
        *pbRefused = 1;
        bResult = 0;
        if (nRows == 0) {
            pclStatement->_AddRecordLostError(static_cast<eNA_ERRORTYPE>(9), CNAError::FILE_DATAACCESS,
                                              SITE_NO_ROW_WRITTEN, nullptr);
        } else {
            _AddError(NA_ERRORTYPE_GENERAL, SITE_ROWS_WRITTEN, nullptr, USER_ERROR_ROWS_WRITTEN, pszGetLogicalName(),
                      static_cast<int>(nRows > 0x7FFFFFFFul ? 0x7FFFFFFFul : nRows));
        }
    } else if (!bResult && eType == NAQUERYTYPE_UPDATE && m_pclError != nullptr &&
               m_pclError->nGetUserErrorCode() == USER_ERROR_RECORD_LOST) {
        // The statement found the UPDATE changed no row.
        *pbRefused = 1;
    }
    // The end of the savepoint or the transaction keeps the error of the write: a fresh error
    // object takes that of the end, if any.
    CNAError* pclEndError = new (std::nothrow) CNAError;
    if (pclEndError != nullptr) pclEndError->AddRef();
    int bEnded;
    if (bResult)
        bEnded = m_pclCnx->bExecuteQueryNoResult(pclEndError, bInTransaction ? L"RELEASE SAVEPOINT kx_one_record"
                                                                            : L"COMMIT");
    else
        bEnded = m_pclCnx->bExecuteQueryNoResult(
            pclEndError, bInTransaction ? L"ROLLBACK TO SAVEPOINT kx_one_record; RELEASE SAVEPOINT kx_one_record"
                                        : L"ROLLBACK");
    if (!bEnded && bResult && m_pclError != nullptr && pclEndError != nullptr) m_pclError->Copy(pclEndError);
    if (pclEndError != nullptr) pclEndError->nRelease();
    return bResult && bEnded;
}

void CNADataAccess::_SetMemosNotModified() {
    const CRefArray<CNAColumn>* ptabMemos = m_pclRecord != nullptr ? m_pclRecord->pclGetTabColumnMemo() : nullptr;
    for (int i = 0; ptabMemos != nullptr && i < ptabMemos->nGetNbElement(); i++) {
        CNAColumn* pclColumn = ptabMemos->GetAt(i);
        if (pclColumn != nullptr) pclColumn->SetNotModified();
    }
}

int CNADataAccess::_bBuildAndExecuteQuery(CNAStatement* pclStatement, eNAQUERYTYPE eType, NA_WRITEPARSEFLAGS nFlags) {
    pclStatement->ResetQuery();
    CNACommand* pclCommand = pclAllocCommand();
    if (pclCommand == nullptr) return 0;
    int bResult = pclStatement->bBuildQuery(eType, pclCommand, nFlags);
    if (bResult) {
        int bRefused = 0;
        if (eType == NAQUERYTYPE_UPDATE || eType == NAQUERYTYPE_DELETE)
            bResult = _bExecuteOneRecordWrite(pclStatement, eType, nFlags, &bRefused);
        else
            bResult = pclStatement->bExecute(nFlags, CNAStatement::NA_ST_PREPARE);
        if (!bResult) {
            if (!bRefused) bResult = _bProcessError(pclCommand, pclStatement, eType, nFlags);
        } else if (eType == NAQUERYTYPE_UPDATE) {
            bResult = pclStatement->bUpdateRecordAfterUpdate(eType, nFlags);
        } else if (eType == NAQUERYTYPE_INSERT) {
            bResult = pclStatement->bUpdateRecordAfterInsert(eType, nFlags);
            if (bResult && (nFlags & WPF_SEQUENCE_AFTER) != 0) bResult = _bUpdateSequenceIdAutoAfterInsert();
        }
        // The memos written are now the server's values: the next modify sends only what the host
        // changes after this one, not a text another user may have changed since.
        if (bResult && (eType == NAQUERYTYPE_UPDATE || eType == NAQUERYTYPE_INSERT)) _SetMemosNotModified();
    }
    pclCommand->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- recovery

int CNADataAccess::_bProcessError(CNACommand* pclCommand, CNAStatement* pclStatement, eNAQUERYTYPE eType,
                                  NA_WRITEPARSEFLAGS nFlags) {
    if (m_pclError == nullptr) return 0;
    const eNA_ERRORTYPE eError = eGetNAErrorType();
    switch (static_cast<int>(eError)) {
        case NA_ERRORTYPE_GENERAL: {
            if (eType != NAQUERYTYPE_CREATE || m_pclCnx == nullptr) return 0;
            // A length the server refuses for VARCHAR or NVARCHAR becomes its long text type.
            const wchar_t* pszSQL = pclCommand->pszGetFormatedSQLW(static_cast<CNACommand::ePARAMTYPECONV>(-1));
            CXYStringConcat<wchar_t> clFirst, clSecond;
            int bRewritten = 0;
            CTString clText(pszSQL);
            if (m_pclCnx->nGetVarCharMaxLen() != -1 && pclStatement->bQueryCREATE_AutoCorrectVarcharMax(
                                                           &clFirst, clText.pszGet(), m_pclCnx->pszGetVarCharType(),
                                                           m_pclCnx->nGetVarCharMaxLen(), m_pclCnx->pszGetCLOBType())) {
                clText.Set(clFirst.pszGet());
                bRewritten = 1;
            }
            if (m_pclCnx->nGetNVarCharMaxLen() != -1 &&
                pclStatement->bQueryCREATE_AutoCorrectVarcharMax(
                    &clSecond, clText.pszGet(), m_pclCnx->pszGetNVarCharType(), m_pclCnx->nGetNVarCharMaxLen(),
                    m_pclCnx->pszGetNCLOBType())) {
                clText.Set(clSecond.pszGet());
                bRewritten = 1;
            }
            if (!bRewritten) return 0;
            CNACommand* pclCorrected = pclAllocCommand();
            if (pclCorrected == nullptr) return 0;
            pclCorrected->SetNAQueryType(NAQUERYTYPE_CREATE);
            int bResult = pclCorrected->bComplete(clText.pszGet()) &&
                          pclStatement->bExecuteDirectNewCommand(pclCorrected, 0, CNAStatement::NA_ST_PREPARE);
            pclCorrected->nRelease();
            if (bResult) m_pclError->Reset();
            return bResult;
        }
        case 1:
        case 2:
        case 4:
        case NA_ERRORTYPE_NOTAVAILABLE:
            m_pclError->SetErrorType(eError);
            return 0;
        case NA_ERRORTYPE_DUPLICATE: {
            CNAColumn* pclIdAuto = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnIDAutoNoRef() : nullptr;
            if (pclIdAuto != nullptr) {
                // The repair gives the identifier the sequence's value before it knows whether it
                // can go on: a repair that gives up leaves the record as the host wrote it.
                CNARecordValue* pclCurrent = m_pclRecord->pclGetCurrentRecordValueNoRef();
                CNARecordValue* pclKept = pclCurrent != nullptr ? pclCurrent->pclGetClone(-1) : nullptr;
                if (pclKept != nullptr) pclKept->AddRef();
                const int bRepaired =
                    _bProcessErrorDuplicateIdAutoSequence(pclIdAuto, pclCommand, pclStatement, eType, nFlags);
                if (!bRepaired && pclKept != nullptr) m_pclRecord->bCopyToCurrentRecord(pclKept);
                if (pclKept != nullptr) pclKept->nRelease();
                if (bRepaired) {
                    m_pclError->Reset();
                    return 1;
                }
            }
            INAItemDescription* piItem = piGetDuplicateItem(eType == NAQUERYTYPE_INSERT);
            m_pclError->SetErrorType(NA_ERRORTYPE_DUPLICATE);
            if (piItem != nullptr) {
                m_pclError->SetInfoNames(pszGetLogicalName(), piItem->pszGetName());
                piItem->nExternalRelease();
            }
            return 0;
        }
        case NA_ERRORTYPE_NULLNOTALLOWED: {
            INAItemDescription* piItem = piGetNullItemDesc(eType == NAQUERYTYPE_INSERT);
            m_pclError->SetErrorType(NA_ERRORTYPE_NULLNOTALLOWED);
            if (piItem != nullptr) {
                m_pclError->SetInfoNames(pszGetLogicalName(), piItem->pszGetName());
                piItem->nExternalRelease();
            }
            return 0;
        }
        default:
            return 0;
    }
}

int CNADataAccess::_bProcessErrorDuplicateIdAutoSequence(CNAColumn* pclColumn, CNACommand* pclCommand,
                                                         CNAStatement* pclStatement, eNAQUERYTYPE eType,
                                                         NA_WRITEPARSEFLAGS nFlags) {
    if ((nFlags & WPF_NO_IDAUTO_FIXUP) != 0 || !pclColumn->bIsAutoIncrementOnDataBase()) return 0;
    if (!_bUpdateIdAutoAfterInsertFailure(pclColumn)) return 0;
    if (!bIsDuplicateItem(1, pclColumn)) return 0;
    int64_t llValue = 0;
    if (!_bGetInt64(pclColumn, &llValue)) return 0;
    CAny clMax;
    if (!_bIdentifierValue(this, pclColumn, 0, &clMax)) return 0;
    int64_t llMax = 0;
    if (!_bGetInt64(&clMax, &llMax)) return 0;
    const int64_t llNext = llMax + 1;
    if (llNext < llValue) return 0;
    if (_bRestartSequenceIdAuto(pclColumn, llNext)) {
        if (!pclStatement->bExecuteDirectNewCommand(pclCommand, nFlags, CNAStatement::NA_ST_PREPARE)) return 0;
        return pclStatement->bUpdateRecordAfterInsert(eType, nFlags);
    }
    CAny clNext;
    clNext.SetI8(static_cast<long>(llNext));
    if (!pclColumn->bSetValue(&clNext, 0)) return 0;
    return _bBuildAndExecuteQuery(pclStatement, eType, nFlags | WPF_IDAUTO_RETRY);
}

int CNADataAccess::_bUpdateSequenceIdAutoAfterInsert() {
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnIDAutoNoRef() : nullptr;
    if (pclColumn == nullptr) return 1;
    int64_t llValue = 0;
    if (!_bGetInt64(pclColumn, &llValue)) return 1;
    return _bRestartSequenceIdAuto(pclColumn, llValue + 1);
}

int CNADataAccess::_bRestartSequenceIdAuto(CNAColumn* pclColumn, int64_t llValue) {
    CTString clText;
    if (!_bGetQueryRestartSequenceIdAuto(&clText, pclColumn, static_cast<long>(llValue))) return 0;
    return m_pclCnx != nullptr && m_pclCnx->bExecuteQueryNoResult(m_pclError, clText.pszGet());
}

int CNADataAccess::bSetNewAutoId() {
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnIDAutoNoRef() : nullptr;
    if (pclColumn == nullptr) return 1;
    CAny clValue;
    if (!_bIdentifierValue(this, pclColumn, 1, &clValue)) return 0;
    return pclColumn->bSetValue(&clValue, 0);
}

// ---------------------------------------------------------------------------------- notices

void CNADataAccess::NotifyOperation(eNAQUERYTYPE eType, CNAStatement* pclStatement, NA_WRITEPARSEFLAGS nFlags) {
    _NotifyOperation(eType, pclStatement, nFlags, nullptr);
}

void CNADataAccess::_NotifyOperation(eNAQUERYTYPE eType, CNAStatement* pclStatement, NA_WRITEPARSEFLAGS nFlags,
                                     const CNARecordValue* pclValue) {
    CNARecordCache* pclFull = m_pclTableCache != nullptr ? m_pclTableCache->pclGetFullCacheNoRef() : nullptr;
    const bool bComplete = pclFull != nullptr && m_pclTableCache->bCacheCompleted();
    CNARecordValue* pclCurrent = m_pclRecord != nullptr ? m_pclRecord->pclGetCurrentRecordValueNoRef() : nullptr;
    CNARecordValue* pclOriginal = m_pclRecord != nullptr ? m_pclRecord->pclGetOriginalRecordValueNoRef() : nullptr;
    int64_t llRow = -1;
    if (eType == NAQUERYTYPE_INSERT) {
        if (pclFull != nullptr && pclCurrent != nullptr) llRow = pclFull->nAjoute(pclCurrent);
    } else if (eType == NAQUERYTYPE_DELETE) {
        nSetRecordDeletedInCache(m_pclRecordSave);
        if (bComplete) llRow = nSetRecordDeletedInCache(pclFull);
    } else if (eType == NAQUERYTYPE_UPDATE) {
        // The row written is found by the identity it was read with.
        if (m_pclRecordSave != nullptr && pclCurrent != nullptr && pclOriginal != nullptr)
            m_pclRecordSave->nOnNotifyOperation(NAQUERYTYPE_UPDATE, pclCurrent, pclOriginal, nFlags, 0);
        _vUpdateRecordInCacheLock(nFlags);
        if (bComplete && pclCurrent != nullptr && pclOriginal != nullptr)
            llRow = pclFull->nOnNotifyOperation(NAQUERYTYPE_UPDATE, pclCurrent, pclOriginal, nFlags, 0);
    }
    unsigned nCursor = 0;
    CNAStatement* pclOther = nullptr;
    while (m_tabStatement.bParse(&nCursor, &pclOther, nullptr))
        if (pclOther != nullptr) pclOther->OnNotifyOperation(eType, llRow, pclStatement, nFlags, pclValue);
}

// ---------------------------------------------------------------------------------- duplicates and NULL

int CNADataAccess::__bDuplicateItem(INAItemDescription* piItem, CNAStatement* pclStatement) {
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnNoRef(piItem) : nullptr;
    if (pclColumn == nullptr) return 0;
    // A missing value duplicates nothing: its range would have no bound and count every row.
    CAny clValue;
    if (!pclColumn->bValueDefined() || !pclColumn->bGetCurrentValue(&clValue, 0) || clValue.bIsNull()) return 0;
    CNAFilter* pclFilter = pclStatement->pclAllocFilter(m_pclError);
    if (pclFilter == nullptr) return 0;
    pclStatement->_SetFilter(pclFilter);
    int bDuplicate = 0;
    if (pclFilter->bSetFilter(m_pclRecord, piItem, &clValue, 1, &clValue, 1, nullptr, FILTER_MODE_DUPLICATE)) {
        pclFilter->ActivateFilter(1);
        int64_t llCount = 0;
        if (pclStatement->bGetNbEnr(&llCount, 0, 0) && llCount >= 1) bDuplicate = 1;
    }
    pclStatement->_SetFilter(static_cast<CNAFilter*>(nullptr));
    return bDuplicate;
}

// Whether the column's item (or the item it was imported from) is unique.
static bool _bUniqueColumn(CNAColumn* pclColumn) {
    if (pclColumn->bIsUnique()) return true;
    CNAItemDescription* pclImported = pclColumn->piGetImportedItemDescNoRef();
    return pclImported != nullptr && reinterpret_cast<INAItemDescription*>(pclImported)->bUnique();
}

INAItemDescription* CNADataAccess::piGetDuplicateItem(int bAllItems) {
    if (m_pclRecord == nullptr) return nullptr;
    CNAStatement* pclStatement = _pclAllocStatement();
    if (pclStatement == nullptr) return nullptr;
    pclStatement->AddRef();
    INAItemDescription* piFound = nullptr;
    for (int i = 0; i < m_pclRecord->nGetNumColumns() && piFound == nullptr; i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        if (pclColumn == nullptr || pclColumn->bIsComposedKey() || !_bUniqueColumn(pclColumn)) continue;
        if (!bAllItems && !pclColumn->bValueModified()) continue;
        if (__bDuplicateItem(pclColumn->piGetItemNoRef(), pclStatement)) {
            piFound = pclColumn->piGetItemNoRef();
            piFound->ExternalAddRef();
        }
    }
    pclStatement->nRelease();
    return piFound;
}

int CNADataAccess::bIsDuplicateItem(int bAllItems, CNAColumn* pclColumn) {
    if (pclColumn == nullptr || !_bUniqueColumn(pclColumn)) return 0;
    if (!bAllItems && !pclColumn->bValueModified()) return 0;
    CNAStatement* pclStatement = _pclAllocStatement();
    if (pclStatement == nullptr) return 0;
    pclStatement->AddRef();
    const int bDuplicate = __bDuplicateItem(pclColumn->piGetItemNoRef(), pclStatement);
    pclStatement->nRelease();
    return bDuplicate;
}

INAItemDescription* CNADataAccess::piGetNullItemDesc(int) {
    if (m_pclRecord == nullptr) return nullptr;
    for (int i = 0; i < m_pclRecord->nGetNumColumns(); i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        if (pclColumn == nullptr) continue;
        if (pclColumn->bIsComposedKey()) break;
        // An identifier the server fills itself is never the value that was missing.
        if (!pclColumn->bIsNullableOnDataBase() && !pclColumn->bValueDefined() &&
            !(pclColumn->bIsIdAuto() && pclColumn->bIsAutoIncrementOnDataBase())) {
            INAItemDescription* piItem = pclColumn->piGetItemNoRef();
            piItem->ExternalAddRef();
            return piItem;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------- memos

int CNADataAccess::bGetBLOB(unsigned nItem, CAny* pclValue) {
    if (m_piDescription == nullptr || pclValue == nullptr) return 0;
    INAItemDescription* piMemo = m_piDescription->piNAGetMemo(nItem);
    if (piMemo == nullptr) return 0;
    int bResult;
    if (m_pclCurrentStatement != nullptr) {
        bResult = m_pclCurrentStatement->bGetBLOB(piMemo->pszGetName(), pclValue);
    } else if (m_pclRecord == nullptr) {
        pclValue->SetNull(1);
        bResult = 1;
    } else {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(piMemo);
        bResult = pclColumn != nullptr && pclColumn->bGetCurrentValue(pclValue, 0);
    }
    piMemo->nExternalRelease();
    return bResult;
}

int CNADataAccess::bSetBLOB(unsigned nItem, const CAny* pclValue) {
    if (m_piDescription == nullptr) return 0;
    INAItemDescription* piMemo = m_piDescription->piNAGetMemo(nItem);
    if (piMemo == nullptr) return 0;
    const int bResult = _bSetBLOB(piMemo, pclValue);
    piMemo->nExternalRelease();
    return bResult;
}

int CNADataAccess::_bSetBLOB(INAItemDescription* piItem, const CAny* pclValue) {
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnNoRef(piItem) : nullptr;
    if (pclColumn == nullptr) return 0;
    return pclColumn->bIsMemo() ? pclColumn->_bSetValueMemoToDB(pclValue, 0) : pclColumn->bSetValue(pclValue, 0);
}

int CNADataAccess::bHAttacheMemo(unsigned nItem, const wchar_t* pszFile) {
    if (m_piDescription == nullptr) return 0;
    INAItemDescription* piMemo = m_piDescription->piNAGetMemo(nItem);
    if (piMemo == nullptr) return 0;
    const int bResult = _bHAttacheMemo(piMemo, pszFile);
    piMemo->nExternalRelease();
    return bResult;
}

int CNADataAccess::_bHAttacheMemo(INAItemDescription* piItem, const wchar_t* pszFile) {
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnNoRef(piItem) : nullptr;
    return pclColumn != nullptr && pclColumn->bHAttacheMemo(pszFile);
}

int CNADataAccess::bExtraitMemo(unsigned nItem, const wchar_t* pszFile) {
    if (m_pclCurrentStatement == nullptr) return 1;
    if (m_piDescription == nullptr) return 0;
    INAItemDescription* piMemo = m_piDescription->piNAGetMemo(nItem);
    if (piMemo == nullptr) return 0;
    const int bResult = m_pclCurrentStatement->bExtraitMemo(piMemo->pszGetName(), pszFile);
    piMemo->nExternalRelease();
    return bResult;
}
