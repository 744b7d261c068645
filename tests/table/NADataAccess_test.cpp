// The data access without a server: the engine's explicit locks that no SQL server offers, the
// hooks' defaults, the record numbers it refuses, browse items it does not know, saved positions it
// does not have (a comparison always writes its answer), counts without the quick option, the
// statements kept per browse item, generated index names, and the order of its virtual table.
#include "native/table/NADataAccess.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>

#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordMemo.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatement.h"
#include "pgsql/PSQLDataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"
#include "tests/statement/StatementTestSupport.h"
#include "tests/table/OrdersAccessFixture.h"

namespace {

std::wstring wsOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring();
}

class NADataAccessTest : public OrdersAccessTest<> {};

// ------------------------------------------------------------------------------- kept record values

// What a re-positioning keeps to put the records back is what a clone of the value would be, also
// when it reuses a copy kept for an earlier value that had parts this one lacks.
TEST_F(NADataAccessTest, KeptRecordValuesAreWhatAClonesWouldBe) {
    using V = std::vector<std::string>;
    struct Case {
        const char* pszName;
        const char* pszImage;  // null: no image
        V vMemos;
        bool bId;
    };
    const Case tabCases[] = {
        {"every part", "row one", {"a", "b"}, true},       {"no memo after memos", "row two", {}, true},
        {"one memo after none", "row six", {"c"}, true},   {"a memo NULL", "row ten", {"<none>", "d"}, true},
        {"no image, no identity", nullptr, {"e"}, false},  {"another layout", "a longer row", {"f", "g", "h"}, true},
        {"every part again", "row one", {"a", "b"}, true},
    };
    auto sState = [](const CNARecordValue* pcl) {
        std::string s = sImage(pcl->pclGetNAYFRecord()) + " |";
        const CNARecordMemo* pclMemo = pcl->pclGetRecordMemoNoRef();
        if (pclMemo == nullptr) s += " no memo table";
        for (int i = 0; pclMemo != nullptr && i < pclMemo->nGetNbMemo(); i++)
            s += " " + sBytes(pclMemo->pclGetMemoValueNoRef(i));
        const CNARecordId* pclId = pcl->pclGetRecordIdNoRef();
        s += pclId == nullptr ? " | no identity" : " | identity " + std::to_string(pclId->eGetRecordIdType());
        if (pclId != nullptr && pclId->eGetRecordIdType() == NA_RECORDID_RECORDVALUES) {
            const auto* pclOwn = static_cast<const CNARecordId_RecordValues*>(pclId);
            const bool bOwn = pcl->pclGetNAYFRecord() != nullptr &&
                              pclOwn->pbyGetRecord() == pcl->pclGetNAYFRecord()->pbyGetBuffer() &&
                              pclOwn->pclGetMemoNoRef() == pcl->pclGetRecordMemoNoRef();
            s += bOwn ? " over its own parts" : " over other parts";
        }
        return s + " | state " + std::to_string(pcl->eGetRecordState());
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszName);
        CHeld<CNARecordValue> clSource(new CNARecordValue(m_pclError));
        if (c.pszImage != nullptr) {
            CHeld<CNAYFRecord> clImage(pclImage(c.pszImage));
            clSource->bCopyNAYFRecord(clImage.get());
        }
        for (size_t i = 0; i < c.vMemos.size(); i++)
            clSource->bShareMemoValue(static_cast<int>(i),
                                      c.vMemos[i] == "<none>" ? nullptr : pclTextVariant(m_pclError, c.vMemos[i]));
        if (c.bId) {
            CHeld<CNARecordId> clId(new CNARecordId_RecordValues(clSource.get()));
            clSource->bShareRecordID(clId.get());
        }
        clSource->SetRecordState(c.bId ? NA_RECORDSTATE_PRESENT : NA_RECORDSTATE_DELETED);
        CHeld<CNARecordValue> clClone(clSource->pclGetClone(CNARecordValue::COPY_ALL));
        // Two at once, as a re-positioning within a re-positioning holds them: two distinct copies.
        CNARecordValue* pclKept = m_pclAccess->_pclKeepRecordValue(clSource.get());
        CNARecordValue* pclNested = m_pclAccess->_pclKeepRecordValue(clSource.get());
        ASSERT_NE(pclKept, nullptr);
        ASSERT_NE(pclNested, nullptr);
        EXPECT_NE(pclKept, pclNested);
        for (CNARecordValue* pcl : {pclKept, pclNested}) {
            EXPECT_EQ(sState(pcl), sState(clClone.get()));
            EXPECT_EQ(pcl->pclGetErrorNoRef(), m_pclError);
            if (clSource->pclGetNAYFRecord() != nullptr) {
                EXPECT_NE(pcl->pclGetNAYFRecord(), clSource->pclGetNAYFRecord());
            }
        }
        m_pclAccess->_GiveBackKeptRecordValue(pclNested);
        m_pclAccess->_GiveBackKeptRecordValue(pclKept);
    }
}

