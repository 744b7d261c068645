// Output defines of commands.
#include "native/model/NADefine.h"

#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"

CNADefine::CNADefine(CNAColumn* pclColumn) : m_pclColumn(pclColumn) {
    if (m_pclColumn == nullptr) return;
    m_pclColumn->AddRef();
    m_pclValue = m_pclColumn->pclGetNAValue();
    if (m_pclValue != nullptr) m_pclValue->AddRef();
}

CNADefine::CNADefine(const wchar_t* pszName, CNAConvertVariant* pclValue) : m_clName(pszName), m_pclValue(pclValue) {
    if (m_pclValue != nullptr) m_pclValue->AddRef();
}

CNADefine::~CNADefine() {
    if (m_pclValue != nullptr) m_pclValue->nRelease();
    if (m_pclColumn != nullptr) m_pclColumn->nRelease();
}

const wchar_t* CNADefine::pszGetName() const {
    return m_pclColumn != nullptr ? m_pclColumn->pszGetName() : m_clName.pszGet();
}

CNAConnectionDescription* CNADefine::pclGetCnx() const {
    return m_pclValue != nullptr ? m_pclValue->pclGetCnx() : nullptr;
}
