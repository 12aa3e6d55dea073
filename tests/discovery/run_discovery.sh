#!/bin/bash
# Discovery and merging on a real (Wine) registry and file system: seeds the install key
# with uninstall-directory values, lays out uninstall directories whose stand-in
# uninstallers carry versions 7.2.0.0, 7.3.0.0 and "7,3,0,0" (or are missing), runs the
# client, then checks the saved log byte for byte and which logs were deleted or kept.
# Also reads the shipped executables' own versions (as discovery reads an uninstaller's)
# and their manifests.
# Usage: run_discovery.sh <source root> <client> <unst 7.2> <unst 7.3> <unst "7,3,0,0">
#                         <version> <shipped executable>...
set -u
root=$1 client=$2 unst72=$3 unst73=$4 unstcomma=$5 version=$6
shift 6
. "$root/scripts/wine-env.sh"
kor_wine_begin || { echo "discovery: no Wine prefix" >&2; exit 1; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

C=$(kor_wine_c)
mkdir -p "$C/korlog" "$C/Apps/Old" "$C/Apps/New" "$C/Apps/Gone" "$C/Apps/Comma"
cp "$unst72" "$C/Apps/Old/unst.exe"
cp "$unst73" "$C/Apps/New/unst.exe"
cp "$unstcomma" "$C/Apps/Comma/unst.exe"

# crlf FILE LINE...: writes the lines with CR LF ends, as installers do.
crlf() { local f=$1; shift; printf '%s\r\n' "$@" > "$f"; }

crlf "$C/korlog/KorFiles.log" '[Install]' 'Base=1' '[Base_FILES]' 'C:\Base\a.dll=1' \
  'C:\Shared\s.dll=1'
# 7.2: merged and kept.
crlf "$C/Apps/Old/KorFiles.log" '[Install]' 'Old=1' '[Old_FILES]' 'C:\Old\o.dll=1' \
  '[Base_FILES]' 'C:\Shared\s.dll=2' '[Uninstaller Files]' 'C:\Apps\Old\unst.exe=1'
crlf "$C/Apps/Old/Extra.log" '[Old_SPECIAL]' 'BaseDir=C:\Old' '[Old_FILES]' 'C:\Old\o.dll=2' \
  'C:\Old\zero.dll=0'
# 7.3 (German translation block): merged and deleted; the missing Extra.log leaves nothing.
crlf "$C/Apps/New/KorFiles.log" '[Install]' 'New=1' '[Uninstaller_FILES]' \
  'C:\Apps\New\unst.exe=1'
# Nothing at the named path: merged and deleted.
crlf "$C/Apps/Gone/KorFiles.log" '[IconPath]' 'korvane=C:\SM\Gone' 'tool=C:\SM\Gone\Tool.lnk'
crlf "$C/Apps/Gone/Extra.log" '[Gone_REG]' 'HKLM\Software\Gone=1'
# "7,3,0,0" reads as older: kept, and the missing Extra.log stays behind empty.
crlf "$C/Apps/Comma/KorFiles.log" '[Comma_FILES]' 'C:\Comma\c.dll=1'
# The remote copy: merged last, with the suffix of the last value processed, and deleted.
crlf "$C/korlog/KorFilesRemote.log" '[Uninstaller_REG]' 'HKLM\Software\Korvane\Remote=1' \
  '[Base_FILES]' 'C:\Base\a.dll=2'

key='HKLM\SOFTWARE\Korvane\Install'
seed() { kor_wine reg add "$key" /v "$1" /t "${3:-REG_SZ}" /d "$2" /f >/dev/null 2>&1 ||
  fail "reg add $1"; }
seed UNSTDIR 'C:\Apps\Old\unst.exe'
seed UNSTDIR2 'C:\Apps\New\unst.exe'
seed unstdir3 'C:\Apps\Gone\unst.exe'
seed OLD_UNSTDIR 'C:\Apps\Comma\unst.exe'
seed Other 'C:\Apps\Other\unst.exe'
seed UNSTDIR_BAD 'unst.exe'
seed UNSTDIR_DWORD 1 REG_DWORD

snapshot() { for f in Old/KorFiles.log Old/Extra.log Comma/KorFiles.log; do
  md5sum < "$C/Apps/$f"; done; }
before=$(snapshot)

# The client runs with C: as its current drive, so a stray "\KorFiles.log" would show.
out=$(cd "$C" && kor_wine "$client" 'C:\korlog\KorFiles.log' 'C:\korlog\KorFilesRemote.log')
rc=$?
[ $rc -eq 0 ] || fail "client exited with $rc"

# Wine enumerates values in name order, so unstdir3 is the last one processed and the
# remote copy's "Uninstaller" sections take its suffix.
[ "$(echo "$out" | tr -d '\r')" = "suffix=3" ] || fail "last suffix: $out"

expected=$(mktemp)
crlf "$expected" \
  '[Base_FILES]' 'c:\base\a.dll=2' 'c:\shared\s.dll=2' '' \
  '[Comma_FILES]' 'c:\comma\c.dll=1' '' \
  '[Gone_REG]' 'hklm\software\gone=1' '' \
  '[Install]' 'base=1' 'new=1' 'old=1' '' \
  '[Old_FILES]' 'c:\old\o.dll=2' '' \
  '[Old_SPECIAL]' 'basedir=C:\Old' '' \
  '[Uninstaller2_FILES]' 'c:\apps\new\unst.exe=1' '' \
  '[Uninstaller3_REG]' 'hklm\software\korvane\remote=1' '' \
  '[Uninstaller3_SPECIAL]' 'BaseGroup=C:\SM\Gone' '' \
  '[Uninstaller3_START]' 'C:\SM\Gone\Tool.lnk=1' '' \
  '[Uninstaller_FILES]' 'c:\apps\old\unst.exe=1' ''
if ! cmp -s "$expected" "$C/korlog/KorFiles.log"; then
  fail "saved log differs:"
  diff <(cat -A "$expected") <(cat -A "$C/korlog/KorFiles.log") >&2
fi
rm -f "$expected"

[ "$(snapshot)" = "$before" ] || fail "kept logs were changed"
for f in Apps/Old/KorFiles.log Apps/Old/Extra.log Apps/Comma/KorFiles.log \
         Apps/Old/unst.exe Apps/New/unst.exe Apps/Comma/unst.exe; do
  [ -f "$C/$f" ] || fail "$f was deleted"
done
[ -f "$C/Apps/Comma/Extra.log" ] && [ ! -s "$C/Apps/Comma/Extra.log" ] ||
  fail "Apps/Comma/Extra.log should stay behind, empty"
for f in Apps/New/KorFiles.log Apps/New/Extra.log Apps/Gone/KorFiles.log Apps/Gone/Extra.log \
         korlog/KorFilesRemote.log KorFiles.log Extra.log; do
  [ ! -e "$C/$f" ] || fail "$f should not exist"
done

# The product as Windows users get it: its version block reads back through the same code,
# and its manifest runs it as the invoker (no virtualized copy of the log).
for exe in "$@"; do
  said=$(kor_wine "$client" --product "$exe" | tr -d '\r')
  grep -qx "version=$version" <<<"$said" || fail "$(basename "$exe"): ${said%%$'\n'*}, not $version"
  grep -q 'requestedExecutionLevel level="asInvoker"' <<<"$said" ||
    fail "$(basename "$exe") has no manifest running it as the invoker"
done

kor_wine_end
if [ $failures -ne 0 ]; then
  echo "discovery: $failures failure(s)" >&2
  exit 1
fi
echo "discovery: all checks passed"
