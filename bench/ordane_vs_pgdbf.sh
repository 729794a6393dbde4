#!/usr/bin/env bash
# Times the ordane tool against pgdbf, a C converter of DBF files to SQL text, on the same table of 1,000,000
# records of 100 bytes, whole process, page cache warm; prints each time and its ratio to pgdbf's. Also times
# verify of a 20-character NDX tag against the index build of the same tag.
# Usage: bench/ordane_vs_pgdbf.sh [BUILD_DIR] [RECORDS]   (default build/default, 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=${1:-build/default}
records=${2:-1000000}
cmake --build "$build" --target ordane >/dev/null
ordane="$build/tools/ordane"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 bench/make_people_table.py "$work/people.dbf" "$records"

# Best of three runs, in seconds.
best() {
  local best_time=""
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    best_time=$(python3 -c "import sys; t=float(sys.argv[2])-float(sys.argv[1]); b=sys.argv[3]; print(t if not b or t<float(b) else b)" "$start" "$end" "$best_time")
  done
  echo "$best_time"
}
ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$2"; }

cat "$work/people.dbf" >/dev/null  # warm the page cache
pgdbf_time=$(best pgdbf "$work/people.dbf")
jsonl_time=$(best "$ordane" dump "$work/people.dbf" --format jsonl)
csv_time=$(best "$ordane" dump "$work/people.dbf" --format csv)
raw_time=$(best "$ordane" dump "$work/people.dbf" --raw)
index_time=$(best "$ordane" index "$work/people.dbf" --create "$work/name.ndx" --key NAME)
verify_time=$(best "$ordane" verify "$work/people.dbf" --index "$work/name.ndx")

printf '%-28s %8s %8s\n' command seconds ratio
printf '%-28s %8.3f %8s\n' "pgdbf" "$pgdbf_time" "1.00"
printf '%-28s %8.3f %8s\n' "ordane dump --format jsonl" "$jsonl_time" "$(ratio "$jsonl_time" "$pgdbf_time")"
printf '%-28s %8.3f %8s\n' "ordane dump --format csv" "$csv_time" "$(ratio "$csv_time" "$pgdbf_time")"
printf '%-28s %8.3f %8s\n' "ordane dump --raw" "$raw_time" "$(ratio "$raw_time" "$pgdbf_time")"
printf '%-28s %8.3f %8s\n' "ordane index (NAME, C 20)" "$index_time" "1.00"
printf '%-28s %8.3f %8s   (to index)\n' "ordane verify" "$verify_time" "$(ratio "$verify_time" "$index_time")"
