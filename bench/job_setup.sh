# Sourced by the job benchmarks (run_all.sh, run_regex.sh, run_cli.sh) with
# their arguments: checks them, sets BUILD_DIR, SCRIPT_DIR, CORPUS, RUNS and
# DRIVER, makes the corpus on first use, and sets WORK (a folder removed on
# exit), LIST (the corpus's files, one a line) and CORPUS_BYTES, having read
# every file once, untimed, so that every run starts from the page cache.
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

python3 "$SCRIPT_DIR/make_corpus.py" "$CORPUS" --files 5000 --mib 200 --seed 1 || exit 1
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tollervane-$(basename "$0" .sh).XXXXXX")
trap 'rm -rf "$WORK"' EXIT
LIST=$WORK/files.txt
find "$CORPUS" -type f -name '*.eml' -print | LC_ALL=C sort > "$LIST"
CORPUS_BYTES=$(xargs -d '\n' -a "$LIST" cat -- | wc -c)
