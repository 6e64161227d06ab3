#!/usr/bin/env bash
# Runs the itemlookup binary on a throwaway demo database and compares what it prints with what
# an operator must see. Usage: cli_cases.sh ITEMLOOKUP CASE MODULE-DIR OLDER-HOST-MODULE-DIR
# MODULE-DIR holds the built lookup modules and their PGMS/; OLDER-HOST-MODULE-DIR/PGMS/ a host's
# own older SOLVAKE.so and TARNIVEL.so, without their TAKE entries.
# Every function named case_* is one CTest test (CMakeLists.txt reads the names from here).
set -uo pipefail

itemlookup=$1
case_name=$2
module_dir=${3:-}
older_dir=${4:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Nothing a test runs may touch the real home directory.
export HOME=$work/home
unset XDG_DATA_HOME
mkdir -p "$HOME"
demo=(--demo-db "$work/demo.db")
db_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../db" && pwd)

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# run ARGS...: runs itemlookup, leaving stdout, stderr and the exit status in $out, $err, $status.
run() {
  "$itemlookup" "$@" >"$work/out" 2>"$work/err"
  status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

expect_status() {
  [[ $status == "$1" ]] || fail "exit status $status, expected $1 (stderr: $err)"
}

expect_out() {
  if [[ $out != "$1" ]]; then
    fail "stdout differs from the expected text"
    diff <(printf '%s\n' "$1") <(printf '%s\n' "$out") >&2
  fi
}

expect_no_out() {
  [[ -z $out ]] || fail "stdout should be empty, got: $out"
}

expect_err_contains() {
  [[ $err == *"$1"* ]] || fail "stderr lacks '$1'; stderr was: $err"
}

# The batch's closing summary on stderr, less its rate.
expect_summary() {
  local summary=${err##*$'\n'}
  summary=${summary%; * lookups/s}
  [[ $summary == "itemlookup: $1" ]] || fail "summary '$summary', expected 'itemlookup: $1'"
}

expect_line() {
  local number=$1 expected=$2
  local actual
  actual=$(sed -n "${number}p" <<<"$out")
  if [[ $actual != "$expected" ]]; then
    fail "output line $number differs"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") >&2
  fi
}

# module_folder NAME HOST-MODULE...: a folder for --modules with both lookup modules and, under
# PGMS/, the host module files given; its path is left in $folder.
module_folder() {
  folder=$work/$1
  shift
  mkdir -p "$folder/PGMS"
  cp "$module_dir/VELDORIN.so" "$module_dir/MARQUETH.so" "$folder/"
  local file
  for file in "$@"; do cp "$file" "$folder/PGMS/"; done
}

# expect_refused MESSAGE LOOKUP OPTION...: with OPTION..., itemlookup refuses LOOKUP (a batch
# line, its words split at blanks) with MESSAGE alone on stderr: as a single lookup, under --json
# and as a batch.
expect_refused() {
  local message=$1 lookup=$2 words
  shift 2
  read -ra words <<<"$lookup"
  run "$@" "${words[@]}"
  expect_status 2
  expect_no_out
  [[ $err == "itemlookup: $message" ]] || fail "$lookup: stderr was: $err"
  run --json "$@" "${words[@]}"
  expect_status 2
  expect_out "{\"error\":\"$message\"}"
  run "$@" batch < <(printf '%s\n' "$lookup")
  expect_status 2
  expect_no_out
  [[ $err == "itemlookup: $message" ]] || fail "a batch of $lookup: stderr was: $err"
}

case_item_table() {
  run "${demo[@]}" item 1001
  expect_status 0
  expect_out "VELDORIN function 1: every supplementary column of an item
  item_code      [1001]
  sales_family   [ANALGESICO]
  external_code  [EXT-1001]
  barcode        [7891000100017]
  description    [PARACETAMOL 500MG 20 COMPRIMIDOS]
  trace_flag     [S]
  detail_flag    [N]
  anvisa_code    [1001000100011]
  pmc_value      12.34
  pmv_value      10.50
  net_weight     0.025
  gross_weight   0.031
  status         00000 found
  return_code    0"
}

case_item_full_width_json() {
  run "${demo[@]}" --json item ABCDEFGHIJKLMNOP
  expect_status 0
  expect_out '{"command":"item","module":"VELDORIN","function_code":"1","keys":{"item_code":"ABCDEFGHIJKLMNOP"},"fields":{"sales_family":"FAMILIA-10","external_code":"EXT0000000000016","barcode":"7890000000000016","description":"SUPLEMENTO VITAMINICO COMPLETO FRASCO 60 CAPSULAS 1000M","trace_flag":"S","detail_flag":"S","anvisa_code":"1000000000013","pmc_value":9999999999.99,"pmv_value":0.01,"net_weight":99999999.999,"gross_weight":99999999.999},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

case_item_with_apostrophes() {
  run "${demo[@]}" --json item "O'NEIL-7"
  expect_status 0
  expect_out '{"command":"item","module":"VELDORIN","function_code":"1","keys":{"item_code":"O'"'"'NEIL-7"},"fields":{"sales_family":"DERMO","external_code":"EXT-O'"'"'NEIL","barcode":"7891000100079","description":"LOCAO HIDRATANTE O'"'"'NEIL 200ML","trace_flag":"N","detail_flag":"S","anvisa_code":"1001000100070","pmc_value":39.90,"pmv_value":35.00,"net_weight":0.200,"gross_weight":0.230},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

case_item_every_column_null() {
  run "${demo[@]}" --json item 1008
  expect_status 0
  expect_out '{"command":"item","module":"VELDORIN","function_code":"1","keys":{"item_code":"1008"},"fields":{"sales_family":"","external_code":"","barcode":"","description":"","trace_flag":"","detail_flag":"","anvisa_code":"","pmc_value":0.00,"pmv_value":0.00,"net_weight":0.000,"gross_weight":0.000},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

case_item_not_found() {
  run "${demo[@]}" item NO-SUCH-ITEM
  expect_status 1
  expect_line 2 "  item_code      [NO-SUCH-ITEM]"
  expect_line 14 "  status         01027 item not found"
}

case_item_summary_table() {
  run "${demo[@]}" item-summary 1003
  expect_status 0
  expect_out "VELDORIN function 2: codes, description and prices of an item
  item_code      [1003]
  external_code  [EXT-1003]
  barcode        [7891000100031]
  description    []
  trace_flag     [S]
  anvisa_code    [1001000100038]
  pmc_value      45.90
  pmv_value      0.00
  status         00000 found
  return_code    0"
}

case_item_summary_not_found() {
  run "${demo[@]}" --json item-summary NO-SUCH-ITEM
  expect_status 1
  expect_out '{"command":"item-summary","module":"VELDORIN","function_code":"2","keys":{"item_code":"NO-SUCH-ITEM"},"fields":{"external_code":"","barcode":"","description":"","trace_flag":"","anvisa_code":"","pmc_value":0.00,"pmv_value":0.00},"status":"01027","meaning":"item not found","found":false,"return_code":0}'
}

case_resolve_by_barcode() {
  # The barcode is 1001's, the external code 1009's: the barcode wins.
  run "${demo[@]}" resolve --barcode 7891000100017 --external EXT-1009
  expect_status 0
  expect_out "VELDORIN function 3: the item code by barcode, failing that by external code
  barcode        [7891000100017]
  external_code  [EXT-1009]
  item_code      [1001]
  status         00000 found
  return_code    0"
}

case_resolve_by_external_code() {
  run "${demo[@]}" --json resolve --barcode 0000000000000 --external=EXT-ONLY-1002
  expect_status 0
  expect_out '{"command":"resolve","module":"VELDORIN","function_code":"3","keys":{"barcode":"0000000000000","external_code":"EXT-ONLY-1002"},"fields":{"item_code":"1002"},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

case_resolve_not_found() {
  run "${demo[@]}" --json resolve --external NOWHERE
  expect_status 1
  expect_out '{"command":"resolve","module":"VELDORIN","function_code":"3","keys":{"barcode":"","external_code":"NOWHERE"},"fields":{"item_code":""},"status":"02129","meaning":"not found by codes","found":false,"return_code":0}'
}

case_customer_item_table() {
  # Customer code 42 is written 00042; the factor keeps its seven decimals; days "30" -> 30.
  run "${demo[@]}" customer-item C 42 1001
  expect_status 0
  expect_out "MARQUETH function 1: a customer's cross-reference row for an item
  customer_kind       [C]
  customer_code       [00042]
  item_code           [1001]
  customer_item_code  [PARA500-CLI42]
  unit                [CX]
  factor              12.3456789
  minimum_lot         10.000
  order_multiple      5.000
  barcode             [7891000100017]
  days                30
  status              00000 found
  return_code         0"
}

case_customer_item_smallest_and_largest() {
  run "${demo[@]}" --json customer-item C 7 1001
  expect_status 0
  expect_out '{"command":"customer-item","module":"MARQUETH","function_code":"1","keys":{"customer_kind":"C","customer_code":"00007","item_code":"1001"},"fields":{"customer_item_code":"7-PARACETAMOL","unit":"FD","factor":0.0000001,"minimum_lot":0.001,"order_multiple":0.001,"barcode":"","days":7},"status":"00000","meaning":"found","found":true,"return_code":0}'
  run "${demo[@]}" --json customer-item C 99999 ABCDEFGHIJKLMNOP
  expect_status 0
  expect_out '{"command":"customer-item","module":"MARQUETH","function_code":"1","keys":{"customer_kind":"C","customer_code":"99999","item_code":"ABCDEFGHIJKLMNOP"},"fields":{"customer_item_code":"CLIENTE 99999 CODIGO PROPRIO DE CINQUENTA POSICOES","unit":"CX12","factor":99999999.9999999,"minimum_lot":99999999.999,"order_multiple":99999999.999,"barcode":"7890000000000016","days":9999},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

case_customer_item_days_forms() {
  # Days stored as "0030" and as NULL.
  run "${demo[@]}" --json customer-item C 00042 1002
  expect_status 0
  expect_out '{"command":"customer-item","module":"MARQUETH","function_code":"1","keys":{"customer_kind":"C","customer_code":"00042","item_code":"1002"},"fields":{"customer_item_code":"SAB-NEUTRO-90","unit":"UN","factor":1.0000000,"minimum_lot":1.000,"order_multiple":12.000,"barcode":"","days":30},"status":"00000","meaning":"found","found":true,"return_code":0}'
  run "${demo[@]}" --json customer-item C 42 1003
  expect_status 0
  expect_out '{"command":"customer-item","module":"MARQUETH","function_code":"1","keys":{"customer_kind":"C","customer_code":"00042","item_code":"1003"},"fields":{"customer_item_code":"","unit":"","factor":0.0000000,"minimum_lot":0.000,"order_multiple":0.000,"barcode":"","days":0},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

case_customer_item_kind_is_part_of_the_key() {
  run "${demo[@]}" customer-unit F 42 1001
  expect_status 0
  expect_out "MARQUETH function 4: a customer's unit of measure and factor for an item
  customer_kind  [F]
  customer_code  [00042]
  item_code      [1001]
  unit           [CX]
  factor         24.0000000
  status         00000 found
  return_code    0"
  run "${demo[@]}" customer-item X 42 1001
  expect_status 1
  expect_line 12 "  status              00003 customer item not found"
}

case_customer_resolve() {
  run "${demo[@]}" --json customer-resolve C 42 "LOCAO O'NEIL CLI"
  expect_status 0
  expect_out '{"command":"customer-resolve","module":"MARQUETH","function_code":"2","keys":{"customer_kind":"C","customer_code":"00042","customer_item_code":"LOCAO O'"'"'NEIL CLI"},"fields":{"item_code":"O'"'"'NEIL-7"},"status":"00000","meaning":"found","found":true,"return_code":0}'
  run "${demo[@]}" --json customer-resolve C 7 PARA500-CLI42
  expect_status 1
  expect_out '{"command":"customer-resolve","module":"MARQUETH","function_code":"2","keys":{"customer_kind":"C","customer_code":"00007","customer_item_code":"PARA500-CLI42"},"fields":{"item_code":""},"status":"02129","meaning":"not found by codes","found":false,"return_code":0}'
}

case_customer_codes() {
  run "${demo[@]}" customer-codes C 1 1005
  expect_status 0
  expect_out "MARQUETH function 3: a customer's item code and barcode for an item
  customer_kind       [C]
  customer_code       [00001]
  item_code           [1005]
  customer_item_code  [AGUA-500]
  barcode             [7891000100055]
  status              00000 found
  return_code         0"
  run "${demo[@]}" --json customer-codes C 1 1001
  expect_status 1
  expect_out '{"command":"customer-codes","module":"MARQUETH","function_code":"3","keys":{"customer_kind":"C","customer_code":"00001","item_code":"1001"},"fields":{"customer_item_code":"","barcode":""},"status":"00003","meaning":"customer item not found","found":false,"return_code":0}'
}

case_customer_unit_not_found() {
  run "${demo[@]}" --json customer-unit C 42 NO-SUCH-ITEM
  expect_status 1
  expect_out '{"command":"customer-unit","module":"MARQUETH","function_code":"4","keys":{"customer_kind":"C","customer_code":"00042","item_code":"NO-SUCH-ITEM"},"fields":{"unit":"","factor":0.0000000},"status":"00003","meaning":"customer item not found","found":false,"return_code":0}'
}

case_batch_file() {
  cat >"$work/lookups.txt" <<'EOF'
# comments and blank lines are skipped

item 1001
item-summary,1003
resolve,--barcode,,--external,EXT-ONLY-1002
customer-item, C, 42, 1001
customer-resolve C 42 "LOCAO O'NEIL CLI"
customer-codes,C,1,"1005",,
customer-unit C 42 NO-SUCH-ITEM
EOF
  run "${demo[@]}" batch "$work/lookups.txt"
  expect_status 0
  expect_summary "7 lines: 6 found, 1 not found, 0 with warnings, 0 errors"
  [[ $err == *" lookups/s" ]] || fail "no rate in: $err"
  expect_out '{"line":3,"command":"item","module":"VELDORIN","function_code":"1","keys":{"item_code":"1001"},"fields":{"sales_family":"ANALGESICO","external_code":"EXT-1001","barcode":"7891000100017","description":"PARACETAMOL 500MG 20 COMPRIMIDOS","trace_flag":"S","detail_flag":"N","anvisa_code":"1001000100011","pmc_value":12.34,"pmv_value":10.50,"net_weight":0.025,"gross_weight":0.031},"status":"00000","meaning":"found","found":true,"return_code":0}
{"line":4,"command":"item-summary","module":"VELDORIN","function_code":"2","keys":{"item_code":"1003"},"fields":{"external_code":"EXT-1003","barcode":"7891000100031","description":"","trace_flag":"S","anvisa_code":"1001000100038","pmc_value":45.90,"pmv_value":0.00},"status":"00000","meaning":"found","found":true,"return_code":0}
{"line":5,"command":"resolve","module":"VELDORIN","function_code":"3","keys":{"barcode":"","external_code":"EXT-ONLY-1002"},"fields":{"item_code":"1002"},"status":"00000","meaning":"found","found":true,"return_code":0}
{"line":6,"command":"customer-item","module":"MARQUETH","function_code":"1","keys":{"customer_kind":"C","customer_code":"00042","item_code":"1001"},"fields":{"customer_item_code":"PARA500-CLI42","unit":"CX","factor":12.3456789,"minimum_lot":10.000,"order_multiple":5.000,"barcode":"7891000100017","days":30},"status":"00000","meaning":"found","found":true,"return_code":0}
{"line":7,"command":"customer-resolve","module":"MARQUETH","function_code":"2","keys":{"customer_kind":"C","customer_code":"00042","customer_item_code":"LOCAO O'"'"'NEIL CLI"},"fields":{"item_code":"O'"'"'NEIL-7"},"status":"00000","meaning":"found","found":true,"return_code":0}
{"line":8,"command":"customer-codes","module":"MARQUETH","function_code":"3","keys":{"customer_kind":"C","customer_code":"00001","item_code":"1005"},"fields":{"customer_item_code":"AGUA-500","barcode":"7891000100055"},"status":"00000","meaning":"found","found":true,"return_code":0}
{"line":9,"command":"customer-unit","module":"MARQUETH","function_code":"4","keys":{"customer_kind":"C","customer_code":"00042","item_code":"NO-SUCH-ITEM"},"fields":{"unit":"","factor":0.0000000},"status":"00003","meaning":"customer item not found","found":false,"return_code":0}'
}

case_batch_stdin_with_bad_lines() {
  run "${demo[@]}" batch - < <(printf '%s\n' 'item 1005' 'item ABCDEFGHIJKLMNOPQ' 'frobnicate 1' \
    'customer-item C 123456 1001' 'item "open' 'batch' 'resolve --barcode 7891000100093')
  expect_status 2
  expect_summary "7 lines: 2 found, 0 not found, 0 with warnings, 5 errors (5 lines could not run)"
  expect_out '{"line":1,"command":"item","module":"VELDORIN","function_code":"1","keys":{"item_code":"1005"},"fields":{"sales_family":"BEBIDAS","external_code":"EXT-1005","barcode":"7891000100055","description":"AGUA MINERAL D'"'"'AGUA 500ML","trace_flag":"N","detail_flag":"N","anvisa_code":"","pmc_value":2.50,"pmv_value":2.00,"net_weight":0.500,"gross_weight":0.520},"status":"00000","meaning":"found","found":true,"return_code":0}
{"line":2,"error":"item: item code '"'"'ABCDEFGHIJKLMNOPQ'"'"' is 17 bytes long; the field holds 16 (usage: item ITEM)"}
{"line":3,"error":"unknown subcommand '"'"'frobnicate'"'"' (try '"'"'itemlookup help'"'"')"}
{"line":4,"error":"customer-item: customer code '"'"'123456'"'"' must be 1 to 5 digits (usage: customer-item KIND CODE ITEM)"}
{"line":5,"error":"unterminated quote"}
{"line":6,"error":"unknown subcommand '"'"'batch'"'"' (try '"'"'itemlookup help'"'"')"}
{"line":7,"command":"resolve","module":"VELDORIN","function_code":"3","keys":{"barcode":"7891000100093","external_code":""},"fields":{"item_code":"1009"},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

case_batch_stdin_by_default() {
  run "${demo[@]}" batch < <(printf 'customer-unit C 42 1001\n')
  expect_status 0
  expect_out '{"line":1,"command":"customer-unit","module":"MARQUETH","function_code":"4","keys":{"customer_kind":"C","customer_code":"00042","item_code":"1001"},"fields":{"unit":"CX","factor":12.3456789},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

# A host that keeps the batch's input open (a coprocess, tail -f) reads each answer before it sends
# the next line: what is answered leaves before itemlookup waits for more input.
case_batch_answers_while_input_stays_open() {
  mkfifo "$work/in"
  "$itemlookup" "${demo[@]}" batch <"$work/in" >"$work/out" 2>"$work/err" &
  local host=$! waited
  exec 3>"$work/in"
  printf 'customer-unit C 42 1001\n' >&3
  for ((waited = 0; waited < 300; ++waited)); do
    [[ -s $work/out ]] && break
    sleep 0.1
  done
  out=$(cat "$work/out")
  expect_out '{"line":1,"command":"customer-unit","module":"MARQUETH","function_code":"4","keys":{"customer_kind":"C","customer_code":"00042","item_code":"1001"},"fields":{"unit":"CX","factor":12.3456789},"status":"00000","meaning":"found","found":true,"return_code":0}'
  exec 3>&-
  wait "$host"
  status=$?
  expect_status 0
}

case_batch_long_run_quiet_without_terminal() {
  # Past the long-run threshold, but stderr is a file: no progress line.
  for _ in $(seq 1 1100); do echo "item 1001"; done >"$work/many.txt"
  run "${demo[@]}" batch "$work/many.txt"
  expect_status 0
  expect_summary "1100 lines: 1100 found, 0 not found, 0 with warnings, 0 errors"
  [[ $err != *$'\r'* ]] || fail "a progress line went to a file: $err"
  [[ $(wc -l <"$work/out") == 1100 ]] || fail "expected 1100 result lines"
}

case_batch_progress_on_a_terminal() {
  # Results and progress on one terminal: the progress line is cleared before each result, so
  # no result starts on it; singular and plural are right.
  command -v script >/dev/null || return 0
  for _ in $(seq 1 1500); do echo "item 1001"; done >"$work/many.txt"
  script -qc "'$itemlookup' --demo-db '$work/demo.db' batch '$work/many.txt'" /dev/null \
    >"$work/terminal" </dev/null
  grep -q $'\r\e\\[Kitemlookup: 1500 lines, ' "$work/terminal" || fail "no progress line shown"
  ! grep -q $' s{"line"' "$work/terminal" || fail "a result was written onto the progress line"
  [[ $(grep -c '{"line":' "$work/terminal") == 1500 ]] || fail "results missing on the terminal"
}

case_batch_missing_file() {
  run "${demo[@]}" batch "$work/no-such-file.txt"
  expect_status 2
  expect_no_out
  expect_err_contains "cannot read batch file $work/no-such-file.txt"
}

case_relative_paths_resolved_before_module_directory() {
  # The host changes into the module directory; relative names still mean the caller's.
  mkdir -p "$work/here"
  printf 'item 1007\n' >"$work/here/one.txt"
  (cd "$work/here" && "$itemlookup" --demo-db rel.db --json batch one.txt >"$work/out" 2>"$work/err")
  status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
  expect_status 0
  [[ -f $work/here/rel.db ]] || fail "the demo database was not made in the caller's directory"
  expect_out '{"line":1,"command":"item","module":"VELDORIN","function_code":"1","keys":{"item_code":"1007"},"fields":{"sales_family":"AMOSTRA","external_code":"EXT-1007","barcode":"7891000100086","description":"AMOSTRA GRATIS SACHE 1G","trace_flag":"N","detail_flag":"N","anvisa_code":"","pmc_value":0.00,"pmv_value":0.00,"net_weight":0.001,"gross_weight":0.001},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

case_demo_database_default_location() {
  run item 1001
  expect_status 0
  [[ -f $HOME/.local/share/item-lookup/demo.db ]] || fail "no demo database under \$HOME/.local/share"
  export XDG_DATA_HOME=$work/xdg
  run item 1001
  expect_status 0
  [[ -f $XDG_DATA_HOME/item-lookup/demo.db ]] || fail "no demo database under \$XDG_DATA_HOME"
  unset XDG_DATA_HOME
}

case_demo_database_made_once() {
  run "${demo[@]}" item 1001
  expect_status 0
  local first
  first=$(stat -c '%i %Y' "$work/demo.db")
  sleep 1
  run "${demo[@]}" item 1002
  expect_status 0
  [[ $(stat -c '%i %Y' "$work/demo.db") == "$first" ]] || fail "the demo database was made again"
  [[ -z $(find "$work" -maxdepth 1 -name '.demo.db.partial-*') ]] || fail "a partial file remains"
}

case_demo_database_refusals() {
  # A named folder that does not exist is not created; a folder is no database file.
  run --demo-db "$work/nowhere/demo.db" item 1001
  expect_status 2
  expect_err_contains "the folder $work/nowhere does not exist"
  [[ ! -e $work/nowhere ]] || fail "a folder was created"
  run --demo-db "$work" item 1001
  expect_err_contains "the demo database $work is a folder"
  # An existing file without the demo tables, empty or no database at all, is not used.
  : >"$work/empty.db"
  printf 'not a database\n%.0s' {1..200} >"$work/notdb.db"
  for file in empty.db notdb.db; do
    run --demo-db "$work/$file" item 1001
    expect_status 2
    expect_no_out
    expect_err_contains "$work/$file is not an item lookup demo database (VNDADFIT cannot be read)"
  done
  # A folder the user cannot write to: the reason is given.
  mkdir -p "$work/locked"
  chmod 555 "$work/locked"
  if ! touch "$work/locked/probe" 2>/dev/null; then
    run --demo-db "$work/locked/demo.db" item 1001
    expect_status 2
    expect_err_contains "cannot create the demo database $work/locked/demo.db: Permission denied"
  fi
  chmod 755 "$work/locked"
}

# A database error is exit 2 with its cause, never "not found"; in a batch every line still runs.
case_database_error_is_not_a_missing_item() {
  run "${demo[@]}" item 1001
  sqlite3 "$work/demo.db" "DROP TABLE VNDADFIT"
  local connect="DRIVER=SQLite3;Database=$work/demo.db"
  run --connect "$connect" --json item 1001
  expect_status 2
  # The failed fetch that follows is marked as the consequence it is.
  # Its status bytes are those of a missing item; its meaning is not.
  [[ $out == *'"status":"01027","meaning":"error: the lookup failed (see error)","found":false,"return_code":0,"error":{"sqlstate":"HY000","native":1,"message":"[SQLite]no such table: VNDADFIT (1)","follow_on":[{"sqlstate":"HY010","native":0,"message":"[unixODBC][Driver Manager]Function sequence error","consequence":true}]}}' ]] ||
    fail "no error object: $out"
  run --connect "$connect" item 1001
  expect_status 2
  expect_line 14 "  status         01027 error: the lookup failed (see error)"
  expect_line 16 "  error          HY000 [SQLite]no such table: VNDADFIT (1)"
  expect_line 17 "  error          HY010 [unixODBC][Driver Manager]Function sequence error (follows from the error above)"
  [[ $err != *SOLVAKE* ]] || fail "the message module's lines are shown besides: $err"
  run --connect "$connect" batch < <(printf '%s\n' 'item 1001' 'customer-unit C 42 1001')
  expect_status 2
  expect_summary "2 lines: 1 found, 0 not found, 0 with warnings, 1 error"
  expect_line 1 '{"line":1,"command":"item","module":"VELDORIN","function_code":"1","keys":{"item_code":"1001"},"fields":{"sales_family":"","external_code":"","barcode":"","description":"","trace_flag":"","detail_flag":"","anvisa_code":"","pmc_value":0.00,"pmv_value":0.00,"net_weight":0.000,"gross_weight":0.000},"status":"01027","meaning":"error: the lookup failed (see error)","found":false,"return_code":0,"error":{"sqlstate":"HY000","native":1,"message":"[SQLite]no such table: VNDADFIT (1)","follow_on":[{"sqlstate":"HY010","native":0,"message":"[unixODBC][Driver Manager]Function sequence error","consequence":true}]}}'
}

# Lost digits, a dropped sign, a cut description, a cut UTF-8 character: found, with warnings.
case_warnings_keep_the_lookup_found() {
  sqlite3 "$work/odd.db" <"$db_dir/sqlite/schema.sql"
  sqlite3 "$work/odd.db" "INSERT INTO VNDADFIT VALUES ('ODD', 'F', 'E', 'B', '$(printf 'D%.0s' {1..60})', 'S', 'N', 'A', -12.5, 0, 123456789.5, 1)"
  run --connect "DRIVER=SQLite3;Database=$work/odd.db" --json item ODD
  expect_status 0
  [[ $out == *'"warnings":["01004 [SQLite]data right truncated","pmc_value: the database value -12.5 is negative; the host got 12.50, without its sign","net_weight: the database value 123456789.5 does not fit 9(8)V9(3); the host got 23456789.500"]}' ]] ||
    fail "warnings: $out"
  # The demo rows: an accented description that fits, and one whose field cuts its last "Á".
  run "${demo[@]}" --json item 1012
  expect_status 0
  [[ $out == *'"description":"LOÇÃO HIDRATANTE PÓS-SOL 200ML",'* && $out != *warnings* ]] ||
    fail "1012: $out"
  run "${demo[@]}" item-summary 1013
  expect_status 0
  expect_line 5 "  description    [CREME DE PÉS E MÃOS COM ÓLEO DE AMÊNDOAS 60G TIPO �]"
  expect_line 12 "  warning        01004 [SQLite]data right truncated"
  expect_line 13 "  warning        description: not valid UTF-8 (a character cut by the field's width, or single-byte text: try --encoding latin1); shown with U+FFFD"
  run "${demo[@]}" --encoding latin1 --json item-summary 1013
  expect_status 0
  [[ $out == *'TIPO Ã"'* && $out != *UTF-8* ]] || fail "latin1: $out"
}

case_check_names_missing_tables_and_columns() {
  sqlite3 "$work/partial.db" "CREATE TABLE VNDADFIT (ADFIT_COD_ITEM CHAR(16), ADFIT_FAM_VENDA CHAR(10))"
  run --connect "DRIVER=SQLite3;Database=$work/partial.db" check
  expect_status 2
  [[ $out == "itemlookup check: SQLite "*", driver sqlite3odbc.so "* ]] || fail "engine: $out"
  [[ $out == *"PROBLEM  table VNDADFIT   missing columns ADFIT_COD_EXTERNO, ADFIT_COD_BARRAS,"* ]] ||
    fail "no missing columns: $out"
  [[ $out == *"PROBLEM  table VNDAITCL   not found"*"fix: create it from the schema for this engine under db/"* ]] ||
    fail "no missing table: $out"
  [[ $out == *"PROBLEM  lookup MARQUETH  not run: VNDAITCL cannot be read"* ]] || fail "lookup: $out"
  [[ $out == *$'\n5 problems' ]] || fail "count: $out"
}

# The driver manager's trace, read from the driver manager itself: on, it names the file each
# ODBC call goes to; the SQLite driver has no log settings of its own, so CommLog means nothing.
case_check_names_the_driver_managers_trace() {
  sqlite3 "$work/plain.db" <"$db_dir/sqlite/schema.sql"
  run --connect "DRIVER=SQLite3;Database=$work/plain.db;CommLog=1" check
  [[ $out == *$'\n  ok       driver logging   off: no driver manager trace, and no log setting of sqlite3odbc.so on\n'* ]] ||
    fail "not off: $out"
  mkdir -p "$work/odbc"
  printf '[ODBC]\nTrace=Yes\nTraceFile=%s\n[SQLite3]\nDriver=libsqlite3odbc.so\n' \
    "$work/trace.log" >"$work/odbc/odbcinst.ini"
  ODBCSYSINI=$work/odbc run --connect "DRIVER=SQLite3;Database=$work/plain.db" check
  expect_status 2
  [[ $out == *$'\n  PROBLEM  driver logging   the driver manager\'s trace is on (Trace=Yes in the [ODBC] section of odbcinst.ini): every ODBC call is written to '"$work/trace.log"$'\n'*"fix: Trace=No in the [ODBC] section of odbcinst.ini"$'\n'* ]] ||
    fail "trace: $out"
  [[ -s $work/trace.log ]] || fail "no trace written to $work/trace.log"
}

# A file that is no database is not a missing table: the driver's own message.
case_check_shows_why_a_database_cannot_be_read() {
  printf 'not a database, just text\n%.0s' {1..200} >"$work/text.db"
  run --connect "DRIVER=SQLite3;Database=$work/text.db" check
  expect_status 2
  [[ $out == *"PROBLEM  table VNDADFIT   cannot be read: [HY000] [SQLite]file is not a database (26)"*"fix: make it readable on this connection: the driver's message says what stops it"* ]] ||
    fail "VNDADFIT: $out"
  [[ $out != *"not found"* && $out != *"escapes"* ]] || fail "claims what it did not see: $out"
}

# Stored keys that begin with a dash reach the lookups as keys, not as options.
case_check_looks_up_keys_that_look_like_options() {
  sqlite3 "$work/dash.db" <"$db_dir/sqlite/schema.sql"
  sqlite3 "$work/dash.db" "INSERT INTO VNDADFIT (ADFIT_COD_ITEM) VALUES ('--X1');
    INSERT INTO VNDAITCL (AITCL_TIPO, AITCL_CODIGO, AITCL_COD_ITEM) VALUES ('-', '00042', '--X1')"
  run --connect "DRIVER=SQLite3;Database=$work/dash.db" check
  [[ $out == *"ok       lookup VELDORIN  item --X1: found, return code 0"* ]] || fail "VELDORIN: $out"
  [[ $out == *"ok       lookup MARQUETH  customer-item - 00042 --X1: found, return code 0"* ]] ||
    fail "MARQUETH: $out"
}

# A converter or message module that is missing, or older and without its TAKE entry, is a
# problem: the host could not tell an error from a missing item, or a number from zero.
case_check_names_host_modules_that_cannot_answer() {
  local lib
  lib=$(cd "$(dirname "$itemlookup")/../lib" && pwd)
  mkdir -p "$work/mods/PGMS"
  cp "$lib/VELDORIN.so" "$lib/MARQUETH.so" "$work/mods/"
  cp "$lib/PGMS/SOLVAKE.so" "$work/mods/PGMS/"
  run "${demo[@]}" --modules "$work/mods" check
  expect_status 2
  [[ $out == *"PROBLEM  host modules     converter $work/mods/PGMS/TARNIVEL.so cannot be loaded (cannot open shared object file: No such file or directory): without it every number reads as zero"* ]] ||
    fail "no converter: $out"
  [[ $out == *"install this release's SOLVAKE.so and TARNIVEL.so in PGMS/ beside the lookup modules"* ]] ||
    fail "the fix names other files: $out"
  [[ $out == *$'\n1 problem' ]] || fail "count: $out"
  printf 'int TARNIVEL(void) { return 0; }\n' | cc -shared -fPIC -x c - -o "$work/mods/PGMS/TARNIVEL.so"
  printf 'int SOLVAKE(void) { return 0; }\n' | cc -shared -fPIC -x c - -o "$work/mods/PGMS/SOLVAKE.so"
  run "${demo[@]}" --modules "$work/mods" check
  expect_status 2
  [[ $out == *"PROBLEM  host modules     message module $work/mods/PGMS/SOLVAKE.so has no entry SOLVAKE_TAKE (an older message module?): without it a database error cannot be told from a missing item; converter $work/mods/PGMS/TARNIVEL.so has no entry TARNIVEL_TAKE (an older converter?): without it every number reads as zero"* ]] ||
    fail "older modules: $out"
}

case_output_errors_are_failures() {
  run "${demo[@]}" item 1001
  "$itemlookup" "${demo[@]}" item 1001 >/dev/full 2>"$work/err"
  status=$?
  err=$(cat "$work/err")
  expect_status 2
  expect_err_contains "cannot write the output: No space left on device"
  printf 'item 1001\n' >"$work/one.txt"
  "$itemlookup" "${demo[@]}" batch "$work/one.txt" >/dev/full 2>"$work/err"
  status=$?
  err=$(cat "$work/err")
  expect_status 2
  expect_err_contains "cannot write the output: No space left on device"
  # A closed standard output stays closed: the lookup cannot write there, whatever it opens.
  "$itemlookup" "${demo[@]}" item 1001 >&- 2>"$work/err"
  status=$?
  err=$(cat "$work/err")
  expect_status 2
  expect_err_contains "cannot write the output: Bad file descriptor"
}

case_batch_input_edges() {
  # A byte order mark is skipped; a NUL or an overlong line is that line's error, echoed in part.
  { printf '\xef\xbb\xbfitem 1001\n'; printf 'item 10\x0001\n'; printf 'item %070000d\n' 0
    printf 'customer-unit C 42 1001'; } >"$work/edges.txt"
  run "${demo[@]}" batch "$work/edges.txt"
  expect_status 2
  expect_summary "4 lines: 2 found, 0 not found, 0 with warnings, 2 errors (2 lines could not run)"
  expect_line 2 '{"line":2,"error":"line holds a NUL byte: '"'"'item 10\\x0001'"'"'"}'
  expect_line 3 '{"line":3,"error":"line is 70005 bytes long, more than 65536: '"'"'item 0000000000000000000000000000000000000000000000000000000...'"'"'"}'
  [[ $(sed -n 1p <<<"$out") == '{"line":1,"command":"item",'* ]] || fail "the BOM was not skipped"
  [[ $(sed -n 4p <<<"$out") == '{"line":4,"command":"customer-unit",'* ]] || fail "no last line"
  run "${demo[@]}" batch "$work"
  expect_status 2
  expect_err_contains "cannot read batch file $work: it is a folder"
  printf 'item 1001\n' >"$work/secret.txt"
  chmod 000 "$work/secret.txt"
  if ! cat "$work/secret.txt" >/dev/null 2>&1; then
    run "${demo[@]}" batch "$work/secret.txt"
    expect_err_contains "cannot read batch file $work/secret.txt: Permission denied"
  fi
  run "${demo[@]}" batch < <(printf 'item 1001\n')
  expect_summary "1 line: 1 found, 0 not found, 0 with warnings, 0 errors"
}

case_demo_database_without_sqlite_driver() {
  # A driver list without the SQLite driver: a clear error, and no database file, whole or partial.
  mkdir -p "$work/odbc"
  : >"$work/odbc/odbcinst.ini"
  : >"$work/odbc/odbc.ini"
  ODBCSYSINI=$work/odbc ODBCINSTINI=odbcinst.ini run "${demo[@]}" item 1001
  expect_status 2
  expect_no_out
  expect_err_contains "install the Debian package libsqliteodbc"
  [[ $err != *partial* ]] || fail "the message names a temporary file: $err"
  [[ -z $(find "$work" -maxdepth 1 -name '*demo.db*') ]] || fail "a database file was left behind"
}

case_connect_string_to_sqlite() {
  run "${demo[@]}" item 1001
  expect_status 0
  run --connect "DRIVER=SQLite3;Database=$work/demo.db" --kind sqlserver --json customer-codes C 42 1001
  expect_status 0
  expect_out '{"command":"customer-codes","module":"MARQUETH","function_code":"3","keys":{"customer_kind":"C","customer_code":"00042","item_code":"1001"},"fields":{"customer_item_code":"PARA500-CLI42","barcode":"7891000100017"},"status":"00000","meaning":"found","found":true,"return_code":0}'
}

case_kind_sqlserver_asks_for_the_static_cursor() {
  # The driver manager's trace shows what reached the driver: the module asks for the static
  # cursor only when its kind field holds exactly "SQLSERVER" and six spaces.
  run "${demo[@]}" item 1001
  mkdir -p "$work/odbc"
  printf '[ODBC]\nTrace=Yes\nTraceFile=%s\n' "$work/trace" >"$work/odbc/odbcinst.ini"
  # The SQLite driver as the suite's own odbcinst.ini names it (ctest sets ODBCSYSINI).
  sed -n '/^\[SQLite3\]/,/^$/p' "${ODBCSYSINI:-/etc}/odbcinst.ini" >>"$work/odbc/odbcinst.ini"
  local kind static_cursors
  for kind in SQLSERVER sqlserver "" ORACLE SQLSERVER2; do
    rm -f "$work/trace"
    ODBCSYSINI=$work/odbc run "${demo[@]}" --kind "$kind" item 1001
    expect_status 0
    static_cursors=$(grep -A1 'Option = SQL_ATTR_CURSOR_TYPE' "$work/trace" | grep -c 'Value = 3')
    case $kind in
      SQLSERVER | sqlserver) [[ $static_cursors == 1 ]] || fail "--kind '$kind': no static cursor" ;;
      *) [[ $static_cursors == 0 ]] || fail "--kind '$kind' asked for a static cursor" ;;
    esac
  done
}

case_bad_connection_string() {
  run --connect "this is not a connection string" item 1001
  expect_status 2
  expect_no_out
  expect_err_contains 'cannot connect with "this is not a connection string"'
  expect_err_contains "Data source name not found"
}

case_missing_driver() {
  run --connect "DRIVER=NoSuchDriver;Database=x;PWD=secret" item 1001
  expect_status 2
  expect_no_out
  expect_err_contains "Can't open lib 'NoSuchDriver'"
  expect_err_contains "PWD=***"
  [[ $err != *secret* ]] || fail "the password was printed"
}

case_missing_data_source() {
  run --dsn NoSuchSource item 1001
  expect_status 2
  expect_no_out
  expect_err_contains 'cannot connect with "DSN=NoSuchSource"'
}

case_unknown_subcommand() {
  run "${demo[@]}" frobnicate 1001
  expect_status 2
  expect_no_out
  [[ $err == "itemlookup: unknown subcommand 'frobnicate' (try 'itemlookup help')" ]] ||
    fail "unexpected message: $err"
}

case_oversized_item_code() {
  run "${demo[@]}" item ABCDEFGHIJKLMNOPQ
  expect_status 2
  expect_no_out
  [[ $err == "itemlookup: item: item code 'ABCDEFGHIJKLMNOPQ' is 17 bytes long; the field holds 16 (usage: item ITEM)" ]] ||
    fail "unexpected message: $err"
  # Refused before connecting: not even the demo database was made.
  [[ ! -e $work/demo.db ]] || fail "the demo database was made for a refused lookup"
  run "${demo[@]}" customer-resolve C 42 "$(printf 'X%.0s' {1..51})"
  expect_status 2
  expect_err_contains "customer item code"
  expect_err_contains "the field holds 50"
}

case_bad_customer_code() {
  local code
  for code in 123456 4x -1 ""; do
    run "${demo[@]}" customer-item C "$code" 1001
    expect_status 2
    expect_no_out
    expect_err_contains "customer code '$code' must be 1 to 5 digits"
  done
  run "${demo[@]}" customer-item CC 42 1001
  expect_status 2
  expect_err_contains "customer kind 'CC' must be one byte"
  # Keys are counted in bytes; blank keys are empty keys, on the command line as in a batch.
  run "${demo[@]}" item "ÇÇÇÇÇÇÇÇÇ"
  expect_err_contains "item code 'ÇÇÇÇÇÇÇÇÇ' is 18 bytes long; the field holds 16"
  for key in "" "   "; do
    run "${demo[@]}" item "$key"
    expect_status 2
    expect_err_contains "item: item code is empty"
    run "${demo[@]}" batch < <(printf 'item "%s"\n' "$key")
    expect_status 2
    expect_out '{"line":1,"error":"item: item code is empty (usage: item ITEM)"}'
  done
  run "${demo[@]}" customer-item " " 42 1001
  expect_err_contains "customer kind is empty"
}

case_usage_errors() {
  run "${demo[@]}" item
  expect_status 2
  expect_err_contains "missing ITEM"
  run "${demo[@]}" item 1001 1002
  expect_status 2
  expect_err_contains "unexpected argument '1002'"
  run "${demo[@]}" resolve
  expect_status 2
  expect_err_contains "give at least one of its options"
  run "${demo[@]}" resolve --colour red
  expect_status 2
  expect_err_contains "unknown option '--colour'"
  run "${demo[@]}" --kind ABCDEFGHIJKLMNOP item 1001
  expect_status 2
  expect_err_contains "--kind 'ABCDEFGHIJKLMNOP' is 16 bytes long; the field holds 15"
  run "${demo[@]}" --kind A --kind B item 1001
  expect_status 2
  expect_err_contains "--kind is given twice"
  run --json --json item 1001
  expect_err_contains "--json is given twice"
  run --demo-db "" item 1001
  expect_status 2
  expect_err_contains "--demo-db is empty: give a path"
  run --modules= item 1001
  expect_err_contains "--modules is empty: give a path"
  for retries in -1 11 x 1.5 "" 007; do
    run "${demo[@]}" --retries "$retries" item 1001
    expect_status 2
    expect_err_contains "--retries '$retries' is not a whole number from 0 to 10"
  done
  run "${demo[@]}" --retries 0 --retries=2 item 1001
  expect_status 2
  expect_err_contains "--retries is given twice"
  run "${demo[@]}" --retries=10 item 1001
  expect_status 0
  for timeout in -1 3601 1m 0x10 "" 030; do
    run "${demo[@]}" --timeout "$timeout" item 1001
    expect_status 2
    expect_err_contains "--timeout '$timeout' is not a whole number from 0 to 3600"
  done
  run "${demo[@]}" --timeout=0 --timeout 5 item 1001
  expect_err_contains "--timeout is given twice"
  run "${demo[@]}" --timeout 3600 --retries 0 item 1001
  expect_status 0
  # Under --json a usage error is also a JSON object on standard output.
  run "${demo[@]}" --json item 1001 1002
  expect_status 2
  expect_out '{"error":"item: unexpected argument '"'"'1002'"'"' (usage: item ITEM)"}'
  # After "--" nothing is an option.
  run "${demo[@]}" --json -- item --json
  expect_status 1
  expect_err_contains ""
  [[ $out == *'"keys":{"item_code":"--json"}'* ]] || fail "-- did not end the options: $out"
  run --version
  expect_status 0
  [[ $out =~ ^itemlookup\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed: $out"
  run --connect "DRIVER=SQLite3" --dsn x item 1001
  expect_status 2
  expect_err_contains "either --connect or --dsn"
  run
  expect_status 2
  expect_err_contains "no lookup given"
}

# Without a message module that hands over its reports, a database error would read as a
# missing item: no lookup runs, and the file and the entry are named.
case_message_module_missing_or_older() {
  run "${demo[@]}" item 1001
  expect_status 0
  local without="without it a database error cannot be told from a missing item; no lookup runs"
  module_folder no-message-module "$module_dir/PGMS/TARNIVEL.so"
  expect_refused "message module $folder/PGMS/SOLVAKE.so cannot be loaded (cannot open shared object file: No such file or directory): $without" \
    "resolve --barcode 7891000100017" "${demo[@]}" --modules "$folder"
  module_folder older-message-module "$module_dir/PGMS/TARNIVEL.so" "$older_dir/PGMS/SOLVAKE.so"
  expect_refused "message module $folder/PGMS/SOLVAKE.so has no entry SOLVAKE_TAKE (an older message module?): $without" \
    "item 1001" "${demo[@]}" --modules "$folder"
  # check still runs, and says what is missing.
  run "${demo[@]}" --modules "$folder" check
  [[ $out == "itemlookup check: "* ]] || fail "check did not run: $out"
  [[ $out == *"PROBLEM  host modules     message module $folder/PGMS/SOLVAKE.so has no entry SOLVAKE_TAKE"* ]] ||
    fail "check did not name the message module: $out"
}

# Without a converter that hands over its conversions, every number would read as zero: no
# lookup that converts numbers runs, nor a batch; the others need no converter.
case_converter_missing_or_older() {
  run "${demo[@]}" item 1001
  expect_status 0
  local without="without it every number reads as zero; no lookup runs"
  module_folder no-converter "$module_dir/PGMS/SOLVAKE.so"
  expect_refused "converter $folder/PGMS/TARNIVEL.so cannot be loaded (cannot open shared object file: No such file or directory): $without" \
    "item 1001" "${demo[@]}" --modules "$folder"
  module_folder older-converter "$module_dir/PGMS/SOLVAKE.so" "$older_dir/PGMS/TARNIVEL.so"
  local lookup
  for lookup in "item-summary 1003" "customer-item C 42 1001" "customer-unit C 42 1001"; do
    expect_refused "converter $folder/PGMS/TARNIVEL.so has no entry TARNIVEL_TAKE (an older converter?): $without" \
      "$lookup" "${demo[@]}" --modules "$folder"
  done
  # As a single lookup one that converts no number still runs.
  run "${demo[@]}" --modules "$folder" --json resolve --barcode 7891000100017
  expect_status 0
  expect_out '{"command":"resolve","module":"VELDORIN","function_code":"3","keys":{"barcode":"7891000100017","external_code":""},"fields":{"item_code":"1001"},"status":"00000","meaning":"found","found":true,"return_code":0}'
  run "${demo[@]}" --modules "$folder" check
  [[ $out == "itemlookup check: "* ]] || fail "check did not run: $out"
  [[ $out == *"PROBLEM  host modules     converter $folder/PGMS/TARNIVEL.so has no entry TARNIVEL_TAKE"* ]] ||
    fail "check did not name the converter: $out"
}

case_module_not_loadable() {
  mkdir -p "$work/empty"
  run "${demo[@]}" --modules "$work/empty" item 1001
  expect_status 2
  expect_no_out
  expect_err_contains "cannot load module $work/empty/VELDORIN.so"
}

case_help() {
  run help
  expect_status 0
  local command
  for command in item item-summary resolve customer-item customer-resolve customer-codes \
    customer-unit batch; do
    [[ $out == *"  $command "* || $out == *" $command ["* ]] || fail "help does not list $command"
  done
  local option
  for option in --retries --timeout; do
    [[ $out == *$'\n'"  $option "* ]] || fail "help does not list $option"
  done
  run --help
  expect_status 0
}

if [[ $(type -t "case_$case_name") != function ]]; then
  echo "no such case: $case_name" >&2
  exit 2
fi
"case_$case_name"
if ((failures > 0)); then
  echo "$failures check(s) failed in $case_name" >&2
  exit 1
fi
