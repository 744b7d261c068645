// The operations of the byte string CVQBIN. Same sharing rule as the shared strings: a buffer whose
// count is 2 or more is never written; a writer detaches first, and drops its reference on the old
// buffer only after the copy, so a source lying in that buffer stays readable. Sizes are tested in
// 64 bits against the 0x7FFFFEFF-byte limit before anything is touched.
#include "core/VQBIN.h"

#include <algorithm>
#include <cstring>

namespace {

STStrMemHeader* pstHeader(const unsigned char* p) {
    return CBaseStrMem::s_pstGetHeader(p);
}
int64_t nLength(const unsigned char* p) {
    return p ? pstHeader(p)->nLength : 0;
}
bool bShared(const unsigned char* p) {
    return CBaseStrMem::s_nGetCount(p) >= 2;
}
bool bTooLong(int64_t n) {
    return n < 0 || n > STRMEM_MAX_UNITS;
}

void Release(unsigned char*& p) {
    unsigned char* pOld = p;
    p = nullptr;
    CBaseStrMem::s_ReleaseStrMem(pOld);
}

// Offset of q in the buffer p (capacity included), or -1.
int64_t nOffsetIn(const unsigned char* p, const unsigned char* q) {
    if (p == nullptr || q == nullptr) return -1;
    auto nP = reinterpret_cast<uintptr_t>(p), nQ = reinterpret_cast<uintptr_t>(q);
    if (nQ < nP || nQ >= nP + pstHeader(p)->nCapacity) return -1;
    return static_cast<int64_t>(nQ - nP);
}

int nCompareBytes(const unsigned char* pA, const unsigned char* pB, int64_t n) {
    if (n <= 0) return 0;
    int nResult = memcmp(pA, pB, static_cast<size_t>(n));
    return nResult < 0 ? -1 : (nResult > 0 ? 1 : 0);
}

// A held reference keeps a source readable while the value that owns it changes (it may be this
// very value); it also makes a write to that buffer detach instead of writing in place.
class CHoldBuffer {
public:
    explicit CHoldBuffer(const unsigned char* p) : m_p(const_cast<unsigned char*>(p)) { CBaseStrMem::s_AddRef(m_p); }
    ~CHoldBuffer() { CBaseStrMem::s_ReleaseStrMem(m_p); }
    CHoldBuffer(const CHoldBuffer&) = delete;
    CHoldBuffer& operator=(const CHoldBuffer&) = delete;
    const unsigned char* p() const { return m_p; }
    int64_t nLength() const { return ::nLength(m_p); }

private:
    unsigned char* m_p;
};

}  // namespace

CVQBIN::CVQBIN(const unsigned char* pby, int n) {
    _nNew(n, pby, n, 0);
}

CVQBIN::CVQBIN(const CVQBIN& clSource) {
    _Assign(&clSource, -1);
}

CVQBIN& CVQBIN::operator=(const CVQBIN& clSource) {
    Assign(&clSource, -1);
    return *this;
}

CVQBIN& CVQBIN::operator=(CVQBIN&& clSource) noexcept {
    if (this != &clSource) {
        Release(m_pbyBuffer);
        m_pbyBuffer = clSource.m_pbyBuffer;
        clSource.m_pbyBuffer = nullptr;
    }
    return *this;
}

int CVQBIN::nSetFlags(uint32_t dwFlags) {
    if (m_pbyBuffer == nullptr) return STRMEM_OK;
    if (bShared(m_pbyBuffer)) {
        int nResult = _nMakeRoom(nLength(m_pbyBuffer), 0, true);
        if (nResult != 0 || m_pbyBuffer == nullptr) return nResult;
    }
    pstHeader(m_pbyBuffer)->dwFlags = dwFlags;
    return STRMEM_OK;
}

void CVQBIN::ReleaseDynBin() {
    Release(m_pbyBuffer);
}

int CVQBIN::_nNew(int n, const unsigned char* pbySource, int nCopy, unsigned dwFlags) {
    if (n == 0) return STRMEM_OK;
    if (bTooLong(n)) return STRMEM_ERR_TOO_LONG;
    unsigned char* pNew = nullptr;
    int nResult = s_nAllocStrMem(&pNew, static_cast<uint64_t>(n), dwFlags);
    if (nResult != 0) return nResult;
    int nKeep = std::clamp(nCopy, 0, n);
    if (pbySource != nullptr) memcpy(pNew, pbySource, static_cast<size_t>(nKeep));
    pstHeader(pNew)->nLength = nKeep;
    // Callers hand an empty value; should one not, its reference is not lost.
    unsigned char* pOld = m_pbyBuffer;
    m_pbyBuffer = pNew;
    s_ReleaseStrMem(pOld);
    return STRMEM_OK;
}

