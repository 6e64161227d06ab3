#!/usr/bin/env bash
# itemlookup.exe under Wine answers every demo key as the Linux itemlookup does, byte for byte:
# one `--json batch` run of each over tests/replicated_postgres/demo_keys.txt, on the SQLite demo
# database and on the throwaway PostgreSQL and MariaDB servers when ITEM_LOOKUP_PG_CONNECT and
# ITEM_LOOKUP_MARIADB_CONNECT name them (Wine's odbc32 reaches this machine's unixODBC drivers
# by the same DRIVER= names). The Windows run reads the keys with CRLF line ends, as a file saved
# on Windows has them, and must still write LF only.
# Either width: a 32-bit itemlookup.exe runs under wine32 (where the machine runs 32-bit code),
# whose odbc32 reaches the i386 driver manager and drivers; the names of the tests' odbcinst.ini
# are bare file names, which the i386 loader finds among the i386 libraries. MariaDB's i386 driver
# cannot be installed beside the 64-bit one: it is unpacked into the work folder and named by its
# full path (i386_mariadb_driver.sh).
# Usage: itemlookup_exe_matches_linux.sh LINUX_ITEMLOOKUP WINDOWS_FOLDER [WORK_FOLDER]
# WINDOWS_FOLDER holds itemlookup.exe beside the DLLs; WORK_FOLDER receives the answers of both
# sides and a fresh WINEPREFIX (default: a new temporary folder, removed at the end).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
linux=$1
windows=$(cd "$2" && pwd)
cleanup=()
trap 'for step in "${cleanup[@]}"; do eval "$step" >/dev/null 2>&1 || true; done' EXIT
if [[ -n ${3:-} ]]; then
  work=$3
  mkdir -p "$work"
else
  work=$(mktemp -d)
  cleanup+=('rm -rf "$work"')
fi
work=$(cd "$work" && pwd)  # Wine takes an absolute WINEPREFIX only
# The width of itemlookup.exe, from the machine field of its PE header: 8664 or 14c.
pe_offset=$(od -An -tu4 -j60 -N4 "$windows/itemlookup.exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$windows/itemlookup.exe" | tr -d ' ')
if [[ $machine == 8664 ]]; then
  width=64
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
else
  width=32
  wine=/usr/lib/wine/wine
fi
# A fresh prefix of this check's own (the server is stopped before the work folder goes).
prefix=("$root/tests/windows/wine_prefix.sh")
while read -r setting; do
  export "${setting?}"
done < <("${prefix[@]}" environment "$work/wine-prefix")
cleanup=('"${prefix[@]}" stop "$WINEPREFIX"' "${cleanup[@]}")
if ! "${prefix[@]}" start "$WINEPREFIX" 2>"$work/wine.log"; then
  echo "FAIL: Wine did not start:" >&2
  cat "$work/wine.log" >&2
  exit 1
fi
keys=$root/tests/replicated_postgres/demo_keys.txt
sed 's/$/\r/' "$keys" >"$work/demo_keys_crlf.txt"

# A Linux path as Wine's Z: drive shows it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

failed=0
# compare NAME LINUX_CONNECTION_STRING WINDOWS_CONNECTION_STRING
compare() {
  local name=$1 status_linux=0 status_windows=0
  "$linux" --json --connect "$2" batch "$keys" >"$work/$name.linux.jsonl" \
    2>"$work/$name.linux.err" || status_linux=$?
  "$wine" "$windows/itemlookup.exe" --json --connect "$3" batch \
    "$(windows_path "$work/demo_keys_crlf.txt")" >"$work/$name.windows.jsonl" \
    2>"$work/$name.windows.err" || status_windows=$?
  local lines
  lines=$(wc -l <"$work/$name.linux.jsonl")
  if ((lines == 0)); then
    echo "FAIL $name: the Linux itemlookup answered nothing: $(cat "$work/$name.linux.err")" >&2
    failed=1
  elif ! grep -q '"found":true' "$work/$name.linux.jsonl"; then
    echo "FAIL $name: no key was found, the demo tables are missing: $(head -1 "$work/$name.linux.jsonl")" >&2
    failed=1
  elif ! cmp -s "$work/$name.linux.jsonl" "$work/$name.windows.jsonl"; then
    echo "FAIL $name: itemlookup.exe answered otherwise than itemlookup:" >&2
    diff "$work/$name.linux.jsonl" "$work/$name.windows.jsonl" | head -20 >&2 || true
    cat "$work/$name.windows.err" >&2
    failed=1
  elif ((status_linux != status_windows)); then
    echo "FAIL $name: exit status $status_windows under Wine, $status_linux on Linux" >&2
    failed=1
  else
    echo "ok $name: $lines lines byte for byte, exit status $status_linux"
  fi
}

