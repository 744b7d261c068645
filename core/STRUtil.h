// The language-independent half of the string library: zero-terminated texts on the C heap
// (creation, copy, concatenation, resizing, freeing), bounded copies into caller buffers,
// searching, trimming and padding, ASCII character classes, the Windows-1252, 7-bit and UTF-8
// helpers, conversion between code pages over the platform layer, replacement, the rich-text
// test, and the length estimate and growing formatter used to format into a buffer.
//
// Every text a creating function returns is one malloc block owned by the caller and freed with
// STR_Delete (or STR_DeleteW, STR_DeleteA, free). A length of -1 means up to the terminating
// zero; sizes of caller buffers count characters including the zero; a null text counts as empty
// unless a function says otherwise.
#pragma once

#include <cstdarg>
#include <cstring>
#include <cwchar>

// Length of a zero-terminated text of either width; 0 for a null text. Shared by the string
// library's own helpers, which all take a null text as empty.
template <typename T>
inline size_t STRG_nLen(const T* psz) {
    if (psz == nullptr) return 0;
    if constexpr (sizeof(T) == 1)
        return strlen(psz);
    else
        return wcslen(psz);
}

// ---------------------------------------------------------------------------------------------
// Creation and lifetime
// ---------------------------------------------------------------------------------------------

// A block for n characters plus the zero (contents not set); null when the heap refuses.
wchar_t* STR_pszCreateW(unsigned long n);
wchar_t* STR_pszCreate(unsigned long n);
char* STR_pszCreateA(unsigned long n);
// The same, exported from the driver library for the host.
template <typename T>
T* STRG_pszCreate(unsigned long n);
template <>
__attribute__((visibility("default"))) wchar_t* STRG_pszCreate<wchar_t>(unsigned long n);
template <>
__attribute__((visibility("default"))) char* STRG_pszCreate<char>(unsigned long n);

// A copy of the text (null for a null text or when the heap refuses).
wchar_t* STR_pszCreateW(const wchar_t* psz);
wchar_t* STR_pszCreate(const wchar_t* psz);
char* STR_pszCreateA(const char* psz);
// A block of n + 1 characters holding at most n characters of the source, zero-filled after a
// shorter source, with a zero at index n.
wchar_t* STR_pszCreate(unsigned long n, const wchar_t* psz);
wchar_t* STR_pszCreateW(unsigned long n, const wchar_t* psz);
char* STR_pszCreateA(unsigned long n, const char* psz);
// A new text: the first text followed by the second.
wchar_t* STR_pszCreateW(const wchar_t* psz1, const wchar_t* psz2);
char* STR_pszCreateA(const char* psz1, const char* psz2);
// A new text: the three texts in order.
wchar_t* STR_pszConcat(const wchar_t* psz1, const wchar_t* psz2, const wchar_t* psz3);
// A new text: the first text, ".", the second text.
wchar_t* STR_pszConcatPoint(const wchar_t* psz1, const wchar_t* psz2);
// A copy of a wide text whose address may not be a multiple of 4 (null for null).
wchar_t* STR_pszCreateW_UNALIGNED(const wchar_t* psz);
// The same for at most n characters, zero at index n.
wchar_t* STR_pszCreateW_UNALIGNED(unsigned long n, const wchar_t* psz);
// Free a text (null is ignored).
void STR_Delete(wchar_t* psz);
void STR_DeleteW(wchar_t* psz);
void STR_DeleteA(char* psz);
// Frees *ppsz and stores a copy of psz in it; 1 when the copy was made (or psz was null).
bool STR_bRedefine(wchar_t** ppsz, const wchar_t* psz);
// Reallocates *ppsz to n characters; 1 with the new address, 0 with the old block unchanged.
bool STR_bResizeW(wchar_t** ppsz, long n);
bool STR_bResizeA(char** ppsz, long n);

// ---------------------------------------------------------------------------------------------
// Bounded copies into a caller buffer of n characters (result: characters copied, zero excluded)
// ---------------------------------------------------------------------------------------------

// n = 0: nothing written. Otherwise at most len characters of the source (-1: all of it),
// stopping at its zero, cut to n - 1, and the zero after them.
long STR_nCopyW(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc, long nLen);
long STR_nCopy(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc, long nLen);
long STR_nCopyA(char* pszDest, unsigned long n, const char* pszSrc, long nLen);
// The same at the end of the text already in the buffer, with the room left.
long STR_nCatW(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc, long nLen);
long STR_nCat(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc, long nLen);
long STR_nCatA(char* pszDest, unsigned long n, const char* pszSrc, long nLen);
// The whole source when it fits, else its first n - 1 characters; always terminated (n > 0).
long STR_nCut(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc);
long STR_nCut(char* pszDest, unsigned long n, const char* pszSrc);
long STR_nCatCut(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc);

