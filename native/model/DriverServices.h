// What the item and record model needs of the driver core (the driver object, the connection
// description, the error object) and of the SQL layer, gathered in one place. A driver for one
// database may make its own classes in its factories, so the model never constructs its objects
// directly: it asks here.
//
// DRIVER-CORE TASKS: the driver object's factories (CNADriver answers none of them yet), its
// connection registry and the SQL-layer driver (CNADriverSQL) do not exist yet.
// Each function below stands for one call on them, named in its comment; until they land, the
// factories make the model's own classes exactly as the base driver's factories do (count 0, the
// caller takes the first reference) and the other services do the least that is safe (nothing is
// recorded, nothing is executed). When a class lands, the body becomes that call.
#pragma once

class CTString;
class CNAConnectionDescription;
class CNADataSourceDescription;
class CNAError;
class CNAItemDescription;
class CNAStatementSQL;

// CNADriver::s_pclDriver->pclAllocItemDescription() (slot 59).
CNAItemDescription* NA_pclAllocItemDescription();
// CNADriver::s_pclDriver->pclAllocDataSourceDescription(connection, error) (slot 48).
CNADataSourceDescription* NA_pclAllocDataSourceDescription(CNAConnectionDescription* pclConnection, CNAError* pclError);
// CNADriver::s_pclDriver->pclAllocColumn(error, item) (slot 52): a column for an item of type 1 to
// 31 but 8, null for the others.
class CNAColumn;
class INAItemDescription;
CNAColumn* NA_pclAllocColumn(CNAError* pclError, INAItemDescription* piItem);
// CNADriver::s_pclDriver->pclAllocParameter(value, position, flags, name) (slot 57).
class CNAConvertVariant;
class CNAParameter;
CNAParameter* NA_pclAllocParameter(CNAConvertVariant* pclValue, unsigned long nPosition, unsigned nFlags,
                                   const wchar_t* pszName);
// CNADriver::g_GenerateItemName(out, n): "Expr" followed by n + 1000.
void NA_GenerateItemName(CTString* pclOut, int n);

// A reference taken on a connection description; CNADriver::s_pclDriver->nReleaseConnection
// drops it under the registry's auto-close rule (until the registry exists: a plain release).
void NA_AddRefConnection(CNAConnectionDescription* pclConnection);
void NA_nReleaseConnection(CNAConnectionDescription* pclConnection);
// CNAConnectionDescription::pszGetDefaultDataBaseEx(); an empty text without a connection.
const wchar_t* NA_pszGetDefaultDataBase(CNAConnectionDescription* pclConnection);

// CNADriverSQL::bExecute(connection, &statement, error, text, 0, 0) through the driver's SQL layer:
// the statement comes back with one reference, which NA_ReleaseStatementSQL drops.
bool NA_bExecuteSQL(CNAConnectionDescription* pclConnection, CNAStatementSQL** ppclStatement, CNAError* pclError,
                    const wchar_t* pszSQL);
void NA_ReleaseStatementSQL(CNAStatementSQL* pclStatement);

class CNAConvertVariant;
class CXError;

// CNADriver::s_pclDriver->pclAllocVariant(error, connection) (slot 46).
CNAConvertVariant* NA_pclAllocVariant(CNAError* pclError, CNAConnectionDescription* pclConnection);

// The connection's code page (the language runtime's current one) and its client code page (the
// one of the text exchanged with the server, set at open); without a connection, the host's
// current code page for both.
unsigned NA_nGetCodePage(CNAConnectionDescription* pclConnection);
unsigned NA_nGetClientCodePage(CNAConnectionDescription* pclConnection);
// The connection's server kind (its SQL dialect); 0 without a connection.
unsigned NA_nGetServerKind(CNAConnectionDescription* pclConnection);
