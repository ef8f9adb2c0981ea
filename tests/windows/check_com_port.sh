#!/usr/bin/env bash
# The faults of a real line, met by the Windows vx500ctl.exe under Wine on
# COM5 and by the Linux vx500ctl on the same simulated terminal: for every
# row both leave the same bytes in the data file, end with the same status
# and say the same on standard error (port names and folders aside); then a
# second download from the terminal, no longer faulty, leaves every record
# exactly once in both files.
#   check_com_port.sh WINDOWS_BIN LINUX_BIN
set -uo pipefail
WIN_BIN=$(cd "$1" && pwd)
LINUX_BIN=$(cd "$2" && pwd)
WINE=${WINE:-/usr/lib/wine/wine64}
: "${WINEPREFIX:?WINEPREFIX names the Wine prefix whose dosdevices/com5 is pointed at the simulator}"
export WINEDEBUG=-all
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vx-com5.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$WORK"' EXIT

for i in $(seq 1 12); do printf '%X,490%d,caf\351\n' $((i * 2571)) "$i"; done >"$WORK/records.txt"

SIM_PID= PTY=
start_sim() { # fault options...
    rm -f "$WORK/sim.out" "$WORK/sim.log"
    "$LINUX_BIN/vx500-sim" --records "$WORK/records.txt" "$@" >"$WORK/sim.out" 2>"$WORK/sim.log" &
    SIM_PID=$!
    for _ in $(seq 1 200); do [ -s "$WORK/sim.out" ] && break; sleep 0.1; done # 20 s on a loaded machine
    PTY=$(head -n 1 "$WORK/sim.out")
}
stop_sim() { kill "$SIM_PID" 2>/dev/null; wait "$SIM_PID" 2>/dev/null; }

