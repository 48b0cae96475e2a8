#!/usr/bin/env bash
# tollervane-drive as a program: a script from a file and from standard
# input, settings kept across two runs with the same --config-dir, and a
# non-zero exit with a message for a malformed step or an unknown control.
set -euo pipefail
build=$1
drive="$build/tools/driver/tollervane-drive"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

printf 'Subject: hi\r\n\r\ncaf\xe9\r\n' > "$work/a.eml"
cat > "$work/first.jsonl" <<SCRIPT
{"set":"Text1","text":"subject:"}
{"check":"Check1","on":true}
{"drop":["$work/a.eml"],"on":"ListView1"}
{"click":"PushButton13"}
{"dump":"ListView2"}
SCRIPT
"$drive" --config-dir "$work/config" "$work/first.jsonl" > "$work/first.out"

python3 - "$work/first.out" <<'PY'
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
done = [l for l in lines if l.get("prompt") == "message"]
assert [d["text"] for d in done] == ["Done."], done
assert done[0]["title"] == "Tollervane" and done[0]["icon"] == "none" and done[0]["buttons"] == ["OK"], done
rows = [l for l in lines if l.get("dump") == "ListView2"][0]["rows"]
assert rows == [["Subject: hi"], [""], ["caf\u00e9"]], rows
PY

# A second run on the same settings sees what the first stored.
echo '{"dump":"settings"}' | "$drive" --config-dir "$work/config" - > "$work/second.out"
python3 - "$work/second.out" <<'PY'
import json, sys
values = json.loads(open(sys.argv[1], encoding="utf-8").readline())["values"]
assert values["Text1"] == "subject:" and values["Check1"] == "1", values
PY

for bad in '{"click":"PushButton999"}' 'not json' '{"frobnicate":1}'; do
  if echo "$bad" | "$drive" - > /dev/null 2> "$work/err"; then
    echo "expected a failure for: $bad" >&2
    exit 1
  fi
  grep -q "tollervane-drive: line 1" "$work/err"
done
echo "driver checks passed"
