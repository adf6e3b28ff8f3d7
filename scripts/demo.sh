#!/usr/bin/env bash
# The main job on a demonstration store made from scratch: installs what the
# project needs, builds, then runs the demonstration in a fresh folder.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
exec ./scripts/demo-run.sh "$BUILD_DIR/bin"
