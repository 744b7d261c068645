// The record cache's fixture: rows of the record layout of the model's tests (a unique id, a
// text, a date, a text memo, a binary item and a composite key) made into record values through
// the layout's columns, with a record-values or a row-id identity; a reader that takes a row back
// into a fresh value and reads its items.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordCachePosition.h"
#include "tests/model/RecordFixture.h"
#include "tests/statement/StatementTestSupport.h"

class RecordCacheTest : public RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        Build();
    }

    // A row of the layout (one reference): id, nom and, unless null, the memo; identified by its
    // record bytes, or by the row id given.
    CNARecordValue* pclRow(int nId, const char* pszNom, const char* pszNotes = nullptr,
                           const char* pszRowId = nullptr) {
        CAny cl;
        cl.SetI4(nId);
        pclCol(L"id")->bSetValue(&cl, 0);
        SetDSTRA(&cl, pszNom);
        pclCol(L"nom")->bSetValue(&cl, 0);
        if (pszNotes != nullptr) {
            SetDSTRA(&cl, pszNotes);
            pclCol(L"notes")->bSetValue(&cl, 0);
        } else {
            pclCol(L"notes")->bSetValueNULL();
        }
        CNARecordValue* pcl = m_pclRecord->pclGetCurrentRecordValueNoRef()->pclGetClone(CNARecordValue::COPY_ALL);
        pcl->AddRef();
        CNARecordId* pclId = pszRowId != nullptr
                                 ? static_cast<CNARecordId*>(new CNARecordId_RowId(pclBytesVariant(m_pclErr, pszRowId)))
                                 : new CNARecordId_RecordValues(pcl);
        pcl->bShareRecordID(pclId);
        return pcl;
    }

    // The same row, kept alive by the fixture until the end of the test.
    CNARecordValue* pclRowNoRef(int nId, const char* pszNom, const char* pszNotes = nullptr,
                                const char* pszRowId = nullptr) {
        m_vKept.push_back(std::make_unique<CHeld<CNARecordValue>>(pclRow(nId, pszNom, pszNotes, pszRowId)));
        (*m_vKept.back())->nRelease();
        return m_vKept.back()->get();
    }
    void TearDown() override {
        m_vKept.clear();
        RecordTest::TearDown();
    }

    // Row n as "id|nom|notes" read from a fresh value ("<absent>" when the cache refuses it).
    std::string sRead(CNARecordCache* pclCache, int n) {
        CHeld<CNARecordValue> clValue(new CNARecordValue(m_pclErr));
        if (!pclCache->bGetAt(clValue.get(), n)) return "<absent>";
        return sItems(clValue.get());
    }
    std::string sItems(const CNARecordValue* pclValue) {
        CAny clId, clNom, clNotes;
        pclValue->bGetItemValue(&clId, pclCol(L"id")->piGetItemNoRef());
        pclValue->bGetItemValue(&clNom, pclCol(L"nom")->piGetItemNoRef());
        pclValue->bGetMemoValue(&clNotes, 0);
        int nId = 0;
        clId.nGetINT(&nId);
        return std::to_string(nId) + "|" + sTexteA(clNom) + "|" + (clNotes.bIsNull() ? "<null>" : sTexteA(clNotes));
    }
    // The row id a value read from the cache carries.
    static std::string sRowId(const CNARecordValue* pclValue) {
        const CNARecordId* pclId = pclValue->pclGetRecordIdNoRef();
        if (pclId == nullptr || pclId->eGetRecordIdType() != NA_RECORDID_ROWID) return "<none>";
        return sBytes(static_cast<const CNARecordId_RowId*>(pclId)->pclGetVariantNoRef());
    }

    // What the cache keeps true whatever happens: its per-row tables run in parallel, the deleted
    // count is the number of deleted states, and every hash entry is one row's own stored identity
    // under that row's number (every stored identity is, unless released slots may be left out).
    static void ExpectInvariants(const CNARecordCache* pclCache, bool bEveryIdHashed) {
        const int nRows = pclCache->nGetNbRecord();
        EXPECT_EQ(pclCache->clGetRecordIdTable().nGetNbElement(), nRows);
        EXPECT_LE(pclCache->nGetNbMemoEntry(), nRows);
        unsigned nDeleted = 0;
        int nIds = 0;
        for (int n = 0; n < nRows; n++) {
            if (pclCache->eGetRecordState(n) == NA_RECORDSTATE_DELETED) nDeleted++;
            if (pclCache->clGetRecordIdTable().pbyGetElement(n, nullptr) != nullptr) nIds++;
        }
        EXPECT_EQ(pclCache->nGetNbDeleted(), nDeleted);
        const CHashTableBounce& clHash = pclCache->clGetIdentityHash();
        unsigned nEntries = 0;
        for (uint32_t s = 0; s < clHash.dwGetCapacity(); s++) {
            const CHashTableBounce::_stELEMENT& st = clHash.pstGetElements()[s];
            if (st.dwPrevious == CHashTableBounce::ELEMENT_LIBRE) continue;
            nEntries++;
            const int n = static_cast<int>(reinterpret_cast<intptr_t>(st.pValue));
            ASSERT_TRUE(n >= 0 && n < nRows) << n;
            EXPECT_EQ(st.pKey, pclCache->clGetRecordIdTable().pbyGetElement(n, nullptr)) << n;
        }
        EXPECT_EQ(nEntries, clHash.dwGetNumElement());
        if (bEveryIdHashed) {
            EXPECT_EQ(nEntries, unsigned(nIds));
        }
    }

    std::vector<std::unique_ptr<CHeld<CNARecordValue>>> m_vKept;
};
