// CNARecherche: the conditions of one comparison. A simple item gives one leaf (or, for a bound
// of a range or a prefix, the pair of leaves that express it); a composite key, or the current
// record designated by several columns, gives one condition per component: all equal, or the
// lexicographic order (k1 > a) OR (k1 = a AND k2 > b) for a comparison. A value of a composite key
// comes from the host as the components' bytes one after another; they are read here, never past
// the bytes given.
#include <cstring>
#include <new>

#include "core/STRCompare.h"
#include "core/XYString.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/ColumnNullValueExcluded.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/sql/NARecherche.h"
#include "variant/Any.h"

namespace {

bool _bNarrowText(unsigned short n) {
    return n == 17 || n == 18 || n == 19 || (n >= 21 && n <= 23) || n == 134;
}
bool _bWideText(unsigned short n) {
    return n == 16 || n == 20 || n == 81 || n == 110;
}
// The text types of a bound's extreme value (dates and times held as text included).
bool _bBoundText(unsigned short n) {
    return (n >= 16 && n <= 25) || n == 81 || n == 110 || n == 128 || n == 129 || n == 134;
}

bool _bTextItem(eNA_ITEMTYPE e) {
    return e == NA_IT_TEXTE || e == NA_IT_MEMOTEXTE || e == NA_IT_CHAR || e == NA_IT_UNICODE || e == NA_IT_MEMOUNICODE;
}
bool _bDateTimeItem(eNA_ITEMTYPE e) {
    return e == NA_IT_DATE6 || e == NA_IT_HEURE || e == NA_IT_DATE8 || e == NA_IT_DATETIME;
}

// The stored text of a value (8-bit or wide) and its length, for the tests on its last character.
struct stText {
    const char* pszA = nullptr;
    const wchar_t* pszW = nullptr;
    unsigned long n = 0;
};
bool _bText(const CAny& cl, stText* pst) {
    if (cl.bIsNull()) return false;
    const unsigned short nType = cl.nGetTypeCode();
    unsigned long n = 0;
    if (_bNarrowText(nType) || nType == VQTYPE_DATEA || nType == VQTYPE_TIMEA) {
        if (cl.pclGetValeur()->nGetPCASTR(&pst->pszA) != 0 || pst->pszA == nullptr) return false;
    } else if (_bWideText(nType) || nType == VQTYPE_DATEW || nType == VQTYPE_TIMEW) {
        if (cl.pclGetValeur()->nGetPCWSTR(&pst->pszW) != 0 || pst->pszW == nullptr) return false;
    } else {
        return false;
    }
    cl.pclGetValeur()->nGetSTRLEN(&n);
    pst->n = n;
    return true;
}

// The value with its last character removed, in the same type.
void _DropLastCharacter(CAny* pcl, const stText& st) {
    const unsigned short nType = pcl->nGetTypeCode();
    if (st.n == 0) return;
    CAny clShort;
    clShort.__SetType(nType, 0);
    if (st.pszA != nullptr)
        clShort.pclGetValeur()->SetValue(st.pszA, st.n - 1);
    else
        clShort.pclGetValeur()->SetValue(st.pszW, (st.n - 1) * sizeof(wchar_t));
    *pcl = clShort;
}

// Owned arrays of the components of a condition and of their values.
struct stComponents {
    CNAColumn** ppclColumns = nullptr;  // held by the record
    CAny* pclValues = nullptr;
    int nColumns = 0;
    int nValues = 0;

    bool bAlloc(int n) {
        ppclColumns = new (std::nothrow) CNAColumn*[n > 0 ? n : 1];
        pclValues = new (std::nothrow) CAny[n > 0 ? n : 1];
        return ppclColumns != nullptr && pclValues != nullptr;
    }
    ~stComponents() {
        delete[] ppclColumns;
        delete[] pclValues;
    }
};

}  // namespace

// ---------------------------------------------------------------------------------- one comparison

