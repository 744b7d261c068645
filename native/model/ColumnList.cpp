// Column lists of generated statements.
#include "native/model/ColumnList.h"

#include "native/model/NARecord.h"
#include "native/model/StatementServices.h"

void CColumnList::AddColumn(const wchar_t* pszName) {
    if (m_nCount > 0) m_clTexte.Add(L",");
    if (pszName != nullptr && pszName[0] != 0) m_clTexte.Add(pszName);
    m_nCount++;
}

void CColumnList::BuildColumnList(CNAStatement* pclStatement, int bWithAutoId) {
    BuildColumnList(NA_pclStatementRecord(pclStatement), NA_nStatementBindDefineFlag(pclStatement), bWithAutoId);
}

void CColumnList::BuildColumnList(CNARecord* pclRecord, unsigned nBindDefineFlag, int bWithAutoId) {
    if (pclRecord == nullptr) return;
    for (int i = 0; i < pclRecord->nGetNumColumns(); i++) {
        CNAColumn* pclColumn = pclRecord->pclGetColumnNoRef(i);
        if (!pclColumn->bMustDefine(nBindDefineFlag)) continue;
        if (!bWithAutoId && pclColumn == pclRecord->pclGetColumnIDAutoNoRef()) continue;
        AddColumn(pclColumn->pszGetFormatedName());
    }
}
