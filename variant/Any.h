// CAny: the tagged value in which every value of the host's language passes between the host and
// the library (record values, search keys, query parameters, results of the host's operators).
// It is a packed 56-byte record that the host reads and writes in place: a 32-bit word, then the
// value object, a small polymorphic object built inside the record (class pointer, 16-bit type
// word, 40-byte value area). The value object's class is chosen by the type code (CAny_Intern is
// the empty type; one class per language type, variant/Any_VQ*.h) and knows the size, address,
// copy, release and stepping of its value. Arrays of values (type 83) are plain arrays of these
// records, and the host may hand us records built by its own value classes, so the layout and the
// slot order of CAny_Intern are binary interface.
//
// This file holds the record, the empty class and the type codes. The conversions through the
// host (__nCastTo and its relatives) are declared here and defined with the host's conversion
// binding (CVQConv); the host's operators on values are free functions of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "core/CharsetTable.h"  // STOCAW
#include "core/ManipAUB.h"
#include "core/XYString.h"

class CAny;
struct CMoney;
class CDateTime;
class CDuree;

// ---------------------------------------------------------------------------------------------------
// Type codes (low byte of the type word) and flags (high byte)
// ---------------------------------------------------------------------------------------------------
enum eVQTYPE : unsigned short {
    VQTYPE_VIDE = 0,
    VQTYPE_BOOL = 1,
    VQTYPE_UI1 = 2,
    VQTYPE_UI2 = 3,
    VQTYPE_UI4 = 4,
    VQTYPE_UI8 = 5,
    VQTYPE_I1 = 6,
    VQTYPE_I2 = 7,
    VQTYPE_I4 = 8,
    VQTYPE_I8 = 9,
    VQTYPE_CY = 10,
    VQTYPE_R4 = 11,
    VQTYPE_R8 = 12,
    VQTYPE_DECIMAL = 13,
    VQTYPE_UIX = 14,
    VQTYPE_I8_BIS = 15,  // asked for, stored as VQTYPE_I8
    VQTYPE_DSTRW = 16,
    VQTYPE_CARA = 17,
    VQTYPE_PSTRA = 18,
    VQTYPE_DSTRA = 19,
    VQTYPE_DATEW = 24,
    VQTYPE_TIMEW = 25,
    VQTYPE_DATETIME = 26,
    VQTYPE_DUREE = 27,
    VQTYPE_BIN = 28,
    VQTYPE_BUFFER = 29,
    VQTYPE_MEMOIMG = 30,
    VQTYPE_CONVOYEUR = 50,
    VQTYPE_POLICE = 65,
    VQTYPE_CARW = 81,
    VQTYPE_TABANY = 83,
    VQTYPE_OBJET_BASE = 108,
    VQTYPE_PSTRW = 110,
    VQTYPE_DINO = 111,
    VQTYPE_DATEA = 128,
    VQTYPE_TIMEA = 129,
    VQTYPE_OBJET_141 = 141,  // host object kinds held like OBJET_BASE, keeping their own code
    VQTYPE_OBJET_142 = 142,
    VQTYPE_OBJET_143 = 143,
    VQTYPE_LIMITE = 144,  // low bytes from here on select the empty type
};

constexpr unsigned short VQTYPE_MASK_CODE = 0x00FF;
// The value is NULL; its value area still holds a value of its type.
constexpr unsigned short VQTYPE_FLAG_NULL = 0x0100;
// A second flag owned by the host and the record layer: copies and conversions carry it along with
// the NULL flag, every setter clears it, nothing in this layer acts on it.
constexpr unsigned short VQTYPE_FLAG_0400 = 0x0400;
constexpr unsigned short VQTYPE_MASK_SETTER = 0xFAFF;  // what a setter keeps of the type word

// Size of the value area, in the layout of the type (what the host's functions read and write).
constexpr size_t VQTAILLE_VALEUR = 40;

