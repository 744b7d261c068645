// Values of the host program as texts, and texts of a script as values.
#include "tools/kxhost/HostValueText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <limits>
#include <string>

#include "core/ManipAUB.h"
#include "host/EmulatedDecimal.h"
#include "native/model/NAInterfaces.h"
#include "variant/Any.h"
#include "variant/DateTime.h"
#include "variant/Money.h"

namespace {

template <typename T>
T tArea(const CAny& clValue) {
    T t;
    memcpy(&t, clValue.pbyGetValeur(), sizeof(T));
    return t;
}

// A fixed-point money value: with the item's decimals when it declares them, else with those it
// has, at least two (a currency's cents).
std::wstring wsMoney(const CMoney& stMoney, int nDecimals) {
    wchar_t szBuffer[64];
    std::wstring ws = pszMonetaireVersChaineC(szBuffer, &stMoney);
    size_t nPoint = ws.find(L'.');
    if (nPoint == std::wstring::npos) {
        nPoint = ws.size();
        ws += L'.';
    }
    if (nDecimals <= 0) {
        while (ws.size() - nPoint - 1 > 2 && ws.back() == L'0') ws.pop_back();
        nDecimals = 2;
    }
    if (ws.size() - nPoint - 1 > static_cast<size_t>(nDecimals)) ws.resize(nPoint + 1 + nDecimals);
    while (ws.size() - nPoint - 1 < static_cast<size_t>(nDecimals)) ws += L'0';
    return ws;
}

// ".mmm" without its trailing zeros, nothing for a whole second: the server's own form.
std::wstring wsFraction(unsigned nMs) {
    if (nMs == 0) return L"";
    wchar_t sz[8];
    swprintf(sz, 8, L".%03u", nMs);
    std::wstring ws = sz;
    while (ws.back() == L'0') ws.pop_back();
    return ws;
}

std::wstring wsTime(unsigned nMs) {
    wchar_t sz[32];
    swprintf(sz, 32, L"%02u:%02u:%02u", nMs / 3600000, nMs / 60000 % 60, nMs / 1000 % 60);
    return sz + wsFraction(nMs % 1000);
}

std::wstring wsDate(uint32_t dwDate) {
    wchar_t sz[32];
    swprintf(sz, 32, L"%04u-%02u-%02u", dwDate >> 16, (dwDate >> 8) & 0xFF, dwDate & 0xFF);
    return sz;
}

// The host's compact date ("YYYYMMDD") and time ("HHMMSSmmm") texts in the server's forms; any
// other text as it is.
std::wstring wsCompactDate(const std::wstring& ws) {
    if (ws.size() != 8 || ws.find_first_not_of(L"0123456789") != std::wstring::npos) return ws;
    return ws.substr(0, 4) + L"-" + ws.substr(4, 2) + L"-" + ws.substr(6, 2);
}

// A time slot shorter than HHMMSSmmm holds fewer digits of the fraction (HHMMSSmm: hundredths).
std::wstring wsCompactTime(const std::wstring& ws) {
    if (ws.size() < 6 || ws.size() > 9 || ws.find_first_not_of(L"0123456789") != std::wstring::npos) return ws;
    std::wstring wsFractionDigits = ws.substr(6);
    wsFractionDigits.resize(3, L'0');
    const unsigned nMs = static_cast<unsigned>(std::stoul(ws.substr(0, 2)) * 3600000 + std::stoul(ws.substr(2, 2)) * 60000 +
                                               std::stoul(ws.substr(4, 2)) * 1000 + std::stoul(wsFractionDigits));
    return wsTime(nMs);
}

// A real as the server prints it (extra_float_digits 1): the shortest digits that read back to the
// same number, in fixed notation for decimal exponents from -4 to 14 (float4: to 5), else as
// d.ddde+XX.
template <typename T>
std::wstring wsReal(T t) {
    if (std::isnan(t)) return L"NaN";
    if (std::isinf(t)) return t < 0 ? L"-Infinity" : L"Infinity";
    char sz[64];
    auto st = std::to_chars(sz, sz + sizeof(sz), t, std::chars_format::scientific);
    std::string s(sz, st.ptr);
    const size_t nE = s.find('e');
    const int nExponent = std::stoi(s.substr(nE + 1));
    const int nMaxFixed = sizeof(T) == 4 ? 6 : 15;
    if (nExponent < -4 || nExponent >= nMaxFixed) {
        std::string sExponent = s.substr(nE + 1);
        const char cSign = sExponent[0] == '-' ? '-' : '+';
        if (sExponent[0] == '-' || sExponent[0] == '+') sExponent.erase(0, 1);
        while (sExponent.size() > 2 && sExponent[0] == '0') sExponent.erase(0, 1);
        if (sExponent.size() < 2) sExponent = std::string(1, '0').append(sExponent);
        s = s.substr(0, nE) + "e" + cSign + sExponent;
    } else {
        st = std::to_chars(sz, sz + sizeof(sz), t, std::chars_format::fixed);
        s.assign(sz, st.ptr);
    }
    return std::wstring(s.begin(), s.end());
}

bool bHexDigit(wchar_t c, unsigned* pn) {
    if (c >= L'0' && c <= L'9') *pn = static_cast<unsigned>(c - L'0');
    else if (c >= L'a' && c <= L'f') *pn = static_cast<unsigned>(c - L'a' + 10);
    else if (c >= L'A' && c <= L'F') *pn = static_cast<unsigned>(c - L'A' + 10);
    else return false;
    return true;
}

}  // namespace

