// Values of the host program as texts, and texts of a script as values.
#include "tools/kxhost/HostValueText.h"

#include <cstring>
#include <cwchar>

#include "core/ManipAUB.h"
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

std::wstring wsDateTime(uint32_t dwDate, uint32_t dwTime) {
    wchar_t sz[64];
    swprintf(sz, 64, L"%04u-%02u-%02u %02u:%02u:%02u", dwDate >> 16, (dwDate >> 8) & 0xFF, dwDate & 0xFF,
             dwTime / 3600000, dwTime / 60000 % 60, dwTime / 1000 % 60);
    std::wstring ws = sz;
    if (dwTime % 1000 != 0) {
        swprintf(sz, 64, L".%03u", dwTime % 1000);
        ws += sz;
        while (ws.back() == L'0') ws.pop_back();
    }
    return ws;
}

std::wstring wsReal(double d) {
    wchar_t sz[64];
    swprintf(sz, 64, L"%.15g", d);
    return sz;
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
        case VQTYPE_DATETIME:
            return wsDateTime(tArea<uint32_t>(clValue), *reinterpret_cast<const uint32_t*>(clValue.pbyGetValeur() + 4));
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

bool g_bValueFromText(CAny* pclValue, unsigned short nVQType, const std::wstring& wsText, std::wstring* pwsError) {
    const unsigned short nCode = nVQType & VQTYPE_MASK_CODE;
    if (wsText == L"NULL") {
        pclValue->__SetType(nCode, 0);
        pclValue->SetNull(1);
        return true;
    }
    wchar_t* pszEnd = nullptr;
    auto bNumber = [&](bool bEnd) {
        if (!bEnd || pszEnd == wsText.c_str() || *pszEnd != 0) {
            *pwsError = L"not a number: " + wsText;
            return false;
        }
        return true;
    };
    switch (nCode) {
        case VQTYPE_BOOL:
            if (wsText == L"t" || wsText == L"true" || wsText == L"1")
                pclValue->SetBOOL(1);
            else if (wsText == L"f" || wsText == L"false" || wsText == L"0")
                pclValue->SetBOOL(0);
            else {
                *pwsError = L"not a boolean: " + wsText;
                return false;
            }
            return true;
        case VQTYPE_UI1:
        case VQTYPE_UI2:
        case VQTYPE_UI4:
        case VQTYPE_UI8:
        case VQTYPE_I1:
        case VQTYPE_I2:
        case VQTYPE_I4:
        case VQTYPE_I8: {
            const long n = wcstol(wsText.c_str(), &pszEnd, 10);
            if (!bNumber(true)) return false;
            switch (nCode) {
                case VQTYPE_UI1: pclValue->SetUI1(static_cast<unsigned char>(n)); break;
                case VQTYPE_UI2: pclValue->SetUI2(static_cast<unsigned short>(n)); break;
                case VQTYPE_UI4: pclValue->SetUI4(static_cast<unsigned>(n)); break;
                case VQTYPE_UI8: pclValue->SetUI8(static_cast<unsigned long>(n)); break;
                case VQTYPE_I1: pclValue->SetI1(static_cast<char>(n)); break;
                case VQTYPE_I2: pclValue->SetI2(static_cast<short>(n)); break;
                case VQTYPE_I4: pclValue->SetI4(static_cast<int>(n)); break;
                default: pclValue->SetI8(n); break;
            }
            return true;
        }
        case VQTYPE_R4:
        case VQTYPE_R8: {
            const double d = wcstod(wsText.c_str(), &pszEnd);
            if (!bNumber(true)) return false;
            if (nCode == VQTYPE_R4)
                pclValue->SetR4(static_cast<float>(d));
            else
                pclValue->SetR8(d);
            return true;
        }
        case VQTYPE_CY: {
            wcstod(wsText.c_str(), &pszEnd);
            if (!bNumber(true)) return false;
            CMoney stMoney{};
            pstChaineVersMonetaire(&stMoney, wsText.c_str());
            pclValue->SetCY(stMoney);
            return true;
        }
        case VQTYPE_DATETIME: {
            unsigned nYear = 0, nMonth = 0, nDay = 0, nHour = 0, nMinute = 0, nSecond = 0;
            const int nRead = swscanf(wsText.c_str(), L"%u-%u-%u %u:%u:%u", &nYear, &nMonth, &nDay, &nHour, &nMinute,
                                      &nSecond);
            if (nRead != 3 && nRead != 6) {
                *pwsError = L"not a timestamp (YYYY-MM-DD HH:MM:SS): " + wsText;
                return false;
            }
            CDateTime clDate;
            clDate.Set(static_cast<int>(nYear), static_cast<int>(nMonth), static_cast<int>(nDay),
                       static_cast<int>(nHour), static_cast<int>(nMinute), static_cast<int>(nSecond), 0);
            pclValue->SetDATETIME(clDate);
            return true;
        }
        default:
            // Texts and whatever else takes a text.
            pclValue->__SetType(VQTYPE_DSTRW, 0);
            pclValue->pclGetValeur()->SetValue(wsText.c_str(), static_cast<unsigned long>(wsText.size() * sizeof(wchar_t)));
            pclValue->ClearFlags(VQTYPE_FLAG_NULL);
            return true;
    }
}
