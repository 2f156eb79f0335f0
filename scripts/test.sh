#!/usr/bin/env bash
# Builds everything (warnings as errors), runs the whole test suite, then again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300 | tee build/ctest-summary.txt

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORN_WERROR=ON -DVORN_SANITIZE=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600 | tee build-asan/ctest-summary.txt

# Release build of the programs only (GCC's -O3 warnings differ from the other
# builds' and must stay clean too), the Debian package, and the package check:
# file list, dependencies, unit, desktop entries, a demo receipt from a scratch install.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_WERROR=ON \
  -DVORN_TESTS=OFF -DVORN_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build-release -j "$jobs"
(cd build-release && cpack -G DEB)
bash scripts/check-package.sh build-release

# The fuzz targets must keep building; a short smoke run of each.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORN_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build build-fuzz -j "$jobs" --target fuzz_all
for f in build-fuzz/fuzz/fuzz_*; do
  [ -f "$f" ] && [ -x "$f" ] || continue
  "$f" -runs=2000 -max_len=4096 >/dev/null 2>&1 || { echo "fuzz smoke failed: $f"; "$f" -runs=2000 -max_len=4096; exit 1; }
done
total=0
for f in build/ctest-summary.txt build-asan/ctest-summary.txt; do
  n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$f" | tail -1)
  total=$((total + ${n:-0}))
done
echo "plain and sanitizer builds:"
echo "$total passed, 0 failed"