// ---------------------------------------------------------------------------------------------
// Searching
// ---------------------------------------------------------------------------------------------

// Length counting at most nMax characters; 0 when nMax < 1 or for null.
long STR_nLenW(const wchar_t* psz, long nMax);
long STR_nLen(const wchar_t* psz, long nMax);
long STR_nLenA(const char* psz, long nMax);
// Last occurrence of c at or before index i; null when i < 0 or none.
wchar_t* wcsrchr(const wchar_t* psz, long i, wchar_t c);
char* strrchr(const char* psz, long i, char c);
// Last position at or before index i where pszFind starts; null when i < 0 or none.
wchar_t* STRRSTRW(const wchar_t* psz, long i, const wchar_t* pszFind);
wchar_t* STRRSTR(const wchar_t* psz, long i, const wchar_t* pszFind);
char* STRRSTRA(const char* psz, long i, const char* pszFind);
// Last character of psz that belongs to pszSet; null when the set is empty or nothing matches.
wchar_t* STRRPBRK(const wchar_t* psz, const wchar_t* pszSet);
// First position among the first n - len(find) + 1 of psz where pszFind starts; psz for an
// empty find; null when find is longer than n or absent. psz holds at least n characters.
wchar_t* STR_pszStrnstr(const wchar_t* psz, const wchar_t* pszFind, int n);
// First occurrence lying within the first n bytes of psz (its zero ends it too).
char* STR_strnstrA(char* psz, const char* pszFind, unsigned long n);
// First occurrence ignoring case (C library rules); psz for an empty find.
wchar_t* STR_StrIStr(const wchar_t* psz, const wchar_t* pszFind);
char* STR_strnistrA(char* psz, const char* pszFind, unsigned long n);
// First occurrence comparing characters upper-cased by the host; null when find is longer.
wchar_t* STR_pszUpStrstr(const wchar_t* psz, const wchar_t* pszFind);
// True when the text contains a space (32).
bool STR_bContainSpace(const wchar_t* psz);
// True when the text starts with "{\rtf1" or "{\rtf{" ignoring case.
bool bEstDuTexteRTFW(const wchar_t* psz);
bool bEstDuTexteRTF(const wchar_t* psz);
bool bEstDuTexteRTF(const char* psz);

// ---------------------------------------------------------------------------------------------
// Trimming and padding, in place (a null text is ignored)
// ---------------------------------------------------------------------------------------------

void STR_SuppressRightSpaces(wchar_t* psz);
void STR_SuppressRightSpaces(char* psz);
void STR_SuppressLeftSpaces(wchar_t* psz);
void STR_SuppressLeftSpaces(char* psz);
void STR_SuppressSideSpaces(wchar_t* psz);
void STR_SuppressSideSpaces(char* psz);
void STR_SuppressAllSpacesW(wchar_t* psz);
void STR_SuppressAllSpacesA(char* psz);
void STR_SuppressRightCar(wchar_t* psz, wchar_t c);
void STR_SuppressRightCar(char* psz, char c);
void STR_SuppressLeftCar(wchar_t* psz, wchar_t c);
void STR_SuppressLeftCar(char* psz, char c);
void STR_SuppressSideCar(wchar_t* psz, wchar_t c);
// Pads with c up to n - 1 characters and writes the zero at index n - 1 (a longer text is cut).
void STR_Complete(wchar_t* psz, unsigned int n, wchar_t c);
void STR_Complete(char* psz, unsigned int n, char c);

// ---------------------------------------------------------------------------------------------
// Character classes, by code (no locale)
// ---------------------------------------------------------------------------------------------

bool bEstUnChiffreA(char c);
bool bEstUnChiffreW(wchar_t c);
bool bEstUnNombreEntierNaturel(const wchar_t* psz);
int nGetChiffre(wchar_t c);
bool bMajusculeA(char c);
bool bMajusculeW(wchar_t c);
bool bMinusculeA(char c);
bool bMinusculeW(wchar_t c);
bool bExtendedASCII(wchar_t c);
bool bUnprintable(wchar_t c);
bool bPonctuation(wchar_t c);
bool STR_bNeContientRienDeLisibleA(const char* psz);
bool STR_bNeContientRienDeLisibleW(const wchar_t* psz);

