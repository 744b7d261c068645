// Data-source description: counts, item, key and memo lists, naming, record sizes, the best parse
// item, compatibility with the host's description, clone, and the catalogue import through the
// hooks of the database's subclass.
#include "native/model/NADataSourceDescription.h"

#include "core/STRCompare.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/DriverServices.h"
#include "native/sql/SQLParserInfo.h"
#include "pgsql/NAColumnSQL.h"
#include "pgsql/NAStatementSQL.h"

namespace {

bool bMemesNoms(const wchar_t* pszA, const wchar_t* pszB, int nFlags) {
    if (nFlags & NA_SEARCH_NOSPACE) {
        CTString clA(pszA), clB(pszB);
        clA.SansEspace();
        clB.SansEspace();
        return STR_nCompareW(clA.pszGet(), clB.pszGet(), STR_LOGIQUE) == 0;
    }
    return STR_nCompareW(pszA, pszB, STR_LOGIQUE) == 0;
}

// Known not to admit NULL: asked of the item itself from version 9 on; before, only automatic
// identifiers are known to refuse it (older items have no such question).
bool bNotNull(INAItemDescription* pi) {
    if (pi->nGetVersion() >= 9) return !pi->vbConstraintNullAllowed();
    return g_bIsIdAuto(pi->eNAGetItemType());
}

}  // namespace

CNADataSourceDescription::CNADataSourceDescription(CNAConnectionDescription* pclConnection, CNAError* pclError)
    : m_pclError(pclError), m_pclConnection(pclConnection), m_tabItems(20, 30), m_tabKeys(10, 30), m_tabMemos(10, 30) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_pclConnection != nullptr) m_pclConnection->AddRef();
}

CNADataSourceDescription::~CNADataSourceDescription() {
    // Through the driver's registry: the description may be the last to hold its connection.
    CNADriver::s_ReleaseConnection(m_pclConnection);
    if (m_pclError != nullptr) m_pclError->nRelease();
    if (m_pclBestParseItem != nullptr) m_pclBestParseItem->nExternalRelease();
    m_tabMemos.SupprimeTout();
    m_tabKeys.SupprimeTout();
    m_tabItems.SupprimeTout();
}

// ------------------------------------------------------------------------------------------------
// Counts
// ------------------------------------------------------------------------------------------------

unsigned CNADataSourceDescription::nExternalRelease() {
    if (m_nExternalRef == 0) return 0;
    unsigned n = --m_nExternalRef;
    if (n == 0) _DeleteIfUnused();
    return n;
}

unsigned CNADataSourceDescription::nRelease() {
    if (m_nRef == 0) return 0;
    unsigned n = --m_nRef;
    if (n == 0) _DeleteIfUnused();
    return n;
}

void CNADataSourceDescription::_DeleteIfUnused() {
    if (m_nRef == 0 && m_nExternalRef == 0) delete this;
}

const wchar_t* CNADataSourceDescription::pszGetDefaultDatabase() const {
    return m_pclConnection != nullptr ? m_pclConnection->pszGetDefaultDataBaseEx() : L"";
}

// ------------------------------------------------------------------------------------------------
// Items
// ------------------------------------------------------------------------------------------------

CNAItemDescription* CNADataSourceDescription::_pclGetAt(const CRefArray<CNAItemDescription>& tab, unsigned n) {
    if (n >= static_cast<unsigned>(tab.nGetNbElement())) return nullptr;
    CNAItemDescription* pcl = tab[static_cast<int>(n)];
    if (pcl != nullptr) pcl->ExternalAddRef();
    return pcl;
}

CNAItemDescription* CNADataSourceDescription::pclGetItemNoRef(int n) const {
    if (n < 0 || n >= m_tabItems.nGetNbElement()) return nullptr;
    return m_tabItems[n];
}

CNAItemDescription* CNADataSourceDescription::pclGetKeyNoRef(int n) const {
    if (n < 0 || n >= m_tabKeys.nGetNbElement()) return nullptr;
    return m_tabKeys[n];
}

