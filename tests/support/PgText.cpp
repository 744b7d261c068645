#include "tests/support/PgText.h"

#include <cstdint>

namespace pgtest {

std::string sUTF8(const std::wstring& s) {
    std::string sOut;
    for (wchar_t w : s) {
        const auto c = static_cast<uint32_t>(w);
        if (c < 0x80) {
            sOut += static_cast<char>(c);
        } else if (c < 0x800) {
            sOut += static_cast<char>(0xC0 | (c >> 6));
            sOut += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            sOut += static_cast<char>(0xE0 | (c >> 12));
            sOut += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            sOut += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            sOut += static_cast<char>(0xF0 | (c >> 18));
            sOut += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            sOut += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            sOut += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return sOut;
}

std::wstring sWide(const std::string& s) {
    std::wstring sOut;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int nMore = c < 0x80 ? 0 : (c < 0xE0 ? 1 : (c < 0xF0 ? 2 : 3));
        uint32_t w = nMore == 0 ? c : (c & (0x3F >> nMore));
        for (int k = 1; k <= nMore && i + k < s.size(); k++) w = (w << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        sOut += static_cast<wchar_t>(w);
        i += 1 + nMore;
    }
    return sOut;
}

std::string sLiteral(const std::string& s) {
    std::string sOut = "'";
    for (char c : s) sOut += c == '\'' ? std::string("''") : std::string(1, c);
    return sOut + "'";
}

}  // namespace pgtest