CNAExpression* CNARecherche::_pclAddExpression(CNARecord* pclRecord, INAItemDescription* piItem, eNAOperator eOp,
                                               const CAny* pclValue, unsigned nFlags,
                                               const CNARefArray<CNAColumn>* pclColumns) {
    CNAColumn* pclColumn = pclRecord != nullptr ? pclRecord->pclGetColumnNoRef(piItem) : nullptr;
    if (pclColumn == nullptr) return nullptr;
    if ((nFlags & (NARECH_CURRENTRECORD | NARECH_FROMRECORD)) == 0 &&
        CNAExpression::s_bExpressionTrue(eOp, m_pclConnection, pclValue))
        return nullptr;
    if ((nFlags & NARECH_CURRENTRECORD) == 0) {
        if (pclColumn->bIsComposedKey())
            return _pclAddExpressionComposite(pclRecord, pclColumn, eOp, pclValue, nFlags, pclColumns);
        return _pclAddExpressionOneItem(pclRecord, pclColumn, eOp, pclValue, nFlags);
    }
    if (piItem->bUnique() && !pclColumn->bIsComposedKey() && pclColumn->bValueDefined())
        return _pclAddExpressionOneItem(pclRecord, pclColumn, eOp, pclValue, nFlags);
    if (eOp == NAOP_EQUAL) {
        CNAColumn* pclUnique = pclRecord->pclGetUniqueKeyNotNullNoRef();
        if (pclUnique != nullptr && !pclUnique->bIsComposedKey())
            return _pclAddExpressionOneItem(pclRecord, pclUnique, eOp, pclValue, nFlags);
        if (pclUnique != nullptr)
            return _pclAddExpressionComposite(pclRecord, pclUnique, eOp, pclValue, nFlags, pclColumns);
    }
    return _pclAddExpressionComposite(pclRecord, pclColumn, eOp, pclValue, nFlags, pclColumns);
}

CNAExpression* CNARecherche::_pclAddExpressionOneItem(CNARecord* pclRecord, CNAColumn* pclColumn, eNAOperator eOp,
                                                      const CAny* pclValue, unsigned nFlags) {
    CAny clValue;
    if (nFlags & (NARECH_CURRENTRECORD | NARECH_FROMRECORD)) {
        if (!pclColumn->bGetCurrentValue(&clValue, 0)) return nullptr;
    } else if (pclValue != nullptr) {
        clValue = *pclValue;
    }
    CNAColumn* apclColumn[1] = {pclColumn};
    if ((nFlags & NARECH_BOUND) == 0) {
        // A text that ends with its terminator is a whole value, not a prefix.
        stText st;
        if (_bText(clValue, &st) && st.n > 0 && (st.pszA != nullptr ? st.pszA[st.n - 1] == 0 : st.pszW[st.n - 1] == 0))
            nFlags &= ~NARECH_GENERIC;
        return _pclAddKeyExpression(pclRecord, apclColumn, &clValue, 1, nullptr, 0, 0, eOp, nFlags, NAOP_AND);
    }
    // A bound of a range: the type's extreme values bound nothing; the largest text is read as the
    // prefix it stands for.
    enum { PLAIN, NOBOUND, PREFIX } eKind = PLAIN;
    const eNA_CHECKVALUE eCheck = eCheckValue(&clValue);
    CAny clBound(clValue);
    if (eCheck == NA_CHECKVALUE_MAX && _bBoundText(clValue.nGetTypeCode())) {
        stText st;
        if (_bText(clBound, &st) && st.n > 1) {
            _DropLastCharacter(&clBound, st);
            eKind = PREFIX;
        } else {
            eKind = NOBOUND;
        }
    } else if (eCheck != NA_CHECKVALUE_NONE) {
        eKind = NOBOUND;
    }
    if (eOp == NAOP_EQUAL) return _pclAddBorne(pclRecord, apclColumn, &clValue, 1, nullptr, 0, eOp, nFlags);
    if (eKind == NOBOUND) return nullptr;
    if (eKind == PREFIX) {
        const unsigned short nType = clBound.nGetTypeCode();
        if (eOp == NAOP_LESSEQUAL && (nType == VQTYPE_DATEA || nType == VQTYPE_TIMEA)) {
            // Up to the end of the period the partial date or time names.
            CAny clEnd;
            CAny clStart;
            if (CNAExpression::s_bGetBorneRechercheDateMax(pclColumn->eNAGetItemType(), &clBound, &clEnd)) {
                clBound = clEnd;
                eOp = NAOP_LESS;
                nFlags &= ~NARECH_GENERIC;
            } else if (CNAExpression::s_bGetBorneRechercheDateMin(pclColumn->eNAGetItemType(), &clBound, &clStart)) {
                // The period runs to the end of the day or of time: it bounds nothing above.
                return nullptr;
            } else {
                nFlags |= NARECH_GENERIC;
            }
        } else {
            nFlags |= NARECH_GENERIC;
            if (eOp == NAOP_LESS && (_bNarrowText(nType) || _bWideText(nType))) eOp = NAOP_LESSEQUAL;
        }
    }
    return _pclAddBorne(pclRecord, apclColumn, &clBound, 1, nullptr, 0, eOp, nFlags);
}

