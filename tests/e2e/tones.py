#!/usr/bin/env python3
"""Splits a raw recording (s16le, mono, 48 kHz) into the notes it holds and prints each
note's onset (ms) and pitch (Hz), one note a line: a test's ear on the sound server."""
import math
import struct
import sys

RATE = 48000
WINDOW = 240  # 5 ms


def notes(samples, threshold=1000, min_gap_ms=60):
    loud = []
    for start in range(0, len(samples) - WINDOW, WINDOW):
        peak = max(abs(s) for s in samples[start:start + WINDOW])
        loud.append(peak >= threshold)
    found, current, quiet = [], None, 0
    for index, is_loud in enumerate(loud):
        if is_loud:
            if current is None:
                current = [index, index]
            current[1], quiet = index, 0
        elif current is not None:
            quiet += 1
            if quiet * WINDOW * 1000 / RATE >= min_gap_ms:
                found.append(current)
                current = None
    if current is not None:
        found.append(current)
    return [(a * WINDOW, (b + 1) * WINDOW) for a, b in found]


def pitch(samples):
    """Frequency from the positive-going zero crossings, interpolated between samples."""
    crossings = []
    for i in range(1, len(samples)):
        a, b = samples[i - 1], samples[i]
        if a < 0 <= b:
            crossings.append(i - 1 + (-a) / (b - a))
    if len(crossings) < 3:
        return 0.0
    return RATE * (len(crossings) - 1) / (crossings[-1] - crossings[0])


def main():
    data = open(sys.argv[1], "rb").read()
    samples = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
    for start, end in notes(samples):
        # Leave out the edges, where the note starts and fades.
        middle = samples[start + (end - start) // 5 : end - (end - start) // 5]
        print("%d %.1f" % (start * 1000 // RATE, pitch(middle)))


if __name__ == "__main__":
    main()
