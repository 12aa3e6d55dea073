#!/bin/bash
# What a user of 64-bit Windows meets: the 32-bit server installed under
# "C:\Program Files (x86)\KorLog" and registered from there; the 64-bit cscript (system32),
# the 32-bit cscript (syswow64), a 64-bit C++ client and korlog.exe all reach it and see one
# log, which lives in the 32-bit system directory (SysWOW64); /UnregServer removes the
# registration from both registry views.
#   run-wow64.sh SERVER_EXE KORLOG_EXE KORCYCLE64_EXE
set -u
server=$1 korlog=$2 korcycle64=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -f "$korcycle64" ] || { echo "FAIL: no 64-bit client at $korcycle64 (build build/win64)"; exit 1; }
. "$root/scripts/wine-env.sh"
export KOR_WINE_TIMEOUT=120
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }
c=$(kor_wine_c)
[ -f "$c/windows/syswow64/kernel32.dll" ] || { echo "FAIL: the prefix has no WoW64"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

dir='C:\Program Files (x86)\KorLog'
mkdir -p "$c/Program Files (x86)/KorLog"
cp "$server" "$c/Program Files (x86)/KorLog/KorLogServer.exe"
cp "$korlog" "$c/Program Files (x86)/KorLog/korlog.exe"
cp "$korcycle64" "$c/korcycle64.exe"
cat >"$c/link.vbs" <<'VBS'
Set o = CreateObject("KorLog.Component")
WScript.Echo o.AddItem(0, "Install", WScript.Arguments(0)) & " " & _
  Replace(o.GetAllItems(0, "Install"), vbLf, " ")
VBS

clsid='HKCR\CLSID\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}'
registered() {  # view: 32 or 64; true when the class's LocalServer32 names the server
  kor_wine reg query "$clsid\\LocalServer32" /reg:"$1" 2>/dev/null | tr -d '\r' |
    grep -qF "$dir\\KorLogServer.exe"
}
kor_wine "$dir\\KorLogServer.exe" /RegServer
registered 32 || fail "not registered in the 32-bit view"

said=$(kor_wine 'C:\windows\system32\cscript.exe' //nologo 'C:\link.vbs' Cscript64 | tr -d '\r')
[ "$said" == "1 Cscript64 " ] || fail "64-bit cscript: $said"
said=$(kor_wine 'C:\windows\syswow64\cscript.exe' //nologo 'C:\link.vbs' Cscript32 | tr -d '\r')
# One server, one log: the 32-bit client sees what the 64-bit one recorded.
[ "$said" == "1 Cscript32 Cscript64 " ] || fail "32-bit cscript: $said"
said=$(kor_wine 'C:\korcycle64.exe' link Cpp64 0 | tr -d '\r')
grep -q '^Cpp64: 1 ' <<<"$said" || fail "64-bit C++ client: $said"
said=$(kor_wine "$dir\\korlog.exe" installed Cscript64 | tr -d '\r')
[ "$said" == 1 ] || fail "korlog installed Cscript64: $said"
kor_wine "$dir\\korlog.exe" shutdown 1 >/dev/null

# The 32-bit server's system directory is SysWOW64: the log is there, and only there.
for i in $(seq 50); do [ -f "$c/windows/syswow64/KorFiles.log" ] && break; sleep 0.1; done
# (Keys keep their case only while the server that took them runs.)
log=$(tr -d '\r' <"$c/windows/syswow64/KorFiles.log" 2>/dev/null | tr '\n' ' ' | tr A-Z a-z)
[ "$log" == "[install] cpp64=1 cpp64+=1 cscript32=1 cscript64=1  " ] || fail "the log: $log"
[ -e "$c/windows/system32/KorFiles.log" ] && fail "a log in the 64-bit system directory"

# ShutDown unregistered it; registered again and then unregistered, both views are clean.
kor_wine "$dir\\KorLogServer.exe" /RegServer
registered 32 || fail "not registered again"
kor_wine "$dir\\KorLogServer.exe" /UnregServer
registered 32 && fail "still registered in the 32-bit view"
registered 64 && fail "registered in the 64-bit view"
# The 64-bit clients marshalled through the interface's entries in the 64-bit view: they go too.
for view in 32 64; do
  kor_wine reg query 'HKCR\Interface\{6E2D9B15-0C4A-4F83-B7D9-1A5E3C92F064}' /reg:$view \
    >/dev/null 2>&1 && fail "the interface is still registered in the $view-bit view"
done

echo "wow64: $failures failure(s)"
[ $failures -eq 0 ]
