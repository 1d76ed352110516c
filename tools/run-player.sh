#!/usr/bin/env bash
# Builds volnar.exe and runs it under Wine, with local demo stations.
#
# Installs what it needs, starts the local test station (tools/station.py) as the demo
# stations and the demo catalogue page (tools/catalogue.py), builds the Windows program
# with that page as its catalogue, and runs the player in the foreground in a
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

if [ "$(id -u)" = 0 ]; then bash tools/install-deps.sh
else sudo env VOLNAR_WIN_WIDTH="$VOLNAR_WIN_WIDTH" bash tools/install-deps.sh; fi || {
  say "installing the build tools failed"; exit 1; }

wine_dir=${VOLNAR_WINE_DIR:-$HOME/.cache/volnar-wine}
work=$(mktemp -d /tmp/volnar-player.XXXXXX)
station_pid=
catalogue_pid=
shot_pid=

cleanup() {
  [ -n "$shot_pid" ] && kill "$shot_pid" 2>/dev/null
  if [ -n "$catalogue_pid" ]; then
    kill "$catalogue_pid" 2>/dev/null
    wait "$catalogue_pid" 2>/dev/null
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

# The demo catalogue (tools/catalogue.py): the page the player's browser opens, with
# play:, new: and playmain: links to the demo stations and a cookie of its own. The
# player is built with it as its catalogue host (usually the same port each run, so
# nothing is rebuilt; Wine here cannot render the page, Windows does).
start_server catalogue 8760 8764 python3 tools/catalogue.py --station "$station"
catalogue_pid=$server_pid
cat_port=$server_port
if [ -z "$cat_port" ]; then say "could not start the demo catalogue (ports 8760-8764 busy?)"; exit 1; fi
say "demo catalogue: http://127.0.0.1:$cat_port"

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
say "building volnar.exe in build/${dirs[*]} (catalogue host 127.0.0.1:$cat_port)"
: >build/run-player-build.log
configured=0
for i in "${!dirs[@]}"; do
  cmake -S "$VOLNAR_ROOT" -B "$VOLNAR_ROOT/build/${dirs[$i]}" \
    -DCMAKE_TOOLCHAIN_FILE="$VOLNAR_ROOT/cmake/${toolchains[$i]}" \
    -DVOLNAR_CATALOGUE_HOST="127.0.0.1:$cat_port" >>build/run-player-build.log 2>&1 || configured=1
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
