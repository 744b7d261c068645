#!/usr/bin/env bash
# End-to-end test of kxhost: loads the 200-row sample table kx_hostrun on the test server, runs
# tests/tools/kxhost-sample.kx through kxhost (and so through the built driver library, loaded as
# the host loads it) and compares everything it prints with tests/tools/kxhost-sample.expected,
# whose rows were read from the same table with psql. The path of the client library in the debug
# lines is the machine's and is replaced by <libpq>.
#
#   kxhost_end_to_end.sh KXHOST
#
# Needs the server of scripts/pg-sandbox.sh (PGHOST, PGPORT, PGUSER, PGDATABASE): without it the
# test fails when CI is set, else it is skipped (exit 77).
set -uo pipefail
kxhost=$1
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

if [ -z "${PGHOST:-}" ] || ! psql -X -q -c "SELECT 1" >/dev/null 2>&1; then
  echo "no PostgreSQL test server (start one: eval \"\$(bash scripts/pg-sandbox.sh start)\")"
  if [ -n "${CI:-}" ]; then exit 1; fi
  exit 77
fi

psql -X -q -v ON_ERROR_STOP=1 -v rows=200 -v table=kx_hostrun -f "$repo/scripts/sample-table.sql" >/dev/null 2>&1 || {
  echo "the sample table could not be loaded"
  exit 1
}
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"$kxhost" -f "$here/kxhost-sample.kx" >"$actual" 2>&1
status=$?
echo "(exit status $status)" >>"$actual"
sed -i -E 's|Native Library :  [^ ]+|Native Library :  <libpq>|' "$actual"
if ! diff -u "$here/kxhost-sample.expected" "$actual"; then
  echo "kxhost's output differs from tests/tools/kxhost-sample.expected (above: - expected, + actual)"
  exit 1
fi
# An operation that fails unexpectedly ends the run there with status 1, its error printed.
failed=$("$kxhost" "first kx_nosuch_table id; count kx_hostrun" 2>&1)
status=$?
if [ "$status" -ne 1 ] || [[ "$failed" != *"kx_nosuch_table does not exist"* ]] || [[ "$failed" == *"> count"* ]]; then
  echo "an unexpected failure should stop kxhost with status 1 (status $status):"
  echo "$failed"
  exit 1
fi
echo "kxhost ran the sample script as expected"
