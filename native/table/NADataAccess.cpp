// The data access: construction and destruction, the small accessors, the statements per browse
// item, saved records, and the way every operation of the access raises its errors.
#include "native/table/NADataAccess.h"

#include <cstdarg>
#include <new>

#include "core/MyModuleInfo.h"
#include "core/XErrorModule.h"
#include "native/driver/INAContext.h"
#include "native/driver/INADriver.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAContext.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/driver/NAIDAuto.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAItemType.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "native/sql/NAFilter.h"
#include "native/sql/SQLParserInfo.h"
#include "native/statement/NARecordCachePosition.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatementAccess.h"
#include "native/statement/NATableCache.h"

int CNADataAccess::ms_nPositionID = 1;
int CNADataAccess::ms_nIndexNameCounter = 0;

namespace {

// The longest dump kept of an error that nobody receives.
constexpr long IGNORED_ERROR_DUMP_MAX = 1000;
constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;

// The same characters: identical names are equal under any folding. Inline for the short names
// of items, which the host gives at each read of a browse.
inline bool bMemeTexte(const wchar_t* psz1, const wchar_t* psz2) {
    while (*psz1 != 0 && *psz1 == *psz2) psz1++, psz2++;
    return *psz1 == *psz2;
}

}  // namespace

// ---------------------------------------------------------------------------------- life

CNADataAccess::CNADataAccess(INADataSourceDescription* piDescription, CNAConnectionDescription* pclCnx,
                             CNAError* pclError)
    : m_pclError(pclError), m_pclCnx(pclCnx), m_piDescription(piDescription), m_eHMode(static_cast<_eNA_HMODE>(1)) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_pclCnx != nullptr) m_pclCnx->AddRef();
    m_pclRecordSave = new (std::nothrow) CNARecordCachePosition();
    if (m_pclRecordSave != nullptr) {
        m_pclRecordSave->AddRef();
        m_pclRecordSave->SetGrowStep(RECORD_SAVE_GROW_STEP, 0);
    }
    if (m_piDescription != nullptr) {
        m_piDescription->ExternalAddRef();
        const wchar_t* pszTable = m_piDescription->pszGetPhysicalName();
        if (pszTable == nullptr) pszTable = L"";
        if (m_pclCnx == nullptr || !m_pclCnx->bFormatTableName(m_pclError, pszTable, &m_clDBTableName))
            m_clDBTableName.Set(pszTable);
    }
}

CNADataAccess::~CNADataAccess() {
    // From here on the object is only an access: the services of what derived from it are gone,
    // and the statements closed below must not reach them.
    m_bOwnStatementAccessKnown = false;
    // An access let go without closing still gives its table cache back.
    _FreeTableCache();
    if (m_pclRecordSave != nullptr) {
        m_pclRecordSave->nRelease();
        m_pclRecordSave = nullptr;
    }
    _ResetDataAccess();
    if (m_pclCnx != nullptr) CNADriver::s_ReleaseConnection(m_pclCnx);
    if (m_pclError != nullptr) m_pclError->nRelease();
    m_tabPosition.RemoveAll();
    m_tabStatement.RemoveAll();
}

// ---------------------------------------------------------------------------------- accessors

CNAStatementAccess* CNADataAccess::pclGetOwnStatementAccess() {
    if (!m_bOwnStatementAccessKnown) {
        m_pclOwnStatementAccess = dynamic_cast<CNAStatementAccess*>(this);
        m_bOwnStatementAccessKnown = true;
    }
    return m_pclOwnStatementAccess;
}

const wchar_t* CNADataAccess::pszGetDBTableName() const {
    return _pszOrEmpty(m_clDBTableName);
}

const wchar_t* CNADataAccess::pszGetLogicalName() const {
    const wchar_t* psz = m_piDescription != nullptr ? m_piDescription->pszGetLogicalName() : nullptr;
    return psz != nullptr ? psz : L"";
}

