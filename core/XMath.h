// CXMath: arithmetic helpers of the common library; for now the primality test by which the
// chained hash table picks prime bucket counts.
#pragma once

#include <cstdint>

class CXMath {
public:
    // True for the primes and, as the bucket-size search has always treated it, for 1.
    static bool bEstPremier(uint64_t n);
};
