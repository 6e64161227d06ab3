#!/usr/bin/env bash
# A throwaway PostgreSQL server the outage test can take down and bring back with its data:
# db/postgres_server/throwaway.sh in a folder and from a port of the test's own, so servers of
# other tests running meanwhile are never touched, plus "down" and "up".
#
#   outage_server.sh start   as throwaway.sh: prints the path of the env file
#   outage_server.sh down    stops the server at once (immediate mode), as a crash would
#   outage_server.sh up      starts it again, same port, same data
#   outage_server.sh stop    as throwaway.sh: stops it and removes the folder
#
# ITEM_LOOKUP_PG_DIR must name the folder; ITEM_LOOKUP_PG_PORT defaults to 24429, away from the
# shared server's ports. Commits are durable: the demo tables loaded before the crash must be
# there after it.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readonly throwaway=$here/../../db/postgres_server/throwaway.sh
readonly base=${ITEM_LOOKUP_PG_DIR:?set ITEM_LOOKUP_PG_DIR to the server folder}
readonly bin=${ITEM_LOOKUP_PG_BIN:-/usr/lib/postgresql/15/bin}
readonly data=$base/data
export ITEM_LOOKUP_PG_PORT=${ITEM_LOOKUP_PG_PORT:-24429}
export ITEM_LOOKUP_PG_DURABLE=1

# pg_ctl as the account that owns the cluster (throwaway.sh hands it to one when run by root).
as_owner() {
  local owner
  owner=$(stat -c %U "$data")
  if [[ $owner == "$(id -un)" ]]; then
    (cd "$base" && "$@")
  else
    (cd "$base" && runuser -u "$owner" -- "$@")
  fi
}

case ${1:-} in
  start | stop) exec "$throwaway" "$1" ;;
  down) as_owner "$bin/pg_ctl" --pgdata="$data" --mode=immediate --wait stop >/dev/null ;;
  up)
    as_owner "$bin/pg_ctl" --pgdata="$data" --log="$base/server.log" \
      --options="$(cat "$base/server.options")" --wait --timeout=60 start >/dev/null
    ;;
  *)
    echo "usage: $0 start|down|up|stop" >&2
    exit 2
    ;;
esac
