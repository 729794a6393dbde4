#!/usr/bin/env bash
# Runs every libFuzzer target over the engine for SECONDS each (default 60), seeded from the peer fixtures and
# from the targets' own sound files. Crashes, hangs and leaks are written to build/fuzz/findings/<target>/; keep
# each as a small file under tests/fuzz_regressions/<target>/ so the normal tests replay it.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (targets: table memo ndx expression)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(table memo ndx expression)
if ! command -v clang++ >/dev/null; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends clang
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
fixtures=${VELMORA_FIXTURES_DIR:-../shared/fixtures}
work=build/fuzz/work
mkdir -p "$work"
VELMORA_FUZZ_SEEDS="$work/own" build/fuzz/fuzz/fuzz_expression -runs=0 >/dev/null 2>&1 || true
for t in "${targets[@]}"; do
  corpus="$work/corpus/$t"
  findings="build/fuzz/findings/$t"
  mkdir -p "$corpus" "$findings"
  case $t in
    table) pattern='*.[dD][bB][fF]' ;;
    memo) pattern='*.[dDfF][bBpP][tT]' ;;
    ndx) pattern='*.[nN][dD][xX]' ;;
    expression) pattern='' ;;
  esac
  if [ -n "$pattern" ] && [ -d "$fixtures" ]; then
    find "$fixtures" -type f -name "$pattern" -size -256k -exec cp -n {} "$corpus/" \; 2>/dev/null || true
  fi
  case $t in
    table) cp -n "$work/own/table/"* "$corpus/" 2>/dev/null || true ;;
    ndx) cp -n "$work/own/ndx/"* "$corpus/" 2>/dev/null || true ;;
    memo) cp -n "$work/own/memo/"* "$corpus/" 2>/dev/null || true ;;
    expression) cp -n "$work/own/expr/"* "$corpus/" 2>/dev/null || true ;;
  esac
  [ -d "tests/fuzz_regressions/$t" ] && cp -n "tests/fuzz_regressions/$t/"* "$corpus/" 2>/dev/null || true
  echo "== $t for ${seconds}s"
  build/fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" 2>&1 | grep -E "^(#[0-9]+.*DONE|stat::|==|SUMMARY|artifact)" || true
  echo "findings: $(find "$findings" -type f | wc -l)"
done
