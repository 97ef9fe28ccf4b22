#!/usr/bin/env bash
# The windows talk to their lists, progress bars and dialog answers only
# through the window kit in ui/ (ListView, DialogBase): a list message, a
# ListView_ macro, a progress-bar message or a hand-set DWLP_MSGRESULT
# anywhere else in the programs fails this test.
#   window_kit_test.sh SOURCE_DIR
set -uo pipefail
src=${1:?source folder}
cd "$src" || exit 2
pattern='\b(LVM_[A-Z]+|ListView_[A-Za-z]+|PBM_[A-Z0-9]+|DWLP_MSGRESULT)\b'
hits=$(find common cleaner regscan console shortcuts patches favorites \
         \( -name tests -o -name bench \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print |
       sort | xargs grep -nE "$pattern" | grep -vE '^[^:]+:[0-9]+:[[:space:]]*//')
[ -z "$hits" ] || sed 's/^/FAILED: outside the window kit: /' <<<"$hits"
# The check itself must see such a call where one is.
grep -qE "$pattern" <<<'ListView_GetNextItem(list, -1, LVNI_FOCUSED);' || hits="pattern"
if [ -z "$hits" ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"
exit 1
