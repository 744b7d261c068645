// CHostScript: the host program's operations, each through the table object, the driver object or
// its SQL-command interface, and the printing of their results.
#include "tools/kxhost/HostScript.h"

#include <cstdio>
#include <cstring>

#include "native/model/NAYFRecord.h"
#include "pgsql/INADriverSQL.h"
#include "tools/kxhost/HostValueText.h"
#include "variant/Any.h"

namespace {

// Directions of a browse.
constexpr int DIRECTION_FIRST = 0;
constexpr int DIRECTION_LAST = 1;
constexpr int DIRECTION_NEXT = 2;
constexpr int DIRECTION_PREVIOUS = 3;

// The interface id of the SQL-command driver.
constexpr int INTERFACE_DRIVERSQL = 1;

const eNA_LOCKTYPE LOCK_NONE = static_cast<eNA_LOCKTYPE>(0);

// The options of a count that asks for the number of records (without them the answer is 0).
constexpr unsigned COUNT_OPTIONS = 16;

void Print(const std::wstring& ws) {
    fputs(g_sToUtf8(ws).c_str(), stdout);
    fputc('\n', stdout);
}

// The item type's name as the host program shows it.
const wchar_t* pszTypeName(eNA_ITEMTYPE eType) {
    static const wchar_t* const s_apszNames[] = {
        L"empty",    L"auto id",   L"text",      L"int2",     L"int1",         L"int4",      L"real4",
        L"real8",    L"type 8",    L"uint2",     L"date6",    L"time",         L"uint1",     L"real",
        L"date",     L"memo text", L"memo bin4", L"money",    L"memo binary",  L"int8",      L"uint8",
        L"image",    L"uint4",     L"binary",    L"datetime", L"duration",     L"char",      L"boolean",
        L"auto id4", L"unicode",   L"memo unicode", L"decimal",
    };
    return eType < sizeof(s_apszNames) / sizeof(s_apszNames[0]) ? s_apszNames[eType] : L"?";
}

}  // namespace

std::vector<std::wstring> g_asSplitWords(const std::wstring& wsLine, std::wstring* pwsRest,
                                         std::vector<bool>* pabQuoted) {
    std::vector<std::wstring> asWords;
    size_t n = 0;
    const size_t nSize = wsLine.size();
    while (true) {
        while (n < nSize && iswspace(wsLine[n])) n++;
        if (n >= nSize) break;
        if (asWords.size() == 1 && pwsRest != nullptr) *pwsRest = wsLine.substr(n);
        std::wstring ws;
        bool bQuoted = false;
        while (n < nSize && !iswspace(wsLine[n])) {
            if (wsLine[n] == L'\'') {
                bQuoted = true;
                for (n++; n < nSize; n++) {
                    if (wsLine[n] == L'\'') {
                        if (n + 1 < nSize && wsLine[n + 1] == L'\'') {
                            ws += L'\'';
                            n++;
                            continue;
                        }
                        break;
                    }
                    ws += wsLine[n];
                }
                n++;
                continue;
            }
            ws += wsLine[n++];
        }
        asWords.push_back(ws);
        if (pabQuoted != nullptr) pabQuoted->push_back(bQuoted);
    }
    return asWords;
}

CHostScript::~CHostScript() {
    if (m_piSQL != nullptr) {
        if (m_nSQLConnection != 0) m_piSQL->bCloseConnection(m_nSQLConnection);
        m_piSQL->nExternalRelease();
    }
}

