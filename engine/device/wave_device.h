// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "brenvik.h"

namespace brenvik::device {

// Results of the wave device layer. The numbers are those of the Windows multimedia system, so a
// code that reaches the editor means the same as on the original platform.
inline constexpr int32_t kNoError = BRENVIK_OK;
inline constexpr int32_t kError = BRENVIK_ERR_UNSPECIFIED;
inline constexpr int32_t kBadDeviceId = BRENVIK_ERR_BAD_DEVICE;
inline constexpr int32_t kAllocated = BRENVIK_ERR_ALLOCATED;
inline constexpr int32_t kInvalidHandle = BRENVIK_ERR_NOT_OPEN;
inline constexpr int32_t kNotResponding = BRENVIK_ERR_NOT_RESPONDING;
inline constexpr int32_t kNoMemory = BRENVIK_ERR_NO_MEMORY;
inline constexpr int32_t kInvalidParam = BRENVIK_ERR_NO_BUFFER;
inline constexpr int32_t kBadFormat = BRENVIK_ERR_BAD_FORMAT;
inline constexpr int32_t kStillPlaying = BRENVIK_ERR_STILL_PLAYING;
inline constexpr int32_t kUnprepared = BRENVIK_ERR_UNPREPARED;

// Messages passed to the device callbacks.
inline constexpr uint32_t kOutputDone = 0x3BD;  // MM_WOM_DONE: a played header is handed back
inline constexpr uint32_t kInputOpen = 0x3BE;   // MM_WIM_OPEN
inline constexpr uint32_t kInputClose = 0x3BF;  // MM_WIM_CLOSE
inline constexpr uint32_t kInputData = 0x3C0;   // MM_WIM_DATA: a filled header is handed back
// Not a platform message: frames were written into the header that is still being filled.
inline constexpr uint32_t kInputMoved = 0x3C1;

// Header flag bits.
inline constexpr uint32_t kHeaderDone = 0x01;
inline constexpr uint32_t kHeaderPrepared = 0x02;
inline constexpr uint32_t kHeaderInQueue = 0x10;

// A buffer handed to a device, as the platform's wave header. The owner fills data and length
// (and sets flags to 0) while the header is not queued; from queuing until the device hands it
// back the device owns bytesRecorded and flags, and the owner must neither change nor free it.
struct WaveHeader {
    std::byte* data = nullptr;
    uint32_t bufferLength = 0;   // bytes
    uint32_t bytesRecorded = 0;  // bytes filled (input) or played (output) so far
    uint32_t flags = 0;
};

// The engine's callback: message is one of the messages above; header is the header handed back
// (kOutputDone, kInputData) or null. Called on a thread of the device layer, one message at a
// time per device; kInputOpen and kInputClose are delivered before open and close return. A
// callback may queue headers again on its own device; it must not reset or close that device.
using WaveCallback = void (*)(void* context, uint32_t message, WaveHeader* header);

// Operations shared by both directions. Every operation on a device that is closed returns
// kInvalidHandle. Callers may use a device from one thread at a time (plus its own callback).
//
// Any operation, and a device's destruction, may block inside a driver that stops answering.
// The engine therefore calls from a thread of its own and waits at most a deadline; a device
// that overruns it is given up: it is never called, closed or destroyed again, and its back
// end, its headers and the memory they point into stay allocated for the rest of the process.
// A device thread that wakes up later finds all of them alive and may still call back.
class WaveDevice {
public:
    virtual ~WaveDevice() = default;

