// Value converter, the server's side: a field's text (or wide text) into the value, by the value's
// language type, and the date and time texts PostgreSQL writes, read by their structure.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

#include "core/TString.h"
#include "core/UnicodeToolkit.h"
#include "core/XYString.h"
#include "core/platformwin/WinCodePage.h"
#include "native/model/DriverServices.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAConvertVariantTypes.h"
#include "native/model/NAKeptServerText.h"
#include "native/model/ServerNumberText.h"
#include "native/model/ServerUTF8Text.h"
#include "variant/DateTime.h"

namespace {

constexpr unsigned CP_UTF8_SERVEUR = 65001;
constexpr unsigned CP_DATES = 1252;
// The longest text widened on the stack on its way into a value.
constexpr unsigned long TEXTE_COURT = 256;
// A binary slot's count is 16 bits.
constexpr unsigned long MAX_COMPTE_BINAIRE = 0xFFFF;

// A UTF-8 server's short ASCII text (a memo's, at every row) made the wide shared string of the
// value area pbyValeur: widened straight into a new buffer of the size the general road would
// allocate, which the area then holds in place of its old string, without the temporary string,
// its second copy and the reference it lends. The old string is always shared at that point in a
// browse (the original record's copy still holds it), so reusing it would save nothing. False,
// the area untouched, for any other text (its buffer given back: a text found not to be ASCII
// costs that round trip before the general road) or when the host gives no buffer.
bool _bPrendASCIILarge(unsigned char* pbyValeur, const char* psz, unsigned long n) {
    if (n == 0 || n > TEXTE_COURT) return false;
    const int nOctets = static_cast<int>(n * sizeof(wchar_t));
    unsigned char* pbyNouveau = nullptr;
    if (CBaseStrMem::s_nAllocStrMem(&pbyNouveau, static_cast<uint64_t>(nOctets) + sizeof(wchar_t), 0) != STRMEM_OK)
        return false;
    if (!NA_bServerASCIIToWide(psz, n, reinterpret_cast<wchar_t*>(pbyNouveau))) {
        CBaseStrMem::s_ReleaseStrMem(pbyNouveau);
        return false;
    }
    CBaseStrMem::s_pstGetHeader(pbyNouveau)->nLength = nOctets;
    CBaseStrMem::s_SetTerminator(pbyNouveau, nOctets);
    unsigned char* pbyAncien;
    memcpy(&pbyAncien, pbyValeur, sizeof(pbyAncien));
    memcpy(pbyValeur, &pbyNouveau, sizeof(pbyNouveau));
    CBaseStrMem::s_ReleaseStrMem(pbyAncien);
    return true;
}

// A date or time text as the server may write it, taken apart. The parts are digit texts: the
// date YYYYMMDD, the time HHMMSS and the milliseconds mmm (missing digits are '0').
struct stDateTexte {
    bool bDate = false;
    bool bHeure = false;
    char szDate[9] = "00000000";
    char szHeure[7] = "000000";
    char szMilli[4] = "000";
};

bool bChiffres(const char* psz, int n) {
    for (int i = 0; i < n; i++)
        if (psz[i] < '0' || psz[i] > '9') return false;
    return true;
}

// HH:MM:SS or HH:MM at psz (n characters available); the characters read, 0 when it is none.
int nLitHeure(const char* psz, int n, stDateTexte* pst) {
    if (n < 5 || !bChiffres(psz, 2) || psz[2] != ':' || !bChiffres(psz + 3, 2)) return 0;
    memcpy(pst->szHeure, psz, 2);
    memcpy(pst->szHeure + 2, psz + 3, 2);
    pst->bHeure = true;
    if (n < 8 || psz[5] != ':' || !bChiffres(psz + 6, 2)) return 5;
    memcpy(pst->szHeure + 4, psz + 6, 2);
    int nLu = 8;
    if (nLu < n && psz[nLu] == '.') {
        int nChiffres = 0;
        while (nLu + 1 + nChiffres < n && psz[nLu + 1 + nChiffres] >= '0' && psz[nLu + 1 + nChiffres] <= '9')
            nChiffres++;
        if (nChiffres < 1 || nChiffres > 6) return 0;
        memcpy(pst->szMilli, psz + nLu + 1, nChiffres < 3 ? nChiffres : 3);
        nLu += 1 + nChiffres;
    }
    return nLu;
}

// A time zone suffix: +HH, -HH, +HH:MM, +HHMM, +HH:MM:SS. True when the whole rest is one.
bool bFuseau(const char* psz, int n) {
    if (n == 0) return true;
    if (psz[0] != '+' && psz[0] != '-') return false;
    psz++;
    n--;
    if (n < 2 || !bChiffres(psz, 2)) return false;
    psz += 2;
    n -= 2;
    while (n > 0) {
        if (psz[0] == ':') {
            psz++;
            n--;
        }
        if (n < 2 || !bChiffres(psz, 2)) return false;
        psz += 2;
        n -= 2;
    }
    return true;
}

// The compact layouts (HHMM, HHMMSS, YYYYMMDD, YYYYMMDDHHMMSS, YYYYMMDD HH:MM:SS) by their length,
// then the ISO ones by structure: an optional YYYY-MM-DD, an optional HH:MM[:SS[.f]] (f of 1 to 6
// digits) after a blank, and an optional zone suffix, which is skipped. False when the text is
// none of them (infinity, BC dates, years of five digits...).
bool bLitDateTexte(const char* psz, int n, stDateTexte* pst) {
    // The compact layouts hold digits only (a word such as "infinity" is none of them).
    switch (n) {
        case 4:
            if (!bChiffres(psz, 4)) break;
            memcpy(pst->szHeure, psz, 4);
            pst->bHeure = true;
            return true;
        case 6:
            if (!bChiffres(psz, 6)) break;
            memcpy(pst->szHeure, psz, 6);
            pst->bHeure = true;
            return true;
        case 8:
            if (psz[2] == ':') return nLitHeure(psz, n, pst) == 8;
            if (!bChiffres(psz, 8)) break;
            memcpy(pst->szDate, psz, 8);
            pst->bDate = true;
            return true;
        case 14:
            if (!bChiffres(psz, 14)) break;
            memcpy(pst->szDate, psz, 8);
            memcpy(pst->szHeure, psz + 8, 6);
            pst->bDate = pst->bHeure = true;
            return true;
        case 17:
            if (psz[8] != ' ' || !bChiffres(psz, 8)) break;
            memcpy(pst->szDate, psz, 8);
            pst->bDate = true;
            return nLitHeure(psz + 9, 8, pst) == 8;
        default:
            break;
    }
    int nLu = 0;
    if (n >= 10 && psz[4] == '-' && psz[7] == '-' && bChiffres(psz, 4) && bChiffres(psz + 5, 2) &&
        bChiffres(psz + 8, 2)) {
        memcpy(pst->szDate, psz, 4);
        memcpy(pst->szDate + 4, psz + 5, 2);
        memcpy(pst->szDate + 6, psz + 8, 2);
        pst->bDate = true;
        nLu = 10;
        if (nLu == n) return true;
        if (psz[nLu] != ' ' && psz[nLu] != 'T') return bFuseau(psz + nLu, n - nLu);
        nLu++;
    }
    const int nHeure = nLitHeure(psz + nLu, n - nLu, pst);
    if (nHeure == 0) return false;
    nLu += nHeure;
    return bFuseau(psz + nLu, n - nLu);
}

// The server writes a number in ASCII, which reads as itself in every client encoding: widened
// byte by byte into a buffer of the caller, a number of every row needs no allocation. False when
// the text does not fit or is not plain ASCII (the caller converts it then).
bool bNombreLarge(const char* psz, unsigned long n, wchar_t* pszOut, unsigned long nPlace) {
    if (n >= nPlace || !bToutASCII(psz, static_cast<long>(n))) return false;
    for (unsigned long i = 0; i < n; i++) pszOut[i] = static_cast<unsigned char>(psz[i]);
    pszOut[n] = 0;
    return true;
}

int nNombre(const char* psz, int n) {
    int v = 0;
    for (int i = 0; i < n; i++) v = v * 10 + (psz[i] - '0');
    return v;
}

inline int nDeuxChiffres(const char* psz) {
    return (psz[0] - '0') * 10 + (psz[1] - '0');
}

// A text of eight characters as the word it loads into (the first character in the low byte), and
// the mask of its characters that are c.
static_assert(std::endian::native == std::endian::little);
constexpr uint64_t nMot(const char (&sz)[9]) {
    uint64_t w = 0;
    for (int i = 7; i >= 0; i--) w = w << 8 | static_cast<unsigned char>(sz[i]);
    return w;
}
constexpr uint64_t nMasque(const char (&sz)[9], char c) {
    uint64_t w = 0;
    for (int i = 7; i >= 0; i--) w = w << 8 | (sz[i] == c ? 0xFFu : 0u);
    return w;
}

// The bytes of the word w that differ from the layout sz: a separator that is not the layout's, or
// a digit place ('0' in sz) holding no digit. Each character made its difference from the layout,
// a digit place holds a digit exactly when its difference has no high half, neither alone nor
// with 6 added (a byte that carries into the next one is itself wrong).
constexpr uint64_t HAUTS = 0xF0F0F0F0F0F0F0F0ULL;
template <uint64_t MOT, uint64_t CHIFFRES, uint64_t SEPARATEURS>
inline uint64_t nEcarts(uint64_t w) {
    const uint64_t x = w ^ MOT;
    return (x & SEPARATEURS) | ((x | (x + (0x0606060606060606ULL & CHIFFRES))) & HAUTS & CHIFFRES);
}

// The text the server writes for a date-time without a zone, "YYYY-MM-DD HH:MM:SS" ('T' may stand
// for the blank) with a fraction of 1 to 6 digits or none, read in one pass into the host's date
// and milliseconds as the general reading gives them (the first three digits of the fraction).
// False for any other text, which the general reading then takes.
bool bDateHeureServeur(const char* psz, unsigned long n, uint32_t* pdwDate, uint32_t* pdwTime) {
    if (n < 19 || n == 20 || n > 26) return false;
    // Three words: "YYYY-MM-", "DD HH:MM" and "HH:MM:SS" (the hour and the minutes a second time,
    // whose places the second word checks).
    uint64_t a, b, c;
    memcpy(&a, psz, 8);
    memcpy(&b, psz + 8, 8);
    memcpy(&c, psz + 11, 8);
    // A 'T' for the blank is read as the blank.
    if (static_cast<unsigned char>(b >> 16) == 'T') b ^= static_cast<uint64_t>('T' ^ ' ') << 16;
    constexpr uint64_t MOT_A = nMot("0000-00-"), MOT_B = nMot("00 00:00"), MOT_C = nMot("00:00:00");
    if ((nEcarts<MOT_A, nMasque("0000-00-", '0'), nMasque("0000-00-", '-')>(a) |
         nEcarts<MOT_B, nMasque("00 00:00", '0'), ~nMasque("00 00:00", '0')>(b) |
         nEcarts<MOT_C, 0xFFFF000000000000ULL, 0x0000FF0000000000ULL>(c)) != 0)
        return false;
    unsigned nMilli = 0;
    if (n > 19) {
        if (psz[19] != '.' || !bChiffres(psz + 20, static_cast<int>(n) - 20)) return false;
        const auto* p = reinterpret_cast<const unsigned char*>(psz);
        for (unsigned long k = 20; k < 23; k++) nMilli = nMilli * 10 + (k < n ? p[k] - 48u : 0);
    }
    // The digits' values, each byte then made ten times its own plus the next one's (at most 99:
    // none spills into another).
    const uint64_t xa = a ^ MOT_A, xb = b ^ MOT_B, xc = c ^ MOT_C;
    const uint64_t pa = xa * 10 + (xa >> 8);
    const uint64_t pb = xb * 10 + (xb >> 8);
    const uint64_t pc = xc * 10 + (xc >> 8);
    const uint32_t nAnnee = static_cast<uint32_t>(pa & 0xFF) * 100 + static_cast<uint32_t>((pa >> 16) & 0xFF);
    const uint32_t nMois = static_cast<uint32_t>((pa >> 40) & 0xFF);
    const uint32_t nJour = static_cast<uint32_t>(pb & 0xFF);
    const uint32_t nHeure = static_cast<uint32_t>((pb >> 24) & 0xFF);
    const uint32_t nMinute = static_cast<uint32_t>((pb >> 48) & 0xFF);
    const uint32_t nSeconde = static_cast<uint32_t>((pc >> 48) & 0xFF);
    *pdwDate = nAnnee << 16 | nMois << 8 | nJour;
    *pdwTime = ((nHeure * 60 + nMinute) * 60 + nSeconde) * 1000 + nMilli;
    return true;
}

}  // namespace

