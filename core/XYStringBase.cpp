// The operations of the shared strings that don't convert, for both widths (CXYStringBase<char> and
// CXYStringBase<wchar_t>); the widths differ only in the size of a unit.
//
// The one rule behind every change: a buffer whose count is 2 or more is never written. A writer
// that finds it shared detaches: it makes a new buffer with what survives of the text (and the old
// flags word), and only then drops its reference on the old one, so a source that lies in the old
// buffer stays readable until the copy is done. A private buffer is reused and grows in place
// through the host's reallocation. Byte sizes are computed in 64 bits: a size that does not fit the
// header's signed 32-bit length gives 108 before anything is touched.
#include "core/XYStringBase.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

template <typename T>
class TXYStringOps {
public:
    static constexpr int64_t UNIT = sizeof(T);

    static STStrMemHeader* pstHeader(const T* p) { return CBaseStrMem::s_pstGetHeader(p); }
    static int64_t nLength(const T* p) { return p ? pstHeader(p)->nLength / UNIT : 0; }
    static int64_t nCapacity(const T* p) { return pstHeader(p)->nCapacity / UNIT; }
    static bool bShared(const T* p) { return CBaseStrMem::s_nGetCount(p) >= 2; }

    // Too many characters, or more bytes than the header's length can say (wide text).
    static bool bTooLong(int64_t n) { return n < 0 || n > STRMEM_MAX_UNITS || n * UNIT > STRMEM_MAX_BYTES; }

    static void SetLength(T* p, int64_t n) {
        pstHeader(p)->nLength = static_cast<int32_t>(n * UNIT);
        CBaseStrMem::s_SetTerminator(p, n * UNIT);
    }
    static void ClearMarker(T* p) { pstHeader(p)->dwFlags &= ~STRMEM_FLAG_MARQUEUR_FIN; }

