#!/usr/bin/env bash
# Installs the Debian packages the suite needs to build and run under Wine,
# when any of them is missing, then configures the build folder.
#   scripts/setup.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}

# What scripts/package.sh needs for the portable zip and the installer.
package_tools=(nsis zip)
# The help file: Free Pascal's CHM compiler (chmcmd) for the build, a CHM
# reader (extract_chmLib) for its test.
help_tools=(fp-utils libchm-bin)
packages=(locales cmake make g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
          g++-mingw-w64-i686-posix mingw-w64-i686-dev wine wine64 googletest
          python3 xvfb x11-apps imagemagick fonts-wqy-microhei fonts-wine)
missing=()
for p in "${packages[@]}" "${package_tools[@]}" "${help_tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
  # A mirror in the middle of a sync fails some index files; what it did
  # fetch is enough for the packages above, so go on and let the install say.
  $sudo_cmd apt-get update -qq || echo "note: apt-get update reported errors; installing from the lists it has"
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# 32-bit Wine (for the 32-bit build's tests) only where the kernel can execute
# 32-bit programs: installed on a host that cannot, it would only break the
# "wine" wrapper (the scripts then call the 64-bit loader directly).
if "$root/scripts/host32.sh" kernel; then
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    echo "installing: wine32:i386"
    sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo_cmd dpkg --add-architecture i386
    $sudo_cmd apt-get update -qq || true
    # Best effort: when the i386 lists cannot be had (a mirror mid-sync leaves
    # their versions behind the 64-bit ones), the 32-bit tests are skipped
    # with the reason instead of failing the set-up.
    if ! DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null 2>&1; then
      echo "note: wine32:i386 could not be installed; the 32-bit build is made, its tests are skipped"
    fi
  fi
else
  echo "note: this host cannot execute 32-bit programs; the 32-bit build is made, its tests are skipped"
fi

# Wine takes the ANSI code page (936, GBK) and the encoding of file names from
# the Unix locale: without a generated zh_CN.UTF-8, files with Chinese or other
# non-ASCII names cannot be made in the sandbox.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
  $sudo_cmd localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
