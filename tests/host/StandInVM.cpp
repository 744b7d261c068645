// The stand-in virtual machine: the conversion, its release, the proxy query with its decimal
// factory, and the 30 calculator functions that a host's VM exports by name. Values are read and
// written in the value-area layout of their type code; the rules are deliberately plain (integers,
// reals, texts, dates) since the real ones belong to the host.
#include "tests/host/StandInVM.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string_view>

#include "tests/host/StandInRecording.h"

#include "tests/host/StandInRecording.h"

namespace standin {
namespace {

std::mutex g_mutexVM;
std::vector<stVMCall> g_tabVMCalls;
// Off for measurements: the log of calls would cost more than the calls.
bool g_bRecordCalls = true;
std::map<std::string, int, std::less<>> g_mapAnswer;  // forced codes
std::map<std::string, int> g_mapCompareResult;        // forced int results
std::atomic<long> g_nLiveConversionResults{0};
std::vector<std::pair<int, int>> g_tabPrecisions;  // every vnSetPrecision since ResetVM

// Type codes the stand-in knows (the low byte of a type word).
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

// Error codes of the stand-in's own rules (above 99, as the host's errors are).
constexpr int ERR_NOT_CONVERTIBLE = 150;
constexpr int ERR_NOT_COMPARABLE = 151;
constexpr int ERR_DIVISION_BY_ZERO = 152;

// ---------------------------------------------------------------------------- decimals
// A decimal of the stand-in holds an integer. Its 18-byte form: a sign byte (1 = negative), the
// magnitude in 8 little-endian bytes, then zeros.
class CStandInDecimal final : public IDecimalVQ {
public:
    long m_nValeur = 0;
    int m_nDigits = 0;
    int m_nDecimals = 0;
    unsigned char m_abyForme[DECIMALVQ_DATA_SIZE] = {};

    void vReserved1() override {}
    void vReserved2() override {}
    void vReserved3() override {}
    void vReserved4() override {}
    void vReserved5() override {}
    int vnFillBuffer(void* pbyBuffer) override {
        _MajForme();
        memcpy(pbyBuffer, m_abyForme, sizeof(m_abyForme));
        return 0;
    }
    int vnSetFromBytes(const void* pbyData, unsigned long nSize) override {
        unsigned char aby[DECIMALVQ_DATA_SIZE] = {};
        memcpy(aby, pbyData, nSize < sizeof(aby) ? nSize : sizeof(aby));
        uint64_t nMagnitude = 0;
        memcpy(&nMagnitude, aby + 1, 8);
        m_nValeur = aby[0] != 0 ? -static_cast<long>(nMagnitude) : static_cast<long>(nMagnitude);
        return 0;
    }
    void vReserved8() override {}
    void vReserved9() override {}
    int vnSetFromDecimal(const IDecimalVQ* piSource) override {
        m_nValeur = static_cast<const CStandInDecimal*>(piSource)->m_nValeur;
        return 0;
    }
    int vnSetPrecision(int nDigits, int nDecimals) override {
        {
            std::lock_guard lock(g_mutexVM);
            g_tabPrecisions.emplace_back(nDigits, nDecimals);
        }
        m_nDigits = nDigits;
        m_nDecimals = nDecimals;
        return 0;
    }
    int vnGetBytes(const unsigned char** ppbyData, unsigned long* pnSize) override {
        _MajForme();
        *ppbyData = m_abyForme;
        *pnSize = sizeof(m_abyForme);
        return 0;
    }
    // 24 bytes telling the sign, then the value with its sign bit inverted, most significant first.
    int vnWriteKey(unsigned char* pbyKey) override {
        memset(pbyKey, m_nValeur < 0 ? 0 : 1, 24);
        uint64_t n = static_cast<uint64_t>(m_nValeur) ^ 0x8000000000000000u;
        for (int i = 0; i < 8; i++) pbyKey[24 + i] = static_cast<unsigned char>(n >> (56 - 8 * i));
        return 0;
    }
    void vReserved14() override {}
    void vReserved15() override {}
    void vReserved16() override {}
    void vReserved17() override {}
    void vReserved18() override {}
    void vReserved19() override {}
    void vReserved20() override {}
    void vReserved21() override {}
    void vReserved22() override {}
    void vReserved23() override {}
    int vnGetSigne() override { return m_nValeur < 0 ? 1 : 0; }

private:
    void _MajForme() {
        memset(m_abyForme, 0, sizeof(m_abyForme));
        m_abyForme[0] = m_nValeur < 0 ? 1 : 0;
        uint64_t nMagnitude = m_nValeur < 0 ? 0 - static_cast<uint64_t>(m_nValeur) : static_cast<uint64_t>(m_nValeur);
        memcpy(m_abyForme + 1, &nMagnitude, 8);
    }
};

std::set<const IDecimalVQ*> g_setLiveDecimals;

class CStandInDecimalFactory final : public IDecimalFactoryVQ {
public:
    IDecimalVQ* vpiNewDecimal(void*) override {
        auto* pcl = new CStandInDecimal;
        std::lock_guard lock(g_mutexVM);
        g_setLiveDecimals.insert(pcl);
        return pcl;
    }
    void vReleaseDecimal(IDecimalVQ* piDecimal) override {
        {
            std::lock_guard lock(g_mutexVM);
            if (g_setLiveDecimals.erase(piDecimal) == 0) return;  // not ours, or released twice
        }
        delete static_cast<CStandInDecimal*>(piDecimal);
    }
};

CStandInDecimalFactory g_clDecimalFactory;

// ---------------------------------------------------------------------------- values
struct stValeur {
    enum eGenre { RIEN, ENTIER, REEL, TEXTE, DATE } eGenre = RIEN;
    long n = 0;
    double d = 0;
    std::wstring s;
    uint32_t dwDate = 0;
    uint32_t nMs = 0;

