#!/usr/bin/env bash
# Saving the results onto a disk that fills up: the error box gives the
# system's reason ("No space left on device"), the file that was there stays
# as it was and nothing else is left behind. Uses a small tmpfs, so it needs
# root (or the right to mount); skipped (77) otherwise.
set -euo pipefail
build=$1
work=$(mktemp -d)
disk="$work/disk"
mkdir -p "$disk"
if ! mount -t tmpfs -o size=256k tmpfs "$disk" 2> /dev/null; then
  rm -rf "$work"
  echo "cannot mount a small tmpfs here: skipped"
  exit 77
fi
trap 'umount "$disk"; rm -rf "$work"' EXIT
printf 'old\r\n' > "$disk/kept.txt"
python3 -c "
import sys
with open(sys.argv[1], 'wb') as f:
    for i in range(6000):
        f.write(b'line %05d ' % i + b'x' * 90 + b'\r\n')
" "$work/big.eml"
cat > "$work/script.jsonl" <<SCRIPT
{"drop":["$work/big.eml"],"on":"ListView1"}
{"click":"PushButton13"}
{"answers":[{"file":"$disk/kept.txt"},"Yes"]}
{"click":"PushButton6"}
SCRIPT
QT_QPA_PLATFORM=offscreen "$build/tools/driver/tollervane-drive" --config-dir "$work/config" \
  "$work/script.jsonl" > "$work/out.jsonl"
python3 - "$work/out.jsonl" "$disk" <<'PY'
import json, os, sys
lines = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
errors = [l for l in lines if l.get("title") == "Application Error"]
assert len(errors) == 1, lines
assert "No space left on device" in errors[0]["text"], errors[0]["text"]
assert "SaveListviewProperlySpaced" in errors[0]["text"], errors[0]["text"]
disk = sys.argv[2]
assert os.listdir(disk) == ["kept.txt"], os.listdir(disk)
assert open(os.path.join(disk, "kept.txt"), "rb").read() == b"old\r\n"
print("disk full: the reason shown, the old file kept")
PY
