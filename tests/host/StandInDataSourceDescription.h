// The host's description of a table (INADataSourceDescription) as the stand-in host plays it: a
// logical name and a database table name a test sets, and the external references the driver
// holds on it. The test owns the object; the driver's last release does not delete it.
//
// The driver reaches the description only through its slots (7 and 8 the references, 9 the
// logical name, 23 the database table name), so the stand-in lays out its virtual table in that
// order; the entries in between answer nothing. piGet() hands it out as the interface.
#pragma once

#include <string>

#include "native/driver/INAVersion.h"
#include "tests/host/StandInHost.h"

class INADataSourceDescription;

namespace standin {

class STANDIN_API CStandInDataSourceDescription final : public INAVersion {
public:
    CStandInDataSourceDescription(const std::wstring& sLogicalName, const std::wstring& sDBTableName);
    ~CStandInDataSourceDescription();

    std::wstring m_sLogicalName;
    std::wstring m_sDBTableName;

    int nGetExternalRefs() const { return m_nExternalRefs; }
    INADataSourceDescription* piGet() { return reinterpret_cast<INADataSourceDescription*>(this); }

    int nGetVersion() override;
    int nGetCompatSince() override;
    virtual void ExternalAddRef();               // 7
    virtual unsigned nExternalRelease();         // 8
    virtual const wchar_t* pszGetLogicalName();  // 9
    virtual void vUnused10();                    // 10 to 22: not called by the driver
    virtual void vUnused11();
    virtual void vUnused12();
    virtual void vUnused13();
    virtual void vUnused14();
    virtual void vUnused15();
    virtual void vUnused16();
    virtual void vUnused17();
    virtual void vUnused18();
    virtual void vUnused19();
    virtual void vUnused20();
    virtual void vUnused21();
    virtual void vUnused22();
    virtual const wchar_t* pszGetDBTableName();  // 23

private:
    int m_nExternalRefs = 0;
};

}  // namespace standin
