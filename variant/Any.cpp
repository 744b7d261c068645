// CAny and the root of the value classes: type change and the initial values of the types, the
// typed setters and getters, copies, raw values taken over from the host, and text access. The
// value classes themselves are in variant/Any_VQ*.
#include "variant/Any.h"

#include <cstdlib>
#include <initializer_list>

#include "core/STRUtil.h"
#include "variant/Any_VQBIN.h"
#include "variant/Any_VQBOOL.h"
#include "variant/Any_VQBUFFER.h"
#include "variant/Any_VQCARA.h"
#include "variant/Any_VQCARW.h"
#include "variant/Any_VQCY.h"
#include "variant/Any_VQChaineC.h"
#include "variant/Any_VQCompteur.h"
#include "variant/Any_VQDECIMAL.h"
#include "variant/Any_VQDSTRW.h"
#include "variant/Any_VQEntier.h"
#include "variant/Any_VQObjetHote.h"
#include "variant/Any_VQPSTRW.h"
#include "variant/Any_VQReel.h"
#include "variant/Any_VQTABANY.h"
#include "variant/Any_VQTexteFixe.h"
#include "variant/DateTimeBase.h"
#include "variant/VQConv.h"

namespace {

constexpr unsigned short DRAPEAUX_COPIES = VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400;

// Installs the class of a type code over the value object; the empty class for a code without
// one. Returns the code the type word takes (15 is stored as 9, 141 to 143 keep theirs).
[[gnu::always_inline]] inline unsigned short nInstalleClasse(void* pObjet, unsigned short nCode) {
    switch (nCode) {
        case VQTYPE_BOOL:
            ::new (pObjet) CAny_VQBOOL;
            break;
        case VQTYPE_UI1:
            ::new (pObjet) CAny_VQUI1;
            break;
        case VQTYPE_UI2:
            ::new (pObjet) CAny_VQUI2;
            break;
        case VQTYPE_UI4:
            ::new (pObjet) CAny_VQUI4;
            break;
        case VQTYPE_UI8:
            ::new (pObjet) CAny_VQUI8;
            break;
        case VQTYPE_I1:
            ::new (pObjet) CAny_VQI1;
            break;
        case VQTYPE_I2:
            ::new (pObjet) CAny_VQI2;
            break;
        case VQTYPE_I4:
            ::new (pObjet) CAny_VQI4;
            break;
        case VQTYPE_I8:
        case VQTYPE_I8_BIS:
            ::new (pObjet) CAny_VQI8;
            return VQTYPE_I8;
        case VQTYPE_CY:
            ::new (pObjet) CAny_VQCY;
            break;
        case VQTYPE_R4:
            ::new (pObjet) CAny_VQR4;
            break;
        case VQTYPE_R8:
            ::new (pObjet) CAny_VQR8;
            break;
        case VQTYPE_DECIMAL:
            ::new (pObjet) CAny_VQDECIMAL;
            break;
        case VQTYPE_UIX:
            ::new (pObjet) CAny_VQUIX;
            break;
        case VQTYPE_DSTRW:
            ::new (pObjet) CAny_VQDSTRW;
            break;
        case VQTYPE_CARA:
            ::new (pObjet) CAny_VQCARA;
            break;
        case VQTYPE_PSTRA:
            ::new (pObjet) CAny_VQPSTRA;
            break;
        case VQTYPE_DSTRA:
            ::new (pObjet) CAny_VQDSTRA;
            break;
        case VQTYPE_DATEW:
            ::new (pObjet) CAny_VQDATEW;
            break;
        case VQTYPE_TIMEW:
            ::new (pObjet) CAny_VQTIMEW;
            break;
        case VQTYPE_DATETIME:
            ::new (pObjet) CAny_VQDATETIME;
            break;
        case VQTYPE_DUREE:
            ::new (pObjet) CAny_VQDUREE;
            break;
        case VQTYPE_BIN:
            ::new (pObjet) CAny_VQBIN;
            break;
        case VQTYPE_BUFFER:
            ::new (pObjet) CAny_VQBUFFER;
            break;
        case VQTYPE_MEMOIMG:
            ::new (pObjet) CAny_VQMEMOIMG;
            break;
        case VQTYPE_CONVOYEUR:
            ::new (pObjet) CAny_VQCONVOYEUR;
            break;
        case VQTYPE_POLICE:
            ::new (pObjet) CAny_VQPOLICE;
            break;
        case VQTYPE_CARW:
            ::new (pObjet) CAny_VQCARW;
            break;
        case VQTYPE_TABANY:
            ::new (pObjet) CAny_VQTABANY;
            break;
        case VQTYPE_OBJET_BASE:
        case VQTYPE_OBJET_141:
        case VQTYPE_OBJET_142:
        case VQTYPE_OBJET_143:
            ::new (pObjet) CAny_VQOBJET_BASE;
            break;
        case VQTYPE_PSTRW:
            ::new (pObjet) CAny_VQPSTRW;
            break;
        case VQTYPE_DINO:
            ::new (pObjet) CAny_VQDINO;
            break;
        case VQTYPE_DATEA:
            ::new (pObjet) CAny_VQDATEA;
            break;
        case VQTYPE_TIMEA:
            ::new (pObjet) CAny_VQTIMEA;
            break;
        default:
            ::new (pObjet) CAny_Intern;
            return VQTYPE_VIDE;
    }
    return nCode;
}

// The type words (a code without flags) that install a class of their own and start from an
// all-zero area: what the general type change would leave without looking at the old area.
constexpr bool bCodeInitialZero(unsigned n) {
    switch (n) {
        case VQTYPE_BOOL:
        case VQTYPE_UI1:
        case VQTYPE_UI2:
        case VQTYPE_UI4:
        case VQTYPE_UI8:
        case VQTYPE_I1:
        case VQTYPE_I2:
        case VQTYPE_I4:
        case VQTYPE_I8:
        case VQTYPE_I8_BIS:
        case VQTYPE_CY:
        case VQTYPE_R4:
        case VQTYPE_R8:
        case VQTYPE_UIX:
        case VQTYPE_DSTRW:
        case VQTYPE_CARA:
        case VQTYPE_PSTRA:
        case VQTYPE_DSTRA:
        case VQTYPE_DUREE:
        case VQTYPE_BIN:
        case VQTYPE_BUFFER:
        case VQTYPE_MEMOIMG:
        case VQTYPE_CONVOYEUR:
        case VQTYPE_POLICE:
        case VQTYPE_CARW:
        case VQTYPE_TABANY:
        case VQTYPE_OBJET_BASE:
        case VQTYPE_OBJET_141:
        case VQTYPE_OBJET_142:
        case VQTYPE_OBJET_143:
        case VQTYPE_PSTRW:
        case VQTYPE_DINO:
            return true;
        default:
            return false;
    }
}

struct STCodesInitialZero {
    uint64_t adw[4] = {};
    constexpr STCodesInitialZero() {
        for (unsigned n = 0; n < 256; n++)
            if (bCodeInitialZero(n)) adw[n >> 6] |= uint64_t{1} << (n & 63);
    }
};
constexpr STCodesInitialZero g_stCodesInitialZero;

inline bool bInitialZero(unsigned short nType) {
    return nType < 256 && ((g_stCodesInitialZero.adw[nType >> 6] >> (nType & 63)) & 1u) != 0;
}
static_assert(!bCodeInitialZero(VQTYPE_VIDE));

}  // namespace

