#!/usr/bin/env bash
# Pictures of the monitor's windows, taken under a virtual X display:
#   tools/vx-screenshots.sh [FOLDER]     (default: docs/screenshots)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${VX_BUILD_DIR:-$ROOT/build}
OUT=${1:-$ROOT/docs/screenshots}

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$BUILD" --target vx500-screenshots >/dev/null

if ! command -v xvfb-run >/dev/null; then
    echo "vx-screenshots: xvfb-run is missing (Debian package xvfb)" >&2
    exit 1
fi
mkdir -p "$OUT"
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD/bin/vx500-screenshots" "$OUT"
