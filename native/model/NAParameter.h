// CNAParameter: one bind parameter of a command: the value to send, the position of its marker in
// the SQL text, the column or item it is compared with, and whether it goes in, comes out or is a
// return value. Commands and searches keep them in reference arrays.
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "core/TString.h"
#include "native/model/Interf.h"
#include "native/model/NAItemType.h"

class CAny;
class CNAColumn;
class CNAConvertVariant;
class CNAError;
class INAItemDescription;
class INAQueryParametersValue;
template <class T>
class CXYStringConcat;

class CNAParameter : public CInterf {
public:
    // Direction bits.
    enum eNAPARAMETERINOUT : uint32_t {
        NAPARAM_IN = 1,
        NAPARAM_OUT = 2,
        NAPARAM_RETURN = 4,
    };
    // Flags.
    enum : uint32_t {
        NAPARAM_FLAG_FILE = 0x1,        // the value names a file whose content is the value
        NAPARAM_FLAG_TEXTFILE = 0x10,   // with 0x1: the file holds text
        NAPARAM_FLAG_USER = 0x10000,    // bound by name to a host variable
        NAPARAM_FLAG_CURSOR = 0x20000,  // a cursor
        NAPARAM_FLAG_LIKE = 0x40000,    // the pattern of a LIKE
    };

    // Takes a reference on the value.
    CNAParameter(CNAConvertVariant* pclValue, unsigned long nPosition, unsigned nFlags, const wchar_t* pszName);
    ~CNAParameter() override;

    // ---- virtual operation after CInterf's
    // A new parameter from the driver's factory sharing the value, with the same position, flags,
    // name, column, item and escape character; operator, mode and direction take their defaults.
    virtual CNAParameter* pclGetClone();

    // The column (a reference taken, the old one released) and its item; null clears both.
    void SetColum(CNAColumn* pclColumn);
    // An external reference taken on the new item, the old one released.
    void SetItem(INAItemDescription* piItem);
    int bSetValue(CAny* pclValue);

    bool bIsDate() const;
    bool bIsText() const;
    bool bIsTextUnicode() const;
    // Type, server type code, size (-1 for a memo), precision and scale of the value's item, else
    // of the column's server item; true when the server code is not 0.
    bool bGetDBType(eNA_ITEMTYPE* peType, int* pnServerCode, int* pnSize, int* pnPrecision, int* pnScale) const;
    bool bGetVQTypeInfo(eNA_ITEMTYPE* peOnDatabase, eNA_ITEMTYPE* peAnalysis) const;
    bool bCaseInSensitiveLIKE() const;
    // The value's text names a file: the value becomes its content (text with flags 0x1 and 0x10,
    // else binary) and flag 0x1 is cleared.
    bool bLoadFile(CNAError* pclError);
    // Whether the host's parameter values give this parameter's name the direction out (2) or in
    // and out (3); false without values.
    bool bIsParamOUT(INAQueryParametersValue* piValues) const;
    // "(" then IN, OUT and RETURN for the direction bits, joined by "|", then ")".
    void TypeParam2String(CXYStringConcat<wchar_t>* pclOut) const;
    bool bEqualsParameter(const CNAParameter* pclOther) const;

    CNAConvertVariant* pclGetValueNoRef() const { return m_pclValue; }
    unsigned long nGetPosition() const { return m_nPosition; }
    void SetPosition(unsigned long n) { m_nPosition = n; }
    unsigned nGetFlags() const { return m_dwFlags; }
    void SetFlags(unsigned dw) { m_dwFlags = dw; }
    CNAColumn* pclGetColumnNoRef() const { return m_pclColumn; }
    INAItemDescription* piGetItemNoRef() const { return m_piItem; }
    const wchar_t* pszGetName() const { return m_clName.pszGet(); }
    wchar_t cGetEscape() const { return static_cast<wchar_t>(m_cEscape); }
    void SetEscape(wchar_t c) { m_cEscape = static_cast<uint32_t>(c); }
    int eGetOperator() const { return m_eOperator; }
    void SetOperator(int e) { m_eOperator = e; }
    unsigned nGetMode() const { return m_nMode; }
    void SetMode(unsigned n) { m_nMode = n; }
    unsigned eGetDirection() const { return m_eDirection; }
    void SetDirection(unsigned e) { m_eDirection = e; }

private:
    CNAConvertVariant* m_pclValue;
    unsigned long m_nPosition;
    uint32_t m_dwFlags;
    CNAColumn* m_pclColumn = nullptr;
    CTString m_clName;
    INAItemDescription* m_piItem = nullptr;
    uint32_t m_cEscape = 0;
    int32_t m_eOperator = -1;
    uint32_t m_nMode = 0;
    uint32_t m_eDirection = NAPARAM_IN;
};

template <>
struct CRefTraits<CNAParameter> {
    static void _AddRef(CNAParameter* p) { p->AddRef(); }
    static void _Release(CNAParameter* p) { p->nRelease(); }
};
