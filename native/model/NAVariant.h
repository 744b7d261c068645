// CNAVariant: a reference-counted holder of one language value (CAny) with typed setters, byte and
// host comparison, a 32-bit checksum, emptiness tests, decimal information, loading and storing a
// value from and to a file, and a trace text. It is the base of the value converter
// CNAConvertVariant, which redefines its virtual operations to read the value from an external
// buffer as well; every operation here that looks at the data goes through those virtual ones.
#pragma once

#include <cstdint>

#include "native/model/Interf.h"
#include "native/model/NAItemType.h"
#include "variant/Any.h"

struct CMoney;
class CNAConnectionDescription;
class CNAConvertVariant;
class CNAError;
class CTString;
template <class T>
class CXYString;

class CNAVariant : public CInterf {
public:
    CNAVariant() = default;
    ~CNAVariant() override = default;

    // ---- virtual operations after CInterf's, in slot order
    // Converts the value in place to another language type; true when the host's cast succeeded.
    virtual int vbChangeVQType(unsigned short nType, int n);
    virtual int vbGetValue(CAny* pclOut) const { return bGetValue(pclOut); }
    virtual int vbIsEmpty() const { return m_clValue.nGetTypeCode() == VQTYPE_VIDE; }
    virtual const void* vpGetData() const { return pGetData(); }
    virtual unsigned long vnGetSize() const { return nGetSize(); }
    virtual CNAConnectionDescription* pclGetCnx() { return nullptr; }

    // ---- the held value
    CAny* pclGetValue() { return &m_clValue; }
    const CAny* pclGetValue() const { return &m_clValue; }
    int bGetValue(const CAny** ppclValue) const {
        *ppclValue = &m_clValue;
        return 1;
    }
    // The target takes a copy of the value (type code, value and flags); true.
    int bGetValue(CAny* pclOut) const;
    // The value takes a copy of the given one; true.
    int bSetValue(const CAny* pclIn);
    // null: an empty NULL value of the same type; else a copy of the other's value; true.
    int bCopyVariant(const CNAVariant* pclOther);
    // A new converter from the driver's factory holding a copy of this value; null when none.
    CNAVariant* pclGetCloneVariant() const;

    const void* pGetData() const;
    unsigned long nGetSize() const;
    unsigned long nGetUtilDataSize() const;
    // The bytes go to the value's sized setter; the type stays; the flags are cleared.
    int bSetValue(const unsigned char* pby, unsigned long n);

    // ---- typed setters: each sets the type and value and clears the flags
    int bSetValue(bool b);
    int bSetValue(unsigned char n);
    int bSetValue(unsigned short n);
    int bSetValue(unsigned int n);
    int bSetValue(unsigned long n);
    int bSetValue(char n);
    int bSetValue(short n);
    int bSetValue(int n);
    int bSetValue(long n);
    int bSetValue(CMoney cy);
    int bSetValue(float r);
    int bSetValue(double r);

    // ---- types
    int bChangeItemType(eNA_ITEMTYPE eType, int n) { return vbChangeVQType(ConverteItemToVQType(eType, 0), n); }
    eNA_ITEMTYPE eNAGetItemTypeValue() const { return ConvertVQTypeToeItem(m_clValue.nGetTypeCode()); }

    // ---- comparison
    // Same type and data size: the bytes, unsigned, first difference decides; otherwise the host's
    // comparison (0 when it fails).
    int nCmp(const CAny* pclOther) const;
    int nCmp(const CNAVariant* pclOther) const;
    bool bEqualsNAVariant(const CAny* pclOther) const;
    // A missing converter counts as NULL: both NULL are equal, one NULL is not.
    static bool g_bEqualsNAVariant(const CNAConvertVariant* pclA, const CNAConvertVariant* pclB);

    // ---- emptiness
    bool bIsEmptyString() const;
    bool bIsEmptyStringEx() const;
    bool bIsNumeric0() const;
    // The values the host database may take for NULL.
    bool bCouldBeNullOnYF() const { return bIsEmptyStringEx() || bIsNumeric0(); }

    // ---- decimals, checksum, trace
    int bGetDecimalInfo(int* pnDigits, int* pnDecimals) const;
    // Sum of the little-endian 32-bit words of the data, then of its last bytes (modulo 2^32).
    uint32_t nChecksum32() const;
    void GetString(CXYString<wchar_t>* pclOut, const wchar_t* pszMask, int n) const;
    void GetString(CTString* pclOut, const wchar_t* pszMask, int n) const;

    // ---- files
    int bStoreFile(const wchar_t* pszPath, CNAError* pclError) const;
    int bLoadFile(const wchar_t* pszPath, CNAError* pclError, int bBinary);
    // The value's data bytes written as they are (no header) to a new or truncated file.
    static int gbStoreFile(const CAny* pclValue, const wchar_t* pszPath, CNAError* pclError);
    // The whole file as 8-bit text (19), or as binary (28) with bBinary.
    static int gbLoadFile(CAny* pclValue, const wchar_t* pszPath, CNAError* pclError, int bBinary);

protected:
    // Both flags cleared, as every setter ends.
    void _EffaceDrapeaux() { m_clValue.ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400); }
    // The value is narrow (17, 18, 19, 21, 22, 23, 134) or wide (16, 20, 81, 110) text.
    static bool s_bNarrowText(unsigned short nType);
    static bool s_bWideText(unsigned short nType);

    CAny m_clValue;
};
