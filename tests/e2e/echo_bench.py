#!/usr/bin/env python3
"""How soon a typed key is heard, and how soon a key silences speech, as the ear gets it
through the sound server: the sink's monitor is recorded in small pieces, each stamped
with the monotonic clock as it arrives, and keys go to the focused window through XTEST,
stamped the same way as they are flushed to the X server.

1. The recorder (parec on the null sink's monitor, 2 ms pieces) runs for the whole
   measurement. A piece's last sample was played when the piece arrived, or a little
   before; the earliest stamp seen near a sample is taken as its time, so a late
   delivery cannot make the echo look late.
2. Echo: 40 keys, the letters a to z and fourteen Czech ones, 1.5 s apart. Each key's
   echo is heard at the first sample above 1 % of full scale after the key.
3. Silence: a reading key (Alt+Up here: the typed line read back) starts speech; while
   it speaks, a key with no echo of its own (Shift here) silences it. Silence is heard
   where the recording falls below 1 % and stays there for 400 ms.

  echo_bench.py LABEL [--keys N] [--silences N] [--read [MOD+]KEY] [--hush KEY]
                [--settle SECONDS]
    --keys N      only the first N of the 40 keys (a quick look that the bench works)
    --need N      fails unless at least N keys were heard within 1 s (all by default; a
                  quick look on a loaded machine asks for one: slowness is no fault)
    --read, --hush  the reading and the silencing key, for a program bound otherwise
    --settle S    first waits, at most S seconds, until 1.5 s have passed without sound
                  (whatever the program said on being focused must not meet the keys)
  prints a line per figure, and JSON on the last line.
  echo_bench.py --summary FILE    the JSON lines of several passes as one table, with the
                                  ratio of each program pass to the screen reader's
The window that takes the keys must have the focus; DISPLAY and PULSE_SERVER are the
session's.
"""
import ctypes
import json
import os
import statistics
import subprocess
import sys
import threading
import time
from array import array

RATE = 44100
AUDIBLE = 32768 // 100  # 1 % of full scale
KEY_GAP_S = 1.5
LATIN = "abcdefghijklmnopqrstuvwxyz"
# X keysym names of the Czech letters typed after a to z.
CZECH = ["ccaron", "dcaron", "ecaron", "ncaron", "rcaron", "scaron", "tcaron", "zcaron",
         "aacute", "eacute", "iacute", "oacute", "uacute", "yacute"]
SILENT_FOR_S = 0.4
# Below this, a figure is within what the timing of the recorded pieces can tell.
RESOLUTION_MS = 0.5
QUIET_S = 1.5


class Recorder:
    """The monitor's samples and, per piece, (index after its last sample, arrival)."""

    def __init__(self):
        self.samples = array("h")
        self.pieces = []
        self.lock = threading.Lock()
        self.process = subprocess.Popen(
            ["parec", "-d", "null.monitor", "--raw", "--format=s16le", "--channels=1",
             "--rate=%d" % RATE, "--latency-msec=2"], stdout=subprocess.PIPE)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        fd = self.process.stdout.fileno()
        odd = b""
        while True:
            data = os.read(fd, 8192)
            now = time.monotonic()
            if not data:
                return
            data = odd + data
            whole = len(data) - len(data) % 2
            odd = data[whole:]
            with self.lock:
                self.samples.frombytes(data[:whole])
                self.pieces.append((len(self.samples), now))

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.thread.join(timeout=10)

    def time_of(self, index):
        """When sample `index` was played: the earliest arrival that accounts for it
        among the pieces up to half a second after it."""
        best = None
        for end, arrived in self.pieces_after(index):
            t = arrived - (end - index) / RATE
            best = t if best is None else min(best, t)
        return best

    def index_at(self, t):
        """The sample being played at time t: a piece that arrived late would put it too
        early, so the latest estimate among the pieces of the next half second holds."""
        with self.lock:
            pieces = [(e, a) for e, a in self.pieces if t <= a <= t + 0.5]
        if not pieces:
            return len(self.samples)
        return max(0, round(max(e - (a - t) * RATE for e, a in pieces)))

    def pieces_after(self, index):
        with self.lock:
            pieces = list(self.pieces)
        limit = index + RATE // 2
        return [(e, a) for e, a in pieces if index < e <= limit] or pieces[-1:]

    def wait_until(self, t):
        while time.monotonic() < t:
            time.sleep(min(0.05, max(0.0, t - time.monotonic())))


