#!/usr/bin/env bash
# Every extraction command against the tool a user would otherwise reach
# for, on one 200 MiB corpus, in one run, as one table.
#
# usage: bench/run_all.sh BUILD_DIR
#
# Each job is timed twice: the command alone, from the click to "Done." (as
# the job driver BUILD_DIR/bench/bench_extraction_job measures it), which is
# the measure of our speed (a user starts the window once and runs many
# commands), and the whole process, start to end; the peer is always its
# whole run (its pipeline into wc). Each time is the best of three runs,
# ours and the peer's taken in turns. Start-up (the process started until
# its window is first painted) is its own figure. Peak memory is
# the driver's largest resident set against the corpus's size; the longest
# stall is the longest time the event loop went without running during the
# command, over the three runs. The corpus lives in
# ${TOLLERVANE_BENCH_CORPUS:-/tmp/tollervane-bench-corpus} and is generated
# by make_corpus.py on first use. Timings are printed, never judged.

set -u

# BUILD_DIR, SCRIPT_DIR, CORPUS, RUNS, DRIVER, WORK, LIST and CORPUS_BYTES.
source "$(dirname "${BASH_SOURCE[0]}")/job_setup.sh"
echo "corpus: $(wc -l < "$LIST") files, $CORPUS_BYTES bytes, in $CORPUS"

NEEDLE='Content-Transfer-Encoding: quoted'
# A word that stands in bodies, many of them quoted-printable or base64:
# searched raw and decoded.
WORD='invoice'
# 200 text sets: two that the corpus holds often, the rest words it never does.
SETS=$WORK/sets.txt
python3 - "$SETS" <<'PY'
import random, sys
r = random.Random(7)
sets = ["invoice", "unsubscribe"]
while len(sets) < 200:
    word = "".join(r.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(r.randint(5, 10)))
    at = r.randint(0, len(word))
    sets.append(word[:at] + "zq" + word[at:])
open(sys.argv[1], "w").write("\n".join(sets) + "\n")
PY

json_string() { python3 -c 'import json, sys; print(json.dumps(sys.argv[1]))' "$1"; }
needle_json=$(json_string "$NEEDLE")
sets_json=$(json_string "$SETS")
now() { date +%s%N; }
write_job() {
    local name=$1
    shift
    printf '%s\n' "$@" > "$WORK/$name.jsonl"
}
write_job containing "{\"set\":\"Text1\",\"text\":$needle_json}" '{"click":"PushButton2"}'
write_job not-containing "{\"set\":\"Text2\",\"text\":$needle_json}" '{"click":"PushButton8"}'
write_job text-sets-200 '{"click":"PushButton15"}' "{\"answers\":[{\"files\":[$sets_json]}]}" \
    '{"click":"PushButton3","window":"Form3"}' '{"click":"PushButton4","window":"Form3"}'
write_job between '{"click":"PushButton4"}' '{"set":"Text3","text":"invoice","window":"Form2"}' \
    '{"set":"Text4","text":".","window":"Form2"}' '{"click":"PushButton4","window":"Form2"}'
write_job all-lines '{"click":"PushButton13"}'
write_job all-lines-both-options '{"check":"Check1","on":true}' '{"check":"Check14","on":true}' \
    '{"click":"PushButton13"}'
write_job by-number '{"set":"Text5","text":"3,7"}' '{"click":"PushButton7"}'
write_job raw-word "{\"set\":\"Text1\",\"text\":\"$WORD\"}" '{"click":"PushButton2"}'
write_job decoded-word '{"check":"Check17","on":true}' "{\"set\":\"Text1\",\"text\":\"$WORD\"}" \
    '{"click":"PushButton2"}'

