#!/bin/bash
# Runs one group of KorLogServer tests in a throw-away Wine prefix: installs the server as
# "C:\Program Files\KorLog\KorLogServer.exe" (under "Program Files (x86)" with KOR_WOW64=1,
# where the VBScript client runs in the 64-bit script host and the JScript one in the 32-bit
# host), registers it with /RegServer, runs the group, and checks that no server is left.
#   run-server-test.sh GROUP SERVER_EXE KORTRACE_EXE CLIENT_EXE SOURCE_DIR
set -u
group=$1 server=$2 kortrace=$3 client=$4 src=$5
. "$src/../../scripts/wine-env.sh"
export KOR_WINE_TIMEOUT=120
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }

. "$src/../common/kor-server.sh"
mkdir -p "$(kor_wine_c)/kortest"
cp "$kortrace" "$(kor_wine_c)/kortest/kortrace.exe"
SERVER=$KOR_SERVER_WIN
KORTRACE='C:\kortest\kortrace.exe'
CLSID='{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}'
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

server_running() { ! kor_wine "$KORTRACE" wait-gone 0; }
registered() { kor_wine_reg query "HKCR\\CLSID\\$CLSID\\LocalServer32" >/dev/null 2>&1; }
unregister() { kor_wine_reg delete "HKCR\\CLSID\\$CLSID" /f >/dev/null 2>&1; \
               kor_wine_reg delete 'HKCR\KorLog.Component' /f >/dev/null 2>&1; }

kor_server_install "$server" || fail "/RegServer registers the server"

# Compares a file of escaped trace lines with the expected file.
expect_lines() {  # name, actual file, expected file
  if diff -u "$3" "$2" >/dev/null; then pass "$1"; else
    fail "$1"; diff -u "$3" "$2" | head -40; fi
}

case $group in
client)
  cp "$client" "$(kor_wine_c)/kortest/client.exe"
  kor_wine 'C:\kortest\client.exe' || fail "C++ client tests"
  ;;

scripts)
  cp "$src"/clients/*.vbs "$src"/clients/*.js "$(kor_wine_c)/kortest/"
  for script in client.vbs client.js; do
    registered || kor_wine "$SERVER" /RegServer
    host=cscript
    [ $script == client.js ] && host=$(kor_wine_cscript32)
    out=$(kor_wine "$host" //nologo "C:\\kortest\\$script" 2>&1 | tr -d '\r')
    # The answers name the server's own path, wherever it is installed.
    expected=$(tr -d '\r' <"$src/clients/$script.expected" |
      sed "s|C:\\\\Program Files\\\\KorLog\\\\|${KOR_SERVER_DIR//\\/\\\\}\\\\|")
    if [ "$out" == "$expected" ]; then pass "$script answers"; else
      fail "$script answers"; diff -u <(echo "$expected") <(echo "$out") | head -60; fi
    expect_lines "$script trace lines" "$(kor_wine_c)/kortest/trace-$script.txt" \
      "$src/clients/trace.expected"
    kor_wine "$KORTRACE" wait-gone 3000 || fail "$script: the server ended"
  done
  ;;

modes)
  # Registration words, in any case, with or without a switch character; the last wins.
  for args in "/regserver" "-REGSERVER" "RegServer" "/Embedding /RegServer"; do
    unregister
    kor_wine "$SERVER" $args || fail "$args exits with status $?"
    registered && pass "$args registers" || fail "$args registers"
    server_running && fail "$args leaves a window"
  done
  kor_wine "$SERVER" /RegServer /UnregServer
  registered && fail "/RegServer /UnregServer unregisters" || pass "/RegServer /UnregServer unregisters"
  kor_wine "$SERVER" -UNREGSERVER
  kor_wine "$SERVER" unregserver /regserver
  registered && pass "UnregServer /RegServer registers" || fail "UnregServer /RegServer registers"
  # A registration it cannot remove (a tree deeper than it descends) is a failure an
  # installer can see in the exit status.
  kor_wine_reg add "HKCR\\CLSID\\$CLSID\\$(printf 'deep\\%.0s' $(seq 520))" /f >/dev/null 2>&1
  if kor_wine "$SERVER" /UnregServer; then fail "a failed /UnregServer exits with status 0"; else
    pass "a failed /UnregServer says so"; fi
  unregister
  kor_wine "$SERVER" /UnregServer || fail "/UnregServer of nothing exits with status $?"
  kor_wine "$SERVER" /RegServer

  # Anything else starts the visible mode; closing the window ends the server.
  for args in "/Unregister" "Embedding" ""; do
    kor_wine "$SERVER" $args &
    pid=$!
    state=$(kor_wine "$KORTRACE" state | tr -d '\r')
    [ "$state" == visible ] && pass "'$args' shows the window" || fail "'$args' shows the window ($state)"
    kor_wine "$KORTRACE" close
    kor_wine "$KORTRACE" wait-gone 3000 && pass "'$args' ends on close" || fail "'$args' ends on close"
    wait $pid
  done
  # The object system's switch hides it; so does -Automation.
  for args in "-Embedding" "/automation"; do
    kor_wine "$SERVER" $args &
    pid=$!
    state=$(kor_wine "$KORTRACE" state | tr -d '\r')
    [ "$state" == hidden ] && pass "'$args' hides the window" || fail "'$args' hides the window ($state)"
    kor_wine "$KORTRACE" close
    kor_wine "$KORTRACE" wait-gone 3000 || fail "'$args' ends on close"
    wait $pid
  done
  ;;
esac

server_running && fail "a server process is left"
kor_wine_end
echo "$group: $failures failure(s)"
[ $failures -eq 0 ]
