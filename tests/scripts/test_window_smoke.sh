#!/usr/bin/env bash
# Starts the real program on an X server (Xvfb), waits for its main window,
# takes a screenshot (build/screenshots/form1.png), closes the window as a
# window manager would, and expects the program to end cleanly.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
shots="$build/screenshots"
mkdir -p "$shots"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT

cat > "$home/session.sh" <<SESSION
set -euo pipefail
export HOME="$home" XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=xcb
"$build/src/tollervane" &
pid=\$!
window=\$(timeout 30 xdotool search --sync --onlyvisible --name '^Tollervane\$' | head -n 1)
sleep 1
import -window root "$shots/form1.png"
python3 "$here/x11_close_window.py" "\$window"
for _ in \$(seq 1 100); do
  kill -0 \$pid 2>/dev/null || break
  sleep 0.1
done
if kill -0 \$pid 2>/dev/null; then
  echo "the program did not end after its window was closed" >&2
  kill \$pid
  exit 1
fi
wait \$pid
SESSION

xvfb-run -a -s "-screen 0 1280x800x24" bash "$home/session.sh"
echo "screenshot: $shots/form1.png"
