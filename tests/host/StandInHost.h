// Control of the stand-in host that the tests load in place of the real virtual machine: the
// emulated host (host/EmulatedHost.h) with the records and controls only tests need on top. It
// records how the library calls the Execution entry, the locale services and the message-text
// callback, counts the allocator's live blocks and misuses, and can refuse the n-th allocation, so
// a test can check the protocol from the host's point of view.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/EmulatedHost.h"

namespace standin {

struct stExecutionCall {
    uint32_t nCode;
    intptr_t pArg;
};

struct stLocaleCall {
    int nPosition;      // position of the operation in the locale services
    unsigned dwLocale;  // locale passed (0 for the current-locale forms)
    unsigned dwFlags;   // flags passed (0 where the operation takes none)
};

// Execution entry.
STANDIN_API std::vector<stExecutionCall> GetExecutionCalls();
STANDIN_API void ClearExecutionCalls();

// Allocator.
STANDIN_API void RefuseAllocation(int nNth, int nCode = 100);  // the nNth request from now fails (0: none)
STANDIN_API long nGetLiveBlocks();
// Misuses of the allocator: releases of unknown blocks or of blocks whose count is not 0, and
// reallocations of blocks whose count is not 1 (still shared).
STANDIN_API long nGetBadReleases();
STANDIN_API long nGetSlotCalls(int nSlot);  // calls of slot 0 to 5 since Reset
STANDIN_API long nGetNonZeroFlags();        // Ex calls whose flags were not 0

// Locale services.
STANDIN_API std::vector<stLocaleCall> GetLocaleCalls();
STANDIN_API void ClearLocaleCalls();

// Message-text callback.
STANDIN_API std::vector<std::pair<uint32_t, int>> GetMessageCalls();  // (id, capacity)

}  // namespace standin
