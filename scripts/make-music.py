#!/usr/bin/env python3
"""Writes the music test sound: a short, calm tune of soft bell-like notes over
slow chords, 16-bit PCM mono at the rate given (16000 by default), peaking a
little below full scale. Deterministic: the same file every time.

usage: make-music.py OUT.wav [RATE]
"""
import math
import struct
import sys
import wave

RATE = int(sys.argv[2]) if len(sys.argv) > 2 else 16000
BEAT = 0.375  # seconds (160 beats a minute)


def freq(note):
    """MIDI note number to Hz."""
    return 440.0 * 2 ** ((note - 69) / 12)


# Melody (MIDI note, beats) in C major, six bars; chords (notes, beats) below it.
MELODY = [
    (72, 1), (76, 1), (79, 1), (76, 1), (77, 1), (81, 1), (79, 2),
    (76, 1), (74, 1), (72, 1), (74, 1), (76, 1), (74, 1), (72, 2),
    (72, 1), (71, 1), (74, 1), (79, 1), (72, 4),
]
CHORDS = [
    ((48, 55, 64), 4), ((53, 57, 60), 4), ((48, 55, 64), 4), ((43, 50, 59), 4),
    ((43, 50, 55), 4), ((48, 52, 55), 4),
]


def bell(f, t, length):
    """A soft struck tone: a few harmonics that fade at their own pace."""
    if t >= length:
        return 0.0
    attack = min(t / 0.01, 1.0)
    release = min((length - t) / 0.05, 1.0)
    partials = ((1, 1.0, 2.2), (2, 0.35, 3.5), (3, 0.12, 5.0), (4.2, 0.05, 7.0))
    s = sum(a * math.exp(-t * d) * math.sin(2 * math.pi * f * k * t) for k, a, d in partials)
    return s * attack * release


def pad(f, t, length):
    """A slow chord tone: fades in and out, slightly detuned for warmth."""
    if t >= length:
        return 0.0
    env = math.sin(math.pi * t / length) ** 0.7
    return env * (math.sin(2 * math.pi * f * t) + 0.6 * math.sin(2 * math.pi * f * 1.003 * t)
                  + 0.2 * math.sin(4 * math.pi * f * t))


def render():
    total = sum(b for _, b in MELODY) * BEAT + 1.0
    n = int(total * RATE)
    out = [0.0] * n
    at = 0.0
    for note, beats in MELODY:
        length = beats * BEAT + 0.6
        f = freq(note)
        start = int(at * RATE)
        for i in range(int(length * RATE)):
            if start + i < n:
                out[start + i] += 0.55 * bell(f, i / RATE, length)
        at += beats * BEAT
    at = 0.0
    for notes, beats in CHORDS:
        length = beats * BEAT * 1.1
        start = int(at * RATE)
        for note in notes:
            f = freq(note)
            for i in range(int(length * RATE)):
                if start + i < n:
                    out[start + i] += 0.09 * pad(f, i / RATE, length)
        at += beats * BEAT
    # A short room echo, then a gentle fade at the very end.
    delay = int(0.19 * RATE)
    for i in range(delay, n):
        out[i] += 0.25 * out[i - delay]
    fade = int(0.8 * RATE)
    for i in range(fade):
        out[n - fade + i] *= 1.0 - i / fade
    peak = max(abs(s) for s in out) or 1.0
    scale = 0.7 * 32767 / peak  # about -3 dB of full scale
    return [int(round(s * scale)) for s in out]


def main():
    samples = render()
    with wave.open(sys.argv[1], "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(struct.pack("<%dh" % len(samples), *samples))


if __name__ == "__main__":
    main()
