// The host's execution context (INAContext) as the stand-in host plays it: two ids, by default
// fresh ones for every object (so that live contexts differ), or the ones a test sets.
#pragma once

#include "native/driver/INAContext.h"
#include "host/EmulatedHost.h"

namespace standin {

class STANDIN_API CStandInContext final : public INAContext {
public:
    CStandInContext();
    CStandInContext(unsigned long nDataId, unsigned long nContextId);
    ~CStandInContext();

    unsigned long m_nDataId;
    unsigned long m_nContextId;

    int nGetVersion() override;
    int nGetCompatSince() override;
    void vReserved5() override;
    void vReserved6() override;
    unsigned long nGetDataId() override;
    unsigned long nGetContextId() override;
};

}  // namespace standin