// ------------------------------------------------------------------------------------------------
// Server text
// ------------------------------------------------------------------------------------------------

int CNAConvertVariant::bSetValueDB(const char* psz, unsigned long n, unsigned nCodePage) {
    if (m_eStorageDB == NASTORAGEDB_NONE && !bInitBufferDB()) return 0;
    if (n == 0) return bSetValue(static_cast<const unsigned char*>(nullptr), 0);
    _DebutSetter();
    const unsigned short nType = m_clValue.nGetTypeCode();
    if (NA_bVQTextDB(nType)) return _bSetValue(psz, n, nCodePage);
    switch (nType) {
        case VQTYPE_BOOL:
            if (m_pbyBuffer != nullptr) m_pbyBuffer[0] = s_bTextToBool(psz) ? 1 : 0;
            return 1;
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
        case 12:
        case 14: {
            if (m_pbyBuffer == nullptr) return 1;
            // The server's integers, amounts and reals need none of the host's rules.
            if (nType <= 9 && NA_bServerIntegerToStorage(psz, n, nType, m_pbyBuffer, m_nCapacity)) return 1;
            if (nType == VQTYPE_CY && NA_bServerMoneyToStorage(psz, n, m_pbyBuffer, m_nCapacity)) return 1;
            if ((nType == VQTYPE_R4 || nType == VQTYPE_R8) &&
                NA_bServerRealToStorage(psz, n, nType, m_pbyBuffer, m_nCapacity))
                return 1;
            return _bSetNumberByHost(psz, n, nCodePage, nType);
        }
        case VQTYPE_DATEW:
        case VQTYPE_TIMEW:
        case VQTYPE_DATETIME:
        case VQTYPE_DATEA:
        case VQTYPE_TIMEA:
            return _bSetValueDB_AndConvertToDate(psz, n, nCodePage);
        case VQTYPE_BIN:
            if (m_eVarType >= NAVARTYPE_BUFFER) {
                if (m_pbyBuffer == nullptr || m_nCapacity < 2) return 1;
                unsigned long m = n < m_nCapacity - 2 ? n : m_nCapacity - 2;
                if (m > MAX_COMPTE_BINAIRE) m = MAX_COMPTE_BINAIRE;
                const uint16_t w = static_cast<uint16_t>(m);
                memcpy(m_pbyBuffer, &w, 2);
                memcpy(m_pbyBuffer + 2, psz, m);
                memset(m_pbyBuffer + 2 + m, 0, m_nCapacity - 2 - m);
                m_nDataSize = m + 2;
            } else {
                m_clValue.SetBIN(reinterpret_cast<const unsigned char*>(psz), n);
            }
            return 1;
        default:
            return _bSetValueByText(psz, n);
    }
}

