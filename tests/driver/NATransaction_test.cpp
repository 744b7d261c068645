// Named transactions on a connection: which transaction a name ends, what each level sends to the
// server (the outermost BEGIN/COMMIT/ROLLBACK, the nested ones savepoints named by depth), the
// errors 9 and 10, and the object's slots.
#include "native/driver/NATransaction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/VirtualSlot.h"
#include "tests/driver/RecordingConnection.h"

using standin::CStandInConnectionDescription;

namespace {

enum eOp { BEGIN, COMMIT, ROLLBACK, ROLLBACK_ALL };

struct stStep {
    eOp eOperation;
    const wchar_t* pszName;
    int nResult;
    std::vector<std::wstring> asSent;          // what reached the server during the step
    unsigned nError = 0;                       // user error recorded (0: none)
    std::vector<std::wstring> asInError = {};  // texts the error shows (names, debug line)
    std::vector<std::wstring> asRefused = {};  // statements the server refuses during the step
};

struct stScenario {
    const char* pszTitle;
    std::vector<stStep> aSteps;
    // Names of the open transactions afterwards, outermost first.
    std::vector<std::wstring> asOpen;
};

std::vector<std::wstring> OpenChain(CRecordingConnection& cl) {
    std::vector<std::wstring> as;
    for (CNATransaction* p = cl.pclGetTransaction(); p != nullptr && p->bIsActive(); p = p->pclGetNested())
        as.push_back(p->pszGetName() != nullptr ? p->pszGetName() : L"");
    return as;
}

int nRun(CRecordingConnection& cl, CNAError* pclError, const stStep& st) {
    switch (st.eOperation) {
        case BEGIN:
            return cl.bTransactionBegin(pclError, st.pszName);
        case COMMIT:
            return cl.bTransactionCommit(pclError, st.pszName);
        case ROLLBACK:
            return cl.bTransactionRollBack(pclError, st.pszName);
        case ROLLBACK_ALL:
            return cl.pclGetTransaction()->bRollBackAll(pclError);
    }
    return -1;
}

const std::wstring SP1 = L"SAVEPOINT KX_SP1", SP2 = L"SAVEPOINT KX_SP2";
const std::wstring REL1 = L"RELEASE SAVEPOINT KX_SP1", REL2 = L"RELEASE SAVEPOINT KX_SP2";
const std::wstring RB1 = L"ROLLBACK TO SAVEPOINT KX_SP1", RB2 = L"ROLLBACK TO SAVEPOINT KX_SP2";

}  // namespace

