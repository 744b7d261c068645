// CStringParameter: items of connection strings and extended parameters, each a name, "=" and a
// value, separated by ";". The static members read, test, replace and remove items in any text; an
// object binds one parameter name to the value found or set for it and can append itself to a
// connection string.
//
// Syntax: within an item the name is followed by optional spaces, "=", optional spaces and the
// value, which runs to the next ";" or the end; trailing spaces are not part of it. Names match
// ignoring case. There is no quoting: a value cannot hold ";" (quotes are ordinary characters), so
// a value holding ";" is refused wherever one is written, or it would end its item early and make
// the rest items of their own ("Password" set to "x;Host=evil"). A name is found wherever it
// stands before "=" in the name part of an item, also as the end of a longer name ("DB" is found in
// "MYDB=x"); when the name also begins an item of its own, that item is the one found. Past an
// item's first "=" lies its value, where a name is never found ("User" is not an item of
// "Password=p User=evil").
#pragma once

#include <cstddef>

#include "core/TString.h"

class CStringParameter {
public:
    explicit CStringParameter(const wchar_t* pszName);
    ~CStringParameter();

    // Sets the value to the text (n below 0: all of it; else at most n characters) less its
    // trailing spaces and marks it defined; a null text empties the value and marks it undefined.
    // The last two arguments are not used.
    void SetParameterValue(const wchar_t* pszValue, long n = -1, const wchar_t* pszIgnore = nullptr, int nIgnore = 0);
    // The same for a directory: a value that is not empty always ends with a backslash.
    void SetParameterValueRep(const wchar_t* pszValue, long n = -1);
    // When the value is defined, appends ";" (only to a non-empty string), the name, "=" and the
    // value, and answers 1; a value holding ";" (or a name that is empty or holds ";" or "=") is
    // refused: 0, the string unchanged. 1 when the value is not defined. The last two arguments
    // are not used.
    int bCompleteConnectionString(CTString* pclConnectionString, const wchar_t* pszIgnore = nullptr, int nIgnore = 0);
    // Reads this object's name from the text into the value and the defined flag, removing the
    // item from the text when bRemove is not 0. The last two arguments are not used.
    int bInitParameterValue(CTString* pclText, int bRemove, const wchar_t* pszIgnore = nullptr, int nIgnore = 0);

    const wchar_t* pszGetName() const { return m_pszName; }
    const CTString& clGetValue() const { return m_clValue; }
    int bIsDefined() const { return m_bDefined; }

    // Locates the item of the name: the name's position, the value's first and last positions
    // (the last lies before the first for an empty value). 1 when found, else 0.
    static int _s_bGetParameterPos(long& nNamePos, long& nValueStart, long& nValueEnd, CTString* pclText,
                                   const wchar_t* pszName);
    // Value out (empty when absent) and found flag out; with bRemove the item goes from the text.
    // Always 1.
    static int s_bGetParameterValue(CTString* pclValue, int* pbFound, CTString* pclText, const wchar_t* pszName,
                                    int bRemove);
    static int s_bParameterDefined(CTString* pclText, const wchar_t* pszName);
    // Replaces the whole value of the item, or appends ";" (only to a non-empty text), the name,
    // "=" and the value when there is no such item; 1. A value holding ";" (or a name that is empty
    // or holds ";" or "=") is refused: 0, the text unchanged.
    static int s_bReplaceParameterValue(CTString* pclText, const wchar_t* pszValue, const wchar_t* pszName);

private:
    const wchar_t* m_pszName;  // not owned: must outlive the object
    CTString m_clValue;
    int m_bDefined;

    friend struct CStringParameterLayout;
};

struct CStringParameterLayout {
    static_assert(sizeof(CStringParameter) == 24);
    static_assert(offsetof(CStringParameter, m_pszName) == 0);
    static_assert(offsetof(CStringParameter, m_clValue) == 8);
    static_assert(offsetof(CStringParameter, m_bDefined) == 16);
};
