# Sourced by test.sh and scripts/fuzz.sh: configures and builds the test tree
# (clang, AddressSanitizer, UndefinedBehaviorSanitizer, libFuzzer targets).
build=build/test
jobs=${LUMIQA_JOBS:-$(nproc)}
configure_test_build() {
  cmake -S . -B "$build" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-O1 -gline-tables-only" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" \
    -DLUMIQA_SANITIZE=ON -DLUMIQA_FUZZ=ON -DLUMIQA_TESTS=ON -DLUMIQA_BENCH=ON >/dev/null
}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fuzz_targets() { tr ';' ' ' < "$build/fuzz-targets.txt"; }
