// SPDX-License-Identifier: GPL-3.0-or-later
// A home directory whose ~/.asoundrc is the ALSA configuration that PortAudio finds: ALSA reads
// it when PortAudio initialises, so it must be in place before the first back end or OpenLib.
#pragma once

#include <portaudio.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class AlsaHome {
public:
    AlsaHome(const std::filesystem::path& home, const std::string& asoundrc)
        : home_(home)
    {
        std::filesystem::create_directories(home);
        std::ofstream(home / ".asoundrc") << asoundrc;
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        ::setenv("JACK_NO_START_SERVER", "1", 1);
        ::unsetenv("ALSA_CONFIG_PATH");
        ::setenv("BRENVIK_AUDIO", "portaudio", 1);  // not a sound server that may answer
    }

    const std::filesystem::path& path() const { return home_; }

    static bool portAudioHasAlsa()
    {
        if (Pa_Initialize() != paNoError) {
            return false;
        }
        const bool alsa = Pa_HostApiTypeIdToHostApiIndex(paALSA) >= 0;
        Pa_Terminate();
        return alsa;
    }

private:
    std::filesystem::path home_;
};
