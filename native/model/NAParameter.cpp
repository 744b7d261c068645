// Query parameters: binding to a column or item, server type information, file values, the
// direction text for dumps and equality.
#include "native/model/NAParameter.h"

#include "core/XYStringConcat.h"
#include "native/driver/NADriver.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/sql/SQLParserInterfaces.h"

CNAParameter::CNAParameter(CNAConvertVariant* pclValue, unsigned long nPosition, unsigned nFlags,
                           const wchar_t* pszName)
    : m_pclValue(pclValue), m_nPosition(nPosition), m_dwFlags(nFlags), m_clName(pszName) {
    if (m_pclValue != nullptr) m_pclValue->AddRef();
}

CNAParameter::~CNAParameter() {
    if (m_pclValue != nullptr) m_pclValue->nRelease();
    if (m_pclColumn != nullptr) m_pclColumn->nRelease();
    if (m_piItem != nullptr) m_piItem->nExternalRelease();
}

void CNAParameter::SetColum(CNAColumn* pclColumn) {
    if (pclColumn != nullptr) pclColumn->AddRef();
    if (m_pclColumn != nullptr) m_pclColumn->nRelease();
    m_pclColumn = pclColumn;
    SetItem(pclColumn != nullptr ? pclColumn->piGetItemNoRef() : nullptr);
}

void CNAParameter::SetItem(INAItemDescription* piItem) {
    if (piItem != nullptr) piItem->ExternalAddRef();
    if (m_piItem != nullptr) m_piItem->nExternalRelease();
    m_piItem = piItem;
}

int CNAParameter::bSetValue(CAny* pclValue) {
    return m_pclValue != nullptr && m_pclValue->bSetValue(static_cast<const CAny*>(pclValue));
}

bool CNAParameter::bIsDate() const {
    if (m_piItem == nullptr) return false;
    const eNA_ITEMTYPE e = m_piItem->eNAGetItemType();
    return e == NA_IT_DATE6 || e == NA_IT_HEURE || e == NA_IT_DATE8 || e == NA_IT_DATETIME;
}

bool CNAParameter::bIsText() const {
    return m_piItem != nullptr && bIsTextAW(m_piItem->eNAGetItemType());
}

bool CNAParameter::bIsTextUnicode() const {
    return m_piItem != nullptr && ::bIsTextUnicode(m_piItem->eNAGetItemType());
}

bool CNAParameter::bGetDBType(eNA_ITEMTYPE* peType, int* pnServerCode, int* pnSize, int* pnPrecision,
                              int* pnScale) const {
    *peType = NA_IT_EMPTY;
    *pnServerCode = *pnSize = *pnPrecision = *pnScale = 0;
    CNAItemDescription* pclServer = m_pclColumn != nullptr ? m_pclColumn->piGetImportedItemDescNoRef() : nullptr;
    INAItemDescription* pi = m_pclValue != nullptr ? m_pclValue->piGetItemAnalyseNoRef() : nullptr;
    if (pi == nullptr) pi = pclServer;
    if (pi == nullptr) return false;
    *peType = pi->eNAGetItemType();
    // The server's own code is known of the items the driver read from the server.
    *pnServerCode = pclServer != nullptr ? static_cast<int>(pclServer->nGetDBTypeCode()) : 0;
    *pnSize = pi->bMemo() ? -1 : static_cast<int>(pi->nGetLogicalSize(0));
    *pnPrecision = static_cast<int>(pi->nGetIntegerPart() + pi->nGetDecimalPart());
    *pnScale = static_cast<int>(pi->nGetDecimalPart());
    return *pnServerCode != 0;
}

bool CNAParameter::bGetVQTypeInfo(eNA_ITEMTYPE* peOnDatabase, eNA_ITEMTYPE* peAnalysis) const {
    if (m_pclColumn != nullptr) {
        *peOnDatabase = m_pclColumn->eNAGetItemTypeOnDatabase();
        *peAnalysis = m_pclColumn->eNAGetItemType();
        return true;
    }
    *peOnDatabase = m_pclValue != nullptr ? m_pclValue->eNAGetItemTypeDatabase() : NA_IT_EMPTY;
    *peAnalysis = m_pclValue != nullptr ? m_pclValue->eNAGetItemTypeAnalyse() : NA_IT_EMPTY;
    return *peOnDatabase != NA_IT_EMPTY || *peAnalysis != NA_IT_EMPTY;
}