    static void Release(T*& p) {
        T* pOld = p;
        p = nullptr;
        CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pOld));
    }

    static int nAlloc(T*& p, int64_t n, unsigned dwFlags) {
        unsigned char* pby = nullptr;
        int nResult = CBaseStrMem::s_nAllocStrMem(&pby, static_cast<uint64_t>(n * UNIT), dwFlags);
        if (nResult == 0) p = reinterpret_cast<T*>(pby);
        return nResult;
    }
    static int nRealloc(T*& p, int64_t n) {
        unsigned char* pby = reinterpret_cast<unsigned char*>(p);
        int nResult = CBaseStrMem::s_nReallocStrMem(&pby, static_cast<uint64_t>(n * UNIT), 0);
        if (nResult == 0) p = reinterpret_cast<T*>(pby);
        return nResult;
    }

    // Offset of q in the value's own buffer, or -1 when it lies elsewhere.
    static int64_t nOffsetIn(const T* p, const T* q) {
        if (p == nullptr || q == nullptr) return -1;
        auto nP = reinterpret_cast<uintptr_t>(p), nQ = reinterpret_cast<uintptr_t>(q);
        if (nQ < nP || nQ >= nP + pstHeader(p)->nCapacity + sizeof(uint32_t)) return -1;
        return static_cast<int64_t>((nQ - nP) / UNIT);
    }

    // Detaches from a shared buffer: a new buffer of nRoom characters receives the first nKeep
    // characters and the old flags word; the old reference goes last. On failure the value is empty.
    static int nDetach(T*& p, int64_t nRoom, int64_t nKeep) {
        T* pOld = p;
        p = nullptr;
        T* pNew = nullptr;
        int nResult = nRoom > 0 ? nAlloc(pNew, nRoom, 0) : 0;
        if (pNew != nullptr) {
            memcpy(pNew, pOld, static_cast<size_t>(nKeep * UNIT));
            pstHeader(pNew)->dwFlags = pstHeader(pOld)->dwFlags;
            SetLength(pNew, nKeep);
        }
        p = pNew;
        CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pOld));
        return nResult;
    }

    static int64_t nTextLength(const T* psz) {
        return psz ? static_cast<int64_t>(std::char_traits<T>::length(psz)) : 0;
    }

    // ------------------------------------------------------------------------------------ operations
    static int nNew(T*& p, int n, const T* pSource, int nCopy, unsigned dwFlags) {
        if (n == 0) return STRMEM_OK;
        if (n < 1 || bTooLong(n)) return STRMEM_ERR_TOO_LONG;
        T* pNew = nullptr;
        int nResult = nAlloc(pNew, n, dwFlags);
        if (nResult != 0) return nResult;
        int64_t nKeep = 0;
        if (pSource != nullptr) {
            nKeep = nCopy < 0 ? 0 : (nCopy > n ? n : nCopy);
            memcpy(pNew, pSource, static_cast<size_t>(nKeep * UNIT));
        }
        SetLength(pNew, nKeep);
        // Callers hand an empty value; should one not, its reference is not lost.
        T* pOld = p;
        p = pNew;
        if (pOld != nullptr) CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pOld));
        return STRMEM_OK;
    }

    static void FillDynStr(T* p, const T* pSource, int n, int nAt) {
        if (pSource == nullptr || p == nullptr) return;
        memmove(p + nAt, pSource, static_cast<size_t>(n) * UNIT);
        SetLength(p, static_cast<int64_t>(nAt) + n);
    }

    static int nSetLength(T*& p, int64_t n) {
        if (p == nullptr) return n == 0 ? STRMEM_OK : nNew(p, n > INT32_MAX ? -1 : static_cast<int>(n), nullptr, 0, 0);
        if (bTooLong(n)) return STRMEM_ERR_TOO_LONG;
        if (!bShared(p)) return n > nCapacity(p) ? nRealloc(p, n) : STRMEM_OK;
        int64_t nLen = nLength(p);
        return nDetach(p, n, n < nLen ? n : nLen);
    }

    static int nAffecte(T*& p, const T* psz, int64_t n) {
        if (n == -1) n = nTextLength(psz);
        if (n <= 0 || psz == nullptr) {
            Release(p);
            return STRMEM_OK;
        }
        if (bTooLong(n)) return STRMEM_ERR_TOO_LONG;
        if (p != nullptr && !bShared(p)) {
            // The source may be the value's own text: find it again after the buffer moved.
            int64_t nOffset = nOffsetIn(p, psz);
            if (n > nCapacity(p)) {
                int nResult = nRealloc(p, n);
                if (nResult != 0) return nResult;
                if (nOffset >= 0) psz = p + nOffset;
            }
            memmove(p, psz, static_cast<size_t>(n * UNIT));
            // New content: whatever the old last unit was, the marker flag no longer says it.
            ClearMarker(p);
            SetLength(p, n);
            return STRMEM_OK;
        }
        T* pOld = p;
        p = nullptr;
        T* pNew = nullptr;
        int nResult = nAlloc(pNew, n, 0);
        if (nResult == 0) {
            memcpy(pNew, psz, static_cast<size_t>(n * UNIT));
            SetLength(pNew, n);
            p = pNew;
        }
        CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pOld));
        return nResult;
    }

    static int nConcat(T*& p, const T* psz, int64_t n) {
        if (n < 1 || psz == nullptr) return STRMEM_OK;
        if (p == nullptr) return nNew(p, bTooLong(n) ? -1 : static_cast<int>(n), psz, static_cast<int>(n), 0);
        int64_t nLen = nLength(p), nTotal = nLen + n;
        if (bTooLong(nTotal)) return STRMEM_ERR_TOO_LONG;
        if (!bShared(p)) {
            int64_t nOffset = nOffsetIn(p, psz);
            if (nTotal > nCapacity(p)) {
                int nResult = nRealloc(p, nTotal);
                if (nResult != 0) return nResult;
                if (nOffset >= 0) psz = p + nOffset;
            }
            ClearMarker(p);
            memmove(p + nLen, psz, static_cast<size_t>(n * UNIT));
            SetLength(p, nTotal);
            return STRMEM_OK;
        }
        T* pOld = p;
        p = nullptr;
        T* pNew = nullptr;
        int nResult = nAlloc(pNew, nTotal, 0);
        if (nResult == 0) {
            memcpy(pNew, pOld, static_cast<size_t>(nLen * UNIT));
            memcpy(pNew + nLen, psz, static_cast<size_t>(n * UNIT));
            pstHeader(pNew)->dwFlags = pstHeader(pOld)->dwFlags & ~STRMEM_FLAG_MARQUEUR_FIN;
            SetLength(pNew, nTotal);
            p = pNew;
        }
        CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pOld));
        return nResult;
    }

    static int nConcatValue(T*& p, T* const& pAutreRef) {
        T* pAutre = pAutreRef;
        if (pAutre == nullptr) return STRMEM_OK;
        if (p == nullptr) {
            if (&pAutreRef == &p) return STRMEM_OK;
            CBaseStrMem::s_AddRef(pAutre);
            p = pAutre;
            return STRMEM_OK;
        }
        // Hold the other buffer for the length of the operation: it stays readable whatever happens
        // to this value, and when it is this value's own buffer the hold makes the write detach.
        CBaseStrMem::s_AddRef(pAutre);
        int64_t nLen = nLength(p), nAutre = nLength(pAutre), nTotal = nLen + nAutre;
        uint32_t dwMarker = pstHeader(pAutre)->dwFlags & STRMEM_FLAG_MARQUEUR_FIN;
        int nResult = bTooLong(nTotal) ? STRMEM_ERR_TOO_LONG : nSetLength(p, nTotal);
        if (nResult == 0) {
            pstHeader(p)->dwFlags = (pstHeader(p)->dwFlags & ~STRMEM_FLAG_MARQUEUR_FIN) | dwMarker;
            memcpy(p + nLen, pAutre, static_cast<size_t>(nAutre * UNIT));
            SetLength(p, nTotal);
        }
        CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pAutre));
        return nResult;
    }

    static int nGetLongueurMultiple(int nCount, va_list args, int* pnLengths) {
        va_list argsCopy;
        va_copy(argsCopy, args);
        int64_t nTotal = 0;
        for (int i = 0; i < nCount; i++) {
            int64_t n = nTextLength(va_arg(argsCopy, const T*));
            if (n > INT32_MAX) n = INT32_MAX;
            if (pnLengths != nullptr) pnLengths[i] = static_cast<int>(n);
            nTotal += n;
        }
        va_end(argsCopy);
        // A sum past the int range still reads as too long to the caller.
        return nTotal > INT32_MAX ? INT32_MAX : static_cast<int>(nTotal);
    }

    static int nAffecteMultiple(T*& p, int nCount, va_list args) {
        std::vector<int> tabLengths(nCount > 0 ? nCount : 0);
        int nTotal = nCount > 0 ? nGetLongueurMultiple(nCount, args, tabLengths.data()) : 0;
        if (nTotal == 0) {
            Release(p);
            return STRMEM_OK;
        }
        // A piece taken from the value's own text: hold the buffer so the write goes to a new one.
        T* pHold = nullptr;
        va_list argsCopy;
        va_copy(argsCopy, args);
        for (int i = 0; i < nCount && pHold == nullptr; i++)
            if (nOffsetIn(p, va_arg(argsCopy, const T*)) >= 0) pHold = p;
        va_end(argsCopy);
        CBaseStrMem::s_AddRef(pHold);

        int nResult = nSetLength(p, nTotal);
        if (nResult != 0) {
            Release(p);
        } else {
            int64_t nAt = 0;
            va_copy(argsCopy, args);
            for (int i = 0; i < nCount; i++) {
                const T* psz = va_arg(argsCopy, const T*);
                if (tabLengths[i] == 0) continue;
                memcpy(p + nAt, psz, static_cast<size_t>(tabLengths[i]) * UNIT);
                nAt += tabLengths[i];
            }
            va_end(argsCopy);
            ClearMarker(p);
            SetLength(p, nAt);
        }
        CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pHold));
        return nResult;
    }

    static int nSetFlags(T*& p, uint32_t dwFlags) {
        if (p == nullptr) return STRMEM_OK;
        if (bShared(p)) {
            int64_t nLen = nLength(p);
            int nResult = nDetach(p, nLen, nLen);
            if (nResult != 0 || p == nullptr) return nResult;
        }
        pstHeader(p)->dwFlags = dwFlags;
        return STRMEM_OK;
    }

    static void Share(T*& p, T* pSource) {
        if (p == pSource) return;
        CBaseStrMem::s_AddRef(pSource);
        T* pOld = p;
        p = pSource;
        CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pOld));
    }
};