// Result codes of the values.
constexpr int VQERR_OK = 0;
constexpr int VQERR_VIDE = 102;          // the value is empty
constexpr int VQERR_NULL = 103;          // an operand is NULL
constexpr int VQERR_BINAIRE = 104;       // a binary value is not the 8-byte image of a duration or date-time
constexpr int VQERR_TYPE = 105;          // the type does not allow the operation
constexpr int VQERR_TROP_LONG = 108;     // a text longer than 0x7FFFFEFF characters
constexpr int VQERR_PAS_UN_OCTET = 115;  // a value that does not fit an unsigned byte
// Results of the host's conversion and calculator functions up to this one count as success.
constexpr int VQERR_DERNIER_SUCCES_HOTE = 99;

// An array of values as the host hands it: the first element and the count.
struct STTabAny {
    CAny* ptabAny;
    uint64_t nNbAny;
};
static_assert(sizeof(STTabAny) == 16);

// ---------------------------------------------------------------------------------------------------
// CAny_Intern: the empty type and root of the value classes
// ---------------------------------------------------------------------------------------------------
// The value object lives inside a CAny. Its class pointer sits at offset 4 of the record, not
// aligned: the packing is 4 so that the type word and the value area follow without gaps.
#pragma pack(push, 4)
class CAny_Intern {
public:
    // Installs the class over the value object in place: the type word and the value area are
    // left as they are (the caller sets them).
    CAny_Intern() {}
    CAny_Intern(const CAny_Intern&) = delete;
    CAny_Intern& operator=(const CAny_Intern&) = delete;

    // The destructors release what the value owns. The value object is part of its CAny, so the
    // deleting destructor frees nothing: it reinstalls the empty class in place.
    virtual ~CAny_Intern() {}
    static void operator delete(void* p) noexcept;

    // Slots in this order (binary interface); the root's answers are those of the empty value.
    virtual void Duplique(CAny* pclCible) const;
    virtual int nGetSize(unsigned long* pnTaille) const;
    virtual int nGetAdr(void** ppAdr) const;
    virtual int nFillBuffer(void* pBuffer) const;
    virtual int nGetDataSize(unsigned long* pnTaille) const;
    virtual int nGetDataAdr(void** ppAdr) const;
    virtual int nFillDataBuffer(void* pBuffer) const;
    virtual void SetValue(const void* p);
    virtual void SetValue(const void* p, unsigned long n);
    virtual int nGetPCASTR(const char** ppsz) const;
    virtual int nGetPCWSTR(const wchar_t** ppsz) const;
    virtual int nGetSTRLEN(unsigned long* pnLongueur) const;
    virtual int bIsPositive() const;
    virtual int nGetUtilDataSize(unsigned long* pnTaille) const;
    virtual int nFillUtilDataBuffer(void* pBuffer) const;
    virtual int nIncremente();
    virtual int nDecremente();
    virtual void SetValueFromANSI(const void* p);
    virtual void SetValueFromANSI(const void* p, unsigned long n);
    virtual void SetValueFromUNICODE(const void* p);
    virtual void SetValueFromUNICODE(const void* p, unsigned long n);
    virtual void SetValueFromANSI_CP(int nCodePage, const void* p);
    virtual void SetValueFromANSI_CP(int nCodePage, const void* p, unsigned long n);
    virtual void SetValueFromUNICODE_CP(int nCodePage, const void* p);
    virtual void SetValueFromUNICODE_CP(int nCodePage, const void* p, unsigned long n);
    virtual void SetValueOption(const void* p, unsigned long n, unsigned int dwOption);

    // The CAny this value object is part of.
    CAny* pclGetAny();
    const CAny* pclGetAny() const;

    // The value area read as a field of type T at a byte offset. The area is only 4-byte aligned
    // inside a packed record, so fields are copied, never referenced.
    template <typename T>
    T _tLit(size_t nOffset = 0) const {
        T t;
        memcpy(&t, m_abyValeur + nOffset, sizeof(T));
        return t;
    }
    // The pointer in the first 8 bytes of the area (string, buffer, object or null).
    void* _pGetPointeur() const { return _tLit<void*>(); }

protected:
    friend class CAny;
    friend struct CAnyLayout;

