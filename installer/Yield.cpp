// The time-slice pair: a stamp in the slot, and a yield that gives nothing away.
#include "installer/Yield.h"

#include <sys/time.h>

void vResetYield(unsigned int* pnSlot) {
    if (pnSlot == nullptr) return;
    struct timeval stMaintenant;
    gettimeofday(&stMaintenant, nullptr);
    *pnSlot = static_cast<unsigned int>(stMaintenant.tv_usec) + 500;
}

short vYield(unsigned int* /*pnSlot*/, short nValeur, void* /*hFenetre*/) {
    return nValeur;
}
