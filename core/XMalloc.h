// The library's heap wrappers (plain C heap) and the memory-trace entry points, which this build
// keeps as inert stubs so that callers of the tracing variant link unchanged.
#pragma once

#include <cstddef>

void* XMALLOC_pNew_(size_t nTaille);
void XMALLOC_Del_(void* p);
void* XMALLOC_pResize_(void* p, size_t nTaille);

// Short names used by some callers.
inline void* XMALLOC_pNew(size_t nTaille) {
    return XMALLOC_pNew_(nTaille);
}
inline void XMALLOC_Del(void* p) {
    XMALLOC_Del_(p);
}
inline void* XMALLOC_pResize(void* p, size_t nTaille) {
    return XMALLOC_pResize_(p, nTaille);
}

int Alloc_bDump(const wchar_t* pszFichier, int nOption);
int Alloc_bMarque();
int Alloc_nTailleTotale();
