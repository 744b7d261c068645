// The language-dependent half of the string library: comparison of 8-bit and wide texts with or
// without case and accents, natural order (numbers by value), comparison under the language's
// string options, case mapping, accent folding, sort keys and the character tests that need the
// locale. Every decision about letters, case and accents belongs to the host's locale services
// (CInformationDLL::ms_piInfoLocale); this file only decides which of its operations is called,
// with which locale and flags. Before the host has handed its services over (a call made before
// the start notice), a plain local rule over Latin-1 stands in so that nothing calls through a
// null pointer; compare and map use the same rule, so string-keyed tables keep working.
//
// Wide characters are 32-bit; 8-bit texts are in the host's current code page. Lengths count
// characters; -1 means up to the terminating zero. A null text counts as empty.
#pragma once

#include "core/HostInterfaces.h"

// Flags of the compare and map operations (the host's own values, plus the library's bits 28-30).
enum : unsigned int {
    STR_IGNORECASE = 0x1,            // compare ignoring case; map: to upper case
    STR_IGNOREACCENT = 0x2,          // ignore non-spacing marks
    STR_LOGIQUE = 0x3,               // ignore case and accents: the library's usual logical comparison
    STR_IGNORESYMBOLS = 0x4,         // ignore symbols and punctuation
    STR_LOWERCASE = 0x100,           // map: to lower case
    STR_OPTION_0x100 = 0x800,        // passed on from language option 0x100
    STR_CURRENTLOCALE = 0x10000000,  // library flag: use the host's current locale
    STR_LEXICO = 0x20000000,         // lexical comparison; in natural order: lexical text runs
    STR_COMPAREA = 0x40000000,       // added by STR_nCompareA on every call
};

// Fixed locales passed to the host.
enum : unsigned int {
    STR_LOCALE_USER_DEFAULT = 1024,  // 0x400
    STR_LOCALE_1036 = 1036,          // 0x40C
};

// Windows-1252 byte to its unaccented upper-case letter (the fast logical comparison's table).
extern const unsigned char pToNoAccentUpper_Latin1[256];

// ---------------------------------------------------------------------------------------------
// Locale accessors
// ---------------------------------------------------------------------------------------------

// The host's locale services; null before the host has handed them over.
IInfoLocale* STR_piGetInfoLocale();
// The host's current character set, 127 answered as 0 (0 before start).
int STR_nGetCurrentChangeCharset();
// The host's current character set as it is (0 before start).
int STR_nGetCurrentChangeCharsetInterne();
// The host's current Windows code page; 0 when the host gave no locale services.
int STR_nGetCurrentCodePage();
// The host's current locale id, and its safe form (1024, the user's default, before start).
unsigned int STR_nGetCurrentLCID();
unsigned int STR_nGetSafeCurrentLCID();

// ---------------------------------------------------------------------------------------------
// Whole-text comparison: negative, 0 (equal) or positive
// ---------------------------------------------------------------------------------------------

// Locale 1024, or the current locale with STR_CURRENTLOCALE.
int STR_nCompareW(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags);
// The same for 8-bit texts; the flags always gain STR_COMPAREA.
int STR_nCompareA(const char* psz1, const char* psz2, unsigned int dwFlags);
// The same ignoring case.
int STR_nUpCompareW(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags);
int STR_nUpCompareA(const char* psz1, const char* psz2, unsigned int dwFlags);
// STR_nCompareW ignoring accents.
int STR_nAcCompare(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags);
// Both null: 0; only the first null: -1; only the second null: 1; else STR_nCompareW.
int STR_nNullCompare(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags);
// A null text counts as empty, then STR_nCompareW.
int STR_nEmptyNullCompare(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags);

// At most n characters of each text, locale 1036 (STR_CURRENTLOCALE is dropped); -1, 0 or 1.
template <typename T>
int STR_nNCompare(const T* psz1, const T* psz2, int n, unsigned int dwFlags);
// Compare at locale 1036; the host's answer becomes 2 equal, 3 greater, 1 less.
template <typename T>
int __STR_CompareStringEx(unsigned int dwFlags, const T* psz1, int n1, const T* psz2, int n2);
// The null rules of STR_nNullCompare, then STR_nNCompare<wchar_t>.
int STR_nNullNCompare(const wchar_t* psz1, const wchar_t* psz2, int n, unsigned int dwFlags);
// 1 when pszTexte starts with pszPrefixe ignoring case and accents; 0 when the prefix is longer.
bool STR_bDebut(const wchar_t* pszPrefixe, const wchar_t* pszTexte);

// Lexical comparison (STR_LEXICO added): locale 1024 or the current one with STR_CURRENTLOCALE.
int STR_nCompareStringLexicoW(const wchar_t* psz1, long n1, const wchar_t* psz2, long n2, unsigned int dwFlags);
int STR_nCompareCharLexicoW(wchar_t c1, wchar_t c2, unsigned int dwFlags);
// 8-bit, locale 1036 or the current one with STR_CURRENTLOCALE.
int STR_nCompareCharLexicoA(char c1, char c2, unsigned int dwFlags);
// One character each, ignoring case and accents (wide: locale 1024; 8-bit: locale 1036).
int STR_nCompareCharSoupleW(wchar_t c1, wchar_t c2);
int STR_nCompareCharSoupleA(char c1, char c2);
// Local comparison of two Windows-1252 texts through pToNoAccentUpper_Latin1: -1, 0 or 1.
int STR_nCmpLogiqueAnsiFast(const char* psz1, const char* psz2);

