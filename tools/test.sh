#!/usr/bin/env bash
# Sets up, builds and runs every test suite (GUI suites under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
xvfb-run -a -s "-screen 0 1600x1200x24" \
  ctest --test-dir build --output-on-failure -j2 --timeout 600
