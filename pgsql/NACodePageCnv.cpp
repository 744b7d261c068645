// The 8-bit form of a wide text in a code page, made once.
#include "pgsql/NACodePageCnv.h"

#include <cwchar>

CNACodePageCnv::~CNACodePageCnv() = default;

CNACodePageCnvIN::CNACodePageCnvIN(const wchar_t* psz, int nLength, unsigned nCodePage)
    : m_pszText(psz), m_nLength(nLength), m_nCodePage(nCodePage) {
    if (psz == nullptr) return;
    if (nLength < 0) m_nLength = static_cast<int>(wcslen(psz));
    m_clConverted.__nConversion(psz, m_nLength, 0, static_cast<int>(nCodePage), 0, nullptr);
}

CNACodePageCnvIN::~CNACodePageCnvIN() = default;