// ---------------------------------------------------------------------------------- composite keys

CNAExpression* CNARecherche::_pclAddExpressionComposite(CNARecord* pclRecord, CNAColumn* pclColumn, eNAOperator eOp,
                                                        const CAny* pclValue, unsigned nFlags,
                                                        const CNARefArray<CNAColumn>* pclColumns) {
    stComponents st;
    eFILLER eFiller = FILLER_NONE;
    CNAColumn* pclComposite = nullptr;
    const bool bOwnComponents = (nFlags & NARECH_CURRENTRECORD) == 0 ||
                                (pclColumn->bIsComposedKey() && pclColumn->bUnique() && pclColumn->bValueDefined());
    if (bOwnComponents) {
        const CNARefArray<CNAColumn>* pTab = pclColumn->pclGetTabComponent();
        const int n = pTab != nullptr ? pTab->nGetNbElement() : 0;
        if (n == 0) return nullptr;
        if (!st.bAlloc(n)) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
            return nullptr;
        }
        for (int i = 0; i < n; i++) st.ppclColumns[i] = pTab->GetAt(i);
        st.nColumns = n;
        pclComposite = pclColumn;
        if (nFlags & NARECH_FROMRECORD) {
            for (int i = 0; i < n; i++)
                if (!st.ppclColumns[i]->bGetCurrentValue(&st.pclValues[i], 0)) return nullptr;
            st.nValues = n;
        } else {
            _GetComponentValue(pclColumn, pclValue, nFlags, st.pclValues, n, &st.nValues, &eFiller);
        }
    } else {
        // The current record: by the columns given, or by the browse item followed by the record's
        // columns up to its unique key.
        CNAColumn* pclUnique = eOp == NAOP_EQUAL ? pclRecord->pclGetUniqueKeyNotNullNoRef() : nullptr;
        const int nRecord = pclRecord->nGetNumColumns();
        if (!st.bAlloc(nRecord + (pclColumns != nullptr ? pclColumns->nGetNbElement() : 0) + 1)) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
            return nullptr;
        }
        int n = 0;
        bool bWholeList = false;
        if (pclUnique != nullptr) {
            const CNARefArray<CNAColumn>* pTab = pclUnique->pclGetTabComponent();
            if (pclUnique->bIsComposedKey() && pTab != nullptr) {
                for (int i = 0; i < pTab->nGetNbElement(); i++) st.ppclColumns[n++] = pTab->GetAt(i);
                pclComposite = pclUnique;
            } else {
                st.ppclColumns[n++] = pclUnique;
            }
            bWholeList = true;
        } else if (pclColumns != nullptr) {
            for (int i = 0; i < pclColumns->nGetNbElement(); i++)
                if (pclColumns->GetAt(i) != nullptr) st.ppclColumns[n++] = pclColumns->GetAt(i);
            bWholeList = true;
        } else {
            // The browse item (or its components) first, in their order.
            const CNARefArray<CNAColumn>* pTab =
                pclColumn->bIsComposedKey() ? pclColumn->pclGetTabComponent() : nullptr;
            if (pTab != nullptr)
                for (int i = 0; i < pTab->nGetNbElement(); i++) st.ppclColumns[n++] = pTab->GetAt(i);
            else
                st.ppclColumns[n++] = pclColumn;
            const int nLeading = n;
            CNAColumn* pclRecordUnique = pclRecord->pclGetUniqueKeyNotNullNoRef();
            for (int i = 0; i < nRecord; i++) {
                CNAColumn* pcl = pclRecord->pclGetColumnNoRef(i);
                if (pcl->bIsComposedKey()) break;
                bool bLeading = false;
                for (int k = 0; k < nLeading && !bLeading; k++)
                    bLeading = STR_nCompareW(st.ppclColumns[k]->pszGetName(), pcl->pszGetName(), STR_LOGIQUE) == 0;
                if (!bLeading) st.ppclColumns[n++] = pcl;
                if (pcl == pclRecordUnique) break;
            }
        }
        for (int i = 0; i < n; i++)
            if (!st.ppclColumns[i]->bGetCurrentValue(&st.pclValues[i], 0)) return nullptr;
        if (!bWholeList) {
            // A unique component with a value identifies the row: nothing after it counts.
            for (int i = 0; i < n; i++) {
                if (st.ppclColumns[i]->bUnique() && !st.ppclColumns[i]->bNullOrEquivalent(&st.pclValues[i])) {
                    n = i + 1;
                    break;
                }
            }
        }
        st.nColumns = st.nValues = n;
    }
    if (eOp == NAOP_EQUAL)
        return _pclAddKeyExpressionEq(pclRecord, st.ppclColumns, st.pclValues, st.nValues, st.nColumns, pclComposite,
                                      nFlags);
    if (eOp < NAOP_GREATER || eOp > NAOP_LESSEQUAL) return nullptr;
    int n;
    if ((nFlags & NARECH_CURRENTRECORD) == 0) {
        n = st.nValues;
        // A bound that ends with the filler beyond which nothing lies bounds by the values before.
        if ((nFlags & NARECH_BOUND) &&
            ((eOp == NAOP_LESSEQUAL && eFiller == FILLER_MAX) || (eOp == NAOP_GREATEREQUAL && eFiller == FILLER_MIN)))
            n--;
    } else {
        n = (nFlags & NARECH_GENERIC) ? st.nValues : st.nColumns;
    }
    if (n < 1) return nullptr;
    return _pclAddKeyExpressionInfSupIndice(pclRecord, st.ppclColumns, st.pclValues, st.nValues, pclComposite, 0, n,
                                            eOp, nFlags);
}

