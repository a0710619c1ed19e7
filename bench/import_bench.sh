#!/usr/bin/env bash
# velta-book import of ROWS recipients (Google Contacts' layout, UTF-8) against its floor: the
# same rows as bare inserts through isql-fb, one transaction, into an equal new database.
# Runs alternate so both see the same machine; each prints seconds and peak memory.
#   bench/import_bench.sh [ROWS] [RUNS]      (after scripts/build.sh)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tools=$top/build/tools
rows=${1:-100000}
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$top/build/bench/make_import_files" "$rows" "$work/book.csv" "$work/book.sql"
printf '[SECTION]\nMode=local_SYS\n' >"$work/connect.ini"
mkdir -p "$work/data"
for run in $(seq "$runs"); do
  rm -f "$work/floor.gdb" "$work/data/DATA.GDB"
  "$tools/velta-createdb" "$work/floor.gdb"
  "$tools/velta-createdb" "$work/data/DATA.GDB"
  /usr/bin/time -f "run $run isql-fb inserts: %e s, peak %M KB" \
    isql-fb -q -ch UTF8 -user SYSDBA "$work/floor.gdb" -i "$work/book.sql" >/dev/null
  (cd "$work" && /usr/bin/time -f "run $run velta-book import: %e s, peak %M KB" \
    "$tools/velta-book" import book.csv >/dev/null)
done