bool CHostScript::bRunLine(const std::string& sLine) {
    std::wstring wsLine = g_wsFromUtf8(sLine);
    while (!wsLine.empty() && iswspace(wsLine.back())) wsLine.pop_back();
    size_t nStart = 0;
    while (nStart < wsLine.size() && iswspace(wsLine[nStart])) nStart++;
    wsLine = wsLine.substr(nStart);
    if (wsLine.empty() || wsLine[0] == L'#') return true;
    const bool bExpectFailure = wsLine[0] == L'!';
    if (bExpectFailure) {
        wsLine = wsLine.substr(1);
        while (!wsLine.empty() && iswspace(wsLine[0])) wsLine.erase(0, 1);
    }
    // The operation is shown before its result; an echo is its own text.
    if (wsLine.rfind(L"echo", 0) != 0 || (wsLine.size() > 4 && !iswspace(wsLine[4]))) Print(L"> " + wsLine);
    std::wstring wsRest;
    std::vector<bool> abQuoted;
    const std::vector<std::wstring> asWords = g_asSplitWords(wsLine, &wsRest, &abQuoted);
    m_wsError.clear();
    const bool bOk = _bRun(asWords, abQuoted, wsRest);
    if (bOk && bExpectFailure) {
        Print(L"(succeeded, a failure was expected)");
        return false;
    }
    if (bOk) return true;
    fflush(stdout);
    fprintf(stderr, "%s\n", g_sToUtf8(m_wsError).c_str());
    fflush(stderr);
    return bExpectFailure;
}

bool CHostScript::_bRun(const std::vector<std::wstring>& asWords, const std::vector<bool>& abQuoted,
                        const std::wstring& wsRest) {
    const std::wstring& wsOp = asWords[0];
    auto bArguments = [&](size_t nMin, size_t nMax) {
        if (asWords.size() - 1 < nMin || asWords.size() - 1 > nMax) {
            m_wsError = L"kxhost: wrong number of arguments for " + wsOp;
            return false;
        }
        return true;
    };
    INADriver* piDriver = m_pclHost->piGetDriver();
    if (wsOp == L"echo") {
        Print(wsRest);
        return true;
    }
    if (wsOp == L"begin" || wsOp == L"commit" || wsOp == L"rollback") {
        if (!bArguments(0, 0) || !m_pclHost->bOpenConnection(&m_wsError)) return false;
        INAConnectionDescription* piCnx = m_pclHost->piGetConnection();
        const int bOk = wsOp == L"begin"    ? piDriver->bTransactionBegin(piCnx, nullptr)
                        : wsOp == L"commit" ? piDriver->bTransactionCommit(piCnx, nullptr)
                                            : piDriver->bTransactionRollBack(piCnx, nullptr);
        if (!bOk) m_wsError = m_pclHost->wsDriverError();
        return bOk != 0;
    }
    if (wsOp == L"sql") {
        if (wsRest.empty()) return bArguments(1, 1);
        return _bSQL(wsRest);
    }

    // Table operations.
    if (asWords.size() < 2) {
        m_wsError = L"kxhost: unknown operation or no table: " + wsOp;
        return false;
    }
    static const wchar_t* const s_apszTableOps[] = {L"describe", L"first",  L"last",     L"next",  L"previous",
                                                    L"seek",     L"seekprefix", L"filter", L"unfilter", L"count",
                                                    L"add",      L"modify", L"delete"};
    bool bKnown = false;
    for (const wchar_t* psz : s_apszTableOps) bKnown = bKnown || wsOp == psz;
    if (!bKnown) {
        m_wsError = L"kxhost: unknown operation: " + wsOp;
        return false;
    }
    stHostTable* pst = m_pclHost->pstTable(asWords[1], &m_wsError);
    if (pst == nullptr) return false;
    if (wsOp == L"describe") return bArguments(1, 1) && _bDescribe(pst);
    if (wsOp == L"first" || wsOp == L"last")
        return bArguments(2, 2) && _bRead(pst, asWords[2], wsOp == L"first" ? DIRECTION_FIRST : DIRECTION_LAST, 1);
    if (wsOp == L"next" || wsOp == L"previous") {
        if (!bArguments(2, 3)) return false;
        const long nCount = asWords.size() > 3 ? wcstol(asWords[3].c_str(), nullptr, 10) : 1;
        return _bRead(pst, asWords[2], wsOp == L"next" ? DIRECTION_NEXT : DIRECTION_PREVIOUS, nCount);
    }
    if (wsOp == L"seek" || wsOp == L"seekprefix")
        return bArguments(3, 64) && _bSeek(pst, asWords[2], std::vector<std::wstring>(asWords.begin() + 3, asWords.end()),
                                           std::vector<bool>(abQuoted.begin() + 3, abQuoted.end()),
                                           wsOp == L"seekprefix");
    if (wsOp == L"filter") return bArguments(4, 4) && _bFilter(pst, asWords[2], asWords[3], asWords[4]);
    if (wsOp == L"unfilter") {
        if (!bArguments(2, 2) || _piItem(pst, asWords[2]) == nullptr) return false;
        if (!pst->piTable->bHDesactiveFiltre(CDriverHost::s_piGetContext(pst), asWords[2].c_str(), 0))
            return _bTableFailed(pst);
        return true;
    }
    if (wsOp == L"count") return bArguments(1, 1) && _bCount(pst);
    if (wsOp == L"add" || wsOp == L"modify")
        return _bWrite(pst, std::vector<std::wstring>(asWords.begin() + 2, asWords.end()),
                       std::vector<bool>(abQuoted.begin() + 2, abQuoted.end()), wsOp == L"add");
    // delete
    if (!bArguments(1, 1)) return false;
    if (!pst->piTable->bHSupprime(CDriverHost::s_piGetContext(pst), 0, LOCK_NONE)) return _bTableFailed(pst);
    Print(L"(deleted)");
    return true;
}

