// The explicit locks of the host's engine, which no SQL server offers here, and the defaults of the
// hooks that the browse, write and position operations call so that a server's own access can
// step in.
#include "native/model/NARecord.h"
#include "native/statement/NARecordValue.h"
#include "native/table/NADataAccess.h"

namespace {

// Debug sites of the operations that are not available.
constexpr int SITE_LOCK_FILE = 5;
constexpr int SITE_LOCK_RECORD = 7;
constexpr int SITE_STRIKE_OUT = 10;
constexpr int SITE_FREE_LOCKS = 11;

}  // namespace

// ---------------------------------------------------------------------------------- not available
// Nothing is written out, sent or changed: the host learns from user error 8 that the server has
// no such lock.

int CNADataAccess::bHBloqueNumEnr(long, eNA_LOCKTYPE, eNA_LOCKTYPE*) {
    return _bNotAvailable(SITE_LOCK_RECORD);
}

int CNADataAccess::bHBloqueFichier(eNA_LOCKTYPE, eNA_LOCKTYPE*) {
    return _bNotAvailable(SITE_LOCK_FILE);
}

int CNADataAccess::bHLibere() {
    return _bNotAvailable(SITE_FREE_LOCKS);
}

int CNADataAccess::bHRaye(long, eNA_LOCKTYPE) {
    return _bNotAvailable(SITE_STRIKE_OUT);
}

int CNADataAccess::bHDebloqueFichier() {
    return 1;
}

int CNADataAccess::bHDebloqueNumEnr(long) {
    return 1;
}

// ---------------------------------------------------------------------------------- hooks

int CNADataAccess::bLockRecord(CNAStatement*, eNA_LOCKTYPE, long, eNA_LOCKTYPE*) {
    return 1;
}

int CNADataAccess::bUnlockRecord(CNAStatement*, eNA_LOCKTYPE, long, eNA_LOCKTYPE*) {
    return 1;
}

int CNADataAccess::bLockUnlockRecord(CNAStatement*, eNA_LOCKTYPE, long, eNA_LOCKTYPE*) {
    return 1;
}

eNA_RECORDIDTYPE CNADataAccess::eEvaluateRecordIdType() {
    return NA_RECORDID_RECORDVALUES;
}

void CNADataAccess::CancelRecordLock(INAConnectionDescription*, CNATransaction*) {}

int CNADataAccess::_bGetQueryRestartSequenceIdAuto(CTString*, CNAColumn*, long) {
    return 0;
}

int64_t CNADataAccess::_nGetSequenceCurrentVal(CNAColumn*) {
    return -1;
}

void CNADataAccess::_vUpdateRecordInCacheLock(NA_WRITEPARSEFLAGS) {}

int CNADataAccess::_bUpdateIdAutoAfterInsertFailure(CNAColumn*) {
    return 0;
}

int CNADataAccess::_bRepriseErreurParcours(CNAStatement*, const wchar_t*, eNA_PARSEDIRECTION, eNA_LOCKTYPE,
                                           eNA_LOCKTYPE*, NA_WRITEPARSEFLAGS) {
    return 0;
}

int CNADataAccess::_bCheckReccordId(CNAPosition*, CNAPosition*, int*) {
    return 0;
}

// ---------------------------------------------------------------------------------- fixed answers

int CNADataAccess::bHVersion(int* pnVersion) {
    if (pnVersion != nullptr) *pnVersion = 0;
    return 1;
}

int CNADataAccess::bHReindexe(unsigned, IGaugeControl*) {
    return 1;
}

int64_t CNADataAccess::llGetRecNum() {
    return 0;
}

int CNADataAccess::bNbEnrNeedParse(int* pbNeeded, const wchar_t*) {
    if (pbNeeded != nullptr) *pbNeeded = 1;
    return 1;
}

int CNADataAccess::bGetRecNumState(long nRecord, unsigned* pnState) {
    if (!_bIsValidRecordNumber(nRecord)) return 0;
    if (pnState != nullptr) {
        const CNARecordValue* pclCurrent =
            m_pclRecord != nullptr ? m_pclRecord->pclGetCurrentRecordValueNoRef() : nullptr;
        *pnState = pclCurrent != nullptr ? static_cast<unsigned>(pclCurrent->eGetRecordState()) : 0u;
    }
    return 1;
}

int CNADataAccess::bSetFiltreAuto(int, const wchar_t*, const wchar_t*, INADataSourceDescription*) {
    return 1;
}

void CNADataAccess::SetFiltreAuto(int) {}

void CNADataAccess::SetTransactionTermined() {
    _SetTransactionTermined();
}
