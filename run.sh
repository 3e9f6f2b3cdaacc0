#!/usr/bin/env bash
# Installs what is missing, builds the wizard in release mode and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIQA_TESTS=OFF -DLUMIQA_BENCH=OFF >/dev/null
cmake --build "$build" --target lumiqa -j "$(nproc)"
exec "$build/lumiqa" "$@"
