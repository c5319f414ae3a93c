#!/usr/bin/env bash
# Installs Ostravel silently under wine into a scratch folder, checks the files, the COM
# registration and the entry in Decal's list of plug-ins, updates over a player's changed
# settings (also with a new address of the web service, /URL=), uninstalls silently and checks
# that the DLL, its registration and its entry are gone (another plug-in's entry stays) while
# the player's Ostravel.xml and log.txt stay. Then a silent fresh install with /URL= and one
# with an address that is no http or https address.
#   installer-test.sh SETUP.EXE   (WINEPREFIX and WINEDEBUG as for the other Windows tests)
set -euo pipefail

setup=$1
starter="$(dirname "$0")/../../installer/Ostravel.xml"
placeholder='http://www.example.com/ostravel/'
class_key='HKCR\CLSID\{0277BF8F-7C11-4FC2-A64D-7C1776CCA881}'
plugins_key='HKLM\Software\Decal\Plugins'
decal_key="$plugins_key\{0277BF8F-7C11-4FC2-A64D-7C1776CCA881}"
other_key="$plugins_key\{11111111-2222-3333-4444-555555555555}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
folder="$scratch/Ostravel"
target=$(winepath -w "$folder")

fail() { echo "FAIL: $*" >&2; exit 1; }
# A value of Decal's entry in the 32-bit view: the default value with /ve, else by name.
decal_value() {
  wine reg query "$decal_key" "$@" /reg:32 2>/dev/null | tr -d '\r' |
    sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p'
}
registered_path() {
  wine reg query "$class_key\\InprocServer32" /ve /reg:32 2>/dev/null | tr -d '\r' |
    sed -n 's/.*REG_SZ[[:space:]]*//p'
}

# Another plug-in Decal lists, which the uninstaller must leave alone.
wine reg add "$other_key" /ve /d "Other" /f /reg:32 >/dev/null

# /D must come last; the installer does not take it in quotes, so the path has no spaces.
wine "$setup" /S "/D=$target"
[ -f "$folder/ostravel.dll" ] || fail "ostravel.dll was not installed"
[ -f "$folder/Uninstall.exe" ] || fail "the uninstaller was not written"
cmp -s "$starter" "$folder/Ostravel.xml" ||
  fail "Ostravel.xml is not the starter file (no /URL= keeps its example address)"
[ "$(registered_path)" = "$target\\ostravel.dll" ] ||
  fail "registered path is '$(registered_path)', not '$target\\ostravel.dll'"
wine reg query 'HKCR\Ostravel.OstravelMain\CLSID' /ve /reg:32 | grep -q '{0277BF8F' ||
  fail "ProgID not registered"
[ "$(decal_value /ve)" = "Ostravel" ] || fail "Decal's entry is named '$(decal_value /ve)'"
[ "$(decal_value /v Enabled)" = "0x1" ] || fail "Decal's entry has Enabled '$(decal_value /v Enabled)'"

# The player changes the settings and the plug-in has logged; an update keeps both, and one
# with /URL= changes the address alone, byte for byte.
settings() {
  printf '<?xml version="1.0" encoding="windows-1252"?>\r\n<!-- mine -->\r\n<ostravel>\r\n'
  printf '  <server url="%s" note="x"/>\r\n' "$1"
  printf '  <chathelper savelines="5"><chatline name="Tam" text="caf\xe9 &amp; cake"/></chathelper>\r\n'
  printf '  <update><character name="Ostra Vel" shareinfo="False" autoupdate="True"/></update>\r\n'
  printf '  <irc><channel server="irc.example.net" port="6667" channel="#a" command="a" colorcode="5" join="True"/></irc>\r\n'
  printf '</ostravel>\r\n'
}
settings "http://players.example/" >"$folder/Ostravel.xml"
echo "12/6/2026 1:00:00 PM Error in OstravelMain.Iplugin2_Initialize" >"$folder/log.txt"
wine "$setup" /S "/D=$target"
settings "http://players.example/" | cmp -s - "$folder/Ostravel.xml" ||
  fail "an update changed the player's settings"
wine "$setup" /S "/URL=https://ostravel.example.org/sable/" "/D=$target"
settings "https://ostravel.example.org/sable/" | cmp -s - "$folder/Ostravel.xml" ||
  fail "an update with /URL= changed more than the address: $(cat "$folder/Ostravel.xml")"

# The silent uninstaller starts a copy of itself and returns at once: wait for its work.
wine "$folder/Uninstall.exe" /S
for _ in $(seq 1 100); do
  [ -e "$folder/ostravel.dll" ] || [ -e "$folder/Uninstall.exe" ] || break
  sleep 0.2
done
[ ! -e "$folder/ostravel.dll" ] || fail "ostravel.dll is still there"
[ ! -e "$folder/Uninstall.exe" ] || fail "the uninstaller is still there"
[ -z "$(registered_path)" ] || fail "the class is still registered"
wine reg query "$class_key" /reg:32 >/dev/null 2>&1 && fail "the class key is still there"
wine reg query "$decal_key" /reg:32 >/dev/null 2>&1 && fail "Decal's entry is still there"
wine reg query "$other_key" /reg:32 >/dev/null 2>&1 || fail "another plug-in's entry was removed"
wine reg delete "$other_key" /f /reg:32 >/dev/null
grep -q 'ostravel.example.org/sable/' "$folder/Ostravel.xml" ||
  fail "the player's settings were removed"
[ -s "$folder/log.txt" ] || fail "the log was removed"

# A new player who pastes the address from the members' page: the starter file with it.
fresh="$scratch/Fresh"
wine "$setup" /S "/URL=http://127.0.0.1:8080/" "/D=$(winepath -w "$fresh")"
sed "s|$placeholder|http://127.0.0.1:8080/|" "$starter" | cmp -s - "$fresh/Ostravel.xml" ||
  fail "a fresh install with /URL= wrote: $(cat "$fresh/Ostravel.xml")"
wine "$fresh/Uninstall.exe" /S
for _ in $(seq 1 100); do [ -e "$fresh/ostravel.dll" ] || break; sleep 0.2; done

# An address that is no web address stops the installer before it installs anything.
refused="$scratch/Refused"
status=0
wine "$setup" /S "/URL=ftp://ostravel.example.org/" "/D=$(winepath -w "$refused")" || status=$?
[ "$status" -eq 2 ] || fail "an ftp address gave exit code $status, not 2"
[ ! -e "$refused/ostravel.dll" ] || fail "an ftp address was installed"
echo "installer test passed"
