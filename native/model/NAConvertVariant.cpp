// Value converter: binding to storage, item types, the database-side buffer, the host record side,
// reading the value back, comparison, copy and clone.
#include "native/model/NAConvertVariant.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <optional>

#include "core/UnicodeToolkit.h"
#include "core/XErrorModule.h"
#include "core/XYString.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/DriverServices.h"
#include "native/model/NAConvertVariantTypes.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NAKeptServerText.h"
#include "native/model/NAYFRecord.h"
#include "variant/Any_VQDECIMAL.h"
#include "variant/DateTime.h"
#include "variant/VQCalc.h"

CNAConvertVariant::CNAConvertVariant(CNAError* pclError, CNAConnectionDescription* pclConnection)
    : m_pclConnection(pclConnection), m_pclError(pclError) {
    if (m_pclError != nullptr) m_pclError->AddRef();
}

CNAConvertVariant::~CNAConvertVariant() {
    ResetVariant();
    if (m_pclError != nullptr) m_pclError->nRelease();
    delete m_pclKeptText;
}

// ------------------------------------------------------------------------------------------------
// Binding
// ------------------------------------------------------------------------------------------------

void CNAConvertVariant::_SetVarType(eNAVARTYPE eState) {
    if (m_eVarType == NAVARTYPE_OWNBUFFER) free(m_pbyBuffer);
    m_pbyBuffer = nullptr;
    m_nCapacity = 0;
    m_nDataSize = 0;
    _ReleaseValDB();
    SetItemDesc(nullptr, nullptr);
    m_clValue.__SetType(VQTYPE_VIDE, 0);
    m_eVarType = eState;
    m_eStorageDB = eState == NAVARTYPE_POINTER || eState == NAVARTYPE_OWNBUFFER ? NASTORAGEDB_VALUE : NASTORAGEDB_NONE;
}

void CNAConvertVariant::_ReleaseValDB() {
    free(m_pbyBufferDB);
    m_pbyBufferDB = nullptr;
    m_nBufferDBSize = 0;
    m_nDataLengthDB = 0;
}

int CNAConvertVariant::_bInitBufferYF(unsigned char* pbyBuffer, unsigned long nSize) {
    switch (m_eVarType) {
        case NAVARTYPE_BUFFER:
        case NAVARTYPE_POINTER:
            m_pbyBuffer = pbyBuffer;
            m_nCapacity = nSize;
            m_nDataSize = nSize;
            return 1;
        case NAVARTYPE_OWNBUFFER:
            m_pbyBuffer = static_cast<unsigned char*>(calloc(nSize > 0 ? nSize : 1, 1));
            if (m_pbyBuffer == nullptr) {
                if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
                return 0;
            }
            m_nCapacity = nSize;
            m_nDataSize = nSize;
            return 1;
        default:
            return 1;
    }
}

int CNAConvertVariant::bInitTypeVariant(eNAVARTYPE eState, unsigned char* pbyBuffer, unsigned long nSize,
                                        unsigned short nType) {
    _SetVarType(eState);
    m_clValue.__SetType(nType, 0);
    return _bInitBufferYF(pbyBuffer, nSize);
}

int CNAConvertVariant::bInitTypeVariantBuffer(unsigned short nType, unsigned long nSize) {
    _SetVarType(NAVARTYPE_OWNBUFFER);
    m_clValue.__SetType(nType, 0);
    if (!_bInitBufferYF(nullptr, nSize)) return 0;
    _bInitTypeBind();
    return 1;
}

void CNAConvertVariant::InitTypeVariantAny(unsigned short nType, unsigned long nMaxSize) {
    // The value moves into the CAny; the items it is bound to stay.
    if (m_eVarType == NAVARTYPE_OWNBUFFER) free(m_pbyBuffer);
    m_pbyBuffer = nullptr;
    _ReleaseValDB();
    m_clValue.__SetType(VQTYPE_VIDE, 0);
    m_eVarType = NAVARTYPE_ANY;
    m_nCapacity = nMaxSize;
    m_nDataSize = nMaxSize;
    m_clValue.__SetType(nType, 0);
    m_nTypeBind = 0;
    m_eStorageDB = NASTORAGEDB_NONE;
}

void CNAConvertVariant::SetItemDesc(INAItemDescription* piAnalyse, INAItemDescription* piDatabase) {
    if (piAnalyse != m_piItemAnalyse) {
        if (piAnalyse != nullptr) piAnalyse->ExternalAddRef();
        if (m_piItemAnalyse != nullptr) m_piItemAnalyse->nExternalRelease();
        m_piItemAnalyse = piAnalyse;
        // The value takes the item's type; a value already of that type is kept (with its NULL flag).
        if (piAnalyse != nullptr && m_clValue.nGetTypeCode() != ConverteItemToVQType(piAnalyse))
            m_clValue.__SetType(ConverteItemToVQType(piAnalyse), 0);
    }
    if (piDatabase != m_piItemDatabase) {
        if (piDatabase != nullptr) piDatabase->ExternalAddRef();
        if (m_piItemDatabase != nullptr) m_piItemDatabase->nExternalRelease();
        m_piItemDatabase = piDatabase;
    }
}

