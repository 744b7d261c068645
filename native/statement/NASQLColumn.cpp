// Result column: the value of the current row read from the statement.
#include "native/statement/NASQLColumn.h"

#include "native/model/NAConvertVariant.h"
#include "native/statement/NAStatement.h"

int CNASQLColumn::bSetValueFromDB(CNAStatement* pclStatement, unsigned nColumn) {
    CNAConvertVariant* pclValue = pclGetNAValue();
    const int nIndice = nGetPhysicalIndice();
    if (pclStatement == nullptr || pclValue == nullptr || nIndice < 0) return 0;
    // The item's kind does not change while its value is read: asked once.
    const bool bMemo = bIsMemo();
    if (bMemo) {
        SetNotModified();
        pclValue->InitTypeVariantAny(eGetVQType(), 0);
    }
    const int bRead = pclStatement->bGetSQLColumnValue(pclValue, static_cast<unsigned>(nIndice));
    if (bMemo && !bRead) {
        pclValue->SetNull();
        return 0;
    }
    _SetItemValueDefinedInYFRecord(pclValue->bIsNull() ? 0 : 1, nColumn);
    return bRead;
}
