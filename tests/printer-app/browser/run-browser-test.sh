#!/bin/sh
# Runs one browser test of aro-printer-app's web pages in Debian's chromium,
# driven by playwright-core installed (npm ci) into a folder of the build.
# Usage: run-browser-test.sh WORK_FOLDER TEST.mjs ARGUMENTS...
# Exit 77 (skipped) only when chromium, node or npm is not installed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$1
test=$2
shift 2

for tool in /usr/bin/chromium node npm; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done

mkdir -p "$work"
cp "$here/package.json" "$here/package-lock.json" "$here/$test" "$work/"
# npm ci empties node_modules first: run it only when the lock file changed.
if ! cmp -s "$work/package-lock.json" "$work/node_modules/.installed-lock.json"; then
    (cd "$work" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$work/package-lock.json" "$work/node_modules/.installed-lock.json"
fi
exec node "$work/$test" "$@"