// ---------------------------------------------------------------------------------- leaves

CNAExpression* CNARecherche::_pclAddKeyExpression(CNARecord* pclRecord, CNAColumn* const* ppclColumns, CAny* pclValues,
                                                  int nValues, CNAColumn* pclComposite, int i, int nLast,
                                                  eNAOperator eOp, unsigned nFlags, eNAOperator eJoin) {
    CNAColumn* pclColumn = ppclColumns[i];
    const bool bDescending = pclComposite != nullptr
                                 ? pclComposite->bGetDescendantComponent(static_cast<unsigned>(i + 1))
                                 : CNAExpression::s_eGetSensTriColonne(pclRecord, pclColumn) == 1;
    eNAOperator eLeafOp = bDescending ? CNAExpression::s_eInvertOperator(eOp) : eOp;
    CAny clValue;
    const unsigned short nType = pclColumn->eGetVQType();
    if (i < nValues) {
        clValue = pclValues[i];
    } else {
        // A component without a value: its type's empty value, or NULL for a date-time.
        clValue.__SetType(nType, 0);
        if (nType == VQTYPE_DATETIME || nType == VQTYPE_DATEA) {
            clValue.SetNull(1);
            eLeafOp = NAOP_ISNULL;
        }
    }
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    // A partial date given as text stays text.
    const bool bKeepText = (nFlags & NARECH_GENERIC) &&
                           (nType == VQTYPE_DATETIME || nType == VQTYPE_DATEA || nType == VQTYPE_TIMEA) &&
                           (_bNarrowText(clValue.nGetTypeCode()) || _bWideText(clValue.nGetTypeCode()));
    CNAConvertVariant* pclConverter =
        pclDriver != nullptr
            ? pclDriver->pclGetNewVariant_NV_Any(m_pclError, m_pclConnection, bKeepText ? nullptr : pclColumn, &clValue)
            : nullptr;
    if (pclConverter == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return nullptr;
    }
    pclConverter->AddRef();
    const unsigned nLeafFlags = nFlags | (bIsComposedKeySearch() ? NAEXP_COMPOSEDKEY : 0);
    CNAExpression* pclLeaf = pclAllocExpression();
    if (pclLeaf != nullptr) {
        pclLeaf->InitExpression(eLeafOp, pclColumn, pclConverter, nLeafFlags);
        pclLeaf->AddRef();
    }
    pclConverter->nRelease();
    if (pclLeaf == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return nullptr;
    }
    if (i >= nLast) return pclLeaf;
    CNAExpression* pclNext = _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i + 1,
                                                  nLast, eOp, nFlags, eJoin);
    if (pclNext == nullptr) {
        // A condition that lost a component would find other rows.
        pclLeaf->nRelease();
        return nullptr;
    }
    CNAExpression* pclJoined = pclAllocExpression();
    if (pclJoined != nullptr) {
        pclJoined->InitExpression(eJoin, pclLeaf, pclNext, nLeafFlags);
        pclJoined->AddRef();
    } else if (m_pclError != nullptr) {
        m_pclError->SetErrorNoMemory(m_pclConnection);
    }
    pclLeaf->nRelease();
    pclNext->nRelease();
    return pclJoined;
}

