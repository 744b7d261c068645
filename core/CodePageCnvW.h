// CCodePageCnvW: one conversion of 8-bit text to wide text held for a caller that needs a wide
// pointer for a while (a file name, a message). The converted text lives in a shared wide string
// released with the object.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/XYString.h"

class CCodePageCnvW {
public:
    // nLen bytes (-1: up to the zero) of psz in nCodePage (-1: the host's current code page).
    CCodePageCnvW(const char* psz, int nLen, int nCodePage) {
        if (psz == nullptr) {
            m_pszDirect = nullptr;
            return;
        }
        if (nLen == -1) nLen = static_cast<int>(strlen(psz));
        m_clConverti.__nConversion(psz, nLen, 0, nCodePage, 0);
    }
    CCodePageCnvW(const CCodePageCnvW&) = delete;
    CCodePageCnvW& operator=(const CCodePageCnvW&) = delete;

    // The converted text (never null then), or null when the 8-bit text was null.
    const wchar_t* pszGet() const { return m_pszDirect != s_pszConverti() ? m_pszDirect : m_clConverti.pszGet(); }

private:
    // The direct pointer's value (all bits set) meaning "use the converted text".
    static const wchar_t* s_pszConverti() { return reinterpret_cast<const wchar_t*>(~uintptr_t(0)); }

    const wchar_t* m_pszDirect = s_pszConverti();
    CXYString<wchar_t> m_clConverti;
};

static_assert(sizeof(CCodePageCnvW) == 16);
