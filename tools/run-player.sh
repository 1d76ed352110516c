#!/usr/bin/env bash
# Builds volnar.exe and runs it under Wine, with local demo stations.
#
# Installs what it needs, starts the local test station (tools/station.py) as the demo
# stations, builds the Windows program with its built-in catalogue (asking the public
# station directory, or, where that cannot be reached, a local stand-in listing the demo
# stations: tools/directory_standin.py), and runs the player in the foreground in a
# Wine prefix of its own (~/.cache/volnar-wine, or $VOLNAR_WINE_DIR). When the player
# has no station yet, the first demo station is stored as its last station, so Play
# works at once. Sound goes to the desktop's sound server (PulseAudio or PipeWire) or
# sound card when there is one, otherwise to a file at real-time pace. Without a
# display it runs on a virtual one (Xvfb) and saves a screenshot.
# Everything it started is ended when the player exits.
set -uo pipefail
VOLNAR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$VOLNAR_ROOT"
source tools/wine-env.sh

say() { echo "run-player: $*"; }

volnar_install_deps || {
  say "installing the build tools failed"; exit 1; }

wine_dir=${VOLNAR_WINE_DIR:-$HOME/.cache/volnar-wine}
work=$(mktemp -d /tmp/volnar-player.XXXXXX)
station_pid=
directory_pid=
shot_pid=

cleanup() {
  [ -n "$shot_pid" ] && kill "$shot_pid" 2>/dev/null
  if [ -n "$directory_pid" ]; then
    kill "$directory_pid" 2>/dev/null
    wait "$directory_pid" 2>/dev/null
  fi
  if [ -n "$station_pid" ]; then
    kill "$station_pid" 2>/dev/null
    wait "$station_pid" 2>/dev/null
  fi
  volnar_wine_end
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# start_server NAME FIRST LAST COMMAND...: runs COMMAND --port P --port-file F for the
# first free port P from FIRST to LAST; sets server_port and server_pid (empty when none
# was free).
start_server() {
  local name=$1 first=$2 last=$3 p i
  shift 3
  server_port=
  server_pid=
  for p in $(seq "$first" "$last"); do
    rm -f "$work/$name.port"
    "$@" --port "$p" --port-file "$work/$name.port" --quiet >"$work/$name.log" 2>&1 &
    server_pid=$!
    for i in $(seq 50); do
      [ -s "$work/$name.port" ] && break
      kill -0 "$server_pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$work/$name.port" ]; then server_port=$(cat "$work/$name.port"); return 0; fi
    wait "$server_pid" 2>/dev/null
    server_pid=
  done
  return 1
}

# The demo stations: the same port each run when it is free, so the station the
# player saves at exit still plays next time.
start_server station 8765 8799 python3 tools/station.py
station_pid=$server_pid
port=$server_port
if [ -z "$port" ]; then say "could not start the demo stations (ports 8765-8799 busy?)"; exit 1; fi
station="http://127.0.0.1:$port"
say "demo stations: $station/demo/1 .. $station/demo/4"

# The station directory of the built-in catalogue: the public one when it answers from
# here, otherwise a local stand-in that lists the demo stations in the directory's own
# format (usually on the same port each run, so nothing is rebuilt).
# VOLNAR_DIRECTORY=standin uses the stand-in without asking the public directory.
directory_url=
if [ "${VOLNAR_DIRECTORY:-}" != standin ] && curl -fsS --max-time 5 -A "VolnarRadio/1.0" -o /dev/null \
     "https://all.api.radio-browser.info/json/stats" 2>/dev/null; then
  say "station directory: the public one (api.radio-browser.info)"
else
  start_server directory 8770 8774 python3 tools/directory_standin.py --station "$station"
  directory_pid=$server_pid
  if [ -z "$server_port" ]; then say "could not start the directory stand-in (ports 8770-8774 busy?)"; exit 1; fi
  directory_url="http://127.0.0.1:$server_port"
  say "the public station directory cannot be reached from here:"
  say "  the catalogue lists the demo stations from a local stand-in at $directory_url"
fi

