// Start and stop of the common library.
#include "core/MainCommun.h"

#include "core/DLLRes.h"
#include "core/QueryDumpHook.h"

int CMainCommun::gbInitLibraryDone = 0;
HINSTANCE CMainCommun::ghModule = nullptr;

int CMainCommun::bInitLibraryCommon(HINSTANCE hModule) {
    if (gbInitLibraryDone) return 1;
    ghModule = hModule;
    DLLRES_bInit(hModule, 0);
    gbInitLibraryDone = 1;
    return 1;
}

int CMainCommun::bTermLibraryCommon() {
    if (!gbInitLibraryDone) return 1;
    gbInitLibraryDone = 0;
    // The labels belong to the variant layer above; it installed their release in the hook.
    QDUMP_FreeRessources();
    CBaseExecutionDLL::s_TermineDLL();
    DLLRES_Term();
    return 1;
}