// ------------------------------------------------------------------------------- not available

// Each of the engine's explicit locks answers 0 with user error 8, error type 7, the table's
// logical name and no item, at its own site; it writes no lock type out.
TEST_F(NADataAccessTest, ExplicitLocksAreNotAvailable) {
    struct stCase {
        const char* pszName;
        int nSite;
        int (*pfn)(CNADataAccess*, eNA_LOCKTYPE*);
    } astCases[] = {
        {"bHBloqueNumEnr", 7,
         [](CNADataAccess* p, eNA_LOCKTYPE* pe) { return p->bHBloqueNumEnr(3, static_cast<eNA_LOCKTYPE>(2), pe); }},
        {"bHBloqueFichier", 5,
         [](CNADataAccess* p, eNA_LOCKTYPE* pe) { return p->bHBloqueFichier(static_cast<eNA_LOCKTYPE>(2), pe); }},
        {"bHLibere", 11, [](CNADataAccess* p, eNA_LOCKTYPE*) { return p->bHLibere(); }},
        {"bHRaye", 10, [](CNADataAccess* p, eNA_LOCKTYPE*) { return p->bHRaye(0, static_cast<eNA_LOCKTYPE>(2)); }},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.pszName);
        m_pclError->Reset();
        auto eOut = static_cast<eNA_LOCKTYPE>(77);
        EXPECT_EQ(st.pfn(m_pclAccess, &eOut), 0);
        EXPECT_EQ(static_cast<unsigned>(eOut), 77u);
        EXPECT_EQ(m_pclError->dwGetErrorId(), 8u);
        EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NOTAVAILABLE);
        EXPECT_EQ(wsOf(m_pclError->pszGetLogicalTableName()), L"orders");
        EXPECT_EQ(wsOf(m_pclError->pszGetItemName()), L"");
        EXPECT_NE(wsDebug().find(wsIE(st.nSite)), std::wstring::npos)
            << std::string(wsDebug().begin(), wsDebug().end());
        EXPECT_EQ(m_pclAccess->bIsOpened(), 0);
    }
    // The matching unlocks do nothing and succeed.
    m_pclError->Reset();
    EXPECT_EQ(m_pclAccess->bHDebloqueFichier(), 1);
    EXPECT_EQ(m_pclAccess->bHDebloqueNumEnr(3), 1);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 0u);
}

// The hooks a server's access may replace: no record lock is taken, rows are identified by their
// values, no sequence is known, and a failed browse is not retried.
TEST_F(NADataAccessTest, HookDefaults) {
    const auto eLock = static_cast<eNA_LOCKTYPE>(2);
    auto eOut = static_cast<eNA_LOCKTYPE>(77);
    EXPECT_EQ(m_pclAccess->bLockRecord(nullptr, eLock, 0, &eOut), 1);
    EXPECT_EQ(m_pclAccess->bUnlockRecord(nullptr, eLock, 0, &eOut), 1);
    EXPECT_EQ(m_pclAccess->bLockUnlockRecord(nullptr, eLock, 0, &eOut), 1);
    EXPECT_EQ(static_cast<unsigned>(eOut), 77u);
    EXPECT_EQ(m_pclAccess->eEvaluateRecordIdType(), NA_RECORDID_RECORDVALUES);
    EXPECT_EQ(m_pclAccess->bSupportROWID(), 0);
    CTString clText;
    EXPECT_EQ(m_pclAccess->_bGetQueryRestartSequenceIdAuto(&clText, nullptr, 43), 0);
    EXPECT_EQ(wsOf(clText.pszGet()), L"");
    EXPECT_EQ(m_pclAccess->_nGetSequenceCurrentVal(nullptr), -1);
    EXPECT_EQ(m_pclAccess->_bUpdateIdAutoAfterInsertFailure(nullptr), 0);
    EXPECT_EQ(m_pclAccess->_bRepriseErreurParcours(nullptr, L"id", NA_PARSE_NEXT, eLock, &eOut, 0), 0);
    int bEqual = 5;
    EXPECT_EQ(m_pclAccess->_bCheckReccordId(nullptr, nullptr, &bEqual), 0);
    EXPECT_EQ(bEqual, 5);
    int nVersion = -1;
    EXPECT_EQ(m_pclAccess->bHVersion(&nVersion), 1);
    EXPECT_EQ(nVersion, 0);
    EXPECT_EQ(m_pclAccess->llGetRecNum(), 0);
    // A table is counted without a browse on PostgreSQL.
    int bNeeded = -1;
    EXPECT_EQ(m_pclAccess->bNbEnrNeedParse(&bNeeded, L"id"), 1);
    EXPECT_EQ(bNeeded, 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 0u);
}

