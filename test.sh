#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, then runs each fuzz target
# briefly on its seeds.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

build=build/test
jobs=$(nproc)
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-O1 -g" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DLUMIQA_SANITIZE=ON -DLUMIQA_FUZZ=ON -DLUMIQA_TESTS=ON -DLUMIQA_BENCH=ON >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$build" && ctest -j "$jobs" --output-on-failure --timeout 300)

# Fuzz: new inputs go to a scratch corpus in the build tree, seeds stay clean.
seconds=${LUMIQA_FUZZ_SECONDS:-5}
for name in $(tr ';' ' ' < "$build/fuzz-targets.txt"); do
  seeds=tests/fuzz/seeds/${name#fuzz_}
  corpus=$build/fuzz-corpus/$name
  mkdir -p "$corpus"
  [ -d "$seeds" ] || seeds=""
  echo "fuzz: $name for ${seconds}s"
  "$build/tests/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=0 "$corpus" $seeds > "$build/fuzz-$name.log" 2>&1 || {
      tail -50 "$build/fuzz-$name.log"; echo "fuzz target $name failed"; exit 1; }
done
echo "all tests passed"
