#!/usr/bin/env bash
# Installs, uses, upgrades, removes and purges the Debian package on this
# machine. It changes the system (packages, accounts, /etc), so it runs only
# when asked: ARO_PACKAGE_TEST=1 scripts/test.sh, or this script by itself,
# as root or with sudo. It refuses to run when aro-printer is installed.
#
# 1. builds the package of the tree and the same tree as an older version;
# 2. installs the older one, changes the machine settings, upgrades: the
#    change must survive;
# 3. prints a document with aro-print as an ordinary user, starts the
#    installed service's command line by hand (no systemd needed) and prints
#    through it with ipptool, as that user and as root (which the server
#    must hand to the fallback account);
# 4. removes and purges: nothing the package installed may be left, but the
#    users' printed files stay.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=${ARO_PACKAGE_TEST_DIR:-$root/build/package-test}
user=aro-pkgtest
old_version=2.1.6.0
port=8631

if [ "$(id -u)" -ne 0 ]; then exec sudo --preserve-env=ARO_PACKAGE_TEST_DIR,ARO_PACKAGE_TEST_REUSE "$0" "$@"; fi
export DEBIAN_FRONTEND=noninteractive

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() { # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
is_tiff() { [ "$(head -c 4 "$1" | od -An -tx1 | tr -d ' ')" = 49492a00 ]; }
# The first TIFF file in a folder, after waiting up to 60 s for one.
wait_for_tiff() {
  local folder=$1 file
  for _ in $(seq 60); do
    file=$(find "$folder" -maxdepth 1 -name '*.TIF' 2>/dev/null | head -n 1)
    [ -n "$file" ] && { echo "$file"; return 0; }
    sleep 1
  done
  return 1
}

if dpkg-query -W -f='${Status}' aro-printer 2>/dev/null | grep -q 'install ok'; then
  echo "aro-printer is installed on this machine; remove it before running this test" >&2
  exit 2
fi

# What the test makes it also takes away, and only that.
made_user=0
id "$user" >/dev/null 2>&1 || made_user=1
made_fallback=0
id aro-printer >/dev/null 2>&1 || made_fallback=1
server_pid=""
cleanup() {
  set +e  # every step is tried; what is already gone is no failure
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  dpkg-query -W aro-printer >/dev/null 2>&1 && apt-get purge -y -qq aro-printer >/dev/null 2>&1
  [ "$made_user" = 1 ] && userdel -r "$user" 2>/dev/null
  # The package leaves its system account and the printed files of network
  # jobs behind on purge; the test takes them away so that it can run again.
  if [ "$made_fallback" = 1 ]; then
    userdel aro-printer 2>/dev/null
    getent group aro-printer >/dev/null && groupdel aro-printer
    rm -rf /var/lib/aro-printer
  fi
  true
}
trap cleanup EXIT

# Builds the package into $work/NAME, unless ARO_PACKAGE_TEST_REUSE=1 and
# one is there already (a rerun after a fix in the test itself).
build_package() {
  local name=$1; shift
  if [ "${ARO_PACKAGE_TEST_REUSE:-0}" = 1 ] && ls "$work/$name"/aro-printer_*.deb >/dev/null 2>&1; then
    return 0
  fi
  "$root/scripts/package.sh" --output "$work/$name" "$@" >"$work/$name.log" 2>&1 ||
    { tail -n 30 "$work/$name.log"; exit 1; }
}

echo "== building the packages"
mkdir -p "$work"
build_package new
build_package old --version "$old_version"
new_deb=$(ls "$work"/new/aro-printer_*.deb)
old_deb=$(ls "$work"/old/aro-printer_*.deb)
new_version=$(dpkg-deb -f "$new_deb" Version)

echo "== install $old_version, change the settings, upgrade to $new_version"
apt-get install -y -qq "$old_deb" </dev/null >/dev/null
check "the fallback account is a system account" \
  test "$(getent passwd aro-printer | cut -d: -f3)" -lt 1000
check "the service gives network jobs to it" \
  grep -q '^ExecStart=.* -o fallback-user=aro-printer' /lib/systemd/system/aro-printer-app.service
check "machine.reg is a conffile" grep -qx ' */etc/aro-printer/machine.reg [0-9a-f]*' \
  <(dpkg-query -W -f='${Conffiles}\n' aro-printer)
wants=/etc/systemd/system/multi-user.target.wants/aro-printer-app.service
check "the service is enabled" test -L "$wants"
sed -i 's/"MaxPagesCount"="-1"/"MaxPagesCount"="7"/' /etc/aro-printer/machine.reg
apt-get install -y -qq "$new_deb" </dev/null >/dev/null
check "upgraded to $new_version" test "$(dpkg-query -W -f='${Version}' aro-printer)" = "$new_version"
check "the administrator's change survives the upgrade" \
  grep -q '"MaxPagesCount"="7"' /etc/aro-printer/machine.reg
sed -i 's/"MaxPagesCount"="7"/"MaxPagesCount"="-1"/' /etc/aro-printer/machine.reg
dpkg -L aro-printer >"$work/installed.txt"

echo "== aro-print as an ordinary user"
[ "$made_user" = 1 ] && useradd -m -s /bin/sh "$user"
home=$(getent passwd "$user" | cut -d: -f6)
out="$home/.local/share/ARO Printer"
ps2pdf "$root/examples/letter.ps" "$work/letter.pdf"
chmod 0644 "$work/letter.pdf"
cp "$work/letter.pdf" "$home/letter.pdf" && chown "$user:" "$home/letter.pdf"
# The shipped output folder lies under ~/.local/share, which a new account
# lacks: the user must be told, and nothing may be written elsewhere.
runuser -l "$user" -c 'aro-print letter.pdf' >"$work/no-data-folder.log" 2>&1 || true
check "without ~/.local/share the user is told why" \
  grep -q 'Could not expand environment string %APPDATA%' "$work/no-data-folder.log"
# (the user's hive takes the module's version record at every document)
written=$(find "$home" -newer "$home/letter.pdf" -type f ! -path "$home/.config/aro-printer/*")
check "and no file is written (${written:-none})" test -z "$written"
runuser -u "$user" -- mkdir -p "$home/.local/share"
# A login: the user's own environment and folder, nothing of root's.
runuser -l "$user" -c 'aro-print letter.pdf' >"$work/aro-print.log" 2>&1 ||
  fail "aro-print exits with $? ($(tail -n 3 "$work/aro-print.log"))"
printed=$(find "$out" -maxdepth 1 -name '*.TIF' | head -n 1)
check "aro-print writes a TIFF file into the user's folder" test -n "$printed"
[ -n "$printed" ] && check "it belongs to the user" test "$(stat -c %U "$printed")" = "$user"
[ -n "$printed" ] && check "it is a TIFF file" is_tiff "$printed"
rm -f "$out"/*.TIF

echo "== the installed service, started by hand"
exec_start=$(sed -n 's/^ExecStart=//p' /lib/systemd/system/aro-printer-app.service)
mkdir -p /var/lib/aro-printer-app  # the unit's StateDirectory, made by systemd
if ipptool -q "ipp://localhost:$port/ipp/print" get-printer-attributes.test 2>/dev/null; then
  echo "another server answers on port $port" >&2
  exit 1
fi
$exec_start >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 30); do
  ipptool -q "ipp://localhost:$port/ipp/print" get-printer-attributes.test 2>/dev/null && break
  sleep 1
done
check "the server answers on port $port" \
  ipptool -q "ipp://localhost:$port/ipp/print" get-printer-attributes.test

runuser -l "$user" -c "ipptool -q -f letter.pdf ipp://localhost:$port/ipp/print print-job-and-wait.test" ||
  fail "ipptool as $user"
printed=$(wait_for_tiff "$out") || printed=""
check "a job of $user lands in that user's folder" test -n "$printed"
[ -n "$printed" ] && check "and belongs to $user" test "$(stat -c %U "$printed")" = "$user"

ipptool -q -f "$work/letter.pdf" "ipp://localhost:$port/ipp/print" print-job-and-wait.test ||
  fail "ipptool as root"
fallback_out="/var/lib/aro-printer/.local/share/ARO Printer"
printed_fallback=$(wait_for_tiff "$fallback_out") || printed_fallback=""
check "a job sent as root runs as the fallback account" test -n "$printed_fallback"
[ -n "$printed_fallback" ] && check "and belongs to it" \
  test "$(stat -c %U "$printed_fallback")" = aro-printer
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=""

echo "== remove and purge"
apt-get remove -y -qq aro-printer </dev/null >/dev/null
check "remove takes the programs" test ! -e /usr/bin/aro-print
check "remove keeps the settings" test -f /etc/aro-printer/machine.reg
apt-get purge -y -qq aro-printer </dev/null >/dev/null
left=()
while IFS= read -r path; do
  [ -e "$path" ] && [ ! -d "$path" ] && left+=("$path")
done <"$work/installed.txt"
check "purge leaves none of the package's files (${left[*]:-none})" test ${#left[@]} -eq 0
for folder in /etc/aro-printer /var/lib/aro-printer-app /var/spool/aro-printer-app \
              /var/lib/aro-printer/.config/aro-printer /usr/share/doc/aro-printer; do
  check "purge removes $folder" test ! -e "$folder"
done
check "purge takes the service's enablement" test ! -e "$wants" -a ! -L "$wants"
check "the user's printed file stays" test -f "$printed"
[ -n "$printed_fallback" ] && check "the network job's printed file stays" test -f "$printed_fallback"

echo "== $failures failure(s)"
[ "$failures" -eq 0 ]
