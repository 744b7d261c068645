// The statement layer's and the data access's services as the record layout reaches them, until
// their classes exist (see StatementServices.h: each body is replaced by the call its declaration
// names). The record value made here is the least a record layout needs of one: its record image,
// its memo values by memo index and its state word.
#include "native/model/StatementServices.h"

#include <new>

#include "core/RefArray.h"
#include "core/XYStringConcat.h"
#include "native/driver/NAError.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAYFRecord.h"

namespace {

struct stValeurEnregistrement {
    unsigned nRef = 1;
    CNAError* pclError = nullptr;
    CNAYFRecord* pclImage = nullptr;
    CRefArray<CNAConvertVariant> tabMemos{4, 30};
    unsigned nState = 0;

    ~stValeurEnregistrement() {
        tabMemos.SupprimeTout();
        if (pclImage != nullptr) pclImage->nRelease();
        if (pclError != nullptr) pclError->nRelease();
    }
};

stValeurEnregistrement* pst(CNARecordValue* p) {
    return reinterpret_cast<stValeurEnregistrement*>(p);
}
const stValeurEnregistrement* pst(const CNARecordValue* p) {
    return reinterpret_cast<const stValeurEnregistrement*>(p);
}

bool bCopieImage(stValeurEnregistrement* pclValue, const CNAYFRecord* pclRecord) {
    if (pclRecord == nullptr) return true;
    if (pclValue->pclImage != nullptr && pclValue->pclImage->Copy(pclRecord)) return true;
    CNAYFRecord* pclClone = pclRecord->pclGetClone();
    if (pclClone == nullptr) {
        if (pclValue->pclError != nullptr) pclValue->pclError->SetErrorNoMemory();
        return false;
    }
    pclClone->AddRef();
    if (pclValue->pclImage != nullptr) pclValue->pclImage->nRelease();
    pclValue->pclImage = pclClone;
    return true;
}

}  // namespace

CNARecordValue* NA_pclNewRecordValue(CNAError* pclError) {
    auto* p = new (std::nothrow) stValeurEnregistrement;
    if (p == nullptr) return nullptr;
    p->pclError = pclError;
    if (pclError != nullptr) pclError->AddRef();
    return reinterpret_cast<CNARecordValue*>(p);
}

void NA_ReleaseRecordValue(CNARecordValue* pclValue) {
    if (pclValue == nullptr) return;
    if (--pst(pclValue)->nRef == 0) delete pst(pclValue);
}

bool NA_bRecordValueCopyNAYFRecord(CNARecordValue* pclValue, CNAYFRecord* pclRecord) {
    return bCopieImage(pst(pclValue), pclRecord);
}

bool NA_bRecordValueCopy(CNARecordValue* pclValue, const CNARecordValue* pclSource) {
    if (pclSource == nullptr || pclSource == pclValue) return pclSource != nullptr;
    stValeurEnregistrement* p = pst(pclValue);
    const stValeurEnregistrement* pSource = pst(pclSource);
    p->nState = pSource->nState;
    if (!bCopieImage(p, pSource->pclImage)) return false;
    // The memo values are copied into the converters already there (columns share them).
    for (int i = 0; i < pSource->tabMemos.nGetNbElement(); i++) {
        CNAConvertVariant* pclSourceMemo = pSource->tabMemos[i];
        if (i < p->tabMemos.nGetNbElement() && p->tabMemos[i] != nullptr) {
            p->tabMemos[i]->bCopyVariant(pclSourceMemo);
        } else {
            CNAConvertVariant* pclClone = pclSourceMemo != nullptr ? pclSourceMemo->pclGetCloneVariant() : nullptr;
            while (p->tabMemos.nGetNbElement() < i) p->tabMemos.Ajoute(nullptr);
            if (i < p->tabMemos.nGetNbElement())
                p->tabMemos.SetAt(pclClone, i);
            else
                p->tabMemos.Ajoute(pclClone);
        }
    }
    for (int i = pSource->tabMemos.nGetNbElement(); i < p->tabMemos.nGetNbElement(); i++)
        if (p->tabMemos[i] != nullptr) p->tabMemos[i]->SetNull();
    return true;
}

CNARecordValue* NA_pclRecordValueClone(const CNARecordValue* pclValue) {
    CNARecordValue* pclClone = NA_pclNewRecordValue(pst(pclValue)->pclError);
    if (pclClone == nullptr) return nullptr;
    if (!NA_bRecordValueCopy(pclClone, pclValue)) {
        NA_ReleaseRecordValue(pclClone);
        return nullptr;
    }
    return pclClone;
}

CNAYFRecord* NA_pclRecordValueNAYFRecord(const CNARecordValue* pclValue) {
    return pst(pclValue)->pclImage;
}

bool NA_bRecordValueEquals(const CNARecordValue* pclValue, const CNARecordValue* pclOther, int bMemos) {
    if (pclOther == nullptr) return false;
    const stValeurEnregistrement* pA = pst(pclValue);
    const stValeurEnregistrement* pB = pst(pclOther);
    if (pA->pclImage == nullptr || !pA->pclImage->bEquals(pB->pclImage)) return false;
    if (!bMemos || pA == pB) return true;
    const int n = pA->tabMemos.nGetNbElement() > pB->tabMemos.nGetNbElement() ? pA->tabMemos.nGetNbElement()
                                                                              : pB->tabMemos.nGetNbElement();
    for (int i = 0; i < n; i++) {
        const CNAConvertVariant* a = i < pA->tabMemos.nGetNbElement() ? pA->tabMemos[i] : nullptr;
        const CNAConvertVariant* b = i < pB->tabMemos.nGetNbElement() ? pB->tabMemos[i] : nullptr;
        if (!CNAVariant::g_bEqualsNAVariant(a, b)) return false;
    }
    return true;
}

void NA_SetRecordValueState(CNARecordValue* pclValue, unsigned nState) {
    pst(pclValue)->nState = nState;
}

unsigned NA_nGetRecordValueState(const CNARecordValue* pclValue) {
    return pst(pclValue)->nState;
}

bool NA_bRecordValueShareMemoValue(CNARecordValue* pclValue, unsigned k, CNAConvertVariant* pclConverter) {
    stValeurEnregistrement* p = pst(pclValue);
    while (static_cast<unsigned>(p->tabMemos.nGetNbElement()) < k) p->tabMemos.Ajoute(nullptr);
    if (static_cast<unsigned>(p->tabMemos.nGetNbElement()) == k)
        p->tabMemos.Ajoute(pclConverter);
    else
        p->tabMemos.SetAt(pclConverter, static_cast<int>(k));
    return true;
}

bool NA_bRecordValueIdToString(const CNARecordValue*, CXYStringConcat<wchar_t>*) {
    return false;
}

bool NA_bRecordValueShareNewRecordID(CNADataAccess*, CNARecordValue*) {
    return true;
}

const wchar_t* NA_pszGetDataAccessLogicalName(const CNADataAccess*) {
    return L"";
}

bool NA_bDataAccessSourceIsQuery(const CNADataAccess*) {
    return false;
}

CSQLParserInfo* NA_pclDataAccessSourceQuery(const CNADataAccess*) {
    return nullptr;
}

CNARecord* NA_pclStatementRecord(CNAStatement*) {
    return nullptr;
}

unsigned NA_nStatementBindDefineFlag(CNAStatement*) {
    return 3;
}
