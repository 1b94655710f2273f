// SPDX-License-Identifier: GPL-3.0-or-later
// The error numbers that a failed PortAudio open reaches the engine with, from real ALSA devices
// that refuse the engine's format or are missing: the editor tells the user "refuses the
// format" apart from "no device" by them. Every candidate device the back end tries (the
// default one, "pipewire" and "pulse") is given the same definition, so a sound server that
// happens to run on the machine is not reached.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "alsa_home.h"
#include "device/portaudio_backend.h"
#include "log_capture.h"

namespace brenvik::device {
namespace {

void ignoreMessages(void*, uint32_t, WaveHeader*) {}

// Opens one direction through a back end of its own: the result, after checking that a device
// is handed out exactly when the open succeeds.
template <typename Interface, typename Open>
int32_t openThroughABackEnd(Open open)
{
    PortAudioBackend backend;
    std::unique_ptr<Interface> device;
    const int32_t result = open(backend, device);
    EXPECT_EQ(device == nullptr, result != kNoError);
    return result;
}

// ALSA's default device and both fallbacks defined as `definition`.
std::string everyCandidateIs(const std::string& definition)
{
    std::string config;
    for (const char* name : {"default", "pipewire", "pulse"}) {
        config += std::string("pcm.!") + name + " " + definition + "\n";
    }
    return config;
}

// The null device seen through a one-channel binding: it plays and records mono only.
const std::string kMonoOnly = everyCandidateIs(
    "{ type multi slaves.a.pcm \"null\" slaves.a.channels 1 bindings.0.slave a "
    "bindings.0.channel 0 }");
// The AC-3 encoder plugin over the null device: it plays 48000 Hz only.
const std::string kPlays48000Only =
    everyCandidateIs("{ type a52 slavepcm \"null\" rate 48000 channels 2 }");
// Devices that name a device ALSA does not have: none of them opens.
const std::string kNoneOpens =
    everyCandidateIs("{ type asym playback.pcm \"missing\" capture.pcm \"missing\" }");

class PortAudioOpenErrors : public ::testing::Test {
protected:
    // Makes asoundrc the ALSA configuration that a back end made here finds; false when
    // PortAudio was built without its ALSA host API.
    bool useAlsa(const std::string& asoundrc)
    {
        home_ = std::make_unique<AlsaHome>(log_.dir() / "home", asoundrc);
        return AlsaHome::portAudioHasAlsa();
    }

    // Whether PortAudio lists the default device with at least one output channel: a plugin
    // that this machine's ALSA lacks leaves it out.
    static bool defaultOutputListed()
    {
        if (Pa_Initialize() != paNoError) {
            return false;
        }
        const PaDeviceIndex index = Pa_GetDefaultOutputDevice();
        const bool listed = index != paNoDevice && Pa_GetDeviceInfo(index)->maxOutputChannels > 0;
        Pa_Terminate();
        return listed;
    }

    int32_t openOutput()
    {
        return openThroughABackEnd<WaveOutput>([](PortAudioBackend& backend, auto& device) {
            return backend.openOutput(&ignoreMessages, nullptr, device);
        });
    }

    int32_t openInput()
    {
        return openThroughABackEnd<WaveInput>([](PortAudioBackend& backend, auto& device) {
            return backend.openInput(&ignoreMessages, nullptr, device);
        });
    }

private:
    LogCapture log_;
    std::unique_ptr<AlsaHome> home_;
};

TEST_F(PortAudioOpenErrors, AMonoOnlyDeviceRefusesTheFormatBothWays)
{
    if (!useAlsa(kMonoOnly)) {
        GTEST_SKIP() << "PortAudio has no ALSA";
    }
    EXPECT_EQ(openOutput(), kBadFormat);
    EXPECT_EQ(openInput(), kBadFormat);
}

TEST_F(PortAudioOpenErrors, ADeviceThatPlaysAnotherRateOnlyRefusesTheFormat)
{
    if (!useAlsa(kPlays48000Only) || !defaultOutputListed()) {
        GTEST_SKIP() << "PortAudio has no ALSA, or ALSA no a52 plugin";
    }
    EXPECT_EQ(openOutput(), kBadFormat);
}

TEST_F(PortAudioOpenErrors, NoDeviceThatOpensIsBadDeviceIdBothWays)
{
    if (!useAlsa(kNoneOpens)) {
        GTEST_SKIP() << "PortAudio has no ALSA";
    }
    EXPECT_EQ(openOutput(), kBadDeviceId);
    EXPECT_EQ(openInput(), kBadDeviceId);
}

}  // namespace
}  // namespace brenvik::device
