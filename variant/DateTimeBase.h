// CDateTimeBase: the system's compact date-time, the value the variant carries as its date-time type
// (CDateTime) and the host reads in records: a date word (year << 16 | month << 8 | day; all zero is
// "no date") and the milliseconds since midnight. Here also its calendar (leap years, month ends,
// day numbers, week days, ISO weeks, Julian day), its shifts, its digit-text forms
// (AAAAMMJJHHMMSSmmm and parts of it) and the parsers of those texts, plain and validating.
//
// Calendar: the leap-year rule is Julian up to 1582 (every fourth year) and Gregorian from 1583.
// Day numbers count real days, day 1 being 1800-01-01: from 1582-10-15 on they follow the Gregorian
// calendar, before it the Julian one, and the ten labels 1582-10-05 to 1582-10-14, which the reform
// skipped, count as the 15th (as the Julian day does). So day numbers, differences, week days and
// shifts agree with the Julian day everywhere.
//
// Nothing here raises an error: validity is answered by false or by the codes below, and a refused
// setter or shift leaves the value as it was.
#pragma once

#include <cstdint>
#include <type_traits>

#include "platform/WinMemoryTime.h"
#include "variant/DureeBase.h"

class CTString;
class CVQBIN;
template <class T>
class CXYString;

// Result codes of the operations that answer an int code.
constexpr int DATETIME_OK = 0;
constexpr int DATETIME_ERR_DATE_INVALIDE = 110;
constexpr int DATETIME_ERR_HEURE_INVALIDE = 111;

class CDateTimeBase {
public:
    constexpr CDateTimeBase() : m_dwDate(0), m_dwTime(0) {}

    // ---- Constants.
    static constexpr uint32_t MILLI_PAR_JOUR = 86400000;
    static constexpr uint32_t MILLI_PAR_HEURE = 3600000;
    static constexpr uint32_t MILLI_PAR_MINUTE = 60000;
    // Day numbers of 1800-01-01 + n: the offset from the count of days since 0001-01-01 (proleptic
    // Gregorian, counting that day as 1), and the largest number a date is made from (10000-01-01).
    static constexpr int DECALAGE_ENTIER = 657071;
    static constexpr int ENTIER_MAX = 2994989;
    // Length of the digit text AAAAMMJJHHMMSSmmm, of its date and of its time part.
    static constexpr int TAILLE_CHAINE = 17;
    static constexpr int TAILLE_DATE = 8;
    static constexpr int TAILLE_HEURE = 9;

    static const unsigned char ms_pbyNbJoursMois[12];
    static const unsigned char ms_pbyNbJoursMoisBissextile[12];
    static const unsigned short ms_pwNbJoursAvantMois[12];  // of a common year
    // The date and time texts a new date or time variant starts from: "" and "0000".
    static const wchar_t* const ms_pcszValeurInitDate;
    static const wchar_t* const ms_pcszValeurInitTime;

    // ---- Fields.
    int nGetAnnee() const { return int(m_dwDate >> 16); }
    int nGetMois() const { return int((m_dwDate >> 8) & 0xFF); }
    int nGetJour() const { return int(m_dwDate & 0xFF); }
    int nGetHeure() const { return int(m_dwTime / MILLI_PAR_HEURE); }
    int nGetMinute() const { return int(m_dwTime / MILLI_PAR_MINUTE % 60); }
    int nGetSeconde() const { return int(m_dwTime / 1000 % 60); }
    int nGetMilliseconde() const { return int(m_dwTime % 1000); }
    // Year 1 to 9,999, month 1 to 12 and day 1 to the month's length.
    bool bDateValide() const;

    // ---- Calendar (static).
    // 1 for a leap year: a multiple of 4, and from 1583 not a multiple of 100 unless of 400.
    static int __nBissextile(int nAnnee);
    // Days in the month; 0 for a month outside 1 to 12.
    static int s_nGetNbJourMois(int nMois, int nAnnee);
    // The day number of a date (1800-01-01 is 1). With bCheck the day must be 1 to 31, the year 1 to
    // 9,999 and the month 1 to 12; always the month 1 to 12 and the day within the month's length.
    static bool __bDateVersEntier(int nJour, int nMois, int nAnnee, int* pnEntier, bool bCheck);
    // The same with the checks; 0 for an invalid date.
    static int s_nDateVersEntier(int nJour, int nMois, int nAnnee);
    // The date of a day number: false above ENTIER_MAX or before the year 0.
    static bool __bEntierVersDate(int nEntier, int* pnJour, int* pnMois, int* pnAnnee);
    // The day cut to the month's length when day, month and year are all non-zero.
    static int __nRectifieFinMois(int nJour, int nMois, int nAnnee);

