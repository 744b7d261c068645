// What the item and record model asks of the connection description beyond its plain members (the
// code pages and the server kind, with the answers that stand when a value has no connection or
// the connection is not open yet), and the one call on the driver's SQL layer that the catalogue
// import makes.
#pragma once

class CNAConnectionDescription;
class CNAError;
class CNAStatementSQL;

// The connection's code page (the language runtime's current one) and its client code page (the
// one of the text exchanged with the server, set at open); without a connection, the host's
// current code page for both.
unsigned NA_nGetCodePage(CNAConnectionDescription* pclConnection);
unsigned NA_nGetClientCodePage(CNAConnectionDescription* pclConnection);
// The connection's server kind (its SQL dialect); 0 without a connection.
unsigned NA_nGetServerKind(CNAConnectionDescription* pclConnection);

// CNADriverSQL::bExecute(error, &statement, connection, text, no parameters, no flags) on the
// process's driver object, and the release of the statement it hands back (one reference). Without
// a driver object no text can run: the call fails with the operation-not-available error and hands
// back no statement.
bool NA_bExecuteSQL(CNAConnectionDescription* pclConnection, CNAStatementSQL** ppclStatement, CNAError* pclError,
                    const wchar_t* pszSQL);
void NA_ReleaseStatementSQL(CNAStatementSQL* pclStatement);