// ---------------------------------------------------------------------------------------------------
// CAny_Intern: the empty value
// ---------------------------------------------------------------------------------------------------

void CAny_Intern::operator delete(void* p) noexcept {
    // The value object is part of its CAny: after the destructor has released the value, the
    // empty class takes its place again, and nothing is freed.
    ::new (p) CAny_Intern;
}

void CAny_Intern::_CopieDrapeaux(CAny* pclCible) const {
    pclCible->ClearFlags(DRAPEAUX_COPIES);
    pclCible->SetFlags(m_nType & DRAPEAUX_COPIES);
}

void CAny_Intern::_Duplique(CAny* pclCible, unsigned short nCode, const void* p, const unsigned long* pn,
                            int bDrapeaux) const {
    if (pclCible == nullptr || pclCible == pclGetAny()) return;
    if (pclCible->_bTientDesValeurs()) {
        // This value may live in the target's array, or in an array nested in it, which the type
        // change or the setting below releases: the copy is made apart first, then handed over.
        CAny clCopie;
        _Duplique(&clCopie, nCode, p, pn, bDrapeaux);
        pclCible->_Prend(clCopie);
        return;
    }
    pclCible->__SetType(nCode, 0);
    CAny_Intern* pclValeur = pclCible->pclGetValeur();
    if (pn != nullptr)
        pclValeur->SetValue(p, *pn);
    else
        pclValeur->SetValue(p);
    pclCible->ClearFlags(DRAPEAUX_COPIES);
    if (bDrapeaux) _CopieDrapeaux(pclCible);
}

