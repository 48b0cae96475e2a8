#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tollervane.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-deps.sh"
"$top/tools/build.sh"
exec "${TOLLERVANE_BUILD_DIR:-$top/build}/src/tollervane" "$@"
