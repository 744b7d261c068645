// The host's connection description (INAConnectionDescription) as the stand-in host plays it: a
// test sets what each operation answers (a text left unset answers null, the host's "absent"),
// and reads how often each operation was called and how many external references the driver
// still holds. The test owns the object; the driver's last release does not delete it.
#pragma once

#include <optional>
#include <string>

#include "native/driver/INAConnectionDescription.h"
#include "host/EmulatedHost.h"

namespace standin {

class STANDIN_API CStandInConnectionDescription final : public INAConnectionDescription {
public:
    // Positions of the operations (from 0 at the virtual-table pointer), for nGetCalls.
    enum ePosition {
        POS_GETVERSION = 0,
        POS_EXTERNALADDREF = 5,
        POS_EXTERNALRELEASE = 6,
        POS_GETUSERNAME = 7,
        POS_GETPASSWORD = 8,
        POS_GETDATABASE = 9,
        POS_GETDESCRIPTION = 10,
        POS_GETACCESS = 11,
        POS_GETNBPARAM = 12,
        POS_GETPARAM = 13,
        POS_GETPROVIDER = 14,
        POS_GETCONNECTIONTIMEOUT = 15,
        POS_GETCOMMANDTIMEOUT = 16,
        POS_GETEXTENDEDINFO = 17,
        POS_GETCONNECTIONINFO = 18,
        POS_GETCURSOROPTIONS = 19,
        POS_RESERVED20 = 20,
        POS_GETDEFAULTDATABASE = 21,
        POS_GETCACHESIZE = 22,
        POS_RESERVED23 = 23,
        POS_RESERVED24 = 24,
        POS_GETLOGICALCONNECTIONNAME = 25,
        POS_COUNT = 26,
    };

    CStandInConnectionDescription();
    ~CStandInConnectionDescription();

    // What the operations answer.
    int m_nVersion = 4;
    std::optional<std::wstring> m_sConnectionName, m_sUserName, m_sPassword, m_sDataBase, m_sDescription,
        m_sProvider, m_sExtendedInfo, m_sDefaultDataBase, m_sLogicalConnectionName;
    eNA_ACCESS m_eAccess = static_cast<eNA_ACCESS>(0);
    int m_nConnectionTimeout = -1;
    int m_nCommandTimeout = -1;
    long m_lCursorOptions = 0;
    int64_t m_llCacheSize = -1;

    // What the driver did.
    long nGetCalls(ePosition ePos) const { return m_anCalls[ePos]; }
    int nGetExternalRefs() const { return m_nExternalRefs; }
    void ClearCalls();

    int nGetVersion() override;
    int nGetCompatSince() override;
    int nGetNAVersion() override;
    int nGetNACompatSince() override;
    void NAVersion_EmptySlot_3() override;
    void ExternalAddRef() override;
    int nExternalRelease() override;
    const wchar_t* pszGetUserName() override;
    const wchar_t* pszGetPassword() override;
    const wchar_t* pszGetDataBase() override;
    const wchar_t* pszGetDescription() override;
    eNA_ACCESS eGetAccess() override;
    int nGetNbParam() override;
    void* pclGetParam(int nIndex) override;
    const wchar_t* pszGetProvider() override;
    int nGetConnectionTimeout() override;
    int nGetCommandTimeout() override;
    const wchar_t* pszGetExtendedInfo() override;
    const stNAConnectionInfo* pclGetConnectionInfo() override;
    long lGetCursorOptions() override;
    void vReserved20() override;
    const wchar_t* pszGetDefaultDataBase() override;
    int64_t llGetCacheSize() override;
    void vReserved23() override;
    void vReserved24() override;
    const wchar_t* pszGetLogicalConnectionName() override;

private:
    const wchar_t* _pszAnswer(ePosition ePos, const std::optional<std::wstring>& s);

    long m_anCalls[POS_COUNT] = {};
    int m_nExternalRefs = 0;
    stNAConnectionInfo m_stInfo{};
};

}  // namespace standin