    // Marks a header ready for queuing; preparing a prepared header is harmless.
    virtual int32_t prepare(WaveHeader& header) = 0;
    // Undoes prepare; kStillPlaying while the header is queued.
    virtual int32_t unprepare(WaveHeader& header) = 0;
    // Stops the device and hands back every queued header through the callback (done flag set,
    // in-queue flag cleared), in queue order, on the layer's thread; returns only after the last
    // one was handed back. The frame count starts again from 0.
    virtual int32_t reset() = 0;
    // Frames the device has moved since it was opened or last reset (wraps at 2^32): only frames
    // really taken from or given to the card or sound server, never a count run on by a clock.
    // This is how the engine notices a device that died while it answers its calls: a running
    // transport whose count stands still for a few seconds is given up. A back end needs to do
    // nothing else for that.
    virtual int32_t position(uint32_t& frames) = 0;
    // Closes the device; kStillPlaying (and the device stays open) while headers are queued.
    // After close no callback runs any more.
    virtual int32_t close() = 0;
    // Has the device call watcher(context, kInputMoved, header) on the thread that records,
    // after each stretch of frames it wrote into the header still being filled (about once a
    // period). Set it before starting; a device that records nothing never calls it.
    virtual void watchCapture(WaveCallback /*watcher*/, void* /*context*/) {}
};

// Plays queued headers one after another; each is handed back with kOutputDone when played.
class WaveOutput : public WaveDevice {
public:
    // Queues a header: kUnprepared unless prepared, kStillPlaying when already queued.
    virtual int32_t write(WaveHeader& header) = 0;
};

// A stretch of a recording that the device could not deliver and filled with silence, in the
// device's frame count.
struct LostStretch {
    uint32_t firstFrame = 0;
    uint32_t frames = 0;
};

// A recording's move from one source to another, which the sound server makes when the source
// goes away (a headset unplugged, its module unloaded): the frame of the device's count from
// which on the recording comes from the other source, and both sources' descriptions.
struct SourceMove {
    uint32_t firstFrame = 0;
    std::string from;
    std::string to;
};

// Records into queued headers one after another once started; each is handed back with
// kInputData when full. Frames captured while no header is queued are lost but still counted.
class WaveInput : public WaveDevice {
public:
    // Queues a header: kUnprepared unless prepared, kStillPlaying when already queued.
    virtual int32_t addBuffer(WaveHeader& header) = 0;
    virtual int32_t start() = 0;
    // The source that the next start records from, by the name listSources gives; empty: the
    // default one. A device with one source only ignores it.
    virtual int32_t useSource(const std::string& /*name*/) { return kNoError; }
    // The stretches lost since the last start, oldest first; they stay readable after a reset.
    virtual std::vector<LostStretch> lostStretches() { return {}; }
    // The moves to other sources since the last start, oldest first; they stay readable after
    // a reset. A device whose source never changes under it has none.
    virtual std::vector<SourceMove> sourceMoves() { return {}; }
};

// One source a back end can record from.
struct SourceInfo {
    enum class Kind { kInput, kMonitor };  // a monitor records what an output plays
    std::string name;
    std::string description;  // of a monitor: the description of the output it records
    Kind kind = Kind::kInput;
};

// Opens the default devices for the engine's one format: 44100 Hz, 2 channels, 16-bit PCM.
// Devices must be closed or destroyed before their back end is destroyed. The engine creates a
// back end, opens its devices and destroys them all on one thread of its own; each device
// call may come from there or from the device's own callback.
class WaveBackend {
public:
    virtual ~WaveBackend() = default;

    // On success device holds the open device; otherwise it stays empty and the error is returned.
    virtual int32_t openOutput(WaveCallback callback, void* context,
                               std::unique_ptr<WaveOutput>& device) = 0;
    // Delivers kInputOpen before it returns.
    virtual int32_t openInput(WaveCallback callback, void* context,
                              std::unique_ptr<WaveInput>& device) = 0;
    // The sources an input can record from: kNoError with sources filled, or kError when the
    // back end cannot tell (kBadDeviceId when there is no sound server to ask).
    virtual int32_t listSources(std::vector<SourceInfo>& /*sources*/) { return kError; }
    // The process ids of the programs that play into the output the source of that name
    // monitors (empty: the default source): kNoError with processes filled, none for a source
    // that monitors no output or a back end that cannot tell.
    virtual int32_t sourcePlayers(const std::string& /*source*/, std::vector<int32_t>& processes)
    {
        processes.clear();
        return kNoError;
    }
};

}  // namespace brenvik::device
