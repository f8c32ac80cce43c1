#!/usr/bin/env python3
"""Hearing answers again as a player does: the real window under its own X server, the
espeak-ng voice on, its sound through OpenAL's wave writer at default settings, keys
through xdotool. Start, "vezmi dopis", and once the dialog is back: Alt+1 (the last
answer, "vzal jsi dopis": short, it ends by itself), Alt+2 (the opening: still speaking
when the next key cuts it), Alt+9 (none that far back: a short message). Each key's
stretch of the recording starts where the file stood when the key was sent, and its
sound is measured in rendered frames.   answer_again.py TOVANA
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tones_fall import read_wave, sounding_regions  # noqa: E402

LISTEN = 4.0  # seconds the player listens after each key


def xdotool(*args):
    return subprocess.run(["xdotool"] + list(args), check=True, capture_output=True,
                          text=True, timeout=120).stdout


def focus(name):
    window = xdotool("search", "--sync", "--onlyvisible", "--name", name).split()[0]
    xdotool("windowfocus", "--sync", window)


def main(tovana):
    scratch = tempfile.mkdtemp()
    processes = []
    try:
        number = next(n for n in range(150, 220) if not os.path.exists("/tmp/.X%d-lock" % n))
        processes.append(subprocess.Popen(["Xvfb", ":%d" % number, "-nolisten", "tcp"],
                                          stderr=subprocess.DEVNULL))
        os.environ["DISPLAY"] = ":%d" % number
        for _ in range(100):  # until the X server answers, 10 s at most
            if subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        for name in ["sounds.dat", "czech.ebt", "czech.eky", "data.dta"]:
            shutil.copy(os.path.join(os.path.dirname(tovana), name), scratch)
        wav, conf, ini = (os.path.join(scratch, n) for n in ("voice.wav", "alsoft.conf", "t.ini"))
        open(conf, "w").write("[wave]\nfile = %s\n" % wav)
        # The Czech voice at a brisk pace, so the spoken opening does not keep the test long.
        open(ini, "w").write("[voice]\nvoiceallowed=1\n[sounds]\ntovanasounds=0\n"
                             "[Voice]\nperson=Czech\nspeed=450\n")
        env = dict(os.environ, ALSOFT_DRIVERS="wave", ALSOFT_CONF=conf, QT_QPA_PLATFORM="xcb")
        processes.append(subprocess.Popen([tovana, "--config", ini], cwd=scratch, env=env,
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        focus(" - tovana$")
        xdotool("key", "ctrl+s")
        focus("^Vlož data$")  # once the opening is spoken
        xdotool("type", "--delay", "150", "vezmi dopis")
        xdotool("key", "Return")
        focus("^Vlož data$")  # once the answer is spoken
        marks = []
        for key in ("alt+1", "alt+2", "alt+9"):
            marks.append(os.path.getsize(wav))
            xdotool("key", key)
            time.sleep(LISTEN)  # the player listens; what is measured is the recording
        marks.append(os.path.getsize(wav))
        app = processes.pop()
        app.kill()  # the recording stops growing
        app.wait()
        x, rate = read_wave(wav)
        start = open(wav, "rb").read(4096).find(b"data") + 8  # the samples' first byte
        frame = (os.path.getsize(wav) - start) // len(x)
        faults = []
        for key, a, b, shortest, longest, ends in (
                ("Alt+1", *marks[0:2], 0.2, 3.0, True), ("Alt+2", *marks[1:3], 2.5, LISTEN + 1, False),
                ("Alt+9", *marks[2:4], 0.3, 3.5, True)):
            part = x[(a - start) // frame:(b - start) // frame]
            regions = sounding_regions(part, 0.01, rate * 3 // 10)
            seconds = sum(e - s for s, e in regions) / rate
            ended = bool(regions) and regions[-1][1] < len(part) - rate // 2
            print("%s: %.2f s of speech, %s" % (key, seconds, "ended" if ended else "cut"))
            if not shortest <= seconds <= longest or ended != ends:
                faults.append(key)
        print("FAULT: not as expected: " + ", ".join(faults) if faults else "all heard")
        return 1 if faults else 0
    finally:
        for p in reversed(processes):
            p.kill()
        for p in processes:
            p.wait()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1])))
