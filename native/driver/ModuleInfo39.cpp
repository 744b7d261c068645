// The driver's description of itself as module 39 of the common library: its error table, number,
// file name and version, and the lookup of its packed message table. The table is generated at build
// time from native/driver/messages/*.txt (kxmsgpack); the index over it is built on the first lookup.
#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"

// The packed message table, generated.
extern const unsigned char _pbyBufferRes39[];

// The index of this module's packed table.
class CResAnsi39 {
public:
    static int nCompareRes(uint32_t nKeyId, const uint8_t* pbyRecord) { return DLLRES_nCompareRes(nKeyId, pbyRecord); }
    static STRessourceIndex m_stRessource;
};

STRessourceIndex CResAnsi39::m_stRessource = {_pbyBufferRes39, &CResAnsi39::nCompareRes, {}, false, 0};

bool bGetResAnsi39(STRessourceModule& stRecord) {
    return DLLRES_bGetResFromIndex(CResAnsi39::m_stRessource, stRecord);
}

const _stMyModuleInfo gstMyModuleInfo39 = {gstErrorDef39, 84, 39, L"kx200postgresql64.so", L"20.0.5.0", &bGetResAnsi39};
