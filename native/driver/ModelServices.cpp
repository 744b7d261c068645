// The item model's descriptions and the host's query parameter values as the driver core reaches
// them (see ModelServices.h).
#include "native/driver/ModelServices.h"

namespace {

// An operation of an interface at its place in the virtual table: slot n is entry n - 2.
template <typename R, typename... A>
R _CallSlot(const void* pObject, int nSlot, A... arguments) {
    void* const* ppTable = *static_cast<void* const* const*>(pObject);
    auto pfn = reinterpret_cast<R (*)(const void*, A...)>(ppTable[nSlot - 2]);
    return pfn(pObject, arguments...);
}

constexpr int SLOT_EXTERNALADDREF = 7;
constexpr int SLOT_EXTERNALRELEASE = 8;
constexpr int SLOT_LOGICALNAME = 9;
constexpr int SLOT_DBTABLENAME = 23;
// The host's parameter values count their positions from 0 at the virtual-table pointer.
constexpr int POSITION_PREPARED = 8;

const wchar_t* _pszOrEmpty(const wchar_t* psz) {
    return psz != nullptr ? psz : L"";
}

}  // namespace

void NA_DescriptionExternalAddRef(INADataSourceDescription* piDescription) {
    if (piDescription != nullptr) _CallSlot<void>(piDescription, SLOT_EXTERNALADDREF);
}

void NA_DescriptionExternalRelease(INADataSourceDescription* piDescription) {
    if (piDescription != nullptr) _CallSlot<unsigned>(piDescription, SLOT_EXTERNALRELEASE);
}

const wchar_t* NA_pszGetDescriptionLogicalName(INADataSourceDescription* piDescription) {
    if (piDescription == nullptr) return L"";
    return _pszOrEmpty(_CallSlot<const wchar_t*>(piDescription, SLOT_LOGICALNAME));
}

const wchar_t* NA_pszGetDescriptionDBTableName(INADataSourceDescription* piDescription) {
    if (piDescription == nullptr) return L"";
    return _pszOrEmpty(_CallSlot<const wchar_t*>(piDescription, SLOT_DBTABLENAME));
}

// STUB (item-model task): CNADataSourceDescription::AddRef().
void NA_AddRefDataSource(CNADataSourceDescription*) {}

// STUB (item-model task): CNADataSourceDescription::nRelease().
void NA_ReleaseDataSource(CNADataSourceDescription*) {}

// STUB (item-model task): CNADataSourceDescription::bInitDataSourceDescriptionFromDB(table, 0).
bool NA_bInitDataSourceFromDB(CNADataSourceDescription*, const wchar_t*) {
    return false;
}

// STUB (item-model task): the upcast to INADataSourceDescription (its one base, at offset 0).
INADataSourceDescription* NA_piGetDataSourceInterface(CNADataSourceDescription* pclDescription) {
    return reinterpret_cast<INADataSourceDescription*>(pclDescription);
}

bool NA_bQueryPreparedBeforehand(INAQueryParametersValue* piParameters) {
    return piParameters != nullptr && _CallSlot<int>(piParameters, POSITION_PREPARED + 2) != 0;
}

void NA_QueryParametersRelease(INAQueryParametersValue* piParameters) {
    constexpr int POSITION_RELEASE = 6;
    if (piParameters != nullptr) _CallSlot<int>(piParameters, POSITION_RELEASE + 2);
}
