// The host program's texts of values: an item's value as psql prints it in its unaligned form
// (NULL as an empty field, booleans as t and f, timestamps as "YYYY-MM-DD HH:MM:SS", fixed-point
// numbers with the item's decimals), and a value written in a script made into a variant of the
// item's own type.
#pragma once

#include <string>

class CAny;
class INAItemDescription;

// The value's text; an item description gives the decimals of a fixed-point value (may be null).
std::wstring g_wsValueText(const CAny& clValue, const INAItemDescription* piItem);
// The text made into a value of type nVQType ("NULL" gives a NULL value of that type); false with
// the reason when the text is not a value of that type.
bool g_bValueFromText(CAny* pclValue, unsigned short nVQType, const std::wstring& wsText, std::wstring* pwsError);
