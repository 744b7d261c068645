// The SQL-command functions for PostgreSQL: the statement class and the catalogue listings.
#include "pgsql/PSQLDriverSQL.h"

#include <cwchar>
#include <new>

#include "core/TString.h"
#include "core/TStringConcatAW.h"
#include "core/XYString.h"
#include "core/XYStringConcat.h"
#include "native/driver/NAConnectionDescription.h"
#include "pgsql/PSQLStatementSQL.h"
#include "variant/Any.h"

namespace {

constexpr unsigned TABLES_USER = 0x01;
constexpr unsigned TABLES_VIEWS = 0x02;
constexpr unsigned TABLES_SYSTEM = 0x04;
constexpr unsigned TABLES_FOUR_COLUMNS = 0x20;

// The owner is read from pg_roles, which has every role: pg_user leaves out the roles that cannot
// log in, and with them the tables they own.
constexpr const wchar_t* TABLE_LIST =
    L"SELECT pg_namespace.nspname || '.' || pg_class.relname, '', pg_roles.rolname,\tCASE\t\t"
    L"WHEN (pg_namespace.nspname like 'pg!_%' escape '!' OR pg_namespace.nspname like 'information_schema') AND "
    L"pg_class.relkind='r' THEN 'SYSTEM TABLE'\t\t"
    L"WHEN (pg_namespace.nspname like 'pg!_%' escape '!' OR pg_namespace.nspname like 'information_schema') AND "
    L"pg_class.relkind='v' THEN 'SYSTEM VIEW'\t\t"
    L"WHEN pg_class.relkind='r' THEN 'TABLE'\t\tWHEN pg_class.relkind='v' THEN 'VIEW'\t\tELSE 'OTHER'\tEND\t"
    L"FROM pg_class, pg_namespace, pg_roles\tWHERE pg_class.relnamespace = pg_namespace.oid\t"
    L"AND (pg_class.relkind='r' OR pg_class.relkind='v')\tAND pg_class.relowner = pg_roles.oid";

constexpr const wchar_t* DATABASE_LIST = L"SELECT datname FROM pg_database WHERE datistemplate = false;";

constexpr const wchar_t* COLUMN_LIST_START =
    L"SELECT pg_attribute.attname FROM pg_attribute, pg_class WHERE pg_class.relname=";
constexpr const wchar_t* COLUMN_LIST_END =
    L" AND (pg_class.relkind='r' OR pg_class.relkind='v') AND pg_attribute.attrelid = pg_class.oid AND "
    L"pg_attribute.attnum>0 AND pg_attribute.attisdropped=false ORDER BY pg_attribute.attnum";

constexpr const wchar_t* COLUMN_TYPES =
    L"BIT\t1\r\nINT2\t13\r\nSMALLINT\t13\r\nINT4\t12\r\nINTEGER\t12\r\nINT8\t3\r\nBIGINT\t3\r\nREAL\t15\r\n"
    L"FLOAT4\t15\r\nFLOAT8\t14\r\nFLOAT8\t16\r\nDOUBLE PRECISION\t16\r\nDECIMAL\t11\r\nNUMERIC\t10\r\nCHAR\t9\r\n"
    L"VARCHAR\t20\r\nTEXT\t7\r\nDATE\t17\r\nTIME\t18\r\nTIMESTAMP\t19\r\nBIT\t6\r\nBIT VARYING\t5\r\nBYTEA\t4";

constexpr unsigned short VQ_WIDE_TEXT = 16;

}  // namespace

CPSQLDriverSQL::CPSQLDriverSQL(CNADriver* pclDriver, CNAError* pclError) : CNADriverSQL(pclDriver, pclError) {}

CPSQLDriverSQL::~CPSQLDriverSQL() = default;

CNAStatementSQL* CPSQLDriverSQL::pclAllocStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError) {
    return new (std::nothrow) CPSQLStatementSQL(pclCnx, pclError);
}

int CPSQLDriverSQL::_bGetDatabaseList(CXYStringConcat<wchar_t>* pclList, CNAConnectionDescription* pclCnx, unsigned) {
    return _bGetList(pclList, pclCnx, DATABASE_LIST, 1, 0, L"\r\n");
}

void CPSQLDriverSQL::s_BuildTableListQuery(CTString* pclOut, unsigned nFlags) {
    pclOut->Set(TABLE_LIST);
    const bool bSystem = (nFlags & TABLES_SYSTEM) != 0;
    if (!bSystem)
        pclOut->Add(
            L" AND pg_namespace.nspname not like 'pg!_%' escape '!' AND "
            L"pg_namespace.nspname not like 'information_schema'");
    if ((nFlags & TABLES_USER) == 0)
        pclOut->Add(bSystem ? L" AND (pg_class.relkind<>'r' OR pg_namespace.nspname like 'pg!_%' escape '!' OR "
                              L"pg_namespace.nspname like 'information_schema')"
                            : L" AND pg_class.relkind<>'r'");
    if ((nFlags & TABLES_VIEWS) == 0)
        pclOut->Add(bSystem ? L" AND (pg_class.relkind<>'v' OR pg_namespace.nspname like 'pg!_%' escape '!' OR "
                              L"pg_namespace.nspname like 'information_schema')"
                            : L" AND pg_class.relkind<>'v'");
    pclOut->Add(L" ORDER BY pg_class.relname");
}

int CPSQLDriverSQL::bGetTableList(CAny* pclList, CNAConnectionDescription* pclCnx, const wchar_t*, unsigned nFlags) {
    CTString clQuery;
    s_BuildTableListQuery(&clQuery, nFlags);
    return _bGetList(pclList, pclCnx, clQuery.pszGet(), (nFlags & TABLES_FOUR_COLUMNS) != 0 ? 4 : 1, 0);
}

int CPSQLDriverSQL::bGetColumnList(CAny* pclList, CNAConnectionDescription* pclCnx, const wchar_t* pszTable, unsigned) {
    const wchar_t* psz = pszTable != nullptr ? pszTable : L"";
    CTStringConcatAW clLiteral(pclCnx->nGetClientCodePage(), pclCnx->nGetCodePage());
    if (!pclCnx->_bEscapeString(m_pclError, &clLiteral, VQ_WIDE_TEXT,
                                reinterpret_cast<unsigned char*>(const_cast<wchar_t*>(psz)),
                                static_cast<unsigned long>(wcslen(psz) * sizeof(wchar_t))))
        return 0;
    CTString clQuery(COLUMN_LIST_START);
    clQuery.Add(clLiteral.pszGetW());
    clQuery.Add(COLUMN_LIST_END);
    return _bGetList(pclList, pclCnx, clQuery.pszGet(), 1, 0);
}

int CPSQLDriverSQL::bGetColumnTypeList(CAny* pclList, int, unsigned) {
    CXYString<wchar_t> clList;
    clList.nConcat(COLUMN_TYPES);
    pclList->__SetType(VQTYPE_DSTRW, 0);
    pclList->pclGetValeur()->SetValue(&clList);
    pclList->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    return 1;
}
