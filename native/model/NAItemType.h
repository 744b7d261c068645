// The item types of the native-access layer (eNA_ITEMTYPE): their values and names, the classes
// of types the rest of the driver tests (texts, numbers), the two mappings between item types and
// the host language's value types, and the two small tests the SQL writers use (SQL blanks,
// extreme values). The engine sizes, number formats and memo classes are static members of
// CNAItemDescription (NAItemDescription.h); the host engine's own type codes are mapped by
// CNADataSourceDescription::g_eGetNAItemType. Nothing here holds state or allocates.
#pragma once

#include <cstdint>

class CAny;
class INAItemDescription;

// Item types exchanged with the host: a 32-bit value. 8 has no name; every value outside 0..31 is
// an unknown type.
enum eNA_ITEMTYPE : uint32_t {
    NA_IT_EMPTY = 0,
    NA_IT_IDAUTO = 1,
    NA_IT_TEXTE = 2,
    NA_IT_I2 = 3,
    NA_IT_I1 = 4,
    NA_IT_I4 = 5,
    NA_IT_R4 = 6,
    NA_IT_R8 = 7,
    NA_IT_UI2 = 9,
    NA_IT_DATE6 = 10,
    NA_IT_HEURE = 11,
    NA_IT_UI1 = 12,
    NA_IT_REELTURBO = 13,
    NA_IT_DATE8 = 14,
    NA_IT_MEMOTEXTE = 15,
    NA_IT_MEMOBINAIRE4 = 16,
    NA_IT_MONETAIRE = 17,
    NA_IT_MEMOBINAIRE = 18,
    NA_IT_I8 = 19,
    NA_IT_UI8 = 20,
    NA_IT_IMAGE = 21,
    NA_IT_UI4 = 22,
    NA_IT_BINAIRE = 23,
    NA_IT_DATETIME = 24,
    NA_IT_TIMELENGHT = 25,
    NA_IT_CHAR = 26,
    NA_IT_BOOLEEN = 27,
    NA_IT_IDAUTO4 = 28,
    NA_IT_UNICODE = 29,
    NA_IT_MEMOUNICODE = 30,
    NA_IT_DECIMAL = 31,
};

// The largest item type.
constexpr uint32_t NA_IT_MAX = NA_IT_DECIMAL;

// Answers of eCheckValue.
enum eNA_CHECKVALUE : int {
    NA_CHECKVALUE_NONE = 0,
    NA_CHECKVALUE_MIN = 1,
    NA_CHECKVALUE_MAX = 2,
};

// The type's name ("NA_IT_TEXTE"...), "Type inconnu" for 8 and every value outside 0..31.
const wchar_t* g_pszGetNAItemTypeName(eNA_ITEMTYPE eType);

// The language value type of an item type (1..31), 0 for the others; the int is not used.
unsigned short ConverteItemToVQType(eNA_ITEMTYPE eType, int nInutilise);
// The same for an item, by its type (its size is asked and not used).
unsigned short ConverteItemToVQType(const INAItemDescription* piItem);
// The item type of a language value type 1..129; 0 for the others. Not the inverse of the above:
// dynamic texts come back as memos, binaries as binary memos, a date as NA_IT_DATE8.
eNA_ITEMTYPE ConvertVQTypeToeItem(unsigned short nVQType);

// Classes of item types.
bool bIsTextAnsi(eNA_ITEMTYPE eType);     // 2, 15
bool bIsTextUnicode(eNA_ITEMTYPE eType);  // 29, 30
bool bIsTextAW(eNA_ITEMTYPE eType);       // both
bool g_bIsNumerical(eNA_ITEMTYPE eType);  // the numbers, money, durations, booleans, identifiers
bool g_bIsIdAuto(eNA_ITEMTYPE eType);     // 1 (8 bytes) and 28 (4 bytes)

// True for the four SQL blanks: tab, line feed, carriage return and space.
bool s_bEspaceSQL(wchar_t c);

// Whether a value stands for the first (1) or the last (2) possible value of its language type,
// or for neither (0); a NULL value is neither.
eNA_CHECKVALUE eCheckValue(CAny* pclValue);
