#!/bin/bash
# Timing run of KorLogServer under Wine with an M-size log (not part of CI):
#   tests/server/bench.sh BUILD_DIR     (a win64 build with KorLogServer and server_bench)
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")" && pwd)
. "$src/../../scripts/wine-env.sh"
kor_wine_begin
c=$(kor_wine_c)
mkdir -p "$c/Program Files/KorLog" "$c/kortest"
cp "$build/server/KorLogServer.exe" "$c/Program Files/KorLog/"
cp "$build/tests/server/server_bench.exe" "$c/kortest/"
python3 "$src/../tools/genlog.py" -o "$(kor_wine_system32)/KorFiles.log" --size M
IFS=$'\t' read -r section key _ < <(grep '_FILES' "$(kor_wine_system32)/KorFiles.log.q" | head -1)
rm -f "$(kor_wine_system32)"/KorFiles.log.q*
# 20 uninstall directories, each naming a missing file (their logs merge and go).
for i in $(seq 1 20); do
  kor_wine reg add 'HKLM\SOFTWARE\Korvane\Install' /v "UNSTDIR$i" /t REG_SZ \
    /d "C:\\Uninst$i\\unst.exe" /f >/dev/null
done
kor_wine 'C:\Program Files\KorLog\KorLogServer.exe' /RegServer
kor_wine 'C:\kortest\server_bench.exe' "${section%_FILES}" "$key" "${2:-2000}" >"$KOR_WINE_TMP/out.txt" || true
tr -d '\r' <"$KOR_WINE_TMP/out.txt"
kor_wine_end
