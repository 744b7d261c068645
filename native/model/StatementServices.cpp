// The statement layer's and the data access's services as the record layout reaches them.
#include "native/model/StatementServices.h"

#include <new>

#include "core/TString.h"
#include "core/XYStringConcat.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"

CNARecordValue* NA_pclNewRecordValue(CNAError* pclError) {
    auto* pclValue = new (std::nothrow) CNARecordValue(pclError);
    if (pclValue != nullptr) pclValue->AddRef();
    return pclValue;
}

void NA_ReleaseRecordValue(CNARecordValue* pclValue) {
    if (pclValue != nullptr) pclValue->nRelease();
}

bool NA_bRecordValueCopyNAYFRecord(CNARecordValue* pclValue, CNAYFRecord* pclRecord) {
    return pclValue->bCopyNAYFRecord(pclRecord) != 0;
}

bool NA_bRecordValueCopy(CNARecordValue* pclValue, const CNARecordValue* pclSource) {
    return pclValue->bCopyRecordValue(pclSource, CNARecordValue::COPY_ALL) != 0;
}

CNARecordValue* NA_pclRecordValueClone(const CNARecordValue* pclValue) {
    CNARecordValue* pclClone = pclValue->pclGetClone(CNARecordValue::COPY_ALL);
    if (pclClone != nullptr) pclClone->AddRef();
    return pclClone;
}

CNAYFRecord* NA_pclRecordValueNAYFRecord(const CNARecordValue* pclValue) {
    return pclValue->pclGetNAYFRecord();
}

bool NA_bRecordValueEquals(const CNARecordValue* pclValue, const CNARecordValue* pclOther, int bMemos) {
    return pclValue->bEquals(pclOther, bMemos) != 0;
}

void NA_SetRecordValueState(CNARecordValue* pclValue, unsigned nState) {
    pclValue->SetRecordState(static_cast<eNA_RECORDSTATE>(nState));
}

unsigned NA_nGetRecordValueState(const CNARecordValue* pclValue) {
    return pclValue->eGetRecordState();
}

bool NA_bRecordValueShareMemoValue(CNARecordValue* pclValue, unsigned k, CNAConvertVariant* pclConverter) {
    return pclValue->bShareMemoValue(static_cast<int>(k), pclConverter) != 0;
}

bool NA_bRecordValueIdToString(const CNARecordValue* pclValue, CXYStringConcat<wchar_t>* pclOut) {
    const CNARecordId* pclId = pclValue->pclGetRecordIdNoRef();
    if (pclId == nullptr) return false;
    CTString clText;
    pclId->RecordIdToString(&clText, nullptr, 0);
    pclOut->Add(clText.pszGet());
    return true;
}

bool NA_bRecordValueShareNewRecordID(CNADataAccess* pclAccess, CNARecordValue* pclValue) {
    if (pclAccess == nullptr || pclValue == nullptr) return true;
    CNARecordId* pclId = pclAccess->pclAllocRecordID(pclValue);
    if (pclId == nullptr) return true;
    pclId->AddRef();
    const bool bResult = pclValue->bShareRecordID(pclId) != 0;
    pclId->dwRelease();
    return bResult;
}

const wchar_t* NA_pszGetDataAccessLogicalName(const CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->pszGetLogicalName() : L"";
}

bool NA_bDataAccessSourceIsQuery(const CNADataAccess* pclAccess) {
    return pclAccess != nullptr && pclAccess->bSourceIsQuery();
}

CSQLParserInfo* NA_pclDataAccessSourceQuery(const CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->pclGetParsedQueryNoRef() : nullptr;
}

CNARecord* NA_pclStatementRecord(CNAStatement* pclStatement) {
    return pclStatement != nullptr ? pclStatement->pclGetRecordNoRef() : nullptr;
}

unsigned NA_nStatementBindDefineFlag(CNAStatement* pclStatement) {
    return pclStatement != nullptr ? pclStatement->nGetBindDefineFlag() : 0;
}