const wchar_t* CNADataAccess::pszGetPhysicalName() const {
    const wchar_t* psz = m_piDescription != nullptr ? m_piDescription->pszGetPhysicalName() : nullptr;
    return psz != nullptr ? psz : L"";
}

INADataSourceDescription* CNADataAccess::piGetDataSourceDescription() {
    if (m_piDescription != nullptr) m_piDescription->ExternalAddRef();
    return m_piDescription;
}

CNADataSourceDescription* CNADataAccess::pclGetImportedDataSourceDesc() {
    if (m_pclImportedDescription != nullptr) m_pclImportedDescription->AddRef();
    return m_pclImportedDescription;
}

CNARecord* CNADataAccess::pclGetCurrentRecord() {
    if (m_pclRecord != nullptr) m_pclRecord->AddRef();
    return m_pclRecord;
}

int CNADataAccess::bSupportROWID() {
    return eEvaluateRecordIdType() == NA_RECORDID_ROWID ? 1 : 0;
}

int CNADataAccess::bHMode(_eNA_HMODE eMode) {
    m_eHMode = eMode;
    return 1;
}

INAItemDescription* CNADataAccess::piGetBestParseItemDesc() {
    return m_piDescription != nullptr ? m_piDescription->piGetBestParseItemDesc() : nullptr;
}

const wchar_t* CNADataAccess::pszGetBestParseItemName() {
    INAItemDescription* piItem = piGetBestParseItemDesc();
    if (piItem == nullptr) return L"";
    // The name lives as long as the description, which holds the item.
    const wchar_t* psz = piItem->pszGetName();
    piItem->nExternalRelease();
    return psz != nullptr ? psz : L"";
}

INAItemDescription* CNADataAccess::piGetItemDescription(const wchar_t* pszName) {
    return m_piDescription != nullptr && pszName != nullptr ? m_piDescription->piNAGetItem(pszName) : nullptr;
}

INAItemDescription* CNADataAccess::pclGetIdAutoItem() {
    if (m_piDescription == nullptr) return nullptr;
    const unsigned nItems = m_piDescription->nGetNumItems();
    for (unsigned i = 0; i < nItems; i++) {
        INAItemDescription* piItem = m_piDescription->piNAGetItem(i);
        if (piItem == nullptr) continue;
        const eNA_ITEMTYPE eType = piItem->eNAGetItemType();
        if (eType == NA_IT_IDAUTO4 || eType == NA_IT_IDAUTO) return piItem;
        piItem->nExternalRelease();
    }
    return nullptr;
}

CNAIDAuto* CNADataAccess::pclGetIDAuto() {
    if (m_pclIDAuto == nullptr) {
        m_pclIDAuto = _pclAllocIDAuto();
        if (m_pclIDAuto == nullptr) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
            return nullptr;
        }
        m_pclIDAuto->AddRef();
    }
    m_pclIDAuto->AddRef();
    return m_pclIDAuto;
}

void CNADataAccess::SetContext(CNAContext* pclContext) {
    m_pclContext = pclContext;
}

uint64_t CNADataAccess::dwGetContextID() const {
    return m_pclContext != nullptr ? m_pclContext->nGetContextId() : static_cast<uint64_t>(-1);
}

int CNADataAccess::bRequeteSansCorrection() const {
    return m_nQuery != 0 && (m_nQueryFlags & QUERYFLAG_AS_WRITTEN) != 0 ? 1 : 0;
}

int CNADataAccess::bRequeteAutoriseModifierFichier() const {
    return m_nQuery == 0 || (m_nQueryFlags & QUERYFLAG_MAY_MODIFY) != 0 ? 1 : 0;
}

int CNADataAccess::bRequeteAPreparer() const {
    return m_nQuery != 0 && (m_nQueryFlags & QUERYFLAG_PREPARE) != 0 ? 1 : 0;
}

int CNADataAccess::bHPrepareRequeteCalled() const {
    return m_nQuery != 0 && m_pclParsedQuery != nullptr && m_pclParsedQuery->bHPrepareRequeteCalled() ? 1 : 0;
}

