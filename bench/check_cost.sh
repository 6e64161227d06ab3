#!/usr/bin/env bash
# What `itemlookup check` costs on big tables: a million rows in VNDADFIT and in VNDAITCL on
# PostgreSQL and on MariaDB, then the wall time and peak resident memory of `itemlookup check`
# beside those of one lookup (`itemlookup item`) on the same connection, each the median of
# several runs. Goal: check within 1 s and within twice a lookup's memory. Prints a Markdown
# table and exits 1 when a goal is missed.
#
# usage: bench/check_cost.sh [--itemlookup PATH] [--rows N] [--runs N]
#   --itemlookup  the binary, its modules beside it as built, with the tests or the benchmarks
#                 (default build/bin/itemlookup)
#   --rows        rows per table (default 1000000)
#   --runs        runs of each command, the median is reported (default 5)
# The servers are those ITEM_LOOKUP_PG_CONNECT and ITEM_LOOKUP_MARIADB_CONNECT name, with the
# client settings the throwaway servers write (PGHOST..., the MariaDB port): source
# "$(db/postgres_server/throwaway.sh start)" and "$(db/mariadb_server/throwaway.sh start)" first.
# The rows go to a schema (PostgreSQL) and a database (MariaDB) named item_lookup_check_cost,
# loaded once and kept for later runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

itemlookup=$root/build/bin/itemlookup
rows=1000000
runs=5
while (($# > 0)); do
  case $1 in
    --itemlookup) itemlookup=$2; shift ;;
    --rows) rows=$2; shift ;;
    --runs) runs=$2; shift ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench/check_cost.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
: "${ITEM_LOOKUP_PG_CONNECT:?start the throwaway PostgreSQL server first (see --help)}"
: "${ITEM_LOOKUP_MARIADB_CONNECT:?start the throwaway MariaDB server first (see --help)}"
readonly name=item_lookup_check_cost
# The ODBC configuration of the binary's build: the machine's drivers, their logging off (with
# the machine's own, psqlODBC's log would cost every run, and check would say so).
odbc_environment=$(dirname "$itemlookup")/../odbc/environment.sh
[[ -f $odbc_environment ]] || {
  echo "bench/check_cost.sh: no $odbc_environment (a build with the tests or benchmarks has it)" >&2
  exit 2
}
# shellcheck disable=SC1090
source "$odbc_environment"

# The connection string without one attribute (matched without regard to case), then more.
without() {
  tr ';' '\n' <<<"$1" | grep -v -i "^$2=" | grep -v '^$' | tr '\n' ';'
}

load_postgres() {
  local have
  have=$(psql -X -qAt -c "SELECT count(*) FROM $name.VNDAITCL" 2>/dev/null || echo 0)
  [[ $have == "$rows" ]] && return
  {
    echo "DROP SCHEMA IF EXISTS $name CASCADE; CREATE SCHEMA $name; SET search_path TO $name;"
    cat "$root/db/postgres/schema.sql"
    echo "INSERT INTO VNDADFIT SELECT 'I' || n, 'FAMILIA', 'EXT-' || n, lpad(n::text, 13, '0'),
            'ITEM ' || n, 'S', 'N', lpad(n::text, 13, '0'), n % 1000 + 0.5, n % 1000 + 0.25,
            1.5, 2.5 FROM generate_series(1, $rows) AS n;"
    echo "INSERT INTO VNDAITCL SELECT 'C', lpad((n % 100000)::text, 5, '0'), 'I' || n,
            'CLI-' || n, 'CX', 12.5, 10, 5, lpad(n::text, 13, '0'), '0030'
            FROM generate_series(1, $rows) AS n;"
    echo "ANALYZE VNDADFIT; ANALYZE VNDAITCL;"
  } | psql -X -q -v ON_ERROR_STOP=1 >/dev/null
}

mariadb_client() {
  local port
  port=$(grep -oiE '(^|;)PORT=[0-9]+' <<<"$ITEM_LOOKUP_MARIADB_CONNECT" | head -1 | cut -d= -f2)
  mariadb --protocol=tcp -h 127.0.0.1 -P "$port" -u item_lookup -pitem_lookup "$@"
}

