#!/usr/bin/env bash
# The package's checks under systemd, inside the container container-test.sh boots: run there
# as the oneshot unit ostravel-test.service, from /ostravel-test (the package, package-steps.sh
# and the schema's sources). Logs that explain a failure go into OUT.
#   container-checks.sh OUT
set -euo pipefail
exec </dev/null

out=$1
source=/ostravel-test/source
work=$(mktemp -d)
unit=/lib/systemd/system/ostravel-service.service
config=/etc/ostravel/ostravel-service.conf
state=/var/lib/ostravel
program=/usr/bin/ostravel-service
db=$state/ostravel.db
ready="Ostravel service listening on http://127.0.0.1:8080/ (database $db)"

fail() {
  echo "package test in the container: FAILED: $*"
  journalctl -u ostravel-service --no-pager >"$out/ostravel-service.log" 2>&1 || true
  exit 1
}
check() {  # check WHAT COMMAND...: fails naming WHAT unless the command succeeds
  local what=$1
  shift
  "$@" || fail "$what"
}
# eventually WHAT COMMAND...: like check, for what systemd does a moment later (tried for a
# minute or more, however busy the machine).
eventually() {
  local what=$1
  shift
  for _ in $(seq 240); do
    if "$@"; then return 0; fi
    sleep 0.25
  done
  fail "$what"
}
property() { systemctl show -p "$1" --value ostravel-service; }
has_property() { [ "$(property "$1")" = "$2" ] || fail "the unit's $1 is $(property "$1"), not $2"; }
sql() { sqlite3 "$db" "$@"; }
as_ostravel() { setpriv --reuid ostravel --regid ostravel --init-groups -- "$@"; }
ready_in_journal() { journalctl -u ostravel-service -o cat --no-pager | grep -qxF "$ready"; }

# post PATH BODY: the answer of the service through the shipped config, at once: the unit is
# active only once the service listens.
post() {
  curl -sS --fail --max-time 30 --data-binary "$2" "http://127.0.0.1:8080/$1" ||
    fail "POST /$1 got no answer"
}
fields() { echo "CID=$1&MID=1342177281&Location=0&Localtime=6/1/2025 2:30:00 PM&FLID=0"; }
motd() { post message.php "$(fields 1342177295)&args=motd"; }
bob_record() {
  echo "$(fields 1342177449)&WantFellowship=0&Name=Bob&Server=Darktide&Level=72&Race=Aluvian" \
    "&Gender=Male&Class=Adventurer&MonarchCID=1342177281&MonarchName=Queen Ann" | tr -d ' '
}

. /ostravel-test/package-steps.sh