std::wstring g_wsValueText(const CAny& clValue, const INAItemDescription* piItem) {
    if (clValue.bIsNull()) return L"";
    switch (clValue.nGetTypeCode()) {
        case VQTYPE_VIDE:
            return L"";
        case VQTYPE_BOOL:
            return tArea<int32_t>(clValue) != 0 ? L"t" : L"f";
        case VQTYPE_UI1:
            return std::to_wstring(tArea<uint8_t>(clValue));
        case VQTYPE_UI2:
            return std::to_wstring(tArea<uint16_t>(clValue));
        case VQTYPE_UI4:
            return std::to_wstring(tArea<uint32_t>(clValue));
        case VQTYPE_UI8:
        case VQTYPE_UIX:
            return std::to_wstring(tArea<uint64_t>(clValue));
        case VQTYPE_I1:
            return std::to_wstring(tArea<int8_t>(clValue));
        case VQTYPE_I2:
            return std::to_wstring(tArea<int16_t>(clValue));
        case VQTYPE_I4:
            return std::to_wstring(tArea<int32_t>(clValue));
        case VQTYPE_I8:
            return std::to_wstring(tArea<int64_t>(clValue));
        case VQTYPE_R4:
            return wsReal(tArea<float>(clValue));
        case VQTYPE_R8:
            return wsReal(tArea<double>(clValue));
        case VQTYPE_CY:
            return wsMoney(tArea<CMoney>(clValue),
                           piItem != nullptr ? static_cast<int>(piItem->nGetDecimalPart()) : -1);
        case VQTYPE_DECIMAL: {
            // The program's decimals are the emulated host's own: exact, with their scale.
            auto* pcl = tArea<const standin::CEmulatedDecimal*>(clValue);
            return pcl != nullptr ? pcl->sText() : L"";
        }
        case VQTYPE_DATETIME: {
            const uint32_t dwTime = *reinterpret_cast<const uint32_t*>(clValue.pbyGetValeur() + 4);
            return wsDate(tArea<uint32_t>(clValue)) + L" " + wsTime(dwTime);
        }
        case VQTYPE_DATEA:
        case VQTYPE_TIMEA: {
            const char* psz = reinterpret_cast<const char*>(clValue.pbyGetValeur());
            std::wstring ws(psz, psz + strnlen(psz, 9));
            return clValue.nGetTypeCode() == VQTYPE_DATEA ? wsCompactDate(ws) : wsCompactTime(ws);
        }
        case VQTYPE_DATEW:
        case VQTYPE_TIMEW: {
            const wchar_t* psz = reinterpret_cast<const wchar_t*>(clValue.pbyGetValeur());
            std::wstring ws(psz, psz + wcsnlen(psz, 9));
            return clValue.nGetTypeCode() == VQTYPE_DATEW ? wsCompactDate(ws) : wsCompactTime(ws);
        }
        case VQTYPE_CARA:
            return *clValue.pbyGetValeur() != 0 ? std::wstring(1, static_cast<wchar_t>(*clValue.pbyGetValeur())) : L"";
        case VQTYPE_CARW:
            return tArea<wchar_t>(clValue) != 0 ? std::wstring(1, tArea<wchar_t>(clValue)) : L"";
        case VQTYPE_DSTRW:
        case VQTYPE_DSTRA:
        case VQTYPE_BIN: {
            STManipAUB stManip{};
            if (clValue.nGetManipAUB(&stManip) != 0) break;
            if (clValue.nGetTypeCode() == VQTYPE_DSTRW) return stManip.pszGetStringW();
            unsigned long nSize = 0;
            const unsigned char* pby = stManip.pbyGetContenuUtile(nSize);
            if (clValue.nGetTypeCode() == VQTYPE_DSTRA) return std::wstring(pby, pby + nSize);
            std::wstring ws = L"\\x";
            for (unsigned long n = 0; n < nSize; n++) {
                wchar_t sz[4];
                swprintf(sz, 4, L"%02x", pby[n]);
                ws += sz;
            }
            return ws;
        }
        default:
            break;
    }
    // Any other type: the text the value itself gives, else its type.
    const wchar_t* psz = nullptr;
    if (clValue.pclGetValeur()->nGetPCWSTR(&psz) == 0 && psz != nullptr) return psz;
    return L"<type " + std::to_wstring(clValue.nGetTypeCode()) + L">";
}

