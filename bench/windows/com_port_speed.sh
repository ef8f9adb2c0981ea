#!/usr/bin/env bash
# The records through a Windows COM port under Wine, against the line's
# limit and against the floor Wine itself sets (win32_reader.exe, the least
# a Win32 program does), in one run: a simulated terminal sending at the
# real line rate (vx500-sim --pace) on a pseudo-terminal that Wine's COM5
# stands for; the Linux tool on the same kind of line for comparison.
#   com_port_speed.sh WINDOWS_BIN LINUX_BIN [RECORDS [ROUNDS]]   (WINEPREFIX set)
set -euo pipefail
WIN_BIN=$(cd "$1" && pwd)
LINUX_BIN=$(cd "$2" && pwd)
RECORDS=${3:-600}
ROUNDS=${4:-3}
WINE=${WINE:-/usr/lib/wine/wine64}
: "${WINEPREFIX:?}"
export WINEDEBUG=-all
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vx-speed.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$WORK"' EXIT

# Records of about 40 characters, as the Linux benchmark sends; the line
# carries ENQ, the number and the letter, each record with STX, ETX, its
# check byte and the ACK, and the final EOT.
bytes=5
for ((i = 0; i < RECORDS; i++)); do
    printf '%04X,49%015d,20261206,%06d\n' $((i % 65535)) $((1000000000000 + i * 7919)) $((80000 + i % 4000))
done >"$WORK/records.txt"
while IFS= read -r line; do bytes=$((bytes + ${#line} + 4)); done <"$WORK/records.txt"
limit=$(awk -v b="$bytes" 'BEGIN { printf "%.2f", b * 10 / 19200 }')

PTY= SIM_PID=
start_sim() {
    rm -f "$WORK/sim.out"
    "$LINUX_BIN/vx500-sim" --pace --records "$WORK/records.txt" >"$WORK/sim.out" 2>/dev/null &
    SIM_PID=$!
    for _ in $(seq 1 200); do [ -s "$WORK/sim.out" ] && break; sleep 0.1; done
    PTY=$(head -n 1 "$WORK/sim.out")
    ln -sfn "$PTY" "$WINEPREFIX/dosdevices/com5"
}
stop_sim() { kill "$SIM_PID" 2>/dev/null; wait "$SIM_PID" 2>/dev/null || true; }
seconds() { # command... -> the seconds it took, or FAILED
    local start end
    start=$(date +%s.%N)
    "$@" >"$WORK/out" 2>&1 || { echo FAILED; return; }
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }'
}
# The fastest of the rounds: the least the machine's other work took.
best() { sort -n | head -n 1; }

floor=() windows=() linux=()
for ((round = 0; round < ROUNDS; round++)); do
    start_sim
    floor+=("$(seconds "$WINE" "$WIN_BIN/win32_reader.exe" COM5)")
    [ "$(cut -d' ' -f1 "$WORK/out" | tr -d '\r')" = "$RECORDS" ] || floor[-1]=FAILED
    stop_sim
    start_sim
    rm -f "$WORK/w.txt"
    windows+=("$(seconds env XDG_STATE_HOME="Z:$WORK/state-w" "$WINE" "$WIN_BIN/vx500ctl.exe" --port COM5 download -q -o "Z:$WORK/w.txt")")
    stop_sim
    start_sim
    rm -f "$WORK/l.txt"
    linux+=("$(seconds env XDG_STATE_HOME="$WORK/state-l" "$LINUX_BIN/vx500ctl" --port "$PTY" download -q -o "$WORK/l.txt")")
    stop_sim
done
f=$(printf '%s\n' "${floor[@]}" | best) w=$(printf '%s\n' "${windows[@]}" | best) l=$(printf '%s\n' "${linux[@]}" | best)
if [[ "$f $w $l" == *FAILED* ]]; then
    echo "COM port speed: FAILED (win32_reader ${floor[*]}; vx500ctl.exe ${windows[*]}; vx500ctl ${linux[*]})"
    exit 1
fi
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
echo "COM5 under Wine, $RECORDS records ($bytes bytes, line limit $limit s), best of $ROUNDS:"
echo "  win32_reader.exe (the floor): $f s, $(ratio "$limit" "$f") of the line"
echo "  vx500ctl.exe:                 $w s, $(ratio "$limit" "$w") of the line, $(ratio "$w" "$f") of the floor's time"
echo "  vx500ctl (Linux, a pty):      $l s, $(ratio "$limit" "$l") of the line"
echo "  rounds: floor ${floor[*]}; vx500ctl.exe ${windows[*]}; Linux ${linux[*]}"