CNADataAccess* CNADataAccess::pclFindDataAccessByDBTableName(const wchar_t* pszName) {
    return m_pclContext != nullptr ? m_pclContext->pclFindDataAccessByDBTableName(m_pclCnx, pszName) : nullptr;
}

CNACommand* CNADataAccess::pclAllocCommand() {
    CNACommand* pcl = CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocCommand(m_pclError, m_pclCnx)
                                                        : ::pclAllocCommand(m_pclError, m_pclCnx);
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return nullptr;
    }
    pcl->AddRef();
    return pcl;
}

// ---------------------------------------------------------------------------------- factories

CNAStatement* CNADataAccess::_pclAllocStatement() {
    return CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocStatement(this, m_pclCnx, m_pclError)
                                             : nullptr;
}

CNADataSourceDescription* CNADataAccess::_pclAllocDataSource(CNAConnectionDescription* pclCnx) {
    return CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocDataSourceDescription(pclCnx, m_pclError)
                                             : nullptr;
}

CNARecord* CNADataAccess::_pclAllocRecord() {
    return new (std::nothrow) CNARecord(m_pclError, this);
}

CNAIDAuto* CNADataAccess::_pclAllocIDAuto() {
    return CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocIDAuto() : nullptr;
}

// ---------------------------------------------------------------------------------- statements

bool CNADataAccess::_bIsLastStatementKey(const wchar_t* pszKey) const {
    return bMemeTexte(pszKey, m_pszLastStatementKey) ||
           CHashTableBounce::nStringLogiqueCompare(pszKey, m_pszLastStatementKey) == 0;
}

CNAStatement* CNADataAccess::_pclFindStatement(const wchar_t* pszKey) {
    if (pszKey == nullptr) pszKey = L"";
    if (m_pclLastStatement != nullptr && _bIsLastStatementKey(pszKey)) {
        m_pclLastStatement->AddRef();
        return m_pclLastStatement;
    }
    CNAStatement* pclStatement = nullptr;
    if (!m_tabStatement.bGet(pszKey, &pclStatement)) return nullptr;
    m_clLastStatementKey.Set(pszKey);
    m_pszLastStatementKey = _pszOrEmpty(m_clLastStatementKey);
    m_pclLastStatement = pclStatement;
    return pclStatement;
}

CNAStatement* CNADataAccess::_pclInitStatement(const wchar_t* pszKey) {
    if (pszKey == nullptr) pszKey = L"";
    CNAStatement* pclStatement = _pclAllocStatement();
    if (pclStatement == nullptr) return nullptr;
    pclStatement->AddRef();
    if (!m_tabStatement.bSet(pszKey, pclStatement)) {
        pclStatement->nRelease();
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return nullptr;
    }
    pclStatement->SetKey(pszKey);
    return pclStatement;
}

CNAStatement* CNADataAccess::_pclGetStatement(const wchar_t* pszKey) {
    CNAStatement* pclStatement = _pclFindStatement(pszKey);
    return pclStatement != nullptr ? pclStatement : _pclInitStatement(pszKey);
}

CNAStatement* CNADataAccess::_pclGetNewItemStatement(const wchar_t* pszItem, eNA_PARSEDIRECTION,
                                                     NA_WRITEPARSEFLAGS nFlags) {
    CNAStatement* pclStatement = _pclGetStatement(pszItem);
    if (pclStatement == nullptr) return nullptr;
    CNAStatement* pclPrevious = m_pclCurrentStatement;
    m_pclCurrentStatement = pclStatement;
    if ((nFlags & WPF_KEEP_FILTER) != 0 && pclPrevious != nullptr && pclPrevious != pclStatement)
        _bKeepFilter(pclPrevious, pclStatement);
    return pclStatement;
}

CNAStatement* CNADataAccess::_pclGetLastStatement() {
    if (m_pclCurrentStatement != nullptr) {
        m_pclCurrentStatement->AddRef();
        return m_pclCurrentStatement;
    }
    CNAStatement* pclStatement = _pclGetStatement(pszGetBestParseItemName());
    if (pclStatement != nullptr) m_pclCurrentStatement = pclStatement;
    return pclStatement;
}

