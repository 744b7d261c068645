// CXMath: trial-division primality test over odd divisors.
#include "core/XMath.h"

bool CXMath::bEstPremier(uint64_t n) {
    if (n == 2) return true;
    if (n % 2 == 0) return false;
    if (n <= 7) return true;  // 1, 3, 5, 7
    if (n % 3 == 0) return false;
    for (uint64_t d = 5;; d += 2) {
        uint64_t q = n / d;
        if (q < d) return true;
        if (q * d == n) return false;
    }
}
