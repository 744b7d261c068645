// The fixed correspondences around a Windows character-set number (the charset constants of the
// Windows font interface): the code page that converts 8-bit text of that character set, the
// language id used to sort or map it, and their reverses; the preparation of a conversion between
// an 8-bit text type and a wide text type; and the switch of the process locale for a character
// set. The environment and directory functions and the connection code ask for code pages; the
// string library's charset-specific mapping and sort functions ask for language ids.
#pragma once

#include <cstdint>

#ifndef KX_STOCAW_DEFINED
#define KX_STOCAW_DEFINED
// The conversion descriptor that callers may hand to the host's value conversions. The library
// passes it on unchanged and only ever reads or writes its first field, the code page of the
// 8-bit side; the rest belongs to the host.
struct STOCAW {
    uint32_t nCodePage;
};
#endif

// Windows code page of a character set; 0 for one it does not know.
unsigned int dwGetCodePageFromCharset(int nCharset);
// Windows language id of a character set; 0 outside the table.
unsigned short wGetLanguageID(int nCharset);
// Character set of a code page (0 gives 127, an unknown one -1).
int nGetCharsetFromCodePage(int nCodePage);
// Character set of a Windows language id, by its primary language (low 10 bits) and sub-language.
int nGetCharsetFromLanguage(unsigned short wLanguageId);
// The same on the low 16 bits.
int GetCharSetFromLanguageID(unsigned int dwLanguageId);

// Prepares a conversion from an 8-bit text type: stores the code page of the 8-bit side in the
// descriptor and returns the type code of the wide side. bShared asks for a shared-string type
// (16 or 19) instead of a pointer type (110 or 18); bAddFlag adds 0x40 to dwFlags for the 8-bit
// types that carry a code page.
unsigned int PrepareConversionAnsiUnicode(unsigned int nType, unsigned int& dwFlags, STOCAW& stDescriptor, int bShared,
                                          int bAddFlag);
// Stores the code page of an 8-bit type in the descriptor: 1 for a known type, else 0 and the
// descriptor is left alone.
int PrepareConversionUnicodeAnsi(unsigned short nType, STOCAW& stDescriptor);

// Sets the locale of every category of the process for a character set (Greek, Turkish, Hebrew,
// Arabic and Cyrillic only; any other leaves it as it is). Nothing is reported.
void ChangeLocale(int nCharset);
