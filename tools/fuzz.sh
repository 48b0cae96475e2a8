#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# checks on) and runs each for a short while (FUZZ_SECONDS, default 20).
# Each target checks properties of its routine, not just that it survives.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOLLERVANE_FUZZ_BUILD_DIR:-$top/build-fuzz}
seconds=${FUZZ_SECONDS:-20}
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOLLERVANE_FUZZ=ON -DTOLLERVANE_BUILD_TESTS=OFF -DTOLLERVANE_WERROR="${TOLLERVANE_WERROR:-OFF}" >/dev/null
targets=$(cd "$top/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')
# shellcheck disable=SC2086
cmake --build "$build" --parallel --target $targets
export QT_QPA_PLATFORM=offscreen
for target in $targets; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  seeds=()
  if [ -d "$top/fuzz/seeds/$target" ]; then seeds=("$top/fuzz/seeds/$target"); fi
  # The message decoder promises an answer within 2 s for any file.
  timeout=10
  if [ "$target" = fuzz_decoded_text ]; then timeout=2; fi
  echo "== $target ($seconds s)"
  status=0
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=4096 -print_final_stats=1 \
    "$corpus" "${seeds[@]}" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE|==[0-9]+==|SUMMARY|property violated)' || status=${PIPESTATUS[0]}
  # (With pipefail, "|| true" would hide the fuzzer's own failure.)
  test "$status" -eq 0
done
echo "fuzz targets ran clean"
