// CTStringConcatAW: the dual-width text builder in which the driver writes SQL and other text bound
// for the database server. The text is kept either as 8-bit text in one code page (the connection's:
// UTF-8 or a single-byte page) or as wide text; that width is the master, fixed for the builder's
// life. The other width is a cache converted from the master when it is read and dropped (its
// length set to 0, its memory kept) whenever the master changes, so each change costs at most one
// conversion however often the text is read.
//
// An append or edit that cannot be made (the heap refuses a growth, an input is too large, a
// conversion on the way fails for want of memory) puts the builder in error, as its two builders
// are (core/XYStringConcat.h): the text stays as it stood at the failure, every later append and
// edit is refused, and bIsInError() answers 1 until the builder is emptied (Vide(), SetStrCte(),
// Tronque(0)). A view that cannot be converted for want of memory reads as "" and also sets
// bIsInError() until the text next changes. So: take the view to send, then check bIsInError();
// a text in error is never sent.
#pragma once

#include "core/TString.h"
#include "core/XYStringConcat.h"

class CTStringConcatAW {
public:
    // Text code page of a builder whose master is the wide text.
    static constexpr unsigned s_nCodePageWide = 0xFFFFFFFE;
    // Code-page argument meaning "the caller code page".
    static constexpr unsigned s_nCodePageAppelant = 0xFFFFFFFF;

    // nCodePage: the master's code page, or s_nCodePageWide. nCodePageAppelant: the code page of
    // 8-bit text that callers hand in, and of the 8-bit cache in wide mode (-1: the host's
    // current code page). Both builders grow in steps of nPas units.
    CTStringConcatAW(unsigned nCodePage, unsigned nCodePageAppelant, unsigned long nPas = 1024);
    CTStringConcatAW(const CTStringConcatAW&) = delete;
    CTStringConcatAW& operator=(const CTStringConcatAW&) = delete;

    bool bModeWide() const { return m_nCodePage == s_nCodePageWide; }
    unsigned nGetCodePage() const { return m_nCodePage; }
    unsigned nGetCodePageAppelant() const { return m_nCodePageAppelant; }
    bool bEstVide() const { return bModeWide() ? m_clConcatW.bEstVide() : m_clConcatA.bEstVide(); }
    // Length of the master: wide characters in wide mode, bytes in 8-bit mode.
    unsigned long nGetLongueur() const { return bModeWide() ? m_clConcatW.nGetLongueur() : m_clConcatA.nGetLongueur(); }
    // Empties both widths and forgets any failure; the memory stays for reuse.
    void Vide();
    // 1 when a piece of the text was lost since the builder was last emptied, or when the view
    // last asked for could not be made: the text must not be sent.
    int bIsInError() const { return m_clConcatA.bIsInError() || m_clConcatW.bIsInError() ? 1 : 0; }

    // ---------------------------------------------------------------------------------- views
    // The text in either width, converted from the master when the cache is stale. Never null.
    const wchar_t* pszGetW();
    const char* pszGetA();
    // Lengths of the views (characters, bytes), refreshed as pszGetW()/pszGetA() do.
    unsigned long nGetLongueurW();
    unsigned long nGetLongueurA();
    // One unit of a view; 0 when the text is empty or i lies outside it.
    wchar_t cGetCharW(long i);
    char cGetCharA(long i);
    // 1 when the unit at i of the master is a space.
    int bIsCharSpace(long i) const;

    // ------------------------------------------------------------------------------ appending
    // n wide characters (-1: up to the terminator); converted to the master's code page in 8-bit
    // mode. The code-page argument is not used.
    void Add(const wchar_t* psz, long n, unsigned nCodePage = s_nCodePageAppelant);
    void AddStrCte(const wchar_t* psz, long n) { Add(psz, n, s_nCodePageAppelant); }
    void Add(const CTString& cl) { Add(cl.pszGet(), cl.nTaille(), s_nCodePageAppelant); }
    void SetStrCte(const wchar_t* psz, long n);
    // n bytes (-1: up to the terminator) of 8-bit text in code page nCodePage (-1: the caller
    // code page).
    void Add(const char* psz, long n, unsigned nCodePage = s_nCodePageAppelant);
    // n bytes (-1: up to the terminator) of UTF-8 text.
    void AddUTF8(const char* psz, long n);
    // Decimal text zero-filled on the left to nChiffres digits (-1: none; values below 1 never).
    void AddNumber(int nValeur, int nChiffres);
    void AddNumber(long nValeur, int nChiffres);
    // Upper-case hexadecimal, 2, 4, 8 or 16 digits.
    void AddNumberHexa(unsigned char v);
    void AddNumberHexa(unsigned short v);
    void AddNumberHexa(unsigned int v);
    void AddNumberHexa(unsigned long v);

