// The texts the catalogue queries of a table's description open and close with, as the tests
// expect them on the server.
#pragma once

#include <string>

namespace pgtest {

inline const std::wstring s_sColumnsStart =
    L"SELECT       pg_attribute.attname, pg_attribute.atttypid, pg_attribute.attlen, pg_attribute.attndims, "
    L"pg_attribute.atttypmod, pg_attribute.attnotnull, pg_attribute.atthasdef, pg_attribute.attnum,      "
    L"real_type.typtype as real_typtype, real_type.typnotnull as domain_typnotnull, CASE WHEN real_type.typndims > "
    L"0 then real_type.typelem ELSE real_type.typbasetype END as base_typid,       pg_get_expr(pg_attrdef.adbin, "
    L"pg_class.oid) as default, pg_attribute.attidentity, pg_attribute.attgenerated FROM       pg_class JOIN pg_namespace ON (pg_class.relnamespace = pg_namespace.oid) "
    L"\t  JOIN pg_attribute ON (pg_attribute.attrelid = pg_class.oid)       LEFT JOIN pg_type as real_type "
    L"ON(real_type.oid=pg_attribute.atttypid)       LEFT JOIN pg_attrdef  ON (pg_class.oid = pg_attrdef.adrelid AND "
    L"pg_attribute.attnum=pg_attrdef.adnum) WHERE ";
inline const std::wstring s_sColumnsEnd =
    L" AND (pg_class.relkind='r' OR pg_class.relkind='v' OR pg_class.relkind='p') AND pg_attribute.attnum>0 AND "
    L"pg_attribute.attisdropped=false ORDER BY pg_attribute.attnum";
inline const std::wstring s_sIndexStart =
    L"SELECT pg_class2.relname AS IndexName, pg_index.indisunique, pg_index.indisprimary, pg_index.indnatts, "
    L"pg_index.indkey, pg_index.indpred IS NOT NULL AS partial FROM pg_index LEFT JOIN pg_class AS pg_class1 ON (pg_index.indrelid = pg_class1.oid) LEFT JOIN "
    L"pg_class AS pg_class2 ON (pg_index.indexrelid = pg_class2.oid) LEFT JOIN pg_namespace ON "
    L"(pg_class1.relnamespace = pg_namespace.oid) WHERE ";

}  // namespace pgtest
