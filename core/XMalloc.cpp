// Heap wrappers over malloc/realloc/free and the inert memory-trace entry points.
#include "core/XMalloc.h"

#include <cstdlib>

void* XMALLOC_pNew_(size_t nTaille) {
    return malloc(nTaille);
}

void XMALLOC_Del_(void* p) {
    if (p != nullptr) free(p);
}

// A failed resize leaves the old block allocated and answers null.
void* XMALLOC_pResize_(void* p, size_t nTaille) {
    return p == nullptr ? XMALLOC_pNew_(nTaille) : realloc(p, nTaille);
}

int Alloc_bDump(const wchar_t*, int) {
    return 0;
}
int Alloc_bMarque() {
    return 0;
}
int Alloc_nTailleTotale() {
    return 0;
}