CNAItemDescription* CNADataSourceDescription::pclNAGetItemNoRef(const wchar_t* pszName, int nFlags) const {
    for (int i = 0; i < m_tabItems.nGetNbElement(); i++)
        if (bMemesNoms(m_tabItems[i]->pszGetName(), pszName, nFlags)) return m_tabItems[i];
    return nullptr;
}

CNAItemDescription* CNADataSourceDescription::pclNAGetItem(const wchar_t* pszName, int nFlags) {
    CNAItemDescription* pcl = pclNAGetItemNoRef(pszName, nFlags);
    if (pcl != nullptr) pcl->ExternalAddRef();
    return pcl;
}

CNAItemDescription* CNADataSourceDescription::pclNAGetItemByPhysicalIndiceDB(unsigned n) const {
    for (int i = 0; i < m_tabItems.nGetNbElement(); i++) {
        CNAItemDescription* pcl = m_tabItems[i];
        if (pcl->nGetPhysicalIndiceDB() >= 0 && static_cast<unsigned>(pcl->nGetPhysicalIndiceDB()) == n) {
            pcl->ExternalAddRef();
            return pcl;
        }
    }
    return nullptr;
}

CNAItemDescription* CNADataSourceDescription::piNAGetKey(const wchar_t* pszName) {
    for (int i = 0; i < m_tabKeys.nGetNbElement(); i++) {
        if (bMemesNoms(m_tabKeys[i]->pszGetName(), pszName, NA_SEARCH_NOSPACE)) {
            m_tabKeys[i]->ExternalAddRef();
            return m_tabKeys[i];
        }
    }
    return nullptr;
}

CNAItemDescription* CNADataSourceDescription::pclNAGetCorrespondingItem(const wchar_t* pszName) {
    CNAItemDescription* pcl = pclNAGetItem(pszName, 2);
    if (pcl == nullptr) _AddUserError(26, 2, m_clDBName.pszGet(), pszName);
    return pcl;
}

void CNADataSourceDescription::MakeNewName(CTString* pclOut, const wchar_t* pszBase, int n) {
    pclOut->Set(pszBase);
    pclOut->AddI4(n);
}

void CNADataSourceDescription::_NameNewItem(CNAItemDescription* pclItem) {
    if (pclItem->pszGetName()[0] == 0) {
        CTString clNom;
        CNADriver::g_GenerateItemName(&clNom, static_cast<int>(m_nValueSlotCount));
        pclItem->bSetName(clNom.pszGet());
    }
    if (pclNAGetItemNoRef(pclItem->pszGetName(), 2) != nullptr) {
        const CTString clBase(pclItem->pszGetName());
        CTString clNom;
        for (int n = 2; n > 0; n++) {  // stops at 0x7FFFFFFF
            MakeNewName(&clNom, clBase.pszGet(), n);
            if (pclNAGetItemNoRef(clNom.pszGet(), 2) == nullptr) {
                pclItem->bSetName(clNom.pszGet());
                break;
            }
        }
    }
}

void CNADataSourceDescription::_JoinKeyAndMemoLists(CNAItemDescription* pclItem) {
    if (pclItem->bIsKey()) _AddKey(pclItem);
    if (pclItem->bMemo()) m_tabMemos.Ajoute(pclItem);
}

void CNADataSourceDescription::_AddItem(CNAItemDescription* pclItem) {
    if (pclItem == nullptr) return;
    _NameNewItem(pclItem);
    const int nItems = m_tabItems.nGetNbElement();
    if (pclItem->nGetPhysicalIndice() == -1) {
        pclItem->SetPhysicalIndice(nItems);
        m_tabItems.Ajoute(pclItem);
    } else if (pclItem->nGetPhysicalIndice() == 0 && nItems > 0) {
        m_tabItems.Insere(pclItem, 0);
        for (int i = 1; i < m_tabItems.nGetNbElement(); i++) m_tabItems[i]->SetPhysicalIndice(i);
    } else {
        m_tabItems.Ajoute(pclItem);
    }
    _JoinKeyAndMemoLists(pclItem);
}

