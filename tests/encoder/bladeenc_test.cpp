// SPDX-License-Identifier: GPL-3.0-or-later
// The encoder library's own entry points: configuration checks, handles, sizes and version.
#include "bladeenc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <tuple>
#include <vector>

#include "mp3_frames.h"

namespace {

BE_CONFIG config(uint32_t rate = 44100, uint8_t mode = BE_MODE_STEREO, uint16_t bitrate = 192)
{
    BE_CONFIG c;
    std::memset(&c, 0, sizeof c);
    c.kind = BE_KIND_MP3;
    c.sampleRate = rate;
    c.mode = mode;
    c.bitrate = bitrate;
    return c;
}

struct OpenedStream {
    uint32_t result;
    uint32_t samplesPerChunk = 0;
    uint32_t outputBufferBytes = 0;
    uint32_t handle = 0;
};

OpenedStream open(const BE_CONFIG& c)
{
    OpenedStream s{};
    s.result = beInitStream(&c, &s.samplesPerChunk, &s.outputBufferBytes, &s.handle);
    return s;
}

// A chord that LAME has to work on, different for each channel and each seed.
std::vector<int16_t> music(uint32_t frames, int seed)
{
    std::vector<int16_t> samples(frames * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = i / 44100.0;
        samples[2 * i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * (220 + 40 * seed) * t));
        samples[2 * i + 1] =
            static_cast<int16_t>(6000 * std::sin(2 * M_PI * (330 + 70 * seed) * t));
    }
    return samples;
}

// Encodes the chunk of samples that starts at `at` and appends the output to out.
void encodeChunkAt(const OpenedStream& s, const std::vector<int16_t>& samples, std::size_t at,
                   std::vector<uint8_t>& out)
{
    std::vector<uint8_t> buffer(s.outputBufferBytes);
    const auto count =
        static_cast<uint32_t>(std::min<std::size_t>(s.samplesPerChunk, samples.size() - at));
    uint32_t produced = 0;
    ASSERT_EQ(beEncodeChunk(s.handle, count, &samples[at], buffer.data(), &produced), BE_OK);
    out.insert(out.end(), buffer.begin(), buffer.begin() + produced);
}

void flushInto(const OpenedStream& s, std::vector<uint8_t>& out)
{
    std::vector<uint8_t> buffer(s.outputBufferBytes);
    uint32_t produced = 0;
    ASSERT_EQ(beDeinitStream(s.handle, buffer.data(), &produced), BE_OK);
    out.insert(out.end(), buffer.begin(), buffer.begin() + produced);
}

std::vector<uint8_t> encodeAll(const OpenedStream& s, const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out;
    for (std::size_t at = 0; at < samples.size(); at += s.samplesPerChunk) {
        encodeChunkAt(s, samples, at, out);
    }
    flushInto(s, out);
    return out;
}

TEST(BladeEncConfig, UnsupportedSettings_AreRefused)
{
    std::vector<BE_CONFIG> refused;
    BE_CONFIG c = config();
    c.kind = 1;
    refused.push_back(c);
    refused.push_back(config(22050));
    refused.push_back(config(44100, 4));
    refused.push_back(config(44100, BE_MODE_STEREO, 0));
    refused.push_back(config(44100, BE_MODE_STEREO, 200));
    refused.push_back(config(44100, BE_MODE_STEREO, 384));
    c = config();
    c.crc = 2;
    refused.push_back(c);
    for (const auto& [infoFrame, vbr, vbrQuality] :
         {std::tuple<uint8_t, uint8_t, uint8_t>{2, 0, 0}, {0, 2, 0}, {0, 1, 10}}) {
        c = config();
        c.infoFrame = infoFrame;
        c.vbr = vbr;
        c.vbrQuality = vbrQuality;
        refused.push_back(c);
    }
    for (const BE_CONFIG& r : refused) {
        const OpenedStream s = open(r);
        EXPECT_NE(s.result, BE_OK)
            << "rate " << r.sampleRate << " mode " << int(r.mode) << " bitrate " << r.bitrate;
    }
    uint32_t n = 0;
    EXPECT_NE(beInitStream(nullptr, &n, &n, &n), BE_OK);
}

TEST(BladeEncConfig, EverySupportedRateModeAndBitrate_OpensAStream)
{
    for (uint32_t rate : {32000u, 44100u, 48000u}) {
        for (uint8_t mode = BE_MODE_STEREO; mode <= BE_MODE_MONO; ++mode) {
            for (uint16_t bitrate : {32, 128, 192, 320}) {
                const OpenedStream s = open(config(rate, mode, bitrate));
                ASSERT_EQ(s.result, BE_OK) << rate << " " << int(mode) << " " << bitrate;
                EXPECT_EQ(beCloseStream(s.handle), BE_OK);
            }
        }
    }
}

