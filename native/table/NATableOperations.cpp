// The record operations of the table object: each finds the calling context's data access and lets
// it work (the forwarding rule below), a few behave otherwise (the open state, the record number,
// freeing a position, taking a filter off), four are not available, and the filters first check
// the host's SQL module.
//
// The forwarding rule: under the driver lock, the table's own error object is reset and the
// context's access found (never made); without one, user error 19 on the table's error object and
// 0; with one, the access's error object (its context's) is reset and the access answers. Its
// errors stay in the context's error object, where the host reads them.
#include <cstdarg>

#include "core/MyModuleInfo.h"
#include "core/XErrorModule.h"
#include "native/driver/INAContext.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/sql/SQLParserInterfaces.h"
#include "native/table/NATable.h"

namespace {

constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;
constexpr unsigned USER_ERROR_SQLMODULE = 16;
constexpr unsigned USER_ERROR_NO_DATAACCESS = 19;

const wchar_t* const DRIVER_LIBRARY = L"kx200postgresql64.so";
const wchar_t* const SQLMODULE_LIBRARY = L"kx200sql64.so";

// The reference a lookup took on an access, given back on every way out.
class CFoundAccess {
public:
    explicit CFoundAccess(CNADataAccess* pcl) : m_pcl(pcl) {}
    ~CFoundAccess() {
        if (m_pcl != nullptr) m_pcl->nRelease();
    }
    CFoundAccess(const CFoundAccess&) = delete;
    CFoundAccess& operator=(const CFoundAccess&) = delete;

    CNADataAccess* operator->() const { return m_pcl; }
    explicit operator bool() const { return m_pcl != nullptr; }
    void ResetError() const {
        if (m_pcl->pclGetErrorNoRef() != nullptr) m_pcl->pclGetErrorNoRef()->ResetIfRecorded();
    }

private:
    CNADataAccess* m_pcl;
};

// The access the last lookup found is the context's: the host's table calls of a browse come one
// after another from one context, and this test inline spares each of them the lookup's call.
inline bool _bLastDataAccessOf(INAContext* piContext) {
    return piContext != nullptr && gpclLastDataAccess != nullptr && piContext->nGetContextId() == gdwCtxID &&
           piContext->nGetDataId() == gdwDataID;
}

// The context's access with a reference: the one found last, else the lookup proper.
#define KX_FIND_ACCESS(piContext)                                                       \
    (_bLastDataAccessOf(piContext) ? (gpclLastDataAccess->AddRef(), gpclLastDataAccess) \
                                   : __pclFindDataAccess(piContext))

}  // namespace

// How each forwarding operation runs: bResetErrors clears the table's and the access's error
// objects first, nWithoutAccess is what the operation answers when the context has no access
// (with user error 19 when it is 0).
#define KX_FORWARD(piContext, bResetErrors, nWithoutAccess, call)                          \
    do {                                                                                   \
        CNADriverLock clLock;                                                              \
        if ((bResetErrors) && m_pclError != nullptr) m_pclError->ResetIfRecorded();        \
        CFoundAccess clAccess(KX_FIND_ACCESS(piContext));                                  \
        if (!clAccess) {                                                                   \
            if ((nWithoutAccess) == 0) _AddNoDataAccessError(SITE_NO_DATAACCESS, nullptr); \
            return (nWithoutAccess);                                                       \
        }                                                                                  \
        if (bResetErrors) clAccess.ResetError();                                           \
        return clAccess->call;                                                             \
    } while (0)

#define KX_FORWARD_F(piContext, call) KX_FORWARD(piContext, true, 0, call)

// KX_FORWARD_F for the reads the host makes after every row (out of the file, the record image,
// a memo):
// they run nothing that could close the access, which the one found last answers without a
// reference of its own.
#define KX_FORWARD_READ(piContext, call)                                      \
    do {                                                                      \
        CNADriverLock clLock;                                                 \
        if (m_pclError != nullptr) m_pclError->ResetIfRecorded();             \
        if (_bLastDataAccessOf(piContext)) {                                  \
            CNADataAccess* pclAccess = gpclLastDataAccess;                    \
            CNAError* pclAccessError = pclAccess->pclGetErrorNoRef();         \
            if (pclAccessError != nullptr) pclAccessError->ResetIfRecorded(); \
            return pclAccess->call;                                           \
        }                                                                     \
        CFoundAccess clAccess(__pclFindDataAccess(piContext));                \
        if (!clAccess) {                                                      \
            _AddNoDataAccessError(SITE_NO_DATAACCESS, nullptr);               \
            return 0;                                                         \
        }                                                                     \
        clAccess.ResetError();                                                \
        return clAccess->call;                                                \
    } while (0)

