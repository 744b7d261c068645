// sGetRES: the installer's messages formatted into a text.
#include "installer/GetRES.h"

#include <cstdarg>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"

CTString sGetRES(unsigned int nId, ...) {
    CTString clTexte;
    va_list arguments;
    va_start(arguments, nId);
    DLLRES_bFormatMessageList(&gstMyModuleInfo39, nId, &clTexte, &arguments);
    va_end(arguments);
    return clTexte;
}
