// Result column: the value of the current row read from the statement.
#include "native/statement/NASQLColumn.h"

#include "native/model/NAConvertVariant.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NAStatement.h"

int CNASQLColumn::bSetValueFromDB(CNAStatement* pclStatement, unsigned nColumn) {
    CNAConvertVariant* pclValue = pclGetNAValue();
    const int nIndice = nGetPhysicalIndice();
    if (pclStatement == nullptr || pclValue == nullptr || nIndice < 0) return 0;
    // The item's kind does not change while its value is read: asked once.
    const bool bMemo = bIsMemo();
    if (bMemo) {
        SetNotModified();
        // A memo read row after row already holds a value of its type, which the read replaces
        // whole or makes NULL: it is emptied first only when it is anything else.
        const unsigned short nType = eGetVQType();
        if (!pclValue->bIsVariantAnyOf(nType)) pclValue->InitTypeVariantAny(nType, 0);
    }
    const int bRead = pclStatement->bGetSQLColumnValue(pclValue, static_cast<unsigned>(nIndice));
    if (bMemo && !bRead) {
        pclValue->SetNull();
        return 0;
    }
    // The item's bit is its physical index, and its kind the one asked above.
    CNAYFRecord* pclImage = _pclCurrentImage();
    if (pclImage != nullptr)
        pclImage->SetItemValueDefined(m_piItem, nIndice, bMemo, pclValue->bIsNull() ? 0 : 1, static_cast<int>(nColumn));
    return bRead;
}