namespace {

// A new node over two operands, each given with one reference the node takes over; null (and both
// released) when either is missing or the node cannot be made.
CNAExpression* _pclJoin(CNARecherche* pclSearch, eNAOperator eOp, CNAExpression* pclLeft, CNAExpression* pclRight,
                        unsigned nFlags) {
    CNAExpression* pcl = nullptr;
    if (pclLeft != nullptr && pclRight != nullptr) {
        pcl = pclSearch->pclAllocExpression();
        if (pcl != nullptr) {
            pcl->InitExpression(eOp, pclLeft, pclRight, nFlags);
            pcl->AddRef();
        } else if (pclSearch->pclGetErrorNoRef() != nullptr) {
            pclSearch->pclGetErrorNoRef()->SetErrorNoMemory(pclSearch->pclGetConnectionNoRef());
        }
    }
    if (pclLeft != nullptr) pclLeft->nRelease();
    if (pclRight != nullptr) pclRight->nRelease();
    return pcl;
}

}  // namespace

CNAExpression* CNARecherche::_pclAddBorne(CNARecord* pclRecord, CNAColumn* const* ppclColumns, CAny* pclValues,
                                          int nValues, CNAColumn* pclComposite, int i, eNAOperator eOp,
                                          unsigned nFlags) {
    const eNA_ITEMTYPE eType = ppclColumns[i]->eNAGetItemType();
    if ((nFlags & NARECH_GENERIC) && (_bTextItem(eType) || _bDateTimeItem(eType))) {
        if (eOp == NAOP_GREATER) {
            // After the values that begin with the prefix.
            CNAExpression* pclAfter = _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i,
                                                           i, NAOP_GREATER, nFlags & ~NARECH_GENERIC, NAOP_AND);
            CNAExpression* pclNotPrefix = _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite,
                                                               i, i, NAOP_DIFFERENT, nFlags, NAOP_AND);
            return _pclJoin(this, NAOP_AND, pclAfter, pclNotPrefix, nFlags);
        }
        if (eOp == NAOP_LESSEQUAL) {
            // Up to the last value that begins with the prefix.
            CNAExpression* pclBefore = _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i,
                                                            i, NAOP_LESS, nFlags & ~NARECH_GENERIC, NAOP_AND);
            CNAExpression* pclPrefix = _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i,
                                                            i, NAOP_EQUAL, nFlags, NAOP_AND);
            return _pclJoin(this, NAOP_OR, pclBefore, pclPrefix, nFlags);
        }
    }
    return _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i, i, eOp, nFlags, NAOP_AND);
}

