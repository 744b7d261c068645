// The message resources: lookup of a message by id through the host's callback and the module's
// packed table, the table index, and the loading and formatting functions (see DLLRes.h).
#include "core/DLLRes.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cwchar>

#include "core/DataCompressor.h"
#include "core/TString.h"
#include "core/platformwin/WinFormat.h"

PFNLOADSTRINGKXM gpfnLoadStringKXM = nullptr;

namespace {

bool g_bDllResInit = false;

// Separator of the singular and plural forms of one message: line feed, section sign, line feed.
const wchar_t g_szSingulierPluriel[] = L"\n\u00A7\n";

// Room of the first call to the host's callback.
const int KXM_FIRST_CAPACITY = 256;

uint32_t nRead16(const uint8_t* pby) {
    return uint32_t(pby[0]) | (uint32_t(pby[1]) << 8);
}

// Asks the host's callback for a text: first with 256 characters of room, then, when the answer
// says the text is longer, with room for all of it and its terminator. The second call passes the
// room the buffer really has (length + 1): a host that counts the terminator in the capacity, as the
// host does for the first call, could otherwise never write a long text, and the caller would get
// an empty text reported as found.
bool bLoadFromCallback(PFNLOADSTRINGKXM pfnLoad, uint32_t nId, CTString* pclOut) {
    wchar_t szBuffer[KXM_FIRST_CAPACITY + 1] = {};
    int nLength = pfnLoad(nId, szBuffer, KXM_FIRST_CAPACITY);
    if (nLength <= 0) return false;
    if (nLength < KXM_FIRST_CAPACITY) {
        pclOut->Set(szBuffer, static_cast<unsigned long>(nLength));
        return true;
    }
    wchar_t* pszLong = static_cast<wchar_t*>(calloc(size_t(nLength) + 2, sizeof(wchar_t)));
    if (pszLong == nullptr) return false;
    int nSecond = pfnLoad(nId, pszLong, nLength + 1);
    // 0: the text is gone; a longer answer: it grew again and was not written.
    bool bFound = nSecond > 0 && nSecond <= nLength;
    if (bFound) pclOut->Set(pszLong, static_cast<unsigned long>(nSecond));
    free(pszLong);
    return bFound;
}

bool bLookup(const _stMyModuleInfo* pstModule, uint32_t nId, STRessourceModule& stRecord) {
    if (pstModule == nullptr || pstModule->pfnGetRes == nullptr) return false;
    stRecord.nId = nId;
    return pstModule->pfnGetRes(stRecord);
}

}  // namespace

// ------------------------------------------------------------------------------------ the index

int DLLRES_nCompareRes(uint32_t nKeyId, const uint8_t* pbyRecord) {
    return int(nKeyId & 0xFFFF) - int(nRead16(pbyRecord + 2));
}

void DLLRES_BuildIndex(STRessourceIndex& stIndex) {
    stIndex.nNbRecord = 0;
    if (stIndex.pbyBuffer != nullptr) {
        uint32_t nOffset = 0;
        // The walk stops at the ending zero, at a length too short to be a record, and when the
        // index is full: a longer table is cut there rather than overrunning the offsets.
        while (stIndex.nNbRecord < DLLRES_MAX_RECORDS) {
            uint32_t nLength = nRead16(stIndex.pbyBuffer + nOffset);
            if (nLength < DLLRES_RECORD_HEADER) break;
            stIndex.tnOffset[stIndex.nNbRecord++] = nOffset;
            nOffset += nLength;
        }
    }
    stIndex.bBuilt = true;
}

bool DLLRES_bGetResFromIndex(STRessourceIndex& stIndex, STRessourceModule& stRecord) {
    if (!stIndex.bBuilt) DLLRES_BuildIndex(stIndex);
    int (*pfnCompare)(uint32_t, const uint8_t*) =
        stIndex.pfnCompare != nullptr ? stIndex.pfnCompare : &DLLRES_nCompareRes;
    uint32_t nKey = stRecord.nId & 0xFFFF;
    int nLow = 0, nHigh = int(stIndex.nNbRecord) - 1;
    while (nLow <= nHigh) {
        int nMiddle = (nLow + nHigh) / 2;
        const uint8_t* pbyRecord = stIndex.pbyBuffer + stIndex.tnOffset[nMiddle];
        int nCompare = pfnCompare(nKey, pbyRecord);
        if (nCompare == 0) {
            uint8_t byFlags = pbyRecord[4];
            stRecord.pbyPacked = pbyRecord + DLLRES_RECORD_HEADER;
            stRecord.nPackedLength = nRead16(pbyRecord + 5);
            stRecord.nTextForm = (byFlags & DLLRES_FLAG_UTF16) != 0 ? DLLRES_FORM_UTF16 : DLLRES_FORM_UTF8;
            stRecord.nUtilisation = byFlags & DLLRES_FLAG_UTILISATION;
            return true;
        }
        if (nCompare < 0)
            nHigh = nMiddle - 1;
        else
            nLow = nMiddle + 1;
    }
    return false;
}

