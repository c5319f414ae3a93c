#!/usr/bin/env bash
# The service's Debian package under a real systemd: a Debian 12 container, booted by
# systemd-nspawn with systemd as its PID 1, runs container-checks.sh as the oneshot unit
# ostravel-test.service, whose result becomes the container's exit code. The container has a
# network of its own (loopback only), so its service's port 8080 is no one else's.
#   tests/package/container-test.sh PACKAGE.deb
# The container's root is built once with debootstrap and kept as tar+zstd in
# OSTRAVEL_CONTAINER_CACHE (/var/cache/ostravel-nspawn by default); OSTRAVEL_SKIP_CONTAINER=1
# skips the test. Runs as root with no standard input.
set -euo pipefail
exec </dev/null

deb=$(realpath "${1:?usage: container-test.sh PACKAGE.deb}")
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
cache=${OSTRAVEL_CONTAINER_CACHE:-/var/cache/ostravel-nspawn}

fail() {
  echo "container test: FAILED: $*" >&2
  exit 1
}

if [ "${OSTRAVEL_SKIP_CONTAINER:-}" = 1 ]; then
  echo "container test: skipped (OSTRAVEL_SKIP_CONTAINER=1)"
  exit 0
fi
missing=()
for tool in systemd-nspawn debootstrap zstd; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
[ ${#missing[@]} -eq 0 ] || fail "${missing[*]} missing (scripts/setup installs them;" \
  "OSTRAVEL_SKIP_CONTAINER=1 skips this test)"
[ "$(id -u)" -eq 0 ] || fail "run it as root: systemd-nspawn boots the container"

. "$here/container-root.sh"
archive=$(container_root "$deb")

# The root is unpacked into memory: on a busy disk, writing and then deleting its 250 MB took
# longer than the test itself.
run=$(mktemp -d /var/tmp/ostravel-container.XXXXXX)
mount -t tmpfs -o size=1g,mode=0755 ostravel-container "$run"
trap 'umount "$run" && rmdir "$run"' EXIT
root=$run/root
mkdir -p "$root" "$run/out"
tar -C "$root" --zstd --numeric-owner -xf "$archive"

# What the checks need inside: the package, the checks shared with the host's package test and
# the schema sources they make a first-version database from.
test_dir=$root/ostravel-test
mkdir -p "$test_dir/source"
cp "$deb" "$test_dir/"
cp "$here/container-checks.sh" "$here/package-steps.sh" "$test_dir/"
(cd "$source" && cp --parents service/store/Schema.cpp service/store/Schema.h "$test_dir/source/")
cat >"$root/etc/systemd/system/ostravel-test.service" <<'EOF'
[Unit]
Description=Ostravel package test
After=multi-user.target

[Service]
Type=oneshot
ExecStart=/bin/bash /ostravel-test/container-checks.sh /ostravel-test/out
StandardOutput=append:/ostravel-test/out/report
StandardError=inherit
TimeoutStartSec=600s
# nspawn takes the container's exit code from systemctl exit; SuccessAction= gives none.
ExecStopPost=/bin/sh -c 'if [ "$SERVICE_RESULT" = success ]; then systemctl exit 0; else systemctl exit 1; fi'
EOF

echo "== container: boot, apt-get install $(basename "$deb"), the unit under systemd"
status=0
timeout --kill-after=30s 900s systemd-nspawn -D "$root" --register=no --keep-unit \
  --volatile=overlay --private-network --bind="$run/out:/ostravel-test/out" -b \
  --console=passive -- systemd.wants=ostravel-test.service \
  systemd.mask=console-getty.service systemd.show_status=error >"$run/boot.log" 2>&1 ||
  status=$?
cat "$run/out/report" 2>/dev/null || true
if [ "$status" -ne 0 ]; then
  echo "-- the container's console:" >&2
  tail -n 40 "$run/boot.log" >&2
  for log in "$run"/out/*.log; do
    [ -f "$log" ] || continue
    echo "-- $(basename "$log"):" >&2
    tail -n 40 "$log" >&2
  done
  fail "the checks in the container did not pass (exit $status)"
fi
echo "container test: passed"
