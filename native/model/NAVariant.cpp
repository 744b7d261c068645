// Variant value holder: copies, typed setters, comparison, emptiness, decimal information,
// checksum, trace text, and loading and storing a value from and to a file.
#include "native/model/NAVariant.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/TString.h"
#include "core/VQBIN.h"
#include "core/XErrorModule.h"
#include "core/XYString.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAConvertVariant.h"
#include "platform/XFile.h"
#include "variant/Any_VQDECIMAL.h"
#include "variant/Money.h"
#include "variant/VQCalc.h"

namespace {

// Size of one piece read from a file.
constexpr uint32_t TAILLE_BLOC_FICHIER = 16384;

bool bDateTexteNarrow(unsigned short n) {
    return n == VQTYPE_DATEA || n == VQTYPE_TIMEA;
}
bool bDateTexteWide(unsigned short n) {
    return n == VQTYPE_DATEW || n == VQTYPE_TIMEW;
}

// User error 15 with the path and the system's text, the user error code as information 16.
void AddErreurFichier(CNAError* pclError, const wchar_t* pszPath, const CXFile& clFile) {
    if (pclError == nullptr) return;
    _CXErrorModule39 clErr;
    const CXError* pclFileErr = clFile.pclGetXError();
    const wchar_t* pszSystem = pclFileErr != nullptr ? pclFileErr->pszGetSystemErrorMessage() : L"";
    clErr.SetUserError(&gstMyModuleInfo39, 15, pszPath, pszSystem);
    if (pszSystem[0] != 0) clErr.SetSystemErrorMessage(pszSystem);
    const uint32_t nCode = 15;
    clErr.AddInfo(CXError::EIT_NATIVECODE, &nCode);
    pclError->AddError(NA_ERRORTYPE_GENERAL, &clErr, nullptr);
}

}  // namespace

bool CNAVariant::s_bNarrowText(unsigned short n) {
    return n == VQTYPE_CARA || n == VQTYPE_PSTRA || n == VQTYPE_DSTRA || n == 21 || n == 22 || n == 23 || n == 134;
}

bool CNAVariant::s_bWideText(unsigned short n) {
    return n == VQTYPE_DSTRW || n == 20 || n == VQTYPE_CARW || n == VQTYPE_PSTRW;
}

// ------------------------------------------------------------------------------------------------
// Copies and data
// ------------------------------------------------------------------------------------------------

int CNAVariant::vbChangeVQType(unsigned short nType, int) {
    return m_clValue.__nCastTo(nType, nullptr, 1) <= VQERR_DERNIER_SUCCES_HOTE;
}

int CNAVariant::bGetValue(CAny* pclOut) const {
    if (pclOut == &m_clValue) return 1;
    pclOut->__SetType(m_clValue.nGetTypeCode(), 0);
    m_clValue.pclGetValeur()->Duplique(pclOut);
    return 1;
}

int CNAVariant::bSetValue(const CAny* pclIn) {
    if (pclIn == &m_clValue) return 1;
    m_clValue.__SetType(pclIn->nGetTypeCode(), 0);
    pclIn->pclGetValeur()->Duplique(&m_clValue);
    return 1;
}

int CNAVariant::bCopyVariant(const CNAVariant* pclOther) {
    if (pclOther == this) return 1;
    if (pclOther == nullptr) {
        const unsigned short nType = m_clValue.nGetTypeCode();
        m_clValue.__SetType(VQTYPE_VIDE, 0);
        m_clValue.__SetType(nType, 0);
        m_clValue.SetNull(1);
        return 1;
    }
    return bSetValue(&pclOther->m_clValue);
}

CNAVariant* CNAVariant::pclGetCloneVariant() const {
    // On the driver's error object: a bare value has none of its own.
    CNAConvertVariant* pcl =
        CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocVariant(nullptr, nullptr) : nullptr;
    if (pcl == nullptr) return nullptr;
    pcl->InitTypeVariantAny(m_clValue.nGetTypeCode(), 0);
    pcl->CNAVariant::bCopyVariant(this);
    return pcl;
}

