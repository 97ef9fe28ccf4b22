#!/usr/bin/env bash
# Every call that removes or overwrites something on the user's machine lives
# in the few files of the removal and settings paths, where the Recycle Bin
# first rule, the protected-path guard, the .reg backup and the -Preview gate
# sit. A destructive call anywhere else in the programs fails this test: put
# the work through the removal path instead (or, for a new settings write, add
# the file here with the reason).
#   destructive_calls_test.sh SOURCE_DIR
set -uo pipefail
src=${1:?source folder}
cd "$src" || exit 2

# file: the calls it may make, and why.
declare -A allowed=(
  [common/removal.cpp]="SHFileOperation DeleteFile"     # MoveToRecycleBin / DeletePermanently
  [common/registry.cpp]="RegDeleteKey RegSetValue"    # the key-tree deletion and its put-back
  [common/regremoval.cpp]="RegDeleteValue"              # RemoveWithBackup's value deletion
  [common/regrestore.cpp]="DeleteFile RemoveDirectory"  # its own staging folder
  [common/cleanlog.cpp]="DeleteFile"                    # the program's own log
  [cleaner/selection.cpp]="RegSetValue"                # the saved selection (a setting)
  [cleaner/options.cpp]="RegSetValue"                 # the option switches (settings)
  [cleaner/advanced/activex.cpp]="RegSetValue"        # the ActiveX record (a setting)
  [cleaner/plugins.cpp]="MoveFile"                      # rewriting a plug-in definition whole
)
pattern='\b(DeleteFile|RemoveDirectory|RegDeleteKey|RegDeleteValue|RegDeleteTree|SHDeleteKey|SHDeleteValue|SHFileOperation|MoveFile|RegSetValue)[A-Za-z]*[[:space:]]*\('
failures=0 checked=0
while IFS= read -r file; do
  checked=$((checked + 1))
  while IFS= read -r hit; do
    call=$(grep -oE "$pattern" <<<"${hit#*:}" | head -1 | sed -E 's/[[:space:]]*\($//; s/(Ex)?[AW]?$//; s/Ex$//')
    ok=no
    for a in ${allowed[$file]:-}; do
      [ "$call" = "$a" ] && ok=yes
    done
    if [ $ok = no ]; then
      echo "FAILED: $file:${hit%%:*}: $call outside the removal and settings paths"
      failures=$((failures + 1))
    fi
  done < <(grep -nE "$pattern" "$file" | grep -vE '^[0-9]+:[[:space:]]*//')
done < <(find common ui cleaner regscan console shortcuts patches favorites tools/plugin_lock.cpp \
           \( -name tests -o -name bench \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | sort)

# The check itself must see a destructive call where one is.
probe=$(mktemp)
echo 'void f() { DeleteFileA("x"); }' > "$probe"
grep -qE "$pattern" "$probe" || { echo "FAILED: the pattern misses DeleteFileA"; failures=$((failures + 1)); }
rm -f "$probe"

echo "$checked files checked"
if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"
exit 1