// ------------------------------------------------------------------------------- refusals

// Only the current record, number 0, can be read: any other number is user error 18.
TEST_F(NADataAccessTest, RecordNumbersOtherThanZeroAreRefused) {
    for (long nRecord : {1L, 3L, -1L}) {
        SCOPED_TRACE(nRecord);
        m_pclError->Reset();
        auto eOut = static_cast<eNA_LOCKTYPE>(0);
        EXPECT_EQ(m_pclAccess->bHLit(nRecord, static_cast<eNA_LOCKTYPE>(1), &eOut), 0);
        EXPECT_EQ(m_pclError->dwGetErrorId(), 18u);
        EXPECT_NE(wsDebug().find(wsIE(14)), std::wstring::npos);
        m_pclError->Reset();
        unsigned nState = 99;
        EXPECT_EQ(m_pclAccess->bGetRecNumState(nRecord, &nState), 0);
        EXPECT_EQ(nState, 99u);
        EXPECT_EQ(m_pclError->dwGetErrorId(), 18u);
    }
}

// Asking whether a browse is out of the file, or found its record, on an item never browsed is
// user error 5 with the table and the item.
TEST_F(NADataAccessTest, QuestionsOnAnItemNeverBrowsed) {
    int bOut = 7;
    EXPECT_EQ(m_pclAccess->bHEndehors(L"city", &bOut), 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 5u);
    EXPECT_EQ(wsOf(m_pclError->pszGetItemName()), L"city");
    EXPECT_NE(wsDebug().find(wsIE(17)), std::wstring::npos);
    m_pclError->Reset();
    int bFound = 7, bInside = 7;
    EXPECT_EQ(m_pclAccess->bEvalHTrouve(L"city", &bFound, &bInside), 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 5u);
    EXPECT_NE(wsDebug().find(wsIE(18)), std::wstring::npos);
}

// ------------------------------------------------------------------------------- existence

// An access whose catalogue finds no table and says nothing about it.
class CSilentCatalogueAccess : public CPSQLDataAccess {
public:
    using CPSQLDataAccess::CPSQLDataAccess;
    CNADataSourceDescription* pclGetDataSourceDescriptionFromDB(const wchar_t*, int) override { return nullptr; }
};

// A table the catalogue does not have: with nothing in the error object yet it is user error 15
// with the table's name; after an error of the catalogue's, the table's message comes first. Either
// way the open fails with the level of a failed operation and nothing is opened.
TEST_F(NADataAccessTest, MissingTable) {
    auto* pclAccess = new CSilentCatalogueAccess(m_pclDescription, nullptr, m_pclError);
    pclAccess->AddRef();
    int bExists = 7, bCompatible = 7;
    EXPECT_EQ(pclAccess->bFichierExiste(&bExists, &bCompatible), 0);
    EXPECT_EQ(bExists, 0);
    EXPECT_EQ(bCompatible, 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 15u);
    EXPECT_EQ(wsOf(m_pclError->pszGetLogicalTableName()), L"orders");
    EXPECT_NE(wsDebug().find(wsIE(12)), std::wstring::npos);

    m_pclError->Reset();
    EXPECT_EQ(pclAccess->bHOuvre(static_cast<eNA_ACCESS>(0), L""), 0);
    EXPECT_EQ(pclAccess->bIsOpened(), 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 15u);
    EXPECT_EQ(m_pclError->eGetErrorLevel(), NA_ERRORLEVEL_WARNING);

    // The error object already holds the catalogue's failure: its user error stays, the table's
    // message is put first.
    m_pclError->Reset();
    m_pclError->SetErrorNoMemory(nullptr);
    const uint32_t nKept = m_pclError->dwGetErrorId();
    ASSERT_NE(m_pclError->eGetErrorLevel(), NA_ERRORLEVEL_NOERROR);
    EXPECT_EQ(pclAccess->bFichierExiste(&bExists, &bCompatible), 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), nKept);
    const std::wstring wsMessage = wsOf(m_pclError->pclGetXError()->pszGetUserMessage());
    EXPECT_EQ(wsMessage.rfind(L"The table or file orders cannot be found or opened.", 0), 0u)
        << std::string(wsMessage.begin(), wsMessage.end());
    pclAccess->nRelease();
}