void CNADataSourceDescription::_AddItemAt(CNAItemDescription* pclItem, int n) {
    if (pclItem == nullptr) return;
    const int nItems = m_tabItems.nGetNbElement();
    if (n < 0 || n >= nItems) {
        pclItem->SetPhysicalIndice(-1);
        _AddItem(pclItem);
        return;
    }
    _NameNewItem(pclItem);
    m_tabItems.Insere(pclItem, n);
    if (m_tabItems.nGetNbElement() == nItems) return;  // refused: the description stays as it was
    for (int i = n; i < m_tabItems.nGetNbElement(); i++) m_tabItems[i]->SetPhysicalIndice(i);
    _JoinKeyAndMemoLists(pclItem);
}

void CNADataSourceDescription::_AddKey(CNAItemDescription* pclItem) {
    if (pclItem->nGetKeyIndice() == 0 && m_tabKeys.nGetNbElement() > 0) {
        m_tabKeys.Insere(pclItem, 0);
        for (int i = 1; i < m_tabKeys.nGetNbElement(); i++) m_tabKeys[i]->bSetKeyIndice(i);
    } else {
        m_tabKeys.Ajoute(pclItem);
    }
}

bool CNADataSourceDescription::bAddItem(const wchar_t* pszName, const wchar_t* pszSourceName,
                                        const wchar_t* pszNameInSource, unsigned nDimension, unsigned nSize,
                                        eNA_ITEMTYPE eType, int nPhysicalIndice, int nKeyIndice,
                                        unsigned short wKeyFlags, int nIntegerDigits, int nDecimalDigits) {
    CNAItemDescription* pclItem =
        CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocItemDescription() : nullptr;
    if (pclItem == nullptr) {
        _SetErrorNoMemory();
        return false;
    }
    pclItem->AddRef();
    if (nPhysicalIndice == -1) nPhysicalIndice = m_tabItems.nGetNbElement();
    pclItem->bInit(pszName, pszSourceName, pszNameInSource, nDimension, nSize, eType,
                   static_cast<unsigned>(nPhysicalIndice), nKeyIndice, wKeyFlags, nIntegerDigits, nDecimalDigits);
    _AddItem(pclItem);
    pclItem->nRelease();
    return true;
}

void CNADataSourceDescription::UpdateRecordSize() {
    m_nDiskRecordSize = 0;
    m_nMemoryRecordSize = 0;
    m_nValueSlotCount = 0;
    uint32_t nOffset = 0;
    for (int i = 0; i < m_tabItems.nGetNbElement(); i++) {
        CNAItemDescription* pcl = m_tabItems[i];
        pcl->SetRecordPosition(static_cast<int>(nOffset), static_cast<int>(m_nValueSlotCount));
        const unsigned nTotal = pcl->nGetTotalSize();
        nOffset += nTotal;
        m_nMemoryRecordSize += nTotal;
        m_nValueSlotCount += pcl->nGetDimension();
        if (!pcl->bIsComposedKey()) m_nDiskRecordSize += nTotal;
    }
}

// ------------------------------------------------------------------------------------------------
// Keys and the best parse item
// ------------------------------------------------------------------------------------------------

bool CNADataSourceDescription::_bSetKeyType(CNAItemDescription* pclItem, unsigned short wKeyFlags) {
    if (pclItem == nullptr) return false;
    if (pclItem->bPrimary()) return true;
    if (pclItem->nGetKeyIndice() >= 0) {
        pclItem->bSetKey(pclItem->nGetKeyIndice(), wKeyFlags);
        return true;
    }
    pclItem->bSetKey(m_tabKeys.nGetNbElement(), wKeyFlags);
    m_tabKeys.Ajoute(pclItem);
    return true;
}

bool CNADataSourceDescription::_bSetKeyType(int nIndex, unsigned short wKeyFlags) {
    CNAItemDescription* pcl = pclGetItemNoRef(nIndex);
    return pcl != nullptr && _bSetKeyType(pcl, wKeyFlags);
}

