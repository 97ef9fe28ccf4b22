#!/usr/bin/env bash
# What this host can do for the 32-bit build.
#   scripts/host32.sh kernel   exit 0 when the kernel runs 32-bit x86 programs
#   scripts/host32.sh wine     exit 0 when 32-bit Wine can run here; otherwise
#                              prints the reason on standard output, exit 1
#   scripts/host32.sh loader   prints the Wine loader for 64-bit prefixes: the
#                              "wine" wrapper, or the 64-bit loader itself when
#                              a 32-bit Wine is installed that cannot run here
# Nothing is installed: the kernel is asked by executing a 96-byte static
# 32-bit program that only exits with status 42.
set -uo pipefail

wine32_loader=${SUITE_WINE32_LOADER:-/usr/lib/wine/wine}  # overridable for a test of this script
wine64_loader=/usr/lib/wine/wine64

kernel_runs_32bit() {
  local probe status
  probe=$(mktemp "${TMPDIR:-/tmp}/suite-elf32.XXXXXX") || return 1
  # ELF header (32-bit, little endian, i386, entry 0x08048054), one loadable
  # segment, then: mov eax,1; mov ebx,42; int 0x80 (exit(42)).
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'\
'\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00'\
'\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' > "$probe"
  chmod +x "$probe"
  ( "$probe" ) >/dev/null 2>&1
  status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

case "${1:-wine}" in
  kernel) kernel_runs_32bit ;;
  wine)
    if ! kernel_runs_32bit; then
      echo "this host's kernel cannot execute 32-bit x86 programs (Exec format error), so 32-bit Wine cannot run here"
      exit 1
    fi
    if [ ! -x "$wine32_loader" ]; then
      echo "32-bit Wine (wine32:i386) is not installed"
      exit 1
    fi
    exit 0
    ;;
  loader)
    if [ -x "$wine32_loader" ] && [ -x "$wine64_loader" ] && ! kernel_runs_32bit; then
      echo "$wine64_loader"
    else
      echo wine
    fi
    ;;
  *) echo "usage: host32.sh kernel|wine|loader" >&2; exit 2 ;;
esac