void CAny_Intern::Duplique(CAny* pclCible) const {
    if (pclCible != nullptr && pclCible != pclGetAny()) _CopieDrapeaux(pclCible);
}
int CAny_Intern::nGetSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, 0, VQERR_VIDE);
}
int CAny_Intern::nGetAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, nullptr, VQERR_VIDE);
}
int CAny_Intern::nFillBuffer(void*) const {
    return VQERR_VIDE;
}
int CAny_Intern::nGetDataSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, 0, VQERR_VIDE);
}
int CAny_Intern::nGetDataAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, nullptr, VQERR_VIDE);
}
int CAny_Intern::nFillDataBuffer(void*) const {
    return VQERR_VIDE;
}
void CAny_Intern::SetValue(const void*) {}
void CAny_Intern::SetValue(const void* p, unsigned long) {
    SetValue(p);
}
int CAny_Intern::nGetPCASTR(const char** ppsz) const {
    if (ppsz != nullptr) *ppsz = nullptr;
    return VQERR_TYPE;
}
int CAny_Intern::nGetPCWSTR(const wchar_t** ppsz) const {
    if (ppsz != nullptr) *ppsz = nullptr;
    return VQERR_TYPE;
}
int CAny_Intern::nGetSTRLEN(unsigned long* pnLongueur) const {
    return _nTaille(pnLongueur, 0, VQERR_TYPE);
}
int CAny_Intern::bIsPositive() const {
    return 1;
}
int CAny_Intern::nGetUtilDataSize(unsigned long* pnTaille) const {
    return nGetDataSize(pnTaille);
}
int CAny_Intern::nFillUtilDataBuffer(void* pBuffer) const {
    return nFillDataBuffer(pBuffer);
}
int CAny_Intern::nIncremente() {
    return VQERR_TYPE;
}
int CAny_Intern::nDecremente() {
    return VQERR_TYPE;
}
void CAny_Intern::SetValueFromANSI(const void* p) {
    SetValue(p);
}
void CAny_Intern::SetValueFromANSI(const void* p, unsigned long n) {
    SetValue(p, n);
}
void CAny_Intern::SetValueFromUNICODE(const void* p) {
    SetValue(p);
}
void CAny_Intern::SetValueFromUNICODE(const void* p, unsigned long n) {
    SetValue(p, n);
}
void CAny_Intern::SetValueFromANSI_CP(int, const void* p) {
    SetValueFromANSI(p);
}
void CAny_Intern::SetValueFromANSI_CP(int, const void* p, unsigned long n) {
    SetValueFromANSI(p, n);
}
void CAny_Intern::SetValueFromUNICODE_CP(int, const void* p) {
    SetValueFromUNICODE(p);
}
void CAny_Intern::SetValueFromUNICODE_CP(int, const void* p, unsigned long n) {
    SetValueFromUNICODE(p, n);
}
void CAny_Intern::SetValueOption(const void* p, unsigned long n, unsigned int) {
    SetValue(p, n);
}

// ---------------------------------------------------------------------------------------------------
// CAny: life and type change
// ---------------------------------------------------------------------------------------------------

CAny& CAny::operator=(const CAny& clSource) {
    if (this == &clSource) return *this;
    if (_bTientDesValeurs()) {
        // The source may be an element of this value's array, or of an array nested in it, and the
        // release below would free it before it is read: it is copied apart first.
        CAny clCopie(clSource);
        _Prend(clCopie);
        return *this;
    }
    delete pclGetValeur();
    _Vide();
    __SetType(clSource.nGetTypeCode(), 0);
    clSource.pclGetValeur()->Duplique(this);
    return *this;
}

