// A server's UTF-8 text decoded straight into UTF-16 units against the platform's conversion of the
// same bytes (MultiByteToUTF16 from code page 65001), at every room from none to more than enough
// and at an odd byte address: ASCII, two-, three- and four-byte characters, characters beyond
// U+FFFF whose pair does not fit, and the texts the direct road refuses (overlong forms,
// surrogates, bytes that are no UTF-8, a character cut at the end), which must go to the platform;
// and ASCII widened as it is.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/UnicodeToolkit.h"
#include "native/model/ServerUTF8Text.h"

namespace {

TEST(ServerUTF8TextTest, UnitsAreThePlatformsAtEveryRoom) {
    const std::vector<std::string> asTexts = {
        "",
        "a",
        "Order 42: 0d63c6914e86df657bf0bd3dc6518287",
        "h\xC3\xA9llo",                                // é
        "\xC3\xA9t\xC3\xA9",                            // starts and ends non-ASCII
        "\xE2\x82\xAC 12",                              // €
        "\xEF\xBF\xBF\xEF\xBF\xBD",                     // U+FFFF, U+FFFD
        "\xED\x9F\xBF\xEE\x80\x80",                     // U+D7FF, U+E000 around the surrogates
        "a\xF0\x9F\x98\x80z",                           // U+1F600: a pair
        "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",             // U+10000 and U+10FFFF
        "\xC2\x80\xDF\xBF\xE0\xA0\x80",                 // the lowest two- and three-byte forms
        "\xE4\xB8\xAD\xE6\x96\x87 \xF0\xA0\x80\x8B x",  // CJK and a character beyond the plane
        // ASCII runs longer than eight bytes broken by characters at and around their boundaries.
        "abcdefg\xC3\xA9hijklmnopq",
        "abcdefgh\xE2\x82\xACijklmnopqrstuvw\xF0\x9F\x98\x80",
        "Order 1234567: \xC3\xA9t\xC3\xA9 2024 0123456789abcdef",
        // Sixteen-byte runs: a character just before, at and after their boundaries, runs of
        // fifteen to seventeen bytes, and ASCII of several such runs before and after a character.
        "0123456789abcde\xC3\xA9ghijklmnopqrstuvwxyz0123456789",
        "0123456789abcdef\xC3\xA9ghijklmnopqrstuvwxyz0123456789",
        "0123456789abcdefg\xE2\x82\xAChijklmnopqrstuvwxyz0123456789ABCDEF",
        "0123456789abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQ\xF0\x9F\x98\x80",
        "\xC3\xA9" "0123456789abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTU",
        "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt",
    };
    for (const std::string& s : asTexts) {
        SCOPED_TRACE(s);
        const int nMax = static_cast<int>(s.size()) + 2;
        for (int nRoom = 1; nRoom <= nMax; nRoom++) {
            SCOPED_TRACE(nRoom);
            std::vector<unsigned short> awPlatform(static_cast<size_t>(nRoom) + 1, 0xA5A5);
            const int nPlatform = s.empty() ? 0 : MultiByteToUTF16(65001, 0, s.data(), static_cast<int>(s.size()),
                                                                   awPlatform.data(), nRoom);
            // One byte past an aligned start: a record slot lies at any offset.
            std::vector<unsigned char> aby(static_cast<size_t>(nRoom) * 2 + 3, 0xA5);
            const int nDirect = NA_nServerUTF8ToUTF16(s.data(), s.size(), aby.data() + 1, nRoom);
            ASSERT_EQ(nDirect, nPlatform);
            EXPECT_EQ(memcmp(aby.data() + 1, awPlatform.data(), static_cast<size_t>(nDirect) * 2), 0);
            EXPECT_EQ(aby[0], 0xA5);  // nothing before the slot
            EXPECT_EQ(aby[static_cast<size_t>(nDirect) * 2 + 1], 0xA5);  // nothing past the units written
        }
    }
}

TEST(ServerUTF8TextTest, DamagedTextIsLeftToThePlatform) {
    const std::vector<std::string> asDamaged = {
        "\x80",                  // a continuation byte alone
        "ab\xC3",                // a character cut at the end
        "\xE2\x82",              // the same, three bytes
        "\xF0\x9F\x98",          // and four
        "\xC0\xAF",              // overlong '/'
        "\xC1\xBF",              // overlong
        "\xE0\x80\xAF",          // overlong in three bytes
        "\xF0\x80\x80\xAF",      // overlong in four
        "\xED\xA0\x80",          // a high surrogate
        "\xED\xBF\xBF",          // a low surrogate
        "\xF4\x90\x80\x80",      // above U+10FFFF
        "\xF5\x80\x80\x80",      // no UTF-8 lead byte
        "\xFE\xFF",              // neither
        "\xC3\x28",              // a lead byte followed by ASCII
        "abc\xE9xyz",            // a 1252 byte in UTF-8 text
        "abcdefghijklmnop\xE9",  // the same after long ASCII runs
        "abcdefghijklmnopqrstuvwxyz0123\xC3",
    };
    for (const std::string& s : asDamaged) {
        SCOPED_TRACE(s);
        unsigned char aby[64];
        EXPECT_EQ(NA_nServerUTF8ToUTF16(s.data(), s.size(), aby, 30), -1);
        // Even where the damage lies past the units that fit.
        EXPECT_EQ(NA_nServerUTF8ToUTF16(s.data(), s.size(), aby, 1), -1);
    }
}

TEST(ServerUTF8TextTest, ASCIIIsWidenedAndAnyOtherByteRefused) {
    // Every length from none to four sixteen-byte runs and more; then one byte beyond ASCII at
    // every place of a text of that length.
    for (size_t n = 0; n <= 70; n++) {
        SCOPED_TRACE(n);
        std::string s;
        for (size_t i = 0; i < n; i++) s += static_cast<char>(' ' + (i * 7) % 95);
        std::vector<wchar_t> asz(n + 1, L'#');
        ASSERT_TRUE(NA_bServerASCIIToWide(s.data(), s.size(), asz.data()));
        for (size_t i = 0; i < n; i++) EXPECT_EQ(asz[i], static_cast<wchar_t>(static_cast<unsigned char>(s[i])));
        EXPECT_EQ(asz[n], L'#');  // nothing past the text
        for (size_t nAt = 0; nAt < n; nAt++) {
            SCOPED_TRACE(nAt);
            for (const char c : {'\x80', '\xC3', '\xFF'}) {
                std::string sDamaged = s;
                sDamaged[nAt] = c;
                EXPECT_FALSE(NA_bServerASCIIToWide(sDamaged.data(), sDamaged.size(), asz.data()));
            }
        }
    }
}

}  // namespace
