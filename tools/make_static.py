#!/usr/bin/env python3
"""Writes resources/static.wav: the soft radio static a station preset plays
while its station cannot be heard.

A WAV image of 1.5 s, mono, 22050 Hz, 16-bit: hiss (white noise softened
above a few kHz) whose level drifts slowly, with a sparse crackle. It loops
without a seam: the filter runs round the loop, and the drift makes whole
cycles in it. Its level is low on its own (RMS about -30 dB of full scale),
so it sits well under a station at the same volume. A fixed seed makes the
same file every time.
"""
import math
import random
import struct
import sys

RATE = 22050
COUNT = RATE * 3 // 2
LEVEL = 0.032  # RMS as a share of full scale


def hiss(rng):
    white = [rng.gauss(0.0, 1.0) for _ in range(COUNT)]
    # A one-pole low-pass run twice round the loop: the second lap starts
    # where the first ended, so the end joins the start.
    out = [0.0] * COUNT
    state = 0.0
    for lap in range(2):
        for i in range(COUNT):
            state += 0.45 * (white[i] - state)
            out[i] = state
    return out


def drift(i):
    # Whole cycles per loop: 1, 3 and 7.
    t = i / COUNT
    return 1.0 + 0.25 * math.sin(2 * math.pi * t) + 0.15 * math.sin(2 * math.pi * 3 * t + 1.0) \
        + 0.1 * math.sin(2 * math.pi * 7 * t + 2.0)


def crackle(rng, samples):
    for _ in range(9):
        at = rng.randrange(COUNT)
        size = rng.uniform(2.0, 4.0) * rng.choice((-1, 1))
        for k in range(24):
            samples[(at + k) % COUNT] += size * math.exp(-k / 4.0) * (1 if k % 2 == 0 else -0.6)


def static():
    rng = random.Random(1949)
    samples = [s * drift(i) for i, s in enumerate(hiss(rng))]
    crackle(rng, samples)
    mean = sum(samples) / COUNT
    samples = [s - mean for s in samples]
    rms = math.sqrt(sum(s * s for s in samples) / COUNT)
    return [max(-32767, min(32767, round(s / rms * LEVEL * 32767))) for s in samples]


def image(samples):
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    data = struct.pack("<%dh" % len(samples), *samples)
    body = b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/static.wav"
    with open(out, "wb") as f:
        f.write(image(static()))


if __name__ == "__main__":
    main()