// ------------------------------------------------------------------------------------------------
// Item types
// ------------------------------------------------------------------------------------------------

eNA_ITEMTYPE CNAConvertVariant::eNAGetItemTypeAnalyse() const {
    return m_piItemAnalyse != nullptr ? m_piItemAnalyse->eNAGetItemType() : NA_IT_EMPTY;
}

eNA_ITEMTYPE CNAConvertVariant::eNAGetItemTypeDatabase() const {
    return m_piItemDatabase != nullptr ? m_piItemDatabase->eNAGetItemType() : NA_IT_EMPTY;
}

eNA_ITEMTYPE CNAConvertVariant::eNAGetItemType() const {
    return m_piItemAnalyse != nullptr ? eNAGetItemTypeAnalyse() : eNAGetItemTypeDatabase();
}

eNA_ITEMTYPE CNAConvertVariant::eNAGetItemTypeDatabaseEx() const {
    if (m_piItemDatabase != nullptr) return eNAGetItemTypeDatabase();
    if (m_piItemAnalyse != nullptr) return eNAGetItemTypeAnalyse();
    return ConvertVQTypeToeItem(m_clValue.nGetTypeCode());
}

unsigned short CNAConvertVariant::eGetVQTypeDB() const {
    return m_piItemDatabase != nullptr ? ConverteItemToVQType(m_piItemDatabase)
                                       : static_cast<unsigned short>(VQTYPE_VIDE);
}

bool CNAConvertVariant::bIsMemo() const {
    const eNA_ITEMTYPE e = eNAGetItemType();
    return e == NA_IT_MEMOTEXTE || e == NA_IT_MEMOBINAIRE4 || e == NA_IT_MEMOBINAIRE || e == NA_IT_MEMOUNICODE;
}

bool CNAConvertVariant::bIsMemoBinaire() const {
    const eNA_ITEMTYPE e = eNAGetItemType();
    return e == NA_IT_MEMOBINAIRE4 || e == NA_IT_MEMOBINAIRE;
}

bool CNAConvertVariant::bUnicodeDB() const {
    const INAItemDescription* pi = m_piItemDatabase != nullptr ? m_piItemDatabase : m_piItemAnalyse;
    if (pi != nullptr) return bIsTextUnicode(pi->eNAGetItemType());
    return NA_bVQWide(m_clValue.nGetTypeCode());
}

const wchar_t* CNAConvertVariant::pszGetTableName() const {
    const INAItemDescription* pi = m_piItemAnalyse != nullptr ? m_piItemAnalyse : m_piItemDatabase;
    return pi != nullptr ? pi->pszGetSourceName() : nullptr;
}

const wchar_t* CNAConvertVariant::pszGetItemName() const {
    const INAItemDescription* pi = m_piItemAnalyse != nullptr ? m_piItemAnalyse : m_piItemDatabase;
    return pi != nullptr ? pi->pszGetName() : nullptr;
}

bool CNAConvertVariant::_bBufferBinaire() const {
    return m_eVarType >= NAVARTYPE_BUFFER && m_eVarType != NAVARTYPE_POINTER &&
           m_clValue.nGetTypeCode() == VQTYPE_BIN && eNAGetItemTypeAnalyse() == NA_IT_BINAIRE;
}

bool CNAConvertVariant::_bBufferUTF16() const {
    return m_eVarType == NAVARTYPE_BUFFER && bIsTextUnicode(eNAGetItemTypeAnalyse());
}

// ------------------------------------------------------------------------------------------------
// Database side
// ------------------------------------------------------------------------------------------------

int CNAConvertVariant::_bInitBufferDB_Ptr() {
    m_eStorageDB = NASTORAGEDB_VALUE;
    return 1;
}

int CNAConvertVariant::_bInitBufferDB_Any() {
    const unsigned short nType = m_clValue.nGetTypeCode();
    if (nType == VQTYPE_VIDE) {
        SetNull();
    } else if ((nType >= 1 && nType <= 14) || nType == VQTYPE_CARA || (nType >= 24 && nType <= 27) ||
               nType == VQTYPE_CARW || nType == VQTYPE_DATEA || nType == VQTYPE_TIMEA) {
        // The server's value is written straight into the value's own bytes.
        void* p = nullptr;
        unsigned long n = 0;
        if (m_clValue.pclGetValeur()->nGetDataAdr(&p) == VQERR_OK &&
            m_clValue.pclGetValeur()->nGetDataSize(&n) == VQERR_OK) {
            m_pbyBuffer = static_cast<unsigned char*>(p);
            m_nCapacity = n;
        }
    }
    m_eStorageDB = NASTORAGEDB_VALUE;
    return 1;
}