CNAStatement* CNADataAccess::_pclGetQueryStatement() {
    return _pclGetStatement(L"");
}

void CNADataAccess::_CloseAllStatement() {
    m_pclCurrentStatement = nullptr;
    m_pclLastStatement = nullptr;
    m_clLastStatementKey.Vide();
    m_pszLastStatementKey = L"";
    m_tabStatement.RemoveAll();
    if (m_pclIDAuto != nullptr) {
        m_pclIDAuto->nRelease();
        m_pclIDAuto = nullptr;
    }
}

int CNADataAccess::_bChangeStatementKey(const wchar_t* pszNewKey, const wchar_t* pszOldKey,
                                        CNAStatement* pclStatement) {
    if (pszNewKey == nullptr) pszNewKey = L"";
    CNAStatement* pclHeld = pclStatement;
    if (pclHeld != nullptr) {
        pclHeld->AddRef();
    } else {
        pclHeld = _pclFindStatement(pszOldKey);
        if (pclHeld == nullptr) return 1;
    }
    if (m_pclLastStatement == pclHeld) {
        m_pclLastStatement = nullptr;
        m_clLastStatementKey.Vide();
        m_pszLastStatementKey = L"";
    }
    const wchar_t* pszKey = pclHeld->pszGetKey();
    m_tabStatement.bRemove(pszOldKey != nullptr ? pszOldKey : (pszKey != nullptr ? pszKey : L""));
    m_tabStatement.bSet(pszNewKey, pclHeld);
    pclHeld->SetKey(pszNewKey);
    pclHeld->nRelease();
    return 1;
}

// ---------------------------------------------------------------------------------- table cache

int CNADataAccess::bRowLocatorAvailable() {
    return 0;
}

CNATableCache* CNADataAccess::_AllocTableCache() {
    return new (std::nothrow) CNATableCache(m_pclError, this);
}

int CNADataAccess::_bCreateNewTableCache() {
    CNATableCache* pcl = _AllocTableCache();
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return 0;
    }
    pcl->AddRef();
    _FreeTableCache();
    m_pclTableCache = pcl;
    return 1;
}

// The statements browsing the cache let their indexes go first: an index holds the full cache.
void CNADataAccess::_FreeTableCache() {
    if (m_pclTableCache == nullptr) return;
    unsigned nCursor = 0;
    CNAStatement* pclStatement = nullptr;
    while (m_tabStatement.bParse(&nCursor, &pclStatement, nullptr))
        if (pclStatement != nullptr) pclStatement->DestroyCacheIndex();
    CNATableCache* pcl = m_pclTableCache;
    m_pclTableCache = nullptr;
    pcl->dwRelease();
}

int CNADataAccess::bFreeCache() {
    _FreeTableCache();
    return 1;
}

void CNADataAccess::ClosingStatement(CNAStatement* pclStatement) {
    if (m_pclTableCache != nullptr && m_pclTableCache->bIsStatementParse(pclStatement)) _FreeTableCache();
}

// ---------------------------------------------------------------------------------- saved records

void CNADataAccess::AddRefRecordSave(int nSlot) {
    if (m_pclRecordSave != nullptr && nSlot >= 0) m_pclRecordSave->AddRefRecordSave(nSlot);
}

int CNADataAccess::nReleaseRecordSave(int nSlot) {
    if (m_pclRecordSave == nullptr || nSlot < 0) return 0;
    return m_pclRecordSave->nReleaseRecordSave(nSlot);
}

int CNADataAccess::nKeepCurrentRecordSave() {
    if (m_pclRecordSave == nullptr || m_pclRecord == nullptr) return -1;
    CNARecordValue* pclValue = m_pclRecord->pclGetCurrentRecordValueNoRef();
    if (pclValue == nullptr) return -1;
    const int nSlot = m_pclRecordSave->nKeepRecordSave(pclValue);
    if (nSlot >= 0) m_pclRecordSave->AddRefRecordSave(nSlot);
    return nSlot;
}