TEST(CNATransaction, Scenarios) {
    const stScenario tabScenarios[] = {
        {"a commit without a name ends the innermost open transaction",
         {{BEGIN, L"A", 1, {L"BEGIN"}},
          {BEGIN, L"B", 1, {SP1}},
          {COMMIT, nullptr, 1, {REL1}},
          {COMMIT, L"", 1, {L"COMMIT"}}},
         {}},
        {"a commit by the outer name while a nested one is open fails with 10 and sends nothing",
         {{BEGIN, L"A", 1, {L"BEGIN"}},
          {BEGIN, L"B", 1, {SP1}},
          {COMMIT, L"a", 0, {}, 10, {L"a", L"B", L"IEKXPSQL=2.1\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"}}},
         {L"A", L"B"}},
        {"commits by name, inner then outer",
         {{BEGIN, L"A", 1, {L"BEGIN"}},
          {BEGIN, L"B", 1, {SP1}},
          {COMMIT, L"b", 1, {REL1}},
          {COMMIT, L"A", 1, {L"COMMIT"}}},
         {}},
        {"a rollback by the outer name undoes the nested levels and keeps the outer one",
         {{BEGIN, L"A", 1, {L"BEGIN"}},
          {BEGIN, L"B", 1, {SP1}},
          {BEGIN, L"C", 1, {SP2}},
          {ROLLBACK, L"A", 1, {RB2, REL2, RB1, REL1}}},
         {L"A"}},
        {"a rollback without a name undoes the innermost level only",
         {{BEGIN, L"A", 1, {L"BEGIN"}}, {BEGIN, L"B", 1, {SP1}}, {ROLLBACK, nullptr, 1, {RB1, REL1}}},
         {L"A"}},
        {"a rollback by a name nothing has fails with 9 and keeps everything open",
         {{BEGIN, L"A", 1, {L"BEGIN"}}, {BEGIN, L"B", 1, {SP1}}, {ROLLBACK, L"Z", 0, {}, 9, {L"Z", L"IEKXPSQL=2.2"}}},
         {L"A", L"B"}},
        {"a commit by a name nothing has fails with 9 as the rollback does",
         {{BEGIN, L"A", 1, {L"BEGIN"}}, {COMMIT, L"Z", 0, {}, 9, {L"Z", L"IEKXPSQL=2.3"}}},
         {L"A"}},
        {"nothing open: a rollback does nothing, a commit still sends COMMIT",
         {{BEGIN, L"A", 1, {L"BEGIN"}},
          {COMMIT, L"A", 1, {L"COMMIT"}},
          {ROLLBACK, nullptr, 1, {}},
          {COMMIT, nullptr, 1, {L"COMMIT"}}},
         {}},
        {"rolling back the whole chain goes from the innermost level outwards",
         {{BEGIN, L"A", 1, {L"BEGIN"}},
          {BEGIN, L"B", 1, {SP1}},
          {BEGIN, L"C", 1, {SP2}},
          {ROLLBACK_ALL, nullptr, 1, {RB2, REL2, RB1, REL1, L"ROLLBACK"}}},
         {}},
        {"a nested level that ended is begun again at the same depth with the new name",
         {{BEGIN, L"A", 1, {L"BEGIN"}},
          {BEGIN, L"B", 1, {SP1}},
          {COMMIT, L"B", 1, {REL1}},
          {BEGIN, L"C", 1, {SP1}},
          {COMMIT, L"B", 0, {}, 9, {L"B"}},
          {COMMIT, L"C", 1, {REL1}}},
         {L"A"}},
        {"the host's names never reach the server",
         {{BEGIN, L"x'; DROP TABLE t; --", 1, {L"BEGIN"}},
          {BEGIN, L"KX_SP1\"; DROP TABLE t; --", 1, {SP1}},
          {COMMIT, L"KX_SP1\"; DROP TABLE t; --", 1, {REL1}}},
         {L"x'; DROP TABLE t; --"}},
        {"a refused BEGIN leaves nothing open; the next begin is an outer one again",
         {{BEGIN, L"A", 0, {L"BEGIN"}, 80, {}, {L"BEGIN"}}, {BEGIN, L"B", 1, {L"BEGIN"}}},
         {L"B"}},
        {"a refused SAVEPOINT leaves the outer transaction alone",
         {{BEGIN, L"A", 1, {L"BEGIN"}}, {BEGIN, L"B", 0, {SP1}, 80, {}, {SP1}}, {BEGIN, L"C", 1, {SP1}}},
         {L"A", L"C"}},
        {"a refused RELEASE or COMMIT still ends the level for the driver",
         {{BEGIN, L"A", 1, {L"BEGIN"}},
          {BEGIN, L"B", 1, {SP1}},
          {COMMIT, L"B", 0, {REL1}, 80, {}, {REL1}},
          {COMMIT, L"A", 0, {L"COMMIT"}, 80, {}, {L"COMMIT"}}},
         {}},
        {"a refused ROLLBACK TO SAVEPOINT sends no RELEASE and ends the level",
         {{BEGIN, L"A", 1, {L"BEGIN"}}, {BEGIN, L"B", 1, {SP1}}, {ROLLBACK, L"B", 0, {RB1}, 80, {}, {RB1}}},
         {L"A"}},
    };

    for (const stScenario& stScenario : tabScenarios) {
        SCOPED_TRACE(stScenario.pszTitle);
        CStandInConnectionDescription clHost;
        CRecordingConnection cl(&clHost);
        for (size_t i = 0; i < stScenario.aSteps.size(); i++) {
            const stStep& st = stScenario.aSteps[i];
            SCOPED_TRACE(testing::Message() << "step " << i);
            CNAError clError;
            cl.m_asSent.clear();
            cl.m_setRefused = std::set<std::wstring>(st.asRefused.begin(), st.asRefused.end());
            EXPECT_EQ(nRun(cl, &clError, st), st.nResult);
            EXPECT_EQ(cl.m_asSent, st.asSent);
            EXPECT_EQ(clError.dwGetErrorId(), st.nError);
            if (st.nError != 0) {
                EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_GENERAL);
            }
            std::wstring sError = clError.pszGetError();
            for (const std::wstring& s : st.asInError)
                EXPECT_NE(sError.find(s), std::wstring::npos) << testing::PrintToString(sError);
        }
        EXPECT_EQ(OpenChain(cl), stScenario.asOpen);
        EXPECT_EQ(cl._bTransactionOpened(), stScenario.asOpen.empty() ? 0 : 1);
        EXPECT_EQ(cl.bAutoCloseEnabled(), stScenario.asOpen.empty() ? 1 : 0);
    }
}

