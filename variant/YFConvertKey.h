// CYFConvertKey: byte-sortable keys of the engine's item types. A key is a byte string of a fixed
// size per column, written so that comparing two keys as unsigned bytes orders their values:
// integers and reals most significant byte first with the sign made to sort, texts copied or mapped,
// binary data as hexadecimal digits, currency, date-times and decimals in their own key forms.
// The variant type codes of CAny map to the item types through two tables (type code to an internal
// class, class to item type). CConvertKey (variant/ConvertKey.h) feeds it the bytes of a CAny.
#pragma once

// The engine's item types, as keys are written for them.
enum eITEMTYPE : int {
    ITEMTYPE_AUCUN = -1,  // no item type for the variant type
    ITEMTYPE_VIDE = 0,    // no key
    ITEMTYPE_CHAINE = 1,  // 8-bit text
    ITEMTYPE_I1 = 2,
    ITEMTYPE_I2 = 3,
    ITEMTYPE_I4 = 4,
    ITEMTYPE_I8 = 5,
    ITEMTYPE_R4 = 6,
    ITEMTYPE_R8 = 7,
    ITEMTYPE_UI1 = 8,
    ITEMTYPE_UI2 = 9,
    ITEMTYPE_UI4 = 10,
    ITEMTYPE_UI8 = 11,
    ITEMTYPE_CHAINE_BIS = 12,  // 8-bit text, keyed like ITEMTYPE_CHAINE
    ITEMTYPE_BUFFER = 13,      // no key
    ITEMTYPE_MONETAIRE = 14,
    ITEMTYPE_DATEHEURE = 15,
    ITEMTYPE_DUREE = 16,
    ITEMTYPE_BINAIRE = 17,
    ITEMTYPE_CARACTERE = 18,
    ITEMTYPE_BOOLEEN = 19,
    ITEMTYPE_UNICODE_PSTRW = 20,
    ITEMTYPE_UNICODE = 21,
    ITEMTYPE_DECIMAL = 22,
};

// Options of a key.
constexpr unsigned short YFKEY_OPTION_FASTSORT = 0x1;    // wide text through tabUCS2FastSort
constexpr unsigned short YFKEY_OPTION_BIG_ENDIAN = 0x2;  // wide text as big-endian units
constexpr unsigned short YFKEY_OPTION_20 = 0x20;         // mapping / collation flags of texts
constexpr unsigned short YFKEY_OPTION_40 = 0x40;
constexpr unsigned short YFKEY_OPTION_80 = 0x80;
constexpr unsigned short YFKEY_OPTION_DESCENDANT = 0x400;  // every byte inverted
// Flag of __nConvertKey: the wide text is in 32-bit characters (else UTF-16 units).
constexpr int YFKEY_FLAG_WCHAR32 = 16;

class CYFConvertKey {
public:
    // Size of the key of a value of the variant type (or item type) with dataSize bytes of data:
    // 8-bit texts data + 1, binary data x 2, wide texts data x 2 + 2, decimals 32, the others data.
    static unsigned long nCalculateKeySize(unsigned short nVariantType, unsigned long nDataSize);
    static unsigned long nCalculateKeySize(eITEMTYPE eKind, unsigned long nDataSize);

    // The item type of a variant type code (0 and codes above 129 key like I4, UIX like UI8).
    static eITEMTYPE eGetItemType(unsigned short nVariantType);

    // Writes the key of the data for the item type into keySize bytes; the key's length (1, 2, 4,
    // 8, 10 or 32 for the fixed kinds; 0 when the item type has no key).
    static int __nConvertKey(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                             eITEMTYPE eKind, unsigned short nOptions, int nDigits, int nDecimals,
                             unsigned int nCharset, int nFlags);

    // The per-kind writers: (key, key size, data, data size). Data shorter than the kind's size
    // reads as zeros beyond its end; a key shorter than it gets only its first bytes.
    static int _I1_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _UI1_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _I2_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _UI2_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _I4_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _UI4_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _I8_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _UI8_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _R4_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _R8_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int __Rx_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                           unsigned long nSize);
    static int _DateTime_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    static int _CY_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    // Through a decimal object of the host's factory for (digits, decimals); 0 without a factory.
    static int _Decimal_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                               int nDigits, int nDecimals);
    // Two lower-case hexadecimal digits per byte, '0' after them.
    static int _nBin_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize);
    // 8-bit text: copied, or mapped in the character set (options 0x80, 0x20, 0x40).
    static int _nSTR_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                            unsigned short nOptions, unsigned int nCharset);
    // Wide text as 16-bit units: collated by the host's engine, or reordered by options 1 and 2, or
    // else written so that the bytes compare in the characters' code-point order.
    static int _nUNICODE_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                                unsigned short nOptions, int nFlags);

    // tabUCS2FastSort: one sort weight per UTF-16 unit, one-to-one, each stored with its two bytes
    // swapped so that a unit written to memory reads as its big-endian weight. Control characters
    // first in code order, then white space, punctuation and symbols, digits, then letters in
    // alphabetical order (a, A, à, À, ..., b, B), and last what is none of these. Built on first use.
    static const unsigned short* s_ptabUCS2FastSort();

private:
    // Options 1 and 2 on the units of a key: each but the last through tabUCS2FastSort, or swapped
    // to big-endian.
    static void _ReorderUnits(unsigned char* pbyKey, unsigned long nUnites, unsigned short nOptions);
};
