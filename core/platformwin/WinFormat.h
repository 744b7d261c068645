// Windows-dialect formatting on Linux: the wide printf family in which "%s" takes a wide string and
// "%S" or "%hs" an 8-bit one (the format is rewritten for the C library's vswprintf), the bounded
// printers that always terminate, the Windows FormatMessage emulations with numbered inserts, and
// the small number-to-text and string helpers the Windows C library offered. Error texts, SQL
// fragments, dumps and file names of the whole library are built with these calls.
#pragma once

#include <cstdarg>
#include <cstddef>

#ifndef FORMAT_MESSAGE_ALLOCATE_BUFFER
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100  // buffer is a wchar_t** that receives a malloc'd block
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200   // inserts are copied, no argument is read
#define FORMAT_MESSAGE_FROM_STRING 0x00000400      // source is the message text
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800     // refused: there are no message resources in modules
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000      // the system's text for an error number
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000   // args is an array of 64-bit values, not a va_list*
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF   // line width; 255: no width, source line breaks as spaces
#endif

// errno of a FormatMessage call whose block could not be allocated (the Windows status of a failed
// heap allocation).
#define KX_ERRNO_NO_MEMORY 0xC0000017u

// ---- Windows-dialect wide printers. They answer what vswprintf answers: the characters written, or
// a negative value when the text does not fit or cannot be encoded (errno as vswprintf left it).

// At most size characters, terminator included; a text that does not fit is cut and terminated.
int vsnwprintfWin(wchar_t* buffer, size_t size, const wchar_t* format, va_list args);
int snwprintfWin(wchar_t* buffer, size_t size, const wchar_t* format, ...);

// No limit of their own below 10,000,000 characters: the caller sizes the buffer.
int vswprintfWin(wchar_t* buffer, const wchar_t* format, va_list args);
int swprintfWin(wchar_t* buffer, const wchar_t* format, ...);

// Room for n characters plus a terminator: a terminator is always stored at position n at the
// latest; -1 when the full text is longer than n (the first n characters are kept), else its length.
int vsznwprintfWin(wchar_t* buffer, size_t n, const wchar_t* format, va_list args);
int sznwprintfWin(wchar_t* buffer, size_t n, const wchar_t* format, ...);
int vsznwprintf(wchar_t* buffer, size_t n, const wchar_t* format, va_list args);
int sznwprintf(wchar_t* buffer, size_t n, const wchar_t* format, ...);

// The same over 8-bit text with the C library's own printf dialect.
int vsznprintf(char* buffer, size_t n, const char* format, va_list args);
int sznprintf(char* buffer, size_t n, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Formats into a heap block stored in *result (freed by the caller with free); answers the length,
// or -1 with *result null. A text that cannot be encoded gives a copy of the format itself.
int vaswprintf(wchar_t** result, const wchar_t* format, va_list args);

// ---- Format rewriting from the Windows dialect to the C library's: "%s" -> "%ls", "%S" and "%hs"
// -> "%s"; "%%" stays a literal percent. Room in characters needed for the rewritten format,
// terminator included.
int _nCalculeTailleChaineFormattageUnix(const wchar_t* format);
// Writes the rewritten format into out (room characters, always terminated); returns out.
wchar_t* _ConvertFormatWindowsToUnix(const wchar_t* format, wchar_t* out, int room);

// ---- FormatMessage.
// Windows FormatMessage with numbered inserts "%1" to "%99" ("%1!d!" gives the conversion), the
// escapes "%0 %n %r %t %b %%", and a line width in the low byte of flags. buffer is a wchar_t*
// of size characters, or with FORMAT_MESSAGE_ALLOCATE_BUFFER a wchar_t** that receives a malloc'd
// block. Answers the length without terminator; 0 with errno 22 (refused flags, malformed text),
// 75 (does not fit; the caller's buffer then holds a terminated prefix) or 0xC0000017 (no memory).
// args is a va_list* of 64-bit values, or with FORMAT_MESSAGE_ARGUMENT_ARRAY an array of them.
unsigned FormatMessageWin(unsigned flags, const void* source, unsigned messageId, unsigned languageId, wchar_t* buffer,
                          unsigned size, va_list* args);

// A plain dialect printf of source (no numbered inserts); FORMAT_MESSAGE_FROM_SYSTEM takes the text
// of the current errno as the format. With FORMAT_MESSAGE_ALLOCATE_BUFFER the block holds at least
// size characters. Answers the length, 0 on failure.
unsigned FormatMessageW(unsigned flags, const void* source, unsigned messageId, unsigned languageId, wchar_t* buffer,
                        unsigned size, va_list* args);
unsigned FormatMessageA(unsigned flags, const void* source, unsigned messageId, unsigned languageId, char* buffer,
                        unsigned size, va_list* args);

// ---- Number to text in radix 2 to 36 (digits past 9 as 'a' onward); signed forms put '-' before
// the magnitude. They return buffer; a radix out of range gives an empty text.
char* ui64toa(unsigned long long value, char* buffer, int radix);
char* ultoa(unsigned long value, char* buffer, int radix);
wchar_t* ui64tow(unsigned long long value, wchar_t* buffer, int radix);
wchar_t* ultow(unsigned long value, wchar_t* buffer, int radix);
char* i64toa(long long value, char* buffer, int radix);
char* ltoa(long value, char* buffer, int radix);
char* itoa(int value, char* buffer, int radix);
wchar_t* i64tow(long long value, wchar_t* buffer, int radix);
wchar_t* ltow(long value, wchar_t* buffer, int radix);
wchar_t* itow(int value, wchar_t* buffer, int radix);

// ---- Small string helpers.
wchar_t* my_struprW(wchar_t* text);
wchar_t* my_strlwrW(wchar_t* text);
char* my_struprA(char* text);
char* my_strlwrA(char* text);

// Hexadecimal digits at the start of text (either case); count receives how many were read. The
// value wraps past 64 bits.
long long nGetEntierHexa(const wchar_t* text, int& count);
// Value of exactly four hexadecimal digits, not checked.
int nGetEntierHexa4(const wchar_t* text);

size_t xstrnlen(const char* text, size_t max);
size_t xwcsnlen(const wchar_t* text, size_t max);

wchar_t* wcsset(wchar_t* text, wchar_t c);
char* _strset(char* text, int c);
// Fill at most n characters, stopping at the terminator. wcsnset returns text, _strnset the
// position after the last character filled.
wchar_t* wcsnset(wchar_t* text, wchar_t c, size_t n);
char* _strnset(char* text, int c, size_t n);

// First occurrence of a byte pattern; null for an empty pattern or data, or a pattern longer than
// the data.
void* xmemmem(const void* haystack, size_t haystackSize, const void* needle, size_t needleSize);
