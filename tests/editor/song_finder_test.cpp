// SPDX-License-Identifier: GPL-3.0-or-later
// Select Song over generated audio: songs and pauses of chosen lengths, with the song's edges
// known to the frame, first through the finder alone, then its worker, then the Edit menu
// command.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "editor_fixture.h"
#include "pause_finder.h"
#include "song_finder.h"
#include "song_search.h"

void PrintTo(const SongSelection& selection, std::ostream* out)
{
    *out << "frames " << selection.clipbegin << " to " << selection.clipend;
}

namespace {

constexpr int32_t kPause = kShortestPauseFrames;
constexpr int32_t kMargin = kSongMarginFrames;
constexpr int32_t kSong = kShortestSongFrames + 4410;
constexpr int kLoud = 12000;
// Uniform noise peaking at 370 is 34 dB below the tone, at 1200 24 dB: hiss; at 4000 it is
// music's own level.
constexpr int kQuietNoise = 370;
constexpr int kHiss = 1200;
constexpr int kLoudNoise = 4000;

// A track written piece by piece. Sound is a tone whose two channels are a quarter turn apart,
// so that every frame of it is loud on one channel at least, and first and last frames are
// known to the frame.
class GeneratedTrack {
public:
    // Appends sound; returns its first frame.
    int32_t sound(int32_t frames)
    {
        const int32_t first = length();
        for (int32_t n = 0; n < frames; ++n) {
            const double phase = 2.0 * std::numbers::pi * 440.0 * n / 44100.0;
            append(int16_t(std::lround(kLoud * std::cos(phase))),
                   int16_t(std::lround(kLoud * std::sin(phase))));
        }
        return first;
    }

    // Appends frames of noise no louder than peak on either channel (0: digital silence).
    void quiet(int32_t frames, int peak = 0)
    {
        std::uniform_int_distribution<int> noise(-peak, peak);
        for (int32_t n = 0; n < frames; ++n)
            append(int16_t(noise(random_)), int16_t(noise(random_)));
    }

    // Appends talk: a voice, centred as a microphone is (both channels alike), in syllables of
    // tone 0.15 s long with 0.1 s dips 40 dB down between them, a longer dip every fourth, never
    // quiet long enough for a pause.
    void talk(int32_t frames)
    {
        const int32_t first = thinBars(frames);
        for (int32_t n = first; n < first + frames; ++n)
            values[size_t(2 * n + 1)] = values[size_t(2 * n)];
    }

    // Appends sound that dips as talk does, with the sound's stereo image: a song's sparse bars.
    int32_t thinBars(int32_t frames)
    {
        const int32_t first = sound(frames);
        for (int32_t n = 0; n < frames; ++n) {
            const int32_t inWord = n % 11025;
            const bool dip = inWord % 11025 < 2205 * 4 ? inWord % 2205 >= 1323 : true;
            if (!dip) continue;
            values[size_t(2 * (first + n))] = int16_t(values[size_t(2 * (first + n))] / 100);
            values[size_t(2 * (first + n) + 1)] =
                int16_t(values[size_t(2 * (first + n) + 1)] / 100);
        }
        return first;
    }

    // Sets the right value of a frame: one sample of another level in a quiet stretch.
    void spikeAt(int32_t frame, int peak) { values[size_t(2 * frame + 1)] = int16_t(peak); }

    int32_t length() const { return int32_t(values.size() / 2); }

    std::vector<int16_t> values;

private:
    void append(int16_t left, int16_t right)
    {
        values.push_back(left);
        values.push_back(right);
    }