CNAExpression* CNARecherche::_pclAddKeyExpressionEq(CNARecord* pclRecord, CNAColumn* const* ppclColumns,
                                                    CAny* pclValues, int nValues, int nColumns, CNAColumn* pclComposite,
                                                    unsigned nFlags) {
    const int n = (nFlags & (NARECH_BOUND | NARECH_GENERIC)) ? nValues : nColumns;
    if (n < 1) return nullptr;
    const bool bGeneric = (nFlags & NARECH_GENERIC) != 0;
    if ((nFlags & NARECH_CURRENTRECORD) == 0) {
        for (int i = 0; i < n; i++) {
            CNAColumn* pcl = ppclColumns[i];
            CAny clEmpty;
            CAny* pclValue = i < nValues ? &pclValues[i] : &clEmpty;
            const bool bIdentifies = pcl->bUniqueNotNull() || (pcl->bUnique() && !pcl->bNullOrEquivalent(pclValue));
            if (bIdentifies && !(bGeneric && i == n - 1))
                return _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i, i, NAOP_EQUAL,
                                            nFlags & ~NARECH_GENERIC, NAOP_AND);
        }
    }
    // Every component equal; only the last keeps the prefix rule of a generic search.
    CNAExpression* pcl = _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, n - 1, n - 1,
                                              NAOP_EQUAL, nFlags, NAOP_AND);
    for (int i = n - 2; i >= 0 && pcl != nullptr; i--) {
        CNAExpression* pclLeaf = _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i, i,
                                                      NAOP_EQUAL, nFlags & ~NARECH_GENERIC, NAOP_AND);
        pcl = _pclJoin(this, NAOP_AND, pclLeaf, pcl, nFlags);
    }
    return pcl;
}

