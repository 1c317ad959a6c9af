#!/usr/bin/env python3
"""Makes the audio files the radio's tests and demo presets play, all from
our own synthesis: tests/fixtures/ (one tiny file of each format, a longer
MIDI file, and a damaged copy of it) and Sound/ (short demo pieces for the
FM and AM presets of `make run`).

WAV and MIDI are written here; MP3 and WMA are encoded from WAV with
GStreamer's LAME and libav WMA v2 encoders (gst-launch-1.0).

    python3 tools/make_audio_samples.py        # from the repository root
"""
import math
import os
import random
import struct
import subprocess
import tempfile


def write_wav(path, samples, rate):
    """16-bit mono PCM from samples in -1..1."""
    frames = b"".join(struct.pack("<h", max(-32767, min(32767, round(s * 32767)))) for s in samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(frames)) + frames
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body)


def encode(wav, out, encoder):
    subprocess.run(
        ["gst-launch-1.0", "-q", "filesrc", "location=" + wav, "!", "wavparse", "!",
         "audioconvert", "!", "audioresample", "!", "audio/x-raw,rate=44100"] + encoder +
        ["!", "filesink", "location=" + out],
        check=True)


MP3 = ["!", "lamemp3enc", "target=bitrate", "bitrate=96", "cbr=true", "!", "xingmux"]
WMA = ["!", "avenc_wmav2", "bitrate=96000", "!", "asfmux"]


def encoded(out, samples, rate, encoder):
    with tempfile.TemporaryDirectory() as scratch:
        wav = os.path.join(scratch, "source.wav")
        write_wav(wav, samples, rate)
        encode(wav, out, encoder)


def tone(freq, seconds, rate, level=0.5):
    return [level * math.sin(2 * math.pi * freq * t / rate) for t in range(int(seconds * rate))]


def variable_length(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)


def write_midi(path, notes, program, tempo_us=500000, division=480):
    """Format 0: notes are (start beat, length in beats, key, velocity)."""
    events = []
    for start, length, key, velocity in notes:
        events.append((round(start * division), 1, bytes([0x90, key, velocity])))
        events.append((round((start + length) * division), 0, bytes([0x80, key, 0])))
    events.sort(key=lambda e: (e[0], e[1]))
    track = variable_length(0) + b"\xff\x51\x03" + tempo_us.to_bytes(3, "big")
    track += variable_length(0) + bytes([0xC0, program])
    now = 0
    for tick, _, message in events:
        track += variable_length(tick - now) + message
        now = tick
    track += variable_length(0) + b"\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, division))
        f.write(b"MTrk" + struct.pack(">I", len(track)) + track)


def track_chunk(events, end_tick):
    """One MTrk chunk from (tick, order, message bytes) events."""
    body = b""
    now = 0
    for tick, _, message in sorted(events, key=lambda e: (e[0], e[1])):
        body += variable_length(tick - now) + message
        now = tick
    body += variable_length(max(0, end_tick - now)) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def meta(kind, data):
    return b"\xff" + bytes([kind]) + variable_length(len(data)) + data


def write_midi_tracks(path, parts, tempo_us, division=480, beats_per_bar=3):
    """Format 1: a conductor track (tempo, metre, a marker at each bar), then
    one named track per part of (name, channel, program, notes)."""
    conductor = [(0, 0, meta(0x03, b"Waltz")), (0, 0, meta(0x51, tempo_us.to_bytes(3, "big"))),
                 (0, 0, meta(0x58, bytes([beats_per_bar, 2, 24, 8]))),
                 (0, 0, meta(0x59, bytes([0, 0])))]
    end = max(round((start + length) * division)
              for _, _, _, notes in parts for start, length, _, _ in notes)
    for bar in range(end // (beats_per_bar * division) + 1):
        conductor.append((bar * beats_per_bar * division, 1, meta(0x06, b"Bar %d" % (bar + 1))))
    chunks = track_chunk(conductor, end)
    for name, channel, program, notes in parts:
        events = [(0, 0, meta(0x03, name.encode())), (0, 0, bytes([0xC0 | channel, program]))]
        for start, length, key, velocity in notes:
            events.append((round(start * division), 2, bytes([0x90 | channel, key, velocity])))
            events.append((round((start + length) * division), 1, bytes([0x80 | channel, key, 0])))
        chunks += track_chunk(events, end)
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 1, 1 + len(parts), division) + chunks)


def long_waltz(path):
    """The demo waltz four times over, melody and bass on tracks of their own."""
    melody, bass = [], []
    for repeat in range(4):
        for start, length, key, velocity in waltz():
            part = melody if velocity == 100 else bass
            part.append((start + 21 * repeat, length, key, velocity))
    write_midi_tracks(path, [("Melody", 0, 0, melody), ("Bass", 1, 32, bass)], 400000)


