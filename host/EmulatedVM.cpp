// The emulated virtual machine: the conversion, its release, the proxy query with its decimal
// factory, and the 30 calculator functions that a host's VM exports by name. Values are read and
// written in the value-area layout of their type code.
#include "host/EmulatedVM.h"

#include <atomic>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <limits>
#include <string_view>

#include "host/EmulatedDecimal.h"

namespace standin {
namespace {

std::atomic<IVMObserver*> g_piVMObserver{nullptr};
std::atomic<long> g_nLiveConversionResults{0};

inline IVMObserver* piObserver() {
    return g_piVMObserver.load(std::memory_order_acquire);
}

// Type codes the emulation knows (the low byte of a type word).
enum : unsigned short {
    T_BOOL = 1,
    T_UI1 = 2,
    T_UI2 = 3,
    T_UI4 = 4,
    T_UI8 = 5,
    T_I1 = 6,
    T_I2 = 7,
    T_I4 = 8,
    T_I8 = 9,
    T_R4 = 11,
    T_R8 = 12,
    T_CY = 10,
    T_DECIMAL = 13,
    T_UIX = 14,
    T_DSTRW = 16,
    T_CARA = 17,
    T_PSTRA = 18,
    T_DSTRA = 19,
    T_DATEW = 24,
    T_TIMEW = 25,
    T_DATETIME = 26,
    T_DUREE = 27,
    T_BIN = 28,
    T_CARW = 81,
    T_PSTRW = 110,
    T_DATEA = 128,
    T_TIMEA = 129,
};

// Error codes of the emulation's own rules (above 99, as the host's errors are); a value out of the
// target's range is not convertible.
constexpr int ERR_NOT_CONVERTIBLE = 150;
constexpr int ERR_NOT_COMPARABLE = 151;
constexpr int ERR_DIVISION_BY_ZERO = 152;

// ---------------------------------------------------------------------------- decimals
class CEmulatedDecimalFactory final : public IDecimalFactoryVQ {
public:
    IDecimalVQ* vpiNewDecimal(void*) override {
        auto* pcl = new CEmulatedDecimal;
        if (IVMObserver* pi = piObserver()) pi->vOnNewDecimal(pcl);
        return pcl;
    }
    void vReleaseDecimal(IDecimalVQ* piDecimal) override {
        if (piDecimal == nullptr) return;
        if (IVMObserver* pi = piObserver())
            if (!pi->vbOnReleaseDecimal(piDecimal)) return;  // not ours, or released twice
        delete static_cast<CEmulatedDecimal*>(piDecimal);
    }
};

CEmulatedDecimalFactory g_clDecimalFactory;

// ---------------------------------------------------------------------------- values
struct stValeur {
    enum eGenre { RIEN, ENTIER, REEL, TEXTE, DATE, DECIMAL } eGenre = RIEN;
    __int128 n = 0;
    double d = 0;
    bool bSimple = false;  // a real read from 4 bytes: its text is the float's
    std::wstring s;
    uint32_t dwDate = 0;
    uint32_t nMs = 0;
    CEmulatedDecimal clDecimal;

