// The data access's table: opening with the compatibility check, existence, creation and removal,
// the current record and the description imported from the catalogue, closing and reset.
#include <new>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NARecord.h"
#include "native/sql/NAFilter.h"
#include "native/sql/SQLParserInfo.h"
#include "native/statement/NARecordCachePosition.h"
#include "native/table/NADataAccess.h"

namespace {

// Debug sites of this unit.
constexpr int SITE_TABLE_NOT_FOUND = 12;

constexpr unsigned USER_ERROR_TABLE_NOT_FOUND = 15;
constexpr unsigned MESSAGE_TABLE_NOT_FOUND = 28541;

// The kind of catalogue read that describes a table.
constexpr int DESCRIPTION_OF_TABLE = 1;

}  // namespace

// ---------------------------------------------------------------------------------- opening

void CNADataAccess::_InitAliasName() {
    // Contexts give no alias of their own for a source: the logical name stands for it.
    m_clAliasName.Set(pszGetLogicalName());
}

int CNADataAccess::bHOuvre(eNA_ACCESS, const wchar_t*) {
    _InitAliasName();
    if (m_bOpened) return 1;
    if (!bCheckCompatibilityWithDatabase() || !_bInitCurrentRecord()) {
        if (m_pclError != nullptr) m_pclError->SetErrorLevel(NA_ERRORLEVEL_WARNING);
        return 0;
    }
    m_bOpened = 1;
    return 1;
}

int CNADataAccess::bCheckCompatibilityWithDatabase() {
    if (m_bCompatible != 0) return 1;
    int bExists = 0, bCompatible = 0;
    const int bResult = bFichierExiste(&bExists, &bCompatible);
    m_bCompatible = bResult && bExists && bCompatible ? 1u : 0u;
    return static_cast<int>(m_bCompatible);
}

int CNADataAccess::bFichierExiste(int* pbExists, int* pbCompatible) {
    CNADataSourceDescription* pclFromDB = pclGetDataSourceDescriptionFromDB(pszGetPhysicalName(), DESCRIPTION_OF_TABLE);
    if (pclFromDB != nullptr) {
        _SetImportedDataSourceDesc(pclFromDB);
        if (pbExists != nullptr) *pbExists = 1;
        if (pbCompatible != nullptr)
            *pbCompatible = m_piDescription != nullptr ? pclFromDB->bAreDescriptionCompatible(m_piDescription) : 0;
        pclFromDB->nRelease();
        return 1;
    }
    if (pbExists != nullptr) *pbExists = 0;
    if (pbCompatible != nullptr) *pbCompatible = 0;
    if (m_pclError == nullptr) return 0;
    if (m_pclError->eGetErrorLevel() == NA_ERRORLEVEL_NOERROR)
        _AddError(NA_ERRORTYPE_GENERAL, SITE_TABLE_NOT_FOUND, nullptr, USER_ERROR_TABLE_NOT_FOUND, pszGetLogicalName());
    else
        m_pclError->AddUserMessageFirst(MESSAGE_TABLE_NOT_FOUND, pszGetLogicalName());
    return 0;
}

CNADataSourceDescription* CNADataAccess::pclGetDataSourceDescriptionFromDB(const wchar_t* pszName, int nKind) {
    if (m_pclCnx == nullptr || !m_pclCnx->bOpen(m_pclError)) return nullptr;
    CNADataSourceDescription* pclDescription = _pclAllocDataSource(m_pclCnx);
    if (pclDescription == nullptr) return nullptr;
    pclDescription->AddRef();
    if (!pclDescription->bInitDataSourceDescriptionFromDB(pszName, nKind)) {
        pclDescription->nRelease();
        return nullptr;
    }
    return pclDescription;
}

// ---------------------------------------------------------------------------------- creation and removal

int CNADataAccess::bHCreationSiInexistant(eNA_ACCESS eAccess, const wchar_t* pszPassword) {
    _InitAliasName();
    int bExists = 0, bCompatible = 0;
    bFichierExiste(&bExists, &bCompatible);
    m_bCompatible = bExists && bCompatible ? 1u : 0u;
    int bResult;
    if (bExists) {
        bResult = bHOuvre(eAccess, pszPassword);
    } else {
        if (m_pclError != nullptr) m_pclError->Reset();
        bResult = bHCreation(pszPassword, 0);
    }
    if (!bResult && m_pclError != nullptr) m_pclError->SetErrorLevel(NA_ERRORLEVEL_WARNING);
    return bResult;
}

int CNADataAccess::bHCreation(const wchar_t*, int bDropFirst) {
    _InitAliasName();
    const int bResult = _bHCreation(bDropFirst, 1) && _bInitCurrentRecord();
    if (!bResult) {
        if (m_pclError != nullptr) m_pclError->SetErrorLevel(NA_ERRORLEVEL_WARNING);
        return 0;
    }
    m_bOpened = 1;
    return 1;
}

