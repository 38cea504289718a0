#!/usr/bin/env bash
# Builds the layers that need no display (platform, serial, the edit control's
# text store) with a sanitizer and runs their tests.
# Usage: tools/sanitize.sh address,undefined | thread
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:?usage: tools/sanitize.sh address,undefined|thread}
dir=build-san-${kind//,/-}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTESSALINE_GUI=OFF -DTESSALINE_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-O1 -g -fno-omit-frame-pointer -fsanitize=$kind -fno-sanitize-recover=all"
cmake --build "$dir" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
ctest --test-dir "$dir" --output-on-failure -j2 --timeout 900
