// The host's query parameter values as the driver core reaches them (see HostQueryParameters.h).
#include "native/driver/HostQueryParameters.h"

#include "native/sql/SQLParserInterfaces.h"

bool NA_bQueryPreparedBeforehand(INAQueryParametersValue* piParameters) {
    return piParameters != nullptr && piParameters->bPrepareRequeteCalled() != 0;
}

void NA_QueryParametersRelease(INAQueryParametersValue* piParameters) {
    if (piParameters != nullptr) piParameters->nRelease();
}
