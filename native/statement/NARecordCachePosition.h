// CNARecordCachePosition: the record cache a data access keeps its saved records in (saved
// positions, reference rows, rows modified under a browse). Each row is a numbered slot with a
// reference count; a slot whose count falls to 0 leaves the identity hash and is reused by the
// next record kept, the lowest released slot first.
#pragma once

#include "core/TTableau.h"
#include "native/statement/NARecordCache.h"

class CNARecordCachePosition : public CNARecordCache {
public:
    static constexpr int DEFAULT_REF_GROW_STEP = 500;

    CNARecordCachePosition();
    ~CNARecordCachePosition() override;

    // ---- the cache's virtual operations
    void SetGrowStep(int nRows, int nBytes) override;
    // Slots are made only by nKeepRecordSave: answers -1.
    int nAjoute(const CNARecordValue* pclValue) override;
    // Slots are never removed one by one: nothing.
    void Supprime(int n) override;
    void SupprimeTout() override;
    // Appends the row with a reference count of 0.
    int _nAjoute(const CNARecordValue* pclValue) override;
    // Nothing: answers -1.
    int _Insere(const CNARecordValue* pclValue, int n) override;

    // ---- saved-record slots
    // The slot holding the value: the row of its identity when it is already kept, else a released
    // slot overwritten, else a new slot; -1 when the value could not be stored. The caller then
    // adds its reference.
    int nKeepRecordSave(const CNARecordValue* pclValue);
    void AddRefRecordSave(int nSlot);
    // Drops one reference; at 0 the slot's identity leaves the hash and the slot may be reused.
    // Answers the references left.
    int nReleaseRecordSave(int nSlot);

    int nGetRefRecordSave(int nSlot) const;
    int nGetFirstFree() const { return m_nFirstFree; }

private:
    CTTableau<int> m_tabRef;
    // The lowest slot known to be free, -1 when none is known.
    int m_nFirstFree = -1;
};