def damaged(source, path, seed, rate):
    """A copy of source with each bit flipped at odds of one in rate."""
    rng = random.Random(seed)
    data = bytearray(open(source, "rb").read())
    for bit in range(len(data) * 8):
        if rng.randrange(rate) == 0:
            data[bit // 8] ^= 1 << (bit % 8)
    with open(path, "wb") as f:
        f.write(data)


# The seed whose damage sends GStreamer's MIDI parser round a track for
# ever (an event it has no length for, which it neither skips nor gives up
# on): found by trying seeds from 0 on, one bit in LOOPING_RATE flipped.
LOOPING_SEED = 7
LOOPING_RATE = 1000


def fixtures(folder):
    # WAV: 440 Hz then 880 Hz, so that a capture shows where the file starts.
    rate = 22050
    write_wav(os.path.join(folder, "tone.wav"),
              tone(440, 0.2, rate) + tone(880, 0.2, rate), rate)
    encoded(os.path.join(folder, "tone.mp3"), tone(660, 0.5, 44100), 44100, MP3)
    encoded(os.path.join(folder, "tone.wma"), tone(550, 0.5, 44100), 44100, WMA)
    # MIDI: one held A4 on a flute (program 73): steady and nearly pure.
    write_midi(os.path.join(folder, "tone.mid"), [(0, 0.8, 69, 110)], 73)
    # A file of a type nothing plays.
    with open(os.path.join(folder, "noise.bin"), "wb") as f:
        f.write(bytes(random.Random(7).randrange(256) for _ in range(4096)))
    # A longer MIDI file, and a damaged copy that makes the parser loop.
    long_waltz(os.path.join(folder, "waltz.mid"))
    damaged(os.path.join(folder, "waltz.mid"), os.path.join(folder, "looping.mid"),
            LOOPING_SEED, LOOPING_RATE)


def chimes(rate, seconds):
    """Bells: a few struck partials that ring down."""
    out = [0.0] * int(seconds * rate)
    strikes = [(0.0, 523.25), (0.5, 659.25), (1.0, 783.99), (1.5, 1046.5), (2.5, 783.99),
               (3.0, 659.25), (3.5, 523.25)]
    for at, freq in strikes:
        start = int(at * rate)
        for t in range(int(1.6 * rate)):
            if start + t >= len(out):
                break
            x = t / rate
            ring = sum(a * math.sin(2 * math.pi * freq * m * x) * math.exp(-x * d)
                       for m, a, d in ((1, 0.5, 2.5), (2.76, 0.2, 4.0), (5.4, 0.1, 7.0)))
            out[start + t] += 0.5 * ring
    return out


def pad(rate, seconds):
    """A slow chord pad, C major to A minor, with a soft swell."""
    out = []
    chords = [(261.63, 329.63, 392.0), (220.0, 261.63, 329.63)]
    for i in range(int(seconds * rate)):
        x = i / rate
        chord = chords[int(x / (seconds / 2)) % 2]
        swell = 0.6 + 0.4 * math.sin(2 * math.pi * 0.25 * x)
        out.append(0.18 * swell * sum(math.sin(2 * math.pi * f * x) +
                                      0.3 * math.sin(4 * math.pi * f * x) for f in chord))
    return out


def breeze(rate, seconds):
    """Surf-like noise that rises and falls, under a quiet whistle."""
    rng = random.Random(11)
    out = []
    smooth = 0.0
    for i in range(int(seconds * rate)):
        x = i / rate
        smooth = 0.97 * smooth + 0.03 * rng.uniform(-1, 1)
        wave = 0.5 + 0.5 * math.sin(2 * math.pi * 0.3 * x)
        out.append(2.5 * smooth * wave + 0.12 * math.sin(2 * math.pi * (880 + 40 * math.sin(x)) * x))
    return out


def waltz():
    melody = [67, 72, 76, 74, 72, 71, 72, 74, 76, 77, 76, 74, 72, 67, 72, 76, 79, 77, 76, 74, 72]
    notes = [(i, 0.9, key, 100) for i, key in enumerate(melody)]
    bass = [48, 43, 48, 43, 48, 43, 48]
    notes += [(3 * i, 2.8, key, 70) for i, key in enumerate(bass)]
    return notes


def demos(folder):
    write_wav(os.path.join(folder, "chimes.wav"), chimes(22050, 4.5), 22050)
    encoded(os.path.join(folder, "pad.mp3"), pad(44100, 6.0), 44100, MP3)
    encoded(os.path.join(folder, "breeze.wma"), breeze(44100, 6.0), 44100, WMA)
    write_midi(os.path.join(folder, "waltz.mid"), waltz(), 0, tempo_us=400000)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    os.makedirs(os.path.join(root, "tests", "fixtures"), exist_ok=True)
    os.makedirs(os.path.join(root, "Sound"), exist_ok=True)
    fixtures(os.path.join(root, "tests", "fixtures"))
    demos(os.path.join(root, "Sound"))


if __name__ == "__main__":
    main()
