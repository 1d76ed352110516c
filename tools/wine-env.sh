# Sourced by the run and test scripts: a Wine prefix, a captured sound device
# and an X display for running volnar.exe and the Windows tests.
#
#   volnar_wine_prefix DIR      WINEPREFIX=DIR/prefix, created on first use
#   volnar_capture_audio DIR    every sample played lands in DIR/out.raw, at real-time
#                               rate (a private PulseAudio null sink, its monitor recorded)
#   volnar_capture_stop         ends that recording (the sound server stays up)
#   volnar_pulse_start          the private sound server alone (PULSE_SERVER exported)
#   volnar_wine_audio pulse|alsa   the prefix's audio driver
#   volnar_test_tls DIR         test certificates in DIR, the test authority trusted by
#                               the prefix (exports VOLNAR_TLS_DIR)
#   volnar_display              uses $DISPLAY, or starts Xvfb when there is none
#   volnar_wine_end             ends the prefix's wineserver, our sound server and Xvfb

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
  fi
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# The Wine audio driver of the prefix: pulse (a PulseAudio or PipeWire server) or alsa.
volnar_wine_audio() {
  local want=$1 have
  have=$(wine reg query 'HKCU\Software\Wine\Drivers' /v Audio 2>/dev/null | tr -d '\r' |
         sed -n 's/^ *Audio *REG_SZ *//p')
  [ "$have" = "$want" ] && return 0
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "$want" /f >/dev/null 2>&1 || true
  wineserver -w
}

# A private PulseAudio server with one null sink, "cap", that plays at real-time
# rate: the program's sound goes through Wine's pulse driver into it. Its runtime
# folder is our own (the socket path must stay short), so a desktop's own sound
# server is never touched. Exports PULSE_SERVER for every client started later.
VOLNAR_PULSE_PID=
VOLNAR_PULSE_DIR=
volnar_pulse_start() {
  if [ -n "$VOLNAR_PULSE_PID" ] && kill -0 "$VOLNAR_PULSE_PID" 2>/dev/null; then return 0; fi
  command -v pulseaudio >/dev/null || return 1
  VOLNAR_PULSE_DIR=$(mktemp -d /tmp/volnar-pulse.XXXXXX) || return 1
  mkdir -p "$VOLNAR_PULSE_DIR/home"
  # Anonymous access is safe: the socket lives in a folder only we can enter.
  HOME=$VOLNAR_PULSE_DIR/home XDG_RUNTIME_DIR=$VOLNAR_PULSE_DIR XDG_CONFIG_HOME=$VOLNAR_PULSE_DIR/home \
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --use-pid-file=yes --log-target=stderr \
      --load="module-null-sink sink_name=cap rate=44100 channels=2" \
      --load="module-native-protocol-unix auth-anonymous=1" \
      >"$VOLNAR_PULSE_DIR/pulseaudio.log" 2>&1 || { rm -rf "$VOLNAR_PULSE_DIR"; VOLNAR_PULSE_DIR=; return 1; }
  local i
  for i in $(seq 50); do [ -s "$VOLNAR_PULSE_DIR/pulse/pid" ] && break; sleep 0.1; done
  VOLNAR_PULSE_PID=$(cat "$VOLNAR_PULSE_DIR/pulse/pid" 2>/dev/null)
  [ -n "$VOLNAR_PULSE_PID" ] || return 1
  export PULSE_SERVER=unix:$VOLNAR_PULSE_DIR/pulse/native
  export VOLNAR_PULSE_SERVER=$PULSE_SERVER  # tells the e2e harness to record from it
  unset PULSE_SINK
}

