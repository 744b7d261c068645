// The integers and reals the server writes, straight into a value's storage: read without the
// host's conversion when the text is one the server writes and the value is one the host would
// store from it byte for byte. Any other text (blanks, a plus sign, NaN, Infinity, a value outside
// the type) is left to the host's conversion, whose rules then apply.
#pragma once

// Integers: an optional minus sign, then 1 to 19 digits. True when the text was one of these
// integers and its value, in range for nType (a language integer type: 3 to 9), was written over
// the type's size at pDestination (nCapacity bytes there).
bool NA_bServerIntegerToStorage(const char* psz, unsigned long n, unsigned short nType, void* pDestination,
                                unsigned long nCapacity);

// Reals: an optional minus sign, digits with an optional fraction of digits, an optional exponent
// (e or E, an optional sign, digits). The text is read as a double rounded to nearest, as the host
// reads a real text; a 4-byte real is that double made a float, as the host makes it. True when
// the value was written (nType 11 or 12); false, nothing written, for a value the host would refuse
// or read with another rule (infinite, beyond a float, below the normal doubles but not zero).
bool NA_bServerRealToStorage(const char* psz, unsigned long n, unsigned short nType, void* pDestination,
                             unsigned long nCapacity);

// Money (a 10-byte CMoney, six decimals): an optional minus sign, 1 to 12 integer digits, then
// optionally '.' and 1 to 6 decimals. Each such text names its value exactly, which is written as
// the host writes it (the 80-bit integer of millionths). True when the value was written; false,
// nothing written, for any other text (more digits, blanks, a sign of plus, a separator of its
// own), which the host's conversion then reads by its own rules.
bool NA_bServerMoneyToStorage(const char* psz, unsigned long n, void* pDestination, unsigned long nCapacity);
