#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for the given seconds (default 20).
set -e
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-20}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVENKA_FUZZ=ON \
    -DORVENKA_GUI=OFF -DORVENKA_TESTS=OFF >/dev/null
ninja -C build-fuzz
mkdir -p build-fuzz/corpus
for target in build-fuzz/fuzz/*_fuzz; do
    name=$(basename "$target")
    mkdir -p "build-fuzz/corpus/$name"
    [ -d "fuzz/seeds/$name" ] && cp -n fuzz/seeds/"$name"/* "build-fuzz/corpus/$name/" 2>/dev/null || true
    echo "fuzzing $name for ${SECONDS_EACH}s"
    if ! "$target" -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        "build-fuzz/corpus/$name" >"build-fuzz/$name.log" 2>&1; then
        tail -n 60 "build-fuzz/$name.log"
        echo "fuzz target $name failed" >&2
        exit 1
    fi
    tail -n 2 "build-fuzz/$name.log"
done
