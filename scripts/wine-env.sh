# The Wine test world, sourced by every script that runs Windows programs.
#
#   kor_wine_begin      makes a throw-away prefix (a copy of a cached, booted base prefix)
#                       and exports WINEPREFIX and the rest; registers the teardown on EXIT.
#   kor_wine_end        stops that prefix's wineserver and removes the copy.
#   kor_wine CMD...     runs a Windows program in it, under a timeout (KOR_WINE_TIMEOUT).
#
# This machine's kernel runs no 32-bit Linux code, so Wine runs in its 64-bit form: the
# tests run the x86_64 build of the same sources; the i686 product is built beside it.

KOR_WINE_LOADER=${KOR_WINE_LOADER:-/usr/lib/wine/wine64}
KOR_WINESERVER=${KOR_WINESERVER:-/usr/lib/wine/wineserver64}
KOR_WINE_TIMEOUT=${KOR_WINE_TIMEOUT:-300}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER=$KOR_WINE_LOADER
export WINESERVER=$KOR_WINESERVER

kor_wine_base() {
  local version
  version=$("$KOR_WINE_LOADER" --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' '_')
  echo "${XDG_CACHE_HOME:-$HOME/.cache}/korlog/wineprefix-${version}-win64"
}

# Boots the base prefix once per Wine version; later calls find it ready.
kor_wine_ensure_base() {
  local base; base=$(kor_wine_base)
  [ -f "$base/.kor-ready" ] && return 0
  mkdir -p "$(dirname "$base")"
  local lock="$base.lock"
  (
    flock 9
    [ -f "$base/.kor-ready" ] && exit 0
    rm -rf "$base"
    WINEPREFIX=$base WINEARCH=win64 timeout 600 "$KOR_WINE_LOADER" wineboot -i >/dev/null 2>&1
    # Without a display, windows still need a graphics driver: the null one.
    if [ -z "${DISPLAY:-}" ]; then
      WINEPREFIX=$base timeout 120 "$KOR_WINE_LOADER" reg add 'HKCU\Software\Wine\Drivers' \
        /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
    fi
    WINEPREFIX=$base "$KOR_WINESERVER" -k >/dev/null 2>&1 || true
    WINEPREFIX=$base "$KOR_WINESERVER" -w >/dev/null 2>&1 || true
    touch "$base/.kor-ready"
  ) 9>"$lock"
}

kor_wine_begin() {
  kor_wine_ensure_base || return 1
  local base; base=$(kor_wine_base)
  KOR_WINE_TMP=$(mktemp -d "${TMPDIR:-/tmp}/korwine.XXXXXX")
  export WINEPREFIX="$KOR_WINE_TMP/prefix"
  # Hard links for the bulk; the registry files are rewritten by Wine, so real copies.
  cp -al "$base" "$WINEPREFIX"
  local f
  for f in "$WINEPREFIX"/*.reg; do
    rm -f "$f"; cp "$base/$(basename "$f")" "$f"
  done
  rm -f "$WINEPREFIX/.kor-ready"
  trap kor_wine_end EXIT
}

kor_wine_end() {
  [ -n "${KOR_WINE_TMP:-}" ] || return 0
  "$KOR_WINESERVER" -k >/dev/null 2>&1 || true
  "$KOR_WINESERVER" -w >/dev/null 2>&1 || true
  rm -rf "$KOR_WINE_TMP"
  KOR_WINE_TMP=
}

kor_wine() {
  timeout "$KOR_WINE_TIMEOUT" "$KOR_WINE_LOADER" "$@"
}

# The Unix path of the prefix's C: drive, and of its system directory.
kor_wine_c() { echo "$WINEPREFIX/drive_c"; }
kor_wine_system32() { echo "$WINEPREFIX/drive_c/windows/system32"; }