    template <typename T>
    void _Ecrit(const T& t, size_t nOffset = 0) {
        memcpy(m_abyValeur + nOffset, &t, sizeof(T));
    }
    void _SetPointeur(const void* p) { _Ecrit(p); }
    // The target gets this value's NULL and 0x400 flags (its own two are cleared first).
    void _CopieDrapeaux(CAny* pclCible) const;
    // The copy every class makes: the target takes the class of nCode (keep flag 0) and its value
    // from p (SetValue(p), or SetValue(p, *pn) when pn is given), loses both flags and, unless
    // bDrapeaux is 0, gets this value's. A copy onto the value itself changes nothing.
    void _Duplique(CAny* pclCible, unsigned short nCode, const void* p, const unsigned long* pn = nullptr,
                   int bDrapeaux = 1) const;
    // Writes a size when the caller gave room for it and answers nResultat.
    static int _nTaille(unsigned long* pnTaille, unsigned long n, int nResultat = VQERR_OK) {
        if (pnTaille != nullptr) *pnTaille = n;
        return nResultat;
    }
    static int _nAdresse(void** ppAdr, const void* p, int nResultat = VQERR_OK) {
        if (ppAdr != nullptr) *ppAdr = const_cast<void*>(p);
        return nResultat;
    }
    // psz handed out as the value's text pointer when its width is the one asked for (U); a text of
    // the other width gives none (null, 105).
    template <typename T, typename U>
    static int _nPointeurTexte(const T* psz, const U** ppsz) {
        if constexpr (std::is_same_v<T, U>) {
            if (ppsz != nullptr) *ppsz = psz;
            return VQERR_OK;
        } else {
            if (ppsz != nullptr) *ppsz = nullptr;
            return VQERR_TYPE;
        }
    }

    uint16_t m_nType;                            // type word: code in the low byte, VQTYPE_FLAG_* in the high byte
    uint16_t m_nInutilise;                       // not used
    unsigned char m_abyValeur[VQTAILLE_VALEUR];  // the value in the layout of its type
};
#pragma pack(pop)

// ---------------------------------------------------------------------------------------------------
// CAny: the record
// ---------------------------------------------------------------------------------------------------
#pragma pack(push, 4)
class CAny {
public:
    // First word 0, the empty class, type word 0.
    CAny() : m_dwReserve(0) { _Vide(); }
    // A copy shares or copies the value by its class (Duplique) and carries both flags.
    CAny(const CAny& clSource) : m_dwReserve(0) {
        _Vide();
        clSource.pclGetValeur()->Duplique(this);
    }
    CAny& operator=(const CAny& clSource);
    // Releases what the value owns (shared buffers, owned strings, object references, decimal
    // objects, arrays); the record itself belongs to its owner.
    ~CAny() { delete pclGetValeur(); }

    // The value object, whatever class is installed (the class changes in place, so every access
    // goes through a laundered pointer). Its class pointer lies 4 bytes into the record, and the
    // record itself is only 4-aligned (the host's arrays, the caller's stack), so the object is
    // 8-aligned in one record out of two and nothing can place it better. Its operations are
    // therefore always called directly: the packed class has alignment 4, and a direct virtual call
    // reads the class pointer as a member of that class, which is well-defined at any 4-aligned
    // address. A call through a pointer to a member function is never used on it: the compiler
    // reads the class pointer there as an 8-aligned pointer word, which is undefined at offset 4.
    CAny_Intern* pclGetValeur() { return std::launder(reinterpret_cast<CAny_Intern*>(m_abyObjet)); }
    const CAny_Intern* pclGetValeur() const { return std::launder(reinterpret_cast<const CAny_Intern*>(m_abyObjet)); }