TEST(BladeEncStream, ReportsOneMp3FrameOfSamplesPerChunkAndRoomForLamesWorstCase)
{
    const OpenedStream stereo = open(config());
    const OpenedStream mono = open(config(44100, BE_MODE_MONO));
    ASSERT_EQ(stereo.result, BE_OK);
    ASSERT_EQ(mono.result, BE_OK);

    EXPECT_EQ(stereo.samplesPerChunk, 2304u);
    EXPECT_EQ(mono.samplesPerChunk, 1152u);
    EXPECT_GE(stereo.outputBufferBytes, 1152 * 5 / 4 + 7200u);

    beCloseStream(stereo.handle);
    beCloseStream(mono.handle);
}

TEST(BladeEncStream, FramesCarryTheConfiguredHeader)
{
    BE_CONFIG c = config(48000, BE_MODE_MONO, 64);
    c.crc = 1;
    c.privateBit = 1;
    c.copyright = 1;
    c.original = 1;
    const OpenedStream s = open(c);
    ASSERT_EQ(s.result, BE_OK);
    std::vector<int16_t> left(48000 / 2);
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] = static_cast<int16_t>(5000 * std::sin(i * 0.05));

    const std::vector<Mp3FrameHeader> frames = mp3Frames(encodeAll(s, left));
    beCloseStream(s.handle);

    ASSERT_FALSE(frames.empty());
    for (const Mp3FrameHeader& f : frames) {
        EXPECT_EQ(f.sampleRate, 48000);
        EXPECT_EQ(f.bitrate, 64);
        EXPECT_EQ(f.mode, BE_MODE_MONO);
        EXPECT_TRUE(f.crc && f.privateBit && f.copyright && f.original);
    }
}

TEST(BladeEncStream, MisusedCalls_GetErrorsNotCrashes)
{
    const OpenedStream s = open(config());
    ASSERT_EQ(s.result, BE_OK);
    std::vector<int16_t> samples(s.samplesPerChunk + 2);
    std::vector<uint8_t> out(s.outputBufferBytes);
    uint32_t produced = 0;

    EXPECT_EQ(beEncodeChunk(s.handle, s.samplesPerChunk + 2, samples.data(), out.data(), &produced),
              BE_ERR_BAD_ARGUMENT);
    EXPECT_EQ(beEncodeChunk(s.handle, 3, samples.data(), out.data(), &produced),
              BE_ERR_BAD_ARGUMENT);
    EXPECT_EQ(beEncodeChunk(s.handle, 4, samples.data(), out.data(), nullptr), BE_ERR_BAD_ARGUMENT);
    ASSERT_EQ(beDeinitStream(s.handle, out.data(), &produced), BE_OK);
    EXPECT_EQ(beEncodeChunk(s.handle, 4, samples.data(), out.data(), &produced),
              BE_ERR_STREAM_STATE);
    EXPECT_EQ(beCloseStream(s.handle), BE_OK);

    for (uint32_t unknown : {0u, s.handle, 12345u, 0xFFFFFFFFu}) {
        EXPECT_EQ(beEncodeChunk(unknown, 4, samples.data(), out.data(), &produced),
                  BE_ERR_BAD_HANDLE);
        EXPECT_EQ(beDeinitStream(unknown, out.data(), &produced), BE_ERR_BAD_HANDLE);
        EXPECT_EQ(beCloseStream(unknown), BE_ERR_BAD_HANDLE);
    }
}

TEST(BladeEncStream, SeveralOpenStreams_EncodeIndependently)
{
    const std::vector<int16_t> first = music(44100, 1);
    const std::vector<int16_t> second = music(44100, 2);
    const OpenedStream alone = open(config());
    const std::vector<uint8_t> expected = encodeAll(alone, first);
    beCloseStream(alone.handle);

    // Two streams fed in turns, chunk for chunk.
    const OpenedStream a = open(config());
    const OpenedStream b = open(config());
    ASSERT_NE(a.handle, b.handle);
    std::vector<uint8_t> outA;
    std::vector<uint8_t> outB;
    for (std::size_t at = 0; at < first.size(); at += a.samplesPerChunk) {
        encodeChunkAt(a, first, at, outA);
        encodeChunkAt(b, second, at, outB);
    }
    flushInto(a, outA);
    EXPECT_EQ(beCloseStream(a.handle), BE_OK);
    EXPECT_EQ(beCloseStream(b.handle), BE_OK);

    EXPECT_EQ(outA, expected);
}

