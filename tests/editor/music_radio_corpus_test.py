#!/usr/bin/env python3
"""The music-radio corpus's known edges: where each way of joining songs puts the last complete
song's edges (on made-up sources, no audio), the rules every case keeps, and, when the corpus
directory is given in MUSIC_RADIO_CORPUS, that its takes hold sound just inside those edges and
silence just outside them where a pause is."""
import os
import subprocess
import sys
import unittest
from unittest import mock

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import music_radio_corpus as corpus  # noqa: E402

S = corpus.RATE


def fake(key, seconds, production="made-up"):
    source = corpus.Source(key, production, [])
    source.path = key + ".flac"
    source.length = int(seconds * S)
    return source


class FakeSpeech:
    """Sentences of 2 s, with 0.5 s between them."""

    def __init__(self):
        self.dj = [fake("dj%d" % n, 2.0) for n in range(3)]
        self.advert = [fake("ad%d" % n, 2.0) for n in range(3)]
        self.gap = fake("gap", 0.5)
        self.turn = fake("turn", 0.5)


SONGS = {key: (fake(key, seconds, production), "tune") for key, seconds, production in [
    ("before", 200.0, "a"), ("song", 150.0, "b"), ("after", 200.0, "c")]}
JINGLES = {"tune": [fake("jingle", 4.0)]}
BEDS = {"tune": fake("bed", 60.0)}


def edges(joins, megabytes=64, **changes):
    """The last complete song's edges, its overlaps and the take's tail, in seconds."""
    entry = corpus.case("made_up", "pause", "tune", ["before", "song", "after"], joins,
                        megabytes=megabytes, **changes)
    with mock.patch.dict(corpus.SONGS, SONGS), mock.patch.dict(corpus.JINGLES, JINGLES), \
            mock.patch.dict(corpus.BEDS, BEDS):
        take, song = corpus.build(entry, FakeSpeech())
    tail = take.layers[0]["count"] / S
    return song.truth[0] / S - tail, song.truth[1] / S - tail, song.overlaps, take


class Layout(unittest.TestCase):
    def test_each_join_puts_the_song_edges_where_a_listener_hears_them(self):
        # (joins, changes, start and end counted from the end of the tail, overlaps)
        table = [
            ([("pause", 1.5), ("pause", 2.0)], {}, 1.5, 151.5, [0, 0]),
            ([("crossfade", 4.0), ("crossfade", 2.0)], {}, -2.0, 145.0, [4.0, 2.0]),
            # talk over the intro belongs to the song; from before it starts too
            ([("talk_intro", (2.0, 5)), ("pause", 1.0)], {}, 0.8, 150.8, [0, 0]),
            ([("talk_intro", (-3.0, 5)), ("pause", 1.0)], {}, 0.8, 153.8, [0, 0]),
            # talk over the outro (three sentences: 7 s from 4 s before the end) belongs to it
            ([("pause", 1.0), ("talk_outro", (4, 2))], {}, 1.0, 154.0, [0, 0]),
            # talk, a jingle or an advert between songs does not belong to them
            ([("talk", 4), ("talk", 4)], {}, 5.5, 155.5, [0, 0]),
            ([("jingle", 0), ("jingle", 0)], {}, 4.6, 154.6, [0, 0]),
            ([("advert", 4), ("pause", 1.0)], {}, 7.3, 157.3, [0, 0]),
            # a dead stop inside lengthens the song by its gap; a quiet intro changes nothing
            ([("pause", 1.0)] * 2, {"stop": (60.0, 0.8)}, 1.0, 151.8, [0, 0]),
            ([("pause", 1.0)] * 2, {"quiet_intro": 20.0}, 1.0, 151.0, [0, 0]),
        ]
        for joins, changes, start, end, overlaps in table:
            with self.subTest(joins=joins, changes=changes):
                found = edges(joins, **changes)
                self.assertAlmostEqual(found[0], start, places=3)
                self.assertAlmostEqual(found[1], end, places=3)
                self.assertEqual(found[2], overlaps)

    def test_music_under_talk_is_turned_down_and_plays_on_unbroken(self):
        # (joins, where the song is turned down, counted from the end of the tail)
        table = [
            ([("talk_intro", (2.0, 4)), ("pause", 1.0)], (2.8, 7.3)),  # two sentences, 4.5 s
            ([("talk_intro", (-3.0, 4)), ("pause", 1.0)], (3.8, 5.3)),
            ([("pause", 1.0), ("talk_outro", (4, 2))], (147.0, 151.0)),
        ]
        for joins, (down, up) in table:
            with self.subTest(joins=joins):
                take = edges(joins)[3]
                tail = take.layers[0]["count"] / S
                layers = sorted((l for l in take.layers if l["paths"] == ["song.flac"]),
                                key=lambda l: l["at"])
                for layer in layers:  # each plays the song's own frames at their place
                    self.assertEqual(layer["at"] - layers[0]["at"], layer["offset"])
                for first, second in zip(layers, layers[1:]):  # overlapping by the ramp
                    self.assertEqual(first["at"] + first["count"] - second["at"], int(0.3 * S))
                ducked = [l for l in layers if l["gain"] < 0]
                self.assertEqual(len(ducked), 1)
                self.assertAlmostEqual(ducked[0]["at"] / S - tail, down, places=3)
                end = ducked[0]["at"] + ducked[0]["count"] - ducked[0]["fade_out"]
                self.assertAlmostEqual(end / S - tail, up, places=3)

    def test_every_take_fills_its_track_and_cuts_the_next_song(self):
        for megabytes, fits in ((32, True), (64, True), (256, False)):
            with self.subTest(megabytes=megabytes):
                if not fits:  # 25 minutes hold more than the three songs
                    with self.assertRaises(ValueError):
                        edges([("pause", 1.0)] * 2, megabytes=megabytes)
                    continue
                take = edges([("pause", 1.0)] * 2, megabytes=megabytes)[3]
                last = take.layers[-1]
                self.assertEqual(last["at"] + last["count"], megabytes * corpus.MB)
                self.assertLess(last["count"], SONGS["after"][0].length)


