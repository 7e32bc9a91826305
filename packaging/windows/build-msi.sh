#!/usr/bin/env bash
# Builds aro-printer.msi from a built AroPrinterCfg.dll with wixl and
# msibuild (Debian packages wixl and msitools).
#
# Usage: packaging/windows/build-msi.sh MODULE_DLL VERSION OUTPUT_MSI
#
# wixl knows no component conditions, so the machine-wide defaults are
# made conditional afterwards in the Component table: each is installed
# only when its property is given on the command line. The condition is
# looked at on installation only; uninstalling removes whatever was
# installed. wixl leaves the file version empty, which would make the
# module an unversioned file that never replaces a versioned copy; it is
# set to the module's version.
set -euo pipefail
[ $# -eq 3 ] || {
  echo "usage: $0 MODULE_DLL VERSION OUTPUT_MSI" >&2
  exit 2
}
module=$(realpath "$1")
version=$2
output=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)

# wixl takes File/@Source relative to the working folder.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$module" "$stage/AroPrinterCfg.dll"
(cd "$stage" && wixl -a x64 -D Version="$version" -o aro-printer.msi "$here/aro-printer.wxs")

declare -A defaults=([OutputFolder]=OUTPUTFOLDER [MaxPagesCount]=MAXPAGESCOUNT
                     [PrintGrpFile]=PRINTGRPFILE [PrintTxtFile]=PRINTTXTFILE)
queries=()
for component in "${!defaults[@]}"; do
  queries+=(-q "UPDATE Component SET Condition='${defaults[$component]}' WHERE Component='$component'")
done
queries+=(-q "UPDATE File SET Version='$version' WHERE File='AroPrinterCfg.dll'")
msibuild "$stage/aro-printer.msi" "${queries[@]}"

mkdir -p "$(dirname "$output")"
mv "$stage/aro-printer.msi" "$output"
