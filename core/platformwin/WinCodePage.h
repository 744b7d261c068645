// Windows character-set interfaces on Linux: Windows code-page numbers mapped to iconv names, the
// conversions between 8-bit text in a code page and wide (UCS-4) text, the UTF-8 locale set-up of
// the process and the fixed answers to the Windows language queries. The whole library converts
// paths, messages and values through these calls, with the Windows calling convention (a length of
// -1 takes the terminator along, a null or empty output asks for the size needed, 0 is failure). A
// null source text is the empty text (with a length of -1, its terminator alone). The conversions
// may be called from any thread: the iconv converters they keep open belong to the calling thread
// and are closed when it ends.
#pragma once

#include <cstddef>

#ifndef CP_ACP
#define CP_ACP 0  // the default code page, taken as 1252
#endif
#ifndef CP_OEMCP
#define CP_OEMCP 1  // the OEM code page, taken as 437
#endif
#ifndef CP_UTF8
#define CP_UTF8 65001
#endif
#ifndef MB_ERR_INVALID_CHARS
#define MB_ERR_INVALID_CHARS 8  // MultiByteToWideChar: invalid input is an error, never skipped
#endif

// The language the product speaks.
enum _ELangueProduit {
    eLangueFrancais = 0,
    eLangueAnglais = 1,
    eLangueChinois = 2,
};

// iconv name of a Windows code page; never null. Code page 0 and every page without an entry give
// "CP1252", 65001 gives "UTF-8".
const char* CodePageToIConv(int codePage);

// 8-bit text in codePage to wide text. srcLength -1 converts up to and including the terminator.
// With dst null or dstLength 0 answers the number of wide characters needed; otherwise the number
// written, 0 when the text does not fit or cannot be converted. Invalid bytes are skipped, or fail
// the call with MB_ERR_INVALID_CHARS, the only flag looked at; a text cut inside a character fails.
int MultiByteToWideChar(unsigned codePage, unsigned flags, const char* src, int srcLength, wchar_t* dst, int dstLength);

// Wide text to 8-bit text in codePage. srcLength -1 converts up to and including the terminator.
// A character the code page lacks is replaced by defaultChar (whole text) or '?' and sets
// *usedDefaultChar. With dst null or dstSize 0 answers the bytes needed; otherwise the bytes
// written, 0 when the text (a replacement included) does not fit. flags is not looked at.
int WideCharToMultiByte(unsigned codePage, unsigned flags, const wchar_t* src, int srcLength, char* dst, int dstSize,
                        const char* defaultChar, int* usedDefaultChar);

// 8-bit text from one code page to another; srcLength (size_t)-1 converts up to and including the
// terminator. Answers the bytes written (or needed when dst is null or dstSize 0), 0 on failure.
// flags is not looked at.
size_t MultiByteToMultiByte(unsigned fromCodePage, const char* src, size_t srcLength, unsigned toCodePage, char* dst,
                            size_t dstSize, unsigned flags);

// Bytes of the UTF-8 form of a wide text, terminator included (1 for an empty or null text).
int nGetUTF8Len(const wchar_t* text);

// The host's current code page as its locale services report it; 1252 before the host's services are
// known. For the calls in which code page -1 stands for "the host's current code page".
int nGetHostCurrentCodePage();

// Code page -1 becomes the host's current code page and 0 becomes 1252; any other value is kept.
int nResolveCodePage(int codePage);

// Switches the character-type category of the process to a UTF-8 locale; the name setlocale gave,
// or null when no UTF-8 locale could be set. Meant for start-up.
char* SetLocaleUTF8();

// Sets one locale category back to "C"; answers what setlocale answers.
char* UnsetLocale(int category);

// Windows language ids: the system default (0x0800) for both.
unsigned short GetSystemDefaultLangID();
unsigned short GetUserDefaultLangID();

// Windows primary language id to the product language and back: 4 Chinese, 12 French, anything
// else English (9).
_ELangueProduit LANG_To_ELangueProduit(unsigned primaryLanguage);
unsigned ELangueProduit_To_LANG(_ELangueProduit language);