const void* CNAVariant::pGetData() const {
    if (m_clValue.nGetTypeCode() == VQTYPE_VIDE) return nullptr;
    void* p = nullptr;
    if (m_clValue.pclGetValeur()->nGetDataAdr(&p) != VQERR_OK) return nullptr;
    return p;
}

unsigned long CNAVariant::nGetSize() const {
    unsigned long n = 0;
    if (m_clValue.pclGetValeur()->nGetDataSize(&n) != VQERR_OK) return 0;
    return n;
}

unsigned long CNAVariant::nGetUtilDataSize() const {
    unsigned long n = 0;
    if (m_clValue.pclGetValeur()->nGetUtilDataSize(&n) != VQERR_OK) return 0;
    return n;
}

int CNAVariant::bSetValue(const unsigned char* pby, unsigned long n) {
    m_clValue.pclGetValeur()->SetValue(pby, n);
    _EffaceDrapeaux();
    return 1;
}

int CNAVariant::bSetValue(bool b) {
    m_clValue.SetBOOL(b ? 1 : 0);
    return 1;
}
int CNAVariant::bSetValue(unsigned char n) {
    m_clValue.SetUI1(n);
    return 1;
}
int CNAVariant::bSetValue(unsigned short n) {
    m_clValue.SetUI2(n);
    return 1;
}
int CNAVariant::bSetValue(unsigned int n) {
    m_clValue.SetUI4(n);
    return 1;
}
int CNAVariant::bSetValue(unsigned long n) {
    m_clValue.SetUI8(n);
    return 1;
}
int CNAVariant::bSetValue(char n) {
    m_clValue.SetI1(n);
    return 1;
}
int CNAVariant::bSetValue(short n) {
    m_clValue.SetI2(n);
    return 1;
}
int CNAVariant::bSetValue(int n) {
    m_clValue.SetI4(n);
    return 1;
}
int CNAVariant::bSetValue(long n) {
    m_clValue.SetI8(n);
    return 1;
}
int CNAVariant::bSetValue(CMoney cy) {
    m_clValue.SetCY(cy);
    return 1;
}
int CNAVariant::bSetValue(float r) {
    m_clValue.SetR4(r);
    return 1;
}
int CNAVariant::bSetValue(double r) {
    m_clValue.SetR8(r);
    return 1;
}

// ------------------------------------------------------------------------------------------------
// Comparison
// ------------------------------------------------------------------------------------------------

int CNAVariant::nCmp(const CAny* pclOther) const {
    const CAny_Intern* pclA = m_clValue.pclGetValeur();
    const CAny_Intern* pclB = pclOther->pclGetValeur();
    unsigned long nA = 0, nB = 0;
    void *pA = nullptr, *pB = nullptr;
    if (m_clValue.nGetTypeCode() == pclOther->nGetTypeCode() && pclA->nGetDataSize(&nA) == VQERR_OK &&
        pclB->nGetDataSize(&nB) == VQERR_OK && nA == nB && pclA->nGetDataAdr(&pA) == VQERR_OK &&
        pclB->nGetDataAdr(&pB) == VQERR_OK) {
        if (nA == 0) return 0;
        const int n = memcmp(pA, pB, nA);
        return n < 0 ? -1 : (n > 0 ? 1 : 0);
    }
    int nResultat = 0;
    if (nCompare(m_clValue, *pclOther, &nResultat, 0) != VQERR_OK) return 0;
    return nResultat;
}

int CNAVariant::nCmp(const CNAVariant* pclOther) const {
    if (pclOther == this) return 0;
    return nCmp(&pclOther->m_clValue);
}

bool CNAVariant::bEqualsNAVariant(const CAny* pclOther) const {
    const bool bNull = m_clValue.bIsNull() || m_clValue.nGetTypeCode() == VQTYPE_VIDE;
    if (bNull && (pclOther->bIsNull() || pclOther->nGetTypeCode() == VQTYPE_VIDE)) return true;
    int nEgal = 0;
    if (nEgalite(m_clValue, *pclOther, &nEgal, 0) != VQERR_OK) return false;
    return nEgal != 0;
}

// ------------------------------------------------------------------------------------------------
// Emptiness
// ------------------------------------------------------------------------------------------------

