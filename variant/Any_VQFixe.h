// CAny_VQFixe<T, CODE>: the value classes whose value is a fixed number of bytes held in the value
// area itself (the numbers, money, date-time and duration): the cell, the data and the useful
// data are all the value, and a copy copies the bytes. The numeric families add their sign and
// stepping on top (variant/Any_VQEntier.h, Any_VQReel.h, Any_VQBOOL.h, Any_VQCY.h); the date-time
// and the duration are this class as it stands.
#pragma once

#include <cstring>

#include "variant/Any.h"
#include "variant/DateTime.h"
#include "variant/Duree.h"

template <typename T, unsigned short CODE>
class CAny_VQFixe : public CAny_Intern {
public:
    static constexpr unsigned short TYPE = CODE;
    static constexpr unsigned long TAILLE = sizeof(T);

    void Duplique(CAny* pclCible) const override { _Duplique(pclCible, CODE, m_abyValeur); }
    int nGetSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, TAILLE); }
    int nGetAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillBuffer(void* pBuffer) const override {
        memcpy(pBuffer, m_abyValeur, TAILLE);
        return VQERR_OK;
    }
    int nGetDataSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, TAILLE); }
    int nGetDataAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillDataBuffer(void* pBuffer) const override { return nFillBuffer(pBuffer); }
    // Copies the type's size from p (a null p changes nothing).
    void SetValue(const void* p) override {
        if (p != nullptr) memcpy(m_abyValeur, p, TAILLE);
    }
    using CAny_Intern::SetValue;

    T tGet() const { return _tLit<T>(); }
    void Set(const T& t) { _Ecrit(t); }
};

using CAny_VQDATETIME = CAny_VQFixe<CDateTime, VQTYPE_DATETIME>;
using CAny_VQDUREE = CAny_VQFixe<CDuree, VQTYPE_DUREE>;
