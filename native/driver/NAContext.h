// CNAContext: the driver's record of one host execution context (INAContext). It keeps that
// context's data accesses, one per table the context uses, keyed by the host context's data id;
// the context's own error object, which all its data accesses share; and its default lock mode.
// The driver object keeps one CNAContext per host context in its context registry, keyed by the
// host context's context id; the table objects find, create and remove their accesses through it.
//
// Every operation but the two version answers, _pclAllocDataAccess and _AddDataAccess runs under
// the driver's lock.
#pragma once

#include <cstdint>

#include "core/NARefHashTable.h"
#include "core/TString.h"
#include "native/model/Interf.h"
#include "native/table/NADataAccess.h"

class CNAConnectionDescription;
class CNADriver;
class CNAError;
class INAContext;
class INADataSourceDescription;
enum _eNA_HMODE : uint32_t;

class CNAContext : public CInterf {
public:
    // A new error object from the driver's factory, with one reference; no data access; context
    // id -1 until the driver registers the context; lock mode 1.
    explicit CNAContext(CNADriver* pclDriver);
    CNAContext(const CNAContext&) = delete;
    CNAContext& operator=(const CNAContext&) = delete;
    ~CNAContext() override;

    virtual int nGetVersion() { return 2; }
    virtual int nGetCompatSince() { return 2; }
    // The driver's factory of data accesses, on the given error object.
    virtual CNADataAccess* _pclAllocDataAccess(INADataSourceDescription* piDescription,
                                               CNAConnectionDescription* pclCnx, CNAError* pclError);

    // The access registered under the host context's data id, with a reference; null when none.
    CNADataAccess* pclFindDataAccess(INAContext* piContext);
    // The same, made (on this context's error object) and registered when missing; *pbCreated
    // tells which. Null with out-of-memory in this context's error object when none can be made.
    CNADataAccess* pclGetDataAccess(INAContext* piContext, CNAConnectionDescription* pclCnx,
                                    INADataSourceDescription* piDescription, int* pbCreated);
    // Registers an access under the host context's data id and tells it its context.
    void _AddDataAccess(INAContext* piContext, CNADataAccess* pclAccess);
    void __AddDataAccess(unsigned long nDataId, CNADataAccess* pclAccess);
    // Removes the entry of the host context's data id (the access given is not consulted).
    void RemoveDataAccess(INAContext* piContext, CNADataAccess* pclAccess);
    // Takes every access out, closing those that are open.
    void CloseAllDataAccess();
    // Applies the mode to every access of that logical name (case and accents ignored); the AND
    // of their answers, 1 when none matches. The mode becomes the default in every case.
    int bHMode(const wchar_t* pszLogicalName, _eNA_HMODE eMode);
    // The first access on that connection whose database table name (alias name) is the given
    // one, case and accents ignored, with a reference; null when none.
    CNADataAccess* pclFindDataAccessByDBTableName(CNAConnectionDescription* pclCnx, const wchar_t* pszName);
    CNADataAccess* pclFindDataAccessByAliasName(CNAConnectionDescription* pclCnx, const wchar_t* pszName);

    void _SetDefaultMode(_eNA_HMODE eMode) { m_eDefaultMode = eMode; }
    _eNA_HMODE eGetDefaultMode() const { return m_eDefaultMode; }
    unsigned long nGetContextId() const { return m_nContextId; }
    void SetContextId(unsigned long nContextId) { m_nContextId = nContextId; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }
    unsigned nGetNbDataAccess() const { return m_clDataAccess.dwGetNumElement(); }
    // The logical name the host announced for the next table the context opens.
    void SetNextLogicalName(const wchar_t* pszName) { m_clNextLogicalName.Set(pszName); }
    const wchar_t* pszGetNextLogicalName() const { return m_clNextLogicalName.pszGet(); }

private:
    CNADataAccess* _pclFindByName(CNAConnectionDescription* pclCnx, const wchar_t* pszName, bool bAlias);

    CNAError* m_pclError;
    unsigned long m_nContextId = static_cast<unsigned long>(-1);
    _eNA_HMODE m_eDefaultMode;
    CNARefHashTable<unsigned long, CNADataAccess*> m_clDataAccess{7};
    CTString m_clNextLogicalName;
    // The driver object that made the context: its factories make the accesses.
    CNADriver* m_pclDriver;
};
