#!/usr/bin/env bash
# Screenshots of the windows on a real X server (Xvfb), with some content:
# build/screenshots/form1-filled.png, form1-running.png (during a run, Stop
# shown), form1-after-run.png, form1-sorted.png (lines containing a text, by
# the results column),
# form1-filtered.png, form4.png (the message of a result), form2.png,
# form3.png.
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
{"click":"PushButton2"}
{"header":1,"on":"ListView2"}
{"screenshot":"$shots/form1-sorted.png"}
{"set":"Text7","text":"re:"}
{"idle":800}
{"screenshot":"$shots/form1-filtered.png"}
{"menu":"Show Message","on":"ListView2","row":1}
{"idle":300}
{"screenshot":"$shots/form4.png","window":"Form4"}
{"close":"Form4"}
{"set":"Text7","text":""}
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
for shot in form1-filled form1-running form1-after-run form1-sorted form1-filtered form4 form2 form3; do
  test -s "$shots/$shot.png" || { echo "no screenshot $shot" >&2; exit 1; }
done
echo "screenshots in $shots"
