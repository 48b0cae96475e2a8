#!/usr/bin/env bash
# Extract All Lines Containing This Text with a regular expression and only
# the matching text (every e-mail address, duplicates removed) against
# LC_ALL=C grep -a -ioE with the same pattern into wc -l, on the corpus of
# run_all.sh. Same timing rules: whole processes, best of the runs, taken
# in turns. Timings are printed, never judged.
#
# usage: bench/run_regex.sh BUILD_DIR

set -u

# BUILD_DIR, SCRIPT_DIR, CORPUS, RUNS, DRIVER, WORK and LIST.
source "$(dirname "${BASH_SOURCE[0]}")/job_setup.sh" > /dev/null

PATTERN='[a-z0-9._%+-]+@[a-z0-9.-]+\.[a-z]+'
pattern_json=$(python3 -c 'import json, sys; print(json.dumps(sys.argv[1]))' "$PATTERN")
JOB=$WORK/addresses.jsonl
printf '%s\n' "{\"set\":\"Text1\",\"text\":$pattern_json}" '{"check":"Check15","on":true}' \
    '{"check":"Check16","on":true}' '{"check":"Check1","on":true}' '{"click":"PushButton2"}' > "$JOB"

now() { date +%s%N; }
best=""
peer_best=""
stall=0
for _ in $(seq "$RUNS"); do
    t0=$(now)
    out=$("$DRIVER" --files-from "$LIST" "$JOB" 2>/dev/null | tail -n 1)
    t1=$(now)
    took=$(( (t1 - t0) / 1000 ))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
    read -r rows run_stall < <(python3 -c 'import json, sys; d = json.loads(sys.argv[1]); print(d["rows"], d["longest_stall_ms"])' "$out")
    stall=$(awk -v a="$stall" -v b="$run_stall" 'BEGIN { print (b > a ? b : a) }')
    t0=$(now)
    peer_lines=$(LC_ALL=C xargs -d '\n' -a "$LIST" grep -a -ihoE -- "$PATTERN" | wc -l)
    t1=$(now)
    took=$(( (t1 - t0) / 1000 ))
    if [ -z "$peer_best" ] || [ "$took" -lt "$peer_best" ]; then peer_best=$took; fi
done
awk -v o="$best" -v p="$peer_best" -v r="$rows" -v pl="$peer_lines" -v s="$stall" 'BEGIN {
    printf "job                        ours s  peer              peer s  ratio  target   rows  peer lines  stall ms\n"
    printf "addresses-pattern-only     %6.3f  grep -a -ioE      %6.3f  %4.2fx  <= 1.5x  %s  %s  %.1f\n", o / 1e6, p / 1e6, o / p, r, pl, s
}'
echo "rows: distinct addresses (duplicates removed); peer lines: every match grep prints"
