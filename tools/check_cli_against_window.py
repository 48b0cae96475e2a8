#!/usr/bin/env python3
"""Runs the same extractions in the window (through tollervane-drive) and
through tollervane-extract over a folder of messages, and compares their
rows: every command, raw and decoded, with and without the source column
and duplicate removal. Meant for messages written by others, e.g.

    python3 tools/check_cli_against_window.py build MAIL_FOLDER

Prints one line per run and a summary; exits 1 when any run differs."""

import json
import os
import subprocess
import sys
import tempfile

# The jobs: a name, the window's steps (the options are added), the
# command's options, and whether the job always reads decoded text.
PATTERN = r"([A-Za-z0-9._%+-]+)@([A-Za-z0-9.-]+)"
JOBS = [
    ("all lines", [{"click": "PushButton13"}], ["--all"], False),
    ("containing", [{"set": "Text1", "text": "the"}, {"click": "PushButton2"}], ["--containing", "the"], False),
    ("not containing", [{"set": "Text2", "text": "e"}, {"click": "PushButton8"}], ["--not-containing", "e"], False),
    ("by number", [{"set": "Text5", "text": "1,3,8,20"}, {"click": "PushButton7"}], ["--lines", "1,3,8,20"], False),
    ("between", [{"click": "PushButton4"},
                 {"set": "Text3", "text": "Content-Type", "window": "Form2"},
                 {"set": "Text4", "text": "--", "window": "Form2"},
                 {"click": "PushButton4", "window": "Form2"}],
     ["--between", "Content-Type", "--"], False),
    ("text sets", [{"click": "PushButton15"}, {"answers": [{"files": ["@SETS@"]}]},
                   {"click": "PushButton3", "window": "Form3"},
                   {"click": "PushButton4", "window": "Form3"}],
     ["--sets", "@SETS@"], False),
    ("header fields", [{"set": "Text6", "text": "From, Subject, Date"}, {"click": "PushButton25"}],
     ["--fields", "From, Subject, Date"], True),
    ("pattern with groups", [{"check": "Check15", "on": True}, {"check": "Check16", "on": True},
                             {"set": "Text1", "text": PATTERN}, {"click": "PushButton2"}],
     ["--containing", PATTERN, "--regex", "--only-matching"], False),
]
SETS = "subject\nmime-version\nboundary\n"


def window_rows(drive, files, steps, options, work):
    script = [{"drop": files, "on": "ListView1"}]
    script += [{"check": "Check17", "on": options["decode"]}, {"check": "Check14", "on": options["source"]},
               {"check": "Check1", "on": options["unique"]}]
    # The job's own answers (a file to open) come first in the queue; every
    # box after them is answered with OK ("Done." among them).
    answers = [answer for step in steps for answer in step.get("answers", [])]
    script += [{"answers": answers + ["OK"] * 20}]
    script += [step for step in steps if "answers" not in step] + [{"dump": "ListView2"}]
    path = os.path.join(work, "script.jsonl")
    with open(path, "w") as out:
        out.write("\n".join(json.dumps(step) for step in script) + "\n")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run([drive, path], capture_output=True, env=env, check=True)
    for line in done.stdout.decode().splitlines():
        shown = json.loads(line)
        if shown.get("dump") == "ListView2":
            return [list(row) for row in shown["rows"]]
    raise RuntimeError("the window showed no results list: " + done.stderr.decode())


def command_rows(extract, files, arguments, options):
    argv = [extract, "--quiet", "--format", "jsonl", *arguments]
    argv += [flag for flag, on in (("--decode", options["decode"]), ("--source", options["source"]),
                                   ("--unique", options["unique"])) if on]
    done = subprocess.run(argv + ["--", *files], capture_output=True)
    if done.returncode not in (0, 1):
        raise RuntimeError("tollervane-extract failed: " + done.stderr.decode(errors="replace"))
    # One object a row: the source (when shown), the line, then the columns
    # in order; raw bytes come as the window shows them (Latin-1).
    rows = []
    for line in done.stdout.decode("utf-8").splitlines():
        row = json.loads(line)
        cells = [value for key, value in row.items() if key not in ("source", "line")]
        rows.append(([row["source"]] if options["source"] else []) + cells)
    return rows


def main():
    build, folder = sys.argv[1:3]
    drive = os.path.join(build, "tools/driver/tollervane-drive")
    extract = os.path.join(build, "src/tollervane-extract")
    files = sorted(os.path.join(os.path.abspath(folder), name) for name in os.listdir(folder)
                   if name.lower().endswith(".eml"))
    runs = differing = 0
    with tempfile.TemporaryDirectory() as work:
        sets = os.path.join(work, "sets.txt")
        with open(sets, "w") as out:
            out.write(SETS)
        for name, steps, arguments, always_decoded in JOBS:
            steps = json.loads(json.dumps(steps).replace("@SETS@", sets))
            arguments = [sets if a == "@SETS@" else a for a in arguments]
            for decode in ((True,) if always_decoded else (False, True)):
                for source, unique in ((False, False), (True, False), (False, True), (True, True)):
                    options = {"decode": decode, "source": source, "unique": unique}
                    shown = window_rows(drive, files, steps, options, work)
                    written = command_rows(extract, files, arguments, options)
                    runs += 1
                    label = "%-20s %-7s source=%d unique=%d" % (name, "decoded" if decode else "raw", source, unique)
                    if shown == written:
                        print("same      %s: %d rows" % (label, len(shown)))
                        continue
                    differing += 1
                    first = next((i for i, (a, b) in enumerate(zip(shown, written)) if a != b),
                                 min(len(shown), len(written)))
                    print("DIFFERENT %s: window %d rows, command %d rows; first at row %d:\n  window:  %r\n  command: %r"
                          % (label, len(shown), len(written), first, shown[first] if first < len(shown) else None,
                             written[first] if first < len(written) else None))
    print("%d files, %d runs, %d differ" % (len(files), runs, differing))
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