# skip NAME REQUIRED_VARIABLE REASON: a server left out, unless the run requires it
# (scripts/run-tests sets ITEM_LOOKUP_REQUIRE_POSTGRES and ITEM_LOOKUP_REQUIRE_MARIADB): then a
# comparison not made fails the check rather than passing it unseen.
skip() {
  if [[ ${!2:-} == 1 ]]; then
    echo "FAIL $1: not compared, though $2=1: $3" >&2
    failed=1
  else
    echo "skipped $1: $3"
  fi
}

# The demo database as the Linux itemlookup creates it. Under Wine the connection string reaches
# the Linux SQLite driver as it is written, so both sides name the file by its Linux path (on
# Windows, a Windows SQLite ODBC driver reads a Windows path).
rm -f "$work/demo.db"
"$linux" --demo-db "$work/demo.db" item 1001 >/dev/null
compare sqlite "DRIVER=SQLite3;Database=$work/demo.db" "DRIVER=SQLite3;Database=$work/demo.db"
# The servers' demo tables, in a namespace of this run's own, dropped again at the end.
namespace=item_lookup_exe_$$
demo_sql() { cat "$root/db/$1/schema.sql" "$root/db/demo_rows.sql"; }
field() { sed -n "s/.*[;]$1=\([^;]*\).*/\1/ip" <<<";$2"; }
if [[ -n ${ITEM_LOOKUP_PG_CONNECT:-} ]]; then
  pg=$ITEM_LOOKUP_PG_CONNECT
  psql_to=(psql -X -q -v ON_ERROR_STOP=1 -h "$(field Server "$pg")" -p "$(field Port "$pg")"
    -U "$(field Uid "$pg")" -d "$(field Database "$pg")")
  cleanup+=('"${psql_to[@]}" -c "DROP SCHEMA IF EXISTS $namespace CASCADE"')
  { echo "CREATE SCHEMA $namespace; SET search_path TO $namespace;"; demo_sql postgres; } |
    "${psql_to[@]}" >/dev/null
  pg="${pg%;};Pqopt={options=-csearch_path=$namespace}"
  compare postgresql "$pg" "$pg"
else
  skip postgresql ITEM_LOOKUP_REQUIRE_POSTGRES "ITEM_LOOKUP_PG_CONNECT is not set"
fi
if [[ -n ${ITEM_LOOKUP_MARIADB_CONNECT:-} ]]; then
  maria=$ITEM_LOOKUP_MARIADB_CONNECT
  mariadb_to=(mariadb -h "$(field SERVER "$maria")" -P "$(field PORT "$maria")"
    -u "$(field UID "$maria")" "-p$(field PWD "$maria")")
  cleanup+=('"${mariadb_to[@]}" -e "DROP DATABASE IF EXISTS $namespace"')
  { echo "CREATE DATABASE $namespace CHARACTER SET utf8mb4; USE $namespace;"
    echo "SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES');"
    demo_sql mariadb; } | "${mariadb_to[@]}"
  maria=$(sed "s/DATABASE=[^;]*/DATABASE=$namespace/I" <<<"$maria")
  if ((width == 64)); then
    compare mariadb "$maria" "$maria"
  elif driver=$("$root/tests/windows/i386_mariadb_driver.sh" "$work/odbc-mariadb-i386" 2>&1); then
    compare mariadb "$maria" "$(sed "s|DRIVER=[^;]*|DRIVER=$driver|I" <<<"$maria")"
  else
    skip mariadb ITEM_LOOKUP_REQUIRE_MARIADB "no i386 MariaDB Connector/ODBC: $driver"
  fi
else
  skip mariadb ITEM_LOOKUP_REQUIRE_MARIADB "ITEM_LOOKUP_MARIADB_CONNECT is not set"
fi
exit "$failed"
