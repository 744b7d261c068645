// CNAConnectionDescription: construction from the host's description (options cut out of the
// extended information, the connection string), the texts it works out on demand, the client
// library check, and the SQL dialect of each server kind.
#include "native/driver/NAConnectionDescription.h"

#include <cwchar>
#include <vector>

#include "core/CharsetTable.h"
#include "core/STRCompare.h"
#include "core/StringParameter.h"
#include "native/driver/NAError.h"
#include "platform/DiskFile.h"
#include "platform/WinProcess.h"


unsigned CNAConnectionDescription::m_gnCnxGenerator = 0;
CTString CNAConnectionDescription::m_csClientLibrary;
CTString CNAConnectionDescription::m_csClientVersion;
int CNAConnectionDescription::m_nClientVersionMajor = 0;
int CNAConnectionDescription::m_nClientVersionMinor = 0;
int CNAConnectionDescription::m_nClientVersionRevision = 0;

namespace {

// Site of the client library check in this unit's debug lines.
constexpr int SITE_CLIENT_LIBRARY = 17;

// The host's texts may be absent; the connection string writes those as "NULL".
const wchar_t* _pszOrNULL(const wchar_t* psz) {
    return psz != nullptr ? psz : L"NULL";
}

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

// The file name of a path (after its last '/' or '\').
CTString _clFileName(const wchar_t* pszPath) {
    size_t n = wcslen(pszPath);
    std::vector<wchar_t> aDirectory(n + 1), aName(n + 1);
    CDiskFile::__SplitPath(pszPath, aDirectory.data(), aName.data());
    return CTString(aName.data());
}

bool _bHasDirectory(const wchar_t* pszPath) {
    return wcschr(pszPath, L'/') != nullptr || wcschr(pszPath, L'\\') != nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------- lifecycle

CNAConnectionDescription::CNAConnectionDescription(const wchar_t* pszIdentification,
                                                   INAConnectionDescription* piHostDescription)
    : m_nCnxNumber(++m_gnCnxGenerator), m_piHostDescription(piHostDescription) {
    m_piHostDescription->ExternalAddRef();
    _InitCodePageFromVQ();
    m_csIdentification.Set(pszIdentification);
    _BuildConnectionString();
    m_csExtendedInfo.Set(m_piHostDescription->pszGetExtendedInfo());
    _ReadOptions();
}

CNAConnectionDescription::~CNAConnectionDescription() {
    _CloseTransactions();
    _ReleaseMapConvertType();
    m_piHostDescription->nExternalRelease();
}

void CNAConnectionDescription::_InitCodePageFromVQ() {
    m_nCodePage = dwGetCodePageFromCharset(STR_nGetCurrentChangeCharset());
}

void CNAConnectionDescription::_BuildConnectionString() {
    INAConnectionDescription* pi = m_piHostDescription;
    m_clConnectionString.Add(L"Provider=");
    m_clConnectionString.Add(_pszOrNULL(pi->pszGetProvider()));
    m_clConnectionString.Add(L";ExtendedInformation=");
    m_clConnectionString.Add(_pszOrNULL(pi->pszGetExtendedInfo()));
    m_clConnectionString.Add(L";Data source=");
    m_clConnectionString.Add(_pszOrNULL(pi->pszGetDataBase()));
    m_clConnectionString.Add(L";user id=");
    m_clConnectionString.Add(_pszOrNULL(pi->pszGetUserName()));
    m_clConnectionString.Add(L";password=");
    m_clConnectionString.Add(_pszOrNULL(pi->pszGetPassword()));
}

// Every option is cut out of the extended information as it is read, so that none of them
// reaches the server with the parameters the PostgreSQL connection passes on.
void CNAConnectionDescription::_ReadOptions() {
    CTString clValue;
    // A number counts only when its key is there with a value; digits are read from the start of
    // the value, so "30s" is 30 and a value without digits 0.
    auto bNumber = [&](const wchar_t* pszKey) {
        return _bGetExtendedParameter(&clValue, pszKey, 1) != 0 && clValue.nTaille() != 0;
    };

    if (bNumber(L"KX Connection Timeout"))
        m_nConnectionTimeout = static_cast<int>(wcstol(clValue.pszGet(), nullptr, 10));
    else
        m_nConnectionTimeout = m_piHostDescription->nGetConnectionTimeout();

    if (bNumber(L"KX Command Timeout"))
        m_nCommandTimeout = static_cast<int>(wcstol(clValue.pszGet(), nullptr, 10));
    else
        m_nCommandTimeout = m_piHostDescription->nGetCommandTimeout();

    if (bNumber(L"KX Lock Timeout")) m_nLockTimeout = static_cast<int>(wcstol(clValue.pszGet(), nullptr, 10));

    if (bNumber(L"KX Cache Size"))
        m_llCacheSize = wcstoll(clValue.pszGet(), nullptr, 10);
    else if (m_piHostDescription->nGetVersion() > 3)
        m_llCacheSize = m_piHostDescription->llGetCacheSize();

    if (bNumber(L"KX Cursor Location")) {
        if (clValue.bEstEgalI(L"SERVER"))
            m_eCursorLocation = CURSORLOCATION_SERVER;
        else if (clValue.bEstEgalI(L"CLIENT"))
            m_eCursorLocation = CURSORLOCATION_CLIENT;
        else
            m_eCursorLocation = CURSORLOCATION_DEFAULT;
    } else {
        long lOptions = m_piHostDescription->lGetCursorOptions();
        if (lOptions & 1)
            m_eCursorLocation = CURSORLOCATION_SERVER;
        else if (lOptions & 2)
            m_eCursorLocation = CURSORLOCATION_CLIENT;
        else
            m_eCursorLocation = CURSORLOCATION_DEFAULT;
    }

    if (bNumber(L"KX Unicode Support"))
        m_bUnicodeSupport = static_cast<unsigned>(wcstol(clValue.pszGet(), nullptr, 10));

    // Texts are stored found or not: an absent key leaves an empty text.
    const struct {
        const wchar_t* pszKey;
        CTString* pclField;
    } tabTexts[] = {
        {L"KX RECORD LOCK", &m_csRecordLockHint},
        {L"KX CLIENT VERSION", &m_csWantedClientVersion},
        {L"KX CLIENT LIBRARY", &m_csWantedClientLibrary},
        {L"Application Name", &m_csApplicationName},
        {L"SSL Mode", &m_csSSLMode},
        {L"SSL Key", &m_csSSLKey},
        {L"SSL Cert", &m_csSSLCert},
        {L"SSL CA", &m_csSSLCA},
        {L"SSL CAPath", &m_csSSLCAPath},
        {L"SSL Cipher", &m_csSSLCipher},
    };
    for (const auto& stText : tabTexts) _bGetExtendedParameter(stText.pclField, stText.pszKey, 1);
}

int CNAConnectionDescription::_bGetExtendedParameter(CTString* pclOut, const wchar_t* pszKey, int bCut) {
    int bFound = 0;
    CStringParameter::s_bGetParameterValue(pclOut, &bFound, &m_csExtendedInfo, pszKey, bCut);
    return bFound;
}

// ---------------------------------------------------------------------------------- texts

const wchar_t* CNAConnectionDescription::pszGetConnectionName() const {
    const stNAConnectionInfo* pstInfo = m_piHostDescription->pclGetConnectionInfo();
    return pstInfo != nullptr ? pstInfo->pszName : nullptr;
}

const wchar_t* CNAConnectionDescription::pszGetDefaultDataBaseEx() {
    if (m_csDefaultDataBase.nTaille() != 0) return m_csDefaultDataBase.pszGet();
    CTString clValue;
    _bGetExtendedParameter(&clValue, L"Initial Catalog", 0);
    if (clValue.nTaille() == 0) {
        const wchar_t* pszProvider = m_piHostDescription->pszGetProvider();
        if (!_bEmpty(pszProvider)) {
            CTString clProvider(pszProvider);
            int bFound = 0;
            CStringParameter::s_bGetParameterValue(&clValue, &bFound, &clProvider, L"Initial Catalog", 0);
        }
    }
    if (clValue.nTaille() == 0) clValue.Set(m_piHostDescription->pszGetDefaultDataBase());
    m_csDefaultDataBase.Transfert(clValue);
    const wchar_t* psz = m_csDefaultDataBase.pszGet();
    return psz != nullptr ? psz : L"";
}

const wchar_t* CNAConnectionDescription::pszGetApplicationName() {
    if (m_csApplicationName.nTaille() == 0 && !g_bGetExeName(&m_csApplicationName))
        m_csApplicationName.Set(L"Orlanto Velmar");
    return m_csApplicationName.pszGet();
}

const wchar_t* CNAConnectionDescription::pszGetNoLockHint() {
    const wchar_t* psz = m_csRecordLockHint.pszGet();
    return psz != nullptr ? psz : L"";
}

const wchar_t* CNAConnectionDescription::s_pszGetCursorLocation(unsigned eLocation) {
    switch (eLocation) {
        case CURSORLOCATION_DEFAULT:
            return L"Default";
        case CURSORLOCATION_CLIENT:
            return L"Client";
        case CURSORLOCATION_SERVER:
            return L"Server";
        default:
            return L"Unknown";
    }
}

// ---------------------------------------------------------------------------------- client library

int CNAConnectionDescription::_bCheckClientLibraryWanted(CNAError* pclError) {
    const wchar_t* pszWanted = m_csWantedClientLibrary.pszGet();
    if (_bEmpty(pszWanted) || m_csClientLibrary.bEstEgalI(pszWanted)) return 1;
    if (!_bHasDirectory(pszWanted) && m_csClientLibrary.nTaille() != 0 &&
        _clFileName(m_csClientLibrary.pszGet()).bEstEgalI(pszWanted))
        return 1;
    if (pclError != nullptr) {
        const wchar_t* pszLoaded = m_csClientLibrary.pszGet();
        pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, SITE_CLIENT_LIBRARY, this, 74u,
                           L"PostgreSQL", pszLoaded != nullptr ? pszLoaded : L"", pszWanted);
    }
    return 0;
}

void CNAConnectionDescription::AddInfoNative(CNAError* pclError) {
    if (pclError != nullptr) AddInfoNativeXError(static_cast<_CXErrorModule39*>(pclError->pclGetXError()));
}

// ---------------------------------------------------------------------------------- dialect

namespace {

// One answer per server kind 1 to 13; every other kind (0 included) takes the last value.
struct stByKind {
    int anKind[13];
    int nOther;

