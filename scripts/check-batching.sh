#!/usr/bin/env bash
# Checks that every library and test program builds in any batching:
#   whole  - each target as one translation unit, so any two files of a
#            target that share a file-local name or leave a macro behind
#            fail to compile together, whatever batches a later file count
#            gives (the default, after a merge that adds files);
#   single - every file alone, which shows a file calling a helper it does
#            not declare that a batch let it take from its neighbour.
# Unoptimised and unsanitized, in build/batching-<mode>; ccache helps again.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-whole}
jobs=${LUMIQA_JOBS:-$(nproc)}
case "$mode" in
  whole) unity=(-DLUMIQA_UNITY=ON -DLUMIQA_UNITY_BATCH_LIB=0 -DLUMIQA_UNITY_BATCH_TEST=0) ;;
  single) unity=(-DLUMIQA_UNITY=OFF) ;;
  *) echo "usage: $0 [whole|single]" >&2; exit 2 ;;
esac
build=build/batching-$mode
cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG=-O0 -DCMAKE_CXX_FLAGS_DEBUG=-O0 \
  -DLUMIQA_TESTS=ON -DLUMIQA_BENCH=ON -DLUMIQA_FUZZ=OFF "${unity[@]}" >/dev/null
cmake --build "$build" -j "$jobs" -- -k 0
echo "every target builds ($mode)"
