#!/usr/bin/env bash
# Makes the small audio fixtures in tests/fixtures that the test station serves.
# Each is a steady sine tone, so a test can tell by its frequency which one played;
# one steps its frequency every quarter second, so a repeat or a loss shows.
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
# MP3, 128 kbit/s CBR, 44100 Hz stereo: 32 steps of 0.25 s, 400 Hz + 50 Hz per step
# (400 .. 1950 Hz), phase-continuous, 8 s in all. Heard in order, the frequency only
# ever rises by one step (and wraps at the loop); a repeat steps back, a gap is silence.
python3 - "$tmp/f.wav" <<'PY'
import math, struct, sys, wave
rate, step, n = 44100, 0.25, 32
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate)
    phase, frames = 0.0, bytearray()
    for i in range(n):
        f = 400 + 50 * i
        for _ in range(int(rate * step)):
            v = int(16384 * math.sin(phase))
            frames += struct.pack("<hh", v, v)
            phase += 2 * math.pi * f / rate
    w.writeframes(bytes(frames))
PY
lame --quiet -b 128 --cbr -m j -t "$tmp/f.wav" "$out/steps400-44k-128.mp3"
# Ogg Vorbis, 44100 Hz stereo, 550 Hz, with artist and title comments; and a
# second stream at 22050 Hz mono, 770 Hz, with other comments: played one after
# the other they make a chained stream whose rate, channels and title change.
# Bit-exact, so that the files (and their serial numbers) do not change from run to run.
tone "$tmp/g.wav" 550 44100 3
ffmpeg -loglevel error -y -i "$tmp/g.wav" -c:a libvorbis -q:a 0 -fflags +bitexact -flags:a +bitexact \
  -metadata ARTIST="First Artist" -metadata TITLE="Tone 550" "$out/tone550-44k-q0.ogg"
sox -n -r 22050 -c 1 -b 16 "$tmp/h.wav" synth 2 sine 770 vol 0.5
ffmpeg -loglevel error -y -i "$tmp/h.wav" -c:a libvorbis -q:a 0 -fflags +bitexact -flags:a +bitexact \
  -metadata ARTIST="Second Artist" -metadata TITLE="Tone 770" "$out/tone770-22k-mono.ogg"
# A station's own Ogg stream: its comments name the station (and a label, which the
# station field goes before).
tone "$tmp/s.wav" 580 44100 3
ffmpeg -loglevel error -y -i "$tmp/s.wav" -c:a libvorbis -q:a 0 -fflags +bitexact -flags:a +bitexact \
  -metadata TITLE="Tone 580" -metadata ORGANIZATION="Label" -metadata STATION="Радио Волна" \
  "$out/tone580-44k-station.ogg"
# The AAC tone above as fragmented MP4 HLS segments (init.mp4, seg0.m4s, seg1.m4s): the
# same AAC frames without their ADTS headers, which the fMP4 reader must give back.
mkdir -p "$out/hls-fmp4" "$tmp/fmp4"
ffmpeg -loglevel error -y -i "$out/tone660-44k-lc.aac" -c:a copy -bsf:a aac_adtstoasc -f hls -hls_time 2 \
  -hls_segment_type fmp4 -hls_fmp4_init_filename init.mp4 -hls_segment_filename "$tmp/fmp4/seg%d.m4s" \
  -hls_list_size 0 -hls_playlist_type vod "$tmp/fmp4/index.m3u8"
cp "$tmp/fmp4/init.mp4" "$tmp/fmp4/seg0.m4s" "$tmp/fmp4/seg1.m4s" "$out/hls-fmp4/"
# Ogg Opus (always 48 kHz): stereo 600 Hz and mono 900 Hz, each with artist and title;
# played one after the other they make a chained stream whose channels and title change.
tone "$tmp/i.wav" 600 48000 3
ffmpeg -loglevel error -y -i "$tmp/i.wav" -c:a libopus -b:a 64k -fflags +bitexact -flags:a +bitexact \
  -metadata ARTIST="Opus Artist" -metadata TITLE="Tone 600" "$out/tone600-48k.opus"
sox -n -r 48000 -c 1 -b 16 "$tmp/j.wav" synth 2 sine 900 vol 0.5
ffmpeg -loglevel error -y -i "$tmp/j.wav" -c:a libopus -b:a 32k -fflags +bitexact -flags:a +bitexact \
  -metadata ARTIST="Second Opus" -metadata TITLE="Tone 900" "$out/tone900-48k-mono.opus"
# FLAC, native: 16-bit 44100 Hz stereo 500 Hz, and 24-bit 48000 Hz mono 700 Hz.
tone "$tmp/k.wav" 500 44100 3
ffmpeg -loglevel error -y -i "$tmp/k.wav" -c:a flac -fflags +bitexact -flags:a +bitexact \
  -metadata ARTIST="Flac Artist" -metadata TITLE="Tone 500" "$out/tone500-44k-16.flac"
sox -n -r 48000 -c 1 -b 24 "$tmp/l.wav" synth 2 sine 700 vol 0.5
ffmpeg -loglevel error -y -i "$tmp/l.wav" -c:a flac -sample_fmt s32 -fflags +bitexact -flags:a +bitexact \
  -metadata TITLE="Tone 700" "$out/tone700-48k-24-mono.flac"
# FLAC in Ogg: 16-bit 48000 Hz stereo 800 Hz, and 24-bit 44100 Hz mono 650 Hz (a chain
# of the two changes rate, channels, depth and title).
tone "$tmp/m.wav" 800 48000 3
ffmpeg -loglevel error -y -i "$tmp/m.wav" -c:a flac -fflags +bitexact -flags:a +bitexact \
  -metadata ARTIST="Ogg Flac" -metadata TITLE="Tone 800" -f ogg "$out/tone800-48k-16.oga"
sox -n -r 44100 -c 1 -b 24 "$tmp/n.wav" synth 2 sine 650 vol 0.5
ffmpeg -loglevel error -y -i "$tmp/n.wav" -c:a flac -sample_fmt s32 -fflags +bitexact -flags:a +bitexact \
  -metadata ARTIST="Ogg Flac" -metadata TITLE="Tone 650" -f ogg "$out/tone650-44k-24-mono.oga"
# HE-AAC v1 (SBR) and v2 (SBR and parametric stereo) in ADTS, 44100 Hz stereo, 8 s:
# 740 Hz at 48 kbit/s and 370 Hz at 32 kbit/s. The ADTS headers say AAC-LC at 22050 Hz
# (v2: one channel); the decoder doubles the rate and makes stereo. No free encoder
# makes HE-AAC: these were made with Debian's non-free fdk-aac encoder (aac-enc 2.0.2,
# libfdk-aac2), which this script never installs. Point AAC_ENC at a folder where both
# packages were unpacked to make them again:
#   apt-get download aac-enc libfdk-aac2   # with "non-free" in a (private) source list
#   dpkg -x aac-enc_*.deb DIR; dpkg -x libfdk-aac2_*.deb DIR
# Without AAC_ENC the committed files stay as they are.
if [ -n "${AAC_ENC:-}" ]; then
  he() {  # he OUT AOT KBITS FREQ
    tone "$tmp/he.wav" "$4" 44100 8
    LD_LIBRARY_PATH="$AAC_ENC/usr/lib/x86_64-linux-gnu" "$AAC_ENC/usr/bin/aac-enc" -t "$2" -r "$(($3 * 1000))" \
      "$tmp/he.wav" "$out/$1" >/dev/null
  }
  he tone740-44k-he1.aac 5 48 740
  he tone370-44k-he2.aac 29 32 370
fi
ls -l "$out"
