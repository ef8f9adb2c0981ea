#!/usr/bin/env bash
# The installer under Wine, silently (/S): the programs in Program Files, the
# Start-menu entry for all users and the entry under Apps; its uninstaller
# takes all three away again.
#   check_installer.sh SETUP_EXE
set -euo pipefail
WINE=${WINE:-/usr/lib/wine/wine64}
: "${WINEPREFIX:?}"
export WINEDEBUG=-all
FOLDER="$WINEPREFIX/drive_c/Program Files/VX500-500A Monitor"
LINK="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VX500-500A Monitor.lnk"
KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VX500-500A Monitor'
installed() { [ -f "$FOLDER/vx500-monitor.exe" ] && [ -f "$FOLDER/vx500ctl.exe" ] && [ -f "$LINK" ] \
    && "$WINE" reg query "$KEY" >/dev/null 2>&1; }
gone() { [ ! -e "$FOLDER" ] && [ ! -e "$LINK" ] && ! "$WINE" reg query "$KEY" >/dev/null 2>&1; }

"$WINE" "$1" /S
installed || { echo "the installer left: $(ls "$FOLDER" 2>&1)" >&2; exit 1; }
[ "$("$WINE" "C:\\Program Files\\VX500-500A Monitor\\vx500ctl.exe" --version | tr -d '\r')" = "vx500ctl 2.0.4" ]
"$WINE" "C:\\Program Files\\VX500-500A Monitor\\uninstall.exe" /S
for _ in $(seq 1 30); do gone && break; sleep 0.5; done # the uninstaller runs on from a copy of itself
gone || { echo "the uninstaller left the programs, the Start-menu entry or the Apps entry" >&2; exit 1; }
echo "installer: installed, ran, uninstalled"
