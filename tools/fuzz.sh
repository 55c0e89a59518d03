#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for the given seconds (default 20).
set -e
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-20}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVENKA_FUZZ=ON \
    -DORVENKA_GUI=OFF -DORVENKA_TESTS=OFF >/dev/null
ninja -C build-fuzz
mkdir -p build-fuzz/corpus

# One target; its log is shown when it fails.
fuzz_one() {
    name=$(basename "$1")
    mkdir -p "build-fuzz/corpus/$name"
    [ -d "fuzz/seeds/$name" ] && cp -n fuzz/seeds/"$name"/* "build-fuzz/corpus/$name/" 2>/dev/null || true
    if ! "$1" -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        "build-fuzz/corpus/$name" >"build-fuzz/$name.log" 2>&1; then
        tail -n 60 "build-fuzz/$name.log"
        echo "fuzz target $name failed" >&2
        return 1
    fi
    echo "fuzzed $name for ${SECONDS_EACH}s:"
    tail -n 2 "build-fuzz/$name.log"
}

# Two at a time, one a core: each still gets its seconds of processor time, in half the wait.
failed=0
set -- build-fuzz/fuzz/*_fuzz
while [ $# -gt 0 ]; do
    fuzz_one "$1" &
    first=$!
    second=
    if [ $# -gt 1 ]; then
        fuzz_one "$2" &
        second=$!
    fi
    wait "$first" || failed=1
    [ -z "$second" ] || wait "$second" || failed=1
    shift
    [ $# -eq 0 ] || shift
done
exit "$failed"