# The least any job can take: the process starts, loads the list, shows its
# window and ends, with no command run; and the start-up alone, until the
# window is first painted.
write_job start-and-exit '{"set":"Text1","text":"x"}'
startup_best=""
first_paint_best=""
for _ in $(seq "$RUNS"); do
    t0=$(now)
    out=$("$DRIVER" --files-from "$LIST" "$WORK/start-and-exit.jsonl" 2>/dev/null | tail -n 1)
    t1=$(now)
    took=$(( (t1 - t0) / 1000 ))
    if [ -z "$startup_best" ] || [ "$took" -lt "$startup_best" ]; then startup_best=$took; fi
    painted=$(python3 -c 'import json, sys; print(json.loads(sys.argv[1])["first_paint_ns"])' "$out")
    took=$(( (painted - t0) / 1000 ))
    if [ -z "$first_paint_best" ] || [ "$took" -lt "$first_paint_best" ]; then first_paint_best=$took; fi
done

# The peers, each writing to a pipe (grep stops early on /dev/null).
peer_of() {
    case $1 in
    containing) LC_ALL=C xargs -d '\n' -a "$LIST" grep -a -ihF -- "$NEEDLE" | wc -l ;;
    not-containing) LC_ALL=C xargs -d '\n' -a "$LIST" grep -a -ihF -v -- "$NEEDLE" | wc -l ;;
    text-sets-200) LC_ALL=C xargs -d '\n' -a "$LIST" grep -a -ihF -f "$SETS" -- | wc -l ;;
    all-lines | all-lines-both-options) LC_ALL=C xargs -d '\n' -a "$LIST" grep -a -h '' -- | wc -l ;;
    by-number) xargs -d '\n' -a "$LIST" awk 'FNR==3||FNR==7' | wc -l ;;
    raw-word) LC_ALL=C xargs -d '\n' -a "$LIST" grep -a -ihF -- "$WORD" | wc -l ;;
    # What a Linux user would reach for to search decoded mail: mblaze's
    # mshow (every header decoded, -L), piped into grep.
    decoded-word) if command -v mshow >/dev/null; then
        xargs -d '\n' -a "$LIST" mshow -n -L 2>/dev/null | grep -ci -- "$WORD"
    else echo -; fi ;;
    esac
}
peer_name() {
    case $1 in
    containing) echo "grep -a -ihF" ;;
    not-containing) echo "grep -a -ihF -v" ;;
    text-sets-200) echo "grep -a -ihF -f SETS" ;;
    all-lines | all-lines-both-options) echo "grep -a -h ''" ;;
    by-number) echo "awk FNR==3||FNR==7" ;;
    between) echo "(containing)" ;;
    esac
}

RESULTS=$WORK/results.txt
: > "$RESULTS"
for job in containing not-containing text-sets-200 between all-lines all-lines-both-options by-number raw-word \
    decoded-word; do
    best=""
    command_best=""
    peer_best=""
    peer_lines=""
    worst_stall=0
    peak=0
    rows=""
    for _ in $(seq "$RUNS"); do
        t0=$(now)
        out=$("$DRIVER" --files-from "$LIST" "$WORK/$job.jsonl" 2>/dev/null | tail -n 1)
        t1=$(now)
        took=$(( (t1 - t0) / 1000 ))
        if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
        read -r r rss stall command < <(python3 -c 'import json, sys; d = json.loads(sys.argv[1]); print(d["rows"], d["peak_rss_mib"], d["longest_stall_ms"], int(d["seconds"] * 1e6))' "$out")
        if [ -z "$command_best" ] || [ "$command" -lt "$command_best" ]; then command_best=$command; fi
        rows=$r
        peak=$(awk -v a="$peak" -v b="$rss" 'BEGIN { print (b > a ? b : a) }')
        worst_stall=$(awk -v a="$worst_stall" -v b="$stall" 'BEGIN { print (b > a ? b : a) }')
        if [ "$job" != between ]; then
            t0=$(now)
            peer_lines=$(peer_of "$job")
            t1=$(now)
            took=$(( (t1 - t0) / 1000 ))
            if [ -z "$peer_best" ] || [ "$took" -lt "$peer_best" ]; then peer_best=$took; fi
        fi
    done
    echo "$job $command_best $best ${peer_best:--} $rows ${peer_lines:--} $peak $worst_stall" >> "$RESULTS"
    echo "  ran $job" >&2
done

