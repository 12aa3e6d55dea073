#!/bin/bash
# The product deployed by real installer engines, in one Wine prefix, one chain:
#   the server's package through Wine's msiexec: install, repair, upgrade to a higher
#   version (while a server runs), a refused downgrade, and uninstall (while a server runs);
#   the sample product package (examples/msi-custom-action) and the sample NSIS installer
#   (examples/nsis) installed and uninstalled with the server present.
# The log "KorFiles.log" must come through every step of the server's package byte for byte,
# and hold exactly a sample's entries while it is installed and none after.
#
#   run-deploy.sh ARCH VERSION SERVER_EXE KORLOG_EXE
# ARCH x86: the package as shipped (the i686 build) and a 32-bit NSIS installer, in a pure
# 32-bit prefix, or with KOR_WOW64=1 on 64-bit Windows (a 64-bit prefix: "Program Files
# (x86)", SysWOW64, the 32-bit registry view). ARCH x64: a test-only x64 variant of the
# package around the x86_64 build, and a 64-bit NSIS installer, in a 64-bit prefix, for
# machines that run no 32-bit code. KOR_DEPLOY_KEEP=DIR keeps msiexec's logs there.
set -u
arch=$1 version=$2 server=$3 korlog=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
export KOR_WINE_TIMEOUT=120
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }
. "$root/tests/common/kor-server.sh"
c=$(kor_wine_c)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
started=$SECONDS

case $arch in
  x86) nsis=x86 ;;
  x64)
    nsis=amd64
    echo "deploy: a test-only x64 variant of the package around the x86_64 build ran;" \
         "the shipped package itself was not run" ;;
  *) echo "usage: run-deploy.sh x86|x64 VERSION SERVER_EXE KORLOG_EXE" >&2; exit 2 ;;
esac
# The packages are built here, from this build's executables, by the shipped recipe.
higher="${version%.*}.$((${version##*.} + 1))"
work="$c/deploy"
mkdir -p "$work"
"$root/packaging/build-msi" "$arch" "$version" "$server" "$korlog" "$work/server.msi" &&
  "$root/packaging/build-msi" "$arch" "$higher" "$server" "$korlog" "$work/higher.msi" &&
  "$root/examples/msi-custom-action/build" "$work/sample.msi" "$arch" &&
  "$root/examples/nsis/build" "$work/sample-setup.exe" "$nsis" ||
  { echo "FAIL: the packages were not built"; exit 1; }
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
code=$(product_code "$work/server.msi") higher_code=$(product_code "$work/higher.msi")

pf=$(kor_wine_program_files)  # where a package of this ARCH installs, under C:
pf_key=$(tr 'A-Z' 'a-z' <<<"c:\\$pf")  # the same as the log's keys read back
dir="C:\\$pf\\KorLog"
files="$c/$pf/KorLog"
log="$(kor_wine_system32)/KorFiles.log"
clsid='{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}'
msi_runs=0
msi() {
  msi_runs=$((msi_runs + 1))
  kor_wine msiexec "$@" /qn /l*v "C:\\deploy\\msiexec-$msi_runs.log"
}
# True when the class's LocalServer32 names the installed server; else says what it found.
registered() {
  local said
  said=$(kor_wine_reg query "HKCR\\CLSID\\$clsid\\LocalServer32" 2>&1 | tr -d '\r')
  grep -qF "$dir\\KorLogServer.exe" <<<"$said" && return 0
  echo "LocalServer32: $(tr '\n' ' ' <<<"$said")"
  return 1
}
# The Add/Remove Programs entry of a product code: "name|version|publisher", or nothing.
arp() {
  kor_wine_reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" \
    2>/dev/null | tr -d '\r' | awk '
      $1 == "DisplayName" { n = $3 } $1 == "DisplayVersion" { v = $3 } $1 == "Publisher" { p = $3 }
      END { if (n != "") print n "|" v "|" p }'
}
# The log as it stood after the first client's calls; every later step compares with it.
same_log() {
  cmp -s "$work/log0" "$log" || fail "$1: the log changed: $(diff "$work/log0" "$log" | head -5)"
}
# A server started by hand (its trace window open), which stays until it is told to end:
# the installer has to end it. A client's call makes sure it serves.
hold_server() {
  kor_wine "$dir\\KorLogServer.exe" >/dev/null 2>&1 &
  holder=$!
  local i
  for i in $(seq 100); do [ -n "$(kor_server_pids)" ] && break; sleep 0.1; done
  [ "$(kor_wine "$dir\\korlog.exe" installed deploycheck | tr -d '\r')" == 1 ] ||
    fail "$1: the server started by hand does not answer"
  held=$(kor_server_pids)
}
end_hold() {
  local i
  for i in $(seq 50); do kill -0 "$holder" 2>/dev/null || break; sleep 0.1; done
  kill "$holder" 2>/dev/null
  wait "$holder" 2>/dev/null
}

