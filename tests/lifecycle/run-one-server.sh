#!/bin/bash
# One server serves the log, however clients arrive: ROUNDS times, 8 clients at once against
# no running server, then 3 one after another; a server started by hand while a hidden one
# serves; clients that meet the last server serving on, ending or gone. Every link each
# client was answered for must be in the log, and no server may be left behind.
#   run-one-server.sh SERVER_EXE KORCYCLE_EXE ROUNDS
set -u
server=$1 korcycle=$2 rounds=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
export KOR_WINE_TIMEOUT=120
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }
. "$root/tests/common/kor-server.sh"
kor_server_install "$server" || { echo "the server cannot be installed"; exit 1; }
cp "$korcycle" "$(kor_wine_c)/korcycle.exe"
log="$(kor_wine_system32)/KorFiles.log"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits up to 10 s for every server of this prefix to end.
servers_gone() {
  kor_server_wait_gone 10 && return 0
  fail "$1: a server is still running 10 s after the last client"
  "$KOR_WINESERVER" -k
}

expect_links() {  # what, names...
  local what=$1 name missing=()
  shift
  for name in "$@"; do
    tr -d '\r' <"$log" | grep -qixF "$name=1" || missing+=("$name")
  done
  [ ${#missing[@]} -eq 0 ] || fail "$what: not in the log: ${missing[*]}"
}

client() {  # korcycle arguments...
  kor_wine 'C:\korcycle.exe' "$@" | tr -d '\r' | grep -v ': 1 (0x00000000)$'
  return "${PIPESTATUS[0]}"
}

for round in $(seq "$rounds"); do
  rm -f "$log"
  # Every process that appears while the clients start, to count what Wine launched.
  ( while :; do kor_server_pids; sleep 0.05; done ) >"$KOR_WINE_TMP/pids" &
  watcher=$!
  names=()
  pids=()
  for i in $(seq 8); do
    names+=("R${round}Conc$i" "R${round}Conc$i+")
    client link "R${round}Conc$i" 300 &
    pids+=($!)
  done
  for p in "${pids[@]}"; do wait "$p" || fail "round $round: a concurrent client was refused"; done
  kill "$watcher"; wait "$watcher" 2>/dev/null
  for i in 5 6 7; do
    names+=("R${round}Later$i" "R${round}Later$i+")
    client link "R${round}Later$i" 0 || fail "round $round: client Later$i was refused"
  done
  servers_gone "round $round"
  expect_links "round $round" "${names[@]}"
  echo "round $round: $(sort -u "$KOR_WINE_TMP/pids" | wc -l) server processes started for 8" \
       "clients at once"
done

# By hand while a hidden server serves a client: the new process shows that server's window
# and ends, and the client's calls before and after it land in one log.
client link Held 6000 &
holder=$!
sleep 3
timeout 20 "$KOR_WINE_LOADER" "$KOR_SERVER_WIN"
[ $? -eq 124 ] && fail "the server started by hand did not end while another served"
wait "$holder" || fail "the client of the hidden server was refused"
servers_gone "by hand"
expect_links "by hand" Held Held+

# Clients one after another, each arriving 0 to 2 s after the last one left.
client relay 12 "$rounds" || fail "a relay client was refused"
servers_gone "relay"
expect_links "relay" $(seq -f 'Relay%g' 12)

echo "one server: $failures failure(s)"
[ $failures -eq 0 ]
