// The Unicode toolkit: free functions that measure, walk and convert text between UTF-8, UTF-16
// (arrays of unsigned short), UTF-32 (the platform's 32-bit wchar_t) and 8-bit code pages, plus
// the few number and string routines that the Windows-style code of the library expects.
// Everything works on caller buffers (or returns a malloc block the caller frees), never raises
// and touches no error object: failures show only in the result. The code-page legs go through
// the platform layer's MultiByteToWideChar and WideCharToMultiByte.
#pragma once

#include <cstddef>

// Length of the UTF-8 sequence a byte starts, indexed by (byte >> 2): 1 for ASCII, 0 for a
// continuation byte, 2 to 6 for lead bytes.
extern const unsigned char TabUTF8len[64];

// True for the code pages in which a character may take more than one byte: UTF-8 and the
// double-byte pages. Their bytes cannot be handled one at a time as characters.
bool bCodePageMultiOctet(unsigned codePage);

// ---------------------------------------------------------------------------------------------
// Measuring and walking UTF-8
// ---------------------------------------------------------------------------------------------

// Address after the character at p. A lead byte takes at most its announced count of following
// continuation bytes; a stray continuation byte takes itself and at most 5 more. Never steps
// over the terminator.
char* UTF8next(char* p);
const char* UTF8next(const char* p);
// Bytes of the character at p (as UTF8next walks it).
int UTF8Len(const char* p);
// Characters up to the terminator, counted by UTF8next steps (0 for null or empty).
int UTF8ToWideLen(const char* s);
// Characters up to the terminator: bytes minus continuation bytes (0 for null).
long StrLenUTF8(const char* s);
// The same within at most n bytes (stops at the terminator).
int StrNLenUTF8(const char* s, int n);
// UTF-8 bytes of a wide text without its terminator; values outside 0..0x10FFFF count nothing.
int UTF8ByteLen(const wchar_t* s);
// The same over at most n characters, plus 1 when the terminator is reached within them.
int UTF8ByteLenTotal(const wchar_t* s, int n);
// Decodes the first character of s; len gives the bytes available on entry and the bytes used
// on return. -1 (len 0) for null s, len < 1, a cut or malformed sequence, or a lead byte >= 0xF8.
int UTF8FirstChar(const char* s, int& len);
// True when the text is made of well-formed 1- to 4-byte shapes (len -1: up to the terminator).
bool UTF8Valide(const char* s, long len);
// Every one of the n bytes below 0x80: the same characters in UTF-8 and every page whose lower
// half is ASCII, converted a byte a character.
inline bool bToutASCII(const char* s, long n) {
    for (long i = 0; i < n; ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
    return true;
}
// Decodes the character at *p by its lead byte and advances *p past it. A stray continuation
// byte gives '?' (63) and advances 1; a sequence cut by the terminator gives 63 and stops on the
// terminator.
unsigned int UTF8_GetNext(const char** p);
// The same bounded by *left bytes: a sequence longer than what is left gives 63 and sets *left
// to 0 without moving; otherwise *left drops by the bytes taken.
unsigned int UTF8_GetNext(const char** p, unsigned long* left);

// ---------------------------------------------------------------------------------------------
// Converting
// ---------------------------------------------------------------------------------------------

// Encodes the whole text and its terminator (null s: nothing). Values outside 0..0x10FFFF
// become '?'. Returns the bytes written before the terminator.
long WideToUTF8(char* dst, const wchar_t* s);
// The same into size bytes: a character is written only if it leaves at least one byte free;
// the terminator is always written (size 0 or null s: nothing). Returns the bytes before it.
long WideToUTF8(char* dst, unsigned long size, const wchar_t* s);
// n characters (-1: up to and including the terminator) into size bytes, stopping at the first
// character that does not fit; no terminator of its own. Returns the bytes written.
int nWideToUTF8(char* dst, int size, const wchar_t* s, int n);
// Encodes one character and a terminator into out (at most 5 bytes); returns the bytes before
// the terminator. Values outside 0..0x10FFFF give '?'.
int UTF32ToUTF8(wchar_t c, char* out);
// Decodes a UTF-8 text into size characters, terminator included (size 0: nothing). Returns
// the characters written before the terminator.
unsigned long UTF8ToWide(wchar_t* dst, unsigned long size, const char* s);
// Decodes len bytes (-1: the text and its terminator) into size characters; returns the count.
int nUTF8ToWide(wchar_t* dst, int size, const char* s, int len);
// UTF-16 units needed for len bytes of UTF-8: one per character up to 0xFFFF, two above.
unsigned long UTF8ToUTF16Len(const char* s, unsigned long len);
// Decodes len bytes of UTF-8 into at most size units (characters above 0xFFFF as a surrogate
// pair, written only when both units fit); no terminator. Returns the units written.
unsigned long UTF8ToUTF16(unsigned short* dst, unsigned long size, const char* s, unsigned long len);
// UTF-16 to wide: a high and low surrogate pair becomes one character, lone surrogates pass
// unchanged. n -1: the UTF-16 length plus its terminator. room 0: the characters needed.
// Otherwise at most room characters; dst may start at the same address as s. Returns the count.
int UTF16ToWideChar(const unsigned short* s, int n, wchar_t* dst, int room);
// Wide to UTF-16: characters from 0x10000 to 0x10FFFF become a surrogate pair (written only
// when both units fit), others keep their low 16 bits. n -1: wcslen + 1. room 0: the units
// needed. Returns the units written.
int WideCharToUTF16(const wchar_t* s, int n, unsigned short* dst, int room);
// Plain copies (n -1: wcslen + 1; room 0: n); dst may overlap s. Return the count.
int UTF32ToWideChar(const wchar_t* s, int n, wchar_t* dst, int room);
int WideCharToUTF32(const wchar_t* s, int n, wchar_t* dst, int room);
// UTF-16 through wide to a code page: the result of WideCharToMultiByte.
int UTF16ToMultiByte(unsigned codePage, unsigned flags, const unsigned short* s, int n, char* dst, int size,
                     const char* defaultChar, int* usedDefault);
// A code page through wide to UTF-16: the result of WideCharToUTF16.
int MultiByteToUTF16(unsigned codePage, unsigned flags, const char* s, int n, unsigned short* dst, int room);
int MultiByteToUTF16_CurrentCharset(const char* s, int n, unsigned short* dst, int room, unsigned flags);
// n bytes in a code page to UTF-8 in size bytes, ASCII copied without conversion; the rest of
// dst is zero-filled. Returns the bytes written (0 when a run converts to nothing).
unsigned long MultiByteToUTF8(unsigned codePage, const char* s, unsigned long n, char* dst, unsigned long size,
                              unsigned flags);
unsigned long MultiByteToUTF8_CurrentCharset(const char* s, unsigned long n, char* dst, unsigned long size,
                                             unsigned flags);
// n bytes of UTF-8 to a code page in size bytes, the same way round.
unsigned long UTF8ToMultiByte(unsigned codePage, const char* s, unsigned long n, char* dst, unsigned long size,
                              unsigned flags, const char* defaultChar, int* usedDefault);
unsigned long UTF8ToMultiByte_CurrentCharset(const char* s, unsigned long n, char* dst, unsigned long size,
                                             unsigned flags);
// At most size - 1 characters cut to their low byte; always terminated (size < 1: nothing).
void WideCharToANSI(char* dst, int size, const wchar_t* s);
// At most size - 1 bytes, each sign-extended to a wide value; always terminated.
void ANSIToWideChar(wchar_t* dst, int size, const char* s);

// ---------------------------------------------------------------------------------------------
// UTF-16 strings
// ---------------------------------------------------------------------------------------------

int utf16len(const unsigned short* s);
int utf16nlen(const unsigned short* s, int n);
// Copies units up to a zero unit or n units; writes no terminator and no padding.
unsigned short* utf16ncpy(unsigned short* dst, const unsigned short* s, unsigned long n);
// Compares at most n units after towlower: 0 when equal, else the difference of the first pair
// that differs.
int utf16nicmp(const unsigned short* a, const unsigned short* b, unsigned long n);
// First place within the first n units of s where the pattern matches ignoring case (s for an
// empty pattern, null when none).
const unsigned short* utf16niutf16(const unsigned short* s, const unsigned short* pattern, unsigned long n);

// ---------------------------------------------------------------------------------------------
// Wide text that may be unaligned (read from packed records)
// ---------------------------------------------------------------------------------------------

int __UNALIGNED__UNICODE__STRLEN__(const char* p);
// Copies up to n characters until a zero one, then zero-fills the rest of the n.
char* __UNALIGNED__UNICODE__STRNCPY__(char* dst, const char* src, int n);

// ---------------------------------------------------------------------------------------------
// Allocating copies: malloc blocks that the caller frees
// ---------------------------------------------------------------------------------------------

// n characters (-1: wcslen) in code page 1252.
char* pszXSTR2CSTR(const wchar_t* s, int n);
// A copy of the whole text (n < 1) or of its first n characters.
wchar_t* pszWSTR2XSTR(const wchar_t* s, long n, int nUnused = 0);
wchar_t* pszXSTR2WSTR(const wchar_t* s, long n);
// n bytes (-1: strlen) in a code page converted to wide.
wchar_t* pszCSTR2XSTR(const char* s, int n, int codePage);

// ---------------------------------------------------------------------------------------------
// Numbers
// ---------------------------------------------------------------------------------------------

// Digits of v in the radix (2 to 36; any other radix writes an empty text), most significant
// first, lower-case letters above 9; the result is dst.
wchar_t* _ui64towOrl(unsigned long v, wchar_t* dst, int radix);
char* _ui64toaOrl(unsigned long v, char* dst, int radix);
// The same with '-' before the magnitude of a negative value.
wchar_t* _i64towOrl(long v, wchar_t* dst, int radix);
char* _i64toaOrl(long v, char* dst, int radix);
// Parse the first 99 characters of s (taken in code page 1252) with strtoll (base 10) or strtod.
long _wtoi64Orl(const wchar_t* s);
double wtof(const wchar_t* s);
// gcvt of v with digits significant digits (at most 17, the most a double holds), widened into
// out, which must hold 64 characters.
wchar_t* _wgcvt(double v, int digits, wchar_t* out);