// ---------------------------------------------------------------------------------------------------------------
// Errors of the table

void CNATable::_AddError(eNA_ERRORTYPE eType, int nSite, CNAConnectionDescription* pclCnx, int bTableName,
                         unsigned nUserError, ...) {
    va_list arguments;
    va_start(arguments, nUserError);
    _CXErrorModule39 clError;
    clError.SetUserErrorList(&gstMyModuleInfo39, nUserError, arguments);
    va_end(arguments);
    uint32_t dwCode = nUserError;
    clError.AddInfo(CXError::EIT_NATIVECODE, &dwCode);
    CNAError::g_AddDebugInfo(&clError, CNAError::FILE_TABLE, nSite);
    if (bTableName) CNAError::g_SetInfoNames(&clError, pszGetLogicalName(), nullptr);
    if (m_pclError != nullptr) m_pclError->AddError(eType, &clError, pclCnx);
}

void CNATable::_AddNoDataAccessError(int nSite, CNAConnectionDescription* pclCnx) {
    _AddError(NA_ERRORTYPE_GENERAL, nSite, pclCnx, 1, USER_ERROR_NO_DATAACCESS, pszGetLogicalName());
}

// The table's error object is the driver's, which every thread records into: it is changed under
// the driver lock like everything else the driver shares.
int CNATable::_bNotAvailable(INAContext* piContext, int nSite) {
    CNADriverLock clLock;
    _AddError(NA_ERRORTYPE_NOTAVAILABLE, nSite, m_pclCnx, 1, USER_ERROR_NOT_AVAILABLE);
    _SetContextLastNAError(piContext, m_pclError);
    return 0;
}

int CNATable::_bCheckSQLModule(ISQLParserInformation* piQuery) {
    CNADriverLock clLock;
    if (piQuery == nullptr) return 1;
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    if (pclDriver != nullptr && pclDriver->bGetSQLModuleConfirmed()) return 1;
    const int bAnswer = piQuery->bVerifieModuleSQL(SQLMODULE_DRIVER_MODULE, SQLMODULE_DRIVER_VERSION,
                                                   &CNADriver::s_nID_KXSQL);
    if (bAnswer == 0) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_SQLMODULE_MISSING, m_pclCnx, 0, USER_ERROR_SQLMODULE, DRIVER_LIBRARY,
                  SQLMODULE_LIBRARY);
        return 0;
    }
    if (CNADriver::s_nID_KXSQL <= SQLMODULE_LAST_REFUSED_VERSION) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_SQLMODULE_TOO_OLD, m_pclCnx, 0, USER_ERROR_SQLMODULE, SQLMODULE_LIBRARY,
                  DRIVER_LIBRARY);
        return 0;
    }
    if (pclDriver != nullptr) pclDriver->SetSQLModuleConfirmed();
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Special cases

int CNATable::bIsOpened(INAContext* piContext) {
    // The access's reference is given back under the lock like every count of the driver's objects.
    CNADriverLock clLock;
    CFoundAccess clAccess(__pclFindDataAccess(piContext));
    if (!clAccess) return 0;
    return clAccess->bIsOpened();
}

int64_t CNATable::llGetRecNum(INAContext* piContext) {
    CNADriverLock clLock;
    CFoundAccess clAccess(__pclFindDataAccess(piContext));
    if (!clAccess) {
        _AddNoDataAccessError(SITE_NO_DATAACCESS_RECNUM, m_pclCnx);
        return 0;
    }
    return clAccess->llGetRecNum();
}

int CNATable::bHLiberePosition(INAContext* piContext, int nPosition) {
    KX_FORWARD(piContext, true, 1, bHLiberePosition(nPosition));
}

int CNATable::bHDesactiveFiltre(INAContext* piContext, const wchar_t* pszItem, unsigned) {
    KX_FORWARD(piContext, true, 1, bHDesactiveFiltre(pszItem));
}

// ---------------------------------------------------------------------------------------------------------------
// Not available

void CNATable::FreeMemory(INAContext* piContext, void**) {
    _bNotAvailable(piContext, SITE_FREEMEMORY);
}

int CNATable::bHInterditModif(INAContext* piContext) {
    return _bNotAvailable(piContext, SITE_INTERDITMODIF);
}

int CNATable::bHFinInterditModif(INAContext* piContext) {
    return _bNotAvailable(piContext, SITE_FININTERDITMODIF);
}

