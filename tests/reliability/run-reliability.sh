#!/bin/bash
# Runs one reliability group against the installed server in a throw-away Wine prefix.
#   run-reliability.sh GROUP SERVER_EXE CLIENT_EXE BUILD_DIR [ARGS...]
#     crash KILLS SIZE [BATCH]   kills the server during saves (TerminateProcess, kill -9);
#                                with KOR_REL_HOLD=1 a reader holds the log open meanwhile
#     disk [BASE_ITEMS]          the log's directory on a small tmpfs that fills up
#     clients WORKERS CALLS      one client in turn, then WORKERS at once
#     hostile CALLS [MAX_LEN]    the random driver (seed: KOR_REL_SEED, default 8)
#     bracket-item               a special item that reads back as a section header
set -u
group=$1 server=$2 client=$3 build=$4
shift 4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env.sh"
. "$here/../common/kor-server.sh"
export KOR_WINE_TIMEOUT=${KOR_WINE_TIMEOUT:-600}
kor_wine_begin || { echo "no Wine prefix" >&2; exit 1; }

sys=$(kor_wine_system32)
log="$sys/KorFiles.log"
mounted=()
teardown() {
  "$KOR_WINESERVER" -k >/dev/null 2>&1
  "$KOR_WINESERVER" -w >/dev/null 2>&1
  local m
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null || umount -l "$m"; done
  mounted=()
  kor_wine_end
}
trap teardown EXIT

# The log's directory on a small filesystem: system32 becomes an overlay whose writable
# layer is a tmpfs of the given size, so new files there (the log) fill it.
if [ "$group" == disk ]; then
  disk="$KOR_WINE_TMP/disk"
  mkdir -p "$disk"
  mount -t tmpfs -o size=4m korrel-disk "$disk" || { echo "cannot mount tmpfs"; exit 1; }
  mounted=("$disk")
  mkdir "$disk/up" "$disk/work"
  mount -t overlay korrel-sys -o "lowerdir=$sys,upperdir=$disk/up,workdir=$disk/work" "$sys" ||
    { echo "cannot mount the overlay"; exit 1; }
  mounted=("$sys" "$disk")
fi

kor_server_install "$server" || { echo "FAIL: the server does not register"; exit 1; }
mkdir -p "$(kor_wine_c)/kortest"
cp "$client" "$(kor_wine_c)/kortest/reliability_client.exe"
CLIENT='C:\kortest\reliability_client.exe'
status=0

# Waits until the last cycle's server has ended (its exit saves once more), so that each
# cycle starts with no server and the killer finds the new one.
server_gone() {
  kor_server_wait_gone 30 && return 0
  echo "FAIL: the server did not end"
  status=1
}

# Ends this prefix's server with kill -9: at a random moment, while the client's calls are
# answered (after the journal appears), or during a save.
unix_kill() {  # when(random/loop/save) save_ms cycle_ms loop_ms
  local pid="" i
  for i in $(seq 4000); do
    pid=$(kor_server_pids | head -1)
    [ -n "$pid" ] && break
    sleep 0.005
  done
  [ -z "$pid" ] && { echo "kill -9: no server"; return; }
  case $1 in
  random) sleep "$(awk -v d=$((RANDOM % $3)) 'BEGIN { printf "%.3f", d / 1000 }')";;
  loop)
    while [ ! -e "$log.journal" ] && kill -0 "$pid" 2>/dev/null; do :; done
    sleep "$(awk -v d=$((RANDOM % $4)) 'BEGIN { printf "%.3f", d / 1000 }')";;
  *)
    while [ ! -e "$log.tmp" ] && kill -0 "$pid" 2>/dev/null; do :; done
    sleep "$(awk -v d=$((RANDOM % $2)) 'BEGIN { printf "%.3f", d / 1000 }')";;
  esac
  local insave=""
  { [ -e "$log.tmp" ] || [ -e "$log.new" ]; } && insave=" in-save"
  if kill -9 "$pid" 2>/dev/null; then echo "kill -9: killed$insave"; else echo "kill -9: missed"; fi
}

