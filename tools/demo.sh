#!/usr/bin/env bash
# The demonstration: a simulated terminal with a few hundred records on a
# pseudo-terminal registered as COM1, and the monitor window against it.
#   tools/demo.sh BINDIR        (./vx demo builds and runs it)
set -euo pipefail
BIN=${1:?usage: demo.sh BINDIR}
say() { printf 'demo: %s\n' "$*" >&2; }

[ -x "$BIN/vx500-sim" ] || { say "$BIN/vx500-sim is missing: build first"; exit 1; }

# The monitor runs once per user: a second copy ends without a word. Its lock
# file (first line: the process id) is where the monitor keeps it.
running_monitor() {
    local lock pid
    for lock in ${XDG_RUNTIME_DIR:+"$XDG_RUNTIME_DIR/vx500-monitor.lock"} \
                "${TMPDIR:-/tmp}/vx500-monitor-${USER:-$(id -un)}.lock"; do
        [ -f "$lock" ] || continue
        pid=$(head -n 1 "$lock" 2>/dev/null) || continue
        if [[ "$pid" =~ ^[0-9]+$ ]] && kill -0 "$pid" 2>/dev/null; then
            echo "$pid"
            return 0
        fi
    done
    return 1
}

out=$(mktemp) err=$(mktemp)
"$BIN/vx500-sim" --generate 300 --register COM1 >"$out" 2>"$err" &
SIM=$!
stop_sim() {
    if kill -0 "$SIM" 2>/dev/null; then
        kill -TERM "$SIM" 2>/dev/null || true
        wait "$SIM" 2>/dev/null || true
    fi
    rm -f "$out" "$err"
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

DEVICE=
for _ in $(seq 200); do
    IFS= read -r DEVICE <"$out" || true
    [ -n "$DEVICE" ] && break
    if ! kill -0 "$SIM" 2>/dev/null; then
        say "the simulator did not start:"; cat "$err" >&2; exit 1
    fi
    sleep 0.05
done
[ -n "$DEVICE" ] || { say "the simulator gave no device"; exit 1; }
say "simulated VX500 terminal with 300 records on $DEVICE, registered as COM1"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    say "no display here (neither DISPLAY nor WAYLAND_DISPLAY is set): the window cannot open."
    if [ -x "$BIN/vx500ctl" ]; then
        say "the same download through the command-line tool instead:"
        say "  vx500ctl --port $DEVICE download"
        "$BIN/vx500ctl" --port "$DEVICE" download
    else
        say "the command-line tool vx500ctl is not built, so there is nothing to show without a display."
    fi
    exit 0
fi

if pid=$(running_monitor); then
    say "the monitor is already running (process $pid), and it runs only once per user;"
    say "its window comes to the front: choose COM1 there now, or close it and start the demo again."
    "$BIN/vx500-monitor" || true
    say "press Ctrl-C to stop the simulator."
    wait "$SIM" || true
    exit 0
fi

say "starting the monitor. The password is the preset one, 5813, unless you changed it."
say "choose COM1 on the General Commands tab and press \"Download Data\";"
say "the simulator stops when the window closes."
"$BIN/vx500-monitor" || say "the monitor ended with status $?"