class Keyboard:
    """XTEST key presses, with Czech letters bound to spare key codes first."""

    def __init__(self):
        self.x = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XStringToKeysym.restype = ctypes.c_ulong
        self.x.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
        self.x.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                               ctypes.POINTER(ctypes.c_int)]
        self.x.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                  ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
        self.x.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                            ctypes.POINTER(ctypes.c_int)]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.x.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("no X display")
        self.codes = {}

    def bind(self, names):
        """Key codes for every keysym name, binding those the keymap lacks to spare codes."""
        low, high = ctypes.c_int(), ctypes.c_int()
        self.x.XDisplayKeycodes(self.display, ctypes.byref(low), ctypes.byref(high))
        per = ctypes.c_int()
        count = high.value - low.value + 1
        table = self.x.XGetKeyboardMapping(self.display, low.value, count, ctypes.byref(per))
        spare = [low.value + k for k in range(count)
                 if all(table[k * per.value + j] == 0 for j in range(per.value))]
        changed = False
        for name in names:
            sym = self.x.XStringToKeysym(name.encode())
            code = self.x.XKeysymToKeycode(self.display, sym)
            if code == 0:
                code = spare.pop()
                syms = (ctypes.c_ulong * 2)(sym, sym)
                self.x.XChangeKeyboardMapping(self.display, code, 2, syms, 1)
                changed = True
            self.codes[name] = code
        self.x.XSync(self.display, 0)
        if changed:
            time.sleep(1.0)  # the window reads the new keymap when its notice arrives

    def press(self, name, modifier=None):
        """Presses (and releases) a key; returns when the press left for the server."""
        if modifier:
            self.xtst.XTestFakeKeyEvent(self.display, self.codes[modifier], 1, 0)
        self.xtst.XTestFakeKeyEvent(self.display, self.codes[name], 1, 0)
        self.x.XFlush(self.display)
        sent = time.monotonic()
        time.sleep(0.03)
        self.xtst.XTestFakeKeyEvent(self.display, self.codes[name], 0, 0)
        if modifier:
            self.xtst.XTestFakeKeyEvent(self.display, self.codes[modifier], 0, 0)
        self.x.XFlush(self.display)
        return sent


def first_audible(recorder, start, limit):
    s = recorder.samples
    for i in range(start, min(limit, len(s))):
        if abs(s[i]) > AUDIBLE:
            return i
    return None


def silent_from(recorder, start, limit):
    """The first sample from which the recording stays below 1 % for SILENT_FOR_S."""
    s = recorder.samples
    need = int(SILENT_FOR_S * RATE)
    run = 0
    for i in range(start, min(limit, len(s))):
        if abs(s[i]) > AUDIBLE:
            run = 0
        else:
            run += 1
            if run >= need:
                return i - need + 1
    return None


def figures(values):
    ordered = sorted(values)
    if not ordered:
        return None
    p95 = ordered[min(len(ordered) - 1, int(round(0.95 * (len(ordered) - 1))))]
    return {"n": len(ordered), "median": statistics.median(ordered), "p95": p95,
            "max": ordered[-1]}