    double dNombre() const { return eGenre == REEL ? d : static_cast<double>(n); }
    bool bNombre() const { return eGenre == ENTIER || eGenre == REEL; }
    std::wstring sTexte() const {
        wchar_t sz[64];
        switch (eGenre) {
            case ENTIER:
                swprintf(sz, 64, L"%ld", n);
                return sz;
            case REEL:
                swprintf(sz, 64, L"%g", d);
                return sz;
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
};

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
// stand-in reads and writes it as its exact decimal text.
std::wstring sMonnaie(const void* pArea) {
    const unsigned char* pby = static_cast<const unsigned char*>(pArea);
    __int128 n = 0;
    for (int i = 9; i >= 0; i--) n = (n << 8) | pby[i];
    if (pby[9] & 0x80) n -= static_cast<__int128>(1) << 80;
    const bool bNegatif = n < 0;
    unsigned __int128 u = bNegatif ? static_cast<unsigned __int128>(-n) : static_cast<unsigned __int128>(n);
    std::wstring sEntier;
    unsigned __int128 e = u / 1000000;
    do {
        sEntier.insert(sEntier.begin(), static_cast<wchar_t>(L'0' + static_cast<int>(e % 10)));
        e /= 10;
    } while (e != 0);
    std::wstring sDecimales;
    for (unsigned long f = static_cast<unsigned long>(u % 1000000), i = 0; i < 6; i++, f /= 10)
        sDecimales.insert(sDecimales.begin(), static_cast<wchar_t>(L'0' + f % 10));
    while (!sDecimales.empty() && sDecimales.back() == L'0') sDecimales.pop_back();
    return (bNegatif ? L"-" : L"") + sEntier + (sDecimales.empty() ? L"" : L"." + sDecimales);
}

// A decimal text (sign, digits, at most six decimals) as money; false when it is not one.
bool bEcrireMonnaie(void* pArea, const std::wstring& s) {
    size_t i = 0;
    while (i < s.size() && s[i] == L' ') i++;
    const bool bNegatif = i < s.size() && s[i] == L'-';
    if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) i++;
    __int128 n = 0;
    int nChiffres = 0, nDecimales = -1;
    for (; i < s.size(); i++) {
        if (s[i] == L'.' && nDecimales < 0) {
            nDecimales = 0;
            continue;
        }
        if (s[i] < L'0' || s[i] > L'9') break;
        if (nDecimales >= 6) continue;
        n = n * 10 + (s[i] - L'0');
        nChiffres++;
        if (nDecimales >= 0) nDecimales++;
    }
    while (i < s.size() && s[i] == L' ') i++;
    if (nChiffres == 0 || i != s.size()) return false;
    for (int d = nDecimales < 0 ? 0 : nDecimales; d < 6; d++) n *= 10;
    if (bNegatif) n = -n;
    unsigned char* pby = static_cast<unsigned char*>(pArea);
    for (int b = 0; b < 10; b++) pby[b] = static_cast<unsigned char>(static_cast<unsigned __int128>(n) >> (8 * b));
    return true;
}

stValeur stLire(const void* pArea, unsigned short nType) {
    stValeur st;
    if (pArea == nullptr) return st;
    auto entier = [&](long n) {
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
        case T_I8:
        case T_UIX:
        case T_DUREE:
            entier(tLire<int64_t>(pArea));
            break;
        case T_R4:
            st.eGenre = stValeur::REEL;
            st.d = tLire<float>(pArea);
            break;
        case T_R8:
            st.eGenre = stValeur::REEL;
            st.d = tLire<double>(pArea);
            break;
        case T_DECIMAL: {
            auto* pcl = tLire<const CStandInDecimal*>(pArea);
            if (pcl != nullptr) entier(pcl->m_nValeur);
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

bool bEntierTexte(const std::wstring& s, long* pn) {
    if (s.empty()) return false;
    wchar_t* pszFin = nullptr;
    // A number past 64 bits is no integer: capped, it would read back as another value.
    errno = 0;
    *pn = wcstol(s.c_str(), &pszFin, 10);
    return *pszFin == 0 && errno != ERANGE;
}

// Writes a value in the layout of a type code; the code of the stand-in's rule (0 or an error).
int nEcrire(void* pArea, unsigned short nType, const stValeur& st) {
    if (nType == T_CY) {
        if (st.eGenre == stValeur::REEL) {
            wchar_t sz[64];
            swprintf(sz, 64, L"%.6f", st.d);
            return bEcrireMonnaie(pArea, sz) ? 0 : ERR_NOT_CONVERTIBLE;
        }
        if (st.eGenre == stValeur::TEXTE) return bEcrireMonnaie(pArea, st.s) ? 0 : ERR_NOT_CONVERTIBLE;
        return st.eGenre == stValeur::ENTIER && bEcrireMonnaie(pArea, st.sTexte()) ? 0 : ERR_NOT_CONVERTIBLE;
    }
    // A text with a fraction or an exponent reads as a real for the real types.
    if (st.eGenre == stValeur::TEXTE && (nType == T_R4 || nType == T_R8) && !st.s.empty()) {
        long nEntier;
        wchar_t* pszFin = nullptr;
        const double d = wcstod(st.s.c_str(), &pszFin);
        if (!bEntierTexte(st.s, &nEntier) && *pszFin == 0) {
            stValeur stReel;
            stReel.eGenre = stValeur::REEL;
            stReel.d = d;
            return nEcrire(pArea, nType, stReel);
        }
    }
    long n = st.n;
    if (nType != T_DATETIME && !st.bNombre()) {
        if (st.eGenre == stValeur::TEXTE &&
            (nType == T_DSTRW || nType == T_PSTRW || nType == T_DSTRA || nType == T_PSTRA || nType == T_DATEW ||
             nType == T_TIMEW || nType == T_DATEA || nType == T_TIMEA)) {
        } else if (st.eGenre == stValeur::DATE && (nType == T_DSTRW || nType == T_PSTRW || nType == T_DSTRA ||
                                                   nType == T_PSTRA || nType == T_DATEA || nType == T_TIMEA)) {
        } else if (st.eGenre != stValeur::TEXTE || !bEntierTexte(st.s, &n)) {
            return ERR_NOT_CONVERTIBLE;
        }
    } else if (st.eGenre == stValeur::REEL) {
        n = static_cast<long>(st.d);
    }
    auto ecrire = [&](auto t) { memcpy(pArea, &t, sizeof(t)); };
    // The value as text, for the text targets only: a number read for every row of a browse would
    // pay for a text it never uses.
    std::wstring s;
    switch (nType) {
        case T_DSTRW:
        case T_DSTRA:
        case T_PSTRW:
        case T_PSTRA:
        case T_DATEA:
        case T_TIMEA:
        case T_DATEW:
        case T_TIMEW:
            s = st.sTexte();
            break;
        default:
            break;
    }
    switch (nType) {
        case T_BOOL:
            ecrire(static_cast<int32_t>(n != 0));
            break;
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
        case T_UI8:
        case T_I8:
        case T_UIX:
        case T_DUREE:
            ecrire(static_cast<int64_t>(n));
            break;
        case T_R4:
            ecrire(static_cast<float>(st.eGenre == stValeur::REEL ? st.d : n));
            break;
        case T_R8:
            ecrire(st.eGenre == stValeur::REEL ? st.d : static_cast<double>(n));
            break;
        case T_DECIMAL: {
            auto* pcl = static_cast<CStandInDecimal*>(g_clDecimalFactory.vpiNewDecimal(nullptr));
            pcl->m_nValeur = n;
            ecrire(pcl);
            break;
        }
        case T_DSTRW:
            if (!bPartage<wchar_t>(pArea, s)) return ERR_NOT_CONVERTIBLE;
            break;
        case T_DSTRA:
            if (!bPartage<char>(pArea, s)) return ERR_NOT_CONVERTIBLE;
            break;
        case T_PSTRW: {
            auto* psz = static_cast<wchar_t*>(malloc((s.size() + 1) * sizeof(wchar_t)));
            wcscpy(psz, s.c_str());
            ecrire(psz);
            break;
        }
        case T_PSTRA: {
            auto* psz = static_cast<char*>(malloc(s.size() + 1));
            for (size_t i = 0; i <= s.size(); i++) psz[i] = static_cast<char>(s.c_str()[i]);
            ecrire(psz);
            break;
        }
        case T_DATEA:
        case T_TIMEA: {
            // The fixed 8-bit date (AAAAMMJJ) and time (HHMMSSmmm) texts: a date-time gives its own
            // part, a text its first characters.
            std::wstring sPart = st.eGenre == stValeur::DATE && nType == T_TIMEA ? s.substr(8) : s;
            size_t nMax = nType == T_DATEA ? 8 : 9;
            sPart = sPart.substr(0, nMax);
            char* psz = static_cast<char*>(pArea);
            memset(psz, 0, nMax + 1);
            for (size_t i = 0; i < sPart.size(); i++) psz[i] = static_cast<char>(sPart[i]);
            break;
        }
        case T_DATEW:
        case T_TIMEW: {
            size_t nMax = nType == T_DATEW ? 8 : 9;
            std::wstring sCoupe = s.substr(0, nMax);
            memset(pArea, 0, (nMax + 1) * sizeof(wchar_t));
            memcpy(pArea, sCoupe.c_str(), sCoupe.size() * sizeof(wchar_t));
            break;
        }
        case T_DATETIME: {
            if (st.eGenre == stValeur::DATE) {
                ecrire(st.dwDate);
                memcpy(static_cast<unsigned char*>(pArea) + 4, &st.nMs, 4);
                break;
            }
            // "AAAAMMJJ" followed by at most "HHMMSSmmm".
            unsigned a = 0, m = 0, j = 0, h = 0, mi = 0, se = 0, ms = 0;
            if (st.eGenre != stValeur::TEXTE || st.s.size() < 8 ||
                swscanf(st.s.c_str(), L"%4u%2u%2u%2u%2u%2u%3u", &a, &m, &j, &h, &mi, &se, &ms) < 3)
                return ERR_NOT_CONVERTIBLE;
            uint32_t dw[2] = {a << 16 | m << 8 | j, ((h * 60 + mi) * 60 + se) * 1000 + ms};
            memcpy(pArea, dw, 8);
            break;
        }
        default:
            return ERR_NOT_CONVERTIBLE;
    }
    return 0;
}

// ---------------------------------------------------------------------------- recording
int nAnswerOf(std::string_view sNom) {
    if (g_mapAnswer.empty()) return -1;
    auto it = g_mapAnswer.find(sNom);
    return it != g_mapAnswer.end() ? it->second : -1;
}

// Records a call; answers the forced code (-1 when none).
int nRecord(stVMCall st) {
    std::lock_guard lock(g_mutexVM);
    int nForce = nAnswerOf(st.sNom);
    if (g_bRecordCalls && bCallRecording()) g_tabVMCalls.push_back(std::move(st));
    return nForce;
}

// Final code: the forced one when it is a success code, else the rule's.
int nFinal(int nForce, int nRegle) {
    return nForce >= 0 && nRegle == 0 ? nForce : nRegle;
}

int nCompareValeurs(const stValeur& a, const stValeur& b, int* pnCmp) {
    if (a.bNombre() && b.bNombre()) {
        if (a.eGenre == stValeur::ENTIER && b.eGenre == stValeur::ENTIER)
            *pnCmp = a.n < b.n ? -1 : a.n > b.n;
        else
            *pnCmp = a.dNombre() < b.dNombre() ? -1 : a.dNombre() > b.dNombre();
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

// A call of an operator as the library made it, with its operands as the stand-in read them.
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
    int nForce = nRecord(stAppelOperateur(pszNom, pA, nTypeA, pB, nTypeB, pnResult, dwFlags, pReserved, a, b));
    if (nForce > 99) return nForce;
    int nErreur = 0;
    int nResult = fn(a, b, &nErreur);
    {
        std::lock_guard lock(g_mutexVM);
        auto it = g_mapCompareResult.find(pszNom);
        if (it != g_mapCompareResult.end()) {
            nResult = it->second;
            nErreur = 0;
        }
    }
    if (nErreur != 0) return nErreur;
    *pnResult = nResult;
    return nFinal(nForce, 0);
}

int nCalculeArithmetique(const char* pszNom, const void* pA, unsigned short nTypeA, const void* pB,
                         unsigned short nTypeB, void* pResult, unsigned short* pnTypeResult, unsigned dwFlags,
                         void* pReserved, char cOperation) {
    stValeur a = stLire(pA, nTypeA), b = stLire(pB, nTypeB);
    int nForce = nRecord(stAppelOperateur(pszNom, pA, nTypeA, pB, nTypeB, pResult, dwFlags, pReserved, a, b));
    if (nForce > 99) return nForce;
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
        nTypeResult = T_R8;
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
        else if ((nTypeA & 0xFF) == T_DECIMAL || (nTypeB & 0xFF) == T_DECIMAL)
            nTypeResult = T_DECIMAL;
        else
            nTypeResult = bPetit(nTypeA) && bPetit(nTypeB) ? T_I4 : T_I8;
    }
    if (pB == nullptr && r.eGenre == stValeur::REEL) nTypeResult = nTypeA & 0xFF;
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

// ---------------------------------------------------------------------------- control
void ResetVM() {
    std::lock_guard lock(g_mutexVM);
    g_tabVMCalls.clear();
    g_mapAnswer.clear();
    g_mapCompareResult.clear();
    g_tabPrecisions.clear();
}

void SetVMRecording(bool bOn) {
    std::lock_guard lock(g_mutexVM);
    g_bRecordCalls = bOn;
}

std::vector<stVMCall> GetVMCalls() {
    std::lock_guard lock(g_mutexVM);
    return g_tabVMCalls;
}

int nGetVMCalls(const std::string& sNom) {
    std::lock_guard lock(g_mutexVM);
    int n = 0;
    for (const auto& st : g_tabVMCalls) n += st.sNom == sNom;
    return n;
}

void SetVMAnswer(const std::string& sNom, int nCode) {
    std::lock_guard lock(g_mutexVM);
    if (nCode < 0)
        g_mapAnswer.erase(sNom);
    else
        g_mapAnswer[sNom] = nCode;
}

void SetVMCompareResult(const std::string& sNom, int nResult) {
    std::lock_guard lock(g_mutexVM);
    g_mapCompareResult[sNom] = nResult;
}

IDecimalFactoryVQ* piGetDecimalFactory() {
    return &g_clDecimalFactory;
}

long nGetLiveDecimals() {
    std::lock_guard lock(g_mutexVM);
    return static_cast<long>(g_setLiveDecimals.size());
}

IDecimalVQ* piNewDecimal(long nValeur) {
    auto* pcl = static_cast<CStandInDecimal*>(g_clDecimalFactory.vpiNewDecimal(nullptr));
    pcl->m_nValeur = nValeur;
    return pcl;
}

long nGetDecimalValue(const IDecimalVQ* piDecimal) {
    return static_cast<const CStandInDecimal*>(piDecimal)->m_nValeur;
}

std::pair<int, int> GetDecimalPrecision(const IDecimalVQ* piDecimal) {
    auto* pcl = static_cast<const CStandInDecimal*>(piDecimal);
    return {pcl->m_nDigits, pcl->m_nDecimals};
}

std::vector<std::pair<int, int>> GetDecimalPrecisionCalls() {
    std::lock_guard lock(g_mutexVM);
    return g_tabPrecisions;
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
    stValeur st = stLire(pSource, nTypeSource);
    int nForce;
    if (g_bRecordCalls && bCallRecording()) {
        stVMCall stCall;
        stCall.sNom = "nConversionDepassementExt";
        stCall.pA = pSource;
        stCall.nTypeA = nTypeSource;
        stCall.pB = pDestination;
        stCall.nTypeB = nTypeDestination;
        stCall.dwFlags = dwFlags;
        stCall.pstCaw = pstCaw;
        stCall.sA = st.sTexte();
        nForce = nRecord(std::move(stCall));
    } else {
        // Nothing to record (a measurement): only the forced answer, without building the record.
        std::lock_guard lock(g_mutexVM);
        nForce = nAnswerOf("nConversionDepassementExt");
    }
    if (nForce > 99) return nForce;
    int nRegle = nEcrire(pDestination, nTypeDestination, st);
    if (nRegle == 0 && (nTypeDestination == T_DECIMAL || nTypeDestination == T_PSTRW || nTypeDestination == T_PSTRA))
        g_nLiveConversionResults++;
    return nFinal(nForce, nRegle);
}

STANDIN_API void FinConversion(void* pDestination, unsigned short nType) {
    stVMCall stCall;
    stCall.sNom = "FinConversion";
    stCall.pB = pDestination;
    stCall.nTypeB = nType;
    nRecord(stCall);
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
    stVMCall stCall;
    stCall.sNom = "pQueryProxy";
    stCall.nProxy = nProxy;
    nRecord(stCall);
    return nProxy == DECIMALVQ_PROXY ? static_cast<IDecimalFactoryVQ*>(&g_clDecimalFactory) : nullptr;
}

// Bound by the library but not called by it: they only record.
#define STANDIN_VM_UNUSED(nom) \
    STANDIN_API int nom() {    \
        stVMCall stCall;       \
        stCall.sNom = #nom;    \
        nRecord(stCall);       \
        return 0;              \
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
