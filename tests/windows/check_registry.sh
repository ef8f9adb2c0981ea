#!/usr/bin/env bash
# The registry round trip under Wine: the window writes, vx500ctl.exe reads
# (tst_registry.exe), and reg query finds the values where Windows users
# and their administrators look for them.
#   check_registry.sh WINDOWS_BIN
set -euo pipefail
WINE=${WINE:-/usr/lib/wine/wine64}
KEY='HKEY_CURRENT_USER\Software\VX500-500A Monitor'
export WINEDEBUG=-all QT_QPA_PLATFORM=offscreen QT_FORCE_STDERR_LOGGING=1
unset VX500_SETTINGS
"$WINE" reg delete "$KEY" /f >/dev/null 2>&1 || true
"$WINE" "$1/tst_registry.exe" -platform offscreen
connect=$("$WINE" reg query "$KEY\\Connect" /v Comport | tr -d '\r')
misc=$("$WINE" reg query "$KEY\\Misc" /v ClearData | tr -d '\r')
echo "$connect" "$misc" | tr "\n" " " | grep -q 'Comport *REG_SZ *4 .*ClearData *REG_SZ *1' || {
    echo "not in the registry as written: $connect $misc" >&2
    exit 1
}
echo "registry: Connect\\Comport = 4 and Misc\\ClearData = 1 under $KEY"
