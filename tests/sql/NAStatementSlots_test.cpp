// The virtual order of the statement and of the search classes: every operation in its place
// after CInterf's three (the destructor pair and _NotToBeCalled), whichever task writes its body.
#include <gtest/gtest.h>

#include <vector>

#include "native/sql/NAExpression.h"
#include "native/sql/NAFilter.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NAStatement.h"
#include "tests/core/VirtualSlot.h"

namespace {

// Entries 0 to 2 of the table are CInterf's.
constexpr ptrdiff_t FIRST = 3;

void ExpectInOrder(const std::vector<ptrdiff_t>& v, ptrdiff_t nFirst) {
    for (size_t i = 0; i < v.size(); i++) EXPECT_EQ(v[i], nFirst + static_cast<ptrdiff_t>(i)) << "operation " << i;
}

}  // namespace

TEST(NAStatementSlotsTest, StatementOperationsInOrder) {
    using S = CNAStatement;
    const std::vector<ptrdiff_t> v = {
        SlotOf(&S::ResetQuery),
        SlotOf(&S::Close),
        SlotOf(&S::bExecute),
        SlotOf(&S::bExecuteDirectNewCommand),
        SlotOf(&S::bExecuteDirect),
        SlotOf(&S::bExecuteAndFetch),
        SlotOf(&S::bGetRequestedValue),
        SlotOf(&S::bGetResultValue),
        SlotOf(static_cast<int (S::*)(CNAConvertVariant*, unsigned)>(&S::bGetSQLColumnValue)),
        SlotOf(static_cast<int (S::*)(CAny*, unsigned)>(&S::bGetSQLColumnValue)),
        SlotOf(&S::bBuildQuerySELECT),
        SlotOf(&S::bGetClauseWHERE),
        SlotOf(&S::bBuildQueryCREATE),
        SlotOf(&S::bHAjoute),
        SlotOf(&S::bBuildQueryINSERT),
        SlotOf(&S::bHModifie),
        SlotOf(&S::bBuildQueryUPDATE),
        SlotOf(&S::bHSupprime),
        SlotOf(&S::bBuildQueryDELETE),
        SlotOf(&S::OnNotifyOperation),
        SlotOf(&S::bUpdateRecordAfterInsert),
        SlotOf(&S::bUpdateRecordAfterUpdate),
        SlotOf(&S::bSetLockType),
        SlotOf(&S::bCanFetchBackward),
        SlotOf(&S::bGetNbEnr),
        SlotOf(&S::bGetNbEnrCurrentParse),
        SlotOf(&S::bGetBLOB),
        SlotOf(&S::bExtraitMemo),
        SlotOf(&S::bGetPosition),
        SlotOf(&S::bSetPosition),
        SlotOf(&S::DesactivateRecherche),
        SlotOf(&S::pclAllocRecherche),
        SlotOf(&S::pclAllocFilter),
        SlotOf(&S::bDefaultParseNeedRecordCache),
        SlotOf(&S::_bGetQueryStructure),
        SlotOf(&S::_bPrepare),
        SlotOf(&S::_bExecutePreparedQuery),
        SlotOf(&S::_vbGetQueryResult),
        SlotOf(&S::_bGetNativeDataType),
        SlotOf(&S::_bGetNativeConstraint),
        SlotOf(&S::_FormatItemORDERBY),
        SlotOf(&S::_bAddClauseReturning),
        SlotOf(&S::_bAddColumnValue),
        SlotOf(&S::_bFetch),
        SlotOf(&S::_bBuildQueryCOUNT),
        SlotOf(&S::_bUpdateNARecord),
        SlotOf(&S::_bUpdateNARecordFromDB),
        SlotOf(&S::_bSetPositionParametersEx),
        SlotOf(&S::_bGoToRowId),
        SlotOf(&S::_RestaureRecordFromCache),
        SlotOf(&S::_SetBestCacheMethod),
        SlotOf(&S::_bCreateTableCacheIndex),
    };
    ExpectInOrder(v, FIRST);
}

TEST(NAStatementSlotsTest, SearchOperationsInOrder) {
    ExpectInOrder({SlotOf(static_cast<CNAExpression* (CNAExpression::*)()>(&CNAExpression::pclAllocExpression)),
                   SlotOf(&CNAExpression::_bGetSQLFromValue)},
                  FIRST);
    ExpectInOrder({SlotOf(&CNARecherche::bGetSQL), SlotOf(&CNARecherche::pclClone),
                   SlotOf(&CNARecherche::pclAllocExpression), SlotOf(&CNARecherche::_pclAllocRecherche)},
                  FIRST);
    // The filter adds its own after the search's.
    ExpectInOrder({SlotOf(&CNAFilter::bGetSQL), SlotOf(&CNAFilter::pclClone), SlotOf(&CNAFilter::pclAllocExpression),
                   SlotOf(&CNAFilter::_pclAllocRecherche), SlotOf(&CNAFilter::pclCloneFilter)},
                  FIRST);
}
