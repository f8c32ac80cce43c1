#!/usr/bin/env python3
"""The falling tone as a player hears it: the real tovana (terminal host) falls down the
shaft (east, then down) with OpenAL's wave writer as its sound card, at OpenAL's default
settings, and the recording is measured. The fall is 41 steps of 10 ms from 1000 Hz down
to 200 Hz; each step must be heard, and last 10 +/- 2 ms.

Each step is found by zero crossings: the time between two rising crossings is one
period of the tone. A period that straddles two steps is split where the phase, running
at the one frequency and then at the other, makes up exactly one cycle.

  tones_fall.py TOVANA WORKDIR            run the program and measure its recording
  tones_fall.py --analyse FILE.wav        measure a recording made before
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

DATA_FILES = ["sounds.dat", "czech.ebt", "czech.eky", "english.eky", "slovak.eky", "data.dta"]
STEPS = [1000 - 20 * i for i in range(41)]
STEP_MS = 10.0
TOLERANCE_MS = 2.0
FREQUENCY_TOLERANCE_HZ = 4.0


def read_wave(path):
    """The left channel of a RIFF WAVE file (16-bit PCM or 32-bit float) and its rate. The
    wave writer leaves the sizes unset while it writes: the data runs to the file's end."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(path + " is not a RIFF WAVE file")
    pos = 12
    fmt = None
    while pos + 8 <= len(data):
        chunk, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        body = pos + 8
        if chunk == b"fmt ":
            tag, channels, rate = struct.unpack_from("<HHI", data, body)
            bits = struct.unpack_from("<H", data, body + 14)[0]
            if tag == 0xFFFE:  # extensible: the sub-format's first two bytes are the tag
                tag = struct.unpack_from("<H", data, body + 24)[0]
            fmt = (tag, channels, rate, bits)
        elif chunk == b"data":
            end = len(data) if size == 0xFFFFFFFF or body + size > len(data) else body + size
            tag, channels, rate, bits = fmt
            frame = channels * bits // 8
            count = (end - body) // frame
            if tag == 3 and bits == 32:
                samples = struct.unpack_from("<%df" % (count * channels), data, body)
            elif tag == 1 and bits == 16:
                samples = [s / 32768.0 for s in
                           struct.unpack_from("<%dh" % (count * channels), data, body)]
            else:
                raise ValueError("unsupported sample format %d/%d" % (tag, bits))
            return list(samples[0::channels]), rate
        pos = body + size + (size & 1 if chunk not in (b"fmt ", b"data") else 0)
    raise ValueError(path + " holds no samples")


def sounding_regions(x, threshold, gap):
    """Runs of sound: from the first to the last sample above the threshold, where quiet
    stretches of at most `gap` samples (the wave passing through zero) do not count."""
    regions = []
    start = last = None
    for i, v in enumerate(x):
        if abs(v) > threshold:
            if start is None:
                start = i
            elif i - last > gap:
                regions.append((start, last + 1))
                start = i
            last = i
    if start is not None:
        regions.append((start, last + 1))
    return regions


def rising_crossings(x, begin, end):
    """Times (in samples, interpolated) where the wave rises through zero."""
    out = []
    for i in range(begin + 1, end):
        a, b = x[i - 1], x[i]
        if a < 0.0 <= b:
            out.append(i - 1 + (-a / (b - a) if b != a else 0.0))
    return out


def nearest_step(hz):
    best = min(STEPS, key=lambda s: abs(s - hz))
    return best if abs(best - hz) <= FREQUENCY_TOLERANCE_HZ else None


