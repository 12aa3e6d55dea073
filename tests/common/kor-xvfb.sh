# A private X display for tests that look at windows; source after scripts/wine-env.sh.
#
#   kor_xvfb_start          starts Xvfb on the first free display number from 91 and
#                           exports DISPLAY; false when none starts
#   kor_xvfb_screenshot F   saves the whole screen as the PNG file F
#   kor_xvfb_stop           stops that Xvfb (by its process id)

kor_xvfb_start() {
  local n i
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    KOR_XVFB_PID=$!
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$KOR_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    # Another display may have taken the number meanwhile: then this server has ended.
    if kill -0 "$KOR_XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      return 0
    fi
    wait "$KOR_XVFB_PID" 2>/dev/null
    KOR_XVFB_PID=
  done
  return 1
}

kor_xvfb_screenshot() {
  import -display "$DISPLAY" -window root "$1"
}

kor_xvfb_stop() {
  [ -n "${KOR_XVFB_PID:-}" ] || return 0
  kill "$KOR_XVFB_PID" 2>/dev/null
  wait "$KOR_XVFB_PID" 2>/dev/null
  KOR_XVFB_PID=
}

# Switches the current Wine prefix from the null graphics driver to the display's, and
# restarts its wineserver so that every process (the desktop too) starts with it.
kor_wine_use_display() {
  kor_wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1
  "$KOR_WINESERVER" -k >/dev/null 2>&1 || true
  "$KOR_WINESERVER" -w >/dev/null 2>&1 || true
}
