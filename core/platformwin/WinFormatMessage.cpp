// The Windows FormatMessage emulations. FormatMessageWin runs the message-insert convention the
// library's message texts are written in ("%1", "%2!d!", "%n", a line width); FormatMessageW and
// FormatMessageA are plain dialect printf calls behind the FormatMessage signature. The message
// layer, the wide string class and the error object format every user message through them.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "core/platformwin/WinCodePage.h"
#include "core/platformwin/WinFormat.h"

namespace {

const int s_nErreurFormat = EINVAL;    // refused flags, malformed insert or escape
const int s_nErreurPlace = EOVERFLOW;  // the text does not fit
const int s_nErreurMemoire = static_cast<int>(KX_ERRNO_NO_MEMORY);
const unsigned s_nPasDeLargeur = 255;     // width byte: no breaking, source line breaks as spaces
const int s_nDernierArgument = 199;       // an insert number plus its '*' count may not pass it
const size_t s_nLongueurConversion = 29;  // "%1!...!" holds at most this many characters
const size_t s_nBlocMessage = 65536;      // allocated messages are worked out in multiples of this

// The output of the insert engine: the caller's buffer or the work block, its room in characters
// (terminator included), and where the current line starts for the line-width rule.
struct _stSortieMessage {
    wchar_t* m_pszTexte;
    size_t m_nPlace;
    unsigned m_nLargeur;
    size_t m_nLongueur = 0;
    size_t m_nDebutLigne = 0;
    size_t m_nColonne = 0;
};

bool _bBlanc(wchar_t c) {
    return c == L' ' || c == L'\t';
}

size_t _nColonneApres(size_t nColonne, wchar_t c) {
    return c == L'\t' ? (nColonne / 8 + 1) * 8 : nColonne + 1;
}

// The line has reached the width: break it at its last blank (the blanks there give way to CR LF
// and the rest of the line moves down), or at once when it has no blank after its first word.
int _nCoupeLigne(_stSortieMessage& stSortie) {
    wchar_t* p = stSortie.m_pszTexte;
    size_t nBlanc = stSortie.m_nLongueur;
    while (nBlanc > stSortie.m_nDebutLigne && !_bBlanc(p[nBlanc - 1])) nBlanc--;
    size_t nFin = nBlanc;  // one past the last blank
    size_t nDebut = nBlanc;
    while (nDebut > stSortie.m_nDebutLigne && _bBlanc(p[nDebut - 1])) nDebut--;

    if (nDebut == stSortie.m_nDebutLigne) {
        if (stSortie.m_nPlace - stSortie.m_nLongueur < 3) return s_nErreurPlace;
        p[stSortie.m_nLongueur++] = L'\r';
        p[stSortie.m_nLongueur++] = L'\n';
        stSortie.m_nDebutLigne = stSortie.m_nLongueur;
        stSortie.m_nColonne = 0;
        return 0;
    }
    size_t nReste = stSortie.m_nLongueur - nFin;
    size_t nNouvelleLongueur = nDebut + 2 + nReste;
    if (nNouvelleLongueur + 1 > stSortie.m_nPlace) return s_nErreurPlace;
    wmemmove(p + nDebut + 2, p + nFin, nReste);
    p[nDebut] = L'\r';
    p[nDebut + 1] = L'\n';
    stSortie.m_nLongueur = nNouvelleLongueur;
    stSortie.m_nDebutLigne = nDebut + 2;
    stSortie.m_nColonne = 0;
    for (size_t i = stSortie.m_nDebutLigne; i < stSortie.m_nLongueur; i++)
        stSortie.m_nColonne = _nColonneApres(stSortie.m_nColonne, p[i]);
    return 0;
}

// Every write keeps at least one character of room for the terminator.
int _nEcrit(_stSortieMessage& stSortie, wchar_t c) {
    if (stSortie.m_nPlace - stSortie.m_nLongueur < 2) return s_nErreurPlace;
    stSortie.m_pszTexte[stSortie.m_nLongueur++] = c;
    if (c == L'\r' || c == L'\n') {
        stSortie.m_nColonne = 0;
        stSortie.m_nDebutLigne = stSortie.m_nLongueur;
        return 0;
    }
    stSortie.m_nColonne = _nColonneApres(stSortie.m_nColonne, c);
    if (stSortie.m_nLargeur != 0 && stSortie.m_nLargeur != s_nPasDeLargeur &&
        stSortie.m_nColonne >= stSortie.m_nLargeur)
        return _nCoupeLigne(stSortie);
    return 0;
}

// The arguments of the inserts: 64-bit values from a va_list*, fetched in order once and kept, so
// that inserts may name them in any order; or an array of them.
struct _stArguments {
    va_list* m_pListe = nullptr;
    const uint64_t* m_pTableau = nullptr;
    uint64_t m_tabLus[s_nDernierArgument + 1];
    int m_nLus = 0;

