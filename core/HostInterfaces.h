// The host's services as this library sees them: its Execution entry, its allocator of shared
// buffers, its locale services and its message-text callback. The host is built elsewhere, so
// these declarations are binary interface: the slot order is fixed and no interface here has a
// virtual destructor (one would shift every slot).
#pragma once

#include <cstddef>
#include <cstdint>

// The host's Execution entry, found by name in the host module.
typedef intptr_t (*PFNEXECUTIONVM)(uint32_t nCode, intptr_t pArg);

// Notice and question codes exchanged with the host's Execution entry.
enum eEXECUTION_CODE : uint32_t {
    EXECUTION_INFORMATION = 3053,   // ask information n (1 to 15)
    EXECUTION_LIBRARY_ENDS = 3052,  // the library ends (argument 0)
    EXECUTION_PILE_C = 3184,        // fill the C stack record
    EXECUTION_START = 3985,
    EXECUTION_END = 4875,
    EXECUTION_SET_LOCALE = 4878,
    EXECUTION_CHANGE_LANGUE = 4879,
    EXECUTION_INIT_TYPE_DINO = 4963,
    EXECUTION_DUMP_MEMOIRE = 5238,
    EXECUTION_DESACTIVE = 5684,
    EXECUTION_REACTIVE = 5864,
};

// Information numbers asked with EXECUTION_INFORMATION.
enum eINFORMATION_HOST : intptr_t {
    INFO_CODE_PRODUIT_EXECUTION = 1,
    INFO_LANGUE_INTERNE = 2,
    INFO_NOM_PRODUIT = 3,
    INFO_OPTIONS = 4,
    INFO_CODE_PRODUIT_REEL = 5,
    INFO_UTILISE_NET = 6,
    INFO_LIB_SHOP = 7,
    INFO_VERSION_ACTIVE = 8,
    INFO_GLOBAL_FACTORY = 9,
    INFO_COLLECTEUR_TOPO = 10,
    INFO_MODE_SMARTPHONE = 11,
    INFO_LOCALE = 12,
    INFO_STR_MEM_ALLOC = 13,
    INFO_MULTITHREAD = 14,
    INFO_INFORMATION_COMPOSANTE = 15,
};

// The host's allocator of shared string and byte buffers. Every block pointer addresses the first
// unit; the allocator also keeps the 16-byte header in front of it (flags, count, capacity,
// length). Results: 0 success, any other value an error code that callers pass on unchanged.
class IStrMemAlloc {
public:
    virtual int vnGetVersionIStrMemAlloc() = 0;                                                     // 0
    virtual int vnAllocStrMem(unsigned char** ppbyBlock, size_t nBytes) = 0;                        // 1
    virtual int vnReallocStrMem(unsigned char** ppbyBlock, size_t nBytes) = 0;                      // 2
    virtual void vReleaseStrMem(unsigned char* pbyBlock) = 0;                                       // 3
    virtual int vnAllocStrMemEx(unsigned char** ppbyBlock, size_t nBytes, unsigned dwFlags) = 0;    // 4
    virtual int vnReallocStrMemEx(unsigned char** ppbyBlock, size_t nBytes, unsigned dwFlags) = 0;  // 5

    // Not slots: the library's own entry to the two allocating slots (core/BaseStrMem.cpp). They ask
    // the version first; from version 2 the Ex form receives the flags, below it the plain form.
    int nAllocStrMem(unsigned char** ppbyBlock, unsigned long nBytes, unsigned dwFlags);
    int nReallocStrMem(unsigned char** ppbyBlock, unsigned long nBytes, unsigned dwFlags);

protected:
    ~IStrMemAlloc() = default;
};

// The host's locale services. Positions 0, 1 and 10 are never called by this library.
// Compare answers 0 equal, 1 greater, anything else less. Map answers the characters written
// (0 = nothing); with a null destination and size 0 it answers the length needed.
class IInfoLocale {
public:
    virtual void vReserved0() = 0;               // 0
    virtual void vReserved1() = 0;               // 1
    virtual int vnGetCurrentCharset() = 0;       // 2
    virtual int vnGetCurrentCodePage() = 0;      // 3
    virtual unsigned vdwGetCurrentLocale() = 0;  // 4
    virtual int vnCompareA(unsigned dwLocale, unsigned dwFlags, const char* psz1, int n1, const char* psz2,
                           int n2) = 0;  // 5
    virtual int vnCompareW(unsigned dwLocale, unsigned dwFlags, const wchar_t* psz1, int n1, const wchar_t* psz2,
                           int n2) = 0;                                                                       // 6
    virtual int vnCompareCurrentA(unsigned dwFlags, const char* psz1, int n1, const char* psz2, int n2) = 0;  // 7
    virtual int vnCompareCurrentW(unsigned dwFlags, const wchar_t* psz1, int n1, const wchar_t* psz2,
                                  int n2) = 0;                                                                  // 8
    virtual int vnSortKeyA(unsigned dwLocale, char* pszDest, int nDestSize, const char* pszSrc, int nSrc) = 0;  // 9
    virtual void vReserved10() = 0;                                                                             // 10
    virtual int vnMapA(unsigned dwLocale, unsigned dwFlags, char* pszDest, int nDestSize, const char* pszSrc,
                       int nSrc) = 0;  // 11
    virtual int vnMapW(unsigned dwLocale, unsigned dwFlags, wchar_t* pszDest, int nDestSize, const wchar_t* pszSrc,
                       int nSrc) = 0;                                                                             // 12
    virtual int vnMapCurrentA(unsigned dwFlags, char* pszDest, int nDestSize, const char* pszSrc, int nSrc) = 0;  // 13
    virtual int vnMapCurrentW(unsigned dwFlags, wchar_t* pszDest, int nDestSize, const wchar_t* pszSrc,
                              int nSrc) = 0;         // 14
    virtual unsigned vdwGetCurrentLocaleSafe() = 0;  // 15

protected:
    ~IInfoLocale() = default;
};

// The host's global factory (information 9): only its version, slot 0, is asked.
class IGlobalFactory {
public:
    virtual int vnGetVersion() = 0;  // 0

protected:
    ~IGlobalFactory() = default;
};

// The host's message-text callback, installed by CommandeComposante code 2:
// 0 = no text, else the text's length (a length above the capacity asks for a second call).
typedef int (*PFNLOADSTRINGKXM)(uint32_t nMessageId, wchar_t* pszBuffer, int nCapacity);