volnar_pulse_stop() {
  if [ -n "$VOLNAR_PULSE_DIR" ] && [ -S "$VOLNAR_PULSE_DIR/pulse/native" ]; then
    # The server's own way out, then the signal: neither may be left behind.
    HOME=$VOLNAR_PULSE_DIR/home XDG_RUNTIME_DIR=$VOLNAR_PULSE_DIR XDG_CONFIG_HOME=$VOLNAR_PULSE_DIR/home \
      pulseaudio --kill >/dev/null 2>&1 || true
  fi
  if [ -n "$VOLNAR_PULSE_PID" ]; then kill "$VOLNAR_PULSE_PID" 2>/dev/null || true; fi
  [ -n "$VOLNAR_PULSE_DIR" ] && rm -rf "$VOLNAR_PULSE_DIR"
  VOLNAR_PULSE_PID=
  VOLNAR_PULSE_DIR=
  unset PULSE_SERVER VOLNAR_PULSE_SERVER
}

# Every sample the program plays lands in DIR/out.raw (raw 16-bit LE stereo at
# 44100 Hz), paced by the null sink's clock. Without a PulseAudio server it falls
# back to an ALSA file device, which works but runs about 3x faster than real time.
VOLNAR_PAREC_PID=
volnar_capture_audio() {
  local dir=$1
  mkdir -p "$dir"
  : > "$dir/out.raw"
  export VOLNAR_AUDIO_OUT=$dir/out.raw
  if volnar_pulse_start; then
    [ -n "${WINEPREFIX:-}" ] && volnar_wine_audio pulse
    parec -d cap.monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=20 \
      >"$dir/out.raw" 2>"$dir/parec.log" &
    VOLNAR_PAREC_PID=$!
    return 0
  fi
  echo "no PulseAudio server: the captured sound is not paced" >&2
  mkdir -p "$dir/home"
  cat > "$dir/home/.asoundrc" <<ASOUND
pcm.!default { type file; slave.pcm "null"; file "$dir/out.raw"; format "raw" }
ASOUND
  export HOME=$dir/home
  [ -n "${WINEPREFIX:-}" ] && volnar_wine_audio alsa
  return 0
}

volnar_capture_stop() {
  if [ -n "$VOLNAR_PAREC_PID" ]; then
    kill "$VOLNAR_PAREC_PID" 2>/dev/null || true
    wait "$VOLNAR_PAREC_PID" 2>/dev/null || true
  fi
  VOLNAR_PAREC_PID=
}

# How this machine plays sound, for the run command: "pulse" when a PulseAudio or
# PipeWire server runs for this user (the 32-bit ALSA library's default device would
# need a pulse plug-in that only the 64-bit side has there), "alsa" for a sound card
# without a server, nothing when there is no sound device.
volnar_desktop_audio() {
  if [ -n "${PULSE_SERVER:-}" ] || [ -S "${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/pulse/native" ]; then
    echo pulse
  elif ls /dev/snd/pcmC*p >/dev/null 2>&1; then
    echo alsa
  fi
}
volnar_has_sound() { [ -n "$(volnar_desktop_audio)" ]; }

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
  volnar_capture_stop
  volnar_pulse_stop
  if [ -n "$VOLNAR_XVFB_PID" ]; then kill "$VOLNAR_XVFB_PID" 2>/dev/null || true; fi
  VOLNAR_XVFB_PID=
}

# Certificates for the test station's TLS ports, and their authority added to the
# prefix's Current User Root store as a user would add one: Wine's chain check then
# trusts it, as Windows does. The program's verification stays as it is.
volnar_test_tls() {
  local dir=$1
  command -v openssl >/dev/null || return 1
  bash "$VOLNAR_ROOT/tools/make-test-certs.sh" "$dir" || return 1
  local tool=$VOLNAR_ROOT/build/win32/trustca_win.exe
  [ -x "$tool" ] || return 1
  wine "$tool" "$(winepath -w "$dir/ca.pem" 2>/dev/null)" || return 1
  export VOLNAR_TLS_DIR=$dir
}

# Builds the Windows program and tests.
volnar_build_win32() {
  cmake -S "$VOLNAR_ROOT" -B "$VOLNAR_ROOT/build/win32" \
    -DCMAKE_TOOLCHAIN_FILE="$VOLNAR_ROOT/cmake/mingw-i686.cmake" >/dev/null &&
    cmake --build "$VOLNAR_ROOT/build/win32" -j"$(nproc)"
}