void CVQBIN::__FillDynBin(const unsigned char* pbySource, int n, int nAt) {
    if (pbySource == nullptr || m_pbyBuffer == nullptr) return;
    memmove(m_pbyBuffer + nAt, pbySource, static_cast<size_t>(n));
    pstHeader(m_pbyBuffer)->nLength = nAt + n;
}

int CVQBIN::_nMakeRoom(int64_t nBytes, unsigned dwFlags, bool bCarryFlags) {
    if (m_pbyBuffer == nullptr) return _nNew(static_cast<int>(nBytes), nullptr, 0, dwFlags);
    if (!bShared(m_pbyBuffer)) {
        if (nBytes <= pstHeader(m_pbyBuffer)->nCapacity) return STRMEM_OK;
        return s_nReallocStrMem(&m_pbyBuffer, static_cast<uint64_t>(nBytes), dwFlags);
    }
    unsigned char* pOld = m_pbyBuffer;
    m_pbyBuffer = nullptr;
    int64_t nKeep = std::min(nLength(pOld), nBytes);
    int nResult = STRMEM_OK;
    if (nBytes > 0) {
        unsigned char* pNew = nullptr;
        nResult = s_nAllocStrMem(&pNew, static_cast<uint64_t>(nBytes), dwFlags);
        if (nResult == 0) {
            memcpy(pNew, pOld, static_cast<size_t>(nKeep));
            pstHeader(pNew)->nLength = static_cast<int32_t>(nKeep);
            if (bCarryFlags) pstHeader(pNew)->dwFlags = pstHeader(pOld)->dwFlags;
            m_pbyBuffer = pNew;
        }
    }
    s_ReleaseStrMem(pOld);
    return nResult;
}

void CVQBIN::_Assign(const CVQBIN* pclAutre, int n) {
    if (pclAutre == nullptr || pclAutre->m_pbyBuffer == nullptr) return;
    unsigned char* pOld = m_pbyBuffer;
    m_pbyBuffer = pclAutre->m_pbyBuffer;
    if (m_pbyBuffer != pOld) {
        s_AddRef(m_pbyBuffer);
        s_ReleaseStrMem(pOld);
    }
    Tronque(n);
}

void CVQBIN::Assign(const CVQBIN* pclAutre, int n) {
    if (n == 0 || pclAutre == nullptr || pclAutre->m_pbyBuffer == nullptr) {
        ReleaseDynBin();
        return;
    }
    // Sharing before releasing keeps an assignment from the value itself (or from a value sharing
    // its buffer) whole.
    _Assign(pclAutre, n);
}

void CVQBIN::Take(CVQBIN* pclAutre) {
    if (pclAutre == this) return;
    unsigned char* pOld = m_pbyBuffer;
    m_pbyBuffer = pclAutre ? pclAutre->m_pbyBuffer : nullptr;
    // The reference passes over: the source must not release it again.
    if (pclAutre != nullptr) pclAutre->m_pbyBuffer = nullptr;
    s_ReleaseStrMem(pOld);
}

int CVQBIN::nAssignInit(const unsigned char* pby, int n) {
    if (pby == nullptr || n == 0) {
        ReleaseDynBin();
        return STRMEM_OK;
    }
    return _nNew(n, pby, n, 0);
}

int CVQBIN::nAssign(const unsigned char* pby, int n, unsigned dwFlags) {
    if (n == 0) {
        ReleaseDynBin();
        return STRMEM_OK;
    }
    if (bTooLong(n)) return STRMEM_ERR_TOO_LONG;
    if (m_pbyBuffer == nullptr) return _nNew(n, pby, n, dwFlags);
    if (!bShared(m_pbyBuffer)) {
        int64_t nOffset = nOffsetIn(m_pbyBuffer, pby);
        if (n > static_cast<int64_t>(pstHeader(m_pbyBuffer)->nCapacity)) {
            int nResult = s_nReallocStrMem(&m_pbyBuffer, static_cast<uint64_t>(n), dwFlags);
            if (nResult != 0) return nResult;
            if (nOffset >= 0) pby = m_pbyBuffer + nOffset;
        }
        if (pby != nullptr) {
            memmove(m_pbyBuffer, pby, static_cast<size_t>(n));
            // New content: the old end marker is gone.
            pstHeader(m_pbyBuffer)->dwFlags &= ~STRMEM_FLAG_MARQUEUR_FIN;
            pstHeader(m_pbyBuffer)->nLength = n;
        }
        return STRMEM_OK;
    }
    // Shared: a new buffer; the old reference goes after the copy, and goes even when the new
    // buffer can't be made.
    unsigned char* pOld = m_pbyBuffer;
    m_pbyBuffer = nullptr;
    int nResult = _nNew(n, pby, n, 0);
    s_ReleaseStrMem(pOld);
    return nResult;
}