CNAExpression* CNARecherche::_pclAddKeyExpressionInfSupIndice(CNARecord* pclRecord, CNAColumn* const* ppclColumns,
                                                              CAny* pclValues, int nValues, CNAColumn* pclComposite,
                                                              int i, int n, eNAOperator eOp, unsigned nFlags) {
    if (i == n - 1) {
        stText st;
        if (eOp == NAOP_LESSEQUAL && (nFlags & NARECH_GENERIC) == 0 && i < nValues && _bText(pclValues[i], &st) &&
            st.n > 0) {
            // Up to the largest value: the text before the largest character, as a prefix.
            const bool bLargest = st.pszA != nullptr ? static_cast<unsigned char>(st.pszA[st.n - 1]) == 255
                                                     : static_cast<uint32_t>(st.pszW[st.n - 1]) == 65535;
            if (bLargest) {
                _DropLastCharacter(&pclValues[i], st);
                nFlags |= NARECH_GENERIC;
            }
        }
        return _pclAddBorne(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i, eOp, nFlags);
    }
    const eNAOperator eStrict = eOp == NAOP_LESSEQUAL ? NAOP_LESS : eOp == NAOP_GREATEREQUAL ? NAOP_GREATER : eOp;
    const unsigned nExact = nFlags & ~NARECH_GENERIC;
    CNAExpression* pclStrict =
        _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i, i, eStrict, nExact, NAOP_AND);
    if (pclStrict == nullptr) return nullptr;
    // When the components so far make a unique key that holds no NULL, no other row shares them.
    if ((eOp == NAOP_GREATER || eOp == NAOP_LESS) && pclRecord->pclGetTabComposedUniqueKey()->nGetNbElement() > 0) {
        CColumnNullValueExcluded clNullState;
        for (int k = 0; k <= i; k++)
            clNullState.bCombineColumnValuesNullSelected(
                NAOP_AND, ppclColumns[k], k < nValues ? ppclColumns[k]->bNullOrEquivalent(&pclValues[k]) : 1);
        if (pclRecord->bComposedKeyUniqueNotNullAdded(const_cast<CNAColumn**>(ppclColumns), i + 1, &clNullState))
            return pclStrict;
    }
    CNAExpression* pclEqual = _pclAddKeyExpression(pclRecord, ppclColumns, pclValues, nValues, pclComposite, i, i,
                                                   NAOP_EQUAL, nExact, NAOP_AND);
    CNAExpression* pclRest = _pclAddKeyExpressionInfSupIndice(pclRecord, ppclColumns, pclValues, nValues, pclComposite,
                                                              i + 1, n, eOp, nFlags);
    CNAExpression* pclTie = pclRest != nullptr ? _pclJoin(this, NAOP_AND, pclEqual, pclRest, nFlags) : pclEqual;
    if (pclTie == nullptr) {
        pclStrict->nRelease();
        return nullptr;
    }
    return _pclJoin(this, NAOP_OR, pclStrict, pclTie, nFlags);
}

// ---------------------------------------------------------------------------------- composite values

