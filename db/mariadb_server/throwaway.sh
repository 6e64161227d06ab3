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
#   ITEM_LOOKUP_MARIADB_DIR      the folder (default: ${TMPDIR:-/tmp}/item-lookup-mariadb); one
#                                that holds files these scripts did not make is refused
#   ITEM_LOOKUP_MARIADB_PORT     first port to try (default 23306; a port that is taken, or on
#                                which the server does not come up, is skipped for the next one)
#   ITEM_LOOKUP_MARIADB_OS_USER  account the server runs as when started by root (default mysql)
#   ITEM_LOOKUP_SERVER_OWNER_PID the server is stopped once this process has ended
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../throwaway_server.sh
. "$here/../throwaway_server.sh"

throwaway_folder ITEM_LOOKUP_MARIADB_DIR "${TMPDIR:-/tmp}/item-lookup-mariadb"
readonly base
readonly first_port=${ITEM_LOOKUP_MARIADB_PORT:-23306}
readonly data=$base/data
readonly socket=$base/mariadbd.sock
readonly pid_file=$base/mariadbd.pid
readonly log=$base/server.log
readonly env_file=$base/env
readonly db_user=item_lookup
readonly db_password=item_lookup
readonly db_name=item_lookup
readonly start_seconds=60
# What every connection of a host must run first (docs/databases.md's DSN template says the same).
readonly standard_literals="SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES')"

account() {
  throwaway_account "${ITEM_LOOKUP_MARIADB_OS_USER:-mysql}"
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
start_server_on() {
  local port=$1 account server waited
  account=$(account)
  # Temporary files stay in the folder: the caller's TMPDIR may be one the server account cannot
  # write to.
  setsid mariadbd --no-defaults --datadir="$data" --socket="$socket" --port="$port" \
    --bind-address=127.0.0.1 --pid-file="$pid_file" --log-error="$log" --user="$account" \
    --skip-name-resolve --innodb-buffer-pool-size=32M --tmpdir="$base" </dev/null >/dev/null 2>&1 &
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
  command -v mariadbd >/dev/null ||
    throwaway_fail "no MariaDB server (Debian package mariadb-server)"
  if running; then
    echo "$env_file"
    return
  fi
  local account
  account=$(account)
  throwaway_fresh_folder "$account"

  mariadb-install-db --no-defaults --datadir="$data" --user="$account" \
    --auth-root-authentication-method=socket --skip-test-db --tmpdir="$base" >"$base/install.log" 2>&1 ||
    throwaway_fail "mariadb-install-db failed, see $base/install.log"

  local port
  port=$(throwaway_start_on_a_port "$first_port")
  throwaway_watch_owner

  client <<EOF || throwaway_fail "could not create database $db_name"
CREATE DATABASE $db_name CHARACTER SET utf8mb4;
CREATE USER '$db_user'@'127.0.0.1' IDENTIFIED BY '$db_password';
GRANT ALL ON \`${db_name}%\`.* TO '$db_user'@'127.0.0.1';
EOF
  write_env_file "$port"
  echo "$env_file"
}

# The server is known by its data folder, not by its pid file: one left by a server killed with
# SIGKILL names a PID that may be anyone's by now.
stop_server() {
  local program
  program=$(throwaway_program mariadbd)
  [[ -n $(throwaway_processes "$program" "--datadir=$data") ]] || return 0
  admin shutdown >/dev/null 2>&1 || true
  # The folder goes only once the server has let go of it: one that has not shut down within a
  # minute is ended.
  throwaway_end_processes "$program" "--datadir=$data" TERM 60
}

throwaway_main "$@"
