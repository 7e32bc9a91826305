#!/usr/bin/env bash
# Builds the module and runs every test: the suite with warnings as errors,
# the suite again under AddressSanitizer and UndefinedBehaviorSanitizer, a
# short fuzzing run of every fuzz target, the formatting check, and the
# Windows build of the module with its suites under Wine
# (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh

jobs=$(nproc)
passed=0
skipped=0
# Runs ctest on a build folder and adds its counts to the totals.
run_ctest() {
  local log
  log=$(mktemp)
  ctest --test-dir "$1" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local total skip
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  skip=$(grep -c '(Skipped)' "$log" || true)
  rm -f "$log"
  [ "$status" -eq 0 ] || exit "$status"
  passed=$((passed + ${total:-0} - skip))
  skipped=$((skipped + skip))
}
fuzz_seconds=${ARO_FUZZ_SECONDS:-20}

echo "== format check"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror $files

echo "== build and test"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARO_WERROR=ON >/dev/null
cmake --build build/release -j "$jobs"
run_ctest build/release

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DARO_WERROR=ON -DARO_SANITIZE=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/sanitize -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$root/tests/lsan.supp"
run_ctest build/sanitize
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

echo "== fuzzing (${fuzz_seconds}s a target)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DARO_FUZZ=ON -DARO_SANITIZE=ON \
  -DARO_BUILD_TESTS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build build/fuzz -j "$jobs"
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  case "$name" in
    fuzz_reg_hive) corpus="$root/fuzz/corpus/reg_hive" ;;
    *) corpus="$root/fuzz/corpus/background" ;;  # the loader and the planar scan read TIFF files
  esac
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "-- $name"
  "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 "$work" 2>&1 | tail -n 2
  rm -rf "$work"
done

echo "== Windows: cross-build with MinGW-w64, tests under Wine"
windows_log=$(mktemp)
scripts/test-windows.sh 2>&1 | tee "$windows_log"
windows_status=${PIPESTATUS[0]}
windows_passed=$(sed -n 's/^Windows tests: \([0-9]*\) passed.*/\1/p' "$windows_log" | tail -n 1)
rm -f "$windows_log"
[ "$windows_status" -eq 0 ] || exit "$windows_status"
passed=$((passed + ${windows_passed:-0}))

# The Debian package, installed, used and purged on this machine: only when
# asked, since it installs packages and adds accounts.
if [ "${ARO_PACKAGE_TEST:-0}" = 1 ]; then
  echo "== Debian package: install, print, upgrade, purge"
  tests/package/package-test.sh
  passed=$((passed + 1))
fi

echo "tests: $passed passed, 0 failed, $skipped skipped"
