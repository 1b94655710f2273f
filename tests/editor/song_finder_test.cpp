// Select Song over generated audio: songs and pauses of chosen lengths, with the song's edges
// known to the frame, first through the finder alone, then as the Edit menu command.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "song_finder.h"

void PrintTo(const SongSelection& selection, std::ostream* out)
{
    *out << "frames " << selection.clipbegin << " to " << selection.clipend;
}

namespace {

constexpr int32_t kPause = kShortestPauseFrames;
constexpr int32_t kMargin = kSongMarginFrames;
constexpr int kLoud = 12000;
// 30 dB below kLoud is 379.5: noise up to kQuietNoise stays below it, kAudibleNoise does not.
constexpr int kQuietNoise = 370;
constexpr int kAudibleNoise = 400;

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
            append(int16_t(std::lround(kLoud * std::cos(phase))), int16_t(std::lround(kLoud * std::sin(phase))));
        }
        return first;
    }

    // Appends frames of noise no louder than peak on either channel (0: digital silence).
    void quiet(int32_t frames, int peak = 0)
    {
        std::uniform_int_distribution<int> noise(-peak, peak);
        for (int32_t n = 0; n < frames; ++n) append(int16_t(noise(random_)), int16_t(noise(random_)));
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

int32_t readGenerated(int32_t index)
{
    return index >= 0 && size_t(index) < readTrack->size() ? (*readTrack)[size_t(index)] : -1;
}

std::optional<SongSelection> findIn(const GeneratedTrack& track)
{
    readTrack = &track.values;
    return findLastSong(readGenerated, track.length());
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
    track.sound(90000);
    track.quiet(kPause + 777);
    const int32_t last = track.sound(45011);
    track.quiet(kPause + 3);
    track.sound(20000);  // the start of what came next, cut off by the end of the track
    EXPECT_EQ(findIn(track), around(last, 45011));
}

TEST(SongFinder, SoundRunningIntoEitherEndOfTheTrackIsNotComplete)
{
    GeneratedTrack noPause;
    noPause.sound(200000);
    EXPECT_EQ(findIn(noPause), std::nullopt);

    GeneratedTrack onePause;
    onePause.sound(60000);
    onePause.quiet(40000);
    onePause.sound(60000);
    EXPECT_EQ(findIn(onePause), std::nullopt);

    GeneratedTrack pauseFirst;  // a pause at the start of the track counts as one
    pauseFirst.quiet(kPause);
    const int32_t first = pauseFirst.sound(50000);
    pauseFirst.quiet(kPause);
    pauseFirst.sound(70000);
    EXPECT_EQ(findIn(pauseFirst), around(first, 50000));

    GeneratedTrack tooShortFirst;  // not once a frame of it is missing
    tooShortFirst.quiet(kPause - 1);
    tooShortFirst.sound(50000);
    tooShortFirst.quiet(kPause);
    tooShortFirst.sound(70000);
    EXPECT_EQ(findIn(tooShortFirst), std::nullopt);

    GeneratedTrack silent;
    silent.quiet(100000);
    EXPECT_EQ(findIn(silent), std::nullopt);
}

TEST(SongFinder, QuietPassagesShorterThanAPause_DoNotSplitASong)
{
    // The quiet passage starts and ends inside the finder's blocks, not at their edges.
    const auto songWithBreak = [](int32_t breakFrames, int32_t& second) {
        GeneratedTrack track;
        track.sound(40000);
        track.quiet(kPause + 1000);
        track.sound(30001);
        track.quiet(breakFrames);
        second = track.sound(40000);
        track.quiet(kPause + 1000);
        track.sound(10000);
        return track;
    };
    int32_t second = 0;
    const GeneratedTrack shortBreak = songWithBreak(kPause - 1, second);
    EXPECT_EQ(findIn(shortBreak), (SongSelection{40000 + kPause + 1000 - kMargin, second + 40000 + kMargin}));

    const GeneratedTrack pause = songWithBreak(kPause, second);
    EXPECT_EQ(findIn(pause), around(second, 40000));

    // One loud sample in a pause splits it in two; halves shorter than a pause make it none.
    GeneratedTrack spiked;
    spiked.sound(40000);
    spiked.quiet(kPause);
    const int32_t song = spiked.sound(30000);
    const int32_t gap = spiked.length();
    spiked.quiet(kPause + kPause / 2);
    spiked.sound(10000);
    spiked.spikeAt(gap + kPause / 2, kAudibleNoise);
    EXPECT_EQ(findIn(spiked), std::nullopt);
    spiked.spikeAt(gap + kPause / 2, kQuietNoise);
    EXPECT_EQ(findIn(spiked), around(song, 30000));
}

TEST(SongFinder, NoiseMoreThan30DecibelsBelowTheLoudLevel_StillMakesAPause)
{
    const auto noisyTrack = [](int noise, int32_t& song) {
        GeneratedTrack track;
        track.sound(40000);
        track.quiet(kPause + 500, noise);
        song = track.sound(60000);
        track.quiet(kPause + 500, noise);
        track.sound(20000);
        return track;
    };
    int32_t song = 0;
    const GeneratedTrack quiet = noisyTrack(kQuietNoise, song);
    EXPECT_EQ(findIn(quiet), around(song, 60000));
    EXPECT_EQ(findIn(noisyTrack(kAudibleNoise, song)), std::nullopt);
}

TEST(SongFinder, ASilentStartLeftByATakeShorterThanTheTrack_DoesNotLowerTheLoudLevel)
{
    GeneratedTrack track;
    track.quiet(4000000);  // never recorded: 97 % of the track
    track.sound(40000);
    track.quiet(kPause, kQuietNoise);
    const int32_t song = track.sound(60000);
    track.quiet(kPause, kQuietNoise);
    track.sound(20000);
    EXPECT_EQ(findIn(track), around(song, 60000));
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

    std::vector<ViewOp> rectangles() const
    {
        std::vector<ViewOp> found;
        for (const ViewOp& op : window.fakeView.ops)
            if (op.kind == ViewOp::Rectangle) found.push_back(op);
        return found;
    }

    ViewOp selectionRectangle(int32_t begin, int32_t end) const
    {
        return {ViewOp::Rectangle, editor.frm.DARKGREEN, PenMode::Xor, editor.frameToX(begin), 0,
                editor.frameToX(end), 129};
    }
};

TEST_F(SelectSong, SelectsTheSongUnderTheBusyWindowOrSaysThereIsNone)
{
    // The track ends in silence: the pause after the song runs to its end.
    GeneratedTrack track;
    track.sound(100000);
    track.quiet(30000);
    const int32_t song = track.sound(300000);
    load(track);
    editor.editSelectSong();
    const SongSelection expected = around(song, 300000);
    EXPECT_EQ(editor.mod.clipbegin, expected.clipbegin);
    EXPECT_EQ(editor.mod.clipend, expected.clipend);
    EXPECT_EQ(window.log, (std::vector<std::string>{"busy text: Finding the song ...", "busy init", "busy hide"}));
    // The whole track's rectangle is taken away and the song's drawn.
    EXPECT_EQ(rectangles(), (std::vector<ViewOp>{selectionRectangle(0, editor.mod.trklen - 2),
                                                 selectionRectangle(expected.clipbegin, expected.clipend)}));

    GeneratedTrack noPause;
    noPause.sound(editor.mod.trklen);
    load(noPause);
    window.log.clear();
    window.fakeView.ops.clear();
    editor.editSelectSong();
    EXPECT_EQ(window.log, (std::vector<std::string>{"busy text: Finding the song ...", "busy init", "busy hide",
                                                    "message: No song found between pauses."}));
    EXPECT_EQ(window.lastMessageTitle, "Quorvel");
    EXPECT_EQ(window.lastMessageButtons, MessageButtons::Ok);
    EXPECT_EQ(editor.mod.clipbegin, expected.clipbegin);
    EXPECT_EQ(editor.mod.clipend, expected.clipend);
    EXPECT_TRUE(rectangles().empty());
}

}  // namespace
