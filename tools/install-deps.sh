#!/usr/bin/env bash
# Installs what building, running and testing the player needs on a Debian machine.
# Safe to run again: packages that are already there are skipped.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Which Windows build runs here (32 or 64, tools/wine-env.sh finds out).
source "$(dirname "$0")/wine-env.sh"

# The shipped program is the 32-bit one, built on every machine.
pkgs=(cmake make g++ googletest
      g++-mingw-w64-i686-posix mingw-w64-i686-dev
      xvfb x11-utils xdotool imagemagick fonts-wine
      sox lame ffmpeg python3 clang libclang-rt-14-dev
      pulseaudio-utils icecast2 openssl libstb-dev)
if [ "$VOLNAR_WIN_WIDTH" = 64 ]; then
  # No 32-bit program runs here: the tests run the 64-bit build under 64-bit Wine,
  # with the 64-bit decoders (GStreamer) and sound client. wine32 stays out: with it
  # installed, Debian's launchers pick its loader even though it cannot start.
  pkgs+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
         wine wine64 gstreamer1.0-libav gstreamer1.0-plugins-good libpulse0)
else
  # libasound2-plugins:i386: on a machine with PulseAudio, ALSA's configuration
  # loads a pulse hook; without its 32-bit build Wine's ALSA driver finds no
  # default device at all, not even the tests' capture file.
  pkgs+=(wine wine32:i386 gstreamer1.0-libav:i386 gstreamer1.0-plugins-good:i386
         libasound2-plugins:i386 libpulse0:i386)
fi
pkgs+=(nlohmann-json3-dev)  # JSON of the station directory and the catalogue's stored data
pkgs+=(chromium)  # the catalogue's pages in a real browser, driven by npm's playwright-core
command -v npm >/dev/null || pkgs+=(nodejs npm)
# The tests' paced sound device is a private PulseAudio server. A desktop that runs
# PipeWire's pulse server keeps it: the two packages exclude each other.
have pipewire-pulse || pkgs+=(pulseaudio)
[ "${VOLNAR_BENCH:-0}" = 1 ] && pkgs+=(mpv)

if [ "$VOLNAR_WIN_WIDTH" = 32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