install_package() {
  echo "== apt-get install $(basename /ostravel-test/*.deb)"
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    /ostravel-test/*.deb >"$out/apt.log" 2>&1 || fail "apt-get install (see apt.log)"
  check_installed_files
  check_user
  check_unit
  check "the unit is enabled" [ "$(systemctl is-enabled ostravel-service)" = enabled ]
  check "the unit is active after the install" systemctl is-active -q ostravel-service
  check "the ready line is the unit's status" [ "$(property StatusText)" = "$ready" ]
  eventually "the ready line is in the journal" ready_in_journal
  check "the database belongs to ostravel" [ "$(stat -c %U:%G "$db")" = ostravel:ostravel ]
  check "$state belongs to ostravel, for it alone" [ "$(stat -c %U:%a "$state")" = ostravel:750 ]
  check "the config says where the database is" grep -qx "db = $db" "$config"
  check "the members' page answers" curl -sS --fail --max-time 30 -o /dev/null \
    http://127.0.0.1:8080/
  check "motd while it serves" as_ostravel "$program" motd --db "$db" "Container test"
  check "message.php motd answers with the message of the day" \
    grep -q "Container test" <(motd)
}

# The unit's settings as systemd took them, and the hardening as the running process has it.
# Cgroup limits are not enforced on every host, so no check measures one.
check_running_unit() {
  local pid
  has_property Type notify
  has_property Restart on-failure
  has_property User ostravel
  has_property ProtectSystem strict
  has_property NoNewPrivileges yes
  has_property LimitNOFILE 4096
  has_property TimeoutStopUSec 30s
  pid=$(property MainPID)
  check "the main process runs as ostravel" \
    grep -Eq "^Uid:\s+$(id -u ostravel)\s" "/proc/$pid/status"
  check "the main process cannot gain privileges" grep -qx $'NoNewPrivs:\t1' "/proc/$pid/status"
  check "the main process has no capabilities" grep -qx $'CapEff:\t0000000000000000' \
    "/proc/$pid/status"
  check "the main process runs under a system-call filter" grep -qx $'Seccomp:\t2' \
    "/proc/$pid/status"
  check "the main process may open 4096 files" \
    grep -Eq '^Max open files +4096 +4096 ' "/proc/$pid/limits"
}

check_restart_after_kill() {
  local pid restarts stored
  echo "== kill -9 of the main process"
  post update.php "$(bob_record)" >/dev/null
  stored=$(post message.php "$(fields 1342177295)&args=send Bob kept after a kill")
  [[ "$stored" =~ ^Message\ ([0-9]+)\ to\ Bob\ stored ]] || fail "send Bob: \"$stored\""
  pid=$(property MainPID)
  restarts=$(property NRestarts)
  kill -9 "$pid"
  restarted() {
    [ "$(property NRestarts)" = $((restarts + 1)) ] && systemctl is-active -q ostravel-service
  }
  eventually "systemd restarts the killed service (NRestarts $(property NRestarts))" restarted
  check "a new process serves" [ "$(property MainPID)" != "$pid" ]
  check "the restarted service keeps the message of the day" grep -q "Container test" <(motd)
  check "the restarted service keeps the answered message" \
    grep -qw "${BASH_REMATCH[1]}" <(post message.php "$(fields 1342177449)&args=inbox new")
}

check_migration_on_restart() {
  local version
  echo "== systemctl restart on a first-version database"
  check "systemctl stop" systemctl stop ostravel-service
  rm -f "$db" "$db-wal" "$db-shm"
  make_first_version_database "$db"
  chown ostravel:ostravel "$db"
  version=$(sed -n 's/.*kSchemaVersion = \([0-9]*\);.*/\1/p' "$source/service/store/Schema.h")
  check "systemctl restart" systemctl restart ostravel-service
  motd >/dev/null
  check "the first-version database is copied beside itself" [ -f "$db.v1.bak" ]
  check "the copy is of version 1" [ "$(sqlite3 "$db.v1.bak" "PRAGMA user_version")" = 1 ]
  check "the database is migrated to version $version" \
    [ "$(sql "PRAGMA user_version")" = "$version" ]
  check "the migrated database keeps its characters" [ "$(sql "SELECT name FROM characters")" = Bob ]
}

check_clean_stop() {
  echo "== systemctl stop"
  check "systemctl stop" systemctl stop ostravel-service
  has_property ActiveState inactive
  # A stop past TimeoutStopSec ends as "timeout", a crash as "signal" or "exit-code".
  has_property Result success
  has_property ExecMainStatus 0
}

check_remove_and_purge() {
  echo "== dpkg -r, then dpkg -P"
  check "systemctl start" systemctl start ostravel-service
  echo "# changed by the admin" >>"$config"
  check "dpkg -r removes the package" dpkg -r ostravel-service >"$out/dpkg.log" 2>&1
  check "dpkg -r stops the service" bash -c "! systemctl is-active -q ostravel-service"
  check "dpkg -r removes the program" [ ! -e "$program" ]
  check "dpkg -r removes the unit" [ ! -e "$unit" ]
  check "dpkg -r keeps the config" grep -q "changed by the admin" "$config"
  check "dpkg -r keeps the database" [ -s "$db" ]
  check "dpkg -P purges the package" dpkg -P ostravel-service >"$out/dpkg.log" 2>&1
  check_purged
}

install_package
check_running_unit
check_restart_after_kill
check_migration_on_restart
check_clean_stop
check_remove_and_purge
echo "package test in the container: passed"
