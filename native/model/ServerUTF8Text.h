// A server's UTF-8 text straight into the UTF-16 units of a record slot, without the platform's
// conversion and its wide copy: one pass, no allocation. Only well-formed UTF-8 is read here
// (shortest forms, no surrogates, nothing above U+10FFFF); any other text is left to the
// platform's conversion, whose rules for damaged text then apply.
#pragma once

// The n bytes at psz decoded into at most nRoom UTF-16 units at pbyDestination (any byte
// alignment, native byte order): a character beyond U+FFFF takes a surrogate pair, and the first
// character that does not fit ends the units written, as the platform's conversion ends them. The
// units written, or -1 when the text is not well-formed UTF-8 (what was written then means
// nothing).
int NA_nServerUTF8ToUTF16(const char* psz, unsigned long n, unsigned char* pbyDestination, int nRoom);

// The n bytes at psz widened into n wide characters at pszOut when they are all ASCII (which UTF-8
// writes as itself); false at the first byte that is not, pszOut then meaning nothing.
bool NA_bServerASCIIToWide(const char* psz, unsigned long n, wchar_t* pszOut);
