// Host record image: the buffer and its NULL bits, the slot encodings by item type, variants in
// and out of a slot, the whole-buffer operations and the serial form.
#include "native/model/NAYFRecord.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/UnicodeToolkit.h"
#include "core/XYString.h"
#include "native/model/NAItemDescription.h"
#include "variant/Any.h"
#include "variant/Any_VQDECIMAL.h"
#include "variant/Any_VQDSTRW.h"
#include "variant/DateTime.h"
#include "variant/VQConv.h"

namespace {

// Marker a memo keeps in its 8-byte slot.
constexpr uint64_t MEMO_NULL = ~0ull;
constexpr uint64_t MEMO_DEFINI = 0;
// A binary slot's count is 16 bits.
constexpr unsigned long MAX_COMPTE_BINAIRE = 0xFFFF;

bool bTexte8Bits(eNA_ITEMTYPE e) {
    return e == NA_IT_TEXTE || e == NA_IT_DATE6 || e == NA_IT_DATE8 || e == NA_IT_HEURE;
}

// Language types whose value is an 8-bit or a wide text.
bool bVQTexteNarrow(unsigned short n) {
    switch (n) {
        case VQTYPE_CARA:
        case VQTYPE_PSTRA:
        case VQTYPE_DSTRA:
        case 21:
        case 22:
        case 23:
        case VQTYPE_DATEA:
        case VQTYPE_TIMEA:
        case 134:
            return true;
        default:
            return false;
    }
}
bool bVQTexteWide(unsigned short n) {
    switch (n) {
        case VQTYPE_DSTRW:
        case 20:
        case VQTYPE_DATEW:
        case VQTYPE_TIMEW:
        case VQTYPE_CARW:
        case VQTYPE_PSTRW:
            return true;
        default:
            return false;
    }
}

IDecimalVQ* piDecimalDe(const CAny& cl) {
    IDecimalVQ* pi = nullptr;
    memcpy(&pi, cl.pbyGetValeur(), sizeof(pi));
    return pi;
}

// The UTF-16 units of a wide slot (at any byte) widened into psz, one character a unit, up to the
// first zero or the nMax-th unit: the count written, or -1 at the first surrogate, whose pairs are
// left to the caller. A slot's text is read in this one pass, the common case; eight units at a
// time while eight remain in the slot (psz has room for nMax characters).
int nElargitSansSubstitut(const unsigned char* pbySlot, int nMax, wchar_t* psz) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i xZero = _mm_setzero_si128();
    const __m128i xMasque = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i xSubstitut = _mm_set1_epi16(static_cast<short>(0xD800));
    for (; i + 8 <= nMax; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pbySlot + 2 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(psz + i), _mm_unpacklo_epi16(x, xZero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(psz + i + 4), _mm_unpackhi_epi16(x, xZero));
        // Two bits a unit: the zeros, then the surrogates.
        const unsigned nZeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(x, xZero)));
        const unsigned nSubstituts =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(x, xMasque), xSubstitut)));
        if ((nZeros | nSubstituts) == 0) continue;
        // Whichever comes first decides: the text ends at a zero, a surrogate sends the text to the
        // pairs' road.
        const unsigned nPremier = static_cast<unsigned>(__builtin_ctz(nZeros | nSubstituts));
        if ((nSubstituts >> nPremier) & 1u) return -1;
        return i + static_cast<int>(nPremier / 2);
    }
#endif
    for (; i < nMax; i++) {
        uint16_t u;
        memcpy(&u, pbySlot + 2 * i, sizeof(u));
        // One test for both ends of the range: a zero wraps to the top.
        if (static_cast<uint16_t>(u - 1u) >= 0xD7FFu) {
            if (u == 0) return i;
            if ((u & 0xF800u) == 0xD800u) return -1;
        }
        psz[i] = static_cast<wchar_t>(u);
    }
    return nMax;
}