class Cases(unittest.TestCase):
    def test_cases_keep_to_their_part_and_join_songs_of_other_productions(self):
        corpus.sources_of(corpus.CASES)  # raises when a case takes a song of the other part
        parts = [entry[3] for entry in corpus.CASES]
        self.assertLessEqual(abs(parts.count("tune") - parts.count("judge")), 2, "about half each")
        for name, kind, group, part, _, songs, joins, _ in corpus.CASES:
            with self.subTest(case=name):
                self.assertIn(part, ("tune", "judge"))
                self.assertEqual(len(joins), max(0, len(songs) - 1))
                productions = [corpus.SONGS[key][0].production for key in songs]
                neighbours = list(zip(productions, productions[1:]))
                if kind == "crossfade_same":
                    self.assertEqual(group, "reported")
                    self.assertTrue(all(a == b for a, b in neighbours))
                else:
                    self.assertTrue(all(a != b for a, b in neighbours))
                fades = [value for join, value in joins if join == "crossfade"]
                if kind == "crossfade":
                    self.assertEqual(group, "target" if max(fades) <= 5 else "reported")


def rms(path, at, seconds):
    report = subprocess.run(["sox", path, "-n", "trim", "%.3f" % at, "%.3f" % seconds, "stats"],
                            check=True, capture_output=True, text=True).stderr
    level = [line.split()[3] for line in report.splitlines() if line.startswith("RMS lev dB")][0]
    return float("-inf") if level == "-inf" else float(level)


@unittest.skipUnless(os.environ.get("MUSIC_RADIO_CORPUS"), "no corpus given")
class Takes(unittest.TestCase):
    def test_sound_inside_the_edges_and_silence_outside_at_a_pause(self):
        directory = os.environ["MUSIC_RADIO_CORPUS"]
        joins = {entry[0]: entry[6] for entry in corpus.CASES}
        with open(os.path.join(directory, "cases.tsv"), encoding="utf-8") as listing:
            rows = [line.split("\t") for line in listing.read().splitlines()]
        for name, kind, start, end, *_ in rows:
            if start == "-" or kind in ("hiss", "crossfade", "crossfade_same"):
                continue
            with self.subTest(case=name):
                path = os.path.join(directory, name + ".wav")
                first, last = float(start), float(end)
                self.assertGreater(rms(path, first, 0.1), -70)
                self.assertGreater(rms(path, last - 0.1, 0.1), -70)
                around = joins[name][-2:] if kind == "long" else joins[name]
                # The listing rounds to 1 ms: the windows outside keep 5 ms off the edges.
                if around[0][0] == "pause":
                    self.assertEqual(rms(path, first - 0.2, 0.195), float("-inf"), "before")
                if around[-1][0] == "pause":
                    self.assertEqual(rms(path, last + 0.005, 0.195), float("-inf"), "after")


if __name__ == "__main__":
    unittest.main()
