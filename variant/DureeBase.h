// CDureeBase: the system's duration value, a signed count of milliseconds (negative durations are
// allowed), with its digit-text forms (days, then hours, minutes and seconds on two digits, then
// milliseconds on three or hundredths on two) and their parsers. The variant's duration type
// (CDuree) has exactly this layout; the date-time value (CDateTimeBase) gives the difference of two
// instants in it. Nothing here raises an error: the text forms answer the shared strings' codes and
// the parsers 112 for a text too short to hold the parts.
#pragma once

#include <cstdint>
#include <type_traits>

class CVQBIN;
template <class T>
class CXYString;

// Result code of the duration parsers: the text is too short to hold hours, minutes, seconds and
// the fraction.
constexpr int DUREE_ERR_TEXTE_TROP_COURT = 112;

class CDureeBase {
public:
    constexpr CDureeBase() : m_nDuree(0) {}
    constexpr explicit CDureeBase(int64_t nMilli) : m_nDuree(nMilli) {}

    int64_t nGetMilli() const { return m_nDuree; }
    void SetMilli(int64_t nMilli) { m_nDuree = nMilli; }

    // -1, 0 or 1 by the signed counts.
    static int nCompare(const CDureeBase& clA, const CDureeBase& clB);

    // ---- Text forms. The formats print days (any number of digits), hours, minutes, seconds and
    // the fraction: milliseconds on three digits, or hundredths on two. A negative duration is
    // preceded by '-'.
    static const wchar_t* const ms_pcszFormatAffichageMillieme;  // "%d%02d%02d%02d%03d"
    static const wchar_t* const ms_cpszFormatAffichageCentieme;  // "%d%02d%02d%02d%02d"
    // Size every text form uses: the buffer holds nSize + 1 characters.
    static constexpr int TAILLE_CHAINE = 24;

    // Writes the duration in pszFormat (one of the two above; the hundredths one is recognised by
    // its text) into pszBuffer, which holds nSize + 1 characters. With hundredths the count is first
    // rounded to the nearest 10 ms (half away from zero; down when up would pass the count's range),
    // the rounding carrying into the seconds. Every negative count, even one that rounds to 0, takes
    // the '-'.
    // Answers the length of the text, or -1 when it does not fit (the buffer is then terminated).
    int __nVersChaine(wchar_t* pszBuffer, const wchar_t* pszFormat, int nSize) const;
    // A copy of the millisecond text on the heap (STR_Delete), or null without memory.
    wchar_t* pszCreeChaine() const;
    // The millisecond text as bytes (one per character) in a binary string: its nSetSize result.
    int nVersBinaire(CVQBIN* pclBinaire, unsigned int dwFlags) const;
    // The millisecond or hundredths text assigned to a shared string: 0, 108 or the allocator's code.
    int nVersChaine(CXYString<wchar_t>* pclChaine) const;
    int nVersChaineCentieme(CXYString<wchar_t>* pclChaine) const;

    // ---- Parsers. An optional leading '+' or '-' (or their full-width forms U+FF0B, U+FF0D) gives
    // the sign; from the right: milliseconds (3 digits) or hundredths (2), seconds, minutes and hours
    // (2 each), and the days before them (any number of digits). The parts are not range-checked.
    // 0, or 112 when the text after the sign is shorter than 10 (hundredths: 9) characters; the value
    // is then unchanged.
    int nDepuisChaine(const wchar_t* psz);
    int nDepuisChaineCentieme(const wchar_t* psz);
    // The first 24 bytes of a binary string, each taken as a character, through nDepuisChaine; an
    // empty (or null) binary string gives 112.
    int nDepuisBinaire(const CVQBIN* pclBinaire, unsigned int dwFlags);

    int64_t m_nDuree;  // milliseconds
};
static_assert(sizeof(CDureeBase) == 8);
static_assert(std::is_standard_layout_v<CDureeBase> && std::is_trivially_copyable_v<CDureeBase>);