bool CHostScript::_bTableFailed(stHostTable* pst) {
    m_wsError = m_pclHost->wsTableError(pst);
    return false;
}

INAItemDescription* CHostScript::_piItem(stHostTable* pst, const std::wstring& wsItem, size_t* pnIndex) {
    for (size_t n = 0; n < pst->apiItems.size(); n++) {
        if (wcscasecmp(pst->apiItems[n]->pszGetName(), wsItem.c_str()) == 0) {
            if (pnIndex != nullptr) *pnIndex = n;
            return pst->apiItems[n];
        }
    }
    m_wsError = L"kxhost: table " + pst->wsName + L" has no item " + wsItem;
    return nullptr;
}

unsigned short CHostScript::_nItemType(stHostTable* pst, size_t nItem) {
    return s_nItemType(pst->apiItems[nItem]);
}

unsigned short CHostScript::s_nItemType(const INAItemDescription* piItem) {
    // The default value carries the item's type, NULL or not.
    const CAny* pclDefault = piItem->pclGetDefaultValue(0);
    return pclDefault != nullptr ? pclDefault->nGetTypeCode() : static_cast<unsigned short>(VQTYPE_DSTRW);
}

bool CHostScript::_bValue(const INAItemDescription* piItem, const std::wstring& wsText, bool bNull, CAny* pclValue) {
    std::wstring wsReason;
    if (g_bValueFromText(pclValue, s_nItemType(piItem), wsText, bNull, &wsReason)) return true;
    m_wsError = L"kxhost: item " + std::wstring(piItem->pszGetName()) + L" (" + pszTypeName(piItem->eNAGetItemType()) +
                L"): '" + wsText + L"' is " + wsReason;
    return false;
}

