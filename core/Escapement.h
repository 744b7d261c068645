// Escapement: rewriting of texts that go into SQL literals and LIKE patterns. Escaping of quotes,
// backslashes and the LIKE wildcards under option flags, rewriting of escaped wildcards into a
// dialect's own texts, and in-place undoing of escapes and quote doubling. Every function exists for
// 8-bit and for wide text with the same behaviour, because the statement builders work in both.
// All texts are zero-terminated; a null text counts as empty.
#pragma once

#include <cstddef>

// Writes the escaped form of pszSource and its terminator into pszDest, which must hold twice the
// source length plus one unit.
//
// The escaped text put between two quotes is one literal for some option sets only, and which
// depends on how the server reads backslashes in literals: PostgreSQL's E'...' always interprets
// them, its '...' does only when standard_conforming_strings is off. Whoever writes a literal picks
// the set from the server's setting. The escape character is never the quote.
//   Standard-conforming literal (backslashes are plain characters):
//     stays one literal with option 1 and the quote as quote-escape character;
//     reads back as the source with exactly option 1 and the quote as quote-escape character.
//   Backslash-interpreting literal:
//     stays one literal with option 1, the quote or the backslash as quote-escape character, and
//     every backslash doubled: option 2 when the escape character is not the backslash, option 3
//     when it is;
//     reads back as the source with that quote-escape character and exactly options 1 and 2
//     (escape character not the backslash) or exactly options 1, 3, 6, 7 and 8 (the backslash).
//
// Any other set can end the literal early or run it past its closing quote: with the backslash as
// escape character and option 1 alone, a\'b gives a\''b, which a backslash-interpreting literal
// ends after a\''; the backslash as quote-escape character (it\'s) ends a standard-conforming one.
// Options 3 to 8 shape LIKE patterns: the literal then reads as the pattern, not as the source.
//
// The eight options, in order:
//   bQuote               each ' is preceded by cQuoteEscape
//   bBackSlash           each backslash that is not the escape character is doubled
//   bDoubleEscape        an escape character already in the source is written twice
//   bEscapePourcent      each '%' is preceded by cEscape
//   bEscapeSouligne      each '_' is preceded by cEscape
//   bReworkPourcent      an escape + '%' pair of the source is rewritten (else copied)
//   bReworkSouligne      an escape + '_' pair of the source is rewritten (else copied)
//   bDoubleEscapeEscape  an escape + escape pair becomes four escapes when bDoubleEscape is set too
void Escape(const char* pszSource, char* pszDest, int bQuote, int bBackSlash, int bDoubleEscape, int bEscapePourcent,
            int bEscapeSouligne, int bReworkPourcent, int bReworkSouligne, int bDoubleEscapeEscape, char cQuoteEscape,
            char cEscape);
void Escape(const wchar_t* pszSource, wchar_t* pszDest, int bQuote, int bBackSlash, int bDoubleEscape,
            int bEscapePourcent, int bEscapeSouligne, int bReworkPourcent, int bReworkSouligne, int bDoubleEscapeEscape,
            wchar_t cQuoteEscape, wchar_t cEscape);

// Escape into a scratch area and hand back a malloc copy of the result (the caller frees it);
// null when memory runs out.
char* pszEscape(const char* pszSource, int bQuote, int bBackSlash, int bDoubleEscape, int bEscapePourcent,
                int bEscapeSouligne, int bReworkPourcent, int bReworkSouligne, int bDoubleEscapeEscape,
                char cQuoteEscape, char cEscape);
wchar_t* pszEscape(const wchar_t* pszSource, int bQuote, int bBackSlash, int bDoubleEscape, int bEscapePourcent,
                   int bEscapeSouligne, int bReworkPourcent, int bReworkSouligne, int bDoubleEscapeEscape,
                   wchar_t cQuoteEscape, wchar_t cEscape);

// Copies pszSource into pszDest replacing escape + '%' by pszAvantPourcent pszPourcent pszApresPourcent,
// escape + '_' by pszAvantSouligne pszSouligne pszApresSouligne and escape + escape by one escape;
// an escape before any other character is copied and that character handled normally. A null
// replacement text counts as empty. pszDest must hold the whole result (see nTailleChangeEscape).
void ChangeEscape(const char* pszSource, char* pszDest, const char* pszPourcent, const char* pszAvantPourcent,
                  const char* pszApresPourcent, const char* pszSouligne, const char* pszAvantSouligne,
                  const char* pszApresSouligne, char cEscape);
void ChangeEscape(const wchar_t* pszSource, wchar_t* pszDest, const wchar_t* pszPourcent,
                  const wchar_t* pszAvantPourcent, const wchar_t* pszApresPourcent, const wchar_t* pszSouligne,
                  const wchar_t* pszAvantSouligne, const wchar_t* pszApresSouligne, wchar_t cEscape);

// Units (terminator included) that ChangeEscape writes for these arguments.
size_t nTailleChangeEscape(const char* pszSource, const char* pszPourcent, const char* pszAvantPourcent,
                           const char* pszApresPourcent, const char* pszSouligne, const char* pszAvantSouligne,
                           const char* pszApresSouligne, char cEscape);
size_t nTailleChangeEscape(const wchar_t* pszSource, const wchar_t* pszPourcent, const wchar_t* pszAvantPourcent,
                           const wchar_t* pszApresPourcent, const wchar_t* pszSouligne, const wchar_t* pszAvantSouligne,
                           const wchar_t* pszApresSouligne, wchar_t cEscape);

// ChangeEscape into a block of its own, handed back as a malloc block the caller frees; null when
// memory runs out.
char* pszChangeEscape(const char* pszSource, const char* pszPourcent, const char* pszAvantPourcent,
                      const char* pszApresPourcent, const char* pszSouligne, const char* pszAvantSouligne,
                      const char* pszApresSouligne, char cEscape);
wchar_t* pszChangeEscape(const wchar_t* pszSource, const wchar_t* pszPourcent, const wchar_t* pszAvantPourcent,
                         const wchar_t* pszApresPourcent, const wchar_t* pszSouligne, const wchar_t* pszAvantSouligne,
                         const wchar_t* pszApresSouligne, wchar_t cEscape);

// In place: removes the escape in front of an escape, '_' or '%'; the freed character is kept and
// not examined again.
void PurgeEscape(char* psz, char cEscape);
void PurgeEscape(wchar_t* psz, wchar_t cEscape);

// In place: each escape + escape pair becomes one escape.
void PurgeEscapeEscape(char* psz, char cEscape);
void PurgeEscapeEscape(wchar_t* psz, wchar_t cEscape);

// In place: undoes quote doubling ('' becomes ', and \' becomes ' when bAvecBackSlash is set),
// scanning from the end. A text that is exactly two quotes is an empty literal and stays as it is.
void PurgeQuote(char* psz, int bAvecBackSlash);
void PurgeQuote(wchar_t* psz, int bAvecBackSlash);

// In place: each pair of backslashes becomes one, then PurgeQuote(psz, 1).
void PurgeEscapeBackSlash(char* psz);
void PurgeEscapeBackSlash(wchar_t* psz);
