// Control of the stand-in host that the tests load in place of the real virtual machine. The
// stand-in implements the host's side of the interfaces in core/HostInterfaces.h (Execution entry,
// shared-buffer allocator, locale services, message-text callback) and records how the library
// calls them, so a test can check the protocol from the host's point of view.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/HostInterfaces.h"

#define STANDIN_API __attribute__((visibility("default")))

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

// Puts every setting back to its default and clears every record (not the live blocks).
STANDIN_API void Reset();

// The host module as dlopen sees it (for the start record).
STANDIN_API void* hGetModule();

// Execution entry.
STANDIN_API intptr_t& rInformation(int nInfo);  // answer to 3053 with nInfo (1 to 15)
STANDIN_API std::vector<stExecutionCall> GetExecutionCalls();
STANDIN_API void ClearExecutionCalls();
STANDIN_API void SetPileCAnswer(int nAnswer);  // answer to 3184 (the buffer is filled with "pile")
STANDIN_API void SetGlobalFactoryVersion(int nVersion);
STANDIN_API int nGetGlobalFactoryCalls();

// Allocator.
STANDIN_API IStrMemAlloc* piGetAllocator();
STANDIN_API void SetAllocatorVersion(int nVersion);
STANDIN_API void RefuseAllocation(int nNth, int nCode = 100);  // the nNth request from now fails (0: none)
STANDIN_API long nGetLiveBlocks();
// Misuses of the allocator: releases of unknown blocks or of blocks whose count is not 0, and
// reallocations of blocks whose count is not 1 (still shared).
STANDIN_API long nGetBadReleases();
STANDIN_API long nGetSlotCalls(int nSlot);  // calls of slot 0 to 5 since Reset
STANDIN_API long nGetNonZeroFlags();        // Ex calls whose flags were not 0

// Locale services.
STANDIN_API IInfoLocale* piGetInfoLocale();
STANDIN_API std::vector<stLocaleCall> GetLocaleCalls();
STANDIN_API void ClearLocaleCalls();
STANDIN_API void SetCodePage(int nCodePage);
STANDIN_API void SetCharset(int nCharset);
STANDIN_API void SetCurrentLocale(unsigned dwLocale);

// Message-text callback.
STANDIN_API PFNLOADSTRINGKXM pfnGetLoadString();
STANDIN_API void SetMessageText(uint32_t nId, const std::wstring& sText);
STANDIN_API void SetMessageDefault(bool bAnswerHashId);               // unknown ids: "#<id>" or no text
STANDIN_API std::vector<std::pair<uint32_t, int>> GetMessageCalls();  // (id, capacity)

// Folding used by both compare and map: the same rule or string-keyed tables would miss.
STANDIN_API wchar_t wFold(wchar_t c, unsigned dwFlags);

}  // namespace standin

extern "C" STANDIN_API intptr_t Execution(uint32_t nCode, intptr_t pArg);