bool CHostScript::_bCompositeValue(stHostTable* pst, INAItemDescription* piItem,
                                   const std::vector<std::wstring>& asValues, const std::vector<bool>& abQuoted,
                                   CAny* pclValue) {
    const int nComponents = piItem->nGetNumComponents();
    if (asValues.empty() || static_cast<int>(asValues.size()) > nComponents) {
        m_wsError = L"kxhost: the composite key " + std::wstring(piItem->pszGetName()) + L" takes 1 to " +
                    std::to_wstring(nComponents) + L" values, one per component";
        return false;
    }
    // Each component's value goes through a scratch copy of the record, which makes its image.
    CNAYFRecord* pclRecord = nullptr;
    if (!pst->piTable->bGetRecord(CDriverHost::s_piGetContext(pst), &pclRecord) || pclRecord == nullptr)
        return _bTableFailed(pst);
    CNAYFRecord* pclScratch = pclRecord->vpclGetClone();
    pclRecord->nRelease();
    if (pclScratch == nullptr) {
        m_wsError = L"kxhost: out of memory";
        return false;
    }
    pclScratch->AddRef();  // a clone starts without a holder
    std::string sBytes;
    bool bOk = true;
    for (size_t k = 0; k < asValues.size() && bOk; k++) {
        INAItemDescription* piComponent = piItem->piGetItemComponent(static_cast<int>(k) + 1);
        if (piComponent == nullptr) {
            m_wsError = L"kxhost: no component " + std::to_wstring(k + 1) + L" in " + piItem->pszGetName();
            bOk = false;
            break;
        }
        CAny clValue;
        bOk = _bValue(piComponent, asValues[k], asValues[k] == L"NULL" && !abQuoted[k], &clValue);
        if (bOk && !pclScratch->vSetItemValue(piComponent, &clValue, 0)) {
            m_wsError = L"kxhost: item " + std::wstring(piComponent->pszGetName()) + L": '" + asValues[k] +
                        L"' does not convert to the item's type";
            bOk = false;
        }
        if (bOk) {
            const unsigned char* pby = pclScratch->pbyGetItemValue(piComponent, 0);
            unsigned long nBytes = CNAYFRecord::s_nGetSlotSize(piComponent, 0);
            const eNA_ITEMTYPE eType = piComponent->eNAGetItemType();
            // A text component is as wide as its characters; the slot's terminator is not part of it.
            if (eType == NA_IT_TEXTE) nBytes = piComponent->nGetLogicalSize(0);
            if (eType == NA_IT_UNICODE) nBytes = piComponent->nGetLogicalSize(0) * 2;
            if (pby != nullptr) sBytes.append(reinterpret_cast<const char*>(pby), nBytes);
        }
        piComponent->nExternalRelease();
    }
    pclScratch->nRelease();
    if (!bOk) return false;
    pclValue->SetBIN(reinterpret_cast<const unsigned char*>(sBytes.data()), sBytes.size());
    return true;
}

bool CHostScript::_bSearchValue(stHostTable* pst, INAItemDescription* piItem, const std::vector<std::wstring>& asValues,
                                const std::vector<bool>& abQuoted, CAny* pclValue) {
    if (piItem->bIsComposedKey()) return _bCompositeValue(pst, piItem, asValues, abQuoted, pclValue);
    if (asValues.size() != 1) {
        m_wsError = L"kxhost: item " + std::wstring(piItem->pszGetName()) + L" takes one value";
        return false;
    }
    return _bValue(piItem, asValues[0], asValues[0] == L"NULL" && !abQuoted[0], pclValue);
}

bool CHostScript::_bDescribe(stHostTable* pst) {
    Print(L"item|type|size|key");
    for (INAItemDescription* piItem : pst->apiItems) {
        const wchar_t* pszKey = !piItem->bIsKey()       ? L""
                                : piItem->bPrimary()    ? L"primary"
                                : piItem->bUnique()     ? L"unique"
                                                        : L"duplicates";
        if (piItem->bIsComposedKey()) {
            std::wstring wsComponents;
            for (int k = 1; k <= piItem->nGetNumComponents(); k++) {
                INAItemDescription* piComponent = piItem->piGetItemComponent(k);
                if (piComponent == nullptr) continue;
                wsComponents += (k > 1 ? L"," : L"") + std::wstring(piComponent->pszGetName());
                piComponent->nExternalRelease();
            }
            Print(std::wstring(piItem->pszGetName()) + L"|composite (" + wsComponents + L")|" +
                  std::to_wstring(piItem->nGetItemSize()) + L"|" + pszKey);
            continue;
        }
        Print(std::wstring(piItem->pszGetName()) + L"|" + pszTypeName(piItem->eNAGetItemType()) + L"|" +
              std::to_wstring(piItem->nGetItemSize()) + L"|" + pszKey);
    }
    return true;
}

void CHostScript::_PrintHeader(stHostTable* pst) {
    // The composite keys are no columns of their own: rows show their components.
    std::wstring ws;
    for (size_t n = 0; n < pst->apiItems.size(); n++)
        if (!pst->apiItems[n]->bIsComposedKey())
            ws += (ws.empty() ? L"" : L"|") + std::wstring(pst->apiItems[n]->pszGetName());
    Print(ws);
}