int CNAConvertVariant::bInitBufferDB() {
    if (m_eStorageDB != NASTORAGEDB_NONE) return 1;
    if (!_bInitTypeBind()) return 0;
    switch (m_eVarType) {
        case NAVARTYPE_UNREAD:
            m_eVarType = NAVARTYPE_ANY;
            return _bInitBufferDB_Any();
        case NAVARTYPE_ANY:
            return _bInitBufferDB_Any();
        case NAVARTYPE_BUFFER:
            return _bInitBufferDB_Ptr();
        default:
            return 0;
    }
}

unsigned CNAConvertVariant::nGetTypeBind() {
    if (m_eStorageDB == NASTORAGEDB_NONE && !bInitBufferDB()) return 0;
    return m_nTypeBind;
}

int CNAConvertVariant::_bAllocBufferDB(unsigned long n) {
    if (m_pbyBufferDB != nullptr && m_nBufferDBSize >= n) {
        memset(m_pbyBufferDB, 0, m_nBufferDBSize);
        return 1;
    }
    free(m_pbyBufferDB);
    m_pbyBufferDB = nullptr;
    m_nBufferDBSize = 0;
    if (n == 0) return 1;
    m_pbyBufferDB = static_cast<unsigned char*>(calloc(n, 1));
    if (m_pbyBufferDB == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return 0;
    }
    m_nBufferDBSize = n;
    m_nDataLengthDB = 0;
    return 1;
}

int CNAConvertVariant::bGetBufferDB(unsigned char** ppbyData, unsigned long* pnSize, unsigned long** ppnLength) {
    if (m_eVarType == NAVARTYPE_UNREAD) m_eVarType = NAVARTYPE_ANY;
    if (!bInitBufferDB()) return 0;
    if (m_eStorageDB == NASTORAGEDB_BUFFER) {
        *ppbyData = m_pbyBufferDB;
        *pnSize = m_nBufferDBSize;
    } else if (m_eVarType == NAVARTYPE_ANY) {
        *ppbyData = static_cast<unsigned char*>(const_cast<void*>(CNAVariant::pGetData()));
        *pnSize = CNAVariant::nGetSize();
    } else {
        *ppbyData = m_pbyBuffer;
        *pnSize = m_nCapacity;
    }
    if (ppnLength != nullptr) *ppnLength = &m_nDataLengthDB;
    return 1;
}

int CNAConvertVariant::bSetValueDB(const unsigned char* pby, unsigned long n) {
    if (!bInitBufferDB()) return 0;
    m_nDataLengthDB = n;
    if (m_eStorageDB == NASTORAGEDB_BUFFER && n > m_nBufferDBSize && !_bAllocBufferDB(n)) return 0;
    if (m_eStorageDB == NASTORAGEDB_VALUE && (m_eVarType == NAVARTYPE_ANY || m_eVarType == NAVARTYPE_UNREAD)) {
        _DebutSetter();
        m_clValue.SetValueByte(pby, n);
        return 1;
    }
    if (m_eStorageDB == NASTORAGEDB_VALUE && _bBufferBinaire()) {
        // A binary slot keeps its count before the bytes, whatever road the bytes came by.
        _DebutSetter();
        return bSetValue(pby, n);
    }
    unsigned char* pbyData = nullptr;
    unsigned long nSize = 0;
    if (!bGetBufferDB(&pbyData, &nSize, nullptr)) return 0;
    const unsigned long nCopie = n < nSize ? n : nSize;
    if (pbyData != nullptr) {
        if (nCopie > 0) memcpy(pbyData, pby, nCopie);
        if (nSize > nCopie) memset(pbyData + nCopie, 0, nSize - nCopie);
    }
    m_nDataLengthDB = nCopie;
    // The value is there now: it is no longer NULL (a NULL fetched before would hide it).
    _DebutSetter();
    return 1;
}

int CNAConvertVariant::bSetValueDB(const wchar_t* psz, unsigned long n) {
    if (!bInitBufferDB()) return 0;
    return bSetValueFromDB(psz, n);
}

