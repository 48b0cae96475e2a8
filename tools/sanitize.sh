#!/usr/bin/env bash
# Builds the library, the windows and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the tests.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOLLERVANE_SANITIZE_BUILD_DIR:-$top/build-asan}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLLERVANE_SANITIZE=ON \
  -DTOLLERVANE_WERROR="${TOLLERVANE_WERROR:-OFF}" >/dev/null
cmake --build "$build" --parallel
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/tools/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure --timeout 900 "$@"
