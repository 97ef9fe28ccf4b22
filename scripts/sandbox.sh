#!/usr/bin/env bash
# Creates (or reuses) a Wine sandbox that cannot reach the real home directory.
#   scripts/sandbox.sh create DIR   make DIR/{home,prefix} afresh
#   scripts/sandbox.sh env DIR      print the environment lines for DIR
#   scripts/sandbox.sh stop DIR     end the sandbox's wineserver
# Everything a test or demo run does inside Wine happens below DIR.
set -euo pipefail

sandbox_env() {
  local dir=$1
  echo "export HOME='$dir/home'"
  echo "export XDG_DATA_HOME='$dir/home/.local/share'"
  echo "export WINEPREFIX='$dir/prefix'"
  echo "export WINEDEBUG=-all"
  echo "export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'"
  echo "export LANG=zh_CN.UTF-8"
  echo "export LC_ALL=zh_CN.UTF-8"
  echo "export WINEARCH=win64"
}

cmd=${1:?usage: sandbox.sh create|env DIR}
dir=${2:?usage: sandbox.sh create|env DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

case "$cmd" in
  env) sandbox_env "$dir" ;;
  create)
    # Stop a wineserver left over from an earlier run of this sandbox.
    if [ -d "$dir/prefix" ]; then
      WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null || true
    fi
    rm -rf "$dir/home" "$dir/prefix"
    mkdir -p "$dir/home/.local/share/Trash/files" "$dir/home/.local/share/Trash/info"
    eval "$(sandbox_env "$dir")" 2>/dev/null
    unset DISPLAY
    wineboot -i >/dev/null 2>&1 || true
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
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    echo "sandbox ready: $dir"
    ;;
  stop)
    if [ -d "$dir/prefix" ]; then WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null || true; fi
    ;;
  *) echo "usage: sandbox.sh create|env|stop DIR" >&2; exit 2 ;;
esac