    uint64_t nValeur(int nNumero) {
        if (m_pTableau != nullptr) return m_pTableau[nNumero - 1];
        while (m_nLus < nNumero) m_tabLus[m_nLus++] = va_arg(*m_pListe, uint64_t);
        return m_tabLus[nNumero - 1];
    }
};

// How an insert's value is handed to the printer, read from its conversion.
enum _eTypeInsert {
    eInsertEntier,
    eInsertEntierLong,
    eInsertNaturel,
    eInsertNaturelLong,
    eInsertPointeur,
    eInsertReel,
    eInsertReelLong,
    eInsertRefuse
};

_eTypeInsert _eTypeDeConversion(const wchar_t* pszConversion) {
    // A position ('$') or a second directive would make the printer read past the one value it is
    // given, and "%n" would write through it: refused.
    if (wcschr(pszConversion, L'$') != nullptr || wcschr(pszConversion, L'%') != nullptr) return eInsertRefuse;
    const wchar_t* p = pszConversion;
    while (*p != L'\0' && wcschr(L"-+ #0'", *p) != nullptr) p++;
    if (*p == L'*') {
        p++;
    } else {
        while (*p >= L'0' && *p <= L'9') p++;
    }
    if (*p == L'.') {
        p++;
        if (*p == L'*') {
            p++;
        } else {
            while (*p >= L'0' && *p <= L'9') p++;
        }
    }
    bool bLong = false;
    bool bReelLong = false;
    for (; *p != L'\0' && wcschr(L"hlLqjzt", *p) != nullptr; p++) {
        if (*p != L'h') bLong = true;
        if (*p == L'L') bReelLong = true;
    }
    switch (*p) {
        case L'd':
        case L'i':
            return bLong ? eInsertEntierLong : eInsertEntier;
        case L'o':
        case L'u':
        case L'x':
        case L'X':
        case L'c':
        case L'C':
            return bLong ? eInsertNaturelLong : eInsertNaturel;
        case L's':
        case L'S':
        case L'p':
            return eInsertPointeur;
        case L'e':
        case L'E':
        case L'f':
        case L'F':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            return bReelLong ? eInsertReelLong : eInsertReel;
        case L'n':
        case L'\0':
            return eInsertRefuse;
        default:
            return eInsertNaturelLong;
    }
}

template <class T>
int _nImprimeValeur(wchar_t* out, size_t n, const wchar_t* pszFormat, int nEtoiles, const int* tabEtoiles, T valeur) {
    switch (nEtoiles) {
        case 0:
            return sznwprintf(out, n, pszFormat, valeur);
        case 1:
            return sznwprintf(out, n, pszFormat, tabEtoiles[0], valeur);
        default:
            return sznwprintf(out, n, pszFormat, tabEtoiles[0], tabEtoiles[1], valeur);
    }
}

int _nImprimeInsert(wchar_t* out, size_t n, const wchar_t* pszFormat, _eTypeInsert eType, int nEtoiles,
                    const int* tabEtoiles, uint64_t nValeur) {
    switch (eType) {
        case eInsertEntier:
            return _nImprimeValeur(out, n, pszFormat, nEtoiles, tabEtoiles, static_cast<int>(nValeur));
        case eInsertEntierLong:
            return _nImprimeValeur(out, n, pszFormat, nEtoiles, tabEtoiles, static_cast<long long>(nValeur));
        case eInsertNaturel:
            return _nImprimeValeur(out, n, pszFormat, nEtoiles, tabEtoiles, static_cast<unsigned>(nValeur));
        case eInsertPointeur:
            return _nImprimeValeur(out, n, pszFormat, nEtoiles, tabEtoiles,
                                   reinterpret_cast<const void*>(static_cast<uintptr_t>(nValeur)));
        case eInsertReel:
        case eInsertReelLong: {
            // A 64-bit argument slot holds the bits of a double.
            double dValeur;
            memcpy(&dValeur, &nValeur, sizeof(dValeur));
            if (eType == eInsertReelLong)
                return _nImprimeValeur(out, n, pszFormat, nEtoiles, tabEtoiles, static_cast<long double>(dValeur));
            return _nImprimeValeur(out, n, pszFormat, nEtoiles, tabEtoiles, dValeur);
        }
        default:
            return _nImprimeValeur(out, n, pszFormat, nEtoiles, tabEtoiles, static_cast<unsigned long long>(nValeur));
    }
}

// Prints one insert with the dialect printer and writes it through the line-width rule.
int _nEcritInsert(_stSortieMessage& stSortie, const wchar_t* pszFormat, _eTypeInsert eType, int nEtoiles,
                  const int* tabEtoiles, uint64_t nValeur) {
    size_t nMax = stSortie.m_nPlace - stSortie.m_nLongueur - 1;  // characters that could still fit
    wchar_t tabLocal[256];
    wchar_t* pszTexte = tabLocal;
    size_t nTexte = nMax < 255 ? nMax : 255;
    int nLongueur = _nImprimeInsert(pszTexte, nTexte, pszFormat, eType, nEtoiles, tabEtoiles, nValeur);
    if (nLongueur < 0 && (errno == 0 || errno == E2BIG || errno == EOVERFLOW) && nMax > nTexte) {
        pszTexte = static_cast<wchar_t*>(malloc((nMax + 1) * sizeof(wchar_t)));
        if (pszTexte == nullptr) return s_nErreurMemoire;
        nLongueur = _nImprimeInsert(pszTexte, nMax, pszFormat, eType, nEtoiles, tabEtoiles, nValeur);
    }
    int nErreur = 0;
    if (nLongueur < 0) {
        // The printer leaves errno 0 when the text only lacked room.
        nErreur = errno == EILSEQ || errno == EINVAL || errno == ENOMEM ? errno : s_nErreurPlace;
    } else {
        for (int i = 0; i < nLongueur && nErreur == 0; i++) nErreur = _nEcrit(stSortie, pszTexte[i]);
    }
    if (pszTexte != tabLocal) free(pszTexte);
    return nErreur;
}

// The insert engine: reads the source once and writes the message into stSortie. Answers 0 or the
// errno of the failure; the output is terminated in every case (stSortie has room for it).
int _nFormateInserts(const wchar_t* pszSource, unsigned flags, va_list* args, _stSortieMessage& stSortie) {
    const bool bIgnoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
    _stArguments stArguments;
    if (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY)
        stArguments.m_pTableau = reinterpret_cast<const uint64_t*>(args);
    else
        stArguments.m_pListe = args;

    int nErreur = 0;
    const wchar_t* p = pszSource;
    while (*p != L'\0' && nErreur == 0) {
        wchar_t c = *p;
        if (c == L'\r' || c == L'\n') {
            // CR, LF, CR LF and LF CR are one line break of the source.
            p++;
            if (*p == (c == L'\r' ? L'\n' : L'\r')) p++;
            if (stSortie.m_nLargeur == 0) {
                nErreur = _nEcrit(stSortie, L'\r');
                if (nErreur == 0) nErreur = _nEcrit(stSortie, L'\n');
            } else {
                nErreur = _nEcrit(stSortie, L' ');
            }
            continue;
        }
        if (c != L'%') {
            nErreur = _nEcrit(stSortie, c);
            p++;
            continue;
        }
        const wchar_t* pDebutInsert = p++;
        c = *p;
        if (c == L'\0') {
            nErreur = s_nErreurFormat;
            break;
        }
        if (c == L'0') break;  // the message ends here, without a line break
        if (c < L'1' || c > L'9') {
            p++;
            switch (c) {
                case L'r':
                    nErreur = _nEcrit(stSortie, L'\r');
                    break;
                case L'n':
                    nErreur = _nEcrit(stSortie, L'\r');
                    if (nErreur == 0) nErreur = _nEcrit(stSortie, L'\n');
                    break;
                case L't':
                    nErreur = _nEcrit(stSortie, L'\t');
                    break;
                case L'b':
                    nErreur = _nEcrit(stSortie, L' ');
                    break;
                default:  // "%%", "%!", "%." ...: the character itself
                    nErreur = _nEcrit(stSortie, c);
                    break;
            }
            continue;
        }

        // An insert: one or two digits, then an optional "!conversion!".
        int nNumero = *p++ - L'0';
        if (*p >= L'0' && *p <= L'9') {
            nNumero = nNumero * 10 + (*p++ - L'0');
            if (*p >= L'0' && *p <= L'9') {
                nErreur = s_nErreurFormat;
                break;
            }
        }
        wchar_t szFormat[s_nLongueurConversion + 2] = L"%s";
        int nEtoiles = 0;
        if (*p == L'!') {
            const wchar_t* pFin = wcschr(p + 1, L'!');
            size_t nConversion = pFin != nullptr ? static_cast<size_t>(pFin - (p + 1)) : 0;
            if (pFin == nullptr || nConversion == 0 || nConversion > s_nLongueurConversion) {
                nErreur = s_nErreurFormat;
                break;
            }
            wmemcpy(szFormat + 1, p + 1, nConversion);
            szFormat[nConversion + 1] = L'\0';
            for (size_t i = 1; i <= nConversion; i++) nEtoiles += szFormat[i] == L'*';
            if (nEtoiles > 2) {
                nErreur = s_nErreurFormat;
                break;
            }
            p = pFin + 1;
        }
        if (bIgnoreInserts) {
            // Written back exactly as it stands, so that the text can be formatted later.
            for (const wchar_t* q = pDebutInsert; q < p && nErreur == 0; q++) nErreur = _nEcrit(stSortie, *q);
            continue;
        }
        _eTypeInsert eType = _eTypeDeConversion(szFormat + 1);
        if (args == nullptr || nNumero + nEtoiles > s_nDernierArgument || eType == eInsertRefuse) {
            nErreur = s_nErreurFormat;
            break;
        }
        int tabEtoiles[2] = {0, 0};
        for (int i = 0; i < nEtoiles; i++) tabEtoiles[i] = static_cast<int>(stArguments.nValeur(nNumero + i));
        uint64_t nValeur = stArguments.nValeur(nNumero + nEtoiles);
        nErreur = _nEcritInsert(stSortie, szFormat, eType, nEtoiles, tabEtoiles, nValeur);
    }
    stSortie.m_pszTexte[stSortie.m_nLongueur] = L'\0';
    return nErreur;
}

// FORMAT_MESSAGE_FROM_SYSTEM: the C library's text for an error number, from UTF-8.
unsigned _nTexteSysteme(unsigned flags, unsigned messageId, wchar_t* buffer, unsigned size) {
    int nErrno = messageId != 0 ? static_cast<int>(messageId) : errno;
    const char* pszTexte = strerror(nErrno);
    int nLarge = MultiByteToWideChar(CP_UTF8, 0, pszTexte, -1, nullptr, 0);  // terminator included
    if (nLarge <= 0) {
        errno = s_nErreurFormat;
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        wchar_t** ppszBloc = reinterpret_cast<wchar_t**>(buffer);
        size_t nOctets = strlen(pszTexte);
        size_t nPlace = (nOctets > size ? nOctets : size) + 1;
        wchar_t* pszBloc = static_cast<wchar_t*>(malloc(nPlace * sizeof(wchar_t)));
        *ppszBloc = pszBloc;
        if (pszBloc == nullptr) {
            errno = s_nErreurMemoire;
            return 0;
        }
        MultiByteToWideChar(CP_UTF8, 0, pszTexte, -1, pszBloc, static_cast<int>(nPlace));
        return static_cast<unsigned>(nLarge - 1);
    }
    if (size == 0) {
        errno = s_nErreurPlace;
        return 0;
    }
    if (static_cast<unsigned>(nLarge) > size) {
        // Too long for the caller's buffer: a terminated prefix, and the failure.
        wchar_t* pszTout = static_cast<wchar_t*>(malloc(static_cast<size_t>(nLarge) * sizeof(wchar_t)));
        if (pszTout != nullptr) {
            MultiByteToWideChar(CP_UTF8, 0, pszTexte, -1, pszTout, nLarge);
            wmemcpy(buffer, pszTout, size - 1);
            free(pszTout);
        }
        buffer[pszTout != nullptr ? size - 1 : 0] = L'\0';
        errno = s_nErreurPlace;
        return 0;
    }
    MultiByteToWideChar(CP_UTF8, 0, pszTexte, -1, buffer, static_cast<int>(size));
    return static_cast<unsigned>(nLarge - 1);
}

// Whether a plain printf format reads any argument ("%%" reads none).
template <class T>
bool _bLitDesArguments(const T* pszFormat) {
    for (const T* p = pszFormat; *p != 0; p++) {
        if (*p != '%') continue;
        if (p[1] != '%') return true;
        p++;
    }
    return false;
}

// Runs fnFormate over the caller's argument list, or over a list that holds nothing when the caller
// gave none (the format was checked to read no argument).
template <class F>
int _nSurArguments(va_list* args, const F* pfnFormate, ...) {
    if (args != nullptr) return (*pfnFormate)(*args);
    va_list vide;
    va_start(vide, pfnFormate);
    int n = (*pfnFormate)(vide);
    va_end(vide);
    return n;
}

// Hands an allocated result to the caller: enlarged to at least size characters when more was asked
// for, and only with a text, since 0 means "no text" to every caller. Answers the length, -1 when
// the block could not be enlarged.
template <class T>
int _nRendBloc(T* pszBloc, int nLongueur, unsigned size, T** ppszResultat) {
    if (nLongueur > 0 && size > static_cast<unsigned>(nLongueur)) {
        T* pszPlusGrand = static_cast<T*>(realloc(pszBloc, (size_t{size} + 1) * sizeof(T)));
        if (pszPlusGrand == nullptr) {
            nLongueur = -1;
            errno = s_nErreurMemoire;
        } else {
            pszBloc = pszPlusGrand;
        }
    }
    if (nLongueur <= 0) {
        free(pszBloc);
        pszBloc = nullptr;
    }
    *ppszResultat = pszBloc;
    return nLongueur;
}

}  // namespace

