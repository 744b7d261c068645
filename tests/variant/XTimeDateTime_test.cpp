// The platform's CXTime and the variant's compact date-time: the fields pass both ways, and a field
// the compact date refuses keeps what the target had.
#include <gtest/gtest.h>

#include "platform/XTime.h"
#include "variant/DateTime.h"

namespace {

TEST(XTimeDateTimeTest, FromTheCompactDateTime) {
    struct Case {
        int nAnnee, nMois, nJour, nHeure, nMinute, nSeconde, nMilli;
        int nYear, nTmMon, nMday;
    } aCases[] = {
        {2024, 2, 29, 13, 45, 0, 120, 2024, 1, 29},
        {1582, 10, 10, 23, 59, 59, 999, 1582, 9, 10},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 1},  // no date: January 1st of the year 0, as the zero value
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.nAnnee << "-" << c.nMois << "-" << c.nJour);
        CDateTime clDate;
        clDate.Set(c.nAnnee, c.nMois, c.nJour, c.nHeure, c.nMinute, c.nSeconde, c.nMilli);
        CXTime cl(2001, 2, 3, 4, 5, 6, 1);
        cl.SetTime(clDate);
        const struct tm* pst = cl.nGetTimeTm();
        EXPECT_EQ(pst->tm_year + 1900, c.nYear);
        EXPECT_EQ(pst->tm_mon, c.nTmMon);
        EXPECT_EQ(pst->tm_mday, c.nMday);
        EXPECT_EQ(pst->tm_hour, c.nHeure);
        EXPECT_EQ(pst->tm_min, c.nMinute);
        EXPECT_EQ(pst->tm_sec, c.nSeconde);
        EXPECT_EQ(cl.nGetMilliseconds(), unsigned(c.nMilli));
        EXPECT_EQ(pst->tm_isdst, -1);
        EXPECT_EQ(pst->tm_wday, -1);
    }
}

TEST(XTimeDateTimeTest, IntoTheCompactDateTime) {
    const SYSTEMTIME st = {2024, 2, 4, 29, 13, 45, 30, 120};
    const CXTime cl(st, -1);
    CDateTime clDate;
    cl.GetVQDateTime(&clDate);
    CDateTime clAttendu;
    clAttendu.Set(2024, 2, 29, 13, 45, 30, 120);
    EXPECT_EQ(CDateTimeBase::nCompare(clDate, clAttendu), 0);

    // Through the checked setters: an hour of 25 and a month of 13 are refused and the target keeps
    // its own; the day is cut to the month it ends up in.
    const CXTime clHorsLimites(2023, 13, 31, 25, 10, 20, -1);
    clDate.Set(2023, 4, 1, 8, 0, 0, 0);
    clHorsLimites.GetVQDateTime(&clDate);
    clAttendu.Set(2023, 4, 30, 8, 10, 20, 0);
    EXPECT_EQ(CDateTimeBase::nCompare(clDate, clAttendu), 0);

    // And back: the same fields.
    CXTime clRetour;
    clRetour.SetTime(clDate);
    CDateTime clBis;
    clRetour.GetVQDateTime(&clBis);
    EXPECT_EQ(CDateTimeBase::nCompare(clBis, clDate), 0);
}

}  // namespace