// A wide slot's text into a DSTRW value (its flags are the caller's). Apart from the reads of the
// other types, whose frame its buffers would weigh on.
[[gnu::noinline]] void LitUnicode(CAny* pclValue, const unsigned char* pbySlot, unsigned long nSlot) {
    // The units up to the first zero: the slot's zero fill is no part of the text.
    const int nMax = static_cast<int>(static_cast<unsigned>(nSlot) / 2);
    if (nMax <= 256) {
        // A short text without surrogates, as most are, widened straight from the slot and taken
        // by the value in one copy.
        wchar_t aszLarge[256];
        const int nCar = nElargitSansSubstitut(pbySlot, nMax, aszLarge);
        if (nCar >= 0) {
            pclValue->__SetType(VQTYPE_DSTRW, 0);
            // The class is known: its own setting, without the call through the class pointer.
            static_cast<CAny_VQDSTRW*>(pclValue->pclGetValeur())
                ->CAny_VQDSTRW::SetValue(aszLarge, static_cast<unsigned long>(nCar) * sizeof(wchar_t));
            return;
        }
    }
    // The units go through an aligned buffer (a slot lies at any byte): a short slot's on the
    // stack rather than an allocation a read.
    unsigned short awCourt[256];
    unsigned short* pw =
        nMax <= 256 ? awCourt : static_cast<unsigned short*>(malloc(static_cast<size_t>(nMax + 1) * 2));
    int nUnites = 0;
    if (pw != nullptr) {
        memcpy(pw, pbySlot, static_cast<size_t>(nMax) * 2);
        while (nUnites < nMax && pw[nUnites] != 0) nUnites++;
    }
    pclValue->__SetType(VQTYPE_DSTRW, 0);
    if (pw == awCourt && nUnites > 0) {
        // A short text widened in one pass (a pair joined into one character, a lone
        // surrogate kept as it is), then taken by the value in one copy.
        wchar_t aszLarge[256];
        int nCar = 0;
        for (int i = 0; i < nUnites; i++, nCar++) {
            const unsigned u = pw[i];
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < nUnites && pw[i + 1] >= 0xDC00 && pw[i + 1] <= 0xDFFF) {
                aszLarge[nCar] = static_cast<wchar_t>(0x10000 + ((u - 0xD800u) << 10) + (pw[i + 1] - 0xDC00u));
                i++;
            } else {
                aszLarge[nCar] = static_cast<wchar_t>(u);
            }
        }
        pclValue->pclGetValeur()->SetValue(aszLarge, static_cast<unsigned long>(nCar) * sizeof(wchar_t));
    } else {
        CAny_VQDSTRW::s_SetFromUTF16(pclValue, pw, nUnites);
    }
    if (pw != awCourt) free(pw);
}

// The read of an item type whose value class holds a fixed number of bytes (the numbers, money,
// the date-time, the duration, the boolean): its language type and that size, 0 for the other
// types, which take the general road. Found once, from the classes themselves, so that a read of
// a number costs neither the type lookup nor the class's size call.
struct stLectureFixe {
    unsigned short nVQ;
    unsigned char nTaille;
};

bool bVQFixe(unsigned short nVQ) {
    return (nVQ >= VQTYPE_BOOL && nVQ <= VQTYPE_R8) || nVQ == VQTYPE_DATETIME || nVQ == VQTYPE_DUREE;
}

// A fixed-size value's bytes from its slot: the usual sizes as one move each.
inline void CopieValeurFixe(unsigned char* pbyValeur, const unsigned char* pbySlot, unsigned long nTaille) {
    switch (nTaille) {
        case 1:
            *pbyValeur = *pbySlot;
            break;
        case 4:
            memcpy(pbyValeur, pbySlot, 4);
            break;
        case 8:
            memcpy(pbyValeur, pbySlot, 8);
            break;
        default:
            memcpy(pbyValeur, pbySlot, nTaille);
            break;
    }
}

