// CMoney: the currency values of the language (variant type CY), exact decimals with six places held
// as a 10-byte fixed-point integer, and the free functions that parse, print, convert, compare,
// round and compute with them. The value is the 80-bit two's-complement integer of the five words
// (least significant first) divided by 1,000,000. Values cross into the host in this layout.
//
// The "pst" functions return their (changed) first operand, or null when the operation fails
// (overflow, division by zero); nothing is raised. The parser and the arithmetic work on
// magnitudes below 2^79, so the values they produce lie within +/-604462909807314587.353087.
#pragma once

#include <cstddef>
#include <cstdint>

struct CMoney {
    uint16_t m_awMot[5];  // least significant word first; the sign is the top bit of m_awMot[4]
};

static_assert(sizeof(CMoney) == 10);
static_assert(alignof(CMoney) == 2);
static_assert(offsetof(CMoney, m_awMot) == 0);

// 1.000000, -1.000000 and 65,536 units (the factor 2^16 of the truncating integer conversions).
extern const CMoney gstMillion;
extern const CMoney gstMoinsMillion;
extern const CMoney gstVersLong;

// Room for every text form, terminator included (the longest is the octal one: 27 digits).
constexpr size_t MONETAIRE_TAILLE_CHAINE = 28;

// ---- Text forms --------------------------------------------------------------------------------

// Decimal text: spaces (' ' only), an optional sign ('+', '-', U+FF0B, U+FF0D) right before the
// digits, integer digits, '.', at most six decimals (later ones are dropped, not rounded); the first
// other character ends the number. No digit gives 0. Null when the magnitude reaches 2^79.
CMoney* pstChaineVersMonetaire(CMoney* pstValeur, const wchar_t* pszTexte);
// Shortest decimal text ("1.5", "12", "-0.25", "0"); returns pszBuffer (27 characters suffice).
wchar_t* pszMonetaireVersChaineC(wchar_t* pszBuffer, const CMoney* pstValeur);
// The five words as hexadecimal, most significant first, without leading zeros (at least one digit).
wchar_t* pszMonetaireVersChaineHexa(wchar_t* pszBuffer, const CMoney* pstValeur);
// The 80 bits as 27 octal digits (the top one sign-extended), without leading zeros.
wchar_t* pszMonetaireVersChaineOctale(wchar_t* pszBuffer, const CMoney* pstValeur);
// The inverse of the hexadecimal text: skips spaces, upper-cases the caller's text in place and
// reads up to 20 hexadecimal digits; no digit gives 0.
CMoney* pstChaineHexaVersMonetaire(CMoney* pstValeur, wchar_t* pszTexte);

// ---- Conversions -------------------------------------------------------------------------------

// The double rounded to six decimals; null when it is not finite or out of range.
CMoney* pstDoubleVersMonetaire(CMoney* pstValeur, double dValeur);
double dMonetaireVersDouble(const CMoney* pstValeur);

// The integer times 1,000,000; null (value unchanged) when that does not fit.
CMoney* pstInt32VersMonetaire(CMoney* pstValeur, int nValeur);
CMoney* pstTresLongVersMonetaire(CMoney* pstValeur, long nValeur);
CMoney* pstTresLongSansSigneVersMonetaire(CMoney* pstValeur, unsigned long nValeur);

// The value divided by 1,000,000, rounded to nearest (halves away from zero), low 32 or 64 bits.
int lMonetaireVersInt32(const CMoney* pstValeur);
long lMonetaireVersTresLong(const CMoney* pstValeur);
unsigned long lMonetaireVersTresLongSansSigne(const CMoney* pstValeur);

// Truncated toward zero; always 1.
int bMonetaireVersTresLong(const CMoney* pstValeur, long* pnValeur);
// Truncated toward zero; 0 when the integer does not fit in an int (the low 32 bits are stored).
int bMonetaireVersInt32(const CMoney* pstValeur, int* pnValeur);
// Rounded as lMonetaireVersTresLongSansSigne; 1 when the quotient fits in 64 bits.
int bMonetaireVersTresLongSansSigne(const CMoney* pstValeur, unsigned long* pnValeur);

// ---- Arithmetic --------------------------------------------------------------------------------

// a + b and a - b; the 80-bit result is stored in any case, null on overflow. a may be b.
CMoney* pstAddMonetaire(CMoney* pstA, const CMoney* pstB);
CMoney* pstSubMonetaire(CMoney* pstA, const CMoney* pstB);
// a x b and a / b, rounded to nearest (halves away from zero); null (a unchanged) on overflow or
// division by zero.
CMoney* pstMulMonetaire(CMoney* pstA, const CMoney* pstB);
CMoney* pstDivMonetaire(CMoney* pstA, const CMoney* pstB);
// Add 1.000000 or -1.000000; 0 on overflow (the wrapped sum is stored, as by pstAddMonetaire).
int bIncrementeMonetaire(CMoney* pstValeur);
int bDecrementeMonetaire(CMoney* pstValeur);
CMoney* pstAbsMonetaire(CMoney* pstValeur);
void NegMonetaire(CMoney* pstValeur);

// -1, 0 or 1; a null a compares greater, a null b smaller.
int nCmpMonetaire(const CMoney* pstA, const CMoney* pstB);
int nCmpMonetaireEtInt32(const CMoney* pstA, int nValeur);
int bMonetaireZero(const CMoney* pstValeur);

// ---- Rounding ----------------------------------------------------------------------------------

// The largest integer not above the value; null (unchanged) when it is out of range.
CMoney* pstEntMonetaire(CMoney* pstValeur);
// The decimals as a non-negative value (-1.25 gives 0.25).
CMoney* pstDecMonetaire(CMoney* pstValeur);
// To nDecimales (0 to 5; other counts leave the value as it is): halves away from zero, toward
// minus infinity, toward plus infinity. Null on overflow.
CMoney* pstArrMonetaire(CMoney* pstValeur, int nDecimales);
CMoney* pstArrMonetaireInf(CMoney* pstValeur, int nDecimales);
CMoney* pstArrMonetaireSup(CMoney* pstValeur, int nDecimales);

// ---- Keys and bounds ---------------------------------------------------------------------------

// 10-byte key: the bytes from the most significant down, the sign bit inverted, so that keys
// compared as unsigned bytes order the values.
void MonetaireVersCleYF(void* pKey, const CMoney* pstValeur);
// The sign bit alone (below every value the arithmetic produces), and 2^79 - 1 units.
void SetMonetaireToMin(CMoney* pstValeur);
void SetMonetaireToMax(CMoney* pstValeur);
