#!/usr/bin/env bash
# The workbook export hands its workbook to the real spreadsheet application
# on a real X server (Xvfb): after "Save Results As Excel File" a window
# "Untitled 1 - LibreOffice Calc" appears, which is then closed unsaved.
# Skipped (77) where LibreOffice Calc or the X tools are missing.
set -euo pipefail
build=$1
for tool in soffice xvfb-run xdotool; do
  command -v "$tool" > /dev/null || { echo "$tool missing: skipped"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"
printf 'Subject: calc\r\n\r\nfirst line\r\nsecond line\r\n' > "$work/a.eml"
cat > "$work/script.jsonl" <<SCRIPT
{"drop":["$work/a.eml"],"on":"ListView1"}
{"click":"PushButton13"}
{"click":"PushButton12"}
SCRIPT

# Everything runs inside one X server, with a profile of its own (HOME).
cat > "$work/inside.sh" <<'INSIDE'
set -euo pipefail
work=$1 build=$2
QT_QPA_PLATFORM=xcb "$build/tools/driver/tollervane-drive" --real-spreadsheet --program-dir "$build/src" \
  --config-dir "$work/config" "$work/script.jsonl" > "$work/out.jsonl"
window=
for _ in $(seq 1 120); do
  window=$(xdotool search --name '^Untitled 1 - LibreOffice Calc$' 2> /dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 1
done
[ -n "$window" ] || { echo "no Calc window appeared" >&2; cat "$work/out.jsonl" >&2; exit 1; }
echo "Calc window $window"
# Closed without saving: the application is ended and the workbook stays
# unsaved. (Whatever is left ends with this X server.)
pid=$(xdotool getwindowpid "$window" 2> /dev/null || true)
if [ -n "$pid" ]; then
  kill "$pid" 2> /dev/null || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.2; done
fi
INSIDE
HOME="$work/home" xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/inside.sh" "$work" "$build"

python3 - "$work/out.jsonl" <<'PY'
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
handed = [l for l in lines if l.get("prompt") == "spreadsheet"]
assert len(handed) == 1 and handed[0]["taken"] is True, lines
messages = [l["text"] for l in lines if l.get("prompt") == "message"]
assert messages == ["Done."], messages  # the extraction's, and nothing from the export
print("the workbook opened as an untitled Calc document")
PY