# Scale: the corpus listed 199 times (995,000 files), containing a text
# found nowhere. A run's set-up must cost the same for ten files and for a
# million: the longest stall is the figure to watch. Run once; no peer (grep
# over the same list takes about half a minute).
MILLION=$WORK/million.txt
for _ in $(seq 199); do cat "$LIST"; done > "$MILLION"
write_job million-listed '{"set":"Text1","text":"zqxjv never found"}' '{"click":"PushButton2"}'
t0=$(now)
out=$("$DRIVER" --files-from "$MILLION" "$WORK/million-listed.jsonl" 2>/dev/null | tail -n 1)
t1=$(now)
read -r r rss stall command < <(python3 -c 'import json, sys; d = json.loads(sys.argv[1]); print(d["rows"], d["peak_rss_mib"], d["longest_stall_ms"], int(d["seconds"] * 1e6))' "$out")
echo "million-listed $command $(( (t1 - t0) / 1000 )) - $r - $rss $stall" >> "$RESULTS"
echo "  ran million-listed" >&2

python3 - "$RESULTS" "$CORPUS_BYTES" "$startup_best" "$first_paint_best" <<'PY'
import sys
names = {
    "containing": "grep -a -ihF",
    "not-containing": "grep -a -ihF -v",
    "text-sets-200": "grep -a -ihF -f SETS",
    "between": "containing (ours)",
    "all-lines": "grep -a -h ''",
    "all-lines-both-options": "grep -a -h ''",
    "by-number": "awk 'FNR==3||FNR==7'",
    "million-listed": "-",
    "raw-word": "grep -a -ihF invoice",
    "decoded-word": "mshow -L | grep -ci",
}
# The targets are on the command's own time against the peer's whole run.
targets = {"containing": 1.0, "not-containing": 1.0, "text-sets-200": 1.5, "between": 1.5, "all-lines": 1.5,
           "decoded-word": 0.5}
corpus_mib = int(sys.argv[2]) / 1048576.0
rows = {}
for line in open(sys.argv[1]):
    job, command, whole, peer, r, pl, rss, stall = line.split()
    rows[job] = (int(command) / 1e6, int(whole) / 1e6, None if peer == "-" else int(peer) / 1e6, r, pl,
                 float(rss), float(stall))
head = ("job", "command s", "process s", "peer", "peer s", "command/peer", "process/peer", "target", "rows",
        "peer lines", "peak MiB", "peak/corpus", "stall ms")
table = []
for job, (command, whole, peer, r, pl, rss, stall) in rows.items():
    if job == "between":
        # Against our own containing, command to command.
        peer = rows["containing"][0]
    ratio = lambda ours: "%.2fx" % (ours / peer) if peer else "-"
    target = targets.get(job)
    table.append((job, "%.3f" % command, "%.3f" % whole, names[job], "%.3f" % peer if peer else "-", ratio(command),
                  ratio(whole) if job != "between" else "-", "<= %.1fx" % target if target else "", r, pl,
                  "%.1f" % rss, "%.2fx" % (rss / corpus_mib), "%.1f" % stall))
w = [max(len(str(x[i])) for x in table + [head]) for i in range(len(head))]
for x in [head] + table:
    print("  ".join(str(v).ljust(w[i]) if i in (0, 3) else str(v).rjust(w[i]) for i, v in enumerate(x)).rstrip())
print("corpus: %.1f MiB; best of the runs; peak memory and stall are the worst;"
      " million-listed: the corpus listed 199 times, one run" % corpus_mib)
if "decoded-word" in rows and "raw-word" in rows:
    print("decoded containing / raw containing of the same word, command to command: %.2fx"
          % (rows["decoded-word"][0] / rows["raw-word"][0]))
print("start-up (process started to window first painted): %.3f s" % (int(sys.argv[4]) / 1e6))
print("start and exit alone (list loaded, window shown, no command): %.3f s" % (int(sys.argv[3]) / 1e6))
PY

# The command-line program against the same peers (its own table; see
# run_cli.sh).
bash "$SCRIPT_DIR/run_cli.sh" "$BUILD_DIR"

# Regular expressions: the address pattern with only the matching text,
# against grep -a -ioE (its own table; see run_regex.sh).
bash "$SCRIPT_DIR/run_regex.sh" "$BUILD_DIR"
