// CNADefine: one output of a command bound to the converter that receives it: a selected column
// (its own converter), or a named output with a converter of its own.
#pragma once

#include "core/RefTraits.h"
#include "core/TString.h"
#include "native/model/Interf.h"

class CNAColumn;
class CNAConnectionDescription;
class CNAConvertVariant;

class CNADefine : public CInterf {
public:
    CNADefine() = default;
    // References the column and takes its current converter (referenced); a null column leaves
    // all empty.
    explicit CNADefine(CNAColumn* pclColumn);
    // No column: the name copied, the converter referenced.
    CNADefine(const wchar_t* pszName, CNAConvertVariant* pclValue);
    ~CNADefine() override;

    // ---- virtual operation after CInterf's
    virtual int bIsCursor() const { return 0; }

    // The column's name, else the define's own.
    const wchar_t* pszGetName() const;
    CNAConnectionDescription* pclGetCnx() const;
    CNAColumn* pclGetColumnNoRef() const { return m_pclColumn; }
    CNAConvertVariant* pclGetValueNoRef() const { return m_pclValue; }

private:
    CNAColumn* m_pclColumn = nullptr;
    CTString m_clName;
    CNAConvertVariant* m_pclValue = nullptr;
};

template <>
struct CRefTraits<CNADefine> {
    static void _AddRef(CNADefine* p) { p->AddRef(); }
    static void _Release(CNADefine* p) { p->nRelease(); }
};
