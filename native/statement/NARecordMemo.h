// CNARecordMemo: the memo (large) values of one row, by memo index of the record layout. A row's
// record image holds only markers for its memos; their values travel beside it in this table,
// which record values and the record cache share by reference. An entry may be null: that memo
// has no value object yet.
#pragma once

#include "core/KXUnknown.h"
#include "core/RefArray.h"
#include "native/model/NAConvertVariant.h"

class CNARecordMemo : public CKXUnknown {
public:
    // Empty; the count starts at 0 and the first holder takes the first reference.
    CNARecordMemo();
    ~CNARecordMemo() override;

    int nGetNbMemo() const { return m_tabMemo.nGetNbElement(); }
    // The variant at n; null outside the table or for an empty entry.
    CNAConvertVariant* pclGetMemoValueNoRef(int n) const;
    // Whether some entry holds a variant (asked at every copy of a row: inline).
    bool bHoldsValues() const {
        for (int i = 0; i < m_tabMemo.nGetNbElement(); i++)
            if (m_tabMemo[i] != nullptr) return true;
        return false;
    }

    // The value at n becomes a copy of the variant: the variant already there copies it, otherwise
    // a clone is stored there (the table padded with null entries). False when the clone cannot be
    // made or the copy fails.
    int bCopyMemoValue(int n, const CNAConvertVariant* pclValue);
    // Every value of the source copied to the same index, in order; stops at the first that cannot
    // be copied (false, the entries copied so far stay). After a complete copy every own variant
    // beyond the source's count is set to NULL. A null or empty source NULLs every own variant.
    int bCopyRecordMemo(const CNARecordMemo* pclSource);
    // bCopyRecordMemo's usual case inline (a row's memos copied into its original records at every
    // read): as many entries on both sides, each own one a variant that takes the source's held
    // value (CNAConvertVariant::bCopyHeldValue). False at the first that does not; the entries
    // before it are copied already, which bCopyRecordMemo then does again to the same effect.
    [[gnu::always_inline]] bool bCopyHeldValues(const CNARecordMemo* pclSource) {
        const int n = m_tabMemo.nGetNbElement();
        if (n == 0 || pclSource->m_tabMemo.nGetNbElement() != n) return false;
        for (int i = 0; i < n; i++) {
            CNAConvertVariant* pclOwn = m_tabMemo[i];
            if (pclOwn == nullptr || !pclOwn->bCopyHeldValue(pclSource->m_tabMemo[i])) return false;
        }
        return true;
    }
    // The variant itself stored at n (a reference taken), the table padded with null entries.
    int bShareMemoValue(int n, CNAConvertVariant* pclValue);

private:
    // Null entries up to n excluded; false when the table cannot grow.
    bool _bPadTo(int n);

    CRefArray<CNAConvertVariant> m_tabMemo;
};

template <>
struct CRefTraits<CNARecordMemo> {
    static void _AddRef(CNARecordMemo* p) { p->AddRef(); }
    static void _Release(CNARecordMemo* p) { p->dwRelease(); }
};
