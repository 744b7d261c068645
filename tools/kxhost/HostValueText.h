// The host program's texts of values: an item's value as psql prints it in its unaligned form
// (booleans as t and f, dates "YYYY-MM-DD", times "HH:MM:SS.mmm" and timestamps
// "YYYY-MM-DD HH:MM:SS.mmm" without trailing zeros of the fraction, reals as the shortest text that
// reads back to the same number, decimals with their scale, binary as \x hexadecimal), and a value
// written in a script in those same forms made into a variant of the item's own type.
#pragma once

#include <string>

class CAny;
class INAItemDescription;

// The text of a value that is not NULL; an item description gives the decimals of a fixed-point
// value (may be null).
std::wstring g_wsValueText(const CAny& clValue, const INAItemDescription* piItem);
// The text made into a value of type nVQType (bNull: a NULL value of that type); false with the
// reason when the text is not a value of that type or out of its range. Types the program does not
// read itself are given as text, which the host's conversion turns into the item's type.
bool g_bValueFromText(CAny* pclValue, unsigned short nVQType, const std::wstring& wsText, bool bNull,
                      std::wstring* pwsError);
