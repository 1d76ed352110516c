#!/usr/bin/env bash
# Fetches the sources of the libraries in third_party/ from Debian's source
# packages, checks each archive against the SHA-256 recorded below, and unpacks
# only the files our build compiles (with each library's licence), unchanged.
# Run as root (apt-get); the system's own apt set-up is not touched: a private
# deb-src list, state and cache live in a temporary folder. The result is
# committed; building never fetches anything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tp=$root/third_party

# package version archive sha256
archives=(
  "opus 1.3.1-3 opus_1.3.1.orig.tar.gz 65b58e1e25b2a114157014736a3d9dfeaad8d41be1c8179866f144a2fb44ff9d"
  "libsdl2-mixer 2.6.2+dfsg-2 libsdl2-mixer_2.6.2+dfsg.orig.tar.xz 648d9545a92a4839b5edecc775d54608516bc8963d609a8d2193df94518ca072"
)

A=$(mktemp -d)
trap 'rm -rf "$A"' EXIT
mkdir -p "$A/parts" "$A/lists/partial" "$A/cache/archives/partial" "$A/src"
sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$A/parts/src.sources"
O=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$A/parts"
   -o "Dir::State::Lists=$A/lists" -o "Dir::Cache=$A/cache")
apt-get "${O[@]}" -qq update
cd "$A/src"
for entry in "${archives[@]}"; do
  read -r package version file sha <<<"$entry"
  apt-get "${O[@]}" -qq source --download-only "$package=$version" >/dev/null
  echo "$sha  $file" | sha256sum -c --quiet - || { echo "$file: SHA-256 differs from the recorded one"; exit 1; }
done

# extract ARCHIVE DEST STRIP PATTERN...: the members matching the patterns,
# without their first STRIP folders, into third_party/DEST (emptied first).
extract() {
  local archive=$1 dest=$tp/$2 strip=$3
  shift 3
  rm -rf "$dest"
  mkdir -p "$dest"
  tar -xf "$A/src/$archive" -C "$dest" --strip-components="$strip" --wildcards --no-anchored \
    --exclude='*/tests/*' --exclude='*_demo.c' --exclude='*/opus_compare.c' "$@"
}

# libopus, float build: the public headers, CELT, SILK with its float parts, the
# glue in src/; no SIMD folders (built without run-time CPU detection).
extract opus_1.3.1.orig.tar.gz opus-1.3.1 1 \
  'opus-1.3.1/COPYING' 'opus-1.3.1/AUTHORS' 'opus-1.3.1/include/*.h' \
  'opus-1.3.1/celt/*.[ch]' 'opus-1.3.1/silk/*.[ch]' 'opus-1.3.1/src/*.[ch]' \
  --exclude='*/celt/arm/*' --exclude='*/celt/x86/*' --exclude='*/celt/mips/*' \
  --exclude='*/silk/arm/*' --exclude='*/silk/x86/*' --exclude='*/silk/mips/*' --exclude='*/silk/fixed/*'
# dr_flac: one header and the licence of the dr_libs it comes from.
extract libsdl2-mixer_2.6.2+dfsg.orig.tar.xz dr_flac-0.12.38 4 '*/src/codecs/dr_libs/dr_flac.h' '*/src/codecs/dr_libs/LICENSE'
find "$tp" -type f | sort | sed "s|$tp/||"
