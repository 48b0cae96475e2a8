#!/usr/bin/env bash
# tollervane-extract against the tools a script would otherwise run, on the
# corpus of run_all.sh: containing, all lines and decoded containing, each a
# whole process (start to end, its output counted by wc) against the peer's
# whole run, taken in turns, best of the runs; peak memory of each side
# (the peer's: its largest process). Timings are printed, never judged.
#
# usage: bench/run_cli.sh BUILD_DIR

set -u

# BUILD_DIR, SCRIPT_DIR, CORPUS, RUNS, WORK and LIST.
source "$(dirname "${BASH_SOURCE[0]}")/job_setup.sh" > /dev/null

# The needle and the word of run_all.sh's containing and decoded rows.
NEEDLE='Content-Transfer-Encoding: quoted'
WORD='invoice'
EXTRACT=$BUILD_DIR/src/tollervane-extract
if [ ! -x "$EXTRACT" ] || [ ! -x /usr/bin/time ]; then
    echo "tollervane-extract not built: its rows are left out" >&2
    exit 0
fi
MSHOW=$(command -v mshow || true)

# Each side is started straight from the timer, with no shell around it and
# no process started to read the clock, its output counted by wc -l; its
# peak resident set, from one more run, as /usr/bin/time reports it (a
# pipeline's: its largest process).
python3 "$SCRIPT_DIR/cli_timing.py" "$EXTRACT" "$LIST" "$NEEDLE" "$WORD" "$RUNS" "$MSHOW" "$WORK"