int CNATable::bCalculateKeyValue(INAContext* piContext, const wchar_t*, void**, const void*, unsigned*,
                                 unsigned short, int) {
    return _bNotAvailable(piContext, SITE_CALCULATEKEYVALUE);
}

// ---------------------------------------------------------------------------------------------------------------
// Filters: the host's SQL module is checked first

int CNATable::bHFiltre(INAContext* piContext, ISQLParserInformation* piCondition, wchar_t* pszItem) {
    if (!_bCheckSQLModule(piCondition)) return 0;
    KX_FORWARD_F(piContext, bHFiltre(piCondition, pszItem));
}

int CNATable::bHFiltre(INAContext* piContext, const wchar_t* pszItem, const CAny* pclMin, int bMinIncluded,
                       const CAny* pclMax, int bMaxIncluded, ISQLParserInformation* piCondition) {
    if (!_bCheckSQLModule(piCondition)) return 0;
    KX_FORWARD_F(piContext, bHFiltre(pszItem, pclMin, bMinIncluded, pclMax, bMaxIncluded, piCondition));
}

// ---------------------------------------------------------------------------------------------------------------
// Forwarded

int CNATable::bNbEnrNeedParse(INAContext* piContext, int* pbNeeded, const wchar_t* pszItem) {
    KX_FORWARD_F(piContext, bNbEnrNeedParse(pbNeeded, pszItem));
}

int CNATable::bHAjoute(INAContext* piContext, unsigned nFlags, eNA_LOCKTYPE eLock) {
    KX_FORWARD_F(piContext, bHAjoute(nFlags, eLock));
}

int CNATable::bHEcrit(INAContext* piContext, long nRecord, unsigned nFlags, eNA_LOCKTYPE eLock) {
    KX_FORWARD_F(piContext, bHEcrit(nRecord, nFlags, eLock));
}

int CNATable::bHRaye(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock) {
    KX_FORWARD_F(piContext, bHRaye(nRecord, eLock));
}

int CNATable::bHSupprime(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock) {
    KX_FORWARD_F(piContext, bHSupprime(nRecord, eLock));
}

int CNATable::bHModifie(INAContext* piContext, long nRecord, unsigned nFlags, eNA_LOCKTYPE eLock) {
    KX_FORWARD_F(piContext, bHModifie(nRecord, nFlags, eLock));
}

int CNATable::bHRecherche(INAContext* piContext, const wchar_t* pszItem, const CAny* pclValue, int nSearchMode,
                          int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, int bForward,
                          unsigned nFlags) {
    KX_FORWARD_F(piContext,
                 bHRecherche(pszItem, pclValue, nSearchMode, bReadRecord, eLock, peLockOut, bForward, nFlags));
}

int CNATable::bHLibere(INAContext* piContext) {
    KX_FORWARD_F(piContext, bHLibere());
}

int CNATable::bHLit(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) {
    KX_FORWARD_F(piContext, bHLit(nRecord, eLock, peLockOut));
}

int CNATable::bHLitxxx(INAContext* piContext, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, int bReadRecord,
                       eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, unsigned nFlags) {
    KX_FORWARD_F(piContext, bHLitxxx(pszItem, eDirection, bReadRecord, eLock, peLockOut, nFlags));
}

int CNATable::bSkipRecord(INAContext* piContext, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, long nCount,
                          int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, unsigned nFlags) {
    KX_FORWARD_F(piContext, bSkipRecord(pszItem, eDirection, nCount, bReadRecord, eLock, peLockOut, nFlags));
}

int CNATable::bHBloqueFichier(INAContext* piContext, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) {
    KX_FORWARD_F(piContext, bHBloqueFichier(eLock, peLockOut));
}

int CNATable::bHDebloqueFichier(INAContext* piContext) {
    KX_FORWARD_F(piContext, bHDebloqueFichier());
}

int CNATable::bHBloqueNumEnr(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) {
    KX_FORWARD_F(piContext, bHBloqueNumEnr(nRecord, eLock, peLockOut));
}

int CNATable::bHDebloqueNumEnr(INAContext* piContext, long nRecord) {
    KX_FORWARD_F(piContext, bHDebloqueNumEnr(nRecord));
}

int CNATable::bHEnDehors(INAContext* piContext, const wchar_t* pszItem, int* pbOut) {
    KX_FORWARD_READ(piContext, bHEndehors(pszItem, pbOut));
}

int CNATable::bEvalHTrouve(INAContext* piContext, const wchar_t* pszItem, int* pbFound, int* pbInside) {
    KX_FORWARD_F(piContext, bEvalHTrouve(pszItem, pbFound, pbInside));
}

