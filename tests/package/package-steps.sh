# The package test's checks, sourced by package-test.sh (which defines fail, check and the
# paths).

wants=/etc/systemd/system/multi-user.target.wants/ostravel-service.service

check_installed_files() {
  check "$program is installed and executable" [ -x "$program" ]
  check "the unit is installed as $unit" [ -f "$unit" ]
  check "the config is installed as $config" [ -f "$config" ]
  check "the config is a conffile" dpkg-query --control-show ostravel-service conffiles \
    | grep -qx "$config"
  check "the README is installed" [ -f /usr/share/doc/ostravel-service/README.md ]
  check "the package installs nothing of the plug-in" \
    bash -c "! dpkg -L ostravel-service | grep -Eq 'ostravel\\.dll|/bin/ostravel$|Ostravel\\.xml|\\.a$|/include/'"
  check "$program --help runs" "$program" --help >/dev/null
}

check_user() {
  local entry
  entry=$(getent passwd ostravel) || fail "the system user ostravel was not made"
  IFS=: read -r _ _ uid gid _ home shell <<<"$entry"
  check "ostravel is a system user (uid $uid)" [ "$uid" -lt 1000 ]
  check "ostravel's home is $state (it is $home)" [ "$home" = "$state" ]
  check "ostravel cannot log in (shell $shell)" [ "$shell" = /usr/sbin/nologin ]
  check "ostravel has its own group" [ "$(getent group ostravel | cut -d: -f3)" = "$gid" ]
  check "adduser made no home folder" [ ! -e "$state" ]
}

check_unit() {
  local out score
  out=$(systemd-analyze verify "$unit" 2>&1) || fail "systemd-analyze verify $unit: $out"
  if grep -i "ostravel" <<<"$out"; then fail "systemd-analyze verify warns about the unit"; fi
  out=$(systemd-analyze security --offline=yes "$unit" 2>&1) || fail "systemd-analyze security"
  score=$(sed -n 's/.*Overall exposure level for ostravel-service.service: \([0-9.]*\) .*/\1/p' \
    <<<"$out")
  check "systemd-analyze security rates the unit OK or better (it says: ${score:-nothing})" \
    awk -v s="$score" 'BEGIN { exit !(s != "" && s + 0 < 2.0) }'
  echo "systemd-analyze security: exposure $score"
  check "the unit is enabled" [ "$(readlink "$wants")" = "$unit" ]
  check "the unit runs serve on the config" \
    grep -qx "ExecStart=$program serve --config $config" "$unit"
}

# serve_once CONFIG DATABASE [OPTION...]: the installed program serves as the user ostravel,
# with the config and options given, on DATABASE (what its ready line must name); an admin
# command sets the message of the day while it serves and one request (which says it was
# forwarded for 203.0.113.9) reads it back; SIGTERM ends it with 0.
serve_once() {
  local conf=$1 db=$2 ready port status
  shift 2
  setpriv --reuid ostravel --regid ostravel --init-groups -- \
    "$program" serve --config "$conf" "$@" >"$work/serve.out" 2>"$work/serve.err" &
  server=$!
  for _ in $(seq 100); do
    ready=$(head -n 1 "$work/serve.out")
    [ -n "$ready" ] || ! kill -0 "$server" 2>/dev/null && break
    sleep 0.1
  done
  [[ "$ready" =~ ^"Ostravel service listening on http://127.0.0.1:"([0-9]+)"/ (database $db)"$ ]] ||
    fail "serve --config $conf $*: no ready line on $db (\"$ready\"; $(cat "$work/serve.err"))"
  port=${BASH_REMATCH[1]}
  check "motd --db $db while it serves" setpriv --reuid ostravel --regid ostravel --init-groups \
    -- "$program" motd --db "$db" "Package test" >/dev/null
  status=$(curl -sS --max-time 10 -o "$work/answer" -w '%{http_code}' \
    -H "X-Forwarded-For: 203.0.113.9" \
    --data-binary "CID=1342177295&MID=1342177281&Location=0&FLID=0&args=motd" \
    "http://127.0.0.1:$port/message.php") || fail "no answer from the installed program"
  check "message.php motd answers 200 (it answered $status)" [ "$status" = 200 ]
  check "the answer has the message of the day" grep -q "Package test" "$work/answer"
  kill -TERM "$server"
  wait "$server" || fail "serve did not exit 0 on SIGTERM ($(cat "$work/serve.err"))"
  server=
}

# A database of the first schema version, as the first release made it.
make_first_version_database() {
  local db=$1
  awk '/R"sql\(/ { on = 1; next } on && /\)sql"/ { exit } on' "$source/service/store/Schema.cpp" \
    >"$work/v1.sql"
  check "the first schema step is read from Schema.cpp" grep -q "CREATE TABLE characters" \
    "$work/v1.sql"
  sqlite3 "$db" <"$work/v1.sql"
  sqlite3 "$db" "INSERT INTO characters (id, name, name_key, level, updated_at) VALUES
    (1342177449, 'Bob', 'bob', 72, '2025-05-01 10:00:00'); PRAGMA user_version=1;"
}

check_upgrade() {
  local old=$work/old/old.db version
  install -d -o ostravel -g ostravel "$work/old"
  make_first_version_database "$old"
  chown ostravel:ostravel "$old"
  version=$(sed -n 's/.*kSchemaVersion = \([0-9]*\);.*/\1/p' "$source/service/store/Schema.h")
  # --db wins over the shipped config's db.
  serve_once "$config" "$old" --db "$old" --listen 127.0.0.1:0
  check "the first-version database is copied beside itself" [ -f "$old.v1.bak" ]
  check "the copy is of version 1" [ "$(sqlite3 "$old.v1.bak" "PRAGMA user_version")" = 1 ]
  check "the database is migrated to version $version" \
    [ "$(sqlite3 "$old" "PRAGMA user_version")" = "$version" ]
  check "the migrated database keeps its characters" \
    [ "$(sqlite3 "$old" "SELECT name FROM characters")" = Bob ]
}

check_purged() {
  check "dpkg -P leaves no trace in dpkg" bash -c "! dpkg-query -W ostravel-service 2>/dev/null"
  check "dpkg -P removes the config" [ ! -e "$config" ]
  check "dpkg -P removes /etc/ostravel" [ ! -e /etc/ostravel ]
  check "dpkg -P removes the user ostravel" bash -c "! getent passwd ostravel"
  check "dpkg -P removes the group ostravel" bash -c "! getent group ostravel"
  check "dpkg -P removes the unit's enablement" [ ! -L "$wants" ]
  check "dpkg -P removes the mask of the removed unit" \
    [ ! -L /etc/systemd/system/ostravel-service.service ]
  check "dpkg -P leaves no state of deb-systemd-helper" \
    [ -z "$(find /etc/systemd /var/lib/systemd -name 'ostravel-service*' 2>/dev/null)" ]
  check "dpkg -P keeps the database, which the service made" [ -s "$state/ostravel.db" ]
}
