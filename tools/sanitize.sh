#!/usr/bin/env bash
# The sanitizer pass: the core and its tests built by clang with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/ (no GUI,
# no benchmarks), the tests run, then every fuzz target run from its corpus.
#
#   tools/sanitize.sh [SECONDS]   build, test, fuzz each target SECONDS (60)
#   tools/sanitize.sh fuzz [SECONDS]   build the fuzz targets and fuzz only
#
# The core is compiled with libFuzzer's coverage as well, so the fuzz targets
# share this build; the tests do not mind it. Undefined behaviour stops the
# program like an address fault, so a finding always fails the pass.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-sanitize
mode=all
if [ "${1:-}" = fuzz ]; then
    mode=fuzz
    shift
fi
seconds="${1:-60}"
jobs=$(nproc)

# -O1 and line tables only, as the sanitizers advise: reports keep their
# file and line, the build is lighter than -O2 -g, and asserts stay on.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
    -DRT604_BUILD_GUI=OFF -DRT604_BUILD_BENCH=OFF -DRT604_SANITIZE="address;undefined" \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link -fno-sanitize-recover=undefined" >/dev/null
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

if [ "$mode" = all ]; then
    cmake --build "$build"
    (cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 600)
fi

targets=$(cd fuzz && ls *.cpp | sed 's/\.cpp$//; s/^/fuzz_/')
# shellcheck disable=SC2086
cmake --build "$build" --target $targets
status=0
for target in $targets; do
    name="${target#fuzz_}"
    # New inputs go to the build folder; the corpus in the repository stays
    # small and changes only by hand (fuzz_X -merge=1 fuzz/corpus/X NEW).
    work="$build/fuzz-corpus/$name"
    artifacts="$build/fuzz-artifacts/$name"
    mkdir -p "$work" "$artifacts"
    echo "== $target for ${seconds}s"
    # An input that makes a target hang is a finding like a crash: libFuzzer
    # stops at it after -timeout seconds (its own default is 20 minutes), and
    # timeout ends a target that hangs where libFuzzer cannot see it.
    if ! timeout -k 10 "$((seconds + 120))" "$build/bin/$target" "$work" "fuzz/corpus/$name" \
        -max_total_time="$seconds" -timeout=25 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        2>"$build/fuzz-$name.log"; then
        tail -n 60 "$build/fuzz-$name.log"
        echo "== $target found a failure: $artifacts/"
        status=1
    else
        grep -E '^stat::(number_of_executed_units|new_units_added)' "$build/fuzz-$name.log" || true
    fi
done
exit $status