const stLectureFixe* ptabLectureFixe() {
    static const auto s_tab = [] {
        struct {
            stLectureFixe a[NA_IT_MAX + 1];
        } st{};
        for (unsigned e = 0; e <= NA_IT_MAX; e++) {
            const unsigned short nVQ = ConverteItemToVQType(static_cast<eNA_ITEMTYPE>(e), 0);
            if (!bVQFixe(nVQ)) continue;
            CAny clValeur;
            clValeur.__SetType(nVQ, 0);
            unsigned long nTaille = 0;
            clValeur.pclGetValeur()->nGetDataSize(&nTaille);
            if (nTaille > VQTAILLE_VALEUR) nTaille = VQTAILLE_VALEUR;
            st.a[e].nVQ = nVQ;
            st.a[e].nTaille = static_cast<unsigned char>(nTaille);
        }
        return st;
    }();
    return s_tab.a;
}

}  // namespace

CNAYFRecord::~CNAYFRecord() {
    free(m_pbyBuffer);
}

unsigned CNAYFRecord::nRelease() {
    if (m_nRef == 0) return 0;
    unsigned n = --m_nRef;
    if (n == 0 && m_bStatic == 0) delete this;
    return n;
}

void CNAYFRecord::_SetBuffer(unsigned char* pbyBuffer, unsigned nBufferSize, unsigned nItemCount,
                             unsigned nFlagFieldSize) {
    free(m_pbyBuffer);
    m_pbyBuffer = pbyBuffer;
    m_nBufferSize = nBufferSize;
    m_nItemCount = nItemCount;
    m_nFlagFieldSize = nFlagFieldSize;
    m_pbyNullFlags = pbyBuffer;
    m_pbyValues = pbyBuffer != nullptr ? pbyBuffer + nFlagFieldSize : nullptr;
}

// ------------------------------------------------------------------------------------------------
// Building
// ------------------------------------------------------------------------------------------------

bool CNAYFRecord::bInit(INADataSourceDescription* piDescription, eINITTYPE eType) {
    const unsigned nItems = piDescription->nGetNumItemPhysicallyInFic();
    const unsigned nFlags = nItems == 0 ? 0 : ((nItems - 1) >> 3) + 1;
    const unsigned nTaille = nFlags + piDescription->nGetDiskRecordSize();
    unsigned char* pby = static_cast<unsigned char*>(calloc(nTaille > 0 ? nTaille : 1, 1));
    if (pby == nullptr) return false;
    _SetBuffer(pby, nTaille, nItems, nFlags);
    if (eType != NA_INITTYPE_DEFAULT) return true;
    const unsigned n = piDescription->nGetNumItems();
    for (unsigned i = 0; i < n; i++) {
        INAItemDescription* piItem = piDescription->piNAGetItem(i);
        if (piItem == nullptr) continue;
        if (!piItem->bIsComposedKey()) {
            for (unsigned e = 0; e < piItem->nGetDimension(); e++) {
                const CAny* pclDefault = piItem->pclGetDefaultValue(static_cast<int>(e) + 1);
                if (pclDefault != nullptr && !pclDefault->bIsNull() && pclDefault->nGetTypeCode() != VQTYPE_VIDE &&
                    !piItem->bMemo())
                    SetItemValue(piItem, pclDefault, static_cast<int>(e));
                else
                    SetItemValueDefined(piItem, 0, static_cast<int>(e));
            }
        }
        piItem->nExternalRelease();
    }
    return true;
}

CNAYFRecord* CNAYFRecord::pclGetClone() const {
    auto* pcl = new (std::nothrow) CNAYFRecord;
    if (pcl == nullptr) return nullptr;
    unsigned char* pby = static_cast<unsigned char*>(malloc(m_nBufferSize > 0 ? m_nBufferSize : 1));
    if (pby == nullptr) {
        delete pcl;
        return nullptr;
    }
    if (m_nBufferSize > 0) memcpy(pby, m_pbyBuffer, m_nBufferSize);
    pcl->_SetBuffer(pby, m_nBufferSize, m_nItemCount, m_nFlagFieldSize);
    return pcl;
}