bool CHostScript::_bPrintCurrentRecord(stHostTable* pst) {
    INAContext* piContext = CDriverHost::s_piGetContext(pst);
    CNAYFRecord* pclRecord = nullptr;
    if (!pst->piTable->bGetRecord(piContext, &pclRecord) || pclRecord == nullptr) return _bTableFailed(pst);
    std::wstring ws;
    bool bOk = true, bFirst = true;
    for (size_t n = 0; n < pst->apiItems.size() && bOk; n++) {
        if (pst->apiItems[n]->bIsComposedKey()) continue;
        CAny clValue;
        bOk = m_pclHost->bReadItem(pst, pclRecord, n, &clValue);
        if (!bFirst) ws += L"|";
        bFirst = false;
        ws += clValue.bIsNull() ? m_wsNull : g_wsValueText(clValue, pst->apiItems[n]);
    }
    pclRecord->nRelease();
    if (!bOk) return _bTableFailed(pst);
    Print(ws);
    return true;
}

bool CHostScript::_bRead(stHostTable* pst, const std::wstring& wsItem, int eDirection, long nCount) {
    if (_piItem(pst, wsItem) == nullptr) return false;
    INAContext* piContext = CDriverHost::s_piGetContext(pst);
    _PrintHeader(pst);
    for (long n = 0; n < nCount; n++) {
        eNA_LOCKTYPE eLockOut = LOCK_NONE;
        if (!pst->piTable->bHLitxxx(piContext, wsItem.c_str(), static_cast<eNA_PARSEDIRECTION>(eDirection), 1,
                                    LOCK_NONE, &eLockOut, 0))
            return _bTableFailed(pst);
        int bOut = 0;
        if (!pst->piTable->bHEnDehors(piContext, wsItem.c_str(), &bOut)) return _bTableFailed(pst);
        if (bOut) {
            Print(L"(end of file)");
            return true;
        }
        if (!_bPrintCurrentRecord(pst)) return false;
    }
    return true;
}

bool CHostScript::_bSeek(stHostTable* pst, const std::wstring& wsItem, const std::vector<std::wstring>& asValues,
                         const std::vector<bool>& abQuoted, int bGeneric) {
    INAItemDescription* piItem = _piItem(pst, wsItem);
    if (piItem == nullptr) return false;
    CAny clValue;
    if (!_bSearchValue(pst, piItem, asValues, abQuoted, &clValue)) return false;
    // Fewer values than components: the records that start with them.
    if (piItem->bIsComposedKey() && static_cast<int>(asValues.size()) < piItem->nGetNumComponents()) bGeneric = 1;
    INAContext* piContext = CDriverHost::s_piGetContext(pst);
    eNA_LOCKTYPE eLockOut = LOCK_NONE;
    if (!pst->piTable->bHRecherche(piContext, wsItem.c_str(), &clValue, bGeneric, 1, LOCK_NONE, &eLockOut, 1, 0))
        return _bTableFailed(pst);
    int bFound = 0, bInside = 0;
    if (!pst->piTable->bEvalHTrouve(piContext, wsItem.c_str(), &bFound, &bInside)) return _bTableFailed(pst);
    _PrintHeader(pst);
    if (!bFound) {
        Print(L"(not found)");
        return true;
    }
    return _bPrintCurrentRecord(pst);
}

bool CHostScript::_bFilter(stHostTable* pst, const std::wstring& wsItem, const std::wstring& wsLow,
                           const std::wstring& wsHigh) {
    INAItemDescription* piItem = _piItem(pst, wsItem);
    if (piItem == nullptr) return false;
    // A composite key's bounds: its components joined by ",".
    auto asParts = [&](const std::wstring& ws) {
        std::vector<std::wstring> as;
        if (!piItem->bIsComposedKey()) return std::vector<std::wstring>{ws};
        size_t nStart = 0;
        for (size_t n; (n = ws.find(L',', nStart)) != std::wstring::npos; nStart = n + 1) as.push_back(ws.substr(nStart, n - nStart));
        as.push_back(ws.substr(nStart));
        return as;
    };
    const std::vector<std::wstring> asLow = asParts(wsLow), asHigh = asParts(wsHigh);
    CAny clLow, clHigh;
    if (!_bSearchValue(pst, piItem, asLow, std::vector<bool>(asLow.size(), false), &clLow) ||
        !_bSearchValue(pst, piItem, asHigh, std::vector<bool>(asHigh.size(), false), &clHigh))
        return false;
    if (!pst->piTable->bHFiltre(CDriverHost::s_piGetContext(pst), wsItem.c_str(), &clLow, 1, &clHigh, 1, nullptr))
        return _bTableFailed(pst);
    Print(L"(filter on " + wsItem + L")");
    return true;
}

