#!/usr/bin/env bash
# Installs what is missing, builds everything in build/ and runs every test;
# then the sanitizer pass (tools/sanitize.sh): the core's tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer by clang, and every fuzz
# target run for 60 seconds from its corpus. RT604_SANITIZERS=0 skips that
# pass for a quick run; RT604_FUZZ_SECONDS changes the fuzzing time.
set -euo pipefail
cd "$(dirname "$0")"
RT604_WITH_KERNEL_TEST=1 ./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
# Every test has a time-out of its own (120 s, the kernel VM 1500 s); this
# one only catches a test registered without one, so no step waits forever.
(cd build && ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@")
if [ "${RT604_SANITIZERS:-1}" != 0 ]; then
    ./tools/sanitize.sh "${RT604_FUZZ_SECONDS:-60}"
fi
