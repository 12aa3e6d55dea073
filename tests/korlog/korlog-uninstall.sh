#!/bin/bash
# korlog uninstall under Wine against the real server: two products sharing a file, a folder,
# a start-menu folder and a registry key, each with a shortcut and values of its own, and a
# file nobody recorded in the second product's folder; a product recording what is never
# removed; a component tree two levels deep. The plan is exact, a dry run changes nothing,
# and each run leaves what another product holds.
#   korlog-uninstall.sh KORLOG.EXE KORLOGSERVER.EXE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env.sh"
. "$here/korlog-lib.sh"
KORLOG=$1
export KOR_WINE_TIMEOUT=120
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }
. "$here/../common/kor-server.sh"
kor_server_install "$2" || { echo "the server did not register" >&2; exit 1; }

c=$(kor_wine_c)
menu='C:\ProgramData\Microsoft\Windows\Start Menu\Programs'
menu_unix="$c/ProgramData/Microsoft/Windows/Start Menu/Programs"
sys=$(kor_wine_system32)
mkdir -p "$c/Kor/Alpha" "$c/Kor/Beta" "$c/Kor/Shared" "$c/Kor/Gamma/Data" "$menu_unix/Kor Suite" \
  "$c/windows/KorEmpty" "$sys/drivers"
touch "$c/Kor/Alpha/alpha.exe" "$c/Kor/Beta/beta.exe" "$c/Kor/Beta/foreign.txt" \
  "$c/Kor/Shared/common.dll" "$c/Kor/Gamma/gamma.exe" "$c/Kor/Gamma/core.dll" \
  "$c/Kor/Gamma/Data/data.bin" "$menu_unix/Kor Suite/Alpha.lnk" "$menu_unix/Kor Suite/Beta.lnk" \
  "$sys/drivers/kortest.sys"
# One reg.exe run for all the keys and values: an import.
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_LOCAL_MACHINE\Software\KorTest\Alpha]' '"Version"="1"' '' \
  '[HKEY_LOCAL_MACHINE\Software\KorTest\Shared]' '"AlphaValue"="a"' '"BetaValue"="b"' '' \
  '[HKEY_CURRENT_USER\Software\KorTest\Beta]' '"Path"="C:\\Kor\\Beta"' '' \
  '[HKEY_CURRENT_USER\KorEmptyTop]' '' >"$c/kor.reg"
kor_wine_reg import 'C:\kor.reg' >/dev/null 2>&1 || kor_fail "reg import"

