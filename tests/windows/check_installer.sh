#!/usr/bin/env bash
# The installer under Wine, silently (/S): for the user (/CurrentUser /PATH)
# and for all users (/AllUsers), the programs, the Start-menu folder and the
# Apps entry with every value; the user's PATH gets the folder once however
# often it is installed. The Apps entry's QuietUninstallString takes all of
# it away and leaves the PATH as it was, to the character.
#   check_installer.sh SETUP_EXE
set -euo pipefail
WINE=${WINE:-/usr/lib/wine/wine64}
: "${WINEPREFIX:?}"
export WINEDEBUG=-all
APPS='Software\Microsoft\Windows\CurrentVersion\Uninstall\VX500-500A Monitor'
fail() { echo "installer: $*" >&2; exit 1; }
winvar() { "$WINE" cmd /c echo "%$1%" | tr -d '\r'; }
unix() { "$WINE" winepath -u "$1" | tr -d '\r'; }
value() { sed -n "s/^ *$2 *REG_[A-Z_]* *//p" <<<"$1"; } # reg query's text, name
user_path() { "$WINE" reg query 'HKCU\Environment' /v Path 2>/dev/null | tr -d '\r' | grep -i '^ *Path ' || true; }

# HIVE MODE FOLDER START_MENU: install, check, uninstall, check nothing is left.
round() {
    local folder menu
    folder=$(unix "$3") menu=$(unix "$4\\VX500-500A Monitor")
    # What an earlier run left would hide what this one does not do.
    "$WINE" reg delete "$1\\$APPS" /f >/dev/null 2>&1 || true
    rm -rf "$folder" "$menu"
    "$WINE" "$SETUP" /S "/$2" ${PATH_FLAG:-}
    "$WINE" "$SETUP" /S "/$2" ${PATH_FLAG:-} # a second time changes nothing
    local entry quiet exe size
    entry=$("$WINE" reg query "$1\\$APPS" | tr -d '\r') || fail "no Apps entry under $1"
    for name in DisplayName DisplayVersion Publisher DisplayIcon InstallLocation UninstallString \
        QuietUninstallString EstimatedSize NoModify NoRepair; do
        [ -n "$(value "$entry" $name)" ] || fail "the Apps entry under $1 has no $name"
    done
    [ "$(value "$entry" InstallLocation)" = "$3" ] || fail "InstallLocation is not $3"
    [ "$(value "$entry" DisplayIcon)" = "$3\\vx500-monitor.exe" ] || fail "DisplayIcon is not the monitor"
    for file in vx500-monitor.exe vx500ctl.exe README.txt LICENCE.txt licences/LGPL-3.0.txt uninstall.exe; do
        [ -f "$folder/$file" ] || fail "no $file in $folder"
    done
    [ -f "$menu/VX500-500A Monitor.lnk" ] && [ -f "$menu/VX500-500A Monitor README.lnk" ] || fail "no Start-menu links"
    size=$(du -sk --apparent-size "$folder" | cut -f1)
    (($(value "$entry" EstimatedSize) > size * 95 / 100)) || fail "EstimatedSize is not the ${size} KB installed"
    [ "$("$WINE" "$3\\vx500ctl.exe" --version | tr -d '\r')" = "vx500ctl $(value "$entry" DisplayVersion)" ] || fail "vx500ctl does not run"
    if [ -n "${PATH_FLAG:-}" ]; then
        [ "$(user_path | grep -oF ";$3" | wc -l)" = 1 ] || fail "the PATH has not the folder once: $(user_path)"
    fi
    quiet=$(value "$entry" QuietUninstallString)
    [[ $quiet == *" /S /$2" ]] || fail "QuietUninstallString is not silent in the same mode: $quiet"
    exe=${quiet#\"} exe=${exe%%\"*}
    "$WINE" "$exe" ${quiet#*\" }
    for _ in $(seq 1 30); do # the uninstaller runs on from a copy of itself
        [ ! -e "$folder" ] && [ ! -e "$menu" ] && ! "$WINE" reg query "$1\\$APPS" >/dev/null 2>&1 && return
        sleep 0.5
    done
    fail "the uninstaller left: $(ls "$folder" "$menu" 2>&1 | tr '\n' ' ')"
}

SETUP=$1
before=$(user_path)
restore_path() {
    "$WINE" reg delete 'HKCU\Environment' /v Path /f >/dev/null 2>&1 || true
    [ -z "$before" ] || "$WINE" reg add 'HKCU\Environment' /v Path /t "$(awk '{print $2}' <<<"$before")" \
        /d "$(sed 's/^ *Path *REG_[A-Z_]* *//' <<<"$before")" /f >/dev/null
}
trap restore_path EXIT
"$WINE" reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d 'C:\Tools;%USERPROFILE%\bin;' /f >/dev/null
mine=$(user_path)
PATH_FLAG=/PATH round HKCU CurrentUser "$(winvar LOCALAPPDATA)\\Programs\\VX500-500A Monitor" \
    "$(winvar APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs"
[ "$(user_path)" = "$mine" ] || fail "the PATH was '$mine', after uninstalling '$(user_path)'"
round HKLM AllUsers "$(winvar ProgramFiles)\\VX500-500A Monitor" \
    "$(winvar ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs"
echo "installer: for the user (with the PATH) and for all users, installed twice, ran, uninstalled"