// ------------------------------------------------------------------------------- browses that cannot go on

// A statement that has started a browse it can only read forward, without a record cache.
class CForwardOnlyStatement : public CNAStatement {
public:
    using CNAStatement::CNAStatement;
    int bCanFetchBackward() override { return 0; }
    void Start(NA_WRITEPARSEFLAGS nFlags) {
        m_bStarted = 1;
        m_nBrowseFlags = nFlags;
    }
};

// An access over a host query run as written (its browses cannot be rebuilt), that counts a fixed
// number of records.
class CAsWrittenQueryAccess : public CPSQLDataAccess {
public:
    using CPSQLDataAccess::CPSQLDataAccess;
    void SetAsWritten() {
        m_nQuery = 1;
        m_nQueryFlags = QUERYFLAG_AS_WRITTEN;
    }
    int bGetNbEnr(int64_t* pllCount, unsigned, NA_WRITEPARSEFLAGS, CNAStatement*, int) override {
        *pllCount = m_llCount;
        return 1;
    }
    int64_t m_llCount = 0;
};

// Reading back on a forward-only browse of a query run as written is user error 82 with the table
// and the item; re-positioning such a browse, which was to run without caches, is user error 83.
TEST_F(NADataAccessTest, BrowsesThatCannotGoBackOrBeRebuilt) {
    auto* pclAccess = new CAsWrittenQueryAccess(m_pclDescription, nullptr, m_pclError);
    pclAccess->AddRef();
    pclAccess->SetAsWritten();
    auto* pclStatement = new CForwardOnlyStatement(pclAccess, m_pclError);
    pclStatement->AddRef();
    pclStatement->SetKey(L"name");
    pclStatement->Start(CNADataAccess::WPF_NO_CACHE);
    eNA_LOCKTYPE eOut{};
    EXPECT_EQ(
        pclAccess->_bFetch(pclStatement, L"name", NA_PARSE_PREVIOUS, 1, 1, static_cast<eNA_LOCKTYPE>(0), &eOut, 0, 0),
        0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 82u);
    EXPECT_EQ(wsOf(m_pclError->pszGetItemName()), L"name");
    EXPECT_EQ(wsOf(m_pclError->pszGetLogicalTableName()), L"orders");
    EXPECT_NE(wsDebug().find(wsIE(27)), std::wstring::npos);

    m_pclError->Reset();
    EXPECT_EQ(pclAccess->_bUpdateParse(0, pclStatement, 1, NA_PARSE_NEXT, 1), 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 83u);
    EXPECT_EQ(wsOf(m_pclError->pszGetItemName()), L"name");
    EXPECT_NE(wsDebug().find(wsIE(28)), std::wstring::npos);
    pclStatement->nRelease();
    pclAccess->nRelease();
}

// The place of the current record among the records that share its key: a rank and a count in a
// direction become the count (and maybe the direction "current") of the search that finds it.
TEST_F(NADataAccessTest, PlaceAmongDuplicates) {
    auto* pclAccess = new CAsWrittenQueryAccess(m_pclDescription, nullptr, m_pclError);
    pclAccess->AddRef();
    struct stCase {
        unsigned nRank;
        eNA_PARSEDIRECTION eDirection;
        long nCount;
        int64_t llSame;
        eNA_PARSEDIRECTION eDirectionAfter;
        long nCountAfter;
    } astCases[] = {
        {2, NA_PARSE_CURRENT, 0, 5, NA_PARSE_CURRENT, 3},    // the third of five
        {6, NA_PARSE_CURRENT, 0, 5, NA_PARSE_CURRENT, 5},    // past the last: the last
        {6, NA_PARSE_CURRENT, 9, 0, NA_PARSE_CURRENT, 9},    // none left: as asked
        {2, NA_PARSE_NEXT, 1, 5, NA_PARSE_CURRENT, 4},       // one further, still among them
        {2, NA_PARSE_NEXT, 4, 5, NA_PARSE_NEXT, 2},          // beyond them: past the last one
        {9, NA_PARSE_NEXT, 1, 5, NA_PARSE_NEXT, 1},          // the rank is gone: as asked
        {2, NA_PARSE_PREVIOUS, 1, 5, NA_PARSE_CURRENT, 2},   // one back, still among them
        {2, NA_PARSE_PREVIOUS, 4, 5, NA_PARSE_PREVIOUS, 2},  // before the first one
        {2, NA_PARSE_FIRST, 7, 5, NA_PARSE_FIRST, 7},        // other directions untouched
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(std::to_string(st.nRank) + " " + std::to_string(st.eDirection) + " " + std::to_string(st.nCount));
        pclAccess->m_llCount = st.llSame;
        eNA_PARSEDIRECTION eDirection = st.eDirection;
        long nCount = st.nCount;
        EXPECT_EQ(pclAccess->_bGotoCurrentRecord_DuplicateProcess(st.nRank, &eDirection, &nCount), 1);
        EXPECT_EQ(eDirection, st.eDirectionAfter);
        EXPECT_EQ(nCount, st.nCountAfter);
    }
    pclAccess->nRelease();
}