void CAny::_Prend(CAny& clSource) {
    const unsigned short nType = clSource.nGetType();
    unsigned char aby[VQTAILLE_VALEUR];
    memcpy(aby, clSource.pbyGetValeur(), sizeof(aby));
    clSource._Vide();  // what it held belongs to this value from now on
    delete pclGetValeur();
    _Vide();
    __SetType(nType & VQTYPE_MASK_CODE, 1);
    memcpy(pbyGetValeur(), aby, sizeof(aby));
    SetFlags(nType & static_cast<unsigned short>(~VQTYPE_MASK_CODE));
}

void CAny::SetNull(int bNull) {
    if (bNull)
        SetFlags(VQTYPE_FLAG_NULL);
    else
        ClearFlags(VQTYPE_FLAG_NULL);
}

void CAny::__SetType(unsigned short nType, int bGarde) {
    const unsigned short nAncien = nGetType();
    if (nAncien == nType) return;
    // A variant just made (type word 0: the empty class, nothing owned), typed without keeping
    // its area to a type whose initial value is all zeros, as nearly every value read into a
    // fresh variant is: the class and the zeros, without the frame the general road needs to
    // keep an area across the class change.
    if ((nAncien | static_cast<unsigned>(bGarde)) == 0 && nType < VQTYPE_LIMITE) {
        const unsigned short nTypeFinal = nInstalleClasse(m_abyObjet, nType);
        // A code without a class keeps its area, and a few types start from a value of their
        // own: the general road, which finds the empty class again. A date-time, read as often
        // as a number, starts here from its initial date.
        if (bInitialZero(nTypeFinal) || nTypeFinal == VQTYPE_DATETIME) {
            CAny_Intern* pclValeur = pclGetValeur();
            pclValeur->m_nType = nTypeFinal;
            memset(pclValeur->m_abyValeur, 0, sizeof(pclValeur->m_abyValeur));
            if (nTypeFinal == VQTYPE_DATETIME) {
                CDateTime clInitial;
                clInitial.InitDate();
                static_cast<CAny_VQDATETIME*>(pclValeur)->Set(clInitial);
            }
            return;
        }
        _Vide();
    }
    _SetTypeGeneral(nType, bGarde);
}

void CAny::_SetTypeGeneral(unsigned short nType, int bGarde) {
    // The old value released; its destructor leaves the empty class in place. A value of type
    // word 0 holds the empty class already (a variant just made, as most typed are, whichever
    // module made it): it owns nothing, and its destructor and the reinstalling would change
    // nothing.
    if (nGetType() != VQTYPE_VIDE) delete pclGetValeur();

    const unsigned short nCode = nType & VQTYPE_MASK_CODE;
    // The class is installed anew over the area: what a kept value holds is put back after it.
    unsigned char abyGarde[VQTAILLE_VALEUR];
    memcpy(abyGarde, pbyGetValeur(), sizeof(abyGarde));
    const unsigned short nTypeFinal = nInstalleClasse(m_abyObjet, nCode);
    CAny_Intern* pclValeur = pclGetValeur();
    pclValeur->m_nType = nTypeFinal;
    if (bGarde || nTypeFinal == VQTYPE_VIDE) {
        memcpy(pclValeur->m_abyValeur, abyGarde, sizeof(abyGarde));
        return;
    }

    // The initial value of the type.
    memset(pclValeur->m_abyValeur, 0, sizeof(pclValeur->m_abyValeur));
    switch (nTypeFinal) {
        case VQTYPE_DECIMAL:
            pclValeur->_SetPointeur(CVQConv::s_piNewDecimal());
            break;
        case VQTYPE_DATEW:
            static_cast<CAny_VQDATEW*>(pclValeur)->InitTexte(CDateTimeBase::ms_pcszValeurInitDate);
            break;
        case VQTYPE_TIMEW:
            static_cast<CAny_VQTIMEW*>(pclValeur)->InitTexte(CDateTimeBase::ms_pcszValeurInitTime);
            break;
        case VQTYPE_DATEA:
            static_cast<CAny_VQDATEA*>(pclValeur)->InitTexte(CDateTimeBase::ms_pcszValeurInitDate);
            break;
        case VQTYPE_TIMEA:
            static_cast<CAny_VQTIMEA*>(pclValeur)->InitTexte(CDateTimeBase::ms_pcszValeurInitTime);
            break;
        case VQTYPE_DATETIME: {
            CDateTime clInitial;
            clInitial.InitDate();
            static_cast<CAny_VQDATETIME*>(pclValeur)->Set(clInitial);
            break;
        }
        default:
            break;  // zero, no string, no buffer, no object
    }
}

