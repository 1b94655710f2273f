// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's C interface. Each export checks its arguments (frame ranges are clipped to the
// track, missing paths refused, files refused while there is no track) and hands the call to
// the unit that does the work. No C++ exception leaves an export: each has failure codes for
// memory that cannot be had and for any other exception.
//
// The units behind it serve one caller at a time, so the exports take turns: each one that
// changes the engine runs alone, the readers of the track run beside each other, and a caller
// that finds the engine busy waits for its turn, bounded as a device call is. The audio threads
// never call an export, so they never wait for a turn.
#include "brenvik.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "call_turns.h"
#include "device/backend_factory.h"
#include "engine.h"
#include "frame_range.h"
#include "mp3_export.h"
#include "mp3_quality.h"
#include "save_settings.h"
#include "song_details.h"
#include "take_file.h"
#include "wav_file.h"
#include "wav_writer.h"

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

// What an export returns when its work throws, or when its turn does not come.
struct Failure {
    int32_t noMemory;  // std::bad_alloc
    int32_t other;     // anything else: a thread that cannot start, a path the library refuses
    int32_t busy;      // another caller held the engine for longer than a turn may be waited for
};

constexpr Failure kDeviceFailure{BRENVIK_ERR_NO_MEMORY, BRENVIK_ERR_UNSPECIFIED,
                                 BRENVIK_ERR_ALLOCATED};

constexpr Failure always(int32_t code)
{
    return {code, code, code};
}

// How an export shares the engine with calls on other threads: alone when it changes the engine
// or asks a device, beside other readers when it only reads the track.
using Turn = brenvik::CallTurns::Kind;

// The longest a caller waits for its turn. The longest a call that changes the engine holds it
// is one device deadline (a device that overruns it gives the session up, and every device step
// after that returns at once) and the work around it, such as the ring's turn at a stop.
constexpr std::chrono::milliseconds kLongestTurnWait = 2 * brenvik::Engine::kDeviceDeadline;

brenvik::CallTurns& turns()
{
    static brenvik::CallTurns instance;
    return instance;
}

// Runs an export's work in its turn; an exception that escapes it becomes the export's failure
// code, so that none crosses the C interface.
template <typename Work>
int32_t guarded(Failure failure, Work work, Turn turn = Turn::kAlone) noexcept
{
    try {
        const brenvik::CallTurns::Turn held(turns(), turn, kLongestTurnWait);
        return held.taken() ? work() : failure.busy;
    } catch (const std::bad_alloc&) {
        return failure.noMemory;
    } catch (...) {
        return failure.other;
    }
}

// What the saves write beside the audio. The exports that set it run alone, so the saves, which
// run beside other readers only, read it without a lock of its own.
brenvik::SaveSettings& saveSettings()
{
    static brenvik::SaveSettings settings;
    return settings;
}

// The sources as ListSources writes them: one a line, name, description and kind by tabs.
std::string sourceList(const std::vector<brenvik::device::SourceInfo>& sources)
{
    std::string text;
    for (const brenvik::device::SourceInfo& source : sources) {
        const bool monitor = source.kind == brenvik::device::SourceInfo::Kind::kMonitor;
        text +=
            source.name + '\t' + source.description + '\t' + (monitor ? "monitor" : "input") + '\n';
    }
    return text;
}

// A description as one field of a tab-separated line.
std::string field(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n'; }, ' ');
    return text;
}

// The source changes as GetSourceChanges writes them: one a line, frame, from and to by tabs.
std::string sourceChangeList(const std::vector<brenvik::Session::SourceChange>& changes)
{
    std::string text;
    for (const brenvik::Session::SourceChange& change : changes) {
        text += std::to_string(change.frame) + '\t' + field(change.from) + '\t' + field(change.to) +
                '\n';
    }
    return text;
}

