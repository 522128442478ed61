#!/usr/bin/env python3
"""A test's level meter on a recording of the sound server (s16le, mono, 48 kHz). Places in it
are byte offsets, as its length was when something happened: the sound of that moment comes
there or later, by the recorder's lag.
  levels.py peak FILE FROM TO   the loudest sample from FROM to TO, in dB of full scale
  levels.py release FILE LIFT   the note sounding at LIFT falls within 500 ms of it, from its
                                first falling sample to -60 dB in at most 200 ms of audio, with
                                no step between samples above the note's own steepest
  levels.py rings FILE LIFT     the note sounding at LIFT is at half its level or more from 1.0
                                to 1.2 s later
Exits 1 when a check fails, saying why."""
import array
import math
import sys

RATE = 48000
WINDOW = 240  # 5 ms


def ms(samples):
    return samples * 1000 // RATE


def steepest(part):
    return max(abs(b - a) for a, b in zip(part, part[1:]))


samples = array.array("h", open(sys.argv[2], "rb").read())
what = sys.argv[1]
at = int(sys.argv[3]) // 2

if what == "peak":
    loudest = max(map(abs, samples[at:int(sys.argv[4]) // 2]), default=0)
    print("%.1f" % (20 * math.log10(max(loudest, 1) / 32768)))
    sys.exit(0)

# The note held steadily in the 300 ms before the lift.
steady = samples[at - RATE * 3 // 10:at]
level = max(map(abs, steady))
if level < 1000:
    sys.exit("FAIL: no note sounded before the lift (peak %d)" % level)
after = samples[at:]
peaks = [max(map(abs, after[i:i + WINDOW])) for i in range(0, len(after) - WINDOW, WINDOW)]

if what == "rings":
    later = max(peaks[200:240], default=0)
    print("before the lift its peak was %d, 1.0 to 1.2 s later %d" % (level, later))
    sys.exit(0 if later >= level / 2 else "FAIL: the note did not ring on after the lift")

# The window in which the fall begins: the one before the first clearly lower.
falls = next((i for i, peak in enumerate(peaks) if peak < 0.95 * level), None)
if falls is None or falls * WINDOW > RATE // 2:
    sys.exit("FAIL: the note did not fall within 500 ms of the lift")
start = max(falls - 1, 0)
gone = next((i for i in range(start, len(peaks)) if peaks[i] < level / 1000), None)
if gone is None:
    sys.exit("FAIL: the note did not fall to -60 dB")
allowed = steepest(steady)
step = steepest(after[start * WINDOW:(gone + 1) * WINDOW])
print("released %d ms after the lift, down 60 dB in %d ms; steepest step %d, the note's own %d"
      % (ms(start * WINDOW), ms((gone - start) * WINDOW), step, allowed))
if ms((gone - start) * WINDOW) > 200:
    sys.exit("FAIL: the release took longer than 200 ms")
# A step beyond the note's own (with room for rounding) is a click.
if step > allowed * 1.05 + 2:
    sys.exit("FAIL: the release clicks")
