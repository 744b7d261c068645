// Value converter, the host's side: values set from variants, bytes, texts, date-times and plain
// values in the form the item's type expects, the change of language type, and the date-time
// written as text.
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "core/TString.h"
#include "core/UnicodeToolkit.h"
#include "core/VQBIN.h"
#include "core/XErrorModule.h"
#include "core/XYString.h"
#include "native/driver/NAError.h"
#include "native/model/DriverServices.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAConvertVariantTypes.h"
#include "native/model/NAInterfaces.h"
#include "core/platformwin/WinCodePage.h"
#include "platform/XTime.h"
#include "variant/Any_VQDECIMAL.h"
#include "variant/DateTime.h"
#include "variant/Money.h"
#include "variant/VQCalc.h"

namespace {

// This unit's file id in the debug line of its errors.
constexpr int FILE_ID_CONVERTER = 12;

}  // namespace

void CNAConvertVariant::_CopieDansBuffer(const void* p, unsigned long n, unsigned long nRoom) {
    const unsigned long nCopie = n < nRoom ? n : nRoom;
    if (nCopie > 0 && p != nullptr) memcpy(m_pbyBuffer, p, nCopie);
    m_nDataSize = p != nullptr ? nCopie : 0;
    memset(m_pbyBuffer + m_nDataSize, 0, m_nCapacity - m_nDataSize);
}

// ------------------------------------------------------------------------------------------------
// Bytes and texts
// ------------------------------------------------------------------------------------------------

int CNAConvertVariant::bSetValue(const unsigned char* pby, unsigned long n) {
    _DebutSetter();
    const unsigned short nType = m_clValue.nGetTypeCode();
    switch (m_eVarType) {
        case NAVARTYPE_ANY:
            m_clValue.pclGetValeur()->SetValue(pby, n);
            _EffaceDrapeaux();
            return 1;
        case NAVARTYPE_POINTER:
            m_pbyBuffer = const_cast<unsigned char*>(pby);
            m_nCapacity = n;
            m_nDataSize = n;
            return 1;
        case NAVARTYPE_BUFFER:
        case NAVARTYPE_OWNBUFFER: {
            if (m_pbyBuffer == nullptr) return 1;
            if (_bBufferBinaire()) {
                // The slot of a binary item: its 16-bit count, then the bytes.
                if (m_nCapacity < 2) return 1;
                unsigned long m = n < m_nCapacity - 2 ? n : m_nCapacity - 2;
                if (m > 0xFFFF) m = 0xFFFF;
                const uint16_t w = static_cast<uint16_t>(pby != nullptr ? m : 0);
                memcpy(m_pbyBuffer, &w, 2);
                if (w > 0) memcpy(m_pbyBuffer + 2, pby, w);
                memset(m_pbyBuffer + 2 + w, 0, m_nCapacity - 2 - w);
                m_nDataSize = 2ul + w;
                return 1;
            }
            unsigned long nRoom = m_nCapacity;
            if (NA_bVQNarrow(nType))
                nRoom = m_nCapacity >= 1 ? m_nCapacity - 1 : 0;
            else if (NA_bVQWide(nType))
                nRoom = m_nCapacity >= 2 ? m_nCapacity - 2 : 0;
            _CopieDansBuffer(pby, n, nRoom);
            return 1;
        }
        default:
            return 1;
    }
}

int CNAConvertVariant::bSetValue(CVQBIN* pclBin) {
    if (m_eVarType == NAVARTYPE_ANY && m_clValue.nGetTypeCode() == VQTYPE_BIN) {
        _DebutSetter();
        m_clValue.pclGetValeur()->SetValue(pclBin);
        _EffaceDrapeaux();
        return 1;
    }
    const unsigned char* pby = pclBin != nullptr ? pclBin->pbyGet() : nullptr;
    const unsigned long n = pclBin != nullptr ? static_cast<unsigned long>(pclBin->nGetTaille()) : 0;
    return bSetValue(pby, n);
}

int CNAConvertVariant::bSetValue(const char* psz, unsigned long n) {
    if (n == static_cast<unsigned long>(-1)) n = psz != nullptr ? strlen(psz) : 0;
    _DebutSetter();
    if (NA_bVQText(m_clValue.nGetTypeCode())) return _bSetValue(psz, n, NA_nGetCodePage(m_pclConnection));
    CAny clTexte;
    clTexte.__SetType(VQTYPE_DSTRA, 0);
    clTexte.pclGetValeur()->SetValue(psz, n);
    return bSetValue(&clTexte);
}

