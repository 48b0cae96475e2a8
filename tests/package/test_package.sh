#!/usr/bin/env bash
# The Debian package, checked with tools no one here wrote: it is built by
# tools/package.sh, lintian reports no error, the metainfo and the menu entry
# validate; then it is installed with apt-get, the installed program is
# started the way the menu starts it (under Xvfb), the command-line program
# runs over the sample messages without a display, and the package is removed
# again, leaving the same packages installed as before and none of its files.
# Needs root (apt-get); skipped (exit 77) otherwise.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${TOLLERVANE_PACKAGE_DIR:-$top/build-package}

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installing the package needs root (apt-get); run as root, as CI does" >&2
  exit 77
fi
if dpkg-query -W -f='${Status}' tollervane 2>/dev/null | grep -q "ok installed"; then
  echo "SKIP: a tollervane package is already installed here; it is left alone" >&2
  exit 77
fi
"$top/tools/install-deps.sh" lintian appstream desktop-file-utils xvfb xauth xdotool python3

start=$SECONDS
bash "$top/tools/package.sh" > /dev/null
echo "package built in $((SECONDS - start)) s"
debs=("$build"/tollervane_*_amd64.deb)
test ${#debs[@]} -eq 1 || { echo "expected one package in $build, found: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
version=$(sed -n 's/^project(Tollervane VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
test "$(basename "$deb")" = "tollervane_${version}_amd64.deb"

work=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tollervane > /dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

lintian --fail-on error --tag-display-limit 0 "$deb"

# What the package holds, and what it asks for.
dpkg-deb -x "$deb" "$work/root"
for path in usr/bin/tollervane usr/lib/tollervane/tollervane usr/lib/tollervane/Samples \
  usr/lib/tollervane/modules/libtollervane-decode.so usr/lib/tollervane/modules/libtollervane-workbook.so \
  usr/bin/tollervane-extract usr/share/man/man1/tollervane.1.gz usr/share/man/man1/tollervane-extract.1.gz \
  usr/share/applications/tollervane.desktop usr/share/icons/hicolor/scalable/apps/tollervane.svg \
  usr/share/icons/hicolor/48x48/apps/tollervane.png usr/share/icons/hicolor/256x256/apps/tollervane.png \
  usr/share/metainfo/com.ardenwick.tollervane.metainfo.xml usr/share/tollervane/screenshots/main-window.png \
  usr/share/doc/tollervane/copyright; do
  test -e "$work/root/$path" || { echo "the package lacks /$path" >&2; exit 1; }
done
test "$(readlink "$work/root/usr/bin/tollervane")" = ../lib/tollervane/tollervane
identify -format '%wx%h\n' "$work/root/usr/share/icons/hicolor/48x48/apps/tollervane.png" | grep -qx 48x48
identify -format '%wx%h\n' "$work/root/usr/share/icons/hicolor/256x256/apps/tollervane.png" | grep -qx 256x256
appstreamcli validate --no-net "$work/root/usr/share/metainfo/com.ardenwick.tollervane.metainfo.xml"
desktop-file-validate "$work/root/usr/share/applications/tollervane.desktop"
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Depends: $depends"
echo "Recommends: $recommends"
grep -q 'libqt6widgets6' <<< "$depends" || { echo "Depends lacks the Qt libraries (dpkg-shlibdeps)" >&2; exit 1; }
grep -q 'libxlsxwriter' <<< "$depends" || { echo "Depends lacks libxlsxwriter (dpkg-shlibdeps)" >&2; exit 1; }
grep -q 'libreoffice-calc' <<< "$recommends" || { echo "LibreOffice Calc is not recommended" >&2; exit 1; }
if grep -q 'libreoffice' <<< "$depends"; then echo "LibreOffice must not be a dependency" >&2; exit 1; fi

# Install, start through the menu entry, remove.
packages_now() { dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' | LC_ALL=C sort; }
packages_before=$(packages_now)
installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" > "$work/apt.log" ||
  { cat "$work/apt.log" >&2; exit 1; }
dpkg-query -W -f='${Status}' tollervane | grep -q "install ok installed"
test "$(dpkg-query -W -f='${Version}' tollervane)" = "$version"
entry=/usr/share/applications/tollervane.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry")
test "$exec_line" = /usr/lib/tollervane/tollervane
command -v tollervane > /dev/null
# The command-line program runs without a display over the installed
# sample messages.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM tollervane-extract --help | grep -q -- '--containing'
samples=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  tollervane-extract --all --source --quiet /usr/lib/tollervane/Samples | wc -l)
test "$samples" -gt 0 || { echo "the installed tollervane-extract gave no lines from the samples" >&2; exit 1; }
echo "installed tollervane-extract read $samples lines from the sample messages"
# Decoding loads the decoder module from the installed program folder.
decoded=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  tollervane-extract --all --decode --quiet /usr/lib/tollervane/Samples | wc -l)
test "$decoded" -gt 0 || { echo "the installed tollervane-extract decoded nothing from the samples" >&2; exit 1; }
echo "installed tollervane-extract decoded $decoded lines from the sample messages"
# A workbook loads the workbook module likewise.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  tollervane-extract --all --quiet --format xlsx -o "$work/samples.xlsx" /usr/lib/tollervane/Samples
unzip -l "$work/samples.xlsx" | grep -q 'xl/worksheets/sheet1.xml' ||
  { echo "the installed tollervane-extract wrote no workbook" >&2; exit 1; }
echo "installed tollervane-extract wrote a workbook of the sample messages"

mkdir -p "$work/home"
cat > "$work/session.sh" <<SESSION
set -euo pipefail
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" QT_QPA_PLATFORM=xcb
$exec_line &
pid=\$!
window=\$(timeout 30 xdotool search --sync --onlyvisible --name '^Tollervane\$' | head -n 1)
python3 "$top/tests/scripts/x11_close_window.py" "\$window"
wait \$pid
# The command on the PATH starts the same program.
tollervane &
pid=\$!
window=\$(timeout 30 xdotool search --sync --onlyvisible --name '^Tollervane\$' | head -n 1)
python3 "$top/tests/scripts/x11_close_window.py" "\$window"
wait \$pid
SESSION
xvfb-run -a bash "$work/session.sh"
grep -q '^Snapshot=.\+' "$work/home/config/Ardenwick/Tollervane.conf" ||
  { echo "the installed program did not find its sample files" >&2; exit 1; }
echo "installed program started from its menu entry and as tollervane, showed its window and closed"

dpkg -L tollervane > "$work/files"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tollervane > /dev/null
installed=0
if dpkg-query -W -f='${db:Status-Abbrev}' tollervane 2>/dev/null | grep -q '^[a-z]c'; then
  echo "apt-get remove left configuration files of tollervane" >&2; exit 1
fi
left=0
while IFS= read -r path; do
  if [ -e "$path" ] && [ ! -d "$path" ]; then echo "left behind: $path" >&2; left=1; fi
done < "$work/files"
for dir in /usr/lib/tollervane /usr/share/tollervane /usr/share/doc/tollervane; do
  if [ -e "$dir" ]; then echo "left behind: $dir" >&2; left=1; fi
done
test "$left" = 0
# Whatever apt-get had to install for the package goes again.
pulled=$(LC_ALL=C comm -13 <(echo "$packages_before" | cut -d' ' -f1) <(packages_now | cut -d' ' -f1))
if [ -n "$pulled" ]; then
  echo "removing what the package pulled in: $pulled"
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq $pulled > /dev/null
fi
packages_after=$(packages_now)
if [ "$packages_before" != "$packages_after" ]; then
  echo "the installed packages differ from before:" >&2
  diff <(echo "$packages_before") <(echo "$packages_after") >&2 || true
  exit 1
fi
echo "package removed; the installed packages are as before"