bool CHostScript::_bCount(stHostTable* pst) {
    long nCount = 0;
    if (!pst->piTable->bHNbEnr(CDriverHost::s_piGetContext(pst), &nCount, COUNT_OPTIONS, 0)) return _bTableFailed(pst);
    Print(L"count");
    Print(std::to_wstring(nCount));
    return true;
}

bool CHostScript::_bWrite(stHostTable* pst, const std::vector<std::wstring>& asAssignments,
                          const std::vector<bool>& abQuoted, bool bAdd) {
    // The values first, so that a mistake in the script changes nothing.
    std::vector<std::pair<size_t, CAny>> aValues;
    aValues.reserve(asAssignments.size());
    for (size_t a = 0; a < asAssignments.size(); a++) {
        const std::wstring& ws = asAssignments[a];
        const size_t nEqual = ws.find(L'=');
        if (nEqual == std::wstring::npos) {
            m_wsError = L"kxhost: not ITEM=VALUE: " + ws;
            return false;
        }
        size_t nItem = 0;
        INAItemDescription* piItem = _piItem(pst, ws.substr(0, nEqual), &nItem);
        if (piItem == nullptr) return false;
        if (piItem->bIsComposedKey()) {
            m_wsError = L"kxhost: " + ws.substr(0, nEqual) + L" is a composite key: write its components";
            return false;
        }
        const std::wstring wsValue = ws.substr(nEqual + 1);
        aValues.emplace_back(nItem, CAny());
        if (!_bValue(piItem, wsValue, wsValue == L"NULL" && !abQuoted[a], &aValues.back().second)) return false;
    }
    INAContext* piContext = CDriverHost::s_piGetContext(pst);
    CNAYFRecord* pclRecord = nullptr;
    if (!pst->piTable->bGetRecord(piContext, &pclRecord) || pclRecord == nullptr) return _bTableFailed(pst);
    auto bFail = [&](const std::wstring& wsError) {
        pclRecord->nRelease();
        m_wsError = wsError;
        return false;
    };
    if (bAdd) {
        // A new record starts as the host starts one: every item holds its default value and none
        // is marked as set, so that what the script does not write is left to the server.
        for (size_t n = 0; n < pst->apiItems.size(); n++)
            if (pst->anMemo[n] < 0 && !pst->apiItems[n]->bIsComposedKey())
                pclRecord->vSetItemValueDefined(pst->apiItems[n], 0, 0);
        const std::string sMarks(reinterpret_cast<const char*>(pclRecord->pbyGetNullValuesFlags()),
                                 pclRecord->nGetFlagFieldSize());
        for (size_t n = 0; n < pst->apiItems.size(); n++) {
            if (pst->anMemo[n] >= 0 || pst->apiItems[n]->bIsComposedKey()) continue;
            const CAny* pclDefault = pst->apiItems[n]->pclGetDefaultValue(0);
            if (pclDefault != nullptr && !pclDefault->bIsNull() && pclDefault->nGetTypeCode() != VQTYPE_VIDE)
                pclRecord->vSetItemValue(pst->apiItems[n], pclDefault, 0);
        }
        memcpy(pclRecord->pbyGetNullValuesFlags(), sMarks.data(), sMarks.size());
    }
    for (auto& [nItem, clValue] : aValues) {
        if (pst->anMemo[nItem] >= 0) continue;
        if (clValue.bIsNull()) {
            // NULL written is a value the host sets: the item is marked and its slot cleared.
            pclRecord->vSetItemValueDefined(pst->apiItems[nItem], 0, 0);
        } else if (!pclRecord->vSetItemValue(pst->apiItems[nItem], &clValue, 0)) {
            std::wstring wsText;
            for (const std::wstring& ws : asAssignments) {
                const size_t nEqual = ws.find(L'=');
                if (wcscasecmp(ws.substr(0, nEqual).c_str(), pst->apiItems[nItem]->pszGetName()) == 0)
                    wsText = ws.substr(nEqual + 1);
            }
            return bFail(L"kxhost: item " + std::wstring(pst->apiItems[nItem]->pszGetName()) + L" (" +
                         pszTypeName(pst->apiItems[nItem]->eNAGetItemType()) + L"): '" + wsText +
                         L"' does not convert to the item's type");
        }
    }
    // The table takes the record's reference.
    if (!pst->piTable->bSetRecord(piContext, pclRecord)) return _bTableFailed(pst);
    for (size_t n = 0; n < pst->apiItems.size(); n++) {
        if (pst->anMemo[n] < 0) continue;
        CAny clValue;
        bool bGiven = false;
        for (auto& [nItem, cl] : aValues)
            if (nItem == n) {
                clValue = cl;
                bGiven = true;
            }
        if (!bGiven && !bAdd) continue;
        if (!bGiven) {
            clValue.__SetType(_nItemType(pst, n), 0);
            clValue.SetNull(1);
        }
        if (!pst->piTable->bSetBLOB(piContext, static_cast<unsigned>(pst->anMemo[n]), &clValue))
            return _bTableFailed(pst);
    }
    const int bOk = bAdd ? pst->piTable->bHAjoute(piContext, 0, LOCK_NONE)
                         : pst->piTable->bHModifie(piContext, 0, 0, LOCK_NONE);
    if (!bOk) return _bTableFailed(pst);
    _PrintHeader(pst);
    return _bPrintCurrentRecord(pst);
}

