"""The command-line rows of the benchmark (run by run_cli.sh): each job of
tollervane-extract and its peer, taken in turns, best of the runs."""

import os
import subprocess
import sys
import time


def run(pipeline, peaks=None):
    """Runs the commands of pipeline, each reading the one before, the last
    into wc -l; returns the seconds until all are reaped and the lines
    counted. With peaks (one file per command), each command is started by
    /usr/bin/time, which writes its peak resident set there."""
    started = time.perf_counter()
    procs = []
    previous = None
    for i, (argv, env) in enumerate(pipeline):
        if peaks:
            argv = ["/usr/bin/time", "-f", "%M", "-o", peaks[i], *argv]
        proc = subprocess.Popen(argv, env=env, stdin=previous, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        if previous is not None:
            previous.close()
        previous = proc.stdout
        procs.append(proc)
    count = subprocess.Popen(["wc", "-l"], stdin=previous, stdout=subprocess.PIPE)
    previous.close()
    lines = int(count.communicate()[0])
    for proc in procs:
        proc.wait()
    return time.perf_counter() - started, lines


def peak(pipeline, work):
    """The largest peak resident set of the pipeline's commands in KiB, from
    a run of its own (untimed: the timed runs have nothing around them)."""
    peaks = [os.path.join(work, "peak-%d" % i) for i in range(len(pipeline))]
    run(pipeline, peaks)
    largest = 0
    for path in peaks:
        with open(path) as report:
            largest = max(largest, int(report.read().split()[-1]))
    return largest


def main():
    extract, files, needle, word, runs, mshow, work = sys.argv[1:8]
    runs = int(runs)
    c_env = dict(os.environ, LC_ALL="C")

    def ours(*options):
        return [([extract, "--quiet", *options, "--files-from", files], None)]

    def xargs(*command):
        return ["xargs", "-d", "\n", "-a", files, *command]

    jobs = [
        ("--containing", ours("--containing", needle), "grep -a -ihF",
         [(xargs("grep", "-a", "-ihF", "--", needle), c_env)], "<= 0.8x"),
        ("--all", ours("--all"), "grep -a -h ''", [(xargs("grep", "-a", "-h", "", "--"), c_env)], "<= 1.0x"),
        ("--decode --containing", ours("--decode", "--containing", word), "mshow -n -L | grep -i",
         [(xargs(mshow, "-n", "-L"), None), (["grep", "-i", "--", word], None)] if mshow else None, "<= 0.5x"),
    ]
    head = ("tollervane-extract", "process s", "peer", "peer s", "ours/peer", "target", "rows", "peer lines",
            "peak MiB", "peer peak MiB")
    table = []
    for name, ours_command, peer_name, peer_command, target in jobs:
        best = peer_best = None
        peer_rows = "-"
        for _ in range(runs):
            seconds, rows = run(ours_command)
            best = seconds if best is None else min(best, seconds)
            if peer_command:
                seconds, peer_rows = run(peer_command)
                peer_best = seconds if peer_best is None else min(peer_best, seconds)
        ours_peak = peak(ours_command, work)
        peer_peak = peak(peer_command, work) if peer_command else 0
        print("  ran tollervane-extract " + name, file=sys.stderr)
        table.append((name, "%.3f" % best, peer_name if peer_command else "(mshow missing)",
                      "%.3f" % peer_best if peer_command else "-",
                      "%.2fx" % (best / peer_best) if peer_command else "-", target, rows, peer_rows,
                      "%.1f" % (ours_peak / 1024), "%.1f" % (peer_peak / 1024) if peer_command else "-"))
    widths = [max(len(str(row[i])) for row in table + [head]) for i in range(len(head))]
    print()
    for row in [head] + table:
        print("  ".join(str(v).ljust(widths[i]) if i in (0, 2) else str(v).rjust(widths[i])
                        for i, v in enumerate(row)).rstrip())
    print("whole processes (lines format to a pipe), best of the runs taken in turns; "
          "peak memory from a run of its own")


if __name__ == "__main__":
    main()