bool g_bValueFromText(CAny* pclValue, unsigned short nVQType, const std::wstring& wsText, bool bNull,
                      std::wstring* pwsError) {
    const unsigned short nCode = nVQType & VQTYPE_MASK_CODE;
    if (bNull) {
        pclValue->__SetType(nCode, 0);
        pclValue->SetNull(1);
        return true;
    }
    auto bRange = [&](__int128 nMin, __int128 nMax, __int128* pn) {
        size_t i = 0;
        const bool bNegative = !wsText.empty() && wsText[0] == L'-';
        if (!wsText.empty() && (wsText[0] == L'-' || wsText[0] == L'+')) i++;
        if (i >= wsText.size() || wsText.find_first_not_of(L"0123456789", i) != std::wstring::npos) {
            *pwsError = L"not an integer";
            return false;
        }
        __int128 n = 0;
        for (; i < wsText.size(); i++) {
            n = n * 10 + (wsText[i] - L'0');
            if (n > (static_cast<__int128>(1) << 64)) break;
        }
        if (bNegative) n = -n;
        if (n < nMin || n > nMax) {
            *pwsError = L"out of range (" + std::to_wstring(static_cast<long long>(nMin)) + L" to " +
                        (nMax > INT64_MAX ? std::to_wstring(static_cast<unsigned long long>(nMax))
                                          : std::to_wstring(static_cast<long long>(nMax))) +
                        L")";
            return false;
        }
        *pn = n;
        return true;
    };
    __int128 n = 0;
    switch (nCode) {
        case VQTYPE_BOOL:
            if (wsText == L"t" || wsText == L"true" || wsText == L"1")
                pclValue->SetBOOL(1);
            else if (wsText == L"f" || wsText == L"false" || wsText == L"0")
                pclValue->SetBOOL(0);
            else {
                *pwsError = L"not a boolean (t, f, true, false, 1, 0)";
                return false;
            }
            return true;
        case VQTYPE_UI1:
            if (!bRange(0, UINT8_MAX, &n)) return false;
            pclValue->SetUI1(static_cast<unsigned char>(n));
            return true;
        case VQTYPE_UI2:
            if (!bRange(0, UINT16_MAX, &n)) return false;
            pclValue->SetUI2(static_cast<unsigned short>(n));
            return true;
        case VQTYPE_UI4:
            if (!bRange(0, UINT32_MAX, &n)) return false;
            pclValue->SetUI4(static_cast<unsigned>(n));
            return true;
        case VQTYPE_UI8:
        case VQTYPE_UIX:
            if (!bRange(0, UINT64_MAX, &n)) return false;
            pclValue->SetUI8(static_cast<unsigned long>(n));
            return true;
        case VQTYPE_I1:
            if (!bRange(INT8_MIN, INT8_MAX, &n)) return false;
            pclValue->SetI1(static_cast<char>(n));
            return true;
        case VQTYPE_I2:
            if (!bRange(INT16_MIN, INT16_MAX, &n)) return false;
            pclValue->SetI2(static_cast<short>(n));
            return true;
        case VQTYPE_I4:
            if (!bRange(INT32_MIN, INT32_MAX, &n)) return false;
            pclValue->SetI4(static_cast<int>(n));
            return true;
        case VQTYPE_I8:
            if (!bRange(INT64_MIN, INT64_MAX, &n)) return false;
            pclValue->SetI8(static_cast<long>(n));
            return true;
        case VQTYPE_R4:
        case VQTYPE_R8: {
            // The server's spellings of the special values, then the number, used whole.
            double d = 0;
            if (wsText == L"NaN") {
                d = std::numeric_limits<double>::quiet_NaN();
            } else if (wsText == L"Infinity" || wsText == L"-Infinity") {
                d = wsText[0] == L'-' ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
            } else {
                std::string s(wsText.begin(), wsText.end());
                const char* pszBegin = s.c_str() + (s.size() > 1 && s[0] == '+' ? 1 : 0);
                auto st = std::from_chars(pszBegin, s.c_str() + s.size(), d);
                if (st.ec == std::errc::result_out_of_range) {
                    *pwsError = L"out of range";
                    return false;
                }
                if (st.ec != std::errc() || st.ptr != s.c_str() + s.size() || s.empty()) {
                    *pwsError = L"not a number";
                    return false;
                }
            }
            if (nCode == VQTYPE_R8) {
                pclValue->SetR8(d);
                return true;
            }
            // A 4-byte real is read as one: the nearest float, not the float of the nearest double.
            float f = static_cast<float>(d);
            if (std::isfinite(d)) {
                std::string s(wsText.begin(), wsText.end());
                const char* pszBegin = s.c_str() + (s.size() > 1 && s[0] == '+' ? 1 : 0);
                if (std::from_chars(pszBegin, s.c_str() + s.size(), f).ec != std::errc()) {
                    *pwsError = L"out of range for a 4-byte real";
                    return false;
                }
            }
            pclValue->SetR4(f);
            return true;
        }
        case VQTYPE_CY: {
            wchar_t* pszEnd = nullptr;
            wcstod(wsText.c_str(), &pszEnd);
            CMoney stMoney{};
            if (wsText.empty() || *pszEnd != 0 || pstChaineVersMonetaire(&stMoney, wsText.c_str()) == nullptr) {
                *pwsError = L"not an amount";
                return false;
            }
            pclValue->SetCY(stMoney);
            return true;
        }
        case VQTYPE_DECIMAL: {
            standin::CEmulatedDecimal clDecimal;
            if (!clDecimal.bSetText(wsText)) {
                *pwsError = L"not a decimal number of at most 38 digits";
                return false;
            }
            pclValue->__SetType(VQTYPE_DECIMAL, 0);
            pclValue->pclGetValeur()->SetValue(static_cast<const IDecimalVQ*>(&clDecimal));
            pclValue->ClearFlags(VQTYPE_FLAG_NULL);
            return true;
        }
        case VQTYPE_BIN: {
            // \x and pairs of hexadecimal digits, as the server writes binary; other text as its bytes.
            std::string sBytes;
            if (wsText.rfind(L"\\x", 0) == 0) {
                if (wsText.size() % 2 != 0) {
                    *pwsError = L"an odd number of hexadecimal digits";
                    return false;
                }
                for (size_t i = 2; i < wsText.size(); i += 2) {
                    unsigned nHigh = 0, nLow = 0;
                    if (!bHexDigit(wsText[i], &nHigh) || !bHexDigit(wsText[i + 1], &nLow)) {
                        *pwsError = L"not hexadecimal after \\x";
                        return false;
                    }
                    sBytes += static_cast<char>(nHigh << 4 | nLow);
                }
            } else {
                for (wchar_t c : wsText) {
                    if (c > 0xFF) {
                        *pwsError = L"binary text must be \\x hexadecimal or 8-bit characters";
                        return false;
                    }
                    sBytes += static_cast<char>(c);
                }
            }
            pclValue->SetBIN(reinterpret_cast<const unsigned char*>(sBytes.data()), sBytes.size());
            return true;
        }
        default:
            // Texts, dates, times and whatever else takes a text: the host's conversion makes the
            // item's value of it, or refuses it.
            pclValue->__SetType(VQTYPE_DSTRW, 0);
            pclValue->pclGetValeur()->SetValue(wsText.c_str(), static_cast<unsigned long>(wsText.size() * sizeof(wchar_t)));
            pclValue->ClearFlags(VQTYPE_FLAG_NULL);
            if (nCode == VQTYPE_DSTRW || nCode == VQTYPE_DSTRA || nCode == VQTYPE_PSTRA || nCode == VQTYPE_PSTRW ||
                nCode == VQTYPE_VIDE)
                return true;
            if (pclValue->__nCastTo(nCode, nullptr, 0) > 99) {
                *pwsError = L"not a value of this item's type";
                return false;
            }
            return true;
    }
}
