# Sourced by the run and test scripts: a Wine prefix, a captured sound device
# and an X display for running volnar.exe and the Windows tests.
#
#   volnar_wine_prefix DIR      WINEPREFIX=DIR/prefix (DIR/prefix64 for the 64-bit build),
#                               created on first use
#   volnar_capture_audio DIR    every sample played lands in DIR/out.raw, at real-time
#                               rate (a private PulseAudio null sink, its monitor recorded)
#   volnar_capture_stop         ends that recording (the sound server stays up)
#   volnar_pulse_start          the private sound server alone (PULSE_SERVER exported)
#   volnar_wine_audio pulse|alsa   the prefix's audio driver
#   volnar_test_tls DIR         test certificates in DIR, the test authority trusted by
#                               the prefix (exports VOLNAR_TLS_DIR)
#   volnar_trust_test_tls DIR   that authority trusted by the current prefix as well
#   volnar_display              uses $DISPLAY, or starts Xvfb when there is none
#   volnar_wine_end             ends the prefix's wineserver, our sound server and Xvfb

#   volnar_runs_32bit           true when this machine runs 32-bit Linux programs
#
# Sourcing it picks the width of the Windows build that is run here
# (VOLNAR_WIN_WIDTH, 32 or 64; set it beforehand to choose): 32 where the machine
# runs 32-bit programs, else 64 with 64-bit Wine. VOLNAR_WIN_DIR is that build's
# folder (build/win32 or build/win64). The shipped volnar.exe is always the 32-bit
# one in build/win32, built on every machine.

VOLNAR_ROOT=${VOLNAR_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=${WINEDEBUG:--all}

# Some kernels run no 32-bit program at all ("Exec format error"), and then 32-bit
# Wine cannot start. Only trying tells: a minimal static i386 program that exits 0
# (ELF header, one program header, then mov eax,1; xor ebx,ebx; int 0x80).
volnar_runs_32bit() {
  local probe rc
  probe=$(mktemp /tmp/volnar-probe32.XXXXXX) || return 1
  python3 - "$probe" <<'PY' || { rm -f "$probe"; return 1; }
import struct, sys
code = bytes([0xb8, 1, 0, 0, 0, 0x31, 0xdb, 0xcd, 0x80])
base, ehsize, phsize = 0x08048000, 52, 32
size = ehsize + phsize + len(code)
header = b"\x7fELF" + bytes([1, 1, 1]) + bytes(9) + struct.pack(
    "<HHIIIIIHHHHHH", 2, 3, 1, base + ehsize + phsize, ehsize, 0, 0, ehsize, phsize, 1, 0, 0, 0)
segment = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], "wb").write(header + segment + code)
PY
  chmod +x "$probe"
  "$probe" 2>/dev/null
  rc=$?
  rm -f "$probe"
  return $rc
}

# Debian's wine wrapper (and the wineboot/winepath launchers, which call it) always
# takes the 32-bit loader once wine32 is installed, even where it cannot run: for
# the 64-bit build, "wine" on PATH becomes the 64-bit loader itself.
volnar_wine64_path() {
  local bin=$VOLNAR_ROOT/build/wine64-bin name
  mkdir -p "$bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/$name"
    chmod +x "$bin/$name"
  done
  case ":$PATH:" in *":$bin:"*) ;; *) export PATH=$bin:$PATH ;; esac
  export WINELOADER=/usr/lib/wine/wine64
}

volnar_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if [ -n "${VOLNAR_WIN_WIDTH:-}" ]; then
  VOLNAR_WIN_WHY=${VOLNAR_WIN_WHY:-chosen by VOLNAR_WIN_WIDTH}
elif volnar_runs_32bit && ! volnar_installed wine32:i386 && volnar_installed wine64; then
  # tools/install-deps.sh took the 64-bit packages when the 32-bit ones could not be had.
  VOLNAR_WIN_WIDTH=64 VOLNAR_WIN_WHY="only the 64-bit Wine is installed here"
elif volnar_runs_32bit; then
  VOLNAR_WIN_WIDTH=32 VOLNAR_WIN_WHY="this machine runs 32-bit programs"
else
  VOLNAR_WIN_WIDTH=64 VOLNAR_WIN_WHY="this machine runs no 32-bit programs"
fi
export VOLNAR_WIN_WIDTH VOLNAR_WIN_WHY

volnar_use_width() {
  if [ "$VOLNAR_WIN_WIDTH" = 64 ]; then
    export WINEARCH=win64
    export VOLNAR_WIN_DIR=$VOLNAR_ROOT/build/win64
    volnar_wine64_path
  else
    export WINEARCH=win32
    export VOLNAR_WIN_DIR=$VOLNAR_ROOT/build/win32
  fi
}
volnar_use_width

# Installs what building and testing need (tools/install-deps.sh, as root). Where
# the 32-bit packages cannot be had now, it installs the 64-bit ones and the
# 64-bit build is the one run here.
volnar_install_deps() {
  local rc
  if [ "$(id -u)" = 0 ]; then bash "$VOLNAR_ROOT/tools/install-deps.sh"
  else sudo env VOLNAR_WIN_WIDTH="$VOLNAR_WIN_WIDTH" bash "$VOLNAR_ROOT/tools/install-deps.sh"; fi
  rc=$?
  if [ "$rc" = 3 ]; then
    export VOLNAR_WIN_WIDTH=64 VOLNAR_WIN_WHY="the 32-bit Wine packages could not be installed"
    volnar_use_width
    rc=0
  fi
  return $rc
}

