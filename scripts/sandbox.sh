#!/usr/bin/env bash
# Creates (or reuses) a Wine sandbox that cannot reach the real home directory.
#   scripts/sandbox.sh create DIR [win64|win32]   make DIR/{home,prefix} afresh
#                                  (win32: a 32-bit prefix, as on a 32-bit Windows)
#   scripts/sandbox.sh create-if-possible DIR win32
#                                  the same, or exit 77 with the reason when this
#                                  host cannot run 32-bit Wine (a skipped test)
#   scripts/sandbox.sh env DIR      print the environment lines for DIR
#   scripts/sandbox.sh stop DIR     end the sandbox's wineserver
# Everything a test or demo run does inside Wine happens below DIR.
# SUITE_WINE in the environment lines is the Wine loader to call: in a 64-bit
# prefix it bypasses a 32-bit Wine that is installed but cannot run here.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

sandbox_env() {
  local dir=$1 arch=win64 loader=wine
  [ -f "$dir/arch" ] && arch=$(cat "$dir/arch")
  if [ "$arch" = win64 ]; then loader=$("$here/host32.sh" loader); fi
  echo "export HOME='$dir/home'"
  echo "export XDG_DATA_HOME='$dir/home/.local/share'"
  echo "export WINEPREFIX='$dir/prefix'"
  echo "export WINEDEBUG=-all"
  echo "export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'"
  echo "export LANG=zh_CN.UTF-8"
  echo "export LC_ALL=zh_CN.UTF-8"
  echo "export WINEARCH=$arch"
  echo "export SUITE_WINE='$loader'"
  # The 64-bit loader called directly starts the prefix's programs with itself.
  [ "$loader" = wine ] || echo "export WINELOADER='$loader'"
  # With 32-bit Wine installed, "wine reg" is the 32-bit tool: name the 64-bit
  # view of the registry in a 64-bit prefix.
  if [ "$arch" = win64 ]; then echo "export SUITE_REG_VIEW=/reg:64"; else echo "export SUITE_REG_VIEW="; fi
}

cmd=${1:?usage: sandbox.sh create|env DIR}
dir=${2:?usage: sandbox.sh create|env DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

case "$cmd" in
  env) sandbox_env "$dir" ;;
  create-if-possible|create)
    arch=${3:-win64}
    case "$arch" in win64|win32) ;; *) echo "sandbox.sh: unknown architecture $arch" >&2; exit 2 ;; esac
    if [ "$arch" = win32 ] && ! reason=$("$here/host32.sh" wine); then
      echo "32-bit sandbox not made: $reason"
      if [ "$cmd" = create-if-possible ]; then exit 77; fi
      exit 1
    fi
    # Stop a wineserver left over from an earlier run of this sandbox.
    if [ -d "$dir/prefix" ]; then
      WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null || true
    fi
    rm -rf "$dir/home" "$dir/prefix"
    mkdir -p "$dir/home/.local/share/Trash/files" "$dir/home/.local/share/Trash/info"
    echo "$arch" > "$dir/arch"
    eval "$(sandbox_env "$dir")" 2>/dev/null
    unset DISPLAY
    "$SUITE_WINE" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # The profile's shell folders are links into $HOME (which holds the trash):
    # make them plain folders so a walk of C:\ never reaches the trash or the prefix.
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
      if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
    done
    rm -f "$WINEPREFIX/dosdevices/z:"
    # Folder links that point back up, as Vista's profile junctions do: a walk
    # that entered them would never end. Wine shows them as reparse points.
    loop="$WINEPREFIX/drive_c/suite-fixtures/linkloop"
    mkdir -p "$loop/inner"
    echo data > "$loop/inner/file.txt"
    ln -s .. "$loop/inner/up"
    ln -s "$loop" "$loop/inner/again"
    # Vista and later keep such a junction inside every profile.
    for local in "$WINEPREFIX"/drive_c/users/*/AppData/Local; do
      [ -d "$local" ] && ln -sfn . "$local/Application Data"
    done
    # A small fixed drive Q: over C:\suite-fixtures\drive-q, for tests that walk
    # a whole drive: it holds only what they seed there, and a loop of its own.
    qdrive="$WINEPREFIX/drive_c/suite-fixtures/drive-q"
    mkdir -p "$qdrive/loop/inner"
    echo data > "$qdrive/loop/inner/file.txt"
    ln -s .. "$qdrive/loop/inner/up"
    ln -sfn ../drive_c/suite-fixtures/drive-q "$WINEPREFIX/dosdevices/q:"
    "$SUITE_WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f $SUITE_REG_VIEW >/dev/null 2>&1
    # No crash debugger: a program that crashes here ends at once with its
    # exception code instead of waiting for winedbg (a missing debugger
    # program is the way to say so; without the value Wine starts winedbg).
    "$SUITE_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /d 'no-crash-debugger.exe %ld %ld' /f $SUITE_REG_VIEW >/dev/null 2>&1
    wineserver -w
    echo "sandbox ready: $dir"
    ;;
  stop)
    if [ -d "$dir/prefix" ]; then WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null || true; fi
    ;;
  *) echo "usage: sandbox.sh create|env|stop DIR" >&2; exit 2 ;;
esac
