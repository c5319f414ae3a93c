#!/usr/bin/env bash
# The service's Debian package on a machine where systemd does not run (a chroot, a plain
# container: its postinst then leaves the unit for the next boot): dpkg -i, the files, the user
# and the unit in place, the installed program serving as its user (on the shipped config and
# on a config of the test's own behind a trusted proxy), dpkg -r, reinstall and dpkg -P. What
# systemd does with the unit, container-test.sh checks. Runs as root with no standard input; it
# leaves the machine as it found it.
#   tests/package/package-test.sh PACKAGE.deb
set -euo pipefail
exec </dev/null

deb=$(realpath "${1:?usage: package-test.sh PACKAGE.deb}")
source=$(cd "$(dirname "$0")/../.." && pwd)
unit=/lib/systemd/system/ostravel-service.service
config=/etc/ostravel/ostravel-service.conf
state=/var/lib/ostravel
program=/usr/bin/ostravel-service

fail() {
  echo "package test: FAILED: $*" >&2
  exit 1
}
check() {  # check WHAT COMMAND...: fails naming WHAT unless the command succeeds
  local what=$1
  shift
  "$@" || fail "$what"
}
installed() { dpkg-query -W -f='${Status}' ostravel-service 2>/dev/null | grep -q "ok installed"; }
known() { dpkg-query -W -f='${Status}' ostravel-service 2>/dev/null | grep -qv "not-installed"; }

[ "$(id -u)" -eq 0 ] || fail "run it as root: it installs the package with dpkg"
# Someone's installation or data: the test would purge it.
if known || getent passwd ostravel >/dev/null || [ -e "$state" ]; then
  fail "ostravel-service, the user ostravel or $state is on this machine already;" \
    "the test installs and purges the package, so run it where none of them is"
fi

work=$(mktemp -d /tmp/ostravel-package-test.XXXXXX)
chmod 755 "$work"
server=
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  if known; then dpkg --purge ostravel-service >/dev/null 2>&1 || true; fi
  rm -rf "$state" "$work"
}
trap cleanup EXIT

. "$source/tests/package/package-steps.sh"

echo "== dpkg -i $(basename "$deb")"
check "dpkg -i installs the package" dpkg -i "$deb" >"$work/dpkg.log" 2>&1
check_installed_files
check_user
check "adduser made no home folder" [ ! -e "$state" ]
check_unit

echo "== the installed program, as the user ostravel"
# What systemd's StateDirectory= makes at the service's first start.
install -d -o ostravel -g ostravel -m 0750 "$state"
serve_once "$config" "$state/ostravel.db" --listen 127.0.0.1:0
check "without a trusted proxy the log names the peer" \
  grep -q " 127.0.0.1 POST /message.php " "$work/serve.out"
install -d -o ostravel -g ostravel "$work/own"
printf 'db = %s\nlisten = 127.0.0.1:0\ncodepage = 1252\ntrusted_proxy = 127.0.0.1\n' \
  "$work/own/own.db" >"$work/own.conf"
serve_once "$work/own.conf" "$work/own/own.db"
check "behind the trusted proxy the log names the forwarded client" \
  grep -q " 203.0.113.9 POST /message.php " "$work/serve.out"

echo "== dpkg -r keeps the config and the database"
echo "# changed by the admin" >>"$config"
check "dpkg -r removes the package" dpkg -r ostravel-service >"$work/dpkg.log" 2>&1
check "dpkg -r removes the program" [ ! -e "$program" ]
check "dpkg -r removes the unit" [ ! -e "$unit" ]
check "dpkg -r keeps the config" grep -q "changed by the admin" "$config"
check "dpkg -r keeps the database" [ -s "$state/ostravel.db" ]

echo "== reinstall, then dpkg -P"
check "dpkg -i installs the package again" dpkg -i "$deb" >"$work/dpkg.log" 2>&1
check "a reinstall keeps the admin's config" grep -q "changed by the admin" "$config"
check "the reinstalled program runs" "$program" check --db "$state/ostravel.db" >/dev/null
check "dpkg -P purges the package" dpkg -P ostravel-service >"$work/dpkg.log" 2>&1
check_purged
echo "package test: passed"
