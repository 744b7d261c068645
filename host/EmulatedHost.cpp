// The emulated host: a shared object playing the host runtime's part for a program that loads the
// driver library. It is written from the host interfaces alone and links nothing of the library.
#include "host/EmulatedHost.h"

#include <dlfcn.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <map>
#include <mutex>
#include <thread>

namespace standin {
namespace {

std::mutex g_mutex;
std::atomic<IHostObserver*> g_piObserver{nullptr};

inline IHostObserver* piObserver() {
    return g_piObserver.load(std::memory_order_acquire);
}

// ---------------------------------------------------------------- allocator
struct stHeader {
    uint32_t dwFlags;
    uint32_t nCount;
    uint32_t nCapacity;
    int32_t nLength;
};
static_assert(sizeof(stHeader) == 16);

constexpr int REFUSED = 100;

// Blocks given back, kept by the exact size asked for them, for the next request of that size: a
// program reads the same kinds of values row after row, and the block one row gives back is the
// one the next row asks for. A kept block is the very block malloc gave for that size, so a
// request gets what it would have got, header set anew. At most PAR_TAILLE blocks of each size up
// to TAILLE_MAX bytes; a build with the address sanitizer keeps none unless asked, so that a use
// after release still shows there.
class CBlocsRendus {
public:
    static constexpr size_t TAILLE_MAX = 1024;
    static constexpr uint32_t PAR_TAILLE = 8;

#if defined(__SANITIZE_ADDRESS__)
    std::atomic<bool> m_bActif{false};
#else
    std::atomic<bool> m_bActif{true};
#endif