bool CNAParameter::bCaseInSensitiveLIKE() const {
    if (m_pclColumn != nullptr) return m_pclColumn->bGetIgnoreCase(-1);
    if (m_piItem != nullptr) return m_piItem->bGetIgnoreCase(-1) != 0;
    return false;
}

bool CNAParameter::bLoadFile(CNAError* pclError) {
    if (m_pclValue == nullptr) return false;
    CAny clChemin;
    if (!m_pclValue->bGetValue(&clChemin) || clChemin.__nCastTo(VQTYPE_PSTRW, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE)
        return false;
    const wchar_t* pszChemin = nullptr;
    clChemin.pclGetValeur()->nGetPCWSTR(&pszChemin);
    const CTString clPath(pszChemin);
    const bool bTexte = (m_dwFlags & NAPARAM_FLAG_FILE) && (m_dwFlags & NAPARAM_FLAG_TEXTFILE);
    if (!bTexte) {
        m_pclValue->InitTypeVariantAny(VQTYPE_BIN, 0);
    } else {
        m_pclValue->InitTypeVariantAny(VQTYPE_DSTRA, 0);
    }
    if (!m_pclValue->bLoadFile(clPath.pszGet(), pclError, bTexte ? 0 : 1)) return false;
    m_dwFlags &= ~NAPARAM_FLAG_FILE;
    return true;
}

bool CNAParameter::bIsParamOUT(INAQueryParametersValue* piValues) const {
    if (piValues == nullptr) return false;
    const int nDirection = piValues->nGetDirection(m_clName.pszGet() != nullptr ? m_clName.pszGet() : L"");
    return nDirection == 2 || nDirection == 3;
}

void CNAParameter::TypeParam2String(CXYStringConcat<wchar_t>* pclOut) const {
    pclOut->Vide();
    pclOut->Add(L"(");
    bool bPremier = true;
    const struct {
        uint32_t dw;
        const wchar_t* psz;
    } tab[] = {{NAPARAM_IN, L"IN"}, {NAPARAM_OUT, L"OUT"}, {NAPARAM_RETURN, L"RETURN"}};
    for (const auto& st : tab) {
        if ((m_eDirection & st.dw) == 0) continue;
        if (!bPremier) pclOut->Add(L"|");
        pclOut->Add(st.psz);
        bPremier = false;
    }
    pclOut->Add(L")");
}

bool CNAParameter::bEqualsParameter(const CNAParameter* pclOther) const {
    if (pclOther == this) return true;
    if (pclOther == nullptr) return false;
    if (m_nPosition != pclOther->m_nPosition || m_dwFlags != pclOther->m_dwFlags) return false;
    if (m_pclValue != pclOther->m_pclValue && (m_pclValue == nullptr || pclOther->m_pclValue == nullptr ||
                                               !m_pclValue->bEqualsNAVariant(pclOther->m_pclValue)))
        return false;
    auto bMemeNom = [](const wchar_t* a, const wchar_t* b) { return CTString(a).bEstEgal(b); };
    if ((m_pclColumn == nullptr) != (pclOther->m_pclColumn == nullptr)) return false;
    if (m_pclColumn != nullptr && !bMemeNom(m_pclColumn->pszGetName(), pclOther->m_pclColumn->pszGetName()))
        return false;
    if ((m_piItem == nullptr) != (pclOther->m_piItem == nullptr)) return false;
    if (m_piItem != nullptr && !bMemeNom(m_piItem->pszGetName(), pclOther->m_piItem->pszGetName())) return false;
    return m_cEscape == pclOther->m_cEscape && m_nMode == pclOther->m_nMode && m_eDirection == pclOther->m_eDirection;
}

CNAParameter* CNAParameter::pclGetClone() {
    // No driver object, no factory: nothing can be made.
    if (CNADriver::s_pclDriver == nullptr) return nullptr;
    CNAParameter* pcl =
        CNADriver::s_pclDriver->pclAllocParameter(m_pclValue, m_nPosition, m_dwFlags, m_clName.pszGet());
    if (pcl == nullptr) return nullptr;
    pcl->SetColum(m_pclColumn);
    pcl->SetItem(m_piItem);
    pcl->m_cEscape = m_cEscape;
    return pcl;
}
