// CPSQLDataSourceDescription: a PostgreSQL table or view described from the server catalogue. The
// generic description asks it for two queries (the table's live columns with their types, domains
// and defaults; its indexes) and hands each executed query back to its reader: the columns become
// items (a sequence default makes an automatic identifier), one-column indexes mark their item as a
// key, and indexes over several columns become composite keys of their own.
#pragma once

#include "core/TString.h"
#include "native/model/NADataSourceDescription.h"

template <class T>
class CXYString;

class CPSQLDataSourceDescription : public CNADataSourceDescription {
public:
    CPSQLDataSourceDescription(CNAConnectionDescription* pclConnection, CNAError* pclError);
    ~CPSQLDataSourceDescription() override;

    int _bGetQueryShowColumns(CXYStringConcat<wchar_t>* pclQuery) override;
    int _bInitItemFromQueryShowColumns(CNAStatementSQL* pclStatement) override;
    int _bGetQueryShowIndex(CXYStringConcat<wchar_t>* pclQuery) override;
    int _bInitKeysFromQueryShowIndex(CNAStatementSQL* pclStatement) override;

    // The schema and the table of the database name, unquoted; false (schema empty) without a
    // schema.
    bool _bGetTableNameAndSchema(CTString* pclSchema, CTString* pclTable);
    // The condition that selects the table in the catalogue, on the given alias of pg_class; false
    // when a name could not be written as a literal (the condition is built all the same).
    bool _bGetTableNameAndSchemaCondition(const wchar_t* pszAlias, CXYString<wchar_t>& clCondition);

    // Key flag words of an index.
    static constexpr unsigned short KEY_PRIMARY = 0xC800;
    static constexpr unsigned short KEY_UNIQUE = 0x4800;
    static constexpr unsigned short KEY_DUPLICATES = 0x2800;
    static constexpr unsigned short KEY_COMPOSED = 0x1000;

    // The opening and closing texts of the columns query and the index query's opening text.
    static const wchar_t* const s_pszShowColumnsStart;
    static const wchar_t* const s_pszShowColumnsEnd;
    static const wchar_t* const s_pszShowIndexStart;
};

// Whether the text is a number: blanks and tabs first, one sign, digits with at most one '.' or
// ','; an empty remainder counts as one.
bool __bEstUnNombre(const wchar_t* psz);
