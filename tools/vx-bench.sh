#!/usr/bin/env bash
# ./vx bench [RECORDS]: builds in release mode and prints one line per figure.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${VX_BENCH_BUILD_DIR:-$ROOT/build-release}
RECORDS=${1:-2000}
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" -j "$(nproc)" --target all bench/all >/dev/null
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/{print $2}') GiB"
export QT_QPA_PLATFORM=offscreen
"$BUILD/bin/vxbench" "$RECORDS"
for extra in "$BUILD"/bin/vxbench-*; do
    [ -x "$extra" ] && "$extra"
done
exit 0