int CNADataAccess::_bHCreation(int bDrop, int bCreate) {
    _Close();
    if (m_pclCnx == nullptr || !m_pclCnx->bOpen(m_pclError)) return 0;
    if (!_bInitCurrentRecord()) return 0;
    CNAStatement* pclStatement = _pclGetQueryStatement();
    if (pclStatement == nullptr) return 0;
    int bResult = 1;
    bool bDropRefused = false;
    if (bDrop && !_bOperation(pclStatement, NAQUERYTYPE_DROP, 0, nullptr)) {
        bResult = 0;
        // A server that refused to drop a table it has (type 1) must not see it created again.
        bDropRefused = m_pclError != nullptr && m_pclError->eGetErrorType() == 1;
    }
    if (bCreate && !bDropRefused) {
        bResult = _bOperation(pclStatement, NAQUERYTYPE_CREATE, 0, nullptr);
        if (bResult) {
            if (m_pclError != nullptr) m_pclError->Reset();
            // A failed index leaves its error in the error object; the table stands.
            _bCreateIndex(pclStatement, m_nIndexCreationMode);
            m_bCompatible = 0;
            bResult = bCheckCompatibilityWithDatabase();
        }
    }
    pclStatement->ResetStatement();
    pclStatement->nRelease();
    return bResult;
}

int CNADataAccess::bSupprimeFichier() {
    _InitAliasName();
    if (!_bHCreation(1, 0)) {
        if (m_pclError != nullptr) m_pclError->SetErrorLevel(NA_ERRORLEVEL_WARNING);
        return 0;
    }
    m_bOpened = 0;
    return 1;
}

int CNADataAccess::bSupprimeTout() {
    _InitAliasName();
    if (!_bSupprimeTout()) {
        if (m_pclError != nullptr) m_pclError->SetErrorLevel(NA_ERRORLEVEL_WARNING);
        return 0;
    }
    m_bOpened = 0;
    return 1;
}

// ---------------------------------------------------------------------------------- the current record

int CNADataAccess::_bInitCurrentRecord() {
    if (m_pclRecord == nullptr) {
        // A description the driver read from the catalogue has no record layout until one is
        // computed: the record's slots are placed by it.
        auto* pclOwn = dynamic_cast<CNADataSourceDescription*>(m_piDescription);
        if (pclOwn != nullptr && pclOwn->nGetMemoryRecordSize() == 0) pclOwn->UpdateRecordSize();
        CNARecord* pclRecord = _pclAllocRecord();
        if (pclRecord == nullptr) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
            return 0;
        }
        pclRecord->AddRef();
        if (!pclRecord->bInitRecord(m_piDescription, m_pclImportedDescription, m_pclCnx)) {
            pclRecord->nRelease();
            return 0;
        }
        m_pclRecord = pclRecord;
    } else if (m_pclImportedDescription != nullptr && m_pclRecord->nGetNumColumns() > 0) {
        const int nFirst = 0;
        CNAColumn* pclFirst = m_pclRecord->pclGetColumnNoRef(nFirst);
        if (pclFirst != nullptr && pclFirst->piGetImportedItemDescNoRef() == nullptr &&
            !_bInitCurrentRecord_SetImportedItemDesc())
            return 0;
    }
    if (m_nQuery != 0 && m_pclParsedQuery != nullptr) {
        m_pclParsedQuery->SetRecord(m_pclRecord);
        if (!bRequeteSansCorrection()) _InitAliasFichierColonne();
    }
    return 1;
}

int CNADataAccess::_bInitCurrentRecord_SetImportedItemDesc() {
    if (m_pclRecord == nullptr || m_pclImportedDescription == nullptr) return 1;
    const int nColumns = m_pclRecord->nGetNumColumns();
    for (int i = 0; i < nColumns; i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        if (pclColumn == nullptr || pclColumn->piGetImportedItemDescNoRef() != nullptr) continue;
        CNAItemDescription* pclImported = m_pclImportedDescription->pclNAGetItemNoRef(pclColumn->pszGetName(), 0);
        if (pclImported == nullptr) continue;
        if (!pclColumn->bSetImportedItemDesc(pclImported)) return 0;
    }
    return 1;
}

