#!/usr/bin/env bash
# A desktop install: cmake --install into a fresh prefix puts the program and
# its program-folder files in one folder, a command, a menu entry and an
# icon. The program is started the way the menu starts it (the entry's Exec
# line) under Xvfb, and must find its sample files: its first start records
# them under "Snapshot" in the settings.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
entry="$prefix/share/applications/tollervane.desktop"
test -f "$entry"
test -f "$prefix/share/icons/hicolor/64x64/apps/tollervane.png"
test -x "$prefix/bin/tollervane"
ls "$prefix/lib/tollervane/Samples/"*.eml > /dev/null
if command -v desktop-file-validate > /dev/null; then desktop-file-validate "$entry"; fi

exec_line=$(sed -n 's/^Exec=//p' "$entry")
test "$exec_line" = "$prefix/lib/tollervane/tollervane"

cat > "$home/session.sh" <<SESSION
set -euo pipefail
export HOME="$home" XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=xcb
$exec_line &
pid=\$!
window=\$(timeout 30 xdotool search --sync --onlyvisible --name '^Tollervane\$' | head -n 1)
python3 "$(dirname "$0")/x11_close_window.py" "\$window"
wait \$pid
SESSION
xvfb-run -a bash "$home/session.sh"

settings="$home/config/Ardenwick/Tollervane.conf"
grep -q '^Snapshot=.\+' "$settings" || { echo "no sample snapshot recorded in $settings" >&2; cat "$settings" >&2; exit 1; }
echo "installed program started from its menu entry and recorded its samples"
