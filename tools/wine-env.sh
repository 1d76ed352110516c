# Sourced by the run and test scripts: a Wine prefix, a captured sound device
# and an X display for running volnar.exe and the Windows tests.
#
#   volnar_wine_prefix DIR      WINEPREFIX=DIR/prefix, created on first use
#   volnar_capture_audio DIR    every sample played lands in DIR/out.raw
#   volnar_display              uses $DISPLAY, or starts Xvfb when there is none
#   volnar_wine_end             ends the prefix's wineserver and our Xvfb

VOLNAR_ROOT=${VOLNAR_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win32

volnar_wine_prefix() {
  local dir=$1
  mkdir -p "$dir"
  export WINEPREFIX=$dir/prefix
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # No prompts for the .NET and HTML-engine add-ons: they cannot be fetched here.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # Real Tahoma, as the window's fonts name it.
    local fonts=$WINEPREFIX/drive_c/windows/Fonts
    mkdir -p "$fonts"
    for f in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
      [ -f "$f" ] && cp "$f" "$fonts/"
    done
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1 || true
    wineserver -w
  fi
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# A HOME whose ALSA default device writes raw 16-bit stereo to DIR/out.raw.
volnar_capture_audio() {
  local dir=$1
  mkdir -p "$dir/home"
  : > "$dir/out.raw"
  cat > "$dir/home/.asoundrc" <<ASOUND
pcm.!default { type file; slave.pcm "null"; file "$dir/out.raw"; format "raw" }
ASOUND
  export HOME=$dir/home
  export VOLNAR_AUDIO_OUT=$dir/out.raw
}

# True when this machine has a sound device of its own.
volnar_has_sound() {
  [ -n "${PULSE_SERVER:-}" ] || [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ] ||
    ls /dev/snd/pcmC*p >/dev/null 2>&1
}

VOLNAR_XVFB_PID=
volnar_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VOLNAR_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    kill "$VOLNAR_XVFB_PID" 2>/dev/null
  done
  echo "could not start Xvfb" >&2
  return 1
}

volnar_wine_end() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  if [ -n "$VOLNAR_XVFB_PID" ]; then kill "$VOLNAR_XVFB_PID" 2>/dev/null || true; fi
  VOLNAR_XVFB_PID=
}

# Builds the Windows program and tests.
volnar_build_win32() {
  cmake -S "$VOLNAR_ROOT" -B "$VOLNAR_ROOT/build/win32" \
    -DCMAKE_TOOLCHAIN_FILE="$VOLNAR_ROOT/cmake/mingw-i686.cmake" >/dev/null &&
    cmake --build "$VOLNAR_ROOT/build/win32" -j"$(nproc)"
}
