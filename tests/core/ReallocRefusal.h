// Refusal of the n-th heap growth, for the tests of the text builders, which take their buffers
// from the C heap rather than from the host's allocator. The test program's own realloc answers null
// to the request it was told to refuse and hands every other request to the C library's (or the
// sanitizer's) realloc; it also counts the requests and remembers the largest, so a test can tell
// that a size was refused before the heap was ever asked.
//
// Include it in one source file of a test program only: it defines the program's realloc.
#pragma once

#include <dlfcn.h>

#include <cstddef>

namespace reallocrefusal {

using PFNREALLOC = void* (*)(void*, size_t);

inline PFNREALLOC s_pfnRealloc = nullptr;
inline long s_nRequests = 0;  // since the last Arm
inline long s_nToRefuse = 0;  // 0: none
inline size_t s_nLargest = 0;
inline bool s_bRefused = false;

// The nNth request from now is answered null (0: none); the counts start again.
inline void Arm(long nNth) {
    s_nRequests = 0;
    s_nToRefuse = nNth;
    s_nLargest = 0;
    s_bRefused = false;
}
inline long nGetRequests() {
    return s_nRequests;
}
inline size_t nGetLargest() {
    return s_nLargest;
}
// Whether the armed refusal has happened.
inline bool bRefused() {
    return s_bRefused;
}

}  // namespace reallocrefusal

extern "C" void* realloc(void* p, size_t n) noexcept {
    using namespace reallocrefusal;
    if (s_pfnRealloc == nullptr) s_pfnRealloc = reinterpret_cast<PFNREALLOC>(dlsym(RTLD_NEXT, "realloc"));
    ++s_nRequests;
    if (n > s_nLargest) s_nLargest = n;
    if (s_nRequests == s_nToRefuse) {
        s_bRefused = true;
        return nullptr;
    }
    return s_pfnRealloc(p, n);
}