// ------------------------------------------------------------------------------------------------
// Slots and NULL bits
// ------------------------------------------------------------------------------------------------

unsigned CNAYFRecord::s_nGetSlotSize(const INAItemDescription* piItem, int n) {
    return n >= 0 ? piItem->nGetItemSize() : piItem->nGetTotalSize();
}

inline const unsigned char* CNAYFRecord::_pbySlot(const INAItemDescription* piItem, int n,
                                                  unsigned long* pnSlot) const {
    const unsigned nItemSize = piItem->nGetItemSize();
    const unsigned long nSlot = n >= 0 ? nItemSize : piItem->nGetTotalSize();
    *pnSlot = nSlot;
    if (m_pbyValues == nullptr) return nullptr;
    const long nOffset = static_cast<long>(piItem->nGetOffset(0)) + (n > 0 ? static_cast<long>(n) * nItemSize : 0);
    const long nValues = static_cast<long>(m_nBufferSize) - m_nFlagFieldSize;
    // A slot outside the value area (a composite key, a description that does not match the record)
    // is none: nothing may be read or written there.
    if (nOffset < 0 || nOffset + static_cast<long>(nSlot) > nValues) return nullptr;
    return m_pbyValues + nOffset;
}

const unsigned char* CNAYFRecord::pbyGetItemValue(const INAItemDescription* piItem, int n) const {
    if (piItem == nullptr) return nullptr;
    unsigned long nSlot;
    return _pbySlot(piItem, n, &nSlot);
}

unsigned char* CNAYFRecord::pbyGetItemValue(const INAItemDescription* piItem, int n) {
    return const_cast<unsigned char*>(static_cast<const CNAYFRecord*>(this)->pbyGetItemValue(piItem, n));
}

bool CNAYFRecord::_bBitOf(const INAItemDescription* piItem, unsigned* pnByte, unsigned char* pbyMask) const {
    int p = piItem->nGetPhysicalIndice();
    if (p == -1) p = 0;
    if (p < 0 || static_cast<unsigned>(p >> 3) >= m_nFlagFieldSize) return false;
    *pnByte = static_cast<unsigned>(p) >> 3;
    *pbyMask = static_cast<unsigned char>(0x80u >> (p & 7));
    return true;
}

int CNAYFRecord::bItemValueDefined(const INAItemDescription* piItem, int) const {
    return piItem != nullptr && bPlaceDefined(piItem->nGetPhysicalIndice());
}

void CNAYFRecord::SetItemValueDefined(const INAItemDescription* piItem, int bDefined, int n) {
    unsigned nByte;
    unsigned char byMask;
    if (piItem == nullptr || !_bBitOf(piItem, &nByte, &byMask)) return;
    const bool bMemo = CNAItemDescription::g_bIsMemo(piItem->eNAGetItemType());
    // Marking a plain value defined touches its bit only: its slot is not looked up.
    if (bDefined && !bMemo)
        m_pbyNullFlags[nByte] |= byMask;
    else
        _SetItemValueDefinedInSlot(piItem, nByte, byMask, bMemo, bDefined, n);
}

