#!/usr/bin/env bash
# A throwaway PostgreSQL 15 server for the tests that talk to a real server.
#
#   pg-sandbox.sh start   initdb into a fresh folder under /tmp (UTF8, trust authentication), start
#                         the server on a free port of 127.0.0.1 with its socket in that folder and
#                         every statement logged to a file, create the database "kxtest", and print
#                         the settings as "export NAME=value" lines (what "env" prints)
#   pg-sandbox.sh env     print the settings of the running sandbox: PGHOST, PGPORT, PGUSER,
#                         PGDATABASE (libpq's own variables), KX_PG_SOCKET_DIR (the socket folder),
#                         KX_PG_STATEMENT_LOG (the server's log, one "statement: " line per statement
#                         received) and KX_PG_SANDBOX (the folder)
#   pg-sandbox.sh stop    stop the server and remove the folder
#
# One sandbox per work tree: its folder is recorded in build/pg-sandbox.state (KX_PG_SANDBOX_STATE
# overrides the path). A start while a recorded sandbox exists stops that one first, so a run that
# died without stopping leaves nothing behind at the next start. Run as root, the server runs as
# the "postgres" user, since PostgreSQL refuses to run as root. KX_PG_BINDIR names the folder of
# initdb, pg_ctl and postgres when they are not in /usr/lib/postgresql/15/bin.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
state=${KX_PG_SANDBOX_STATE:-$repo/build/pg-sandbox.state}

find_bindir() {
  local d
  for d in "${KX_PG_BINDIR:-}" /usr/lib/postgresql/15/bin; do
    if [ -n "$d" ] && [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ]; then echo "$d"; return 0; fi
  done
  echo "pg-sandbox: no PostgreSQL 15 server programs (initdb, pg_ctl) in /usr/lib/postgresql/15/bin;" \
       "install the postgresql package or set KX_PG_BINDIR" >&2
  return 1
}

# Runs a command as the server's owner: the postgres user when we are root, else ourselves.
as_owner() {
  if [ "$(id -u)" = 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

port_in_use() {
  if command -v ss >/dev/null 2>&1; then
    [ -n "$(ss -ltnH "sport = :$1" 2>/dev/null)" ]
  else
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
  fi
}

recorded_dir() {
  [ -f "$state" ] || return 1
  local d
  d=$(cat "$state")
  [ -n "$d" ] && [ -d "$d" ] || return 1
  echo "$d"
}

do_stop() {
  local dir bindir
  if ! dir=$(recorded_dir); then
    rm -f "$state"
    return 0
  fi
  if bindir=$(find_bindir 2>/dev/null) && [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
  fi
  # Only a folder this script made (it holds our marker) is removed.
  if [ -f "$dir/kx-pg-sandbox" ]; then rm -rf "$dir"; fi
  rm -f "$state"
}

do_env() {
  local dir
  if ! dir=$(recorded_dir) || [ ! -f "$dir/env" ]; then
    echo "pg-sandbox: no sandbox is running (start it with: $0 start)" >&2
    return 1
  fi
  cat "$dir/env"
}

do_start() {
  local bindir dir port tries
  bindir=$(find_bindir)
  if [ "$(id -u)" = 0 ] && ! id postgres >/dev/null 2>&1; then
    echo "pg-sandbox: running as root needs the postgres user to run the server" >&2
    return 1
  fi
  do_stop
  mkdir -p "$(dirname "$state")"
  dir=$(mktemp -d /tmp/kxpg.XXXXXX)
  touch "$dir/kx-pg-sandbox"
  echo "$dir" >"$state"
  # The server's owner must reach the folder; the log stays readable by the tests.
  chmod 755 "$dir"
  if [ "$(id -u)" = 0 ]; then chown postgres: "$dir"; fi

  if ! as_owner "$bindir/initdb" -D "$dir/data" -U postgres -E UTF8 --locale=C.UTF-8 --auth=trust \
      >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    do_stop
    return 1
  fi
  cat >>"$dir/data/postgresql.conf" <<EOF
# Throwaway test server.
listen_addresses = '127.0.0.1'
unix_socket_directories = '$dir'
log_statement = 'all'
log_line_prefix = '%m [%p] '
log_min_messages = warning
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 50
EOF

  for tries in $(seq 1 20); do
    port=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
    port_in_use "$port" && continue
    # The server's stderr is the statement log: each backend writes its statement line before it
    # runs the statement, so a test sees it as soon as its call returns.
    if as_owner "$bindir/pg_ctl" -D "$dir/data" -o "-p $port" -l "$dir/statements.log" -w -t 60 start \
        >"$dir/pg_ctl.log" 2>&1; then
      break
    fi
    port=""
  done
  if [ -z "$port" ]; then
    echo "pg-sandbox: the server did not start" >&2
    cat "$dir/pg_ctl.log" "$dir/statements.log" >&2 2>/dev/null || true
    do_stop
    return 1
  fi
  chmod 644 "$dir/statements.log" 2>/dev/null || true

  if ! as_owner "$bindir/psql" -h "$dir" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 -qAt \
      -c "CREATE DATABASE kxtest" >"$dir/psql.log" 2>&1; then
    cat "$dir/psql.log" >&2
    do_stop
    return 1
  fi

  cat >"$dir/env" <<EOF
export PGHOST=127.0.0.1
export PGPORT=$port
export PGUSER=postgres
export PGDATABASE=kxtest
export KX_PG_SOCKET_DIR=$dir
export KX_PG_STATEMENT_LOG=$dir/statements.log
export KX_PG_SANDBOX=$dir
EOF
  cat "$dir/env"
}

case "${1:-}" in
  start) do_start ;;
  stop) do_stop ;;
  env) do_env ;;
  *)
    echo "usage: $0 start|stop|env" >&2
    exit 2
    ;;
esac
