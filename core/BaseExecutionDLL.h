// CBaseExecutionDLL: the library's execution singleton, created by the host's first start notice
// (Execution code 3985). It keeps the host module and the host's own Execution entry, through which
// the library asks the host for information by number, and it receives the host's later notices.
// Also the records the host hands with the notices and the two exported entries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/HostInterfaces.h"

typedef void* HINSTANCE;

class CXError;
class IDumpMemoire;

// Start record handed with Execution code 3985 (a host format).
struct _stINITDLL {
    uint64_t nTaille;        // size of the record in bytes
    HINSTANCE hInstanceVM;   // the host module
    uint32_t nUtilisation1;  // usage values (read when the record holds them)
    uint32_t nUtilisation2;
    void* piLibShop;  // the host's library shop (read when the record holds it)
};
static_assert(sizeof(_stINITDLL) == 32);
static_assert(offsetof(_stINITDLL, hInstanceVM) == 8);
static_assert(offsetof(_stINITDLL, nUtilisation1) == 16);
static_assert(offsetof(_stINITDLL, nUtilisation2) == 20);
static_assert(offsetof(_stINITDLL, piLibShop) == 24);

// C stack record sent to the host with code 3184; the host fills the buffer.
struct _stPILEC {
    int32_t n0;
    wchar_t* pszBuffer;
    int32_t n16;
    int32_t n20;
};
static_assert(sizeof(_stPILEC) == 24);
static_assert(offsetof(_stPILEC, pszBuffer) == 8);
static_assert(offsetof(_stPILEC, n16) == 16);
static_assert(offsetof(_stPILEC, n20) == 20);

class CBaseExecutionDLL {
public:
    CBaseExecutionDLL() = default;
    CBaseExecutionDLL(const CBaseExecutionDLL&) = delete;
    CBaseExecutionDLL& operator=(const CBaseExecutionDLL&) = delete;

    // Notices of the host, in slot order.
    virtual int vbInitialiseDLL() { return 1; }
    virtual void vSetUtilisation(uint32_t, uint32_t) {}
    virtual void vTermineDLL() {}
    virtual void vChangeLangue() {}
    virtual void vDesactiveApplication() {}
    virtual void vReactiveApplication() {}
    virtual int vbInitialiseTypeDINO(CXError*) { return 1; }
    virtual int vbDumpMemoire(IDumpMemoire*) { return 0; }
    virtual ~CBaseExecutionDLL() = default;

    // ---- the notices behind the exported Execution
    // Start (3985): creates the singleton on the first notice, then counts. 1, or 0 when the first
    // initialisation fails (the singleton then stays and the next notice only counts).
    static intptr_t s_nDebutExecution(const _stINITDLL* pstRecord);
    // End (4875): uncounts; the last one ends and deletes the singleton. Always 1.
    static intptr_t s_nFinExecution();
    static intptr_t s_nExecution(uint32_t nCode, intptr_t pArg);

    // ---- services for code that runs without a start notice or asks the host directly
    static int s_bInitialiseMoiMeme(HINSTANCE hInstanceVM);
    int __bInitialiseMoiMeme(HINSTANCE hInstanceVM);
    static void s_TermineMoiMeme();
    static void s_InitLibShopMoiMeme();
    void _InitLibShopMoiMeme() const;
    int _bUtiliseNET() const;
    int _eGetModeSmartphone() const;
    static int s_eGetModeSmartphone();
    int _bRemplitPileC(int n0, wchar_t* pszBuffer, int n16, int n20) const;
    static int s_bRemplitPileC(int n0, wchar_t* pszBuffer, int n16, int n20);
    static HINSTANCE s_hGetHinstanceVM();
    // The common stop's part: tells the host that the library ends (code 3052) and deletes the
    // singleton, unless the host ended it already or the library started it by itself.
    static void s_TermineDLL();

    static CBaseExecutionDLL* s_pclGetExecutionDLL() { return ms_pclExecutionDLL; }

    HINSTANCE hInstanceVM = nullptr;
    PFNEXECUTIONVM pfnExecutionVM = nullptr;
    uint32_t bTermine = 0;

    static CBaseExecutionDLL* ms_pclExecutionDLL;
    static uint32_t ms_nNbInitialisation;

private:
    // Finds the host's Execution entry in its module and asks the information every start needs.
    int _bConnecteHote(HINSTANCE hInstanceVM);
    intptr_t _nGetInformation(intptr_t nInformation) const;
};

// The exported entries of the library (C linkage, visible to the host).
extern "C" __attribute__((visibility("default"))) intptr_t Execution(uint32_t nCode, intptr_t pArg);
extern "C" __attribute__((visibility("default"))) int64_t CommandeComposante(uint64_t nCode, intptr_t pArg);