    double dNombre() const {
        return eGenre == REEL ? d : eGenre == DECIMAL ? clDecimal.dGetDouble() : static_cast<double>(n);
    }
    bool bNombre() const { return eGenre == ENTIER || eGenre == REEL || eGenre == DECIMAL; }
    std::wstring sTexte() const;
};

std::wstring sEntier(__int128 n) {
    const bool bNegatif = n < 0;
    unsigned __int128 u = bNegatif ? static_cast<unsigned __int128>(0) - static_cast<unsigned __int128>(n)
                                   : static_cast<unsigned __int128>(n);
    std::wstring s;
    do {
        s.insert(s.begin(), static_cast<wchar_t>(L'0' + static_cast<int>(u % 10)));
        u /= 10;
    } while (u != 0);
    return bNegatif ? L"-" + s : s;
}

// The shortest text that reads back to the same number.
template <typename T>
std::wstring sReel(T t) {
    char sz[64];
    auto st = std::to_chars(sz, sz + sizeof(sz), t);
    return std::wstring(sz, st.ptr);
}

std::wstring stValeur::sTexte() const {
    wchar_t sz[64];
    switch (eGenre) {
        case ENTIER:
            return sEntier(n);
        case REEL:
            return bSimple ? sReel(static_cast<float>(d)) : sReel(d);
        case DECIMAL:
            return clDecimal.sText();
        case TEXTE:
            return s;
        case DATE:
            swprintf(sz, 64, L"%04u%02u%02u%02u%02u%02u%03u", dwDate >> 16, (dwDate >> 8) & 0xFF, dwDate & 0xFF,
                     nMs / 3600000, nMs / 60000 % 60, nMs / 1000 % 60, nMs % 1000);
            return sz;
        default:
            return L"?";
    }
}

template <typename T>
T tLire(const void* p) {
    T t;
    memcpy(&t, p, sizeof(T));
    return t;
}

std::wstring sElargir(const char* psz) {
    std::wstring s;
    if (psz != nullptr)
        for (; *psz != 0; psz++) s += static_cast<wchar_t>(static_cast<unsigned char>(*psz));
    return s;
}

// Money (CY): the 80-bit two's-complement integer of five little-endian words over 1,000,000. The
// emulation reads and writes it as its exact decimal text.
std::wstring sMonnaie(const void* pArea) {
    const unsigned char* pby = static_cast<const unsigned char*>(pArea);
    __int128 n = 0;
    for (int i = 9; i >= 0; i--) n = (n << 8) | pby[i];
    if (pby[9] & 0x80) n -= static_cast<__int128>(1) << 80;
    const bool bNegatif = n < 0;
    unsigned __int128 u = bNegatif ? static_cast<unsigned __int128>(-n) : static_cast<unsigned __int128>(n);
    std::wstring sEntierPart = sEntier(static_cast<__int128>(u / 1000000));
    std::wstring sDecimales;
    for (unsigned long f = static_cast<unsigned long>(u % 1000000), i = 0; i < 6; i++, f /= 10)
        sDecimales.insert(sDecimales.begin(), static_cast<wchar_t>(L'0' + f % 10));
    while (!sDecimales.empty() && sDecimales.back() == L'0') sDecimales.pop_back();
    return (bNegatif ? L"-" : L"") + sEntierPart + (sDecimales.empty() ? L"" : L"." + sDecimales);
}

// A decimal text (sign, digits, at most six decimals) as money; false when it is not one. Read
// where it lies: a fetched amount comes here at every row.
bool bEcrireMonnaie(void* pArea, std::wstring_view s) {
    const wchar_t* p = s.data();
    const size_t nTaille = s.size();
    size_t i = 0;
    while (i < nTaille && p[i] == L' ') i++;
    const bool bNegatif = i < nTaille && p[i] == L'-';
    if (i < nTaille && (p[i] == L'-' || p[i] == L'+')) i++;
    // The first 19 digits are counted in 64 bits: they stay far below the 80-bit bound, which
    // only the digits after them can reach.
    constexpr int CHIFFRES_COURTS = 19;
    uint64_t nCourt = 0;
    __int128 n = 0;
    int nChiffres = 0;
    auto bPrend = [&](wchar_t c) {
        if (nChiffres < CHIFFRES_COURTS) {
            nCourt = nCourt * 10 + static_cast<uint64_t>(c - L'0');
        } else {
            if (nChiffres == CHIFFRES_COURTS) n = nCourt;
            n = n * 10 + (c - L'0');
            if (n >= static_cast<__int128>(1) << 80) return false;
        }
        nChiffres++;
        return true;
    };
    auto bChiffre = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
    for (; i < nTaille && bChiffre(p[i]); i++)
        if (!bPrend(p[i])) return false;
    // After the point, six decimals are taken and the digits after them passed over.
    int nDecimales = 0;
    if (i < nTaille && p[i] == L'.')
        for (i++; i < nTaille && bChiffre(p[i]); i++) {
            if (nDecimales >= 6) continue;
            if (!bPrend(p[i])) return false;
            nDecimales++;
        }
    while (i < nTaille && p[i] == L' ') i++;
    if (nChiffres == 0 || i != nTaille) return false;
    if (nChiffres <= CHIFFRES_COURTS) n = nCourt;
    static constexpr uint32_t anEchelle[] = {1000000, 100000, 10000, 1000, 100, 10, 1};
    n *= anEchelle[nDecimales];
    if (n >= static_cast<__int128>(1) << 79) return false;
    if (bNegatif) n = -n;
    const unsigned __int128 u = static_cast<unsigned __int128>(n);
    const uint64_t nBas = static_cast<uint64_t>(u);
    const uint16_t nHaut = static_cast<uint16_t>(u >> 64);
    unsigned char* pby = static_cast<unsigned char*>(pArea);
    if constexpr (std::endian::native == std::endian::little) {
        memcpy(pby, &nBas, 8);
        memcpy(pby + 8, &nHaut, 2);
    } else {
        for (int b = 0; b < 8; b++) pby[b] = static_cast<unsigned char>(nBas >> (8 * b));
        pby[8] = static_cast<unsigned char>(nHaut);
        pby[9] = static_cast<unsigned char>(nHaut >> 8);
    }
    return true;
}

stValeur stLire(const void* pArea, unsigned short nType) {
    stValeur st;
    if (pArea == nullptr) return st;
    auto entier = [&](__int128 n) {
        st.eGenre = stValeur::ENTIER;
        st.n = n;
    };
    auto texte = [&](std::wstring s) {
        st.eGenre = stValeur::TEXTE;
        st.s = std::move(s);
    };
    switch (nType & 0xFF) {
        case T_BOOL:
        case T_I4:
            entier(tLire<int32_t>(pArea));
            break;
        case T_UI1:
            entier(tLire<uint8_t>(pArea));
            break;
        case T_UI2:
            entier(tLire<uint16_t>(pArea));
            break;
        case T_UI4:
            entier(tLire<uint32_t>(pArea));
            break;
        case T_I1:
            entier(tLire<int8_t>(pArea));
            break;
        case T_I2:
            entier(tLire<int16_t>(pArea));
            break;
        case T_UI8:
        case T_UIX:
            entier(tLire<uint64_t>(pArea));
            break;
        case T_I8:
        case T_DUREE:
            entier(tLire<int64_t>(pArea));
            break;
        case T_R4:
            st.eGenre = stValeur::REEL;
            st.d = tLire<float>(pArea);
            st.bSimple = true;
            break;
        case T_R8:
            st.eGenre = stValeur::REEL;
            st.d = tLire<double>(pArea);
            break;
        case T_DECIMAL: {
            auto* pcl = tLire<const CEmulatedDecimal*>(pArea);
            if (pcl != nullptr) {
                st.eGenre = stValeur::DECIMAL;
                st.clDecimal.vnSetFromDecimal(pcl);
            }
            break;
        }
        case T_CY:
            texte(sMonnaie(pArea));
            break;
        case T_DSTRW:
        case T_PSTRW: {
            auto* psz = tLire<const wchar_t*>(pArea);
            texte(psz != nullptr ? psz : L"");
            break;
        }
        case T_DSTRA:
        case T_PSTRA:
            texte(sElargir(tLire<const char*>(pArea)));
            break;
        case T_CARA:
            texte(std::wstring(1, static_cast<wchar_t>(*static_cast<const unsigned char*>(pArea))));
            break;
        case T_CARW:
            texte(std::wstring(1, tLire<wchar_t>(pArea)));
            break;
        case T_DATEW:
        case T_TIMEW:
            texte(static_cast<const wchar_t*>(pArea));
            break;
        case T_DATEA:
        case T_TIMEA:
            texte(sElargir(static_cast<const char*>(pArea)));
            break;
        case T_BIN: {
            // Binary data read as a text telling its length.
            auto* pby = tLire<const unsigned char*>(pArea);
            texte(L"bin:" + std::to_wstring(pby != nullptr ? tLire<int32_t>(pby - 4) : 0));
            break;
        }
        case T_DATETIME:
            st.eGenre = stValeur::DATE;
            st.dwDate = tLire<uint32_t>(pArea);
            st.nMs = tLire<uint32_t>(static_cast<const unsigned char*>(pArea) + 4);
            break;
        default:
            break;
    }
    return st;
}

// A shared string made the way the host makes one: from its allocator, one reference, terminated.
template <typename T>
bool bPartage(void* pArea, const std::wstring& s) {
    IStrMemAlloc* pi = piGetAllocator();
    unsigned char* pby = nullptr;
    size_t nBytes = s.size() * sizeof(T);
    if (pi->vnAllocStrMemEx(&pby, nBytes, 0) != 0) return false;
    T* p = reinterpret_cast<T*>(pby);
    for (size_t i = 0; i < s.size(); i++) p[i] = static_cast<T>(s[i]);
    memset(pby + nBytes, 0, 4);
    reinterpret_cast<int32_t*>(pby)[-1] = static_cast<int32_t>(nBytes);
    memcpy(pArea, &pby, sizeof(pby));
    return true;
}

void LibererPartage(void* pArea) {
    unsigned char* pby = tLire<unsigned char*>(pArea);
    if (pby == nullptr) return;
    auto* pnCount = reinterpret_cast<std::atomic<uint32_t>*>(pby - 12);
    if (pnCount->fetch_sub(1) == 1) piGetAllocator()->vReleaseStrMem(pby);
    memset(pArea, 0, sizeof(void*));
}

// An integer text: optional sign and up to 38 digits, nothing else.
bool bEntierTexte(const std::wstring& s, __int128* pn) {
    size_t i = 0;
    const bool bNegatif = !s.empty() && s[0] == L'-';
    if (!s.empty() && (s[0] == L'-' || s[0] == L'+')) i++;
    if (i >= s.size() || s.size() - i > 38) return false;
    __int128 n = 0;
    for (; i < s.size(); i++) {
        if (s[i] < L'0' || s[i] > L'9') return false;
        n = n * 10 + (s[i] - L'0');
    }
    *pn = bNegatif ? -n : n;
    return true;
}

// A real text as strtod reads it, the whole text used; false also when it overflows.
bool bReelTexte(const std::wstring& s, double* pd) {
    if (s.empty() || iswspace(static_cast<wint_t>(s[0]))) return false;
    wchar_t* pszFin = nullptr;
    errno = 0;
    *pd = wcstod(s.c_str(), &pszFin);
    return *pszFin == 0 && pszFin != s.c_str() && !std::isinf(*pd) && !(errno == ERANGE && *pd != 0 && std::fabs(*pd) >= 1);
}

bool bDateValide(unsigned a, unsigned m, unsigned j) {
    static const unsigned anJours[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (a < 1 || a > 9999 || m < 1 || m > 12 || j < 1) return false;
    const bool bBissextile = (a % 4 == 0 && a % 100 != 0) || a % 400 == 0;
    return j <= anJours[m - 1] + (m == 2 && bBissextile ? 1 : 0);
}

// Reads "YYYY-MM-DD", "HH:MM[:SS[.fff]]" or both separated by a blank or 'T', or the host's compact
// forms ("YYYYMMDD", "HHMMSSmmm", "YYYYMMDDHHMMSSmmm" and its prefixes from 8 digits); bDate and
// bTime say which parts were there. False when it is none of them or names no real date or time.
bool bLireDateHeure(const std::wstring& s, uint32_t* pdwDate, uint32_t* pnMs, bool* pbDate, bool* pbTime) {
    unsigned a = 0, m = 0, j = 0, h = 0, mi = 0, se = 0, ms = 0;
    *pbDate = *pbTime = false;
    auto bChiffres = [&](size_t nDebut, size_t nCompte, unsigned* pn) {
        if (nDebut + nCompte > s.size()) return false;
        unsigned n = 0;
        for (size_t i = nDebut; i < nDebut + nCompte; i++) {
            if (s[i] < L'0' || s[i] > L'9') return false;
            n = n * 10 + static_cast<unsigned>(s[i] - L'0');
        }
        *pn = n;
        return true;
    };
    // Time text from place i on: "HH:MM[:SS[.f...]]"; the fraction is kept to milliseconds.
    auto bHeure = [&](size_t i) {
        if (!bChiffres(i, 2, &h) || i + 2 >= s.size() || s[i + 2] != L':' || !bChiffres(i + 3, 2, &mi)) return false;
        i += 5;
        if (i < s.size()) {
            if (s[i] != L':' || !bChiffres(i + 1, 2, &se)) return false;
            i += 3;
            if (i < s.size()) {
                if (s[i] != L'.' || i + 1 >= s.size()) return false;
                unsigned nEchelle = 100;
                for (i++; i < s.size(); i++, nEchelle /= 10) {
                    if (s[i] < L'0' || s[i] > L'9') return false;
                    // Beyond the millisecond the digits must be zeros: nothing is dropped silently.
                    if (nEchelle == 0 && s[i] != L'0') return false;
                    ms += static_cast<unsigned>(s[i] - L'0') * nEchelle;
                }
            }
        }
        *pbTime = true;
        return true;
    };
    if (s.size() >= 10 && s[4] == L'-' && s[7] == L'-') {
        if (!bChiffres(0, 4, &a) || !bChiffres(5, 2, &m) || !bChiffres(8, 2, &j)) return false;
        *pbDate = true;
        if (s.size() > 10 && ((s[10] != L' ' && s[10] != L'T') || !bHeure(11))) return false;
    } else if (s.size() >= 5 && s[2] == L':') {
        if (!bHeure(0)) return false;
    } else {
        for (wchar_t c : s)
            if (c < L'0' || c > L'9') return false;
        if (s.size() == 9 || s.size() == 6) {  // HHMMSSmmm, HHMMSS
            bChiffres(0, 2, &h);
            bChiffres(2, 2, &mi);
            bChiffres(4, 2, &se);
            if (s.size() == 9) bChiffres(6, 3, &ms);
            *pbTime = true;
        } else if (s.size() >= 8 && s.size() <= 17) {
            bChiffres(0, 4, &a);
            bChiffres(4, 2, &m);
            bChiffres(6, 2, &j);
            *pbDate = true;
            std::wstring sHeure = s.substr(8);
            sHeure.resize(9, L'0');
            const std::wstring sVrai = sHeure;
            unsigned nH = 0, nMi = 0, nSe = 0, nMs = 0;
            swscanf(sVrai.c_str(), L"%2u%2u%2u%3u", &nH, &nMi, &nSe, &nMs);
            h = nH, mi = nMi, se = nSe, ms = nMs;
            *pbTime = s.size() > 8;
        } else {
            return false;
        }
    }
    if (*pbDate && !bDateValide(a, m, j)) return false;
    if (h > 23 || mi > 59 || se > 59 || ms > 999) return false;
    *pdwDate = a << 16 | m << 8 | j;
    *pnMs = ((h * 60 + mi) * 60 + se) * 1000 + ms;
    return true;
}

std::wstring sCompact(uint32_t dwDate, uint32_t nMs, bool bDate, bool bTime) {
    wchar_t sz[32];
    std::wstring s;
    if (bDate) {
        swprintf(sz, 32, L"%04u%02u%02u", dwDate >> 16, (dwDate >> 8) & 0xFF, dwDate & 0xFF);
        s += sz;
    }
    if (bTime) {
        swprintf(sz, 32, L"%02u%02u%02u%03u", nMs / 3600000, nMs / 60000 % 60, nMs / 1000 % 60, nMs % 1000);
        s += sz;
    }
    return s;
}

// Limits of the integer types.
bool bLimites(unsigned short nType, __int128* pnMin, __int128* pnMax) {
    switch (nType) {
        case T_UI1: *pnMin = 0, *pnMax = UINT8_MAX; return true;
        case T_I1: *pnMin = INT8_MIN, *pnMax = INT8_MAX; return true;
        case T_UI2: *pnMin = 0, *pnMax = UINT16_MAX; return true;
        case T_I2: *pnMin = INT16_MIN, *pnMax = INT16_MAX; return true;
        case T_UI4: *pnMin = 0, *pnMax = UINT32_MAX; return true;
        case T_I4: *pnMin = INT32_MIN, *pnMax = INT32_MAX; return true;
        case T_UI8:
        case T_UIX: *pnMin = 0, *pnMax = UINT64_MAX; return true;
        case T_I8:
        case T_DUREE: *pnMin = INT64_MIN, *pnMax = INT64_MAX; return true;
        default: return false;
    }
}

// Writes a value in the layout of a type code; the code of the rule (0 or an error).
int nEcrire(void* pArea, unsigned short nType, const stValeur& st) {
    auto ecrire = [&](auto t) { memcpy(pArea, &t, sizeof(t)); };
    __int128 nMin = 0, nMax = 0;
    if (bLimites(nType, &nMin, &nMax) || nType == T_BOOL) {
        __int128 n = 0;
        switch (st.eGenre) {
            case stValeur::ENTIER:
                n = st.n;
                break;
            case stValeur::REEL:
                // A real goes to an integer without its fraction, when its integer part fits.
                if (std::isnan(st.d) || std::fabs(st.d) >= 1e38) return ERR_NOT_CONVERTIBLE;
                n = static_cast<__int128>(st.d);
                break;
            case stValeur::DECIMAL: {
                long nPart = 0;
                if (!st.clDecimal.bGetInteger(&nPart)) {
                    if (nType != T_UI8 && nType != T_UIX) return ERR_NOT_CONVERTIBLE;
                    CEmulatedDecimal cl;
                    cl.vnSetFromDecimal(&st.clDecimal);
                    cl.bRescale(0);  // rounds; the integer part is what is asked
                    n = static_cast<__int128>(cl.m_nMagnitude / 1);
                    if (cl.m_bNegative) return ERR_NOT_CONVERTIBLE;
                } else {
                    n = nPart;
                }
                break;
            }
            case stValeur::TEXTE:
                if (!bEntierTexte(st.s, &n)) return ERR_NOT_CONVERTIBLE;
                break;
            default:
                return ERR_NOT_CONVERTIBLE;
        }
        if (nType == T_BOOL) {
            ecrire(static_cast<int32_t>(n != 0));
            return 0;
        }
        if (n < nMin || n > nMax) return ERR_NOT_CONVERTIBLE;
        switch (nType) {
            case T_UI1:
            case T_I1:
                ecrire(static_cast<int8_t>(n));
                break;
            case T_UI2:
            case T_I2:
                ecrire(static_cast<int16_t>(n));
                break;
            case T_UI4:
            case T_I4:
                ecrire(static_cast<int32_t>(n));
                break;
            default:
                ecrire(static_cast<int64_t>(n));
                break;
        }
        return 0;
    }
    switch (nType) {
        case T_CY: {
            if (st.eGenre == stValeur::REEL) {
                wchar_t sz[400];
                swprintf(sz, 400, L"%.6f", st.d);
                return bEcrireMonnaie(pArea, sz) ? 0 : ERR_NOT_CONVERTIBLE;
            }
            // A text is read as it is, without a copy.
            if (st.eGenre == stValeur::TEXTE) return bEcrireMonnaie(pArea, st.s) ? 0 : ERR_NOT_CONVERTIBLE;
            if (st.eGenre == stValeur::ENTIER || st.eGenre == stValeur::DECIMAL)
                return bEcrireMonnaie(pArea, st.sTexte()) ? 0 : ERR_NOT_CONVERTIBLE;
            return ERR_NOT_CONVERTIBLE;
        }
        case T_R4:
        case T_R8: {
            double d = 0;
            if (st.eGenre == stValeur::TEXTE) {
                if (!bReelTexte(st.s, &d)) return ERR_NOT_CONVERTIBLE;
            } else if (st.bNombre()) {
                d = st.dNombre();
            } else {
                return ERR_NOT_CONVERTIBLE;
            }
            if (nType == T_R8) {
                ecrire(d);
                return 0;
            }
            // Beyond the largest float by more than half its last step the value has no float.
            const double dMax = std::numeric_limits<float>::max();
            const double dHalfStep = std::ldexp(1.0, 127 - 24);
            if (std::isfinite(d) && std::fabs(d) >= dMax + dHalfStep) return ERR_NOT_CONVERTIBLE;
            const float f = std::fabs(d) > dMax ? static_cast<float>(std::copysign(dMax, d)) : static_cast<float>(d);
            ecrire(f);
            return 0;
        }
        case T_DECIMAL: {
            auto* pcl = static_cast<CEmulatedDecimal*>(g_clDecimalFactory.vpiNewDecimal(nullptr));
            bool bOk = false;
            switch (st.eGenre) {
                case stValeur::ENTIER:
                    pcl->SetInteger(st.n);
                    bOk = true;
                    break;
                case stValeur::REEL:
                    bOk = pcl->bSetDouble(st.d);
                    break;
                case stValeur::DECIMAL:
                    pcl->vnSetFromDecimal(&st.clDecimal);
                    bOk = true;
                    break;
                case stValeur::TEXTE:
                    bOk = pcl->bSetText(st.s);
                    break;
                default:
                    break;
            }
            if (!bOk) {
                g_clDecimalFactory.vReleaseDecimal(pcl);
                return ERR_NOT_CONVERTIBLE;
            }
            ecrire(pcl);
            return 0;
        }
        case T_DATETIME: {
            if (st.eGenre == stValeur::DATE) {
                ecrire(st.dwDate);
                memcpy(static_cast<unsigned char*>(pArea) + 4, &st.nMs, 4);
                return 0;
            }
            uint32_t dwDate = 0, nMs = 0;
            bool bDate = false, bTime = false;
            if (st.eGenre != stValeur::TEXTE || !bLireDateHeure(st.s, &dwDate, &nMs, &bDate, &bTime) || !bDate)
                return ERR_NOT_CONVERTIBLE;
            uint32_t dw[2] = {dwDate, nMs};
            memcpy(pArea, dw, 8);
            return 0;
        }
        default:
            break;
    }
    // Text targets.
    if (st.eGenre == stValeur::RIEN) return ERR_NOT_CONVERTIBLE;
    std::wstring s = st.sTexte();
    switch (nType) {
        case T_CARA:
        case T_CARW:
            // One character, no more and no less.
            if (s.size() != 1 || (nType == T_CARA && static_cast<unsigned long>(s[0]) > 0xFF)) return ERR_NOT_CONVERTIBLE;
            if (nType == T_CARA)
                *static_cast<unsigned char*>(pArea) = static_cast<unsigned char>(s[0]);
            else
                ecrire(s[0]);
            return 0;
        case T_DSTRW:
            return bPartage<wchar_t>(pArea, s) ? 0 : ERR_NOT_CONVERTIBLE;
        case T_DSTRA:
            return bPartage<char>(pArea, s) ? 0 : ERR_NOT_CONVERTIBLE;
        case T_PSTRW: {
            auto* psz = static_cast<wchar_t*>(malloc((s.size() + 1) * sizeof(wchar_t)));
            if (psz == nullptr) return ERR_NOT_CONVERTIBLE;
            wcscpy(psz, s.c_str());
            ecrire(psz);
            return 0;
        }
        case T_PSTRA: {
            auto* psz = static_cast<char*>(malloc(s.size() + 1));
            if (psz == nullptr) return ERR_NOT_CONVERTIBLE;
            for (size_t i = 0; i <= s.size(); i++) psz[i] = static_cast<char>(s.c_str()[i]);
            ecrire(psz);
            return 0;
        }
        case T_DATEA:
        case T_TIMEA:
        case T_DATEW:
        case T_TIMEW: {
            // The fixed date (YYYYMMDD) and time (HHMMSSmmm) texts: a date-time gives its own part;
            // a text in a date or time form gives that part in the compact form, any other text
            // its first characters.
            const bool bPourDate = nType == T_DATEA || nType == T_DATEW;
            std::wstring sPart;
            uint32_t dwDate = 0, nMs = 0;
            bool bDate = false, bTime = false;
            if (st.eGenre == stValeur::DATE) {
                sPart = bPourDate ? s.substr(0, 8) : s.substr(8);
            } else if (st.eGenre == stValeur::TEXTE && !s.empty() &&
                       (s.find_first_of(L"-:") != std::wstring::npos || s.size() == 8 || s.size() == 9 ||
                        s.size() == 17)) {
                if (!bLireDateHeure(s, &dwDate, &nMs, &bDate, &bTime)) {
                    if (s.find_first_of(L"-:") != std::wstring::npos) return ERR_NOT_CONVERTIBLE;
                    sPart = s;
                } else if (bPourDate ? bDate : (bTime || !bDate)) {
                    sPart = bPourDate ? sCompact(dwDate, nMs, true, false) : sCompact(dwDate, nMs, false, true);
                } else {
                    return ERR_NOT_CONVERTIBLE;
                }
            } else {
                sPart = s;
            }
            const size_t nMaxi = bPourDate ? 8 : 9;
            sPart = sPart.substr(0, nMaxi);
            if (nType == T_DATEA || nType == T_TIMEA) {
                char* psz = static_cast<char*>(pArea);
                memset(psz, 0, nMaxi + 1);
                for (size_t i = 0; i < sPart.size(); i++) psz[i] = static_cast<char>(sPart[i]);
            } else {
                memset(pArea, 0, (nMaxi + 1) * sizeof(wchar_t));
                memcpy(pArea, sPart.c_str(), sPart.size() * sizeof(wchar_t));
            }
            return 0;
        }
        default:
            return ERR_NOT_CONVERTIBLE;
    }
}

// ---------------------------------------------------------------------------- calls
// The forced answer of a call (-1: none); the record is built only when the observer keeps them.
template <typename FN>
int nObserve(const char* pszNom, FN fnRecord) {
    IVMObserver* pi = piObserver();
    if (pi == nullptr) return -1;
    if (pi->vbRecording()) return pi->vnOnCall(fnRecord());
    return pi->vnForcedAnswer(pszNom);
}

// Final code: the forced one when it is a success code, else the rule's.
int nFinal(int nForce, int nRegle) {
    return nForce >= 0 && nRegle == 0 ? nForce : nRegle;
}

int nCompareValeurs(const stValeur& a, const stValeur& b, int* pnCmp) {
    if (a.bNombre() && b.bNombre()) {
        if (a.eGenre == stValeur::ENTIER && b.eGenre == stValeur::ENTIER) {
            *pnCmp = a.n < b.n ? -1 : a.n > b.n;
        } else if (a.eGenre != stValeur::REEL && b.eGenre != stValeur::REEL) {
            CEmulatedDecimal clA, clB;
            if (a.eGenre == stValeur::DECIMAL) clA.vnSetFromDecimal(&a.clDecimal); else clA.SetInteger(a.n);
            if (b.eGenre == stValeur::DECIMAL) clB.vnSetFromDecimal(&b.clDecimal); else clB.SetInteger(b.n);
            *pnCmp = clA.nCompare(clB);
        } else {
            *pnCmp = a.dNombre() < b.dNombre() ? -1 : a.dNombre() > b.dNombre();
        }
        return 0;
    }
    if (a.eGenre == stValeur::TEXTE && b.eGenre == stValeur::TEXTE) {
        int n = a.s.compare(b.s);
        *pnCmp = n < 0 ? -1 : n > 0;
        return 0;
    }
    if (a.eGenre == stValeur::DATE && b.eGenre == stValeur::DATE) {
        uint64_t na = uint64_t(a.dwDate) << 32 | a.nMs, nb = uint64_t(b.dwDate) << 32 | b.nMs;
        *pnCmp = na < nb ? -1 : na > nb;
        return 0;
    }
    return ERR_NOT_COMPARABLE;
}

std::wstring sMinuscules(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(static_cast<wint_t>(c)));
    return s;
}

// A call of an operator as the library made it, with its operands as the VM read them.
stVMCall stAppelOperateur(const char* pszNom, const void* pA, unsigned short nTypeA, const void* pB,
                          unsigned short nTypeB, const void* pResult, unsigned dwFlags, const void* pReserved,
                          const stValeur& a, const stValeur& b) {
    stVMCall stCall;
    stCall.sNom = pszNom;
    stCall.pA = pA;
    stCall.nTypeA = nTypeA;
    stCall.pB = pB;
    stCall.nTypeB = nTypeB;
    stCall.pResult = pResult;
    stCall.dwFlags = dwFlags;
    stCall.pReserved = pReserved;
    stCall.sA = a.sTexte();
    stCall.sB = b.sTexte();
    return stCall;
}

// A rule answers the int result, or -1 with *pnErreur set when the operands do not suit it.
typedef std::function<int(const stValeur&, const stValeur&, int* pnErreur)> FNREGLE;

int nCalculeComparaison(const char* pszNom, const void* pA, unsigned short nTypeA, const void* pB,
                        unsigned short nTypeB, int* pnResult, unsigned dwFlags, void* pReserved, const FNREGLE& fn) {
    stValeur a = stLire(pA, nTypeA), b = stLire(pB, nTypeB);
    int nForce = nObserve(pszNom, [&] {
        return stAppelOperateur(pszNom, pA, nTypeA, pB, nTypeB, pnResult, dwFlags, pReserved, a, b);
    });
    if (nForce > 99) return nForce;
    int nErreur = 0;
    int nResult = fn(a, b, &nErreur);
    if (IVMObserver* pi = piObserver())
        if (pi->vbForcedCompareResult(pszNom, &nResult)) nErreur = 0;
    if (nErreur != 0) return nErreur;
    *pnResult = nResult;
    return nFinal(nForce, 0);
}

int nCalculeArithmetique(const char* pszNom, const void* pA, unsigned short nTypeA, const void* pB,
                         unsigned short nTypeB, void* pResult, unsigned short* pnTypeResult, unsigned dwFlags,
                         void* pReserved, char cOperation) {
    stValeur a = stLire(pA, nTypeA), b = stLire(pB, nTypeB);
    int nForce = nObserve(pszNom, [&] {
        return stAppelOperateur(pszNom, pA, nTypeA, pB, nTypeB, pResult, dwFlags, pReserved, a, b);
    });
    if (nForce > 99) return nForce;
    // Decimals without decimals count as integers; the others as reals, and the result is made a
    // decimal again.
    for (stValeur* p : {&a, &b})
        if (p->eGenre == stValeur::DECIMAL) {
            long n = 0;
            if (p->clDecimal.m_nScale == 0 && p->clDecimal.bGetInteger(&n)) {
                p->eGenre = stValeur::ENTIER;
                p->n = n;
            } else {
                p->d = p->clDecimal.dGetDouble();
                p->eGenre = stValeur::REEL;
            }
        }
    const bool bDecimal = (nTypeA & 0xFF) == T_DECIMAL || (pB != nullptr && (nTypeB & 0xFF) == T_DECIMAL);
    stValeur r;
    unsigned short nTypeResult;
    if (cOperation == '+' && a.eGenre == stValeur::TEXTE && b.eGenre == stValeur::TEXTE) {
        r.eGenre = stValeur::TEXTE;
        r.s = a.s + b.s;
        nTypeResult = T_DSTRW;
    } else if (!a.bNombre() || (pB != nullptr && !b.bNombre())) {
        return ERR_NOT_CONVERTIBLE;
    } else if (a.eGenre == stValeur::REEL || b.eGenre == stValeur::REEL) {
        r.eGenre = stValeur::REEL;
        double da = a.dNombre(), db = b.dNombre();
        switch (cOperation) {
            case '+':
                r.d = da + db;
                break;
            case '-':
                r.d = pB != nullptr ? da - db : -da;
                break;
            case '*':
                r.d = da * db;
                break;
            case '/':
                if (db == 0) return ERR_DIVISION_BY_ZERO;
                r.d = da / db;
                break;
            default:
                return ERR_NOT_CONVERTIBLE;
        }
        nTypeResult = bDecimal ? T_DECIMAL : T_R8;
        if (pB == nullptr) nTypeResult = nTypeA & 0xFF;
    } else {
        r.eGenre = stValeur::ENTIER;
        switch (cOperation) {
            case '+':
                r.n = a.n + b.n;
                break;
            case '-':
                r.n = pB != nullptr ? a.n - b.n : -a.n;
                break;
            case '*':
                r.n = a.n * b.n;
                break;
            case '/':
                if (b.n == 0) return ERR_DIVISION_BY_ZERO;
                r.n = a.n / b.n;
                break;
            case '%':
                if (b.n == 0) return ERR_DIVISION_BY_ZERO;
                r.n = a.n % b.n;
                break;
            default:
                return ERR_NOT_CONVERTIBLE;
        }
        // Small integers give an I4, the others an I8; a negation keeps its operand's type.
        auto bPetit = [](unsigned short t) {
            t &= 0xFF;
            return t == T_BOOL || t == T_UI1 || t == T_UI2 || t == T_I1 || t == T_I2 || t == T_I4;
        };
        if (pB == nullptr)
            nTypeResult = nTypeA & 0xFF;
        else if (bDecimal)
            nTypeResult = T_DECIMAL;
        else
            nTypeResult = bPetit(nTypeA) && bPetit(nTypeB) ? T_I4 : T_I8;
    }
    int nRegle = nEcrire(pResult, nTypeResult, r);
    if (nRegle != 0) return nRegle;
    *pnTypeResult = nTypeResult;
    return nFinal(nForce, 0);
}

// Text rules of the matching functions: nSouplesse 0 exact, 1 and 2 without regard to case.
int nTexte(const stValeur& a, const stValeur& b, int* pnErreur, int nSouplesse,
           bool (*pfn)(const std::wstring&, const std::wstring&)) {
    if (a.eGenre != stValeur::TEXTE || b.eGenre != stValeur::TEXTE) {
        *pnErreur = ERR_NOT_COMPARABLE;
        return -1;
    }
    return nSouplesse == 0 ? pfn(a.s, b.s) : pfn(sMinuscules(a.s), sMinuscules(b.s));
}
bool bCommence(const std::wstring& a, const std::wstring& b) {
    return a.compare(0, b.size(), b) == 0;
}
bool bContient(const std::wstring& a, const std::wstring& b) {
    return a.find(b) != std::wstring::npos;
}
bool bTermine(const std::wstring& a, const std::wstring& b) {
    return a.size() >= b.size() && a.compare(a.size() - b.size(), b.size(), b) == 0;
}

int nOrdre(const stValeur& a, const stValeur& b, int* pnErreur) {
    int nCmp = 0;
    *pnErreur = nCompareValeurs(a, b, &nCmp);
    return nCmp;
}

// The loose equalities: texts without regard to case, other values by their order.
int nEgalSansCasse(const stValeur& a, const stValeur& b, int* pnErreur) {
    if (a.eGenre != stValeur::TEXTE) return int(nOrdre(a, b, pnErreur) == 0);
    return nTexte(a, b, pnErreur, 1, [](const std::wstring& x, const std::wstring& y) { return x == y; });
}

}  // namespace

void NotifyDecimalPrecision(int nDigits, int nDecimals) {
    if (IVMObserver* pi = piObserver()) pi->vOnDecimalPrecision(nDigits, nDecimals);
}

// ---------------------------------------------------------------------------- control
void SetVMObserver(IVMObserver* piObserver) {
    g_piVMObserver.store(piObserver, std::memory_order_release);
}

IVMObserver* piGetVMObserver() {
    return piObserver();
}

IDecimalFactoryVQ* piGetDecimalFactory() {
    return &g_clDecimalFactory;
}

IDecimalVQ* piNewDecimal(long nValeur) {
    auto* pcl = static_cast<CEmulatedDecimal*>(g_clDecimalFactory.vpiNewDecimal(nullptr));
    pcl->SetInteger(nValeur);
    return pcl;
}

long nGetDecimalValue(const IDecimalVQ* piDecimal) {
    long n = 0;
    static_cast<const CEmulatedDecimal*>(piDecimal)->bGetInteger(&n);
    return n;
}

std::pair<int, int> GetDecimalPrecision(const IDecimalVQ* piDecimal) {
    auto* pcl = static_cast<const CEmulatedDecimal*>(piDecimal);
    return {pcl->m_nDigits, pcl->m_nDecimals};
}

long nGetLiveConversionResults() {
    return g_nLiveConversionResults;
}

}  // namespace standin

