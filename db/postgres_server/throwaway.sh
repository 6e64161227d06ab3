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
#   ITEM_LOOKUP_PG_DIR      the folder (default: ${TMPDIR:-/tmp}/item-lookup-pg)
#   ITEM_LOOKUP_PG_PORT     first port to try (default 54329; the next 20 are tried when taken)
#   ITEM_LOOKUP_PG_BIN      server binaries (default /usr/lib/postgresql/15/bin)
#   ITEM_LOOKUP_PG_OS_USER  account the server runs as when started by root (default postgres)
set -euo pipefail

readonly base=${ITEM_LOOKUP_PG_DIR:-${TMPDIR:-/tmp}/item-lookup-pg}
readonly first_port=${ITEM_LOOKUP_PG_PORT:-54329}
readonly bin=${ITEM_LOOKUP_PG_BIN:-/usr/lib/postgresql/15/bin}
readonly data=$base/data
readonly log=$base/server.log
readonly env_file=$base/env
readonly db_user=item_lookup
readonly db_name=item_lookup

fail() {
  echo "throwaway.sh: $*" >&2
  exit 1
}

# PostgreSQL refuses to run as root, so root hands the server to an unprivileged account.
server_account() {
  if [[ $(id -u) -ne 0 ]]; then
    id -un
    return
  fi
  local account=${ITEM_LOOKUP_PG_OS_USER:-postgres}
  if ! id "$account" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
      "$account" >&2
  fi
  echo "$account"
}

# Runs a server program as the server account, from a directory that account may enter.
as_server() {
  local account
  account=$(server_account)
  if [[ $account == "$(id -un)" ]]; then
    (cd "$base" && "$@")
  else
    (cd "$base" && runuser -u "$account" -- "$@")
  fi
}

port_taken() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

free_port() {
  local port
  for ((port = first_port; port < first_port + 20; ++port)); do
    if ! port_taken "$port"; then
      echo "$port"
      return
    fi
  done
  fail "no free port in $first_port..$((first_port + 19))"
}

running() {
  [[ -f $env_file && -f $data/postmaster.pid ]] && as_server "$bin/pg_ctl" -D "$data" status >/dev/null 2>&1
}

write_env_file() {
  local port=$1
  # CommLog=0: the driver's packaged default would leave a log file in /tmp for every process.
  local connect="DRIVER=PostgreSQL Unicode;Server=127.0.0.1;Port=$port;Database=$db_name;"
  connect+="Uid=$db_user;CommLog=0;"
  cat >"$env_file.new" <<EOF
export ITEM_LOOKUP_PG_CONNECT="$connect"
export PGHOST=127.0.0.1
export PGPORT=$port
export PGUSER=$db_user
export PGDATABASE=$db_name
EOF
  mv "$env_file.new" "$env_file"
}

start() {
  [[ -x $bin/initdb && -x $bin/pg_ctl ]] || fail "no PostgreSQL server programs in $bin"
  if running; then
    echo "$env_file"
    return
  fi
  remove_folder
  mkdir -p "$base"
  chmod 755 "$base"
  local account
  account=$(server_account)
  chown "$account:" "$base"
  if [[ $(id -u) -eq 0 ]] && ! runuser -u "$account" -- test -x "$base"; then
    fail "$account cannot reach $base; set ITEM_LOOKUP_PG_DIR to a folder it can reach"
  fi

  as_server "$bin/initdb" --pgdata="$data" --username="$db_user" --auth=trust \
    --encoding=UTF8 --locale=C --no-sync >"$base/initdb.log" 2>&1 ||
    fail "initdb failed, see $base/initdb.log"

  local port
  port=$(free_port)
  # Loopback only, socket in the folder, durability traded for speed: the data is thrown away.
  local options="-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$base"
  options+=" -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
  as_server "$bin/pg_ctl" --pgdata="$data" --log="$log" --options="$options" --wait \
    --timeout=60 start >/dev/null || fail "the server did not start, see $log"

  "$bin/createdb" --host=127.0.0.1 --port="$port" --username="$db_user" "$db_name" ||
    fail "could not create database $db_name"
  write_env_file "$port"
  echo "$env_file"
}

remove_folder() {
  if [[ -f $data/postmaster.pid ]]; then
    as_server "$bin/pg_ctl" --pgdata="$data" --mode=fast --wait stop >/dev/null 2>&1 || true
  fi
  rm -rf "$base"
}

stop() {
  [[ -d $base ]] || return 0
  remove_folder
}

show_env() {
  running || fail "no throwaway server is running (start it with: $0 start)"
  echo "$env_file"
}

case ${1:-} in
  start) start ;;
  stop) stop ;;
  env) show_env ;;
  *)
    echo "usage: $0 start|stop|env" >&2
    exit 2
    ;;
esac
