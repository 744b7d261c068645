// pszRecupStr: a message of a module's table, formatted with the caller's arguments into a
// caller's buffer, for the library pieces that write a text without an error object.
#pragma once

#include "core/MyModuleInfo.h"

// Characters pszRecupStr writes at most, terminator included: the buffer must hold that many.
constexpr unsigned int RECUPSTR_TAILLE = 250;

// Message nId of the installer's module formatted with the arguments (wide printf dialect, as the
// message texts are written) into pszBuffer. Answers pszBuffer; it holds an empty text when the
// message is missing or does not format.
wchar_t* pszRecupStr(wchar_t* pszBuffer, unsigned int nId, ...);

// The same from the module pstModule (null: the installer's); the first argument is not used.
wchar_t* pszRecupStr(void* pInutilise, const _stMyModuleInfo* pstModule, wchar_t* pszBuffer, unsigned int nId, ...);