bool CNADataSourceDescription::_bSetKeyType(const wchar_t* pszName, unsigned short wKeyFlags) {
    CNAItemDescription* pcl = pclNAGetItemNoRef(pszName, 2);
    return pcl != nullptr && _bSetKeyType(pcl, wKeyFlags);
}

bool CNADataSourceDescription::_bAddItemComponent(CNAItemDescription* pclKey, int nIndex) {
    CNAItemDescription* pcl = pclGetItemNoRef(nIndex);
    return pcl != nullptr && pclKey != nullptr && pclKey->bAddComponent(pcl);
}

bool CNADataSourceDescription::_bAddItemComponent(CNAItemDescription* pclKey, const wchar_t* pszName) {
    CNAItemDescription* pcl = pclNAGetItemNoRef(pszName, 2);
    return pcl != nullptr && pclKey != nullptr && pclKey->bAddComponent(pcl);
}

void CNADataSourceDescription::_SetBestParseItem(CNAItemDescription* pclItem) {
    if (pclItem != nullptr) pclItem->ExternalAddRef();
    if (m_pclBestParseItem != nullptr) m_pclBestParseItem->nExternalRelease();
    m_pclBestParseItem = pclItem;
}

void CNADataSourceDescription::_SetBestParseItem(const wchar_t* pszName) {
    _SetBestParseItem(pclNAGetItemNoRef(pszName, 2));
}

CNAItemDescription* CNADataSourceDescription::_pclChooseBestParseItem() const {
    if (m_tabItems.nGetNbElement() == 0) return nullptr;
    if (m_tabKeys.nGetNbElement() > 0) {
        CNAItemDescription* pclCandidat = nullptr;
        for (int i = 0; i < m_tabKeys.nGetNbElement(); i++) {
            CNAItemDescription* pcl = m_tabKeys[i];
            if (pcl->bPrimary()) return pcl;
            if (!pcl->bUnique()) continue;
            if (pclCandidat == nullptr || (bNotNull(pcl) && !bNotNull(pclCandidat))) pclCandidat = pcl;
        }
        return pclCandidat != nullptr ? pclCandidat : m_tabKeys[0];
    }
    for (int i = 0; i < m_tabItems.nGetNbElement(); i++)
        if (!m_tabItems[i]->bMemo()) return m_tabItems[i];
    return m_tabItems[0];
}

INAItemDescription* CNADataSourceDescription::piGetBestParseItemDesc() {
    if (m_pclBestParseItem == nullptr) _SetBestParseItem(_pclChooseBestParseItem());
    if (m_pclBestParseItem != nullptr) m_pclBestParseItem->ExternalAddRef();
    return m_pclBestParseItem;
}

// ------------------------------------------------------------------------------------------------
// Compatibility and clone
// ------------------------------------------------------------------------------------------------

int CNADataSourceDescription::bAreDescriptionCompatible(INADataSourceDescription* piHost) {
    const unsigned n = piHost->nGetNumItems();
    for (unsigned i = 0; i < n; i++) {
        INAItemDescription* pi = piHost->piNAGetItem(i);
        if (pi == nullptr) continue;
        bool bManque = !pi->bIsComposedKey() && pclNAGetItemNoRef(pi->pszGetName(), 3) == nullptr;
        if (bManque) _AddUserError(20, 1, m_clLogicalName.pszGet(), pi->pszGetName());
        pi->nExternalRelease();
        if (bManque) return 0;
    }
    return 1;
}

