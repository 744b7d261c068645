// The two entries the host calls by name: Execution (start, end and the other notices of the host)
// and CommandeComposante (the host installs its message-text callback and reads this library's
// message texts). Both keep C linkage and default visibility; everything else stays hidden.
#include <cstdint>

#include "core/BaseExecutionDLL.h"
#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"

namespace {

enum : uint64_t {
    COMMANDE_SET_LOADSTRING = 2,  // install the host's message-text callback
    COMMANDE_LOADSTRING = 3,      // read a message into the component command record
    COMMANDE_UTILISATION = 4,     // usage value of a message
};

}  // namespace

extern "C" intptr_t Execution(uint32_t nCode, intptr_t pArg) {
    return CBaseExecutionDLL::s_nExecution(nCode, pArg);
}

extern "C" int64_t CommandeComposante(uint64_t nCode, intptr_t pArg) {
    switch (nCode) {
        case COMMANDE_SET_LOADSTRING:
            gpfnLoadStringKXM = reinterpret_cast<PFNLOADSTRINGKXM>(pArg);
            return 1;
        case COMMANDE_LOADSTRING: {
            auto* pstRecord = reinterpret_cast<STCommandeComposante*>(pArg);
            if (pstRecord == nullptr) return 0;
            int nResult = DLLRES_nLoadString(&gstMyModuleInfo39, pstRecord->nMessageId, pstRecord->pszBuffer,
                                             pstRecord->nCapacity);
            pstRecord->nResult = nResult;
            return nResult;
        }
        case COMMANDE_UTILISATION:
            return DLLRES_nGetUtilisation(&gstMyModuleInfo39, static_cast<uint32_t>(pArg));
        default:
            return 0;
    }
}
