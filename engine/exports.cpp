// The engine's C interface. Each export checks its arguments (frame ranges are clipped to the
// track, missing paths refused, files refused while there is no track) and hands the call to
// the unit that does the work.
#include "brenvik.h"

#include "device/backend_factory.h"
#include "engine.h"
#include "frame_range.h"
#include "mp3_export.h"
#include "wav_file.h"

namespace {

brenvik::Engine& engine()
{
    static brenvik::Engine instance(&brenvik::device::backendFromEnvironment);
    return instance;
}

brenvik::FrameRange clipped(int32_t from, int32_t to)
{
    return brenvik::FrameRange::clipped(from, to, engine().track().length());
}

// Files are neither read nor written while there is no track: before OpenLib, after CloseLib,
// or after an OpenLib that could not get the memory.
bool noTrack()
{
    return engine().track().empty();
}

}  // namespace

extern "C" {

int32_t OpenLib(int32_t trackLength, int32_t logging)
{
    return engine().open(trackLength, logging != 0);
}

int32_t CloseLib(void)
{
    return engine().close();
}

int32_t TrackRead(int32_t index)
{
    return engine().track().readValue(index);
}

int32_t TrackWrite(int32_t index, int32_t value)
{
    return engine().track().writeValue(index, value);
}

int32_t TrackClear(int32_t from, int32_t to)
{
    engine().clearTrack(clipped(from, to));
    return 0;
}

int32_t PlayWav(int32_t from, int32_t to)
{
    return engine().play(clipped(from, to));
}

int32_t RecordWav(void)
{
    return engine().record();
}

int32_t StopWav(void)
{
    return engine().stop();
}

int32_t GetPosition(void)
{
    return engine().position();
}

int32_t IsPlaying(void)
{
    return engine().isPlaying() ? 1 : 0;
}

int32_t LoadWave(const char* path)
{
    if (path == nullptr || noTrack()) {
        return brenvik::kLoadCannotOpen;
    }
    return brenvik::loadWave(path, engine().track().frames(), engine().log());
}

int32_t SaveAsWave(int32_t from, int32_t to, const char* path)
{
    if (path == nullptr || noTrack()) {
        return BRENVIK_SAVE_FAILED;
    }
    return brenvik::saveAsWave(path, engine().track().frames(clipped(from, to)), engine().log());
}

int32_t SaveAsMp3(int32_t from, int32_t to, const char* path)
{
    if (path == nullptr) {
        return BRENVIK_MP3_DISK_ERROR;  // the output file cannot be opened
    }
    if (noTrack()) {
        return BRENVIK_MP3_MEMORY_ERROR;  // the memory it would encode is not there
    }
    return brenvik::saveAsMp3(path, engine().track().frames(clipped(from, to)));
}

}  // extern "C"