    std::mt19937 random_{3};
};

const std::vector<int16_t>* readTrack = nullptr;

int32_t readGenerated(int32_t from, int32_t to, int16_t* values)
{
    if (from < 0 || to < from || size_t(to) * 2 > readTrack->size()) return -1;
    std::copy(readTrack->begin() + 2 * from, readTrack->begin() + 2 * to, values);
    return to - from;
}

std::optional<SongSelection> findIn(const GeneratedTrack& track,
                                    std::span<const int32_t> hints = {})
{
    readTrack = &track.values;
    const std::optional<std::vector<SongSelection>> songs =
        findSongs(readGenerated, track.length(), {}, hints);
    if (!songs || songs->empty()) return std::nullopt;
    return songs->back();
}

// The selection of a song of sound frames from first on: 50 ms of pause either side.
SongSelection around(int32_t first, int32_t frames)
{
    return {first - kMargin, first + frames + kMargin};
}

TEST(SongFinder, SongsOfDifferentLengthsBetweenPauses_TheLastCompleteOneIsSelected)
{
    GeneratedTrack track;
    track.sound(30000);  // the end of what played before
    track.quiet(20000);
    track.sound(kSong + 90000);
    track.quiet(kPause + 777);
    const int32_t last = track.sound(kSong + 5011);
    track.quiet(kPause + 3);
    track.sound(kSong / 3);  // a jingle: too short for a song
    track.quiet(kPause);
    track.sound(20000);  // the start of what came next, cut off by the end of the track
    EXPECT_EQ(findIn(track), around(last, kSong + 5011));
}

TEST(SongFinder, SoundRunningIntoEitherEndOfTheTrackIsNotComplete)
{
    GeneratedTrack noPause;
    noPause.sound(3 * kSong);
    EXPECT_EQ(findIn(noPause), std::nullopt);

    GeneratedTrack onePause;
    onePause.sound(kSong + 60000);
    onePause.quiet(40000);
    onePause.sound(kSong + 60000);
    EXPECT_EQ(findIn(onePause), std::nullopt);

    GeneratedTrack pauseFirst;  // a pause at the start of the track counts as one
    pauseFirst.quiet(kPause);
    const int32_t first = pauseFirst.sound(kSong + 50000);
    pauseFirst.quiet(kPause);
    pauseFirst.sound(70000);
    EXPECT_EQ(findIn(pauseFirst), around(first, kSong + 50000));

    GeneratedTrack tooShortFirst;  // not once a frame of it is missing
    tooShortFirst.quiet(kPause - 1);
    tooShortFirst.sound(kSong + 50000);
    tooShortFirst.quiet(kPause);
    tooShortFirst.sound(70000);
    EXPECT_EQ(findIn(tooShortFirst), std::nullopt);

    GeneratedTrack silent;
    silent.quiet(100000);
    EXPECT_EQ(findIn(silent), std::nullopt);
}

TEST(SongFinder, QuietPassagesShorterThanAPauseAndClicksInAPause_DoNotSplit)
{
    // The quiet passage starts and ends inside the finder's blocks, not at their edges.
    const auto songWithBreak = [](int32_t breakFrames, int32_t& second) {
        GeneratedTrack track;
        track.sound(40000);
        track.quiet(kPause + 1000);
        track.sound(kSong / 2 + 1);
        track.quiet(breakFrames);
        second = track.sound(kSong);
        track.quiet(kPause + 1000);
        track.sound(10000);
        return track;
    };
    int32_t second = 0;
    const GeneratedTrack shortBreak = songWithBreak(kPause - 1, second);
    EXPECT_EQ(findIn(shortBreak),
              (SongSelection{40000 + kPause + 1000 - kMargin, second + kSong + kMargin}));

    const GeneratedTrack pause = songWithBreak(kPause, second);
    EXPECT_EQ(findIn(pause), around(second, kSong));

    // A click in the middle of a pause leaves it one pause.
    GeneratedTrack clicked;
    clicked.sound(40000);
    clicked.quiet(kPause);
    const int32_t song = clicked.sound(kSong);
    const int32_t gap = clicked.length();
    clicked.quiet(kPause + kPause / 2);
    clicked.sound(10000);
    clicked.spikeAt(gap + kPause / 2, kLoud);
    EXPECT_EQ(findIn(clicked), around(song, kSong));
}

TEST(SongFinder, HissWellBelowTheLoudLevelMakesAPause_NoiseNearItDoesNot)
{
    const auto noisyTrack = [](int noise, int32_t& song) {
        GeneratedTrack track;
        track.sound(40000);
        track.quiet(kPause + 500, noise);
        song = track.sound(kSong);
        track.quiet(kPause + 500, noise);
        track.sound(20000);
        return track;
    };
    int32_t song = 0;
    for (const int hiss : {kQuietNoise, kHiss}) {
        const GeneratedTrack track = noisyTrack(hiss, song);
        EXPECT_EQ(findIn(track), around(song, kSong)) << "hiss peaking at " << hiss;
    }
    EXPECT_EQ(findIn(noisyTrack(kLoudNoise, song)), std::nullopt);
}

TEST(SongFinder, ASongFadingIntoHiss_EndsWhereItSinksToTheHissLevel)
{
    // The fade is noise-like and quiet enough for a pause, but 8 dB above the hiss after it.
    constexpr int32_t kFade = 22050;
    GeneratedTrack track;
    track.sound(40000);
    track.quiet(kPause + 500, kQuietNoise);
    const int32_t song = track.sound(kSong);
    track.quiet(kFade, 1000);
    track.quiet(2 * kPause, kQuietNoise);
    track.sound(20000);
    const std::optional<SongSelection> found = findIn(track);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->clipbegin, song - kMargin);
    EXPECT_NEAR(found->clipend, song + kSong + kFade + kMargin, kBlockFrames);
}

