// The driver object's registries: connection descriptions and table objects by identification
// text (compared and hashed without regard to case or accents, with a one-entry cache), and its
// records of the host contexts by context id. Every find and create answers the object with one
// reference for the caller; a registry holds one reference on each entry.
#include <cwchar>

#include "core/STRCompare.h"
#include "native/driver/INAConnectionDescription.h"
#include "native/driver/INAContext.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAContext.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"
#include "native/table/NATable.h"

namespace {

const wchar_t* _pszOrNULL(const wchar_t* psz) {
    return psz != nullptr ? psz : L"NULL";
}

const wchar_t* _pszOrEmpty(const wchar_t* psz) {
    return psz != nullptr ? psz : L"";
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Identification texts

int CNADriver::bBuildCnxIdentification(CTString* pclOut, INAConnectionDescription* piCnx) {
    if (pclOut == nullptr || piCnx == nullptr) return 0;
    const stNAConnectionInfo* pstInfo = piCnx->pclGetConnectionInfo();
    pclOut->Set(L"Connection=");
    pclOut->Add(_pszOrNULL(pstInfo != nullptr ? pstInfo->pszName : nullptr));
    pclOut->Add(L";Provider=");
    pclOut->Add(_pszOrNULL(piCnx->pszGetProvider()));
    pclOut->Add(L";ExtendedInformation=");
    pclOut->Add(_pszOrNULL(piCnx->pszGetExtendedInfo()));
    pclOut->Add(L";Data source=");
    pclOut->Add(_pszOrNULL(piCnx->pszGetDataBase()));
    pclOut->Add(L";user id=");
    pclOut->Add(_pszOrNULL(piCnx->pszGetUserName()));
    pclOut->Add(L";password=");
    pclOut->Add(_pszOrNULL(piCnx->pszGetPassword()));
    pclOut->Add(L";access=");
    pclOut->Add(piCnx->eGetAccess() == NA_ACCESS_READONLY ? L"R" : L"RW");
    return 1;
}

void CNADriver::bBuildTableIdentification(CTString* pclOut, const wchar_t* pszTable, const wchar_t* pszCnxKey) {
    pclOut->Set(L"Table=");
    pclOut->Add(_pszOrEmpty(pszTable));
    pclOut->Add(L";");
    pclOut->Add(_pszOrEmpty(pszCnxKey));
}

void CNADriver::bBuildQueryIdentification(CTString* pclOut, const wchar_t* pszName, const wchar_t* pszCnxKey,
                                          INAContext* piContext) {
    // The whole 64-bit id: two contexts whose ids agree in their low half must not share their
    // query results.
    wchar_t szId[32];
    swprintf(szId, sizeof(szId) / sizeof(szId[0]), L"%lu", piContext != nullptr ? piContext->nGetContextId() : 0UL);
    pclOut->Set(L"CTX=");
    pclOut->Add(szId);
    pclOut->Add(L";Table=");
    pclOut->Add(_pszOrEmpty(pszName));
    pclOut->Add(L";");
    pclOut->Add(_pszOrEmpty(pszCnxKey));
}

// ---------------------------------------------------------------------------------------------------------------
// Connections

CNAConnectionDescription* CNADriver::_pclFindConnection(const wchar_t* pszKey) {
    CNAConnectionDescription* pclCnx = nullptr;
    m_clConnections.bGet(pszKey, &pclCnx);
    return pclCnx;
}

CNAConnectionDescription* CNADriver::_pclFindConnection(INAConnectionDescription* piCnx) {
    CTString clKey;
    if (!bBuildCnxIdentification(&clKey, piCnx)) return nullptr;
    return _pclFindConnection(clKey.pszGet());
}

CNAConnectionDescription* CNADriver::_pclAddConnection(const wchar_t* pszKey, INAConnectionDescription* piCnx) {
    CNAConnectionDescription* pclCnx = _pclAllocConnectionDescription(pszKey, piCnx);
    if (pclCnx == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
        return nullptr;
    }
    if (!m_clConnections.bSet(pclCnx->pszGetIdentification(), pclCnx)) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclCnx);
        pclCnx->AddRef();
        pclCnx->nRelease();
        return nullptr;
    }
    return pclCnx;
}

CNAConnectionDescription* CNADriver::_pclGetConnection(INAConnectionDescription* piCnx) {
    CTString clKey;
    if (!bBuildCnxIdentification(&clKey, piCnx)) return nullptr;
    CNAConnectionDescription* pclCnx = _pclFindConnection(clKey.pszGet());
    if (pclCnx != nullptr) return pclCnx;
    pclCnx = _pclAddConnection(clKey.pszGet(), piCnx);
    if (pclCnx != nullptr) pclCnx->AddRef();
    return pclCnx;
}