int CVQBIN::__nPrepareModification(int n, unsigned dwFlags) {
    if (n < 0) return STRMEM_ERR_TOO_LONG;
    if (m_pbyBuffer != nullptr && !bShared(m_pbyBuffer) && n <= static_cast<int64_t>(pstHeader(m_pbyBuffer)->nCapacity))
        return STRMEM_OK;
    if (bTooLong(n)) return STRMEM_ERR_TOO_LONG;
    return _nMakeRoom(n, dwFlags, false);
}

int CVQBIN::nSetSize(int n, unsigned dwFlags) {
    if (m_pbyBuffer == nullptr) return _nNew(n, nullptr, n, dwFlags);
    int nResult = __nPrepareModification(n, dwFlags);
    if (nResult == 0 && m_pbyBuffer != nullptr) pstHeader(m_pbyBuffer)->nLength = n;
    return nResult;
}

int CVQBIN::nSetMemorySize(int n, unsigned dwFlags) {
    if (m_pbyBuffer == nullptr) return _nNew(n, nullptr, 0, dwFlags);
    if (n < 0) return STRMEM_ERR_TOO_LONG;
    if (n <= static_cast<int64_t>(pstHeader(m_pbyBuffer)->nCapacity)) return STRMEM_OK;
    if (bTooLong(n)) return STRMEM_ERR_TOO_LONG;
    // Growing a shared buffer in place would move it under its other owners: detach instead,
    // keeping the bytes and the flags.
    return _nMakeRoom(n, dwFlags, true);
}

void CVQBIN::SetUtilSize(int n) {
    if (m_pbyBuffer != nullptr) pstHeader(m_pbyBuffer)->nLength = n;
}

void CVQBIN::Tronque(int n) {
    if (n < 0 || m_pbyBuffer == nullptr || n > nLength(m_pbyBuffer)) return;
    if (bShared(m_pbyBuffer)) {
        unsigned char* pOld = m_pbyBuffer;
        m_pbyBuffer = nullptr;
        _nNew(n, pOld, n, 0);
        s_ReleaseStrMem(pOld);
        return;
    }
    pstHeader(m_pbyBuffer)->dwFlags &= ~STRMEM_FLAG_MARQUEUR_FIN;
    pstHeader(m_pbyBuffer)->nLength = n;
}

int CVQBIN::nConcat(const unsigned char* pby, int n) {
    if (n == 0 || pby == nullptr) return STRMEM_OK;
    if (n < 0) return STRMEM_ERR_TOO_LONG;
    if (m_pbyBuffer == nullptr) return nAssign(pby, n, 0);
    int64_t nLen = nLength(m_pbyBuffer), nTotal = nLen + n;
    if (bTooLong(nTotal)) return STRMEM_ERR_TOO_LONG;
    if (!bShared(m_pbyBuffer)) {
        int64_t nOffset = nOffsetIn(m_pbyBuffer, pby);
        if (nTotal > static_cast<int64_t>(pstHeader(m_pbyBuffer)->nCapacity)) {
            int nResult = s_nReallocStrMem(&m_pbyBuffer, static_cast<uint64_t>(nTotal), 0);
            if (nResult != 0) return nResult;
            if (nOffset >= 0) pby = m_pbyBuffer + nOffset;
        }
        memmove(m_pbyBuffer + nLen, pby, static_cast<size_t>(n));
        pstHeader(m_pbyBuffer)->nLength = static_cast<int32_t>(nTotal);
        return STRMEM_OK;
    }
    unsigned char* pOld = m_pbyBuffer;
    m_pbyBuffer = nullptr;
    unsigned char* pNew = nullptr;
    int nResult = s_nAllocStrMem(&pNew, static_cast<uint64_t>(nTotal), 0);
    if (nResult == 0) {
        memcpy(pNew, pOld, static_cast<size_t>(nLen));
        memcpy(pNew + nLen, pby, static_cast<size_t>(n));
        pstHeader(pNew)->dwFlags = pstHeader(pOld)->dwFlags;
        pstHeader(pNew)->nLength = static_cast<int32_t>(nTotal);
        m_pbyBuffer = pNew;
    }
    s_ReleaseStrMem(pOld);
    return nResult;
}