// Natural order: runs of digits compare by value ("file9" < "file10"; "a007" < "a7").
// STR_LEXICO compares the text runs lexically through the host, else by their stored bytes.
int STR_nCompareRespecteNumeriqueW(const wchar_t* psz1, unsigned long n1, const wchar_t* psz2, unsigned long n2,
                                   unsigned int dwFlags);
int STR_nCompareRespecteNumeriqueA(const char* psz1, unsigned long n1, const char* psz2, unsigned long n2,
                                   unsigned int dwFlags);

// Comparison under the language's string options: 1 trims white space, 2 ignores symbols, 4
// ignores accents, 0x10/0x20 ignore case, 0x40 lower-cases, 8 lexical order, 0x80 numbers by
// value. Lengths of -1 mean up to the zero.
int STR_ChaineCompareW(const wchar_t* psz1, int n1, const wchar_t* psz2, int n2, int nOptions);
int STR_ChaineCompareA(const char* psz1, int n1, const char* psz2, int n2, int nOptions);
// The preparation step of that comparison into pszDest (nDestSize characters with the zero);
// returns the prepared length.
int STR_PrepareChaineW(int nOptions, const wchar_t* pszSrc, int nSrc, wchar_t* pszDest, int nDestSize);
int STR_PrepareChaineA(int nOptions, const char* pszSrc, int nSrc, char* pszDest, int nDestSize);
// The language's comparison options as map flags.
unsigned int OptionVQ2FlagSTR(int nOptions);

// ---------------------------------------------------------------------------------------------
// Mapping: case, accents, sort keys
// ---------------------------------------------------------------------------------------------

// Maps a wide text (locale 1036, or the current one with STR_CURRENTLOCALE); the characters
// written. The destination is not terminated beyond what the host writes.
int STR_nMapStringEx(unsigned int dwFlags, wchar_t* pszDest, unsigned long nSize, const wchar_t* pszSrc, long nSrc);
int STR_nMapStringEx(unsigned int dwFlags, char* pszDest, unsigned long nSize, const char* pszSrc, long nSrc);
// Room the mapping needs, terminating zero included.
int STR_nGetMapStringLenEx(unsigned int dwFlags, const wchar_t* pszSrc, long nSrc);
int STR_nGetMapStringLenEx(unsigned int dwFlags, const char* pszSrc, long nSrc);
// A new C-heap text holding the whole source mapped (null when the heap refuses); the mapped
// length is returned (0 when nothing was made).
int STR_nCreateMapString(unsigned int dwFlags, char** ppszDest, const char* pszSrc);
int STR_nCreateMapString(unsigned int dwFlags, wchar_t** ppszDest, const wchar_t* pszSrc);
// A new heap text (STR_Delete) holding the source mapped with STR_LOGIQUE: the standard form used
// for logical comparison and hashing. Null when the heap refuses.
wchar_t* STR_pszCreateStandard(const wchar_t* pszSrc);
// One character mapped; the first result character is stored through pcOut when it is not null
// (0 when the host wrote nothing). Returns the characters the host wrote.
int STR_nMapCharEx(unsigned int dwFlags, wchar_t* pcOut, wchar_t c);
template <typename T>
int __T_STR_nMapCharEx(unsigned int dwFlags, T* pcOut, T c);
int STR_nMapCharEx(unsigned int dwFlags, char* pcOut, char c);
int STR_nMapCharExANSI(unsigned int dwFlags, char* pcOut, char c);
// One wide character ignoring case and accents (locale 1036).
int STR_nMapCharIgnoreCaseAccent(wchar_t* pcOut, wchar_t c);
// 8-bit sort key: locale 1036, or the current one when bCurrentLocale is not 0.
int STR_MapStringSortEx(char* pszDest, unsigned long nSize, const char* pszSrc, long nSrc, int bCurrentLocale);
// The same at the language of a character set (wGetLanguageID).
int STR_MapStringSortEx_Charset(unsigned int nCharset, char* pszDest, unsigned long nSize, const char* pszSrc,
                                long nSrc);
int STR_nMapStringEx_Charset(unsigned int nCharset, unsigned int dwFlags, char* pszDest, unsigned long nSize,
                             const char* pszSrc, long nSrc);
int STR_nMapStringEx_Charset(unsigned int nCharset, unsigned int dwFlags, wchar_t* pszDest, unsigned long nSize,
                             const wchar_t* pszSrc, long nSrc);

// Case in place, one character at a time (a null text is ignored).
void STR_ToUpper(wchar_t* psz);
void STR_ToLower(wchar_t* psz);
void STR_ToUpper(char* psz);
void STR_ToLower(char* psz);
// The same over exactly n characters.
void STR_ToUpperBuff(wchar_t* psz, unsigned int n);
void STR_ToLowerBuff(wchar_t* psz, unsigned int n);
void STR_ToUpperBuff(char* psz, unsigned int n);
void STR_ToLowerBuff(char* psz, unsigned int n);

// True when the character is white space or punctuation for the host (mapping it while ignoring
// symbols writes nothing or a zero).
bool STR_bWhiteCharOrPunctW(wchar_t c);
bool STR_bWhiteCharOrPunctA(char c);
