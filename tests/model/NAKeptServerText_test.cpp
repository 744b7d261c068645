// The ring of the server's texts of date and time values: the newest text of a host value is
// found, another type or other bytes find nothing, a text too long to keep forgets the older ones
// of that value, and the oldest texts leave when the ring is full.
#include "native/model/NAKeptServerText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string sFound(const CNAKeptServerText& cl, unsigned short nType, const char* pszValue) {
    size_t n = 0;
    const char* psz = cl.pszFind(nType, pszValue, strlen(pszValue), &n);
    return psz != nullptr ? std::string(psz, n) : std::string("<none>");
}

TEST(NAKeptServerTextTest, NewestTextOfAValue) {
    CNAKeptServerText cl;
    const std::string sMicro1 = "2024-01-01 10:00:00.123001";
    const std::string sMicro2 = "2024-01-01 10:00:00.123999";
    cl.Keep(26, "A", 1, sMicro1.c_str(), sMicro1.size());
    cl.Keep(26, "B", 1, "infinity", 8);
    cl.Keep(26, "A", 1, sMicro2.c_str(), sMicro2.size());
    EXPECT_EQ(sFound(cl, 26, "A"), sMicro2);
    EXPECT_EQ(sFound(cl, 26, "B"), "infinity");
    EXPECT_EQ(sFound(cl, 129, "A"), "<none>");
    EXPECT_EQ(sFound(cl, 26, "C"), "<none>");
    EXPECT_EQ(sFound(cl, 26, ""), "<none>");

    // A text that cannot be kept: no older row's text stands for the value any more.
    const std::string sLong(CNAKeptServerText::MAX_TEXT_BYTES + 1, '9');
    cl.Keep(26, "A", 1, sLong.c_str(), sLong.size());
    EXPECT_EQ(sFound(cl, 26, "A"), "<none>");
    EXPECT_EQ(sFound(cl, 26, "B"), "infinity");
}

TEST(NAKeptServerTextTest, OldestLeaveAFullRing) {
    CNAKeptServerText cl;
    for (int i = 0; i < CNAKeptServerText::RING_SIZE + 3; i++) {
        const std::string sValue = "v" + std::to_string(i);
        const std::string sText = "t" + std::to_string(i);
        cl.Keep(26, sValue.c_str(), sValue.size(), sText.c_str(), sText.size());
    }
    EXPECT_EQ(sFound(cl, 26, "v0"), "<none>");
    EXPECT_EQ(sFound(cl, 26, "v2"), "<none>");
    EXPECT_EQ(sFound(cl, 26, "v3"), "t3");
    EXPECT_EQ(sFound(cl, 26, ("v" + std::to_string(CNAKeptServerText::RING_SIZE + 2)).c_str()),
              "t" + std::to_string(CNAKeptServerText::RING_SIZE + 2));
    // Values longer than a date-time's bytes are not kept at all.
    const std::string sWide(CNAKeptServerText::MAX_VALUE_BYTES + 1, 'x');
    cl.Keep(26, sWide.c_str(), sWide.size(), "t", 1);
    EXPECT_EQ(sFound(cl, 26, sWide.c_str()), "<none>");
}

TEST(NAKeptServerTextTest, EightByteValuesKeptAsByTheGeneralKeep) {
    // The same reads into two rings, one by the general keep and one by the eight-byte one: the
    // same text found for every value at every step, across texts that cannot be kept and more
    // reads than the ring holds.
    CNAKeptServerText clGeneral, clEight;
    const std::string sLongest(CNAKeptServerText::MAX_TEXT_BYTES, '7');
    const std::string sTooLong(CNAKeptServerText::MAX_TEXT_BYTES + 1, '8');
    const char* const apszValues[] = {"AAAAAAAA", "BBBBBBBB", "CCCCCCCC", "AAAAAAAB"};
    for (int i = 0; i < 3 * CNAKeptServerText::RING_SIZE; i++) {
        const char* pszValue = apszValues[i % 4];
        std::string sText = "2024-01-01 10:00:00." + std::to_string(i);
        if (i % 7 == 3) sText = sLongest;
        if (i % 11 == 5) sText = sTooLong;
        if (i % 13 == 6) sText.clear();
        clGeneral.Keep(26, pszValue, 8, sText.c_str(), sText.size());
        clEight.KeepEight(26, pszValue, sText.c_str(), sText.size());
        for (const char* psz : apszValues) {
            SCOPED_TRACE(testing::Message() << "read " << i << ", value " << psz);
            EXPECT_EQ(sFound(clEight, 26, psz), sFound(clGeneral, 26, psz));
            EXPECT_EQ(sFound(clEight, 20, psz), "<none>");
        }
    }
    // A known answer: the last read of the value, and the text of the longest length kept.
    clEight.KeepEight(26, "DDDDDDDD", sLongest.c_str(), sLongest.size());
    EXPECT_EQ(sFound(clEight, 26, "DDDDDDDD"), sLongest);
    clEight.KeepEight(26, "DDDDDDDD", nullptr, 0);
    EXPECT_EQ(sFound(clEight, 26, "DDDDDDDD"), "<none>");
}

}  // namespace
