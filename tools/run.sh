#!/usr/bin/env bash
# Sets up, builds and starts Tessaline with the built-in demo device on COM1.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target tessaline
exec build/app/tessaline --demo "$@"
