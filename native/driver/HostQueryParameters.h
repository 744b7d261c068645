// The two operations the driver core calls on the host's query parameter values
// (INAQueryParametersValue), at their fixed places in the virtual table (counted from 0 at the
// virtual-table pointer): whoever made the object, the places hold.
//
// STUB (parsed-query adapter task): the host's parameter values have no interface declared yet;
// once they have, both functions become plain calls on it.
#pragma once

class INAQueryParametersValue;

// Position 8: whether the host prepared the query beforehand; false for none.
bool NA_bQueryPreparedBeforehand(INAQueryParametersValue* piParameters);
// Position 6: releases one reference on them.
void NA_QueryParametersRelease(INAQueryParametersValue* piParameters);