unsigned FormatMessageWin(unsigned flags, const void* source, unsigned messageId, unsigned /*languageId*/,
                          wchar_t* buffer, unsigned size, va_list* args) {
    if ((flags & FORMAT_MESSAGE_FROM_HMODULE) || !(flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_SYSTEM)) ||
        buffer == nullptr) {
        errno = s_nErreurFormat;
        return 0;
    }
    if (flags & FORMAT_MESSAGE_FROM_SYSTEM) return _nTexteSysteme(flags, messageId, buffer, size);

    const wchar_t* pszSource = static_cast<const wchar_t*>(source);
    const bool bAlloue = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
    if (bAlloue) *reinterpret_cast<wchar_t**>(buffer) = nullptr;
    if (pszSource == nullptr) {
        errno = s_nErreurFormat;
        return 0;
    }
    if (!bAlloue) {
        if (size == 0) {
            errno = s_nErreurPlace;
            return 0;
        }
        _stSortieMessage stSortie{buffer, size, flags & FORMAT_MESSAGE_MAX_WIDTH_MASK};
        int nErreur = _nFormateInserts(pszSource, flags, args, stSortie);
        if (nErreur != 0) {
            errno = nErreur;
            return 0;
        }
        return static_cast<unsigned>(stSortie.m_nLongueur);
    }

    size_t nPlace = (size / s_nBlocMessage) * s_nBlocMessage + s_nBlocMessage;
    wchar_t* pszBloc = static_cast<wchar_t*>(malloc(nPlace * sizeof(wchar_t)));
    if (pszBloc == nullptr) {
        errno = s_nErreurMemoire;
        return 0;
    }
    _stSortieMessage stSortie{pszBloc, nPlace, flags & FORMAT_MESSAGE_MAX_WIDTH_MASK};
    int nErreur = _nFormateInserts(pszSource, flags, args, stSortie);
    if (nErreur != 0 || stSortie.m_nLongueur == 0) {
        // No block goes with a result of 0, whether it is a failure or an empty message.
        free(pszBloc);
        if (nErreur != 0) errno = nErreur;
        return 0;
    }
    wchar_t* pszAjuste = static_cast<wchar_t*>(realloc(pszBloc, (stSortie.m_nLongueur + 1) * sizeof(wchar_t)));
    *reinterpret_cast<wchar_t**>(buffer) = pszAjuste != nullptr ? pszAjuste : pszBloc;
    return static_cast<unsigned>(stSortie.m_nLongueur);
}

