// SPDX-License-Identifier: GPL-3.0-or-later
// Saved files as other programs read them: the song details through mutagen (MP3) and ffprobe
// (WAV), the exact length through ffmpeg and mpg123, and what stays exactly as it was when no
// detail is set: the WAV bytes, and an MP3 that begins with its Info frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "engine_library.h"
#include "mp3_frames.h"
#include "temp_directory.h"
#include "wav_image.h"

namespace {

using namespace std::chrono_literals;

constexpr int32_t kTrackFrames = 3 * 44100;

int16_t chordValue(int32_t valueIndex)
{
    const double t = (valueIndex / 2) / 44100.0;
    const double f = valueIndex % 2 == 0 ? 440 : 660;
    return int16_t(
        std::lround(9000 * std::sin(2 * M_PI * f * t) + 3000 * std::sin(2 * M_PI * 3 * f * t)));
}

// "key=value" lines as a map.
std::map<std::string, std::string> lines(const std::string& text)
{
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

// Debian's python3-mutagen belongs to the system's Python, whatever other one PATH finds first.
constexpr const char* kSystemPython = "/usr/bin/python3";

// mutagen's view of an MP3 file's ID3 tag, its frames as the file holds them (not translated
// to ID3v2.4): its version, and per text frame its encoding
// (0 ISO-8859-1, 1 UTF-16) and text.
constexpr const char* kMutagenScript = R"(import sys
from mutagen.id3 import ID3
tag = ID3(sys.argv[1], translate=False)
print("version=%d.%d" % tag.version[:2])
for frame in tag.values():
    print("%s=%d:%s" % (frame.FrameID, frame.encoding, frame.text[0]))
)";

class SongFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("BRENVIK_AUDIO", "sim", 1);
        ASSERT_EQ(engine.load(ENGINE_LIBRARY), "");
    }

    void SetUp() override
    {
        ASSERT_EQ(engine.openLib(kTrackFrames, 0), 0);
        std::vector<int16_t> values(size_t(kTrackFrames) * 2);
        for (size_t i = 0; i < values.size(); ++i) values[i] = chordValue(int32_t(i));
        ASSERT_EQ(engine.trackWriteFrames(0, kTrackFrames, values.data()), kTrackFrames);
    }

    void TearDown() override
    {
        engine.setSongDetails(nullptr);
        engine.setMp3Quality(BRENVIK_MP3_CBR_192);
        engine.closeLib();
    }

    std::string file(const std::string& name) const { return dir.file(name); }

    // Runs a program to its end; its standard output and error, or "exit <n>" when it failed.
    std::string run(const std::vector<std::string>& argv) const
    {
        ChildProcess::Environment environment = currentEnvironment();
        environment["PYTHONIOENCODING"] = "utf-8";
        std::filesystem::remove(file("output.txt"));  // the child appends to it
        const int status = ChildProcess(argv, environment, file("output.txt")).wait(60s);
        const std::string output = readText(file("output.txt"));
        return status == 0 ? output : "exit " + std::to_string(status) + ": " + output;
    }

    // The frames a decoder writes to raw; -1 when it writes nothing.
    int64_t decodedFrames(const std::vector<std::string>& decoderArgv, const std::string& raw)
    {
        const std::string output = run(decoderArgv);
        EXPECT_NE(output.rfind("exit", 0), 0u) << decoderArgv[0] << ": " << output;
        return std::filesystem::exists(raw) ? int64_t(std::filesystem::file_size(raw) / 4) : -1;
    }

    static inline EngineLibrary engine;
    TempDirectory dir;
};

const char* const kDetails =
    "title=Song of the Day\nartist=Сплин\nalbum=Radio\nyear=1997\ngenre=Rock\ncomment=Für dich\n";