// ------------------------------------------------------------------------------- start and stop

int DLLRES_bInit(void*, int) {
    g_bDllResInit = true;
    return 1;
}

void DLLRES_Term() {
    g_bDllResInit = false;
}

bool DLLRES_bIsInit() {
    return g_bDllResInit;
}

// ---------------------------------------------------------------------------------------- loading

// Both are meant for a host that installed its callback; before that they find nothing.
int KXM_nLoadString(uint32_t nId, wchar_t* pszBuffer, int nCapacity) {
    return gpfnLoadStringKXM != nullptr ? gpfnLoadStringKXM(nId, pszBuffer, nCapacity) : 0;
}

bool KXM_bLoadString(uint32_t nId, CTString* pclOut) {
    return gpfnLoadStringKXM != nullptr && pclOut != nullptr && bLoadFromCallback(gpfnLoadStringKXM, nId, pclOut);
}

bool DLLRES_bLoadString(const _stMyModuleInfo* pstModule, uint32_t nId, CTString* pclOut) {
    if (pclOut == nullptr) return false;
    if (gpfnLoadStringKXM != nullptr && bLoadFromCallback(gpfnLoadStringKXM, nId, pclOut)) return true;
    STRessourceModule stRecord;
    if (!bLookup(pstModule, nId, stRecord)) return false;
    wchar_t* pszText = CDataCompressor::s_pszDeCompress(stRecord);
    if (pszText != nullptr)
        pclOut->Set(pszText);
    else
        pclOut->Vide();
    free(pszText);
    return true;
}

int DLLRES_nLoadString(const _stMyModuleInfo* pstModule, uint32_t nId, wchar_t* pszBuffer, int nCapacity) {
    // No room at all: nothing can be written, not even a terminator.
    if (pszBuffer == nullptr || nCapacity < 1) return 0;
    if (gpfnLoadStringKXM != nullptr) {
        int nLength = gpfnLoadStringKXM(nId, pszBuffer, nCapacity);
        if (nLength > 0 && nLength < nCapacity) {
            // The answer counts the characters written; a host that does not terminate them still
            // leaves the caller a terminated text.
            pszBuffer[nLength] = 0;
            return nLength;
        }
        if (nLength > 0) {
            // The text did not fit and the host wrote nothing usable: fetch it whole and hand back
            // what fits, as the packed table does, rather than a length over an unwritten buffer.
            CTString clText;
            if (bLoadFromCallback(gpfnLoadStringKXM, nId, &clText)) {
                int nCopy = clText.nTaille() < nCapacity ? clText.nTaille() : nCapacity - 1;
                wmemcpy(pszBuffer, clText.pszGet(), size_t(nCopy));
                pszBuffer[nCopy] = 0;
                return nCopy;
            }
        }
    }
    pszBuffer[0] = 0;
    STRessourceModule stRecord;
    if (!bLookup(pstModule, nId, stRecord)) return 0;
    int nLength = nCapacity;
    switch (CDataCompressor::s_nDeCompress(pszBuffer, &nLength, stRecord)) {
        case CDataCompressor::DC_OK:
            return nLength;
        case CDataCompressor::DC_TOO_SMALL:
            return nCapacity - 1;
        default:
            return 0;
    }
}

int DLLRES_nGetUtilisation(const _stMyModuleInfo* pstModule, uint32_t nId) {
    STRessourceModule stRecord;
    if (!bLookup(pstModule, nId, stRecord)) return -1;
    return int(stRecord.nUtilisation);
}

// ------------------------------------------------------------------------------------- formatting

uint32_t DLLRES_dwFormatMessage(const wchar_t* pszFormat, wchar_t** ppszOut, va_list* pArgs) {
    wchar_t* pszResult = nullptr;
    uint32_t nLength = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING, pszFormat, 0, 0,
                                        reinterpret_cast<wchar_t*>(&pszResult), 0, pArgs);
    *ppszOut = pszResult;
    return nLength;
}

