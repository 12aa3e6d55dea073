#!/bin/bash
# korlog.exe under Wine against the real server, installed as the server tests install it
# ("C:\Program Files\KorLog\KorLogServer.exe", or under "Program Files (x86)" with
# KOR_WOW64=1; registered with /RegServer): every command's output and exit status, `check`
# after recorded files are deleted, and shutdown.
#   korlog-server.sh KORLOG.EXE KORLOGSERVER.EXE KORTRACE.EXE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env.sh"
. "$here/korlog-lib.sh"
KORLOG=$1
server=$2
KORTRACE=$3
export KOR_WINE_TIMEOUT=120
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }

. "$here/../common/kor-server.sh"
install_dir="$(kor_wine_c)/$(kor_wine_program_files)/KorLog"
mkdir -p "$install_dir"
cp "$server" "$install_dir/KorLogServer.exe"
SERVER=$KOR_SERVER_WIN
log="$(kor_wine_system32)/KorFiles.log"
server_gone() { kor_wine "$KORTRACE" wait-gone 5000; }

# Not registered yet: the ProgID is unknown.
expect_error 3 "cannot reach the log server: 0x800401F3 " installed Alpha
kor_wine "$SERVER" /RegServer

app="$(kor_wine_c)/korapp"
mkdir -p "$app"
touch "$app/a.dll" "$app/gone.dll" "$app/beta.txt"
kor_wine_reg add 'HKLM\Software\KorTest\Present' /f >/dev/null 2>&1

# Changes: the answer printed, and the exit status carrying it.
expect 0 1 add child Install Alpha
expect 0 1 add files Alpha 'C:\korapp\a.dll'
expect 0 1 add files2 Alpha 'C:\korapp\gone.dll'
expect 0 1 add reg Alpha 'HKEY_LOCAL_MACHINE\Software\KorTest\Present'
expect 0 1 add reg2 Alpha 'Software\KorTest\Gone'
expect 0 1 add start Alpha 'C:\korapp\menu.lnk'
expect 0 1 add special Alpha 'BaseDir=C:\korapp'
expect 0 1 add 0 Alpha Beta
expect 0 1 add 1 Beta 'C:\korapp\beta.txt'
expect 0 1 add child Beta Alpha
expect 0 1 add CHILD Install Ghost
expect 1 0 add special Alpha '=novalue'
expect_error 2 "unknown item type 9" add 9 Alpha x
expect_error 2 "usage: korlog add TYPE COMPONENT ITEM" add files Alpha

# Queries, once the server that took the changes has ended: the next one rereads the log,
# so keys come back lower-cased. Questions write nothing: the log keeps its last-write time.
server_gone
written=$(stat -c %y "$log")
expect 0 1 installed ALPHA
expect 1 0 installed Nothing
expect 0 1 has files Alpha 'C:\KORAPP\A.DLL'
expect 1 0 has reg Alpha 'Software\Nothing'
expect 0 'c:\korapp\a.dll' match files alpha A.D
expect 1 "" match files2 alpha A.D
expect 0 'C:\korapp' special Alpha basedir
expect 1 "" special Alpha nothing
expect 0 alpha parent beta
expect 0 Install parent Alpha
expect 1 "" parent Nothing
expect 0 'c:\korapp\a.dll' items files Alpha
expect 0 'c:\korapp\gone.dll' items files2 Alpha
expect 0 'basedir=C:\korapp' items special Alpha
expect 0 "$(printf 'alpha\nghost')" items child Install
expect 1 "" items start2 Alpha
expect 0 '{"result":1}' --json installed Alpha
expect 1 '{"result":0}' installed Nothing --json
expect 0 '{"result":"alpha"}' --json parent Beta
expect 0 '{"result":["c:\\korapp\\a.dll"]}' --json items files Alpha
expect 0 "$(printf '%s\n' 'Install  [files 0, reg 0, start 0, special 0]' \
  '+---alpha  [files 2, reg 2, start 1, special 1]' \
  '|   \---beta  [files 1, reg 0, start 0, special 0]' \
  '|       \---alpha  (cycle)' \
  '\---ghost  [files 0, reg 0, start 0, special 0]')" tree
