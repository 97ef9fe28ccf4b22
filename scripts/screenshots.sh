#!/usr/bin/env bash
# Pictures of every window of every program, for the README: builds the suite,
# makes a fresh Wine sandbox seeded as in the demo (broken shortcuts, dead
# favorites on a local web site, junk files, leftover registry entries, an
# update's uninstall backup), starts each program under a virtual X display
# (Xvfb), opens its windows and fills their lists (tools/shotdriver.cpp), and
# saves one PNG per window, only the window with its frame, in docs/screenshots/.
#   scripts/screenshots.sh [BUILD_DIR] [SCENE...]
# SCENE names (snipwell, patchmoor, marksift, hivemend, dustrel,
# dustrel-advanced, brisko) limit the run to those programs' windows.
# Slow (a few minutes) and not part of the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [ $# -gt 0 ] && [[ $1 == */* || -d $1 ]]; then build=$1; shift; fi
build=$(mkdir -p "$build" && cd "$build" && pwd)
out=$root/docs/screenshots

"$root/scripts/setup.sh" "$build"
cmake --build "$build" -j2 --target suite_dist shotdriver demo_seed >/dev/null

sandbox=$build/shots-sandbox
"$root/scripts/sandbox.sh" create "$sandbox" win64 >/dev/null
eval "$("$root/scripts/sandbox.sh" env "$sandbox")" 2>/dev/null
drive_c=$WINEPREFIX/drive_c
reg() { "$SUITE_WINE" reg "$@" $SUITE_REG_VIEW >/dev/null 2>&1; }

# Real windows instead of the tests' headless driver. With no window manager
# on the virtual display, Wine draws the frames and title bars itself
# ("Managed"="N"); its caption buttons need the Marlett font of fonts-wine,
# which Wine does not find where Debian puts it: the sandbox gets a copy.
reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f
reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
  [ -f "/usr/share/wine/fonts/$font" ] && cp "/usr/share/wine/fonts/$font" "$drive_c/windows/Fonts/"
done
# The console runs the suite's own patch cleaner as on Windows XP (on Wine's
# default Windows 7 that step would start an outside program).
reg add 'HKCU\Software\Wine\AppDefaults\Brisko.exe' /v Version /d winxp /f
wineserver -k 2>/dev/null || true

# A free X display, 24 bits deep.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  "$root/scripts/sandbox.sh" stop "$sandbox" || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"

# The suite as a user installs it, and the tool that drives it.
suite=$drive_c/Suite
mkdir -p "$suite" "$drive_c/shots"
cp -r "$build/dist/." "$suite/"
cp "$build/tests/shotdriver.exe" "$build/tests/demo_seed.exe" "$drive_c/shots/"

# A local web site for the favorites: the home page answers, the others are gone.
site=$sandbox/site
mkdir -p "$site"
echo '<html><body>demo</body></html>' > "$site/index.html"
port=$(python3 -c 'import socket;s=socket.socket();s.bind(("127.0.0.1",0));print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site" >/dev/null 2>&1 &
server=$!

echo "== seeding the sandbox"
(cd "$drive_c" && "$SUITE_WINE" 'C:\shots\demo_seed.exe' 'C:\Suite' "$port")
# Enough junk that the cleaning run's progress window stays up a moment, and
# enough ordinary files that the scan's progress window does too.
cache="$drive_c/Demo Programs/Player/cache"
media="$drive_c/Demo Programs/Player/media"
mkdir -p "$cache" "$media"
for i in $(seq -w 1 60); do printf 'cached part %s\n' "$i" > "$cache/part$i.tmp"; done
for d in $(seq -w 1 40); do
  mkdir -p "$media/album$d"
  for i in $(seq -w 1 100); do : > "$media/album$d/track$i.wma"; done
done

echo "== opening the windows (display :$display)"
rm -f "$drive_c"/shots/*.bmp
status=0
(cd "$drive_c" && "$SUITE_WINE" 'C:\shots\shotdriver.exe' 'C:\Suite' 'C:\shots' "$@") || status=$?

echo "== saving the pictures in docs/screenshots/"
mkdir -p "$out"
for bmp in "$drive_c"/shots/*.bmp; do
  [ -f "$bmp" ] || continue
  name=$(basename "$bmp" .bmp)
  # 256 colours without dithering: the windows hold few colours; small files.
  convert "$bmp" -strip +dither -colors 256 "PNG8:$out/$name.png"
  echo "  docs/screenshots/$name.png"
done
exit "$status"
