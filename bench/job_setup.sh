# Sourced by the job benchmarks (run_all.sh, run_regex.sh) with their
# arguments: checks them and sets BUILD_DIR, SCRIPT_DIR, CORPUS, RUNS and
# DRIVER.
if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 64
fi
BUILD_DIR=$(cd "$1" && pwd)
SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
CORPUS=${TOLLERVANE_BENCH_CORPUS:-/tmp/tollervane-bench-corpus}
RUNS=${TOLLERVANE_BENCH_RUNS:-3}
DRIVER=$BUILD_DIR/bench/bench_extraction_job
export QT_QPA_PLATFORM=offscreen

if [ ! -x "$DRIVER" ]; then
    echo "error: $DRIVER not found (build the bench targets first)" >&2
    exit 2
fi
