#!/bin/bash
# The trace window of a running KorLogServer seen from other processes under Wine, in a
# throw-away prefix with the server installed as "C:\Program Files\KorLog\KorLogServer.exe":
#   visible     caption, styles, the list filling the client area, File > Register and
#               File > Unregister, close and Exit (log saved, class object withdrawn)
#   hidden      the hidden window receives every line, a long line and many lines
#   endsession  WM_QUERYENDSESSION, WM_ENDSESSION with false and with true
#   screenshot  under Xvfb with a real graphics driver: the visible window after a client run
#   run-window-test.sh GROUP SERVER_EXE KORWIN_EXE SOURCE_DIR
set -u
group=$1 server=$2 korwin=$3 src=$4
root=$(cd "$src/../.." && pwd)
. "$root/scripts/wine-env.sh"
export KOR_WINE_TIMEOUT=120
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }
. "$root/tests/common/kor-server.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
not() { ! "$@"; }
check() {  # description, command...
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

test_dir="$(kor_wine_c)/kortest"
mkdir -p "$test_dir"
cp "$korwin" "$test_dir/korwin.exe"
KORWIN='C:\kortest\korwin.exe'
LOG="$(kor_wine_system32)/KorFiles.log"
WM_CLOSE=16 WM_QUERYENDSESSION=17 WM_ENDSESSION=22 WM_COMMAND=273

korwin() { kor_wine "$KORWIN" "$@" | tr -d '\r'; }
gone_within() { kor_wine "$KORWIN" wait-gone "$1"; }
registered() { kor_wine reg query "HKCR\\CLSID\\$KOR_SERVER_CLSID\\LocalServer32" 2>/dev/null |
               tr -d '\r' | grep -qiF "$KOR_SERVER_WIN"; }
progid_registered() { kor_wine reg query 'HKCR\KorLog.Component\CLSID' >/dev/null 2>&1; }
# Keys are compared ignoring case, and a log read back may hold a path in another case.
log_has() { grep -qiF "$1" "$LOG" 2>/dev/null; }
value_of() { sed -n "s/^$1=//p" <<<"$2"; }

# A VBScript client: the lines given, run by cscript, its output on stdout.
run_vbs() {  # name, body
  printf '%s\r\n' "$2" >"$test_dir/$1.vbs"
  kor_wine cscript //nologo "C:\\kortest\\$1.vbs" 2>&1 | tr -d '\r'
}

start_server() {  # arguments; leaves the shell's pid of it in server_pid
  kor_wine "$KOR_SERVER_WIN" "$@" &
  server_pid=$!
  korwin inspect >/dev/null  # waits for the window
  korwin send 0 0 >/dev/null  # WM_NULL: answered once start-up is over and the loop runs
}

kor_server_install "$server" || { echo "the server cannot be installed"; exit 1; }

case $group in
visible)
  start_server
  info=$(korwin inspect)
  echo "$info"
  check "caption is KorLogServer" [ "$(value_of caption "$info")" == KorLogServer ]
  style=$((16#$(value_of style "$info")))
  check "frame style holds 0x00CF8000" [ $((style & 0x00CF8000)) -eq $((0x00CF8000)) ]
  check "frame is visible" [ $((style & 0x10000000)) -ne 0 ] && [ "$(value_of visible "$info")" == 1 ]
  exstyle=$((16#$(value_of exstyle "$info")))
  check "frame has no client edge" [ $((exstyle & 0x200)) -eq 0 ]
  check "frame class has no class style" [ "$(value_of class_style "$info")" == 00000000 ]
  check "the list box has identifier 59648" [ "$(value_of list_class "$info")" == ListBox ] &&
    [ "$(value_of list_id "$info")" == 59648 ]
  list_style=$((16#$(value_of list_style "$info")))
  check "the list box has its style bits" [ $((list_style | 0x00200000)) -eq $((0x50200100)) ]
  check "the list box fills the client area" [ "$(value_of list_fills_client "$info")" == 1 ]

  # File > Register and File > Unregister: entries appear and go, the list stays.
  kor_wine reg delete "HKCR\\CLSID\\$KOR_SERVER_CLSID" /f >/dev/null 2>&1
  kor_wine reg delete 'HKCR\KorLog.Component' /f >/dev/null 2>&1
  before=$(korwin lines)
  korwin send $WM_COMMAND 32771 >/dev/null
  check "File > Register writes the running executable's registration" registered
  check "File > Register writes the ProgID" progid_registered
  check "File > Register leaves the list as it was" [ "$(korwin lines)" == "$before" ]
  korwin send $WM_COMMAND 32772 >/dev/null
  check "File > Unregister removes the class" not kor_wine reg query "HKCR\\CLSID\\$KOR_SERVER_CLSID"
  check "File > Unregister removes the ProgID" not progid_registered
  check "File > Unregister leaves the list as it was" [ "$(korwin lines)" == "$before" ]
  korwin send $WM_COMMAND 32771 >/dev/null

  # A client's object released: the visible server stays; closing it saves the log.
  out=$(run_vbs add 'Set o = CreateObject("KorLog.Component")
WScript.Echo o.AddItem(1, "Visible", "C:\visible.dll")
Set o = Nothing')
  check "a client adds an item to the visible server ($out)" [ "$out" == 1 ]
  check "the visible server stays after the release" not gone_within 500
  rm -f "$LOG"
  korwin post $WM_CLOSE 0 >/dev/null
  check "WM_CLOSE ends the server within 3 s" gone_within 3000
  wait "$server_pid"
  check "the log is saved at exit" log_has 'C:\visible.dll'

  # The class object went with the process: a new creation starts a new server.
  out=$(run_vbs again 'Set o = CreateObject("KorLog.Component")
WScript.Echo o.IsInstalled("Visible") & " " & o.HasItem(1, "Visible", "C:\visible.dll")
Set o = Nothing')
  check "a new creation starts a new server that reads the saved log ($out)" [ "$out" == "0 1" ]
  check "that hidden server ends after the release" gone_within 3000

  # File > Exit takes the same path.
  start_server
  rm -f "$LOG"
  korwin send $WM_COMMAND 57665 >/dev/null
  check "File > Exit ends the server within 3 s" gone_within 3000
  wait "$server_pid"
  check "File > Exit saves the log" log_has 'C:\visible.dll'
  ;;

hidden)
  # Started by the object system: the window exists, hidden, and gets every line; a line of
  # a megabyte and a thousand lines neither crash the server nor stop it serving.
  out=$(run_vbs hidden 'Set sh = CreateObject("WScript.Shell")
Set o = CreateObject("KorLog.Component")
WScript.Echo o.AddItem(1, "Hidden", "C:\hidden.dll")
sh.Run "cmd /c C:\kortest\korwin.exe inspect > C:\kortest\inspect.txt", 0, True
sh.Run "C:\kortest\korwin.exe lines C:\kortest\lines1.txt", 0, True
WScript.Echo o.AddItem(1, "Hidden", String(1000000, "y"))
For i = 1 To 1000
  r = o.HasItem(1, "Hidden", "C:\hidden.dll")
Next
WScript.Echo r & " " & o.IsInstalled("Hidden")
sh.Run "C:\kortest\korwin.exe lines C:\kortest\lines2.txt", 0, True
Set o = Nothing')
  check "the hidden server answers every call ($(echo $out))" [ "$(echo $out)" == "1 1 1 0" ]
  info=$(tr -d '\r' <"$test_dir/inspect.txt")
  check "the window exists in the hidden mode" [ "$(value_of caption "$info")" == KorLogServer ]
  check "the window is not visible" [ "$(value_of visible "$info")" == 0 ]
  lines1=$(tr -d '\r' <"$test_dir/lines1.txt" | cut -d' ' -f3-)
  expected='count=4
InitInstance: log file name is C:\windows\system32\KorFiles.
InitInstance: assimilating all other log files.
CreateInstance: Created a component.
AddItem: Writing item C:\hidden.dll (type 1) under component'
  check "the hidden list holds every line so far" [ "$lines1" == "$expected" ]
  lines2=$(tr -d '\r' <"$test_dir/lines2.txt")
  check "the hidden list holds every later line" [ "$(head -1 <<<"$lines2")" == count=1006 ]
  long=$(sed -n 6p <<<"$lines2" | cut -d' ' -f1)
  check "the long line is kept whole ($long bytes)" [ "$long" == 1000055 ]
  check "the last line is the last call's" [ "$(tail -1 <<<"$lines2" | cut -d' ' -f3-)" == \
    "IsInstalled: Checking if Hidden is installed.  It ain't." ]
  check "the hidden server ends after the release" gone_within 3000
  ;;

endsession)
  start_server
  out=$(run_vbs add 'Set o = CreateObject("KorLog.Component")
WScript.Echo o.AddItem(1, "Session", "C:\session.dll")
Set o = Nothing')
  rm -f "$LOG"
  check "WM_QUERYENDSESSION agrees" [ "$(korwin send $WM_QUERYENDSESSION 0)" == 1 ]
  korwin send $WM_ENDSESSION 0 >/dev/null
  check "WM_ENDSESSION false leaves the server running" not gone_within 1000
  check "WM_ENDSESSION false saves nothing" [ ! -e "$LOG" ]
  check "the server still serves after WM_ENDSESSION false" \
    [ "$(run_vbs ask 'WScript.Echo CreateObject("KorLog.Component").IsInstalled("Session")')" == 0 ]
  rm -f "$LOG"
  korwin send $WM_ENDSESSION 1 >/dev/null
  check "WM_ENDSESSION true ends the visible server within 3 s" gone_within 3000
  wait "$server_pid"
  check "the server's process ended with code 0" [ $? -eq 0 ]
  check "WM_ENDSESSION true saves the log" log_has 'C:\session.dll'

  # Hidden, with no client: the same.
  start_server -Embedding
  rm -f "$LOG"
  korwin send $WM_ENDSESSION 0 >/dev/null
  check "WM_ENDSESSION false leaves the hidden server running" not gone_within 1000
  korwin send $WM_ENDSESSION 1 >/dev/null
  check "WM_ENDSESSION true ends the hidden server within 3 s" gone_within 3000
  wait "$server_pid"
  check "the hidden server's process ended with code 0" [ $? -eq 0 ]
  check "the hidden server saved the log" log_has 'C:\session.dll'
  ;;

screenshot)
  . "$root/tests/common/kor-xvfb.sh"
  kor_xvfb_start || { echo "no Xvfb" >&2; exit 1; }
  trap 'kor_xvfb_stop; kor_wine_end' EXIT
  kor_wine_use_display
  start_server
  before=$KOR_WINE_TMP/before.png
  sleep 1
  kor_xvfb_screenshot "$before"
  run_vbs client 'Set o = CreateObject("KorLog.Component")
o.AddItem 1, "Shot", "C:\Program Files\Shot\shot.dll"
o.AddItem 0, "Install", "Shot"
o.IsInstalled "Shot"
o.GetParent "Shot"
Set o = Nothing' >/dev/null
  png=${KOR_SCREENSHOT:-$KOR_WINE_TMP/window.png}
  sleep 1
  check "a screenshot is taken" kor_xvfb_screenshot "$png"
  colours=$(convert "$png" -format '%k' info: 2>/dev/null || echo 0)
  deviation=$(convert "$png" -colorspace Gray -format '%[fx:int(1000*standard_deviation)]' info: \
              2>/dev/null || echo 0)
  echo "screenshot: $png, $colours colours, deviation $deviation"
  check "the screenshot is not blank" [ "$colours" -gt 2 ] && [ "$deviation" -gt 0 ]
  changed=$(compare -metric AE "$before" "$png" null: 2>&1 | cut -d' ' -f1)
  check "the client's trace lines changed the picture ($changed pixels)" [ "${changed%.*}" -gt 500 ]
  korwin post $WM_CLOSE 0 >/dev/null
  check "the server ends on close" gone_within 3000
  wait "$server_pid"
  kor_xvfb_stop
  ;;
esac

[ -n "$(kor_server_pids)" ] && fail "a server process is left"
kor_wine_end
echo "$group: $failures failure(s)"
[ $failures -eq 0 ]