using namespace standin;

// ---------------------------------------------------------------------------- exports
extern "C" {

STANDIN_API int nConversionDepassementExt(void* pSource, unsigned short nTypeSource, void* pDestination,
                                          unsigned short nTypeDestination, unsigned int dwFlags, const STOCAW* pstCaw) {
    auto appel = [&](std::wstring sA) {
        stVMCall stCall;
        stCall.sNom = "nConversionDepassementExt";
        stCall.pA = pSource;
        stCall.nTypeA = nTypeSource;
        stCall.pB = pDestination;
        stCall.nTypeB = nTypeDestination;
        stCall.dwFlags = dwFlags;
        stCall.pstCaw = pstCaw;
        stCall.sA = std::move(sA);
        return stCall;
    };
    const unsigned short nGenreSource = nTypeSource & 0xFF;
    if (nTypeDestination == T_CY && pSource != nullptr && (nGenreSource == T_DSTRW || nGenreSource == T_PSTRW)) {
        // A wide text made money (every amount a browse fetches): the text is read where it lies,
        // as the road below reads it once copied.
        const wchar_t* psz = tLire<const wchar_t*>(pSource);
        const std::wstring_view sTexte(psz != nullptr ? psz : L"");
        const int nForce = nObserve("nConversionDepassementExt", [&] { return appel(std::wstring(sTexte)); });
        if (nForce > 99) return nForce;
        return nFinal(nForce, bEcrireMonnaie(pDestination, sTexte) ? 0 : ERR_NOT_CONVERTIBLE);
    }
    stValeur st = stLire(pSource, nTypeSource);
    const int nForce = nObserve("nConversionDepassementExt", [&] { return appel(st.sTexte()); });
    if (nForce > 99) return nForce;
    int nRegle = nEcrire(pDestination, nTypeDestination, st);
    if (nRegle == 0 && (nTypeDestination == T_DECIMAL || nTypeDestination == T_PSTRW || nTypeDestination == T_PSTRA))
        g_nLiveConversionResults++;
    return nFinal(nForce, nRegle);
}

STANDIN_API void FinConversion(void* pDestination, unsigned short nType) {
    nObserve("FinConversion", [&] {
        stVMCall stCall;
        stCall.sNom = "FinConversion";
        stCall.pB = pDestination;
        stCall.nTypeB = nType;
        return stCall;
    });
    void* p = tLire<void*>(pDestination);
    switch (nType) {
        case T_DSTRW:
        case T_DSTRA:
            LibererPartage(pDestination);
            break;
        case T_PSTRW:
        case T_PSTRA:
            if (p != nullptr) g_nLiveConversionResults--;
            free(p);
            memset(pDestination, 0, sizeof(p));
            break;
        case T_DECIMAL:
            if (p != nullptr) g_nLiveConversionResults--;
            g_clDecimalFactory.vReleaseDecimal(static_cast<IDecimalVQ*>(p));
            memset(pDestination, 0, sizeof(p));
            break;
        default:
            break;
    }
}

STANDIN_API void* pQueryProxy(int nProxy) {
    nObserve("pQueryProxy", [&] {
        stVMCall stCall;
        stCall.sNom = "pQueryProxy";
        stCall.nProxy = nProxy;
        return stCall;
    });
    return nProxy == DECIMALVQ_PROXY ? static_cast<IDecimalFactoryVQ*>(&g_clDecimalFactory) : nullptr;
}

// Bound by the library but not called by it.
#define STANDIN_VM_UNUSED(nom)                                  \
    STANDIN_API int nom() {                                     \
        nObserve(#nom, [] {                                     \
            stVMCall stCall;                                    \
            stCall.sNom = #nom;                                 \
            return stCall;                                      \
        });                                                     \
        return 0;                                               \
    }
