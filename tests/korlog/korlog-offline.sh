#!/bin/bash
# korlog.exe under Wine on the golden logs with --file: answers, trees, normal form, and
# the file left exactly as it was; bad input exits 2 and changes nothing.
#   korlog-offline.sh KORLOG.EXE TESTDATA_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env.sh"
. "$here/korlog-lib.sh"
KORLOG=$1
data=$2
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }

work=$(kor_wine_c)/korlog
mkdir -p "$work"
cp "$data/current.log" "$data/legacy.log" "$work/"
current='C:\korlog\current.log'
legacy='C:\korlog\legacy.log'
before=$(md5sum "$work/current.log" "$work/legacy.log")

expect 0 "$(cat "$data/current.tree.txt")" --file "$current" tree
expect 0 "$(cat "$data/current.tree.json")" --file "$current" --json tree
expect 0 "$(cat "$data/legacy.tree.txt")" --file "$legacy" tree
expect 0 "$(cat "$data/legacy.tree.json")" tree --json --file "$legacy"
expect 0 1 --file "$current" installed HEXALOOM
expect 1 0 --file "$current" installed Retired
expect 0 hexaloom --file "$current" parent zentara
expect 1 "" --file "$current" parent nothing
expect 0 1 --file "$current" has files Hexaloom 'C:\PROGRAM FILES\KORVANE\HEXALOOM\README.TXT'
expect 0 'c:\program files\korvane\hexaloom\readme.txt' --file "$current" match 1 hexaloom ReadMe
expect 0 'a=b' --file "$current" special Hexaloom flags
expect 0 '{"result":["c:\\program files\\korvane\\hexaloom\\data"]}' \
  --file "$current" --json items files2 Hexaloom
expect 0 'C:\Menu\Korvane\Tool.lnk' --file "$legacy" items start Uninstaller
expect 0 'C:\Program Files\Korvane\Hexaloom' --file "$legacy" special hexaloom BaseDir
expect 0 "$(printf 'BaseDir=C:\\Scheduler\nSchedulerType=weekly')" --file "$legacy" items special Scheduler

# The legacy log in normal form, written beside it; the input stays as it was.
expect 0 "" normalize "$legacy" 'C:\korlog\normal.log'
cmp -s "$work/normal.log" "$data/legacy.normal.log" || kor_fail "normalize: output differs"

# Offline, changes are refused; the file is neither changed nor (when missing) created.
expect_error 2 "needs the server" --file "$current" add files Hexaloom 'C:\x'
expect_error 2 "needs the server" --file "$current" remove-component Hexaloom
expect_error 2 "cannot read C:.korlog.missing.log" --file 'C:\korlog\missing.log' tree
[ -e "$work/missing.log" ] && kor_fail "a missing log was created"
expect_error 2 "cannot read" normalize 'C:\korlog\missing.log' 'C:\korlog\out.log'
[ -e "$work/out.log" ] && kor_fail "normalize wrote output for a missing input"
expect_error 2 "unknown item type files3" --file "$current" items files3 Hexaloom
expect_error 2 "unknown command" --file "$current" frobnicate
[ "$(md5sum "$work/current.log" "$work/legacy.log")" = "$before" ] ||
  kor_fail "a log read with --file was changed"

# Help, in the console's manner, on the program and on a command.
korlog /?
[ "$STATUS" = 0 ] && printf '%s' "$OUT" | grep -q '^Usage: korlog' || kor_fail "korlog /? ($STATUS)"
korlog check /?
[ "$STATUS" = 0 ] && printf '%s' "$OUT" | grep -q 'korlog \[--file PATH\] \[--json\] check' ||
  kor_fail "korlog check /?"

kor_finish