void CNAYFRecord::_SetItemValueDefinedInSlot(const INAItemDescription* piItem, unsigned nByte, unsigned char byMask,
                                             bool bMemo, int bDefined, int n) {
    unsigned char* pbySlot = pbyGetItemValue(piItem, n);
    if (bDefined) {
        m_pbyNullFlags[nByte] |= byMask;
        if (bMemo && pbySlot != nullptr) {
            // A memo's slot holds the whole marker, as every memo read marks it: one store.
            const unsigned nTaille = piItem->nGetItemSize();
            if (nTaille >= sizeof(MEMO_DEFINI))
                memcpy(pbySlot, &MEMO_DEFINI, sizeof(MEMO_DEFINI));
            else
                memcpy(pbySlot, &MEMO_DEFINI, nTaille);
        }
    } else {
        m_pbyNullFlags[nByte] = static_cast<unsigned char>(m_pbyNullFlags[nByte] & ~byMask);
        if (pbySlot == nullptr) return;
        if (bMemo)
            memcpy(pbySlot, &MEMO_NULL,
                   sizeof(MEMO_NULL) <= piItem->nGetItemSize() ? sizeof(MEMO_NULL) : piItem->nGetItemSize());
        else
            memset(pbySlot, 0, s_nGetSlotSize(piItem, n));
    }
}

void CNAYFRecord::SetTabItemValueDefined(const INAItemDescription* const* ppiItems, unsigned nCount, const int* pnBits,
                                         const int* pbDefined) {
    for (unsigned i = 0; i < nCount; i++) {
        const INAItemDescription* piItem = ppiItems[i];
        if (piItem == nullptr) continue;
        const int p = pnBits[i];
        if (p < 0 || static_cast<unsigned>(p >> 3) >= m_nFlagFieldSize) continue;
        const unsigned char byMask = static_cast<unsigned char>(0x80u >> (p & 7));
        const bool bMemo = CNAItemDescription::g_bIsMemo(piItem->eNAGetItemType());
        unsigned char* pbySlot = pbyGetItemValue(piItem, 0);
        const unsigned nMarqueur = piItem->nGetItemSize() < 8 ? piItem->nGetItemSize() : 8;
        if (pbDefined[i]) {
            m_pbyNullFlags[p >> 3] |= byMask;
            if (bMemo && pbySlot != nullptr) memcpy(pbySlot, &MEMO_DEFINI, nMarqueur);
        } else {
            m_pbyNullFlags[p >> 3] = static_cast<unsigned char>(m_pbyNullFlags[p >> 3] & ~byMask);
            if (pbySlot == nullptr) continue;
            if (bMemo)
                memcpy(pbySlot, &MEMO_NULL, nMarqueur);
            else
                memset(pbySlot, 0, piItem->nGetItemSize());
        }
    }
}

// ------------------------------------------------------------------------------------------------
// Values
// ------------------------------------------------------------------------------------------------

void CNAYFRecord::SetItemValue(const INAItemDescription* piItem, const void* p, unsigned long nLength, int n) {
    unsigned char* pbySlot = pbyGetItemValue(piItem, n);
    if (pbySlot == nullptr) return;
    const unsigned long nSlot = s_nGetSlotSize(piItem, n);
    memset(pbySlot, 0, nSlot);
    const eNA_ITEMTYPE eType = piItem->eNAGetItemType();
    if (p != nullptr && nSlot > 0) {
        if (bTexte8Bits(eType)) {
            const char* psz = static_cast<const char*>(p);
            unsigned long i = 0;
            for (; i < nLength && i < nSlot - 1 && psz[i] != 0; i++) pbySlot[i] = static_cast<unsigned char>(psz[i]);
        } else if (eType == NA_IT_UNICODE || eType == NA_IT_MEMOUNICODE) {
            if (nLength >= sizeof(wchar_t)) {
                const wchar_t* psz = static_cast<const wchar_t*>(p);
                int nCar = 0;
                const int nMax = static_cast<int>(nLength / sizeof(wchar_t));
                while (nCar < nMax && psz[nCar] != 0) nCar++;
                unsigned short* pwUnites = reinterpret_cast<unsigned short*>(pbySlot);
                // Written through a properly aligned buffer: a slot offset is a plain byte offset.
                const int nRoom = static_cast<int>(nSlot / 2);
                unsigned short* pwTemp = static_cast<unsigned short*>(malloc(static_cast<size_t>(nRoom + 1) * 2));
                if (pwTemp != nullptr) {
                    const int nUnites = nCar > 0 ? WideCharToUTF16(psz, nCar, pwTemp, nRoom) : 0;
                    memcpy(pwUnites, pwTemp, static_cast<size_t>(nUnites) * 2);
                    free(pwTemp);
                }
            }
        } else if (eType == NA_IT_BINAIRE) {
            if (nSlot >= 2) {
                unsigned long nCompte = nLength < nSlot - 2 ? nLength : nSlot - 2;
                if (nCompte > MAX_COMPTE_BINAIRE) nCompte = MAX_COMPTE_BINAIRE;
                const uint16_t w = static_cast<uint16_t>(nCompte);
                memcpy(pbySlot, &w, 2);
                memcpy(pbySlot + 2, p, nCompte);
            }
        } else {
            memcpy(pbySlot, p, nLength < nSlot ? nLength : nSlot);
        }
    }
    SetItemValueDefined(piItem, 1, n);
}

