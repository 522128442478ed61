#!/usr/bin/env python3
"""A test's ear on the sound server: tones.py RECORDING HZ...
Splits a raw recording (s16le, mono, 48 kHz) into its notes and compares their pitches, in
order, with HZ... (within 1.5 %, a quarter of a semitone); exits 1 on a note missing or wrong."""
import array
import sys

RATE = 48000
WINDOW = 240  # 5 ms


def notes(samples, threshold=1000, min_gap=12):
    """(start, end) of each run of loud 5 ms windows, split by at least 60 ms of quiet."""
    found = []
    for start in range(0, len(samples) - WINDOW, WINDOW):
        if max(map(abs, samples[start:start + WINDOW])) < threshold:
            continue
        if found and start - found[-1][1] < min_gap * WINDOW:
            found[-1][1] = start + WINDOW
        else:
            found.append([start, start + WINDOW])
    return found


def pitch(samples, low=60.0, high=1200.0):
    """The fundamental from the first strong autocorrelation peak: right for a sine and for
    a piano's tone, whose overtones mislead a count of zero crossings."""
    mean = sum(samples) / len(samples)
    window = [s - mean for s in samples]
    lags = range(int(RATE / high), int(RATE / low))
    corr = {lag: sum(map(float.__mul__, window, window[lag:])) for lag in lags}
    best = max(corr.values())
    lag = next(l for l in lags[1:-1] if corr[l] >= 0.9 * best and corr[l - 1] <= corr[l] >= corr[l + 1])
    # Parabolic interpolation around the peak.
    a, b, c = corr[lag - 1], corr[lag], corr[lag + 1]
    return RATE / (lag + (0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c else 0.0))


samples = array.array("h", open(sys.argv[1], "rb").read())
# Each note without its edges, where it starts and fades.
heard = [(start * 1000 // RATE, pitch(samples[start + (end - start) // 5:][:4096]))
         for start, end in notes(samples)]
wrong = 0
for (at, got), want in zip(heard + [(-1, 0.0)] * len(sys.argv), map(float, sys.argv[2:])):
    wrong += abs(got - want) > want * 0.015
    print("wanted %.1f Hz, heard %.1f Hz at %d ms" % (want, got, at))
sys.exit(wrong > 0)