int CNAConvertVariant::bSetValueDB(const CAny* pclValue) {
    if (!bInitBufferDB()) return 0;
    const unsigned short nSource = pclValue->nGetTypeCode();
    if (m_eStorageDB == NASTORAGEDB_BUFFER) {
        void* p = nullptr;
        unsigned long n = 0;
        pclValue->pclGetValeur()->nGetDataAdr(&p);
        pclValue->pclGetValeur()->nGetUtilDataSize(&n);
        return bSetValueDB(static_cast<const unsigned char*>(p), n);
    }
    if (nSource == m_clValue.nGetTypeCode()) return bSetValue(pclValue);
    if (NA_bVQNarrow(nSource)) {
        const char* psz = nullptr;
        unsigned long n = 0;
        pclValue->pclGetValeur()->nGetDataAdr(reinterpret_cast<void**>(const_cast<char**>(&psz)));
        pclValue->pclGetValeur()->nGetUtilDataSize(&n);
        return bSetValueDB(psz, n, NA_nGetClientCodePage(m_pclConnection));
    }
    if (nSource == VQTYPE_DSTRW || nSource == 20 || nSource == VQTYPE_CARW || nSource == VQTYPE_PSTRW) {
        const wchar_t* psz = nullptr;
        unsigned long n = 0;
        pclValue->pclGetValeur()->nGetDataAdr(reinterpret_cast<void**>(const_cast<wchar_t**>(&psz)));
        pclValue->pclGetValeur()->nGetUtilDataSize(&n);
        return bSetValueDB(psz, n / sizeof(wchar_t));
    }
    return bSetValue(pclValue);
}

int CNAConvertVariant::bConvertDataToDB() {
    if (m_eStorageDB == NASTORAGEDB_NONE && !bInitBufferDB()) return 0;
    if (m_eStorageDB == NASTORAGEDB_VALUE) return 1;
    return _bConvertDataToDB();
}

// ------------------------------------------------------------------------------------------------
// Host record side
// ------------------------------------------------------------------------------------------------

int CNAConvertVariant::bConvertDataToYF(CNAYFRecord* pclRecord) {
    if (m_eVarType == NAVARTYPE_UNREAD) m_eVarType = NAVARTYPE_ANY;
    m_bParameter = 0;
    if (m_eStorageDB == NASTORAGEDB_BUFFER) return _bConvertDataToYF();
    if (m_eStorageDB == NASTORAGEDB_VALUE && m_eVarType == NAVARTYPE_BUFFER && m_pbyBuffer != nullptr &&
        eNAGetItemTypeAnalyse() == NA_IT_TEXTE && eNAGetItemTypeDatabase() == NA_IT_TEXTE) {
        void* pNul = memchr(m_pbyBuffer, 0, m_nCapacity);
        if (pNul != nullptr) {
            unsigned char* pby = static_cast<unsigned char*>(pNul);
            memset(pby, 0, static_cast<size_t>(m_pbyBuffer + m_nCapacity - pby));
        }
    }
    if (pclRecord != nullptr && m_piItemAnalyse != nullptr)
        pclRecord->SetItemValueDefined(m_piItemAnalyse, !m_clValue.bIsNull(), 0);
    return 1;
}

void CNAConvertVariant::SetNull() {
    if (m_eVarType == NAVARTYPE_UNREAD) m_eVarType = NAVARTYPE_ANY;
    m_bParameter = 0;
    const unsigned short nType = m_clValue.nGetTypeCode();
    m_clValue.__SetType(VQTYPE_VIDE, 0);
    m_clValue.__SetType(nType, 0);
    m_clValue.SetNull(1);
    if (m_eVarType == NAVARTYPE_BUFFER && m_pbyBuffer != nullptr) memset(m_pbyBuffer, 0, m_nCapacity);
}

void CNAConvertVariant::SetUnreadYet() {
    m_eVarType = NAVARTYPE_UNREAD;
    m_clValue.SetNull(1);
}

void CNAConvertVariant::_OnSetValue(int bNotNull) {
    if (m_eVarType == NAVARTYPE_UNREAD) m_eVarType = NAVARTYPE_ANY;
    m_bParameter = 0;
    if (bNotNull) m_clValue.ClearFlags(VQTYPE_FLAG_NULL);
}

// ------------------------------------------------------------------------------------------------
// Reading
// ------------------------------------------------------------------------------------------------

const void* CNAConvertVariant::pGetData() const {
    switch (m_eVarType) {
        case NAVARTYPE_ANY:
        case NAVARTYPE_UNREAD:
            return CNAVariant::pGetData();
        case NAVARTYPE_BUFFER:
        case NAVARTYPE_POINTER:
        case NAVARTYPE_OWNBUFFER:
            return m_pbyBuffer;
        default:
            return nullptr;
    }
}

unsigned long CNAConvertVariant::nGetSize() const {
    if (m_eVarType == NAVARTYPE_ANY) return CNAVariant::nGetSize();
    return m_nDataSize;
}

unsigned long CNAConvertVariant::nGetUtilDataSize() const {
    if (m_eVarType == NAVARTYPE_ANY) return CNAVariant::nGetUtilDataSize();
    const unsigned short nType = m_clValue.nGetTypeCode();
    if (m_pbyBuffer == nullptr) return 0;
    if (NA_bVQNarrowBasic(nType)) return strnlen(reinterpret_cast<const char*>(m_pbyBuffer), m_nCapacity);
    if (nType == VQTYPE_DSTRW || nType == 20 || nType == VQTYPE_CARW || nType == VQTYPE_PSTRW) {
        const unsigned long nMax = m_nCapacity / sizeof(wchar_t);
        unsigned long n = 0;
        wchar_t c;
        while (n < nMax && (memcpy(&c, m_pbyBuffer + n * sizeof(wchar_t), sizeof(c)), c != 0)) n++;
        return n;
    }
    return m_nDataSize;
}