// The constant texts stand behind a header like any shared text (count 0: nobody owns them). Their
// addresses are constants, so they are set before any code runs.
template <typename T>
struct TConstText {
    STStrMemHeader stHeader;
    T aUnits[4 / sizeof(T) + 1];
};
static_assert(offsetof(TConstText<wchar_t>, aUnits) == sizeof(STStrMemHeader));
static_assert(offsetof(TConstText<char>, aUnits) == sizeof(STStrMemHeader));
const TConstText<wchar_t> g_stVideW = {{0, 0, 0, 0}, {}};
const TConstText<char> g_stVideA = {{0, 0, 0, 0}, {}};
const TConstText<wchar_t> g_stMarqueurW = {{STRMEM_FLAG_MARQUEUR_FIN, 0, 4, 4}, {static_cast<wchar_t>(0xFFFFFFFFu)}};
const TConstText<char> g_stMarqueurA = {{STRMEM_FLAG_MARQUEUR_FIN, 0, 4, 1}, {static_cast<char>(0xFF)}};

}  // namespace

template <>
constinit const wchar_t* const CXYStringBase<wchar_t>::ChaineVide = g_stVideW.aUnits;
template <>
constinit const wchar_t* const CXYStringBase<wchar_t>::ChaineMarqueurFin = g_stMarqueurW.aUnits;
template <>
constinit const char* const CXYStringBase<char>::ChaineVide = g_stVideA.aUnits;
template <>
constinit const char* const CXYStringBase<char>::ChaineMarqueurFin = g_stMarqueurA.aUnits;

