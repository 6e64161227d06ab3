#!/usr/bin/env bash
# A throwaway PostgreSQL 15 server for the database tests: a fresh cluster in a temporary folder,
# listening on loopback only, trusting every local connection, gone again after "stop".
#
#   throwaway.sh start   initdb, start, create the database; prints the path of the env file
#   throwaway.sh env     prints the path of the env file of the running server
#   throwaway.sh stop    stops the server and removes the folder
#
# The env file holds shell assignments (export NAME="value"):
#   ITEM_LOOKUP_PG_CONNECT  ODBC connection string for psqlODBC ("PostgreSQL Unicode" driver)
#   PGHOST PGPORT PGUSER PGDATABASE  the same facts for psql and the other client programs
# so a shell uses it as:  . "$(db/postgres_server/throwaway.sh start)"
#
# Settings from the environment:
#   ITEM_LOOKUP_PG_DIR      the folder (default: ${TMPDIR:-/tmp}/item-lookup-pg); one that
#                           holds files these scripts did not make is refused
#   ITEM_LOOKUP_PG_PORT     first port to try (default 24329; a port that is taken, or on which
#                           the server does not come up, is skipped for the next one)
#   ITEM_LOOKUP_PG_BIN      server binaries (default /usr/lib/postgresql/15/bin)
#   ITEM_LOOKUP_PG_OS_USER  account the server runs as when started by root (default postgres)
#   ITEM_LOOKUP_PG_DURABLE  1: commits survive a crash of the server (for tests that crash it);
#                           otherwise durability is traded for speed
#   ITEM_LOOKUP_SERVER_OWNER_PID  the server is stopped once this process has ended
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../throwaway_server.sh
. "$here/../throwaway_server.sh"
# shellcheck source=postmaster.sh
. "$here/postmaster.sh"

throwaway_folder ITEM_LOOKUP_PG_DIR "${TMPDIR:-/tmp}/item-lookup-pg"
readonly base
readonly first_port=${ITEM_LOOKUP_PG_PORT:-24329}
readonly bin=${ITEM_LOOKUP_PG_BIN:-/usr/lib/postgresql/15/bin}
readonly data=$base/data
readonly log=$base/server.log
readonly env_file=$base/env
# The options the server runs with, kept so that it can be started again as it was.
readonly options_file=$base/server.options
readonly db_user=item_lookup
readonly db_name=item_lookup

account() {
  throwaway_account "${ITEM_LOOKUP_PG_OS_USER:-postgres}"
}

# Runs a server program as the server account, from a directory that account may enter.
as_server() {
  throwaway_run_as "$(account)" "$@"
}

running() {
  [[ -f $env_file ]] && postmaster_pid "$data" >/dev/null
}

write_env_file() {
  local port=$1
  # CommLog=0: the driver's packaged default would leave a log file in /tmp for every process.
  local connect="DRIVER=PostgreSQL Unicode;Server=127.0.0.1;Port=$port;Database=$db_name;"
  connect+="Uid=$db_user;CommLog=0;"
  cat >"$env_file.new" <<EOF_ENV
export ITEM_LOOKUP_PG_CONNECT="$connect"
export PGHOST=127.0.0.1
export PGPORT=$port
export PGUSER=$db_user
export PGDATABASE=$db_name
EOF_ENV
  mv "$env_file.new" "$env_file"
}

server_options() {
  local port=$1
  # Loopback only, socket in the folder.
  local options="-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$base"
  if [[ ${ITEM_LOOKUP_PG_DURABLE:-0} != 1 ]]; then
    # The data is thrown away, so a crash may lose the last commits.
    options+=" -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
  fi
  echo "$options"
}

# Starts the server and waits until it takes connections. A server that could not bind its port,
# or was still not up after a minute, is stopped again and the caller tries another port.
start_server_on() {
  server_options "$1" >"$options_file"
  if as_server "$bin/pg_ctl" --pgdata="$data" --log="$log" --options="$(cat "$options_file")" \
    --wait --timeout=60 start >/dev/null; then
    return 0
  fi
  postmaster_stop "$data" immediate || true
  return 1
}

stop_server() {
  postmaster_stop "$data" fast
}

start() {
  [[ -x $bin/initdb && -x $bin/pg_ctl ]] || throwaway_fail "no PostgreSQL server programs in $bin"
  if running; then
    echo "$env_file"
    return
  fi
  throwaway_fresh_folder "$(account)"

  as_server "$bin/initdb" --pgdata="$data" --username="$db_user" --auth=trust \
    --encoding=UTF8 --locale=C --no-sync >"$base/initdb.log" 2>&1 ||
    throwaway_fail "initdb failed, see $base/initdb.log"

  local port
  port=$(throwaway_start_on_a_port "$first_port")
  throwaway_watch_owner

  "$bin/createdb" --host=127.0.0.1 --port="$port" --username="$db_user" "$db_name" ||
    throwaway_fail "could not create database $db_name"
  write_env_file "$port"
  echo "$env_file"
}

throwaway_main "$@"