bool CNAVariant::bIsEmptyString() const {
    if (m_clValue.bIsNull() || vbIsEmpty()) return true;
    const unsigned short nType = m_clValue.nGetTypeCode();
    const void* p = vpGetData();
    if (s_bNarrowText(nType)) return p == nullptr || *static_cast<const char*>(p) == 0;
    if (s_bWideText(nType)) return p == nullptr || *static_cast<const wchar_t*>(p) == 0;
    return false;
}

bool CNAVariant::bIsEmptyStringEx() const {
    if (bIsEmptyString()) return true;
    const unsigned short nType = m_clValue.nGetTypeCode();
    const void* p = vpGetData();
    if (bDateTexteNarrow(nType)) return p == nullptr || *static_cast<const char*>(p) == 0;
    if (bDateTexteWide(nType)) return p == nullptr || *static_cast<const wchar_t*>(p) == 0;
    return false;
}

bool CNAVariant::bIsNumeric0() const {
    if (m_clValue.bIsNull() || vbIsEmpty()) return true;
    const unsigned short nType = m_clValue.nGetTypeCode();
    if (nType < 1 || nType > 14) return false;
    CAny clTemp;
    if (!vbGetValue(&clTemp)) return true;
    if (clTemp.__nCastTo(VQTYPE_R8, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) return false;
    if (clTemp.bIsNull()) return false;
    double d;
    memcpy(&d, clTemp.pbyGetValeur(), sizeof(d));
    return d == 0.0;
}

// ------------------------------------------------------------------------------------------------
// Decimals, checksum, trace
// ------------------------------------------------------------------------------------------------

int CNAVariant::bGetDecimalInfo(int* pnDigits, int* pnDecimals) const {
    *pnDigits = 0;
    *pnDecimals = 0;
    // The host's decimal object does not say its precision and scale through the operations this
    // library knows: a decimal value is known to be one, and the answer is true without digits.
    auto piDecimal = [](const CAny& cl) -> IDecimalVQ* {
        IDecimalVQ* pi = nullptr;
        memcpy(&pi, cl.pbyGetValeur(), sizeof(pi));
        return pi;
    };
    if (m_clValue.nGetTypeCode() == VQTYPE_DECIMAL && !m_clValue.bIsNull()) return piDecimal(m_clValue) != nullptr;
    CAny clCopie(m_clValue);
    if (clCopie.__nCastTo(VQTYPE_DECIMAL, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) return 0;
    return !clCopie.bIsNull() && piDecimal(clCopie) != nullptr;
}

uint32_t CNAVariant::nChecksum32() const {
    const unsigned char* p = static_cast<const unsigned char*>(vpGetData());
    unsigned long n = vnGetSize();
    if (p == nullptr) return 0;
    uint32_t nSomme = 0;
    for (; n >= 4; n -= 4, p += 4) {
        uint32_t dw;
        memcpy(&dw, p, 4);
        nSomme += dw;
    }
    for (; n > 0; n--, p++) nSomme += *p;
    return nSomme;
}

void CNAVariant::GetString(CXYString<wchar_t>* pclOut, const wchar_t* pszMask, int n) const {
    CAny clTemp;
    vbGetValue(&clTemp);
    nGetString(pclOut, clTemp, pszMask, n);
}

void CNAVariant::GetString(CTString* pclOut, const wchar_t* pszMask, int n) const {
    CAny clTemp;
    vbGetValue(&clTemp);
    nGetString(pclOut, clTemp, pszMask, n);
}

// ------------------------------------------------------------------------------------------------
// Files
// ------------------------------------------------------------------------------------------------

int CNAVariant::bStoreFile(const wchar_t* pszPath, CNAError* pclError) const {
    return gbStoreFile(&m_clValue, pszPath, pclError);
}

int CNAVariant::bLoadFile(const wchar_t* pszPath, CNAError* pclError, int bBinary) {
    return gbLoadFile(&m_clValue, pszPath, pclError, bBinary);
}

int CNAVariant::gbStoreFile(const CAny* pclValue, const wchar_t* pszPath, CNAError* pclError) {
    CXFile clFile;
    if (!clFile.bOpen(pszPath, IXStream::eAccessReadWrite, IXStream::eShareNone, IXStream::eCreateAlways,
                      IXStream::eFlagNone, nullptr)) {
        AddErreurFichier(pclError, pszPath, clFile);
        return 0;
    }
    // The useful bytes: a text's terminator is no part of the file.
    void* p = nullptr;
    unsigned long n = 0;
    const CAny_Intern* pclObjet = pclValue->pclGetValeur();
    if (pclValue->nGetTypeCode() == VQTYPE_VIDE || pclObjet->nGetDataAdr(&p) != VQERR_OK ||
        pclObjet->nGetUtilDataSize(&n) != VQERR_OK || p == nullptr)
        n = 0;
    int bOk = 1;
    // Written in pieces a 32-bit count can carry.
    const unsigned char* pby = static_cast<const unsigned char*>(p);
    while (n > 0 && bOk) {
        const uint32_t nPiece = n > 0x40000000ul ? 0x40000000u : static_cast<uint32_t>(n);
        uint32_t nEcrit = 0;
        bOk = clFile.bWrite(pby, nPiece, &nEcrit) && nEcrit == nPiece;
        pby += nPiece;
        n -= nPiece;
    }
    if (!bOk) AddErreurFichier(pclError, pszPath, clFile);
    clFile.Close();
    return bOk;
}

int CNAVariant::gbLoadFile(CAny* pclValue, const wchar_t* pszPath, CNAError* pclError, int bBinary) {
    CXFile clFile;
    if (!clFile.bOpen(pszPath, IXStream::eAccessRead, IXStream::eShareRead, IXStream::eCreateOpenExisting,
                      IXStream::eFlagNone, nullptr)) {
        AddErreurFichier(pclError, pszPath, clFile);
        return 0;
    }
    const int64_t oTaille = clFile.oGetSize();
    if (oTaille < 0) {
        AddErreurFichier(pclError, pszPath, clFile);
        return 0;
    }
    CVQBIN clBin;
    // A size the binary value cannot hold is refused as the memory it would need.
    if (oTaille > STRMEM_MAX_UNITS || clBin.nSetSize(static_cast<int>(oTaille), 0) != 0) {
        if (pclError != nullptr) pclError->SetErrorNoMemory();
        return 0;
    }
    std::unique_ptr<unsigned char[]> pbyBloc(new (std::nothrow) unsigned char[TAILLE_BLOC_FICHIER]);
    if (!pbyBloc) {
        if (pclError != nullptr) {
            _CXErrorModule39 clErr;
            clErr.SetUserError(&gstMyModuleInfo39, 12);
            CNAError::g_AddDebugInfo(&clErr, CNAError::FILE_VARIANT, 0);
            pclError->AddError(NA_ERRORTYPE_GENERAL, &clErr, nullptr);
        }
        return 0;
    }
    // The pieces fill the buffer sized to the file: a file that grew meanwhile stops there, one
    // that shrank gives what was read.
    const int nTaille = static_cast<int>(oTaille);
    int nLu = 0;
    while (nLu < nTaille) {
        uint32_t nPiece = 0;
        if (!clFile.bRead(pbyBloc.get(), TAILLE_BLOC_FICHIER, &nPiece)) {
            AddErreurFichier(pclError, pszPath, clFile);
            return 0;
        }
        if (nPiece == 0) break;
        const int nCopie = static_cast<int>(nPiece) < nTaille - nLu ? static_cast<int>(nPiece) : nTaille - nLu;
        memcpy(clBin.pbyGetBuffer() + nLu, pbyBloc.get(), static_cast<size_t>(nCopie));
        nLu += nCopie;
    }
    clFile.Close();
    if (nLu < nTaille) clBin.Tronque(nLu);
    if (bBinary) {
        pclValue->__SetType(VQTYPE_BIN, 0);
        pclValue->pclGetValeur()->SetValue(&clBin);
    } else {
        pclValue->__SetType(VQTYPE_DSTRA, 0);
        pclValue->pclGetValeur()->SetValue(clBin.pbyGet(), static_cast<unsigned long>(nLu));
    }
    pclValue->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    return 1;
}
