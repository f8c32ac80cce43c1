#!/usr/bin/env python3
"""Counts the places where a recording of the sound server's output broke off: a stream
that runs dry is filled with exact digital silence by the server, cutting a sound off in
the middle and taking it up again where it left off. Speech falls silent by itself only
through quiet samples, so a run of at least 8 zero samples with a loud sample (over 300,
about 1 % of full scale) on both sides is taken as a gap. Measured: the game's opening
through PulseAudio shows none at OpenAL's 256 by three updates, 93 in 8 s at 128 by two.
A sound of the program's own that falls to exact zero between two loud samples counts
too, as does a key that cuts the speech short before a sound that starts loud: over a
whole game the count is an upper bound.

  sound_gaps.py FILE.raw     16-bit little-endian stereo; prints the count of gaps
"""
import sys
from array import array

MIN_RUN = 8
LOUD = 300


def gaps(left):
    count = 0
    i = 0
    n = len(left)
    while i < n:
        if left[i] != 0:
            i += 1
            continue
        j = i
        while j < n and left[j] == 0:
            j += 1
        if j - i >= MIN_RUN and i > 0 and j < n and abs(left[i - 1]) > LOUD \
                and abs(left[j]) > LOUD:
            count += 1
        i = j
    return count


def main():
    samples = array("h")
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    samples.frombytes(data[:len(data) - len(data) % 4])
    if sys.byteorder != "little":
        samples.byteswap()
    print(gaps(samples[0::2]))


if __name__ == "__main__":
    main()
