// pszRecupStr: load a message of a module's packed table and format it into the caller's buffer
// through the platform's formatting from a text.
#include "installer/RecupStr.h"

#include <cstdarg>

#include "core/DLLRes.h"
#include "core/TString.h"
#include "core/platformwin/WinFormat.h"

namespace {

wchar_t* _pszRecupStrListe(const _stMyModuleInfo* pstModule, wchar_t* pszBuffer, unsigned int nId, va_list* pArgs) {
    if (pszBuffer == nullptr) return nullptr;
    pszBuffer[0] = L'\0';
    CTString clFormat;
    if (!DLLRES_bLoadString(pstModule != nullptr ? pstModule : &gstMyModuleInfo39, nId, &clFormat)) return pszBuffer;
    // A text longer than the buffer is cut there and stays terminated.
    FormatMessageW(FORMAT_MESSAGE_FROM_STRING, clFormat.pszGet(), 0, 0, pszBuffer, RECUPSTR_TAILLE, pArgs);
    return pszBuffer;
}

}  // namespace

wchar_t* pszRecupStr(wchar_t* pszBuffer, unsigned int nId, ...) {
    va_list args;
    va_start(args, nId);
    wchar_t* pszResultat = _pszRecupStrListe(nullptr, pszBuffer, nId, &args);
    va_end(args);
    return pszResultat;
}

wchar_t* pszRecupStr(void* /*pInutilise*/, const _stMyModuleInfo* pstModule, wchar_t* pszBuffer, unsigned int nId,
                     ...) {
    va_list args;
    va_start(args, nId);
    wchar_t* pszResultat = _pszRecupStrListe(pstModule, pszBuffer, nId, &args);
    va_end(args);
    return pszResultat;
}
