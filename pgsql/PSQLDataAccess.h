// CPSQLDataAccess: the data access of a PostgreSQL table or query. Everything is the generic
// access's; this class answers whether counting needs a browse and ties an automatic identifier to
// the sequence that fills it (its name, its current value, the text that restarts it), which the
// generic recovery from a duplicate identifier after a failed insert uses.
#pragma once

#include <cstdint>

#include "native/table/NADataAccess.h"

class CPSQLDataAccess : public CNADataAccess {
public:
    CPSQLDataAccess(INADataSourceDescription* piDescription, CNAConnectionDescription* pclCnx, CNAError* pclError)
        : CNADataAccess(piDescription, pclCnx, pclError) {}
    ~CPSQLDataAccess() override = default;

    // A table is counted by the server; a query of the host needs a browse.
    int bNbEnrNeedParse(int* pbNeeded, const wchar_t* pszItem) override;
    // "ALTER SEQUENCE <written name> RESTART WITH <value>", the value a plain signed decimal.
    int _bGetQueryRestartSequenceIdAuto(CTString* pclText, CNAColumn* pclColumn, long nValue) override;
    // The sequence's current value in this session; -1 when there is none.
    int64_t _nGetSequenceCurrentVal(CNAColumn* pclColumn) override;
    // The column takes the sequence's current value.
    int _bUpdateIdAutoAfterInsertFailure(CNAColumn* pclColumn) override;
    // A plain table of the server's (asked once): its rows have a ctid.
    int bRowLocatorAvailable() override;

    // The sequence of a serial column: [schema "."] table "_" column "_seq", unquoted.
    int _bGetSequenceName(CTString* pclName, CNAColumn* pclColumn);
    // The same name written for SQL: each part between double quotes, its own quotes doubled.
    int _bGetSequenceNameEscaped(CTString* pclName, CNAColumn* pclColumn);

private:
    // -1 not asked yet, else the answer of bRowLocatorAvailable.
    int m_nRowLocator = -1;
    // The schema part (empty without one) and the sequence's own name.
    int _bGetSequenceParts(CTString* pclSchema, CTString* pclSequence, CNAColumn* pclColumn,
                           CTString* pclTableOut = nullptr);
    // The text as a string literal of the server's.
    int _bStringLiteral(CTString* pclOut, const wchar_t* pszText);
    // The sequence the server ties to the column (pg_get_serial_sequence), as it writes its name.
    int _bGetOwnedSequence(CTString* pclName, const CTString& clSchema, const CTString& clTable, CNAColumn* pclColumn);
};
