#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (offscreen; the
# window smoke test under Xvfb).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOLLERVANE_BUILD_DIR:-$top/build}
"$top/tools/install-deps.sh"
"$top/tools/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --timeout 600 "$@"
