// CAny_VQPointeur: the common base of the value classes whose cell is one 8-byte pointer in the
// value area (shared and owned strings, shared bytes, decimal objects, borrowed buffers, arrays and
// object references). The cell is that pointer: its size is 8, its address the value area, and
// filling a buffer copies the pointer out (the shared kinds override this to share instead).
#pragma once

#include <cstring>

#include "variant/Any.h"

class CAny_VQPointeur : public CAny_Intern {
public:
    int nGetSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, sizeof(void*)); }
    int nGetAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillBuffer(void* pBuffer) const override {
        memcpy(pBuffer, m_abyValeur, sizeof(void*));
        return VQERR_OK;
    }
};
