// Test helper: checks every structural invariant of a CHashTableBounce (level, sizes, chains,
// free list, counts, hashing) so that the container tests can run it after every operation.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "core/HashTableBounce.h"

inline testing::AssertionResult HashTableInvariants(const CHashTableBounce& cl) {
    using E = CHashTableBounce::_stELEMENT;
    const uint32_t dwLibre = CHashTableBounce::ELEMENT_LIBRE;
    unsigned int nLevel = cl.dwGetLevel(), nCap = cl.dwGetCapacity(), nHash = cl.dwGetNbHash();
    unsigned int nCount = cl.dwGetNumElement();
    if (nLevel > CHashTableBounce::NIVEAU_MAX) return testing::AssertionFailure() << "level " << nLevel;
    if (nHash != CHashTableBounce::g__ToutPretToutChaud[nLevel])
        return testing::AssertionFailure() << "bucket count " << nHash << " at level " << nLevel;
    if (nCap != nHash / 2) return testing::AssertionFailure() << "capacity " << nCap << " for prime " << nHash;
    if (nCount > nCap) return testing::AssertionFailure() << "count " << nCount << " above capacity " << nCap;
    if (cl.nGetParseDepth() < 0) return testing::AssertionFailure() << "negative parse depth";

    const E* pst = cl.pstGetElements();
    const uint32_t* pdwHash = cl.pdwGetBuckets();
    std::vector<int> tabVu(nCap, 0);

    unsigned int nEnUsage = 0;
    for (unsigned int s = 0; s < nCap; s++)
        if (pst[s].dwPrevious != dwLibre) nEnUsage++;
    if (nEnUsage != nCount) return testing::AssertionFailure() << nEnUsage << " entries in use, count " << nCount;

    unsigned int nChaines = 0;
    for (unsigned int b = 0; b < nHash; b++) {
        uint32_t dwPrecedent = 0;
        for (uint32_t n = pdwHash[b]; n != 0; n = pst[n - 1].dwNext) {
            if (n > nCap) return testing::AssertionFailure() << "bucket " << b << " links entry " << n;
            const E& e = pst[n - 1];
            if (e.dwPrevious == dwLibre) return testing::AssertionFailure() << "free entry " << n << " in a chain";
            if (e.dwPrevious != dwPrecedent)
                return testing::AssertionFailure()
                       << "entry " << n << " previous " << e.dwPrevious << " expected " << dwPrecedent;
            if (cl.pfGetHashVal()(e.pKey) % nHash != b)
                return testing::AssertionFailure() << "entry " << n << " chained in the wrong bucket";
            if (tabVu[n - 1]++) return testing::AssertionFailure() << "entry " << n << " chained twice";
            if (++nChaines > nCount) return testing::AssertionFailure() << "chains longer than the count";
            dwPrecedent = n;
        }
    }
    if (nChaines != nCount) return testing::AssertionFailure() << nChaines << " chained, count " << nCount;

    unsigned int nLibres = 0;
    for (uint32_t n = cl.dwGetFreeHead(); n != 0; n = pst[n - 1].dwNext) {
        if (n > nCap) return testing::AssertionFailure() << "free list links entry " << n;
        if (pst[n - 1].dwPrevious != dwLibre) return testing::AssertionFailure() << "entry " << n << " in use is free";
        if (tabVu[n - 1]++) return testing::AssertionFailure() << "entry " << n << " listed twice";
        nLibres++;
    }
    if (nLibres != nCap - nCount)
        return testing::AssertionFailure() << nLibres << " free entries listed, " << nCap - nCount << " expected";
    return testing::AssertionSuccess();
}