def steps_in(x, rate):
    """Every stretch of one falling-tone frequency: (frequency, start, end) in samples."""
    peak = max((abs(v) for v in x), default=0.0)
    if peak == 0.0:
        return []
    found = []
    for begin, end in sounding_regions(x, peak * 0.02, int(rate / 2000)):
        crossings = rising_crossings(x, begin, end)
        # A tone that starts out of silence rising starts on a crossing: a lone step of
        # two periods (10 ms of 200 Hz) has only one crossing inside it.
        if begin + 1 < end and 0.0 < x[begin] < x[begin + 1] and (
                not crossings or crossings[0] - begin > 2.0):
            crossings.insert(0, begin - x[begin] / (x[begin + 1] - x[begin]))
        periods = []  # (start, end, step or None)
        for c0, c1 in zip(crossings, crossings[1:]):
            periods.append((c0, c1, nearest_step(rate / (c1 - c0))))
        # Group periods of one step; a period between two steps is split by its phase.
        current = None  # [step, start]
        for k, (c0, c1, step) in enumerate(periods):
            if step is not None and current is not None and step == current[0]:
                continue
            if step is not None and current is None:
                # A region begins with a tone that starts on its rising crossing.
                current = [step, begin if k == 0 else c0]
                continue
            if step is not None:  # a new step right after the last period of the old one
                found.append((current[0], current[1], c0))
                current = [step, c0]
                continue
            # A mixed period: the next clean period says which step follows.
            following = next((p[2] for p in periods[k + 1:] if p[2] is not None), None)
            if current is None or following is None or following == current[0]:
                continue
            fa, fb = current[0] / rate, following / rate
            boundary = c0 + (1.0 - fb * (c1 - c0)) / (fa - fb)
            boundary = min(max(boundary, c0), c1)
            found.append((current[0], current[1], boundary))
            current = [following, boundary]
        if current is not None:
            found.append((current[0], current[1], end))
    return found


def the_fall(steps):
    """The longest run of steps that goes 1000, 980, ... down."""
    best = []
    run = []
    for step in steps:
        if run and step[0] == run[-1][0] - 20:
            run.append(step)
        else:
            run = [step] if step[0] == STEPS[0] else []
        if len(run) > len(best):
            best = list(run)
    return best


def analyse(path):
    x, rate = read_wave(path)
    fall = the_fall(steps_in(x, rate))
    durations = [(hz, (end - start) * 1000.0 / rate) for hz, start, end in fall]
    print("%d of %d falling-tone steps heard" % (len(fall), len(STEPS)))
    print(" ".join("%d:%.1f" % (hz, ms) for hz, ms in durations))
    faults = []
    if len(fall) != len(STEPS):
        faults.append("heard %d steps, not %d" % (len(fall), len(STEPS)))
    for hz, ms in durations:
        if abs(ms - STEP_MS) > TOLERANCE_MS:
            faults.append("the %d Hz step lasts %.2f ms" % (hz, ms))
    if fall:
        # Silences between the steps are no fault by themselves (a statement more than 5 ms
        # late starts its tone afresh) but tell where a failing run stumbled.
        gaps = ["%.1f ms at %d Hz" % ((b[1] - a[2]) * 1000.0 / rate, b[0])
                for a, b in zip(fall, fall[1:]) if b[1] - a[2] > 1]
        print("gaps between steps: " + (", ".join(gaps) if gaps else "none"))
    if durations:
        lengths = sorted(ms for _, ms in durations)
        print("shortest %.2f ms, median %.2f ms, longest %.2f ms"
              % (lengths[0], lengths[len(lengths) // 2], lengths[-1]))
    for fault in faults:
        print("FAULT: " + fault)
    return not faults


def run_program(tovana, workdir):
    with tempfile.TemporaryDirectory() as scratch:
        wav = os.path.join(scratch, "fall.wav")
        conf = os.path.join(scratch, "alsoft.conf")
        with open(conf, "w") as f:
            f.write("[wave]\nfile = %s\n" % wav)
        env = dict(os.environ, ALSOFT_DRIVERS="wave", ALSOFT_CONF=conf)
        env.pop("ALSOFT_LOGLEVEL", None)
        # The data files in a scratch working directory, with a fresh memory image and
        # settings: the build's own stay as they were. East, down the shaft, no replay.
        for name in DATA_FILES:
            shutil.copy(os.path.join(workdir, name), scratch)
        config = os.path.join(scratch, "tovana.ini")
        result = subprocess.run([tovana, "--console", "--config", config], cwd=scratch,
                                input="v\nd\nn\n".encode("utf-8"), env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        said = result.stdout.decode("utf-8", "replace")
        if result.returncode != 0 or "konec hry" not in said:
            print(said + result.stderr.decode("utf-8", "replace"))
            print("FAULT: the game did not end with the fall")
            return False
        ok = analyse(wav)
        if not ok and os.environ.get("TONES_KEEP"):
            shutil.copy(wav, os.environ["TONES_KEEP"])
        return ok


def main(argv):
    if len(argv) == 3 and argv[1] == "--analyse":
        return 0 if analyse(argv[2]) else 1
    if len(argv) == 3:
        return 0 if run_program(os.path.abspath(argv[1]), os.path.abspath(argv[2])) else 1
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
