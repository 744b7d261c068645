#!/usr/bin/env bash
# kxhost over tables and columns whose names hold SQL, with the server reading backslashes in
# literals as escapes: every name reaches the server as the one identifier it is (the tables the
# names mention survive, each table reads, seeks, writes and counts its own rows), a table whose
# name holds a dot opens under each spelling, the items of the extended information reach the
# client library in its own syntax, and nothing is printed on standard error (no warning of the
# server about backslashes, no notice).
#
#   kxhost_names_and_notices.sh KXHOST
#
# Needs the server of scripts/pg-sandbox.sh: without it the test fails when CI is set, else it is
# skipped (exit 77).
set -uo pipefail
kxhost=$1
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

if [ -z "${PGHOST:-}" ] || ! psql -X -q -c "SELECT 1" >/dev/null 2>&1; then
  echo "no PostgreSQL test server (start one: eval \"\$(bash scripts/pg-sandbox.sh start)\")"
  if [ -n "${CI:-}" ]; then exit 1; fi
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() {
  echo "FAILED: $*"
  fail=1
}
q() { psql -X -q -At -v ON_ERROR_STOP=1 -c "$1"; }

# The tables, the names and the rows; psql writes each name as the server reads it.
psql -X -q -v ON_ERROR_STOP=1 >/dev/null <<'SQL' || { echo "the tables could not be made"; exit 1; }
SET client_min_messages = warning;
DROP TABLE IF EXISTS kxn_victim, kxn_v, kxn_col, kxn_item, "kx.dot", """t""; DROP TABLE kxn_v; --", kxn_notes;
CREATE TABLE kxn_victim (id int);
INSERT INTO kxn_victim VALUES (1);
CREATE TABLE kxn_v (id int);
INSERT INTO kxn_v VALUES (1);
CREATE TABLE kxn_col (id serial PRIMARY KEY, """id"" FROM kxn_victim; DROP TABLE kxn_victim; SELECT ""id""" int);
INSERT INTO kxn_col ("""id"" FROM kxn_victim; DROP TABLE kxn_victim; SELECT ""id""") VALUES (10), (20), (30);
CREATE TABLE """t""; DROP TABLE kxn_v; --" (id serial PRIMARY KEY, val int);
INSERT INTO """t""; DROP TABLE kxn_v; --" (val) VALUES (100), (200);
CREATE TABLE kxn_item (id serial PRIMARY KEY, """a"" OR 1=1 OR ""b" int, other int);
INSERT INTO kxn_item ("""a"" OR 1=1 OR ""b", other) VALUES (1, 1), (2, 2), (3, 3);
CREATE TABLE "kx.dot" (id serial PRIMARY KEY, val int);
INSERT INTO "kx.dot" (val) VALUES (5), (6);
CREATE TABLE kxn_notes (id serial PRIMARY KEY, note text);
INSERT INTO kxn_notes (note) VALUES ('a\b'), ('c:\dir\file'), ('plain');
SQL

# One run of kxhost for each table (kxhost reads the rows of the first table it opened for every
# table of a run).
cat >"$work/settings.kx" <<'KX'
sql SHOW standard_conforming_strings
sql SHOW application_name
KX
# The column whose name would end its identifier early.
cat >"$work/col.kx" <<'KX'
describe kxn_col
first kxn_col id
next kxn_col id 2
seek kxn_col id 2
modify kxn_col '"id" FROM kxn_victim; DROP TABLE kxn_victim; SELECT "id"=21'
add kxn_col '"id" FROM kxn_victim; DROP TABLE kxn_victim; SELECT "id"=40'
count kxn_col
KX
# The table whose name would end its identifier early.
cat >"$work/table.kx" <<'KX'
first '"t"; DROP TABLE kxn_v; --' id
seek '"t"; DROP TABLE kxn_v; --' id 2
modify '"t"; DROP TABLE kxn_v; --' val=201
add '"t"; DROP TABLE kxn_v; --' val=300
count '"t"; DROP TABLE kxn_v; --'
KX
# The item whose name would make a condition true for every row.
cat >"$work/item.kx" <<'KX'
first kxn_item id
seek kxn_item id 3
modify kxn_item other=33
count kxn_item
KX
# A dot inside the quotes belongs to the name, under each spelling.
cat >"$work/dot.kx" <<'KX'
first '"kx.dot"' id
count '"kx.dot"'
KX
cat >"$work/dotschema.kx" <<'KX'
first 'public."kx.dot"' id
seek 'public."kx.dot"' id 2
modify 'public."kx.dot"' val=60
KX
# Backslashes in literals: read as escapes by the server, written in the form it does not warn of.
cat >"$work/notes.kx" <<'KX'
seekprefix kxn_notes note 'c:\di'
add kxn_notes note='e\f'
first kxn_notes note
count kxn_notes
KX

run() {
  "$kxhost" --option "$1" -f "$work/$2.kx" >>"$work/out" 2>"$work/err"
  status=$?
  [ "$status" -eq 0 ] || problem "kxhost ($1, $2) ended with status $status"
  if [ -s "$work/err" ]; then
    problem "kxhost ($1, $2) printed on standard error:"
    cat "$work/err"
  fi
}

# The two spellings of the extended information: pairs of the client library's syntax in one item,
# and a quoted value.
for option in "application_name=kxnames options=-cstandard_conforming_strings=off" \
              "options='-c standard_conforming_strings=off';application_name=kxnames"; do
  psql -X -q -v ON_ERROR_STOP=1 -c "TRUNCATE kxn_notes; INSERT INTO kxn_notes (note) VALUES ('a\\b'), ('c:\\dir\\file'), ('plain')" >/dev/null
  : >"$work/out"
  for script in settings col table item dot dotschema notes; do run "$option" "$script"; done
  grep -qx "off" "$work/out" || { problem "standard_conforming_strings is not off ($option):"; cat "$work/out"; }
  grep -qx "kxnames" "$work/out" || { problem "the application name is not kxnames ($option):"; cat "$work/out"; }
  grep -q 'c:\\dir\\file' "$work/out" || { problem "the note with backslashes was not found ($option):"; cat "$work/out"; }
  [ "$fail" -eq 0 ] || cat "$work/out"
done

# Nothing else ran: the tables the names mention are still there with their rows, and every table
# holds what the script wrote into it (twice: the second run added its rows again).
[ "$(q "SELECT count(*) FROM kxn_victim")" = "1" ] || problem "kxn_victim lost"
[ "$(q "SELECT count(*) FROM kxn_v")" = "1" ] || problem "kxn_v lost"
[ "$(q "SELECT string_agg(id || ':' || \"\"\"id\"\" FROM kxn_victim; DROP TABLE kxn_victim; SELECT \"\"id\"\"\", ',' ORDER BY id) FROM kxn_col")" = "1:10,2:21,3:30,4:40,5:40" ] ||
  problem "kxn_col holds $(q "SELECT string_agg(id || ':' || \"\"\"id\"\" FROM kxn_victim; DROP TABLE kxn_victim; SELECT \"\"id\"\"\", ',' ORDER BY id) FROM kxn_col")"
[ "$(q "SELECT string_agg(id || ':' || val, ',' ORDER BY id) FROM \"\"\"t\"\"; DROP TABLE kxn_v; --\"")" = "1:100,2:201,3:300,4:300" ] ||
  problem "the table \"t\"; DROP ... holds $(q "SELECT string_agg(id || ':' || val, ',' ORDER BY id) FROM \"\"\"t\"\"; DROP TABLE kxn_v; --\"")"
[ "$(q "SELECT string_agg(id || ':' || other, ',' ORDER BY id) FROM kxn_item")" = "1:1,2:2,3:33" ] ||
  problem "kxn_item holds $(q "SELECT string_agg(id || ':' || other, ',' ORDER BY id) FROM kxn_item")"
[ "$(q "SELECT string_agg(id || ':' || val, ',' ORDER BY id) FROM \"kx.dot\"")" = "1:5,2:60" ] ||
  problem "kx.dot holds $(q "SELECT string_agg(id || ':' || val, ',' ORDER BY id) FROM \"kx.dot\"")"
[ "$(q "SELECT string_agg(note, ',' ORDER BY id) FROM kxn_notes")" = 'a\b,c:\dir\file,plain,e\f' ] ||
  problem "kxn_notes holds $(q "SELECT string_agg(note, ',' ORDER BY id) FROM kxn_notes")"

psql -X -q -c "DROP TABLE IF EXISTS kxn_victim, kxn_v, kxn_col, kxn_item, \"kx.dot\", \"\"\"t\"\"; DROP TABLE kxn_v; --\", kxn_notes" >/dev/null
[ "$fail" -eq 0 ] || exit 1
echo "kxhost kept every name one identifier and printed nothing on standard error"