CNADataSourceDescription* CNADataSourceDescription::pclGetCloneDataSourceDescription(eCLONEDESC eFlags) {
    CNADataSourceDescription* pcl =
        CNADriver::s_pclDriver != nullptr
            ? CNADriver::s_pclDriver->pclAllocDataSourceDescription(m_pclConnection, m_pclError)
            : nullptr;
    if (pcl == nullptr) {
        _SetErrorNoMemory();
        return nullptr;
    }
    pcl->m_clLogicalName.Set(m_clLogicalName.pszGet());
    pcl->m_clDBName.Set(m_clDBName.pszGet());
    pcl->m_clExtendedInfo.Set(m_clExtendedInfo.pszGet());
    pcl->m_clType.Set(m_clType.pszGet());
    pcl->m_clOwner.Set(m_clOwner.pszGet());
    pcl->m_nDiskRecordSize = m_nDiskRecordSize;
    pcl->m_nMemoryRecordSize = m_nMemoryRecordSize;
    pcl->m_nValueSlotCount = m_nValueSlotCount;
    for (int i = 0; i < m_tabItems.nGetNbElement(); i++) {
        CNAItemDescription* pclItem = m_tabItems[i]->pclGetCloneItemDescription(pcl, eFlags);
        if (pclItem == nullptr) continue;
        pclItem->AddRef();
        pcl->_AddItem(pclItem);
        pclItem->nRelease();
    }
    if (m_pclBestParseItem != nullptr) pcl->_SetBestParseItem(m_pclBestParseItem->pszGetName());
    pcl->UpdateRecordSize();
    return pcl;
}

// ------------------------------------------------------------------------------------------------
// Reading a table from the catalogue
// ------------------------------------------------------------------------------------------------

bool CNADataSourceDescription::bInitDataSourceDescriptionFromDB(const wchar_t* pszTableName, int n) {
    m_clLogicalName.Set(pszTableName);
    m_clDBName.Set(pszTableName);
    m_eOrigin = NA_DESCORIGIN_DATABASE;
    return _bGetDataSourceInfo(n) != 0;
}

int CNADataSourceDescription::_bGetDataSourceInfo(int) {
    return _bImportItems() && _bImportIndex();
}

bool CNADataSourceDescription::_bImportItems() {
    CXYStringConcat<wchar_t> clQuery(1024);
    if (!_bGetQueryShowColumns(&clQuery)) return false;
    if (!_bExecuteCatalogueQuery(clQuery, true)) return false;
    if (m_tabItems.nGetNbElement() == 0) {
        _AddUserError(30, 3, m_clLogicalName.pszGet(), nullptr);
        return false;
    }
    return true;
}

bool CNADataSourceDescription::_bImportIndex() {
    CXYStringConcat<wchar_t> clQuery(1024);
    if (!_bGetQueryShowIndex(&clQuery)) return false;
    return _bExecuteCatalogueQuery(clQuery, false);
}

bool CNADataSourceDescription::_bExecuteCatalogueQuery(const CXYStringConcat<wchar_t>& clQuery, bool bItems) {
    CNAStatementSQL* pclStatement = nullptr;
    if (!NA_bExecuteSQL(m_pclConnection, &pclStatement, m_pclError, clQuery.pszGet())) return false;
    const bool bOk =
        bItems ? _bInitItemFromQueryShowColumns(pclStatement) != 0 : _bInitKeysFromQueryShowIndex(pclStatement) != 0;
    NA_ReleaseStatementSQL(pclStatement);
    return bOk;
}

int CNADataSourceDescription::_bGetQueryShowColumns(CXYStringConcat<wchar_t>*) {
    return 0;
}

int CNADataSourceDescription::_bInitItemFromQueryShowColumns(CNAStatementSQL*) {
    return 0;
}

int CNADataSourceDescription::_bGetQueryShowIndex(CXYStringConcat<wchar_t>*) {
    return 0;
}

int CNADataSourceDescription::_bInitKeysFromQueryShowIndex(CNAStatementSQL*) {
    return 0;
}

// ------------------------------------------------------------------------------------------------
// Query results
// ------------------------------------------------------------------------------------------------