[[gnu::noinline]] int CNAConvertVariant::_bSetNumberByHost(const char* psz, unsigned long n, unsigned nCodePage,
                                                           unsigned short nType) {
    wchar_t szCourt[64];
    CXYString<wchar_t> cl;
    const wchar_t* pszNombre = szCourt;
    if (!bNombreLarge(psz, n, szCourt, 64)) {
        cl.nAffecteConversionExplicite(psz, static_cast<int>(n), static_cast<int>(nCodePage));
        pszNombre = cl.pszGet();
    }
    // A number the host cannot read is no value of the row: it is reported, and the value is left
    // NULL rather than holding what an earlier row left in the storage.
    if (CAny::__s_nCastTo(m_pbyBuffer, pszNombre, nType, nullptr) > VQERR_DERNIER_SUCCES_HOTE) {
        memset(m_pbyBuffer, 0, m_nCapacity);
        SetNull();
        _SetErrorConversionFailed(VQTYPE_PSTRW, pszNombre, 12, 4);
        return 0;
    }
    return 1;
}

[[gnu::noinline]] int CNAConvertVariant::_bSetValueByText(const char* psz, unsigned long n) {
    CAny clTexte;
    clTexte.__SetType(VQTYPE_PSTRA, 0);
    clTexte.pclGetValeur()->SetValueFromANSI(psz, n);
    clTexte.ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    return bSetValue(&clTexte);
}

