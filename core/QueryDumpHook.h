// The common stop has to free the variant layer's query-dump labels, but the common library lies
// below the variant layer and must not call up into it. The variant layer installs its free
// function here when it loads the labels; the common stop calls QDUMP_FreeRessources(), which runs
// it when installed.
#pragma once

typedef void (*PFNFREEQUERYDUMPRESSOURCES)();

// Installs (or, with null, removes) the function that frees the query-dump labels.
void QDUMP_SetFreeRessources(PFNFREEQUERYDUMPRESSOURCES pfnFree);
PFNFREEQUERYDUMPRESSOURCES QDUMP_pfnGetFreeRessources();
// Frees the labels when a free function is installed; nothing otherwise.
void QDUMP_FreeRessources();
