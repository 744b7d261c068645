// CAny_VQReel<T, CODE>: the value classes of the floating-point types R4 and R8. A value is
// positive when it is 0.0 or more (a NaN is not). Stepping adds or subtracts 1.0; an R4 is stepped
// in double and stored as float, and answers 1 when the double result lies beyond the float range
// or is a NaN; an R8 never reports an overflow.
#pragma once

#include <cmath>
#include <type_traits>

#include "variant/Any_VQFixe.h"

template <typename T, unsigned short CODE>
class CAny_VQReel : public CAny_VQFixe<T, CODE> {
    static_assert(std::is_floating_point_v<T>);
    using Base = CAny_VQFixe<T, CODE>;

public:
    int bIsPositive() const override { return Base::tGet() >= T(0) ? 1 : 0; }
    int nIncremente() override { return _nPas(1.0); }
    int nDecremente() override { return _nPas(-1.0); }

private:
    // The largest finite float, as a double.
    static constexpr double R4_MAX = 3.4028234663852886e+38;

    int _nPas(double dPas) {
        const double d = static_cast<double>(Base::tGet()) + dPas;
        Base::Set(static_cast<T>(d));
        if constexpr (sizeof(T) == sizeof(float))
            return std::isnan(d) || d < -R4_MAX || d > R4_MAX ? 1 : 0;
        else
            return 0;
    }
};

using CAny_VQR4 = CAny_VQReel<float, VQTYPE_R4>;
using CAny_VQR8 = CAny_VQReel<double, VQTYPE_R8>;