    // ---- Comparison.
    // -1, 0 or 1 by the date words (unsigned), then the time words.
    static int nCompare(const CDateTimeBase& clA, const CDateTimeBase& clB);
    // -1, 0 or 1 by the date words only.
    static int s_nCompareDateSeule(const CDateTimeBase& clA, const CDateTimeBase& clB);
    // Digit texts: two empty texts are equal, an empty one is smaller, otherwise the shorter length
    // decides how much is compared (a prefix is equal). A null text counts as empty.
    static int nCompareDate(const wchar_t* pszA, const wchar_t* pszB);
    static int nCompareHeure(const wchar_t* pszA, const wchar_t* pszB);
    // This value's 17-digit text against a digit text, as nCompareDate.
    int nCompare(const wchar_t* psz) const;

    // ---- Setting.
    void InitDate() { m_dwDate = m_dwTime = 0; }
    // Year, month, day, hour, minute and second through the bModifie... setters in that order (a
    // refused field stays as it was), then the milliseconds: false above 999, which are then kept.
    bool InitDate(const SYSTEMTIME* pst);
    bool InitDateCourante();
    bool InitDateCouranteUTC();
    // Stores the fields without any check.
    void Set(int nAnnee, int nMois, int nJour, int nHeure, int nMinute, int nSeconde, int nMilliseconde);
    // Each replaces one field; a value out of range is refused (false, nothing changed). The day,
    // month and year setters cut the day to the length of the resulting month.
    bool bModifieHeure(int nHeure);
    bool bModifieMinute(int nMinute);
    bool bModifieSeconde(int nSeconde);
    bool bModifieJour(int nJour);
    bool bModifieMois(int nMois);
    bool bModifieAnnee(int nAnnee);

    // ---- Arithmetic. A shift that fails leaves the value as it was; every result stays within the
    // years 1 to 9,999.
    // n days; the all-zero date stays as it is (true).
    bool bDecaleJour(int n);
    // n milliseconds, carrying into the days.
    bool bDecaleMilli(int64_t n);
    // n months; the day is cut to the new month's length.
    bool bDecaleMois(int n);
    // n years; the day is cut to the month's length (29 February).
    bool bDecaleAnnee(int n);
    // *pclDuree = a - b: 0, or 110 when a date is invalid.
    static int nCalculeDuree(const CDateTimeBase& clA, const CDateTimeBase& clB, CDureeBase* pclDuree);
    // *pn = days from b to a; false (an invalid date counting as day 0) when a date is invalid.
    static bool bCalculeDiffJour(const CDateTimeBase& clA, const CDateTimeBase& clB, int* pn);
    // The day number: 0, or 110 for an invalid date (*pn unchanged).
    int nVersEntier(int* pn) const;

    // ---- Calendar queries.
    // 0 Sunday, 1 Monday ... 6 Saturday; -1 for an invalid date.
    int nGetJourDeLaSemaine() const;
    // Day of the year from 1; 0 for a month outside 1 to 12.
    int nGetJourDansAnnee() const;
    // ISO 8601 week date: year and week of the Thursday of the date's week, weekday 1 Monday ... 7
    // Sunday. An invalid date gives 0, 0, 0.
    void VersISO8601YWD(int& nAnnee, int& nSemaine, int& nJourSemaine) const;
    // Julian Day Number (Gregorian from 1582-10-15, Julian before; 1582-10-05 to 14 as the 15th).
    int nVersJourJulien() const;