    // -------------------------------------------------------------------------------- editing
    // Positions and counts are units of the master (bytes in 8-bit mode).

    // Upper-cases the text: byte by byte in a single-byte page, as wide characters in UTF-8 and
    // the double-byte pages (whose characters span several bytes).
    void Majuscule();
    // Cuts the text to n units; nothing when n exceeds the length; n <= 0 empties it.
    void Tronque(long n);
    // Removes n units at nPos; when nPos + n passes the end the text is cut at nPos.
    void Coupe(long nPos, long n);
    // Inserts n units of text at nPos (appends when nPos is at or past the end). The 8-bit form
    // takes text in the caller code page.
    void Insert(const wchar_t* psz, long n, long nPos);
    void Insert(const char* psz, long n, long nPos);
    // Replaces n units at nPos (n < 0: up to the end) by sn units of psz.
    void Remplace(long nPos, long n, const wchar_t* psz, long sn);
    void Remplace(long nPos, long n, const char* psz, long sn);
    // Replaces every occurrence of pszCherche at or after nDebut by pszRemplace; replacement text
    // is never searched again.
    void Remplace(const wchar_t* pszCherche, long fn, const wchar_t* pszRemplace, long rn, long nDebut);
    void Remplace(const char* pszCherche, long fn, const char* pszRemplace, long rn, long nDebut);

    // ------------------------------------------------------------------------------ searching
    // Position in the master at or after nDebut, -1 when absent or when the text is empty. 8-bit
    // arguments are in the caller code page.
    int nPos(wchar_t c, long nDebut) const;
    int nPos(char c, long nDebut) const;
    int nPos(const wchar_t* psz, long nDebut) const;
    int nPos(const char* psz, long nDebut) const;

private:
    template <class T>
    struct stTexte;

    void _DropCacheA() { m_clConcatA.Vide(); }
    void _DropCacheW() { m_clConcatW.Vide(); }
    void _DropCache() {
        if (bModeWide())
            _DropCacheA();
        else
            _DropCacheW();
    }
    bool _bMaitreEnErreur() const { return bModeWide() ? m_clConcatW.bIsInError() : m_clConcatA.bIsInError(); }
    void _SetErreurMaitre() {
        if (bModeWide())
            m_clConcatW._SetError();
        else
            m_clConcatA._SetError();
    }
    // A conversion of the input into temporaries that lost part of it puts the master in error.
    bool _bEntreePerdue(const stTexte<char>& stA, const stTexte<wchar_t>& stW);
    unsigned _nResoutCodePage(unsigned nCodePage) const {
        return nCodePage == s_nCodePageAppelant ? m_nCodePageAppelant : nCodePage;
    }
    // Input converted to the master's width and code page (wide input, 8-bit input in code page
    // nSource or in the caller code page). The result points into the temporaries or into the
    // input itself.
    void _VersMaitre(const wchar_t* psz, long n, stTexte<char>& stA, stTexte<wchar_t>& stW) const;
    void _VersMaitre(const char* psz, long n, unsigned nSource, stTexte<char>& stA, stTexte<wchar_t>& stW) const;
    void _VersMaitre(const char* psz, long n, stTexte<char>& stA, stTexte<wchar_t>& stW) const {
        _VersMaitre(psz, n, m_nCodePageAppelant, stA, stW);
    }
    // The edits and the text search, written once for input of either width (S = char: text in
    // the caller code page).
    template <class S>
    void _Insert(const S* psz, long n, long nPos);
    template <class S>
    void _RemplacePlage(long nPos, long n, const S* psz, long sn);
    template <class S>
    void _RemplaceTout(const S* pszCherche, long fn, const S* pszRemplace, long rn, long nDebut);
    template <class S>
    int _nPosTexte(const S* psz, long nDebut) const;
    // Runs fnAjout on the master builder, then drops the cache of the other width.
    template <class F>
    void _AddAuMaitre(F fnAjout);

    unsigned m_nCodePage;
    unsigned m_nCodePageAppelant;
    CXYStringConcat<char> m_clConcatA;
    CXYStringConcat<wchar_t> m_clConcatW;
};

static_assert(sizeof(CTStringConcatAW) == 88);
