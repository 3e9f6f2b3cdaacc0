#!/usr/bin/env bash
# Explores fuzz targets: scripts/fuzz.sh [target] [seconds]
# Each target (or the one named, with or without its fuzz_ prefix) runs for
# the given time (default 300 s) on a fresh corpus in the build tree, seeded
# from tests/fuzz/seeds/<target>/. Extra libFuzzer flags for a target live in
# tests/fuzz/fuzz_<target>.options, one per line. A crashing, leaking, slow or
# out-of-memory input is copied into the seeds, where ./test.sh replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/test-build.sh
want=${1:-}
seconds=${2:-300}
configure_test_build
if [ -n "$want" ]; then
  targets=fuzz_${want#fuzz_}
else
  cmake --build "$build" -j "$jobs" --target all >/dev/null
  targets=$(fuzz_targets)
fi

found=0
for name in $targets; do
  cmake --build "$build" -j "$jobs" --target "$name" >/dev/null
  short=${name#fuzz_}
  seeds=tests/fuzz/seeds/$short
  work=$build/fuzz-explore/$short
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts" "$seeds"
  options=()
  if [ -f "tests/fuzz/$name.options" ]; then
    while read -r line; do [ -n "$line" ] && options+=("$line"); done < "tests/fuzz/$name.options"
  fi
  echo "fuzz: $name for ${seconds}s ${options[*]-}"
  status=0
  "$build/tests/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 ${options[@]+"${options[@]}"} \
    "$work/corpus" "$seeds" > "$work/log" 2>&1 || status=$?
  grep -E '^(#[0-9]+ *DONE|stat::number_of_executed_units|stat::new_units_added)' "$work/log" || true
  for f in "$work"/artifacts/*; do
    [ -e "$f" ] || continue
    kept=$seeds/$(basename "$f")
    cp "$f" "$kept"
    echo "  found: $kept"
    found=1
  done
  if [ "$status" -ne 0 ]; then
    grep -m1 -E 'ERROR:|runtime error:|SUMMARY:' "$work/log" || tail -20 "$work/log"
    found=1
  fi
done
[ "$found" -eq 0 ] && echo "fuzz: nothing found" || { echo "fuzz: findings kept under tests/fuzz/seeds/; fix them before landing"; exit 1; }
