// INAContext: the host's execution context, as the driver calls it: two numeric ids. The host's
// object, at fixed positions counted from 0 at the virtual-table pointer.
#pragma once

#include "native/driver/INAVersion.h"

// Both ids stay the same for the life of the context and differ between live contexts: the data
// id keys a context's data accesses, the context id the driver's registry of contexts.
class INAContext : public INAVersion {
public:
    // 5-6: not called by the driver.
    virtual void vReserved5() = 0;
    virtual void vReserved6() = 0;
    // 7-8
    virtual unsigned long nGetDataId() = 0;
    virtual unsigned long nGetContextId() = 0;

protected:
    ~INAContext() = default;
};
