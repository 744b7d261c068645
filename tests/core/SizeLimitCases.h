// Size-limit cases of the shared strings and byte strings: an operation, the result it must give,
// and which allocator request is the big one. "Passes the size test" is shown by the request
// reaching the allocator, which is told to refuse it, so no huge block is ever made.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "tests/host/StandInHost.h"

// The allocator's answer to the big request.
constexpr int SIZE_CASE_REFUSED = 777;

struct stSizeCase {
    const char* pszName;
    std::function<int()> fnOperation;
    int nExpected;         // SIZE_CASE_REFUSED: the size passed and reached the allocator
    int nRequestToRefuse;  // the big request: 2 when a small start value is made first
};

inline void CheckSizeCases(std::initializer_list<stSizeCase> cases) {
    for (const stSizeCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        long nCallsBefore = standin::nGetSlotCalls(4) + standin::nGetSlotCalls(5);
        // Armed for every case, so a size test that wrongly passes still makes no huge block.
        standin::RefuseAllocation(c.nRequestToRefuse, SIZE_CASE_REFUSED);
        EXPECT_EQ(c.fnOperation(), c.nExpected);
        long nCalls = standin::nGetSlotCalls(4) + standin::nGetSlotCalls(5) - nCallsBefore;
        // A size refused by the library never reaches the allocator.
        EXPECT_EQ(nCalls, c.nRequestToRefuse - (c.nExpected == SIZE_CASE_REFUSED ? 0 : 1));
        standin::RefuseAllocation(0);
    }
}
