// Module version comparison over the string library's natural-order compare.
#include "variant/VersionModule.h"

#include "core/STRCompare.h"
#include "core/STRUtil.h"

int nCompareVersionModule(const wchar_t* pszA, const wchar_t* pszB) {
    return STR_nCompareRespecteNumeriqueW(pszA, STRG_nLen(pszA), pszB, STRG_nLen(pszB), STR_LEXICO);
}

int nCompareVersionModuleA(const char* pszA, const char* pszB) {
    return STR_nCompareRespecteNumeriqueA(pszA, STRG_nLen(pszA), pszB, STRG_nLen(pszB), STR_LEXICO);
}
