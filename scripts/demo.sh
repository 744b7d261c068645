#!/usr/bin/env bash
# The main job end to end: builds the driver library and kxhost (Release) when needed, starts a
# throwaway PostgreSQL server (scripts/pg-sandbox.sh), loads the sample table, and runs the sample
# script through kxhost, which drives the library as the host does: describe, browse both ways,
# seek, filter, count, add, modify, delete, a transaction rolled back and one committed, SQL.
# The server is stopped whatever happens.
#
#   bash scripts/demo.sh [CONNINFO]
#
# With a libpq connection string, or with PGHOST, PGPORT or PGDATABASE set, that server is used
# instead of a sandbox (the table "t" there is replaced). KX_DEMO_ROWS sets the number of rows
# (100,000 by default).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
build=build/release
rows=${KX_DEMO_ROWS:-100000}
log=$(mktemp /tmp/kxdemo.XXXXXX)
sandbox=""

finish() {
  local status=$?
  if [ -n "$sandbox" ]; then
    KX_PG_SANDBOX_STATE="$sandbox" bash scripts/pg-sandbox.sh stop >/dev/null 2>&1 || true
    echo "Server stopped."
  fi
  rm -f "$log"
  exit $status
}
trap finish EXIT
trap 'exit 130' INT TERM

fail() {
  echo "demo: $1" >&2
  if [ -s "$log" ]; then tail -n 30 "$log" >&2; fi
  exit 1
}

echo "Building the driver library and kxhost (Release, $build)..."
{ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKX_BUILD_TESTS=OFF &&
  cmake --build "$build" -j4 --target kx200postgresql64 kxhost; } >"$log" 2>&1 || fail "the build failed"
kxhost=$build/tools/kxhost/kxhost

connect=()
if [ $# -gt 0 ]; then
  connect=(--connect "$1")
  echo "Server: $1"
elif [ -n "${PGHOST:-}${PGPORT:-}${PGDATABASE:-}" ]; then
  echo "Server: from the environment (PGHOST=${PGHOST:-} PGPORT=${PGPORT:-} PGDATABASE=${PGDATABASE:-})"
else
  sandbox=$repo/$build/pg-sandbox-demo.state
  export KX_PG_SANDBOX_STATE=$sandbox
  bash scripts/pg-sandbox.sh start >"$log" 2>&1 || fail "the PostgreSQL sandbox did not start"
  eval "$(bash scripts/pg-sandbox.sh env)"
  echo "Server: PostgreSQL sandbox on 127.0.0.1:$PGPORT"
fi

# psql takes the same connection string or environment.
psql_connect=()
if [ $# -gt 0 ]; then psql_connect=(-d "$1"); fi
printf 'Loading the sample table t: 0 of %d rows' "$rows"
if ! psql "${psql_connect[@]}" -X -q -v ON_ERROR_STOP=1 -v rows="$rows" -v table=t -f scripts/sample-table.sql \
    2>&1 >/dev/null | while IFS= read -r line; do
  case "$line" in
    *"sample table: "*) printf '\rLoading the sample table t: %s' "${line##*sample table: }" ;;
    *) echo "$line" >>"$log" ;;
  esac
done; then
  echo
  fail "loading the sample table failed"
fi
echo

echo "Running tools/kxhost/demo.kx through kxhost:"
echo
: >"$log"
"$kxhost" "${connect[@]}" -f tools/kxhost/demo.kx || fail "kxhost stopped on the error above"
echo
echo "Done: every operation ran through kx200postgresql64.so."