    // A kept block for n bytes, or null.
    stHeader* pstPrend(size_t n) {
        if (n > TAILLE_MAX || !m_bActif.load(std::memory_order_relaxed)) return nullptr;
        STListe& st = m_ast[n];
        if (st.n.load(std::memory_order_relaxed) == 0) return nullptr;  // read without the lock: a miss costs a malloc
        Verrouille();
        stHeader* pst = st.pstPremier;
        if (pst != nullptr) {
            memcpy(&st.pstPremier, pst, sizeof(stHeader*));
            st.n.store(st.n.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
        }
        Deverrouille();
        return pst;
    }
    // Keeps the block of n bytes; false when it is to be freed.
    bool bGarde(stHeader* pst, size_t n) {
        if (n > TAILLE_MAX || !m_bActif.load(std::memory_order_relaxed)) return false;
        STListe& st = m_ast[n];
        if (st.n.load(std::memory_order_relaxed) >= PAR_TAILLE) return false;
        Verrouille();
        const uint32_t nGardes = st.n.load(std::memory_order_relaxed);
        const bool bGarde = nGardes < PAR_TAILLE;
        if (bGarde) {
            memcpy(pst, &st.pstPremier, sizeof(stHeader*));
            st.pstPremier = pst;
            st.n.store(nGardes + 1, std::memory_order_relaxed);
        }
        Deverrouille();
        return bGarde;
    }
    // Every kept block freed; from now on blocks are kept or not as bActif says. Whether they were.
    bool bVide(bool bActif) {
        Verrouille();
        const bool bAvant = m_bActif.exchange(bActif, std::memory_order_relaxed);
        for (STListe& st : m_ast) {
            while (st.pstPremier != nullptr) {
                stHeader* pst = st.pstPremier;
                memcpy(&st.pstPremier, pst, sizeof(stHeader*));
                free(pst);
            }
            st.n.store(0, std::memory_order_relaxed);
        }
        Deverrouille();
        return bAvant;
    }

private:
    struct STListe {
        stHeader* pstPremier = nullptr;  // each kept block holds the next one's address
        std::atomic<uint32_t> n{0};
    };
    // Held for a few moves: a thread that finds it taken lets the others run rather than sleep.
    void Verrouille() {
        if (m_bVerrou.test_and_set(std::memory_order_acquire)) _Attend();
    }
    [[gnu::noinline]] void _Attend() {
        while (m_bVerrou.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    }
    void Deverrouille() { m_bVerrou.clear(std::memory_order_release); }

    std::atomic_flag m_bVerrou;
    STListe m_ast[TAILLE_MAX + 1];
};
constinit CBlocsRendus g_clBlocsRendus;

class CEmulatedAllocator final : public IStrMemAlloc {
public:
    std::atomic<int> m_nVersion{2};

    int vnGetVersionIStrMemAlloc() override {
        if (IHostObserver* pi = piObserver()) pi->vnOnAllocatorCall(0, 0);
        return m_nVersion;
    }
    int vnAllocStrMem(unsigned char** pp, size_t n) override { return _nAlloc(1, pp, n, 0); }
    int vnReallocStrMem(unsigned char** pp, size_t n) override { return _nRealloc(2, pp, n, 0); }
    void vReleaseStrMem(unsigned char* p) override {
        // Without an observer a block kept goes back in a few moves; the rest apart.
        if (p != nullptr && piObserver() == nullptr) {
            auto* pHeader = reinterpret_cast<stHeader*>(p - sizeof(stHeader));
            if (g_clBlocsRendus.bGarde(pHeader, pHeader->nCapacity)) return;
        }
        _Release(p);
    }
    int vnAllocStrMemEx(unsigned char** pp, size_t n, unsigned f) override {
        if (piObserver() == nullptr)
            if (stHeader* pHeader = g_clBlocsRendus.pstPrend(n)) {
                *pHeader = {0, 1, static_cast<uint32_t>(n), 0};
                *pp = reinterpret_cast<unsigned char*>(pHeader + 1);
                return 0;
            }
        return _nAlloc(4, pp, n, f);
    }
    int vnReallocStrMemEx(unsigned char** pp, size_t n, unsigned f) override { return _nRealloc(5, pp, n, f); }

private:
    [[gnu::noinline]] void _Release(unsigned char* p) {
        IHostObserver* pi = piObserver();
        if (pi != nullptr) {
            pi->vnOnAllocatorCall(3, 0);
            if (!pi->vbOnBlockUse(p, false)) return;
        }
        if (p == nullptr) return;
        auto* pHeader = reinterpret_cast<stHeader*>(p - sizeof(stHeader));
        if (!g_clBlocsRendus.bGarde(pHeader, pHeader->nCapacity)) free(pHeader);
    }
    [[gnu::noinline]] int _nAlloc(int nSlot, unsigned char** pp, size_t n, unsigned f) {
        IHostObserver* pi = piObserver();
        if (pi != nullptr)
            if (int nRefused = pi->vnOnAllocatorCall(nSlot, f)) return nRefused;
        if (n > 0xFFFFFFF0u) return REFUSED;
        // Exactly the bytes asked plus the 4 the library may write past them, so that an
        // overrun shows under the address sanitizer.
        stHeader* pHeader = g_clBlocsRendus.pstPrend(n);
        if (pHeader == nullptr) pHeader = static_cast<stHeader*>(malloc(sizeof(stHeader) + n + 4));
        if (pHeader == nullptr) return REFUSED;
        *pHeader = {0, 1, static_cast<uint32_t>(n), 0};
        unsigned char* p = reinterpret_cast<unsigned char*>(pHeader + 1);
        if (pi != nullptr) pi->vOnBlock(p, nullptr);
        *pp = p;
        return 0;
    }
    int _nRealloc(int nSlot, unsigned char** pp, size_t n, unsigned f) {
        IHostObserver* pi = piObserver();
        if (pi != nullptr)
            if (int nRefused = pi->vnOnAllocatorCall(nSlot, f)) return nRefused;
        if (n > 0xFFFFFFF0u) return REFUSED;
        unsigned char* pOld = *pp;
        if (pOld == nullptr || (pi != nullptr && !pi->vbOnBlockUse(pOld, true))) return REFUSED;
        auto* pHeader = static_cast<stHeader*>(realloc(pOld - sizeof(stHeader), sizeof(stHeader) + n + 4));
        if (pHeader == nullptr) return REFUSED;
        pHeader->nCapacity = static_cast<uint32_t>(n);
        unsigned char* p = reinterpret_cast<unsigned char*>(pHeader + 1);
        if (pi != nullptr) pi->vOnBlock(p, pOld);
        *pp = p;
        return 0;
    }
};
CEmulatedAllocator g_clAllocator;

// ---------------------------------------------------------------- locale services
// Base letter of the Latin-1 and Latin Extended-A letters with diacritics (0 = none).
const char* const g_pszBaseC0 = "AAAAAA\0CEEEEIIII\0NOOOOO\0OUUUUY\0\0aaaaaa\0ceeeeiiii\0nooooo\0ouuuuy\0y";
const char* const g_pszBase100 =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi\0\0JjKk\0LlLlLlLlLlNnNnNn\0\0\0OoOoOo\0\0RrRrRrSsSsSsSsTtTtTtUu"
    "UuUuUuUuUuWwYyYZzZzZz\0";

wchar_t wBase(wchar_t c) {
    if (c >= 0xC0 && c <= 0xFF) {
        char b = g_pszBaseC0[c - 0xC0];
        return b ? static_cast<wchar_t>(b) : c;
    }
    if (c >= 0x100 && c <= 0x17F) {
        char b = g_pszBase100[c - 0x100];
        return b ? static_cast<wchar_t>(b) : c;
    }
    return c;
}

wchar_t wUpper(wchar_t c) {
    if (c >= L'a' && c <= L'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    if (c == 0xFF) return 0x178;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
    return c;
}

wchar_t wLower(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c == 0x178) return 0xFF;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    return c;
}

bool bSymbol(wchar_t c) {
    if (c < 0x80) return c > 32 && c < 127 && !iswalnum(c);
    return (c >= 0xA1 && c <= 0xBF) || c == 0xD7 || c == 0xF7;
}

// The order of the two folded texts, folded a character at a time: a host program compares names
// for every value it reads, and building the folded texts each time would weigh on every read.
template <typename T>
int nCompare(unsigned dwFlags, const T* p1, int n1, const T* p2, int n2) {
    dwFlags &= 7;
    // The next folded character of p from place i on; false at the end of the text.
    auto bNext = [dwFlags](const T* p, int n, int* pi, wchar_t* pc) {
        if (p == nullptr) return false;
        for (int& i = *pi; n < 0 ? p[i] != 0 : i < n; i++) {
            const wchar_t c = static_cast<wchar_t>(sizeof(T) == 1 ? static_cast<unsigned char>(p[i]) : p[i]);
            if ((dwFlags & 4) && bSymbol(c)) continue;
            *pc = wFold(c, dwFlags);
            i++;
            return true;
        }
        return false;
    };
    int i1 = 0, i2 = 0;
    while (true) {
        wchar_t c1 = 0, c2 = 0;
        const bool b1 = bNext(p1, n1, &i1, &c1), b2 = bNext(p2, n2, &i2, &c2);
        if (!b1 || !b2) return b1 == b2 ? 0 : (b1 ? 1 : -1);
        if (c1 != c2) return c1 < c2 ? -1 : 1;
    }
}

template <typename T>
int nMap(unsigned dwFlags, T* pDest, int nSize, const T* pSrc, int nSrc) {
    std::wstring s;
    if (pSrc != nullptr)
        for (int i = 0; nSrc < 0 ? pSrc[i] != 0 : i < nSrc; i++) {
            wchar_t c = static_cast<wchar_t>(sizeof(T) == 1 ? static_cast<unsigned char>(pSrc[i]) : pSrc[i]);
            if ((dwFlags & 4) && bSymbol(c)) continue;
            if (dwFlags & 2) c = wFold(c, 2);
            if (dwFlags & 1) c = wUpper(c);
            if (dwFlags & 0x100) c = wLower(c);
            s += c;
        }
    if (pDest == nullptr && nSize == 0) return static_cast<int>(s.size());
    int n = 0;
    for (; n < nSize && n < static_cast<int>(s.size()); n++)
        pDest[n] = static_cast<T>(sizeof(T) == 1 && s[n] > 0xFF ? '?' : s[n]);
    return n;
}

class CEmulatedLocale final : public IInfoLocale {
public:
    std::atomic<int> m_nCodePage{1252};
    std::atomic<int> m_nCharset{0};
    std::atomic<unsigned> m_dwLocale{1036};

    void vReserved0() override { _Record(0, 0, 0); }
    void vReserved1() override { _Record(1, 0, 0); }
    int vnGetCurrentCharset() override { return _Record(2, 0, 0), m_nCharset; }
    int vnGetCurrentCodePage() override { return _Record(3, 0, 0), m_nCodePage; }
    unsigned vdwGetCurrentLocale() override { return _Record(4, 0, 0), m_dwLocale; }
    int vnCompareA(unsigned l, unsigned f, const char* a, int na, const char* b, int nb) override {
        return _Record(5, l, f), nCompare(f, a, na, b, nb);
    }
    int vnCompareW(unsigned l, unsigned f, const wchar_t* a, int na, const wchar_t* b, int nb) override {
        return _Record(6, l, f), nCompare(f, a, na, b, nb);
    }
    int vnCompareCurrentA(unsigned f, const char* a, int na, const char* b, int nb) override {
        return _Record(7, 0, f), nCompare(f, a, na, b, nb);
    }
    int vnCompareCurrentW(unsigned f, const wchar_t* a, int na, const wchar_t* b, int nb) override {
        return _Record(8, 0, f), nCompare(f, a, na, b, nb);
    }
    int vnSortKeyA(unsigned l, char* d, int nd, const char* s, int ns) override {
        return _Record(9, l, 0), nMap(3u, d, nd, s, ns);
    }
    void vReserved10() override { _Record(10, 0, 0); }
    int vnMapA(unsigned l, unsigned f, char* d, int nd, const char* s, int ns) override {
        return _Record(11, l, f), nMap(f, d, nd, s, ns);
    }
    int vnMapW(unsigned l, unsigned f, wchar_t* d, int nd, const wchar_t* s, int ns) override {
        return _Record(12, l, f), nMap(f, d, nd, s, ns);
    }
    int vnMapCurrentA(unsigned f, char* d, int nd, const char* s, int ns) override {
        return _Record(13, 0, f), nMap(f, d, nd, s, ns);
    }
    int vnMapCurrentW(unsigned f, wchar_t* d, int nd, const wchar_t* s, int ns) override {
        return _Record(14, 0, f), nMap(f, d, nd, s, ns);
    }
    unsigned vdwGetCurrentLocaleSafe() override { return _Record(15, 0, 0), m_dwLocale; }

private:
    static void _Record(int nPos, unsigned l, unsigned f) {
        if (IHostObserver* pi = piObserver()) pi->vOnLocale(nPos, l, f);
    }
};
CEmulatedLocale g_clLocale;

// ---------------------------------------------------------------- Execution entry
class CStandInFactory final : public IGlobalFactory {
public:
    int m_nVersion = 2;
    int m_nCalls = 0;
    int vnGetVersion() override { return ++m_nCalls, m_nVersion; }
};
CStandInFactory g_clFactory;

intptr_t g_anInformation[16];
int g_nPileCAnswer = 1;
int g_bMultithread = 0;
char g_abyCollecteur[8], g_abyComposante[8], g_abyLibShop[8];
const wchar_t g_szNomProduit[] = L"StandIn";

struct stPileC {
    int32_t n0;
    wchar_t* pszBuffer;
    int32_t nCapacity;
    int32_t n20;
};
static_assert(offsetof(stPileC, pszBuffer) == 8 && offsetof(stPileC, nCapacity) == 16 && offsetof(stPileC, n20) == 20);


void ResetInformation() {
    for (auto& n : g_anInformation) n = 0;
    g_anInformation[INFO_CODE_PRODUIT_EXECUTION] = 5;
    g_anInformation[INFO_LANGUE_INTERNE] = 1;
    g_anInformation[INFO_NOM_PRODUIT] = reinterpret_cast<intptr_t>(g_szNomProduit);
    g_anInformation[INFO_OPTIONS] = 0;
    g_anInformation[INFO_CODE_PRODUIT_REEL] = 6;
    g_anInformation[INFO_LIB_SHOP] = reinterpret_cast<intptr_t>(g_abyLibShop);
    g_anInformation[INFO_VERSION_ACTIVE] = 21;
    g_anInformation[INFO_GLOBAL_FACTORY] = reinterpret_cast<intptr_t>(static_cast<IGlobalFactory*>(&g_clFactory));
    g_anInformation[INFO_COLLECTEUR_TOPO] = reinterpret_cast<intptr_t>(g_abyCollecteur);
    g_anInformation[INFO_LOCALE] = reinterpret_cast<intptr_t>(static_cast<IInfoLocale*>(&g_clLocale));
    g_anInformation[INFO_STR_MEM_ALLOC] = reinterpret_cast<intptr_t>(static_cast<IStrMemAlloc*>(&g_clAllocator));
    g_anInformation[INFO_MULTITHREAD] = reinterpret_cast<intptr_t>(&g_bMultithread);
    g_anInformation[INFO_INFORMATION_COMPOSANTE] = reinterpret_cast<intptr_t>(g_abyComposante);
}

// ---------------------------------------------------------------- message-text callback
std::map<uint32_t, std::wstring> g_mapMessages;
bool g_bMessageHashId = false;

int nLoadString(uint32_t nId, wchar_t* pszBuffer, int nCapacity) {
    if (IHostObserver* pi = piObserver()) pi->vOnMessage(nId, nCapacity);
    std::wstring sText;
    {
        std::lock_guard lock(g_mutex);
        auto it = g_mapMessages.find(nId);
        if (it != g_mapMessages.end())
            sText = it->second;
        else if (g_bMessageHashId)
            sText = L"#" + std::to_wstring(nId);
        else
            return 0;
    }
    int nLength = static_cast<int>(sText.size());
    // Like the real host: a text that does not fit answers its length and writes nothing.
    if (pszBuffer == nullptr || nLength >= nCapacity) return nLength;
    wmemcpy(pszBuffer, sText.c_str(), nLength + 1);
    return nLength;
}

struct stInit {
    stInit() { ResetInformation(); }
} g_stInit;

}  // namespace

void SetHostObserver(IHostObserver* piObserver) {
    g_piObserver.store(piObserver, std::memory_order_release);
}

void Reset() {
    {
        std::lock_guard lock(g_mutex);
        ResetInformation();
        g_nPileCAnswer = 1;
        g_clFactory.m_nVersion = 2;
        g_clFactory.m_nCalls = 0;
        g_clAllocator.m_nVersion = 2;
        g_clLocale.m_nCodePage = 1252;
        g_clLocale.m_nCharset = 0;
        g_clLocale.m_dwLocale = 1036;
        g_mapMessages.clear();
        g_bMessageHashId = false;
    }
    if (IHostObserver* pi = piObserver()) pi->vOnReset();
}

void* hGetModule() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&Reset), &info) == 0) return nullptr;
    void* h = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    if (h != nullptr) dlclose(h);  // still loaded: the program links it
    return h;
}