// The SQL the driver writes around the host's query names each column through its FROM entry: an
// aliased table only by its alias (the server refuses its own name there), any other by its
// physical name.
void CNADataAccess::_InitAliasFichierColonne() {
    if (m_pclRecord == nullptr || m_pclParsedQuery == nullptr) return;
    const int nColumns = m_pclRecord->nGetNumColumns();
    for (int i = 0; i < nColumns; i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        if (pclColumn == nullptr || pclColumn->bIsComposedKey()) continue;
        // The table as the query names the column's output item, else the item's source.
        CTString clTable;
        IInfoRubrique* piOut = m_pclParsedQuery->piEnumRubriqueOUT(pclColumn->pszGetName());
        if (piOut != nullptr) {
            if (piOut->bCalcule()) continue;
            clTable.Set(piOut->pszGetNomTable());
        }
        if (clTable.nTaille() == 0) {
            CNAItemDescription* pclImported = pclColumn->piGetImportedItemDescNoRef();
            const wchar_t* pszSource = pclImported != nullptr ? pclImported->pszGetSourceName() : nullptr;
            if (pszSource == nullptr || pszSource[0] == 0) pszSource = pclColumn->pszGetSourceName();
            clTable.Set(pszSource != nullptr ? pszSource : L"");
        }
        if (clTable.nTaille() == 0) continue;
        CTString clAlias(clTable.pszGet());
        INADataSourceDescription* piSource = nullptr;
        if (!m_pclParsedQuery->bIsTableAlias(clTable.pszGet(), &piSource)) {
            // The physical name is kept in a buffer the next lookup overwrites: copied at once.
            const wchar_t* pszPhysical = m_pclParsedQuery->pszGetPhysicalName(clTable.pszGet());
            if (pszPhysical != nullptr && pszPhysical[0] != 0) {
                clAlias.Set(pszPhysical);
            } else if (piSource != nullptr) {
                const wchar_t* pszDB = piSource->pszGetDBTableName();
                if (pszDB != nullptr && pszDB[0] != 0) clAlias.Set(pszDB);
            }
        }
        if (piSource != nullptr) piSource->nExternalRelease();
        CTString clFormatted;
        if (m_pclCnx == nullptr || !m_pclCnx->bFormatTableName(m_pclError, clAlias.pszGet(), &clFormatted))
            clFormatted.Set(clAlias.pszGet());
        pclColumn->SetAliasNomTable(clAlias.pszGet(), clFormatted.pszGet());
    }
}

void CNADataAccess::_SetImportedDataSourceDesc(CNADataSourceDescription* pclDescription) {
    if (pclDescription != nullptr) pclDescription->AddRef();
    if (m_pclImportedDescription != nullptr) m_pclImportedDescription->nRelease();
    m_pclImportedDescription = pclDescription;
    if (pclDescription == nullptr || m_piDescription == nullptr) return;
    bool bTypesChanged = false;
    bool bLayoutChanged = false;
    const unsigned nImported = pclDescription->nGetNumItems();
    for (unsigned i = 0; i < nImported; i++) {
        CNAItemDescription* pclImported = pclDescription->pclGetItemNoRef(static_cast<int>(i));
        if (pclImported == nullptr) continue;
        INAItemDescription* piSource = m_piDescription->piNAGetItem(pclImported->pszGetName());
        if (piSource == nullptr) {
            // A query's result holds a column its description lacks: the description gets it.
            if (m_nQuery == 0) continue;
            piSource = _piAddImportedItem(pclImported, static_cast<int>(i));
            if (piSource == nullptr) continue;
            bLayoutChanged = true;
        }
        if (!pclImported->bUpdatable()) piSource->SetUpdatable(0);
        if (m_nQuery != 0 && (piSource->bMemo() != 0) == (pclImported->bMemo() != 0) &&
            !pclImported->bTypeMatch(piSource, 0, 0)) {
            auto* pclSource = static_cast<CNAItemDescription*>(piSource);
            if (pclSource->bChangeType(pclImported, 1)) bTypesChanged = true;
        }
        piSource->nExternalRelease();
    }
    if (bTypesChanged || bLayoutChanged) _bUpdateChangedTypeInCurrentRecord();
    _bInitCurrentRecord();
}

INAItemDescription* CNADataAccess::_piAddImportedItem(CNAItemDescription* pclImported, int n) {
    // Only a description of the driver's own can take an item.
    auto* pclDescription = dynamic_cast<CNADataSourceDescription*>(m_piDescription);
    if (pclDescription == nullptr) return nullptr;
    CNAItemDescription* pclItem = pclImported->pclGetCloneItemDescription(pclDescription, CLONEDESC_NONE);
    if (pclItem == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return nullptr;
    }
    pclItem->AddRef();
    pclItem->bSetName(pclImported->pszGetName());
    pclDescription->_AddItemAt(pclItem, n);
    // A column of the current record that reads this result column writes its name anew.
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnNoRef(pclItem) : nullptr;
    if (pclColumn != nullptr) pclColumn->bFormatName();
    pclItem->ExternalAddRef();
    pclItem->nRelease();
    return pclItem;
}

