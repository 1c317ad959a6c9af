#!/usr/bin/env python3
"""Writes resources/click.wav: the radio's button click.

A 184-byte WAV image: "fmt " (PCM, mono, 22050 Hz, 8-bit), "fact" (127
samples), "data" (127 bytes and its pad byte). The samples are a burst of
bright noise at full scale: they span 0..255 around a mean near 133, start
and stop without a fade, and carry about four fifths of their energy above
4 kHz. The noise comes from a fixed seed, so the file is made the same way
every time.
"""
import cmath
import random
import struct
import sys

RATE = 22050
COUNT = 127


def high_share(samples, split_hz=4000.0):
    """The share of the burst's energy above split_hz (mean removed)."""
    mean = sum(samples) / len(samples)
    centred = [s - mean for s in samples]
    n = len(centred)
    low = high = 0.0
    for k in range(1, n // 2 + 1):
        bin_value = sum(centred[t] * cmath.exp(-2j * cmath.pi * k * t / n) for t in range(n))
        power = abs(bin_value) ** 2
        if k * RATE / n >= split_hz:
            high += power
        else:
            low += power
    return high / (low + high)


def burst(seed):
    rng = random.Random(seed)
    noise = [rng.uniform(-1.0, 1.0) for _ in range(COUNT + 1)]
    # A first difference tilts white noise towards the top of the band.
    bright = [noise[i + 1] - 0.9 * noise[i] for i in range(COUNT)]
    low, high = min(bright), max(bright)
    return [round((b - low) / (high - low) * 255) for b in bright]


def choose():
    # The first seed whose burst has the wanted mean and brightness.
    for seed in range(10000):
        samples = burst(seed)
        mean = sum(samples) / COUNT
        if 131.5 <= mean <= 134.5 and 0.78 <= high_share(samples) <= 0.84:
            return samples
    raise SystemExit("no burst of the wanted character")


def image(samples):
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)
    body = b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"fact" + struct.pack("<II", 4, COUNT)
    body += b"data" + struct.pack("<I", COUNT) + bytes(samples) + b"\0"
    return b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/click.wav"
    data = image(choose())
    assert len(data) == 184
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
