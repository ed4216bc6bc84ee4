#!/usr/bin/env bash
# Makes the wizard's two test sounds in resources/WaveFiles/:
#   VoicePlayback.wav  a spoken sentence (espeak-ng)
#   MusicPlayback.wav  a short tune synthesised by scripts/make-music.py
# Both 16-bit PCM, mono, 16000 samples a second: the format the unit's sound
# card records in, so it plays them as they are. The files are checked in;
# run this only to make them again (needs espeak-ng, sox and python3).
set -euo pipefail
cd "$(dirname "$0")/.."
out=resources/WaveFiles
rate=16000
mkdir -p "$out"
for tool in espeak-ng sox python3; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install $tool)" >&2; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sentence="Hello. This is the speaker test of your Dravena conference unit. \
If you can hear this voice clearly, the loudspeaker works. \
Move the speaker slider until the level is comfortable for the room."
espeak-ng -v en-us -s 150 -a 120 -w "$tmp/voice.wav" "$sentence"
# Resample, leave a short pause at both ends and bring the peak to -3 dB of full scale.
sox "$tmp/voice.wav" -r "$rate" -c 1 -b 16 -e signed-integer "$out/VoicePlayback.wav" \
  pad 0.3 0.5 norm -3

python3 scripts/make-music.py "$tmp/music.wav" "$rate"
sox "$tmp/music.wav" -r "$rate" -c 1 -b 16 -e signed-integer "$out/MusicPlayback.wav"

for f in "$out/VoicePlayback.wav" "$out/MusicPlayback.wav"; do
  echo "$f: $(soxi -r "$f") Hz, $(soxi -c "$f") channel(s), $(soxi -b "$f") bits, $(soxi -d "$f")"
done