int CNAConvertVariant::_bSetValue(const char* psz, unsigned long n, unsigned nCodePage) {
    const unsigned short nType = m_clValue.nGetTypeCode();
    const bool bNarrow = NA_bVQNarrow(nType);
    // The connection's code page matters to 8-bit texts alone.
    const unsigned nCnxCodePage = bNarrow ? NA_nGetCodePage(m_pclConnection) : 0;
    const bool bUTF8 = bNarrow && nCodePage == CP_UTF8_SERVEUR && nCnxCodePage != CP_UTF8_SERVEUR;
    if (m_eVarType == NAVARTYPE_ANY || m_eVarType == NAVARTYPE_UNREAD) {
        if (!bNarrow) {
            // A memo's text at every row: a shared wide string left without flags already holds
            // its class, and only its buffer changes.
            if (nCodePage == CP_UTF8_SERVEUR && m_clValue.nGetType() == VQTYPE_DSTRW &&
                _bPrendASCIILarge(m_clValue.pbyGetValeur(), psz, n)) {
                _EffaceDrapeaux();
                return 1;
            }
            CXYString<wchar_t> cl;
            // A UTF-8 server's short ASCII text (a memo's, at every row) is widened in one pass and
            // taken in one copy; any other goes through its code page.
            wchar_t aszCourt[TEXTE_COURT];
            if (nCodePage != CP_UTF8_SERVEUR || n == 0 || n > TEXTE_COURT || !NA_bServerASCIIToWide(psz, n, aszCourt) ||
                cl.__nNew(static_cast<int>(n) + 1, aszCourt, static_cast<int>(n), 0) != STRMEM_OK)
                cl.nAffecteConversionExplicite(psz, static_cast<int>(n), static_cast<int>(nCodePage));
            if (nType == VQTYPE_DSTRW) {
                m_clValue.__SetType(VQTYPE_DSTRW, 0);
                m_clValue.pclGetValeur()->SetValue(&cl);
            } else {
                m_clValue.pclGetValeur()->SetValue(cl.pszGet(), static_cast<unsigned long>(cl.nGetTailleOctet()));
            }
        } else if (bUTF8) {
            CXYString<char> cl;
            cl.nAffecteUTF8(psz, static_cast<int>(n), static_cast<int>(nCnxCodePage), 0, nullptr, nullptr);
            if (nType == VQTYPE_DSTRA) {
                m_clValue.__SetType(VQTYPE_DSTRA, 0);
                m_clValue.pclGetValeur()->SetValue(&cl);
            } else {
                m_clValue.pclGetValeur()->SetValueFromANSI(cl.pszGet(),
                                                           static_cast<unsigned long>(cl.nGetTailleOctet()));
            }
        } else {
            m_clValue.pclGetValeur()->SetValueFromANSI(psz, n);
        }
        _EffaceDrapeaux();
        return 1;
    }
    if (m_pbyBuffer == nullptr) return 1;
    if (n == 0) {
        memset(m_pbyBuffer, 0, m_nCapacity);
        return 1;
    }
    if (!bNarrow) {
        const int nRoom = m_nCapacity >= 2 ? static_cast<int>(m_nCapacity / 2) - 1 : 0;
        int nUnites = 0;
        // A UTF-8 server's text decoded straight into the slot; damaged text takes the road below.
        if (nRoom > 0 && nCodePage == CP_UTF8_SERVEUR &&
            (nUnites = NA_nServerUTF8ToUTF16(psz, n, m_pbyBuffer, nRoom)) >= 0) {
            m_nDataSize = static_cast<unsigned long>(nUnites) * 2;
            memset(m_pbyBuffer + m_nDataSize, 0, m_nCapacity - m_nDataSize);
            return 1;
        }
        nUnites = 0;
        if (nRoom > 0) {
            // The units go through an aligned buffer (the storage may lie at any byte); a short
            // column's on the stack, as most are, rather than an allocation a value.
            unsigned short awCourt[256];
            unsigned short* pw =
                nRoom <= 256 ? awCourt : static_cast<unsigned short*>(malloc(static_cast<size_t>(nRoom) * 2));
            if (pw != nullptr) {
                // A text that does not fit keeps the units that do.
                nUnites = MultiByteToUTF16(nCodePage, 0, psz, static_cast<int>(n), pw, nRoom);
                memcpy(m_pbyBuffer, pw, static_cast<size_t>(nUnites) * 2);
                if (pw != awCourt) free(pw);
            }
        }
        m_nDataSize = static_cast<unsigned long>(nUnites) * 2;
        memset(m_pbyBuffer + m_nDataSize, 0, m_nCapacity - m_nDataSize);
        return 1;
    }
    if (nType == VQTYPE_CARA && bUTF8) {
        // One character, in one byte with no terminator: its UTF-8 bytes converted whole.
        if (m_nCapacity < 1) return 1;
        char szCaractere[8] = {};
        const unsigned long nEcrit =
            UTF8ToMultiByte(nCnxCodePage, psz, n, szCaractere, sizeof(szCaractere) - 1, 0, nullptr, nullptr);
        m_pbyBuffer[0] = nEcrit > 0 ? static_cast<unsigned char>(szCaractere[0]) : 0;
        m_nDataSize = 1;
        return 1;
    }
    if (bUTF8) {
        // Converted into all but the last byte, so that the text always ends with its zero.
        if (m_nCapacity < 1) return 1;
        const unsigned long nEcrit = UTF8ToMultiByte(nCnxCodePage, psz, n, reinterpret_cast<char*>(m_pbyBuffer),
                                                     m_nCapacity - 1, 0, nullptr, nullptr);
        m_pbyBuffer[m_nCapacity - 1] = 0;
        m_nDataSize = nEcrit;
        return 1;
    }
    if (nType == VQTYPE_CARA) {
        m_nDataSize = 1;
        m_pbyBuffer[0] = static_cast<unsigned char>(psz[0]);
        return 1;
    }
    if (m_nCapacity < 1) return 1;
    const unsigned long m = n < m_nCapacity - 1 ? n : m_nCapacity - 1;
    memcpy(m_pbyBuffer, psz, m);
    memset(m_pbyBuffer + m, 0, m_nCapacity - m);
    m_nDataSize = m;
    return 1;
}

