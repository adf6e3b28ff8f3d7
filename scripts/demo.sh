#!/usr/bin/env bash
# The main job on a demonstration store made from scratch: installs what the
# project needs, builds, then runs the demonstration in a fresh folder.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
if [ -x "$BUILD_DIR/bin/karvix-demo" ]; then
  exec "$BUILD_DIR/bin/karvix-demo" "$@"
fi
echo "The programs are built in $BUILD_DIR/bin:"
ls "$BUILD_DIR/bin"
