#!/usr/bin/env bash
# End-to-end test of kxhost's values: a table with an item of every kind is written through kxhost
# (and so through the built driver library and the emulated host's conversions), and every row
# kxhost reads back must be the row psql prints; values that do not convert must fail the
# operation naming the item and the value, and change nothing; each table has its own context; a
# composite key is browsed and sought by its components.
#
#   kxhost_values.sh KXHOST
#
# Needs the server of scripts/pg-sandbox.sh: without it the test fails when CI is set, else it is
# skipped (exit 77).
set -uo pipefail
kxhost=$1

if [ -z "${PGHOST:-}" ] || ! psql -X -q -c "SELECT 1" >/dev/null 2>&1; then
  echo "no PostgreSQL test server (start one: eval \"\$(bash scripts/pg-sandbox.sh start)\")"
  if [ -n "${CI:-}" ]; then exit 1; fi
  exit 77
fi

failures=0
fail() {
  echo "FAILED: $1"
  failures=$((failures + 1))
}

psql -X -q -v ON_ERROR_STOP=1 >/dev/null 2>&1 <<'SQL' || { echo "the test tables could not be made"; exit 1; }
DROP TABLE IF EXISTS kx_values, kx_values_other, kx_values_lines;
CREATE TABLE kx_values (id serial PRIMARY KEY, b boolean, i2 smallint, i4 integer, i8 bigint, r4 real,
  r8 double precision, n numeric(38,10), m numeric(12,2), d date, t time(2), ts timestamp(3), v varchar(20),
  tx text, by bytea);
CREATE TABLE kx_values_other (id integer PRIMARY KEY);
INSERT INTO kx_values_other SELECT generate_series(1, 3);
CREATE TABLE kx_values_lines (order_id integer, line_no integer, qty integer, PRIMARY KEY (order_id, line_no));
INSERT INTO kx_values_lines VALUES (1, 1, 10), (1, 2, 20), (2, 1, 30), (2, 3, 40);
SQL

# The rows, as kxhost reads them and as psql prints them (NULL apart from the empty text).
columns="id,b,i2,i4,i8,r4,r8,n,m,d,t,ts,v,tx,by"
rows_kxhost() { "$kxhost" --null '<null>' "first kx_values id; next kx_values id 10" 2>&1 | grep -v -e '^> ' -e "^${columns//,/|}\$" -e '^(end of file)$'; }
rows_psql() { psql -X -A -t -F'|' -P null='<null>' -c "SELECT $columns FROM kx_values ORDER BY id"; }

out=$("$kxhost" --null '<null>' \
  "add kx_values b=t i2=-32768 i4=2147483647 i8=-9223372036854775808 r4=0.1 r8=0.30000000000000004 n=1234567890123456789012345678.1234567891 m=-12.50 d=0001-01-01 t=13:45:00.12 ts='2024-02-29 13:45:00.123' v='NULL' tx='it''s' by=\\x00ff10" \
  "add kx_values b=f i2=32767 i4=-2147483648 i8=9223372036854775807 r4=-1.5 r8=123456789.12345679 n=-0.0000000001 m=9999999999.99 d=9999-12-31 t=23:59:59.99 ts='9999-12-31 23:59:59.999' v=NULL tx='' by=\\x" \
  "add kx_values r8=-0 n=99999999999999999999999999.9999999999 ts='0001-01-01 00:00:00' r4=3.4028235e+38" \
  "add kx_values r8=5e-324 r4=1e-45 ts='2000-01-01 12:00:00.5'" 2>&1)
[ $? -eq 0 ] || fail "the additions failed: $out"
expected=$(rows_psql)
actual=$(rows_kxhost)
[ "$(echo "$expected" | wc -l)" -eq 4 ] || fail "psql should read 4 rows: $expected"
if [ "$expected" != "$actual" ]; then
  fail "kxhost reads other values than psql prints"
  diff <(echo "$expected") <(echo "$actual")
fi
# The quoted 'NULL' is the text, the unquoted one the NULL value.
[ "$(psql -X -A -t -c "SELECT count(*) FROM kx_values WHERE v = 'NULL'")" = 1 ] || fail "'NULL' quoted is not the text"
[ "$(psql -X -A -t -c "SELECT count(*) FROM kx_values WHERE v IS NULL")" = 3 ] || fail "NULL unquoted is not NULL"

# A seek by each kind of value finds its row.
for seek in "i8 -9223372036854775808" "r8 0.30000000000000004" "r8 123456789.12345679" \
            "n 1234567890123456789012345678.1234567891" "d 9999-12-31" "ts '2024-02-29 13:45:00.123'"; do
  found=$("$kxhost" "seek kx_values $seek" 2>&1 | sed -n 3p | cut -d'|' -f1)
  [ "$found" = "1" ] || [ "$found" = "2" ] || fail "seek kx_values $seek: $found"
done
found=$("$kxhost" "seek kx_values r8 123456789.5" 2>&1 | sed -n 3p)
[ "$found" = "(not found)" ] || fail "seek on 123456789.5 should find nothing: $found"

# Values that do not convert fail the operation, name the item and the value, and write nothing.
for bad in "i2=70000" "i4=4294967297" "i8=9223372036854775808" "r4=1e39" "r8=1e400" "n=1e5" \
           "n=999999999999999999999999999999999999999" "d=2023-02-29" "t=25:00:00" "ts=2024-13-01" "b=maybe" \
           "by=\\x0g"; do
  item=${bad%%=*}
  value=${bad#*=}
  out=$("$kxhost" "add kx_values $bad" 2>&1)
  status=$?
  [ $status -eq 1 ] || fail "add $bad should fail (status $status): $out"
  [[ "$out" == *"$item"* && "$out" == *"$value"* ]] || fail "the error of add $bad should name $item and $value: $out"
done
out=$("$kxhost" "seek kx_values i4 4294967297" 2>&1)
[ $? -eq 1 ] && [[ "$out" == *"4294967297"* ]] || fail "a seek on an out-of-range value should fail: $out"
[ "$(psql -X -A -t -c "SELECT count(*) FROM kx_values")" = 4 ] || fail "a refused value wrote a row"

# Each table its own context: counts and reads of two tables in turn.
out=$("$kxhost" "count kx_values_other; count kx_values; first kx_values_other id; first kx_values id" 2>&1)
expected_out="> count kx_values_other
count
3
> count kx_values
count
4
> first kx_values_other id
id
1
> first kx_values id
${columns//,/|}
$(rows_psql | head -1)"
[ "$out" = "$expected_out" ] || { fail "two tables in turn"; diff <(echo "$expected_out") <(echo "$out"); }

# The composite key: browsed in its order and sought by one value a component, or a first part.
key=$("$kxhost" "describe kx_values_lines" 2>&1 | grep '|composite' | cut -d'|' -f1)
[ -n "$key" ] || fail "the composite key is not offered as an item"
out=$({ "$kxhost" "last kx_values_lines $key; previous kx_values_lines $key" &&
        "$kxhost" "seek kx_values_lines $key 2 1; seek kx_values_lines $key 1 2" &&
        "$kxhost" "seek kx_values_lines $key 2 2"; } 2>&1 |
      grep -v -e '^> ' -e '^order_id|line_no|qty$')
expected_out="2|3|40
2|1|30
2|1|30
1|2|20
(not found)"
[ "$out" = "$expected_out" ] || { fail "composite key"; diff <(echo "$expected_out") <(echo "$out"); }

psql -X -q -c "DROP TABLE kx_values, kx_values_other, kx_values_lines" >/dev/null 2>&1
if [ $failures -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "kxhost wrote and read every value as psql does"