struct Preset {
    const char* name;
    uint16_t bitrate;
    uint8_t vbr;
    const char* tagName;  // what LAME calls its first frame for this kind of rate
};

class BladeEncInfoFrame : public ::testing::TestWithParam<Preset> {
protected:
    BE_CONFIG presetConfig(uint8_t infoFrame) const
    {
        BE_CONFIG c = config(44100, BE_MODE_STEREO, GetParam().bitrate);
        c.vbr = GetParam().vbr;
        c.vbrQuality = 2;
        c.infoFrame = infoFrame;
        return c;
    }
};

// The Info frame is the only difference: it takes the place the placeholder held, and the audio
// frames behind it are the bytes a stream without it gives.
TEST_P(BladeEncInfoFrame, TakesTheFirstFrameAndLeavesTheAudioFramesAsTheyWere)
{
    const std::vector<int16_t> samples = music(3 * 44100 + 77, 3);
    const OpenedStream plain = open(presetConfig(0));
    const OpenedStream tagged = open(presetConfig(1));
    ASSERT_EQ(plain.result, BE_OK);
    ASSERT_EQ(tagged.result, BE_OK);
    const std::vector<uint8_t> audio = encodeAll(plain, samples);
    const std::vector<uint8_t> output = encodeAll(tagged, samples);
    std::vector<uint8_t> info(tagged.outputBufferBytes);
    uint32_t infoBytes = 0;
    ASSERT_EQ(beInfoFrame(tagged.handle, info.data(), &infoBytes), BE_OK);
    uint32_t none = 0;
    EXPECT_EQ(beInfoFrame(plain.handle, info.data(), &none), BE_ERR_STREAM_STATE);
    beCloseStream(plain.handle);
    beCloseStream(tagged.handle);

    ASSERT_EQ(output.size(), audio.size() + infoBytes);
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), output.begin() + infoBytes));
    const auto placeholder = parseMp3FrameHeader(output.data());
    ASSERT_TRUE(placeholder.has_value());
    EXPECT_EQ(placeholder->length, infoBytes);
    const std::string frame(info.begin(), info.begin() + infoBytes);
    EXPECT_NE(frame.find(GetParam().tagName), std::string::npos);
    EXPECT_NE(frame.find("LAME"), std::string::npos);
}

TEST(BladeEncInfoFrameState, IsThereOnlyAfterTheFlush)
{
    BE_CONFIG c = config();
    c.infoFrame = 1;
    const OpenedStream s = open(c);
    ASSERT_EQ(s.result, BE_OK);
    std::vector<uint8_t> out(s.outputBufferBytes);
    uint32_t produced = 0;

    EXPECT_EQ(beInfoFrame(s.handle, out.data(), &produced), BE_ERR_STREAM_STATE);
    EXPECT_EQ(beInfoFrame(s.handle, out.data(), nullptr), BE_ERR_BAD_ARGUMENT);
    ASSERT_EQ(beDeinitStream(s.handle, out.data(), &produced), BE_OK);
    EXPECT_EQ(beInfoFrame(s.handle, out.data(), &produced), BE_OK);
    EXPECT_EQ(beCloseStream(s.handle), BE_OK);
    EXPECT_EQ(beInfoFrame(s.handle, out.data(), &produced), BE_ERR_BAD_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(Presets, BladeEncInfoFrame,
                         ::testing::Values(Preset{"Cbr192", 192, 0, "Info"},
                                           Preset{"Cbr320", 320, 0, "Info"},
                                           Preset{"VbrV2", 0, 1, "Xing"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BladeEncVersion, ReportsLibraryOneZeroLameAndTheBuildDate)
{
    BE_VERSION v;
    std::memset(&v, 0xAB, sizeof v);

    beVersion(&v);

    EXPECT_EQ(v.libraryMajor, 1);
    EXPECT_EQ(v.libraryMinor, 0);
    EXPECT_EQ(v.encoderMajor, 3);  // LAME 3.x
    EXPECT_GE(v.day, 1);
    EXPECT_LE(v.day, 31);
    EXPECT_GE(v.month, 1);
    EXPECT_LE(v.month, 12);
    const std::time_t now = std::time(nullptr);
    EXPECT_GE(v.year, 2024);
    EXPECT_LE(v.year, std::gmtime(&now)->tm_year + 1900 + 1);
    EXPECT_EQ(v.homepage[0], '\0');
    EXPECT_EQ(v.homepage[128], '\0');
}

}  // namespace