int CNAConvertVariant::bGetValue(CAny* pclOut) const {
    switch (m_eVarType) {
        case NAVARTYPE_ANY:
        case NAVARTYPE_UNREAD:
            return CNAVariant::bGetValue(pclOut);
        case NAVARTYPE_BUFFER:
        case NAVARTYPE_OWNBUFFER:
            break;
        default:
            return 0;
    }
    const unsigned short nType = m_clValue.nGetTypeCode();
    const unsigned char* pby = m_pbyBuffer;
    const unsigned long nCap = m_nCapacity;
    const eNA_ITEMTYPE eAnalyse = eNAGetItemTypeAnalyse();
    pclOut->__SetType(VQTYPE_VIDE, 0);
    pclOut->__SetType(nType, 0);
    if (pby == nullptr) {
        pclOut->SetNull(m_clValue.bIsNull());
        return 1;
    }
    if (nType == VQTYPE_PSTRA || nType == VQTYPE_DSTRA) {
        pclOut->pclGetValeur()->SetValue(pby, strnlen(reinterpret_cast<const char*>(pby), nCap));
    } else if (nType == VQTYPE_DSTRW || nType == VQTYPE_PSTRW) {
        if (_bBufferUTF16()) {
            // A Unicode record slot holds UTF-16 units.
            const int nMax = static_cast<int>(nCap / 2);
            unsigned short* pw = static_cast<unsigned short*>(malloc(static_cast<size_t>(nMax + 1) * 2));
            int n = 0;
            if (pw != nullptr) {
                memcpy(pw, pby, static_cast<size_t>(nMax) * 2);
                while (n < nMax && pw[n] != 0) n++;
                CXYString<wchar_t> cl;
                cl.nAffecteUTF16(pw, n);
                if (nType == VQTYPE_DSTRW)
                    pclOut->pclGetValeur()->SetValue(&cl);
                else
                    pclOut->pclGetValeur()->SetValue(cl.pszGet(), static_cast<unsigned long>(cl.nGetTailleOctet()));
                free(pw);
            }
        } else {
            const unsigned long nMax = nCap / sizeof(wchar_t);
            unsigned long n = 0;
            wchar_t c;
            while (n < nMax && (memcpy(&c, pby + n * sizeof(wchar_t), sizeof(c)), c != 0)) n++;
            pclOut->pclGetValeur()->SetValue(pby, n * sizeof(wchar_t));
        }
    } else if (nType == VQTYPE_DECIMAL) {
        IDecimalVQ* pi = nullptr;
        memcpy(&pi, pclOut->pbyGetValeur(), sizeof(pi));
        if (pi != nullptr) {
            pi->vnSetFromBytes(pby, nCap);
            int nInt = 0, nDec = 0;
            if (m_piItemAnalyse != nullptr) {
                nInt = static_cast<int>(m_piItemAnalyse->nGetIntegerPart());
                nDec = static_cast<int>(m_piItemAnalyse->nGetDecimalPart());
            }
            pi->vnSetPrecision(nInt + nDec, nDec);
        }
    } else if (nType == VQTYPE_BIN && eAnalyse == NA_IT_BINAIRE) {
        uint16_t w = 0;
        if (nCap >= 2) memcpy(&w, pby, 2);
        if (w > nCap - 2) w = static_cast<uint16_t>(nCap >= 2 ? nCap - 2 : 0);
        pclOut->SetBIN(pby + 2, w);
    } else if (nType == VQTYPE_DATETIME && eAnalyse != NA_IT_DATETIME) {
        CDateTime clDate;
        clDate.InitDate();
        if (eAnalyse == NA_IT_DATE8) {
            const char* psz = reinterpret_cast<const char*>(pby);
            clDate.m_dwDate = static_cast<uint32_t>(CDateTimeBase::nGetPropDateTime(psz, 0, 4, 0)) << 16 |
                              static_cast<uint32_t>(CDateTimeBase::nGetPropDateTime(psz, 4, 2, 0)) << 8 |
                              static_cast<uint32_t>(CDateTimeBase::nGetPropDateTime(psz, 6, 2, 0));
        } else if (eAnalyse == NA_IT_HEURE) {
            char sz[16] = {};
            memcpy(sz, pby, nCap < sizeof(sz) - 1 ? nCap : sizeof(sz) - 1);
            clDate.__SetPartieHeure(sz);
        }
        pclOut->SetDATETIME(clDate);
    } else {
        unsigned long nTaille = nCap;
        if (nType == VQTYPE_BIN) {
            pclOut->SetBIN(pby, nCap);
        } else {
            unsigned long nNaturel = 0;
            pclOut->pclGetValeur()->nGetDataSize(&nNaturel);
            if (nTaille > nNaturel) nTaille = nNaturel;
            if (nTaille > VQTAILLE_VALEUR) nTaille = VQTAILLE_VALEUR;
            void* p = nullptr;
            if (pclOut->pclGetValeur()->nGetDataAdr(&p) == VQERR_OK && p != nullptr) memcpy(p, pby, nTaille);
        }
    }
    pclOut->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    if (m_clValue.bIsNull()) pclOut->SetNull(1);
    return 1;
}

