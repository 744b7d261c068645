// What the statement's SQL of writes asks of the data access beyond the members it has today: over
// a host query, whether the query reads several tables and the database name of an item's source
// table.
//
// DATA-ACCESS TASK: CNADataAccess does not read host queries yet (no access is over a query, see
// ParsedQueryServices.h), so these are never reached with a query; until it lands they answer as
// for an access over a table. Each body then becomes the call its comment names.
#pragma once

class CNADataAccess;
class CTString;
class INAItemDescription;

// CNADataAccess::bSourceIsQueryOnMultipleTables(): the access reads a query whose FROM clause names
// more than one table; false without an access.
bool NA_bDataAccessSourceIsQueryOnMultipleTables(const CNADataAccess* pclAccess);
// CNADataAccess::_GetDBSourceName(item, name, bFormat): the database name of the table the item of
// the access's query comes from, formatted as a table name when bFormat is 1; emptied first.
void NA_GetDataAccessDBSourceName(CNADataAccess* pclAccess, INAItemDescription* piItem, CTString* pclOut, int bFormat);
