// CMainCommun: start and stop of the common library, called by the driver's exported library start
// and stop. The start opens the message resources; the stop frees the query-dump labels, tells the
// host that the library ends and closes the message resources.
#pragma once

#include "core/BaseExecutionDLL.h"

class CMainCommun {
public:
    // Acts on its first call only. Returns 1.
    static int bInitLibraryCommon(HINSTANCE hModule);
    // Acts only after a start. Returns 1.
    static int bTermLibraryCommon();

    static int gbInitLibraryDone;
    static HINSTANCE ghModule;
};
