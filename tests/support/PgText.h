// Texts between the tests' wide strings and what the test server reads and writes: UTF-8 both
// ways (characters above U+FFFF as one wchar_t) and SQL literals.
#pragma once

#include <string>

namespace pgtest {

std::string sUTF8(const std::wstring& s);
std::wstring sWide(const std::string& s);
// A SQL literal of UTF-8 text (standard strings: quotes doubled).
std::string sLiteral(const std::string& s);

}  // namespace pgtest
