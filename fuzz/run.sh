#!/usr/bin/env bash
# Builds every fuzz target (libFuzzer, clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-sanitize/ and runs each one for the
# given number of seconds (default 60) from its corpus in fuzz/corpus/<name>/.
# ./test.sh runs this as part of its sanitizer pass.
set -euo pipefail
exec "$(dirname "$0")/../tools/sanitize.sh" fuzz "${1:-60}"