// Settings the engine does not know are refused and leave the details and the quality set
// before them: the files carry every detail, and the MP3 is still at 192 kbit/s.
TEST_F(SongFiles, Details_ReadBackByMutagenAsId3v23WithUtf16WhereNeeded_AndByFfprobeFromListInfo)
{
    ASSERT_EQ(engine.setSongDetails(kDetails), 0);
    for (const char* refused : {"composer=X", "title Kept", "title=New\nbpm=120"})
        EXPECT_EQ(engine.setSongDetails(refused), BRENVIK_SETTING_REFUSED) << refused;
    for (int32_t refused : {-1, 3, 192})
        EXPECT_EQ(engine.setMp3Quality(refused), BRENVIK_SETTING_REFUSED) << refused;
    ASSERT_EQ(engine.saveAsMp3(0, 44100, file("song.mp3").c_str()), 0);
    ASSERT_EQ(engine.saveAsWave(0, 4410, file("song.wav").c_str()), 0);

    // Each detail as mutagen reads it (ID3 frame, encoding: 1 for UTF-16) and as ffprobe does.
    // A detail of odd length ("Сплин" and its zero) is padded, or ffprobe loses the ones after it.
    const struct {
        const char* frame;
        int encoding;
        const char* tag;
        const char* text;
    } expected[] = {{"TIT2", 0, "title", "Song of the Day"},
                    {"TPE1", 1, "artist", "Сплин"},
                    {"TALB", 0, "album", "Radio"},
                    {"TYER", 0, "date", "1997"},
                    {"TCON", 0, "genre", "Rock"},
                    {"COMM", 0, "comment", "Für dich"}};
    std::map<std::string, std::string> id3{{"version", "2.3"}};
    std::map<std::string, std::string> info;
    for (const auto& detail : expected) {
        id3[detail.frame] = std::to_string(detail.encoding) + ":" + detail.text;
        info[std::string("TAG:") + detail.tag] = detail.text;
    }
    EXPECT_EQ(lines(run({kSystemPython, "-c", kMutagenScript, file("song.mp3")})), id3);
    EXPECT_EQ(lines(run({"ffprobe", "-v", "error", "-show_entries", "format_tags", "-of",
                         "default=noprint_wrappers=1", file("song.wav")})),
              info);
    const std::vector<uint8_t> mp3 = readBytes(file("song.mp3"));
    const auto first = parseMp3FrameHeader(&mp3[id3TagBytes(mp3)]);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->bitrate, 192);
    // The RIFF size covers the chunk after the audio.
    const std::vector<uint8_t> wav = readBytes(file("song.wav"));
    const uint32_t riffSize = wav[4] | wav[5] << 8 | wav[6] << 16 | uint32_t(wav[7]) << 24;
    EXPECT_EQ(riffSize, wav.size() - 8);
}

// An odd stretch at each quality, and a selection of one encoder frame.
TEST_F(SongFiles, ExactLength_FfmpegAndMpg123ReturnExactlyTheSelectedFrames)
{
    const struct {
        int32_t quality;
        int32_t from;
        int32_t to;
    } selections[] = {{BRENVIK_MP3_CBR_192, 1000, 1000 + 77777},
                      {BRENVIK_MP3_CBR_192, 5, 5 + 1152},
                      {BRENVIK_MP3_CBR_320, 333, 333 + 55555},
                      {BRENVIK_MP3_VBR_V2, 17, 17 + 99999}};
    ASSERT_EQ(engine.setSongDetails("title=Tagged"), 0);  // the Info frame follows the tag
    const std::string mp3 = file("take.mp3");
    for (const auto& c : selections) {
        SCOPED_TRACE("quality " + std::to_string(c.quality) + ", frames " + std::to_string(c.from) +
                     " to " + std::to_string(c.to));
        ASSERT_EQ(engine.setMp3Quality(c.quality), 0);
        ASSERT_EQ(engine.saveAsMp3(c.from, c.to, mp3.c_str()), 0);
        EXPECT_EQ(decodedFrames(
                      {"ffmpeg", "-v", "error", "-y", "-i", mp3, "-f", "s16le", file("ffmpeg.raw")},
                      file("ffmpeg.raw")),
                  c.to - c.from);
        EXPECT_EQ(
            decodedFrames({"mpg123", "-q", "-O", file("mpg123.raw"), mp3}, file("mpg123.raw")),
            c.to - c.from);
    }
}

// That the audio frames behind the Info frame are those of a stream without one is checked on
// the encoder library; what the engine hands it, through the recording fake encoder.
TEST_F(SongFiles, NoDetails_WavIsTheHeaderAndTheFramesExactly_Mp3BeginsWithItsInfoFrame)
{
    // Details set once and cleared again leave nothing behind.
    ASSERT_EQ(engine.setSongDetails(kDetails), 0);
    ASSERT_EQ(engine.setSongDetails(""), 0);
    ASSERT_EQ(engine.saveAsWave(10, 1010, file("plain.wav").c_str()), 0);
    ASSERT_EQ(engine.saveAsMp3(10, 50010, file("plain.mp3").c_str()), 0);

    std::vector<int16_t> values;
    for (int32_t i = 20; i < 2020; ++i) values.push_back(chordValue(i));
    const std::vector<uint8_t> wav = readBytes(file("plain.wav"));
    EXPECT_EQ(std::string(wav.begin(), wav.end()), wav_image::wave(wav_image::values(values)));

    const std::vector<uint8_t> mp3 = readBytes(file("plain.mp3"));
    const auto first = parseMp3FrameHeader(mp3.data());
    ASSERT_TRUE(first.has_value()) << "the file does not begin with a frame";
    const std::string info(mp3.begin(), mp3.begin() + first->length);
    EXPECT_NE(info.find("Info"), std::string::npos);
    EXPECT_NE(info.find("LAME"), std::string::npos);
}

}  // namespace