int CNAYFRecord::nCastTo(CAny* pclValue, unsigned short nType, const INAItemDescription* piItem) {
    const unsigned short nSource = pclValue->nGetTypeCode();
    if ((nSource == VQTYPE_PSTRA || nSource == VQTYPE_DSTRA) && nType == VQTYPE_DATETIME && piItem != nullptr &&
        piItem->eNAGetItemType() == NA_IT_HEURE) {
        const char* psz = nullptr;
        pclValue->pclGetValeur()->nGetPCASTR(&psz);
        CDateTime clDate;
        clDate.InitDate();
        clDate.__SetPartieHeure(psz != nullptr ? psz : "");
        pclValue->SetDATETIME(clDate);
        return VQERR_OK;
    }
    return pclValue->__nCastTo(nType, nullptr, 1);
}

int CNAYFRecord::SetItemValue(const INAItemDescription* piItem, const CAny* pclValue, int n) {
    if (pclValue == nullptr || pclValue->bIsNull() || pclValue->nGetTypeCode() == VQTYPE_VIDE) {
        SetItemValueDefined(piItem, 0, n);
        return 1;
    }
    const eNA_ITEMTYPE eType = piItem->eNAGetItemType();
    const unsigned short nItemVQ = ConverteItemToVQType(eType, 0);
    const unsigned short nSource = pclValue->nGetTypeCode();
    if (nSource == VQTYPE_DATETIME && eType == NA_IT_HEURE) {
        CDateTime clDate;
        memcpy(&clDate, pclValue->pbyGetValeur(), sizeof(clDate));
        char szHeure[CDateTimeBase::TAILLE_HEURE + 1] = {};
        clDate.nVersHeure(szHeure, CDateTimeBase::TAILLE_HEURE);
        SetItemValue(piItem, szHeure, CDateTimeBase::TAILLE_HEURE + 1, n);
        return 1;
    }
    const bool bTel = nSource == nItemVQ || ((eType == NA_IT_DATE8 || eType == NA_IT_HEURE) && bVQTexteNarrow(nSource));
    const CAny* pclEcrit = pclValue;
    CAny clCopie;
    if (!bTel) {
        clCopie = *pclValue;
        if ((nSource == VQTYPE_DSTRW || nSource == VQTYPE_PSTRW) && nItemVQ == VQTYPE_CARA &&
            nCastTo(&clCopie, VQTYPE_PSTRA, piItem) > VQERR_DERNIER_SUCCES_HOTE)
            return 0;
        // A cast that fails leaves the slot and its bit as they were: an uncast value's bytes are
        // not the item's.
        if (nCastTo(&clCopie, nItemVQ, piItem) > VQERR_DERNIER_SUCCES_HOTE) return 0;
        pclEcrit = &clCopie;
    }
    if (eType == NA_IT_DECIMAL) {
        // A copy takes the item's precision: the caller's decimal stays as it is.
        if (pclEcrit == pclValue) {
            clCopie = *pclValue;
            pclEcrit = &clCopie;
        }
        IDecimalVQ* piDecimal = piDecimalDe(*pclEcrit);
        if (piDecimal == nullptr) return 0;
        const int nScale = static_cast<int>(piItem->nGetDecimalPart());
        piDecimal->vnSetPrecision(static_cast<int>(piItem->nGetIntegerPart()) + nScale, nScale);
        const unsigned char* pby = nullptr;
        unsigned long nBytes = 0;
        piDecimal->vnGetBytes(&pby, &nBytes);
        SetItemValue(piItem, pby, nBytes, n);
        return 1;
    }
    void* p = nullptr;
    unsigned long nBytes = 0;
    const CAny_Intern* pclObjet = pclEcrit->pclGetValeur();
    if (pclObjet->nGetDataAdr(&p) != VQERR_OK || pclObjet->nGetDataSize(&nBytes) != VQERR_OK) {
        p = nullptr;
        nBytes = 0;
    }
    SetItemValue(piItem, p, nBytes, n);
    return 1;
}