TEST(SongFinder, ASilentStartLeftByATakeShorterThanTheTrack_DoesNotLowerTheLoudLevel)
{
    GeneratedTrack track;
    track.quiet(4000000);  // never recorded: most of the track
    track.sound(40000);
    track.quiet(kPause, kQuietNoise);
    const int32_t song = track.sound(kSong);
    track.quiet(kPause, kQuietNoise);
    track.sound(20000);
    EXPECT_EQ(findIn(track), around(song, kSong));
}

struct EdgeCase {
    std::string name;
    int32_t talkBefore = 0;   // frames of talk running into the song
    int32_t talkAfter = 0;    // frames of talk running on from it
    int32_t stop = 0;         // frames of a dead stop in its middle
    bool talkAtPause = true;  // the talk's far side is a pause, not more music
    int32_t introAlone = 0;   // frames of the song heard after the pause before the talk
    int32_t thinBars = 0;     // frames in its middle that sound like talk
    int32_t lastBars = 0;     // frames like talk a few seconds before its end
    // A player named a new title 12 s after the stop: the music after it is another song.
    bool titleAfterStop = false;
};

TEST(SongFinder, TalkOverAnIntroOrOutroAndADeadStopBelongToTheSong_UnlessATitleSaysOtherwise)
{
    const std::vector<EdgeCase> cases{
        {"talk over the intro", 4 * 44100, 0, 0, true},
        {"talk over the outro", 0, 3 * 44100, 0, true},
        {"a dead stop", 0, 0, 30000, true},
        {"talk between two pieces", 4 * 44100, 0, 0, false},
        {"a moment of the intro, then talk over it", 4 * 44100, 0, 0, true, 2 * 44100},
        {"thin bars that sound like talk", 0, 0, 0, true, 0, 3 * 44100},
        {"thin bars a moment before the end", 0, 0, 0, true, 0, 0, 6 * 44100},
        {"a dead stop near an announced title", 0, 0, 30000, true, 0, 0, 0, true},
    };
    for (const EdgeCase& test : cases) {
        GeneratedTrack track;
        track.sound(10 * 44100);
        if (test.talkAtPause) track.quiet(44100);
        const int32_t talkStart = track.length();
        track.sound(test.introAlone);
        track.talk(test.talkBefore);
        const int32_t music = track.sound(25 * 44100);
        track.quiet(test.stop);
        track.thinBars(test.thinBars);
        const int32_t afterStop = track.sound(25 * 44100);
        track.thinBars(test.lastBars);
        track.sound(test.lastBars > 0 ? 4 * 44100 : 0);
        track.talk(test.talkAfter);
        const int32_t end = track.length();
        track.quiet(44100);
        track.sound(10 * 44100);
        const bool withTalk = test.talkBefore > 0 && test.talkAtPause;
        const SongSelection expected{withTalk              ? talkStart - kMargin
                                     : test.titleAfterStop ? afterStop - kMargin
                                     : test.talkAtPause    ? music - kMargin
                                                           : music,
                                     end + kMargin};
        std::vector<int32_t> hints;
        if (test.titleAfterStop) hints.push_back(afterStop + 12 * 44100);
        const std::optional<SongSelection> found = findIn(track, hints);
        ASSERT_TRUE(found.has_value()) << test.name;
        EXPECT_NEAR(found->clipbegin, expected.clipbegin, 44100 / 2) << test.name;
        EXPECT_NEAR(found->clipend, expected.clipend, 44100 / 2) << test.name;
    }
}