// ------------------------------------------------------------------------------- positions, counts

// A position compared with itself is equal without being looked up; an unknown position is user
// error 11, and the answer the host reads is "not equal", never what was there before.
TEST_F(NADataAccessTest, ComparisonAlwaysWritesItsAnswer) {
    int bEqual = 7;
    EXPECT_EQ(m_pclAccess->bCompareTablePosition(42, 42, &bEqual), 1);
    EXPECT_EQ(bEqual, 1);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 0u);

    bEqual = 7;
    EXPECT_EQ(m_pclAccess->bCompareTablePosition(41, 42, &bEqual), 0);
    EXPECT_EQ(bEqual, 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 11u);
    EXPECT_NE(wsDebug().find(wsIE(20)), std::wstring::npos);

    // Going back to, or freeing, a position that is not there.
    m_pclError->Reset();
    wchar_t szItem[CNADataAccess::ITEM_NAME_CAPACITY] = L"kept";
    EXPECT_EQ(m_pclAccess->bHRetourPosition(41, szItem, 0, 0), 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 11u);
    EXPECT_NE(wsDebug().find(wsIE(2)), std::wstring::npos);
    EXPECT_EQ(std::wstring(szItem), L"kept");
    EXPECT_EQ(m_pclAccess->bHLiberePosition(41), 1);
}

// Without the quick option (the value 16) a count is 0 at once; the place of a browse that never
// started is -1 with user error 7.
TEST_F(NADataAccessTest, CountsAndPlacesWithoutABrowse) {
    long nCount = 99;
    EXPECT_EQ(m_pclAccess->bHNbEnr(&nCount, 0, 0), 1);
    EXPECT_EQ(nCount, 0);
    nCount = 99;
    EXPECT_EQ(m_pclAccess->bHNbEnr(&nCount, 15, 0), 1);
    EXPECT_EQ(nCount, 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 0u);

    int nPlace = 500;
    EXPECT_EQ(m_pclAccess->bHPositionCourante(&nPlace, L"id", 0), 0);
    EXPECT_EQ(nPlace, -1);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 7u);
    EXPECT_NE(wsDebug().find(wsIE(1)), std::wstring::npos);
    // Moving a browse that does not exist moves nothing and succeeds.
    m_pclError->Reset();
    EXPECT_EQ(m_pclAccess->bHPositionne(L"id", 500, 0, 0), 1);
}

// ------------------------------------------------------------------------------- statements, names

// Browse items that differ only in case share one statement; the empty key is the statement of
// moves by number and writes; closing forgets them all.
TEST_F(NADataAccessTest, OneStatementPerBrowseItem) {
    CNAStatement* pclLower = m_pclAccess->_pclGetStatement(L"name");
    CNAStatement* pclUpper = m_pclAccess->_pclGetStatement(L"NAME");
    CNAStatement* pclOther = m_pclAccess->_pclGetStatement(L"city");
    CNAStatement* pclQuery = m_pclAccess->_pclGetQueryStatement();
    ASSERT_NE(pclLower, nullptr);
    EXPECT_EQ(pclLower, pclUpper);
    EXPECT_NE(pclLower, pclOther);
    EXPECT_NE(pclQuery, pclLower);
    EXPECT_EQ(wsOf(pclLower->pszGetKey()), L"name");
    EXPECT_EQ(wsOf(pclQuery->pszGetKey()), L"");
    EXPECT_EQ(m_pclAccess->nGetNbStatement(), 3u);
    EXPECT_EQ(m_pclAccess->_pclFindStatement(L"zip"), nullptr);
    for (CNAStatement* p : {pclLower, pclUpper, pclOther, pclQuery}) p->nRelease();

    CNAStatement* pclCurrent = m_pclAccess->_pclGetNewItemStatement(L"City", NA_PARSE_FIRST, 0);
    EXPECT_EQ(pclCurrent, pclOther);
    EXPECT_EQ(m_pclAccess->pclGetCurrentStatementNoRef(), pclOther);
    pclCurrent->nRelease();

    EXPECT_EQ(m_pclAccess->bHFerme(), 1);
    EXPECT_EQ(m_pclAccess->nGetNbStatement(), 0u);
    EXPECT_EQ(m_pclAccess->pclGetCurrentStatementNoRef(), nullptr);
}

