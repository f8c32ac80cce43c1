#!/usr/bin/env python3
"""The echo benchmark's reading of a recording, on recordings made up here: where a sound
starts and where silence lasts, when a sample was played given pieces that arrived late,
the figures, waiting for a program to settle, and which passes are compared."""
import contextlib
import io
import json
import os
import sys
import tempfile
import threading
import unittest
from array import array

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import echo_bench as eb  # noqa: E402

RATE = eb.RATE


def recording(samples, pieces=()):
    """A recorder holding the given samples and arrival stamps, without parec."""
    r = object.__new__(eb.Recorder)
    r.samples = array("h", samples)
    r.pieces = list(pieces)
    r.lock = threading.Lock()
    return r


class SoundAndSilence(unittest.TestCase):
    def test_first_audible_is_the_first_sample_above_one_percent(self):
        r = recording([0, eb.AUDIBLE, -eb.AUDIBLE, -eb.AUDIBLE - 1, 20000])
        self.assertEqual(eb.first_audible(r, 0, 5), 3)
        self.assertEqual(eb.first_audible(r, 4, 5), 4)
        self.assertIsNone(eb.first_audible(r, 0, 3))
        # The limit past the recording's end is not an error: the rest is not here yet.
        self.assertIsNone(eb.first_audible(r, 0, 2))
        self.assertEqual(eb.first_audible(r, 0, 10**6), 3)

    def test_silence_must_last_not_just_pause(self):
        loud = [9000] * 1000
        short_gap = [0] * int(0.2 * RATE)  # a pause between words
        long_quiet = [0] * int(0.5 * RATE)
        r = recording(loud + short_gap + loud + long_quiet)
        start = len(loud) + len(short_gap) + len(loud)
        self.assertEqual(eb.silent_from(r, 0, len(r.samples)), start)
        # Speech that never stops for 400 ms within the window gives nothing.
        self.assertIsNone(eb.silent_from(r, 0, start + int(0.3 * RATE)))


class Timing(unittest.TestCase):
    def test_a_late_piece_does_not_make_a_sample_late(self):
        # Pieces of 100 samples; the second arrived 50 ms late, the third on time again.
        pieces = [(100, 10.0), (200, 10.0 + 100 / RATE + 0.05), (300, 10.0 + 200 / RATE)]
        r = recording([0] * 300, pieces)
        # Sample 150 is 150 samples before the third piece's end: played at 10 s + 50/RATE.
        self.assertAlmostEqual(eb.Recorder.time_of(r, 150), 10.0 + 50 / RATE, places=6)

    def test_index_at_takes_the_latest_estimate(self):
        pieces = [(100, 10.0), (200, 10.0 + 100 / RATE + 0.05), (300, 10.0 + 200 / RATE)]
        r = recording([0] * 300, pieces)
        # At 10 s, sample 100 was being played; the late piece would say an earlier one.
        self.assertEqual(eb.Recorder.index_at(r, 10.0), 100)
        # Nothing arrived yet for a later time: the end of what is recorded.
        self.assertEqual(eb.Recorder.index_at(r, 20.0), 300)


class Figures(unittest.TestCase):
    def test_median_p95_max(self):
        f = eb.figures([float(v) for v in range(40, 0, -1)])
        self.assertEqual(f["n"], 40)
        self.assertEqual(f["median"], 20.5)
        self.assertEqual(f["p95"], 38.0)  # the 38th of 40, not the largest
        self.assertEqual(f["max"], 40.0)
        self.assertIsNone(eb.figures([]))

    def test_key_with_and_without_modifier(self):
        self.assertEqual(eb.key_of("Alt_L+Up"), ("Up", "Alt_L"))
        self.assertEqual(eb.key_of("KP_Up"), ("KP_Up", None))


class Settle(unittest.TestCase):
    def test_quiet_before_the_first_words_is_not_settled(self):
        # A program still starting is quiet: without words first, the bound runs out.
        self.assertFalse(eb.settle(recording([0] * (3 * RATE)), 0.3))

    def test_words_then_quiet_is_settled(self):
        r = recording([9000] * 100 + [0] * (2 * RATE))
        self.assertTrue(eb.settle(r, 5.0))

    def test_words_still_going_are_not_settled(self):
        r = recording([0] * RATE + [9000] * (2 * RATE))
        self.assertFalse(eb.settle(r, 0.3))


class Summary(unittest.TestCase):
    def summary_of(self, runs):
        with tempfile.NamedTemporaryFile("w", suffix=".jsonl", delete=False) as f:
            for run in runs:
                f.write(json.dumps(run) + "\n")
        out = io.StringIO()
        try:
            with contextlib.redirect_stdout(out):
                eb.summary(f.name)
        finally:
            os.unlink(f.name)
        return out.getvalue()

    def test_passes_are_compared_on_their_own_server_only(self):
        def run(label, echo, silence):
            return {"label": label,
                    "echo": {"n": 1, "median": echo, "p95": echo, "max": echo},
                    "silence": {"n": 1, "median": silence, "p95": silence, "max": silence}}

        text = self.summary_of([run("tovana-own@pulseaudio", 10.0, 20.0),
                                run("orca@pulseaudio", 40.0, 200.0),
                                run("tovana-own@pipewire", 20.0, 20.0),
                                run("orca@pipewire", 30.0, 100.0)])
        ratios = [line for line in text.splitlines() if " : " in line]
        self.assertEqual(len(ratios), 2)
        self.assertIn("tovana-own@pulseaudio : orca@pulseaudio", ratios[0])
        self.assertIn("echo 10.0:40.0 ms = 1:4.0", ratios[0])
        self.assertIn("silence 20.0:200.0 ms = 1:10.0", ratios[0])
        self.assertIn("tovana-own@pipewire : orca@pipewire", ratios[1])
        self.assertIn("echo 20.0:30.0 ms = 1:1.5", ratios[1])

    def test_a_figure_under_the_resolution_is_not_divided_by(self):
        def figures(median):
            return {"n": 1, "median": median, "p95": median, "max": median}

        text = self.summary_of([
            {"label": "tovana-own@pulseaudio", "echo": figures(2.0), "silence": figures(0.04)},
            {"label": "orca@pulseaudio", "echo": figures(10.0), "silence": figures(42.2)}])
        self.assertIn("echo 2.0:10.0 ms = 1:5.0", text)
        self.assertIn("silence 0.0:42.2 ms (ours under 0.5 ms: no ratio)", text)
        self.assertNotIn("1:1055", text)

    def test_a_pass_without_figures_is_shown_and_not_divided(self):
        text = self.summary_of([
            {"label": "tovana-own@pulseaudio", "echo": None, "silence": None},
            {"label": "orca@pulseaudio",
             "echo": {"n": 1, "median": 40.0, "p95": 40.0, "max": 40.0}, "silence": None}])
        self.assertIn("nothing to compare", text)
        self.assertRegex(text, r"tovana-own@pulseaudio +- +-")


if __name__ == "__main__":
    unittest.main()