# download OS FAULT...: one download with clear into $WORK/OS/VX.txt from a
# simulator of its own; prints "status|stderr", the port and the folder
# replaced by PORT and DIR. both FAULT...: the same by each tool, into
# LINUX and WINDOWS.
# The tool of OS on the simulator just started: sets tool, port and state.
use() { # OS
    mkdir -p "$WORK/$1"
    if [ "$1" = windows ]; then
        ln -sfn "$PTY" "$WINEPREFIX/dosdevices/com5"
        tool=("$WINE" "$WIN_BIN/vx500ctl.exe") port=COM5 state=Z:$WORK/$1/state
    else
        tool=("$LINUX_BIN/vx500ctl") port=$PTY state=$WORK/$1/state
    fi
}
download() {
    local os=$1 port err status tool state
    shift
    start_sim "$@"
    use "$os"
    err=$(cd "$WORK/$os" && XDG_STATE_HOME=$state "${tool[@]}" --port "$port" download -o VX.txt --clear 2>&1 >/dev/null)
    status=$?
    stop_sim
    err=${err//$port/PORT}
    local windir="Z:${WORK//\//\\}\\$os" # Windows names the folder its own way: Z:\tmp\...
    err=${err//"$windir"\\/DIR/}
    echo "$status|$(tr -d '\r' <<<"${err//$WORK\/$os/DIR}")"
}
both() { LINUX=$(download linux "$@"); WINDOWS=$(download windows "$@"); }

ROWS=(
    "clean|"
    "wrong check byte|--bad-bcc 5"
    "silent from record 7|--silent-from 7"
    "EOT inside a record|--eot-in-record 4"
    "line noise for every answer|--noise"
    "EOT for every answer|--eot-reply"
    "NAK for every ACK|--nak"
    # Both say the port went away, Windows with the system's reason after
    # it ("(Not ready)"): the files must agree, the words may not.
    "cable pulled after record 6|--hangup-after 6|files"
)
failed=0
for row in "${ROWS[@]}"; do
    IFS='|' read -r name options compare <<<"$row"
    read -r -a fault <<<"$options"
    rm -rf "$WORK/linux" "$WORK/windows"
    both "${fault[@]}"
    linux=$LINUX windows=$WINDOWS
    # The terminal without the fault, holding what was not cleared.
    [ "${linux%%|*}" = 0 ] || both
    verdict=ok
    if [ "$linux" != "$windows" ] && [ "$compare" != files ]; then
        verdict="differs: linux '$linux' windows '$windows'"
    elif ! cmp -s "$WORK/linux/VX.txt" "$WORK/windows/VX.txt"; then
        verdict="the files differ"
    elif [ "$LINUX" != "$WINDOWS" ] || [ "$(sort "$WORK/windows/VX.txt" | uniq -d | wc -l)" -ne 0 ] \
        || [ "$(wc -l <"$WORK/windows/VX.txt")" -ne 12 ]; then
        verdict="the second download did not leave every record once: linux $LINUX windows $WINDOWS"
    fi
    [ "$verdict" = ok ] || failed=$((failed + 1))
    printf '%-32s status %s  %s\n' "$name" "${windows%%|*}" "$verdict"
done
[ "$failed" -eq 0 ] && echo "COM5: ${#ROWS[@]} rows, the Windows tool and the Linux tool agree" || echo "COM5: $failed of ${#ROWS[@]} rows differ"

# Ctrl+C once the third record is acknowledged: each tool stores what
# arrived (pending), says so, keeps a history row "stopped" and ends with 130.
for os in linux windows; do
    rm -rf "${WORK:?}/$os"
    start_sim --pace --log
    use "$os"
    set -m # the tool in a job of its own: a background job would ignore SIGINT
    (cd "$WORK/$os" && XDG_STATE_HOME=$state exec "${tool[@]}" --port "$port" download -o VX.txt --clear 2>err) &
    set +m
    for _ in $(seq 1 200); do [ "$(grep -c 'host (19200,n,8,1): 06' "$WORK/sim.log")" -ge 3 ] && break; sleep 0.05; done
    kill -INT $!
    wait $!
    said="$?|$(tr -d '\r' <"$WORK/$os/err")|$(XDG_STATE_HOME=$state "${tool[@]}" history --json | grep -o '"result":"[a-z ]*"')"
    stop_sim
    held=$(wc -l <"$WORK/$os/VX.txt")
    verdict=ok
    [[ $said == "130|vx500ctl: interrupted before the end of the records: "*" records received and saved in "*'|"result":"stopped"' ]] \
        || verdict="said: $said"
    [ "$held" -ge 3 ] && [ "$held" -lt 12 ] || verdict="$held records in the file"
    printf '%-32s %s\n' "Ctrl+C after record 3 ($os)" "$verdict"
    [ "$verdict" = ok ] || failed=$((failed + 1))
done

# A port above COM16, as USB adapters get: by its name, as \\.\COMn, and
# through the monitor's COM5 standing for it (the window's key, --map). Wine
# does not tell which ports exist: the note that COM17 does not is left out.
start_sim
ln -sfn "$PTY" "$WINEPREFIX/dosdevices/com17"
win() { XDG_STATE_HOME=Z:$WORK/com17 "$WINE" "$WIN_BIN/vx500ctl.exe" "$@" 2>&1 | tr -d '\r'; }
said="$(win --port COM17 count)|$(win --port '\\.\com17' count)|$(win ports --map COM5=com17 | grep -v '^note:')|$(win --port COM5 count)"
said+="|$(win ports | grep '^COM5 ')|$(win ports --unmap COM5)|$(win --port COM257 count)"
stop_sim
rm -f "$WINEPREFIX/dosdevices/com17"
verdict=ok
[[ $said == "12|12|COM5 = COM17|12|COM5   COM17  (mapped"*")|COM5 = COM5|vx500ctl: --port: 'COM257' is not a port from COM1 to COM256"* ]] \
    || { verdict="said: $said"; failed=$((failed + 1)); }
printf '%-32s %s\n' "COM17, directly and as COM5" "$verdict"
exit $((failed > 0))
