#!/usr/bin/env bash
# Builds aro-printer.msi from a built AroPrinterCfg.dll with wixl and
# msibuild (Debian packages wixl and msitools).
#
# Usage: packaging/windows/build-msi.sh MODULE_DLL VERSION OUTPUT_MSI
#
# wixl knows no component conditions, so the machine-wide defaults are
# made conditional afterwards in the Component table: each is installed
# only when its property is set, given on the command line or read back
# from the package's own key (a repair, an upgrade, the removal). Without
# that, the removal would leave the values behind under Wine, or, with a
# condition that simply held then, delete values of the same names that
# the package never wrote. wixl knows no Property/@Secure either: the
# properties are added to SecureCustomProperties, so that they reach a
# per-machine installation started by a user who is not an administrator.
# wixl leaves the file version empty, which would make the module an
# unversioned file that never replaces a versioned copy; it is set to the
# module's version.
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
secure="WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;OUTPUTFOLDER;MAXPAGESCOUNT;PRINTGRPFILE;PRINTTXTFILE"
queries+=(-q "UPDATE Property SET Value='$secure' WHERE Property='SecureCustomProperties'")
queries+=(-q "UPDATE File SET Version='$version' WHERE File='AroPrinterCfg.dll'")
msibuild "$stage/aro-printer.msi" "${queries[@]}"

mkdir -p "$(dirname "$output")"
mv "$stage/aro-printer.msi" "$output"