int CNATable::bSetNextOperation(INAContext* piContext, eNA_OPERATION eOperation) {
    KX_FORWARD_F(piContext, bSetNextOperation(static_cast<int>(eOperation)));
}

int CNATable::bGetRecNumState(INAContext* piContext, long nRecord, unsigned* pnState) {
    KX_FORWARD_F(piContext, bGetRecNumState(nRecord, pnState));
}

int CNATable::bHActiveFiltre(INAContext* piContext, const wchar_t* pszItem, unsigned) {
    KX_FORWARD_F(piContext, bHActiveFiltre(pszItem));
}

int CNATable::bHRetourPosition(INAContext* piContext, int nPosition, wchar_t* pszItem, int bKeep, unsigned nFlags) {
    KX_FORWARD_F(piContext, bHRetourPosition(nPosition, pszItem, bKeep, nFlags));
}

int CNATable::bHSauvePosition(INAContext* piContext, const wchar_t* pszItem, int* pnPosition, unsigned nFlags) {
    KX_FORWARD_F(piContext, bHSauvePosition(pnPosition, pszItem, nFlags));
}

int CNATable::bHVersion(INAContext* piContext, int* pnVersion) {
    KX_FORWARD_F(piContext, bHVersion(pnVersion));
}

int CNATable::bHNbEnr(INAContext* piContext, long* pnCount, unsigned nOptions, unsigned nFlags) {
    KX_FORWARD_F(piContext, bHNbEnr(pnCount, nOptions, nFlags));
}

int CNATable::bHPositionCourante(INAContext* piContext, const wchar_t* pszItem, int* pnPosition,
                                 eNA_PRECISION ePrecision, unsigned) {
    KX_FORWARD_F(piContext, bHPositionCourante(pnPosition, pszItem, static_cast<int>(ePrecision)));
}

int CNATable::bHPositionne(INAContext* piContext, const wchar_t* pszItem, unsigned nPosition, eNA_PRECISION ePrecision,
                           unsigned nFlags) {
    KX_FORWARD_F(piContext, bHPositionne(pszItem, nPosition, static_cast<int>(ePrecision), nFlags));
}

// A memo's value is copied out of the current row (or read from its attached file): nothing that
// could close the access.
int CNATable::bGetBLOB(INAContext* piContext, unsigned nItem, CAny* pclValue) {
    KX_FORWARD_READ(piContext, bGetBLOB(nItem, pclValue));
}

int CNATable::bSetBLOB(INAContext* piContext, unsigned nItem, const CAny* pclValue) {
    KX_FORWARD_F(piContext, bSetBLOB(nItem, pclValue));
}

int CNATable::bGetRecord(INAContext* piContext, CNAYFRecord** ppclRecord) {
    KX_FORWARD_READ(piContext, bGetRecord(ppclRecord));
}

int CNATable::bSetRecord(INAContext* piContext, CNAYFRecord* pclRecord) {
    KX_FORWARD_F(piContext, bSetRecord(pclRecord));
}

int CNATable::bHAttacheMemo(INAContext* piContext, unsigned nItem, const wchar_t* pszFile) {
    KX_FORWARD_F(piContext, bHAttacheMemo(nItem, pszFile));
}

int CNATable::bExtraitMemo(INAContext* piContext, unsigned nItem, const wchar_t* pszFile) {
    KX_FORWARD_F(piContext, bExtraitMemo(nItem, pszFile));
}

int CNATable::bHAnnuleRecherche(INAContext* piContext, const wchar_t* pszItem) {
    KX_FORWARD_F(piContext, bHAnnuleRecherche(pszItem));
}

int CNATable::bHChangeCle(INAContext* piContext, const wchar_t* pszItem, unsigned nFlags) {
    KX_FORWARD_F(piContext, bHChangeCle(pszItem, nFlags));
}

int CNATable::bHConstruitValCle(INAContext* piContext, CAny* pclKey, const wchar_t* pszItem, unsigned nFlags,
                                CAny** ppValues) {
    KX_FORWARD_F(piContext, bHConstruitValCle(pclKey, pszItem, nFlags, ppValues));
}

int CNATable::bFreeCache(INAContext* piContext) {
    KX_FORWARD_F(piContext, bFreeCache());
}

int CNATable::bCompareTablePosition(INAContext* piContext, int nFirst, int nSecond, int* pbEqual) {
    KX_FORWARD_F(piContext, bCompareTablePosition(nFirst, nSecond, pbEqual));
}

int CNATable::bSupprimeTout(INAContext* piContext) {
    KX_FORWARD_F(piContext, bSupprimeTout());
}