int CNADataAccess::_bUpdateChangedTypeInCurrentRecord() {
    auto* pclDescription = dynamic_cast<CNADataSourceDescription*>(m_piDescription);
    if (pclDescription != nullptr) pclDescription->UpdateRecordSize();
    if (m_pclRecord != nullptr && !m_pclRecord->bUpdateChangedTypeInCurrentRecord(m_piDescription)) return 0;
    if (m_pclRecordSave != nullptr) m_pclRecordSave->SupprimeTout();
    unsigned nCursor = 0;
    CNAStatement* pclStatement = nullptr;
    while (m_tabStatement.bParse(&nCursor, &pclStatement, nullptr)) {
        if (!pclStatement->bUpdateChangedTypeInCurrentRecord()) return 0;
    }
    return 1;
}

void CNADataAccess::_SetCurrentRecord(CNARecord* pclRecord) {
    if (pclRecord != nullptr) pclRecord->AddRef();
    _FreeCurrentRecord();
    m_pclRecord = pclRecord;
}

void CNADataAccess::_FreeCurrentRecord() {
    // The copies kept for re-positionings are of this record's rows.
    _FreeKeptRecordValues();
    if (m_pclRecord == nullptr) return;
    CNARecord* pcl = m_pclRecord;
    m_pclRecord = nullptr;
    pcl->nRelease();
}

INADataSourceDescription* CNADataAccess::piGetDataSourceDescriptionForYF() {
    if (m_nQuery == 0) return piGetDataSourceDescription();
    if (m_piDescriptionForYF == nullptr) {
        // The host browses a query's result by any of its items: in its copy every plain item is
        // a key. The access keeps its own description for the SQL it writes.
        auto* pclDescription = dynamic_cast<CNADataSourceDescription*>(m_piDescription);
        if (pclDescription == nullptr) return piGetDataSourceDescription();
        CNADataSourceDescription* pclCopy = pclDescription->pclGetCloneDataSourceDescription(CLONEDESC_KEYALL);
        if (pclCopy == nullptr) return nullptr;
        pclCopy->ExternalAddRef();
        m_piDescriptionForYF = pclCopy;
    }
    m_piDescriptionForYF->ExternalAddRef();
    return m_piDescriptionForYF;
}

void CNADataAccess::_GetDBSourceName(INAItemDescription* piItem, CTString* pclOut, int bFormat) {
    if (pclOut == nullptr) return;
    pclOut->Vide();
    if (piItem == nullptr) return;
    const wchar_t* pszSource = piItem->pszGetSourceName();
    pclOut->Set(pszSource != nullptr ? pszSource : L"");
    if (bFormat && m_pclCnx != nullptr) {
        CTString clFormatted;
        if (m_pclCnx->bFormatTableName(m_pclError, pclOut->pszGet(), &clFormatted)) pclOut->Set(clFormatted.pszGet());
    }
}

// ---------------------------------------------------------------------------------- closing

void CNADataAccess::_Close() {
    _FreeTableCache();
    _bDeleteAllSavedPosition();
    _CloseAllStatement();
    if (m_pclExecutionStatement != nullptr) {
        m_pclExecutionStatement->nRelease();
        m_pclExecutionStatement = nullptr;
    }
    m_bOpened = 0;
}

int CNADataAccess::bHFerme() {
    _Close();
    return 1;
}

void CNADataAccess::_ResetDataAccess() {
    _Close();
    if (m_pclLatestFilter != nullptr) {
        m_pclLatestFilter->nRelease();
        m_pclLatestFilter = nullptr;
    }
    if (m_pclRecordSave != nullptr) m_pclRecordSave->SupprimeTout();
    if (m_nLastReadSave >= 0) m_nLastReadSave = -1;
    if (m_pclParsedQuery != nullptr) {
        m_pclParsedQuery->nRelease();
        m_pclParsedQuery = nullptr;
    }
    _FreeCurrentRecord();
    if (m_piDescription != nullptr) {
        m_piDescription->nExternalRelease();
        m_piDescription = nullptr;
    }
    if (m_piDescriptionForYF != nullptr) {
        m_piDescriptionForYF->nExternalRelease();
        m_piDescriptionForYF = nullptr;
    }
    if (m_pclImportedDescription != nullptr) {
        m_pclImportedDescription->nRelease();
        m_pclImportedDescription = nullptr;
    }
}

eNA_ERRORTYPE CNADataAccess::eGetNAErrorType() {
    if (m_pclError == nullptr) return NA_ERRORTYPE_NONE;
    const eNA_ERRORTYPE eType = m_pclError->eGetErrorType();
    if (eType != NA_ERRORTYPE_GENERAL || m_pclCnx == nullptr) return eType;
    return m_pclCnx->eGetNAErrorType(m_pclError->dwGetDataBaseErrorCode());
}
