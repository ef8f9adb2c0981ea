#!/usr/bin/env bash
# A picture of the Windows monitor under Wine, in a Wine desktop on a virtual
# X display, talking to the Linux simulator through Wine's COM5:
#   tools/windows-screenshot.sh WINDOWS_BIN OUT_FOLDER
# The operator's steps are typed with xdotool: the first-launch notice, the
# password, then Record Count on General Commands.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=$(cd "$1" && pwd)
OUT=$2
SIM=${VX_BUILD_DIR:-$ROOT/build}/bin/vx500-sim
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
: "${WINEPREFIX:?}"
export WINEDEBUG=-all
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vx-shot.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null; "$WINESERVER" -k 2>/dev/null; rm -rf "$WORK"' EXIT
# A Wine session belongs to the display it started on: a fresh one for ours.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w

"$SIM" --generate 25 --seed 3 --id 0 >"$WORK/sim.out" 2>/dev/null &
for _ in $(seq 1 50); do [ -s "$WORK/sim.out" ] && break; sleep 0.1; done
ln -sfn "$(head -n 1 "$WORK/sim.out")" "$WINEPREFIX/dosdevices/com5"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=$display
sleep 1
# A fresh start: the preset password and the first-launch marker.
# Wine keeps COM1 to COM4 for the machine's own ports: the monitor uses COM5.
"$WINE" reg delete 'HKEY_CURRENT_USER\Software\VX500-500A Monitor' /f >/dev/null 2>&1 || true
"$WINE" reg add 'HKEY_CURRENT_USER\Software\VX500-500A Monitor\Connect' /v Comport /t REG_SZ /d 4 /f >/dev/null
cp "$ROOT/app/fl.txt" "$BIN/fl.txt"
(cd "$BIN" && "$WINE" explorer /desktop=vx500,1000x740 vx500-monitor.exe >/dev/null 2>&1 &)

wait_for() { # window name
    for _ in $(seq 1 60); do
        xdotool search --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.5
    done
    echo "windows-screenshot: no window named '$1' appeared" >&2
    exit 1
}
wait_for "First launch"
sleep 1
xdotool key Return
wait_for "Password"
sleep 1
xdotool type --delay 100 5813
xdotool key Return
wait_for "VX500-500A Monitor v"
sleep 2
# Record Count, by its access key, as the keyboard test presses it.
window=$(xdotool search --name "VX500-500A Monitor v" | head -n 1)
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key alt+r
sleep 3
mkdir -p "$OUT"
import -window root -crop 1000x740+0+0 +repage "$OUT/windows-general.png"
echo "windows-screenshot: $OUT/windows-general.png"
