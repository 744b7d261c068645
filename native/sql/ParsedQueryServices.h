// What the statement's SQL writers and the search conditions need of the rebuilding of the host's
// parsed queries (the command's rebuilding members and the parsed-query adapter) and of the data
// access's query, gathered in one place.
//
// Each function is the call its comment names.
#pragma once

#include <cstdint>

#include "native/sql/NASqlElt.h"
#include "native/sql/OpExpression.h"

class CNAColumn;
class CNACommand;
class CNAConnectionDescription;
class CNADataAccess;
class CNAError;
class CNARecord;
class CSQLParserInfo;
class CTString;
class INAItemDescription;
class ISQLParserInformation;

// CNACommand::bFormatCondition(parsed query, condition to merge, keep-ORDER-BY flag, query flags).
int NA_bFormatCondition(CNACommand* pclCommand, CSQLParserInfo* pclParser, CNACommand* pclCondition, int bKeepOrderBy,
                        uint32_t nQueryFlags);
// CNACommand::bFormatEndOfQuery().
int NA_bFormatEndOfQuery(CNACommand* pclCommand);
// CNACommand::bFormatORDERBY(by-name flag, ascending flag): the host query's own ORDER BY.
int NA_bFormatORDERBY(CNACommand* pclCommand, int bByName, int bAscending);
// CSQLParserInfo::bQueryResultsetLimited(connection).
int NA_bQueryResultsetLimited(CSQLParserInfo* pclParser, CNAConnectionDescription* pclConnection);
// CSQLParserInfo::bQueryShapesResultset(connection); 0 without a parsed query.
int NA_bQueryShapesResultset(CSQLParserInfo* pclParser, CNAConnectionDescription* pclConnection);
// Whether the query's LIMIT or OFFSET picks its rows by its ORDER BY: read in another order, or
// with a condition merged before them, it would give other rows.
int NA_bQueryRowsFollowOrder(CSQLParserInfo* pclParser, CNAConnectionDescription* pclConnection);
// The query's own ORDER BY as it applies to its rows read as a derived table: " ORDER BY " and,
// for each of its items, the name of the output column of the record it orders by, its direction
// turned round for a backward browse ("" without ORDER BY). 0 when an item orders by something
// the query does not output, which cannot be named outside it.
int NA_bQueryOrderByOutputNames(CSQLParserInfo* pclParser, CNARecord* pclRecord, int bAscending, CTString* pclOut);
// The number of the query's ORDER BY items (CSQLParserInfo::piEnumRubriqueClauseOrder).
int NA_nGetOrderByItemNbr(CSQLParserInfo* pclParser);
// CSQLParserInfo::piGetRubriqueClauseOrder(column): -1 when the query does not order by the
// column, else 1 when it orders by it descending and 0 ascending.
int NA_nGetOrderByDirection(CSQLParserInfo* pclParser, const CNAColumn* pclColumn);
// CSQLParserInfo::bRubriqueSourceIsMemo(column).
int NA_bRubriqueSourceIsMemo(CSQLParserInfo* pclParser, const CNAColumn* pclColumn);
// CNACommand::bFormatExpressionColonneCalculee: a computed column's expression as text, in a
// clause of that kind.
int NA_bFormatExpressionColonneCalculee(CNACommand* pclCommand, CSQLParserInfo* pclParser, const CNAColumn* pclColumn,
                                        CNASqlElt::eSQLELT eKind, CTString* pclOut);
// CNACommand::FormatExpressionItemName(clause kind, host operator code, item, table, item name):
// the item as the server names it in that clause, converted when the dialect compares it so.
int NA_bFormatExpressionItemName(CNACommand* pclCommand, CNASqlElt::eSQLELT eKind, eOPEXPRESSION eCode,
                                 INAItemDescription* piItem, const wchar_t* pszTable, const wchar_t* pszItem,
                                 CTString* pclOut);
// A new CSQLParserInfo over a condition the host parsed, with one reference; null when none can
// be made.
CSQLParserInfo* NA_pclNewSQLParserInfo(CNAError* pclError, ISQLParserInformation* piCondition);
// CSQLParserInfo::SetRecord(record) when the parsed query has no record yet.
void NA_SetParserRecordIfNone(CSQLParserInfo* pclParser, CNARecord* pclRecord);
// CNACommand::bAddFilterExpression(parsed condition).
int NA_bAddFilterExpression(CNACommand* pclCommand, CSQLParserInfo* pclParser);
// The data access's query flags (bit 2: the query runs as the host wrote it; bit 3: writes
// through the query are allowed); 0 without an access.
uint32_t NA_nGetDataAccessQueryFlags(const CNADataAccess* pclAccess);
