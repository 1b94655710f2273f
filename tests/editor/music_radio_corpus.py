#!/usr/bin/env python3
"""Music-radio takes with known song edges, for Select Song at song scale.

Each take is as long as a track of 32, 64 or 256 MB (16-bit stereo at 44100 Hz) and holds the end
of one song, one or more whole songs from their own start to their own end, and the start of the
next song, joined the way stations join them: pauses, DJ talk, crossfades, talk over an intro or
an outro, jingles and adverts over a music bed; some takes add FM hiss, a quiet intro or a dead
stop inside the song, and some hold talk alone. The songs come from four productions of
different genres (Debian packages singularity-music: electronica, fretsonfire-songs-sectoid: rock
with its own endings, song.ogg mixed with guitar.ogg, tecnoballz-data: tracker modules rendered
by ffmpeg's libopenmpt, wesnoth-1.16-music: orchestral), speech from espeak-ng (the DJs) and
festival with the voice festvox-us-slt-hts (a DJ and the adverts). Each source is decoded once
and levelled as a station would level it: compressed, then brought to one loudness, with a
limiter on the peaks.

The truth is the take's last complete song, from its first to its last audible frame, with talk
over its intro or outro; at a crossfade, the middle of the overlap. It is written to cases.tsv
beside the WAV files, one line a take, no heading:

    name  kind  start  end  group  part  overlap_before  overlap_after

in seconds ("-" for start and end: no song). group is "target" for cases with a tolerance and
"reported" for cases listed without one (crossfades between pieces of one production, or of
more than 5 s); part is "tune" or "judge": the two parts use different songs, so a finder can be
tuned on one and judged on the other. The overlaps are the crossfades' lengths at the song's
edges (0 where there is none).

    music_radio_corpus.py OUTPUT_DIRECTORY [SOURCE_DIRECTORY]

The decoded, levelled sources are kept in SOURCE_DIRECTORY when it is given (about 1 GB), so
that a second run skips decoding; otherwise they go when the takes are written.
"""
import array
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zlib

import radio_corpus
from radio_corpus import RATE, run

SINGULARITY = "/usr/share/games/singularity/music"
SECTOID = "/usr/share/games/fretsonfire/data/songs/sectoid"
TECNOBALLZ = "/usr/share/games/tecnoballz/musics"
WESNOTH = radio_corpus.MUSIC
SOURCES = [SINGULARITY, SECTOID, TECNOBALLZ, WESNOTH]

MB = 1024 * 1024 // 4  # frames a megabyte of track holds
WORKERS = 2
SCRATCH = "sources."  # the scratch directory's name in the output directory begins so
AUDIBLE = "-50d"  # below this a source's own start and end count as silence
MUSIC_RMS = -15.0  # dBFS: the loudness stations bring every song to, before 1 dB of headroom
SPEECH_RMS = -16.0
TRACKER_FADE = 3.0  # a tracker module loops: its first pass ends in a fade this long
SENTENCE_GAP = 0.35
OVER_MUSIC = -3.0  # dB on talk over a song, which is turned down under it, so that nothing clips

# A station's compressor: quiet passages raised, loud ones held down (about 2.5:1 above -30 dB).
COMPRESSOR = ["compand", "0.02,0.3", "6:-70,-70,-50,-40,-30,-24,0,-12", "0", "-90", "0"]


def frames(seconds):
    return int(round(seconds * RATE))


def at_frames(count):
    return "%ds" % count


