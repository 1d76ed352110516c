#!/usr/bin/env bash
# Makes the small audio fixtures in tests/fixtures that the test station serves.
# Each is a steady sine tone, so a test can tell by its frequency which one played.
# Needs sox, lame and ffmpeg; the results are committed, so tests need no encoder.
set -euo pipefail
out=$(cd "$(dirname "$0")/.." && pwd)/tests/fixtures
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

tone() {  # tone FILE.wav FREQ RATE SECONDS
  sox -n -r "$3" -c 2 -b 16 "$1" synth "$4" sine "$2" vol 0.5
}

# MP3, 128 kbit/s CBR, 44100 Hz stereo, 440 Hz.
tone "$tmp/a.wav" 440 44100 8
lame --quiet -b 128 --cbr -m j "$tmp/a.wav" "$out/tone440-44k-128.mp3"
# MPEG-2 MP3 at 24000 Hz (resampled on output), 64 kbit/s, 1000 Hz.
tone "$tmp/b.wav" 1000 48000 8
lame --quiet -b 64 --cbr --resample 24 "$tmp/b.wav" "$out/tone1000-24k-64.mp3"
# MPEG-2 MP3 at 16000 Hz, 32 kbit/s, 330 Hz: another frame size and rate.
tone "$tmp/c.wav" 330 22050 8
lame --quiet -b 32 --cbr --resample 16 "$tmp/c.wav" "$out/tone330-16k-32.mp3"
# AAC-LC in ADTS, 44100 Hz stereo, 96 kbit/s, 660 Hz.
tone "$tmp/d.wav" 660 44100 8
ffmpeg -loglevel error -y -i "$tmp/d.wav" -c:a aac -b:a 96k -f adts "$out/tone660-44k-lc.aac"
# AAC-LC in ADTS, 48000 Hz stereo, 64 kbit/s, 880 Hz.
tone "$tmp/e.wav" 880 48000 8
ffmpeg -loglevel error -y -i "$tmp/e.wav" -c:a aac -b:a 64k -f adts "$out/tone880-48k-lc.aac"
ls -l "$out"
