#!/usr/bin/env bash
# The main window on small screens, under a real X server (Xvfb) at 150 %
# (QT_SCALE_FACTOR=1.5): on 1920x1080 (1280x720 in the program's pixels)
# every control lies on the screen and each list shows at least five rows;
# on 1280x800 (853x533) the window lies within the screen. A screenshot of
# each goes to build/screenshots/.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
drive="$build/tools/driver/tollervane-drive"
command -v xvfb-run > /dev/null || { echo "xvfb-run is not installed: skipped"; exit 77; }
shots="$build/screenshots"
mkdir -p "$shots"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

controls="ListView1 PushButton1 PushButton5 PushButton21 PushButton14 PushButton3 PushButton11 PushButton22
PushButton23 PushButton13 PushButton2 Text1 PushButton8 Text2 PushButton10 PushButton7 Text5 PushButton16
PushButton4 PushButton17 PushButton15 PushButton25 Text6 Check14 Check1 Check15 Check16 Check17 Check18 Text7
ListView2 PushButton6 PushButton12 PushButton26 PushButton18 PushButton9 PushButton19 PushButton20 ProgressBar1"

check() {
    local physical=$1 logical_w=$2 logical_h=$3 every_control=$4 name=$5
    {
        for c in $controls; do echo "{\"locate\":\"$c\"}"; done
        echo "{\"locate\":\"Form1\"}"
        echo "{\"screenshot\":\"$shots/$name.png\"}"
    } > "$work/$name.jsonl"
    QT_SCALE_FACTOR=1.5 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 ${physical}x24" \
        "$drive" --program-dir "$build/src" --config-dir "$work/config-$name" "$work/$name.jsonl" > "$work/$name.out"
    python3 - "$work/$name.out" "$logical_w" "$logical_h" "$every_control" <<'PY'
import json, sys
out, width, height, every = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), sys.argv[4] == "1"
located = [json.loads(l) for l in open(out) if l.startswith("{") and '"locate"' in l]
bad = []
for place in located:
    name = place["locate"]
    inside = (place["x"] >= 0 and place["y"] >= 0 and place["x"] + place["width"] <= width + 0.5
              and place["y"] + place["height"] <= height + 0.5)
    if name == "Form1" or every:
        if not inside:
            bad.append("%s at %d,%d %dx%d is not on the %dx%d screen" % (
                name, place["x"], place["y"], place["width"], place["height"], width, height))
    if every and place.get("rowHeight"):
        rows = place["height"] // place["rowHeight"]
        if rows < 5:
            bad.append("%s shows %d rows" % (name, rows))
if len(located) < 2:
    bad.append("nothing was located")
for line in bad:
    print(line, file=sys.stderr)
sys.exit(1 if bad else 0)
PY
}

check 1920x1080 1280 720 1 window-1920x1080-150
check 1280x800 853 533 0 window-1280x800-150
echo "screenshots: $shots/window-1920x1080-150.png $shots/window-1280x800-150.png"
