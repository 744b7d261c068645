// CXTime: the platform layer's calendar date-time, a C library struct tm plus milliseconds. It
// converts between the system's time representations (fields, SYSTEMTIME, FILETIME, the packed
// date and time words of archive and file-system entries, time_t, the variant's compact CDateTime),
// reads the system's digit texts of dates and times (AAAAMMJJ, HHMMSS[cc|mmm]), builds the lower and
// upper bounds of a partly given date or time for searches, and writes dates as SQL and ODBC
// literals. Unlike the variant's date-time it follows the Gregorian rule for every year.
//
// Layering: the platform layer does not see the variant layer, so CDateTime is only declared here.
// SetTime(CDateTime&) and GetVQDateTime(CDateTime*) are compiled with the variant layer
// (variant/XTimeDateTime.cpp), where the compact date and its calendar live: a program that uses
// them links the variant layer, and the platform layer alone (the installer's build) never needs
// them.
//
// The zero value: 0000-01-01 00:00:00.000, week day and year day -1, daylight saving -1 (decided by
// the system when the value goes through mktime).
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/WinMemoryTime.h"

class CTString;
class CDateTime;

class CXTime {
public:
    // ---- Construction and assignment.
    CXTime();
    CXTime(const CXTime& cl);
    CXTime& operator=(const CXTime& cl);
    // Month 0 counts as January and day 0 as the 1st; week day and year day -1, milliseconds 0.
    CXTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nIsDst);
    // Every field of the record, its day of week and milliseconds included; year day -1.
    CXTime(const SYSTEMTIME& st, int nIsDst);
    // Packed date word (day bits 0-4, month 5-8, year - 1980 9-15) and time word (seconds / 2 bits
    // 0-4, minutes 5-10, hours 11-15).
    CXTime(unsigned short wDate, unsigned short wTime, int nIsDst);
    // Local time of t (localtime_r); -1 or a time the C library refuses gives the zero value.
    explicit CXTime(time_t t);
    // The UTC instant turned into local fields, milliseconds kept; a refused value gives the zero value.
    CXTime(const FILETIME& ft, int nIsDst);
    CXTime& operator=(time_t t);
    virtual ~CXTime();

    void SetTime(const CXTime& cl);
    void SetTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nIsDst);
    void SetTime(const SYSTEMTIME& st, int nIsDst);
    void SetTime(unsigned short wDate, unsigned short wTime, int nIsDst);
    // The whole record; milliseconds 0.
    void SetTime(const struct tm& stTm);
    // The fields of a compact date-time (month 0 as January, day 0 as the 1st); daylight saving -1.
    // Compiled with the variant layer.
    void SetTime(CDateTime& clDateTime);
    void SetTime(time_t t);
    // UTC fields of t (gmtime_r); -1 or a refused time gives the zero value.
    void SetUTCTime(time_t t);
    void SetTime(const FILETIME& ft, int nIsDst);
    // Now, local or UTC; daylight saving and year day -1.
    void SetFromLocalTime();
    void SetFromUTCTime();
    void SetTo0();

    // ---- Fields.
    struct tm* nGetTimeTm() {
        return &m_stTm;
    }
    const struct tm* nGetTimeTm() const { return &m_stTm; }
    int nGetYear() const { return m_stTm.tm_year + 1900; }
    int nGetMonth() const { return m_stTm.tm_mon + 1; }
    int nGetDay() const { return m_stTm.tm_mday; }
    int nGetHour() const { return m_stTm.tm_hour; }
    int nGetMinute() const { return m_stTm.tm_min; }
    int nGetSecond() const { return m_stTm.tm_sec; }
    unsigned int nGetMilliseconds() const { return m_nMilliseconds; }

    // ---- Conversions out.
    // Every field, day of week and milliseconds included; true.
    bool bGetAsSystemTime(SYSTEMTIME& st) const;
    static void GetAsSystemTime(SYSTEMTIME& st, const struct tm& stTm);
    // The fields into a compact date-time through its checked setters (CDateTimeBase::InitDate).
    // Compiled with the variant layer.
    void GetVQDateTime(CDateTime* pclDateTime) const;
    // The local fields as a UTC FILETIME (whole seconds); false when they cannot be converted.
    bool bGetAsFileTime(FILETIME& ft) const;
    // The fields taken as local time (mktime, which normalises them in place).
    time_t nGetTime32_t();
    static time_t s_nGetTime_t(struct tm& stTm);
    // The fields taken as UTC (timegm, which normalises them in place).
    time_t nGetTime32_t_UTC();
    static time_t s_nGetTime_t_UTC(struct tm& stTm);
    // The local offset from UTC now, in seconds: now - mktime(gmtime(now)).
    static time_t __s_nGetOffsetMkTime();
    static void Local2UTC(const struct tm& stLocal, struct tm& stUTC);
    static void UTC2Local(const struct tm& stUTC, struct tm& stLocal);
    // POSIX seconds and FILETIME counts (100 ns since 1601).
    static int64_t UnixTimeToFileTime(time_t t);
    static time_t FileTimeToUnixTime(int64_t nFileTime);
    // UTC fields to POSIX seconds (-1 when they cannot be converted) and back (all zero on refusal).
    static time_t SystemTimeToUnixTime(const SYSTEMTIME& st);
    static SYSTEMTIME UnixTimeToSystemTime(time_t t);
    static time_t nGetCurrentTime();
    static void nGetCurrentTime(SYSTEMTIME* pst);  // UTC
    static void GetLocalTime(SYSTEMTIME* pst);
    // Set the system clock from local fields; true on success.
    static bool bSetLocalTime(SYSTEMTIME* pst);
    bool bInitLocalTime() const;  // from this value, milliseconds not passed

    // ---- Comparison.
    // The difference a - b of the first of year, month, day, hour, minute, second that differs; 0.
    static int snCompare(const struct tm* pA, const struct tm* pB);
    // Then the milliseconds.
    bool operator>(const CXTime& cl) const;
    bool operator>=(const CXTime& cl) const;

    // ---- Calendar (Gregorian for every year).
    static bool bBissextile(int nYear);
    // Days in the month; -1 for a month outside 1 to 12.
    static int nGetDayInMonth(int nYear, int nMonth);
    // Year from the first 4 characters, missing ones taken as '0' ("20" is the year 2000).
    static bool bBissextile(const wchar_t* psz);
    // The month at characters 4-5 of that year (a missing digit as '0', month 0 as January; a text
    // of fewer than 4 characters names January).
    static int nGetDayInMonth(const wchar_t* psz);

    // ---- Formatting. Wide buffers given by the caller hold the text; wcsftime forms hold 256.
    // wcsftime into 256 characters; an empty text when it fails.
    void Format(const wchar_t* pszFormat, wchar_t* pszOut) const;
    void Format(const wchar_t* pszFormat, CTString& clOut) const;
    void GetVQDate(CTString& cl) const;                   // AAAAMMJJ
    void GetVQTimeHHMMSS(CTString& cl) const;             // HHMMSS
    void GetVQTimeHHMM(CTString& cl) const;               // HHMM
    void GetVQTimeAAAAMMJJ_HHMMSS(CTString& cl) const;    // AAAAMMJJ HHMMSS
    void GetVQTimeHHMMSSCCm(CTString& cl) const;          // HHMMSSmmm
    void GetVQTimeAAAAMMJJHHMMSSCCm(CTString& cl) const;  // AAAAMMJJHHMMSSmmm
    void GetVQTime(wchar_t* psz) const;                   // HHMMSSmmm (10 characters)
    void GetVQTime(char* psz) const;
    void GetVQDate(wchar_t* psz) const;  // AAAAMMJJ (9 characters)
    void GetVQDate(char* psz) const;
    void GetVQTimeReadable(CTString& cl) const;           // JJ/MM/AAAA HH:MM:SS,mmm
    void GetVQTimeReadableSS(CTString& cl) const;         // JJ/MM/AAAA HH:MM:SS
    void FormatToSQLServerTimeStamp(wchar_t* psz) const;  // AAAAMMJJ HH:MM:SS.mmm
    void FormatToOdbcTimeStamp(wchar_t* psz) const;       // {ts 'AAAA-MM-JJ HH:MM:SS.mmm'}
    void FormatToOdbcTimeStamp(CTString& cl) const;
    void FormatToOdbcDate(wchar_t* psz) const;  // {d 'AAAA-MM-JJ'}
    void FormatToOdbcDate(CTString& cl) const;
    void FormatToOdbcTime(wchar_t* psz) const;  // {t 'HH:MM:SS.mmm'}
    void FormatToOdbcTime(CTString& cl) const;

    // ---- Parsers of digit texts. Fields are read as wcstol reads them and not range-checked.
    // Unless stated, the value is first set to the zero value and a refused text leaves it there.
    // Exactly 8 characters AAAAMMJJ.
    bool bSetVQDate(const wchar_t* psz);
    // HHMM[SS[cc|mmm]] (at least 4 characters; 8 give hundredths, 9 or more milliseconds).
    bool bSetVQTime(const wchar_t* psz);
    // AAAAMMJJ, an optional blank, HHMMSS[cc|mmm]: at least 16 characters.
    template <class T>
    bool bSetVQDateTime(const T* psz, int nIsDst);
    // Lower bound of a partial time HH MM SS fff, read from the left, a missing last digit counting
    // as '0'. The value is not reset: the parts the text does not reach keep their values.
    bool bSetVQTimeMin(const wchar_t* psz, int nIsDst);
    // Lower bound of a partial date-time AAAA MM JJ [ ]HH MM SS fff (an empty text: the zero value).
    bool bSetVQDateTimeMin(const wchar_t* psz, int nIsDst);
    // Exclusive upper bounds: the start of the period that follows the one the text names; false
    // when there is none (after 23 h, after the year 9999) or the text is empty or too long.
    bool bSetVQTimeMax(const wchar_t* psz, int nIsDst);
    bool bSetVQDateTimeMax(const wchar_t* psz, int nIsDst);

protected:
    struct tm m_stTm;
    unsigned int m_nMilliseconds;  // 0 to 999
};
