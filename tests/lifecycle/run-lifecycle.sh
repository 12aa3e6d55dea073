#!/bin/bash
# Consecutive lives of the server in one throw-away Wine prefix, counted by korcycle: N
# cycles on an idle machine, then M while CPU burners keep every core busy. MODE shutdown:
# register, create, ShutDown(2); MODE release: create and release in the hidden mode.
#   run-lifecycle.sh MODE SERVER_EXE KORCYCLE_EXE N M
set -u
mode=$1 server=$2 korcycle=$3 cycles=$4 loaded=$5
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
export KOR_WINE_TIMEOUT=$((cycles * 20 + 120))
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }
. "$root/tests/common/kor-server.sh"

failures=0
burners=()
stop_burners() {
  local p
  for p in "${burners[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  burners=()
}
trap 'stop_burners; kor_wine_end' EXIT

kor_server_install "$server" || { echo "the server cannot be installed"; exit 1; }
cp "$korcycle" "$(kor_wine_c)/korcycle.exe"

# Lines pass at once, so a long run shows its progress. (release ignores the path argument)
run() {  # label, korcycle arguments...
  local label=$1; shift
  local rc
  kor_wine 'C:\korcycle.exe' "$@" | stdbuf -oL tr -d '\r' | sed -u "s/^/$label: /"
  rc=${PIPESTATUS[0]}
  [ $rc -eq 0 ] || failures=$((failures + 1))
  kor_wine "$KOR_SERVER_WIN" /RegServer  # ShutDown unregistered it
}

run idle "$mode" "$cycles" "$KOR_SERVER_WIN"
if [ "$loaded" -gt 0 ]; then
  for _ in $(seq "$(nproc)"); do
    (while :; do :; done) &
    burners+=($!)
  done
  run load "$mode" "$loaded" "$KOR_SERVER_WIN"
  stop_burners
fi

[ -n "$(kor_server_pids)" ] && { echo "FAIL: a server process is left"; failures=$((failures + 1)); }
echo "lifecycle: $failures failure(s)"
[ $failures -eq 0 ]