int CNAConvertVariant::bSetValue(const wchar_t* psz, unsigned long n) {
    if (n == static_cast<unsigned long>(-1)) n = psz != nullptr ? wcslen(psz) : 0;
    _DebutSetter();
    const unsigned short nType = m_clValue.nGetTypeCode();
    const unsigned nCodePage = NA_nGetCodePage(m_pclConnection);
    const bool bNarrow = NA_bVQNarrow(nType);
    const bool bWide = NA_bVQWide(nType);
    if (m_eVarType == NAVARTYPE_ANY && (bNarrow || bWide)) {
        if (bNarrow) {
            CXYString<char> cl;
            if (n > 0) cl.__nConversion(psz, static_cast<int>(n), 0, static_cast<int>(nCodePage), 0, nullptr);
            m_clValue.pclGetValeur()->SetValueFromANSI(cl.pszGet(), static_cast<unsigned long>(cl.nGetTailleOctet()));
        } else {
            m_clValue.pclGetValeur()->SetValue(psz, n * sizeof(wchar_t));
        }
        _EffaceDrapeaux();
        return 1;
    }
    if ((m_eVarType == NAVARTYPE_BUFFER || m_eVarType == NAVARTYPE_OWNBUFFER) && (bNarrow || bWide)) {
        if (m_pbyBuffer == nullptr) return 1;
        if (n == 0 || psz == nullptr) {
            memset(m_pbyBuffer, 0, m_nCapacity);
            m_nDataSize = 0;
            return 1;
        }
        if (nType == VQTYPE_CARW) {
            if (m_nCapacity >= sizeof(wchar_t)) memcpy(m_pbyBuffer, psz, sizeof(wchar_t));
            return 1;
        }
        if (nType == VQTYPE_CARA) {
            char sz[8] = {};
            WideCharToMultiByte(nCodePage, 0, psz, 1, sz, sizeof(sz), nullptr, nullptr);
            if (m_nCapacity >= 1) m_pbyBuffer[0] = static_cast<unsigned char>(sz[0]);
            return 1;
        }
        if (bWide && _bBufferUTF16()) {
            // The slot of a Unicode item holds UTF-16 units and a 2-byte terminator.
            const int nRoom = m_nCapacity >= 2 ? static_cast<int>(m_nCapacity / 2) - 1 : 0;
            int nUnites = 0;
            if (nRoom > 0) {
                unsigned short* pw = static_cast<unsigned short*>(malloc(static_cast<size_t>(nRoom) * 2));
                if (pw != nullptr) {
                    nUnites = WideCharToUTF16(psz, static_cast<int>(n), pw, nRoom);
                    memcpy(m_pbyBuffer, pw, static_cast<size_t>(nUnites) * 2);
                    free(pw);
                }
            }
            m_nDataSize = static_cast<unsigned long>(nUnites) * 2;
            memset(m_pbyBuffer + m_nDataSize, 0, m_nCapacity - m_nDataSize);
            return 1;
        }
        if (bWide) {
            const unsigned long nRoom = m_nCapacity >= 4 ? m_nCapacity - 4 : 0;
            _CopieDansBuffer(psz, n * sizeof(wchar_t), nRoom - nRoom % sizeof(wchar_t));
            return 1;
        }
        if (m_nCapacity < 1) return 1;
        const int nEcrit =
            WideCharToMultiByte(nCodePage, 0, psz, static_cast<int>(n), reinterpret_cast<char*>(m_pbyBuffer),
                                static_cast<int>(m_nCapacity - 1), nullptr, nullptr);
        // A text too long for the room is cut: what fits is kept.
        unsigned long nDonnees = nEcrit > 0 ? static_cast<unsigned long>(nEcrit) : 0;
        if (nEcrit <= 0) {
            CXYString<char> cl;
            cl.__nConversion(psz, static_cast<int>(n), 0, static_cast<int>(nCodePage), 0, nullptr);
            nDonnees = m_nCapacity - 1;
            const unsigned long nSource = static_cast<unsigned long>(cl.nGetTailleOctet());
            memcpy(m_pbyBuffer, cl.pszGet(), nSource < nDonnees ? nSource : nDonnees);
            if (nSource < nDonnees) nDonnees = nSource;
        }
        m_nDataSize = nDonnees;
        memset(m_pbyBuffer + nDonnees, 0, m_nCapacity - nDonnees);
        return 1;
    }
    CAny clTexte;
    clTexte.__SetType(VQTYPE_DSTRW, 0);
    if (psz != nullptr && n > 0) clTexte.pclGetValeur()->SetValue(psz, n * sizeof(wchar_t));
    return bSetValue(&clTexte);
}

