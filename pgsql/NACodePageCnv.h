// CNACodePageCnv and CNACodePageCnvIN: a wide text held with its 8-bit form in a given code page,
// converted once when the object is made, for a client-library call that takes 8-bit text (the
// client encoding's name). The 8-bit form lives in a shared string released with the object.
#pragma once

#include "core/XYString.h"

class CNACodePageCnv {
public:
    CNACodePageCnv() = default;
    CNACodePageCnv(const CNACodePageCnv&) = delete;
    CNACodePageCnv& operator=(const CNACodePageCnv&) = delete;
    virtual ~CNACodePageCnv();
};

class CNACodePageCnvIN : public CNACodePageCnv {
public:
    // nLength wide characters of psz (-1: up to its zero) in code page nCodePage.
    CNACodePageCnvIN(const wchar_t* psz, int nLength, unsigned nCodePage);
    ~CNACodePageCnvIN() override;

    // The 8-bit form; never null (empty when the text was or could not be converted).
    const char* pszGetA() const { return m_clConverted.pszGet(); }
    const wchar_t* pszGetW() const { return m_pszText; }
    unsigned nGetCodePage() const { return m_nCodePage; }

private:
    const wchar_t* m_pszText;
    int m_nLength;
    unsigned m_nCodePage;
    CXYString<char> m_clConverted;
};
