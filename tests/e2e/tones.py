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
    found, quiet = [], min_gap
    for start in range(0, len(samples) - WINDOW, WINDOW):
        if max(map(abs, samples[start:start + WINDOW])) < threshold:
            quiet += 1
        elif quiet >= min_gap:
            found.append([start, start + WINDOW])
            quiet = 0
        else:
            found[-1][1], quiet = start + WINDOW, 0
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
for i, want in enumerate(map(float, sys.argv[2:])):
    at, got = heard[i] if i < len(heard) else (-1, 0.0)
    wrong += abs(got - want) > want * 0.015
    print("wanted %.1f Hz, heard %.1f Hz at %d ms" % (want, got, at))
sys.exit(1 if wrong else 0)
