// CAny_VQEntier<T, CODE, REGLE>: the value classes of the integer types, one template for the
// signed and unsigned widths (I1 to I8, UI1 to UI8, UIX). Signed values are positive from 0 up,
// unsigned ones always. Stepping by one always changes the value (it wraps) and answers 1 when it
// overflowed, by the rule of the type: the exact result left the type's range (8, 16 and 32 bits),
// the new value has its top bit set (UI8), or never (I8, UIX).
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

#include "variant/Any_VQFixe.h"

enum eVQREGLE_DEBORDEMENT {
    VQDEBORDEMENT_PLAGE,     // the exact result leaves the type's range
    VQDEBORDEMENT_BIT_HAUT,  // the new value has its top bit set
    VQDEBORDEMENT_JAMAIS,    // never reported
};

template <typename T, unsigned short CODE, eVQREGLE_DEBORDEMENT REGLE>
class CAny_VQEntier : public CAny_VQFixe<T, CODE> {
    static_assert(std::is_integral_v<T>);
    using Base = CAny_VQFixe<T, CODE>;

public:
    int bIsPositive() const override {
        if constexpr (std::is_signed_v<T>)
            return Base::tGet() >= 0 ? 1 : 0;
        else
            return 1;
    }
    int nIncremente() override { return _nPas(1); }
    int nDecremente() override { return _nPas(-1); }

private:
    int _nPas(int nPas) {
        const T t = Base::tGet();
        // Unsigned arithmetic wraps without undefined behaviour, whatever the signedness of T.
        using U = std::make_unsigned_t<T>;
        const T tNouveau = static_cast<T>(static_cast<U>(static_cast<U>(t) + static_cast<U>(nPas)));
        Base::Set(tNouveau);
        if constexpr (REGLE == VQDEBORDEMENT_PLAGE) {
            static_assert(sizeof(T) <= 4);
            const int64_t nExact = static_cast<int64_t>(t) + nPas;
            return nExact < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
                           nExact > static_cast<int64_t>(std::numeric_limits<T>::max())
                       ? 1
                       : 0;
        } else if constexpr (REGLE == VQDEBORDEMENT_BIT_HAUT) {
            return (static_cast<U>(tNouveau) >> (sizeof(T) * 8 - 1)) != 0 ? 1 : 0;
        } else {
            return 0;
        }
    }
};

using CAny_VQUI1 = CAny_VQEntier<uint8_t, VQTYPE_UI1, VQDEBORDEMENT_PLAGE>;
using CAny_VQUI2 = CAny_VQEntier<uint16_t, VQTYPE_UI2, VQDEBORDEMENT_PLAGE>;
using CAny_VQUI4 = CAny_VQEntier<uint32_t, VQTYPE_UI4, VQDEBORDEMENT_PLAGE>;
using CAny_VQUI8 = CAny_VQEntier<uint64_t, VQTYPE_UI8, VQDEBORDEMENT_BIT_HAUT>;
using CAny_VQI1 = CAny_VQEntier<int8_t, VQTYPE_I1, VQDEBORDEMENT_PLAGE>;
using CAny_VQI2 = CAny_VQEntier<int16_t, VQTYPE_I2, VQDEBORDEMENT_PLAGE>;
using CAny_VQI4 = CAny_VQEntier<int32_t, VQTYPE_I4, VQDEBORDEMENT_PLAGE>;
using CAny_VQI8 = CAny_VQEntier<int64_t, VQTYPE_I8, VQDEBORDEMENT_JAMAIS>;
using CAny_VQUIX = CAny_VQEntier<uint64_t, VQTYPE_UIX, VQDEBORDEMENT_JAMAIS>;
