// CAny_VQCY: the sign and the stepping of a money value.
#include "variant/Any_VQCY.h"

int CAny_VQCY::bIsPositive() const {
    // The top word carries the sign of the 80-bit integer.
    return static_cast<int16_t>(tGet().m_awMot[4]) >= 0 ? 1 : 0;
}

// The step is one exact unit of 1.000000 on the 80-bit integer: through a double, values past
// 2^53 millionths (about 9 x 10^9) would lose their last decimals. The wrapped sum is stored on
// overflow, as for the integer types, and the result says so.
int CAny_VQCY::nIncremente() {
    CMoney st = tGet();
    const int nResultat = bIncrementeMonetaire(&st) ? 0 : 1;
    Set(st);
    return nResultat;
}
int CAny_VQCY::nDecremente() {
    CMoney st = tGet();
    const int nResultat = bDecrementeMonetaire(&st) ? 0 : 1;
    Set(st);
    return nResultat;
}
