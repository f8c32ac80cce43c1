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
3. Silence: Alt+Up reads the typed line back; while it speaks, Shift (a key with no echo
   of its own) silences it. Silence is heard where the recording falls below 1 % and
   stays there for 400 ms.

  echo_bench.py LABEL [--silences N]    prints a line per figure, and JSON on the last line
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


def measure_echoes(recorder, keyboard, names):
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
            continue
        ms = (recorder.time_of(heard) - sent) * 1000.0
        results.append((name, ms))
        print("  %-7s %6.1f ms%s" % (name, ms, "" if quiet_before else " (sound before)"))
    return results


def measure_silences(recorder, keyboard, rounds):
    results = []
    for _ in range(rounds):
        keyboard.press("Up", modifier="Alt_L")
        recorder.wait_until(time.monotonic() + 0.8)
        now = recorder.index_at(time.monotonic() - 0.05)
        if first_audible(recorder, now - RATE // 10, now) is None:
            print("  the line was not being read when Shift came; round skipped")
            recorder.wait_until(time.monotonic() + 1.0)
            continue
        sent = keyboard.press("Shift_L")
        recorder.wait_until(sent + SILENT_FOR_S + 0.8)
        start = recorder.index_at(sent)
        quiet = silent_from(recorder, start, start + RATE * 2)
        if quiet is None:
            print("  speech went on for 2 s after Shift")
            continue
        ms = (recorder.time_of(quiet) - sent) * 1000.0
        results.append(ms)
        print("  silence %6.1f ms" % ms)
    return results


def main():
    label = sys.argv[1] if len(sys.argv) > 1 else "tovana"
    rounds = 10
    if "--silences" in sys.argv:
        rounds = int(sys.argv[sys.argv.index("--silences") + 1])
    names = list(LATIN) + CZECH
    keyboard = Keyboard()
    keyboard.bind(names + ["Up", "Alt_L", "Shift_L"])
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
        print("%s: key to its echo" % label)
        echoes = measure_echoes(recorder, keyboard, names)
        print("%s: key while speaking to silence" % label)
        silences = measure_silences(recorder, keyboard, rounds)
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
    return 0 if echo and len(echoes) == len(names) else 1


if __name__ == "__main__":
    sys.exit(main())
