#!/usr/bin/env bash
# Installs what is missing, builds the program in build/ and starts it with
# the arguments given, e.g. ./run.sh --virtual-keyboard
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target rt604
exec build/bin/rt604 "$@"
