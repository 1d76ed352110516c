#!/usr/bin/env bash
# Installs what building, running and testing the player needs on a Debian machine.
# Safe to run again: packages that are already there are skipped.
set -euo pipefail

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Which Windows build runs here (32 or 64, tools/wine-env.sh finds out).
source "$(dirname "$0")/wine-env.sh"

# The shipped program is the 32-bit one, built on every machine.
common=(cmake make g++ googletest
        g++-mingw-w64-i686-posix mingw-w64-i686-dev
        xvfb x11-utils xdotool imagemagick fonts-wine
        sox lame ffmpeg python3 clang libclang-rt-14-dev
        pulseaudio-utils icecast2 openssl libstb-dev)
common+=(nlohmann-json3-dev)  # JSON of the station directory and the catalogue's stored data
common+=(chromium)  # the catalogue's pages in a real browser, driven by npm's playwright-core
command -v npm >/dev/null || common+=(nodejs npm)
# The tests' paced sound device is a private PulseAudio server. A desktop that runs
# PipeWire's pulse server keeps it: the two packages exclude each other.
have pipewire-pulse || common+=(pulseaudio)
[ "${VOLNAR_BENCH:-0}" = 1 ] && common+=(mpv)
# Where 32-bit programs run, the fuzzers are built as 32-bit programs, as the shipped
# one is: a length read from the network that wraps a 32-bit size_t shows there.
volnar_runs_32bit && common+=(g++-multilib)

# No 32-bit program runs here: the tests run the 64-bit build under 64-bit Wine,
# with the 64-bit decoders (GStreamer) and sound client. wine32 stays out: with it
# installed, Debian's launchers pick its loader even though it cannot start.
win64=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
       wine wine64 gstreamer1.0-libav gstreamer1.0-plugins-good libpulse0)
# libasound2-plugins:i386: on a machine with PulseAudio, ALSA's configuration
# loads a pulse hook; without its 32-bit build Wine's ALSA driver finds no
# default device at all, not even the tests' capture file.
win32=(wine wine32:i386 gstreamer1.0-libav:i386 gstreamer1.0-plugins-good:i386
       libasound2-plugins:i386 libpulse0:i386)

export DEBIAN_FRONTEND=noninteractive
updated=0
# A mirror in the middle of a sync answers some index files with the wrong size
# ("Mirror sync in progress?") and apt-get update fails as a whole; it is
# consistent again a little later. Asks again a few times; what cannot be had
# even so fails the install that needs it.
update_lists() {
  local try
  for try in 1 2 3; do
    apt-get update -qq && { updated=1; return 0; }
    [ "$try" = 3 ] && break
    echo "apt-get update failed (try $try of 3); asking again in 15 s"
    sleep 15
  done
  updated=1
  return 1
}

# install PACKAGE...: those not installed yet; 0 when all are there.
install() {
  local p need=() try
  for p in "$@"; do have "$p" || need+=("$p"); done
  [ ${#need[@]} = 0 ] && return 0
  echo "installing: ${need[*]}"
  [ "$updated" = 1 ] || update_lists || true
  for try in 1 2; do
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null && return 0
    [ "$try" = 2 ] && break
    echo "apt-get install failed; the lists again in 20 s"
    sleep 20
    apt-get update -qq || true
  done
  return 1
}

if [ "$VOLNAR_WIN_WIDTH" = 64 ]; then
  install "${common[@]}" "${win64[@]}"
  exit
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  updated=0
fi
install "${common[@]}" "${win32[@]}" && exit 0
# The i386 lists can lag behind the amd64 ones (a mirror that has not synced its
# i386 security updates yet): then the 32-bit libraries cannot match the 64-bit
# ones that are installed and nothing 32-bit installs. The 64-bit path of the
# tests needs none of them. Exit code 3 tells the caller to take it.
echo "the 32-bit Wine packages cannot be installed here now; installing the 64-bit ones"
install "${common[@]}" "${win64[@]}" || exit 1
exit 3