    int nGet(unsigned nKind) const { return nKind >= 1 && nKind <= 13 ? anKind[nKind - 1] : nOther; }
};

//                                          1     2     3   4    5   6   7  8  9  10 11 12 13
constexpr stByKind s_stSubQuery{{1, 1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1}, 0};
constexpr stByKind s_stLimitOrTop{{1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}, 0};
constexpr stByKind s_stTreat0000Date{{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0};
constexpr stByKind s_stVarCharMax{{4000, 8000, -1, -1, 255, -1, -1, -1, -1, -1, -1, -1, -1}, -1};
constexpr stByKind s_stNVarCharMax{{2000, 4000, -1, -1, 255, -1, -1, -1, -1, -1, -1, -1, -1}, -1};

constexpr unsigned KIND_1 = 1;
constexpr unsigned KIND_4 = 4;
constexpr unsigned KIND_5 = 5;

}  // namespace

int CNAConnectionDescription::bSupportSubQuery() const {
    return s_stSubQuery.nGet(m_eDataSource);
}
int CNAConnectionDescription::bSupportLimitOrTop() const {
    return s_stLimitOrTop.nGet(m_eDataSource);
}
int CNAConnectionDescription::bTreat0000DateAsNULL() {
    return s_stTreat0000Date.nGet(m_eDataSource);
}
int CNAConnectionDescription::nGetVarCharMaxLen() const {
    return s_stVarCharMax.nGet(m_eDataSource);
}
int CNAConnectionDescription::nGetNVarCharMaxLen() const {
    return s_stNVarCharMax.nGet(m_eDataSource);
}
int CNAConnectionDescription::nGetOrderByMaxExpressionNbr() {
    return m_eDataSource == KIND_4 ? 31 : 0x7FFFFFFF;
}

const wchar_t* CNAConnectionDescription::pszGetVarCharType() const {
    return m_eDataSource == KIND_1 ? L"VARCHAR2" : L"VARCHAR";
}
const wchar_t* CNAConnectionDescription::pszGetNVarCharType() const {
    return m_eDataSource == KIND_1 ? L"NVARCHAR2" : L"NVARCHAR";
}
const wchar_t* CNAConnectionDescription::pszGetCLOBType() const {
    if (m_eDataSource == KIND_5) return m_nServerMajor >= 4 ? L"LONGTEXT" : L"LONGBLOB";
    return L"CLOB";
}
const wchar_t* CNAConnectionDescription::pszGetNCLOBType() const {
    if (m_eDataSource == KIND_5) return m_nServerMajor >= 4 ? L"LONGTEXT CHARACTER SET ucs2" : L"LONGBLOB";
    return L"NCLOB";
}

int CNAConnectionDescription::bDBTypeToString(CTString*, int) {
    return 0;
}
int CNAConnectionDescription::bDBTypeUnkwnownByDB(int) {
    return 0;
}

// The server's own connection reads its errors and classifies them; the base has no server.
int CNAConnectionDescription::bInitError(CNAError*, unsigned, unsigned) {
    return 0;
}
eNA_ERRORTYPE CNAConnectionDescription::eGetNAErrorType(unsigned) {
    return NA_ERRORTYPE_GENERAL;
}
