#!/usr/bin/env bash
# A PgBouncer of one test's own in front of the throwaway PostgreSQL server: loopback only, its
# own folder and port, and a single server connection in its pool, so that the test can pause
# that connection's backend under clients that log in to the pooler.
#
#   pooler.sh start FOLDER SERVER_PORT OWNER_PID   prints the pooler's port; the pooler stops
#                                                 once OWNER_PID has ended, however it ended
#   pooler.sh stop FOLDER
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readonly command=$1 base=$2
# shellcheck source=../../db/throwaway_server.sh
. "$here/../../db/throwaway_server.sh"

stop() {
  if [[ -f $base/pgbouncer.pid ]]; then kill "$(cat "$base/pgbouncer.pid")" 2>/dev/null || true; fi
  rm -rf "$base"
}

start() {
  local server_port=$1 owner=$2 port=24629 account
  command -v pgbouncer >/dev/null || throwaway_fail "no pgbouncer (Debian package pgbouncer)"
  account=$(throwaway_account postgres)
  stop
  mkdir -p "$base"
  chmod 755 "$base"
  while throwaway_port_taken "$port"; do port=$((port + 1)); done
  echo '"item_lookup" ""' >"$base/userlist.txt"
  cat >"$base/pgbouncer.ini" <<EOF_INI
[databases]
* = host=127.0.0.1 port=$server_port

[pgbouncer]
listen_addr = 127.0.0.1
listen_port = $port
unix_socket_dir =
pidfile = $base/pgbouncer.pid
logfile = $base/pgbouncer.log
auth_type = trust
auth_file = $base/userlist.txt
pool_mode = transaction
default_pool_size = 1
max_db_connections = 1
ignore_startup_parameters = extra_float_digits
EOF_INI
  chown -R "$account:" "$base"
  throwaway_run_as "$account" pgbouncer -q -d "$base/pgbouncer.ini" </dev/null >/dev/null 2>&1 ||
    throwaway_fail "the pooler did not start, see $base/pgbouncer.log"
  local tries
  for ((tries = 0; tries < 100; ++tries)); do
    throwaway_port_taken "$port" && break
    sleep 0.1
  done
  throwaway_port_taken "$port" || throwaway_fail "the pooler does not answer, see $base/pgbouncer.log"
  setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done; kill "$(cat "$2")"' _ \
    "$owner" "$base/pgbouncer.pid" </dev/null >/dev/null 2>&1 &
  echo "$port"
}

case $command in
  start) start "$3" "$4" ;;
  stop) stop ;;
  *) throwaway_fail "usage: pooler.sh start FOLDER SERVER_PORT OWNER_PID | stop FOLDER" ;;
esac