int CNARecherche::_GetComponentValue(CNAColumn* pclComposite, const CAny* pclValue, unsigned nFlags, CAny* pclValues,
                                     int nMax, int* pnValues, eFILLER* peFiller) {
    *pnValues = 0;
    *peFiller = FILLER_NONE;
    if (pclValue == nullptr || pclValue->bIsNull() || pclValue->nGetTypeCode() == VQTYPE_VIDE) return 0;
    void* pData = nullptr;
    unsigned long nSize = 0;
    if (pclValue->pclGetValeur()->nGetDataAdr(&pData) != 0 || pData == nullptr) return 0;
    pclValue->pclGetValeur()->nGetUtilDataSize(&nSize);
    const unsigned char* pby = static_cast<const unsigned char*>(pData);
    const CNARefArray<CNAColumn>* pTab = pclComposite->pclGetTabComponent();
    const int nComponents = pTab != nullptr && pTab->nGetNbElement() < nMax ? pTab->nGetNbElement() : nMax;
    const bool bPartialAllowed = (nFlags & (NARECH_GENERIC | NARECH_BOUND)) != 0;
    unsigned long nOffset = 0;
    for (int k = 0; k < nComponents && nOffset < nSize; k++) {
        CNAColumn* pclColumn = pTab->GetAt(k);
        const eNA_ITEMTYPE eType = pclColumn->eNAGetItemType();
        const unsigned short nType = pclColumn->eGetVQType();
        const bool bWide = eType == NA_IT_UNICODE || eType == NA_IT_MEMOUNICODE;
        unsigned long nWidth = pclColumn->nGetLogicalSize() * (bWide ? 2 : 1);
        unsigned long nLength = nWidth;  // bytes of the value itself
        if (eType == NA_IT_BINAIRE) {
            // The bytes are preceded by their count, which never reaches past the component.
            if (nSize - nOffset < 2) break;
            uint16_t wCount = 0;
            memcpy(&wCount, pby + nOffset, 2);
            nOffset += 2;
            if (wCount < nLength) nLength = wCount;
        }
        const unsigned long nRemaining = nSize - nOffset;
        const bool bLast = nWidth >= nRemaining;
        if (nLength > nRemaining) nLength = nRemaining;
        const unsigned char* p = pby + nOffset;
        CAny& cl = pclValues[k];
        bool bFiller = false;
        if (bLast && bPartialAllowed && nType != VQTYPE_UI1 && nType != VQTYPE_I1) {
            // The host marks the smallest and the largest value with one filler unit.
            uint16_t wUnit = 0;
            if (bWide && nRemaining == 2) memcpy(&wUnit, p, 2);
            if ((!bWide && nRemaining == 1 && p[0] == 0) || (bWide && nRemaining == 2 && wUnit == 0)) {
                *peFiller = FILLER_MIN;
                bFiller = true;
            } else if ((!bWide && p[0] == 255) || (bWide && nRemaining >= 2 && wUnit == 65535)) {
                *peFiller = FILLER_MAX;
                bFiller = true;
            }
        }
        bool bRead = true;
        if (bFiller && !_bNarrowText(nType)) {
            cl.__SetType(nType, 0);
            if (*peFiller == FILLER_MIN)
                s_SetAnyToMin(&cl);
            else
                s_SetAnyToMax(&cl);
        } else if (_bNarrowText(nType)) {
            cl.__SetType(VQTYPE_DSTRA, 0);
            cl.pclGetValeur()->SetValue(p, strnlen(reinterpret_cast<const char*>(p), nLength));
        } else if (bWide || _bWideText(nType)) {
            // UTF-16 units up to the first 0 unit.
            const unsigned long nUnits = nLength / 2;
            CXYString<wchar_t> clText;
            unsigned long nUsed = 0;
            while (nUsed < nUnits && (p[2 * nUsed] != 0 || p[2 * nUsed + 1] != 0)) nUsed++;
            bRead = clText.nAffecteUTF16(reinterpret_cast<const unsigned short*>(p), static_cast<int>(nUsed)) == 0;
            if (bRead) {
                cl.__SetType(VQTYPE_DSTRW, 0);
                cl.pclGetValeur()->SetValue(clText.pszGet(),
                                            static_cast<unsigned long>(clText.nGetLongueur()) * sizeof(wchar_t));
            }
        } else if (nType == VQTYPE_DATEA || nType == VQTYPE_TIMEA) {
            // Date and time texts: trailing zero bytes dropped, ten characters at most.
            unsigned long n = nLength < 10 ? nLength : 10;
            while (n > 0 && p[n - 1] == 0) n--;
            cl.__SetType(nType, 0);
            cl.pclGetValeur()->SetValue(p, n);
        } else if (nType == VQTYPE_BIN || nType == VQTYPE_BUFFER) {
            cl.__SetType(nType, 0);
            cl.pclGetValeur()->SetValue(p, nLength);
        } else {
            // A value of fixed size is read only when all its bytes are there.
            CAny clTyped;
            clTyped.__SetType(nType, 0);
            unsigned long nFixed = 0;
            clTyped.pclGetValeur()->nGetDataSize(&nFixed);
            if (nType == VQTYPE_DECIMAL) nFixed = nWidth;  // its stored form, as wide as the component
            bRead = nFixed > 0 && nLength >= nFixed;
            if (bRead) {
                cl.__SetType(nType, 0);
                if (nType == VQTYPE_DECIMAL)
                    cl.pclGetValeur()->SetValue(p, nFixed);
                else
                    cl.pclGetValeur()->SetValue(p);
            }
        }
        if (!bRead) break;
        (*pnValues)++;
        if (bLast) break;
        nOffset += nWidth;
    }
    return *pnValues > 0;
}