int CNAConvertVariant::_bSetValueDB_AndConvertToDate(const char* psz, unsigned long n, unsigned) {
    if (m_pbyBuffer == nullptr) return 1;
    memset(m_pbyBuffer, 0, m_nCapacity);
    const eNA_ITEMTYPE eAnalyse = eNAGetItemTypeAnalyse();
    if (eAnalyse == NA_IT_DATETIME) {
        // A timestamp column's every value takes this road.
        CDateTime clDate;
        if (bDateHeureServeur(psz, n, &clDate.m_dwDate, &clDate.m_dwTime)) {
            memcpy(m_pbyBuffer, &clDate, m_nCapacity < sizeof(clDate) ? m_nCapacity : sizeof(clDate));
            return 1;
        }
    }
    stDateTexte st;
    if (n > 64 || !bLitDateTexte(psz, static_cast<int>(n), &st)) return 1;
    switch (eAnalyse) {
        case NA_IT_DATE8: {
            if (!st.bDate) return 1;
            const unsigned long nMax = m_nCapacity > 0 ? m_nCapacity - 1 : 0;
            memcpy(m_pbyBuffer, st.szDate, nMax < 8 ? nMax : 8);
            return 1;
        }
        case NA_IT_DATETIME: {
            CDateTime clDate;
            clDate.InitDate();
            if (st.bDate)
                clDate.m_dwDate = static_cast<uint32_t>(nNombre(st.szDate, 4)) << 16 |
                                  static_cast<uint32_t>(nNombre(st.szDate + 4, 2)) << 8 |
                                  static_cast<uint32_t>(nNombre(st.szDate + 6, 2));
            if (st.bHeure)
                clDate.m_dwTime = static_cast<uint32_t>(
                    ((nNombre(st.szHeure, 2) * 60 + nNombre(st.szHeure + 2, 2)) * 60 + nNombre(st.szHeure + 4, 2)) *
                        1000 +
                    nNombre(st.szMilli, 3));
            memcpy(m_pbyBuffer, &clDate, m_nCapacity < sizeof(clDate) ? m_nCapacity : sizeof(clDate));
            return 1;
        }
        case NA_IT_HEURE: {
            if (!st.bHeure && !st.bDate) return 1;
            char szTexte[10];
            memcpy(szTexte, st.szHeure, 6);
            memcpy(szTexte + 6, st.szMilli, 3);
            if (!st.bHeure) memset(szTexte, '0', 9);
            // Hours and minutes always; each later character only where one more byte is left
            // after it, so a 9-byte slot takes HHMMSSmm and a 10-byte slot all nine.
            for (unsigned long k = 0; k < 9; k++) {
                if (k >= 4 && !(m_nCapacity > k + 1)) break;
                if (k >= m_nCapacity) break;
                m_pbyBuffer[k] = static_cast<unsigned char>(szTexte[k]);
            }
            return 1;
        }
        default:
            return 1;
    }
}