// ------------------------------------------------------------------------------------------------
// Dates and times
// ------------------------------------------------------------------------------------------------

int CNAConvertVariant::bSetValue(CDateTime* pclDate) {
    if (m_clValue.nGetTypeCode() == VQTYPE_DATETIME) {
        _DebutSetter();
        if (m_eVarType == NAVARTYPE_BUFFER || m_eVarType == NAVARTYPE_OWNBUFFER) {
            if (m_pbyBuffer != nullptr && m_nCapacity >= sizeof(CDateTime))
                memcpy(m_pbyBuffer, pclDate, sizeof(CDateTime));
        } else if (m_eVarType == NAVARTYPE_ANY) {
            m_clValue.SetDATETIME(*pclDate);
        }
        return 1;
    }
    CAny clDate;
    clDate.SetDATETIME(*pclDate);
    return bSetValue(&clDate);
}

int CNAConvertVariant::bSetValue(_SYSTEMTIME* pst) {
    if (eNAGetItemType() == NA_IT_TEXTE) {
        CXTime clTime(*pst, -1);
        CTString clTexte;
        switch (nGetSize()) {
            case 5:
                clTime.GetVQTimeHHMM(clTexte);
                break;
            case 7:
                clTime.GetVQTimeHHMMSS(clTexte);
                break;
            case 9:
                clTime.GetVQTimeHHMMSSCCm(clTexte);
                clTexte.Tronque(8);
                break;
            case 10:
                clTime.GetVQTimeHHMMSSCCm(clTexte);
                break;
            default:
                clTime.GetVQTimeAAAAMMJJ_HHMMSS(clTexte);
                break;
        }
        return bSetValue(clTexte.pszGet(), static_cast<unsigned long>(clTexte.nTaille()));
    }
    CDateTime clDate;
    clDate.InitDate(pst);
    return bSetValue(&clDate);
}

int CNAConvertVariant::_bSetValueDateToString(const CAny* pclIn) {
    CAny clDate(*pclIn);
    if (clDate.nGetTypeCode() != VQTYPE_DATETIME) {
        const int nCode = clDate.__nCastTo(VQTYPE_DATETIME, nullptr, 1);
        if (nCode > VQERR_DERNIER_SUCCES_HOTE) {
            if (m_pclError != nullptr) {
                m_pclError->SetAnyError(nCode, pclIn->nGetTypeCode(), VQTYPE_DATETIME, FILE_ID_CONVERTER, 2,
                                        m_pclConnection, pszGetTableName(), pszGetItemName());
            }
            return 0;
        }
    }
    CDateTime cl;
    if (!clDate.bIsNull()) memcpy(&cl, clDate.pbyGetValeur(), sizeof(cl));
    const int a = cl.nGetAnnee(), m = cl.nGetMois(), j = cl.nGetJour();
    const int h = cl.nGetHeure(), mi = cl.nGetMinute(), s = cl.nGetSeconde(), ms = cl.nGetMilliseconde();
    const CTString clFormat(m_pszDateFormat);
    CTString clTexte;
    // The three-digit forms print milliseconds and the compact forms have no separators.
    if (clFormat.bEstEgal(L"DD-MM-YYYY HH24:MI:SS"))
        clTexte.AddPrintf(L"%02d-%02d-%04d %02d:%02d:%02d", j, m, a, h, mi, s);
    else if (clFormat.bEstEgal(L"AAAA-MM-JJ HH:MM:SS.CCC"))
        clTexte.AddPrintf(L"%04d-%02d-%02d %02d:%02d:%02d.%03d", a, m, j, h, mi, s, ms);
    else if (clFormat.bEstEgal(L"AAAAMMJJ HH:MM:SS.CCC"))
        clTexte.AddPrintf(L"%04d%02d%02d %02d:%02d:%02d.%03d", a, m, j, h, mi, s, ms);
    else if (clFormat.bEstEgal(L"YYYYMMDDHH24MISS"))
        clTexte.AddPrintf(L"%04d%02d%02d%02d%02d%02d", a, m, j, h, mi, s);
    else if (clFormat.bEstEgal(L"YYYYMMDD HH24MISS"))
        clTexte.AddPrintf(L"%04d%02d%02d %02d%02d%02d", a, m, j, h, mi, s);
    else if (clFormat.bEstEgal(L"YYYYMMDD HH24:MI:SS"))
        clTexte.AddPrintf(L"%04d%02d%02d %02d:%02d:%02d", a, m, j, h, mi, s);
    else if (clFormat.bEstEgal(L"YYYYMMDDHH24MISSFF"))
        clTexte.AddPrintf(L"%04d%02d%02d%02d%02d%02d%02d", a, m, j, h, mi, s, ms / 10);
    else
        clTexte.AddPrintf(L"%04d%02d%02d%02d%02d%02d%03d", a, m, j, h, mi, s, ms);
    return bSetValue(clTexte.pszGet(), static_cast<unsigned long>(clTexte.nTaille()));
}

