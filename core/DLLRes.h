// The message resources: every user-visible text of the library is a message with a 16-bit id,
// looked up first through the host's message-text callback (when the host installed one), then in
// the module's own packed table. The DLLRES_ functions load a message into a CTString or a caller's
// buffer and format it with arguments in the wide printf dialect ("%s" wide, "%S" 8-bit). A message
// may hold a singular and a plural form separated by "\n§\n".
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "core/HostInterfaces.h"
#include "core/MyModuleInfo.h"

class CTString;

// The lookup record passed between the loaders and a module's packed table: the message id goes
// in; the packed text, its length, its text form and its usage value come out.
struct STRessourceModule {
    uint32_t nId = 0;
    const uint8_t* pbyPacked = nullptr;
    uint32_t nPackedLength = 0;
    uint32_t nTextForm = 0;              // DLLRES_FORM_UTF8 or DLLRES_FORM_UTF16
    uint32_t nUtilisation = 0xFFFFFFFF;  // 0 to 3 once found
};
static_assert(sizeof(STRessourceModule) == 32);
static_assert(offsetof(STRessourceModule, pbyPacked) == 8);
static_assert(offsetof(STRessourceModule, nPackedLength) == 16);
static_assert(offsetof(STRessourceModule, nTextForm) == 20);
static_assert(offsetof(STRessourceModule, nUtilisation) == 24);

enum : uint32_t { DLLRES_FORM_UTF8 = 1, DLLRES_FORM_UTF16 = 2 };

// Packed table records (little-endian): u16 total length (0 ends the table), u16 id, u8 flags
// (bits 0-1 usage value, bit 6 UTF-16 text), u16 packed length, then the packed text.
enum : uint32_t {
    DLLRES_RECORD_HEADER = 7,
    DLLRES_FLAG_UTF16 = 0x40,
    DLLRES_FLAG_UTILISATION = 0x03,
    DLLRES_INDEX_ROOM = 272,                     // offsets the index keeps
    DLLRES_MAX_RECORDS = DLLRES_INDEX_ROOM - 1,  // records a table may hold
};

// Index of a module's packed table, built on the first lookup and kept for the life of the
// process. The first lookup must be made by one thread at a time.
struct STRessourceIndex {
    const uint8_t* pbyBuffer;
    int (*pfnCompare)(uint32_t nKeyId, const uint8_t* pbyRecord);  // key id minus record id
    uint32_t tnOffset[DLLRES_INDEX_ROOM];
    bool bBuilt;
    uint32_t nNbRecord;
};

// Walks the table and stores each record's offset; stops at the ending zero or when the index is
// full (a table of more than DLLRES_MAX_RECORDS records is cut there, never overrun).
void DLLRES_BuildIndex(STRessourceIndex& stIndex);
// Builds the index when needed, then finds the record whose id equals the low 16 bits of the
// record's id and fills the lookup record. What each module's lookup function calls.
bool DLLRES_bGetResFromIndex(STRessourceIndex& stIndex, STRessourceModule& stRecord);
// The comparison the modules use: key id minus the record's id (ids compared as 16-bit values).
int DLLRES_nCompareRes(uint32_t nKeyId, const uint8_t* pbyRecord);

// The component command record that the host hands with CommandeComposante code 3.
struct STCommandeComposante {
    uint32_t nSize;  // 24; not read
    uint32_t nMessageId;
    wchar_t* pszBuffer;
    int32_t nCapacity;  // characters, terminator included
    int32_t nResult;    // written
};
static_assert(sizeof(STCommandeComposante) == 24);
static_assert(offsetof(STCommandeComposante, nMessageId) == 4);
static_assert(offsetof(STCommandeComposante, pszBuffer) == 8);
static_assert(offsetof(STCommandeComposante, nCapacity) == 16);
static_assert(offsetof(STCommandeComposante, nResult) == 20);