int CVQBIN::nConcatInit(CVQBIN* pclA, const CVQBIN* pclB, unsigned dwFlags) {
    ReleaseDynBin();
    unsigned char* pA = pclA ? pclA->m_pbyBuffer : nullptr;
    unsigned char* pB = pclB ? pclB->m_pbyBuffer : nullptr;
    // Empty means no bytes: a buffer kept with length 0 counts as empty too.
    int64_t nLenA = nLength(pA), nLenB = nLength(pB);
    if (nLenA == 0) {
        if (nLenB > 0) {
            s_AddRef(pB);
            m_pbyBuffer = pB;
        }
        return STRMEM_OK;
    }
    if (dwFlags & 1) {
        // b may be a: hold its bytes before a's buffer moves here, so they can still be appended
        // (the hold also makes a shared, so a keeps its buffer then).
        CHoldBuffer clB(pB);
        // Take over a's buffer: a shared one gains a count and a keeps it; a private one moves.
        if (bShared(pA)) {
            s_AddRef(pA);
        } else {
            pclA->m_pbyBuffer = nullptr;
        }
        m_pbyBuffer = pA;
        return nConcat(clB.p(), static_cast<int>(clB.nLength()));
    }
    if (nLenB == 0) {
        s_AddRef(pA);
        m_pbyBuffer = pA;
        return STRMEM_OK;
    }
    int64_t nTotal = nLenA + nLenB;
    if (bTooLong(nTotal)) return STRMEM_ERR_TOO_LONG;
    unsigned char* pNew = nullptr;
    int nResult = s_nAllocStrMem(&pNew, static_cast<uint64_t>(nTotal), 0);
    if (nResult != 0) return nResult;
    memcpy(pNew, pA, static_cast<size_t>(nLenA));
    memcpy(pNew + nLenA, pB, static_cast<size_t>(nLenB));
    pstHeader(pNew)->dwFlags = pstHeader(pB)->dwFlags & STRMEM_FLAG_MARQUEUR_FIN;
    pstHeader(pNew)->nLength = static_cast<int32_t>(nTotal);
    m_pbyBuffer = pNew;
    return STRMEM_OK;
}

int CVQBIN::nConcatSeparateur(const CVQBIN* pclSeparateur, const CVQBIN* pclAjout, int bPasDeSeparateurEnTete) {
    if (pclAjout == nullptr) return STRMEM_OK;
    // Both may be this very value: read them as they are now, whatever the first append does.
    CHoldBuffer clSep(pclSeparateur ? pclSeparateur->m_pbyBuffer : nullptr);
    CHoldBuffer clAjout(pclAjout->m_pbyBuffer);
    bool bSeulAjout = (nLength(m_pbyBuffer) == 0 && bPasDeSeparateurEnTete != 0) || bTerminePar(this, pclSeparateur) ||
                      (clAjout.nLength() > 0 && bCommencePar(pclAjout, pclSeparateur));
    if (!bSeulAjout) {
        int nResult = nConcat(clSep.p(), static_cast<int>(clSep.nLength()));
        if (nResult != 0) return nResult;
    }
    return nConcat(clAjout.p(), static_cast<int>(clAjout.nLength()));
}

int CVQBIN::nRepete(const CVQBIN& clSource, int nCount) {
    CHoldBuffer clSrc(clSource.m_pbyBuffer);
    ReleaseDynBin();
    int64_t nLen = clSrc.nLength(), nTotal = nLen * nCount;
    if (nTotal == 0) return STRMEM_OK;
    if (bTooLong(nTotal)) return STRMEM_ERR_TOO_LONG;
    int nResult = _nNew(static_cast<int>(nTotal), nullptr, 0, 0);
    if (nResult != 0) return nResult;
    for (int i = 0; i < nCount; i++) memcpy(m_pbyBuffer + i * nLen, clSrc.p(), static_cast<size_t>(nLen));
    pstHeader(m_pbyBuffer)->nLength = static_cast<int32_t>(nTotal);
    return STRMEM_OK;
}

int CVQBIN::Remplace(int nPos, int nCount, const CVQBIN& clAvec) {
    int64_t nLen = nLength(m_pbyBuffer);
    if (m_pbyBuffer == nullptr || nPos < 0 || nPos >= nLen) return STRMEM_OK;
    int64_t nCut = std::clamp<int64_t>(nCount, 0, nLen - nPos);
    CHoldBuffer clWith(clAvec.m_pbyBuffer);
    int64_t nWith = clWith.nLength(), nTotal = nLen - nCut + nWith;
    if (bTooLong(nTotal)) return STRMEM_ERR_TOO_LONG;
    // Room for the larger of the old and new lengths, so the tail is whole when it moves.
    int nResult = _nMakeRoom(std::max(nTotal, nLen), 0, true);
    if (nResult != 0 || m_pbyBuffer == nullptr) return nResult;
    memmove(m_pbyBuffer + nPos + nWith, m_pbyBuffer + nPos + nCut, static_cast<size_t>(nLen - nPos - nCut));
    if (nWith > 0) memcpy(m_pbyBuffer + nPos, clWith.p(), static_cast<size_t>(nWith));
    pstHeader(m_pbyBuffer)->nLength = static_cast<int32_t>(nTotal);
    return STRMEM_OK;
}