intptr_t& rInformation(int nInfo) {
    return g_anInformation[nInfo & 15];
}
void SetPileCAnswer(int nAnswer) {
    g_nPileCAnswer = nAnswer;
}
void SetGlobalFactoryVersion(int nVersion) {
    g_clFactory.m_nVersion = nVersion;
}
int nGetGlobalFactoryCalls() {
    return g_clFactory.m_nCalls;
}

IStrMemAlloc* piGetAllocator() {
    return &g_clAllocator;
}
bool bSetBlockKeeping(bool bKeep) {
    return g_clBlocsRendus.bVide(bKeep);
}
void SetAllocatorVersion(int nVersion) {
    g_clAllocator.m_nVersion = nVersion;
}

IInfoLocale* piGetInfoLocale() {
    return &g_clLocale;
}
void SetCodePage(int nCodePage) {
    g_clLocale.m_nCodePage = nCodePage;
}
void SetCharset(int nCharset) {
    g_clLocale.m_nCharset = nCharset;
}
void SetCurrentLocale(unsigned dwLocale) {
    g_clLocale.m_dwLocale = dwLocale;
}

PFNLOADSTRINGKXM pfnGetLoadString() {
    return &nLoadString;
}
void SetMessageText(uint32_t nId, const std::wstring& sText) {
    std::lock_guard lock(g_mutex);
    g_mapMessages[nId] = sText;
}
void SetMessageDefault(bool bAnswerHashId) {
    g_bMessageHashId = bAnswerHashId;
}

wchar_t wFold(wchar_t c, unsigned dwFlags) {
    if (dwFlags & 2) c = wBase(c);  // the base-letter tables keep the letter's case
    if (dwFlags & 1) c = wUpper(c);
    return c;
}

}  // namespace standin

extern "C" intptr_t Execution(uint32_t nCode, intptr_t pArg) {
    using namespace standin;
    if (IHostObserver* pi = piObserver()) pi->vOnExecution(nCode, pArg);
    switch (nCode) {
        case EXECUTION_INFORMATION:
            return (pArg >= 1 && pArg <= 15) ? g_anInformation[pArg] : 0;
        case EXECUTION_PILE_C: {
            auto* pRecord = reinterpret_cast<stPileC*>(pArg);
            if (pRecord != nullptr && pRecord->pszBuffer != nullptr && pRecord->nCapacity > 4)
                wcscpy(pRecord->pszBuffer, L"pile");
            return g_nPileCAnswer;
        }
        case EXECUTION_LIBRARY_ENDS:
            return 1;
        default:
            return 0;
    }
}