case $group in
crash)
  kills=$1 size=$2 batch=${3:-200}
  src_log="$build/genlog-$size.log"
  [ -f "$src_log" ] || python3 "$here/../tools/genlog.py" -o "$src_log" \
    --size "$size" --queries 1 || { echo "genlog failed"; exit 1; }
  cp "$src_log" "$log"
  kor_wine "$CLIENT" record 0 10 >/dev/null   # the log in the server's normal form
  server_gone
  prev="$KOR_WINE_TMP/prev.log"
  cp "$log" "$prev"
  # The save's duration and the whole cycle's set the kill delays: most kills land in a save.
  t0=$(date +%s%N)
  kor_wine "$CLIENT" kill 0 measure >"$KOR_WINE_TMP/save-ms" &
  kor_wine "$CLIENT" record 0 11 >/dev/null  # one new item: a release that changed nothing saves nothing
  wait $!
  server_gone
  cycle_ms=$(( ($(date +%s%N) - t0) / 1000000 ))
  save_ms=$(tr -d '\r' <"$KOR_WINE_TMP/save-ms")
  [ -n "$save_ms" ] || { echo "FAIL: no save was seen to measure"; exit 1; }
  save_ms=$((save_ms + 1))
  cp "$log" "$prev"
  echo "log $(stat -c %s "$log") bytes; one clean cycle ${cycle_ms} ms, one save ${save_ms} ms"
  # Kills land in the first half of the save; with a reader holding the log, the save may
  # go on after its temporary file has gone, so the window is the save's length twice.
  window=$((save_ms / 2 + 1))
  [ -n "${KOR_REL_HOLD:-}" ] && window=$((save_ms * 2 + 1))
  made=0 survived=0 insave=0 before=0 after=0 fromcopy=0 tmpleft=0 tmpcleared=0 k=1 n=0
  recovered=0
  # The client's calls take about a millisecond each: kills in the loop land in that span.
  loop_ms=$((batch + 1))
  RANDOM=$kills
  while [ $made -lt "$kills" ]; do
    n=$((n + 1))
    if [ $((n % 2)) == 1 ]; then
      kor_wine "$CLIENT" kill $((RANDOM * 32768 + RANDOM)) 20 "$window" "$cycle_ms" "$loop_ms" \
        >"$KOR_WINE_TMP/killer" &
    else
      when=save
      case $((RANDOM % 5)) in 0) when=random;; 1|2) when=loop;; esac
      unix_kill $when "$window" "$cycle_ms" "$loop_ms" >"$KOR_WINE_TMP/killer" &
    fi
    killer=$!
    acked=$(kor_wine "$CLIENT" record "$k" "$batch" ${KOR_REL_HOLD:+hold} | tr -d '\r' |
            sed -n 's/^record: added \([0-9]*\) of.*/\1/p')
    wait $killer
    server_gone
    how=$(tr -d '\r' <"$KOR_WINE_TMP/killer")
    # Wine's object system keeps a killed server's class registration until the prefix's
    # wineserver restarts (Windows would start a new server); restart it after a kill.
    case $how in *killed*) "$KOR_WINESERVER" -k; "$KOR_WINESERVER" -w;; esac
    verdict=$(python3 "$here/crash_check.py" "$prev" "$log" "$k" "$batch")
    case $how in *killed*) made=$((made + 1));; esac
    case $how in *in-save*) insave=$((insave + 1));; esac
    case $verdict in *copy) fromcopy=$((fromcopy + 1));; esac
    case $verdict in
      before*) before=$((before + 1)); case $how in *killed*) survived=$((survived + 1));; esac;;
      after*) after=$((after + 1)); case $how in *killed*) survived=$((survived + 1));; esac;;
      *) echo "FAIL: cycle $k ($how): $verdict"; status=1;;
    esac
    [ -n "${KOR_REL_VERBOSE:-}" ] && echo "cycle $k: $how, ${acked:-?} answered -> $verdict"
    left=""
    { [ -e "$log.tmp" ] || [ -e "$log.new" ]; } && { left=1; tmpleft=$((tmpleft + 1)); }
    case $how in *killed*)
      # The next start reads what the kill left (the whole copy beside a log cut in its
      # rewrite, else the log), applies the journal and saves: every answered item must be
      # there, and the temporary file, the copy and the journal gone.
      if [ -e "$log.new" ]; then cp "$log.new" "$prev"; else cp "$log" "$prev"; fi
      kor_wine "$CLIENT" record "$((k + 1))" 0 ${KOR_REL_HOLD:+hold} >/dev/null
      server_gone
      got=$(python3 "$here/crash_check.py" "$prev" "$log" "$k" "$batch" "${acked:-0}")
      case $got in
        recovered*)
          case $verdict in before*) recovered=$((recovered + ${acked:-0}));; esac;;
        *) echo "FAIL: cycle $k ($how, ${acked:-?} answered): $got"; status=1;;
      esac
      if [ -e "$log.tmp" ] || [ -e "$log.new" ]; then
        echo "FAIL: $(ls "$log".*) left after a save"; status=1
      elif [ -n "$left" ]; then tmpcleared=$((tmpcleared + 1)); fi;;
    esac
    cp "$log" "$prev"
    k=$((k + 1))
  done
  echo "crash: $survived of $made kills survived ($insave during a save); log before the save" \
       "$before times, after it $after times ($fromcopy of them from the whole copy beside a" \
       "log cut in its rewrite); temporary file or copy left by $tmpleft kills, cleared by" \
       "the next save $tmpcleared times; $recovered answered items recovered from the journal"
  [ "$survived" == "$made" ] || status=1
  ;;
disk)
  kor_wine "$CLIENT" disk "${1:-2000}" | tr -d '\r' || status=1
  [ "${PIPESTATUS[0]}" == 0 ] || status=1
  ;;
clients)
  kor_wine "$CLIENT" clients "$1" "$2" "${KOR_REL_SEED:-8}" | tr -d '\r'
  [ "${PIPESTATUS[0]}" == 0 ] || status=1
  ;;
hostile)
  kor_wine "$CLIENT" hostile "${KOR_REL_SEED:-8}" "$1" "${2:-1048576}" | tr -d '\r'
  [ "${PIPESTATUS[0]}" == 0 ] || status=1
  ;;
bracket-item)
  kor_wine "$CLIENT" bracket-item | tr -d '\r'
  [ "${PIPESTATUS[0]}" == 0 ] || status=1
  ;;
*) echo "unknown group $group"; status=2;;
esac

[ -z "$(kor_server_pids)" ] || { echo "FAIL: a server process is left"; status=1; }
echo "$group: $([ $status == 0 ] && echo passed || echo FAILED)"
exit $status
