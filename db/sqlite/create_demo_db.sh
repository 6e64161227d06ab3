#!/usr/bin/env bash
# Creates the SQLite demo database from the schema and the demo rows, with the sqlite3 shell.
# The file appears only once complete: it is built under a temporary name and renamed.
# Usage: create_demo_db.sh OUTPUT.db
set -euo pipefail

if [[ $# -ne 1 ]]; then
  echo "usage: $0 OUTPUT.db" >&2
  exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
output=$1
if [[ -e $output ]]; then
  echo "$0: $output already exists" >&2
  exit 1
fi
partial=$(mktemp "$(dirname "$output")/.demo-db.XXXXXX")
trap 'rm -f "$partial"' EXIT
rm -f "$partial"
cat "$here/schema.sql" "$here/../demo_rows.sql" | sqlite3 -bail "$partial"
mv "$partial" "$output"
trap - EXIT
