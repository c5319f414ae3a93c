#!/usr/bin/env bash
# A real IRC server with TLS on 127.0.0.1 for the Windows build's tests under wine, which cannot
# start Linux programs themselves.
#   tls-ngircd.sh start INFO   makes a self-signed certificate for CN=localhost, starts ngircd with
#                              it and writes "TLS-PORT FINGERPRINT PLAIN-PORT" (SHA-256, 64
#                              lower-case hex digits) to INFO once the TLS port accepts connections
#   tls-ngircd.sh stop INFO    stops that server and removes its folder
set -euo pipefail

action=${1:?start or stop}
info=${2:?the file for the port and fingerprint}

port_free() {
  ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# As root ngircd drops to "nobody", which a user namespace mapping root alone (as
# scripts/win32-namespace makes) lacks: there it starts as "nobody" of a namespace of its own.
as_nobody=()
if [ "$(id -u)" -eq 0 ] && awk '{n += $3} END {exit !(n < 65535)}' /proc/self/uid_map; then
  as_nobody=(unshare --user --map-user=65534 --map-group=65534)
fi

stop() {
  if [ -f "$info.pid" ]; then
    kill "$(cat "$info.pid")" 2>/dev/null || true
  fi
  if [ -f "$info.folder" ]; then
    rm -rf "$(cat "$info.folder")"
  fi
  rm -f "$info" "$info.pid" "$info.folder"
}

start() {
  stop
  folder=$(mktemp -d /tmp/ostravel-tls-ngircd.XXXXXX)
  echo "$folder" >"$info.folder"
  # As root ngircd drops to "nobody", which must still read everything here.
  chmod 755 "$folder"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -keyout "$folder/key.pem" -out "$folder/cert.pem" 2>/dev/null
  chmod 644 "$folder/key.pem" "$folder/cert.pem"
  fingerprint=$(openssl x509 -noout -fingerprint -sha256 -in "$folder/cert.pem" |
    sed 's/.*=//; s/://g' | tr 'A-F' 'a-f')

  for _ in 1 2 3 4 5; do
    plain=$((20000 + RANDOM % 20000))
    tls=$((plain + 1))
    port_free "$plain" && port_free "$tls" || continue
    cat >"$folder/ngircd.conf" <<CONF
[Global]
Name = irc.test.local
AdminInfo1 = test
AdminInfo2 = test
AdminEMail = test@test.local
Listen = 127.0.0.1
Ports = $plain
MotdPhrase = hello
[Limits]
MaxConnectionsIP = 0
MaxNickLength = 30
MaxPenaltyTime = 0
[Options]
PAM = no
Ident = no
DNS = no
[SSL]
CertFile = $folder/cert.pem
KeyFile = $folder/key.pem
Ports = $tls
CONF
    chmod 644 "$folder/ngircd.conf"
    "${as_nobody[@]}" /usr/sbin/ngircd -n -f "$folder/ngircd.conf" \
      </dev/null >"$folder/ngircd.log" 2>&1 &
    echo $! >"$info.pid"
    for _ in $(seq 100); do
      if ! port_free "$tls"; then
        echo "$tls $fingerprint $plain" >"$info"
        return 0
      fi
      kill -0 "$(cat "$info.pid")" 2>/dev/null || break
      sleep 0.1
    done
    kill "$(cat "$info.pid")" 2>/dev/null || true
  done
  echo "tls-ngircd.sh: ngircd did not start:" >&2
  cat "$folder/ngircd.log" >&2
  exit 1
}

case $action in
  start) start ;;
  stop) stop ;;
  *) echo "tls-ngircd.sh: start or stop" >&2; exit 2 ;;
esac
