#!/usr/bin/env python3
"""MIDI into the piano and what the sink made of it.
  midi.py write FILE          a MIDI file: notes at their pitches (two beyond the set's files),
                              loud and soft, a note-off with the pedal up and one with it down
  midi.py check RECORDING     the sink's recording (s16le, mono, 48 kHz) of FILE played: exits 1
                              and says why when a note is not as it should be
  midi.py note FILE KEY       a file of one note of KEY, a second long
  midi.py events FILE MS:HEX[:HEX...]...  a file of those messages at those times
Times in the file are milliseconds; in the recording each note's are counted from its own start."""
import array
import struct
import sys

RATE = 48000
# (start ms, key, velocity, length ms)
PITCHES = [(0, 60, 100, 300), (800, 64, 100, 300), (1600, 67, 100, 300),
           (2400, 40, 100, 300), (3200, 84, 100, 300)]  # E0 and C3: beyond C0 and DIS2
LOUD, SOFT = (4000, 60, 120, 300), (4800, 60, 30, 300)
RELEASED = (5600, 69, 100, 500)  # pedal up: over within 200 ms of its note-off
PEDAL_DOWN, HELD, PEDAL_UP = 6600, (6700, 69, 100, 500), 8200


def midi_file(events):
    """A format 0 file whose ticks are milliseconds; events: (ms, bytes)."""
    track, now = b"\x00\xff\x51\x03" + struct.pack(">I", 500000)[1:], 0
    for at, data in sorted(events, key=lambda e: e[0]):
        delta, now = at - now, at
        vlq = [delta & 0x7f]
        while delta > 0x7f:
            delta >>= 7
            vlq.insert(0, 0x80 | (delta & 0x7f))
        track += bytes(vlq) + bytes(data)
    track += b"\x00\xff\x2f\x00"
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, 500) + b"MTrk" + struct.pack(">I", len(track)) + track


def notes_of(notes):
    for start, key, velocity, length in notes:
        yield start, (0x90, key, velocity)
        yield start + length, (0x80, key, 0)


def hz(key):
    return 440 * 2 ** ((key - 69) / 12)


def notes_heard(samples, threshold=300, gap=RATE * 60 // 1000):
    """Where each note starts: a loud sample after at least 60 ms of quiet."""
    starts, last = [], -gap
    for i, s in enumerate(samples):
        if abs(s) >= threshold:
            if i - last >= gap:
                starts.append(i)
            last = i
    return starts


def dropouts(samples):
    """Indices in a stretch of exact silence of at most 20 ms between sounds: a graph cycle
    that came late (a machine busy with other work), not the note's doing."""
    gaps, run = set(), 0
    for i, s in enumerate(samples):
        if s == 0:
            run += 1
        else:
            if 0 < run <= RATE // 50 and i > run:
                gaps.update(range(i - run - 1, i + 1))
            run = 0
    return gaps


def pitch(samples):
    """A sine's frequency from the median period between its rising zero crossings, so that a
    dropped cycle does not bend it."""
    rises = [i + s / (s - samples[i + 1]) for i, s in enumerate(samples[:-1]) if s < 0 <= samples[i + 1]]
    periods = sorted(b - a for a, b in zip(rises, rises[1:]))
    return RATE / periods[len(periods) // 2] if periods else 0.0


def check(recording):
    samples = array.array("h", open(recording, "rb").read())
    gaps = dropouts(samples)
    expected = PITCHES + [LOUD, SOFT, RELEASED, HELD]
    starts = notes_heard(samples)
    if len(starts) != len(expected):
        return ["%d notes were heard, not %d" % (len(starts), len(expected))]
    # Each note's times from its own start: a late cycle elsewhere does not shift them.
    onset = {note: start for note, start in zip(expected, starts)}
    at = lambda note, ms: onset[note] + ms * RATE // 1000
    window = lambda note, a, b: samples[at(note, a):at(note, b)]
    loudest = lambda note, a, b: max(map(abs, window(note, a, b)), default=0)
    # Peaks of each millisecond, those in a dropout left out.
    peaks = lambda note, a, b: [max(map(abs, samples[i:i + RATE // 1000]))
                                for i in range(at(note, a), at(note, b), RATE // 1000)
                                if not gaps.intersection(range(i, i + RATE // 1000))]
    wrong = []
    for note in PITCHES + [LOUD]:
        heard = pitch(window(note, 50, 250))
        print("key %d: wanted %.1f Hz, heard %.1f Hz" % (note[1], hz(note[1]), heard))
        if abs(heard - hz(note[1])) > hz(note[1]) * 0.015:
            wrong.append("key %d at %d ms sounded %.1f Hz, not %.1f" % (note[1], note[0], heard, hz(note[1])))
    loud, soft = loudest(LOUD, 50, 250), loudest(SOFT, 50, 250)
    print("velocity 120: peak %d, velocity 30: peak %d" % (loud, soft))
    if not soft or loud < 10 * soft:
        wrong.append("velocity 30 was not 20 dB below velocity 120 (%d, %d)" % (soft, loud))
    off = RELEASED[3]
    peak, after = loudest(RELEASED, 50, off - 20), loudest(RELEASED, off + 200, off + 400)
    # A fade loses a few percent a millisecond; a click, a cut, loses all at once.
    fade = peaks(RELEASED, off - 10, off + 200)
    steepest = min((b / a for a, b in zip(fade, fade[1:]) if a > peak // 100), default=1)
    print("pedal up: peak %d, from 200 ms after the note-off %d, a millisecond of the fade keeps "
          "at least %.0f %% of the one before" % (peak, after, 100 * steepest))
    if after > peak // 1000:
        wrong.append("200 ms after its note-off the note still sounded (%d of %d)" % (after, peak))
    if steepest < 0.5:
        wrong.append("the note-off clicked: its level fell to %.0f %% from one ms to the next" % (100 * steepest))
    off, lift = HELD[3], PEDAL_UP - HELD[0]
    held, lifted = loudest(HELD, off + 200, off + 400), loudest(HELD, lift + 200, lift + 400)
    print("pedal down: from 200 ms after the note-off %d, from 200 ms after the pedal's lift %d" % (held, lifted))
    if held < peak // 2:
        wrong.append("with the pedal down the note ended at its note-off (%d of %d)" % (held, peak))
    if lifted > peak // 1000:
        wrong.append("200 ms after the pedal's lift the note still sounded (%d)" % lifted)
    return wrong


if sys.argv[1] == "write":
    events = list(notes_of(PITCHES + [LOUD, SOFT, RELEASED]))
    start, key, velocity, length = HELD
    events += [(PEDAL_DOWN, (0xb0, 64, 127)), (start, (0x90, key, velocity)),
               (start + length, (0x80, key, 0)), (PEDAL_UP, (0xb0, 64, 0)), (PEDAL_UP + 500, (0xb0, 1, 0))]
    open(sys.argv[2], "wb").write(midi_file(events))
elif sys.argv[1] == "events":
    events = [(int(at), [int(byte, 16) for byte in data.split(":")])
              for at, data in (event.split(":", 1) for event in sys.argv[3:])]
    open(sys.argv[2], "wb").write(midi_file(events))
elif sys.argv[1] == "note":
    open(sys.argv[2], "wb").write(midi_file(notes_of([(0, int(sys.argv[3]), 100, 1000)])))
else:
    problems = check(sys.argv[2])
    for problem in problems:
        print("FAIL: " + problem)
    sys.exit(1 if problems else 0)