// The host's message-text callback, installed by CommandeComposante code 2; null until then.
extern PFNLOADSTRINGKXM gpfnLoadStringKXM;

// Start and stop of the message resources (the common library's start and stop call them).
int DLLRES_bInit(void* hModule, int nReserved);
void DLLRES_Term();
bool DLLRES_bIsInit();

// Loads message id into out: the host's callback first, then the module's table. False when the
// message exists nowhere; a table record that fails to unpack loads as an empty text.
bool DLLRES_bLoadString(const _stMyModuleInfo* pstModule, uint32_t nId, CTString* pclOut);
// Loads message id into a caller's buffer of nCapacity characters (terminator included); answers
// the characters written, 0 when the message is absent. A longer text is cut to nCapacity - 1.
int DLLRES_nLoadString(const _stMyModuleInfo* pstModule, uint32_t nId, wchar_t* pszBuffer, int nCapacity);
// The message's usage value (0 to 3), or -1 when the module's table does not hold it.
int DLLRES_nGetUtilisation(const _stMyModuleInfo* pstModule, uint32_t nId);

// Load and format with the arguments; true when the formatted text has at least one character.
bool DLLRES_bFormatMessageList(const _stMyModuleInfo* pstModule, uint32_t nId, CTString* pclOut, va_list* pArgs);
bool DLLRES_bFormatMessage(const _stMyModuleInfo* pstModule, uint32_t nId, CTString* pclOut, ...);
// Formats a given text; answers the number of characters (out empty when formatting fails).
uint32_t DLLRES_dwFormatMessage(const wchar_t* pszFormat, CTString* pclOut, va_list* pArgs);
// The same into a block from malloc stored in *ppszOut (freed by the caller with free).
uint32_t DLLRES_dwFormatMessage(const wchar_t* pszFormat, wchar_t** ppszOut, va_list* pArgs);
// Load and format into a malloc'd block; 0 and *ppszOut untouched when the message is absent.
int DLLRES_nFormatMessageList(const _stMyModuleInfo* pstModule, uint32_t nId, wchar_t** ppszOut, va_list* pArgs);
int DLLRES_nFormatMessage(const _stMyModuleInfo* pstModule, uint32_t nId, wchar_t** ppszOut, ...);

// Singular and plural forms: form nForm (from 0; below 1 means the first) of message id.
bool __bLoadStringSingulierPluriel(const _stMyModuleInfo* pstModule, int nForm, uint32_t nId, CTString& clOut);
bool DLLRES_bFormatMessageSingulierPlurielList(const _stMyModuleInfo* pstModule, int nForm, uint32_t nId,
                                               CTString* pclOut, va_list* pArgs);
bool DLLRES_bFormatMessageSingulierPluriel(const _stMyModuleInfo* pstModule, int nForm, uint32_t nId, CTString* pclOut,
                                           ...);

// The host's callback alone; only to be called once the host has installed it.
int KXM_nLoadString(uint32_t nId, wchar_t* pszBuffer, int nCapacity);
bool KXM_bLoadString(uint32_t nId, CTString* pclOut);

// Asks a component command entry (code 3) to set up its resources: 0 for a null entry, else 1.
int DLLRES_bForceInitRessource(long (*pfnCommande)(long, long));
// What "DLLRES_pLoadResourceModule" of the given library answers; null when it has none.
void* DLLRES_pLoadResource(const _stMyModuleInfo* pstModule, void* hLibrary, uint32_t nId, const wchar_t* pszType,
                           uint32_t* pnSize);
int DLLRES_bUtiliseDLLRes();
void* ghGetRessourceHandle();
void DLLRES_SetFichierKXM(const wchar_t* pszPath);

// Exported: this library keeps no resources outside its message table, so it answers null.
extern "C" __attribute__((visibility("default"))) void* DLLRES_pLoadResourceModule(const _stMyModuleInfo* pstModule,
                                                                                   uint32_t nId, const wchar_t* pszType,
                                                                                   uint32_t* pnSize);