# The installers' records, in one client.
{
  echo 'Set o = CreateObject("KorLog.Component")'
  echo 'n = 0'
  while IFS='|' read -r type component item; do
    echo "r = o.AddItem($type, \"$component\", \"$item\"): n = n + r: If r <> 1 Then WScript.Echo \"refused $item\""
  done <<'ITEMS'
0|Install|Alpha
1|Alpha|C:\Kor\Alpha\alpha.exe
1|Alpha|C:\Kor\Shared\common.dll
2|Alpha|C:\Kor\Alpha
2|Alpha|C:\Kor\Shared
3|Alpha|HKLM\Software\KorTest\Alpha\Version
3|Alpha|HKLM\Software\KorTest\Shared\AlphaValue
4|Alpha|HKLM\Software\KorTest\Alpha
4|Alpha|HKLM\Software\KorTest\Shared
5|Alpha|Kor Suite\Alpha.lnk
6|Alpha|Kor Suite
7|Alpha|BaseDir=C:\Kor\Alpha
0|Install|Beta
1|Beta|C:\Kor\Beta\beta.exe
1|Beta|C:\Kor\Shared\common.dll
2|Beta|C:\Kor\Beta
2|Beta|C:\Kor\Shared
3|Beta|HKEY_CURRENT_USER\Software\KorTest\Beta\Path
3|Beta|HKEY_LOCAL_MACHINE\Software\KorTest\Shared\BetaValue
4|Beta|HKEY_CURRENT_USER\Software\KorTest\Beta
4|Beta|HKEY_LOCAL_MACHINE\Software\KorTest\Shared
5|Beta|Kor Suite\Beta.lnk
6|Beta|Kor Suite
0|Install|Risky
1|Risky|C:\windows\system32\drivers\kortest.sys
2|Risky|C:\
2|Risky|C:\Windows
2|Risky|C:\Windows\KorEmpty
4|Risky|HKLM\SOFTWARE
4|Risky|HKCU\KorEmptyTop
0|Install|Gamma
0|Gamma|GammaCore
0|GammaCore|GammaData
1|Gamma|C:\Kor\Gamma\gamma.exe
2|Gamma|C:\Kor\Gamma
1|GammaCore|C:\Kor\Gamma\core.dll
1|GammaData|C:\Kor\Gamma\Data\data.bin
2|GammaData|C:\Kor\Gamma\Data
ITEMS
  echo 'WScript.Echo n'
} | sed 's/$/\r/' >"$c/records.vbs"
said=$(kor_wine cscript //nologo 'C:\records.vbs' | tr -d '\r')
[ "$said" = 38 ] || kor_fail "the records were taken: $said of 38"
kor_server_wait_gone 10 || kor_fail "the recording server ended"
# One server for the rest, started by hand as on a desktop, so that no korlog call comes
# just as a server withdraws. It reads the log back: keys in lower case from here on.
kor_wine "$KOR_SERVER_WIN" &

# What the machine holds of the test: the files and folders, and the registry keys with
# their values, one a line.
export_key() {
  rm -f "$c/export.reg"
  kor_wine_reg export "$1" 'C:\export.reg' /y >/dev/null 2>&1 || return 0
  iconv -f UTF-16 -t UTF-8 "$c/export.reg" | tr -d '\r' | grep -v '^Windows Registry\|^$'
}
state() {
  (cd "$c" && find Kor windows/KorEmpty "ProgramData/Microsoft/Windows/Start Menu/Programs/Kor Suite" \
    2>/dev/null | sort)
  [ -e "$sys/drivers/kortest.sys" ] && echo kortest.sys
  export_key 'HKLM\Software\KorTest'
  export_key 'HKCU\Software\KorTest'
  export_key 'HKCU\KorEmptyTop'
}

# The state less the given lines.
without() { grep -v -x -F -f <(printf '%s\n' "$@"); }
# A result is its plan with every planned removal done.
done_plan() { sed 's/^remove     /removed    /'; }
lnk="$menu\\kor suite"
lnk_unix="ProgramData/Microsoft/Windows/Start Menu/Programs/Kor Suite"

# The dry run: the exact plan, and nothing changes; without --yes the same, refused.
before=$(state)
plan_alpha="remove     component      Alpha
remove     file           c:\\kor\\alpha\\alpha.exe
kept       file           c:\\kor\\shared\\common.dll  (recorded by beta)
remove     registry value HKLM\\software\\kortest\\alpha\\version
remove     registry value HKLM\\software\\kortest\\shared\\alphavalue
remove     shortcut       $lnk\\alpha.lnk
kept       start folder   $lnk  (recorded by beta)
remove     registry key   HKLM\\software\\kortest\\alpha
kept       registry key   HKLM\\software\\kortest\\shared  (recorded by beta)
remove     folder         c:\\kor\\alpha
kept       folder         c:\\kor\\shared  (recorded by beta)"
expect 0 "$plan_alpha" uninstall Alpha --dry-run
expect 2 "$plan_alpha" uninstall Alpha
printf '%s' "$ERR" | grep -q -- '--yes' || kor_fail "uninstall without --yes: $ERR"
[ "$(state)" = "$before" ] || kor_fail "the plan changed the machine: $(state)"

# The first product goes; what the second records stays, and so does the second product.
expect 0 "$(printf '%s\n' "$plan_alpha" | done_plan)" uninstall Alpha --yes
after_alpha=$(printf '%s\n' "$before" | without Kor/Alpha Kor/Alpha/alpha.exe "$lnk_unix/Alpha.lnk" \
  '[HKEY_LOCAL_MACHINE\Software\KorTest\Alpha]' '"Version"="1"' '"AlphaValue"="a"')
[ "$(state)" = "$after_alpha" ] || kor_fail "after Alpha: $(state)"
expect 1 0 installed Alpha
expect 0 "$(printf '%s\n' 'c:\kor\beta\beta.exe' 'c:\kor\shared\common.dll')" items files Beta
expect 0 "$(printf '%s\n' 'c:\kor\beta' 'c:\kor\shared')" items files2 Beta

# The second product takes the rest but its folder, which holds a file nobody recorded:
# the folder and its record stay, with the product's link.
expect 1 "kept       component      Beta  (keeps what stays)
removed    file           c:\\kor\\beta\\beta.exe
removed    file           c:\\kor\\shared\\common.dll
removed    registry value HKCU\\software\\kortest\\beta\\path
removed    registry value HKLM\\software\\kortest\\shared\\betavalue
removed    shortcut       $lnk\\beta.lnk
removed    start folder   $lnk
removed    registry key   HKCU\\software\\kortest\\beta
removed    registry key   HKLM\\software\\kortest\\shared
not empty  folder         c:\\kor\\beta  (holds c:\\kor\\beta\\foreign.txt)
removed    folder         c:\\kor\\shared" uninstall Beta --yes
after_beta=$(printf '%s\n' "$after_alpha" | without Kor/Beta/beta.exe Kor/Shared \
  Kor/Shared/common.dll "$lnk_unix" "$lnk_unix/Beta.lnk" \
  '[HKEY_LOCAL_MACHINE\Software\KorTest\Shared]' '"BetaValue"="b"' \
  '[HKEY_CURRENT_USER\Software\KorTest\Beta]' '"Path"="C:\\Kor\\Beta"')
[ "$(state)" = "$after_beta" ] || kor_fail "after Beta: $(state)"
expect 0 'c:\kor\beta' items files2 Beta
expect 1 "" items files Beta

# What is never removed stays, even empty; a driver file inside System32 goes.
expect 1 'kept       component      Risky  (keeps what stays)
removed    file           c:\windows\system32\drivers\kortest.sys
refused    folder         c:\windows\korempty  (a system folder)
refused    folder         c:\  (a drive root)
refused    folder         c:\windows  (a system folder)
refused    registry key   HKCU\koremptytop  (a system key)
refused    registry key   HKLM\software  (a system key)' uninstall Risky --yes
[ "$(state)" = "$(printf '%s\n' "$after_beta" | without kortest.sys)" ] ||
  kor_fail "after Risky: $(state)"
expect 0 "$(printf '%s\n' 'c:\' 'c:\windows' 'c:\windows\korempty')" items files2 Risky

# A tree two levels deep goes children first, folders deepest first.
expect 0 '{"component":"Gamma","done":false,"complete":true,"components":[{"name":"gammadata","state":"remove"},{"name":"gammacore","state":"remove"},{"name":"Gamma","state":"remove"}],"steps":[{"state":"remove","kind":"file","target":"c:\\kor\\gamma\\data\\data.bin","component":"gammadata"},{"state":"remove","kind":"file","target":"c:\\kor\\gamma\\core.dll","component":"gammacore"},{"state":"remove","kind":"file","target":"c:\\kor\\gamma\\gamma.exe","component":"Gamma"},{"state":"remove","kind":"folder","target":"c:\\kor\\gamma\\data","component":"gammadata"},{"state":"remove","kind":"folder","target":"c:\\kor\\gamma","component":"Gamma"}]}' \
  uninstall Gamma --dry-run --json
expect 0 'removed    component      gammadata
removed    component      gammacore
removed    component      Gamma
removed    file           c:\kor\gamma\data\data.bin
removed    file           c:\kor\gamma\core.dll
removed    file           c:\kor\gamma\gamma.exe
removed    folder         c:\kor\gamma\data
removed    folder         c:\kor\gamma' uninstall Gamma --yes
[ -e "$c/Kor/Gamma" ] && kor_fail "Gamma's folder stayed"

# Once the foreign file is gone, a later run finishes the second product.
rm "$c/Kor/Beta/foreign.txt"
expect 0 'removed    component      Beta
removed    folder         c:\kor\beta' uninstall Beta --yes
expect 0 "$(printf '%s\n' 'Install  [files 0, reg 0, start 0, special 0]' \
  '\---risky  [files 3, reg 2, start 0, special 0]')" tree
expect_error 1 "Gamma is not installed" uninstall Gamma --dry-run
expect 0 "$KOR_SERVER_WIN" shutdown
kor_server_wait_gone 10 || kor_fail "the server ended after shutdown"

kor_finish
