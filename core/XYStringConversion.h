// Free functions that return a shared string converted from text of another width or code page:
// 8-bit text in a Windows code page, UTF-8 and wide text. Each returns a new value, empty on every
// failure. Code page -1 is the host's current code page, 0 is 1252. The converting assignments
// themselves are members of CXYString (core/XYString.h) and CVQBIN (core/VQBIN.h).
#pragma once

#include "core/XYString.h"

// 8-bit text (nLen bytes, -1: up to the zero) in nCodePage to wide text.
CXYString<wchar_t> PCASTR_To_CWString(const char* psz, int nCodePage, int nLen = -1);
// UTF-8 to wide text.
CXYString<wchar_t> UTF8_To_CWString(const char* psz, int nLen);
CXYString<wchar_t> UTF8_To_CWString(const char* psz);
// Wide text (nLen characters, -1: up to the zero) to 8-bit text in nCodePage.
CXYString<char> PCWSTR_To_CAString(const wchar_t* psz, int nCodePage, int nLen = -1);
// Wide text to UTF-8.
CXYString<char> PCWSTR_N_To_UTF8(const wchar_t* psz, int nLen);
CXYString<char> PCWSTR_To_UTF8(const wchar_t* psz);
// A wide value to UTF-8 (its end marker converts as an ordinary character).
CXYString<char> CWString_To_UTF8(const CXYString<wchar_t>& cl);
// 8-bit text in nCodePage to UTF-8 (a copy for 65001).
CXYString<char> PCASTR_To_UTF8(const char* psz, int nCodePage);
CXYString<char> PCASTR_N_To_UTF8(const char* psz, int nLen, int nCodePage);
// UTF-8 to 8-bit text in nCodePage (a copy for 65001).
CXYString<char> UTF8_To_CAString(const char* psz, int nCodePage);
CXYString<char> UTF8_To_CAString(const char* psz, int nLen, int nCodePage);
// An 8-bit value in nCodePage to UTF-8: shared as it is for 65001; otherwise through wide text,
// keeping its end marker on the way.
CXYString<char> CAString_To_UTF8(const CXYString<char>& cl, int nCodePage);