int CNADataAccess::bCopySaveToRecord(int nSlot, CNARecordValue* pclValue) {
    if (m_pclRecordSave == nullptr || pclValue == nullptr || nSlot < 0) return 0;
    return m_pclRecordSave->bGetAt(pclValue, nSlot);
}

int CNADataAccess::bRestoreOriginalRecordSave(int nSlot) {
    if (m_pclRecord == nullptr) return 0;
    return bCopySaveToRecord(nSlot, m_pclRecord->pclGetOriginalRecordValueNoRef());
}

int CNADataAccess::bRestoreOriginalRecordSave(CNAStatement* pclStatement) {
    if (pclStatement == nullptr) return 0;
    return bRestoreOriginalRecordSave(pclStatement->nGetRecordSaveID());
}

int CNADataAccess::bRecordDeleted(int nSlot) {
    if (m_pclRecordSave == nullptr || nSlot < 0 || nSlot >= m_pclRecordSave->nGetNbRecord()) return 0;
    return m_pclRecordSave->eGetRecordState(nSlot) == NA_RECORDSTATE_DELETED ? 1 : 0;
}

int CNADataAccess::nKeepOriginalRecordSave(CNAStatement* pclStatement) {
    if (m_pclRecordSave == nullptr) return -1;
    CNARecordValue* pclValue = nullptr;
    if (pclStatement != nullptr)
        pclValue = pclStatement->pclGetStmtOriginalRecord();
    else if (m_pclRecord != nullptr)
        pclValue = m_pclRecord->pclGetOriginalRecordValueNoRef();
    if (pclValue == nullptr) return -1;
    const int nSlot = m_pclRecordSave->nKeepRecordSave(pclValue);
    if (nSlot >= 0) m_pclRecordSave->AddRefRecordSave(nSlot);
    return nSlot;
}

int CNADataAccess::_bGetItemValueInRecordSave(CAny* pclValue, int nSlot, const wchar_t* pszItem) {
    if (pclValue == nullptr || m_pclRecord == nullptr) return 0;
    CNARecordValue* pclSaved = new (std::nothrow) CNARecordValue(m_pclError);
    if (pclSaved == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return 0;
    }
    pclSaved->AddRef();
    int bResult = 0;
    CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(pszItem);
    if (pclColumn != nullptr && bCopySaveToRecord(nSlot, pclSaved))
        bResult = pclSaved->bGetItemValue(pclValue, pclColumn->piGetItemNoRef());
    pclSaved->nRelease();
    return bResult;
}

int CNADataAccess::nSetRecordDeletedInCache(CNARecordCache* pclCache) {
    if (pclCache == nullptr || m_pclRecord == nullptr) return -1;
    CNARecordValue* pclOriginal = m_pclRecord->pclGetOriginalRecordValueNoRef();
    if (pclOriginal == nullptr) return -1;
    const int n = pclCache->nGetRecordIndice(pclOriginal);
    if (n >= 0) pclCache->SetRecordState(n, NA_RECORDSTATE_DELETED);
    return n;
}

int CNADataAccess::bSetCurrentRecordRead(int bKeep) {
    if (m_pclRecord == nullptr) return 0;
    CNARecordValue* pclCurrent = m_pclRecord->pclGetCurrentRecordValueNoRef();
    if (pclCurrent != nullptr) pclCurrent->SetRecordState(NA_RECORDSTATE_PRESENT);
    const int bResult = m_pclRecord->bCopyCurrentRecordToOriginalRecord();
    if (!bKeep) {
        nReleaseRecordSave(m_nLastReadSave);
        m_nLastReadSave = -1;
    }
    return bResult;
}