uint32_t DLLRES_dwFormatMessage(const wchar_t* pszFormat, CTString* pclOut, va_list* pArgs) {
    wchar_t* pszResult = nullptr;
    uint32_t nLength = DLLRES_dwFormatMessage(pszFormat, &pszResult, pArgs);
    if (nLength > 0 && pszResult != nullptr)
        pclOut->Set(pszResult, nLength);
    else
        pclOut->Vide();
    free(pszResult);
    return nLength;
}

bool DLLRES_bFormatMessageList(const _stMyModuleInfo* pstModule, uint32_t nId, CTString* pclOut, va_list* pArgs) {
    CTString clFormat;
    if (!DLLRES_bLoadString(pstModule, nId, &clFormat)) return false;
    DLLRES_dwFormatMessage(clFormat.pszGet(), pclOut, pArgs);
    return pclOut->nTaille() > 0;
}

bool DLLRES_bFormatMessage(const _stMyModuleInfo* pstModule, uint32_t nId, CTString* pclOut, ...) {
    va_list args;
    va_start(args, pclOut);
    bool bResult = DLLRES_bFormatMessageList(pstModule, nId, pclOut, &args);
    va_end(args);
    return bResult;
}

int DLLRES_nFormatMessageList(const _stMyModuleInfo* pstModule, uint32_t nId, wchar_t** ppszOut, va_list* pArgs) {
    CTString clFormat;
    if (!DLLRES_bLoadString(pstModule, nId, &clFormat)) return 0;
    return int(DLLRES_dwFormatMessage(clFormat.pszGet(), ppszOut, pArgs));
}

int DLLRES_nFormatMessage(const _stMyModuleInfo* pstModule, uint32_t nId, wchar_t** ppszOut, ...) {
    va_list args;
    va_start(args, ppszOut);
    int nResult = DLLRES_nFormatMessageList(pstModule, nId, ppszOut, &args);
    va_end(args);
    return nResult;
}

// ---------------------------------------------------------------------------- singular and plural

bool __bLoadStringSingulierPluriel(const _stMyModuleInfo* pstModule, int nForm, uint32_t nId, CTString& clOut) {
    CTString clText;
    if (!DLLRES_bLoadString(pstModule, nId, &clText)) return false;
    return clText.bExtraitChaine(long(nForm), g_szSingulierPluriel, &clOut);
}

bool DLLRES_bFormatMessageSingulierPlurielList(const _stMyModuleInfo* pstModule, int nForm, uint32_t nId,
                                               CTString* pclOut, va_list* pArgs) {
    CTString clFormat;
    if (!__bLoadStringSingulierPluriel(pstModule, nForm, nId, clFormat)) return false;
    DLLRES_dwFormatMessage(clFormat.pszGet(), pclOut, pArgs);
    return pclOut->nTaille() > 0;
}

bool DLLRES_bFormatMessageSingulierPluriel(const _stMyModuleInfo* pstModule, int nForm, uint32_t nId, CTString* pclOut,
                                           ...) {
    va_list args;
    va_start(args, pclOut);
    bool bResult = DLLRES_bFormatMessageSingulierPlurielList(pstModule, nForm, nId, pclOut, &args);
    va_end(args);
    return bResult;
}

// --------------------------------------------------------------------------------- the rest

int DLLRES_bForceInitRessource(long (*pfnCommande)(long, long)) {
    if (pfnCommande == nullptr) return 0;
    STCommandeComposante stCommande = {sizeof(STCommandeComposante), 0, nullptr, 0, 0};
    pfnCommande(3, reinterpret_cast<long>(&stCommande));
    return 1;
}

void* DLLRES_pLoadResource(const _stMyModuleInfo* pstModule, void* hLibrary, uint32_t nId, const wchar_t* pszType,
                           uint32_t* pnSize) {
    // A null handle would make dlsym search every loaded object.
    if (hLibrary == nullptr) return nullptr;
    typedef void* (*PFNLOADRESOURCEMODULE)(const _stMyModuleInfo*, uint32_t, const wchar_t*, uint32_t*);
    auto pfnLoad = reinterpret_cast<PFNLOADRESOURCEMODULE>(dlsym(hLibrary, "DLLRES_pLoadResourceModule"));
    if (pfnLoad == nullptr) return nullptr;
    return pfnLoad(pstModule, nId, pszType, pnSize);
}

int DLLRES_bUtiliseDLLRes() {
    return 0;
}

void* ghGetRessourceHandle() {
    return nullptr;
}

void DLLRES_SetFichierKXM(const wchar_t*) {}

extern "C" void* DLLRES_pLoadResourceModule(const _stMyModuleInfo*, uint32_t, const wchar_t*, uint32_t*) {
    return nullptr;
}