void CNAConvertVariant::CompleteSpaces(long n) {
    if (m_clValue.bIsNull()) return;
    const unsigned short nType = m_clValue.nGetTypeCode();
    if (nType == VQTYPE_PSTRA || nType == VQTYPE_DSTRA) {
        if (m_pbyBuffer == nullptr || m_nCapacity == 0) return;
        long nCible = n == -1 ? static_cast<long>(m_nDataSize) - 1 : n;
        if (nCible > static_cast<long>(m_nCapacity) - 1) nCible = static_cast<long>(m_nCapacity) - 1;
        long nLen = static_cast<long>(strnlen(reinterpret_cast<char*>(m_pbyBuffer), m_nCapacity));
        if (nLen >= nCible) return;
        memset(m_pbyBuffer + nLen, ' ', static_cast<size_t>(nCible - nLen));
        m_pbyBuffer[nCible] = 0;
    } else if (nType == VQTYPE_DSTRW || nType == VQTYPE_PSTRW) {
        if (m_pbyBuffer == nullptr || m_nCapacity < sizeof(wchar_t)) return;
        long nCible = n == -1 ? static_cast<long>(m_nDataSize / sizeof(wchar_t)) : n;
        const long nMax = static_cast<long>(m_nCapacity / sizeof(wchar_t)) - 1;
        if (nCible > nMax) nCible = nMax;
        long nLen = static_cast<long>(nGetUtilDataSize());
        if (nLen >= nCible) return;
        const wchar_t cBlanc = L' ', cNul = 0;
        for (long i = nLen; i < nCible; i++) memcpy(m_pbyBuffer + i * sizeof(wchar_t), &cBlanc, sizeof(wchar_t));
        memcpy(m_pbyBuffer + nCible * sizeof(wchar_t), &cNul, sizeof(wchar_t));
    }
}

int CNAConvertVariant::bLoadFile(const wchar_t* pszPath, CNAError* pclError, int bBinary) {
    if (!CNAVariant::bLoadFile(pszPath, pclError, bBinary)) return 0;
    if (m_eVarType == NAVARTYPE_UNREAD) m_eVarType = NAVARTYPE_ANY;
    return 1;
}

// ------------------------------------------------------------------------------------------------
// Comparison, copy, clone
// ------------------------------------------------------------------------------------------------

int CNAConvertVariant::bGetDecimalInfo(int* pnDigits, int* pnDecimals) const {
    if (eNAGetItemTypeAnalyse() == NA_IT_DECIMAL) {
        *pnDecimals = static_cast<int>(m_piItemAnalyse->nGetDecimalPart());
        *pnDigits = static_cast<int>(m_piItemAnalyse->nGetIntegerPart()) + *pnDecimals;
        return 1;
    }
    if (NA_nGetServerKind(m_pclConnection) == 2) {
        const unsigned short nType = m_clValue.nGetTypeCode();
        if (nType == VQTYPE_DECIMAL && !m_clValue.bIsNull()) return CNAVariant::bGetDecimalInfo(pnDigits, pnDecimals);
        if (CNAItemDescription::s_bGetDecimalInfo(nType, pnDigits, pnDecimals)) return 1;
    }
    return CNAVariant::bGetDecimalInfo(pnDigits, pnDecimals);
}

int CNAConvertVariant::nCmp(const CNAConvertVariant* pclOther) const {
    if (pclOther == this) return 0;
    const unsigned short nA = m_clValue.nGetTypeCode(), nB = pclOther->m_clValue.nGetTypeCode();
    const unsigned long nSizeA = nGetSize(), nSizeB = pclOther->nGetSize();
    const void* pA = pGetData();
    const void* pB = pclOther->pGetData();
    if (nA == nB && nSizeA == nSizeB) {
        if (nSizeA == 0 || pA == nullptr || pB == nullptr) return 0;
        const int n = memcmp(pA, pB, nSizeA);
        return n < 0 ? -1 : (n > 0 ? 1 : 0);
    }
    if (NA_bVQNarrow(nA) && NA_bVQNarrow(nB) && pA != nullptr && pB != nullptr) {
        const int n = strcmp(static_cast<const char*>(pA), static_cast<const char*>(pB));
        return n < 0 ? -1 : (n > 0 ? 1 : 0);
    }
    if (NA_bVQWide(nA) && NA_bVQWide(nB) && pA != nullptr && pB != nullptr) {
        const int n = wcscmp(static_cast<const wchar_t*>(pA), static_cast<const wchar_t*>(pB));
        return n < 0 ? -1 : (n > 0 ? 1 : 0);
    }
    CAny clA, clB;
    bGetValue(&clA);
    pclOther->bGetValue(&clB);
    int nResultat = 0;
    if (nCompare(clA, clB, &nResultat, 0) != VQERR_OK) return 0;
    return nResultat;
}