TEST(SongFinder, EachSelectWhileASongIsSelected_GoesToTheSongBefore)
{
    const std::vector<SongSelection> songs{{100, 500}, {900, 1500}, {2000, 2600}};
    EXPECT_EQ(songToSelect(songs, {0, 3000}), songs[2]);
    EXPECT_EQ(songToSelect(songs, songs[2]), songs[1]);
    EXPECT_EQ(songToSelect(songs, songs[1]), songs[0]);
    EXPECT_EQ(songToSelect(songs, songs[0]), std::nullopt);
    EXPECT_EQ(songToSelect(songs, {900, 1501}), songs[2]);  // a selection moved by hand
    EXPECT_EQ(songToSelect({}, {0, 3000}), std::nullopt);
}

// A reader that holds the worker at its first chunk until the test lets it go.
std::atomic<bool> readerEntered{false};
std::atomic<bool> readerReleased{false};
std::atomic<int32_t> chunksRead{0};

int32_t heldReader(int32_t from, int32_t to, int16_t* values)
{
    readerEntered = true;
    while (!readerReleased.load()) std::this_thread::yield();
    ++chunksRead;
    std::fill(values, values + 2 * (to - from), int16_t(0));
    return to - from;
}

TEST(SongSearch, ACancelledSearchStopsAtTheNextChunkAndFindsNothing)
{
    readerEntered = false;
    readerReleased = false;
    chunksRead = 0;
    BackgroundSongSearch search(heldReader, 100 * kSong);
    while (!readerEntered.load()) std::this_thread::yield();
    EXPECT_FALSE(search.done());
    search.cancel();
    readerReleased = true;
    EXPECT_EQ(search.result(), std::nullopt);
    EXPECT_TRUE(search.done());
    EXPECT_EQ(chunksRead.load(), 1);
}

class SelectSong : public EditorFixture {
protected:
    void SetUp() override { startUp(); }

    // Writes the generated audio at the start of the fake engine's track, silence after it.
    void load(const GeneratedTrack& track)
    {
        std::fill(fakeEngine.track.begin(), fakeEngine.track.end(), 0);
        std::copy(track.values.begin(), track.values.end(), fakeEngine.track.begin());
    }

    SongSelection selected() const
    {
        return {editor.state().selection->clipbegin, editor.state().selection->clipend};
    }

    // Sound cut by the track's start, then two songs between pauses; silence to the end. Gives
    // the songs' first frames.
    std::pair<int32_t, int32_t> loadTwoSongs()
    {
        GeneratedTrack track;
        track.sound(100000);
        track.quiet(30000);
        const int32_t first = track.sound(kSong);
        track.quiet(30000);
        const int32_t second = track.sound(kSong);
        load(track);
        return {first, second};
    }

    std::vector<ViewOp> rectangles() const
    {
        std::vector<ViewOp> found;
        for (const ViewOp& op : window.fakeView.ops)
            if (op.kind == ViewOp::Rectangle) found.push_back(op);
        return found;
    }

    ViewOp selectionRectangle(int32_t begin, int32_t end) const
    {
        return {ViewOp::Rectangle,
                editor.state().frm.DARKGREEN,
                PenMode::Xor,
                editor.view().frameToX(begin),
                0,
                editor.view().frameToX(end),
                129};
    }
};

