// The host's query parameter values as the driver core reaches them (see HostQueryParameters.h).
#include "native/driver/HostQueryParameters.h"

namespace {

// The operation at position n of an object's virtual table.
template <typename R, typename... A>
R _CallPosition(const void* pObject, int nPosition, A... arguments) {
    void* const* ppTable = *static_cast<void* const* const*>(pObject);
    auto pfn = reinterpret_cast<R (*)(const void*, A...)>(ppTable[nPosition]);
    return pfn(pObject, arguments...);
}

constexpr int POSITION_RELEASE = 6;
constexpr int POSITION_PREPARED = 8;

}  // namespace

bool NA_bQueryPreparedBeforehand(INAQueryParametersValue* piParameters) {
    return piParameters != nullptr && _CallPosition<int>(piParameters, POSITION_PREPARED) != 0;
}

void NA_QueryParametersRelease(INAQueryParametersValue* piParameters) {
    if (piParameters != nullptr) _CallPosition<int>(piParameters, POSITION_RELEASE);
}
