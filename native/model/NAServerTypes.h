// What SQL generation must know of a column's PostgreSQL type (the type's code, pg_type.oid, that
// the catalogue and the result sets give; 0 when none is known): the types that must be compared
// as their text, and the types read and written through another type than their own.
#pragma once

// A type the server compares as text itself: text, varchar, bpchar, name, and an unknown type.
bool NA_bServerTypeIsText(unsigned nServerType);
// A type with no equality of its own (json, xml and their arrays): any comparison of such a
// column is one of its text.
bool NA_bServerTypeComparedAsText(unsigned nServerType);
// The type a column is selected as, when its own text is not to be read (money, whose text
// follows lc_monetary, is read as the number it holds); null when the column is read as it is.
const wchar_t* NA_pszServerTypeReadAs(unsigned nServerType);
// The type a literal written for the column is cast to (a number for a money column is money
// whatever lc_monetary says); null when the literal stands as it is.
const wchar_t* NA_pszServerTypeWrittenAs(unsigned nServerType);