expect 0 '{"name":"Install","files":0,"reg":0,"start":0,"special":0,"childCount":2,"children":[{"name":"alpha","files":2,"reg":2,"start":1,"special":1,"childCount":1,"children":[{"name":"beta","files":1,"reg":0,"start":0,"special":0,"childCount":1,"children":[{"name":"alpha","cycle":true}]}]},{"name":"ghost","files":0,"reg":0,"start":0,"special":0,"childCount":0,"children":[]}]}' \
  --json tree
server_gone
[ "$(stat -c %y "$log")" = "$written" ] || kor_fail "questions rewrote the log"

# check: the registry entry never existed and Ghost has no sections; then files go.
tab=$'\t'
expect 1 "registry${tab}alpha${tab}software\\kortest\\gone
component${tab}ghost" check
rm -f "$app/gone.dll" "$app/beta.txt"
found="file${tab}alpha${tab}c:\\korapp\\gone.dll
registry${tab}alpha${tab}software\\kortest\\gone
file${tab}beta${tab}c:\\korapp\\beta.txt
component${tab}ghost"
expect 1 "$found" check
# The same log read offline gives the same findings and stays as it was.
before=$(md5sum "$log")
expect 1 "$found" --file 'C:\windows\system32\KorFiles.log' check
[ "$(md5sum "$log")" = "$before" ] || kor_fail "check --file changed the log"
expect 1 '{"orphans":[{"kind":"file","component":"alpha","item":"c:\\korapp\\gone.dll"},{"kind":"registry","component":"alpha","item":"software\\kortest\\gone"},{"kind":"file","component":"beta","item":"c:\\korapp\\beta.txt"}],"components":["ghost"]}' \
  check --json

# Removals.
expect 1 0 remove files Alpha 'C:\korapp\gone.dll'
expect 0 1 remove files2 Alpha 'C:\korapp\gone.dll'
expect 1 "" items files2 Alpha
expect 0 1 remove-component Beta
server_gone
[ "$(stat -c %y "$log")" != "$written" ] || kor_fail "a change left the log unwritten"
expect 1 0 installed Beta
expect 0 1 installed Alpha

# Help needs no server.
korlog remove /?
[ "$STATUS" = 0 ] && printf '%s' "$OUT" | grep -q 'korlog \[--file PATH\] \[--json\] remove TYPE' ||
  kor_fail "korlog remove /?"

# shutdown 1 saves the log, unregisters and ends the server.
expect 0 "$SERVER" shutdown
server_gone || kor_fail "the server ended after shutdown"
expect_error 3 "cannot reach the log server: 0x800401F3 " installed Alpha
grep -qi '^alpha=1' "$log" || kor_fail "shutdown 1 kept the log"

# shutdown 2 leaves the log as last written: what was recorded since is forgotten, and the
# next start must not bring it back from the journal.
# (Each korlog command releases its object, which saves; this client keeps its object.)
kor_wine "$SERVER" /RegServer
printf '%s\r\n' 'Set o = CreateObject("KorLog.Component")' \
  'WScript.Echo o.AddItem(0, "Install", "Forgotten") & " " & o.ShutDown(2)' \
  >"$(kor_wine_c)/forget.vbs"
said=$(kor_wine cscript //nologo 'C:\forget.vbs' | tr -d '\r')
[ "$said" = "1 $SERVER" ] || kor_fail "AddItem and ShutDown 2 answered: $said"
server_gone || kor_fail "the server ended after shutdown 2"
[ -e "$log.journal" ] && kor_fail "shutdown 2 left the journal"
kor_wine "$SERVER" /RegServer
expect 1 0 installed Forgotten

# shutdown 0 deletes the log file, and the journal with it.
expect 0 1 installed Alpha
expect 0 "{\"result\":\"$(printf '%s' "$SERVER" | sed 's/\\/\\\\/g')\"}" --json shutdown 0
server_gone || kor_fail "the server ended after shutdown 0"
[ -e "$log" ] && kor_fail "shutdown 0 deleted the log"
[ -e "$log.journal" ] && kor_fail "shutdown 0 left the journal"

kor_finish
