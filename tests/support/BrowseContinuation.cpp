#include "tests/support/BrowseContinuation.h"

#include "native/model/NAItemDescription.h"
#include "native/model/NAYFRecord.h"
#include "native/sql/NACommand.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NARecordValue.h"

namespace pgtest {

int bContinueBrowse(CNARecord* pclCurrent, CNAStatement* pclStatement, CNAError* pclError,
                    CNAConnectionDescription* pclCnx, int32_t nBlock, int bReadRecord, eNA_PARSEDIRECTION eDirection,
                    long nCount) {
    CNARecordValue* pclOriginal = pclStatement->pclGetStmtOriginalRecord();
    CNAYFRecord* pclImage = pclCurrent->pclGetNAYFRecord();
    CNAYFRecord* pclKept = pclImage->pclGetClone();
    pclKept->AddRef();
    pclImage->Copy(pclOriginal->pclGetNAYFRecord());
    pclCurrent->OnNAYFRecordChanged();
    const bool bForward = eDirection != NA_PARSE_PREVIOUS;
    CNARecherche* pclSearch = pclStatement->pclGetRecherche();
    INAItemDescription* piItem = pclStatement->_pclGetItem(pclStatement->pszGetItemName());
    int bResult = pclSearch->bRechercheEnreg(pclCurrent, piItem, NA_PARSE_NEXT, 0, nullptr) & 1;
    if (bResult) bResult = pclSearch->bSetContinueParcours(bForward ? 0 : 1);
    CNACommand* pclWhere = new CNACommand(pclError, pclCnx);
    pclWhere->AddRef();
    CNACommand* pclCommand = new CNACommand(pclError, pclCnx);
    pclCommand->AddRef();
    if (bResult) bResult = pclStatement->bGetClauseWHERE(pclWhere);
    if (bResult) {
        pclCommand->SetNAQueryType(NAQUERYTYPE_SELECT);
        bResult = pclStatement->bBuildQuerySELECT(pclCommand, 0, pclStatement->pszGetItemName(), bForward, pclWhere);
    }
    pclSearch->Desactivate();
    if (bResult) {
        pclCommand->SetRowLimit(nBlock);
        bResult = pclStatement->bExecute(0, CNAStatement::NA_ST_PREPARE);
    }
    if (bResult) bResult = pclStatement->bFetch(bForward ? NA_PARSE_FIRST : NA_PARSE_LAST, bReadRecord, nCount);
    int bOut = 1;
    pclStatement->HEndehors(&bOut);
    if (!bResult || bOut) {
        pclImage->Copy(pclKept);
        pclCurrent->OnNAYFRecordChanged();
    }
    pclKept->nRelease();
    if (piItem != nullptr) piItem->nExternalRelease();
    pclSearch->nRelease();
    pclWhere->nRelease();
    pclCommand->nRelease();
    return bResult;
}

}  // namespace pgtest
