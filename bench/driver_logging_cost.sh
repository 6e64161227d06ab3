#!/usr/bin/env bash
# What psqlODBC's CommLog costs a lookup: `itemlookup batch` of the same lookups on the throwaway
# PostgreSQL, with CommLog=1 and with CommLog=0 in the connection string, in alternating pairs
# (each setting first in every other pair), the rate from the batch's own summary, the median of
# the pairs. The log goes to a folder of the script's own (the driver's Logdir, through a
# private ODBCSYSINI), removed at the end: nothing is left in /tmp. Prints a Markdown table.
#
# usage: bench/driver_logging_cost.sh [--itemlookup PATH] [--lookups N] [--pairs N]
#   --itemlookup  the binary, its modules beside it as built (default build/bin/itemlookup)
#   --lookups     lookups per batch (default 3000)
#   --pairs       pairs of batches, the median is reported (default 5)
# The server is the one ITEM_LOOKUP_PG_CONNECT names, with the client settings the throwaway
# server writes (PGHOST...): source "$(db/postgres_server/throwaway.sh start)" first. The demo rows
# go to a schema named item_lookup_logging_cost, loaded once and kept for later runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

itemlookup=$root/build/bin/itemlookup
lookups=3000
pairs=5
while (($# > 0)); do
  case $1 in
    --itemlookup) itemlookup=$2; shift ;;
    --lookups) lookups=$2; shift ;;
    --pairs) pairs=$2; shift ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench/driver_logging_cost.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
: "${ITEM_LOOKUP_PG_CONNECT:?start the throwaway PostgreSQL server first (see --help)}"
readonly schema=item_lookup_logging_cost

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/logs"
# psqlODBC's own section, quiet, with its log folder ours.
printf '[PostgreSQL Unicode]\nDriver=psqlodbcw.so\nCommLog=0\nDebug=0\nLogdir=%s\n' \
  "$work/logs" >"$work/odbcinst.ini"

if [[ $(psql -X -qAt -c "SELECT count(*) FROM $schema.VNDADFIT" 2>/dev/null || echo 0) == 0 ]]; then
  {
    echo "DROP SCHEMA IF EXISTS $schema CASCADE; CREATE SCHEMA $schema; SET search_path TO $schema;"
    cat "$root/db/postgres/schema.sql" "$root/db/demo_rows.sql"
  } | psql -X -q -v ON_ERROR_STOP=1 >/dev/null
fi

# The connection string with CommLog set as given, whatever it said before.
connect_with() {
  local kept
  kept=$(tr ';' '\n' <<<"$ITEM_LOOKUP_PG_CONNECT" | grep -v -i '^commlog=' | grep -v '^$' | tr '\n' ';')
  echo "${kept}Pqopt={options=-csearch_path=$schema};CommLog=$1;"
}

awk -v n="$lookups" 'BEGIN { for (i = 0; i < n; i++) print "item 1001" }' >"$work/lines"

# One batch with CommLog=$1: its lookups per second (wall) to $work/rates.$1, its CPU time per
# lookup in µs (user and system, from the kernel: steadier on a busy machine) to $work/cpu.$1,
# its log bytes to $work/bytes.$1.
rate() {
  local summary
  summary=$(ODBCSYSINI=$work /usr/bin/time -f '%U %S' -o "$work/time" "$itemlookup" \
    --connect "$(connect_with "$1")" batch "$work/lines" 2>&1 >/dev/null | tail -n 1)
  [[ $summary == *" $lookups found, "* ]] || {
    echo "bench/driver_logging_cost.sh: the batch did not find every row: $summary" >&2
    exit 1
  }
  find "$work/logs" -type f -exec cat {} + | wc -c >>"$work/bytes.$1"
  rm -f "$work"/logs/*
  summary=${summary##*; }
  echo "${summary% lookups/s}" >>"$work/rates.$1"
  awk -v n="$lookups" '{ print ($1 + $2) * 1e6 / n }' "$work/time" >>"$work/cpu.$1"
}

for ((pair = 0; pair < pairs; pair++)); do
  if ((pair % 2 == 0)); then rate 0; rate 1; else rate 1; rate 0; fi
done

median() { sort -n "$1" | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
off=$(median "$work/rates.0")
on=$(median "$work/rates.1")
bytes=$(median "$work/bytes.1")
cpu_off=$(median "$work/cpu.0")
cpu_on=$(median "$work/cpu.1")
awk -v off="$off" -v on="$on" -v cpu_off="$cpu_off" -v cpu_on="$cpu_on" -v bytes="$bytes" \
  -v lookups="$lookups" -v pairs="$pairs" 'BEGIN {
  per_off = 1e6 / off; per_on = 1e6 / on
  printf "| CommLog | lookups/s | µs per lookup (wall) | µs CPU per lookup (itemlookup) | log bytes per lookup |\n"
  printf "|---|---|---|---|---|\n"
  printf "| 0 | %d | %.0f | %.0f | 0 |\n", off, per_off, cpu_off
  printf "| 1 | %d | %.0f | %.0f | %.0f |\n", on, per_on, cpu_on, bytes / lookups
  printf "\nCommLog=1 costs %.0f µs per lookup in wall time (%+.0f %%) and %.0f µs of CPU (%+.0f %%);\n",
    per_on - per_off, 100 * (per_on - per_off) / per_off, cpu_on - cpu_off,
    100 * (cpu_on - cpu_off) / cpu_off
  printf "medians of %d pairs of %d lookups.\n", pairs, lookups
}'