// ------------------------------------------------------------------------------------------------
// The central setter
// ------------------------------------------------------------------------------------------------

int CNAConvertVariant::bSetValue(const CAny* pclIn) {
    _DebutSetter();
    const unsigned short S = pclIn != nullptr ? pclIn->nGetTypeCode() : static_cast<unsigned short>(VQTYPE_VIDE);
    if (pclIn == nullptr || pclIn->bIsNull() || S == VQTYPE_VIDE) {
        SetNull();
        return 1;
    }
    unsigned short T = m_clValue.nGetTypeCode();
    bool bMemeType = false;
    if (T == VQTYPE_VIDE) {
        if (m_eVarType == NAVARTYPE_ANY) {
            InitTypeVariantAny(S, 0);
            T = S;
            bMemeType = true;
        }
    } else {
        bMemeType = S == T;
    }
    if (bMemeType) {
        switch (m_eVarType) {
            case NAVARTYPE_NONE:
            case NAVARTYPE_POINTER:
                return 1;
            case NAVARTYPE_ANY:
            case NAVARTYPE_UNREAD:
                CNAVariant::bSetValue(pclIn);
                _EffaceDrapeaux();
                return 1;
            default:
                break;
        }
        m_clValue.ClearFlags(VQTYPE_FLAG_NULL);
        if (S == VQTYPE_DECIMAL) {
            // A copy takes the precision: the caller's decimal stays as it is.
            CAny clCopie(*pclIn);
            IDecimalVQ* pi = nullptr;
            memcpy(&pi, clCopie.pbyGetValeur(), sizeof(pi));
            if (pi == nullptr || m_pbyBuffer == nullptr) return 1;
            int nDigits = 0, nDecimals = 0;
            bGetDecimalInfo(&nDigits, &nDecimals);
            pi->vnSetPrecision(nDigits, nDecimals);
            const unsigned char* pby = nullptr;
            unsigned long n = 0;
            pi->vnGetBytes(&pby, &n);
            _CopieDansBuffer(pby, n, m_nCapacity);
            return 1;
        }
        if (S == VQTYPE_DATETIME) {
            CDateTime cl;
            memcpy(&cl, pclIn->pbyGetValeur(), sizeof(cl));
            switch (eNAGetItemTypeAnalyse()) {
                case NA_IT_DATE8:
                    if (m_pbyBuffer == nullptr || m_nCapacity < 1) return 1;
                    memset(m_pbyBuffer, 0, m_nCapacity);
                    // The slot is 8-bit text: the date digits, as many as the slot holds before
                    // its terminator.
                    cl.nVersDate(reinterpret_cast<char*>(m_pbyBuffer),
                                 static_cast<int>(m_nCapacity - 1 < 8 ? m_nCapacity - 1 : 8));
                    return 1;
                case NA_IT_DATETIME:
                    return bSetValue(pclIn->pbyGetValeur(), sizeof(CDateTime));
                case NA_IT_HEURE:
                    if (m_pbyBuffer == nullptr || m_nCapacity < 1) return 1;
                    memset(m_pbyBuffer, 0, m_nCapacity);
                    cl.nVersHeure(reinterpret_cast<char*>(m_pbyBuffer),
                                  static_cast<int>(m_nCapacity - 1 < 9 ? m_nCapacity - 1 : 9));
                    return 1;
                default:
                    return 1;
            }
        }
        if (S == VQTYPE_BOOL) {
            int32_t n = 0;
            memcpy(&n, pclIn->pbyGetValeur(), sizeof(n));
            return bSetValue(n == 1);
        }
        if (NA_bVQWide(S) && _bBufferUTF16()) {
            // A Unicode slot takes the text as UTF-16 units, not as the value's 32-bit characters.
            const wchar_t* psz = nullptr;
            unsigned long n = 0;
            pclIn->pclGetValeur()->nGetPCWSTR(&psz);
            pclIn->pclGetValeur()->nGetUtilDataSize(&n);
            return bSetValue(psz, psz != nullptr ? n / sizeof(wchar_t) : 0);
        }
        void* p = nullptr;
        unsigned long n = 0;
        pclIn->pclGetValeur()->nGetDataAdr(&p);
        pclIn->pclGetValeur()->nGetUtilDataSize(&n);
        return bSetValue(static_cast<const unsigned char*>(p), n);
    }
    // Different types.
    if (NA_bVQNarrow(S) && NA_bVQText(T)) {
        const char* psz = nullptr;
        unsigned long n = 0;
        pclIn->pclGetValeur()->nGetPCASTR(&psz);
        pclIn->pclGetValeur()->nGetUtilDataSize(&n);
        if (psz == nullptr) {
            void* p = nullptr;
            pclIn->pclGetValeur()->nGetDataAdr(&p);
            psz = static_cast<const char*>(p);
        }
        return bSetValue(psz, psz != nullptr ? n : 0);
    }
    if (NA_bVQWide(S) && NA_bVQText(T)) {
        const wchar_t* psz = nullptr;
        unsigned long n = 0;
        pclIn->pclGetValeur()->nGetPCWSTR(&psz);
        pclIn->pclGetValeur()->nGetUtilDataSize(&n);
        if (psz == nullptr) {
            void* p = nullptr;
            pclIn->pclGetValeur()->nGetDataAdr(&p);
            psz = static_cast<const wchar_t*>(p);
        }
        return bSetValue(psz, psz != nullptr ? n / sizeof(wchar_t) : 0);
    }
    if (S == VQTYPE_DATETIME && NA_bVQText(T) && m_pszDateFormat != nullptr) return _bSetValueDateToString(pclIn);
    if (T == VQTYPE_DATETIME && (S == VQTYPE_TIMEW || S == VQTYPE_TIMEA)) {
        CDateTime cl;
        cl.InitDate();
        if (S == VQTYPE_TIMEA) {
            const char* psz = nullptr;
            pclIn->pclGetValeur()->nGetPCASTR(&psz);
            cl.__SetPartieHeure(psz != nullptr ? psz : "");
        } else {
            const wchar_t* psz = nullptr;
            pclIn->pclGetValeur()->nGetPCWSTR(&psz);
            cl.__SetPartieHeure(psz != nullptr ? psz : L"");
        }
        CAny clDate;
        clDate.SetDATETIME(cl);
        return bSetValue(&clDate);
    }
    unsigned short C = T;
    if (T == VQTYPE_DUREE && (NA_bVQTextNotDate(S) || S == VQTYPE_DECIMAL || S == VQTYPE_CY)) C = VQTYPE_I8;
    CAny clCopie(*pclIn);
    if (C != VQTYPE_VIDE && clCopie.__nCastTo(C, nullptr, 1) <= VQERR_DERNIER_SUCCES_HOTE) return bSetValue(&clCopie);
    CXYString<wchar_t> clTexte;
    nGetString(&clTexte, *pclIn, nullptr, 0);
    _SetErrorConversionFailed(S, clTexte.pszGet(), FILE_ID_CONVERTER, 3);
    return 0;
}