// ---------------------------------------------------------------------------------------------------
// Typed setters
// ---------------------------------------------------------------------------------------------------

namespace {
// Retype, set from p, clear both flags.
void SetType(CAny& cl, unsigned short nType, const void* p) {
    cl.__SetType(nType, 0);
    cl.pclGetValeur()->SetValue(p);
    cl.ClearFlags(DRAPEAUX_COPIES);
}
}  // namespace

void CAny::SetBOOL(int b) {
    SetType(*this, VQTYPE_BOOL, &b);
}
void CAny::SetUI1(unsigned char n) {
    SetType(*this, VQTYPE_UI1, &n);
}
void CAny::SetUI2(unsigned short n) {
    SetType(*this, VQTYPE_UI2, &n);
}
void CAny::SetUI4(unsigned int n) {
    SetType(*this, VQTYPE_UI4, &n);
}
void CAny::SetUI8(unsigned long n) {
    SetType(*this, VQTYPE_UI8, &n);
}
void CAny::SetI1(char n) {
    SetType(*this, VQTYPE_I1, &n);
}
void CAny::SetI2(short n) {
    SetType(*this, VQTYPE_I2, &n);
}
void CAny::SetI4(int n) {
    SetType(*this, VQTYPE_I4, &n);
}
void CAny::SetI8(long n) {
    SetType(*this, VQTYPE_I8, &n);
}
void CAny::SetCY(CMoney cy) {
    SetType(*this, VQTYPE_CY, &cy);
}
void CAny::SetR4(float r) {
    SetType(*this, VQTYPE_R4, &r);
}
void CAny::SetR8(double r) {
    SetType(*this, VQTYPE_R8, &r);
}
void CAny::SetDATE(const wchar_t* psz) {
    SetType(*this, VQTYPE_DATEW, psz);
}
void CAny::SetDATEW(const wchar_t* psz) {
    SetType(*this, VQTYPE_DATEW, psz);
}
void CAny::SetTIME(const wchar_t* psz) {
    SetType(*this, VQTYPE_TIMEW, psz);
}
void CAny::SetTIMEW(const wchar_t* psz) {
    SetType(*this, VQTYPE_TIMEW, psz);
}
void CAny::SetDATETIME(const CDateTime& clDateTime) {
    SetType(*this, VQTYPE_DATETIME, &clDateTime);
}
void CAny::SetDATETIME(CDateTime* pclDateTime) {
    SetType(*this, VQTYPE_DATETIME, pclDateTime);
}
void CAny::SetDUREE(CDuree* pclDuree) {
    SetType(*this, VQTYPE_DUREE, pclDuree);
}
void CAny::SetDATEA(const char* psz) {
    SetType(*this, VQTYPE_DATEA, psz);
}
void CAny::SetTIMEA(const char* psz) {
    SetType(*this, VQTYPE_TIMEA, psz);
}

void CAny::SetBIN(const unsigned char* pby, unsigned long n) {
    __SetType(VQTYPE_BIN, 0);
    pclGetValeur()->SetValue(pby, n);
    ClearFlags(DRAPEAUX_COPIES);
}

void CAny::SetValueByte(const void* p, unsigned long n) {
    pclGetValeur()->SetValue(p, n);
    ClearFlags(DRAPEAUX_COPIES);
}

// ---------------------------------------------------------------------------------------------------
// Typed getters
// ---------------------------------------------------------------------------------------------------

