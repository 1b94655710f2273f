#!/usr/bin/env python3
"""Radio-like takes with known song edges, for Select Song.

Music comes from Debian's wesnoth-1.16-music (decoded by sox), speech from espeak-ng. Each take
is a mix of layers: excerpts placed at known times, with fades, gains and hiss. The take's last
complete song is the truth; its edges are written to cases.tsv beside the WAV files:

    name <TAB> kind <TAB> start seconds <TAB> end seconds      ("-" for both: no song)

    radio_corpus.py OUTPUT_DIRECTORY [MUSIC_DIRECTORY]
"""
import hashlib
import os
import subprocess
import sys
import tempfile

MUSIC = "/usr/share/games/wesnoth/1.16/data/core/music"
RATE = 44100
EDGE_FADE = 0.05  # excerpts start and end without a click

TALK = [
    "Good evening and welcome back. That was a classic from the archive, and there is plenty more "
    "to come before midnight, so stay with us.",
    "The weather tonight stays dry in the north, with a light wind from the west and temperatures "
    "falling to four degrees.",
    "Traffic is moving freely on the ring road, but expect delays near the bridge because of "
    "road works that run until Friday.",
    "Next up, something a little different. A piece that our listeners asked for again and again "
    "this week. Here it is.",
]


def run(arguments):
    subprocess.run(arguments, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Take:
    """Layers of audio placed in a take of `length` seconds, mixed by sox."""

    def __init__(self, work, name, length):
        self.work = work
        self.name = name
        self.length = length
        self.layers = []

    def _layer(self):
        path = os.path.join(self.work, "%s_%d.wav" % (self.name, len(self.layers)))
        self.layers.append(path)
        return path

    def music(self, track, offset, at, duration, gain=0.0, fade_in=EDGE_FADE, fade_out=EDGE_FADE,
              compressed=False):
        """An excerpt of a music track from `offset`, played at `at` for `duration` seconds."""
        effects = ["trim", str(offset), str(duration)]
        if compressed:
            effects += ["compand", "0.005,0.1", "6:-70,-70,-40,-12,-20,-6,0,-2", "0", "-90", "0.05"]
        effects += ["gain", "-n", "-1", "vol", "%gdB" % gain,
                    "fade", "t", str(fade_in), str(duration), str(fade_out), "pad", str(at)]
        run(["sox", os.path.join(MUSIC, track + ".ogg"), "-r", str(RATE), "-c", "2", "-b", "16",
             self._layer()] + effects)

    def talk(self, sentence, at, duration, gain=-4.0):
        """Speech from one of the talk texts, cut to `duration` seconds."""
        spoken = os.path.join(self.work, "%s_speech_%d.wav" % (self.name, len(self.layers)))
        run(["espeak-ng", "-s", "165", "-w", spoken, " ".join(TALK[sentence:] + TALK[:sentence])])
        run(["sox", spoken, "-r", str(RATE), "-c", "2", "-b", "16", self._layer(), "trim", "0",
             str(duration), "gain", "-n", "-1", "vol", "%gdB" % gain,
             "fade", "t", str(EDGE_FADE), str(duration), str(EDGE_FADE), "pad", str(at)])

    def hiss(self, dbfs):
        """White noise at dbfs RMS over the whole take (uniform noise is 4.77 dB below its peak)."""
        run(["sox", "-n", "-r", str(RATE), "-c", "2", "-b", "16", self._layer(), "synth",
             str(self.length), "whitenoise", "vol", "%gdB" % (dbfs + 4.77)])

    def write(self, path):
        silence = self._layer()
        run(["sox", "-n", "-r", str(RATE), "-c", "2", "-b", "16", silence, "trim", "0",
             str(self.length)])
        inputs = []
        for layer in self.layers:
            inputs += ["-v", "1", layer]
        run(["sox", "-m"] + inputs + [path, "trim", "0", str(self.length)])


def songs_between(take, gaps, tracks, song=30.0, edge=8.0, talk_gain=None, compressed=False):
    """A song's tail, a full song and the next one's start, with gaps between them: a pause (silence)
    when talk_gain is None, else that long a stretch of talk. Returns the full song's edges."""
    at = 0.0
    take.music(tracks[0], 40, at, edge, compressed=compressed)
    at += edge
    for index, gap in enumerate(gaps):
        if talk_gain is not None:
            take.talk(index, at, gap, talk_gain)
        at += gap
        if index == 0:
            start = at
            take.music(tracks[1], 20, at, song, compressed=compressed)
            at += song
            end = at
    take.music(tracks[2], 30, at, take.length - at, compressed=compressed)
    return start, end


def pause_case(take, gaps, hiss=None):
    if hiss is not None:
        take.hiss(hiss)
    return songs_between(take, gaps, ["battle", "loyalists", "wanderer"])


def talk_case(take, tracks=("northerners", "heroes_rite", "knolls"), hiss=None):
    if hiss is not None:
        take.hiss(hiss)
    return songs_between(take, [7.0, 6.0], list(tracks), talk_gain=-4.0)


def compressed_talk_case(take):
    return songs_between(take, [6.0, 6.0], ["frantic", "battle", "vengeful"], talk_gain=-10.0,
                         compressed=True)


def outro_talk_case(take):
    """The song's last 5 s fade out; the DJ starts talking after 1 s of it, ducking it to -12 dB."""
    take.music("journeys_end", 40, 0, 8)
    take.talk(1, 8, 5)
    start = 13.0
    take.music("traveling_minstrels", 20, start, 26, fade_out=0.3)
    take.music("traveling_minstrels", 46, 39, 4.0, gain=-12.0, fade_out=4.0)
    take.talk(2, 39, 8)
    take.music("knolls", 30, 47, take.length - 47)
    return start, 39.0


def crossfade_case(take, fades, tracks=("the_deep_path", "silvan_sanctuary", "wanderer")):
    """Songs that overlap, one fading out as the next fades in; the edge is the middle of the fade."""
    first, second = fades
    take.music(tracks[0], 40, 0, 10, fade_out=first)
    take.music(tracks[1], 30, 10 - first, 30 + first, fade_in=first, fade_out=second)
    take.music(tracks[2], 60, 40 - second, take.length - 40 + second, fade_in=second)
    return 10 - first / 2, 40 - second / 2


def jingle_case(take):
    """Each song is followed by a 1.5 s jingle, with 0.2 s of silence either side of it."""
    take.music("battle", 40, 0, 8)
    take.music("revelation", 10, 8.2, 1.5)
    take.music("loyalists", 20, 9.9, 30)
    take.music("revelation", 10, 40.1, 1.5)
    take.music("wanderer", 30, 41.8, take.length - 41.8)
    return 9.9, 39.9


def quiet_passage_case(take):
    """A quiet piece holding a 1 s passage at about -60 dBFS, between pauses."""
    take.music("battle", 40, 0, 8)
    take.music("elvish-theme", 30, 9.5, 14, gain=-6.0)
    take.music("elvish-theme", 44, 23.5, 1.0, gain=-46.0, fade_in=0.0, fade_out=0.0)
    take.music("elvish-theme", 45, 24.5, 14, gain=-6.0)
    take.music("wanderer", 30, 40, take.length - 40)
    return 9.5, 38.5


def long_song_case(take):
    """A long song whose harmony and timbre change at a new section (about 24 s in), between
    pauses: it must stay one song."""
    take.music("battle", 40, 0, 8)
    take.music("silvan_sanctuary", 25, 9.5, 48)
    take.music("wanderer", 30, 59, take.length - 59)
    return 9.5, 57.5


def gradual_song_case(take, track, offset):
    """An 80 s excerpt of a song whose sound changes gradually in places (instruments fading in
    and out), between pauses: it must stay one song."""
    take.music("battle", 40, 0, 8)
    take.music(track, offset, 9.5, 80)
    take.music("wanderer", 30, 91, take.length - 91)
    return 9.5, 89.5


def talk_only_case(take):
    at = 0.0
    for sentence in range(4):
        take.talk(sentence, at, 9.5)
        at += 10.0
    return None


CASES = [
    ("pause", "pause", 50, lambda t: pause_case(t, [1.5, 2.0])),
    ("short_pauses", "pause", 50, lambda t: pause_case(t, [0.4, 0.5])),
    ("other_songs", "pause", 50,
     lambda t: songs_between(t, [1.0, 1.0], ["frantic", "northern_mountains", "transience"])),
    ("hiss_50", "pause", 50, lambda t: pause_case(t, [1.5, 2.0], hiss=-50)),
    ("hiss_40", "pause", 50, lambda t: pause_case(t, [1.5, 2.0], hiss=-40)),
    ("quiet_passage", "pause", 48, quiet_passage_case),
    ("long_song_sections", "pause", 68, long_song_case),
    ("gradual_changes", "pause", 100, lambda t: gradual_song_case(t, "love_theme", 5)),
    ("gradual_changes_2", "pause", 100, lambda t: gradual_song_case(t, "casualties_of_war", 100)),
    ("dj_talk", "talk", 55, talk_case),
    ("dj_talk_in_hiss", "talk", 55, lambda t: talk_case(t, ("underground", "the_city_falls", "loyalists"), -45)),
    ("loud_songs_quiet_talk", "talk", 54, compressed_talk_case),
    ("talk_over_outro", "talk", 55, outro_talk_case),
    ("crossfade_2s", "crossfade", 50, lambda t: crossfade_case(t, (2.0, 3.0))),
    ("crossfade_4s", "crossfade", 50, lambda t: crossfade_case(t, (4.0, 3.0))),
    ("crossfade_other", "crossfade", 50,
     lambda t: crossfade_case(t, (3.0, 2.0), ("knolls", "battle", "elvish-theme"))),
    ("crossfade_more", "crossfade", 50,
     lambda t: crossfade_case(t, (2.0, 4.0), ("wanderer", "northerners", "frantic"))),
    ("crossfade_5s", "crossfade", 50,
     lambda t: crossfade_case(t, (5.0, 5.0), ("legends_of_the_north", "love_theme", "breaking_the_chains"))),
    ("crossfade_3s", "crossfade", 50,
     lambda t: crossfade_case(t, (3.0, 3.0), ("casualties_of_war", "traveling_minstrels", "underground"))),
    ("jingle", "jingle", 50, jingle_case),
    ("talk_only", "none", 40, talk_only_case),
]


def maker_of(scripts, sources):
    """A hash of the scripts that write a corpus and where its sources are: a corpus whose stamp
    holds it is up to date."""
    digest = hashlib.sha256()
    for script in scripts:
        with open(script, "rb") as text:
            digest.update(text.read())
    digest.update("\n".join(sources).encode())
    return digest.hexdigest()


def up_to_date(output, maker):
    """Whether output holds the corpus maker writes; when it does not, its listing and stamp go,
    so that a corpus stopped halfway is never taken for a complete one."""
    manifest = os.path.join(output, "cases.tsv")
    stamp = os.path.join(output, "made_by")
    if os.path.exists(manifest) and os.path.exists(stamp):
        with open(stamp, encoding="utf-8") as made_by:
            if made_by.read() == maker:
                return True
    for old in (manifest, stamp):
        if os.path.exists(old):
            os.remove(old)
    return False


def finish(output, lines, maker):
    """Writes the listing of the cases, then the stamp that says the corpus is complete."""
    with open(os.path.join(output, "cases.tsv"), "w", encoding="utf-8") as listing:
        listing.write("\n".join(lines) + "\n")
    with open(os.path.join(output, "made_by"), "w", encoding="utf-8") as made_by:
        made_by.write(maker)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    global MUSIC
    output = sys.argv[1]
    if len(sys.argv) > 2:
        MUSIC = sys.argv[2]
    os.makedirs(output, exist_ok=True)
    maker = maker_of([__file__], [MUSIC])
    if up_to_date(output, maker):
        return  # the takes this script writes are there already
    if not os.path.isdir(MUSIC):
        print("no music in %s (package wesnoth-1.16-music): no corpus written" % MUSIC)
        return
    lines = []
    with tempfile.TemporaryDirectory() as work:
        for name, kind, length, build in CASES:
            take = Take(work, name, length)
            song = build(take)
            take.write(os.path.join(output, name + ".wav"))
            edges = ("-", "-") if song is None else ("%.3f" % song[0], "%.3f" % song[1])
            lines.append("\t".join((name, kind) + edges))
    finish(output, lines, maker)


if __name__ == "__main__":
    main()