int CNAConvertVariant::bSetValueDBKeepText(const char* psz, unsigned long n, unsigned nCodePage,
                                           const char* pszServer, unsigned long nServer) {
    // The road of bSetValueDB for a date-time slot with its item's type, then KeepServerText's for
    // the same slot: the eight bytes written and kept as they are.
    if (m_eStorageDB != NASTORAGEDB_NONE && n != 0 &&
        (m_eVarType == NAVARTYPE_BUFFER || m_eVarType == NAVARTYPE_OWNBUFFER) && m_pbyBuffer != nullptr &&
        m_nCapacity >= sizeof(CDateTime) && m_clValue.nGetTypeCode() == VQTYPE_DATETIME &&
        eNAGetItemTypeAnalyse() == NA_IT_DATETIME) {
        CDateTime clDate;
        if (bDateHeureServeur(psz, n, &clDate.m_dwDate, &clDate.m_dwTime)) {
            _DebutSetter();
            memcpy(m_pbyBuffer, &clDate, sizeof(clDate));
            if (m_nCapacity > sizeof(clDate)) memset(m_pbyBuffer + sizeof(clDate), 0, m_nCapacity - sizeof(clDate));
            if (m_pclKeptText == nullptr) m_pclKeptText = new (std::nothrow) CNAKeptServerText;
            if (m_pclKeptText != nullptr) m_pclKeptText->KeepEight(VQTYPE_DATETIME, m_pbyBuffer, pszServer, nServer);
            return 1;
        }
    }
    const int bSet = bSetValueDB(psz, n, nCodePage);
    if (bSet) KeepServerText(pszServer, nServer);
    return bSet;
}