void CNAYFRecord::GetItemValue(CAny* pclValue, const INAItemDescription* piItem, int n) const {
    unsigned long nSlot;
    const unsigned char* pbySlot = _pbySlot(piItem, n, &nSlot);
    const eNA_ITEMTYPE eType = piItem->eNAGetItemType();
    // A wide text, the most read of the slots that hold text, needs no type lookup.
    if ((eType == NA_IT_UNICODE || eType == NA_IT_MEMOUNICODE) && pbySlot != nullptr) {
        LitUnicode(pclValue, pbySlot, nSlot);
        pclValue->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
        return;
    }
    if (eType <= NA_IT_MAX && pbySlot != nullptr) {
        const stLectureFixe stFixe = ptabLectureFixe()[eType];
        if (stFixe.nTaille != 0) {
            pclValue->__SetType(stFixe.nVQ, 0);
            const unsigned long nTaille = stFixe.nTaille <= nSlot ? stFixe.nTaille : nSlot;
            CopieValeurFixe(pclValue->pbyGetValeur(), pbySlot, nTaille);
            pclValue->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
            return;
        }
    }
    const unsigned short nVQ = ConverteItemToVQType(eType, 0);
    if (pbySlot == nullptr) {
        pclValue->__SetType(nVQ, 0);
        pclValue->SetNull(1);
        return;
    }
    if (eType == NA_IT_BINAIRE) {
        uint16_t w = 0;
        if (nSlot >= 2) memcpy(&w, pbySlot, 2);
        if (w > nSlot - 2) w = static_cast<uint16_t>(nSlot >= 2 ? nSlot - 2 : 0);
        pclValue->SetBIN(pbySlot + 2, w);
    } else if (eType == NA_IT_DECIMAL) {
        pclValue->__SetType(VQTYPE_DECIMAL, 0);
        pclValue->pclGetValeur()->SetValue(pbySlot, nSlot);
        IDecimalVQ* piDecimal = piDecimalDe(*pclValue);
        if (piDecimal != nullptr) {
            const int nScale = static_cast<int>(piItem->nGetDecimalPart());
            piDecimal->vnSetPrecision(static_cast<int>(piItem->nGetIntegerPart()) + nScale, nScale);
        }
    } else if (bVQTexteNarrow(nVQ)) {
        unsigned long nLen = 0;
        while (nLen < nSlot && pbySlot[nLen] != 0) nLen++;
        pclValue->__SetType(nVQ, 0);
        if (nVQ == VQTYPE_DSTRA || nVQ == VQTYPE_PSTRA) {
            pclValue->pclGetValeur()->SetValue(pbySlot, nLen);
        } else {
            // Given zero-terminated: a short text (a date, a time, a character) on the stack.
            char aszCourt[64];
            char* psz = nLen < sizeof(aszCourt) ? aszCourt : static_cast<char*>(malloc(nLen + 1));
            if (psz != nullptr) {
                memcpy(psz, pbySlot, nLen);
                psz[nLen] = 0;
                pclValue->pclGetValeur()->SetValue(psz);
                if (psz != aszCourt) free(psz);
            }
        }
    } else if (bVQTexteWide(nVQ)) {
        const unsigned long nMax = nSlot / sizeof(wchar_t);
        unsigned long nLen = 0;
        wchar_t c;
        while (nLen < nMax && (memcpy(&c, pbySlot + nLen * sizeof(wchar_t), sizeof(c)), c != 0)) nLen++;
        pclValue->__SetType(nVQ, 0);
        pclValue->pclGetValeur()->SetValue(pbySlot, nLen * sizeof(wchar_t));
    } else {
        pclValue->__SetType(nVQ, 0);
        unsigned long nTaille = 0;
        pclValue->pclGetValeur()->nGetDataSize(&nTaille);
        if (nTaille > nSlot) nTaille = nSlot;
        if (nTaille > VQTAILLE_VALEUR) nTaille = VQTAILLE_VALEUR;
        CopieValeurFixe(pclValue->pbyGetValeur(), pbySlot, nTaille);
    }
    pclValue->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
}