// The errors raised by the transactions carry their code as an information item, and a caller
// without an error object only gets the answer.
TEST(CNATransaction, ErrorsAsTheHostReadsThem) {
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    ASSERT_EQ(cl.bTransactionBegin(nullptr, L"A"), 1);
    ASSERT_EQ(cl.bTransactionBegin(nullptr, L"B"), 1);
    CNAError clError;
    EXPECT_EQ(cl.bTransactionCommit(&clError, L"A"), 0);
    const void* pValue = nullptr;
    ASSERT_TRUE(clError.pclGetXError()->bGetInfo(CXError::EIT_NATIVECODE, &pValue));
    uint32_t dwCode;
    memcpy(&dwCode, &pValue, sizeof(dwCode));
    EXPECT_EQ(dwCode, 10u);
    EXPECT_EQ(clError.pszGetLogicalTableName(), nullptr);

    cl.m_asSent.clear();
    EXPECT_EQ(cl.bTransactionCommit(nullptr, L"A"), 0);
    EXPECT_EQ(cl.bTransactionRollBack(nullptr, L"Z"), 0);
    EXPECT_EQ(cl.bTransactionCommit(nullptr, L"Z"), 0);
    EXPECT_TRUE(cl.m_asSent.empty());
    EXPECT_EQ(OpenChain(cl), (std::vector<std::wstring>{L"A", L"B"}));
}

TEST(CNATransaction, ConnectionWithoutTransaction) {
    const struct {
        eOp eOperation;
        const wchar_t* pszName;
        const wchar_t* pszSite;
    } tabCases[] = {
        {COMMIT, L"T1", L"IEKXPSQL=1.1\r\n"},
        {COMMIT, nullptr, L"IEKXPSQL=1.1\r\n"},
        {ROLLBACK, L"T1", L"IEKXPSQL=1.2\r\n"},
    };
    for (const auto& st : tabCases) {
        CStandInConnectionDescription clHost;
        CRecordingConnection cl(&clHost);
        CNAError clError;
        stStep stOp{st.eOperation, st.pszName, 0, {}};
        EXPECT_EQ(nRun(cl, &clError, stOp), 0);
        EXPECT_EQ(clError.dwGetErrorId(), 9u);
        EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_GENERAL);
        std::wstring sError = clError.pszGetError();
        EXPECT_NE(sError.find(st.pszSite), std::wstring::npos) << testing::PrintToString(sError);
        if (st.pszName != nullptr) {
            EXPECT_NE(sError.find(st.pszName), std::wstring::npos);
        }
        EXPECT_TRUE(cl.m_asSent.empty());
        EXPECT_EQ(cl.m_nOpens, 0);
    }
}

TEST(CNATransaction, BeginOpensTheConnectionFirst) {
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    cl.m_bOpenResult = 0;
    CNAError clError;
    EXPECT_EQ(cl.bTransactionBegin(&clError, L"A"), 0);
    EXPECT_TRUE(cl.m_asSent.empty());
    EXPECT_EQ(cl.pclGetTransaction(), nullptr);
    cl.m_bOpenResult = 1;
    EXPECT_EQ(cl.bTransactionBegin(&clError, L"A"), 1);
    EXPECT_EQ(cl.m_nOpens, 2);
}

// No object for the transaction: out of memory, and the next begin tries again. No object for a
// nested level: the outer transaction stays open and alone.
TEST(CNATransaction, NoTransactionObject) {
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    cl.m_nAllocFailures = 1;
    CNAError clError;
    EXPECT_EQ(cl.bTransactionBegin(&clError, L"A"), 0);
    EXPECT_EQ(clError.dwGetErrorId(), 12u);
    EXPECT_EQ(cl.pclGetTransaction(), nullptr);
    EXPECT_TRUE(cl.m_asSent.empty());

    EXPECT_EQ(cl.bTransactionBegin(nullptr, L"A"), 1);
    cl.m_nAllocFailures = 1;
    CNAError clNested;
    EXPECT_EQ(cl.bTransactionBegin(&clNested, L"B"), 0);
    EXPECT_EQ(clNested.dwGetErrorId(), 12u);
    EXPECT_EQ(OpenChain(cl), std::vector<std::wstring>{L"A"});
    EXPECT_EQ(cl.m_asSent, std::vector<std::wstring>{L"BEGIN"});
    EXPECT_EQ(cl.bTransactionBegin(nullptr, L"B"), 1);
    EXPECT_EQ(OpenChain(cl), (std::vector<std::wstring>{L"A", L"B"}));
}