unsigned CNADriver::nReleaseConnection(CNAConnectionDescription* pclCnx) {
    if (pclCnx == nullptr || pclCnx->nGetRef() == 0) return 0;
    // At 0 the description is gone (unless static); above 1 others still use it.
    unsigned nLeft = pclCnx->nRelease();
    if (nLeft != 1) return nLeft;
    if (!pclCnx->bAutoCloseEnabled()) return 1;
    // The last reference must be the registry's own: a description that left the registry (a
    // failed open) may still be held by a table, and a fresh description may be registered under
    // the same text since.
    void* pRegistered = nullptr;
    if (!m_clConnections.bGetElement(pclCnx->pszGetIdentification(), &pRegistered, nullptr) || pRegistered != pclCnx)
        return 1;
    if (pclCnx->bIsOpen()) pclCnx->bClose(m_pclError);
    _bRemoveConnection(pclCnx);
    return 0;
}

bool CNADriver::_bRemoveConnection(CNAConnectionDescription* pclCnx) {
    void* pRegistered = nullptr;
    if (!m_clConnections.bGetElement(pclCnx->pszGetIdentification(), &pRegistered, nullptr) || pRegistered != pclCnx)
        return false;
    // Whatever the opens took goes with the entry: nothing could find the description to give it
    // back afterwards.
    unsigned nOpen = _nForgetOpenReferences(pclCnx);
    pclCnx->AddRef();
    m_clConnections.bRemove(pclCnx->pszGetIdentification());
    for (; nOpen > 0; nOpen--) pclCnx->nRelease();
    pclCnx->nRelease();
    return true;
}

CNAConnectionDescription* CNADriver::pclGetConnectionByID(int nNumber) {
    CNADriverLock clLock;
    unsigned nCursor = 0;
    CNAConnectionDescription* pclCnx = nullptr;
    while (m_clConnections.bParse(&nCursor, &pclCnx, nullptr)) {
        pclCnx->AddRef();
        if (static_cast<int>(pclCnx->nGetCnxNumber()) == nNumber) {
            m_clConnections.StopParsing();
            return pclCnx;
        }
        pclCnx->nRelease();
    }
    return nullptr;
}

CNAConnectionDescription* CNADriver::pclGetConnectionByName(const wchar_t* pszName) {
    CNADriverLock clLock;
    unsigned nCursor = 0;
    CNAConnectionDescription* pclCnx = nullptr;
    while (m_clConnections.bParse(&nCursor, &pclCnx, nullptr)) {
        pclCnx->AddRef();
        if (STR_nEmptyNullCompare(pclCnx->pszGetConnectionName(), pszName, 3) == 0) {
            m_clConnections.StopParsing();
            return pclCnx;
        }
        pclCnx->nRelease();
    }
    return nullptr;
}

void CNADriver::s_ReleaseConnection(CNAConnectionDescription* pclCnx) {
    if (pclCnx == nullptr) return;
    // The host may drop the last hold on a description (and with it on its connection) outside
    // any entry of the driver: the registry is still changed under the lock.
    CNADriverLock clLock;
    if (s_pclDriver != nullptr)
        s_pclDriver->nReleaseConnection(pclCnx);
    else
        pclCnx->nRelease();
}

// ---- the references that opens took

unsigned CNADriver::nGetOpenReferences(CNAConnectionDescription* pclCnx) const {
    void* pCount = nullptr;
    if (!m_clOpenReferences.bGetElement(pclCnx, &pCount, nullptr)) return 0;
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(pCount));
}

bool CNADriver::_bAddOpenReference(CNAConnectionDescription* pclCnx) {
    void** ppCount = m_clOpenReferences.pGetElement(pclCnx);
    if (ppCount != nullptr) {
        *ppCount = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(*ppCount) + 1);
        return true;
    }
    return m_clOpenReferences.bAddElement(pclCnx, reinterpret_cast<void*>(uintptr_t{1})) != 0;
}

bool CNADriver::_bDropOpenReference(CNAConnectionDescription* pclCnx) {
    void** ppCount = m_clOpenReferences.pGetElement(pclCnx);
    if (ppCount == nullptr) return false;
    uintptr_t n = reinterpret_cast<uintptr_t>(*ppCount);
    if (n > 1)
        *ppCount = reinterpret_cast<void*>(n - 1);
    else
        m_clOpenReferences.bDeleteElement(pclCnx, nullptr, nullptr);
    return true;
}

unsigned CNADriver::_nForgetOpenReferences(CNAConnectionDescription* pclCnx) {
    void* pCount = nullptr;
    if (!m_clOpenReferences.bDeleteElement(pclCnx, &pCount, nullptr)) return 0;
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(pCount));
}

// ---------------------------------------------------------------------------------------------------------------
// Tables

CNATable* CNADriver::_pclFindTable(const wchar_t* pszKey) {
    CNATable* pclTable = nullptr;
    m_clTables.bGet(pszKey, &pclTable);
    return pclTable;
}

CNATable* CNADriver::_pclFindTable(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx,
                                   CTString* pclKey) {
    bBuildTableIdentification(pclKey, piDesc != nullptr ? piDesc->pszGetDBTableName() : nullptr,
                              pclCnx->pszGetIdentification());
    return _pclFindTable(pclKey->pszGet());
}

