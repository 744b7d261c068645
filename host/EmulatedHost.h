// The emulated host: the host runtime's side of the interfaces in core/HostInterfaces.h as a
// program that loads the driver library needs it (Execution entry, shared-buffer allocator, locale
// services, message-text callback). kxhost, the benchmarks and the tests use it; the tests add
// their records and controls on top (tests/host/) through the observer below, which a real host
// program leaves unset and so pays nothing for.
#pragma once

#include <cstdint>
#include <string>

#include "core/HostInterfaces.h"

#define STANDIN_API __attribute__((visibility("default")))

namespace standin {

// What a test layer watches and steers of the emulated host. Every call happens only while an
// observer is set.
class IHostObserver {
public:
    virtual void vOnReset() = 0;
    virtual void vOnExecution(uint32_t nCode, intptr_t pArg) = 0;
    virtual void vOnLocale(int nPosition, unsigned dwLocale, unsigned dwFlags) = 0;
    virtual void vOnMessage(uint32_t nId, int nCapacity) = 0;
    // Allocator slot nSlot (0 to 5) called with those flags; a nonzero answer refuses the request
    // with that code.
    virtual int vnOnAllocatorCall(int nSlot, unsigned dwFlags) = 0;
    // A block was made (pOld null) or moved from pOld to pNew.
    virtual void vOnBlock(unsigned char* pNew, unsigned char* pOld) = 0;
    // Whether p may be released (bRealloc false) or reallocated (true); false leaves it alone.
    virtual bool vbOnBlockUse(unsigned char* p, bool bRealloc) = 0;

protected:
    ~IHostObserver() = default;
};

STANDIN_API void SetHostObserver(IHostObserver* piObserver);

// Puts every setting back to its default (the observer forgets its records).
STANDIN_API void Reset();

// The host module as dlopen sees it (for the start record and the VM bindings).
STANDIN_API void* hGetModule();

// Execution entry.
STANDIN_API intptr_t& rInformation(int nInfo);  // answer to 3053 with nInfo (1 to 15)
STANDIN_API void SetPileCAnswer(int nAnswer);  // answer to 3184 (the buffer is filled with "pile")
STANDIN_API void SetGlobalFactoryVersion(int nVersion);
STANDIN_API int nGetGlobalFactoryCalls();

// Allocator.
STANDIN_API IStrMemAlloc* piGetAllocator();
STANDIN_API void SetAllocatorVersion(int nVersion);
// Whether blocks given back are kept for the next request of their size (the default, except in
// a build with the address sanitizer); every block kept so far is freed. Whether they were.
STANDIN_API bool bSetBlockKeeping(bool bKeep);

// Locale services.
STANDIN_API IInfoLocale* piGetInfoLocale();
STANDIN_API void SetCodePage(int nCodePage);
STANDIN_API void SetCharset(int nCharset);
STANDIN_API void SetCurrentLocale(unsigned dwLocale);

// Message-text callback.
STANDIN_API PFNLOADSTRINGKXM pfnGetLoadString();
STANDIN_API void SetMessageText(uint32_t nId, const std::wstring& sText);
STANDIN_API void SetMessageDefault(bool bAnswerHashId);  // unknown ids: "#<id>" or no text

// Folding used by both compare and map: the same rule or string-keyed tables would miss.
STANDIN_API wchar_t wFold(wchar_t c, unsigned dwFlags);

}  // namespace standin

extern "C" STANDIN_API intptr_t Execution(uint32_t nCode, intptr_t pArg);