unsigned FormatMessageW(unsigned flags, const void* source, unsigned /*messageId*/, unsigned /*languageId*/,
                        wchar_t* buffer, unsigned size, va_list* args) {
    const bool bAlloue = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
    if (buffer == nullptr) {
        errno = s_nErreurFormat;
        return 0;
    }
    if (bAlloue) *reinterpret_cast<wchar_t**>(buffer) = nullptr;

    wchar_t* pszSysteme = nullptr;
    const wchar_t* pszFormat = static_cast<const wchar_t*>(source);
    if (flags & FORMAT_MESSAGE_FROM_SYSTEM) {
        const char* pszTexte = strerror(errno);
        int nLarge = MultiByteToWideChar(CP_UTF8, 0, pszTexte, -1, nullptr, 0);
        pszSysteme =
            nLarge > 0 ? static_cast<wchar_t*>(malloc(static_cast<size_t>(nLarge) * sizeof(wchar_t))) : nullptr;
        if (pszSysteme == nullptr) {
            errno = nLarge > 0 ? s_nErreurMemoire : s_nErreurFormat;
            return 0;
        }
        MultiByteToWideChar(CP_UTF8, 0, pszTexte, -1, pszSysteme, nLarge);
        pszFormat = pszSysteme;
    }
    // Without an argument list only a format that reads no argument can be printed.
    if (pszFormat == nullptr || (args == nullptr && _bLitDesArguments(pszFormat))) {
        free(pszSysteme);
        errno = s_nErreurFormat;
        return 0;
    }

    int nLongueur;
    if (bAlloue) {
        wchar_t* pszBloc = nullptr;
        auto fnFormate = [&](va_list liste) { return vaswprintf(&pszBloc, pszFormat, liste); };
        nLongueur = _nSurArguments(args, &fnFormate);
        nLongueur = _nRendBloc(pszBloc, nLongueur, size, reinterpret_cast<wchar_t**>(buffer));
    } else {
        auto fnFormate = [&](va_list liste) { return vsnwprintfWin(buffer, size, pszFormat, liste); };
        nLongueur = _nSurArguments(args, &fnFormate);
    }
    int nErrno = errno;
    free(pszSysteme);
    errno = nErrno;
    return nLongueur > 0 ? static_cast<unsigned>(nLongueur) : 0;
}

