#!/usr/bin/env bash
# Screenshots of the three windows on a real X server (Xvfb), with some
# content: build/screenshots/form1-filled.png, form1-running.png (during a
# run, Stop shown), form1-after-run.png, form2.png, form3.png.
set -euo pipefail
build=$1
shots="$build/screenshots"
mkdir -p "$shots"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
samples="$build/src/Samples"
cat > "$work/script.jsonl" <<SCRIPT
{"answers":["No"]}
{"click":"PushButton23"}
{"set":"Text1","text":"subject"}
{"check":"Check14","on":true}
{"click":"PushButton2"}
{"screenshot":"$shots/form1-filled.png"}
{"screenshot":"$shots/form1-running.png","during":{"progress":50}}
{"click":"PushButton13"}
{"screenshot":"$shots/form1-after-run.png"}
{"click":"PushButton4"}
{"set":"Text3","window":"Form2","text":"remove="}
{"set":"Text4","window":"Form2","text":" target"}
{"screenshot":"$shots/form2.png","window":"Form2"}
{"click":"PushButton15"}
{"answers":[{"text":"invoice"}]}
{"click":"PushButton2","window":"Form3"}
{"screenshot":"$shots/form3.png","window":"Form3"}
SCRIPT
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$build/tools/driver/tollervane-drive" --program-dir "$build/src" --config-dir "$work/config" "$work/script.jsonl" > "$work/out.jsonl"
for shot in form1-filled form1-running form1-after-run form2 form3; do
  test -s "$shots/$shot.png" || { echo "no screenshot $shot" >&2; exit 1; }
done
echo "screenshots in $shots"