int CNAConvertVariant::bSetValueFromDB(const wchar_t* psz, unsigned long n) {
    if (psz == nullptr) {
        SetNull();
        return 1;
    }
    _DebutSetter();
    const unsigned short nType = m_clValue.nGetTypeCode();
    const unsigned long nLen = n == static_cast<unsigned long>(-1) ? wcslen(psz) : n;
    switch (nType) {
        case VQTYPE_BOOL: {
            const bool b = s_bTextToBool(nLen > 0 ? psz : L"");
            if (m_eVarType == NAVARTYPE_ANY) {
                m_clValue.SetBOOL(b ? 1 : 0);
            } else if (m_pbyBuffer != nullptr) {
                m_pbyBuffer[0] = b ? 1 : 0;
            }
            return 1;
        }
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
        case 12:
        case 14: {
            CTString clTexte;
            clTexte.Set(psz, nLen);
            void* pDestination = m_eVarType == NAVARTYPE_ANY ? m_clValue.pbyGetValeur() : m_pbyBuffer;
            if (pDestination == nullptr) return 1;
            if (CAny::__s_nCastTo(pDestination, clTexte.pszGet(), nType, nullptr) > VQERR_DERNIER_SUCCES_HOTE) {
                if (pDestination == m_pbyBuffer) memset(m_pbyBuffer, 0, m_nCapacity);
                SetNull();
                _SetErrorConversionFailed(VQTYPE_PSTRW, clTexte.pszGet(), 12, 5);
                return 0;
            }
            return 1;
        }
        case VQTYPE_DSTRW:
        case 17:
        case 18:
        case 19:
        case 21:
        case 22:
        case 23:
        case VQTYPE_CARW:
        case VQTYPE_PSTRW:
            return bSetValue(psz, nLen);
        case VQTYPE_DATEW:
        case VQTYPE_TIMEW:
        case VQTYPE_DATETIME:
        case VQTYPE_DATEA:
        case VQTYPE_TIMEA: {
            if (nLen == 0) {
                if (m_pbyBuffer != nullptr) memset(m_pbyBuffer, 0, m_nCapacity);
                return 1;
            }
            CXYString<char> cl;
            cl.__nConversion(psz, static_cast<int>(nLen), 0, CP_DATES, 0, nullptr);
            return _bSetValueDB_AndConvertToDate(cl.pszGet(), static_cast<unsigned long>(cl.nGetTailleOctet()),
                                                 CP_DATES);
        }
        case VQTYPE_BIN: {
            CXYString<char> cl;
            cl.__nConversion(psz, static_cast<int>(nLen), 0, static_cast<int>(NA_nGetCodePage(m_pclConnection)), 0,
                             nullptr);
            return bSetValueDB(cl.pszGet(), static_cast<unsigned long>(cl.nGetTailleOctet()), 0);
        }
        default: {
            CAny clTexte;
            clTexte.__SetType(VQTYPE_PSTRW, 0);
            if (nLen > 0) clTexte.pclGetValeur()->SetValue(psz, nLen * sizeof(wchar_t));
            return bSetValue(&clTexte);
        }
    }
}
