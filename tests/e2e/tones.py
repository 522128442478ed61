#!/usr/bin/env python3
"""Splits a raw recording (s16le, mono, 48 kHz) into the notes it holds and prints each
note's onset (ms) and pitch (Hz), one note a line: a test's ear on the sound server.
With --rich the pitch of instrument tones is found by autocorrelation."""
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


def steady_pitch(samples, window=960):
    """The median pitch of 20 ms windows, so that a short gap in a note does not bend it."""
    pitches = sorted(pitch(samples[i:i + window]) for i in range(0, len(samples) - window + 1, window))
    return pitches[len(pitches) // 2] if pitches else pitch(samples)


def fundamental(samples, low=60.0, high=1200.0):
    """Frequency of a rich tone (a piano's) from the first strong autocorrelation peak."""
    window = samples[:4096]
    mean = sum(window) / len(window)
    window = [s - mean for s in window]
    energy = sum(s * s for s in window) or 1.0
    lags = range(int(RATE / high), int(RATE / low))
    corr = {lag: sum(window[i] * window[i + lag] for i in range(len(window) - lag)) / energy
            for lag in lags}
    best = max(corr.values())
    lag = next(l for l in lags if corr[l] >= 0.9 * best and corr[l] >= corr.get(l + 1, 0)
               and corr[l] >= corr.get(l - 1, 0))
    # Parabolic interpolation around the peak.
    a, b, c = corr.get(lag - 1, 0), corr[lag], corr.get(lag + 1, 0)
    shift = 0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c else 0.0
    return RATE / (lag + shift)


def main():
    rich = "--rich" in sys.argv
    data = open(sys.argv[-1], "rb").read()
    samples = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
    for start, end in notes(samples):
        # Leave out the edges, where the note starts and fades.
        middle = samples[start + (end - start) // 5 : end - (end - start) // 5]
        print("%d %.1f" % (start * 1000 // RATE, fundamental(middle) if rich else steady_pitch(middle)))


if __name__ == "__main__":
    main()
