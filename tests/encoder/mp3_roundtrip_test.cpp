// SPDX-License-Identifier: GPL-3.0-or-later
// SaveAsMp3 through the built engine and encoder library side by side, decoded again with
// libmpg123: the file is MPEG-1 Layer III frames, LAME's Info frame first, that sound like the
// track.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine_library.h"
#include "mp3_frames.h"
#include "temp_directory.h"

namespace {

constexpr int32_t kFrames = 2 * 44100;
// LAME's encoder delay plus the decoder's, and the padding of the last frame, stay within this.
constexpr int32_t kMaxDelay = 3 * 1152;

struct Tone {
    double left[2];  // two frequencies per channel, Hz (0: none)
    double right[2];
};

void PrintTo(const Tone& tone, std::ostream* os)
{
    *os << "left " << tone.left[0] << "+" << tone.left[1] << " Hz, right " << tone.right[0] << "+"
        << tone.right[1] << " Hz";
}

int16_t toneValue(const double (&frequencies)[2], int32_t frame)
{
    double value = 0;
    for (double f : frequencies) {
        if (f > 0) value += 7000 * std::sin(2 * M_PI * f * frame / 44100.0);
    }
    return static_cast<int16_t>(std::lround(value));
}

// Interleaved 16-bit stereo, as libmpg123 decodes it.
std::vector<int16_t> decode(const std::string& path)
{
    std::vector<int16_t> pcm;
    mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
    if (!decoder) return pcm;
    mpg123_format_none(decoder);
    mpg123_format(decoder, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(decoder, path.c_str()) == MPG123_OK) {
        std::vector<unsigned char> block(16384);
        std::size_t got = 0;
        int status = MPG123_OK;
        while (status == MPG123_OK || status == MPG123_NEW_FORMAT) {
            status = mpg123_read(decoder, block.data(), block.size(), &got);
            const auto* samples = reinterpret_cast<const int16_t*>(block.data());
            pcm.insert(pcm.end(), samples, samples + got / 2);
        }
        mpg123_close(decoder);
    }
    mpg123_delete(decoder);
    return pcm;
}

double sumOfSquares(const std::vector<int16_t>& a, std::size_t from, std::size_t count)
{
    double sum = 0;
    for (std::size_t i = from; i < from + count; ++i) sum += double(a[i]) * a[i];
    return sum;
}

// Signal-to-noise ratio in dB of decoded against input, the decoded audio lagging by `lag`
// frames, over `frames` frames.
double snrAt(const std::vector<int16_t>& input, const std::vector<int16_t>& decoded,
             std::size_t lag, std::size_t frames)
{
    double noise = 0;
    for (std::size_t i = 0; i < frames * 2; ++i) {
        const double d = double(decoded[i + lag * 2]) - input[i];
        noise += d * d;
    }
    return 10 * std::log10(sumOfSquares(input, 0, frames * 2) / std::max(noise, 1.0));
}

class Mp3RoundTrip : public ::testing::TestWithParam<Tone> {
protected:
    static void SetUpTestSuite()
    {
        setenv("BRENVIK_AUDIO", "sim", 1);
        ASSERT_EQ(engine.load(ENGINE_LIBRARY), "");
        ASSERT_TRUE(mpg123_init() == MPG123_OK);
    }

    // Writes the tone into the track and exports all of it.
    std::vector<int16_t> exportTone(const Tone& tone)
    {
        std::vector<int16_t> input;
        EXPECT_EQ(engine.openLib(kFrames, 0), 0);
        for (int32_t frame = 0; frame < kFrames; ++frame) {
            input.push_back(toneValue(tone.left, frame));
            input.push_back(toneValue(tone.right, frame));
            engine.trackWrite(frame * 2, input[input.size() - 2]);
            engine.trackWrite(frame * 2 + 1, input.back());
        }
        EXPECT_EQ(engine.saveAsMp3(0, kFrames, mp3Path.c_str()), 0);
        engine.closeLib();
        return input;
    }

    static inline EngineLibrary engine;
    TempDirectory dir;
    const std::string mp3Path = dir.file("tone.mp3");
};

TEST_P(Mp3RoundTrip, FileIs192kStereoFramesFromAnInfoFrameOn_WithoutATag)
{
    exportTone(GetParam());
    const std::vector<uint8_t> file = readBytes(mp3Path);

    const std::vector<Mp3FrameHeader> frames = mp3Frames(file);

    ASSERT_FALSE(frames.empty()) << "the file is not whole MPEG-1 Layer III frames from byte 0";
    for (const Mp3FrameHeader& f : frames) {
        EXPECT_EQ(f.bitrate, 192);
        EXPECT_EQ(f.sampleRate, 44100);
        EXPECT_EQ(f.mode, 0);  // stereo
        EXPECT_FALSE(f.crc || f.privateBit || f.copyright || f.original);
    }
    // LAME's Info frame: the length, the encoder delay and the padding, for exact decoding.
    const std::string firstFrame(file.begin(), file.begin() + frames[0].length);
    EXPECT_EQ(firstFrame.find("Info"), 36u);  // after the header and 32 bytes of side information
    EXPECT_NE(firstFrame.find("LAME"), std::string::npos);
}

TEST_P(Mp3RoundTrip, DecodedAudioHasTheTracksLengthAndMatchesIt)
{
    const std::vector<int16_t> input = exportTone(GetParam());

    const std::vector<int16_t> decoded = decode(mp3Path);

    const auto decodedFrames = static_cast<int32_t>(decoded.size() / 2);
    ASSERT_GE(decodedFrames, kFrames);
    ASSERT_LE(decodedFrames, kFrames + kMaxDelay);
    // Find the decoder's lag on a short stretch, then compare everything at that lag.
    std::size_t bestLag = 0;
    double bestSnr = -1e9;
    for (std::size_t lag = 0; lag <= std::size_t(decodedFrames - kFrames); ++lag) {
        const double snr = snrAt(input, decoded, lag, 4096);
        if (snr > bestSnr) {
            bestSnr = snr;
            bestLag = lag;
        }
    }
    EXPECT_GE(snrAt(input, decoded, bestLag, kFrames), 20.0) << "at a lag of " << bestLag;
}

INSTANTIATE_TEST_SUITE_P(Tones, Mp3RoundTrip,
                         ::testing::Values(Tone{{440, 0}, {440, 0}},
                                           Tone{{330, 2500}, {1000, 5200}}),
                         [](const auto& info) { return info.index == 0 ? "Sine" : "TwoTone"; });

}  // namespace
