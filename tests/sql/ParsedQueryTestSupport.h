// Parsed queries for the tests: a stand-in parsed query built over a query text, its pieces found
// by their text (the n-th occurrence), the values of its literals, and the descriptions of the two
// tables the fixture's texts name ("t" and "Client", as the test server's temporary tables).
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <memory>
#include <string>

#include "native/model/NADataSourceDescription.h"
#include "native/sql/SQLParserInterfaces.h"
#include "tests/host/StandInParsedQuery.h"
#include "tests/model/ModelTestSupport.h"
#include "variant/Any.h"

namespace sqltest {

// Operator codes the host gives the logical and arithmetic operators in these tests; the driver
// names none of them.
constexpr int OP_PLUS = 0;
constexpr int OP_AND = 1;
constexpr int OP_OR = 3;
constexpr int OP_TIMES = 4;
// Codes the driver knows by number.
constexpr int OP_EQUAL = 9, OP_DIFFERENT = 10, OP_LESS = 11, OP_GREATER = 13, OP_GREATEREQUAL = 14;
constexpr int OP_COUNT = 27;
constexpr int OP_LIKE = 32, OP_ISNULL = 33, OP_ITEM = 47, OP_LITERAL = 48;
constexpr int OP_LEFT = 42, OP_RIGHT = 43, OP_UPPER = 45;
constexpr int OP_REFUSED_EXPRESSION = 58, OP_REFUSED_OPERATOR = 73;

class CQueryBuilder {
public:
    explicit CQueryBuilder(const std::wstring& sText) : m_clQuery(sText) {}

    standin::CStandInParsedQuery* operator->() { return &m_clQuery; }
    standin::CStandInParsedQuery& rGet() { return m_clQuery; }
    const std::wstring& sText() const { return m_clQuery.m_sText; }

    // The span of the n-th occurrence of a piece of the text (from 0); the test fails without one.
    stPosition At(const std::wstring& sPiece, int nth = 0) const {
        size_t n = std::wstring::npos;
        size_t nFrom = 0;
        for (int i = 0; i <= nth; i++) {
            n = m_clQuery.m_sText.find(sPiece, nFrom);
            if (n == std::wstring::npos) break;
            nFrom = n + 1;
        }
        EXPECT_NE(n, std::wstring::npos) << "no " << nth << "th \"" << std::string(sPiece.begin(), sPiece.end()) << "\"";
        if (n == std::wstring::npos) return stPosition{0, 0};
        return stPosition{static_cast<int32_t>(n), static_cast<int32_t>(n + sPiece.size() - 1)};
    }
    int nAt(const std::wstring& sPiece, int nth = 0) const { return At(sPiece, nth).nDebut; }

    // ---- expression nodes
    standin::CStandInExpression* Item(const std::wstring& sPiece, int nth = 0) {
        return Item(sPiece, sPiece, L"", nth);
    }
    // An item written "table.item" (or an alias of the table) in the text.
    standin::CStandInExpression* Item(const std::wstring& sPiece, const std::wstring& sName, const std::wstring& sTable,
                                      int nth = 0) {
        standin::CStandInExpression* pcl = m_clQuery.pclNode(OP_ITEM, At(sPiece, nth));
        pcl->m_sItem = sName;
        pcl->m_sTable = sTable;
        return pcl;
    }
    standin::CStandInExpression* Lit(const std::wstring& sPiece, const CAny* pclValue, int nth = 0) {
        standin::CStandInExpression* pcl = m_clQuery.pclNode(OP_LITERAL, At(sPiece, nth));
        pcl->m_pclValue = pclValue;
        return pcl;
    }
    standin::CStandInExpression* Op(int nCode, const std::wstring& sPiece,
                                    std::initializer_list<standin::CStandInExpression*> tabOperands, int nth = 0) {
        standin::CStandInExpression* pcl = m_clQuery.pclNode(nCode, At(sPiece, nth));
        pcl->m_tabOperands = tabOperands;
        return pcl;
    }

    // ---- clauses
    // FROM entries: the table's name as written, and its alias when one follows.
    standin::CStandInFrom* From(const std::wstring& sName, int nth = 0, const std::wstring& sAlias = L"",
                                int nthAlias = 0) {
        standin::CStandInFrom* pcl = m_clQuery.pclFrom(sName, At(sName, nth));
        if (!sAlias.empty()) {
            pcl->m_sAlias = sAlias;
            pcl->m_stPositionAlias = At(sAlias, nthAlias);
        }
        return pcl;
    }
    // A plain output item of the first table.
    standin::CStandInRubrique* Out(const std::wstring& sPiece, int nth = 0) {
        return m_clQuery.pclOut(sPiece, At(sPiece, nth));
    }
    // A computed output item named sName whose text is sPiece (its alias written after it).
    standin::CStandInRubrique* Computed(const std::wstring& sName, const std::wstring& sPiece,
                                        standin::CStandInExpression* pclExpression, int nth = 0) {
        standin::CStandInRubrique* pcl = m_clQuery.pclOut(sName, At(sPiece, nth));
        pcl->m_pclExpression = pclExpression;
        pcl->m_bPlain = 0;
        pcl->m_sTable.clear();
        pcl->m_sSource = sName;
        return pcl;
    }
    void Where(const std::wstring& sLast, standin::CStandInExpression* pclTree, int nthLast = 0) {
        m_clQuery.m_nWhereStart = nAt(L"WHERE");
        m_clQuery.m_nWhereEnd = At(sLast, nthLast).nFin;
        m_clQuery.m_pclWhere = pclTree;
    }
    // The ORDER BY clause: its items by their text, in order after the keyword, each with the index
    // of the output item it orders by (-1: none).
    void OrderBy(std::initializer_list<std::pair<std::wstring, int>> tabItems) {
        m_clQuery.m_nOrderStart = nAt(L"ORDER BY");
        size_t nFrom = static_cast<size_t>(m_clQuery.m_nOrderStart) + 8;
        for (const auto& st : tabItems) {
            const size_t n = m_clQuery.m_sText.find(st.first, nFrom);
            EXPECT_NE(n, std::wstring::npos);
            if (n == std::wstring::npos) return;
            nFrom = n + st.first.size();
            m_clQuery.pclOrder(st.second, stPosition{static_cast<int32_t>(n), static_cast<int32_t>(nFrom - 1)}, 0);
        }
    }

