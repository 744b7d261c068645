// CAny_VQCaractere<T, CODE>: what the two character value classes have in common (CAny_VQCARA,
// 8-bit, 17; CAny_VQCARW, wide, 81): one character followed by a zero character, so the value
// area reads as a one-character text of its width. The cell, the data and the useful data are the
// character; each class adds its own conversions from text of the other width.
#pragma once

#include <cstring>

#include "variant/Any.h"

template <typename T, unsigned short CODE>
class CAny_VQCaractere : public CAny_Intern {
public:
    static constexpr unsigned short TYPE = CODE;

    void Duplique(CAny* pclCible) const override { _Duplique(pclCible, CODE, m_abyValeur); }
    int nGetSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, sizeof(T)); }
    int nGetAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillBuffer(void* pBuffer) const override {
        memcpy(pBuffer, m_abyValeur, sizeof(T));
        return VQERR_OK;
    }
    int nGetDataSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, sizeof(T)); }
    int nGetDataAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillDataBuffer(void* pBuffer) const override { return nFillBuffer(pBuffer); }
    // One character, then the terminator.
    void SetValue(const void* p) override {
        if (p == nullptr) return;
        memcpy(m_abyValeur, p, sizeof(T));
        _Ecrit(T(0), sizeof(T));
    }
    using CAny_Intern::SetValue;
    int nGetPCASTR(const char** ppsz) const override { return _nPointeurTexte(pszTexte(), ppsz); }
    int nGetPCWSTR(const wchar_t** ppsz) const override { return _nPointeurTexte(pszTexte(), ppsz); }
    int nGetSTRLEN(unsigned long* pnLongueur) const override { return _nTaille(pnLongueur, 1); }

    T tGet() const { return _tLit<T>(); }

private:
    const T* pszTexte() const { return reinterpret_cast<const T*>(m_abyValeur); }
};
