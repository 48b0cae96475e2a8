#!/usr/bin/env bash
# tollervane-extract against the tools a script would otherwise run, on the
# corpus of run_all.sh: containing, all lines and decoded containing, each a
# whole process (start to end, its output counted by wc) against the peer's
# whole run, taken in turns, best of the runs; peak memory of each side by
# /usr/bin/time (the peer's is its largest process). Timings are printed,
# never judged.
#
# usage: bench/run_cli.sh BUILD_DIR

set -u

# BUILD_DIR, SCRIPT_DIR, CORPUS and RUNS, as the job benchmarks take them.
source "$(dirname "${BASH_SOURCE[0]}")/job_setup.sh"
python3 "$SCRIPT_DIR/make_corpus.py" "$CORPUS" --files 5000 --mib 200 --seed 1 >/dev/null || exit 1

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tollervane-bench-cli.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
LIST=$WORK/files.txt
find "$CORPUS" -type f -name '*.eml' -print | LC_ALL=C sort > "$LIST"
# Read every file once, untimed, so that every run starts from the page cache.
xargs -d '\n' -a "$LIST" cat -- > /dev/null

# The needle and the word of run_all.sh's containing and decoded rows.
NEEDLE='Content-Transfer-Encoding: quoted'
WORD='invoice'
now() { date +%s%N; }

EXTRACT=$BUILD_DIR/src/tollervane-extract
if [ -x "$EXTRACT" ] && [ -x /usr/bin/time ]; then
    CLI_RESULTS=$WORK/cli-results.txt
    : > "$CLI_RESULTS"
    cli_ours() {
        case $1 in
        containing) "$EXTRACT" --quiet --containing "$NEEDLE" --files-from "$LIST" ;;
        all-lines) "$EXTRACT" --quiet --all --files-from "$LIST" ;;
        decoded-word) "$EXTRACT" --quiet --decode --containing "$WORD" --files-from "$LIST" ;;
        esac
    }
    cli_peer() {
        case $1 in
        containing) LC_ALL=C xargs -d '\n' -a "$LIST" grep -a -ihF -- "$NEEDLE" ;;
        all-lines) LC_ALL=C xargs -d '\n' -a "$LIST" grep -a -h '' -- ;;
        decoded-word) xargs -d '\n' -a "$LIST" mshow -n -L 2>/dev/null | grep -i -- "$WORD" ;;
        esac
    }
    # Runs "$@" (a function name and its job) once: prints microseconds, the
    # lines written and the peak resident set in KiB.
    timed() {
        local t0 t1 lines
        t0=$(now)
        lines=$(/usr/bin/time -f %M -o "$WORK/rss" bash -c "$(declare -f cli_ours cli_peer); $1 $2" | wc -l)
        t1=$(now)
        echo "$(( (t1 - t0) / 1000 )) $lines $(tail -n 1 "$WORK/rss")"
    }
    export EXTRACT NEEDLE WORD LIST
    for job in containing all-lines decoded-word; do
        if [ "$job" = decoded-word ] && ! command -v mshow > /dev/null; then
            peer_missing=1
        else
            peer_missing=0
        fi
        ours_best="" peer_best="" ours_peak=0 peer_peak=0 ours_lines="" peer_lines="-"
        for _ in $(seq "$RUNS"); do
            read -r took lines rss < <(timed cli_ours "$job")
            if [ -z "$ours_best" ] || [ "$took" -lt "$ours_best" ]; then ours_best=$took; fi
            ours_lines=$lines
            if [ "$rss" -gt "$ours_peak" ]; then ours_peak=$rss; fi
            if [ "$peer_missing" = 0 ]; then
                read -r took lines rss < <(timed cli_peer "$job")
                if [ -z "$peer_best" ] || [ "$took" -lt "$peer_best" ]; then peer_best=$took; fi
                peer_lines=$lines
                if [ "$rss" -gt "$peer_peak" ]; then peer_peak=$rss; fi
            fi
        done
        echo "$job $ours_best ${peer_best:--} $ours_lines $peer_lines $ours_peak $peer_peak" >> "$CLI_RESULTS"
        echo "  ran tollervane-extract $job" >&2
    done
    python3 - "$CLI_RESULTS" <<'PY'
import sys
names = {"containing": "grep -a -ihF", "all-lines": "grep -a -h ''", "decoded-word": "mshow -n -L | grep -i"}
targets = {"containing": "<= 0.8x", "all-lines": "<= 1.0x", "decoded-word": "<= 0.5x"}
head = ("tollervane-extract", "process s", "peer", "peer s", "ours/peer", "target", "rows", "peer lines",
        "peak MiB", "peer peak MiB")
table = []
for line in open(sys.argv[1]):
    job, ours, peer, rows, peer_rows, rss, peer_rss = line.split()
    ours_s = int(ours) / 1e6
    peer_s = None if peer == "-" else int(peer) / 1e6
    table.append(("--" + job if job != "decoded-word" else "--decode --containing", "%.3f" % ours_s,
                  names[job] if peer_s else "(mshow missing)", "%.3f" % peer_s if peer_s else "-",
                  "%.2fx" % (ours_s / peer_s) if peer_s else "-", targets[job], rows, peer_rows,
                  "%.1f" % (int(rss) / 1024), "%.1f" % (int(peer_rss) / 1024) if peer_s else "-"))
w = [max(len(str(x[i])) for x in table + [head]) for i in range(len(head))]
print()
for x in [head] + table:
    print("  ".join(str(v).ljust(w[i]) if i in (0, 2) else str(v).rjust(w[i]) for i, v in enumerate(x)).rstrip())
print("whole processes (lines format to a pipe), best of the runs; peak memory is the worst run's")
PY
else
    echo "tollervane-extract not built: its rows are left out" >&2
fi

