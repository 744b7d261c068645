// The record fixture of the model's tests: a host description with a unique id that refuses NULL, a
// nullable text, a date, a text memo, a binary item and a unique composite key over the text and
// the binary item; the server's description of the same table; a record layout built over both.
#pragma once

#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "tests/model/ModelConnection.h"
#include "tests/model/ModelTestSupport.h"

class RecordTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        m_pclErr = new CNAError;
        m_pclErr->AddRef();
        m_pclHost = pclDescription(false);
        m_pclServer = pclDescription(true);
    }
    void TearDown() override {
        if (m_pclRecord != nullptr) m_pclRecord->nRelease();
        m_pclHost->nRelease();
        m_pclServer->nRelease();
        m_pclErr->nRelease();
        ModelTest::TearDown();
    }

    // The fixture's table; the server's version carries server type codes.
    CNADataSourceDescription* pclDescription(bool bServer) {
        auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
        pcl->AddRef();
        pcl->SetLogicalName(L"Client");
        pcl->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, NA_KEY_UNIQUE, 0, 0);
        pcl->pclGetItemNoRef(0)->SetNullable(0);
        pcl->bAddItem(L"nom", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, -1, 0, 0, 0);
        pcl->bAddItem(L"naissance", nullptr, nullptr, 1, 9, NA_IT_DATE8, -1, -1, 0, 0, 0);
        pcl->bAddItem(L"notes", nullptr, nullptr, 1, 8, m_eMemoType, -1, -1, 0, 0, 0);
        pcl->bAddItem(L"code", nullptr, nullptr, 1, 6, NA_IT_BINAIRE, -1, -1, 0, 0, 0);
        pcl->bAddItem(L"cle", nullptr, nullptr, 1, 0, NA_IT_BINAIRE, -1, 1, NA_KEY_COMPOSED | NA_KEY_UNIQUE, 0, 0);
        pcl->_bAddItemComponent(pcl->pclGetItemNoRef(5), L"nom");
        pcl->_bAddItemComponent(pcl->pclGetItemNoRef(5), L"code");
        if (bServer) {
            const unsigned tabCodes[] = {23, 1043, 1082, 25, 17, 0};
            for (int i = 0; i < 6; i++) pcl->pclGetItemNoRef(i)->SetDBType(L"", tabCodes[i]);
        }
        pcl->UpdateRecordSize();
        return pcl;
    }
    void Build() {
        m_pclRecord = new CNARecord(m_pclErr, nullptr);
        m_pclRecord->AddRef();
        ASSERT_TRUE(m_pclRecord->bInitRecord(m_pclHost, m_pclServer, &m_clCnx));
    }
    CNAColumn* pclCol(const wchar_t* pszName) { return m_pclRecord->pclGetColumnNoRef(pszName); }
    std::string sSlot(const wchar_t* pszName) {
        CNAColumn* pcl = pclCol(pszName);
        const unsigned char* p = m_pclRecord->pclGetNAYFRecord()->pbyGetItemValue(pcl->piGetItemNoRef(), 0);
        return std::string(reinterpret_cast<const char*>(p), pcl->nGetItemSize());
    }

    standin::CStandInConnectionDescription m_clHostCnx;
    CModelTestConnection m_clCnx{&m_clHostCnx};
    CNAError* m_pclErr = nullptr;
    CNADataSourceDescription* m_pclHost = nullptr;
    CNADataSourceDescription* m_pclServer = nullptr;
    CNARecord* m_pclRecord = nullptr;
    // The kind of the memo item "notes" in descriptions made from now on.
    eNA_ITEMTYPE m_eMemoType = NA_IT_MEMOTEXTE;
};