mkdir -p build
# The shipped program is the 32-bit one; where no 32-bit program runs, the 64-bit
# build of the same sources is the one run here.
dirs=(win32)
toolchains=(mingw-i686.cmake)
if [ "$VOLNAR_WIN_WIDTH" = 64 ]; then
  dirs+=(win64)
  toolchains+=(mingw-x86_64.cmake)
  say "running the 64-bit build (build/win64) under 64-bit Wine: $VOLNAR_WIN_WHY"
fi
say "building volnar.exe in build/${dirs[*]} (built-in catalogue at http://127.0.0.1:47471)"
: >build/run-player-build.log
configured=0
for i in "${!dirs[@]}"; do
  cmake -S "$VOLNAR_ROOT" -B "$VOLNAR_ROOT/build/${dirs[$i]}" \
    -DCMAKE_TOOLCHAIN_FILE="$VOLNAR_ROOT/cmake/${toolchains[$i]}" \
    -DVOLNAR_CATALOGUE_HOST= -DVOLNAR_DIRECTORY_URL="$directory_url" >>build/run-player-build.log 2>&1 || configured=1
done
if [ "$configured" != 0 ] || ! volnar_build_win >>build/run-player-build.log 2>&1; then
  say "the build failed; see build/run-player-build.log"
  grep -m 20 -E 'error|Error' build/run-player-build.log
  exit 1
fi

# The display comes before any Wine command: a Wine session started without one keeps
# a desktop on which no window can be created.
had_display=${DISPLAY:-}
volnar_display || { say "no display and Xvfb did not start"; exit 1; }

volnar_wine_prefix "$wine_dir"
say "Wine prefix: $WINEPREFIX (the first start takes ~30 s)"

# The player's last station: set to the first demo station when there is none, or
# when it is one of our demo stations on a port that is no longer ours.
last=$(wine reg query 'HKCU\SOFTWARE\Volnar' /v lasturl 2>/dev/null | tr -d '\r' |
       sed -n 's/^ *lasturl *REG_[A-Z_]* *//p')
if [ -z "$last" ] || { [[ "$last" == http://127.0.0.1:87??/demo/* ]] && [[ "$last" != "$station"/* ]]; }; then
  wine reg add 'HKCU\SOFTWARE\Volnar' /v lasturl /t REG_SZ /d "$station/demo/1" /f >/dev/null 2>&1 &&
    say "last station set to $station/demo/1 (press Play)"
else
  say "last station: $last"
fi
wineserver -w

case "$(volnar_desktop_audio)" in
  pulse)
    # PulseAudio or PipeWire: Wine's pulse driver talks to it directly.
    if [ -z "${PULSE_SERVER:-}" ] && [ -z "${XDG_RUNTIME_DIR:-}" ]; then
      export PULSE_SERVER=unix:/run/user/$(id -u)/pulse/native
    fi
    volnar_wine_audio pulse
    say "sound: this desktop's sound server (through Wine's pulse driver)"
    ;;
  alsa)
    volnar_wine_audio alsa
    say "sound: this machine's sound card (through Wine's ALSA driver)"
    ;;
  *)
    mkdir -p build/player-audio
    volnar_capture_audio "$VOLNAR_ROOT/build/player-audio"
    say "no sound device here: the sound goes to build/player-audio/out.raw"
    say "  (raw 16-bit stereo 44100 Hz; listen with: play -t raw -r 44100 -e signed -b 16 -c 2 build/player-audio/out.raw)"
    ;;
esac

if [ -n "$VOLNAR_XVFB_PID" ] || [ -z "$had_display" ]; then
  say "no display: running on the virtual display $DISPLAY; a screenshot follows in ~8 s"
  (sleep 8 && import -window root "$VOLNAR_ROOT/build/screenshot.png" 2>/dev/null &&
     echo "run-player: screenshot saved to build/screenshot.png") &
  shot_pid=$!
fi

say "starting $VOLNAR_WIN_DIR/volnar.exe (close its window to end)"
(cd "$VOLNAR_WIN_DIR" && wine volnar.exe)
rc=$?
say "volnar.exe ended with code $rc"
exit "$rc"