// Generated index names: "KXIDX", the time in seconds, then a counter that grows by one per name.
TEST_F(NADataAccessTest, GeneratedIndexNames) {
    const unsigned nBefore = static_cast<unsigned>(time(nullptr));
    CTString clFirst, clSecond;
    const int nCounter = CNADataAccess::ms_nIndexNameCounter;
    ASSERT_EQ(m_pclAccess->_bGetGeneratedIndexName(nullptr, &clFirst), 1);
    ASSERT_EQ(m_pclAccess->_bGetGeneratedIndexName(nullptr, &clSecond), 1);
    const unsigned nAfter = static_cast<unsigned>(time(nullptr));
    bool bMatched = false;
    for (unsigned nTime = nBefore; nTime <= nAfter && !bMatched; nTime++) {
        bMatched = wsOf(clFirst.pszGet()) == L"KXIDX" + std::to_wstring(nTime) + std::to_wstring(nCounter) &&
                   wsOf(clSecond.pszGet()) == L"KXIDX" + std::to_wstring(nTime) + std::to_wstring(nCounter + 1);
    }
    EXPECT_TRUE(bMatched) << std::string(wsOf(clFirst.pszGet()).begin(), wsOf(clFirst.pszGet()).end());
}

// The access's virtual table as a PostgreSQL access fills it: the four operations it replaces
// sit at their places among the generic ones.
TEST_F(NADataAccessTest, VirtualOrder) {
    // Offsets in bytes of member-function pointers are 1 + the slot's offset in the table.
    auto nSlot = [](auto pmf) {
        uintptr_t n = 0;
        static_assert(sizeof(pmf) >= sizeof(n));
        memcpy(&n, &pmf, sizeof(n));
        return static_cast<long>((n - 1) / sizeof(void*));
    };
    // After the destructor pair and _NotToBeCalled (slots 0 to 2).
    EXPECT_EQ(nSlot(&CNADataAccess::bGetBLOB), 3);
    EXPECT_EQ(nSlot(&CNADataAccess::bHOuvre), 10);
    EXPECT_EQ(nSlot(&CNADataAccess::bHLitxxx), 19);
    EXPECT_EQ(nSlot(&CNADataAccess::bHBloqueFichier), 24);
    EXPECT_EQ(nSlot(&CNADataAccess::bHNbEnr), 33);
    EXPECT_EQ(nSlot(&CNADataAccess::bNbEnrNeedParse), 35);
    EXPECT_EQ(nSlot(&CNADataAccess::bBuildSelect), 40);
    EXPECT_EQ(nSlot(&CNADataAccess::pclGetDataSourceDescriptionFromDB), 45);
    EXPECT_EQ(nSlot(&CNADataAccess::SetContext), 52);
    EXPECT_EQ(nSlot(&CNADataAccess::_pclAllocStatement), 56);
    EXPECT_EQ(nSlot(&CNADataAccess::_Close), 65);
    EXPECT_EQ(nSlot(&CNADataAccess::_bGetQueryRestartSequenceIdAuto), 67);
    EXPECT_EQ(nSlot(&CNADataAccess::_nGetSequenceCurrentVal), 68);
    EXPECT_EQ(nSlot(&CNADataAccess::_bFetch), 71);
    EXPECT_EQ(nSlot(&CNADataAccess::_bUpdateIdAutoAfterInsertFailure), 77);
    EXPECT_EQ(nSlot(&CNADataAccess::_bRepriseErreurParcours), 80);
    EXPECT_EQ(nSlot(&CNADataAccess::_bCheckReccordId), 83);
    EXPECT_EQ(nSlot(&CNADataAccess::_AllocTableCache), 84);
}

}  // namespace
