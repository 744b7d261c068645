// The description every module of the common library gives of itself: its error-definition table,
// its number, file name and version, and the function that finds its packed message texts. Error
// objects and message loaders take a pointer to it. The data itself belongs to each deliverable
// (the driver has gstMyModuleInfo39, the installer its own), so it is compiled outside the common
// archives and only declared here.
#pragma once

#include <cstddef>
#include <cstdint>

struct STRessourceModule;

// One row of a module's error-definition table: a user error code turns into the message id of
// its user text, a detail id and an error level.
struct _stErrorDef {
    uint32_t nUserErrorCode;
    uint32_t nMessageId;
    uint32_t nDetailId;
    uint32_t nErrorLevel;
};
static_assert(sizeof(_stErrorDef) == 16);
static_assert(offsetof(_stErrorDef, nMessageId) == 4);
static_assert(offsetof(_stErrorDef, nDetailId) == 8);
static_assert(offsetof(_stErrorDef, nErrorLevel) == 12);

// Finds a message of the module's packed table: fills the record and answers true when found.
typedef bool (*PFNGETRESMODULE)(STRessourceModule& stRecord);

struct _stMyModuleInfo {
    const _stErrorDef* pstErrorDef;  // first row of the error-definition table
    uint64_t nNbErrorDef;            // row count
    uint32_t nModuleNumber;
    const wchar_t* pszModuleName;  // file name of the module
    const wchar_t* pszModuleVersion;
    PFNGETRESMODULE pfnGetRes;  // message lookup in the module's packed table
};
static_assert(sizeof(_stMyModuleInfo) == 48);
static_assert(offsetof(_stMyModuleInfo, nNbErrorDef) == 8);
static_assert(offsetof(_stMyModuleInfo, nModuleNumber) == 16);
static_assert(offsetof(_stMyModuleInfo, pszModuleName) == 24);
static_assert(offsetof(_stMyModuleInfo, pszModuleVersion) == 32);
static_assert(offsetof(_stMyModuleInfo, pfnGetRes) == 40);

// This deliverable's description, error table and message lookup (module 39).
extern const _stErrorDef gstErrorDef39[];
extern const _stMyModuleInfo gstMyModuleInfo39;
bool bGetResAnsi39(STRessourceModule& stRecord);
