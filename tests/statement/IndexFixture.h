// The column indexes' fixture: a record layout of a nullable integer "v", a text "tag", a wide text
// "s" (a Unicode connection's varchar(30)), a text memo "m" and a wide text memo "w"; rows made
// through the layout's columns and appended to a record cache; an index of either kind over one
// column, with the statement's user search; and readers of the order an index gives.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "native/statement/IndexFixedSizeItem.h"
#include "native/statement/IndexMemo.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NAUserSearch.h"
#include "tests/model/RecordFixture.h"
#include "tests/statement/StatementTestSupport.h"

// One row: each value absent is NULL.
struct stIndexRow {
    std::optional<int> v;
    const char* tag = nullptr;
    const wchar_t* s = nullptr;
    const char* m = nullptr;
    const wchar_t* w = nullptr;
};

// The two kinds of column index.
enum eKIND { KIND_FIXED, KIND_MEMO };

class IndexTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        m_pclErr = new CNAError;
        m_pclErr->AddRef();
        m_pclHost = pclDescription(false);
        m_pclServer = pclDescription(true);
        m_pclRecord = new CNARecord(m_pclErr, nullptr);
        m_pclRecord->AddRef();
        ASSERT_TRUE(m_pclRecord->bInitRecord(m_pclHost, m_pclServer, &m_clCnx));
        m_pclCache = new CNARecordCache;
        m_pclCache->AddRef();
        m_pclCache->SetActive(1);
    }
    void TearDown() override {
        m_pclIndex.reset();
        m_clSearch.CancelUserSearch();
        m_pclCache->nRelease();
        m_pclRecord->nRelease();
        m_pclHost->nRelease();
        m_pclServer->nRelease();
        m_pclErr->nRelease();
        ModelTest::TearDown();
    }

    CNADataSourceDescription* pclDescription(bool bServer) {
        auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
        pcl->AddRef();
        pcl->SetLogicalName(L"Rangs");
        pcl->bAddItem(L"v", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
        pcl->bAddItem(L"tag", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, -1, 0, 0, 0);
        pcl->bAddItem(L"s", nullptr, nullptr, 1, 62, NA_IT_UNICODE, -1, -1, 0, 0, 0);
        pcl->bAddItem(L"m", nullptr, nullptr, 1, 8, NA_IT_MEMOTEXTE, -1, -1, 0, 0, 0);
        pcl->bAddItem(L"w", nullptr, nullptr, 1, 8, NA_IT_MEMOUNICODE, -1, -1, 0, 0, 0);
        if (bServer) {
            const unsigned tabCodes[] = {23, 1043, 1043, 25, 25};
            for (int i = 0; i < 5; i++) pcl->pclGetItemNoRef(i)->SetDBType(L"", tabCodes[i]);
        }
        pcl->UpdateRecordSize();
        return pcl;
    }
    CNAColumn* pclCol(const wchar_t* pszName) { return m_pclRecord->pclGetColumnNoRef(pszName); }

    // The row made into the current record's values.
    void SetCurrent(const stIndexRow& st) {
        CAny cl;
        if (st.v) {
            cl.SetI4(*st.v);
            ASSERT_TRUE(pclCol(L"v")->bSetValue(&cl, 0));
        } else {
            ASSERT_TRUE(pclCol(L"v")->bSetValueNULL());
        }
        auto SetText = [&](const wchar_t* pszCol, const char* psz) {
            if (psz != nullptr) {
                SetDSTRA(&cl, psz);
                ASSERT_TRUE(pclCol(pszCol)->bSetValue(&cl, 0));
            } else {
                ASSERT_TRUE(pclCol(pszCol)->bSetValueNULL());
            }
        };
        auto SetWide = [&](const wchar_t* pszCol, const wchar_t* psz) {
            if (psz != nullptr) {
                SetDSTRW(&cl, psz);
                ASSERT_TRUE(pclCol(pszCol)->bSetValue(&cl, 0));
            } else {
                ASSERT_TRUE(pclCol(pszCol)->bSetValueNULL());
            }
        };
        SetText(L"tag", st.tag);
        SetWide(L"s", st.s);
        SetText(L"m", st.m);
        SetWide(L"w", st.w);
    }
    // Appends the row to the cache; its row number.
    int nAdd(const stIndexRow& st) {
        SetCurrent(st);
        CNARecordValue* pcl = m_pclRecord->pclGetCurrentRecordValueNoRef()->pclGetClone(CNARecordValue::COPY_ALL);
        pcl->AddRef();
        const int n = m_pclCache->nAjoute(pcl);
        pcl->nRelease();
        EXPECT_EQ(n, m_pclCache->nGetNbRecord() - 1);
        return n;
    }
    // Rows whose "v" and "m" both hold the value given ("m" its decimal text).
    void AddValues(const std::vector<int>& vValues) {
        for (int n : vValues) {
            const std::string s = std::to_string(n);
            m_vTexts.push_back(s);
            nAdd({n, nullptr, nullptr, m_vTexts.back().c_str(), nullptr});
        }
    }
    // The statement's original record holds the row (as if it had read it).
    void SetOriginal(const stIndexRow& st) {
        SetCurrent(st);
        ASSERT_TRUE(m_pclRecord->bCopyCurrentRecordToOriginalRecord());
    }
    // The statement's original record becomes row n of the cache (the row it last read).
    void ReadAsOriginal(int n) { ASSERT_TRUE(m_pclCache->bGetAt(m_pclRecord->pclGetOriginalRecordValueNoRef(), n)); }

    // A new index of that kind over the column, built.
    CIndexItem* pclIndex(eKIND eKind, const wchar_t* pszColumn) {
        if (eKind == KIND_FIXED)
            m_pclIndex = std::make_unique<CIndexFixedSizeItem>(m_pclErr, nullptr, m_pclCache, pclCol(pszColumn), &m_clSearch);
        else
            m_pclIndex = std::make_unique<CIndexMemo>(m_pclErr, nullptr, m_pclCache, pclCol(pszColumn), &m_clSearch);
        EXPECT_TRUE(m_pclIndex->bInit());
        return m_pclIndex.get();
    }
    // The index over "v" (fixed) or "m" (memo), which hold the same values.
    CIndexItem* pclValueIndex(eKIND eKind) { return pclIndex(eKind, eKind == KIND_FIXED ? L"v" : L"m"); }
    // A user search on the kind's column for the value (-1: none).
    void Search(eKIND eKind, int nValue) {
        if (nValue < 0) {
            m_clSearch.CancelUserSearch();
            return;
        }
        CAny cl;
        if (eKind == KIND_FIXED)
            cl.SetI4(nValue);
        else
            SetDSTRA(&cl, std::to_string(nValue).c_str());
        m_clSearch.SetUserSearch(pclCol(eKind == KIND_FIXED ? L"v" : L"m")->piGetItemNoRef(), &cl, 0);
    }

    // The row a move answers (-1: none), or -2 when the index fails.
    static int nMove(CIndexItem* pcl, eNA_PARSEDIRECTION e, int nCount = 1, unsigned* pnDup = nullptr) {
        int nRow = -3;
        if (!pcl->bGetRecordPosition(e, nCount, &nRow, pnDup)) return -2;
        return nRow;
    }
    // Every row from first by next (from last by previous when bBackward).
    static std::vector<int> Browse(CIndexItem* pcl, bool bBackward = false) {
        std::vector<int> v;
        for (int n = nMove(pcl, bBackward ? NA_PARSE_LAST : NA_PARSE_FIRST); n >= 0;
             n = nMove(pcl, bBackward ? NA_PARSE_PREVIOUS : NA_PARSE_NEXT))
            v.push_back(n);
        return v;
    }

    standin::CStandInConnectionDescription m_clHostCnx;
    CModelTestConnection m_clCnx{&m_clHostCnx};
    CNAError* m_pclErr = nullptr;
    CNADataSourceDescription* m_pclHost = nullptr;
    CNADataSourceDescription* m_pclServer = nullptr;
    CNARecord* m_pclRecord = nullptr;
    CNARecordCache* m_pclCache = nullptr;
    CNAUserSearch m_clSearch;
    std::unique_ptr<CIndexItem> m_pclIndex;
    std::vector<std::string> m_vTexts;
};
