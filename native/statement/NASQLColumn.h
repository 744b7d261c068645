// CNASQLColumn: a result column that reads its value from the statement that fetched the row:
// the statement hands the field of the column's physical index to the column's converter, which
// writes it into the item's slot in the host record, and the item's defined bit follows the
// value. It is the driver's one result column class, made final so that a statement reading a
// whole row calls it without a virtual call for each column.
#pragma once

#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NAStatement.h"

class CNASQLColumn final : public CNAColumn {
public:
    CNASQLColumn(CNAError* pclError, INAItemDescription* piItem) : CNAColumn(pclError, piItem) {}

    // A memo column starts unmodified with a value of its item's type; a memo whose read failed
    // becomes NULL and fails. Otherwise the item is defined exactly when the value read is not
    // NULL, and the read's result is the answer.
    int bSetValueFromDB(CNAStatement* pclStatement, unsigned nColumn) override;
    // The same for a statement that reads a whole row into its record: pclImage is the record's
    // current image, which the statement asks once for all the columns of the row.
    int bSetRowValueFromDB(CNAStatement* pclStatement, unsigned nColumn, CNAYFRecord* pclImage) {
        return _bSetValueFromDB(pclStatement, nColumn, [pclImage] { return pclImage; });
    }

private:
    // fnImage gives the image whose defined bit follows the value, once the value is read.
    template <class FImage>
    int _bSetValueFromDB(CNAStatement* pclStatement, unsigned nColumn, FImage fnImage) {
        CNAConvertVariant* pclValue = pclGetNAValue();
        const int nIndice = nGetPhysicalIndice();
        if (pclStatement == nullptr || pclValue == nullptr || nIndice < 0) return 0;
        // The item's kind does not change while its value is read: asked once.
        if (bIsMemo()) return _bSetMemoFromDB(pclStatement, nColumn, pclValue, nIndice, fnImage);
        const int bRead = pclStatement->bGetSQLColumnValue(pclValue, static_cast<unsigned>(nIndice));
        // The item's bit is its physical index.
        CNAYFRecord* pclImage = fnImage();
        if (pclImage != nullptr)
            pclImage->SetItemValueDefined(m_piItem, nIndice, false, pclValue->bIsNull() ? 0 : 1,
                                          static_cast<int>(nColumn));
        return bRead;
    }
    template <class FImage>
    [[gnu::noinline]] int _bSetMemoFromDB(CNAStatement* pclStatement, unsigned nColumn, CNAConvertVariant* pclValue,
                                          int nIndice, FImage fnImage) {
        SetNotModified();
        // A memo read row after row already holds a value of its type, which the read replaces
        // whole or makes NULL: it is emptied first only when it is anything else.
        const unsigned short nType = eGetVQType();
        if (!pclValue->bIsVariantAnyOf(nType)) pclValue->InitTypeVariantAny(nType, 0);
        if (!pclStatement->bGetSQLColumnValue(pclValue, static_cast<unsigned>(nIndice))) {
            pclValue->SetNull();
            return 0;
        }
        CNAYFRecord* pclImage = fnImage();
        if (pclImage != nullptr)
            pclImage->SetItemValueDefined(m_piItem, nIndice, true, pclValue->bIsNull() ? 0 : 1,
                                          static_cast<int>(nColumn));
        return 1;
    }
};