TEST_F(SelectSong, SelectsTheLastSongThenEachOneBeforeUnderTheBusyWindow)
{
    // The track ends in silence: the pause after the last song runs to its end.
    const auto [first, second] = loadTwoSongs();
    std::vector<bool> editMenuWhileBusy;
    window.onEvents = [&] {
        editMenuWhileBusy.push_back(window.enabled[LockableControl::mnuEdit]);
    };
    editor.selection().selectSong();
    const SongSelection last = around(second, kSong);
    EXPECT_EQ(selected(), last);
    EXPECT_EQ(window.log, (std::vector<std::string>{"busy text: Finding the song ...", "busy init",
                                                    "busy hide"}));
    ASSERT_FALSE(window.progress.empty());
    EXPECT_EQ(window.progress.front(), 0);
    EXPECT_LE(window.progress.back(), 100);
    // The engine's controls are locked while the worker reads the track, and unlocked after.
    EXPECT_EQ(std::count(editMenuWhileBusy.begin(), editMenuWhileBusy.end(), true), 0);
    EXPECT_TRUE(window.enabled[LockableControl::mnuEdit]);
    // The whole track's rectangle is taken away and the song's drawn.
    EXPECT_EQ(rectangles(),
              (std::vector<ViewOp>{selectionRectangle(0, editor.state().mod->trklen - 2),
                                   selectionRectangle(last.clipbegin, last.clipend)}));

    editor.selection().selectSong();  // again, with the song selected: the one before it
    EXPECT_EQ(selected(), around(first, kSong));

    // The first song of the take has none before it: the message says so, and the selection
    // stays.
    window.log.clear();
    window.fakeView.ops.clear();
    editor.selection().selectSong();
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"busy text: Finding the song ...", "busy init", "busy hide",
                                        "message: No song found between pauses."}));
    EXPECT_EQ(window.lastMessageTitle, "Quorvel");
    EXPECT_EQ(window.lastMessageButtons, MessageButtons::Ok);
    EXPECT_EQ(selected(), around(first, kSong));
    EXPECT_TRUE(rectangles().empty());
}

TEST_F(SelectSong, ClosingTheWindowMeanwhileStopsTheSearchAndThenCloses)
{
    GeneratedTrack track;
    track.sound(100000);
    track.quiet(30000);
    track.sound(kSong);
    load(track);
    const SongSelection before = selected();
    window.onEvents = [&] { EXPECT_FALSE(editor.files().queryClose()); };
    editor.selection().selectSong();
    EXPECT_EQ(window.log, (std::vector<std::string>{"busy text: Finding the song ...", "busy init",
                                                    "busy hide", "close request"}));
    EXPECT_EQ(selected(), before);
}

// Songs in Take lists the songs Select Song would step through, each with the title of the
// mark that names it; the one picked is selected, no pick leaves the selection alone.
TEST_F(SelectSong, SongsInTake_ListsEverySongWithItsTitle_ThePickIsSelected)
{
    const auto [first, second] = loadTwoSongs();
    editor.state().titleMarks = {{second + 44100, "Late", "Second", ""},
                                 {first + 2 * 44100, "", "Next, early", ""},
                                 {first + 44100, "Band", "First", "Album"},
                                 {first - 3 * 44100, "Before", "Outside", ""}};
    const std::vector<SongListEntry> listed{
        {first - kMargin, first + kSong + kMargin, "Band - First"},
        {second - kMargin, second + kSong + kMargin, "Late - Second"}};
    struct Pick {
        std::optional<size_t> index;
        SongSelection selected;
    };
    const SongSelection whole = selected();
    const Pick picks[] = {{std::nullopt, whole},
                          {0, around(first, kSong)},
                          {1, around(second, kSong)},
                          {7, around(second, kSong)}};  // out of range: nothing changes
    for (const Pick& pick : picks) {
        window.songPick = pick.index;
        window.log.clear();
        editor.selection().songsInTake();
        EXPECT_EQ(window.songsListed, listed);
        EXPECT_EQ(window.log.back(), "songs dialog");
        EXPECT_EQ(selected(), pick.selected);
    }
}

TEST_F(SelectSong, SongsInTake_WithNoSongSaysSoAsSelectSongDoes)
{
    GeneratedTrack track;
    track.talk(20 * 44100);
    load(track);
    editor.selection().songsInTake();
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"busy text: Finding the song ...", "busy init", "busy hide",
                                        std::string("message: ") + messages::kNoSongFound}));
    EXPECT_TRUE(window.songsListed.empty());
}

}  // namespace
