#!/usr/bin/env bash
# Builds the core library and the core tests with ThreadSanitizer, in
# build-tsan, and runs those tests. Qt itself is not instrumented, so the
# window tests (which spend their time inside Qt's widgets) are left out;
# the core tests exercise the threads of our own (the read-ahead of files,
# the commit of a saved file). Any race report fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOLLERVANE_TSAN_BUILD_DIR:-$top/build-tsan}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLLERVANE_TSAN=ON \
  -DTOLLERVANE_BUILD_TESTS=ON -DTOLLERVANE_WERROR="${TOLLERVANE_WERROR:-OFF}" >/dev/null

# The core tests: one executable (and one ctest test) per tests/core/test_*.cpp,
# but test_filelist_unprivileged, which runs the window program (the scripted
# driver) as another user and so needs the window library.
tests=()
for source in "$top"/tests/core/test_*.cpp; do
  name=$(basename "$source" .cpp)
  [ "$name" = test_filelist_unprivileged ] || tests+=("$name")
done
cmake --build "$build" --parallel "${TSAN_JOBS:-2}" --target tollervane_core "${tests[@]}"

export QT_QPA_PLATFORM=offscreen
# die_after_fork=0: QProcess starts its child with a vfork-like clone that
# shares the parent's memory, so the sanitizer's after-fork mark lands in the
# parent too, and the parent's next thread (any std::async) would be refused.
# The child only sets itself up and runs exec.
# G_SLICE=always-malloc: GLib (under GMime, not built with the sanitizer)
# hands out small blocks from per-thread magazines whose locking the
# sanitizer cannot see, so two threads' first GMime objects look like a race
# inside GLib's allocator. With plain malloc, which the sanitizer watches,
# every access of ours is still checked.
export G_SLICE=always-malloc
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$top/tools/tsan.supp}
pattern="^($(IFS='|'; echo "${tests[*]}"))\$"
cd "$build"
ctest --output-on-failure --timeout 900 -R "$pattern" "$@"
