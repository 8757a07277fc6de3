#!/usr/bin/env bash
# Configures and builds Kalvinora into build/. With target names, builds only
# those (the program alone builds much faster than the whole test suite).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j"$(nproc)" "${targets[@]}"
