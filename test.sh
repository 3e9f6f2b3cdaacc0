#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, then replays every fuzz
# target's kept inputs. Nothing here explores or depends on timing, so the
# same commit always gets the same verdict; scripts/fuzz.sh explores.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
. scripts/test-build.sh
configure_test_build
cmake --build "$build" -j "$jobs"

(cd "$build" && ctest -j "$jobs" --output-on-failure --timeout 300)

# Each kept input (seeds and fixed findings) runs once; a failure names it.
for name in $(fuzz_targets); do
  seeds=tests/fuzz/seeds/${name#fuzz_}
  [ -d "$seeds" ] || continue
  echo "fuzz replay: $name ($(find "$seeds" -type f | wc -l) inputs)"
  "$build/tests/fuzz/$name" -runs=0 -rss_limit_mb=2048 -timeout=120 \
    -print_final_stats=0 -artifact_prefix="$build/fuzz-$name-" "$seeds" > "$build/fuzz-$name.log" 2>&1 || {
      tail -50 "$build/fuzz-$name.log"; echo "fuzz target $name failed on a kept input"; exit 1; }
done
echo "all tests passed"
