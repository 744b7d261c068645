// The integers the server writes, straight into a value's storage: its text of decimal digits
// (an optional minus sign, then 1 to 19 digits) read without the host's conversion, for the
// integer language types. Any other text (blanks, a plus sign, a fraction, a value outside the
// type) is left to the host's conversion, whose rules then apply.
#pragma once

// True when the text was one of these integers and its value, in range for nType (a language
// integer type: 3 to 9), was written over the type's size at pDestination (nCapacity bytes there).
bool NA_bServerIntegerToStorage(const char* psz, unsigned long n, unsigned short nType, void* pDestination,
                                unsigned long nCapacity);
