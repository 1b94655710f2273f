// SPDX-License-Identifier: GPL-3.0-or-later
#include "quiet_libraries.h"

#include <dlfcn.h>

#include <initializer_list>

namespace brenvik::device {

namespace {

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
void ignoreJackMessage(const char*) {}

// The function of that name in a library already loaded (PortAudio loads ALSA and JACK), or null.
template <typename Function>
Function* loaded(const char* name)
{
    return reinterpret_cast<Function*>(dlsym(RTLD_DEFAULT, name));
}

}  // namespace

void quietenSoundLibraries()
{
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using JackHandler = void (*)(const char*);
    if (auto* setAlsaHandler = loaded<int(AlsaHandler)>("snd_lib_error_set_handler")) {
        setAlsaHandler(&ignoreAlsaError);
    }
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (auto* setJackHandler = loaded<void(JackHandler)>(name)) {
            setJackHandler(&ignoreJackMessage);
        }
    }
}

}  // namespace brenvik::device