bool CNADataSourceDescription::bInitDataSourceDescriptionFromStatement(CNAStatementSQL* pclStatement) {
    m_eOrigin = NA_DESCORIGIN_QUERY;
    if (pclStatement == nullptr) return false;
    if (m_clLogicalName.pszGet() == nullptr || m_clLogicalName.pszGet()[0] == 0) {
        CTString clName;
        clName.printf(L"%lu", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(pclStatement)));
        SetLogicalName(clName.pszGet());
        SetDBName(clName.pszGet());
    }
    int nColumns = 0;
    pclStatement->bGetColumnNbr(&nColumns, 0);
    int nKeys = 0;
    bool bOk = true;
    for (int i = 0; i < nColumns && bOk; i++) {
        CNAColumnSQL* pclColumn = pclStatement->pclGetNAColumnSQL(i);
        if (pclColumn == nullptr) {
            bOk = false;
            break;
        }
        const wchar_t* pszName = pclColumn->m_csName.pszGet() != nullptr ? pclColumn->m_csName.pszGet() : L"";
        const wchar_t* pszSource =
            pclColumn->m_csTableName.nTaille() != 0 ? pclColumn->m_csTableName.pszGet() : pszGetPhysicalName();
        const wchar_t* pszInSource =
            pclColumn->m_csNameInSource.nTaille() != 0 ? pclColumn->m_csNameInSource.pszGet() : pszName;
        const int nKey = pclColumn->m_nKeyFlags != 0 ? nKeys++ : -1;
        CNAItemDescription* pclItem =
            CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocItemDescription() : nullptr;
        if (pclItem == nullptr) {
            _SetErrorNoMemory();
            bOk = false;
            break;
        }
        pclItem->AddRef();
        bOk = pclItem->bInit(pszName, pszSource, pszInSource, 1, pclColumn->m_nSize, pclColumn->m_eItemType,
                             static_cast<unsigned>(i), nKey, pclColumn->m_nKeyFlags, pclColumn->m_nIntegerDigits,
                             pclColumn->m_nDecimalDigits);
        if (bOk) {
            pclItem->SetDBType(pclColumn->m_csAuxiliary.pszGet(), static_cast<unsigned>(pclColumn->m_nServerType));
            _AddItem(pclItem);
        }
        pclItem->nRelease();
    }
    UpdateRecordSize();
    return bOk;
}

bool CNADataSourceDescription::bCompleteDescription(CSQLParserInfo* pclParser) {
    m_eOrigin = NA_DESCORIGIN_QUERY;
    if (pclParser == nullptr) return true;
    // A key of one table's rows stays unique in the result only when no other table is joined to
    // them: a join repeats the rows of one side.
    const int bUniqueAllowed = pclParser->nGetFichierFromNbr() <= 1 ? 1 : 0;
    const int nSelected = pclParser->nGetRubriqueOUTNbr();
    for (int i = 0; i < nSelected; i++) {
        if (!_bCompleteItem(pclParser, i, bUniqueAllowed)) {
            UpdateRecordSize();
            return false;
        }
    }
    bool bBestSet = false;
    const int nOrders = pclParser->nGetRubriqueClauseOrderNbr();
    for (int i = 0; i < nOrders; i++) {
        IInfoOrderBy* piOrder = pclParser->piGetRubriqueClauseOrder(i);
        if (piOrder == nullptr) continue;
        CNAItemDescription* pclItem = pclGetItemNoRef(piOrder->nGetIndiceRubrique());
        if (pclItem == nullptr) continue;
        pclItem->SetSensTri(piOrder->bDescendant() ? SENSTRI_DESCENDANT : SENSTRI_ASCENDANT);
        if (!bBestSet) {
            _SetBestParseItem(pclItem);
            bBestSet = true;
        }
    }
    UpdateRecordSize();
    return true;
}