unsigned FormatMessageA(unsigned flags, const void* source, unsigned /*messageId*/, unsigned /*languageId*/,
                        char* buffer, unsigned size, va_list* args) {
    const bool bAlloue = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
    if (buffer == nullptr) {
        errno = s_nErreurFormat;
        return 0;
    }
    if (bAlloue) *reinterpret_cast<char**>(buffer) = nullptr;
    const char* pszFormat = (flags & FORMAT_MESSAGE_FROM_SYSTEM) ? strerror(errno) : static_cast<const char*>(source);
    if (pszFormat == nullptr || (args == nullptr && _bLitDesArguments(pszFormat))) {
        errno = s_nErreurFormat;
        return 0;
    }

    int nLongueur;
    if (bAlloue) {
        char* pszBloc = nullptr;
        auto fnFormate = [&](va_list liste) { return vasprintf(&pszBloc, pszFormat, liste); };
        nLongueur = _nSurArguments(args, &fnFormate);
        if (nLongueur < 0) pszBloc = nullptr;  // vasprintf leaves it undefined on failure
        nLongueur = _nRendBloc(pszBloc, nLongueur, size, reinterpret_cast<char**>(buffer));
    } else {
        auto fnFormate = [&](va_list liste) { return vsnprintf(buffer, size, pszFormat, liste); };
        nLongueur = _nSurArguments(args, &fnFormate);
        // vsnprintf answers the full length even when it had to cut the text: a cut text is a failure.
        if (nLongueur >= 0 && static_cast<unsigned>(nLongueur) >= size) {
            nLongueur = -1;
            errno = s_nErreurPlace;
        }
    }
    return nLongueur > 0 ? static_cast<unsigned>(nLongueur) : 0;
}