bool CHostScript::_bSQL(const std::wstring& wsText) {
    INADriver* piDriver = m_pclHost->piGetDriver();
    if (m_piSQL == nullptr) {
        m_piSQL = piDriver->piGetInterface(INTERFACE_DRIVERSQL);
        if (m_piSQL == nullptr) {
            m_wsError = m_pclHost->wsDriverError();
            return false;
        }
    }
    if (m_nSQLConnection == 0 && !m_piSQL->bOpenConnection(&m_nSQLConnection, m_pclHost->piGetConnection())) {
        m_wsError = CDriverHost::s_wsErrorText(m_piSQL->piGetLastError());
        return false;
    }
    int nStatement = 0;
    if (!m_piSQL->bExecute(&nStatement, m_nSQLConnection, wsText.c_str(), nullptr, 0)) {
        m_wsError = CDriverHost::s_wsErrorText(m_piSQL->piGetLastError());
        if (nStatement != 0) m_piSQL->bFreeStmt(m_nSQLConnection, nStatement, 0);
        return false;
    }
    bool bOk = true;
    int nColumns = 0;
    if (!m_piSQL->bGetColumnNbr(&nColumns, m_nSQLConnection, nStatement, 0)) nColumns = 0;
    if (nColumns > 0) {
        std::wstring wsHeader;
        for (int n = 1; n <= nColumns; n++) {
            CAny clName;
            m_piSQL->bGetColumnName(&clName, m_nSQLConnection, nStatement, static_cast<unsigned>(n), 0);
            wsHeader += (n > 1 ? L"|" : L"") + g_wsValueText(clName, nullptr);
        }
        Print(wsHeader);
        while (m_piSQL->bFetch(m_nSQLConnection, nStatement, 0)) {
            std::wstring wsRow;
            for (int n = 1; n <= nColumns; n++) {
                CAny clValue;
                if (!m_piSQL->bGetValue(&clValue, m_nSQLConnection, nStatement, static_cast<unsigned>(n), 0)) {
                    bOk = false;
                    break;
                }
                wsRow += (n > 1 ? L"|" : L"") + (clValue.bIsNull() ? m_wsNull : g_wsValueText(clValue, nullptr));
            }
            if (!bOk) break;
            Print(wsRow);
        }
        const INAError* piError = m_piSQL->piGetLastError();
        if (bOk && piError != nullptr && piError->dwGetErrorId() != 0) bOk = false;
        if (!bOk) m_wsError = CDriverHost::s_wsErrorText(m_piSQL->piGetLastError());
    } else {
        Print(L"(done)");
    }
    m_piSQL->bFreeStmt(m_nSQLConnection, nStatement, 0);
    return bOk;
}