// Copies text into buffer as ListSources and GetSourceChanges do: whole or not at all; the size
// it needs, its NUL included.
int32_t copyText(const std::string& text, char* buffer, int32_t size)
{
    const auto needed = static_cast<int32_t>(text.size() + 1);
    if (buffer != nullptr && size >= needed) {
        std::memcpy(buffer, text.c_str(), text.size() + 1);
    } else if (buffer != nullptr && size > 0) {
        buffer[0] = '\0';
    }
    return needed;
}

// The bytes the save that runs now has written, for SaveProgress on the thread that waits for
// it; 0 while no save runs.
std::atomic<int64_t> savedBytes{0};

// Runs a save whose bytes are counted in savedBytes, which is 0 again once it returns.
template <typename Save>
int32_t counted(Save save)
{
    struct Reset {
        ~Reset() { savedBytes.store(0); }
    } reset;
    return save(&savedBytes);
}

// A save's result, noted in the take file when the save succeeded: the take is no longer one
// the next start offers to recover.
int32_t notedWhenSaved(int32_t result)
{
    if (result == BRENVIK_OK) {
        engine().trackSaved();
    }
    return result;
}

// The takes as ListTakes writes them: one a line, path, state, frames recorded, track length,
// start and end times and source by tabs.
std::string takeList(const std::vector<brenvik::TakeInfo>& takes)
{
    static constexpr const char* kStates[] = {"unsaved", "other-version", "wrong-size", "broken"};
    std::string text;
    for (const brenvik::TakeInfo& take : takes) {
        text += field(take.path) + '\t' + kStates[static_cast<int>(take.refusal)] + '\t' +
                std::to_string(take.recordedFrames) + '\t' + std::to_string(take.trackLength) +
                '\t' + std::to_string(take.startedMs) + '\t' + std::to_string(take.lastFrameMs) +
                '\t' + field(take.source) + '\n';
    }
    return text;
}

int32_t trackStoreCode(brenvik::Engine::TrackStore store)
{
    using Store = brenvik::Engine::TrackStore;
    switch (store) {
        case Store::kFile: return BRENVIK_STORE_FILE;
        case Store::kMemory: return BRENVIK_STORE_MEMORY;
        case Store::kFellBack: return BRENVIK_STORE_FELL_BACK;
        case Store::kNone: break;
    }
    return BRENVIK_STORE_NONE;
}

// Files are neither read nor written while there is no track: before OpenLib, after CloseLib,
// or after an OpenLib that could not get the memory.
bool noTrack()
{
    return engine().track().empty();
}

// A question answered from the WAV file's header alone, beside the track's readers; a null
// path cannot be opened.
int32_t askWaveHeader(const char* path,
                      int32_t (*question)(const char*, const brenvik::DiagnosticLog&))
{
    return guarded(
        always(-BRENVIK_LOAD_CANNOT_OPEN),
        [&]() -> int32_t {
            return path == nullptr ? -BRENVIK_LOAD_CANNOT_OPEN : question(path, engine().log());
        },
        Turn::kBesideReaders);
}

}  // namespace

