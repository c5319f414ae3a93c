#!/usr/bin/env bash
# The Windows workbench (ostravel.exe, which loads ostravel.dll through COM) and the Linux one
# run the same scripted sessions against one demo web service; their output, transcripts and
# settings files must be byte for byte the same.
#   workbench-parity.sh WINDOWS_EXE DLL LINUX_EXE
set -euo pipefail
windows_exe=$1 dll=$2 linux_exe=$3
[[ -x $linux_exe ]] || { echo "no Linux workbench at $linux_exe (build the dev preset)"; exit 1; }

work=$(mktemp -d)
server_pid=
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$linux_exe" serve-demo --port 0 >"$work/url" 2>"$work/serve.err" &
server_pid=$!
for _ in $(seq 50); do [[ -s $work/url ]] && break; sleep 0.1; done
url=$(head -n 1 "$work/url")
[[ $url == http://127.0.0.1:* ]] || { echo "serve-demo did not start"; cat "$work/serve.err"; exit 1; }

for side in linux windows; do
  mkdir -p "$work/$side"
  printf '<?xml version="1.0"?>\n<ostravel>\n  <server url="%s"/>\n  <chathelper savelines="20"/>\n  <update/>\n  <irc/>\n</ostravel>\n' \
    "$url" >"$work/$side/Ostravel.xml"
done

# One session on each side; $1 names it, the script comes on standard input.
run_both() {
  local name=$1
  cat >"$work/$name.script"
  "$linux_exe" run --folder "$work/linux" --transcript "$work/linux/$name.jsonl" \
    <"$work/$name.script" >"$work/linux/$name.out" 2>"$work/linux/$name.err" ||
    { echo "session $name: the Linux workbench failed"; cat "$work/linux/$name.err"; exit 1; }
  # Both sides play one character, whose first request takes the key the service gives it:
  # the Windows side starts from the settings file the first Linux session left, key and all,
  # as a player who moves the plug-in's folder would.
  if [[ ! -e $work/windows/.key-carried ]]; then
    cp "$work/linux/Ostravel.xml" "$work/windows/Ostravel.xml"
    touch "$work/windows/.key-carried"
  fi
  wine "$windows_exe" run --dll "$(winepath -w "$dll")" --folder "$(winepath -w "$work/windows")" \
    --transcript "$(winepath -w "$work/windows/$name.jsonl")" \
    <"$work/$name.script" >"$work/windows/$name.out" 2>"$work/windows/$name.err" ||
    { echo "session $name: the Windows workbench failed"; cat "$work/windows/$name.err"; exit 1; }
  # Wine's own start-up complaints ("0044:err:winediag:...") are not the workbench's.
  sed -i -E '/^[0-9a-f]{4}:(err|fixme|warn):/d' "$work/windows/$name.err"
  for file in "$name.jsonl" "$name.out" "$name.err" Ostravel.xml; do
    if ! cmp -s "$work/linux/$file" "$work/windows/$file"; then
      echo "session $name: $file differs"
      diff <(cat -A "$work/linux/$file") <(cat -A "$work/windows/$file") | head -20
      exit 1
    fi
  done
  # A session that printed nothing proves nothing (a Windows program that failed to start
  # under wine prints nothing too).
  grep -q '"kind":"chat"' "$work/linux/$name.jsonl" || { echo "session $name: no chat"; exit 1; }
  echo "session $name: the same"
}

run_both login <<'SCRIPT'
:login
@mbr whois Bob
@msg inbox new
:select 0x50000001
@guid
hello, world
:page Mbr
:choose chMbr 1
:dump lstMbr
:page Update
:check chkUpdateAuto off
:dump chkUpdateAuto
:quit
SCRIPT

# The second run reads what the first one saved.
run_both again <<'SCRIPT'
:login
:page Update
:dump chkUpdateAuto
:dump chkUpdateShare
@event list
:tick
:show Mbr
:quit
SCRIPT
grep -q '"checked":false' "$work/linux/again.jsonl" || { echo "the setting was not kept"; exit 1; }
grep -q '"kind":"clipboard"' "$work/linux/login.jsonl" || { echo "nothing was copied"; exit 1; }

# Without --dll the registered plug-in reads its files beside its own DLL, never in --folder:
# that combination is refused with a word on what to pass, and --help says where the files are.
if wine "$windows_exe" run --folder "$(winepath -w "$work/windows")" </dev/null \
  >"$work/nodll.out" 2>"$work/nodll.err"; then
  echo "run --folder without --dll was accepted"; exit 1
fi
grep -q 'run --folder needs --dll' "$work/nodll.err" || { echo "no word on --dll:"; cat "$work/nodll.err"; exit 1; }
wine "$windows_exe" run --help >"$work/help.out" 2>&1 || true
grep -q 'beside its own DLL' "$work/help.out" || { echo "--help does not say where the files are"; exit 1; }
echo "run --folder without --dll: refused"
