#!/usr/bin/env bash
# Messages dragged from a real file manager (pcmanfm) onto the file list, on
# a real X server (Xvfb), with xdotool moving the pointer as a person would.
# In pcmanfm, sorted by name descending, three entries are selected (two
# messages and a sub-folder between them; one message is left out). Their
# order in the file manager is read from its own copy of the selection
# (Ctrl+C). Dragged onto ListView1 they must give the rows, in order, that a
# drop of those items gives: the files as they come, the sub-folder scanned
# for every file below it.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
drive="$build/tools/driver/tollervane-drive"
for tool in pcmanfm xdotool xclip xvfb-run python3; do
  command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed (tools/install-deps.sh installs it)" >&2; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
samples="$build/src/Samples"
mail="$work/mail"
mkdir -p "$mail/02-sub/deeper" "$work/home/config/pcmanfm/default" "$work/runtime"
chmod 700 "$work/runtime"
cp "$samples/01-welcome.eml" "$samples/02-invoice.eml" "$samples/03-newsletter.eml" "$mail/"
cp "$samples/04-meeting.eml" "$mail/00-left-out.eml"
cp "$samples/05-order-shipped.eml" "$samples/06-forwarded-recipe.eml" "$mail/02-sub/"
cp "$samples/07-invoice-reminder.eml" "$mail/02-sub/deeper/"
# A detailed list, folders mixed in with the files, sorted by name from Z to A.
cat > "$work/home/config/pcmanfm/default/pcmanfm.conf" <<CONF
[ui]
always_show_tabs=0
view_mode=list
sort=name;descending;mingle;
win_width=700
win_height=500
CONF

cat > "$work/session.sh" <<'SESSION'
set -euo pipefail
work=$1 drive=$2 build=$3
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/runtime"
pcmanfm --no-desktop "$work/mail" > "$work/pcmanfm.log" 2>&1 &
fm_pid=$!
trap 'kill $fm_pid 2> /dev/null || true' EXIT
fm=$(timeout 30 xdotool search --sync --onlyvisible --class pcmanfm | head -n 1)
xdotool windowmove --sync "$fm" 1100 0
sleep 1

# Select: click the first row, extend the selection two rows down; copy.
# Tried again while the folder is still being listed (nothing copied yet).
for _ in $(seq 10); do
  xdotool mousemove --window "$fm" 240 97 click 1
  sleep 0.5
  xdotool key shift+Down shift+Down
  sleep 0.5
  xdotool key ctrl+c
  sleep 0.5
  xclip -o -selection clipboard -t text/uri-list > "$work/selection.uris" 2> /dev/null || true
  grep -q file: "$work/selection.uris" && break
done

# What a drop of those items gives (synthetic drop, offscreen).
python3 - "$work/selection.uris" > "$work/synthetic.jsonl" <<'PY'
import json, sys, urllib.parse
# The copied list ends in a NUL byte.
uris = [u.strip() for u in open(sys.argv[1]).read().replace("\0", "").splitlines() if u.strip()]
paths = [urllib.parse.unquote(urllib.parse.urlparse(u).path) for u in uris]
print(json.dumps({"drop": paths, "on": "ListView1"}))
print(json.dumps({"dump": "ListView1"}))
PY
QT_QPA_PLATFORM=offscreen "$drive" --program-dir "$build/src" "$work/synthetic.jsonl" > "$work/synthetic.out"
rows=$(python3 -c 'import json,sys; print(len(json.loads(open(sys.argv[1]).readline())["rows"]))' "$work/synthetic.out")

# The real window waits for the drop.
printf '{"locate":"ListView1"}\n{"wait":"ListView1","rows":%s,"seconds":30}\n{"dump":"ListView1"}\n' "$rows" > "$work/real.jsonl"
QT_QPA_PLATFORM=xcb "$drive" --program-dir "$build/src" "$work/real.jsonl" > "$work/real.out" 2> "$work/real.err" &
drive_pid=$!
for _ in $(seq 100); do grep -q locate "$work/real.out" && break; sleep 0.1; done
read -r tx ty < <(python3 -c 'import json,sys; l=json.loads(open(sys.argv[1]).readline()); print(l["x"]+l["width"]//2, l["y"]+l["height"]//2)' "$work/real.out")

# Drag from the first selected row to the middle of the file list, in steps
# (the file manager starts a drag once the pointer has moved far enough).
read -r fx fy < <(xdotool getwindowgeometry --shell "$fm" | sed -n 's/^[XY]=//p' | xargs)
sx=$((fx + 240)) sy=$((fy + 97))
xdotool mousemove "$sx" "$sy"
sleep 0.2
xdotool mousedown 1
sleep 0.2
for i in $(seq 1 20); do
  xdotool mousemove $((sx + (tx - sx) * i / 20)) $((sy + (ty - sy) * i / 20))
  sleep 0.05
done
sleep 0.3
xdotool mousemove $((tx + 2)) $((ty + 2))
sleep 0.3
xdotool mouseup 1
wait $drive_pid || { cat "$work/real.err" >&2; exit 1; }
SESSION

xvfb-run -a -s "-screen 0 1800x900x24" bash "$work/session.sh" "$work" "$drive" "$build"

python3 - "$work" <<'PY'
import json, sys, urllib.parse
work = sys.argv[1]
mail = work + "/mail"
uris = [u.strip() for u in open(work + "/selection.uris").read().replace("\0", "").splitlines() if u.strip()]
selected = [urllib.parse.unquote(urllib.parse.urlparse(u).path) for u in uris]
# The selection made in the file manager, in its order (Z to A).
assert selected == [mail + "/03-newsletter.eml", mail + "/02-sub", mail + "/02-invoice.eml"], selected
synthetic = json.loads(open(work + "/synthetic.out").readline())["rows"]
real = [l for l in map(json.loads, open(work + "/real.out")) if l.get("dump") == "ListView1"][0]["rows"]
assert real == synthetic, (real, synthetic)
paths = [r[0] for r in real]
sub = sorted(p for p in paths if p.startswith(mail + "/02-sub/"))
assert sub == sorted([mail + "/02-sub/05-order-shipped.eml", mail + "/02-sub/06-forwarded-recipe.eml",
                      mail + "/02-sub/deeper/07-invoice-reminder.eml"]), paths
assert paths[0] == mail + "/03-newsletter.eml" and paths[-1] == mail + "/02-invoice.eml", paths
assert len(paths) == 5, paths
print("dragged from pcmanfm:", *paths, sep="\n  ")
PY