extern "C" {

int32_t OpenLib(int32_t trackLength, int32_t logging)
{
    return guarded(kDeviceFailure, [&] { return engine().open(trackLength, logging != 0); });
}

int32_t CloseLib(void)
{
    return guarded(kDeviceFailure, [] { return engine().close(); });
}

int32_t TrackRead(int32_t index)
{
    return guarded(
        always(BRENVIK_OUTSIDE_TRACK), [&] { return engine().track().readValue(index); },
        Turn::kBesideReaders);
}

int32_t TrackWrite(int32_t index, int32_t value)
{
    return guarded(always(BRENVIK_OUTSIDE_TRACK),
                   [&] { return engine().track().writeValue(index, value); });
}

int32_t TrackClear(int32_t from, int32_t to)
{
    return guarded(always(0), [&] {
        engine().clearTrack(clipped(from, to));
        return 0;
    });
}

int32_t PlayWav(int32_t from, int32_t to)
{
    return guarded(kDeviceFailure, [&] { return engine().play(clipped(from, to)); });
}

int32_t RecordWav(void)
{
    return guarded(kDeviceFailure, [] { return engine().record(); });
}

int32_t StopWav(void)
{
    return guarded(kDeviceFailure, [] { return engine().stop(); });
}

int32_t GetPosition(void)
{
    return guarded(always(0), [] { return engine().position(); });
}

int32_t IsPlaying(void)
{
    return guarded(always(0), [] { return engine().isPlaying() ? 1 : 0; });
}

int32_t LoadWave(const char* path)
{
    return guarded(always(BRENVIK_LOAD_CANNOT_OPEN), [&]() -> int32_t {
        if (path == nullptr || noTrack()) {
            return BRENVIK_LOAD_CANNOT_OPEN;
        }
        const int32_t result = brenvik::loadWave(path, engine().track().frames(), engine().log());
        if (result < BRENVIK_LOAD_NO_RIFF) {
            engine().trackReplaced();
        }
        return result;
    });
}

int32_t SaveAsWave(int32_t from, int32_t to, const char* path)
{
    return guarded(
        always(BRENVIK_SAVE_FAILED),
        [&]() -> int32_t {
            if (path == nullptr || noTrack()) {
                return BRENVIK_SAVE_FAILED;
            }
            return notedWhenSaved(counted([&](std::atomic<int64_t>* progress) {
                return brenvik::saveAsWave(path, engine().track().frames(clipped(from, to)),
                                           engine().log(), saveSettings().details, progress);
            }));
        },
        Turn::kBesideReaders);
}

int32_t SaveAsMp3(int32_t from, int32_t to, const char* path)
{
    constexpr Failure kMp3Failure{BRENVIK_MP3_MEMORY_ERROR, BRENVIK_MP3_DISK_ERROR,
                                  BRENVIK_MP3_DISK_ERROR};
    return guarded(
        kMp3Failure,
        [&]() -> int32_t {
            if (path == nullptr) {
                return BRENVIK_MP3_DISK_ERROR;  // the output file cannot be opened
            }
            if (noTrack()) {
                return BRENVIK_MP3_MEMORY_ERROR;  // the memory it would encode is not there
            }
            return notedWhenSaved(counted([&](std::atomic<int64_t>* progress) {
                return brenvik::saveAsMp3(path, engine().track().frames(clipped(from, to)),
                                          saveSettings(), progress);
            }));
        },
        Turn::kBesideReaders);
}

int32_t TrackReadFrames(int32_t from, int32_t to, int16_t* values)
{
    return guarded(
        always(BRENVIK_OUTSIDE_TRACK),
        [&] { return engine().track().readFrames(from, to, values); }, Turn::kBesideReaders);
}

int32_t TrackWriteFrames(int32_t from, int32_t to, const int16_t* values)
{
    return guarded(always(BRENVIK_OUTSIDE_TRACK),
                   [&] { return engine().track().writeFrames(from, to, values); });
}

int32_t SetSongDetails(const char* details)
{
    return guarded(always(BRENVIK_SETTING_REFUSED), [&]() -> int32_t {
        const std::optional<brenvik::SongDetails> parsed =
            brenvik::parseSongDetails(details == nullptr ? "" : details);
        if (!parsed) {
            return BRENVIK_SETTING_REFUSED;
        }
        saveSettings().details = *parsed;
        return BRENVIK_OK;
    });
}

int32_t SetMp3Quality(int32_t quality)
{
    return guarded(always(BRENVIK_SETTING_REFUSED), [&]() -> int32_t {
        const std::optional<brenvik::Mp3Quality> known = brenvik::mp3Quality(quality);
        if (!known) {
            return BRENVIK_SETTING_REFUSED;
        }
        saveSettings().mp3Quality = *known;
        return BRENVIK_OK;
    });
}

int32_t ListSources(char* buffer, int32_t size)
{
    constexpr Failure kListFailure{-BRENVIK_ERR_UNSPECIFIED, -BRENVIK_ERR_UNSPECIFIED,
                                   -BRENVIK_ERR_ALLOCATED};
    return guarded(kListFailure, [&]() -> int32_t {
        std::vector<brenvik::device::SourceInfo> sources;
        if (const int32_t result = engine().listSources(sources); result != 0) {
            return -result;
        }
        return copyText(sourceList(sources), buffer, size);
    });
}

int32_t SelectSource(const char* name)
{
    return guarded(kDeviceFailure, [&] { return engine().selectSource(name ? name : ""); });
}

int32_t GetLostInput(int32_t* stretches, int32_t count)
{
    return guarded(always(0), [&] {
        const std::vector<brenvik::FrameRange>& lost = engine().lostInput();
        const auto written = std::min<std::size_t>(lost.size(), std::max(count, 0));
        for (std::size_t i = 0; stretches != nullptr && i < written; ++i) {
            stretches[2 * i] = static_cast<int32_t>(lost[i].from);
            stretches[2 * i + 1] = static_cast<int32_t>(lost[i].size());
        }
        return static_cast<int32_t>(lost.size());
    });
}

int32_t GetRingTurn(void)
{
    return guarded(always(-1), [] { return engine().ringTurn(); });
}

int32_t GetSourcePlayers(int32_t* processes, int32_t count)
{
    return guarded(always(0), [&] {
        std::vector<int32_t> players;
        if (engine().sourcePlayers(players) != brenvik::device::kNoError) {
            return 0;
        }
        const auto written = std::min<std::size_t>(players.size(), std::max(count, 0));
        std::copy_n(players.begin(), processes != nullptr ? written : 0, processes);
        return static_cast<int32_t>(players.size());
    });
}

int32_t GetSourceChanges(char* buffer, int32_t size)
{
    return guarded(always(0), [&] {
        const std::vector<brenvik::Session::SourceChange>& changes = engine().sourceChanges();
        return changes.empty() ? 0 : copyText(sourceChangeList(changes), buffer, size);
    });
}

int32_t WaveFrames(const char* path)
{
    return askWaveHeader(path, brenvik::waveFrames);
}

int32_t WaveSampleBits(const char* path)
{
    return askWaveHeader(path, brenvik::waveSampleBits);
}

int32_t KeepTrackInMemory(int32_t inMemory)
{
    return guarded(always(BRENVIK_SETTING_REFUSED), [&]() -> int32_t {
        engine().keepTrackInMemory(inMemory != 0);
        return BRENVIK_OK;
    });
}

int32_t GetTrackStore(void)
{
    return guarded(always(BRENVIK_STORE_NONE),
                   [] { return trackStoreCode(engine().trackStore()); });
}

int32_t ListTakes(char* buffer, int32_t size)
{
    return guarded(always(0), [&]() -> int32_t {
        const std::vector<brenvik::TakeInfo> takes =
            brenvik::TakeFile::survey(brenvik::TakeFile::folder());
        return takes.empty() ? 0 : copyText(takeList(takes), buffer, size);
    });
}

int32_t OpenTake(const char* path, int32_t logging)
{
    return guarded(kDeviceFailure, [&]() -> int32_t {
        if (path == nullptr) {
            return BRENVIK_TAKE_REFUSED;
        }
        return engine().openTake(path, logging != 0);
    });
}

int32_t DiscardTake(const char* path)
{
    return guarded(always(BRENVIK_TAKE_REFUSED), [&]() -> int32_t {
        if (path == nullptr || !brenvik::TakeFile::discard(path)) {
            return BRENVIK_TAKE_REFUSED;
        }
        return BRENVIK_OK;
    });
}

// Takes no turn: it reads one atomic counter, so that it answers while a save runs.
int32_t SaveProgress(void)
{
    return static_cast<int32_t>(std::min<int64_t>(savedBytes.load(), INT32_MAX));
}

}  // extern "C"
