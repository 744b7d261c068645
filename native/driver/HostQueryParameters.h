// The two operations the driver core calls on the host's query parameter values
// (INAQueryParametersValue, native/sql/SQLParserInterfaces.h), for callers that hold the values
// without knowing the interface: whether the host prepared the query, and one reference given back.
#pragma once

class INAQueryParametersValue;

// Whether the host prepared the query beforehand; false for none.
bool NA_bQueryPreparedBeforehand(INAQueryParametersValue* piParameters);
// Releases one reference on them; nothing for none.
void NA_QueryParametersRelease(INAQueryParametersValue* piParameters);
