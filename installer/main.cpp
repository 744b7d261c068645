// pginstaller: installs the PostgreSQL access into the application server's program directory. Run
// once, as root, with no option: it extracts the archive that lies beside it into the directory the
// server's configuration names, and tells on standard error how it went. Exit status 0 on success,
// -1 (255) otherwise.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "core/DLLRes.h"
#include "core/InformationDLL.h"
#include "core/platformwin/WinCodePage.h"
#include "installer/CommandLine.h"
#include "installer/Installer.h"
#include "installer/StrMemAlloc.h"
#include "platform/WinProcess.h"

// Reports a fatal signal and ends the process. Kept for debugging sessions; main does not install it.
void SegVHandler(int) {
    perror("Internal error ");
    _exit(-1);
}

// The installer starts no child, but a child's end must not stop it.
void ChildHandler(int) {}

int main(int argc, char** argv) {
    int nResultat = -1;
    DLLRES_bInit(nullptr, 0);
    CStrMemAlloc* pclAllocateur = CStrMemAlloc::s_pclInit();
    CInformationModule::ms_piStrMemAlloc = pclAllocateur;
    InitAlarmHandler(nullptr);
    signal(SIGCHLD, ChildHandler);
    SetLocaleUTF8();
    SetCommandLine(argc, argv);

    if (getuid() != 0) {
        INSTALLER_EcritMessage(4219);
    } else if (bDoInstall()) {
        INSTALLER_EcritMessage(8182);
        nResultat = 0;
    } else {
        INSTALLER_EcritMessage(8183);
    }

    CInformationModule::ms_piStrMemAlloc = nullptr;
    CStrMemAlloc::s_Term();
    DLLRES_Term();
    return nResultat;
}