void CNADriver::_AddTable(CNATable* pclTable) {
    void* pRegistered = nullptr;
    if (m_clTables.bGetElement(pclTable->pszGetIdentification(), &pRegistered, nullptr)) return;
    if (!m_clTables.bSet(pclTable->pszGetIdentification(), pclTable) && m_pclError != nullptr)
        m_pclError->SetErrorNoMemory(pclTable->pclGetConnectionNoRef());
}

CNATable* CNADriver::_pclAddTable(const wchar_t* pszKey, INADataSourceDescription* piDesc,
                                  CNAConnectionDescription* pclCnx) {
    CNATable* pclTable = _pclAllocTable(pszKey, piDesc, pclCnx, m_pclError);
    if (pclTable == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclCnx);
        return nullptr;
    }
    _AddTable(pclTable);
    return pclTable;
}

CNATable* CNADriver::_pclGetTable(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx) {
    CTString clKey;
    CNATable* pclTable = _pclFindTable(piDesc, pclCnx, &clKey);
    if (pclTable != nullptr) return pclTable;
    pclTable = _pclAddTable(clKey.pszGet(), piDesc, pclCnx);
    if (pclTable != nullptr) pclTable->AddRef();
    return pclTable;
}

int CNADriver::_bReleaseTable(CNATable* pclTable) {
    CNADriverLock clLock;
    void* pRegistered = nullptr;
    if (!m_clTables.bGetElement(pclTable->pszGetIdentification(), &pRegistered, nullptr) || pRegistered != pclTable)
        return 0;
    return m_clTables.bRemove(pclTable->pszGetIdentification());
}

int CNADriver::_bReleaseTable(INAContext* piContext, CNATable* pclTable) {
    pclTable->bHFerme(piContext);
    return _bReleaseTable(pclTable);
}

unsigned CNADriver::nReleaseTable(CNATable* pclTable) {
    unsigned nLeft = pclTable->nRelease();
    if (nLeft != 1) return nLeft;
    return _bReleaseTable(pclTable) ? 0 : 1;
}

CNATable* CNADriver::pclEnumTableByConnection(unsigned* pnCursor, CNAConnectionDescription* pclCnx) {
    CNADriverLock clLock;
    CNATable* pclTable = nullptr;
    while (m_clTables.bParse(pnCursor, &pclTable, nullptr)) {
        if (pclTable->pclGetConnectionNoRef() == pclCnx) {
            m_clTables.StopParsing();
            pclTable->AddRef();
            return pclTable;
        }
    }
    return nullptr;
}

void CNADriver::_SetTransactionTermined(CNAConnectionDescription* pclCnx) {
    unsigned nCursor = 0;
    CNATable* pclTable = nullptr;
    while (m_clTables.bParse(&nCursor, &pclTable, nullptr)) {
        if (pclTable->pclGetConnectionNoRef() != pclCnx) continue;
        pclTable->AddRef();
        pclTable->SetTransactionTermined();
        pclTable->nRelease();
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Contexts

CNAContext* CNADriver::pclFindContext(INAContext* piContext) {
    CNADriverLock clLock;
    CNAContext* pclContext = nullptr;
    if (piContext != nullptr) m_clContexts.bGet(piContext->nGetContextId(), &pclContext);
    return pclContext;
}

int CNADriver::__AddContext(INAContext* piContext, CNAContext* pclContext) {
    pclContext->SetContextId(piContext->nGetContextId());
    return m_clContexts.bSet(pclContext->nGetContextId(), pclContext);
}

CNAContext* CNADriver::_pclAddContext(INAContext* piContext) {
    CNAContext* pclContext = pclAllocContext();
    if (pclContext == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
        return nullptr;
    }
    if (!__AddContext(piContext, pclContext)) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
        pclContext->AddRef();
        pclContext->nRelease();
        return nullptr;
    }
    pclContext->AddRef();
    return pclContext;
}

CNAContext* CNADriver::pclGetContext(INAContext* piContext, int* pbCreated) {
    CNADriverLock clLock;
    if (pbCreated != nullptr) *pbCreated = 0;
    if (piContext == nullptr) return nullptr;
    CNAContext* pclContext = pclFindContext(piContext);
    if (pclContext != nullptr) return pclContext;
    pclContext = _pclAddContext(piContext);
    if (pclContext != nullptr && pbCreated != nullptr) *pbCreated = 1;
    return pclContext;
}

unsigned CNADriver::nReleaseContext(INAContext*, CNAContext* pclContext) {
    CNADriverLock clLock;
    if (pclContext == nullptr) return 0;
    unsigned nLeft = pclContext->nRelease();
    // At 0 it is gone (it was not registered); otherwise one that holds no access leaves the
    // registry, when it is the one registered under its id.
    if (nLeft == 0 || pclContext->nGetNbDataAccess() != 0) return nLeft;
    CNAContext* pclRegistered = nullptr;
    void* pValue = nullptr;
    if (m_clContexts.bGetElement(CNARefHashTable<unsigned long, CNAContext*>::_pvCle(pclContext->nGetContextId()),
                                 &pValue, nullptr))
        pclRegistered = static_cast<CNAContext*>(pValue);
    if (pclRegistered != pclContext) return nLeft;
    m_clContexts.bRemove(pclContext->nGetContextId());
    return 0;
}
