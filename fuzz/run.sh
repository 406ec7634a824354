#!/usr/bin/env bash
# Builds every fuzz target with clang in build-fuzz and runs each one for the
# given number of seconds (default 60) on a copy of its seed folder.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

# The whole core is built with coverage and sanitizers, not only the
# harnesses: a fault inside the library must be seen and its branches guide
# the fuzzer.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
    -DRT604_BUILD_GUI=OFF -DRT604_BUILD_TESTS=OFF -DRT604_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
targets=$(cd fuzz && ls *.cpp | sed 's/\.cpp$//' | sed 's/^/fuzz_/')
ninja -C build-fuzz -j2 $targets

status=0
for target in $targets; do
    name="${target#fuzz_}"
    corpus="build-fuzz/corpus/$name"
    mkdir -p "$corpus" "build-fuzz/artifacts/$name"
    seeds=()
    if [ -d "fuzz/seeds/$name" ]; then
        seeds=("fuzz/seeds/$name")
    fi
    echo "== $target for ${seconds}s"
    if ! "build-fuzz/bin/$target" "$corpus" "${seeds[@]}" \
        -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/artifacts/$name/"; then
        echo "== $target found a failure (see build-fuzz/artifacts/$name/)"
        status=1
    fi
done
exit $status