namespace {

// The integer value of a type word (NULL and 0x400 included, so a flagged value is no integer),
// widened to 64 bits: types of 32 bits or less are sign-extended when signed and bSigne is set,
// zero-extended otherwise; BOOL counts as a signed 32-bit integer. False for any other type word.
bool bLitEntier(const CAny& cl, bool bSigne, uint64_t& n) {
    const CAny_Intern* pcl = cl.pclGetValeur();
    switch (cl.nGetType()) {
        case VQTYPE_UI1:
            n = pcl->_tLit<uint8_t>();
            return true;
        case VQTYPE_UI2:
            n = pcl->_tLit<uint16_t>();
            return true;
        case VQTYPE_UI4:
            n = pcl->_tLit<uint32_t>();
            return true;
        case VQTYPE_I1:
            n = bSigne ? static_cast<uint64_t>(int64_t{pcl->_tLit<int8_t>()}) : pcl->_tLit<uint8_t>();
            return true;
        case VQTYPE_I2:
            n = bSigne ? static_cast<uint64_t>(int64_t{pcl->_tLit<int16_t>()}) : pcl->_tLit<uint16_t>();
            return true;
        case VQTYPE_BOOL:
        case VQTYPE_I4:
            n = bSigne ? static_cast<uint64_t>(int64_t{pcl->_tLit<int32_t>()}) : pcl->_tLit<uint32_t>();
            return true;
        case VQTYPE_UI8:
        case VQTYPE_I8:
        case VQTYPE_UIX:
            n = pcl->_tLit<uint64_t>();
            return true;
        default:
            return false;
    }
}

// Whether the whole type word is one of the codes a getter accepts.
bool bAccepte(const CAny& cl, std::initializer_list<unsigned short> lstCodes) {
    for (unsigned short nCode : lstCodes)
        if (cl.nGetType() == nCode) return true;
    return false;
}

}  // namespace

int CAny::nGetBYTE(unsigned char& by) const {
    // Every integer but BOOL, read unsigned: an I1 of -1 gives 255, an I2 of -1 is too large.
    uint64_t n;
    if (nGetType() == VQTYPE_BOOL || !bLitEntier(*this, false, n) || n > 255) return VQERR_PAS_UN_OCTET;
    by = static_cast<unsigned char>(n);
    return VQERR_OK;
}

int CAny::nGetINT(int* pn) const {
    *pn = 0;
    uint64_t n;
    if (!bAccepte(*this, {VQTYPE_BOOL, VQTYPE_UI1, VQTYPE_UI2, VQTYPE_I1, VQTYPE_I2, VQTYPE_I4}) ||
        !bLitEntier(*this, true, n))
        return VQERR_TYPE;
    *pn = static_cast<int>(n);
    return VQERR_OK;
}

int CAny::nGetINT_64(long* pn) const {
    *pn = 0;
    uint64_t n;
    if (!bAccepte(*this,
                  {VQTYPE_BOOL, VQTYPE_UI1, VQTYPE_UI2, VQTYPE_UI4, VQTYPE_I1, VQTYPE_I2, VQTYPE_I4, VQTYPE_I8}) ||
        !bLitEntier(*this, true, n))
        return VQERR_TYPE;
    *pn = static_cast<long>(n);
    return VQERR_OK;
}

int CAny::nGetBitField_64(unsigned long& n) const {
    n = 0;
    uint64_t nValeur;
    if (nGetType() == VQTYPE_BOOL || !bLitEntier(*this, true, nValeur)) return VQERR_TYPE;
    n = nValeur;
    return VQERR_OK;
}

int CAny::nGetREAL(double* pd) const {
    const CAny_Intern* pcl = pclGetValeur();
    switch (nGetType()) {
        case VQTYPE_R4:
            *pd = pcl->_tLit<float>();
            return VQERR_OK;
        case VQTYPE_R8:
            *pd = pcl->_tLit<double>();
            return VQERR_OK;
        default:
            return VQERR_TYPE;
    }
}

int CAny::nGetManipAUB(STManipAUB* pstManip) const {
    const unsigned short nType = nGetType();
    if (nType != VQTYPE_DSTRW && nType != VQTYPE_DSTRA && nType != VQTYPE_BIN) return VQERR_TYPE;
    pstManip->pContenu = pclGetValeur()->_pGetPointeur();
    pstManip->nType = nType;
    pstManip->nReserve = 0;
    return VQERR_OK;
}