// The nested object of a depth is made once and reused; each level knows its depth.
TEST(CNATransaction, NestedObjectsAndDepths) {
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    ASSERT_EQ(cl.bTransactionBegin(nullptr, L"A"), 1);
    ASSERT_EQ(cl.bTransactionBegin(nullptr, L"B"), 1);
    ASSERT_EQ(cl.bTransactionBegin(nullptr, L"C"), 1);
    CNATransaction* pclA = cl.pclGetTransaction();
    CNATransaction* pclB = pclA->pclGetNested();
    CNATransaction* pclC = pclB->pclGetNested();
    EXPECT_EQ(pclA->nGetDepth(), 0u);
    EXPECT_EQ(pclA->bIsInternal(), 0);
    EXPECT_EQ(pclB->nGetDepth(), 1u);
    EXPECT_EQ(pclC->nGetDepth(), 2u);
    EXPECT_EQ(pclC->bIsInternal(), 1);
    EXPECT_EQ(pclA->nGetRef(), 1u);  // the connection's
    EXPECT_EQ(pclB->nGetRef(), 1u);  // A's
    // A rollback by B's name undoes what is nested in B and leaves B open.
    ASSERT_EQ(cl.bTransactionRollBack(nullptr, L"B"), 1);
    EXPECT_TRUE(pclB->bIsActive());
    EXPECT_FALSE(pclC->bIsActive());
    ASSERT_EQ(cl.bTransactionBegin(nullptr, L"D"), 1);
    EXPECT_EQ(pclB->pclGetNested(), pclC);
    EXPECT_EQ(std::wstring(pclC->pszGetName()), L"D");
    EXPECT_EQ(pclC->nGetDepth(), 2u);
    // Ended from the innermost out, the objects stay for the next nested begins.
    ASSERT_EQ(cl.bTransactionRollBack(nullptr, nullptr), 1);
    ASSERT_EQ(cl.bTransactionRollBack(nullptr, nullptr), 1);
    ASSERT_EQ(cl.bTransactionBegin(nullptr, L"E"), 1);
    EXPECT_EQ(pclA->pclGetNested(), pclB);
    EXPECT_EQ(std::wstring(pclB->pszGetName()), L"E");
    EXPECT_EQ(pclB->nGetDepth(), 1u);
}

// Record locks are given up after each commit or rollback that succeeded, never after a failure.
TEST(CNATransaction, RecordLocksCancelledAfterSuccess) {
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    ASSERT_EQ(cl.bTransactionBegin(nullptr, L"A"), 1);
    ASSERT_EQ(cl.bTransactionBegin(nullptr, L"B"), 1);
    EXPECT_EQ(cl.bTransactionCommit(nullptr, L"A"), 0);
    EXPECT_TRUE(cl.m_apclRecordLocksCancelled.empty());
    EXPECT_EQ(cl.bTransactionRollBack(nullptr, nullptr), 1);
    EXPECT_EQ(cl.bTransactionCommit(nullptr, L"A"), 1);
    ASSERT_EQ(cl.m_apclRecordLocksCancelled.size(), 2u);
    EXPECT_EQ(cl.m_apclRecordLocksCancelled[0], cl.pclGetTransaction());
    EXPECT_EQ(cl.m_apclRecordLocksCancelled[1], cl.pclGetTransaction());
}

TEST(CNATransaction, SlotOrder) {
    using T = CNATransaction;
    // Slot n is entry n - 2: the destructor pair first, then CInterf's _NotToBeCalled.
    EXPECT_EQ(SlotOf(&T::_NotToBeCalled), 2);
    EXPECT_EQ(SlotOf(&T::bDetach), 3);
    EXPECT_EQ(SlotOf(&T::bSetActive), 4);
    EXPECT_EQ(SlotOf(&T::bResume), 5);
    EXPECT_EQ(SlotOf(&T::_bNABegin), 6);
    EXPECT_EQ(SlotOf(&T::_bNACommit), 7);
    EXPECT_EQ(SlotOf(&T::_bNARollBack), 8);
}