template <typename T>
CXYStringBase<T>::CXYStringBase(const T* psz) {
    int64_t n = TXYStringOps<T>::nTextLength(psz);
    if (n > 0)
        TXYStringOps<T>::nNew(m_pszBuffer, TXYStringOps<T>::bTooLong(n) ? -1 : static_cast<int>(n), psz,
                              static_cast<int>(n), 0);
}
template <typename T>
CXYStringBase<T>::CXYStringBase(const CXYStringBase& clSource) {
    TXYStringOps<T>::Share(m_pszBuffer, clSource.m_pszBuffer);
}
template <typename T>
CXYStringBase<T>& CXYStringBase<T>::operator=(const CXYStringBase& clSource) {
    TXYStringOps<T>::Share(m_pszBuffer, clSource.m_pszBuffer);
    return *this;
}
template <typename T>
CXYStringBase<T>& CXYStringBase<T>::operator=(CXYStringBase&& clSource) noexcept {
    if (this != &clSource) {
        TXYStringOps<T>::Release(m_pszBuffer);
        m_pszBuffer = clSource.m_pszBuffer;
        clSource.m_pszBuffer = nullptr;
    }
    return *this;
}
template <typename T>
int CXYStringBase<T>::nSetFlags(uint32_t dwFlags) {
    return TXYStringOps<T>::nSetFlags(m_pszBuffer, dwFlags);
}
template <typename T>
void CXYStringBase<T>::AttacheBuffer(T* pszBuffer) {
    TXYStringOps<T>::Release(m_pszBuffer);
    m_pszBuffer = pszBuffer;
}
template <typename T>
T* CXYStringBase<T>::pszDetacheBuffer() {
    T* psz = m_pszBuffer;
    m_pszBuffer = nullptr;
    return psz;
}
template <typename T>
void CXYStringBase<T>::ReleaseDynStr() {
    TXYStringOps<T>::Release(m_pszBuffer);
}
template <typename T>
int CXYStringBase<T>::__nNew(int n, const T* pszSource, int nCopy, unsigned dwFlags) {
    return TXYStringOps<T>::nNew(m_pszBuffer, n, pszSource, nCopy, dwFlags);
}
template <typename T>
void CXYStringBase<T>::__FillDynStr(const T* pszSource, int n, int nAt) {
    TXYStringOps<T>::FillDynStr(m_pszBuffer, pszSource, n, nAt);
}
template <typename T>
int CXYStringBase<T>::nSetLength(int n) {
    return TXYStringOps<T>::nSetLength(m_pszBuffer, n);
}
template <typename T>
int CXYStringBase<T>::nUnshare() {
    return m_pszBuffer ? TXYStringOps<T>::nSetLength(m_pszBuffer, TXYStringOps<T>::nLength(m_pszBuffer)) : STRMEM_OK;
}
template <typename T>
int CXYStringBase<T>::_nAffecte(const T* psz, int n) {
    return TXYStringOps<T>::nAffecte(m_pszBuffer, psz, n);
}
template <typename T>
int CXYStringBase<T>::nConcat(const T* psz, int n) {
    return TXYStringOps<T>::nConcat(m_pszBuffer, psz, n);
}
template <typename T>
int CXYStringBase<T>::nConcat(const T* psz) {
    return TXYStringOps<T>::nConcat(m_pszBuffer, psz, TXYStringOps<T>::nTextLength(psz));
}
template <typename T>
void CXYStringBase<T>::Add(const T* psz) {
    TXYStringOps<T>::nConcat(m_pszBuffer, psz, TXYStringOps<T>::nTextLength(psz));
}
template <typename T>
int CXYStringBase<T>::nConcat(const CXYStringBase& clAutre) {
    return TXYStringOps<T>::nConcatValue(m_pszBuffer, clAutre.m_pszBuffer);
}
template <typename T>
int CXYStringBase<T>::__nGetLongueurMultiple(int nCount, va_list args, int* pnLengths) const {
    return TXYStringOps<T>::nGetLongueurMultiple(nCount, args, pnLengths);
}
template <typename T>
int CXYStringBase<T>::__nAffecteMultiple(int nCount, ...) {
    va_list args;
    va_start(args, nCount);
    int nResult = TXYStringOps<T>::nAffecteMultiple(m_pszBuffer, nCount, args);
    va_end(args);
    return nResult;
}
template <typename T>
int CXYStringBase<T>::__nAffecteMultipleArgList(int nCount, va_list args) {
    return TXYStringOps<T>::nAffecteMultiple(m_pszBuffer, nCount, args);
}

template class CXYStringBase<char>;
template class CXYStringBase<wchar_t>;