volnar_wine_prefix() {
  local dir=$1
  mkdir -p "$dir"
  # A prefix is made for one width and refuses the other.
  if [ "$VOLNAR_WIN_WIDTH" = 64 ]; then export WINEPREFIX=$dir/prefix64; else export WINEPREFIX=$dir/prefix; fi
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
  # A program that crashes gets Wine's debugger, which by default opens a dialog and
  # waits for someone to close it: on a display nobody looks at, until the time
  # limit. Without the dialog the debugger writes the backtrace to the log and the
  # program ends at once.
  if ! grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
    wineserver -w
  fi
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
  # Its debug log says when a client's stream ran empty (the e2e checks read it).
  export VOLNAR_PULSE_LOG=$VOLNAR_PULSE_DIR/server.log
  # Anonymous access is safe: the socket lives in a folder only we can enter.
  HOME=$VOLNAR_PULSE_DIR/home XDG_RUNTIME_DIR=$VOLNAR_PULSE_DIR XDG_CONFIG_HOME=$VOLNAR_PULSE_DIR/home \
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --use-pid-file=yes \
      --log-target="file:$VOLNAR_PULSE_LOG" --log-level=debug \
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
  volnar_trust_test_tls "$dir" || return 1
  export VOLNAR_TLS_DIR=$dir
}

# volnar_trust_test_tls DIR: the authority of certificates made before trusted by
# the current prefix too.
volnar_trust_test_tls() {
  local tool=$VOLNAR_WIN_DIR/trustca_win.exe
  [ -x "$tool" ] || return 1
  wine "$tool" "$(winepath -w "$1/ca.pem" 2>/dev/null)"
}

# volnar_build_width 32|64 [TARGET...]: configures and builds build/win32 or
# build/win64 (all targets unless some are named), with $VOLNAR_CMAKE_ARGS.
volnar_build_width() {
  local width=$1 dir toolchain flags
  shift
  # No debug information: the shipped program is stripped, and the tests and tools
  # keep their symbols for Wine's backtraces; it took a third of the build's time.
  # The 64-bit build that the test command makes is only for its tests: -O1
  # compiles faster still (benchmarks build it with -O2, as shipped).
  if [ "$width" = 64 ]; then dir=win64 toolchain=mingw-x86_64.cmake; else dir=win32 toolchain=mingw-i686.cmake; fi
  flags="-O2 -DNDEBUG"
  [ "$width" = 64 ] && [ "${VOLNAR_TESTS_ONLY:-0}" = 1 ] && flags="-O1 -DNDEBUG"
  # shellcheck disable=SC2086  # VOLNAR_CMAKE_ARGS: further -D options, split on spaces
  cmake -S "$VOLNAR_ROOT" -B "$VOLNAR_ROOT/build/$dir" \
    -DCMAKE_TOOLCHAIN_FILE="$VOLNAR_ROOT/cmake/$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$flags" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$flags" \
    ${VOLNAR_CMAKE_ARGS:-} >/dev/null &&
    cmake --build "$VOLNAR_ROOT/build/$dir" -j"$(nproc)" ${1:+--target "$@"}
}

# The shipped 32-bit program; where 32-bit programs run, also the tests and tools
# beside it, since they run from there.
volnar_build_shipped() {
  if [ "$VOLNAR_WIN_WIDTH" = 64 ]; then volnar_build_width 32 volnar; else volnar_build_width 32; fi
}
volnar_build_win64() { volnar_build_width 64; }

# Everything that runs here: the shipped program, and the build of the width
# that this machine runs (VOLNAR_WIN_DIR) with its tests and tools.
volnar_build_win() {
  volnar_build_shipped || return 1
  [ "$VOLNAR_WIN_WIDTH" = 64 ] && { volnar_build_win64 || return 1; }
  return 0
}

# The shipped program is what we promise: a PE32 (i386) executable that needs no DLL
# but the system's, none of the compiler's runtime.
volnar_check_shipped() {
  local exe=$1 head dlls dll bad=0
  [ -f "$exe" ] || { echo "$exe is not built"; return 1; }
  head=$(i686-w64-mingw32-objdump -f -p "$exe") || return 1
  grep -q 'file format pei-i386' <<<"$head" || { echo "$exe is not a PE32 i386 executable"; bad=1; }
  grep -qE '^Magic[[:space:]]+010b' <<<"$head" || { echo "$exe has no PE32 optional header"; bad=1; }
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$head")
  [ -n "$dlls" ] || { echo "$exe imports nothing: cannot read its imports"; bad=1; }
  for dll in $dlls; do
    # The compiler's runtime DLLs (libstdc++, libgcc, winpthread) are all named lib*.
    if [[ "${dll,,}" == lib* ]] || ls /usr/lib/gcc/i686-w64-mingw32/*/"$dll" /usr/i686-w64-mingw32/lib/"$dll" >/dev/null 2>&1; then
      echo "$exe needs the runtime DLL $dll"; bad=1
    fi
  done
  [ "$bad" = 0 ] && echo "$exe: PE32 i386, imports only system DLLs: $(tr '\n' ' ' <<<"$dlls")"
  return $bad
}
