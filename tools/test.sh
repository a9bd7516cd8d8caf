#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test twice: a normal build with warnings as
# errors, and a build with AddressSanitizer and UndefinedBehaviorSanitizer. Fails on the first failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
bash "$root/tools/deps.sh"

# Optimised builds with line tables only (-g1): the stack traces of failures keep their files and lines,
# and the builds take a quarter less time than with full debug information.
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")

echo "== normal build"
bash "$root/tools/build.sh" "$root/build/ci" "${flags[@]}" -DCORVANE_WERROR=ON
ctest --test-dir "$root/build/ci" --output-on-failure -j "$jobs"

echo "== sanitizer build (address, undefined)"
bash "$root/tools/build.sh" "$root/build/asan" "${flags[@]}" -DCORVANE_WERROR=ON \
    -DCORVANE_SANITIZE=address,undefined
# The house checks and the installation checks (which package the built programs) run once, above.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$root/build/asan" --output-on-failure -j "$jobs" -LE 'check|install'

echo "== fuzzing (clang, libFuzzer, each target ${CORVANE_FUZZ_SECONDS:-20} s)"
fuzz_targets=$(sed -n 's/^corvane_add_fuzz_target(\([a-z_]*\).*/\1/p' "$root/fuzz/CMakeLists.txt")
if [ ! -f "$root/build/fuzz/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja "${flags[@]}" \
        -DCORVANE_FUZZ=ON -DCORVANE_SANITIZE=address,undefined -DCORVANE_FUZZ_SECONDS="${CORVANE_FUZZ_SECONDS:-20}"
fi
# shellcheck disable=SC2086
cmake --build "$root/build/fuzz" --target $fuzz_targets
ctest --test-dir "$root/build/fuzz" --output-on-failure -j "$jobs" -L fuzz

echo "== all tests passed"
