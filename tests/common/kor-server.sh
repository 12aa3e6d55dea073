# The installed server in a throw-away Wine prefix, for test scripts that drive it from
# outside; source after scripts/wine-env.sh and kor_wine_begin.
#
#   kor_server_install SERVER_EXE   copies the server to "C:\Program Files\KorLog" ("Program
#                                   Files (x86)" under WoW64) and registers it with
#                                   /RegServer; false if it is not registered
#   kor_server_pids                 the Unix process ids of this prefix's running servers
#   kor_server_wait_gone SECONDS    waits for every one of them to end; false on timeout

KOR_SERVER_DIR="C:\\$(kor_wine_program_files)\\KorLog"
KOR_SERVER_WIN="$KOR_SERVER_DIR\\KorLogServer.exe"
KOR_SERVER_CLSID='{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}'

kor_server_install() {
  local dir; dir="$(kor_wine_c)/$(kor_wine_program_files)/KorLog"
  mkdir -p "$dir"
  cp "$1" "$dir/KorLogServer.exe"
  kor_wine "$KOR_SERVER_WIN" /RegServer
  kor_wine_reg query "HKCR\\CLSID\\$KOR_SERVER_CLSID\\LocalServer32" >/dev/null 2>&1
}

# Wine shows a Windows program's own command line as the process's; the prefix in its
# environment tells this test's server from any other.
kor_server_pids() {
  local f p
  for f in $(grep -lsa 'KorLogServer\.exe' /proc/[0-9]*/cmdline 2>/dev/null); do
    p=${f#/proc/}
    p=${p%/cmdline}
    tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
}

kor_server_wait_gone() {
  local i
  for i in $(seq $(($1 * 20))); do
    [ -z "$(kor_server_pids)" ] && return 0
    sleep 0.05
  done
  return 1
}