void* CAny::piGetTraitement() const {
    if (nGetType() != VQTYPE_OBJET_141) return nullptr;
    IObjetVQ* pi = static_cast<IObjetVQ*>(pclGetValeur()->_pGetPointeur());
    return pi != nullptr ? pi->vpiGetTraitement() : nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Raw values
// ---------------------------------------------------------------------------------------------------

void CAny::__TransfertValeurInterne(unsigned short nType, unsigned char* pbyValeur) {
    // What the current value owns goes first, without its destructor, so that the type change
    // below finds nothing left to release for these types.
    CAny_Intern* pcl = pclGetValeur();
    void* p = pcl->_pGetPointeur();
    switch (nGetTypeCode()) {
        case VQTYPE_DECIMAL:
            CVQConv::s_ReleaseDecimal(static_cast<IDecimalVQ*>(p));
            pcl->_SetPointeur(nullptr);
            break;
        case VQTYPE_DSTRW:
        case VQTYPE_DSTRA:
        case VQTYPE_BIN:
            CBaseStrMem::s_ReleaseStrMem(static_cast<unsigned char*>(p));
            pcl->_SetPointeur(nullptr);
            break;
        case VQTYPE_PSTRA:
            static_cast<CAny_VQPSTRA*>(pcl)->__DeleteStr();
            break;
        case VQTYPE_PSTRW:
            static_cast<CAny_VQPSTRW*>(pcl)->__DeleteStr();
            break;
        default:
            break;
    }
    if (nGetType() == nType) {
        // The type change below keeps a value of the same type word as it is, and the copied area
        // would then lose what the value still holds (an array, an object reference): it is
        // released here and the class installed again with the same word.
        delete pclGetValeur();
        nInstalleClasse(m_abyObjet, nType & VQTYPE_MASK_CODE);
        pclGetValeur()->m_nType = nType;
    }
    __SetType(nType, 1);
    if (pbyValeur != nullptr)
        memcpy(pbyGetValeur(), pbyValeur, VQTAILLE_VALEUR);
    else
        memset(pbyGetValeur(), 0, VQTAILLE_VALEUR);
}

namespace {
// An 8-byte binary value reread as nType; the flags stay as they were, as through a conversion.
int nRelitBinaire(CAny& cl, unsigned short nType) {
    if (cl.nGetTypeCode() != VQTYPE_BIN) return VQERR_BINAIRE;
    const CAny_VQBIN* pclBin = static_cast<const CAny_VQBIN*>(cl.pclGetValeur());
    if (pclBin->pbyGetBuffer() == nullptr || pclBin->nGetTaille() != 8) return VQERR_BINAIRE;
    unsigned char aby[8];
    memcpy(aby, pclBin->pbyGetBuffer(), sizeof(aby));
    const unsigned short nDrapeaux = cl.nGetType() & DRAPEAUX_COPIES;
    cl.__SetType(nType, 0);
    memcpy(cl.pbyGetValeur(), aby, sizeof(aby));
    cl.SetFlags(nDrapeaux);
    return VQERR_OK;
}
}  // namespace

int CAny::nCastFrom_BIN_DUREE_To_DUREE() {
    return nRelitBinaire(*this, VQTYPE_DUREE);
}
int CAny::nCastFrom_BIN_DATEHEURE_To_DATEHEURE() {
    return nRelitBinaire(*this, VQTYPE_DATETIME);
}

// ---------------------------------------------------------------------------------------------------
// Text access
// ---------------------------------------------------------------------------------------------------

namespace {

template <typename T>
int nFillString(const CAny& cl, CXYString<T>& clCible, const STOCAW* pstOCAW) {
    constexpr unsigned short nTypePartage = sizeof(T) == 1 ? VQTYPE_DSTRA : VQTYPE_DSTRW;
    const CAny_Intern* pclValeur = cl.pclGetValeur();
    if (cl.nGetTypeCode() == nTypePartage) {
        CAny_VQChainePartagee<T, nTypePartage>::s_Partage(&clCible, static_cast<T*>(pclValeur->_pGetPointeur()));
        return VQERR_OK;
    }
    const T* psz = nullptr;
    int nResultat;
    if constexpr (sizeof(T) == 1)
        nResultat = pclValeur->nGetPCASTR(&psz);
    else
        nResultat = pclValeur->nGetPCWSTR(&psz);
    if (nResultat == VQERR_OK) {
        unsigned long nLongueur = 0;
        pclValeur->nGetSTRLEN(&nLongueur);
        if (nLongueur > static_cast<unsigned long>(STRMEM_MAX_UNITS)) return VQERR_TROP_LONG;
        if constexpr (sizeof(T) == 1)
            return clCible.nAffecte(psz, static_cast<int>(nLongueur));
        else
            return clCible.nAffecteConversion(psz, static_cast<int>(nLongueur));
    }
    // Anything else is converted by the host into a fresh shared string, which the target takes.
    unsigned char abyDestination[VQTAILLE_VALEUR] = {};
    nResultat = CVQConv::nConversion(const_cast<unsigned char*>(cl.pbyGetValeur()), cl.nGetTypeCode(), abyDestination,
                                     nTypePartage, 0, pstOCAW);
    if (nResultat <= VQERR_DERNIER_SUCCES_HOTE) {
        T* pszConverti;
        memcpy(&pszConverti, abyDestination, sizeof(pszConverti));
        clCible.AttacheBuffer(pszConverti);
    }
    return nResultat;
}

}  // namespace

int CAny::__nFillString(CXYString<char>& clCible, const STOCAW* pstOCAW) const {
    return nFillString(*this, clCible, pstOCAW);
}

int CAny::__nFillString(CXYString<wchar_t>& clCible, const STOCAW* pstOCAW) const {
    return nFillString(*this, clCible, pstOCAW);
}

int CAny::__nSetString(const wchar_t* psz, int nLongueur, const STOCAW* pstOCAW) {
    // No descriptor: the host's current code page (-1 for the conversion).
    const int nCodePage = pstOCAW != nullptr ? static_cast<int>(pstOCAW->nCodePage) : -1;
    CXYString<char> cl;
    const int nResultat = cl.__nConversion(psz, nLongueur, 0, nCodePage, 0, nullptr);
    if (nResultat <= VQERR_DERNIER_SUCCES_HOTE) {
        __SetType(VQTYPE_DSTRA, 0);
        pclGetValeur()->SetValue(&cl);
        ClearFlags(DRAPEAUX_COPIES);
    }
    return nResultat;
}

int CAny::nUnshare() {
    switch (nGetTypeCode()) {
        case VQTYPE_DSTRW:
            return static_cast<CAny_VQDSTRW*>(pclGetValeur())->_nModifie([](CXYString<wchar_t>& cl) {
                return cl.nUnshare();
            });
        case VQTYPE_DSTRA:
            return static_cast<CAny_VQDSTRA*>(pclGetValeur())->_nModifie([](CXYString<char>& cl) {
                return cl.nUnshare();
            });
        default:
            return VQERR_OK;
    }
}

// ---------------------------------------------------------------------------------------------------
// Byte strings from values
// ---------------------------------------------------------------------------------------------------

int CVQBIN::nAssignInit(const STTabAny& stValeurs) {
    if (stValeurs.ptabAny == nullptr || static_cast<int64_t>(stValeurs.nNbAny) < 1) return nAssignInit(nullptr, 0);
    if (stValeurs.nNbAny > static_cast<uint64_t>(STRMEM_MAX_UNITS)) return STRMEM_ERR_TOO_LONG;
    const int n = static_cast<int>(stValeurs.nNbAny);
    // Every element must be a byte before the value is touched.
    for (int i = 0; i < n; i++) {
        unsigned char by;
        if (stValeurs.ptabAny[i].nGetBYTE(by) != VQERR_OK) return STRMEM_ERR_BAD_ELEMENT;
    }
    const int nResultat = _nNew(n, nullptr, 0, 0);
    if (nResultat != STRMEM_OK) return nResultat;
    for (int i = 0; i < n; i++) stValeurs.ptabAny[i].nGetBYTE(m_pbyBuffer[i]);
    SetUtilSize(n);
    return STRMEM_OK;
}