bool CNAConvertVariant::bEqualsNAVariant(const CNAConvertVariant* pclOther) const {
    if (pclOther == this) return true;
    if (m_eVarType == NAVARTYPE_NONE && pclOther->m_eVarType == NAVARTYPE_NONE) return true;
    if (m_clValue.bIsNull() && pclOther->m_clValue.bIsNull()) return true;
    if (m_eVarType == pclOther->m_eVarType) {
        if (m_eVarType == NAVARTYPE_ANY) return CNAVariant::bEqualsNAVariant(&pclOther->m_clValue);
        if (m_eVarType == NAVARTYPE_NONE || m_eVarType == NAVARTYPE_UNREAD) return false;
    }
    return nCmp(pclOther) == 0;
}

bool CNAVariant::g_bEqualsNAVariant(const CNAConvertVariant* pclA, const CNAConvertVariant* pclB) {
    const bool bNullA = pclA == nullptr || pclA->bIsNull();
    const bool bNullB = pclB == nullptr || pclB->bIsNull();
    if (bNullA && bNullB) return true;
    if (bNullA || bNullB) return false;
    return pclA->bEqualsNAVariant(pclB);
}

int CNAConvertVariant::bCopyVariant(const CNAConvertVariant* pclOther) {
    if (pclOther == nullptr) {
        SetNull();
        return 1;
    }
    if (pclOther == this) return 1;
    // A value held in the variant copied over one of its type (a memo copied into the original
    // records at every row, NULL or not), tried first as it is the usual copy: what the road at the
    // end leaves, without emptying the value and making a temporary copy first; a shared text is
    // only shared once more.
    if (bCopyHeldValue(pclOther)) return 1;
    m_pclConnection = pclOther->m_pclConnection;
    const unsigned short nCode = pclOther->m_clValue.nGetTypeCode();
    const bool bSameCode = m_clValue.nGetTypeCode() == nCode;
    if (m_eStorageDB != NASTORAGEDB_NONE && bSameCode) {
        if (pclOther->m_eVarType == NAVARTYPE_UNREAD) {
            m_eVarType = NAVARTYPE_UNREAD;
            m_clValue.SetNull(1);
        } else {
            if (m_eVarType == NAVARTYPE_UNREAD) m_eVarType = NAVARTYPE_ANY;
            if (m_eVarType == NAVARTYPE_ANY && pclOther->m_eVarType == NAVARTYPE_ANY) {
                CNAVariant::bCopyVariant(pclOther);
            } else {
                CAny clTemp;
                if (pclOther->bGetValue(&clTemp)) bSetValue(&clTemp);
            }
        }
        SetItemDesc(pclOther->m_piItemAnalyse, pclOther->m_piItemDatabase);
        m_nDataLengthDB = pclOther->m_nDataLengthDB;
        return 1;
    }
    int bOk = 1;
    if (pclOther->m_eVarType == NAVARTYPE_OWNBUFFER) {
        bOk = bInitTypeVariantBuffer(nCode, pclOther->m_nCapacity);
        // The items first, so that the buffer takes the data in the same encoding as the other's.
        SetItemDesc(pclOther->m_piItemAnalyse, pclOther->m_piItemDatabase);
        if (bOk) {
            if (pclOther->eNAGetItemTypeAnalyse() == NA_IT_BINAIRE && pclOther->m_pbyBuffer != nullptr &&
                pclOther->m_nCapacity >= 2) {
                uint16_t w;
                memcpy(&w, pclOther->m_pbyBuffer, 2);
                bOk = bSetValue(pclOther->m_pbyBuffer + 2, w);
            } else {
                bOk = bSetValue(pclOther->m_pbyBuffer, pclOther->m_nDataSize);
            }
            if (pclOther->m_clValue.bIsNull()) m_clValue.SetNull(1);
        }
    } else {
        InitTypeVariantAny(nCode, pclOther->m_nCapacity);
        CAny clTemp;
        if (pclOther->bGetValue(&clTemp)) CNAVariant::bSetValue(&clTemp);
        SetItemDesc(pclOther->m_piItemAnalyse, pclOther->m_piItemDatabase);
    }
    if (pclOther->m_eVarType == NAVARTYPE_UNREAD) {
        m_eVarType = NAVARTYPE_UNREAD;
        m_clValue.SetNull(1);
    }
    m_nDataLengthDB = pclOther->m_nDataLengthDB;
    return bOk;
}