    // ---- values, kept as long as the builder
    const CAny* Int(int n) {
        m_tabValues.emplace_back();
        m_tabValues.back().SetI4(n);
        return &m_tabValues.back();
    }
    CAny* Text(const wchar_t* psz) {
        m_tabValues.emplace_back();
        CAny& cl = m_tabValues.back();
        cl.__SetType(VQTYPE_DSTRW, 0);
        cl.pclGetValeur()->SetValue(psz, wcslen(psz) * sizeof(wchar_t));
        return &cl;
    }

private:
    standin::CStandInParsedQuery m_clQuery;
    std::deque<CAny> m_tabValues;
};

// The descriptions of the tables "t" and "Client" of the test server, with one internal reference
// each, and what a query over them gives its output items.
class CFixtureTables {
public:
    CFixtureTables(CNAConnectionDescription* pclConnection, CNAError* pclError) {
        m_pclT = new CNADataSourceDescription(pclConnection, pclError);
        m_pclT->AddRef();
        m_pclT->SetLogicalName(L"t");
        m_pclT->SetDBName(L"t");
        struct stItem {
            const wchar_t* pszName;
            unsigned nSize;
            eNA_ITEMTYPE eType;
        };
        for (const stItem& st : {stItem{L"a", 4, NA_IT_I4}, stItem{L"b", 20, NA_IT_TEXTE}, stItem{L"c", 4, NA_IT_I4},
                                 stItem{L"x", 4, NA_IT_I4}, stItem{L"y", 20, NA_IT_TEXTE}, stItem{L"n", 4, NA_IT_I4},
                                 stItem{L"d", 8, NA_IT_DATE8}})
            m_pclT->bAddItem(st.pszName, nullptr, nullptr, 1, st.nSize, st.eType, -1, -1, 0, 0, 0);
        m_pclT->UpdateRecordSize();

        m_pclClient = new CNADataSourceDescription(pclConnection, pclError);
        m_pclClient->AddRef();
        m_pclClient->SetLogicalName(L"Clients");
        m_pclClient->SetDBName(L"Client");
        m_pclClient->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, NA_KEY_PRIMARY, 0, 0);
        m_pclClient->pclGetItemNoRef(0)->SetNullable(0);
        m_pclClient->bAddItem(L"nom", nullptr, nullptr, 1, 10, NA_IT_TEXTE, -1, 1, NA_KEY_DUPLICATES, 0, 0);
        m_pclClient->bAddItem(L"naissance", nullptr, nullptr, 1, 8, NA_IT_DATE8, -1, -1, 0, 0, 0);
        m_pclClient->bAddItem(L"notes", nullptr, nullptr, 1, 8, NA_IT_MEMOTEXTE, -1, -1, 0, 0, 0);
        m_pclClient->UpdateRecordSize();
    }
    ~CFixtureTables() {
        m_pclT->nRelease();
        m_pclClient->nRelease();
    }
    CFixtureTables(const CFixtureTables&) = delete;
    CFixtureTables& operator=(const CFixtureTables&) = delete;

    // The query knows "t" (and "Clients", whose table on the server is "Client"); each output item
    // of a plain column gets that column's description.
    void Describe(CQueryBuilder* pclQuery) {
        standin::CStandInParsedQuery& q = pclQuery->rGet();
        q.SetSource(L"t", m_pclT);
        q.SetSource(L"Clients", m_pclClient);
        q.SetPhysicalName(L"Clients", L"Client");
        for (standin::CStandInRubrique* pcl : q.m_tabOut) {
            if (!pcl->m_bPlain) continue;
            for (standin::CStandInFrom* pclFrom : q.m_tabFrom) {
                if (pclFrom->m_sAlias != pcl->m_sTable && pclFrom->m_sName != pcl->m_sTable) continue;
                CNADataSourceDescription* pclSource = pclFrom->m_sName == L"t"         ? m_pclT
                                                      : pclFrom->m_sName == L"Clients" ? m_pclClient
                                                                                       : nullptr;
                CNAItemDescription* pclItem =
                    pclSource != nullptr ? pclSource->pclNAGetItemNoRef(pcl->m_sSource.c_str(), 0) : nullptr;
                if (pclItem != nullptr) q.SetOutDescription(pcl->m_nIndex, pclItem);
                break;
            }
        }
    }

    CNADataSourceDescription* m_pclT;
    CNADataSourceDescription* m_pclClient;
};

}  // namespace sqltest