def measure_echoes(recorder, keyboard, names, missing):
    results = []
    for name in names:
        recorder.wait_until(time.monotonic() + KEY_GAP_S)
        sent = keyboard.press(name)
        recorder.wait_until(sent + 1.0)
        start = recorder.index_at(sent)
        quiet_before = first_audible(recorder, max(0, start - RATE // 20), start) is None
        heard = first_audible(recorder, start, start + RATE)
        if heard is None:
            print("  %-7s no echo within 1 s" % name)
            missing.append(name)
            continue
        ms = (recorder.time_of(heard) - sent) * 1000.0
        if not quiet_before:
            # Something was still sounding when the key went: its echo cannot be told
            # from it, and counting it would flatter the figures.
            print("  %-7s sound before the key; not counted" % name)
            continue
        results.append((name, ms))
        print("  %-7s %6.1f ms" % (name, ms))
    return results


def settle(recorder, bound_s):
    """Waits, for at most bound_s, until something has been heard and then QUIET_S has
    passed without sound; says whether it has. (A program that is still starting is
    quiet too: the quiet must follow its first words.)"""
    deadline = time.monotonic() + bound_s
    need = int(QUIET_S * RATE)
    scanned = 0
    while True:
        end = len(recorder.samples)
        if first_audible(recorder, scanned, end) is not None:
            break
        scanned = end
        if time.monotonic() >= deadline:
            return False
        time.sleep(0.1)
    while time.monotonic() < deadline:
        end = len(recorder.samples)
        if end >= need and first_audible(recorder, end - need, end) is None:
            return True
        time.sleep(0.1)
    return False


def key_of(text):
    """A key as (name, modifier): Alt_L+Up is ("Up", "Alt_L"), Shift_L ("Shift_L", None)."""
    modifier, _, name = text.rpartition("+")
    return name, modifier or None


def measure_silences(recorder, keyboard, rounds, read, hush):
    results = []
    for _ in range(rounds):
        asked = keyboard.press(read[0], modifier=read[1])
        # The silencing key comes 300 ms into the speech, however long the reader takes
        # to start: a short line is then still being read, and a slow start not cut.
        begun = None
        while begun is None and time.monotonic() < asked + 2.0:
            recorder.wait_until(time.monotonic() + 0.05)
            begun = first_audible(recorder, recorder.index_at(asked), len(recorder.samples))
        if begun is not None:
            recorder.wait_until(recorder.time_of(begun) + 0.3)
        now = recorder.index_at(time.monotonic() - 0.05)
        if first_audible(recorder, now - RATE // 10, now) is None:
            print("  nothing was being read when %s came; round skipped" % hush[0])
            recorder.wait_until(time.monotonic() + 1.0)
            continue
        sent = keyboard.press(hush[0], modifier=hush[1])
        recorder.wait_until(sent + SILENT_FOR_S + 0.8)
        start = recorder.index_at(sent)
        quiet = silent_from(recorder, start, start + RATE * 2)
        if quiet is None:
            print("  speech went on for 2 s after %s" % hush[0])
            continue
        ms = (recorder.time_of(quiet) - sent) * 1000.0
        results.append(ms)
        print("  silence %6.1f ms" % ms)
    return results


def option(name, default):
    if name in sys.argv:
        return sys.argv[sys.argv.index(name) + 1]
    return default


def summary(path):
    """One line per pass; then, per server, each of our passes beside the reader's."""
    with open(path) as f:
        runs = [json.loads(line) for line in f if line.strip()]

    def cell(f):
        return "%.1f / %.1f / %.1f" % (f["median"], f["p95"], f["max"]) if f else "-"

    print("%-24s %-24s %s" % ("pass", "echo ms (med/p95/max)", "silence ms (med/p95/max)"))
    for run in runs:
        print("%-24s %-24s %s" % (run["label"], cell(run["echo"]), cell(run["silence"])))
    # Labels are PROGRAM-PASS@SERVER: only figures from the same server are compared.
    def server(run):
        return run["label"].partition("@")[2]

    for reader in (r for r in runs if r["label"].startswith("orca")):
        for ours in (r for r in runs if r["label"].startswith("tovana")
                     and server(r) == server(reader)):
            parts = []
            for what in ("echo", "silence"):
                a, b = ours[what], reader[what]
                if not (a and b):
                    continue
                if a["median"] < RESOLUTION_MS:
                    # A key that silences the speech at once measures 0.0 ms give or take
                    # the recording's pieces: a ratio to that says nothing.
                    parts.append("%s %.1f:%.1f ms (ours under %.1f ms: no ratio)" % (
                        what, a["median"], b["median"], RESOLUTION_MS))
                else:
                    parts.append("%s %.1f:%.1f ms = 1:%.1f" % (
                        what, a["median"], b["median"], b["median"] / a["median"]))
            print("%s : %s (medians)  %s" % (ours["label"], reader["label"],
                                            ", ".join(parts) or "nothing to compare"))


def main():
    if "--summary" in sys.argv:
        summary(option("--summary", ""))
        return 0
    label = sys.argv[1] if len(sys.argv) > 1 and not sys.argv[1].startswith("--") \
        else "tovana"
    rounds = int(option("--silences", 10))
    names = (list(LATIN) + CZECH)[:int(option("--keys", 40))]
    read = key_of(option("--read", "Alt_L+Up"))
    hush = key_of(option("--hush", "Shift_L"))
    settle_s = float(option("--settle", 0))
    need = int(option("--need", len(names)))
    keyboard = Keyboard()
    keyboard.bind(names + [k for k in read + hush if k])
    recorder = Recorder()
    # The recorder needs a moment to connect; a bounded wait for its first second.
    deadline = time.monotonic() + 10.0
    while len(recorder.samples) < RATE and time.monotonic() < deadline:
        time.sleep(0.1)
    if len(recorder.samples) < RATE:
        print("the sink's monitor could not be recorded")
        recorder.stop()
        return 1
    try:
        if settle_s > 0 and not settle(recorder, settle_s):
            print("%s: no words then quiet within %.0f s; measuring all the same"
                  % (label, settle_s))
        print("%s: key to its echo" % label)
        missing = []
        echoes = measure_echoes(recorder, keyboard, names, missing)
        print("%s: key while speaking to silence" % label)
        silences = measure_silences(recorder, keyboard, rounds, read, hush)
    finally:
        recorder.stop()
    echo = figures([ms for _, ms in echoes])
    silence = figures(silences)
    for what, f in (("echo", echo), ("silence", silence)):
        if f:
            print("%s %-8s n=%d median %.1f ms, p95 %.1f ms, max %.1f ms"
                  % (label, what, f["n"], f["median"], f["p95"], f["max"]))
        else:
            print("%s %-8s nothing measured" % (label, what))
    print(json.dumps({"label": label, "echo": echo, "silence": silence}))
    # A key never heard is a fault of the program or of the bench; slow figures are not.
    if missing:
        print("%s: no echo of %s" % (label, " ".join(missing)))
    return 0 if echo and len(names) - len(missing) >= need else 1


if __name__ == "__main__":
    sys.exit(main())
