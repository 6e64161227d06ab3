#!/usr/bin/env bash
# Installs the build into a throwaway prefix and runs the installed itemlookup from elsewhere:
# it must find its modules under <libdir>/item-lookup and the database scripts under
# share/item-lookup/db of its own prefix, not in the build tree.
# Usage: installed_layout.sh BUILD_DIR
set -euo pipefail

build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
unset XDG_DATA_HOME

cmake --install "$build" --prefix "$work/prefix" >/dev/null
# Moved after installing: the host must follow its own location, not the configured prefix.
mv "$work/prefix" "$work/moved"

cd "$work"
out=$("$work/moved/bin/itemlookup" --json customer-unit C 42 1001)
expected='{"command":"customer-unit","module":"MARQUETH","function_code":"4","keys":{"customer_kind":"C","customer_code":"00042","item_code":"1001"},"fields":{"unit":"CX","factor":12.3456789},"status":"00000","meaning":"found","found":true,"return_code":0}'
if [[ $out != "$expected" ]]; then
  echo "unexpected output: $out" >&2
  exit 1
fi
test -f "$HOME/.local/share/item-lookup/demo.db"

# Both searches name the installed files when they are missing, so neither fell back to the
# build or source tree.
export HOME=$work/home2
mv "$work/moved/share/item-lookup/db/demo_rows.sql" "$work/demo_rows.sql"
if err=$("$work/moved/bin/itemlookup" item 1001 2>&1); then
  echo "ran without the installed demo rows" >&2
  exit 1
fi
[[ $err == *"cannot read $work/moved/share/item-lookup/db/demo_rows.sql"* ]] || {
  echo "unexpected message: $err" >&2
  exit 1
}
mv "$work/demo_rows.sql" "$work/moved/share/item-lookup/db/demo_rows.sql"
# The library directory depends on the configured prefix (lib, or lib/<multiarch> under /usr).
module=$(find "$work/moved" -name VELDORIN.so)
rm "$module"
if err=$("$work/moved/bin/itemlookup" item 1001 2>&1); then
  echo "ran without the installed module" >&2
  exit 1
fi
[[ $err == *"cannot load module $module"* ]] || {
  echo "unexpected message: $err" >&2
  exit 1
}