bool CNADataSourceDescription::_bCompleteItem(CSQLParserInfo* pclParser, int n, int bUniqueAllowed) {
    IInfoRubrique* piSelected = pclParser->piGetRubriqueOUT(n);
    if (piSelected == nullptr) return true;
    const int nCalculated = piSelected->bCalcule();
    INAItemDescription* piHost = nCalculated == 0 ? pclParser->piGetItemDescription(piSelected) : nullptr;
    bool bOk = true;
    CNAItemDescription* pclItem = pclGetItemNoRef(n);
    if (pclItem != nullptr) {
        const bool bWasKey = pclItem->bIsKey() != 0;
        const bool bWasMemo = pclItem->bMemo() != 0;
        if (piHost != nullptr)
            bOk = pclItem->bCompleteDescription(piHost, bUniqueAllowed, nGetNumKeys());
        else if (nCalculated == 1)
            bOk = pclItem->bCompleteDescriptionCalcul(piSelected);
        if (bOk) {
            _UpdateKeyAndMemoLists(pclItem, bWasKey, bWasMemo);
            _SetSourceTable(pclItem, pclParser, piSelected);
        }
    } else if (piHost == nullptr) {
        // A value the host does not describe: typed from its expression.
        IExpOpExpression* piExpression = piSelected->piGetExpression();
        const unsigned nSize = piExpression != nullptr ? static_cast<unsigned>(piExpression->nGetTaille()) : 0;
        const unsigned nCode = piExpression != nullptr ? static_cast<unsigned>(piExpression->nGetTypeMoteur()) : 0;
        pclItem = CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocItemDescription() : nullptr;
        if (pclItem == nullptr) {
            _SetErrorNoMemory();
            return false;
        }
        pclItem->AddRef();
        bOk = pclItem->bInit(piSelected->pszGetNom(), L"", L"", 1, nSize, g_eGetNAItemType(nCode),
                             static_cast<unsigned>(m_tabItems.nGetNbElement()), -1, 0, 0, 0);
        if (bOk) {
            pclItem->SetCalculatedItemCode(static_cast<unsigned>(nCalculated));
            _SetSourceTable(pclItem, pclParser, piSelected);
            _AddItem(pclItem);
        }
        pclItem->nRelease();
    } else if (!piHost->bIsComposedKey()) {
        bOk = _bAjouteItemDescription(piHost, pclParser, piSelected, bUniqueAllowed);
    }
    if (piHost != nullptr) piHost->nExternalRelease();
    return bOk;
}

bool CNADataSourceDescription::_bAjouteItemDescription(INAItemDescription* piHost, CSQLParserInfo* pclParser,
                                                       IInfoRubrique* piSelected, int bUniqueAllowed) {
    CNAItemDescription* pclItem =
        CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocItemDescription() : nullptr;
    if (pclItem == nullptr) {
        _SetErrorNoMemory();
        return false;
    }
    pclItem->AddRef();
    const wchar_t* pszName = piSelected != nullptr ? piSelected->pszGetNom() : nullptr;
    if (pszName == nullptr || pszName[0] == 0) pszName = piHost->pszGetName();
    uint16_t wKeyFlags = 0;
    int nKeyIndice = -1;
    if (piHost->bIsKey()) {
        if (bUniqueAllowed && piHost->bPrimary()) wKeyFlags |= NA_KEY_PRIMARY;
        if (piHost->bUnique()) wKeyFlags |= bUniqueAllowed ? NA_KEY_UNIQUE : NA_KEY_DUPLICATES;
        if (piHost->bDuplicates()) wKeyFlags |= NA_KEY_DUPLICATES;
        if (piHost->bIsComposedKey()) wKeyFlags |= NA_KEY_COMPOSED;
        if (piHost->bGetAscendant(-1)) wKeyFlags |= NA_KEY_ASCENDANT;
        if (piHost->bGetDescendant(-1)) wKeyFlags |= NA_KEY_DESCENDANT;
        if (piHost->bGetIgnoreCase(-1)) wKeyFlags |= NA_KEY_IGNORECASE;
        if (piHost->bGetIgnorePunctuation(-1)) wKeyFlags |= NA_KEY_IGNOREPUNCTUATION;
        if (piHost->bGetIgnoreAccent(-1)) wKeyFlags |= NA_KEY_IGNOREACCENT;
        nKeyIndice = static_cast<int>(nGetNumKeys());
    }
    const bool bOk = pclItem->bInit(
        pszName, piHost->pszGetSourceName(), piHost->pszGetNameInSource(), piHost->nGetDimension(),
        piHost->nGetItemSize(), piHost->eNAGetItemType(), static_cast<unsigned>(m_tabItems.nGetNbElement()), nKeyIndice,
        wKeyFlags, static_cast<int>(piHost->nGetIntegerPart()), static_cast<int>(piHost->nGetDecimalPart()));
    if (bOk) {
        _SetSourceTable(pclItem, pclParser, piSelected);
        _AddItem(pclItem);
    }
    pclItem->nRelease();
    return bOk;
}