STANDIN_VM_UNUSED(bCanCompareEx)
STANDIN_VM_UNUSED(wAjouteEx)
STANDIN_VM_UNUSED(wSoustraitEx)
STANDIN_VM_UNUSED(wMultiplieEx)
STANDIN_VM_UNUSED(wDiviseEx)
STANDIN_VM_UNUSED(wModuloEx)

#define STANDIN_VM_COMPARE(nom, ...)                                                                                 \
    STANDIN_API int nom(const void* pA, unsigned short nTypeA, const void* pB, unsigned short nTypeB, int* pnResult, \
                        unsigned dwFlags, void* pReserved) {                                                         \
        return nCalculeComparaison(#nom, pA, nTypeA, pB, nTypeB, pnResult, dwFlags, pReserved, __VA_ARGS__);         \
    }
#define STANDIN_VM_TEXT(nom, souplesse, fn) \
    STANDIN_VM_COMPARE(nom,                 \
                       [](const stValeur& a, const stValeur& b, int* pn) { return nTexte(a, b, pn, souplesse, fn); })

STANDIN_VM_COMPARE(nComparaisonEx, nOrdre)
STANDIN_VM_COMPARE(nEgaliteEx, [](const stValeur& a, const stValeur& b, int* pn) { return int(nOrdre(a, b, pn) == 0); })
STANDIN_VM_COMPARE(nSuperieurEx,
                   [](const stValeur& a, const stValeur& b, int* pn) { return int(nOrdre(a, b, pn) > 0); })
STANDIN_VM_COMPARE(nInferieurEx,
                   [](const stValeur& a, const stValeur& b, int* pn) { return int(nOrdre(a, b, pn) < 0); })
STANDIN_VM_COMPARE(nPresqueEgalEx, nEgalSansCasse)
STANDIN_VM_COMPARE(nSoupleEgalEx, nEgalSansCasse)
STANDIN_VM_TEXT(nCommenceParEx, 0, bCommence)
STANDIN_VM_TEXT(nCommenceParSoupleEx, 1, bCommence)
STANDIN_VM_TEXT(nCommenceParTresSoupleEx, 2, bCommence)
STANDIN_VM_TEXT(nContientEx, 0, bContient)
STANDIN_VM_TEXT(nContientSoupleEx, 1, bContient)
STANDIN_VM_TEXT(nContientTresSoupleEx, 2, bContient)
STANDIN_VM_TEXT(nTermineParEx, 0, bTermine)
STANDIN_VM_TEXT(nTermineParSoupleEx, 1, bTermine)
STANDIN_VM_TEXT(nTermineParTresSoupleEx, 2, bTermine)
STANDIN_VM_COMPARE(nETLogiqueEx, [](const stValeur& a, const stValeur& b, int*) { return int(a.n != 0 && b.n != 0); })
STANDIN_VM_COMPARE(nOULogiqueEx, [](const stValeur& a, const stValeur& b, int*) { return int(a.n != 0 || b.n != 0); })

STANDIN_API int nNONLogiqueEx(const void* pA, unsigned short nTypeA, int* pnResult, unsigned dwFlags, void* pReserved) {
    return nCalculeComparaison("nNONLogiqueEx", pA, nTypeA, nullptr, 0, pnResult, dwFlags, pReserved,
                               [](const stValeur& a, const stValeur&, int*) { return int(a.n == 0); });
}

STANDIN_API int nNegationEx(const void* pA, unsigned short nTypeA, void* pResult, unsigned short* pnTypeResult,
                            unsigned dwFlags, void* pReserved) {
    return nCalculeArithmetique("nNegationEx", pA, nTypeA, nullptr, 0, pResult, pnTypeResult, dwFlags, pReserved, '-');
}

#define STANDIN_VM_ARITHMETIC(nom, operation)                                                                        \
    STANDIN_API int nom(const void* pA, unsigned short nTypeA, const void* pB, unsigned short nTypeB, void* pResult, \
                        unsigned short* pnTypeResult, unsigned dwFlags, void* pReserved) {                           \
        return nCalculeArithmetique(#nom, pA, nTypeA, pB, nTypeB, pResult, pnTypeResult, dwFlags, pReserved,         \
                                    operation);                                                                      \
    }
STANDIN_VM_ARITHMETIC(nAdditionEx, '+')
STANDIN_VM_ARITHMETIC(nSoustractionEx, '-')
STANDIN_VM_ARITHMETIC(nMultiplicationEx, '*')
STANDIN_VM_ARITHMETIC(nDivisionEx, '/')
STANDIN_VM_ARITHMETIC(nModuloEx, '%')

}  // extern "C"