    // The type word, its code (low byte) and the flags.
    unsigned short nGetType() const { return pclGetValeur()->m_nType; }
    unsigned short nGetTypeCode() const { return pclGetValeur()->m_nType & VQTYPE_MASK_CODE; }
    int bIsNull() const { return (pclGetValeur()->m_nType & VQTYPE_FLAG_NULL) != 0; }
    void SetNull(int bNull);
    // Sets or clears flags of the type word without touching the value (owners set the NULL flag).
    void SetFlags(unsigned short nFlags) { pclGetValeur()->m_nType |= nFlags; }
    void ClearFlags(unsigned short nFlags) { pclGetValeur()->m_nType &= static_cast<uint16_t>(~nFlags); }

    // The 40-byte value area, in the layout of the type (what the host's functions receive).
    unsigned char* pbyGetValeur() { return pclGetValeur()->m_abyValeur; }
    const unsigned char* pbyGetValeur() const { return pclGetValeur()->m_abyValeur; }

    // -----------------------------------------------------------------------------------------------
    // Type change
    // -----------------------------------------------------------------------------------------------
    // Makes the value of the given type: nothing when the whole type word already equals nType;
    // otherwise the old value is released, the class of the low byte installed (144 and above, or a
    // code without a class: the empty type), the type word set without flags and, unless bGarde,
    // the type's initial value written.
    void __SetType(unsigned short nType, int bGarde);

    // -----------------------------------------------------------------------------------------------
    // Typed setters: each retypes the value, sets it and clears both flags
    // -----------------------------------------------------------------------------------------------
    void SetBOOL(int b);
    void SetUI1(unsigned char n);
    void SetUI2(unsigned short n);
    void SetUI4(unsigned int n);
    void SetUI8(unsigned long n);
    void SetI1(char n);
    void SetI2(short n);
    void SetI4(int n);
    void SetI8(long n);
    void SetCY(CMoney cy);
    void SetR4(float r);
    void SetR8(double r);
    void SetDATE(const wchar_t* psz);
    void SetDATEW(const wchar_t* psz);
    void SetTIME(const wchar_t* psz);
    void SetTIMEW(const wchar_t* psz);
    void SetDATETIME(const CDateTime& clDateTime);
    void SetDATETIME(CDateTime* pclDateTime);
    void SetDUREE(CDuree* pclDuree);
    void SetBIN(const unsigned char* pby, unsigned long n);
    void SetDATEA(const char* psz);
    void SetTIMEA(const char* psz);
    // Keeps the type and sets its value from n bytes (SetValue(p, n)), then clears both flags.
    void SetValueByte(const void* p, unsigned long n);

    // -----------------------------------------------------------------------------------------------
    // Typed getters: the whole type word is compared, so a NULL value is refused like another type
    // -----------------------------------------------------------------------------------------------
    // 0, or 115 when the value is not an integer from 0 to 255 (the output is written on success only).
    int nGetBYTE(unsigned char& by) const;
    // 0 or 105; the output is set to 0 first.
    int nGetINT(int* pn) const;
    int nGetINT_64(long* pn) const;
    int nGetBitField_64(unsigned long& n) const;
    // 0 or 105 (output untouched).
    int nGetREAL(double* pd) const;
    // The content view of a shared wide or 8-bit string or a byte string; 105 otherwise.
    int nGetManipAUB(STManipAUB* pstManip) const;
    // For a host object of kind 141, the object's own answer (its 50th operation); else null.
    void* piGetTraitement() const;

    // -----------------------------------------------------------------------------------------------
    // Raw values
    // -----------------------------------------------------------------------------------------------
    // Takes over a value the host wrote in a 40-byte area in the layout of nType: the current value's
    // storage is released, the type set with its value kept, the area copied. No reference is added.
    void __TransfertValeurInterne(unsigned short nType, unsigned char* pbyValeur);
    // An 8-byte binary value reread as a duration or a date-time: 0, or 104 with the value unchanged.
    int nCastFrom_BIN_DUREE_To_DUREE();
    int nCastFrom_BIN_DATEHEURE_To_DATEHEURE();

