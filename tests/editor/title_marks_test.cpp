// SPDX-License-Identifier: GPL-3.0-or-later
// The titles players announce, without a bus: what a player's metadata names, which player's
// title counts, where a stamp lands after the ring's turn, which mark names a selected song,
// the file name it gives, and the marks on the view with their tool tip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor_fixture.h"
#include "now_playing.h"
#include "title_follower.h"
#include "title_hints.h"

namespace {

std::string named(const std::optional<Announcement>& announced)
{
    return announced ? announced->artist + "|" + announced->title + "|" + announced->album : "-";
}

TEST(TitleAnnouncement, NamesTheSongFromTheFieldsAPlayerFills)
{
    struct Case {
        PlayerMetadata metadata;
        std::string expected;  // artist|title|album, "-" for nothing
    } cases[] = {
        {{"Song", {"Band"}, "Album", ""}, "Band|Song|Album"},
        {{"Song", {"One", "", "Two"}, "", ""}, "One, Two|Song|"},
        // A stream title names the song; the title then names the station.
        {{"Radio X", {}, "", "Artist - Title"}, "Artist|Title|"},
        {{"Radio X", {"Band"}, "", "Title - Live"}, "Band|Title - Live|"},
        {{"", {}, "", "Only A Title"}, "|Only A Title|"},
        // Streams passed on in the title alone are split the same way, at the first " - ".
        {{"A - B - C", {}, "", ""}, "A|B - C|"},
        {{" - Title", {}, "", ""}, "| - Title|"},
        {{"Artist-Title", {}, "", ""}, "|Artist-Title|"},
        {{"", {"Band"}, "Album", ""}, "-"},
        {{"Artist - ", {}, "", ""}, "-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(named(announcementOf(c.metadata)), c.expected)
            << c.metadata.title << "/" << c.metadata.streamTitle;
}

PlayerReport titled(const std::string& player, const std::string& title,
                    std::optional<std::string> status = {}, std::optional<int32_t> process = {})
{
    return {player, std::move(status), PlayerMetadata{title, {}, "", ""}, false, process};
}

// Which player counts: one whose sound goes into the recorded output, else one that plays; a
// paused player's change goes unheard until it is all there is.
TEST(TitleAnnouncement, TheRecordedThenThePlayingPlayerIsHeard)
{
    struct Step {
        PlayerReport report;
        std::string heard;  // the title now playing when it changed, "-" when it did not
    };
    struct Scenario {
        std::vector<int32_t> recordedProcesses;
        std::vector<Step> steps;
    };
    const std::vector<Scenario> scenarios{
        {{},
         {
             {titled("a", "A1", "Playing"), "|A1|"},
             {titled("b", "B1", "Paused"), "-"},
             {titled("b", "B2"), "-"},  // paused: its change goes unheard
             {titled("a", "A1"), "-"},  // the same title again
             {{"a", "Playing", {}, false, {}}, "-"},
             {{"b", "Playing", {}, false, {}}, "|B2|"},  // it starts playing after a
             {titled("a", "A2"), "|A2|"},                // a names another title
             {{"a", "Paused", {}, false, {}}, "|B2|"},
             {{"b", {}, {}, true, {}}, "|A2|"},  // b left: the paused one is all there is
             {{"a", {}, {}, true, {}}, "-"},
             {titled("c", "", "Playing"), "-"},  // no title, nothing to hear
         }},
        {{41},
         {
             {titled("radio", "On Air", "Playing", 41), "|On Air|"},
             // plays, but not into the recorded output
             {titled("other", "Elsewhere", "Playing", 42), "-"},
             {titled("other", "Elsewhere 2"), "-"},
             {titled("radio", "Next On Air"), "|Next On Air|"},
             {{"radio", "Paused", {}, false, {}}, "|Elsewhere 2|"},
         }},
    };
    for (const Scenario& scenario : scenarios) {
        NowPlaying players;
        if (!scenario.recordedProcesses.empty()) players.clear(scenario.recordedProcesses);
        for (size_t i = 0; i < scenario.steps.size(); ++i)
            EXPECT_EQ(named(players.update(scenario.steps[i].report)), scenario.steps[i].heard)
                << "step " << i;
    }
}

TEST(TitleStamps, LandWhereTheTurnedTrackHoldsTheirAudio)
{
    constexpr int32_t kRing = 1000;
    const std::vector<TitleStamp> stamps{{0, {"", "start", ""}},
                                         {250, {"", "early", ""}},
                                         {1400, {"", "late", ""}},
                                         {1999, {"", "last", ""}}};
    struct Case {
        int64_t total;
        int32_t turn;
        std::vector<int32_t> frames;  // of the marks that stay
    } cases[] = {
        // Not wrapped: the turned track begins with what the ring held before.
        {600, 600, {400, 650}},
        // Wrapped: the track is the last ring's worth of the recording.
        {2000, 0, {400, 999}},
        {1500, 500, {900}},
        {1250, 250, {0}},
        // Too short to be turned: the track reads as recorded.
        {5, -1, {0, 250}},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> frames;
        for (const TitleMark& mark : marksInTurnedTrack(stamps, c.total, kRing, c.turn))
            frames.push_back(mark.frame);
        EXPECT_EQ(frames, c.frames) << "total " << c.total;
    }
}

int32_t gCardPosition = 0;
int32_t cardPosition()
{
    return gCardPosition;
}
int32_t noPlayers(int32_t*, int32_t)
{
    return 0;
}

TEST(TitleStamps, CountTheRingsTheCardWentRound)
{
    EngineApi engine;
    engine.GetPosition = cardPosition;
    engine.GetSourcePlayers = noPlayers;
    TitleFollower follower(engine);
    follower.begin(1000);
    // The card's position at each pass of the follow loop and at each report.
    for (const int32_t position : {100, 600, 900}) follower.follow(position);
    gCardPosition = 950;
    follower.playerChanged(titled("a", "first", "Playing"));
    for (const int32_t position : {200, 700}) follower.follow(position);  // round once
    gCardPosition = 800;
    follower.playerChanged(titled("a", "second"));
    follower.follow(900);
    // Stopped at ring frame 300, after 2300 frames: the track is recorded frames 1300..2300.
    const std::vector<TitleMark> marks = follower.stopped(300);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].title, "second");
    EXPECT_EQ(marks[0].frame, 1800 - 1300);
    // Not recording: reports change nothing.
    follower.playerChanged(titled("a", "third"));
    EXPECT_TRUE(follower.stopped(0).empty());
}

TEST(TitleHints, TheMarkNearestTheSongsStartWithinTheLeewayNamesIt)
{
    constexpr int32_t kSecond = BRENVIK_SAMPLE_RATE;
    const std::vector<TitleMark> marks{{10 * kSecond, "", "one", ""},
                                       {200 * kSecond, "", "two", ""},
                                       {420 * kSecond, "", "three", ""}};
    struct Case {
        int32_t begin;
        int32_t end;
        std::string title;  // "-" for none
    } cases[] = {
        {0, 190 * kSecond, "one"},
        {225 * kSecond, 400 * kSecond, "two"},    // announced 25 s early
        {231 * kSecond, 400 * kSecond, "three"},  // too early by then; the next, 20 s late
        {5 * kSecond, 215 * kSecond, "one"},      // both inside: the nearer the start
        {190 * kSecond, 380 * kSecond, "two"},
        {460 * kSecond, 600 * kSecond, "-"},  // 40 s after the last
        {100 * kSecond, 169 * kSecond, "-"},
    };
    for (const Case& c : cases) {
        const std::optional<TitleMark> mark = titleMarkForSong(marks, c.begin, c.end);
        EXPECT_EQ(mark ? mark->title : "-", c.title) << c.begin / kSecond << " s";
    }
}

TEST(TitleHints, TheFileNameHoldsOnlyWhatFileNamesCan)
{
    struct Case {
        std::string artist;
        std::string title;
        std::string name;
    } cases[] = {
        {"Band", "Song", "Band - Song.mp3"},
        {"", "Song", "Song.mp3"},
        {"AC/DC", "What? \"Now\": <1|2>*", "AC_DC - What_ _Now__ _1_2__.mp3"},
        {"Band", "Tab\there\\", "Band - Tab_here_.mp3"},
        {" Band ", "...Song...", "Band - Song.mp3"},
        {"Björk", "Jóga", "Björk - Jóga.mp3"},
        {"Band", "", ""},
        {"Band", " .. ", ""},
    };
    for (const Case& c : cases) {
        SongDetails details;
        details.artist = c.artist;
        details.title = c.title;
        EXPECT_EQ(songFileName(details), c.name) << c.title;
    }
}

class TitleMarksInEditor : public EditorFixture {
protected:
    void SetUp() override
    {
        startUp();
        editor.state().titleMarks = {{44100, "Band", "Song", "Album"},
                                     {20 * 44100, "", "Untitled Jingle", ""}};
    }
};

TEST_F(TitleMarksInEditor, ASelectedSongTakesItsMarksDetailsUnlessTheUserTypedThem)
{
    SongDetails& details = editor.state().songDetails;
    details.year = "1999";
    details.album = "Old Album";
    nameSelectedSong(editor.state(), 0, 10 * 44100);
    EXPECT_EQ(details.title + "|" + details.artist + "|" + details.album + "|" + details.year,
              "Song|Band|Album|1999");
    nameSelectedSong(editor.state(), 19 * 44100, 23 * 44100);  // the jingle, no album
    EXPECT_EQ(details.title + "|" + details.artist + "|" + details.album, "Untitled Jingle||");

    // Song Details changed by the user hold for this take.
    window.songDetailsAnswer = {{SongDetails{"Mine", "Me", "", "", "", ""}, Mp3Preset::Cbr192}};
    editor.files().songDetails();
    nameSelectedSong(editor.state(), 0, 10 * 44100);
    EXPECT_EQ(details.title, "Mine");
}

TEST_F(TitleMarksInEditor, SaveAsOffersTheSongsName)
{
    window.browseAnswer.clear();  // cancelled
    editor.files().saveAs();
    nameSelectedSong(editor.state(), 0, 10 * 44100);
    editor.files().saveAs();
    EXPECT_EQ(window.proposedNames, (std::vector<std::string>{"", "Band - Song.mp3"}));
}

TEST_F(TitleMarksInEditor, EachMarkIsATickOnTheViewAndItsToolTipNamesIt)
{
    editor.view().drawTrack();
    constexpr int32_t kYellow = 0x0000FFFF;
    std::vector<int32_t> columns;
    for (const ViewOp& op : window.fakeView.linesIn(kYellow)) columns.push_back(op.x1);
    const std::vector<int32_t> expected{editor.view().frameToX(44100),
                                        editor.view().frameToX(20 * 44100)};
    EXPECT_EQ(columns, expected);

    // Within a few columns of a mark the tool tip names it above its usual lines.
    const std::string over = editor.view().toolTip(float(expected[0] + 2));
    const std::string jingle = editor.view().toolTip(float(expected[1]));
    const std::string beside = editor.view().toolTip(float(expected[0] + 4));
    editor.state().titleMarks.clear();
    EXPECT_EQ(over,
              "Band \u2013 Song\n0:01.000\n\n" + editor.view().toolTip(float(expected[0] + 2)));
    EXPECT_EQ(jingle, "Untitled Jingle\n0:20.000\n\n" + editor.view().toolTip(float(expected[1])));
    EXPECT_EQ(beside, editor.view().toolTip(float(expected[0] + 4)));
}

}  // namespace