# Install: the files, the registration, the Add/Remove Programs entry; a client records.
msi /i 'C:\deploy\server.msi' || fail "install: msiexec exit status $?"
[ -f "$files/KorLogServer.exe" ] && [ -f "$files/korlog.exe" ] || fail "install: files missing"
registered || fail "install: the server is not registered"
said=$(arp "$code")
[ "$said" == "KorLogServer|$version|Korvane" ] || fail "install: Add/Remove Programs: '$said'"
cat >"$work/client.vbs" <<'VBS'
Set o = CreateObject("KorLog.Component")
WScript.Echo o.AddItem(0, "Install", "deploycheck") & o.AddItem(1, "deploycheck", _
  "c:\deploycheck\one.txt") & " " & o.GetAllItems(1, "deploycheck")
VBS
said=$(kor_wine cscript //nologo 'C:\deploy\client.vbs' | tr -d '\r')
[ "$said" == $'11 c:\\deploycheck\\one.txt' ] || fail "install: the client: '$said'"
kor_server_wait_gone 30 || fail "install: the client's server did not end"
cp "$log" "$work/log0" 2>/dev/null || fail "install: no log after the client"
# (Keys come back in lower case after a reload: the client recorded them so, and the log
# reads the same however often a server saves it.)

# Repair. Wine's msiexec cannot repair through /f (it takes the package for a product
# code, and a product code is not implemented); the REINSTALL properties are what /fa sets.
rm -f "$files/korlog.exe"
msi /i 'C:\deploy\server.msi' REINSTALL=ALL REINSTALLMODE=amus ||
  fail "repair: msiexec exit status $?"
[ -f "$files/korlog.exe" ] || fail "repair: korlog.exe not put back"
registered || fail "repair: the server is not registered"
same_log repair

# Upgrade while a server runs: the older version's server ends before its files go.
hold_server upgrade
msi /i 'C:\deploy\higher.msi' || fail "upgrade: msiexec exit status $?"
# (An ended process not yet reaped has no command line.)
for p in $held; do
  said=$(tr '\0' ' ' 2>/dev/null <"/proc/$p/cmdline")
  [ -n "$said" ] && fail "upgrade: the older server still runs: $said"
done
end_hold
said=$(arp "$higher_code")
[ "$said" == "KorLogServer|$higher|Korvane" ] || fail "upgrade: Add/Remove Programs: '$said'"
[ -z "$(arp "$code")" ] || fail "upgrade: the older version is still installed"
registered || fail "upgrade: the server is not registered"
same_log upgrade

# Downgrade: refused, and nothing changes.
listing() { ls -l --time-style=+%s.%N "$files" 2>&1; }
before=$(listing)
msi /i 'C:\deploy\server.msi'
# 1603, the fatal error that a failed launch condition ends in (seen through its low byte,
# as a Unix exit status).
rc=$?
[ $rc -eq $((1603 % 256)) ] || fail "downgrade: msiexec exit status $rc, not 1603"
[ "$(listing)" == "$before" ] || fail "downgrade: the program files changed"
[ -z "$(arp "$code")" ] || fail "downgrade: the older version was installed"
[ "$(arp "$higher_code")" == "KorLogServer|$higher|Korvane" ] ||
  fail "downgrade: the newer version is gone"
registered || fail "downgrade: the server is not registered"
same_log downgrade

# A sample's entries: the lines the log gained, in lower case, without blank lines; and the
# lines it lost, which must be none.
lines() { tr -d '\r' <"$1" | grep -v '^$' | tr 'A-Z' 'a-z' | sort; }
check_sample() {  # name, expected lines (sorted)...
  local name=$1; shift
  kor_server_wait_gone 30 || fail "$name: the server did not end"
  local gained lost
  gained=$(comm -13 <(lines "$work/log0") <(lines "$log"))
  lost=$(comm -23 <(lines "$work/log0") <(lines "$log"))
  [ -z "$lost" ] || fail "$name: the log lost: $lost"
  [ "$gained" == "$(printf '%s\n' "$@" | sort)" ] || fail "$name: the log gained: $gained"
}
# Where the engine put a sample's start-menu shortcut, as the log holds it.
shortcut() {
  local f
  f=$(find "$c" -ipath "*/start menu/programs/$1/readme.lnk" | head -1)
  [ -n "$f" ] && echo "c:${f#"$c"}" | tr '/A-Z' '\\a-z'
}

msi /i 'C:\deploy\sample.msi' || fail "sample package: install: msiexec exit status $?"
check_sample "sample package install" korsamplemsi=1 '[korsamplemsi_files]' \
  "$pf_key\\korsamplemsi\\readme.txt=1" "$pf_key\\korsamplemsi\\sample.ini=1" \
  '[korsamplemsi_reg]' 'hkey_local_machine\software\korsamplemsi=1' '[korsamplemsi_special]' \
  "basedir=$pf_key\\korsamplemsi\\" '[korsamplemsi_start]' \
  "$(shortcut korsamplemsi)=1"
msi /x 'C:\deploy\sample.msi' || fail "sample package: uninstall: msiexec exit status $?"
kor_server_wait_gone 30
same_log "sample package uninstall"

kor_wine 'C:\deploy\sample-setup.exe' /S || fail "NSIS sample: install: exit status $?"
check_sample "NSIS sample install" korsamplensis=1 '[korsamplensis_files]' \
  "$pf_key\\korsamplensis\\readme.txt=1" "$pf_key\\korsamplensis\\uninstall.exe=1" \
  '[korsamplensis_reg]' 'hkey_local_machine\software\korsamplensis=1' '[korsamplensis_special]' \
  "basedir=$pf_key\\korsamplensis" '[korsamplensis_start]' \
  "$(shortcut korsamplensis)=1"
# An NSIS uninstaller copies itself away and returns at once, unless told where it was
# installed (_?=, unquoted, last): then it runs in place, to the end, and leaves itself.
printf '%s\r\n' "@\"C:\\$pf\\KorSampleNsis\\uninstall.exe\" /S _?=C:\\$pf\\KorSampleNsis" \
  '@exit /b %ERRORLEVEL%' >"$work/uninstall-nsis.bat"
kor_wine cmd /c 'C:\deploy\uninstall-nsis.bat' || fail "NSIS sample: uninstall: exit status $?"
[ -e "$c/$pf/KorSampleNsis/readme.txt" ] && fail "NSIS sample: uninstall left readme.txt"
kor_server_wait_gone 30
same_log "NSIS sample uninstall"

# Uninstall while a server runs: the registration and the files go, no server is left, and
# the log stays.
hold_server uninstall
msi /x 'C:\deploy\higher.msi' || fail "uninstall: msiexec exit status $?"
[ -z "$(kor_server_pids)" ] || fail "uninstall: a server still runs"
end_hold
[ -e "$files" ] && fail "uninstall: left $(ls "$files" | tr '\n' ' ')"
for key in "CLSID\\$clsid" KorLog.Component KorLog.Component.1 "AppID\\$clsid" \
  'Interface\{6E2D9B15-0C4A-4F83-B7D9-1A5E3C92F064}' 'TypeLib\{C8F7A230-9D16-4B5E-8A4C-2F61E0B7D395}'; do
  # (Under WoW64 in both registry views.)
  kor_wine reg query "HKCR\\$key" >/dev/null 2>&1 && fail "uninstall: HKCR\\$key is left"
  kor_wine_reg query "HKCR\\$key" >/dev/null 2>&1 && fail "uninstall: HKCR\\$key is left (32)"
done
[ -z "$(arp "$higher_code")" ] || fail "uninstall: still in Add/Remove Programs"
same_log uninstall

[ -n "${KOR_DEPLOY_KEEP:-}" ] && cp "$work"/msiexec-*.log "$KOR_DEPLOY_KEEP/"
echo "deploy ($arch${KOR_WOW64:+ on 64-bit Windows}): $failures failure(s) in $((SECONDS - started)) s"
[ $failures -eq 0 ]