    // -----------------------------------------------------------------------------------------------
    // Text access
    // -----------------------------------------------------------------------------------------------
    // The value as 8-bit (wide) text: shared for a DSTRA (DSTRW), copied from a value that has a text
    // pointer, otherwise converted by the host (flags 0). 0, 108 or the host's result.
    int __nFillString(CXYString<char>& clCible, const STOCAW* pstOCAW) const;
    int __nFillString(CXYString<wchar_t>& clCible, const STOCAW* pstOCAW) const;
    // Wide text converted to 8-bit text in the descriptor's code page (none: the host's current
    // one); on success the value becomes a DSTRA holding it. The conversion's result.
    int __nSetString(const wchar_t* psz, int nLongueur, const STOCAW* pstOCAW);
    // Makes a shared wide or 8-bit text private; 0 for other types.
    int nUnshare();

    // -----------------------------------------------------------------------------------------------
    // Conversions through the host (defined with the host's conversion binding)
    // -----------------------------------------------------------------------------------------------
    int __nCastTo(unsigned short nType, const STOCAW* pstOCAW, unsigned int dwFlags);
    static int __s_nCastTo(void* pDestination, const wchar_t* psz, unsigned short nType, const STOCAW* pstOCAW);
    int __nCastToString(const wchar_t** ppsz, const STOCAW* pstOCAW);
    int __nCastToString(const char** ppsz, const STOCAW* pstOCAW);

private:
    friend struct CAnyLayout;
    friend class CAny_Intern;

    // Takes over the value of clSource, which is left empty without being released: this value's
    // own value is released first, then the class, the value area and the flags of clSource are
    // put in place (nothing is copied or counted again).
    void _Prend(CAny& clSource);
    // The value holds values of its own (an array that is not empty): a source being copied into
    // it may lie inside them.
    bool _bTientDesValeurs() const {
        return nGetTypeCode() == VQTYPE_TABANY && pclGetValeur()->_pGetPointeur() != nullptr;
    }
    // The empty class installed in place with type word 0.
    void _Vide() {
        CAny_Intern* pcl = ::new (static_cast<void*>(m_abyObjet)) CAny_Intern;
        pcl->m_nType = VQTYPE_VIDE;
    }
    // The type change of a value that owns something, keeps its area, or takes a type whose
    // initial value is not all zeros: out of line, so that the common case keeps no frame.
    [[gnu::noinline]] void _SetTypeGeneral(unsigned short nType, int bGarde);
    // The setters' common end: both flags cleared.
    void _EffaceDrapeaux() { pclGetValeur()->m_nType &= VQTYPE_MASK_SETTER; }

    uint32_t m_dwReserve;                     // 0 at construction; no operation of this layer reads or changes it
    alignas(4) unsigned char m_abyObjet[52];  // the value object: class pointer, type word, 2 bytes, value area
};
#pragma pack(pop)

inline CAny* CAny_Intern::pclGetAny() {
    return reinterpret_cast<CAny*>(reinterpret_cast<unsigned char*>(this) - 4);
}
inline const CAny* CAny_Intern::pclGetAny() const {
    return reinterpret_cast<const CAny*>(reinterpret_cast<const unsigned char*>(this) - 4);
}

// Layout shared with the host.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CAnyLayout {
    static_assert(sizeof(CAny_Intern) == 52);
    static_assert(alignof(CAny_Intern) == 4);
    static_assert(offsetof(CAny_Intern, m_nType) == 8);
    static_assert(offsetof(CAny_Intern, m_abyValeur) == 12);
    static_assert(sizeof(CAny) == 56);
    static_assert(alignof(CAny) == 4);
    static_assert(offsetof(CAny, m_dwReserve) == 0);
    static_assert(offsetof(CAny, m_abyObjet) == 4);                                        // class pointer
    static_assert(offsetof(CAny, m_abyObjet) + offsetof(CAny_Intern, m_nType) == 12);      // type word
    static_assert(offsetof(CAny, m_abyObjet) + offsetof(CAny_Intern, m_abyValeur) == 16);  // value area
    static_assert(sizeof(CAny_Intern::m_abyValeur) == 40);
};
#pragma GCC diagnostic pop