// ------------------------------------------------------------------------------------------------
// Typed setters
// ------------------------------------------------------------------------------------------------

template <typename T>
int CNAConvertVariant::_bSetTyped(unsigned short nType, T t, void (CAny::*pfSet)(T)) {
    if (m_clValue.nGetTypeCode() == nType) {
        _DebutSetter();
        if (m_eVarType == NAVARTYPE_BUFFER || m_eVarType == NAVARTYPE_OWNBUFFER) {
            if (m_pbyBuffer != nullptr) memcpy(m_pbyBuffer, &t, m_nCapacity < sizeof(T) ? m_nCapacity : sizeof(T));
        } else if (m_eVarType == NAVARTYPE_ANY) {
            (m_clValue.*pfSet)(t);
        }
        return 1;
    }
    CAny clTemp;
    (clTemp.*pfSet)(t);
    return bSetValue(&clTemp);
}

int CNAConvertVariant::bSetValue(bool b) {
    if (m_clValue.nGetTypeCode() == VQTYPE_BOOL) {
        _DebutSetter();
        if (m_eVarType == NAVARTYPE_BUFFER || m_eVarType == NAVARTYPE_OWNBUFFER) {
            if (m_pbyBuffer != nullptr && m_nCapacity >= 1) m_pbyBuffer[0] = b ? 1 : 0;
        } else if (m_eVarType == NAVARTYPE_ANY) {
            m_clValue.SetBOOL(b ? 1 : 0);
        }
        return 1;
    }
    CAny clTemp;
    clTemp.SetBOOL(b ? 1 : 0);
    return bSetValue(&clTemp);
}
int CNAConvertVariant::bSetValue(unsigned char n) {
    return _bSetTyped<unsigned char>(VQTYPE_UI1, n, &CAny::SetUI1);
}
int CNAConvertVariant::bSetValue(unsigned short n) {
    return _bSetTyped<unsigned short>(VQTYPE_UI2, n, &CAny::SetUI2);
}
int CNAConvertVariant::bSetValue(unsigned int n) {
    return _bSetTyped<unsigned int>(VQTYPE_UI4, n, &CAny::SetUI4);
}
int CNAConvertVariant::bSetValue(unsigned long n) {
    return _bSetTyped<unsigned long>(VQTYPE_UI8, n, &CAny::SetUI8);
}
int CNAConvertVariant::bSetValue(char n) {
    return _bSetTyped<char>(VQTYPE_I1, n, &CAny::SetI1);
}
int CNAConvertVariant::bSetValue(short n) {
    return _bSetTyped<short>(VQTYPE_I2, n, &CAny::SetI2);
}
int CNAConvertVariant::bSetValue(int n) {
    return _bSetTyped<int>(VQTYPE_I4, n, &CAny::SetI4);
}
int CNAConvertVariant::bSetValue(long n) {
    return _bSetTyped<long>(VQTYPE_I8, n, &CAny::SetI8);
}
int CNAConvertVariant::bSetValue(CMoney cy) {
    return _bSetTyped<CMoney>(VQTYPE_CY, cy, &CAny::SetCY);
}
int CNAConvertVariant::bSetValue(float r) {
    return _bSetTyped<float>(VQTYPE_R4, r, &CAny::SetR4);
}
int CNAConvertVariant::bSetValue(double r) {
    return _bSetTyped<double>(VQTYPE_R8, r, &CAny::SetR8);
}