int CVQBIN::nMilieu(CVQBIN* pclOut, int nPos, int nLen) const {
    if (pclOut == nullptr) return STRMEM_OK;
    CHoldBuffer clSelf(m_pbyBuffer);  // pclOut may be this value
    pclOut->ReleaseDynBin();
    int64_t nTotal = clSelf.nLength();
    if (clSelf.p() == nullptr || nPos < 0 || nPos >= nTotal || nLen == 0) return STRMEM_OK;
    int64_t nTake = (nLen < 0 || nLen > nTotal - nPos) ? nTotal - nPos : nLen;
    return pclOut->nAssign(clSelf.p() + nPos, static_cast<int>(nTake), 0);
}

CVQBIN CVQBIN::clMilieu(int nPos, int nLen) const {
    CVQBIN clOut;
    if (nMilieu(&clOut, nPos, nLen) != 0) clOut.ReleaseDynBin();
    return clOut;
}

int CVQBIN::nPos(const unsigned char* pby, int n, int nFrom) const {
    int64_t nLen = nLength(m_pbyBuffer);
    if (nFrom < 0 || n <= 0 || pby == nullptr || m_pbyBuffer == nullptr || int64_t(nFrom) + n > nLen) return -1;
    const unsigned char* pBegin = m_pbyBuffer;
    const unsigned char* pEnd = pBegin + nLen;
    const unsigned char* pFound = std::search(pBegin + nFrom, pEnd, pby, pby + n);
    return pFound == pEnd ? -1 : static_cast<int>(pFound - m_pbyBuffer);
}

int CVQBIN::nCompare(const CVQBIN* pclA, const CVQBIN* pclB) {
    const unsigned char* pA = pclA ? pclA->m_pbyBuffer : nullptr;
    const unsigned char* pB = pclB ? pclB->m_pbyBuffer : nullptr;
    int64_t nA = nLength(pA), nB = nLength(pB);
    int nResult = nCompareBytes(pA, pB, std::min(nA, nB));
    if (nResult != 0) return nResult;
    return nA < nB ? -1 : (nA > nB ? 1 : 0);
}

int CVQBIN::nCompare(const CVQBIN* pclA, const CVQBIN* pclB, int n) {
    const unsigned char* pA = pclA ? pclA->m_pbyBuffer : nullptr;
    const unsigned char* pB = pclB ? pclB->m_pbyBuffer : nullptr;
    if (n <= std::min(nLength(pA), nLength(pB))) return nCompareBytes(pA, pB, n);
    return nCompare(pclA, pclB);
}

int CVQBIN::bCommencePar(const CVQBIN* pclA, const CVQBIN* pclB) {
    const unsigned char* pA = pclA ? pclA->m_pbyBuffer : nullptr;
    const unsigned char* pB = pclB ? pclB->m_pbyBuffer : nullptr;
    int64_t nA = nLength(pA), nB = nLength(pB);
    if (nB == 0) return 1;
    return nB <= nA && memcmp(pA, pB, static_cast<size_t>(nB)) == 0;
}

int CVQBIN::bTerminePar(const CVQBIN* pclA, const CVQBIN* pclB) {
    const unsigned char* pA = pclA ? pclA->m_pbyBuffer : nullptr;
    const unsigned char* pB = pclB ? pclB->m_pbyBuffer : nullptr;
    int64_t nA = nLength(pA), nB = nLength(pB);
    if (nB == 0) return 1;
    return nB <= nA && memcmp(pA + nA - nB, pB, static_cast<size_t>(nB)) == 0;
}

int CVQBIN::bContient(const CVQBIN* pclA, const CVQBIN* pclB) {
    const unsigned char* pA = pclA ? pclA->m_pbyBuffer : nullptr;
    const unsigned char* pB = pclB ? pclB->m_pbyBuffer : nullptr;
    int64_t nA = nLength(pA), nB = nLength(pB);
    if (nB == 0) return 1;
    if (nB > nA) return 0;
    return std::search(pA, pA + nA, pB, pB + nB) != pA + nA;
}
