// The hook through which the common stop frees the variant layer's query-dump labels.
#include "core/QueryDumpHook.h"

namespace {
PFNFREEQUERYDUMPRESSOURCES g_pfnFreeQueryDumpRessources = nullptr;
}

void QDUMP_SetFreeRessources(PFNFREEQUERYDUMPRESSOURCES pfnFree) {
    g_pfnFreeQueryDumpRessources = pfnFree;
}

PFNFREEQUERYDUMPRESSOURCES QDUMP_pfnGetFreeRessources() {
    return g_pfnFreeQueryDumpRessources;
}

void QDUMP_FreeRessources() {
    if (g_pfnFreeQueryDumpRessources != nullptr) g_pfnFreeQueryDumpRessources();
}