// ---------------------------------------------------------------------------------------------
// Windows-1252, 7-bit and UTF-8 helpers
// ---------------------------------------------------------------------------------------------

bool STR_bIsCp1252(wchar_t c, unsigned char& byOut);
bool STR_bIsCp1252(wchar_t c);
bool STR_bIsCp1252(const wchar_t* psz);
char STR_ToCP1252(wchar_t c, char cDefault, int* pbDefault);
wchar_t STR_FromCP1252(char c);
int STR_CP1252ToWideChar(const char* pszSrc, int nLen, wchar_t* pszDest, int nDest);
bool STR_bIsANSI7(const wchar_t* psz);
bool STR_bIsANSI7(const wchar_t* psz, unsigned int n);
bool STR_bIsANSI7(char c);
char STR_ToAnsi7(wchar_t c, char cDefault);
wchar_t STR_FromAnsi7(char c, wchar_t cDefault);
int STR_nGetNbByteUTF8(unsigned char by);

// ---------------------------------------------------------------------------------------------
// Code-page conversion (Windows code-page numbers; results are new heap texts)
// ---------------------------------------------------------------------------------------------

// Wide to 8-bit: 1 with the text and its length (terminator excluded); 0 with a null text.
int __STR_WCharToChar(const wchar_t* pszSrc, int nLen, char** ppszOut, int* pnOutLen, int nCodePage);
int STR_WCharToChar_AnyCodepage(const wchar_t* pszSrc, int nLen, char** ppszOut, int* pnOutLen, int nCodePage);
int STR_WCharToChar_CurrentCharset(char** ppszOut, const wchar_t* pszSrc, int nLen);
char STR_WCharToAChar(wchar_t c, int nFlags, unsigned int nCodePage);
// 8-bit to wide with the given conversion flags: 1 with the text and its length; every failure
// gives a null text, length 0 and 0.
int __STR_CharToWChar(const char* pszSrc, int nLen, unsigned int nCodePage, wchar_t** ppszOut, int* pnOutLen,
                      int nFlags);
int STR_CharToWChar_AnyCodepage(const char* pszSrc, int nLen, int nCodePage, wchar_t** ppszOut, int* pnOutLen,
                                int nFlags);
int STR_CharToWChar_CurrentCharset(wchar_t** ppszOut, const char* pszSrc, int nFlags, int nLen);
int STR_CharToWChar(wchar_t** ppszOut, const char* pszSrc);
wchar_t STR_CharToWChar(char c, int nFlags, unsigned int nCodePage);
wchar_t STR_CharToWChar_CurrentCharset(char c, int nFlags);
int STR_CharToChar_AnyCodepage(const char* pszSrc, int nLen, int nCodePageFrom, char** ppszOut, int* pnOutLen,
                               int nCodePageTo);
// True when the text survives a round trip through the code page unchanged.
bool bAnsiCompatible(const wchar_t* psz, unsigned int nCodePage);
bool bLatin1(const wchar_t* psz);

// ---------------------------------------------------------------------------------------------
// Replacement
// ---------------------------------------------------------------------------------------------

// A new text with every occurrence of pszFind (left to right, no overlap) replaced by pszRepl;
// null when psz or pszFind is empty or the heap refuses.
wchar_t* STR_RemplaceW(const wchar_t* psz, const wchar_t* pszFind, const wchar_t* pszRepl);

// ---------------------------------------------------------------------------------------------
// Formatting (Windows dialect for wide formats: "%s" wide, "%S" and "%hs" 8-bit)
// ---------------------------------------------------------------------------------------------

// An estimate of the length a format produces, consuming the argument list as formatting does.
// A format holding a directive the estimate does not know (positional arguments, "%E", "%a",
// "%z"..., "%Lf") is not walked: the argument list is left alone and a starting guess returned,
// so the estimate must only ever size a first try (see STRG_nFormatV).
template <typename T>
long STRG_nCalculeLongueurPrintf(const T* pszFormat, va_list args);
// True when every directive of the format is one the estimate knows.
template <typename T>
bool STRG_bFormatEstimable(const T* pszFormat);
// Formats into a new heap block (*ppszOut, freed with STR_Delete / STR_DeleteA): a first try sized
// by the estimate, then, whenever the text did not fit, a larger block and a new try on a fresh
// copy of the argument list. Returns the length, or -1 (and *ppszOut null) when the text cannot be
// formatted or the heap refuses. The argument list itself is not consumed.
template <typename T>
long STRG_nFormatV(T** ppszOut, const T* pszFormat, va_list args);
