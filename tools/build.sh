#!/usr/bin/env bash
# Configures and builds into ./build (or $TOLLERVANE_BUILD_DIR).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOLLERVANE_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOLLERVANE_WERROR="${TOLLERVANE_WERROR:-OFF}" "$@" >/dev/null
cmake --build "$build" --parallel
