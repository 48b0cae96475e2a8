#!/usr/bin/env bash
# A listed file that the user may not read (its permission taken away after
# it was listed): the reader shows one error box with its location, the run
# goes on with the next file. Run as an unprivileged user (root reads every
# file); skipped (77) where setpriv is missing.
set -euo pipefail
build=$1
command -v setpriv > /dev/null || { echo "setpriv missing: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
cp "$build/tools/driver/tollervane-drive" "$work/drive"
printf 'secret\r\n' > "$work/locked.eml"
printf 'open\r\n' > "$work/open.eml"
chmod 000 "$work/locked.eml"
chmod 644 "$work/open.eml"
printf '{"drop":["%s","%s"],"on":"ListView1"}\n{"click":"PushButton13"}\n{"dump":"ListView2"}\n' \
  "$work/locked.eml" "$work/open.eml" > "$work/script.jsonl"
chmod 644 "$work/script.jsonl"
mkdir -m 777 "$work/home"
setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$work/home" XDG_RUNTIME_DIR="$work/home" \
  QT_QPA_PLATFORM=offscreen "$work/drive" --config-dir "$work/home/config" "$work/script.jsonl" > "$work/out.jsonl"
python3 - "$work/out.jsonl" <<'PY'
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
boxes = [l for l in lines if l.get("prompt") == "message"]
assert len(boxes) == 2, boxes
assert boxes[0]["title"] == "Application Error", boxes[0]
assert "\r\nin Quillmarsh2021/08/31.Main.ReadFileToStringFSOLine at line 100\r\r" in boxes[0]["text"], boxes[0]
assert boxes[1]["text"] == "Done.", boxes[1]
rows = [l for l in lines if l.get("dump") == "ListView2"][0]["rows"]
assert rows == [[""], ["open"]], rows
print("unreadable file reported once; the run went on")
PY