CNAConvertVariant* CNAConvertVariant::pclGetCloneVariant() const {
    if (CNADriver::s_pclDriver == nullptr) {
        // No driver object, no factory: nothing can be made.
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return nullptr;
    }
    CNAConvertVariant* pcl = CNADriver::s_pclDriver->pclAllocVariant(m_pclError, m_pclConnection);
    if (pcl == nullptr) return nullptr;
    pcl->bCopyVariant(this);
    return pcl;
}

// ------------------------------------------------------------------------------------------------
// Failure
// ------------------------------------------------------------------------------------------------

void CNAConvertVariant::_SetErrorConversionFailed(int nSource, const wchar_t* pszValue, int nFileId, int nSite) {
    if (m_pclError == nullptr) return;
    _CXErrorModule39 clErr;
    clErr.SetUserError(&gstMyModuleInfo39, 53, nSource, static_cast<int>(eNAGetItemType()),
                       pszValue != nullptr ? pszValue : L"");
    CNAError::g_SetInfoNames(&clErr, pszGetTableName(), pszGetItemName());
    const uint32_t nCode = 53;
    clErr.AddInfo(CXError::EIT_NATIVECODE, &nCode);
    CNAError::g_AddDebugInfo(&clErr, nFileId, nSite);
    m_pclError->AddError(NA_ERRORTYPE_GENERAL, &clErr, m_pclConnection);
}

// ------------------------------------------------------------------------------------------------
// The server's own text of date and time values
// ------------------------------------------------------------------------------------------------

namespace {

// The bytes that tell a date or time value of the host from another: a date-time's eight bytes,
// a date's or a time's digits.
bool _bServerTextKey(const CAny& clValue, unsigned short* pnType, const void** pp, size_t* pn) {
    if (clValue.bIsNull()) return false;
    const unsigned short nType = clValue.nGetTypeCode();
    if (nType == VQTYPE_DATETIME) {
        *pp = clValue.pbyGetValeur();
        *pn = sizeof(CDateTime);
    } else if (nType == VQTYPE_DATEA || nType == VQTYPE_TIMEA) {
        const char* psz = nullptr;
        if (clValue.pclGetValeur()->nGetPCASTR(&psz) != VQERR_OK || psz == nullptr) return false;
        *pp = psz;
        *pn = strlen(psz);
    } else {
        return false;
    }
    *pnType = nType;
    return *pn > 0;
}

}  // namespace

void CNAConvertVariant::KeepServerText(const char* pszText, unsigned long n) {
    if (_bBufferDateTime()) {
        // A date-time in a record's buffer lies there as its eight bytes: they are the key as
        // they are, with no value built to read them back.
        _KeepServerText(VQTYPE_DATETIME, m_pbyBuffer, sizeof(CDateTime), pszText, n);
        return;
    }
    // A value held as it is serves as its own key; one held otherwise in a record's buffer is
    // read out first, and the key taken from that copy.
    std::optional<CAny> clCopy;
    const CAny* pclKey = &m_clValue;
    if (m_eVarType != NAVARTYPE_ANY && m_eVarType != NAVARTYPE_UNREAD) {
        clCopy.emplace();
        if (!bGetValue(&*clCopy)) return;
        pclKey = &*clCopy;
    }
    unsigned short nType = 0;
    const void* p = nullptr;
    size_t nBytes = 0;
    if (!_bServerTextKey(*pclKey, &nType, &p, &nBytes)) return;
    _KeepServerText(nType, p, nBytes, pszText, n);
}

bool CNAConvertVariant::_bBufferDateTime() const {
    return (m_eVarType == NAVARTYPE_BUFFER || m_eVarType == NAVARTYPE_OWNBUFFER) && m_pbyBuffer != nullptr &&
           m_nCapacity >= sizeof(CDateTime) && !m_clValue.bIsNull() && m_clValue.nGetTypeCode() == VQTYPE_DATETIME &&
           eNAGetItemTypeAnalyse() == NA_IT_DATETIME;
}

void CNAConvertVariant::_KeepServerText(unsigned short nType, const void* p, size_t nBytes, const char* pszText,
                                        unsigned long n) {
    if (m_pclKeptText == nullptr) {
        m_pclKeptText = new (std::nothrow) CNAKeptServerText;
        // Without it values are written as the host holds them, as they always could be.
        if (m_pclKeptText == nullptr) return;
    }
    m_pclKeptText->Keep(nType, p, nBytes, pszText, n);
}

const char* CNAConvertVariant::pszGetKeptServerText(const CAny& clValue, size_t* pnText) const {
    unsigned short nType = 0;
    const void* p = nullptr;
    size_t nBytes = 0;
    if (m_pclKeptText == nullptr || !_bServerTextKey(clValue, &nType, &p, &nBytes)) return nullptr;
    return m_pclKeptText->pszFind(nType, p, nBytes, pnText);
}
