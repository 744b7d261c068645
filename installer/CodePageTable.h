// Single-byte code pages over built-in tables: the OEM code page 437 and the ANSI code page 1252,
// each a byte-to-UTF-16 table and a UTF-16-to-byte table in two levels, with the *Win converters
// and OemToCharBuffA / CharToOemBuffA on top. They work without the platform's iconv conversions,
// for the pieces of the installer's library that read 8-bit texts out of program files.
// UTF-16 units are unsigned short, as everywhere in the library (wchar_t is 32-bit here).
#pragma once

#include <cstdint>

// One single-byte code page.
struct _stTableCodePage {
    unsigned int nCodePage;               // 437 or 1252
    const unsigned short* pwVersUnicode;  // 256 units, indexed by the byte
    const uint32_t* pnIndexHaut;          // 256 page starts, indexed by the high byte of a unit
    const unsigned char* pbyPages;        // the 256-byte pages, indexed by the low byte of a unit
};

// The table of code page 437 for 1, of code page 1252 for any other value. Never null; the
// tables are built once, at the first call, from the system's published mappings.
const _stTableCodePage* get_codepage(unsigned int nCodePage);

// Units of a zero-terminated UTF-16 text, terminator excluded.
int strlenW(const unsigned short* pwTexte);

// Table conversions: every byte gives one unit and every unit one byte (the byte the table holds
// for a unit the code page lacks: '?'). No checks: lengths are exact counts and the output holds
// them. Answer the count converted.
int cp_mbstowcs(const _stTableCodePage* pstTable, unsigned int dwFlags, const char* pszSource, int nSource,
                unsigned short* pwDestination, int nDestination);
int cp_wcstombs(const _stTableCodePage* pstTable, unsigned int dwFlags, const unsigned short* pwSource, int nSource,
                char* pszDestination, int nDestination, const char* pszDefaut, int* pbDefautUtilise);

// 8-bit text in a code page (1: 437, else 1252) to UTF-16. nLongueur -1 takes the text and its
// terminator. A null text, or no output with a nonzero output length, fails (0, errno -1); no
// output with length 0 answers the units needed. When the output is shorter than the text the
// units that fit are written and the answer is 0; otherwise the answer is the units written.
int MultiByteToWideCharWin(unsigned int nCodePage, unsigned int dwFlags, const char* pszTexte, int nLongueur,
                           unsigned short* pwSortie, int nLongueurSortie);

// The reverse; nLongueur -1 or -2 counts the units up to and including the terminator. A unit
// without a mapping takes the table's byte for it; *pbDefautUtilise (when given) tells whether
// that happened. pszDefaut is not looked at.
int WideCharToMultiByteWin(unsigned int nCodePage, unsigned int dwFlags, const unsigned short* pwTexte, int nLongueur,
                           char* pszSortie, int nLongueurSortie, const char* pszDefaut, int* pbDefautUtilise);

// nLongueur bytes from code page 437 to 1252 (OemToCharBuffA) or back (CharToOemBuffA); the
// input and output may be the same buffer. Always true: when the work buffer cannot be had,
// nothing is converted.
int OemToCharBuffA(const char* pszSource, char* pszDestination, unsigned int nLongueur);
int CharToOemBuffA(const char* pszSource, char* pszDestination, unsigned int nLongueur);