load_mariadb() {
  local have
  have=$(mariadb_client -N -e "SELECT count(*) FROM $name.VNDAITCL" 2>/dev/null || echo 0)
  [[ $have == "$rows" ]] && return
  {
    echo "DROP DATABASE IF EXISTS $name; CREATE DATABASE $name CHARACTER SET utf8mb4; USE $name;"
    cat "$root/db/mariadb/schema.sql"
    echo "INSERT INTO VNDADFIT SELECT CONCAT('I', seq), 'FAMILIA', CONCAT('EXT-', seq),
            LPAD(seq, 13, '0'), CONCAT('ITEM ', seq), 'S', 'N', LPAD(seq, 13, '0'),
            seq % 1000 + 0.5, seq % 1000 + 0.25, 1.5, 2.5 FROM seq_1_to_$rows;"
    echo "INSERT INTO VNDAITCL SELECT 'C', LPAD(seq % 100000, 5, '0'), CONCAT('I', seq),
            CONCAT('CLI-', seq), 'CX', 12.5, 10, 5, LPAD(seq, 13, '0'), '0030'
            FROM seq_1_to_$rows;"
    echo "ANALYZE TABLE VNDADFIT, VNDAITCL;"
  } | mariadb_client >/dev/null
}

# The median wall seconds and peak resident kilobytes of a command over the runs, as "S KB".
measure() {
  local wall=() rss=() run out figures
  figures=$(mktemp)
  for ((run = 0; run < runs; run++)); do
    /usr/bin/time -f 'cost %e %M' -o "$figures" "$@" >/dev/null 2>&1 || true
    out=$(grep '^cost ' "$figures" || true)
    [[ -n $out ]] || { echo "bench/check_cost.sh: no figures from $*" >&2; exit 2; }
    read -r _ s kb <<<"$out"
    wall+=("$s")
    rss+=("$kb")
  done
  rm -f "$figures"
  echo "$(printf '%s\n' "${wall[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")" \
    "$(printf '%s\n' "${rss[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")"
}

load_postgres
load_mariadb
declare -A connect=(
  [PostgreSQL]="$(without "$ITEM_LOOKUP_PG_CONNECT" ConnSettings)ConnSettings={SET search_path TO $name};"
  [MariaDB]="$(without "$ITEM_LOOKUP_MARIADB_CONNECT" Database)Database=$name;"
)

missed=0
echo "| Engine ($rows rows a table) | check: wall s | check: peak RSS MB | one lookup: wall s | one lookup: peak RSS MB | check / lookup memory |"
echo "|---|---|---|---|---|---|"
for engine in PostgreSQL MariaDB; do
  "$itemlookup" --connect "${connect[$engine]}" check >/dev/null ||
    { echo "bench/check_cost.sh: check found problems on $engine:" >&2
      "$itemlookup" --connect "${connect[$engine]}" check >&2; exit 2; }
  read -r check_s check_kb < <(measure "$itemlookup" --connect "${connect[$engine]}" check)
  read -r lookup_s lookup_kb < <(measure "$itemlookup" --connect "${connect[$engine]}" item I500000)
  ratio=$(awk -v a="$check_kb" -v b="$lookup_kb" 'BEGIN { printf "%.2f", a / b }')
  awk -v e="$engine" -v cs="$check_s" -v ck="$check_kb" -v ls="$lookup_s" -v lk="$lookup_kb" \
    -v r="$ratio" 'BEGIN { printf "| %s | %s | %.1f | %s | %.1f | %s |\n", e, cs, ck / 1024, ls, lk / 1024, r }'
  if awk -v s="$check_s" -v r="$ratio" 'BEGIN { exit !(s > 1 || r > 2) }'; then
    echo "bench/check_cost.sh: $engine misses the goal (at most 1 s, at most twice a lookup's memory)" >&2
    missed=1
  fi
done
exit "$missed"