    // ---- Text forms: AAAAMMJJHHMMSSmmm.
    // The first nSize characters (at most 17), terminated after them: the buffer holds nSize + 1.
    void VersChaine(char* pszBuffer, int nSize) const;
    void VersChaine(wchar_t* pszBuffer, int nSize) const;
    // The 17 characters on the heap (STR_Delete), or null without memory.
    wchar_t* pszCreeChaine() const;
    void VersChaine(CTString* pclChaine) const;
    CTString VersChaine() const;
    // The 17 characters as 17 bytes: the binary string's nSetSize result.
    int nVersBinaire(CVQBIN* pclBinaire, unsigned int dwFlags) const;
    // Assigned to a shared string: 0, 108 or the allocator's code.
    int nVersChaine(CXYString<wchar_t>* pclChaine) const;
    // "%d-%d-%d %d:%d:%d,%d" of year, month, day, hour, minute, second, millisecond.
    CTString VersChaineFormate() const;
    // AAAAMMJJ cut to n characters (at most 8), or HHMMSSmmm cut to n (at most 9), terminated after
    // them (the buffer holds n + 1); 0.
    int nVersDate(char* pszBuffer, int n) const;
    int nVersDate(wchar_t* pszBuffer, int n) const;
    int nVersHeure(char* pszBuffer, int n) const;
    int nVersHeure(wchar_t* pszBuffer, int n) const;
    // Every field but the day of week, which is not written; 0.
    int nVersSysteme(SYSTEMTIME* pst) const;
    // Date digits AAAAMMJJ into the date fields, time fields 0 (day of week not written); 0.
    static int nDateVersSysteme(const wchar_t* psz, SYSTEMTIME* pst);
    // Time digits HHMMSS[mmm] into the time fields, date fields 0 (day of week not written); 0.
    static int nHeureVersSysteme(const wchar_t* psz, SYSTEMTIME* pst);

    // ---- Parsers. Fields a short text does not reach read as 0; the plain parsers check nothing.
    // AAAAMMJJ[HHMMSS[mmm]]: the time is 0 unless the text has 9 characters or more.
    template <class T>
    void FromString(const T* psz);
    // HHMMSS[mmm] into the time word; one or two fraction digits are tenths or hundredths.
    template <class T>
    void __SetPartieHeure(const T* psz);
    // FromString<char> over the first 17 bytes of a binary string.
    void DepuisBinaire(const CVQBIN* pclBinaire, unsigned int dwFlags);
    // The first 17 bytes of a binary string through the validating parsers: the time becomes 0, then
    // 110 for a date part that is not a valid AAAAMMJJ, 111 for a time part that is not a valid time;
    // 0 otherwise.
    int nDepuisBinaireValide(const CVQBIN* pclBinaire, unsigned int dwFlags);
    // Eight digits of a valid date (year at most 9,999): stores the date word.
    template <class T>
    bool __bSetPartieDateValide(const T* psz);
    // An empty text or HH[MM[SS[f[f[f]]]]] within 23:59:59.999 (lengths 1, 3 and 5 refused; a
    // non-digit may end the text only after the seconds): stores the time word.
    template <class T>
    bool __bSetPartieHeureValide(const T* psz);

    // ---- Digit fields.
    // The number written in nLength characters from nStart (read as strtol does): 0 for a null or
    // empty text, or when the text ends before nStart + nLength, unless bPadding is set and the
    // field starts within the text: the field then stops at the end, times 10 per missing digit.
    static int nGetPropDateTime(const char* psz, int nStart, int nLength, int bPadding);
    static int nGetPropDateTime(const wchar_t* psz, int nStart, int nLength, int bPadding);
    // Writes nValue zero-padded into characters nStart to nStart + nLength - 1 (only its last nLength
    // digits; a negative value as 0); past nTotal those characters become '0' and the rest is not
    // written; the buffer is terminated at nTotal.
    static void SetPropDateTime(char* pszBuffer, int nStart, int nLength, int nValue, int nTotal);
    static void SetPropDateTime(wchar_t* pszBuffer, int nStart, int nLength, int nValue, int nTotal);
    // nValue as 4, 3 or 2 digits (nWidth 4, 3 or 2), or as the one character '0' + nValue for any
    // other width; no terminator.
    template <class T>
    static void FAST_SETI2DATE(T* pszBuffer, int nValue, int nWidth);

    uint32_t m_dwDate;  // year << 16 | month << 8 | day
    uint32_t m_dwTime;  // milliseconds since midnight
};
static_assert(sizeof(CDateTimeBase) == 8);
static_assert(std::is_standard_layout_v<CDateTimeBase> && std::is_trivially_copyable_v<CDateTimeBase>);
