// CAny_VQCY: the sign and the stepping of a money value.
#include "variant/Any_VQCY.h"

int CAny_VQCY::bIsPositive() const {
    // The top word carries the sign of the 80-bit integer.
    return static_cast<int16_t>(tGet().m_awMot[4]) >= 0 ? 1 : 0;
}

int CAny_VQCY::nIncremente() {
    return _nPas(1.0);
}
int CAny_VQCY::nDecremente() {
    return _nPas(-1.0);
}

int CAny_VQCY::_nPas(double dPas) {
    CMoney st = tGet();
    const double d = dMonetaireVersDouble(&st) + dPas;
    const int nResultat = pstDoubleVersMonetaire(&st, d) == nullptr ? 1 : 0;
    Set(st);
    return nResultat;
}