// ------------------------------------------------------------------------------------------------
// Change of language type
// ------------------------------------------------------------------------------------------------

int CNAConvertVariant::vbChangeVQType(unsigned short nType, int bNoPadding) {
    CAny clTemp;
    if (!vbGetValue(&clTemp)) return 0;
    if (!clTemp.bIsNull() && NA_bVQTextNotDate(nType) && eNAGetItemTypeAnalyse() == NA_IT_HEURE) {
        if (clTemp.__nCastTo(VQTYPE_PSTRW, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) return 0;
        const wchar_t* psz = nullptr;
        clTemp.pclGetValeur()->nGetPCWSTR(&psz);
        CTString clTexte(psz != nullptr ? psz : L"");
        const long L = static_cast<long>(m_piItemAnalyse->nGetItemSize()) - 1;
        if (L < 1) {
            clTexte.Vide();
        } else if (clTexte.nTaille() < L) {
            if (!bNoPadding) clTexte.Complete(L, L'0');
        } else if (clTexte.nTaille() > L) {
            clTexte.Tronque(L);
        }
        clTemp.__SetType(VQTYPE_PSTRW, 0);
        clTemp.pclGetValeur()->SetValue(clTexte.pszGet(),
                                        static_cast<unsigned long>(clTexte.nTaille()) * sizeof(wchar_t));
    }
    InitTypeVariantAny(nType, 0);
    return bSetValue(&clTemp);
}