void CNAYFRecord::GetItemValue(void* pDestination, const INAItemDescription* piItem, int n) const {
    const unsigned char* pbySlot = pbyGetItemValue(piItem, n);
    if (pbySlot != nullptr) memcpy(pDestination, pbySlot, s_nGetSlotSize(piItem, n));
}

// ------------------------------------------------------------------------------------------------
// Whole buffer and serial form
// ------------------------------------------------------------------------------------------------

void CNAYFRecord::SetValues(const unsigned char* pby, unsigned nSize) {
    if (m_pbyBuffer == nullptr) return;
    const unsigned nValues = m_nBufferSize - m_nFlagFieldSize;
    if (pby != nullptr) memcpy(m_pbyValues, pby, nSize < nValues ? nSize : nValues);
    memset(m_pbyNullFlags, 0xFF, m_nFlagFieldSize);
}

bool CNAYFRecord::Copy(const CNAYFRecord* pclOther) {
    if (pclOther == nullptr || pclOther == this) return pclOther == this;
    if (pclOther->m_nBufferSize != m_nBufferSize || pclOther->m_nFlagFieldSize != m_nFlagFieldSize) return false;
    if (m_nBufferSize > 0) memcpy(m_pbyBuffer, pclOther->m_pbyBuffer, m_nBufferSize);
    return true;
}

bool CNAYFRecord::Serialize(unsigned char* pbyDestination, unsigned nSize) const {
    if (nSize < nGetSerializeSize()) return false;
    const uint32_t adw[3] = {m_nBufferSize, m_nItemCount, m_nFlagFieldSize};
    memcpy(pbyDestination, adw, sizeof(adw));
    if (m_nBufferSize > 0) memcpy(pbyDestination + 12, m_pbyBuffer, m_nBufferSize);
    return true;
}

unsigned char* CNAYFRecord::Deserialize(const unsigned char* pbySource, unsigned nSize) {
    if (pbySource == nullptr || nSize < 12) return nullptr;
    uint32_t adw[3];
    memcpy(adw, pbySource, sizeof(adw));
    // A form whose sizes do not fit the bytes given, or whose flag field is larger than its
    // buffer, is damaged: nothing is taken from it.
    if (adw[0] > nSize - 12 || adw[2] > adw[0]) return nullptr;
    unsigned char* pby = static_cast<unsigned char*>(malloc(adw[0] > 0 ? adw[0] : 1));
    if (pby == nullptr) return nullptr;
    if (adw[0] > 0) memcpy(pby, pbySource + 12, adw[0]);
    _SetBuffer(pby, adw[0], adw[1], adw[2]);
    return m_pbyValues;
}
