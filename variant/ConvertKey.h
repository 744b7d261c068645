// CConvertKey: the byte-sortable key of a variant value, for the driver's in-memory index over
// cached records. The value is cast to the column's type (through the host when the types differ),
// its bytes handed to CYFConvertKey for the type's item type, and the key optionally inverted for a
// descending order. The table cache passes options 0x2800: ascending, 8-bit texts copied as they
// are, wide texts as their raw 16-bit units.
#pragma once

#include "variant/Any.h"

class CConvertKey {
public:
    // Writes the key into the caller's buffer of nKeySize bytes; the key's length. A value that is
    // NULL or empty is first turned, in place, into an empty wide string (type 110) and keyed so.
    static int nConvertKeyAndGetSize(CAny* pclValeur, unsigned char* pbyKey, unsigned long nKeySize,
                                     unsigned short nType, unsigned short nOptions, int nDigits, int nDecimals);
    // The same into a key allocated with malloc, of the size CYFConvertKey::nCalculateKeySize gives;
    // *ppbyKey receives it (null first, and when the allocation fails) and the caller frees it.
    static int nConvertKeyAndGetSize(CAny* pclValeur, unsigned char** ppbyKey, unsigned short nType,
                                     unsigned short nOptions, int nDigits, int nDecimals);

    // Both forms: *ppbyKey null asks for an allocated key (nKeySize is then ignored). nType 0 is the
    // value's own type. A value that cannot be cast to nType gives a key of zeros and 0.
    static int _nConvertKeyAndGetSize(CAny* pclValeur, unsigned char** ppbyKey, unsigned long nKeySize,
                                      unsigned short nType, unsigned short nOptions, int nDigits, int nDecimals);
    // Inverts every byte of the key (descending order): a word at a time, then the bytes left.
    static void __InvertKey(unsigned char* pbyKey, unsigned long nSize);
};