class Source:
    """A piece of audio decoded and levelled once, kept as FLAC in the work directory."""

    def __init__(self, key, production, inputs, kind="ogg", longest=None, fade=None,
                 rms=MUSIC_RMS):
        self.key = key
        self.production = production
        self.inputs = inputs
        self.kind = kind  # ogg, mix (song.ogg with guitar.ogg), mod (tracker), speech
        self.longest = longest  # a piece longer than this is cut here, ending in a fade
        self.fade = fade if fade is not None else (TRACKER_FADE if kind == "mod" else 0.5)
        self.rms = rms
        self.path = None
        self.length = 0  # frames

    def make(self, work):
        raw = os.path.join(work, self.key + "_raw.wav")
        self.path = os.path.join(work, self.key + ".flac")
        if os.path.exists(self.path):  # kept from an earlier run
            self.length = int(subprocess.check_output(["soxi", "-s", self.path]))
            return
        inputs = list(self.inputs)
        effects = []
        if self.kind == "mod":
            rendered = os.path.join(work, self.key + "_mod.wav")
            run(["ffmpeg", "-nostdin", "-threads", "1", "-y", "-i", inputs[0], "-ar", str(RATE),
                 "-ac", "2", "-c:a", "pcm_s16le", rendered])
            inputs = [rendered]
        seconds = float(subprocess.check_output(["soxi", "-D", inputs[0]]))
        if self.kind == "mod" or (self.longest and seconds > self.longest):
            cut = min(seconds, self.longest or seconds)
            effects = ["trim", "0", "%.3f" % cut, "fade", "t", "0", "%.3f" % cut, str(self.fade)]
        mix = ["-m"] if self.kind == "mix" else []
        # Two passes: the compressor, measuring the loudness on the way; then the gain that
        # brings it to the station's level, the limiter, and the edges cut where sound begins.
        compressed = subprocess.run(
            ["sox", "-R"] + mix + inputs + ["-r", str(RATE), "-c", "2", "-b", "16", raw] + effects
            + COMPRESSOR + ["stats"], check=True, capture_output=True, text=True).stderr
        gain = self.rms - rms_in(compressed)
        run(["sox", "-R", "-V1", raw, "-C", "0", self.path, "vol", "%.2f" % gain, "dB", "0.05",
             "gain", "-1", "silence", "1", "0.01", AUDIBLE, "reverse", "silence", "1", "0.01", AUDIBLE,
             "reverse"])
        for scratch in (raw,) + ((inputs[0],) if self.kind == "mod" else ()):
            os.remove(scratch)
        self.length = int(subprocess.check_output(["soxi", "-s", self.path]))


    def edges_above(self, dbfs, seconds=20.0):
        """How many frames at the start and at the end of the source stay below dbfs RMS, in
        windows of 50 ms: in hiss at that level, a song's edges are where it rises above it."""
        window = frames(0.05)
        span = min(frames(seconds), self.length)
        threshold = (10 ** (dbfs / 20) * 32768) ** 2 * window * 2

        def quiet_windows(offset, backwards):
            raw = subprocess.run(["sox", self.path, "-t", "raw", "-e", "signed", "-b", "16", "-",
                                  "trim", at_frames(offset), at_frames(span)],
                                 check=True, capture_output=True).stdout
            values = array.array("h")
            values.frombytes(raw[:len(raw) // 4 * 4])
            starts = range(0, len(values) // 2 - window + 1, window)
            count = 0
            for first in (reversed(starts) if backwards else starts):
                power = sum(v * v for v in values[2 * first:2 * (first + window)])
                if power >= threshold:
                    break
                count += 1
            return count * window

        return quiet_windows(0, False), quiet_windows(self.length - span, True)


def rms_in(report):
    """The RMS level of both channels together, in dBFS, from sox's stats."""
    return float(re.search(r"RMS lev dB\s+(-?[\d.]+)", report).group(1))


def song(key, production, part, name=None):
    if production == "singularity":
        return key, Source(key, production, [os.path.join(SINGULARITY, name + ".ogg")]), part
    if production == "sectoid":
        folder = os.path.join(SECTOID, name)
        return key, Source(key, production, [os.path.join(folder, "song.ogg"),
                                             os.path.join(folder, "guitar.ogg")], "mix"), part
    if production == "tecnoballz":
        return key, Source(key, production, [os.path.join(TECNOBALLZ, name + ".mod")], "mod",
                           longest=290.0), part
    return key, Source(key, production, [os.path.join(WESNOTH, (name or key) + ".ogg")]), part


# Each song belongs to one part: no song is heard in both.
SONGS = dict((key, (source, part)) for key, source, part in [
    song("awakening", "singularity", "tune", "Awakening"),
    song("coherence", "singularity", "tune", "Coherence"),
    song("inevitable", "singularity", "tune", "Inevitable"),
    song("through_space", "singularity", "tune", "Through Space"),
    song("new_journey", "singularity", "tune", "A New Journey"),
    song("aberrations", "singularity", "tune", "Aberrations"),
    song("metal_madness", "sectoid", "tune", "Metal madness"),
    song("war_of_freedom", "sectoid", "tune", "War of freedom"),
    song("tecnoballz", "tecnoballz", "tune", "tecnoballz"),
    song("area3", "tecnoballz", "tune", "area3-game"),
    song("termigator", "tecnoballz", "tune", "termigator_reg-zbb"),
    song("area1", "tecnoballz", "tune", "area1-game"),
    song("heroes_rite", "wesnoth", "tune"),
    song("northerners", "wesnoth", "tune"),
    song("the_deep_path", "wesnoth", "tune"),
    song("frantic", "wesnoth", "tune"),
    song("loyalists", "wesnoth", "tune"),
    song("knolls", "wesnoth", "tune"),
    song("battle", "wesnoth", "tune"),
    song("by_product", "singularity", "judge", "By-Product"),
    song("deprecation", "singularity", "judge", "Deprecation"),
    song("enemy_unknown", "singularity", "judge", "Enemy Unknown"),
    song("orbital_elevator", "singularity", "judge", "Orbital Elevator"),
    song("media_threat", "singularity", "judge", "Media Threat"),
    song("nebula", "singularity", "judge", "Nebula"),
    song("escape", "sectoid", "judge", "Escape from chaosland"),
    song("feelings", "sectoid", "judge", "Feelings"),
    song("tecno_winn", "tecnoballz", "judge", "tecno-winn"),
    song("fridge", "tecnoballz", "judge", "fridge-in-space_from_reg-zbb"),
    song("area2", "tecnoballz", "judge", "area2-game"),
    song("over_theme", "tecnoballz", "judge", "over-theme"),
    song("breaking_the_chains", "wesnoth", "judge"),
    song("journeys_end", "wesnoth", "judge"),
    song("legends_of_the_north", "wesnoth", "judge"),
    song("traveling_minstrels", "wesnoth", "judge"),
    song("the_city_falls", "wesnoth", "judge"),
    song("elvish_theme", "wesnoth", "judge", "elvish-theme"),
    song("vengeful", "wesnoth", "judge"),
    song("suspense", "wesnoth", "judge"),
])

# Station jingles (a few seconds of music) and the music beds under adverts, one set a part.
JINGLES = {
    "tune": [Source("victory", "wesnoth", [os.path.join(WESNOTH, "victory.ogg")]),
             Source("high_score", "tecnoballz", [os.path.join(TECNOBALLZ, "high-score.mod")],
                    "mod", longest=4.0, fade=1.0)],
    "judge": [Source("victory2", "wesnoth", [os.path.join(WESNOTH, "victory2.ogg")],
                     longest=5.0, fade=1.0),
              Source("gardien", "tecnoballz", [os.path.join(TECNOBALLZ, "gardien-go.mod")], "mod",
                     longest=4.5, fade=1.0)],
}
BEDS = {
    "tune": Source("bed_ingame", "tecnoballz", [os.path.join(TECNOBALLZ, "in-game-music-1_reg.mod")],
                   "mod", longest=60.0),
    "judge": Source("bed_area5", "tecnoballz", [os.path.join(TECNOBALLZ, "area5-game.mod")], "mod",
                    longest=60.0),
}
BED_GAIN = -13.0

DJ = radio_corpus.TALK + [
    "It is twenty past nine, and you are listening to the late show. Thank you for all the "
    "messages tonight, keep them coming.",
    "That one went straight to the top of our chart last month. And here is another song we have "
    "been playing a lot this week.",
    "Coming up after the news, an interview with the band that plays the town hall on Saturday. "
    "Tickets are still available at the door.",
    "A caller asked for something with a bit more guitar. We can do that. Turn it up.",
]
ADVERTS = [
    "Tired of waiting for your bus? Rent a bike from City Wheels. Three hours for the price of "
    "one, every weekend in December.",
    "The winter sale at Harbour Furniture starts on Friday. Sofas, tables and beds at half "
    "price, while stocks last.",
    "Fresh bread every morning, from six o'clock. The corner bakery, on Station Road, open seven "
    "days a week.",
    "Ask your doctor or pharmacist. Always read the label. Terms and conditions apply.",
]


def sentences(texts):
    return [s.strip() + "." for text in texts for s in text.split(".") if s.strip()]


class Silence:
    """Digital silence between sentences, as a source of its own."""

    def __init__(self, work, key, seconds):
        self.path = os.path.join(work, key + ".flac")
        self.length = frames(seconds)
        run(["sox", "-R", "-V1", "-r", str(RATE), "-c", "2", "-n", "-b", "16", self.path, "trim",
             "0", at_frames(self.length)])


class Speech:
    """Sentences spoken by the DJs (espeak-ng, two voices) and the adverts' voice (festival),
    each a levelled source of its own."""

    def __init__(self, work):
        self.work = work
        self.dj = []
        self.advert = []
        self.gap = Silence(work, "gap", SENTENCE_GAP)
        self.turn = Silence(work, "turn", 0.6)  # between two speakers

    def make(self, pool):
        voices = [("en-us", "165", "50"), ("en-gb", "175", "38")]
        jobs = []
        for index, text in enumerate(sentences(DJ)):
            voice, speed, pitch = voices[index % len(voices)]
            raw = os.path.join(self.work, "dj_%02d_spoken.wav" % index)
            run(["espeak-ng", "-v", voice, "-s", speed, "-p", pitch, "-w", raw, text])
            self.dj.append(Source("dj_%02d" % index, "speech", [raw], "speech", rms=SPEECH_RMS))
        self.advert = self._festival(sentences(ADVERTS))
        jobs = [pool.submit(s.make, self.work) for s in self.dj + self.advert]
        return jobs

    def _festival(self, texts):
        script = os.path.join(self.work, "adverts.scm")
        made = []
        with open(script, "w", encoding="utf-8") as program:
            program.write("(voice_cmu_us_slt_arctic_hts)\n")
            for index, text in enumerate(texts):
                raw = os.path.join(self.work, "advert_%02d_spoken.wav" % index)
                program.write('(utt.save.wave (utt.synth (Utterance Text "%s")) "%s" \'riff)\n'
                              % (text, raw))
                made.append(Source("advert_%02d" % index, "speech", [raw], "speech",
                                   rms=SPEECH_RMS))
        run(["festival", "-b", script])
        return made


class Take:
    """Layers of levelled sources placed at known frames in a take of `length` frames."""

    def __init__(self, name, length):
        self.name = name
        self.length = length
        self.layers = []
        self.hiss_dbfs = None

    def place(self, source, offset, count, at, gain=0.0, fade_in=0, fade_out=0):
        layer = dict(paths=[source.path], offset=offset, count=count, at=at, gain=gain,
                     fade_in=fade_in, fade_out=fade_out)
        self.layers.append(layer)
        return layer

    def talk(self, voices, first, at, seconds, gap, gain=0.0):
        """Whole sentences from `first` on, spoken from `at` with `gap` (a Source of silence)
        between them until `seconds` have passed at least, or the take ends; returns the frame
        after the last one."""
        paths = []
        end = at
        index = first
        while (end - at < frames(seconds) or index == first) and (self.length is None or end < self.length):
            source = voices[index % len(voices)]
            if paths:
                paths.append(gap.path)
                end += gap.length
            paths.append(source.path)
            end += source.length
            index += 1
        self.layers.append(dict(paths=paths, offset=0, count=end - at, at=at, gain=gain,
                                fade_in=0, fade_out=0))
        return end

    def command(self, path):
        inputs = []
        for layer in self.layers:
            effects = ["trim", at_frames(layer["offset"]), at_frames(layer["count"])]
            if layer["gain"]:
                effects += ["vol", "%gdB" % layer["gain"]]
            if layer["fade_in"] or layer["fade_out"]:
                effects += ["fade", "t", at_frames(layer["fade_in"]), at_frames(layer["count"]),
                            at_frames(layer["fade_out"])]
            if layer["at"]:
                effects += ["pad", at_frames(layer["at"])]
            inputs += ["-v", "1", "|sox -R -V1 %s -p %s" % (" ".join(layer["paths"]),
                                                          " ".join(effects))]
        if self.hiss_dbfs is not None:
            # FM hiss: noise of its own on each channel, with the top of its band rolled off
            # (7.5 dB below full scale before the volume is set).
            inputs += ["-v", "1", "|sox -R -V1 -r %d -c 2 -n -p synth %s whitenoise whitenoise "
                       "lowpass 12000 vol %gdB" % (RATE, at_frames(self.length),
                                                   self.hiss_dbfs + 7.5)]
        if len(self.layers) + (self.hiss_dbfs is not None) < 2:
            inputs += ["-v", "1", "|sox -R -V1 -r %d -c 2 -n -p trim 0 %s" % (RATE,
                                                                             at_frames(self.length))]
        return ["sox", "-R", "-V1", "-m"] + inputs + ["-D", "-b", "16", path, "trim", "0",
                                                    at_frames(self.length)]


class Song:
    """One song placed in a take, with its edges as a listener hears them."""

    def __init__(self, source, start, count, layers):
        self.source = source
        self.start = start  # its first frame in the take
        self.end = start + count
        self.truth = [start, self.end]
        self.overlaps = [0.0, 0.0]
        self.layers = layers


def duck(take, song, begin, end, gain=-10.0):
    """Turns the song down by gain from frame begin to end of the take, as a station does under
    talk, with 0.3 s ramps: the layer that plays there becomes three."""
    layer = next((l for l in song.layers
                  if l["at"] <= max(begin, song.start) < l["at"] + l["count"]), None)
    if layer is None:
        return  # the song is not in the take (laid out with no tail, to measure the rest)
    stop = layer["at"] + layer["count"]
    begin, end, ramp = max(begin, layer["at"]), min(end, stop), frames(0.3)
    parts = []
    if begin > layer["at"]:
        parts.append(dict(layer, count=begin - layer["at"] + ramp, fade_out=ramp))
    parts.append(dict(layer, offset=layer["offset"] + begin - layer["at"], at=begin, gain=gain,
                      count=min(end + ramp, stop) - begin, fade_in=ramp if parts else layer["fade_in"],
                      fade_out=ramp if end < stop else layer["fade_out"]))
    if end < stop:
        parts.append(dict(layer, offset=layer["offset"] + end - layer["at"], at=end,
                          count=stop - end, fade_in=ramp))
    for layers in (take.layers, song.layers):
        index = layers.index(layer)
        layers[index:index + 1] = parts


def place_song(take, source, start, offset=0, count=None, quiet_intro=None, stop=None):
    """The song from `offset` for `count` frames at `start`: with its first quiet_intro seconds
    18 dB down (rising to full level over 1.5 s), or with `stop` = (seconds, gap): a dead stop of
    gap seconds after that much of it."""
    count = source.length - offset if count is None else count
    if quiet_intro is not None:
        quiet, ramp = frames(quiet_intro), frames(1.5)
        layers = [take.place(source, 0, quiet + ramp, start, gain=-18.0, fade_out=ramp),
                  take.place(source, quiet, count - quiet, start + quiet, fade_in=ramp)]
        return Song(source, start, count, layers)
    if stop is not None:
        before, gap = frames(stop[0]), frames(stop[1])
        edge = frames(0.01)
        layers = [take.place(source, 0, before, start, fade_out=edge),
                  take.place(source, before, count - before, start + before + gap, fade_in=edge)]
        placed = Song(source, start, count, layers)
        placed.end += gap
        placed.truth[1] = placed.end
        return placed
    return Song(source, start, count, [take.place(source, offset, count, start)])


class Joins:
    """The ways a station gets from one song to the next. Each places what sits between the
    songs and returns the frame where the next song starts, adjusting the songs' edges."""

    def __init__(self, take, part, speech):
        self.take = take
        self.part = part
        self.speech = speech
        # Which sentence, jingle or advert comes next: the takes begin at different ones.
        self.first = zlib.crc32(take.name.encode())
        self.counter = {}

    def _next(self, what, count):
        value = self.counter.get(what, 0)
        self.counter[what] = value + 1
        return (self.first + value) % count

    def pause(self, before, seconds):
        return before.end + frames(seconds)

    def talk(self, before, seconds):
        at = before.end + frames(0.5)
        end = self.take.talk(self.speech.dj, self._next("dj", len(self.speech.dj)), at, seconds,
                             self.speech.gap)
        return end + frames(0.5)

    def crossfade(self, before, seconds):
        overlap = frames(seconds)
        before.layers[-1]["fade_out"] = overlap
        before.truth[1] = before.end - overlap // 2
        before.overlaps[1] = seconds
        return before.end - overlap

    def jingle(self, before, _):
        jingles = JINGLES[self.part]
        source = jingles[self._next("jingle", len(jingles))]
        at = before.end + frames(0.3)
        self.take.place(source, 0, source.length, at)
        return at + source.length + frames(0.3)

    def advert(self, before, seconds):
        bed = BEDS[self.part]
        at = before.end + frames(0.7)
        words = self.take.talk(self.speech.advert, self._next("advert", len(self.speech.advert)),
                               at + frames(0.6), seconds, self.speech.gap)
        count = min(words + frames(0.8) - at, bed.length)
        self.take.place(bed, 0, count, at, gain=BED_GAIN, fade_in=frames(0.3),
                        fade_out=frames(0.6))
        return at + count + frames(0.7)

    def talk_intro(self, before, lead_and_seconds):
        """The DJ talks over the next song's first seconds, from `lead` seconds after it starts
        (before it, when negative)."""
        lead, seconds = lead_and_seconds
        talk_at = before.end + frames(0.8) + max(0, frames(lead))
        start = talk_at - frames(lead)
        end = self.take.talk(self.speech.dj, self._next("dj", len(self.speech.dj)), talk_at,
                             seconds, self.speech.gap, OVER_MUSIC)
        self.intro_talk = (talk_at, end)
        return start

    def talk_outro(self, before, over_and_after):
        """The DJ starts talking `over` seconds before the song ends and goes on `after` it."""
        over, after = over_and_after
        at = before.end - frames(over)
        end = self.take.talk(self.speech.dj, self._next("dj", len(self.speech.dj)), at,
                             over + after, self.speech.gap, OVER_MUSIC)
        duck(self.take, before, at, before.end)
        before.truth[1] = max(before.end, end)
        return before.truth[1] + frames(0.8)


def lay_out(take, part, speech, songs, joins, tail, changes):
    """Places the last `tail` frames of songs[0], the whole songs between, and the start of the
    last one up to the take's end (nothing of it when the take has no length yet); returns the
    whole songs placed and the frame where the last one starts."""
    join = Joins(take, part, speech)
    first = SONGS[songs[0]][0]
    previous = place_song(take, first, 0, first.length - tail, tail)
    placed = []
    for index, key in enumerate(songs[1:]):
        kind, value = joins[index]
        join.intro_talk = None
        start = getattr(join, kind)(previous, value)
        source = SONGS[key][0]
        if index == len(songs) - 2:
            if take.length is not None:
                current = place_song(take, source, start, 0, take.length - start)
                if kind == "crossfade":
                    current.layers[0]["fade_in"] = previous.layers[-1]["fade_out"]
            return placed, start
        current = place_song(take, source, start, **(changes if index == len(songs) - 3 else {}))
        if kind == "crossfade":
            current.layers[0]["fade_in"] = previous.layers[-1]["fade_out"]
            current.truth[0] = start + current.layers[0]["fade_in"] // 2
            current.overlaps[0] = previous.overlaps[1]
        if join.intro_talk is not None:
            current.truth[0] = min(start, join.intro_talk[0])
            duck(take, current, *join.intro_talk)
        placed.append(current)
        previous = current
    raise ValueError("%s: a take needs two songs at least" % take.name)


def build(case, speech):
    """The take of one case, and its last whole song (None for a take of talk alone)."""
    name, kind, group, part, megabytes, songs, joins, changes = case
    changes = dict(changes)
    take = Take(name, megabytes * MB)
    take.hiss_dbfs = changes.pop("hiss", None)
    if kind == "none":
        voices = speech.dj + speech.advert
        first = zlib.crc32(name.encode()) % len(voices)
        take.talk(voices, first, frames(0.3), take.length / RATE, speech.turn)
        return take, None
    _, used = lay_out(Take(name, None), part, speech, songs, joins, 0, changes)
    first, last = SONGS[songs[0]][0], SONGS[songs[-1]][0]
    # How much of the next song the take holds varies from take to take, 15 to 65 s.
    head = frames(15 + zlib.crc32(name.encode()) % 51)
    head = min(head, last.length - frames(10), (take.length - used) // 2)
    tail = min(take.length - used - head, first.length - frames(5))
    head = take.length - used - tail
    if tail < frames(8) or not frames(8) <= head <= last.length - frames(5):
        raise ValueError("%s: the songs do not fit the take (tail %.1f s, head %.1f s)" %
                         (name, tail / RATE, head / RATE))
    placed, _ = lay_out(take, part, speech, songs, joins, tail, changes)
    last = placed[-1]
    if take.hiss_dbfs is not None:
        lead, trail = last.source.edges_above(take.hiss_dbfs)
        if last.truth[0] == last.start:
            last.truth[0] += lead
        if last.truth[1] == last.end:
            last.truth[1] -= trail
    return take, last


def case(name, kind, part, songs, joins, megabytes=64, group="target", **changes):
    if isinstance(joins, tuple):
        joins = [joins] * (len(songs) - 1)
    return (name, kind, group, part, megabytes, songs, joins, changes)


CASES = [
    case("pause_1", "pause", "tune", ["through_space", "northerners", "tecnoballz"],
         [("pause", 1.5), ("pause", 2.0)]),
    case("pause_2", "pause", "tune", ["battle", "war_of_freedom", "awakening"],
         [("pause", 0.5), ("pause", 1.0)]),
    case("pause_3", "pause", "judge", ["nebula", "traveling_minstrels", "fridge"],
         [("pause", 0.8), ("pause", 1.2)]),
    case("pause_4", "pause", "judge", ["vengeful", "deprecation", "feelings"],
         [("pause", 2.0), ("pause", 0.6)]),
    case("pause_short_song", "pause", "tune", ["knolls", "metal_madness", "area1"],
         ("pause", 1.0), megabytes=32),
    case("talk_1", "talk", "tune", ["aberrations", "heroes_rite", "metal_madness"],
         [("talk", 8), ("talk", 12)]),
    case("talk_2", "talk", "tune", ["knolls", "inevitable", "termigator"], ("talk", 10)),
    case("talk_3", "talk", "judge", ["media_threat", "escape", "over_theme"],
         [("talk", 14), ("talk", 7)]),
    case("talk_4", "talk", "judge", ["suspense", "area2", "by_product"], ("talk", 9),
         megabytes=32),
    case("crossfade_1", "crossfade", "tune", ["new_journey", "the_deep_path", "war_of_freedom"],
         [("crossfade", 2.0), ("crossfade", 3.0)]),
    case("crossfade_2", "crossfade", "tune", ["knolls", "coherence", "tecnoballz"],
         [("crossfade", 4.0), ("crossfade", 5.0)]),
    case("crossfade_3", "crossfade", "tune", ["aberrations", "loyalists", "metal_madness"],
         [("crossfade", 3.0), ("crossfade", 2.5)]),
    case("crossfade_4", "crossfade", "judge", ["vengeful", "orbital_elevator", "escape"],
         [("crossfade", 2.0), ("crossfade", 4.0)]),
    case("crossfade_5", "crossfade", "judge", ["nebula", "tecno_winn", "journeys_end"],
         [("crossfade", 5.0), ("crossfade", 3.0)]),
    case("crossfade_6", "crossfade", "judge", ["media_threat", "feelings", "the_city_falls"],
         [("crossfade", 3.5), ("crossfade", 2.0)]),
    case("crossfade_long_1", "crossfade", "tune", ["battle", "awakening", "frantic"],
         [("crossfade", 7.0), ("crossfade", 6.0)], group="reported"),
    case("crossfade_long_2", "crossfade", "judge", ["suspense", "enemy_unknown", "feelings"],
         [("crossfade", 8.0), ("crossfade", 6.5)], group="reported"),
    case("crossfade_same_1", "crossfade_same", "tune", ["knolls", "heroes_rite", "northerners"],
         [("crossfade", 3.0), ("crossfade", 4.0)], group="reported"),
    case("crossfade_same_2", "crossfade_same", "judge",
         ["media_threat", "deprecation", "enemy_unknown"],
         [("crossfade", 4.0), ("crossfade", 3.0)], group="reported"),
    case("talk_intro_1", "talk_intro", "tune", ["new_journey", "the_deep_path", "area3"],
         [("talk_intro", (1.5, 10)), ("pause", 1.0)]),
    case("talk_intro_2", "talk_intro", "tune", ["battle", "through_space", "war_of_freedom"],
         [("talk_intro", (-3.0, 12)), ("talk_intro", (2.0, 8))]),
    case("talk_intro_3", "talk_intro", "judge", ["nebula", "legends_of_the_north", "by_product"],
         [("talk_intro", (0.5, 14)), ("pause", 1.5)]),
    case("talk_intro_4", "talk_intro", "judge", ["suspense", "by_product", "area2"],
         [("talk_intro", (-2.0, 9)), ("talk_intro", (1.0, 9))]),
    case("talk_outro_1", "talk_outro", "tune", ["knolls", "inevitable", "heroes_rite"],
         [("pause", 1.0), ("talk_outro", (6, 3))]),
    case("talk_outro_2", "talk_outro", "tune", ["aberrations", "frantic", "tecnoballz"],
         [("talk_outro", (5, 2)), ("talk_outro", (8, 4))]),
    case("talk_outro_3", "talk_outro", "judge", ["nebula", "breaking_the_chains", "escape"],
         [("pause", 1.5), ("talk_outro", (7, 1.5))]),
    case("talk_outro_4", "talk_outro", "judge", ["media_threat", "escape", "journeys_end"],
         [("talk_outro", (4, 3)), ("talk_outro", (10, 2))]),
    case("jingle_1", "jingle", "tune", ["new_journey", "loyalists", "coherence"], ("jingle", 0)),
    case("jingle_2", "jingle", "tune", ["battle", "tecnoballz", "through_space"], ("jingle", 0)),
    case("jingle_3", "jingle", "judge", ["vengeful", "enemy_unknown", "fridge"], ("jingle", 0)),
    case("jingle_4", "jingle", "judge", ["media_threat", "elvish_theme", "orbital_elevator"],
         ("jingle", 0)),
    case("advert_1", "advert", "tune", ["aberrations", "northerners", "war_of_freedom"],
         [("advert", 20), ("advert", 25)]),
    case("advert_2", "advert", "tune", ["knolls", "awakening", "the_deep_path"],
         [("pause", 1.0), ("advert", 22)]),
    case("advert_3", "advert", "judge", ["nebula", "the_city_falls", "tecno_winn"],
         [("advert", 24), ("advert", 18)]),
    case("advert_4", "advert", "judge", ["media_threat", "legends_of_the_north", "deprecation"],
         [("advert", 18), ("pause", 1.0)]),
    case("hiss_1", "hiss", "tune", ["new_journey", "heroes_rite", "tecnoballz"],
         [("pause", 1.5), ("pause", 1.0)], hiss=-48),
    case("hiss_2", "hiss", "tune", ["battle", "coherence", "loyalists"],
         [("talk", 9), ("pause", 1.2)], hiss=-40),
    case("hiss_3", "hiss", "judge", ["nebula", "journeys_end", "orbital_elevator"],
         [("pause", 1.0), ("pause", 1.5)], hiss=-44),
    case("hiss_4", "hiss", "judge", ["suspense", "feelings", "deprecation"],
         [("pause", 2.0), ("talk", 10)], hiss=-36),
    case("quiet_intro_1", "quiet_intro", "tune", ["knolls", "inevitable", "northerners"],
         ("pause", 1.0), quiet_intro=20.0),
    case("quiet_intro_2", "quiet_intro", "tune", ["aberrations", "war_of_freedom", "the_deep_path"],
         ("pause", 1.5), quiet_intro=12.0),
    case("quiet_intro_3", "quiet_intro", "judge", ["nebula", "traveling_minstrels", "escape"],
         ("pause", 1.0), quiet_intro=25.0),
    case("quiet_intro_4", "quiet_intro", "judge", ["vengeful", "tecno_winn", "enemy_unknown"],
         ("pause", 0.8), quiet_intro=15.0),
    case("stop_inside_1", "stop_inside", "tune", ["battle", "coherence", "metal_madness"],
         ("pause", 1.5), stop=(95.0, 0.8)),
    case("stop_inside_2", "stop_inside", "tune", ["new_journey", "frantic", "awakening"],
         ("pause", 1.0), stop=(60.0, 0.6)),
    case("stop_inside_3", "stop_inside", "judge", ["suspense", "by_product", "breaking_the_chains"],
         ("pause", 1.2), stop=(140.0, 1.0)),
    case("stop_inside_4", "stop_inside", "judge", ["media_threat", "feelings", "over_theme"],
         ("pause", 2.0), stop=(75.0, 0.5)),
    case("talk_alone_1", "none", "tune", [], [], megabytes=32),
    case("talk_alone_2", "none", "judge", [], [], megabytes=32),
    case("long_take_1", "long", "tune",
         ["knolls", "coherence", "heroes_rite", "metal_madness", "area3", "inevitable",
          "northerners", "war_of_freedom"],
         [("pause", 1.0), ("crossfade", 3.0), ("talk", 10), ("jingle", 0), ("talk_intro", (1, 9)),
          ("crossfade", 4.0), ("pause", 1.5)], megabytes=256),
    case("long_take_2", "long", "judge",
         ["vengeful", "enemy_unknown", "breaking_the_chains", "area2", "escape", "deprecation",
          "the_city_falls", "fridge"],
         [("talk", 8), ("crossfade", 2.5), ("advert", 20), ("pause", 1.0), ("crossfade", 4.0),
          ("talk_outro", (6, 2)), ("pause", 1.2)], megabytes=256),
]


def sources_of(cases):
    needed = {}
    for entry in cases:
        part, songs = entry[3], entry[5]
        for key in songs:
            source, song_part = SONGS[key]
            if song_part != part:
                raise ValueError("%s: %s belongs to the %s part" % (entry[0], key, song_part))
            needed[key] = source
        for source in JINGLES[part] + [BEDS[part]]:
            needed[source.key] = source
    return list(needed.values())


def listing(entry, song):
    name, kind, group, part = entry[:4]
    if song is None:
        return "\t".join((name, kind, "-", "-", group, part, "0", "0"))
    return "\t".join((name, kind, "%.3f" % (song.truth[0] / RATE), "%.3f" % (song.truth[1] / RATE),
                      group, part, "%g" % song.overlaps[0], "%g" % song.overlaps[1]))


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    output = sys.argv[1]
    os.makedirs(output, exist_ok=True)
    maker = radio_corpus.maker_of([__file__, radio_corpus.__file__], SOURCES)
    if radio_corpus.up_to_date(output, maker):
        return  # the takes this script writes are there already
    missing = [folder for folder in SOURCES if not os.path.isdir(folder)]
    if missing:
        print("no music in %s: no corpus written" % ", ".join(missing))
        return
    lines = []
    for name in os.listdir(output):  # what a run stopped halfway left
        if name.startswith(SCRATCH):
            shutil.rmtree(os.path.join(output, name), ignore_errors=True)
    with tempfile.TemporaryDirectory(prefix=SCRATCH, dir=output) as scratch, \
            concurrent.futures.ThreadPoolExecutor(WORKERS) as pool:
        work = sys.argv[2] if len(sys.argv) > 2 else scratch
        os.makedirs(work, exist_ok=True)
        jobs = [pool.submit(source.make, work) for source in sources_of(CASES)]
        speech = Speech(work)
        jobs += speech.make(pool)
        for job in jobs:
            job.result()
        takes = []
        for entry in CASES:
            take, song = build(entry, speech)
            takes.append(pool.submit(run, take.command(os.path.join(output, entry[0] + ".wav"))))
            lines.append(listing(entry, song))
        for job in takes:
            job.result()
    radio_corpus.finish(output, lines, maker)


if __name__ == "__main__":
    main()
