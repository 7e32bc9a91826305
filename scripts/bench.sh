#!/usr/bin/env bash
# Builds a Release tree and runs the benchmarks (bench/): the module against
# a direct libtiff writer per page, letterhead cost, peak memory of long
# jobs, aro-print against Ghostscript end to end, and aro-printer-app
# (--only=server: a PDF submitted over IPP with ipptool against gs, then 8
# clients with 10 jobs each at once and the server's memory; skipped when
# the server is not built or ipptool is missing); prints a summary table.
# A few minutes on two cores.
#   ARO_BENCH_BUILD   build folder (default build/bench)
#   ARO_BENCH_CACHE   rendered pages, kept between runs (default build/bench-cache)
# Further arguments go to aro_bench (e.g. --only=pages, --benchmark_filter=mono).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=${ARO_BENCH_BUILD:-build/bench}
cache=${ARO_BENCH_CACHE:-build/bench-cache}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target aro_bench

echo "== machine"
lscpu | sed -n 's/^Model name:[[:space:]]*/CPU: /p'
echo "Cores: $(nproc)"
free -h | awk '/^Mem:/ {print "Memory: " $2}'
echo "== benchmarks"
work=$(mktemp -d "${TMPDIR:-/tmp}/aro-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The printer application runs its jobs as another account (nobody, when
# the bench runs as root): it must reach the hives and output folders.
chmod 755 "$work"
"$build/aro_bench" --cache="$cache" --work="$work/run" --summary="$build/bench-summary.md" "$@"
echo "(table also in $build/bench-summary.md)"
