#!/usr/bin/env bash
# Counts what an idle workbench does: `ostravel demo` logs the sample character in, then waits
# for a line that never comes while strace counts the system calls of all its threads. An idle
# workbench should wake only for the plug-in's own timers (the IRC page's 100 ms, the post
# timer's minute): about 10 epoll_wait calls a second.
#   bench/idle-wakeups.sh [OSTRAVEL] [SECONDS]   (defaults: build/release/app/ostravel, 30)
set -euo pipefail

exe=${1:-build/release/app/ostravel}
seconds=${2:-30}
work=$(mktemp -d)
trap 'exec 3>&- 2>/dev/null || true; rm -rf "$work"' EXIT

mkfifo "$work/in"
"$exe" demo --folder "$work/folder" <"$work/in" >"$work/out" 2>&1 &
pid=$!
# Held open and silent: the workbench waits for its next line as a person thinking would.
exec 3>"$work/in"
for _ in $(seq 1 100); do
  grep -q 'OV>>' "$work/out" && break
  sleep 0.1
done
sleep 1

timeout -s INT "$seconds" strace -f -c -p "$pid" -o "$work/counts" || true
echo ':quit' >&3
exec 3>&-
wait "$pid" || true

echo "system calls of an idle, logged-in workbench in $seconds s:"
cat "$work/counts"
