# The Wine test world, sourced by every script that runs Windows programs.
#
#   kor_wine_begin      makes a throw-away prefix (a copy of a cached, booted base prefix)
#                       and exports WINEPREFIX and the rest; registers the teardown on EXIT.
#   kor_wine_end        stops that prefix's wineserver and removes the copy.
#   kor_wine CMD...     runs a Windows program in it, under a timeout (KOR_WINE_TIMEOUT).
#
# KOR_WINE_ARCH picks the world: win32, a pure 32-bit prefix for the i686 product (the
# tests of a 32-bit build set it through CTest), or win64 (the default), a 64-bit prefix,
# where the x86_64 build runs, and the i686 product too, under WoW64. Only machines whose
# kernel runs 32-bit code can start 32-bit Wine; kor_wine_can_run_win32 says whether this
# one can. KOR_WOW64=1 is the i686 product on 64-bit Windows: a 64-bit prefix, the product
# under "Program Files (x86)", its system directory SysWOW64.

KOR_WINE_ARCH=${KOR_WINE_ARCH:-win64}
[ "${KOR_WOW64:-}" != 1 ] || KOR_WINE_ARCH=win64
if [ "$KOR_WINE_ARCH" == win32 ]; then
  KOR_WINE_LOADER=${KOR_WINE_LOADER:-/usr/lib/wine/wine}
  KOR_WINESERVER=${KOR_WINESERVER:-/usr/lib/wine/wineserver32}
else
  KOR_WINE_LOADER=${KOR_WINE_LOADER:-/usr/lib/wine/wine64}
  KOR_WINESERVER=${KOR_WINESERVER:-/usr/lib/wine/wineserver64}
fi
KOR_WINE_TIMEOUT=${KOR_WINE_TIMEOUT:-300}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER=$KOR_WINE_LOADER
export WINESERVER=$KOR_WINESERVER

kor_wine_base() {
  local version
  version=$("$KOR_WINE_LOADER" --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' '_')
  echo "${XDG_CACHE_HOME:-$HOME/.cache}/korlog/wineprefix-${version}-${KOR_WINE_ARCH}"
}

# A booted base prefix. A 64-bit one booted before 32-bit Wine could run lacks its WoW64
# half and is booted again; where the kernel runs no 32-bit code it never gets one.
kor_wine_base_ready() {
  [ -f "$1/.kor-ready" ] || return 1
  [ "$KOR_WINE_ARCH" != win64 ] || [ -f "$1/drive_c/windows/syswow64/kernel32.dll" ] ||
    ! /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Boots the base prefix once per Wine version; later calls find it ready.
kor_wine_ensure_base() {
  local base; base=$(kor_wine_base)
  kor_wine_base_ready "$base" && return 0
  mkdir -p "$(dirname "$base")"
  local lock="$base.lock"
  (
    flock 9
    kor_wine_base_ready "$base" && exit 0
    rm -rf "$base"
    WINEPREFIX=$base WINEARCH=$KOR_WINE_ARCH timeout 600 "$KOR_WINE_LOADER" wineboot -i \
      >/dev/null 2>&1
    [ -f "$base/drive_c/windows/system32/kernel32.dll" ] || exit 1
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

# True when this machine runs 32-bit Windows programs: a 32-bit prefix boots and a program
# in it answers. The base prefix it leaves is the one the 32-bit world then uses.
kor_wine_can_run_win32() {
  (
    KOR_WINE_ARCH=win32 KOR_WINE_LOADER= KOR_WINESERVER=
    . "${BASH_SOURCE[0]}"
    [ -x "$KOR_WINE_LOADER" ] || exit 1
    kor_wine_ensure_base >/dev/null 2>&1 || exit 1
    kor_wine_begin >/dev/null 2>&1 || exit 1
    [ "$(KOR_WINE_TIMEOUT=60 kor_wine cmd /c echo kor32 2>/dev/null | tr -d '\r')" == kor32 ]
  )
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

# The Unix path of the prefix's C: drive, and of the product's system directory (what it
# calls "C:\windows\system32"; a 32-bit program on 64-bit Windows is redirected to SysWOW64).
kor_wine_c() { echo "$WINEPREFIX/drive_c"; }
kor_wine_system32() {
  if [ "${KOR_WOW64:-}" == 1 ]; then
    echo "$WINEPREFIX/drive_c/windows/syswow64"
  else
    echo "$WINEPREFIX/drive_c/windows/system32"
  fi
}

# The product's Program Files folder, as a folder name under C:.
kor_wine_program_files() {
  if [ "${KOR_WOW64:-}" == 1 ]; then echo 'Program Files (x86)'; else echo 'Program Files'; fi
}

# The script host a 32-bit installer runs: SysWOW64's on 64-bit Windows.
kor_wine_cscript32() {
  if [ "${KOR_WOW64:-}" == 1 ]; then echo 'C:\windows\syswow64\cscript.exe'; else echo cscript; fi
}

# reg.exe on the registry as the product sees it: the 32-bit view under WoW64.
kor_wine_reg() {
  if [ "${KOR_WOW64:-}" == 1 ]; then kor_wine reg "$@" /reg:32; else kor_wine reg "$@"; fi
}
