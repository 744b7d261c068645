// CAny_VQTexteFixe<T, N, CODE>: the value classes of the date and time texts of fixed width held in
// the value area itself: CAny_VQDATEW and CAny_VQTIMEW (wide, 8 and 9 characters), CAny_VQDATEA and
// CAny_VQTIMEA (8-bit, the same widths), each followed by its terminator. The cell is the N
// characters without the terminator, the data the text with it; the useful data of a date is its
// whole cell, that of a time its text. The wide classes convert 8-bit text and the 8-bit classes
// wide text, in code page 1252.
#pragma once

#include <cstring>

#include "variant/Any.h"

template <typename T, unsigned long N, unsigned short CODE>
class CAny_VQTexteFixe : public CAny_Intern {
    static_assert((N + 1) * sizeof(T) <= sizeof(m_abyValeur));

public:
    static constexpr unsigned short TYPE = CODE;
    static constexpr unsigned long NB_CARACTERES = N;
    // Dates report their whole cell as useful data, times the length of their text.
    static constexpr bool UTILE_EST_TEXTE = CODE == VQTYPE_TIMEW || CODE == VQTYPE_TIMEA;

    void Duplique(CAny* pclCible) const override { _Duplique(pclCible, CODE, m_abyValeur); }
    int nGetSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, N * sizeof(T)); }
    int nGetAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    // The N characters, without the terminator.
    int nFillBuffer(void* pBuffer) const override {
        memcpy(pBuffer, m_abyValeur, N * sizeof(T));
        return VQERR_OK;
    }
    int nGetDataSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, (N + 1) * sizeof(T)); }
    int nGetDataAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    // The text up to and with its terminator.
    int nFillDataBuffer(void* pBuffer) const override {
        memcpy(pBuffer, m_abyValeur, (nGetLongueur() + 1) * sizeof(T));
        return VQERR_OK;
    }
    // At most N characters of the zero-terminated text p, then the terminator.
    void SetValue(const void* p) override {
        unsigned long n = 0;
        if (p != nullptr) {
            const unsigned char* pby = static_cast<const unsigned char*>(p);
            for (; n < N; n++) {
                T c;
                memcpy(&c, pby + n * sizeof(T), sizeof(T));
                if (c == 0) break;
                _Ecrit(c, n * sizeof(T));
            }
        }
        _Termine(n);
    }
    using CAny_Intern::SetValue;
    int nGetPCASTR(const char** ppsz) const override { return _nPointeurTexte(pszTexte(), ppsz); }
    int nGetPCWSTR(const wchar_t** ppsz) const override { return _nPointeurTexte(pszTexte(), ppsz); }
    int nGetSTRLEN(unsigned long* pnLongueur) const override { return _nTaille(pnLongueur, nGetLongueur()); }
    int nGetUtilDataSize(unsigned long* pnTaille) const override {
        return _nTaille(pnTaille, (UTILE_EST_TEXTE ? nGetLongueur() : N) * sizeof(T));
    }
    // At most N characters and a terminator.
    int nFillUtilDataBuffer(void* pBuffer) const override { return nFillDataBuffer(pBuffer); }

    // The 8-bit text converted in 1252 (wide classes only; the 8-bit ones keep the root's forms).
    void SetValueFromANSI(const void* p) override;
    void SetValueFromANSI(const void* p, unsigned long n) override;
    // The wide text converted in 1252 (8-bit classes only).
    void SetValueFromUNICODE(const void* p) override;

    // Characters before the terminator (at most N).
    unsigned long nGetLongueur() const {
        unsigned long n = 0;
        while (n < N && _tLit<T>(n * sizeof(T)) != 0) n++;
        return n;
    }
    // Writes the initial text: at most N characters of psz, then, for a time, '0' up to N.
    void InitTexte(const wchar_t* psz);

private:
    // The text in the value area.
    const T* pszTexte() const { return reinterpret_cast<const T*>(m_abyValeur); }
    // Terminator after n characters and at position N.
    void _Termine(unsigned long n) {
        _Ecrit(T(0), n * sizeof(T));
        _Ecrit(T(0), N * sizeof(T));
    }
};

// The four classes are compiled once, in Any_VQTexteFixe.cpp.
extern template class CAny_VQTexteFixe<wchar_t, 8, VQTYPE_DATEW>;
extern template class CAny_VQTexteFixe<wchar_t, 9, VQTYPE_TIMEW>;
extern template class CAny_VQTexteFixe<char, 8, VQTYPE_DATEA>;
extern template class CAny_VQTexteFixe<char, 9, VQTYPE_TIMEA>;

using CAny_VQDATEW = CAny_VQTexteFixe<wchar_t, 8, VQTYPE_DATEW>;
using CAny_VQTIMEW = CAny_VQTexteFixe<wchar_t, 9, VQTYPE_TIMEW>;
using CAny_VQDATEA = CAny_VQTexteFixe<char, 8, VQTYPE_DATEA>;
using CAny_VQTIMEA = CAny_VQTexteFixe<char, 9, VQTYPE_TIMEA>;