void CNADataSourceDescription::_SetSourceTable(CNAItemDescription* pclItem, CSQLParserInfo* pclParser,
                                               IInfoRubrique* piSelected) {
    if (pclItem->nGetCalculatedItemCode() != 0 || piSelected == nullptr) return;
    const wchar_t* pszFile = piSelected->pszGetNomFichierSource();
    const wchar_t* pszTable = piSelected->pszGetNomTableSource();
    if (pszFile == nullptr) pszFile = L"";
    if (pszTable == nullptr) pszTable = L"";
    // Two names: the host resolved the table itself.
    if (STR_nCompareW(pszFile, pszTable, STR_LOGIQUE) != 0) {
        pclItem->SetSourceTable(pszFile);
        return;
    }
    if (const wchar_t* pszPhysical = pclParser->pszGetPhysicalName(pszTable)) {
        pclItem->SetSourceTable(pszPhysical);
        return;
    }
    INADataSourceDescription* piSource = pclParser->piGetNADataSourceDescription(pszTable);
    if (piSource == nullptr) return;
    pclItem->SetSourceTable(piSource->pszGetDBTableName());
    piSource->nExternalRelease();
}

void CNADataSourceDescription::_UpdateKeyAndMemoLists(CNAItemDescription* pclItem, bool bWasKey, bool bWasMemo) {
    const bool bKey = pclItem->bIsKey() != 0;
    if (bKey && !bWasKey) {
        m_tabKeys.Ajoute(pclItem);
    } else if (!bKey && bWasKey) {
        for (int i = 0; i < m_tabKeys.nGetNbElement(); i++) {
            if (m_tabKeys[i] != pclItem) continue;
            m_tabKeys.Supprime(i);
            break;
        }
        // The keys after it move up one place.
        for (int i = 0; i < m_tabKeys.nGetNbElement(); i++) m_tabKeys[i]->bSetKeyIndice(i);
    }
    const bool bMemo = pclItem->bMemo() != 0;
    if (bMemo && !bWasMemo) {
        m_tabMemos.Ajoute(pclItem);
    } else if (!bMemo && bWasMemo) {
        for (int i = 0; i < m_tabMemos.nGetNbElement(); i++) {
            if (m_tabMemos[i] != pclItem) continue;
            m_tabMemos.Supprime(i);
            break;
        }
    }
}

// ------------------------------------------------------------------------------------------------
// Host engine types
// ------------------------------------------------------------------------------------------------

eNA_ITEMTYPE CNADataSourceDescription::g_eGetNAItemType(unsigned nYFType) {
    static constexpr unsigned char s_abyItem[42] = {
        0,  15, 2,  3, 4,  5,  6,  7,  3,  9,  10, 11, 26, 13, 14, 15, 15, 17, 18, 15, 15,
        15, 15, 21, 1, 19, 22, 20, 23, 15, 18, 15, 15, 5,  24, 25, 12, 27, 28, 29, 30, 31,
    };
    if (nYFType >= sizeof(s_abyItem)) return NA_IT_MEMOTEXTE;
    return static_cast<eNA_ITEMTYPE>(s_abyItem[nYFType]);
}

// ------------------------------------------------------------------------------------------------
// Errors
// ------------------------------------------------------------------------------------------------

void CNADataSourceDescription::_AddUserError(unsigned nCode, int nSite, const wchar_t* psz1, const wchar_t* psz2) {
    if (m_pclError != nullptr)
        m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DATASOURCE, nSite, nullptr, nCode,
                             psz1 != nullptr ? psz1 : L"", psz2 != nullptr ? psz2 : L"");
}

void CNADataSourceDescription::_SetErrorNoMemory() {
    if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
}
