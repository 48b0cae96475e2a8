#!/usr/bin/env bash
# The core library and its tests stay free of window libraries: every core
# test binary (and so the core library it links) loads neither Qt Widgets
# nor Qt Gui, and no core source includes a window header.
# Usage: check_core_layering.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
failed=0
for test_source in "$source"/tests/core/test_*.cpp; do
  name=$(basename "$test_source" .cpp)
  binary="$build/tests/$name"
  if [ ! -x "$binary" ]; then
    echo "missing core test binary: $binary"
    failed=1
    continue
  fi
  if ldd "$binary" | grep -E 'libQt6(Widgets|Gui)'; then
    echo "$name loads a window library"
    failed=1
  fi
done
if grep -rnE '#include *[<"](gui/|QtWidgets|QtGui|QWidget|QApplication|QGuiApplication)' "$source/src/core"; then
  echo "core includes a window header"
  failed=1
fi
[ "$failed" -eq 0 ] && echo "core is free of window libraries"
exit "$failed"
