// What the driver core needs of the descriptions of the item model (the host's
// INADataSourceDescription and the driver's own CNADataSourceDescription) and of the host's query
// parameter values, gathered in one place: the driver object, its tables and data accesses reach
// them only through the functions below.
//
// The operations of the host's interfaces are called at their fixed places in the virtual table
// (binary interface), which holds whoever made the object.
//
// STUB (item-model task): the driver's own data-source description does not exist yet. The four
// functions marked below stand for one call on it each (named in the comment); until it exists they
// do nothing and answer failure, and the factory of descriptions (CNADriver slot 48) makes none.
// When the class lands, each body becomes that call and the interface calls become plain calls.
#pragma once

class CNADataSourceDescription;
class INADataSourceDescription;
class INAQueryParametersValue;

// ---- the host's (or the driver's) INADataSourceDescription
// Slot 7 and slot 8: the external references.
void NA_DescriptionExternalAddRef(INADataSourceDescription* piDescription);
void NA_DescriptionExternalRelease(INADataSourceDescription* piDescription);
// Slot 9: the logical name of the table; slot 23: its name in the database. Never null.
const wchar_t* NA_pszGetDescriptionLogicalName(INADataSourceDescription* piDescription);
const wchar_t* NA_pszGetDescriptionDBTableName(INADataSourceDescription* piDescription);

// ---- the driver's own description (STUB, see above)
// CNADataSourceDescription::AddRef() and nRelease() (the internal count).
void NA_AddRefDataSource(CNADataSourceDescription* pclDescription);
void NA_ReleaseDataSource(CNADataSourceDescription* pclDescription);
// CNADataSourceDescription::bInitDataSourceDescriptionFromDB(table, 0): the table read from the
// server catalogue; false with the reason in the description's error object.
bool NA_bInitDataSourceFromDB(CNADataSourceDescription* pclDescription, const wchar_t* pszTable);
// The description as the host's interface.
INADataSourceDescription* NA_piGetDataSourceInterface(CNADataSourceDescription* pclDescription);

// ---- the host's query parameter values
// Position 8 (counted from 0): whether the host prepared the query beforehand; false for none.
bool NA_bQueryPreparedBeforehand(INAQueryParametersValue* piParameters);
// Position 6: releases one reference on them.
void NA_QueryParametersRelease(INAQueryParametersValue* piParameters);
