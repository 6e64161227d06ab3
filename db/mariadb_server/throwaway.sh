#!/usr/bin/env bash
# A throwaway MariaDB server for the database tests: a fresh data folder in a temporary folder,
# no option file read (--no-defaults), a unix socket in the folder plus loopback TCP only, gone
# again after "stop". The server keeps its default sql_mode, in which a backslash in a string
# literal is an escape: the tests prove that every connection made as documented reads standard
# literals all the same.
#
#   throwaway.sh start   creates the data folder, starts the server, creates the database and
#                        its user; prints the path of the env file
#   throwaway.sh env     prints the path of the env file of the running server
#   throwaway.sh stop    stops the server and removes the folder
#
# The env file holds shell assignments (export NAME="value"):
#   ITEM_LOOKUP_MARIADB_CONNECT  ODBC connection string for the "MariaDB Unicode" driver, with
#                                the InitStmt that makes the session read standard literals
#   ITEM_LOOKUP_MARIADB_SOCKET   the server's unix socket, for the mariadb client as the account
#                                that started the server
# so a shell uses it as:  . "$(db/mariadb_server/throwaway.sh start)"
#
# Settings from the environment:
#   ITEM_LOOKUP_MARIADB_DIR      the folder (default: ${TMPDIR:-/tmp}/item-lookup-mariadb)
#   ITEM_LOOKUP_MARIADB_PORT     first port to try (default 23306; a port that is taken, or on
#                                which the server does not come up, is skipped for the next one)
#   ITEM_LOOKUP_MARIADB_OS_USER  account the server runs as when started by root (default mysql)
#   ITEM_LOOKUP_SERVER_OWNER_PID the server is stopped once this process has ended
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../throwaway_lifetime.sh
. "$here/../throwaway_lifetime.sh"

readonly base=${ITEM_LOOKUP_MARIADB_DIR:-${TMPDIR:-/tmp}/item-lookup-mariadb}
readonly first_port=${ITEM_LOOKUP_MARIADB_PORT:-23306}
readonly data=$base/data
readonly socket=$base/mariadbd.sock
readonly pid_file=$base/mariadbd.pid
readonly log=$base/server.log
readonly env_file=$base/env
readonly db_user=item_lookup
readonly db_password=item_lookup
readonly db_name=item_lookup
readonly start_attempts=5
readonly start_seconds=60
# What every connection of a host must run first (the README's DSN template says the same).
readonly standard_literals="SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES')"

fail() {
  echo "throwaway.sh: $*" >&2
  exit 1
}

# The server refuses to run as root, so root hands it to an unprivileged account.
server_account() {
  if [[ $(id -u) -ne 0 ]]; then
    id -un
    return
  fi
  local account=${ITEM_LOOKUP_MARIADB_OS_USER:-mysql}
  if ! id "$account" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
      "$account" >&2
  fi
  echo "$account"
}

# The data folder lets in the account that created it, through the socket, without a password.
admin_user() {
  id -un
}

client() {
  mariadb --no-defaults --socket="$socket" --user="$(admin_user)" "$@"
}

admin() {
  mariadb-admin --no-defaults --socket="$socket" --user="$(admin_user)" "$@"
}

running() {
  [[ -f $env_file && -S $socket ]] && admin ping >/dev/null 2>&1
}

# Starts the server on a port and waits until it answers. A server that exits (its port was
# taken meanwhile) or is not up in time is stopped again and the caller tries another port.
start_on_port() {
  local port=$1 account server waited
  account=$(server_account)
  setsid mariadbd --no-defaults --datadir="$data" --socket="$socket" --port="$port" \
    --bind-address=127.0.0.1 --pid-file="$pid_file" --log-error="$log" --user="$account" \
    --skip-name-resolve --innodb-buffer-pool-size=32M </dev/null >/dev/null 2>&1 &
  server=$!
  for ((waited = 0; waited < start_seconds * 10; ++waited)); do
    if admin ping >/dev/null 2>&1; then
      return 0
    fi
    kill -0 "$server" 2>/dev/null || return 1
    sleep 0.1
  done
  kill -KILL "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  return 1
}

write_env_file() {
  local port=$1
  local connect="DRIVER=MariaDB Unicode;SERVER=127.0.0.1;PORT=$port;DATABASE=$db_name;"
  connect+="UID=$db_user;PWD=$db_password;InitStmt=$standard_literals;"
  cat >"$env_file.new" <<EOF
export ITEM_LOOKUP_MARIADB_CONNECT="$connect"
export ITEM_LOOKUP_MARIADB_SOCKET="$socket"
EOF
  mv "$env_file.new" "$env_file"
}

start() {
  command -v mariadbd >/dev/null || fail "no MariaDB server (Debian package mariadb-server)"
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

  mariadb-install-db --no-defaults --datadir="$data" --user="$account" \
    --auth-root-authentication-method=socket --skip-test-db >"$base/install.log" 2>&1 ||
    fail "mariadb-install-db failed, see $base/install.log"

  local port=$first_port attempt
  for ((attempt = 1; ; ++attempt)); do
    port=$(throwaway_free_port "$port" 20) || fail "no free port in $port..$((port + 19))"
    start_on_port "$port" && break
    ((attempt < start_attempts)) || fail "the server did not start, see $log"
    echo "throwaway.sh: no server on port $port (see $log); trying the next port" >&2
    port=$((port + 1))
  done
  throwaway_watch_owner "$here/throwaway.sh" "$base"

  client <<EOF || fail "could not create database $db_name"
CREATE DATABASE $db_name CHARACTER SET utf8mb4;
CREATE USER '$db_user'@'127.0.0.1' IDENTIFIED BY '$db_password';
GRANT ALL ON \`${db_name}%\`.* TO '$db_user'@'127.0.0.1';
EOF
  write_env_file "$port"
  echo "$env_file"
}

remove_folder() {
  if [[ -f $pid_file ]]; then
    local pid
    pid=$(cat "$pid_file")
    admin shutdown >/dev/null 2>&1 ||
      kill -TERM "$pid" 2>/dev/null || true
    # The folder goes only once the server has let go of it.
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
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
