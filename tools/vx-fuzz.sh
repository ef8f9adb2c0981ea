#!/usr/bin/env bash
# ./vx fuzz SECONDS: builds the libFuzzer targets with clang and runs each for
# SECONDS, starting from the seed corpus in tests/fuzz/corpus. New inputs go
# to a scratch folder; a crash leaves its input there and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
SECONDS_EACH=${1:-60}
BUILD=$(realpath -m "${VX_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}")
TARGETS=(fuzz_frames fuzz_numbers fuzz_records)
if [ ! -f "$BUILD/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=ON -DVX_FUZZ=ON >/dev/null
fi
cmake --build "$BUILD" -j "$(nproc)" --target "${TARGETS[@]}"
scratch=$(mktemp -d)
status=0
for t in "${TARGETS[@]}"; do
    mkdir -p "$scratch/$t"
    echo "fuzz: $t for ${SECONDS_EACH}s"
    if ! (cd "$scratch" && "$BUILD/bin/$t" -max_total_time="$SECONDS_EACH" -print_final_stats=0 \
            -artifact_prefix="$scratch/$t-" "$scratch/$t" "$ROOT/tests/fuzz/corpus/$t" 2>"$scratch/$t.log"); then
        echo "fuzz: $t FAILED; input and log kept in $scratch" >&2
        tail -30 "$scratch/$t.log" >&2
        status=1
    else
        grep -E '^#[0-9]+.*DONE' "$scratch/$t.log" | tail -1 || true
    fi
done
[ $status -eq 0 ] && rm -rf "$scratch"
exit $status