int CNADataAccess::bCopyOriginalRecordToCurrentRecord() {
    if (m_pclRecord == nullptr) return 0;
    CNARecordValue* pclCurrent = m_pclRecord->pclGetCurrentRecordValueNoRef();
    if (pclCurrent != nullptr) pclCurrent->SetRecordState(NA_RECORDSTATE_PRESENT);
    return m_pclRecord->bCopyOriginalRecordToCurrentRecord();
}

int CNADataAccess::bGetRecord(CNAYFRecord** ppclRecord) {
    if (ppclRecord == nullptr || !m_bOpened || m_pclRecord == nullptr) return 0;
    // The current row's image, taken from its value here: the host asks it at every read.
    const CNARecordValue* pclCurrent = m_pclRecord->pclGetCurrentRecordValueNoRef();
    CNAYFRecord* pclImage = pclCurrent != nullptr ? pclCurrent->pclGetNAYFRecord() : nullptr;
    if (pclImage == nullptr) return 0;
    pclImage->AddRef();
    *ppclRecord = pclImage;
    return 1;
}

int CNADataAccess::bSetRecord(CNAYFRecord* pclRecord) {
    if (!m_bOpened || m_pclRecord == nullptr || pclRecord == nullptr) return 0;
    const int bResult = m_pclRecord->bSetNAYFRecord(pclRecord);
    pclRecord->nRelease();
    return bResult;
}

CNARecordId* CNADataAccess::pclAllocRecordID(const CNARecordValue* pclValue) {
    switch (eEvaluateRecordIdType()) {
        case NA_RECORDID_RECORDVALUES:
            return new (std::nothrow) CNARecordId_RecordValues(pclValue);
        default:
            // Row ids come from the server's own identifier, which no server of this driver gives.
            return nullptr;
    }
}

// ---------------------------------------------------------------------------------- errors

void CNADataAccess::_AddError(eNA_ERRORTYPE eType, int nSite, const wchar_t* pszItem, unsigned nUserError, ...) {
    va_list arguments;
    va_start(arguments, nUserError);
    _CXErrorModule39 clError;
    clError.SetUserErrorList(&gstMyModuleInfo39, nUserError, arguments);
    va_end(arguments);
    uint32_t dwCode = nUserError;
    clError.AddInfo(CXError::EIT_NATIVECODE, &dwCode);
    CNAError::g_AddDebugInfo(&clError, CNAError::FILE_DATAACCESS, nSite);
    CNAError::g_SetInfoNames(&clError, pszGetLogicalName(), pszItem);
    if (m_pclError != nullptr) {
        m_pclError->AddError(eType, &clError, m_pclCnx);
        return;
    }
    CTString clDump;
    _DumpIgnoredError(&clError, pszGetLogicalName(), pszItem, &clDump);
}

int CNADataAccess::_bNotAvailable(int nSite) {
    _AddError(NA_ERRORTYPE_NOTAVAILABLE, nSite, nullptr, USER_ERROR_NOT_AVAILABLE);
    return 0;
}

void CNADataAccess::_DumpIgnoredError(const CXError* pclError, const wchar_t* pszTable, const wchar_t* pszItem,
                                      CTString* pclOut) {
    CTString& cl = *pclOut;
    cl.Set(L"Message d'erreur ignoré :");
    cl.Add(L"Dump du CXError\r\n");
    cl.Add(L"fichier <");
    cl.Add(pszTable != nullptr ? pszTable : L"");
    cl.Add(L">, rubrique <");
    cl.Add(pszItem != nullptr ? pszItem : L"");
    cl.Add(L">");
    cl.Add(L"Message d'erreur utilisateur : \r\n");
    cl.Add(pclError->pszGetUserMessage());
    cl.Add(L"\r\nMessage d'erreur système : \r\n");
    cl.Add(pclError->pszGetSystemErrorMessage());
    cl.Add(L"\r\nInformations de debug : \r\n");
    cl.Add(pclError->pszGetDebugMessage());
    if (cl.nTaille() > IGNORED_ERROR_DUMP_MAX) cl.Set(cl.pszGet(), IGNORED_ERROR_DUMP_MAX);
}
